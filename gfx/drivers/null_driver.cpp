// The core's own driver: the screen exists in memory only. It has no init and
// no exit; lock and unlock do nothing and every other operation is absent.

#include "gfx/driver.h"
#include "gfx/drivers/shared_ops.h"

namespace vz {

const GfxDriver null_driver{.name = "Null", .lock = no_lock, .unlock = no_lock};

}  // namespace vz

// The core's own driver: the screen exists in memory only. It has no init and
// no exit; lock and unlock do nothing and every other operation is absent.

#include "gfx/driver.h"

namespace vz {

namespace {
void null_lock() {}
void null_unlock() {}
}  // namespace

const GfxDriver null_driver{.name = "Null", .lock = null_lock, .unlock = null_unlock};

}  // namespace vz

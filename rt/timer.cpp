// runtime_sleep: the platform-neutral part of the sleep service.

#include "rt/timer.h"

#include "rt/console.h"
#include "rt/error.h"

namespace vz {

std::int32_t runtime_sleep(std::int32_t milliseconds, std::int32_t kind) {
    switch (kind) {
    case SLEEP_KEY_AWARE:
        // The console operation picks the graphics screen's sleep hook or
        // the console's own key-aware rule.
        runtime_key_sleep(milliseconds);
        return set_last_error(ERR_OK);
    case SLEEP_PLAIN:
        os_sleep_ms(milliseconds);
        return set_last_error(ERR_OK);
    default:
        return set_last_error(ERR_ILLEGAL_CALL);
    }
}

}  // namespace vz

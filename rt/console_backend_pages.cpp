// The text console's pages, the same on every platform: the console has one
// page, page 0.

#include "rt/console_backend.h"
#include "rt/error.h"

namespace vz {

// A negative page means page 0 too.
std::int32_t console_page_copy(std::int32_t source, std::int32_t destination) {
    const std::int32_t from = source < 0 ? 0 : source;
    const std::int32_t to = destination < 0 ? 0 : destination;
    return set_last_error(from == 0 && to == 0 ? ERR_OK : ERR_ILLEGAL_CALL);
}

std::int32_t console_page_set(std::int32_t, std::int32_t) { return 0; }

}  // namespace vz

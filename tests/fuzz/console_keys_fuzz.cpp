// The console's key decoder on arbitrary terminal input: every step uses at
// most the bytes it was given, a complete input always makes progress, and
// the codes it yields are characters or extended keys.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "rt/console_backend_keys.h"

namespace {

bool valid_code(std::int32_t code) {
    if (code >= 1 && code <= 255) return true;
    return (code & 0xFF) == 0xFF && code > 0xFF && code <= 0xFFFF;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool complete = (data[0] & 1) != 0;
    std::span<const std::uint8_t> bytes(data + 1, size - 1);
    while (!bytes.empty()) {
        const vz::KeyDecodeStep step = vz::decode_console_key(bytes, complete);
        if (step.used > bytes.size()) std::abort();
        if (step.code != 0 && !valid_code(step.code)) std::abort();
        if (step.used == 0) {
            // Only an unfinished sequence may wait for more bytes, and only
            // while more can come.
            if (complete || bytes[0] != 0x1B) std::abort();
            break;
        }
        bytes = bytes.subspan(step.used);
    }
    return 0;
}

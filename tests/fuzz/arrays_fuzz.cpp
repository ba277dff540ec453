// Growable arrays with arbitrary element sizes, dimension counts and bounds:
// a success gives a block of exactly the product of the extents times the
// element size whose first and last bytes can be written; a failure leaves
// the array empty with error 1 or 4.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "rt/array.h"

namespace {

// Blocks up to this size are really allocated; larger requests that still
// fit 32 bits are skipped so that the run stays within its memory.
constexpr __int128 ALLOCATION_LIMIT = 16 << 20;

// The block's size in bytes, or -1 when the request is invalid (an element
// length below 1 or bounds in the wrong order). Stops growing past 2^40.
__int128 requested_bytes(std::int32_t element_len, const std::vector<vz::ArrayBounds>& bounds) {
    if (element_len < 1) return -1;
    __int128 total = element_len;
    for (const vz::ArrayBounds& b : bounds) {
        const __int128 extent = static_cast<__int128>(b.ubound) - b.lbound + 1;
        if (extent <= 0) return -1;
        total *= extent;
        if (total > (static_cast<__int128>(1) << 40)) return total;
    }
    return total;
}

void check_empty(const vz::ArrayDescriptor& a) {
    if (a.ptr != nullptr || a.data != 0 || a.size != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vz::fuzz::Input in(data, size);
    vz::ArrayDescriptor array{};
    for (int round = 0; round < 3 && !in.empty(); ++round) {
        const std::int32_t element_len = in.number();
        const std::int32_t zero_fill = in.u8() & 1;
        const std::size_t dims = in.u8() % 10;  // 0 and 9 are refused
        std::vector<vz::ArrayBounds> bounds(dims);
        for (vz::ArrayBounds& b : bounds) {
            b.lbound = in.number();
            b.ubound = in.number();
        }
        const __int128 bytes = requested_bytes(element_len, bounds);
        if (bytes > ALLOCATION_LIMIT && bytes <= INT32_MAX) continue;

        const std::int32_t result = vz::array_redim(array, element_len, zero_fill, 0, bounds);
        if (result == 0) {
            if (dims < 1 || dims > 8 || element_len < 1 || bytes < 0 || bytes > INT32_MAX) std::abort();
            if (array.size != static_cast<std::int32_t>(bytes) || array.dimensions != static_cast<std::int32_t>(dims)) {
                std::abort();
            }
            if (array.size > 0) {
                auto* block = static_cast<std::uint8_t*>(array.ptr);
                if (zero_fill != 0 && (block[0] != 0 || block[array.size - 1] != 0)) std::abort();
                block[0] = 1;
                block[array.size - 1] = 2;
            }
        } else {
            if (result != 1 && result != 4) std::abort();
            check_empty(array);
        }
    }
    if (vz::array_erase(array, 0) != 0) std::abort();
    check_empty(array);
    return 0;
}

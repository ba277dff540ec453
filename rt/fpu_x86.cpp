// The x87 control word. Precision control is bits 8-9 (11b = 64-bit
// significand), rounding control bits 10-11 (00b = to nearest); the exception
// masks and every other bit are kept as they are.

#include "rt/fpu.h"

namespace vz {
namespace {

constexpr std::uint16_t PRECISION_CONTROL_MASK = 0x0300;
constexpr std::uint16_t PRECISION_64_BIT = 0x0300;
constexpr std::uint16_t ROUNDING_CONTROL_MASK = 0x0C00;
constexpr std::uint16_t ROUND_TO_NEAREST = 0x0000;

}  // namespace

std::uint16_t fpu_control_word() {
    std::uint16_t word = 0;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

void set_fpu_control_word(std::uint16_t word) { asm volatile("fldcw %0" : : "m"(word)); }

void set_extended_precision() {
    const std::uint16_t current = fpu_control_word();
    const auto wanted = static_cast<std::uint16_t>((current & ~(PRECISION_CONTROL_MASK | ROUNDING_CONTROL_MASK)) |
                                                   PRECISION_64_BIT | ROUND_TO_NEAREST);
    if (wanted != current) set_fpu_control_word(wanted);
}

}  // namespace vz

#pragma once
// Line input on the graphics screen.

#include <cstdint>

#include "rt/text.h"

namespace vz {

std::uint8_t* read_text(std::uint8_t* buffer, std::int32_t size);
std::int32_t read_line(const RtText* prompt, RtText* destination, std::int32_t size, std::int32_t fill,
                       std::int32_t question, std::int32_t line_end);
std::int32_t read_wide_line(const std::uint16_t* prompt, std::int32_t prompt_length, std::uint16_t* destination,
                            std::int32_t size, std::int32_t question, std::int32_t line_end);

}  // namespace vz

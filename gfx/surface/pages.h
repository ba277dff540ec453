#pragma once
// Work and visible pages, page copy and the work page's pixels.

#include <cstdint>

namespace vz {

std::int32_t page_set(std::int32_t work_page, std::int32_t visible_page);
std::int32_t page_copy(std::int32_t source, std::int32_t destination);
std::uint8_t* screen_ptr();

}  // namespace vz

#pragma once
// Screen set-up: opening a screen by mode number or by resolution, closing it,
// and the window title. Set-up is the top floor of gfx/: it builds the
// context record, the pages and the text cells, fills the console hooks and
// chooses the display driver.

#include <cstdint>

#include "gfx/context.h"

namespace vz {

std::int32_t set_mode(const ModeInfo* info, std::int32_t mode, std::int32_t depth, std::int32_t page_count,
                      std::int32_t refresh_rate, std::int32_t flags);
std::int32_t screen_mode(std::int32_t mode, std::int32_t depth, std::int32_t page_count, std::int32_t flags,
                         std::int32_t refresh_rate);
std::int32_t screen_mode_pages(std::int32_t mode, std::int32_t work_page, std::int32_t visible_page);
std::int32_t screen_res(std::int32_t width, std::int32_t height, std::int32_t depth, std::int32_t page_count,
                        std::int32_t flags, std::int32_t refresh_rate);
void set_screen_title(const char* text);
// The current window title (the executable's name until one is set).
const char* screen_title();
void close_screen();

}  // namespace vz

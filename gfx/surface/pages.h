#pragma once
// Drawing targets, pages and the screen lock.

#include <cstdint>

#include "gfx/surface/draw_state.h"

namespace vz {

// The new image header form starts with this tag.
inline constexpr std::uint32_t IMAGE_TAG_NEW = 7;

DrawState* get_draw_state();
void set_target(DrawState* state, void* image);
std::int32_t page_set(std::int32_t work_page, std::int32_t visible_page);
std::int32_t page_copy(std::int32_t source, std::int32_t destination);
void screen_lock();
void screen_unlock(std::int32_t first_line, std::int32_t last_line);
std::uint8_t* screen_ptr();

// True when the state's target is the visible page (its first line is the
// visible page's first byte), so drawing must mark dirty lines.
bool target_is_visible(const DrawState* state);
// Sets the dirty flags of page lines first ... last (inclusive, clamped).
void mark_dirty(std::int32_t first, std::int32_t last);
// Ends drawing done under screen_lock: marks page lines first ... last dirty
// when the drawing went to the visible page (none when first > last), then
// releases the lock level without marking anything more.
void unlock_after_drawing(const DrawState* state, std::int64_t first, std::int64_t last);

}  // namespace vz

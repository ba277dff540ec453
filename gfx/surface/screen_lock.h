#pragma once
// The nesting screen lock: its outermost level holds the driver lock, so the
// driver's update pass never presents a half-drawn page. Most code that takes
// it only reads or changes shared state (the key queue, the palette, the
// mouse, the title) and draws no line; code that draws marks its lines dirty
// before it lets go.

#include <cstdint>

#include "gfx/surface/draw_state.h"

namespace vz {

void screen_lock();
// Marks page lines first_line ... last_line dirty when the work page is the
// visible one (none when first_line > last_line; last_line < 0: to the
// bottom), then releases one level of the lock.
void screen_unlock(std::int32_t first_line, std::int32_t last_line);
// Sets the dirty flags of page lines first ... last (inclusive, clamped).
void mark_dirty(std::int32_t first, std::int32_t last);
// Ends drawing done under screen_lock: marks page lines first ... last dirty
// when the drawing went to the visible page (none when first > last), then
// releases the lock level without marking anything more.
void unlock_after_drawing(const DrawState* state, std::int64_t first, std::int64_t last);

// The screen lock held for one scope; its release marks nothing dirty.
class ScreenLockGuard {
public:
    ScreenLockGuard() { screen_lock(); }
    ~ScreenLockGuard() { screen_unlock(1, 0); }  // first > last: no line marked
    ScreenLockGuard(const ScreenLockGuard&) = delete;
    ScreenLockGuard& operator=(const ScreenLockGuard&) = delete;
};

}  // namespace vz

// The nesting screen lock (the driver lock at its outermost level) and the
// dirty-line flags that tell the driver's update pass which lines to show.

#include <algorithm>
#include <cstring>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/screen_lock.h"
#include "gfx/surface/shape_math.h"

namespace vz {

void mark_dirty(std::int32_t first, std::int32_t last) {
    GfxContext* context = current_context();
    if (context == nullptr || context->dirty == nullptr) return;
    first = std::max(first, 0);
    last = std::min(last, context->height - 1);
    if (first > last) return;
    std::memset(context->dirty + first, 1, static_cast<std::size_t>(last - first + 1));
}

void unlock_after_drawing(const DrawState* state, std::int64_t first, std::int64_t last) {
    if (target_is_visible(state)) {
        // Far-away rows saturate; mark_dirty keeps the range on the page.
        mark_dirty(clamp_to_i32(first), clamp_to_i32(last));
    }
    screen_unlock(1, 0);
}

void screen_lock() {
    GfxContext* context = current_context();
    if (context == nullptr) return;
    if (context->lock_count > 0) {
        ++context->lock_count;
        return;
    }
    if (context->driver != nullptr && context->driver->lock != nullptr) context->driver->lock();
    context->lock_count = 1;
}

void screen_unlock(std::int32_t first_line, std::int32_t last_line) {
    GfxContext* context = current_context();
    if (context == nullptr) return;
    first_line = std::max(first_line, 0);
    if (last_line < 0) last_line = context->height - 1;
    // The work page is looked up only when there are lines to mark: most
    // unlocks (every shape drawn) pass an empty range.
    if (first_line <= last_line && last_line < context->height &&
        get_draw_state()->work_page == context->visible_page) {
        if (context->lock_count == 0) {
            // The flags are shared with the driver's update thread: an unlock
            // with no lock held still marks its lines, but under the driver
            // lock, as every other change to them is made.
            const ScreenLockGuard lock;
            mark_dirty(first_line, last_line);
            return;
        }
        mark_dirty(first_line, last_line);
    }
    if (context->lock_count > 0) {
        --context->lock_count;
        if (context->lock_count == 0 && context->driver != nullptr && context->driver->unlock != nullptr) {
            context->driver->unlock();
        }
    }
}

}  // namespace vz

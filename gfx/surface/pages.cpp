// The drawing state, drawing targets, work and visible pages, page copy, the
// nesting screen lock and the dirty-line flags.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/draw_state_serial.h"
#include "gfx/surface/pages.h"
#include "gfx/surface/pixel_bytes.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock_guard.h"
#include "gfx/surface/shape_math.h"
#include "rt/error.h"
#include "rt/runtime.h"

namespace vz {

namespace {

constexpr std::uint32_t OPAQUE = 0xFF000000u;

// Used only when the runtime cannot allocate its context slot, so that callers
// never write through a missing record.
DrawState g_fallback_state;

// Makes room for `count` line pointers. False (and nothing changed) when the
// array cannot grow.
bool reserve_lines(DrawState* state, std::int32_t count) {
    if (count <= state->line_capacity) return true;
    void* grown = std::realloc(state->lines, static_cast<std::size_t>(count) * sizeof(std::uint8_t*));
    if (grown == nullptr) return false;
    state->lines = static_cast<std::uint8_t**>(grown);
    state->line_capacity = count;
    return true;
}

void point_lines(DrawState* state, std::uint8_t* first, std::int32_t count, std::int32_t pitch) {
    for (std::int32_t i = 0; i < count; ++i) state->lines[i] = first + static_cast<std::ptrdiff_t>(i) * pitch;
}

// A target whose lines cannot be set up gets an empty view, so that nothing is
// drawn through stale or missing line pointers.
void empty_view(DrawState* state) {
    state->view_x = state->view_y = 0;
    state->view_w = state->view_h = 0;
}

void target_image(DrawState* state, const GfxContext* context, std::uint8_t* image) {
    if (state->target == nullptr) {
        state->saved_view = ViewRect{state->view_x, state->view_y, state->view_w, state->view_h};
    }
    state->view_x = state->view_y = 0;
    std::int32_t bpp = 0, width = 0, height = 0, pitch = 0;
    std::uint8_t* data = nullptr;
    if (load32(image) == IMAGE_TAG_NEW) {
        bpp = static_cast<std::int32_t>(load32(image + 4));
        width = static_cast<std::int32_t>(load32(image + 8));
        height = static_cast<std::int32_t>(load32(image + 12));
        pitch = static_cast<std::int32_t>(load32(image + 16));
        data = image + 32;
    } else {
        bpp = context != nullptr ? context->bpp : 4;
        width = load16(image) >> 3;
        height = load16(image + 2);
        pitch = width * bpp;
        data = image + 4;
    }
    state->bpp = bpp;
    state->pitch = pitch;
    state->view_w = width;
    state->view_h = height;
    select_pixel_ops(bpp);
    state->state_flags |= DS_IMAGE_TARGET;
    // The lines, view and pixel size below are the image's.
    drawing_state_changed();
    // A header with an unknown pixel size, a negative size or lines shorter
    // than their pixels cannot be drawn into safely.
    const bool valid = (bpp == 1 || bpp == 2 || bpp == 4) && width >= 0 && height >= 0 &&
                       static_cast<std::int64_t>(pitch) >= static_cast<std::int64_t>(width) * bpp;
    if (!valid || !reserve_lines(state, height)) {
        empty_view(state);
        return;
    }
    point_lines(state, data, height, pitch);
}

void target_screen(DrawState* state, const GfxContext* context) {
    state->view_x = state->saved_view.x;
    state->view_y = state->saved_view.y;
    state->view_w = state->saved_view.w;
    state->view_h = state->saved_view.h;
    state->bpp = context->bpp;
    state->pitch = context->pitch;
    if (reserve_lines(state, context->height)) {
        point_lines(state, context->pages[state->work_page], context->height, context->pitch);
    } else {
        empty_view(state);
    }
    select_pixel_ops(context->bpp);
    state->state_flags &= ~(DS_FRESH | DS_IMAGE_TARGET);
    drawing_state_changed();
}

void rebuild(DrawState* state, const GfxContext* context) {
    std::free(state->lines);
    *state = DrawState{};
    state->screen_id = context->id;
    state->saved_view = ViewRect{0, 0, context->width, context->height};
    reserve_lines(state, context->height);
    state->fg_colour = context->depth == 8 ? 15u : context->colour_mask;
    state->bg_colour = context->colour_mask & 0xFF000000u;
    state->state_flags = DS_FRESH;
    drawing_state_changed();
    set_target(state, nullptr);
    choose_draw_ops(state, OPAQUE);
}

}  // namespace

DrawState* get_draw_state() {
    auto* state = static_cast<DrawState*>(context_slot(CONTEXT_SLOT_DRAW_STATE, sizeof(DrawState)));
    if (state == nullptr) state = &g_fallback_state;
    const GfxContext* context = current_context();
    if (context != nullptr && state->screen_id != context->id) rebuild(state, context);
    return state;
}

void set_target(DrawState* state, void* image) {
    const GfxContext* context = current_context();
    if (image != nullptr && image != state->target) {
        target_image(state, context, static_cast<std::uint8_t*>(image));
    } else if (image == nullptr && (state->state_flags & (DS_FRESH | DS_IMAGE_TARGET)) != 0 && context != nullptr) {
        target_screen(state, context);
    }
    // A change of target has gone through target_image or target_screen,
    // which announce it (or no screen is open, and none can be drawn on).
    state->target = image;
}

bool target_is_visible(const DrawState* state) {
    const GfxContext* context = current_context();
    return context != nullptr && state->line_capacity > 0 && state->lines != nullptr && state->target == nullptr &&
           state->lines[0] == context->visible_ptr;
}

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

std::int32_t page_set(std::int32_t work_page, std::int32_t visible_page) {
    DrawState* state = get_draw_state();
    GfxContext* context = current_context();
    if (context == nullptr) return -1;
    const std::int32_t result = context->visible_page * 256 + state->work_page;
    set_target(state, nullptr);
    choose_draw_ops(state, OPAQUE);
    if (work_page < 0 && visible_page < 0) work_page = visible_page = 0;
    if (work_page >= 0 && work_page < context->page_count) {
        if (state->line_capacity >= context->height) {
            point_lines(state, context->pages[work_page], context->height, context->pitch);
        }
        state->work_page = work_page;
        drawing_state_changed();
    }
    if (visible_page >= 0 && visible_page < context->page_count && visible_page != context->visible_page) {
        const ScreenLockGuard lock;
        context->visible_page = visible_page;
        context->visible_ptr = context->pages[visible_page];
        drawing_state_changed();
        mark_dirty(0, context->height - 1);
    }
    return result;
}

std::int32_t page_copy(std::int32_t source, std::int32_t destination) {
    DrawState* state = get_draw_state();
    GfxContext* context = current_context();
    if (context == nullptr) return set_last_error(ERR_ILLEGAL_CALL);
    if (context->driver != nullptr && context->driver->flip != nullptr) {
        context->driver->flip();
        if (context->driver->poll_events != nullptr) context->driver->poll_events();
        return set_last_error(ERR_ILLEGAL_CALL);
    }
    set_target(state, nullptr);
    choose_draw_ops(state, OPAQUE);
    if (source < 0) source = state->work_page;
    if (destination < 0) destination = context->visible_page;
    if (source >= context->page_count || destination >= context->page_count) return set_last_error(ERR_ILLEGAL_CALL);
    if (source == destination) return set_last_error(ERR_OK);

    const bool presents = destination == context->visible_page && context->lock_count == 0;
    std::optional<ScreenLockGuard> lock;
    if (presents) lock.emplace();
    // Only the view is copied; it is clamped to the page so that a view set
    // beyond the screen cannot reach outside it.
    const std::int32_t left = std::max(state->view_x, 0);
    const std::int32_t top = std::max(state->view_y, 0);
    const auto right = static_cast<std::int32_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(state->view_x) + state->view_w, context->width));
    const auto bottom = static_cast<std::int32_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(state->view_y) + state->view_h, context->height));
    if (left < right && top < bottom) {
        const std::size_t offset = static_cast<std::size_t>(left) * static_cast<std::size_t>(context->bpp);
        const std::size_t bytes = static_cast<std::size_t>(right - left) * static_cast<std::size_t>(context->bpp);
        for (std::int32_t y = top; y < bottom; ++y) {
            const std::size_t line = static_cast<std::size_t>(y) * static_cast<std::size_t>(context->pitch);
            pixel_ops().copy_bytes(context->pages[destination] + line + offset, context->pages[source] + line + offset,
                                   bytes);
        }
    }
    if (context->text_cells != nullptr && context->text_cells[source] != nullptr &&
        context->text_cells[destination] != nullptr) {
        const std::size_t cells =
            static_cast<std::size_t>(context->text_cols) * static_cast<std::size_t>(context->text_rows);
        std::memcpy(context->text_cells[destination], context->text_cells[source], cells * sizeof(TextCell));
    }
    if (presents) mark_dirty(top, bottom - 1);
    return set_last_error(ERR_OK);
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

std::uint8_t* screen_ptr() {
    DrawState* state = get_draw_state();
    const GfxContext* context = current_context();
    if (context == nullptr) return nullptr;
    set_target(state, nullptr);
    choose_draw_ops(state, OPAQUE);
    if (state->lines == nullptr || state->line_capacity == 0) return context->pages[state->work_page];
    return state->lines[0];
}

}  // namespace vz

// Work and visible pages, page copy and the pointer to the work page's
// pixels.

#include <algorithm>
#include <cstring>
#include <optional>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/draw_state_serial.h"
#include "gfx/surface/pages.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock.h"
#include "rt/error.h"

namespace vz {

namespace {

constexpr std::uint32_t OPAQUE = 0xFF000000u;

}  // namespace

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

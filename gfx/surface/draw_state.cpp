// The drawing state: one record per process, rebuilt for each new screen;
// its drawing target (the work page or an image) and the line pointers and
// view that go with it.

#include <cstdlib>

#include "gfx/context.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/draw_state_serial.h"
#include "gfx/surface/pixel_bytes.h"
#include "gfx/surface/pixels.h"
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

void point_lines(DrawState* state, std::uint8_t* first, std::int32_t count, std::int32_t pitch) {
    for (std::int32_t i = 0; i < count; ++i) state->lines[i] = first + static_cast<std::ptrdiff_t>(i) * pitch;
}

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

}  // namespace vz

#pragma once
// The drawing state record (one per process), the routine types it holds,
// and its drawing target: the work page or an image.

#include <cstddef>
#include <cstdint>

namespace vz {

struct DrawState;

using PutPixelFn = void (*)(DrawState* state, std::int32_t x, std::int32_t y, std::uint32_t pixel);
using GetPixelFn = std::uint32_t (*)(DrawState* state, std::int32_t x, std::int32_t y);
using SpanFillFn = void (*)(std::uint8_t* first, std::uint32_t pixel, std::int32_t count);
using FillBytesFn = void (*)(void* destination, std::uint8_t value, std::size_t count);
using CopyBytesFn = void (*)(void* destination, const void* source, std::size_t count);
using RowCopyFn = void (*)(void* destination, const void* source, std::int32_t pixels);

// State flags (DrawState::state_flags).
inline constexpr std::uint32_t DS_FRESH = 0x1;         // screen not yet applied
inline constexpr std::uint32_t DS_IMAGE_TARGET = 0x2;  // an image is (or was) the target
inline constexpr std::uint32_t DS_VIEW_SET = 0x10;
inline constexpr std::uint32_t DS_SCREEN_ABSOLUTE = 0x20;

struct ViewRect {
    std::int32_t x, y, w, h;
};

struct DrawState {
    std::int32_t screen_id;
    std::int32_t work_page;
    std::uint8_t** lines;  // line start pointers of the current target
    std::int32_t line_capacity;
    std::int32_t bpp;
    std::int32_t pitch;
    void* target;  // the image drawn into; null for the work page
    float last_x, last_y;
    std::int32_t view_x, view_y, view_w, view_h;
    ViewRect saved_view;
    std::uint32_t fg_colour;
    std::uint32_t bg_colour;
    PutPixelFn put_pixel;
    GetPixelFn get_pixel;
    SpanFillFn span_fill;
    std::uint32_t state_flags;
};

// The new image header form starts with this tag.
inline constexpr std::uint32_t IMAGE_TAG_NEW = 7;

// The process's drawing state, rebuilt for the open screen when that is new
// (never null).
DrawState* get_draw_state();
// Draws into `image` from now on, or into the work page when it is null.
void set_target(DrawState* state, void* image);
// True when the state's target is the visible page (its first line is the
// visible page's first byte), so drawing must mark dirty lines.
bool target_is_visible(const DrawState* state);
// Points the state's first `count` line pointers at lines `pitch` bytes
// apart from `first` (the array holds at least `count`).
void point_lines(DrawState* state, std::uint8_t* first, std::int32_t count, std::int32_t pitch);

}  // namespace vz

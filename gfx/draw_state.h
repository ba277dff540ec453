#pragma once
// The drawing state (one per process), drawing targets, pages and locking.

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
    std::uint8_t** lines;        // line start pointers of the current target
    std::int32_t line_capacity;
    std::int32_t bpp;
    std::int32_t pitch;
    void* target;                // the image drawn into; null for the work page
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

// The process-wide routine set, replaced by select_pixel_ops.
struct PixelOps {
    FillBytesFn fill_bytes;
    CopyBytesFn copy_bytes;
    PutPixelFn put_pixel;
    GetPixelFn get_pixel;
    SpanFillFn span_fill;
    PutPixelFn blend_put_pixel;
    SpanFillFn blend_span_fill;
    SpanFillFn row_fill;
    RowCopyFn row_copy;
};

const PixelOps& pixel_ops();

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

// Pixel routines, colours and coordinates.
void select_pixel_ops(std::int32_t bpp);
void choose_draw_ops(DrawState* state, std::uint32_t pixel);
std::uint32_t to_pixel_value(std::int32_t bpp, std::uint32_t colour);
// A 16-bit RGB565 pixel as opaque 0xFFRRGGBB, each component widened by
// repeating its top bits (5-bit 31 gives 255, 16 gives 132).
std::uint32_t expand_rgb565(std::uint32_t pixel);
std::uint32_t blend_pixel(std::uint32_t source, std::uint32_t destination);
// Applies the coordinate mode to one point (x2, y2 null) or two points, in
// place, and records the last point.
void apply_step(DrawState* state, std::int32_t coord_flags, float* x1, float* y1, float* x2 = nullptr,
                float* y2 = nullptr);
struct PixelPoint {
    std::int32_t x, y;
};
PixelPoint to_screen(const DrawState* state, float x, float y);
void sort_corners(std::int32_t* x1, std::int32_t* y1, std::int32_t* x2, std::int32_t* y2);

}  // namespace vz

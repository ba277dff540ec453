// Shaped windows over X11: pixels of the colour key are transparent. The
// SHAPE extension cuts the window to a one-bit mask; the mask follows the
// presented picture, so every put of rows recomputes those rows of the mask
// from the image (a pixel equal to the key, in the image's own format, is
// left out) and sets the window's shape from it.

#include "gfx/drivers/x11/x11_internal.h"

#include <X11/extensions/shape.h>

#include <bit>
#include <cstring>
#include <vector>

namespace vz::x11 {

namespace {

// The update thread's only (it creates the window and presents).
struct Shape {
    bool active = false;
    std::uint32_t key = 0;  // 0x00RRGGBB
    Pixmap mask = 0;
    GC gc = nullptr;
    std::int32_t width = 0, height = 0;
    std::vector<char> bits;  // rows of (width + 7) / 8 bytes, least significant bit first
    XImage* bitmap = nullptr;
};
Shape g_shape;

// One 8-bit component placed under a mask, keeping its top bits.
std::uint32_t place(std::uint32_t component, unsigned long mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const std::uint32_t value = bits >= 8 ? component << (bits - 8) : component >> (8 - bits);
    return value << shift;
}

std::uint32_t key_pixel(const XImage* image, std::uint32_t key) {
    return place((key >> 16) & 0xFF, image->red_mask) | place((key >> 8) & 0xFF, image->green_mask) |
           place(key & 0xFF, image->blue_mask);
}

std::uint32_t pixel_at(const XImage* image, std::int32_t x, std::int32_t y) {
    const auto* row =
        reinterpret_cast<const std::uint8_t*>(image->data) + static_cast<std::size_t>(y) * image->bytes_per_line;
    const int bytes = image->bits_per_pixel / 8;
    const std::uint8_t* p = row + static_cast<std::size_t>(x) * bytes;
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        const int at = image->byte_order == LSBFirst ? i : bytes - 1 - i;
        value |= static_cast<std::uint32_t>(p[at]) << (8 * i);
    }
    return value;
}

void release(Display* d) {
    if (g_shape.bitmap != nullptr) {
        g_shape.bitmap->data = nullptr;  // the vector owns the bits
        XDestroyImage(g_shape.bitmap);
    }
    if (d != nullptr && g_shape.gc != nullptr) XFreeGC(d, g_shape.gc);
    if (d != nullptr && g_shape.mask != 0) XFreePixmap(d, g_shape.mask);
    const bool active = g_shape.active;
    const std::uint32_t key = g_shape.key;
    g_shape = Shape{};
    g_shape.active = active;
    g_shape.key = key;
}

bool ready_for(Display* d, Window w, std::int32_t width, std::int32_t height) {
    if (g_shape.mask != 0 && g_shape.width == width && g_shape.height == height) return true;
    release(d);
    g_shape.mask = XCreatePixmap(d, w, static_cast<unsigned>(width), static_cast<unsigned>(height), 1);
    if (g_shape.mask == 0) return false;
    // A bitmap draws its set bits in the foreground: 1, part of the shape.
    XGCValues values{};
    values.foreground = 1;
    values.background = 0;
    g_shape.gc = XCreateGC(d, g_shape.mask, GCForeground | GCBackground, &values);
    const int row_bytes = (width + 7) / 8;
    g_shape.bits.assign(static_cast<std::size_t>(row_bytes) * static_cast<std::size_t>(height), 0);
    g_shape.bitmap = XCreateImage(d, state().visual, 1, XYBitmap, 0, g_shape.bits.data(), static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), 8, row_bytes);
    if (g_shape.gc == nullptr || g_shape.bitmap == nullptr) {
        release(d);
        return false;
    }
    g_shape.bitmap->byte_order = LSBFirst;
    g_shape.bitmap->bitmap_bit_order = LSBFirst;
    g_shape.width = width;
    g_shape.height = height;
    return true;
}

}  // namespace

bool set_colour_key(std::uint32_t key) {
    State& s = state();
    Display* d = live_display();
    int event_base = 0, error_base = 0;
    if (d == nullptr || s.window.load() == 0 || !XShapeQueryExtension(d, &event_base, &error_base)) return false;
    g_shape.active = true;
    g_shape.key = key & 0xFFFFFFu;
    return true;
}

void shape_rows(const XImage* image, std::int32_t first, std::int32_t count) {
    State& s = state();
    Display* d = live_display();
    const Window w = s.window.load();
    if (!g_shape.active || d == nullptr || w == 0 || image == nullptr || image->bits_per_pixel < 8) return;
    if (!ready_for(d, w, image->width, image->height)) return;
    const std::uint32_t key = key_pixel(image, g_shape.key);
    const std::uint32_t used = static_cast<std::uint32_t>(image->red_mask | image->green_mask | image->blue_mask);
    const int row_bytes = (image->width + 7) / 8;
    for (std::int32_t y = first; y < first + count && y < image->height; ++y) {
        char* row = g_shape.bits.data() + static_cast<std::size_t>(y) * row_bytes;
        std::memset(row, 0, static_cast<std::size_t>(row_bytes));
        for (std::int32_t x = 0; x < image->width; ++x) {
            // Bits outside the colour masks (a 32-bit pixel's top byte) do not count.
            if ((pixel_at(image, x, y) & used) != key) row[x / 8] = static_cast<char>(row[x / 8] | (1 << (x % 8)));
        }
    }
    XPutImage(d, g_shape.mask, g_shape.gc, g_shape.bitmap, 0, first, 0, first, static_cast<unsigned>(image->width),
              static_cast<unsigned>(count));
    XShapeCombineMask(d, w, ShapeBounding, 0, 0, g_shape.mask, ShapeSet);
}

void forget_shape() {
    release(live_display());
    g_shape = Shape{};
}

}  // namespace vz::x11

// The presentation image of the GDI driver on Win32: a device-independent
// bitmap in memory in the display's pixel layout (8 bits with a logical
// palette, 16 bits 5-6-5, or 32 bits), rows shown with SetDIBitsToDevice.

#include <cstdlib>
#include <cstring>

#include "gfx/drivers/win32/win32_internal.h"
#include "gfx/drivers/window_state.h"

namespace vz::win32 {

namespace {

constexpr std::size_t INFO_SIZE = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);

// The display's bits per pixel, 32 when it cannot be told.
int display_bits() {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return 32;
    const int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    return bits;
}

// The 256 colours of the screen's palette, as the colour table of the image
// and as a logical palette realised in the window's device context.
void apply_palette(HDC dc) {
    State& s = state();
    const WindowState& ws = window_state();
    for (int i = 0; i < 256; ++i) {
        s.image_info->bmiColors[i] = RGBQUAD{ws.palette[i][2], ws.palette[i][1], ws.palette[i][0], 0};
    }
    struct {
        WORD version;
        WORD entries;
        PALETTEENTRY colour[256];
    } logical{};
    logical.version = 0x300;
    logical.entries = 256;
    for (int i = 0; i < 256; ++i) {
        logical.colour[i] = PALETTEENTRY{ws.palette[i][0], ws.palette[i][1], ws.palette[i][2], 0};
    }
    if (s.image_palette == nullptr) {
        s.image_palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&logical));
    } else {
        SetPaletteEntries(s.image_palette, 0, 256, logical.colour);
    }
    if (s.image_palette != nullptr) {
        SelectPalette(dc, s.image_palette, FALSE);
        RealizePalette(dc);
    }
}

}  // namespace

bool create_image(std::int32_t width, std::int32_t height, ImageFormat* format, std::uint8_t** pixels,
                  std::int32_t* pitch) {
    State& s = state();
    destroy_image();
    if (width <= 0 || height <= 0) return false;
    const int bits = display_bits();
    ImageFormat chosen{};
    if (bits == 8) {
        chosen = ImageFormat{8, 0, 0, 0};
    } else if (bits == 15 || bits == 16) {
        chosen = ImageFormat{16, 0xF800, 0x07E0, 0x001F};
    } else {
        chosen = ImageFormat{32, 0xFF0000, 0x00FF00, 0x0000FF};
    }
    const int bytes_per_pixel = chosen.bits_per_pixel / 8;
    const std::int32_t row_bytes = (width * bytes_per_pixel + 3) & ~3;
    s.image_info = static_cast<BITMAPINFO*>(std::calloc(1, INFO_SIZE));
    s.image_pixels =
        static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(row_bytes), static_cast<std::size_t>(height)));
    if (s.image_info == nullptr || s.image_pixels == nullptr) {
        destroy_image();
        return false;
    }
    BITMAPINFOHEADER& header = s.image_info->bmiHeader;
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = -height;  // top-down rows
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(chosen.bits_per_pixel);
    header.biCompression = chosen.bits_per_pixel == 16 ? BI_BITFIELDS : BI_RGB;
    if (chosen.bits_per_pixel == 16) {
        auto* masks = reinterpret_cast<DWORD*>(s.image_info->bmiColors);
        masks[0] = chosen.red_mask;
        masks[1] = chosen.green_mask;
        masks[2] = chosen.blue_mask;
    }
    if (chosen.bits_per_pixel == 8) header.biClrUsed = 256;
    s.image_width = width;
    s.image_height = height;
    s.image_pitch = row_bytes;
    s.image_bits = chosen.bits_per_pixel;
    *format = chosen;
    *pixels = s.image_pixels;
    *pitch = row_bytes;
    return true;
}

void put_image(std::int32_t first, std::int32_t count) {
    State& s = state();
    HWND window = s.window.load();
    if (window == nullptr || s.image_pixels == nullptr) return;
    if (first < 0) {
        count += first;
        first = 0;
    }
    if (first + count > s.image_height) count = s.image_height - first;
    if (count <= 0) return;
    HDC dc = GetDC(window);
    if (dc == nullptr) return;
    if (s.image_bits == 8) apply_palette(dc);
    // The rows shown are described as an image of their own (top-down,
    // `count` rows starting at row `first`), which keeps the start-line
    // arithmetic of bottom-up bitmaps out of the way.
    s.image_info->bmiHeader.biHeight = -count;
    SetDIBitsToDevice(dc, 0, first, static_cast<DWORD>(s.image_width), static_cast<DWORD>(count), 0, 0, 0,
                      static_cast<UINT>(count), s.image_pixels + static_cast<std::size_t>(first) * s.image_pitch,
                      s.image_info, DIB_RGB_COLORS);
    s.image_info->bmiHeader.biHeight = -s.image_height;
    ReleaseDC(window, dc);
}

void destroy_image() {
    State& s = state();
    std::free(s.image_info);
    std::free(s.image_pixels);
    s.image_info = nullptr;
    s.image_pixels = nullptr;
    s.image_width = s.image_height = s.image_pitch = s.image_bits = 0;
    if (s.image_palette != nullptr) {
        DeleteObject(s.image_palette);
        s.image_palette = nullptr;
    }
}

}  // namespace vz::win32

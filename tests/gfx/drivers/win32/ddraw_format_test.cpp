// DirectDraw surface formats and the converters they get: the format reading
// on its own, then real surfaces of Wine's DirectDraw in each 15-, 16-, 24- and
// 32-bit layout it will make, filled by the chosen converter and read back
// through GDI (the surface's device context), which knows the layout only
// from the surface.

#include <windows.h>
#include <initguid.h>
#include <ddraw.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/context.h"
#include "gfx/drivers/blit.h"
#include "gfx/drivers/win32/ddraw_format.h"
#include "gfx/screen/screen_setup.h"

namespace vz {
namespace {

struct Layout {
    const char* name;
    DWORD bits, red, green, blue;
    std::int32_t want_bits, want_swap;
    // Wine's GDI reads every 24-bit surface as blue, green, red in memory,
    // whatever masks the surface reports; those are checked in memory only.
    bool gdi_agrees = true;
};

// Every RGB layout the blitters serve, in both orders.
constexpr Layout LAYOUTS[] = {
    {"32 XRGB", 32, 0xFF0000, 0xFF00, 0xFF, 32, 0}, {"32 XBGR", 32, 0xFF, 0xFF00, 0xFF0000, 32, 1},
    {"24 RGB", 24, 0xFF0000, 0xFF00, 0xFF, 24, 0},  {"24 BGR", 24, 0xFF, 0xFF00, 0xFF0000, 24, 1, false},
    {"16 RGB565", 16, 0xF800, 0x7E0, 0x1F, 16, 0},  {"16 BGR565", 16, 0x1F, 0x7E0, 0xF800, 16, 1},
    {"15 RGB555", 16, 0x7C00, 0x3E0, 0x1F, 15, 0},  {"15 BGR555", 16, 0x1F, 0x3E0, 0x7C00, 15, 1},
};

DDPIXELFORMAT pixel_format(const Layout& l) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof f;
    f.dwFlags = DDPF_RGB;
    f.dwRGBBitCount = l.bits;
    f.dwRBitMask = l.red;
    f.dwGBitMask = l.green;
    f.dwBBitMask = l.blue;
    return f;
}

TEST(DDrawFormat, EachLayoutGetsItsDepthAndOrder) {
    for (const Layout& l : LAYOUTS) {
        const win32::SurfaceFormat f = win32::surface_format(pixel_format(l));
        EXPECT_EQ(f.bits, l.want_bits) << l.name;
        EXPECT_EQ(f.swap, l.want_swap) << l.name;
    }
    // A palette display: 8 bits, standard order.
    DDPIXELFORMAT indexed{};
    indexed.dwSize = sizeof indexed;
    indexed.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    indexed.dwRGBBitCount = 8;
    EXPECT_EQ(win32::surface_format(indexed).bits, 8);
    EXPECT_EQ(win32::surface_format(indexed).swap, 0);
    // Not RGB (a YUV overlay format): no converter.
    DDPIXELFORMAT yuv{};
    yuv.dwSize = sizeof yuv;
    yuv.dwFlags = DDPF_FOURCC;
    yuv.dwFourCC = MAKEFOURCC('Y', 'U', 'Y', '2');
    EXPECT_EQ(win32::surface_format(yuv).bits, 0);
}

// The top `width` bits of an 8-bit component.
std::uint32_t top_bits(std::uint32_t c, int width) { return c >> (8 - width); }

int mask_shift(DWORD mask) {
    int n = 0;
    for (; mask != 0 && (mask & 1) == 0; mask >>= 1) ++n;
    return n;
}

int mask_width(DWORD mask) {
    int n = 0;
    for (; mask != 0; mask >>= 1) n += static_cast<int>(mask & 1);
    return n;
}

class DDrawSurfaces : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = LoadLibraryA("ddraw.dll");
        ASSERT_NE(library_, nullptr);
        auto create = reinterpret_cast<HRESULT(WINAPI*)(GUID*, LPDIRECTDRAW*, IUnknown*)>(
            reinterpret_cast<void (*)()>(GetProcAddress(library_, "DirectDrawCreate")));
        ASSERT_NE(create, nullptr);
        ASSERT_TRUE(SUCCEEDED(create(nullptr, &draw_, nullptr)));
        ASSERT_TRUE(SUCCEEDED(draw_->SetCooperativeLevel(nullptr, DDSCL_NORMAL)));
    }
    void TearDown() override {
        close_screen();
        if (draw_ != nullptr) draw_->Release();
        if (library_ != nullptr) FreeLibrary(library_);
    }

    IDirectDrawSurface* surface(const Layout& l, std::int32_t width, std::int32_t height) {
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc.dwWidth = static_cast<DWORD>(width);
        desc.dwHeight = static_cast<DWORD>(height);
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        desc.ddpfPixelFormat = pixel_format(l);
        IDirectDrawSurface* s = nullptr;
        return SUCCEEDED(draw_->CreateSurface(&desc, &s, nullptr)) ? s : nullptr;
    }

    // Converts the current page into a surface of layout `l` the way the
    // DirectX back-end does and checks every pixel through the surface's DC
    // against the page's colours `rgb` (0xRRGGBB with the page's precision).
    // False when DirectDraw will not make such a surface.
    bool check_layout(const Layout& l, const std::vector<std::uint32_t>& rgb) {
        GfxContext& c = *current_context();
        IDirectDrawSurface* s = surface(l, c.width, c.height);
        if (s == nullptr) return false;
        DDPIXELFORMAT format{};
        format.dwSize = sizeof format;
        EXPECT_TRUE(SUCCEEDED(s->GetPixelFormat(&format))) << l.name;
        const win32::SurfaceFormat f = win32::surface_format(format);
        EXPECT_EQ(f.bits, l.want_bits) << l.name;
        EXPECT_EQ(f.swap, l.want_swap) << l.name;
        const BlitProc proc = choose_blitter(f.bits, f.swap);
        EXPECT_NE(proc, nullptr) << l.name;
        const int rw = mask_width(l.red), gw = mask_width(l.green), bw = mask_width(l.blue);
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        if (proc != nullptr && SUCCEEDED(s->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) {
            proc(desc.lpSurface, static_cast<std::int32_t>(desc.lPitch));
            // The memory, decoded by the masks alone.
            const auto* bytes = static_cast<const std::uint8_t*>(desc.lpSurface);
            const std::size_t size = l.bits / 8;
            for (std::int32_t y = 0; y < c.height; ++y) {
                for (std::int32_t x = 0; x < c.width; ++x) {
                    std::uint32_t v = 0;
                    std::memcpy(&v, bytes + y * desc.lPitch + static_cast<std::ptrdiff_t>(x * size), size);
                    const std::uint32_t want = rgb[static_cast<std::size_t>(y * c.width + x)];
                    EXPECT_EQ((v & l.red) >> mask_shift(l.red), top_bits((want >> 16) & 0xFF, rw))
                        << l.name << " red in memory at " << x << "," << y;
                    EXPECT_EQ((v & l.green) >> mask_shift(l.green), top_bits((want >> 8) & 0xFF, gw))
                        << l.name << " green in memory at " << x << "," << y;
                    EXPECT_EQ((v & l.blue) >> mask_shift(l.blue), top_bits(want & 0xFF, bw))
                        << l.name << " blue in memory at " << x << "," << y;
                    // Bits outside the masks stay zero (15-bit: the top bit).
                    if (size < 4) {
                        EXPECT_EQ(v & ~(l.red | l.green | l.blue), 0u) << l.name;
                    }
                }
            }
            s->Unlock(nullptr);
        }
        HDC dc = nullptr;
        if (l.gdi_agrees) {
            EXPECT_TRUE(SUCCEEDED(s->GetDC(&dc))) << l.name;
        }
        if (dc != nullptr) {
            for (std::int32_t y = 0; y < c.height; ++y) {
                for (std::int32_t x = 0; x < c.width; ++x) {
                    const std::uint32_t want = rgb[static_cast<std::size_t>(y * c.width + x)];
                    const COLORREF got = GetPixel(dc, x, y);
                    EXPECT_EQ(top_bits(GetRValue(got), rw), top_bits((want >> 16) & 0xFF, rw))
                        << l.name << " red at " << x << "," << y;
                    EXPECT_EQ(top_bits(GetGValue(got), gw), top_bits((want >> 8) & 0xFF, gw))
                        << l.name << " green at " << x << "," << y;
                    EXPECT_EQ(top_bits(GetBValue(got), bw), top_bits(want & 0xFF, bw))
                        << l.name << " blue at " << x << "," << y;
                }
            }
            s->ReleaseDC(dc);
        }
        s->Release();
        return true;
    }

    // Layouts DirectDraw made a surface of, by name.
    std::string offered_;
    HMODULE library_ = nullptr;
    LPDIRECTDRAW draw_ = nullptr;
};

constexpr std::uint32_t COLOURS[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF,
                                     0x000000, 0x80C0E0, 0xF00F0F, 0x0F8F40, 0xE01020};

TEST_F(DDrawSurfaces, ThirtyTwoBitPageComesOutRightInEveryLayoutOffered) {
    ASSERT_EQ(screen_res(10, 2, 32, 1, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
    GfxContext& c = *current_context();
    std::vector<std::uint32_t> rgb;
    for (std::int32_t y = 0; y < c.height; ++y) {
        for (std::int32_t x = 0; x < c.width; ++x) {
            const std::uint32_t v = COLOURS[(x + y * 3) % 10];
            std::memcpy(c.visible_ptr + y * c.pitch + x * 4, &v, 4);
            rgb.push_back(v);
        }
    }
    std::memset(c.dirty, 1, static_cast<std::size_t>(c.height * c.scanline));
    for (const Layout& l : LAYOUTS) {
        if (check_layout(l, rgb)) offered_ += std::string(offered_.empty() ? "" : ", ") + l.name;
    }
    std::printf("DirectDraw offers: %s\n", offered_.c_str());
    // Wine makes surfaces in the layouts of its display formats; the 5-5-5
    // one is among them, so the 15-bit converter is checked for real.
    EXPECT_NE(offered_.find("15 RGB555"), std::string::npos) << offered_;
    EXPECT_NE(offered_.find("16 RGB565"), std::string::npos) << offered_;
    EXPECT_NE(offered_.find("32 XRGB"), std::string::npos) << offered_;
}

TEST_F(DDrawSurfaces, SixteenBitPageComesOutRightInEveryLayoutOffered) {
    ASSERT_EQ(screen_res(10, 2, 16, 1, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
    GfxContext& c = *current_context();
    std::vector<std::uint32_t> rgb;
    for (std::int32_t y = 0; y < c.height; ++y) {
        for (std::int32_t x = 0; x < c.width; ++x) {
            const std::uint32_t v = COLOURS[(x + y * 7) % 10];
            const std::uint32_t r = (v >> 19) & 0x1F, g = (v >> 10) & 0x3F, b = (v >> 3) & 0x1F;
            const auto p = static_cast<std::uint16_t>(r << 11 | g << 5 | b);
            std::memcpy(c.visible_ptr + y * c.pitch + x * 2, &p, 2);
            rgb.push_back(r << 19 | g << 10 | b << 3);  // what the page holds
        }
    }
    std::memset(c.dirty, 1, static_cast<std::size_t>(c.height * c.scanline));
    int offered = 0;
    for (const Layout& l : LAYOUTS) offered += check_layout(l, rgb) ? 1 : 0;
    EXPECT_GE(offered, 3);
}

}  // namespace
}  // namespace vz

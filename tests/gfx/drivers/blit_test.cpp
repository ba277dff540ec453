#include "gfx/drivers/blit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gfx/context.h"
#include "gfx/screen/screen_setup.h"

namespace vz {
namespace {

constexpr std::uint8_t SENTINEL = 0xA5;

class BlitTest : public ::testing::Test {
protected:
    void TearDown() override { close_screen(); }

    // Opens a screen in memory only and marks no row dirty.
    GfxContext& open(std::int32_t width, std::int32_t height, std::int32_t depth) {
        EXPECT_EQ(screen_res(width, height, depth, 1, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
        GfxContext* ctx = current_context();
        EXPECT_NE(ctx, nullptr);
        std::memset(ctx->dirty, 0, static_cast<std::size_t>(ctx->height * ctx->scanline));
        return *ctx;
    }

    static void put16(GfxContext& c, int x, int y, std::uint16_t v) {
        std::memcpy(c.visible_ptr + y * c.pitch + x * 2, &v, 2);
    }
    static void put32(GfxContext& c, int x, int y, std::uint32_t v) {
        std::memcpy(c.visible_ptr + y * c.pitch + x * 4, &v, 4);
    }
    static std::uint32_t get32(const std::vector<std::uint8_t>& d, std::size_t at) {
        std::uint32_t v;
        std::memcpy(&v, d.data() + at, 4);
        return v;
    }
    static std::uint16_t get16(const std::vector<std::uint8_t>& d, std::size_t at) {
        std::uint16_t v;
        std::memcpy(&v, d.data() + at, 2);
        return v;
    }
    // Runs `proc` into a sentinel-filled buffer of `rows` rows of `pitch` bytes.
    static std::vector<std::uint8_t> run(BlitProc proc, std::int32_t pitch, std::int32_t rows) {
        std::vector<std::uint8_t> out(static_cast<std::size_t>(pitch * rows), SENTINEL);
        proc(out.data(), pitch);
        return out;
    }
};

TEST_F(BlitTest, SixteenBitThroughLookupTables) {
    GfxContext& c = open(4, 1, 16);
    put16(c, 0, 0, 0xFFFF);
    put16(c, 1, 0, 0xF800);  // red only
    put16(c, 2, 0, 0x07E0);  // green only
    put16(c, 3, 0, 0x0801);  // lowest red bit and lowest blue bit
    c.dirty[0] = 1;

    BlitProc to32 = choose_blitter(32, 0);
    ASSERT_NE(to32, nullptr);
    auto out = run(to32, 16, 1);
    // Low bits of the widened components are zero, not replicated.
    EXPECT_EQ(out[0], 248);  // blue
    EXPECT_EQ(out[1], 252);  // green
    EXPECT_EQ(out[2], 248);  // red
    EXPECT_EQ(get32(out, 0) & 0xFFFFFF, 0xF8FCF8u);
    EXPECT_EQ(get32(out, 4) & 0xFFFFFF, 0xF80000u);
    EXPECT_EQ(get32(out, 8) & 0xFFFFFF, 0x00FC00u);
    EXPECT_EQ(get32(out, 12) & 0xFFFFFF, 0x080008u);

    // The tables are rebuilt for each choice: swap 1 puts red in the low byte.
    BlitProc swapped = choose_blitter(32, 1);
    ASSERT_NE(swapped, nullptr);
    out = run(swapped, 16, 1);
    EXPECT_EQ(get32(out, 4) & 0xFFFFFF, 0x0000F8u);
    EXPECT_EQ(get32(out, 8) & 0xFFFFFF, 0x00FC00u);
    EXPECT_EQ(choose_blitter(32, 0), to32);
    out = run(to32, 16, 1);
    EXPECT_EQ(get32(out, 4) & 0xFFFFFF, 0xF80000u);
}

TEST_F(BlitTest, PaletteEntryToEveryDepth) {
    GfxContext& c = open(2, 1, 8);
    c.device_palette[7] = 255 + 128 * 256 + 0 * 65536;  // red 255, green 128, blue 0
    c.visible_ptr[0] = 7;
    c.visible_ptr[1] = 0;
    c.device_palette[0] = 0;
    c.dirty[0] = 1;

    auto out = run(choose_blitter(15, 0), 4, 1);
    const std::uint16_t p15 = get16(out, 0);
    EXPECT_EQ((p15 >> 10) & 31, 31);
    EXPECT_EQ((p15 >> 5) & 31, 16);
    EXPECT_EQ(p15 & 31, 0);
    EXPECT_EQ(p15 >> 15, 0);
    EXPECT_EQ(get16(out, 2), 0);

    out = run(choose_blitter(15, 1), 4, 1);
    const std::uint16_t s15 = get16(out, 0);
    EXPECT_EQ(s15 & 31, 31);
    EXPECT_EQ((s15 >> 5) & 31, 16);
    EXPECT_EQ((s15 >> 10) & 31, 0);

    out = run(choose_blitter(16, 0), 4, 1);
    EXPECT_EQ(get16(out, 0), (31 << 11) | (32 << 5));
    out = run(choose_blitter(16, 1), 4, 1);
    EXPECT_EQ(get16(out, 0), (32 << 5) | 31);

    out = run(choose_blitter(24, 0), 6, 1);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 128);
    EXPECT_EQ(out[2], 255);
    out = run(choose_blitter(24, 1), 6, 1);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[1], 128);
    EXPECT_EQ(out[2], 0);

    out = run(choose_blitter(32, 0), 8, 1);
    EXPECT_EQ(get32(out, 0) & 0xFFFFFF, 0xFF8000u);
    out = run(choose_blitter(32, 1), 8, 1);
    EXPECT_EQ(get32(out, 0) & 0xFFFFFF, 0x0080FFu);

    // 8 bits: the indices themselves.
    out = run(choose_blitter(8, 0), 3, 1);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], SENTINEL);
}

TEST_F(BlitTest, UnsupportedPairsYieldNone) {
    open(8, 2, 32);
    EXPECT_EQ(choose_blitter(8, 0), nullptr);
    EXPECT_EQ(choose_blitter(12, 0), nullptr);
    EXPECT_NE(choose_blitter(24, 1), nullptr);
    open(8, 2, 16);
    EXPECT_EQ(choose_blitter(8, 0), nullptr);
    EXPECT_EQ(choose_blitter(0, 0), nullptr);
    open(8, 2, 8);
    EXPECT_EQ(choose_blitter(4, 0), nullptr);
    EXPECT_NE(choose_blitter(8, 1), nullptr);
    close_screen();
    EXPECT_EQ(choose_blitter(32, 0), nullptr);
}

TEST_F(BlitTest, DoubledScanlinesFollowTheirSourceRow) {
    ASSERT_EQ(screen_mode(8, 0, 0, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
    GfxContext& c = *current_context();
    ASSERT_EQ(c.scanline, 2);
    ASSERT_EQ(c.height, 200);
    std::memset(c.dirty, 0, static_cast<std::size_t>(c.height * c.scanline));
    c.device_palette[5] = 0x0000FF;  // red
    std::memset(c.visible_ptr + 3 * c.pitch, 5, static_cast<std::size_t>(c.pitch));
    c.dirty[3] = 1;

    const std::int32_t pitch = c.width * 4;
    auto out = run(choose_blitter(32, 0), pitch, 400);
    for (int row = 0; row < 400; ++row) {
        const std::size_t at = static_cast<std::size_t>(row * pitch);
        if (row == 6 || row == 7) {
            EXPECT_EQ(get32(out, at) & 0xFFFFFF, 0xFF0000u) << row;
            EXPECT_EQ(get32(out, at + static_cast<std::size_t>(pitch) - 4) & 0xFFFFFF, 0xFF0000u) << row;
        } else {
            EXPECT_EQ(out[at], SENTINEL) << row;
        }
    }
    EXPECT_EQ(c.dirty[3], 1);  // the caller clears the flags
}

TEST_F(BlitTest, TwentyFourBitRowsKeepByteOrderToTheLastPixel) {
    GfxContext& c = open(6, 1, 16);
    const std::uint16_t pixels[6] = {0xF800, 0x07E0, 0x001F, 0x8410, 0xFFFF, 0x0821};
    for (int x = 0; x < 6; ++x) put16(c, x, 0, pixels[x]);
    c.dirty[0] = 1;
    // blue, green, red per pixel for swap 0
    const std::uint8_t expected[18] = {0, 0, 248, 0, 252, 0, 248, 0, 0, 128, 128, 128, 248, 252, 248, 8, 4, 8};

    auto out = run(choose_blitter(24, 0), 19, 1);
    for (int i = 0; i < 18; ++i) EXPECT_EQ(out[i], expected[i]) << i;
    EXPECT_EQ(out[18], SENTINEL);

    out = run(choose_blitter(24, 1), 19, 1);
    for (int px = 0; px < 6; ++px) {
        EXPECT_EQ(out[px * 3 + 0], expected[px * 3 + 2]) << px;
        EXPECT_EQ(out[px * 3 + 1], expected[px * 3 + 1]) << px;
        EXPECT_EQ(out[px * 3 + 2], expected[px * 3 + 0]) << px;
    }
    EXPECT_EQ(out[18], SENTINEL);
}

TEST_F(BlitTest, SixteenBitNarrowingAndSwap) {
    GfxContext& c = open(3, 1, 16);
    put16(c, 0, 0, 0x07E0);  // green all ones
    put16(c, 1, 0, 0x0020);  // green lowest bit only
    put16(c, 2, 0, 0xF81F);  // red and blue
    c.dirty[0] = 1;
    auto out = run(choose_blitter(15, 0), 6, 1);
    EXPECT_EQ(get16(out, 0), 0x03E0);
    EXPECT_EQ(get16(out, 2), 0x0000);
    EXPECT_EQ(get16(out, 4), 0x7C1F);

    put16(c, 2, 0, 0xF800);
    out = run(choose_blitter(15, 1), 6, 1);
    EXPECT_EQ(get16(out, 4), 0x001F);
    out = run(choose_blitter(16, 1), 6, 1);
    EXPECT_EQ(get16(out, 0), 0x07E0);
    EXPECT_EQ(get16(out, 4), 0x001F);
    out = run(choose_blitter(16, 0), 6, 1);
    EXPECT_EQ(get16(out, 4), 0xF800);
}

TEST_F(BlitTest, ThirtyTwoBitConversions) {
    GfxContext& c = open(5, 1, 32);
    put32(c, 0, 0, 0x12FF8000);  // red 255, green 128, blue 0, junk top byte
    put32(c, 1, 0, 0x000000FF);  // blue
    for (int x = 2; x < 5; ++x) put32(c, x, 0, 0xFF0408FC);
    c.dirty[0] = 1;

    auto out = run(choose_blitter(32, 0), 20, 1);
    EXPECT_EQ(get32(out, 0), 0x12FF8000u);  // plain copy
    out = run(choose_blitter(32, 1), 20, 1);
    EXPECT_EQ(get32(out, 0) & 0xFFFFFF, 0x0080FFu);
    EXPECT_EQ(get32(out, 4) & 0xFFFFFF, 0xFF0000u);

    out = run(choose_blitter(16, 0), 10, 1);
    EXPECT_EQ(get16(out, 0), (31 << 11) | (32 << 5));
    EXPECT_EQ(get16(out, 2), 31);
    // 0x04, 0x08, 0xFC: components below 8 (or 4 for green) vanish.
    EXPECT_EQ(get16(out, 8), (0 << 11) | (2 << 5) | 31);
    out = run(choose_blitter(15, 1), 10, 1);
    EXPECT_EQ(get16(out, 0), (16 << 5) | 31);
    EXPECT_EQ(get16(out, 2), 31 << 10);

    out = run(choose_blitter(24, 0), 15, 1);
    const std::uint8_t expected[15] = {0, 128, 255, 255, 0, 0, 252, 8, 4, 252, 8, 4, 252, 8, 4};
    for (int i = 0; i < 15; ++i) EXPECT_EQ(out[i], expected[i]) << i;
}

TEST_F(BlitTest, MaskedCopyClearsTopByteOfDirtyRowsOnly) {
    GfxContext& c = open(2, 3, 32);
    for (int y = 0; y < 3; ++y) {
        put32(c, 0, y, 0xFF112233);
        put32(c, 1, y, 0x80445566);
    }
    c.dirty[0] = 1;
    c.dirty[2] = 1;
    auto out = run(blit_masked_32, 12, 3);
    EXPECT_EQ(get32(out, 0), 0x00112233u);
    EXPECT_EQ(get32(out, 4), 0x00445566u);
    EXPECT_EQ(out[8], SENTINEL);                                     // destination padding untouched
    for (int i = 12; i < 24; ++i) EXPECT_EQ(out[i], SENTINEL) << i;  // clean row
    EXPECT_EQ(get32(out, 24), 0x00112233u);
    EXPECT_EQ(c.dirty[0], 1);
    EXPECT_EQ(c.dirty[1], 0);
}

TEST_F(BlitTest, CleanRowsAreNeverWritten) {
    GfxContext& c = open(4, 4, 32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) put32(c, x, y, 0x00010203);
    c.dirty[1] = 1;
    for (int depth : {15, 16, 24, 32}) {
        for (int swap : {0, 1}) {
            auto out = run(choose_blitter(depth, swap), 16, 4);
            for (int row : {0, 2, 3}) {
                for (int i = 0; i < 16; ++i) {
                    ASSERT_EQ(out[static_cast<std::size_t>(row * 16 + i)], SENTINEL)
                        << depth << "/" << swap << " row " << row;
                }
            }
            EXPECT_NE(out[16], SENTINEL) << depth << "/" << swap;
        }
    }
}

}  // namespace
}  // namespace vz

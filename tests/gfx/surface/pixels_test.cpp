// Pixel routines, colour values, blending and coordinates.

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "gfx/context.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/surface/cpu_features.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pixels.h"
#include "tests/gfx/screen_support.h"

namespace vz::test {
namespace {

using PixelsTest = ScreenTest;

TEST(PixelValue, ConvertsColoursToThePixelSize) {
    EXPECT_EQ(to_pixel_value(2, 0xFF8040u), 0xFC08u);
    EXPECT_EQ(to_pixel_value(2, 0xFFFFFFFFu), 0xFFFFu);
    EXPECT_EQ(to_pixel_value(2, 0x000000u), 0u);
    EXPECT_EQ(to_pixel_value(2, 0x0000F8u), 0x1Fu);
    EXPECT_EQ(to_pixel_value(1, 0x1234u), 0x34u);
    EXPECT_EQ(to_pixel_value(4, 0x12345678u), 0x12345678u);
}

TEST(Blend, FollowsTheWrapAroundRule) {
    EXPECT_EQ(blend_pixel(0x80000000u, 0xFFFFFFFFu), 0x807F7F7Fu);
    // Alpha 0 keeps the colour channels and takes the source's alpha byte.
    EXPECT_EQ(blend_pixel(0x00FFFFFFu, 0xFF123456u), 0x00123456u);
    // Alpha 255 replaces a falling channel but lands one step short of a rise.
    EXPECT_EQ(blend_pixel(0xFFFFFFFFu, 0xFF000000u), 0xFFFEFEFEu);
    EXPECT_EQ(blend_pixel(0xFF000000u, 0xFFFFFFFFu), 0xFF000000u);
    EXPECT_EQ(blend_pixel(0x40204060u, 0x00808080u), 0x40687078u);
}

TEST_F(PixelsTest, OneBytePixels) {
    use_null_driver();
    ASSERT_EQ(screen_res(16, 4, 8, 0, 0, 0), 0);
    DrawState* s = get_draw_state();
    choose_draw_ops(s, 0xFF000000u);
    const PixelOps& ops = pixel_ops();
    s->put_pixel(s, 3, 2, 0x1AB);
    EXPECT_EQ(current_context()->pages[0][2 * 16 + 3], 0xAB);
    EXPECT_EQ(s->get_pixel(s, 3, 2), 0xABu);
    s->span_fill(s->lines[1] + 2, 0x77, 5);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(s->lines[1][x], x >= 2 && x < 7 ? 0x77 : 0) << x;
    ops.row_copy(s->lines[3], s->lines[1], 8);
    EXPECT_EQ(std::memcmp(s->lines[3], s->lines[1], 8), 0);
    EXPECT_EQ(s->lines[3][8], 0);
    EXPECT_EQ(ops.row_fill, ops.span_fill);
    EXPECT_EQ(ops.blend_put_pixel, ops.put_pixel);
}

TEST_F(PixelsTest, TwoBytePixels) {
    use_null_driver();
    ASSERT_EQ(screen_res(16, 4, 16, 0, 0, 0), 0);
    DrawState* s = get_draw_state();
    choose_draw_ops(s, 0x12345678u);
    s->put_pixel(s, 15, 3, 0x1BEEF);
    EXPECT_EQ(s->get_pixel(s, 15, 3), 0xBEEFu);
    s->span_fill(s->lines[0] + 2, 0xA5C3, 3);
    const std::uint8_t expected[10] = {0, 0, 0xC3, 0xA5, 0xC3, 0xA5, 0xC3, 0xA5, 0, 0};
    EXPECT_EQ(std::memcmp(s->lines[0], expected, sizeof expected), 0);
    pixel_ops().row_copy(s->lines[2], s->lines[0], 5);
    EXPECT_EQ(std::memcmp(s->lines[2], expected, sizeof expected), 0);
    EXPECT_EQ(s->put_pixel, pixel_ops().put_pixel);  // never blends at 16 bits
}

TEST_F(PixelsTest, FourBytePixelsAndEmptyRuns) {
    use_null_driver();
    ASSERT_EQ(screen_res(8, 4, 32, 0, 0, 0), 0);
    DrawState* s = get_draw_state();
    choose_draw_ops(s, 0xFF000000u);
    s->put_pixel(s, 7, 3, 0x80112233u);
    EXPECT_EQ(pixel32(current_context(), 0, 7, 3), 0x80112233u);
    EXPECT_EQ(s->get_pixel(s, 7, 3), 0x80112233u);
    s->span_fill(s->lines[1] + 4, 0xDEADBEEFu, 6);
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(pixel32(current_context(), 0, x, 1), x >= 1 && x < 7 ? 0xDEADBEEFu : 0xFF000000u) << x;
    }
    s->span_fill(s->lines[2], 0x12345678u, 0);
    s->span_fill(s->lines[2], 0x12345678u, -4);
    EXPECT_EQ(pixel32(current_context(), 0, 0, 2), 0xFF000000u);
    pixel_ops().row_copy(s->lines[0], s->lines[1], 8);
    EXPECT_EQ(std::memcmp(s->lines[0], s->lines[1], 32), 0);
}

// Runs of every length around the short/long boundary and a whole wide line,
// unaligned too, at 16 and 32 bits: exactly the run, nothing before or after it.
TEST_F(PixelsTest, RunsOfEveryLengthFillExactlyTheRun) {
    use_null_driver();
    constexpr int WIDTH = 1100;
    for (const int depth : {16, 32}) {
        ASSERT_EQ(screen_res(WIDTH, 2, depth, 0, 0, 0), 0);
        DrawState* s = get_draw_state();
        choose_draw_ops(s, 0xFF000000u);
        const int size = depth / 8;
        const std::uint32_t pixel = depth == 16 ? 0xA5C3u : 0xFF102030u;
        for (int start : {0, 1, 3}) {
            for (int count :
                 {1, 15, 16, 17, 31, 32, 33, 34, 63, 64, 65, 100, 127, 128, 129, 800, 1000, WIDTH - start}) {
                std::memset(s->lines[0], 0xAB, static_cast<std::size_t>(WIDTH) * size);
                s->span_fill(s->lines[0] + size * start, pixel, count);
                for (int x = 0; x < WIDTH; ++x) {
                    const bool inside = x >= start && x < start + count;
                    const std::uint32_t expected = inside ? pixel : (depth == 16 ? 0xABABu : 0xABABABABu);
                    ASSERT_EQ(s->get_pixel(s, x, 0), expected)
                        << "depth " << depth << " start " << start << " count " << count << " x " << x;
                }
            }
        }
    }
}

TEST_F(PixelsTest, BlendingIsChosenOnlyForTranslucentColoursOnBlendingScreens) {
    use_null_driver();
    ASSERT_EQ(screen_res(8, 2, 32, 0, SCREEN_BLEND_DRAWING, 0), 0);
    EXPECT_NE(current_context()->flags & CTX_BLENDING, 0u);
    DrawState* s = get_draw_state();
    choose_draw_ops(s, 0xFF123456u);
    EXPECT_EQ(s->put_pixel, pixel_ops().put_pixel);
    EXPECT_EQ(s->span_fill, pixel_ops().span_fill);

    choose_draw_ops(s, 0x80000000u);
    EXPECT_EQ(s->put_pixel, pixel_ops().blend_put_pixel);
    EXPECT_NE(s->put_pixel, pixel_ops().put_pixel);
    std::uint32_t white = 0xFFFFFFFFu;
    for (int x = 0; x < 8; ++x) std::memcpy(s->lines[0] + x * 4, &white, 4);
    s->put_pixel(s, 0, 0, 0x80000000u);
    EXPECT_EQ(pixel32(current_context(), 0, 0, 0), 0x807F7F7Fu);
    s->span_fill(s->lines[0] + 4, 0x80000000u, 3);
    for (int x = 1; x < 4; ++x) EXPECT_EQ(pixel32(current_context(), 0, x, 0), 0x807F7F7Fu) << x;
    EXPECT_EQ(pixel32(current_context(), 0, 4, 0), 0xFFFFFFFFu);

    // The same colour on a 16-bit screen with blending on stays plain.
    ASSERT_EQ(screen_res(8, 2, 16, 0, SCREEN_BLEND_DRAWING, 0), 0);
    s = get_draw_state();
    choose_draw_ops(s, 0x80000000u);
    EXPECT_EQ(s->put_pixel, pixel_ops().put_pixel);

    // Without the blending flag a translucent colour is stored as it is.
    ASSERT_EQ(screen_res(8, 2, 32, 0, 0, 0), 0);
    s = get_draw_state();
    choose_draw_ops(s, 0x80000000u);
    s->put_pixel(s, 0, 0, 0x80000000u);
    EXPECT_EQ(pixel32(current_context(), 0, 0, 0), 0x80000000u);
}

TEST_F(PixelsTest, TheProcessorFeatureIsRecordedInTheContext) {
    use_null_driver();
    ASSERT_EQ(screen_res(8, 2, 32, 0, 0, 0), 0);
    EXPECT_EQ((current_context()->flags & CTX_MMX) != 0, cpu_has_mmx());
#if defined(__x86_64__)
    EXPECT_TRUE(cpu_has_mmx());  // every x86-64 processor has it
#endif
}

TEST(Coordinates, ToScreenRoundsHalfAwayFromZeroAndAddsTheView) {
    DrawState s{};
    EXPECT_EQ(to_screen(&s, 2.5f, -2.5f).x, 3);
    EXPECT_EQ(to_screen(&s, 2.5f, -2.5f).y, -3);
    EXPECT_EQ(to_screen(&s, 0.49f, -0.49f).x, 0);
    EXPECT_EQ(to_screen(&s, 0.49f, -0.49f).y, 0);
    EXPECT_EQ(to_screen(&s, 0.49999997f, 1.5f).x, 0);  // no rounding up through a float sum
    EXPECT_EQ(to_screen(&s, 0.49999997f, 1.5f).y, 2);
    s.view_x = 10;
    s.view_y = 20;
    EXPECT_EQ(to_screen(&s, 2.5f, -2.5f).x, 13);
    EXPECT_EQ(to_screen(&s, 2.5f, -2.5f).y, 17);
    s.state_flags = DS_SCREEN_ABSOLUTE;
    EXPECT_EQ(to_screen(&s, 2.5f, -2.5f).x, 3);
    EXPECT_EQ(to_screen(&s, 2.5f, -2.5f).y, -3);
}

TEST(Coordinates, ToScreenKeepsHugeAndMissingValuesFarOffScreen) {
    DrawState s{};
    s.view_x = 1000;
    const float inf = std::numeric_limits<float>::infinity();
    const PixelPoint big = to_screen(&s, 3e30f, -inf);
    EXPECT_GT(big.x, 1 << 29);
    EXPECT_LT(big.y, -(1 << 29));
    const PixelPoint nan = to_screen(&s, std::nanf(""), 0.0f);
    EXPECT_LT(nan.x, -(1 << 29));
}

TEST(Coordinates, StepModesMoveFromTheLastPoint) {
    DrawState s{};
    s.last_x = 10.0f;
    s.last_y = 20.0f;
    float x = 1.0f, y = 1.0f;
    apply_step(&s, 2, &x, &y);
    EXPECT_EQ(x, 11.0f);
    EXPECT_EQ(y, 21.0f);
    x = 1.0f;
    y = 1.0f;
    apply_step(&s, 2, &x, &y);
    EXPECT_EQ(x, 12.0f);
    EXPECT_EQ(y, 22.0f);
    EXPECT_EQ(s.last_x, 12.0f);
    EXPECT_EQ(s.last_y, 22.0f);

    for (std::int32_t mode : {0, 4, 6, 7, 8}) {
        float a = 3.0f, b = 4.0f, c = 5.0f, d = 6.0f;
        apply_step(&s, mode, &a, &b, &c, &d);
        EXPECT_EQ(a, 3.0f) << mode;
        EXPECT_EQ(c, 5.0f) << mode;
        EXPECT_EQ(s.last_x, 5.0f) << mode;
        EXPECT_EQ(s.last_y, 6.0f) << mode;
    }

    float a = 1.0f, b = 2.0f, c = 10.0f, d = 20.0f;
    apply_step(&s, 1, &a, &b, &c, &d);  // second relative to first
    EXPECT_EQ(a, 1.0f);
    EXPECT_EQ(c, 11.0f);
    EXPECT_EQ(d, 22.0f);

    a = 1.0f, b = 1.0f, c = 2.0f, d = 2.0f;
    apply_step(&s, 3, &a, &b, &c, &d);  // both: last point is (11, 22)
    EXPECT_EQ(a, 12.0f);
    EXPECT_EQ(b, 23.0f);
    EXPECT_EQ(c, 14.0f);
    EXPECT_EQ(d, 25.0f);
    EXPECT_EQ(s.last_x, 14.0f);

    a = 1.0f, b = 1.0f, c = 0.0f, d = 0.0f;
    apply_step(&s, 5, &a, &b, &c, &d);  // 5 acts as 2
    EXPECT_EQ(a, 15.0f);
    EXPECT_EQ(c, 0.0f);
}

TEST(Coordinates, SortCorners) {
    std::int32_t x1 = 5, y1 = -1, x2 = -3, y2 = 7;
    sort_corners(&x1, &y1, &x2, &y2);
    EXPECT_EQ(x1, -3);
    EXPECT_EQ(x2, 5);
    EXPECT_EQ(y1, -1);
    EXPECT_EQ(y2, 7);
    x1 = 1, y1 = 9, x2 = 1, y2 = 2;
    sort_corners(&x1, &y1, &x2, &y2);
    EXPECT_EQ(y1, 2);
    EXPECT_EQ(y2, 9);
}

}  // namespace
}  // namespace vz::test

// Colours, palette resets and the emulated VGA palette and status ports.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/surface/draw_state.h"
#include "gfx/testing.h"
#include "gfx/text/packed_data.h"
#include "gfx/text/palette.h"
#include "gfx/text/text.h"
#include "tests/test_env.h"

namespace vz {
namespace {

// A driver that records what the palette code hands it.
struct PaletteCall {
    std::int32_t index, red, green, blue;
};
std::vector<PaletteCall> g_palette_calls;
int g_vsync_waits = 0;

const GfxDriver recording_driver = {
    .name = "Recorder",
    .init = [](const char*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t) -> std::int32_t {
        return 0;
    },
    .exit = []() -> std::int32_t { return 0; },
    .lock = []() {},
    .unlock = []() {},
    .set_palette =
        [](std::int32_t i, std::int32_t r, std::int32_t g, std::int32_t b) {
            g_palette_calls.push_back({i, r, g, b});
        },
    .wait_vsync = []() { ++g_vsync_waits; },
};
const GfxDriver* const recording_list[] = {&recording_driver};

// The default colour i of a descriptor as 0xBBGGRR.
std::uint32_t default_colour(std::int32_t colours, std::int32_t i) {
    const std::uint8_t* rgb = palette_desc_for(colours)->defaults + i * 3;
    return rgb[0] + rgb[1] * 256u + rgb[2] * 65536u;
}

class PaletteTest : public ::testing::Test {
protected:
    void TearDown() override {
        close_screen();
        set_driver_list_for_test({});
    }
    GfxContext* open_mode(std::int32_t mode) {
        EXPECT_EQ(screen_mode(mode, 0, 0, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
        return current_context();
    }
    GfxContext* open_recorded(std::int32_t mode) {
        const char* saved = std::getenv("VZGFX");
        std::string keep = saved != nullptr ? saved : "";
        test::unset_env("VZGFX");
        set_driver_list_for_test(recording_list);
        g_palette_calls.clear();
        g_vsync_waits = 0;
        EXPECT_EQ(screen_mode(mode, 0, 0, 0, 0), 0);
        if (saved != nullptr) test::set_env("VZGFX", keep.c_str());
        return current_context();
    }
};

TEST_F(PaletteTest, DataPortWritesSetEntriesFromSixBitComponents) {
    GfxContext* ctx = open_mode(13);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(port_out(968, 5), 0);
    EXPECT_EQ(port_out(969, 63), 0);
    EXPECT_EQ(port_out(969, 0), 0);
    EXPECT_EQ(ctx->device_palette[5], default_colour(256, 5));  // not yet: two of three
    EXPECT_EQ(port_out(969, 0), 0);
    EXPECT_EQ(ctx->device_palette[5], 0x0000FFu);
    // The index advances: the next three writes go to entry 6.
    port_out(969, 0);
    port_out(969, 32);
    port_out(969, 1);
    EXPECT_EQ(ctx->device_palette[6], 0u + 129u * 256u + 4u * 65536u);
    // Only the low 8 bits of the value and 6 bits of a component count.
    port_out(968, 0x107);
    port_out(969, 0xFF);
    port_out(969, 0x40);
    port_out(969, 0x41);
    EXPECT_EQ(ctx->device_palette[7], 0xFFu + 0u * 256u + 4u * 65536u);
}

TEST_F(PaletteTest, DataPortReadsGiveSixBitComponentsInTurn) {
    GfxContext* ctx = open_mode(13);
    ASSERT_NE(ctx, nullptr);
    port_out(968, 5);
    port_out(969, 63);
    port_out(969, 0);
    port_out(969, 0);
    port_out(967, 5);
    EXPECT_EQ(port_in(969), 63);
    EXPECT_EQ(port_in(969), 0);
    EXPECT_EQ(port_in(969), 0);
    // Then entry 6, the default brown (42, 21, 0).
    EXPECT_EQ(port_in(969), 42);
    EXPECT_EQ(port_in(969), 21);
    // Writing an index resets the component position for reads as well.
    port_out(967, 1);
    EXPECT_EQ(port_in(969), 0);
    EXPECT_EQ(port_in(969), 0);
    EXPECT_EQ(port_in(969), 42);
    // Reading wraps from the last entry to the first.
    port_out(967, 255);
    port_in(969);
    port_in(969);
    port_in(969);
    EXPECT_EQ(port_in(969), 0);
    EXPECT_EQ(port_in(0x10000 + 969), 0);  // only the low 16 bits name the port
    EXPECT_EQ(port_in(970), -1);
    EXPECT_EQ(port_out(970, 1), -1);
}

TEST_F(PaletteTest, InputStatusReadsTheRetraceBitAndWaitsForTheDriver) {
    open_mode(13);
    EXPECT_EQ(port_in(986), 8);
    ASSERT_NE(open_recorded(13), nullptr);
    EXPECT_EQ(port_in(986), 8);
    EXPECT_EQ(g_vsync_waits, 1);
    close_screen();
    EXPECT_EQ(port_in(986), -1);
    EXPECT_EQ(port_out(968, 1), -1);
}

TEST_F(PaletteTest, ResetSendsEveryDefaultToTheDriver) {
    GfxContext* ctx = open_recorded(13);
    ASSERT_NE(ctx, nullptr);
    ASSERT_GE(g_palette_calls.size(), 256u);
    g_palette_calls.clear();
    change_palette(-1, 0, 0, 0);
    ASSERT_EQ(g_palette_calls.size(), 256u);
    EXPECT_EQ(g_palette_calls[40].index, 40);
    EXPECT_EQ(g_palette_calls[40].red, 255);
    EXPECT_EQ(g_palette_calls[40].green, 0);
    EXPECT_EQ(ctx->device_palette[40], 0x0000FFu);
    for (int y = 0; y < ctx->height; ++y) ASSERT_EQ(ctx->dirty[y], 1);
}

TEST_F(PaletteTest, NonVgaPortWriteRecoloursTheIndicesShowingThatAttribute) {
    GfxContext* ctx = open_recorded(9);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(ctx->attribute_map[6], 20);
    EXPECT_EQ(ctx->device_palette[6], default_colour(64, 20));
    g_palette_calls.clear();
    port_out(968, 20);
    port_out(969, 63);
    port_out(969, 63);
    port_out(969, 63);
    EXPECT_EQ(ctx->colour_map[20], 0xFCFCFCu);
    EXPECT_EQ(ctx->device_palette[6], 0xFCFCFCu);
    EXPECT_EQ(ctx->device_palette[5], default_colour(64, 5));
    ASSERT_EQ(g_palette_calls.size(), 1u);
    EXPECT_EQ(g_palette_calls[0].index, 6);
    EXPECT_EQ(g_palette_calls[0].red, 0xFC);
    // The index is masked to the 64 colours and wraps.
    port_out(968, 0xFF);
    port_out(969, 1);
    port_out(969, 2);
    port_out(969, 3);
    EXPECT_EQ(ctx->colour_map[63], (1u << 2) | (2u << 10) | (3u << 18));
    port_out(969, 10);
    port_out(969, 10);
    port_out(969, 10);
    EXPECT_EQ(ctx->colour_map[0], (10u << 2) | (10u << 10) | (10u << 18));
}

TEST_F(PaletteTest, DataPortRecoloursTheSameIndexInModesWithoutAMap) {
    // Modes 10 and 11 have two colours and no default map: after the reset
    // index i shows attribute i, so a port write to attribute 1 changes index
    // 1 only, and one to attribute 0 leaves index 1 alone.
    for (const std::int32_t mode : {10, 11}) {
        SCOPED_TRACE(mode);
        GfxContext* ctx = open_recorded(mode);
        ASSERT_NE(ctx, nullptr);
        EXPECT_EQ(ctx->attribute_map[0], 0);
        EXPECT_EQ(ctx->attribute_map[1], 1);
        const std::uint32_t background = ctx->device_palette[0];
        g_palette_calls.clear();
        port_out(968, 1);
        port_out(969, 63);
        port_out(969, 0);
        port_out(969, 0);
        EXPECT_EQ(ctx->device_palette[1], 0xFCu);
        EXPECT_EQ(ctx->device_palette[0], background);
        ASSERT_EQ(g_palette_calls.size(), 1u);
        EXPECT_EQ(g_palette_calls[0].index, 1);
        EXPECT_EQ(g_palette_calls[0].red, 0xFC);

        port_out(968, 0);
        port_out(969, 0);
        port_out(969, 63);
        port_out(969, 0);
        EXPECT_EQ(ctx->device_palette[0], 0xFC00u);
        EXPECT_EQ(ctx->device_palette[1], 0xFCu);
        close_screen();
    }
}

TEST_F(PaletteTest, SetColorByMode) {
    // Mode 9: the foreground is an attribute, the background is entry 0.
    GfxContext* ctx = open_mode(9);
    ASSERT_NE(ctx, nullptr);
    const DrawState* state = get_draw_state();
    const std::uint32_t bg_before = state->bg_colour;
    set_color(12, 1, 0);
    EXPECT_EQ(state->fg_colour, 12u);
    EXPECT_EQ(state->bg_colour, bg_before);
    EXPECT_EQ(ctx->attribute_map[0], 1);
    EXPECT_EQ(ctx->device_palette[0], default_colour(64, 1));
    EXPECT_EQ(ctx->device_palette[0], 0xAA0000u);

    // Mode 13: both colours are palette indices; the previous pair comes back.
    ctx = open_mode(13);
    state = get_draw_state();
    EXPECT_EQ(set_color(12, 1, 0), 15u);
    EXPECT_EQ(state->fg_colour, 12u);
    EXPECT_EQ(state->bg_colour, 1u);
    EXPECT_EQ(set_color(0x1234, 0, 2), 1u * 65536u + 12u);
    EXPECT_EQ(state->fg_colour, 0x34u);
    EXPECT_EQ(state->bg_colour, 1u);

    // 16 bits: 0xRRGGBB packed to 5-6-5; flags 2 keeps the background.
    ASSERT_EQ(screen_res(64, 64, 16, 1, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
    state = get_draw_state();
    const std::uint32_t bg16 = state->bg_colour;
    EXPECT_EQ(set_color(0xFF8040, 0x00FF00, 2), 0xFFFFFFFFu);
    EXPECT_EQ(state->fg_colour, 0xFC08u);
    EXPECT_EQ(state->bg_colour, bg16);
    EXPECT_EQ(set_color(0, 0, 3), 0xFFFF8242u);
}

TEST_F(PaletteTest, ModeOneColourSets) {
    GfxContext* ctx = open_mode(1);
    ASSERT_NE(ctx, nullptr);
    const std::uint8_t start[4] = {0, 11, 13, 15};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ctx->attribute_map[i], start[i]);
    change_palette(-2, 0, 0, 0);
    const std::uint8_t set2[4] = {0, 10, 12, 14};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ctx->attribute_map[i], set2[i]);
        EXPECT_EQ(ctx->device_palette[i], default_colour(16, set2[i]));
    }
    EXPECT_EQ(ctx->device_palette[1], 0x55FF55u);
    change_palette(INT32_MIN, 0, 0, 0);
    EXPECT_EQ(ctx->attribute_map[3], 6);
    // set_color: background 1 picks {0, 3, 5, 7}; the foreground is entry 0.
    set_color(4, 1, 0);
    EXPECT_EQ(ctx->attribute_map[1], 3);
    EXPECT_EQ(ctx->attribute_map[0], 4);
    EXPECT_EQ(ctx->device_palette[0], default_colour(16, 4));
}

TEST_F(PaletteTest, PaletteFromListSkipsNegativeEntries) {
    GfxContext* ctx = open_mode(13);
    ASSERT_NE(ctx, nullptr);
    std::vector<std::int32_t> list(256, -1);
    list[3] = 63 + (32 << 8);
    list[255] = 63 << 16;
    palette_from_list(list.data());
    EXPECT_EQ(ctx->device_palette[3], 255u + 129u * 256u);
    EXPECT_EQ(ctx->device_palette[255], 255u * 65536u);
    EXPECT_EQ(ctx->device_palette[4], default_colour(256, 4));
}

TEST_F(PaletteTest, TrueColourScreensHaveNoPalette) {
    ASSERT_EQ(screen_res(800, 600, 32, 1, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
    GfxContext* ctx = current_context();
    const std::vector<std::uint32_t> before(ctx->device_palette, ctx->device_palette + 256);
    EXPECT_EQ(port_out(968, 5), -1);
    EXPECT_EQ(port_out(969, 63), -1);
    EXPECT_EQ(port_in(969), -1);
    EXPECT_EQ(port_in(986), 8);
    change_palette(1, 255, 0, 0);
    change_palette(-1, 0, 0, 0);
    std::vector<std::int32_t> list(256, 63);
    palette_from_list(list.data());
    EXPECT_EQ(std::vector<std::uint32_t>(ctx->device_palette, ctx->device_palette + 256), before);
    EXPECT_EQ(set_color(0x123456, 0x654321, 0), 0xFFFFFFFFu);
    EXPECT_EQ(get_draw_state()->fg_colour, 0x123456u);
    EXPECT_EQ(get_draw_state()->bg_colour, 0x654321u);
}

}  // namespace
}  // namespace vz

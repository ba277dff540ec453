// Screen set-up: the context fields, depths, refused modes and sizes, memory
// that cannot be had, the title, the palette entries and closing.

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "gfx/context.h"
#include "gfx/drivers/blit.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/screen_failure.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/draw_state_serial.h"
#include "gfx/surface/pages.h"
#include "gfx/testing.h"
#include "gfx/text/packed_data.h"
#include "gfx/text/palette.h"
#include "rt/console.h"
#include "rt/console_hooks.h"
#include "rt/error.h"
#include "tests/gfx/screen_support.h"
#include "tests/support/counting_allocator.h"

namespace vz::test {
namespace {

int filled_hook_count() {
    void (*slots[CONSOLE_HOOK_COUNT])();
    std::memcpy(slots, &console_hooks(), sizeof slots);
    int filled = 0;
    for (auto* slot : slots) filled += slot != nullptr ? 1 : 0;
    return filled;
}

using ContextTest = ScreenTest;

TEST_F(ContextTest, AnOpenedResolutionScreenHasItsExpectedShape) {
    use_null_driver();
    ASSERT_EQ(screen_res(800, 600, 32, 0, 0, 0), 0);
    EXPECT_EQ(get_last_error(), 0);
    const GfxContext* c = current_context();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->mode, -1);
    EXPECT_EQ(c->width, 800);
    EXPECT_EQ(c->height, 600);
    EXPECT_EQ(c->depth, 32);
    EXPECT_EQ(c->bpp, 4);
    EXPECT_EQ(c->pitch, 3200);
    EXPECT_EQ(c->page_count, 1);
    EXPECT_EQ(c->visible_page, 0);
    EXPECT_EQ(c->visible_ptr, c->pages[0]);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(c->pages[0]) % 16, 0u);
    EXPECT_EQ(c->text_cols, 100);
    EXPECT_EQ(c->text_rows, 75);
    EXPECT_EQ(c->aspect, 1.0f);
    EXPECT_EQ(c->scanline, 1);
    EXPECT_EQ(c->colour_mask, 0xFFFFFFFFu);
    EXPECT_EQ(c->driver, &null_driver);
    EXPECT_EQ(c->lock_count, 0);
    EXPECT_EQ(c->font, font_8x8());
    EXPECT_EQ(c->palette_desc, palette_desc_for(256));
    int wrong = 0;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) wrong += pixel32(c, 0, x, y) != 0xFF000000u ? 1 : 0;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(filled_hook_count(), CONSOLE_HOOK_COUNT);
    EXPECT_NE(blitter_table(), nullptr);
}

TEST_F(ContextTest, DepthsFollowTheModeAndAreNormalised) {
    use_null_driver();
    ASSERT_EQ(screen_mode(13, 32, 0, 0, 0), 0);
    EXPECT_EQ(current_context()->depth, 8);
    EXPECT_EQ(current_context()->bpp, 1);
    EXPECT_EQ(current_context()->colour_mask, 0xFFu);
    EXPECT_NEAR(current_context()->aspect, 0.8333f, 1e-4f);

    ASSERT_EQ(screen_mode(14, 32, 0, 0, 0), 0);
    EXPECT_EQ(current_context()->depth, 32);
    EXPECT_EQ(current_context()->pitch, 320 * 4);

    ASSERT_EQ(screen_mode(14, 15, 0, 0, 0), 0);
    EXPECT_EQ(current_context()->depth, 16);
    ASSERT_EQ(screen_mode(14, 7, 0, 0, 0), 0);  // not selectable: the table's 8
    EXPECT_EQ(current_context()->depth, 8);

    ASSERT_EQ(screen_res(64, 32, 24, 0, 0, 0), 0);
    EXPECT_EQ(current_context()->depth, 32);
    EXPECT_EQ(current_context()->bpp, 4);
    ASSERT_EQ(screen_res(64, 32, 15, 0, 0, 0), 0);
    EXPECT_EQ(current_context()->depth, 16);
    EXPECT_EQ(current_context()->bpp, 2);
    EXPECT_EQ(current_context()->colour_mask, 0xFFFFu);
    EXPECT_EQ(current_context()->pitch, 128);
    ASSERT_EQ(screen_res(64, 32, 4, 0, 0, 0), 0);
    EXPECT_EQ(current_context()->colour_mask, 15u);
    EXPECT_EQ(current_context()->bpp, 1);
    ASSERT_EQ(screen_res(64, 32, 1, 0, 0, 0), 0);
    EXPECT_EQ(current_context()->colour_mask, 1u);
}

TEST_F(ContextTest, NumberedModesTakeTheirTableEntry) {
    use_null_driver();
    ASSERT_EQ(screen_mode(9, 0, 0, 0, 0), 0);
    const GfxContext* c = current_context();
    EXPECT_EQ(c->mode, 9);
    EXPECT_EQ(c->width, 640);
    EXPECT_EQ(c->height, 350);
    EXPECT_EQ(c->depth, 4);
    EXPECT_EQ(c->page_count, 2);
    EXPECT_EQ(c->font, font_8x14());
    EXPECT_EQ(c->palette_desc, palette_desc_for(64));
    EXPECT_EQ(c->text_cols, 80);
    EXPECT_EQ(c->text_rows, 25);

    ASSERT_EQ(screen_mode(2, 0, 3, 0, 0), 0);  // an explicit page count wins
    EXPECT_EQ(current_context()->page_count, 3);
    EXPECT_EQ(current_context()->scanline, 2);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(reinterpret_cast<std::uintptr_t>(current_context()->pages[p]) % 16, 0u);

    ASSERT_EQ(screen_mode(21, 0, 0, 0, 0), 0);
    EXPECT_EQ(current_context()->text_cols, 160);
    EXPECT_EQ(current_context()->text_rows, 64);
    EXPECT_EQ(current_context()->font, font_8x16());
}

TEST_F(ContextTest, ModesThatDoNotExistAreRefusedAndLeaveTheScreen) {
    use_null_driver();
    ASSERT_EQ(screen_mode(13, 0, 0, 0, 0), 0);
    const std::int32_t id = current_context()->id;
    for (std::int32_t mode : {3, 4, 5, 6, 22, -1, 1000}) {
        set_last_error(0);
        EXPECT_EQ(screen_mode(mode, 0, 0, 0, 0), 1) << mode;
        EXPECT_EQ(get_last_error(), 1) << mode;
        ASSERT_NE(current_context(), nullptr);
        EXPECT_EQ(current_context()->id, id);
    }
}

TEST_F(ContextTest, BadResolutionsAreRefusedAndLeaveTheScreen) {
    use_null_driver();
    ASSERT_EQ(screen_res(32, 32, 8, 0, 0, 0), 0);
    const std::int32_t id = current_context()->id;
    struct Case {
        std::int32_t w, h, depth;
    };
    // Sizes beyond the mode description's 16 bits are bad sizes too.
    for (Case k : {Case{0, 10, 8}, Case{10, 0, 8}, Case{-5, 10, 8}, Case{10, 10, 3}, Case{10, 10, 0}, Case{10, 10, 64},
                   Case{100000, 100000, 32}, Case{65536, 8, 32}, Case{8, 65536, 32}, Case{0x7FFFFFFF, 8, 8}}) {
        set_last_error(0);
        EXPECT_EQ(screen_res(k.w, k.h, k.depth, 0, 0, 0), 1) << k.w << "x" << k.h << "x" << k.depth;
        EXPECT_EQ(get_last_error(), 1);
        ASSERT_NE(current_context(), nullptr);
        EXPECT_EQ(current_context()->id, id);
        EXPECT_EQ(current_context()->width, 32);
        EXPECT_EQ(filled_hook_count(), CONSOLE_HOOK_COUNT);
    }
}

TEST_F(ContextTest, EachRefusedSetUpSaysWhyAndASuccessClearsIt) {
    use_null_driver();
    struct Case {
        std::int32_t w, h, depth, pages;
        const char* why;
    };
    for (Case k : {Case{0, 10, 8, 0, "bad size"}, Case{10, -1, 8, 0, "bad size"},
                   Case{65536, 8, 32, 0, "size too large"}, Case{10, 10, 3, 0, "depth not offered"},
                   Case{65535, 65535, 32, 0, "size too large"}, Case{320, 200, 8, 100000, "size too large"}}) {
        ASSERT_EQ(screen_res(16, 16, 8, 0, 0, 0), 0);
        EXPECT_STREQ(screen_failure_text(), "");
        EXPECT_EQ(screen_res(k.w, k.h, k.depth, k.pages, 0, 0), 1);
        EXPECT_STREQ(screen_failure_text(), k.why) << k.w << "x" << k.h << "x" << k.depth;
    }
    EXPECT_EQ(screen_mode(3, 0, 0, 0, 0), 1);
    EXPECT_STREQ(screen_failure_text(), "no such mode");
    EXPECT_EQ(screen_mode(-1, 0, 0, 0, 0), 1);
    EXPECT_STREQ(screen_failure_text(), "no such mode");
    // Closing at exit keeps the reason; closing by mode 0 is a set-up that succeeds.
    close_screen();
    EXPECT_STREQ(screen_failure_text(), "no such mode");
    EXPECT_EQ(screen_mode(0, 0, 0, 0, 0), 0);
    EXPECT_STREQ(screen_failure_text(), "");
}

TEST_F(ContextTest, ScreensTooLargeToHoldAreRefusedWithNoScreenLeft) {
    use_null_driver();
    // 65535 x 65535 x 4 bytes overflows 32 bits and exceeds the page limit.
    EXPECT_EQ(screen_res(65535, 65535, 32, 0, 0, 0), 1);
    EXPECT_EQ(get_last_error(), 1);
    EXPECT_EQ(current_context(), nullptr);
    EXPECT_EQ(filled_hook_count(), 0);

    // A mode that fits, with more pages than memory allows.
    EXPECT_EQ(screen_mode(13, 0, 100000, 0, 0), 1);
    EXPECT_EQ(current_context(), nullptr);
    EXPECT_EQ(filled_hook_count(), 0);

    // Just inside the limit in pages still opens.
    ASSERT_EQ(screen_res(16, 16, 8, 64, 0, 0), 0);
    EXPECT_EQ(current_context()->page_count, 64);
}

TEST_F(ContextTest, EveryFailedAllocationLeavesNoScreen) {
    use_null_driver();
    CountingAllocator allocator;
    int refused = 0;
    for (int nth = 1; nth < 100; ++nth) {
        allocator.refuse(nth);
        const std::int32_t result = screen_res(40, 24, 32, 3, 0, 0);
        if (result == 0) {
            // The count ran past the last allocation of a set-up.
            EXPECT_EQ(allocator.allocations(), nth - 1);
            break;
        }
        ++refused;
        EXPECT_EQ(result, 1) << nth;
        EXPECT_EQ(get_last_error(), ERR_ILLEGAL_CALL) << nth;
        // Set-up stops at the refused allocation and gives back every block.
        EXPECT_EQ(allocator.allocations(), nth) << nth;
        EXPECT_EQ(allocator.live(), 0) << nth;
        EXPECT_EQ(current_context(), nullptr) << nth;
        EXPECT_EQ(filled_hook_count(), 0) << nth;
        EXPECT_EQ(blitter_table(), nullptr) << nth;
        EXPECT_STREQ(screen_failure_text(), "out of memory") << nth;
    }
    // context, page array, 3 pages, dirty flags, two palettes, attribute map,
    // key state, event ring, its lock and the blitter table; then, with the
    // driver running, the text-cell array and the 3 pages' cell buffers.
    EXPECT_EQ(refused, 17);
    ASSERT_NE(current_context(), nullptr);
    EXPECT_EQ(current_context()->page_count, 3);
    EXPECT_EQ(allocator.live(), 17);
    close_screen();
    EXPECT_EQ(allocator.live(), 0);
}

TEST_F(ContextTest, WideScreensKeepAGridOfWidthOverEight) {
    use_null_driver();
    ASSERT_EQ(screen_res(4096, 16, 8, 0, 0, 0), 0);
    EXPECT_EQ(current_context()->text_cols, 512);
    EXPECT_EQ(current_context()->text_rows, 2);
}

TEST_F(ContextTest, ANewScreenHasANewIdAndRebuildsTheDrawingState) {
    use_null_driver();
    ASSERT_EQ(screen_mode(7, 0, 0, 0, 0), 0);  // 8 pages
    const std::int32_t first_id = current_context()->id;
    DrawState* state = get_draw_state();
    EXPECT_EQ(state->screen_id, first_id);
    page_set(3, -1);
    state->view_x = 5;
    state->view_w = 10;
    drawing_state_changed();
    EXPECT_EQ(state->work_page, 3);

    ASSERT_EQ(screen_mode(13, 0, 0, 0, 0), 0);
    EXPECT_EQ(current_context()->id, first_id + 1);
    state = get_draw_state();
    EXPECT_EQ(state->screen_id, first_id + 1);
    EXPECT_EQ(state->work_page, 0);
    EXPECT_EQ(state->view_x, 0);
    EXPECT_EQ(state->view_w, 320);
    EXPECT_EQ(state->view_h, 200);
    EXPECT_EQ(state->lines[0], current_context()->pages[0]);
    EXPECT_EQ(state->fg_colour, 15u);
    EXPECT_EQ(state->bg_colour, 0u);
}

TEST_F(ContextTest, ClosingNullsTheHooksAndTheContext) {
    use_null_driver();
    ASSERT_EQ(screen_res(16, 16, 32, 0, 0, 0), 0);
    EXPECT_EQ(filled_hook_count(), CONSOLE_HOOK_COUNT);
    close_screen();
    EXPECT_EQ(current_context(), nullptr);
    EXPECT_EQ(filled_hook_count(), 0);
    EXPECT_EQ(blitter_table(), nullptr);
    close_screen();  // nothing open: nothing happens
    EXPECT_EQ(current_context(), nullptr);
}

TEST_F(ContextTest, ModeZeroClosesAndModePagesSelectsPages) {
    use_null_driver();
    ASSERT_EQ(screen_mode_pages(7, 1, 2), 0);  // previous pages were 0 and 0
    EXPECT_EQ(get_draw_state()->work_page, 1);
    EXPECT_EQ(current_context()->visible_page, 2);
    ASSERT_EQ(screen_mode_pages(7, -1, -1), 0);  // both negative: no selection
    EXPECT_EQ(current_context()->visible_page, 0);
    ASSERT_EQ(screen_mode_pages(7, 3, -1), 0);
    EXPECT_EQ(get_draw_state()->work_page, 3);
    EXPECT_EQ(current_context()->visible_page, 0);
    EXPECT_EQ(screen_mode_pages(4, 0, 0), 1);

    EXPECT_EQ(screen_mode(0, 0, 0, 0, 0), 0);
    EXPECT_EQ(current_context(), nullptr);
    EXPECT_EQ(filled_hook_count(), 0);
}

TEST_F(ContextTest, OpeningResetsTheTextWindowToTheWholeGrid) {
    use_null_driver();
    ASSERT_EQ(screen_res(800, 600, 32, 0, 0, 0), 0);
    EXPECT_EQ(text_window_top(), 0);
    EXPECT_EQ(text_window_bottom(), 74);
    ASSERT_EQ(screen_mode(12, 0, 0, 0, 0), 0);
    EXPECT_EQ(text_window_bottom(), 29);
}

TEST_F(ContextTest, PagesOfPaletteScreensStartAtZero) {
    use_null_driver();
    ASSERT_EQ(screen_mode(7, 0, 0, 0, 0), 0);
    const GfxContext* c = current_context();
    int wrong = 0;
    for (int p = 0; p < c->page_count; ++p) {
        for (int i = 0; i < c->pitch * c->height; ++i) wrong += c->pages[p][i] != 0 ? 1 : 0;
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(ContextTest, TitleDefaultsToTheProgramNameAndIsCutAt127) {
    EXPECT_STREQ(screen_title(), "test-gfx");
    use_fake_drivers();
    ASSERT_EQ(screen_res(16, 16, 32, 0, 0, 0), 0);
    ASSERT_FALSE(fake_log().calls.empty());
    EXPECT_EQ(fake_log().calls[0].title, "test-gfx");

    const std::string long_title(200, 'x');
    set_screen_title(long_title.c_str());
    EXPECT_EQ(std::string(screen_title()), std::string(127, 'x'));
    ASSERT_EQ(fake_log().titles.size(), 1u);
    EXPECT_EQ(fake_log().titles[0], std::string(127, 'x'));

    set_screen_title("Particles");
    use_fake_drivers();
    ASSERT_EQ(screen_res(16, 16, 32, 0, 0, 0), 0);
    EXPECT_EQ(fake_log().calls.back().title, "Particles");
}

// A driver's update thread reads the title buffer, under the driver lock,
// when it (re)creates its window; a new title never shows half written.
TEST_F(ContextTest, ATitleChangeIsNeverSeenHalfWrittenUnderTheDriverLock) {
    use_fake_drivers();
    ASSERT_EQ(screen_res(16, 16, 32, 0, 0, 0), 0);
    const std::string first(100, 'a');
    const std::string second(60, 'b');
    set_screen_title(first.c_str());
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::atomic<int> torn{0};
    std::thread window_thread([&] {
        while (!stop.load()) {
            std::lock_guard<std::mutex> guard(fake_driver_mutex());
            const std::string seen = screen_title();
            if (seen != first && seen != second) ++torn;
            ++reads;
        }
    });
    for (int i = 0; i < 4000 || reads.load() < 100; ++i) {
        set_screen_title(i % 2 == 0 ? second.c_str() : first.c_str());
        if (i > 1000000) break;
    }
    stop = true;
    window_thread.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GE(reads.load(), 100);
    EXPECT_EQ(current_context()->lock_count, 0);
}

TEST_F(ContextTest, PaletteEntriesOf256ColourScreensWidenSixBitComponents) {
    use_fake_drivers();
    ASSERT_EQ(screen_mode(13, 0, 0, 0, 0), 0);
    fake_log().palette.clear();
    set_palette_entry(256 + 5, 63u | (32u << 8) | (1u << 16));  // index wraps to 5
    EXPECT_EQ(current_context()->device_palette[5], 255u + 129u * 256u + 4u * 65536u);
    EXPECT_EQ(fake_log().palette, (std::vector<std::int32_t>{5, 255, 129, 4}));
}

TEST_F(ContextTest, PaletteEntriesOfAttributeScreensComeFromTheColourMap) {
    use_fake_drivers();
    ASSERT_EQ(screen_mode(7, 0, 0, 0, 0), 0);  // 16 colours
    GfxContext* c = current_context();
    c->colour_map[9] = 0x00302010u;
    fake_log().palette.clear();
    set_palette_entry(3, 0x29);  // attribute 0x29 & 15 = 9
    EXPECT_EQ(c->attribute_map[3], 9u);
    EXPECT_EQ(c->device_palette[3], 0x00302010u);
    EXPECT_EQ(fake_log().palette, (std::vector<std::int32_t>{3, 0x10, 0x20, 0x30}));
}

TEST_F(ContextTest, ResendPaletteHandsAll256EntriesInOrder) {
    use_fake_drivers();
    ASSERT_EQ(screen_mode(13, 0, 0, 0, 0), 0);
    for (int i = 0; i < 256; ++i) current_context()->device_palette[i] = static_cast<std::uint32_t>(i * 0x010203);
    fake_log().palette.clear();
    resend_palette();
    ASSERT_EQ(fake_log().palette.size(), 256u * 4u);
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t e = static_cast<std::uint32_t>(i * 0x010203);
        EXPECT_EQ(fake_log().palette[static_cast<std::size_t>(i) * 4], i);
        EXPECT_EQ(fake_log().palette[static_cast<std::size_t>(i) * 4 + 1], static_cast<std::int32_t>(e & 0xFF));
        EXPECT_EQ(fake_log().palette[static_cast<std::size_t>(i) * 4 + 2], static_cast<std::int32_t>((e >> 8) & 0xFF));
        EXPECT_EQ(fake_log().palette[static_cast<std::size_t>(i) * 4 + 3], static_cast<std::int32_t>((e >> 16) & 0xFF));
    }
}

}  // namespace
}  // namespace vz::test

// Drawing targets, work and visible pages, page copy and the nesting lock.

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "gfx/context.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/draw_state_serial.h"
#include "gfx/surface/pages.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock.h"
#include "gfx/testing.h"
#include "rt/error.h"
#include "tests/gfx/screen_support.h"

namespace vz::test {
namespace {

class PagesTest : public ScreenTest {
protected:
    // A 32-bit screen of `pages` pages on the fake drivers.
    GfxContext* open(std::int32_t pages, std::int32_t width = 32, std::int32_t height = 24) {
        use_fake_drivers();
        EXPECT_EQ(screen_res(width, height, 32, pages, 0, 0), 0);
        GfxContext* c = current_context();
        clear_dirty();
        fake_log().lock_calls = fake_log().unlock_calls = 0;
        return c;
    }
    static void clear_dirty() {
        GfxContext* c = current_context();
        std::memset(c->dirty, 0, static_cast<std::size_t>(c->height * c->scanline));
    }
    static int dirty_count() {
        const GfxContext* c = current_context();
        int n = 0;
        for (int y = 0; y < c->height; ++y) n += c->dirty[y] != 0 ? 1 : 0;
        return n;
    }
    static void fill_page(int page, std::uint32_t value) {
        GfxContext* c = current_context();
        for (int i = 0; i < c->width * c->height; ++i) std::memcpy(c->pages[page] + i * 4, &value, 4);
    }
};

TEST_F(PagesTest, NoScreenRefusesEveryPageOperation) {
    EXPECT_EQ(page_set(0, 0), -1);
    EXPECT_EQ(page_copy(0, 1), 1);
    EXPECT_EQ(get_last_error(), 1);
    EXPECT_EQ(screen_ptr(), nullptr);
    screen_lock();
    screen_unlock(-1, -1);
    EXPECT_EQ(fake_log().lock_calls, 0);
}

TEST_F(PagesTest, PageSetReportsPreviousPagesAndSelects) {
    GfxContext* c = open(2);
    DrawState* state = get_draw_state();
    EXPECT_EQ(page_set(1, 1), 0);  // previously 0 and 0
    EXPECT_EQ(state->work_page, 1);
    EXPECT_EQ(c->visible_page, 1);
    EXPECT_EQ(c->visible_ptr, c->pages[1]);
    EXPECT_EQ(state->lines[0], c->pages[1]);
    EXPECT_EQ(state->lines[5], c->pages[1] + 5 * c->pitch);
    EXPECT_EQ(dirty_count(), c->height);  // a new visible page is presented whole
    EXPECT_EQ(fake_log().lock_calls, 1);
    EXPECT_EQ(fake_log().unlock_calls, 1);
    EXPECT_EQ(c->lock_count, 0);

    EXPECT_EQ(page_set(-1, -1), 0x101);  // both negative: page 0 for both
    EXPECT_EQ(state->work_page, 0);
    EXPECT_EQ(c->visible_page, 0);
    EXPECT_EQ(screen_ptr(), c->pages[0]);
}

TEST_F(PagesTest, PageSetIgnoresMissingPagesAndUnchangedVisiblePage) {
    GfxContext* c = open(1);
    DrawState* state = get_draw_state();
    EXPECT_EQ(page_set(0, 1), 0);
    EXPECT_EQ(state->work_page, 0);
    EXPECT_EQ(c->visible_page, 0);
    EXPECT_EQ(dirty_count(), 0);
    EXPECT_EQ(page_set(5, -3), 0);
    EXPECT_EQ(state->work_page, 0);
    EXPECT_EQ(fake_log().lock_calls, 0);

    open(2);
    page_set(1, 1);
    clear_dirty();
    fake_log().lock_calls = 0;
    EXPECT_EQ(page_set(1, 1), 0x101);
    EXPECT_EQ(dirty_count(), 0);
    EXPECT_EQ(fake_log().lock_calls, 0);
}

TEST_F(PagesTest, PageCopyChecksItsPages) {
    open(2);
    EXPECT_EQ(page_copy(0, 0), 0);
    EXPECT_EQ(dirty_count(), 0);
    EXPECT_EQ(page_copy(0, 5), 1);
    EXPECT_EQ(get_last_error(), 1);
    EXPECT_EQ(page_copy(2, 0), 1);
    EXPECT_EQ(page_copy(-1, -1), 0);  // work page onto visible page: the same page 0
}

TEST_F(PagesTest, PageCopyToTheVisiblePageCopiesTheViewAndPresentsIt) {
    GfxContext* c = open(2);
    fill_page(0, 0x11111111u);
    fill_page(1, 0x22222222u);
    DrawState* state = get_draw_state();
    state->view_x = state->saved_view.x = 4;
    state->view_y = state->saved_view.y = 2;
    state->view_w = state->saved_view.w = 10;
    state->view_h = state->saved_view.h = 6;
    drawing_state_changed();
    c->text_cells[1][0].ch = 'Q';
    EXPECT_EQ(page_copy(1, -1), 0);
    for (int y = 0; y < c->height; ++y) {
        for (int x = 0; x < c->width; ++x) {
            const bool inside = x >= 4 && x < 14 && y >= 2 && y < 8;
            ASSERT_EQ(pixel32(c, 0, x, y), inside ? 0x22222222u : 0x11111111u) << x << "," << y;
        }
    }
    EXPECT_EQ(c->text_cells[0][0].ch, 'Q');
    EXPECT_EQ(dirty_count(), 6);
    EXPECT_NE(c->dirty[2], 0);
    EXPECT_NE(c->dirty[7], 0);
    EXPECT_EQ(fake_log().lock_calls, 1);
    EXPECT_EQ(fake_log().unlock_calls, 1);

    // Onto a hidden page nothing is marked or locked.
    clear_dirty();
    fake_log().lock_calls = 0;
    EXPECT_EQ(page_copy(0, 1), 0);
    EXPECT_EQ(dirty_count(), 0);
    EXPECT_EQ(fake_log().lock_calls, 0);
}

TEST_F(PagesTest, PageCopyWhileLockedMarksNothing) {
    GfxContext* c = open(2);
    screen_lock();
    EXPECT_EQ(page_copy(1, 0), 0);
    EXPECT_EQ(dirty_count(), 0);
    EXPECT_EQ(c->lock_count, 1);
    EXPECT_EQ(fake_log().lock_calls, 1);
    screen_unlock(1, 0);
    EXPECT_EQ(dirty_count(), 0);
    EXPECT_EQ(fake_log().unlock_calls, 1);
}

TEST_F(PagesTest, PageCopyFlipsOnDriversThatPresentByFlipping) {
    set_driver_list_for_test(flipper_driver_list());
    fake_log().succeed_at_init = 0;
    ASSERT_EQ(screen_res(16, 16, 32, 2, 0, 0), 0);
    fill_page(1, 0x33333333u);
    EXPECT_EQ(page_copy(1, 0), 1);
    EXPECT_EQ(fake_log().flips, 1);
    EXPECT_EQ(fake_log().polls, 1);
    EXPECT_EQ(pixel32(current_context(), 0, 0, 0), 0xFF000000u);
}

TEST_F(PagesTest, NestedLocksTakeTheDriverLockOnceAndMarkEachUnlock) {
    GfxContext* c = open(1);
    screen_lock();
    screen_lock();
    screen_lock();
    EXPECT_EQ(fake_log().lock_calls, 1);
    EXPECT_EQ(c->lock_count, 3);
    for (int i = 1; i <= 3; ++i) {
        clear_dirty();
        screen_unlock(-1, -1);
        EXPECT_EQ(dirty_count(), c->height) << i;
        EXPECT_EQ(fake_log().unlock_calls, i == 3 ? 1 : 0) << i;
        EXPECT_EQ(c->lock_count, 3 - i);
    }
    // An unlock with nothing held changes no count.
    screen_unlock(1, 0);
    EXPECT_EQ(c->lock_count, 0);
    EXPECT_EQ(fake_log().unlock_calls, 1);
}

TEST_F(PagesTest, ALockGuardHoldsOneLevelForItsScopeAndMarksNothing) {
    GfxContext* c = open(1);
    {
        const ScreenLockGuard outer;
        EXPECT_EQ(c->lock_count, 1);
        {
            const ScreenLockGuard inner;
            EXPECT_EQ(c->lock_count, 2);
        }
        EXPECT_EQ(c->lock_count, 1);
        EXPECT_EQ(fake_log().unlock_calls, 0);
    }
    EXPECT_EQ(c->lock_count, 0);
    EXPECT_EQ(fake_log().lock_calls, 1);
    EXPECT_EQ(fake_log().unlock_calls, 1);
    EXPECT_EQ(dirty_count(), 0);
}

// A presenting thread that takes the driver lock, as an update thread does,
// never sees a frame drawn only in part, and sees the marks of every frame.
TEST_F(PagesTest, APresentingThreadSeesOnlyWholeFrames) {
    GfxContext* c = open(1, 64, 48);
    std::atomic<bool> stop{false};
    std::atomic<int> presented{0};
    std::atomic<int> torn{0};
    std::thread presenter([&] {
        while (!stop.load()) {
            std::lock_guard<std::mutex> guard(fake_driver_mutex());
            const GfxContext* shown = current_context();
            if (shown->dirty[0] == 0) continue;
            const std::uint32_t first = pixel32(shown, 0, 0, 0);
            for (int y = 0; y < shown->height; ++y) {
                if (shown->dirty[y] == 0) ++torn;
                for (int x = 0; x < shown->width; ++x) {
                    if (pixel32(shown, 0, x, y) != first) ++torn;
                }
                shown->dirty[y] = 0;
            }
            ++presented;
        }
    });
    DrawState* state = get_draw_state();
    for (std::uint32_t frame = 1; frame <= 300; ++frame) {
        screen_lock();
        for (int y = 0; y < c->height; ++y) state->span_fill(state->lines[y], frame, c->width);
        screen_unlock(-1, -1);
        if (frame % 10 == 0) {
            // Let the presenter catch up now and then, so that frames are
            // presented both while drawing goes on and between frames.
            const int before = presented.load();
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (presented.load() == before && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::yield();
            }
        }
    }
    stop = true;
    presenter.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GE(presented.load(), 30);
}

// The dirty flags are shared with the update thread; an unlock with no lock
// held still marks the lines, but waits for the driver lock to do it.
TEST_F(PagesTest, AnUnlockWithNothingHeldMarksUnderTheDriverLock) {
    GfxContext* c = open(1);
    clear_dirty();
    std::atomic<bool> held{false};
    int marked_during_pass = -1;
    std::thread pass([&] {
        std::lock_guard<std::mutex> guard(fake_driver_mutex());
        held = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        marked_during_pass = dirty_count();
    });
    while (!held.load()) std::this_thread::yield();
    screen_unlock(-1, -1);
    pass.join();
    EXPECT_EQ(marked_during_pass, 0);
    EXPECT_EQ(dirty_count(), c->height);
    EXPECT_EQ(c->lock_count, 0);
    EXPECT_EQ(fake_log().lock_calls, fake_log().unlock_calls);
}

TEST_F(PagesTest, UnlockMarksOnlyAValidRangeOfTheVisibleWorkPage) {
    GfxContext* c = open(2);
    screen_lock();
    screen_unlock(0, c->height);  // beyond the last line: nothing
    EXPECT_EQ(dirty_count(), 0);
    EXPECT_EQ(fake_log().unlock_calls, 1);

    screen_lock();
    screen_unlock(-7, 3);  // first clamps to 0
    EXPECT_EQ(dirty_count(), 4);
    clear_dirty();

    screen_lock();
    screen_unlock(5, 4);  // empty range
    EXPECT_EQ(dirty_count(), 0);

    page_set(1, 0);  // drawing on a hidden page
    clear_dirty();
    screen_lock();
    screen_unlock(-1, -1);
    EXPECT_EQ(dirty_count(), 0);
    EXPECT_EQ(c->lock_count, 0);
}

TEST_F(PagesTest, DrawingStateDefaultsFollowTheDepth) {
    use_null_driver();
    struct Case {
        std::int32_t mode;
        std::uint32_t fg, bg;
    };
    for (Case k : {Case{1, 3, 0}, Case{11, 1, 0}, Case{7, 15, 0}, Case{13, 15, 0}}) {
        ASSERT_EQ(screen_mode(k.mode, 0, 0, 0, 0), 0);
        const DrawState* s = get_draw_state();
        EXPECT_EQ(s->fg_colour, k.fg) << k.mode;
        EXPECT_EQ(s->bg_colour, k.bg) << k.mode;
        EXPECT_EQ(s->bpp, 1);
    }
    ASSERT_EQ(screen_res(8, 8, 16, 0, 0, 0), 0);
    EXPECT_EQ(get_draw_state()->fg_colour, 0xFFFFu);
    EXPECT_EQ(get_draw_state()->bg_colour, 0u);
    ASSERT_EQ(screen_res(8, 8, 32, 0, 0, 0), 0);
    EXPECT_EQ(get_draw_state()->fg_colour, 0xFFFFFFFFu);
    EXPECT_EQ(get_draw_state()->bg_colour, 0xFF000000u);
    EXPECT_EQ(get_draw_state()->state_flags & (DS_FRESH | DS_IMAGE_TARGET), 0u);
}

TEST_F(PagesTest, NewFormImagesAreDrawnThroughTheirOwnPitch) {
    GfxContext* c = open(1);
    DrawState* state = get_draw_state();
    // 10 x 5 pixels of 2 bytes with 24-byte lines; the data starts at 32.
    std::vector<std::uint8_t> image(32 + 24 * 5 + 1, 0);
    const std::uint32_t header[5] = {IMAGE_TAG_NEW, 2, 10, 5, 24};
    std::memcpy(image.data(), header, sizeof header);
    set_target(state, image.data());
    choose_draw_ops(state, 0xFF000000u);
    EXPECT_EQ(state->target, image.data());
    EXPECT_EQ(state->bpp, 2);
    EXPECT_EQ(state->pitch, 24);
    EXPECT_EQ(state->view_x, 0);
    EXPECT_EQ(state->view_w, 10);
    EXPECT_EQ(state->view_h, 5);
    EXPECT_EQ(state->lines[4], image.data() + 32 + 4 * 24);
    EXPECT_FALSE(target_is_visible(state));
    state->put_pixel(state, 9, 4, 0xABCD);
    EXPECT_EQ(image[32 + 4 * 24 + 18], 0xCD);
    EXPECT_EQ(image[32 + 4 * 24 + 19], 0xAB);
    EXPECT_EQ(state->get_pixel(state, 9, 4), 0xABCDu);

    set_target(state, nullptr);
    EXPECT_EQ(state->bpp, 4);
    EXPECT_EQ(state->pitch, c->pitch);
    EXPECT_EQ(state->view_w, c->width);
    EXPECT_EQ(state->view_h, c->height);
    EXPECT_EQ(state->lines[4], c->pages[0] + 4 * c->pitch);
    EXPECT_TRUE(target_is_visible(state));
}

TEST_F(PagesTest, OldFormImagesUseTheScreenPixelSize) {
    open(1, 40, 30);
    DrawState* state = get_draw_state();
    state->view_x = state->saved_view.x = 3;  // a view on the screen, kept across the image
    state->view_w = state->saved_view.w = 20;
    drawing_state_changed();
    // Width 6 in bits 3-15 (bits 0-2 ignored), height 50: taller than the screen.
    std::vector<std::uint8_t> image(4 + 6 * 4 * 50 + 3, 0);
    const std::uint16_t header[2] = {static_cast<std::uint16_t>((6 << 3) | 5), 50};
    std::memcpy(image.data() + 1, header, sizeof header);  // deliberately unaligned
    std::uint8_t* start = image.data() + 1;
    set_target(state, start);
    choose_draw_ops(state, 0xFF000000u);
    EXPECT_EQ(state->bpp, 4);
    EXPECT_EQ(state->pitch, 24);
    EXPECT_EQ(state->view_w, 6);
    EXPECT_EQ(state->view_h, 50);
    EXPECT_GE(state->line_capacity, 50);
    EXPECT_EQ(state->lines[49], start + 4 + 49 * 24);
    state->put_pixel(state, 5, 49, 0x01020304u);
    EXPECT_EQ(state->get_pixel(state, 5, 49), 0x01020304u);
    EXPECT_EQ(start[4 + 49 * 24 + 20], 0x04);

    set_target(state, nullptr);
    EXPECT_EQ(state->view_x, 3);
    EXPECT_EQ(state->view_w, 20);
    EXPECT_EQ(state->lines[29], current_context()->pages[0] + 29 * current_context()->pitch);
}

TEST_F(PagesTest, ImagesWithImpossibleHeadersGetAnEmptyView) {
    open(1);
    DrawState* state = get_draw_state();
    std::uint8_t image[64] = {};
    const std::uint32_t bad_bpp[5] = {IMAGE_TAG_NEW, 3, 4, 4, 12};
    std::memcpy(image, bad_bpp, sizeof bad_bpp);
    set_target(state, image);
    EXPECT_EQ(state->view_w, 0);
    EXPECT_EQ(state->view_h, 0);
    set_target(state, nullptr);
    const std::uint32_t short_pitch[5] = {IMAGE_TAG_NEW, 4, 8, 2, 16};
    std::memcpy(image, short_pitch, sizeof short_pitch);
    set_target(state, image);
    EXPECT_EQ(state->view_w, 0);
    set_target(state, nullptr);
    EXPECT_EQ(state->view_w, 32);
}

}  // namespace
}  // namespace vz::test

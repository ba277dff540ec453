#include "screen_support.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "gfx/screen_failure.h"
#include "gfx/surface/draw_state.h"
#include "gfx/testing.h"
#include "tests/test_env.h"

namespace vz::test {

namespace {

FakeDriverLog g_log;

template <int N>
struct FakeDriver {
    static constexpr const char* NAMES[] = {"DirectX", "GDI", "OpenGL", "Flipper"};

    static std::int32_t init(const char* title, std::int32_t width, std::int32_t height, std::int32_t depth,
                             std::int32_t refresh_rate, std::int32_t flags) {
        DriverCall call;
        call.what = "init";
        call.driver = NAMES[N];
        call.refresh_rate = refresh_rate;
        call.flags = flags;
        call.width = width;
        call.height = height;
        call.depth = depth;
        call.title = title != nullptr ? title : "";
        g_log.calls.push_back(call);
        if (g_log.inits++ == g_log.succeed_at_init) return 0;
        if (g_log.refusals[N] != nullptr) note_driver_failure(g_log.refusals[N]);
        return 1;
    }
    static std::int32_t exit() {
        DriverCall call;
        call.what = "exit";
        call.driver = NAMES[N];
        // Reads the first byte of every page: under AddressSanitizer this fails
        // if the core freed the pages before stopping the driver.
        if (const GfxContext* context = current_context(); context != nullptr && context->pages != nullptr) {
            for (int i = 0; i < context->page_count; ++i) {
                if (context->pages[i] != nullptr) {
                    volatile std::uint8_t first = context->pages[i][0];
                    (void)first;
                }
            }
            call.context_alive = true;
        }
        g_log.calls.push_back(call);
        return 0;
    }
};

std::mutex g_driver_mutex;

void fake_lock() {
    g_driver_mutex.lock();
    ++g_log.lock_calls;
}
void fake_unlock() {
    ++g_log.unlock_calls;
    g_driver_mutex.unlock();
}
void fake_set_palette(std::int32_t index, std::int32_t red, std::int32_t green, std::int32_t blue) {
    g_log.palette.insert(g_log.palette.end(), {index, red, green, blue});
}
void fake_wait_vsync() {}
std::int32_t fake_get_mouse(std::int32_t* x, std::int32_t* y, std::int32_t* wheel, std::int32_t* buttons,
                            std::int32_t* clipped) {
    g_log.lock_count_in_get_mouse = current_context() != nullptr ? current_context()->lock_count : -1;
    if (g_log.mouse_result != 0) return g_log.mouse_result;
    *x = g_log.mouse[0];
    *y = g_log.mouse[1];
    *wheel = g_log.mouse[2];
    *buttons = g_log.mouse[3];
    *clipped = g_log.mouse[4];
    return 0;
}
void fake_set_mouse(std::int32_t x, std::int32_t y, std::int32_t cursor, std::int32_t clip) {
    g_log.set_mouse_args = {x, y, cursor, clip, current_context() != nullptr ? current_context()->lock_count : -1};
}
void fake_set_window_title(const char* title) { g_log.titles.emplace_back(title); }
std::int32_t fake_set_window_pos(std::int32_t, std::int32_t) { return 0; }
std::int32_t* fake_fetch_modes(std::int32_t, std::int32_t* count) {
    *count = 0;
    return nullptr;
}
void fake_flip() { ++g_log.flips; }
void fake_poll() { ++g_log.polls; }

template <int N>
constexpr GfxDriver make_driver(bool flipper) {
    return GfxDriver{.name = FakeDriver<N>::NAMES[N],
                     .init = FakeDriver<N>::init,
                     .exit = FakeDriver<N>::exit,
                     .lock = fake_lock,
                     .unlock = fake_unlock,
                     .set_palette = fake_set_palette,
                     .wait_vsync = fake_wait_vsync,
                     .get_mouse = fake_get_mouse,
                     .set_mouse = fake_set_mouse,
                     .set_window_title = fake_set_window_title,
                     .set_window_pos = fake_set_window_pos,
                     .fetch_modes = fake_fetch_modes,
                     .flip = flipper ? fake_flip : nullptr,
                     .poll_events = flipper ? fake_poll : nullptr};
}

}  // namespace

const GfxDriver fake_directx = make_driver<0>(false);
const GfxDriver fake_gdi = make_driver<1>(false);
const GfxDriver fake_opengl = make_driver<2>(false);
const GfxDriver fake_flipper = make_driver<3>(true);

namespace {
const GfxDriver* const FAKE_LIST[] = {&fake_directx, &fake_gdi, &fake_opengl};
const GfxDriver* const FLIPPER_LIST[] = {&fake_flipper};
}  // namespace

FakeDriverLog& fake_log() { return g_log; }
std::mutex& fake_driver_mutex() { return g_driver_mutex; }

std::span<const GfxDriver* const> fake_driver_list() { return FAKE_LIST; }
std::span<const GfxDriver* const> flipper_driver_list() { return FLIPPER_LIST; }

void ScreenTest::SetUp() {
    close_screen();
    test::unset_env("VZGFX");
    set_driver_list_for_test({});
    g_log = FakeDriverLog{};
}

void ScreenTest::TearDown() {
    close_screen();
    test::unset_env("VZGFX");
    set_driver_list_for_test({});
}

void ScreenTest::use_fake_drivers(int succeed_at_init) {
    set_driver_list_for_test(fake_driver_list());
    g_log.succeed_at_init = succeed_at_init < 0 ? -1 : g_log.inits + succeed_at_init;
}

void ScreenTest::use_null_driver() { test::set_env("VZGFX", "null"); }

std::uint32_t pixel32(const GfxContext* context, int page, int x, int y) {
    std::uint32_t value;
    std::memcpy(&value,
                context->pages[page] + static_cast<std::size_t>(y) * static_cast<std::size_t>(context->pitch) +
                    static_cast<std::size_t>(x) * 4,
                sizeof value);
    return value;
}

}  // namespace vz::test

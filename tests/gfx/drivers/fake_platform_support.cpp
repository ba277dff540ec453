#include "fake_platform_support.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "gfx/driver.h"
#include "gfx/drivers/drivers.h"
#include "gfx/events.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/screen_lock.h"
#include "gfx/testing.h"
#include "gfx/text/keys.h"
#include "tests/test_env.h"

namespace vz::test {

namespace {

std::unique_ptr<FakePlatform> g_fake = std::make_unique<FakePlatform>();
std::unique_ptr<FakeGl> g_gl = std::make_unique<FakeGl>();

using Lock = std::lock_guard<std::recursive_mutex>;

// A call the tests only count.
template <int FakePlatform::*counter>
void count() {
    Lock lock(g_fake->mutex);
    ++((*g_fake).*counter);
}

bool f_open() {
    Lock lock(g_fake->mutex);
    ++g_fake->opens;
    return !g_fake->open_fails;
}
std::int32_t f_version() {
    Lock lock(g_fake->mutex);
    return g_fake->version;
}
void f_nothing() {}
void f_priority(bool above) {
    Lock lock(g_fake->mutex);
    g_fake->priorities.push_back(above);
}
std::int32_t f_monitor() {
    Lock lock(g_fake->mutex);
    return g_fake->monitor;
}
PlatformRect f_monitor_rect(std::int32_t) {
    Lock lock(g_fake->mutex);
    return g_fake->screen;
}
bool f_set_mode(std::int32_t, std::int32_t width, std::int32_t height, std::int32_t, std::int32_t) {
    Lock lock(g_fake->mutex);
    g_fake->mode_sets.emplace_back(width, height);
    return g_fake->set_mode_succeeds;
}
std::int32_t f_refresh() {
    Lock lock(g_fake->mutex);
    return g_fake->refresh;
}
std::int32_t* f_list_modes(bool (*accept)(std::int32_t, std::int32_t), std::int32_t depth, std::int32_t* count) {
    Lock lock(g_fake->mutex);
    *count = 0;
    if (!accept(g_fake->display_bits, depth) || g_fake->modes.empty()) return nullptr;
    auto* modes = static_cast<std::int32_t*>(std::malloc(g_fake->modes.size() * sizeof(std::int32_t)));
    std::memcpy(modes, g_fake->modes.data(), g_fake->modes.size() * sizeof(std::int32_t));
    *count = static_cast<std::int32_t>(g_fake->modes.size());
    return modes;
}
bool f_create_window(const WindowRequest& request, const char* caption, const char* class_name) {
    Lock lock(g_fake->mutex);
    if (g_fake->create_fails) return false;
    ++g_fake->windows_created;
    g_fake->have_window = true;
    g_fake->request = request;
    g_fake->created_visual = request.visual;
    g_fake->caption = caption;
    g_fake->class_name = class_name;
    return true;
}
void f_destroy_window() {
    Lock lock(g_fake->mutex);
    if (!g_fake->have_window) return;
    ++g_fake->windows_destroyed;
    g_fake->have_window = false;
}
bool f_restyle(const WindowRequest& request) {
    Lock lock(g_fake->mutex);
    if (!g_fake->have_window) return false;
    ++g_fake->restyles;
    g_fake->request = request;
    return true;
}
std::uintptr_t f_window_id() {
    Lock lock(g_fake->mutex);
    return g_fake->have_window ? 77 : 0;
}
void f_set_caption(const char* caption) {
    std::function<void()> hook;
    {
        Lock lock(g_fake->mutex);
        g_fake->captions.emplace_back(caption);
        hook = g_fake->on_caption;
    }
    if (hook) hook();
}
bool f_window_pos(std::int32_t* x, std::int32_t* y) {
    Lock lock(g_fake->mutex);
    if (!g_fake->have_window) return false;
    *x = g_fake->request.x;
    *y = g_fake->request.y;
    return true;
}
void f_move_window(std::int32_t x, std::int32_t y) {
    Lock lock(g_fake->mutex);
    g_fake->window_moves.emplace_back(x, y);
    g_fake->request.x = x;
    g_fake->request.y = y;
}
bool f_client_rect(PlatformRect* rect) {
    Lock lock(g_fake->mutex);
    if (!g_fake->have_window) return false;
    const WindowRequest& r = g_fake->request;
    *rect = PlatformRect{r.x, r.y, r.x + r.width, r.y + r.height};
    return true;
}
bool f_cursor_pos(std::int32_t* x, std::int32_t* y) {
    Lock lock(g_fake->mutex);
    *x = g_fake->cursor_x;
    *y = g_fake->cursor_y;
    return true;
}
void f_move_cursor(std::int32_t x, std::int32_t y) {
    Lock lock(g_fake->mutex);
    g_fake->cursor_moves.emplace_back(x, y);
    g_fake->cursor_x = x;
    g_fake->cursor_y = y;
}
void f_confine(const PlatformRect* rect) {
    Lock lock(g_fake->mutex);
    if (rect != nullptr) {
        ++g_fake->confines;
    } else {
        ++g_fake->frees;
    }
}
void f_show_cursor(bool visible) {
    Lock lock(g_fake->mutex);
    g_fake->cursor_shapes.push_back(visible);
}
bool f_has_capture() {
    Lock lock(g_fake->mutex);
    return g_fake->captures > g_fake->releases;
}
void f_keyboard_state(std::uint8_t state[256]) {
    Lock lock(g_fake->mutex);
    std::memcpy(state, g_fake->keyboard, 256);
}
void f_pump() {
    for (;;) {
        WindowMessage message;
        {
            Lock lock(g_fake->mutex);
            if (g_fake->queued.empty()) break;
            message = g_fake->queued.front();
            g_fake->queued.pop_front();
        }
        window_proc(message);
    }
    g_fake->pumps.fetch_add(1);
}
bool f_create_image(std::int32_t width, std::int32_t height, ImageFormat* format, std::uint8_t** pixels,
                    std::int32_t* pitch) {
    Lock lock(g_fake->mutex);
    if (g_fake->image_fails) return false;
    const std::int32_t bits = g_fake->format.bits_per_pixel == 15 ? 16 : g_fake->format.bits_per_pixel;
    g_fake->image_pitch = ((width * bits + 31) / 32) * 4;
    g_fake->image.assign(static_cast<std::size_t>(g_fake->image_pitch) * height, 0);
    *format = g_fake->format;
    *pixels = g_fake->image.data();
    *pitch = g_fake->image_pitch;
    return true;
}
void f_put_image(std::int32_t first, std::int32_t count) {
    Lock lock(g_fake->mutex);
    g_fake->puts.emplace_back(first, count);
    if (!g_fake->have_window) ++g_fake->puts_without_window;
}
void f_destroy_image() {}
void f_set_image_colours(const std::uint32_t colours[256]) {
    Lock lock(g_fake->mutex);
    g_fake->image_colours.assign(colours, colours + 256);
    ++g_fake->colour_sets;
}

const PlatformLayer LAYER = {
    .open = &f_open,
    .close = &count<&FakePlatform::closes>,
    .version = &f_version,
    .suspend_screensaver = &f_nothing,
    .restore_screensaver = &f_nothing,
    .note_update_thread = &f_nothing,
    .set_update_priority = &f_priority,
    .monitor_at_cursor = &f_monitor,
    .monitor_of_window = &f_monitor,
    .monitor_rect = &f_monitor_rect,
    .set_display_mode = &f_set_mode,
    .restore_display_mode = &count<&FakePlatform::mode_restores>,
    .refresh_rate = &f_refresh,
    .list_modes = &f_list_modes,
    .create_window = &f_create_window,
    .destroy_window = &f_destroy_window,
    .restyle_window = &f_restyle,
    .hide_window = &count<&FakePlatform::hides>,
    .window_id = &f_window_id,
    .set_caption = &f_set_caption,
    .window_pos = &f_window_pos,
    .move_window = &f_move_window,
    .client_rect = &f_client_rect,
    .set_colour_key = nullptr,
    .cursor_pos = &f_cursor_pos,
    .move_cursor = &f_move_cursor,
    .confine_cursor = &f_confine,
    .show_cursor = &f_show_cursor,
    .post_set_cursor = &count<&FakePlatform::set_cursor_posts>,
    .capture_mouse = &count<&FakePlatform::captures>,
    .release_mouse = &count<&FakePlatform::releases>,
    .has_capture = &f_has_capture,
    .track_mouse_leave = &count<&FakePlatform::leave_requests>,
    .stop_leave_tracking = &count<&FakePlatform::leave_stops>,
    .keyboard_state = &f_keyboard_state,
    .pump_messages = &f_pump,
    .create_image = &f_create_image,
    .put_image = &f_put_image,
    .destroy_image = &f_destroy_image,
    .set_image_colours = &f_set_image_colours,
};

using GlLock = std::lock_guard<std::mutex>;

template <int FakeGl::*counter>
void gl_count() {
    GlLock lock(g_gl->mutex);
    ++((*g_gl).*counter);
}

bool g_probe(char* extensions, std::size_t capacity) {
    GlLock lock(g_gl->mutex);
    if (!g_gl->probe_ok) return false;
    const std::size_t length = std::min(g_gl->extensions.size(), capacity - 1);
    std::memcpy(extensions, g_gl->extensions.data(), length);
    extensions[length] = 0;
    return true;
}
bool g_has_chooser(const char*) {
    GlLock lock(g_gl->mutex);
    return g_gl->attribute_chooser;
}
bool g_choose(const std::int32_t* attributes) {
    GlLock lock(g_gl->mutex);
    std::vector<std::int32_t> request;
    for (const std::int32_t* a = attributes;; a += 2) {
        request.push_back(a[0]);
        if (a[0] == GL_ATTR_END) break;
        request.push_back(a[1]);
    }
    const int call = static_cast<int>(g_gl->requests.size());
    g_gl->requests.push_back(request);
    return g_gl->formats_accepted_from >= 0 && call >= g_gl->formats_accepted_from;
}
bool g_basic(const GlPixelSettings& descriptor) {
    GlLock lock(g_gl->mutex);
    g_gl->basic_requests.push_back(descriptor);
    return g_gl->basic_ok;
}
std::uintptr_t g_visual() { return 0x21; }
bool g_create_context() {
    GlLock lock(g_gl->mutex);
    ++g_gl->contexts;
    return g_gl->context_ok;
}

const GlPlatform GL_LAYER = {
    .probe = &g_probe,
    .has_attribute_chooser = &g_has_chooser,
    .choose_format = &g_choose,
    .choose_basic_format = &g_basic,
    .format_visual = &g_visual,
    .create_context = &g_create_context,
    .destroy_context = &gl_count<&FakeGl::context_deletes>,
    .swap_buffers = &gl_count<&FakeGl::swaps>,
    .enable_multisample = &gl_count<&FakeGl::multisample_enables>,
};

const GfxDriver* const DRIVERS[] = {&directx_driver, &gdi_driver, &opengl_driver};

}  // namespace

FakePlatform& fake() { return *g_fake; }
const PlatformLayer& fake_layer() { return LAYER; }
FakeGl& fake_gl() { return *g_gl; }
const GlPlatform& fake_gl_layer() { return GL_LAYER; }

void DriverTest::SetUp() {
    close_screen();
    g_fake = std::make_unique<FakePlatform>();
    g_gl = std::make_unique<FakeGl>();
    test::unset_env("VZGFX");
    set_platform_for_test(&LAYER);
    set_gl_platform_for_test(&GL_LAYER);
    set_driver_list_for_test(DRIVERS);
    while (take_key() != 0) {}
}

void DriverTest::TearDown() {
    close_screen();
    set_driver_list_for_test({});
    set_platform_for_test(nullptr);
    set_gl_platform_for_test(nullptr);
    while (take_key() != 0) {}
}

bool DriverTest::open(std::int32_t width, std::int32_t height, std::int32_t depth, std::int32_t flags) {
    return screen_res(width, height, depth, 0, flags, 0) == 0 && current_context() != nullptr;
}

std::int32_t DriverTest::send(const WindowMessage& message) {
    const ScreenLockGuard lock;
    return window_proc(message);
}

void DriverTest::wait_passes(int passes) {
    const int target = g_fake->pumps.load() + passes;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (g_fake->pumps.load() < target && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_GE(g_fake->pumps.load(), target) << "the update thread stopped passing";
}

void DriverTest::post_and_wait(const WindowMessage& message) {
    {
        Lock lock(g_fake->mutex);
        g_fake->queued.push_back(message);
    }
    wait_passes(2);
}

std::vector<ScreenEvent> DriverTest::events() {
    std::vector<ScreenEvent> taken;
    ScreenEvent event{};
    while (take_event(event)) taken.push_back(event);
    return taken;
}

std::vector<std::int32_t> DriverTest::keys() {
    std::vector<std::int32_t> taken;
    for (std::int32_t key = take_key(); key != 0; key = take_key()) taken.push_back(key);
    return taken;
}

WindowMessage key_message(WindowMessageType type, std::int32_t vk, std::int32_t scan, bool extended) {
    WindowMessage m;
    m.type = type;
    m.vk = vk;
    m.scan = scan;
    m.extended = extended;
    m.repeat = 1;
    return m;
}

WindowMessage mouse_move(std::int32_t x, std::int32_t y) {
    WindowMessage m;
    m.type = WindowMessageType::mouse_move;
    m.x = x;
    m.y = y;
    return m;
}

}  // namespace vz::test

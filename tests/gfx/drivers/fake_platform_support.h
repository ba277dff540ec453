#pragma once
// A window-system layer and a GL binding for tests: they record what the
// drivers ask of them, answer from fields the tests set, and deliver queued
// window messages when the owning thread pumps. A fixture opens screens on the
// real drivers over them.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "gfx/context.h"
#include "gfx/drivers/gl_platform.h"
#include "gfx/drivers/platform.h"
#include "gfx/drivers/window_proc.h"
#include "gfx/events.h"
#include "gfx/screen/screen_setup.h"

namespace vz::test {

struct FakePlatform {
    std::recursive_mutex mutex;  // guards every field below
    bool open_fails = false;
    int opens = 0, closes = 0;
    std::int32_t version = 11 * 256;
    PlatformRect screen{0, 0, 1024, 768};
    std::int32_t monitor = 0;

    int windows_created = 0, windows_destroyed = 0, restyles = 0, hides = 0;
    bool create_fails = false;
    bool have_window = false;
    WindowRequest request{};
    std::uintptr_t created_visual = 0;
    std::string caption, class_name;
    std::vector<std::string> captions;
    std::vector<std::pair<std::int32_t, std::int32_t>> window_moves;

    std::int32_t cursor_x = 0, cursor_y = 0;
    std::vector<std::pair<std::int32_t, std::int32_t>> cursor_moves;
    int confines = 0, frees = 0;
    std::vector<bool> cursor_shapes;
    int set_cursor_posts = 0;
    int captures = 0, releases = 0;
    int leave_requests = 0, leave_stops = 0;
    std::vector<bool> priorities;

    std::uint8_t keyboard[256] = {};

    bool set_mode_succeeds = true;
    std::vector<std::pair<std::int32_t, std::int32_t>> mode_sets;
    int mode_restores = 0;
    std::int32_t refresh = 60;
    std::vector<std::int32_t> modes{800 * 65536 + 600, 1024 * 65536 + 768};
    std::int32_t display_bits = 32;

    ImageFormat format{32, 0xFF0000, 0xFF00, 0xFF};
    bool image_fails = false;
    std::vector<std::uint8_t> image;
    std::int32_t image_pitch = 0;
    std::vector<std::pair<std::int32_t, std::int32_t>> puts;
    int puts_without_window = 0;               // rows shown after the window went
    std::vector<std::uint32_t> image_colours;  // the last colours of an indexed image
    int colour_sets = 0;

    std::deque<WindowMessage> queued;
    std::atomic<int> pumps{0};
    // Called by set_caption, outside the lock; a test can make the caption
    // change wait for the update thread as the window system does.
    std::function<void()> on_caption;
};

FakePlatform& fake();
const PlatformLayer& fake_layer();

struct FakeGl {
    std::mutex mutex;
    bool probe_ok = true;
    std::string extensions = "GL_ARB_multitexture GL_EXT_bgra GL_EXT_abgr WGL_ARB_pixel_format";
    bool attribute_chooser = true;
    int formats_accepted_from = 0;  // the choose_format call (from 0) that succeeds; -1 none
    std::vector<std::vector<std::int32_t>> requests;
    bool basic_ok = true;
    std::vector<GlPixelSettings> basic_requests;
    bool context_ok = true;
    int contexts = 0, context_deletes = 0, swaps = 0, multisample_enables = 0;
};

FakeGl& fake_gl();
const GlPlatform& fake_gl_layer();

// Screens on the real DirectX, GDI and OpenGL drivers over the fake layers.
class DriverTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Opens a screen; true when it opened.
    bool open(std::int32_t width, std::int32_t height, std::int32_t depth, std::int32_t flags = 0);
    // Hands a message to the window procedure the way the update thread would:
    // inside the driver lock.
    std::int32_t send(const WindowMessage& message);
    // Queues a message for the update thread's pump and waits until two
    // passes have run since.
    void post_and_wait(const WindowMessage& message);
    // Waits until the update thread has run `passes` more passes.
    void wait_passes(int passes);
    std::vector<ScreenEvent> events();
    std::vector<std::int32_t> keys();
};

WindowMessage key_message(WindowMessageType type, std::int32_t vk, std::int32_t scan, bool extended = false);
WindowMessage mouse_move(std::int32_t x, std::int32_t y);

}  // namespace vz::test

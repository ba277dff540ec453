// The Win32 window-system layer on a real (Wine) desktop: the program window
// with its class and caption, WM_* messages reaching the key queue through the
// window procedure, the presentation image on screen, monitors and modes, key
// characters, and the WGL binding.

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "gfx/drivers/gl_platform.h"
#include "gfx/drivers/platform.h"
#include "gfx/drivers/win32/win32_internal.h"
#include "gfx/drivers/window_state.h"
#include "gfx/testing.h"
#include "gfx/text/keys.h"

namespace vz {
namespace {

constexpr char CLASS_NAME[] = "vzgfxclass_layer test";
constexpr char CAPTION[] = "layer test";

class Win32Layer : public ::testing::Test {
protected:
    void SetUp() override {
        set_platform_for_test(nullptr);
        reset_window_state();
        ASSERT_TRUE(native_platform().open());
        while (take_key() != 0) {}
    }
    void TearDown() override {
        const PlatformLayer& p = native_platform();
        p.destroy_image();
        p.destroy_window();
        p.close();
        while (take_key() != 0) {}
    }
    HWND open_window(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
        WindowRequest request{};
        request.frame = WindowFrame::normal;
        request.x = x;
        request.y = y;
        request.width = w;
        request.height = h;
        request.show = true;
        EXPECT_TRUE(native_platform().create_window(request, CAPTION, CLASS_NAME));
        return reinterpret_cast<HWND>(native_platform().window_id());
    }
    // Lets the window's queue run (this thread owns the window).
    static void pump() {
        for (int i = 0; i < 5; ++i) {
            native_platform().pump_messages();
            Sleep(10);
        }
    }
};

TEST_F(Win32Layer, WindowHasItsClassCaptionAndClientAreaAndGoesAwayCompletely) {
    HWND window = open_window(50, 60, 320, 200);
    ASSERT_NE(window, nullptr);
    char text[200] = {};
    GetClassNameA(window, text, sizeof text);
    EXPECT_STREQ(text, CLASS_NAME);
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, CAPTION);
    PlatformRect client{};
    ASSERT_TRUE(native_platform().client_rect(&client));
    EXPECT_EQ(client.right - client.left, 320);
    EXPECT_EQ(client.bottom - client.top, 200);
    EXPECT_EQ(client.left, 50);
    EXPECT_EQ(client.top, 60);
    std::int32_t x = 0, y = 0;
    ASSERT_TRUE(native_platform().window_pos(&x, &y));
    EXPECT_LE(x, 50);  // the frame lies around the client area
    EXPECT_LT(y, 60);
    native_platform().set_caption("renamed");
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, "renamed");

    native_platform().destroy_window();
    EXPECT_EQ(native_platform().window_id(), 0u);
    EXPECT_FALSE(IsWindow(window));
    WNDCLASSA wc{};
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), CLASS_NAME, &wc)) << "the class stays registered";
}

TEST_F(Win32Layer, KeyCharacterAndCloseMessagesReachTheKeyQueue) {
    HWND window = open_window(10, 10, 200, 100);
    ASSERT_NE(window, nullptr);
    window_state().active.store(1);
    // Grey Left: scancode 0x4B with the extended bit.
    const LPARAM left = 1 | (0x4B << 16) | (1 << 24);
    SendMessageA(window, WM_KEYDOWN, VK_LEFT, left);
    EXPECT_EQ(take_key(), 0x4BFF);
    // F1 without a character.
    SendMessageA(window, WM_KEYDOWN, VK_F1, 1 | (0x3B << 16));
    EXPECT_EQ(take_key(), 0x3BFF);
    // A character message posts its character, repeated by its count.
    SendMessageA(window, WM_CHAR, 'a', 2 | (30 << 16));
    EXPECT_EQ(take_key(), 'a');
    EXPECT_EQ(take_key(), 'a');
    EXPECT_EQ(take_key(), 0);
    // The close request posts the close key and leaves the window open.
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(take_key(), KEY_CODE_CLOSE);
    EXPECT_TRUE(IsWindow(window));
    // So does the close command of the system menu, through the default handling.
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    pump();
    EXPECT_EQ(take_key(), KEY_CODE_CLOSE);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(Win32Layer, CloseRequestPostedJustBeforeTheWindowGoesIsNotLost) {
    // Alt+Enter rebuilds the window: a close request still queued for the
    // old window reaches the key queue before the window is destroyed; other
    // queued system commands go with the window.
    HWND window = open_window(10, 10, 200, 100);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0));
    ASSERT_TRUE(PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0));
    native_platform().destroy_window();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(take_key(), KEY_CODE_CLOSE);
    EXPECT_EQ(take_key(), 0);

    // The same for a close message posted directly, next to other messages.
    window = open_window(10, 10, 200, 100);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PostMessageA(window, WM_NULL, 0, 0));
    ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
    native_platform().destroy_window();
    EXPECT_EQ(take_key(), KEY_CODE_CLOSE);
    EXPECT_EQ(take_key(), 0);

    // Nothing posted: nothing reaches the key queue.
    window = open_window(10, 10, 200, 100);
    ASSERT_NE(window, nullptr);
    native_platform().destroy_window();
    EXPECT_EQ(take_key(), 0);
}

TEST_F(Win32Layer, ImageRowsAppearInTheWindow) {
    HWND window = open_window(100, 100, 64, 32);
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    pump();
    ImageFormat format{};
    std::uint8_t* pixels = nullptr;
    std::int32_t pitch = 0;
    ASSERT_TRUE(native_platform().create_image(64, 32, &format, &pixels, &pitch));
    ASSERT_EQ(format.bits_per_pixel, 32);  // the test display is 24-bit colour
    EXPECT_EQ(format.red_mask, 0xFF0000u);
    EXPECT_EQ(pitch, 64 * 4);
    // Row 5 red, row 20 green; only rows 3 to 9 are shown at first.
    for (int x = 0; x < 64; ++x) {
        const std::uint32_t red = 0xFF0000, green = 0x00FF00;
        std::memcpy(pixels + 5 * pitch + x * 4, &red, 4);
        std::memcpy(pixels + 20 * pitch + x * 4, &green, 4);
    }
    native_platform().put_image(3, 7);
    GdiFlush();
    HDC dc = GetDC(window);
    EXPECT_EQ(GetPixel(dc, 10, 5), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 10, 20), RGB(0, 0, 0)) << "a row outside the span was shown";
    native_platform().put_image(20, 1);
    GdiFlush();
    EXPECT_EQ(GetPixel(dc, 63, 20), RGB(0, 255, 0));
    ReleaseDC(window, dc);
    // Spans reaching past the image are cut to it, not read beyond it.
    native_platform().put_image(30, 100);
    native_platform().put_image(-5, 8);
}

TEST_F(Win32Layer, MonitorsModesAndOptionalEntries) {
    const PlatformLayer& p = native_platform();
    const PlatformRect screen = p.monitor_rect(-1);
    EXPECT_EQ(screen.right - screen.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(screen.bottom - screen.top, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_NE(win32::state().entries.monitor_from_point, nullptr);
    EXPECT_NE(win32::state().entries.track_mouse_event, nullptr);
    const std::int32_t monitor = p.monitor_at_cursor();
    EXPECT_GE(monitor, 0);
    const PlatformRect first = p.monitor_rect(monitor);
    EXPECT_GT(first.right - first.left, 0);
    EXPECT_EQ(p.monitor_rect(1000).right, GetSystemMetrics(SM_CXSCREEN)) << "an unknown monitor is the screen";
    std::int32_t count = 0;
    std::int32_t* modes = p.list_modes([](std::int32_t, std::int32_t) { return true; }, 32, &count);
    ASSERT_NE(modes, nullptr);
    ASSERT_GT(count, 0);
    bool current = false;
    for (std::int32_t i = 0; i < count; ++i) {
        current |= modes[i] == GetSystemMetrics(SM_CXSCREEN) * 65536 + GetSystemMetrics(SM_CYSCREEN);
    }
    std::free(modes);
    EXPECT_TRUE(current) << "the current mode is not listed";
    count = -7;
    EXPECT_EQ(p.list_modes([](std::int32_t, std::int32_t) { return false; }, 32, &count), nullptr);
    EXPECT_EQ(count, -7);
    EXPECT_GE(p.version(), 5 * 256);
}

TEST(Win32Keys, KeysTypeTheirCharactersWithTheKeyboardState) {
    BYTE keyboard[256] = {};
    EXPECT_EQ(win32::key_character('A', 30, keyboard), 'a');
    keyboard[VK_SHIFT] = 0x80;
    EXPECT_EQ(win32::key_character('A', 30, keyboard), 'A');
    EXPECT_EQ(win32::key_character('1', 2, keyboard), '!');
    keyboard[VK_SHIFT] = 0;
    EXPECT_EQ(win32::key_character(VK_LEFT, 75, keyboard), 0);
    EXPECT_EQ(win32::key_character(VK_SHIFT, 42, keyboard), 0);
    EXPECT_EQ(win32::ansi_to_unicode('x'), static_cast<std::uint32_t>('x'));
}

TEST(Win32Gl, ProbeFindsTheExtensionsAndAFormatIsChosen) {
    const GlPlatform& gl = native_gl_platform();
    char extensions[8192] = {};
    ASSERT_TRUE(gl.probe(extensions, sizeof extensions));
    EXPECT_NE(std::strstr(extensions, "GL_EXT_bgra"), nullptr) << extensions;
    EXPECT_EQ(FindWindowA(nullptr, "OpenGL setup"), nullptr) << "the probe window stays";
    char tiny[4] = {};
    EXPECT_TRUE(gl.probe(tiny, sizeof tiny));  // the text is cut, never overrun
    EXPECT_EQ(std::strlen(tiny), 3u);
    GlPixelSettings settings{};
    settings.colour_bits = 32;
    settings.depth_bits = 16;
    ASSERT_TRUE(gl.choose_basic_format(settings));
    EXPECT_GT(gl.format_visual(), 0u);
    if (gl.has_attribute_chooser(extensions)) {
        const std::int32_t request[] = {
            GL_ATTR_DRAW_TO_WINDOW, 1, GL_ATTR_DOUBLE_BUFFER, 1, GL_ATTR_COLOUR_BITS, 32, GL_ATTR_END};
        EXPECT_TRUE(gl.choose_format(request));
        EXPECT_GT(gl.format_visual(), 0u);
    }
    gl.destroy_context();
}

}  // namespace
}  // namespace vz

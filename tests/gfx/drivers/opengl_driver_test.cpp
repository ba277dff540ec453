// The OpenGL driver's pixel-format request and its set-up over a fake GL
// binding and window-system layer.

#include <gtest/gtest.h>

#include "fake_platform_support.h"
#include "gfx/driver.h"
#include "gfx/drivers/drivers.h"
#include "gfx/drivers/opengl_format.h"
#include "gfx/drivers/window_state.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pages.h"
#include "gfx/text/keys.h"
#include "rt/key_codes.h"

namespace vz::test {
namespace {

using Request = std::vector<std::int32_t>;

TEST(GlPixelFormat, DefaultsFollowThePageDepth) {
    GlPixelSettings s = gl_pixel_defaults({}, 32, 0);
    EXPECT_EQ(s.colour_bits, 32);
    EXPECT_EQ(s.red_bits, 8);
    EXPECT_EQ(s.green_bits, 8);
    EXPECT_EQ(s.blue_bits, 8);
    EXPECT_EQ(s.alpha_bits, 8);
    EXPECT_EQ(s.depth_bits, 16);
    EXPECT_EQ(s.stencil_bits + s.accum_bits + s.accum_red_bits + s.samples, 0);

    s = gl_pixel_defaults({}, 16, 0);
    EXPECT_EQ(s.colour_bits, 16);
    EXPECT_EQ(s.red_bits, 5);
    EXPECT_EQ(s.green_bits, 5);
    EXPECT_EQ(s.blue_bits, 5);
    EXPECT_EQ(s.alpha_bits, 0);

    s = gl_pixel_defaults({}, 8, 0);  // a byte of colour has no channel widths
    EXPECT_EQ(s.colour_bits, 8);
    EXPECT_EQ(s.red_bits, 0);
}

TEST(GlPixelFormat, FlagsAskForStencilAccumulationAndSamples) {
    const GlPixelSettings s = gl_pixel_defaults({}, 32, SCREEN_GL_STENCIL | SCREEN_GL_ACCUM | SCREEN_GL_MULTISAMPLE);
    EXPECT_EQ(s.stencil_bits, 8);
    EXPECT_EQ(s.accum_bits, 32);
    EXPECT_EQ(s.accum_red_bits, 8);
    EXPECT_EQ(s.accum_alpha_bits, 8);
    EXPECT_EQ(s.samples, 4);

    GlPixelSettings given{};
    given.red_bits = 6;
    given.green_bits = 6;
    given.blue_bits = 6;
    given.accum_red_bits = 16;
    const GlPixelSettings derived = gl_pixel_defaults(given, 32, 0);
    EXPECT_EQ(derived.colour_bits, 18);  // the sum of the channels given
    EXPECT_EQ(derived.red_bits, 6);
    EXPECT_EQ(derived.alpha_bits, 0);  // k = 2 has no alpha
    EXPECT_EQ(derived.accum_bits, 16);
    EXPECT_EQ(derived.accum_red_bits, 16);
    EXPECT_EQ(derived.accum_green_bits, 5);  // k = 1 from the 16 accumulation bits
    EXPECT_EQ(derived.accum_alpha_bits, 0);
}

TEST(GlPixelFormat, TheRequestListsTheFixedAttributesThenTheSettings) {
    std::int32_t samples_at = 0;
    const Request plain = gl_attribute_request(gl_pixel_defaults({}, 32, 0), &samples_at);
    EXPECT_EQ(plain, (Request{GL_ATTR_DRAW_TO_WINDOW, 1, GL_ATTR_ACCELERATION_FULL, 1, GL_ATTR_DOUBLE_BUFFER, 1,
                              GL_ATTR_COLOUR_BITS, 32, GL_ATTR_RED_BITS, 8, GL_ATTR_GREEN_BITS, 8, GL_ATTR_BLUE_BITS, 8,
                              GL_ATTR_ALPHA_BITS, 8, GL_ATTR_DEPTH_BITS, 16, GL_ATTR_END}));
    EXPECT_EQ(samples_at, -1);

    const Request full =
        gl_attribute_request(gl_pixel_defaults({}, 16, SCREEN_GL_STENCIL | SCREEN_GL_MULTISAMPLE), &samples_at);
    const Request tail(full.end() - 7, full.end());
    EXPECT_EQ(tail, (Request{GL_ATTR_STENCIL_BITS, 8, GL_ATTR_SAMPLE_BUFFERS, 1, GL_ATTR_SAMPLES, 4, GL_ATTR_END}));
    EXPECT_EQ(full[static_cast<std::size_t>(samples_at)], 4);
    EXPECT_EQ(full[static_cast<std::size_t>(samples_at) - 1], GL_ATTR_SAMPLES);
}

TEST(GlPixelFormat, ExtensionNamesCountOnlyWhole) {
    EXPECT_TRUE(has_gl_extension("GL_EXT_bgra", "GL_EXT_bgra"));
    EXPECT_TRUE(has_gl_extension("GL_A GL_EXT_bgra GL_B", "GL_EXT_bgra"));
    EXPECT_TRUE(has_gl_extension("GL_EXT_bgra_x GL_EXT_bgra", "GL_EXT_bgra"));
    EXPECT_FALSE(has_gl_extension("GL_EXT_bgra_x GL_EXT_abgr", "GL_EXT_bgra"));
    EXPECT_FALSE(has_gl_extension("XGL_EXT_bgra", "GL_EXT_bgra"));
    EXPECT_FALSE(has_gl_extension("", "GL_EXT_bgra"));
}

class OpenGlTest : public DriverTest {};

TEST_F(OpenGlTest, OpensOnlyWithTheOpenglFlagAndFlipsOnPageCopy) {
    EXPECT_EQ(opengl_driver.init("t", 320, 200, 32, 0, 0), -1);
    EXPECT_EQ(opengl_driver.exit(), 0);
    ASSERT_TRUE(open(640, 480, 32, SCREEN_OPENGL));
    EXPECT_STREQ(current_context()->driver->name, "OpenGL");
    EXPECT_FALSE(input_state().has_thread.load());
    EXPECT_EQ(fake_gl().contexts, 1);
    ASSERT_EQ(fake_gl().requests.size(), 1u);
    EXPECT_EQ(fake_gl().multisample_enables, 0);
    EXPECT_EQ(fake().created_visual, 0x21u);  // the chosen format's
    EXPECT_EQ(fake().request.frame, WindowFrame::normal);
    EXPECT_EQ(fake().request.width, 640);
    EXPECT_EQ(fake().restyles, 1);
    EXPECT_EQ(current_context()->refresh_rate, 60);

    // Page copy flips and polls: the held-key array follows the keyboard.
    fake().keyboard[0x1B] = 0x80;
    EXPECT_EQ(page_copy(-1, -1), 1);
    EXPECT_EQ(fake_gl().swaps, 1);
    EXPECT_EQ(fake().pumps.load(), 1);
    EXPECT_EQ(key_down(1), -1);
    EXPECT_EQ(fake().pumps.load(), 2);  // reading a held key polls too

    close_screen();
    EXPECT_EQ(fake_gl().context_deletes, 1);
    EXPECT_EQ(fake().windows_destroyed, 1);
    EXPECT_EQ(opengl_driver.exit(), 0);
    EXPECT_EQ(fake_gl().context_deletes, 1);
}

TEST_F(OpenGlTest, KeyWaitsSeeTheWindowsMessagesWithoutAPageCopy) {
    ASSERT_TRUE(open(64, 48, 32, SCREEN_OPENGL));
    // The window has no update thread: only polling delivers these.
    WindowMessage close;
    close.type = WindowMessageType::close;
    {
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        fake().queued.push_back(close);
    }
    sleep_ms(-1);
    EXPECT_EQ(wait_key(), KEY_CODE_CLOSE);
    {
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        fake().queued.push_back(close);
    }
    EXPECT_EQ(key_pending(), 1);
    EXPECT_EQ(take_key(), KEY_CODE_CLOSE);
    EXPECT_EQ(fake_gl().swaps, 0);
}

TEST_F(OpenGlTest, WithoutBgraPixelsTheScreenDoesNotOpen) {
    fake_gl().extensions = "GL_EXT_bgra_x GL_EXT_abgr";
    EXPECT_FALSE(open(640, 480, 32, SCREEN_OPENGL));
    EXPECT_EQ(fake_gl().contexts, 0);
    EXPECT_EQ(fake().windows_created, 0);
}

TEST_F(OpenGlTest, AContextThatCannotBeMadeCurrentIsReleasedWithItsWindow) {
    fake_gl().context_ok = false;
    EXPECT_FALSE(open(640, 480, 32, SCREEN_OPENGL));
    EXPECT_GE(fake_gl().contexts, 1);
    EXPECT_EQ(fake_gl().context_deletes, fake_gl().contexts);
    EXPECT_GE(fake().windows_created, 1);
    EXPECT_EQ(fake().windows_destroyed, fake().windows_created);
}

TEST_F(OpenGlTest, MultisamplingFallsBackByTwoSamplesThenToThePlainFormat) {
    fake_gl().formats_accepted_from = -1;
    ASSERT_TRUE(open(640, 480, 32, SCREEN_OPENGL | SCREEN_GL_MULTISAMPLE));
    ASSERT_GE(fake_gl().requests.size(), 3u);
    std::vector<std::int32_t> samples;
    for (std::size_t i = 0; i < 3; ++i) samples.push_back(fake_gl().requests[i][fake_gl().requests[i].size() - 2]);
    EXPECT_EQ(samples, (std::vector<std::int32_t>{4, 2, 0}));
    EXPECT_EQ(fake_gl().requests.size(), 3u);
    EXPECT_EQ(fake_gl().basic_requests.size(), 1u);
    EXPECT_EQ(fake_gl().multisample_enables, 0);
}

TEST_F(OpenGlTest, AFormatWithTwoSamplesTurnsMultisamplingOn) {
    fake_gl().formats_accepted_from = 1;
    ASSERT_TRUE(open(640, 480, 32, SCREEN_OPENGL | SCREEN_GL_MULTISAMPLE));
    EXPECT_EQ(fake_gl().requests.size(), 2u);
    EXPECT_TRUE(fake_gl().basic_requests.empty());
    EXPECT_EQ(fake_gl().multisample_enables, 1);
}

TEST_F(OpenGlTest, WithoutMultisamplingAFailedRequestGoesStraightToThePlainFormat) {
    fake_gl().formats_accepted_from = -1;
    ASSERT_TRUE(open(640, 480, 16, SCREEN_OPENGL));
    EXPECT_EQ(fake_gl().requests.size(), 1u);
    ASSERT_EQ(fake_gl().basic_requests.size(), 1u);
    EXPECT_EQ(fake_gl().basic_requests[0].red_bits, 5);
    fake_gl().attribute_chooser = false;
    fake_gl().requests.clear();
    ASSERT_TRUE(open(640, 480, 16, SCREEN_OPENGL));
    EXPECT_TRUE(fake_gl().requests.empty());
}

TEST_F(OpenGlTest, AltEnterRestylesTheOneWindowAndKeepsTheContext) {
    ASSERT_TRUE(open(640, 480, 32, SCREEN_OPENGL));
    fake().cursor_x = 1;
    fake().cursor_y = 1;
    WindowMessage toggle = key_message(WindowMessageType::system_key_down, 0x0D, 28);
    toggle.alt_held = true;
    EXPECT_EQ(window_proc(toggle), 0);
    EXPECT_EQ(fake().windows_created, 1);
    EXPECT_EQ(fake().restyles, 2);
    EXPECT_EQ(fake().request.frame, WindowFrame::fullscreen);
    EXPECT_EQ(fake().mode_sets.size(), 1u);
    EXPECT_EQ(fake_gl().contexts, 1);
    EXPECT_EQ(fake_gl().context_deletes, 0);
}

}  // namespace
}  // namespace vz::test

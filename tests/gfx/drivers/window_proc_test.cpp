// The window procedure over the fake window-system layer, with a GDI screen
// whose update thread runs as it would in a program.

#include <gtest/gtest.h>

#include "fake_platform_support.h"
#include "gfx/drivers/cp437.h"
#include "gfx/drivers/shared_ops.h"
#include "gfx/drivers/window_state.h"
#include "gfx/events.h"
#include "gfx/text/keys.h"
#include "gfx/text/mouse_hooks.h"

namespace vz::test {
namespace {

// The 800 x 600 window is centred on the 1024 x 768 screen.
constexpr std::int32_t LEFT = 112, TOP = 84;

bool same(const ScreenEvent& e, std::int32_t type, std::int32_t v1 = 0, std::int32_t v2 = 0, std::int32_t v3 = 0,
          std::int32_t v4 = 0) {
    return e.type == type && e.value1 == v1 && e.value2 == v2 && e.value3 == v3 && e.value4 == v4;
}

class WindowProcTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_TRUE(open(800, 600, 32));
        place_cursor(LEFT + 400, TOP + 300);
    }
    void place_cursor(std::int32_t x, std::int32_t y) {
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        fake().cursor_x = x;
        fake().cursor_y = y;
    }
    WindowMessage activation(bool activated, bool minimised) {
        WindowMessage m;
        m.type = WindowMessageType::activate;
        m.activated = activated;
        m.minimised = minimised;
        return m;
    }
};

TEST_F(WindowProcTest, CloseRequestPostsCloseKeyAndEventAndKeepsTheWindow) {
    WindowMessage close;
    close.type = WindowMessageType::close;
    EXPECT_EQ(send(close), 0);
    EXPECT_EQ(keys(), std::vector<std::int32_t>{0x6BFF});
    const auto posted = events();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_TRUE(same(posted[0], EVENT_WINDOW_CLOSE));
    EXPECT_EQ(fake().windows_destroyed, 0);
}

TEST_F(WindowProcTest, CloseRequestThroughThePumpReachesTheQueue) {
    WindowMessage close;
    close.type = WindowMessageType::close;
    post_and_wait(close);
    EXPECT_EQ(keys(), std::vector<std::int32_t>{KEY_CODE_CLOSE});
    const auto posted = events();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].type, EVENT_WINDOW_CLOSE);
}

TEST_F(WindowProcTest, LeftArrowPostsItsCodeOnceAndPressThenRelease) {
    EXPECT_EQ(send(key_message(WindowMessageType::key_down, 0x25, 75, true)), WINDOW_PROC_DEFAULT);
    EXPECT_EQ(send(key_message(WindowMessageType::key_up, 0x25, 75, true)), WINDOW_PROC_DEFAULT);
    EXPECT_EQ(keys(), std::vector<std::int32_t>{0x4BFF});
    const auto posted = events();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_TRUE(same(posted[0], EVENT_KEY_PRESS, 75, 0));
    EXPECT_TRUE(same(posted[1], EVENT_KEY_RELEASE, 75, 0));
}

TEST_F(WindowProcTest, HeldKeyRepeatsAndRepeatCountPostsThatManyCodes) {
    WindowMessage down = key_message(WindowMessageType::key_down, 0x70, 59);  // F1
    send(down);
    down.was_down = true;
    down.repeat = 3;
    send(down);
    EXPECT_EQ(keys(), (std::vector<std::int32_t>{0x3BFF, 0x3BFF, 0x3BFF, 0x3BFF}));
    const auto posted = events();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].type, EVENT_KEY_PRESS);
    EXPECT_EQ(posted[1].type, EVENT_KEY_REPEAT);
}

TEST_F(WindowProcTest, LettersReachTheQueueOnlyAsCharacters) {
    WindowMessage down = key_message(WindowMessageType::key_down, 0x41, 30);
    down.character = 'a';
    send(down);
    EXPECT_TRUE(keys().empty());
    const auto posted = events();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_TRUE(same(posted[0], EVENT_KEY_PRESS, 30, 'a'));

    WindowMessage typed;
    typed.type = WindowMessageType::character;
    typed.character = 'a';
    typed.repeat = 2;
    send(typed);
    EXPECT_EQ(keys(), (std::vector<std::int32_t>{'a', 'a'}));
}

TEST_F(WindowProcTest, CharactersArriveInCodePage437AsSignedBytes) {
    WindowMessage typed;
    typed.type = WindowMessageType::character;
    typed.character = 0xE9;  // e acute: 0x82 in code page 437
    send(typed);
    typed.character = 0x3A3;  // capital sigma: 0xE4
    send(typed);
    typed.character = 0x20AC;  // the euro sign has no place in the code page
    send(typed);
    EXPECT_EQ(keys(), (std::vector<std::int32_t>{0x82 - 256, 0xE4 - 256, '?'}));
}

// A key message carries all the key state its translation needs: the
// keyboard the platform would report is not asked again.
TEST_F(WindowProcTest, KeysAreTranslatedWithTheModifiersTheirMessageCarries) {
    {
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        fake().keyboard[0x12] = 0x80;  // the platform's keyboard says Alt is held
    }
    send(key_message(WindowMessageType::key_down, 0x73, 62));  // F4, no modifiers in the message
    EXPECT_EQ(keys(), std::vector<std::int32_t>{0x3EFF});
    WindowMessage shifted = key_message(WindowMessageType::key_down, 0x70, 59);  // Shift+F1
    shifted.modifiers = KEYMOD_SHIFT;
    send(shifted);
    EXPECT_EQ(keys(), std::vector<std::int32_t>{0x54FF});
}

// Where no character message follows, the key-down message brings its
// character to the queue itself, converted to code page 437 as a character
// message's would be.
TEST_F(WindowProcTest, AKeyThatTypesItsCharacterPostsItOnce) {
    WindowMessage down = key_message(WindowMessageType::key_down, 0x41, 30);
    down.character = 'a';
    down.types_character = true;
    send(down);
    EXPECT_EQ(keys(), std::vector<std::int32_t>{'a'});
    const auto posted = events();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_TRUE(same(posted[0], EVENT_KEY_PRESS, 30, 'a'));

    down.character = 0xE9;  // e acute: 0x82 in code page 437
    send(down);
    down.character = 0x20AC;  // the euro sign has no place in the code page
    send(down);
    EXPECT_EQ(keys(), (std::vector<std::int32_t>{0x82 - 256, '?'}));
    // Alt+A gives its Alt code and, as a system key, no character.
    WindowMessage alt_a = key_message(WindowMessageType::system_key_down, 0x41, 30);
    alt_a.alt_held = true;
    alt_a.modifiers = KEYMOD_ALT;
    alt_a.character = 'a';
    send(alt_a);
    EXPECT_EQ(keys(), std::vector<std::int32_t>{0x1EFF});
}

TEST_F(WindowProcTest, AltAloneAndF10PostNoEvent) {
    WindowMessage alt = key_message(WindowMessageType::system_key_down, 0x12, 56);
    alt.alt_held = true;
    EXPECT_EQ(send(alt), 0);
    EXPECT_EQ(send(key_message(WindowMessageType::system_key_down, 0x79, 68)), 0);
    EXPECT_TRUE(events().empty());
    // F10's own code still reaches the program; Alt has none.
    EXPECT_EQ(keys(), std::vector<std::int32_t>{0x44FF});
}

TEST_F(WindowProcTest, AltF4PostsTheCloseCodeWithoutAnEvent) {
    WindowMessage f4 = key_message(WindowMessageType::system_key_down, 0x73, 62);
    f4.alt_held = true;
    f4.modifiers = KEYMOD_ALT;
    EXPECT_EQ(send(f4), 0);
    EXPECT_EQ(keys(), std::vector<std::int32_t>{KEY_CODE_CLOSE});
    EXPECT_TRUE(events().empty());
}

TEST_F(WindowProcTest, WheelMovesOneStepPerMessageWhateverTheDelta) {
    WindowMessage wheel;
    wheel.type = WindowMessageType::wheel;
    wheel.wheel_delta = -240;
    send(wheel);
    EXPECT_EQ(input_state().mouse_wheel.load(), -1);
    wheel.wheel_delta = 120;
    send(wheel);
    send(wheel);
    WindowMessage sideways;
    sideways.type = WindowMessageType::horizontal_wheel;
    sideways.wheel_delta = -120;
    send(sideways);
    const auto posted = events();
    ASSERT_EQ(posted.size(), 4u);
    EXPECT_TRUE(same(posted[0], EVENT_MOUSE_WHEEL, -1));
    EXPECT_TRUE(same(posted[1], EVENT_MOUSE_WHEEL, 0));
    EXPECT_TRUE(same(posted[2], EVENT_MOUSE_WHEEL, 1));
    EXPECT_TRUE(same(posted[3], EVENT_MOUSE_HWHEEL, -1));
}

TEST_F(WindowProcTest, FirstMoveEntersThenMovesCarryTheScreenDifference) {
    send(mouse_move(400, 300));
    place_cursor(LEFT + 405, TOP + 297);
    send(mouse_move(405, 297));
    send(mouse_move(405, 297));  // the cursor did not move: nothing
    auto posted = events();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_TRUE(same(posted[0], EVENT_MOUSE_ENTER, 400, 300));
    EXPECT_TRUE(same(posted[1], EVENT_MOUSE_MOVE, 405, 297, 5, -3));
    EXPECT_EQ(fake().leave_requests, 1);

    WindowMessage leave;
    leave.type = WindowMessageType::mouse_leave;
    EXPECT_EQ(send(leave), 0);
    place_cursor(LEFT + 10, TOP + 10);
    send(mouse_move(10, 10));
    posted = events();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_TRUE(same(posted[0], EVENT_MOUSE_EXIT));
    // Entering again replaces the move by an enter.
    EXPECT_TRUE(same(posted[1], EVENT_MOUSE_ENTER, 10, 10));
    EXPECT_EQ(fake().leave_requests, 2);
}

TEST_F(WindowProcTest, ButtonsSetAndClearTheirBits) {
    WindowMessage button;
    button.type = WindowMessageType::button_down;
    button.button = 1;
    send(button);
    button.button = 2;
    button.type = WindowMessageType::button_double_click;
    send(button);
    EXPECT_EQ(input_state().mouse_buttons.load(), 3);
    button.type = WindowMessageType::button_up;
    button.button = 1;
    send(button);
    button.button = 2;
    send(button);
    EXPECT_EQ(input_state().mouse_buttons.load(), 0);
    EXPECT_EQ(fake().captures, 2);
    EXPECT_EQ(fake().releases, 1);  // when the last button went up

    WindowMessage extra;
    extra.type = WindowMessageType::extra_button_down;
    extra.extra_held = 1;
    send(extra);
    extra.extra_held = 3;
    send(extra);
    extra.type = WindowMessageType::extra_button_up;
    extra.extra_held = 2;
    send(extra);
    EXPECT_EQ(input_state().mouse_buttons.load(), 16);

    const auto posted = events();
    ASSERT_EQ(posted.size(), 7u);
    EXPECT_TRUE(same(posted[0], EVENT_MOUSE_PRESS, 1));
    EXPECT_TRUE(same(posted[1], EVENT_MOUSE_DOUBLE_CLICK, 2));
    EXPECT_TRUE(same(posted[2], EVENT_MOUSE_RELEASE, 1));
    EXPECT_TRUE(same(posted[3], EVENT_MOUSE_RELEASE, 2));
    EXPECT_TRUE(same(posted[4], EVENT_MOUSE_PRESS, 8));
    EXPECT_TRUE(same(posted[5], EVENT_MOUSE_PRESS, 16));
    EXPECT_TRUE(same(posted[6], EVENT_MOUSE_RELEASE, 8));
}

TEST_F(WindowProcTest, DeactivationClearsHeldKeysAndStopsTheirRefresh) {
    {
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        fake().keyboard[0x1B] = 0x80;  // Esc held
    }
    wait_passes(2);
    EXPECT_EQ(key_down(1), -1);
    send(mouse_move(400, 300));  // tracked from here on
    send(activation(false, false));
    EXPECT_EQ(key_down(1), 0);
    wait_passes(2);
    EXPECT_EQ(key_down(1), 0) << "refreshed while inactive";
    std::int32_t outputs[5] = {7, 7, 7, 7, 7};
    EXPECT_EQ(read_mouse(&outputs[0], &outputs[1], &outputs[2], &outputs[3], &outputs[4]), 1);
    auto posted = events();
    ASSERT_EQ(posted.size(), 3u);
    EXPECT_EQ(posted[0].type, EVENT_MOUSE_ENTER);
    EXPECT_EQ(posted[1].type, EVENT_MOUSE_EXIT);
    EXPECT_EQ(posted[2].type, EVENT_FOCUS_LOST);
    EXPECT_EQ(fake().leave_stops, 1);

    // Activated with the cursor inside: focus, then an enter.
    send(activation(true, false));
    posted = events();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].type, EVENT_FOCUS_GAINED);
    EXPECT_TRUE(same(posted[1], EVENT_MOUSE_ENTER, 0, 0));
    wait_passes(2);
    EXPECT_EQ(key_down(1), -1);
}

TEST_F(WindowProcTest, ActivatedWhileMinimisedStaysInactiveAndPostsNoFocus) {
    send(activation(true, true));
    EXPECT_EQ(window_state().active.load(), 0);
    EXPECT_TRUE(events().empty());
}

TEST_F(WindowProcTest, AltEnterTogglesFullscreenAndBack) {
    WindowMessage toggle = key_message(WindowMessageType::system_key_down, 0x0D, 28);
    toggle.alt_held = true;
    {
        // The presents are forgotten before the update thread can make the
        // first one of the new window.
        std::lock_guard<std::recursive_mutex> driver(input_state().lock);
        EXPECT_EQ(send(toggle), 0);
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        EXPECT_EQ(fake().windows_created, 2);
        EXPECT_EQ(fake().windows_destroyed, 1);
        EXPECT_EQ(fake().request.frame, WindowFrame::fullscreen);
        EXPECT_EQ(fake().request.x, 0);
        ASSERT_EQ(fake().mode_sets.size(), 1u);
        EXPECT_EQ(fake().mode_sets[0], std::make_pair(800, 600));
        fake().puts.clear();
    }
    EXPECT_NE(window_state().flags.load() & SCREEN_FULLSCREEN, 0);
    // The new window is presented whole.
    wait_passes(2);
    {
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        ASSERT_FALSE(fake().puts.empty());
        EXPECT_EQ(fake().puts[0], std::make_pair(0, 600));
    }
    EXPECT_EQ(send(toggle), 0);
    std::lock_guard<std::recursive_mutex> lock(fake().mutex);
    EXPECT_EQ(fake().request.frame, WindowFrame::normal);
    EXPECT_EQ(fake().request.x, LEFT);
    EXPECT_GE(fake().mode_restores, 1);
    EXPECT_EQ(window_state().flags.load() & SCREEN_FULLSCREEN, 0);
}

TEST_F(WindowProcTest, FullscreenWithoutTheModeFallsBackToTheWindow) {
    {
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        fake().set_mode_succeeds = false;
    }
    WindowMessage maximise;
    maximise.type = WindowMessageType::maximise;
    EXPECT_EQ(send(maximise), 0);
    std::lock_guard<std::recursive_mutex> lock(fake().mutex);
    EXPECT_TRUE(fake().have_window);
    EXPECT_EQ(fake().request.frame, WindowFrame::normal);
    EXPECT_EQ(window_state().flags.load() & SCREEN_FULLSCREEN, 0);
    EXPECT_EQ(window_state().active.load(), 1);
}

TEST_F(WindowProcTest, SetCursorHidesTheCursorOnlyOverTheClientArea) {
    shared_set_mouse(-1, 0, 0, -1);
    EXPECT_EQ(fake().set_cursor_posts, 1);
    WindowMessage set_cursor;
    set_cursor.type = WindowMessageType::set_cursor;
    EXPECT_EQ(send(set_cursor), 1);
    place_cursor(LEFT - 1, TOP);
    EXPECT_EQ(send(set_cursor), 1);
    std::lock_guard<std::recursive_mutex> lock(fake().mutex);
    EXPECT_EQ(fake().cursor_shapes, (std::vector<bool>{false, true}));
}

class NoSwitchTest : public DriverTest {};

TEST_F(NoSwitchTest, AltEnterChangesNothingButEndsTracking) {
    ASSERT_TRUE(open(800, 600, 32, SCREEN_NO_SWITCH));
    {
        std::lock_guard<std::recursive_mutex> lock(fake().mutex);
        fake().cursor_x = LEFT + 1;
        fake().cursor_y = TOP + 1;
        EXPECT_EQ(fake().request.frame, WindowFrame::no_maximise);
    }
    send(mouse_move(1, 1));
    events();
    WindowMessage toggle = key_message(WindowMessageType::system_key_down, 0x0D, 28);
    toggle.alt_held = true;
    EXPECT_EQ(send(toggle), 0);
    const auto posted = events();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].type, EVENT_MOUSE_EXIT);
    std::lock_guard<std::recursive_mutex> lock(fake().mutex);
    EXPECT_EQ(fake().windows_created, 1);
    EXPECT_TRUE(fake().mode_sets.empty());
    EXPECT_EQ(window_state().flags.load() & SCREEN_FULLSCREEN, 0);
    EXPECT_EQ(input_state().mouse_tracking.load(), 1);
}

TEST(CodePage437, TypedCharactersFindTheirByte) {
    EXPECT_EQ(unicode_to_cp437('z'), 'z');
    EXPECT_EQ(unicode_to_cp437(0), 0);
    EXPECT_EQ(unicode_to_cp437(0xC7), 0x80);    // C cedilla, first of the upper half
    EXPECT_EQ(unicode_to_cp437(0xDF), 0xE1);    // sharp s
    EXPECT_EQ(unicode_to_cp437(0xA0), 0xFF);    // no-break space, last byte
    EXPECT_EQ(unicode_to_cp437(0x2588), 0xDB);  // full block
    EXPECT_EQ(unicode_to_cp437(0x20AC), -1);
    EXPECT_EQ(unicode_to_cp437(0x80), -1);
}

TEST(CodePage437, EveryByteShowsACharacterThatLeadsBackToIt) {
    EXPECT_EQ(cp437_to_unicode(0), 0u);
    EXPECT_EQ(cp437_to_unicode(1), 0x263Au);     // white face
    EXPECT_EQ(cp437_to_unicode(0x1F), 0x25BCu);  // down triangle
    EXPECT_EQ(cp437_to_unicode(' '), 0x20u);
    EXPECT_EQ(cp437_to_unicode(0x7E), 0x7Eu);
    EXPECT_EQ(cp437_to_unicode(0x7F), 0x2302u);  // house
    EXPECT_EQ(cp437_to_unicode(0xFF), 0xA0u);
    // Typed characters come back through the same table: the upper half
    // round-trips byte for byte.
    for (std::uint32_t byte = 0x80; byte <= 0xFF; ++byte) {
        EXPECT_EQ(unicode_to_cp437(cp437_to_unicode(static_cast<std::uint8_t>(byte))), static_cast<std::int32_t>(byte))
            << byte;
    }
}

}  // namespace
}  // namespace vz::test

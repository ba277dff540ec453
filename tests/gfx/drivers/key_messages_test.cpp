#include "gfx/drivers/key_messages.h"

#include <gtest/gtest.h>

namespace vz {
namespace {

struct Keys {
    std::uint8_t state[256] = {};
    Keys& hold(std::int32_t vk) {
        state[vk] = 0x80;
        return *this;
    }
};

KeyEvent press(std::int32_t vk, std::uint32_t typed, std::int32_t scan = 0) {
    KeyEvent e;
    e.vk = vk;
    e.scan = scan;
    e.down = true;
    e.typed = typed;
    return e;
}

TEST(KeyMessagesTest, PlainKeyIsOneKeyDownCarryingItsCharacterAndModifiers) {
    const KeyMessages m = key_messages(press('A', 'A', 30), Keys{}.hold(VKEY_SHIFT).state);
    ASSERT_TRUE(m.has_key);
    EXPECT_EQ(m.key.type, WindowMessageType::key_down);
    EXPECT_EQ(m.key.scan, 30);
    EXPECT_EQ(m.key.character, static_cast<std::uint32_t>('A'));
    EXPECT_TRUE(m.key.types_character);
    EXPECT_EQ(m.key.modifiers, held_modifiers(Keys{}.hold(VKEY_SHIFT).state));
    EXPECT_NE(m.key.modifiers & KEYMOD_SHIFT, 0);
    // The character travels with the key: no second message.
    EXPECT_FALSE(m.has_character);
}

TEST(KeyMessagesTest, ControlCombinationsTypeTheKeyTablesCharacters) {
    // Control+Enter is a line feed whatever the layout typed; Control+3 types nothing.
    const KeyMessages enter = key_messages(press(VKEY_RETURN, 13, 28), Keys{}.hold(VKEY_CONTROL).state);
    EXPECT_TRUE(enter.key.types_character);
    EXPECT_EQ(enter.key.character, 10u);
    const KeyMessages three = key_messages(press('3', '3', 4), Keys{}.hold(VKEY_CONTROL).state);
    EXPECT_TRUE(three.has_key);
    EXPECT_FALSE(three.key.types_character);
}

TEST(KeyMessagesTest, AltAndF10AreSystemKeysThatTypeNothing) {
    const KeyMessages alt_x = key_messages(press('X', 'x', 45), Keys{}.hold(VKEY_MENU).state);
    EXPECT_EQ(alt_x.key.type, WindowMessageType::system_key_down);
    EXPECT_TRUE(alt_x.key.alt_held);
    EXPECT_FALSE(alt_x.key.types_character);
    const KeyMessages f10 = key_messages(press(VKEY_F10, 0, 68), Keys{}.state);
    EXPECT_EQ(f10.key.type, WindowMessageType::system_key_down);
    // With Control held it is an ordinary key.
    const KeyMessages control_f10 = key_messages(press(VKEY_F10, 0, 68), Keys{}.hold(VKEY_CONTROL).state);
    EXPECT_EQ(control_f10.key.type, WindowMessageType::key_down);
}

TEST(KeyMessagesTest, ReleaseAfterAltIsASystemKeyUpWithoutCharacter) {
    KeyEvent up = press('X', 'x', 45);
    up.down = false;
    up.alt_before = true;
    const KeyMessages m = key_messages(up, Keys{}.state);
    EXPECT_EQ(m.key.type, WindowMessageType::system_key_up);
    EXPECT_FALSE(m.key.types_character);
    up.alt_before = false;
    EXPECT_EQ(key_messages(up, Keys{}.state).key.type, WindowMessageType::key_up);
}

TEST(KeyMessagesTest, KeyOutsideThePcKeyboardStillTypesItsCharacter) {
    const KeyMessages m = key_messages(press(0, 0xE9), Keys{}.state);
    EXPECT_FALSE(m.has_key);
    ASSERT_TRUE(m.has_character);
    EXPECT_EQ(m.character.character, 0xE9u);
}

TEST(KeyMessagesTest, AutoRepeatIsPassedOn) {
    KeyEvent held = press('A', 'a', 30);
    held.was_down = true;
    EXPECT_TRUE(key_messages(held, Keys{}.state).key.was_down);
}

}  // namespace
}  // namespace vz

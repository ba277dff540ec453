#include "gfx/drivers/keymap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace vz {
namespace {

constexpr std::int32_t NONE = 0;
constexpr std::int32_t EXT = KEYMOD_EXTENDED;

TEST(KeyTables, SizesAndOrder) {
    const auto& rows = scancode_table();
    ASSERT_EQ(rows.size(), 86u);
    EXPECT_EQ(rows.front().scancode, 1);
    EXPECT_EQ(rows.back().scancode, 93);
    std::set<int> seen;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_NE(rows[i].scancode, 0) << "row " << i;
        if (i > 0) {
            EXPECT_GT(rows[i].scancode, rows[i - 1].scancode) << "row " << i;
        }
        seen.insert(rows[i].scancode);
    }
    // The holes of the PC layout have no row.
    for (int missing : {74, 76, 84, 85, 86, 89, 90}) EXPECT_EQ(seen.count(missing), 0u) << missing;

    EXPECT_EQ(key_code_table().size(), 89u);
    EXPECT_EQ(enhanced_key_table().size(), 12u);
}

TEST(KeyTables, RangesRunInScancodeOrder) {
    const auto& t = key_code_table();
    // Letter rows: q (16), a (30), z (44), m (50).
    EXPECT_EQ(t[16], (KeyCodeRow{'q', 'Q', 0x11, 0x1000}));
    EXPECT_EQ(t[25], (KeyCodeRow{'p', 'P', 0x10, 0x1900}));
    EXPECT_EQ(t[30], (KeyCodeRow{'a', 'A', 0x01, 0x1E00}));
    EXPECT_EQ(t[38], (KeyCodeRow{'l', 'L', 0x0C, 0x2600}));
    EXPECT_EQ(t[44], (KeyCodeRow{'z', 'Z', 0x1A, 0x2C00}));
    EXPECT_EQ(t[50], (KeyCodeRow{'m', 'M', 0x0D, 0x3200}));
    // F1 and F10.
    EXPECT_EQ(t[59], (KeyCodeRow{0x3B00, 0x5400, 0x5E00, 0x6800}));
    EXPECT_EQ(t[68], (KeyCodeRow{0x4400, 0x5D00, 0x6700, 0x7100}));
    EXPECT_EQ(t[62][3], 0x6B00);  // Alt+F4 is the close code's byte
    EXPECT_EQ(t[88], (KeyCodeRow{0x8600, 0x8800, 0x8A00, 0x8C00}));
    for (int sc : {0, 29, 42, 54, 56, 58, 69, 70, 84, 85, 86}) EXPECT_EQ(t[sc], (KeyCodeRow{0, 0, 0, 0})) << sc;
}

TEST(ScancodeOf, FirstMatchingRowEitherColumn) {
    EXPECT_EQ(scancode_of(0x10), 42);  // both shift keys report the one shift key
    EXPECT_EQ(scancode_of(0x64), 75);  // keypad 4 through the second column
    EXPECT_EQ(scancode_of(0x25), 75);
    EXPECT_EQ(scancode_of(0x1B), 1);
    EXPECT_EQ(scancode_of(0x6D), 12);
    EXPECT_EQ(scancode_of(0x5D), 93);
    EXPECT_EQ(scancode_of(0x07), 0);  // no row
    EXPECT_EQ(scancode_of(0xFF), 0);
    // 0 is the "no second key" filler, not a key.
    EXPECT_EQ(scancode_of(0), 0);
    EXPECT_EQ(scancode_of(-1), 0);
    EXPECT_EQ(scancode_of(0x141), 0);
}

TEST(RefreshKeyStates, HighBitOfEitherKey) {
    std::uint8_t keyboard[256] = {};
    std::uint8_t state[128];
    std::memset(state, 7, sizeof state);
    keyboard[0x10] = 0x80;  // shift
    keyboard[0x66] = 0x81;  // keypad 6, second key of scancode 77
    keyboard[0x1B] = 0x01;  // toggled only: not held
    refresh_key_states(keyboard, state);
    EXPECT_EQ(state[42], 1);
    EXPECT_EQ(state[54], 1);
    EXPECT_EQ(state[77], 1);
    EXPECT_EQ(state[1], 0);
    EXPECT_EQ(state[30], 0);
    // Scancodes without a row are left alone.
    EXPECT_EQ(state[0], 7);
    EXPECT_EQ(state[74], 7);
    EXPECT_EQ(state[127], 7);

    keyboard[0x10] = 0;
    refresh_key_states(keyboard, state);
    EXPECT_EQ(state[42], 0);
    EXPECT_EQ(state[54], 0);
}

TEST(VkToChar, UsLayout) {
    EXPECT_EQ(vk_to_char(0x41), 'A');
    EXPECT_EQ(vk_to_char(0x5A), 'Z');
    EXPECT_EQ(vk_to_char(0x30), '0');
    EXPECT_EQ(vk_to_char(0x63), '3');
    EXPECT_EQ(vk_to_char(0xBA), ';');
    EXPECT_EQ(vk_to_char(0xDE), '\'');
    EXPECT_EQ(vk_to_char(0x0D), 13);
    EXPECT_EQ(vk_to_char(0x25), 0);  // arrows have no character
    EXPECT_EQ(vk_to_char(0x70), 0);  // nor function keys
    EXPECT_EQ(vk_to_char(0x10), 0);
}

TEST(TranslateKey, EnhancedBlock) {
    EXPECT_EQ(translate_key(0, 75, 0x25, EXT, 0), 0x4BFF);                        // grey Left
    EXPECT_EQ(translate_key(0, 75, 0x25, EXT + KEYMOD_CONTROL, 0), 0x73FF);
    EXPECT_EQ(translate_key(0, 75, 0x25, EXT + KEYMOD_RIGHT_CONTROL, 0), 0x73FF);
    EXPECT_EQ(translate_key(0, 75, 0x25, EXT + KEYMOD_SHIFT, 0), 0x4BFF);
    EXPECT_EQ(translate_key(0, 75, 0x25, EXT + KEYMOD_RIGHT_ALT, 0), 0x9BFF);
    // Alt wins over control, control over shift.
    EXPECT_EQ(translate_key(0, 72, 0x26, EXT + KEYMOD_ALT + KEYMOD_CONTROL + KEYMOD_SHIFT, 0), 0x98FF);
    EXPECT_EQ(translate_key(0, 72, 0x26, EXT + KEYMOD_CONTROL + KEYMOD_SHIFT, 0), 0x8DFF);
    // Character values are returned as they are.
    EXPECT_EQ(translate_key(0, 28, 0x0D, EXT + KEYMOD_CONTROL, 0), 0x0A);
    EXPECT_EQ(translate_key(0, 28, 0x0D, EXT, 0), 0x0D);
    EXPECT_EQ(translate_key(0, 53, 0x6F, EXT + KEYMOD_SHIFT, 0), 0x3F);
    // Not in the block.
    EXPECT_EQ(translate_key(0, 30, 0x41, EXT, 0), -1);
    EXPECT_EQ(translate_key(0, 29, 0x11, EXT + KEYMOD_RIGHT_CONTROL, 0), -1);  // right control alone
}

TEST(TranslateKey, MainTable) {
    EXPECT_EQ(translate_key(0, 75, 0x25, NONE, 0), 0x4BFF);  // keypad Left, no extended flag
    EXPECT_EQ(translate_key('a', 30, 0x41, NONE, 0), 97);
    EXPECT_EQ(translate_key('A', 30, 0x41, KEYMOD_SHIFT, 0), 'A');
    EXPECT_EQ(translate_key('a', 30, 0x41, KEYMOD_ALT, 0), 0x1EFF);
    EXPECT_EQ(translate_key('x', 45, 0x58, KEYMOD_ALT, 0), 0x2DFF);
    EXPECT_EQ(translate_key(0x01, 30, 0x41, KEYMOD_CONTROL, 0), 0x01);  // Ctrl+A: a character
    EXPECT_EQ(translate_key(0, 42, 0x10, KEYMOD_SHIFT, 0), -1);         // shift alone
    EXPECT_EQ(translate_key(0, 29, 0x11, KEYMOD_CONTROL, 0), -1);
    EXPECT_EQ(translate_key(0, 59, 0x70, NONE, 0), 0x3BFF);  // F1
    EXPECT_EQ(translate_key(0, 59, 0x70, KEYMOD_SHIFT, 0), 0x54FF);
    EXPECT_EQ(translate_key(0, 62, 0x73, KEYMOD_ALT, 0), 0x6BFF);  // Alt+F4 = close code
    EXPECT_EQ(translate_key(0, 88, 0x7B, NONE, 0), 0x86FF);  // F12
    EXPECT_EQ(translate_key('1', 2, 0x31, KEYMOD_ALT, 0), 0x78FF);
    // Shift+Tab arrives with its tab character and reads as back-tab.
    EXPECT_EQ(translate_key(9, 15, 0x09, KEYMOD_SHIFT, 0), 0x0FFF);
    EXPECT_EQ(translate_key(9, 15, 0x09, NONE, 0), 9);
    // A character that is not the key's own (a different layout) stays a character.
    EXPECT_EQ(translate_key(0xE9, 30, 0x41, KEYMOD_ALT, 0), 0xE9);
    // Characters above 127 come through as bytes.
    EXPECT_EQ(translate_key(-126, 41, 0xC0, NONE, 0), 130);
}

TEST(TranslateKey, OutOfTableAndSuppressedCharacters) {
    EXPECT_EQ(translate_key(0, 91, 0x5B, NONE, 0), -1);   // Windows key: no table row
    EXPECT_EQ(translate_key('q', 91, 0x5B, NONE, 0), 'q');
    EXPECT_EQ(translate_key(0, -5, 0, NONE, 0), -1);
    EXPECT_EQ(translate_key('a', 30, 0x41, NONE, 1), -1);
    EXPECT_EQ(translate_key('a', 30, 0x41, KEYMOD_ALT, 1), 0x1EFF);  // extended codes still come
}

}  // namespace
}  // namespace vz

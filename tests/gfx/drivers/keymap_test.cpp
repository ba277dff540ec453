#include "gfx/drivers/keymap.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>

namespace vz {
namespace {

constexpr std::int32_t NONE = 0;
constexpr std::int32_t EXT = KEYMOD_EXTENDED;

constexpr std::int32_t COLUMNS[4] = {NONE, KEYMOD_SHIFT, KEYMOD_CONTROL, KEYMOD_ALT};

// The key code of a key without a character, in the four modifier columns.
std::array<std::int32_t, 4> codes_of(std::int32_t scancode, std::int32_t extra = NONE) {
    std::array<std::int32_t, 4> codes{};
    for (int c = 0; c < 4; ++c)
        codes[static_cast<std::size_t>(c)] = translate_key(0, scancode, 0, COLUMNS[c] + extra, 0);
    return codes;
}

TEST(KeyTables, SizesAndOrder) {
    // 86 scancodes have a row, from 1 to 93.
    std::set<int> seen;
    for (int sc = -1; sc < 256; ++sc) {
        if (vk_at_scancode(sc) != 0) seen.insert(sc);
    }
    ASSERT_EQ(seen.size(), 86u);
    EXPECT_EQ(*seen.begin(), 1);
    EXPECT_EQ(*seen.rbegin(), 93);
    // The holes of the PC layout have no row.
    for (int missing : {74, 76, 84, 85, 86, 89, 90}) EXPECT_EQ(seen.count(missing), 0u) << missing;
    // Each row's first key leads back to it, unless an earlier row names the
    // same key (the one shift key of both shift scancodes).
    for (int sc : seen) {
        const int back = scancode_of(vk_at_scancode(sc));
        EXPECT_TRUE(back == sc || (back < sc && back != 0)) << sc;
    }
    EXPECT_EQ(vk_at_scancode(42), 0x10);
    EXPECT_EQ(vk_at_scancode(54), 0x10);
    EXPECT_EQ(vk_at_scancode(75), 0x25);  // the first of the row's two keys

    // The key code table covers scancodes 0 to 88: F12 (88) is its last row.
    EXPECT_EQ(codes_of(88), (std::array<std::int32_t, 4>{0x86FF, 0x88FF, 0x8AFF, 0x8CFF}));
    for (int sc : {89, 90, 127, 255}) EXPECT_EQ(codes_of(sc), (std::array<std::int32_t, 4>{-1, -1, -1, -1})) << sc;

    // Twelve keys of the separate blocks answer to the extended flag.
    int enhanced = 0;
    for (int sc = 0; sc < 256; ++sc) {
        if (translate_key(0, sc, 0, EXT, 0) != -1) ++enhanced;
    }
    EXPECT_EQ(enhanced, 12);
}

TEST(KeyTables, RangesRunInScancodeOrder) {
    // Letter rows: q (16), a (30), z (44), m (50). Plain and shifted presses
    // are the characters themselves; alt gives the row's extended code.
    const struct {
        int scancode;
        int vk;
        char lower;
        std::int32_t alt;
    } letters[] = {{16, 'Q', 'q', 0x10FF}, {25, 'P', 'p', 0x19FF}, {30, 'A', 'a', 0x1EFF},
                   {38, 'L', 'l', 0x26FF}, {44, 'Z', 'z', 0x2CFF}, {50, 'M', 'm', 0x32FF}};
    for (const auto& key : letters) {
        const char upper = static_cast<char>(key.lower - 0x20);
        EXPECT_EQ(translate_key(key.lower, key.scancode, key.vk, NONE, 0), key.lower) << key.scancode;
        EXPECT_EQ(translate_key(upper, key.scancode, key.vk, KEYMOD_SHIFT, 0), upper) << key.scancode;
        EXPECT_EQ(translate_key(key.lower, key.scancode, key.vk, KEYMOD_ALT, 0), key.alt) << key.scancode;
        EXPECT_EQ(scancode_of(key.vk), key.scancode);
    }
    // F1 and F10.
    EXPECT_EQ(codes_of(59), (std::array<std::int32_t, 4>{0x3BFF, 0x54FF, 0x5EFF, 0x68FF}));
    EXPECT_EQ(codes_of(68), (std::array<std::int32_t, 4>{0x44FF, 0x5DFF, 0x67FF, 0x71FF}));
    EXPECT_EQ(codes_of(62)[3], 0x6BFF);  // Alt+F4 is the close code
    // Scancodes without key codes (modifiers, locks, the layout's holes).
    for (int sc : {0, 29, 42, 54, 56, 58, 69, 70, 84, 85, 86}) {
        EXPECT_EQ(codes_of(sc), (std::array<std::int32_t, 4>{-1, -1, -1, -1})) << sc;
    }
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
    EXPECT_EQ(translate_key(0, 75, 0x25, EXT, 0), 0x4BFF);  // grey Left
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
    EXPECT_EQ(translate_key(0, 88, 0x7B, NONE, 0), 0x86FF);        // F12
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
    EXPECT_EQ(translate_key(0, 91, 0x5B, NONE, 0), -1);  // Windows key: no table row
    EXPECT_EQ(translate_key('q', 91, 0x5B, NONE, 0), 'q');
    EXPECT_EQ(translate_key(0, -5, 0, NONE, 0), -1);
    EXPECT_EQ(translate_key('a', 30, 0x41, NONE, 1), -1);
    EXPECT_EQ(translate_key('a', 30, 0x41, KEYMOD_ALT, 1), 0x1EFF);  // extended codes still come
}

}  // namespace
}  // namespace vz

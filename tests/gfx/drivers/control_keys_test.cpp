#include "gfx/drivers/control_keys.h"

#include <gtest/gtest.h>

#include "gfx/drivers/keymap.h"

namespace vz {
namespace {

// The character typed, or -1 for none; -2 when the layout decides.
std::int32_t typed(std::int32_t vk, std::int32_t modifiers) {
    const ControlCharacter c = control_character(vk, modifiers);
    return c.decided ? c.character : -2;
}

TEST(ControlKeys, ControlGivesTheTablesCharactersAndNothingElse) {
    EXPECT_EQ(typed('A', KEYMOD_CONTROL), 1);
    EXPECT_EQ(typed('Z', KEYMOD_RIGHT_CONTROL), 26);
    EXPECT_EQ(typed('C', KEYMOD_CONTROL | KEYMOD_SHIFT), 3);
    EXPECT_EQ(typed(0x0D, KEYMOD_CONTROL), 0x0A);
    EXPECT_EQ(typed(0x0D, KEYMOD_CONTROL | KEYMOD_EXTENDED), 0x0A);  // keypad Enter
    EXPECT_EQ(typed(0x08, KEYMOD_CONTROL), 0x7F);
    EXPECT_EQ(typed(0x20, KEYMOD_CONTROL), 0x20);
    EXPECT_EQ(typed(0xDB, KEYMOD_CONTROL), 0x1B);
    EXPECT_EQ(typed(0xDC, KEYMOD_CONTROL), 0x1C);
    EXPECT_EQ(typed(0xDD, KEYMOD_CONTROL), 0x1D);
    // The shifted digit row: only @, ^ and _ have a control character.
    EXPECT_EQ(typed('2', KEYMOD_CONTROL | KEYMOD_SHIFT), 0x00);
    EXPECT_EQ(typed('6', KEYMOD_CONTROL | KEYMOD_SHIFT), 0x1E);
    EXPECT_EQ(typed(0xBD, KEYMOD_CONTROL | KEYMOD_SHIFT), 0x1F);
    for (std::int32_t vk :
         std::initializer_list<std::int32_t>{'1', '2', '3', '6', '8', 0xBD, 0xBC, 0xBA, 0xBF, 0x09, 0x60}) {
        EXPECT_EQ(typed(vk, KEYMOD_CONTROL), -1) << "vk " << vk;
    }
}

TEST(ControlKeys, ShiftTabIsATabAndTheLayoutKeepsTheRest) {
    EXPECT_EQ(typed(0x09, KEYMOD_SHIFT), 9);
    EXPECT_EQ(typed(0x09, 0), -2);
    EXPECT_EQ(typed('A', KEYMOD_SHIFT), -2);
    EXPECT_EQ(typed('A', 0), -2);
    // Control with Alt is AltGr on many layouts: its characters are the layout's.
    EXPECT_EQ(typed('Q', KEYMOD_CONTROL | KEYMOD_ALT), -2);
    EXPECT_EQ(typed('Q', KEYMOD_RIGHT_CONTROL | KEYMOD_RIGHT_ALT), -2);
    EXPECT_EQ(typed(0x09, KEYMOD_SHIFT | KEYMOD_ALT), -2);
}

}  // namespace
}  // namespace vz

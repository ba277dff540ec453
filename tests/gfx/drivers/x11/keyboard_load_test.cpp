#include <gtest/gtest.h>

#include <vector>

#include "gfx/drivers/x11/x11_keyboard_load.h"

// Last: the X headers define macros that clash with the test framework's names.
#include <X11/X.h>
#include <X11/keysym.h>

namespace vz::x11 {
namespace {

// A keyboard as the start-up check sees it through the key lookup: which
// tables Xlib could load, and the key codes asked for.
struct FakeKeyboard {
    enum class Tables { none, core, xkb } tables = Tables::none;
    std::vector<int> asked;
};
FakeKeyboard* g_keyboard = nullptr;

// Key codes 9 (Escape, one level) and 38 (a letter, two levels) carry
// symbols; the core translation reports Shift and Lock consumed for every key.
Bool fake_lookup(Display*, KeyCode keycode, unsigned, unsigned* consumed, KeySym* keysym) {
    g_keyboard->asked.push_back(keycode);
    *consumed = 0;
    *keysym = NoSymbol;
    if (g_keyboard->tables == FakeKeyboard::Tables::none) return False;
    if (keycode == 9) *keysym = XK_Escape;
    if (keycode == 38) *keysym = XK_a;
    if (g_keyboard->tables == FakeKeyboard::Tables::core) {
        *consumed = ShiftMask | LockMask;
    } else if (keycode == 38) {
        *consumed = ShiftMask | LockMask;
    }
    return True;
}

class KeyboardLoad : public ::testing::Test {
protected:
    void SetUp() override { g_keyboard = &keyboard_; }
    void TearDown() override { g_keyboard = nullptr; }
    bool loaded(bool xkb, int min_keycode = 8, int max_keycode = 255) {
        return keyboard_tables_loaded(nullptr, min_keycode, max_keycode, xkb, &fake_lookup);
    }
    FakeKeyboard keyboard_;
};

TEST_F(KeyboardLoad, NoTablesFailTheStart) {
    keyboard_.tables = FakeKeyboard::Tables::none;
    EXPECT_FALSE(loaded(true));
    EXPECT_FALSE(loaded(false));
    // Every key code was tried before giving up.
    EXPECT_EQ(keyboard_.asked.size(), 2u * 248u);
}

TEST_F(KeyboardLoad, CoreFallbackIsAFailureWhileTheExtensionIsInUse) {
    // Xlib fell back to the core table: it would load the extension's map
    // again on a key press, so the start fails.
    keyboard_.tables = FakeKeyboard::Tables::core;
    EXPECT_FALSE(loaded(true));
    // Without the extension the core table is all the key path uses.
    EXPECT_TRUE(loaded(false));
}

TEST_F(KeyboardLoad, ExtensionMapIsTheSuccess) {
    keyboard_.tables = FakeKeyboard::Tables::xkb;
    EXPECT_TRUE(loaded(true));
    // The check stops at the first one-level key.
    EXPECT_EQ(keyboard_.asked.back(), 9);
    EXPECT_TRUE(loaded(false));
}

TEST_F(KeyboardLoad, KeyCodesOutsideTheServersRangeAreNotAsked) {
    keyboard_.tables = FakeKeyboard::Tables::none;
    EXPECT_FALSE(loaded(true, -4, 300));
    ASSERT_EQ(keyboard_.asked.size(), 256u);
    EXPECT_EQ(keyboard_.asked.front(), 0);
    EXPECT_EQ(keyboard_.asked.back(), 255);
    // A range without the symbol keys finds no table.
    keyboard_.asked.clear();
    keyboard_.tables = FakeKeyboard::Tables::xkb;
    EXPECT_FALSE(loaded(true, 10, 37));
    EXPECT_EQ(keyboard_.asked.size(), 28u);
}

}  // namespace
}  // namespace vz::x11

namespace vz::x11 {
namespace {

TEST(KeyboardMappingNotice, KeyAndModifierChangesKeepTheLoadedTables) {
    EXPECT_TRUE(keyboard_mapping_change(MappingKeyboard));
    EXPECT_TRUE(keyboard_mapping_change(MappingModifier));
    // The pointer's button map is no key table: Xlib takes it as it comes.
    EXPECT_FALSE(keyboard_mapping_change(MappingPointer));
}

}  // namespace
}  // namespace vz::x11

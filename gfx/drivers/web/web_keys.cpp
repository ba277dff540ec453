// KeyboardEvent.code names the key's position on a US keyboard, so one table
// gives both the set-1 scancode and the virtual key of that position.

#include "gfx/drivers/web/web_keys.h"

#include <iterator>

#include "gfx/drivers/window_proc.h"

namespace vz::web {

namespace {

struct KeyRow {
    std::string_view code;
    std::int32_t scan;
    bool extended;
    std::int32_t vk;
    std::int32_t side_vk;
};

constexpr KeyRow KEYS[] = {
    {"Escape", 1, false, 0x1B, 0},
    {"Digit1", 2, false, '1', 0},
    {"Digit2", 3, false, '2', 0},
    {"Digit3", 4, false, '3', 0},
    {"Digit4", 5, false, '4', 0},
    {"Digit5", 6, false, '5', 0},
    {"Digit6", 7, false, '6', 0},
    {"Digit7", 8, false, '7', 0},
    {"Digit8", 9, false, '8', 0},
    {"Digit9", 10, false, '9', 0},
    {"Digit0", 11, false, '0', 0},
    {"Minus", 12, false, 0xBD, 0},
    {"Equal", 13, false, 0xBB, 0},
    {"Backspace", 14, false, VKEY_BACK, 0},
    {"Tab", 15, false, 0x09, 0},
    {"KeyQ", 16, false, 'Q', 0},
    {"KeyW", 17, false, 'W', 0},
    {"KeyE", 18, false, 'E', 0},
    {"KeyR", 19, false, 'R', 0},
    {"KeyT", 20, false, 'T', 0},
    {"KeyY", 21, false, 'Y', 0},
    {"KeyU", 22, false, 'U', 0},
    {"KeyI", 23, false, 'I', 0},
    {"KeyO", 24, false, 'O', 0},
    {"KeyP", 25, false, 'P', 0},
    {"BracketLeft", 26, false, 0xDB, 0},
    {"BracketRight", 27, false, 0xDD, 0},
    {"Enter", 28, false, VKEY_RETURN, 0},
    {"ControlLeft", 29, false, VKEY_CONTROL, VKEY_LCONTROL},
    {"KeyA", 30, false, 'A', 0},
    {"KeyS", 31, false, 'S', 0},
    {"KeyD", 32, false, 'D', 0},
    {"KeyF", 33, false, 'F', 0},
    {"KeyG", 34, false, 'G', 0},
    {"KeyH", 35, false, 'H', 0},
    {"KeyJ", 36, false, 'J', 0},
    {"KeyK", 37, false, 'K', 0},
    {"KeyL", 38, false, 'L', 0},
    {"Semicolon", 39, false, 0xBA, 0},
    {"Quote", 40, false, 0xDE, 0},
    {"Backquote", 41, false, 0xC0, 0},
    {"ShiftLeft", 42, false, VKEY_SHIFT, VKEY_LSHIFT},
    {"Backslash", 43, false, 0xDC, 0},
    {"KeyZ", 44, false, 'Z', 0},
    {"KeyX", 45, false, 'X', 0},
    {"KeyC", 46, false, 'C', 0},
    {"KeyV", 47, false, 'V', 0},
    {"KeyB", 48, false, 'B', 0},
    {"KeyN", 49, false, 'N', 0},
    {"KeyM", 50, false, 'M', 0},
    {"Comma", 51, false, 0xBC, 0},
    {"Period", 52, false, 0xBE, 0},
    {"Slash", 53, false, 0xBF, 0},
    {"ShiftRight", 54, false, VKEY_SHIFT, VKEY_RSHIFT},
    {"NumpadMultiply", 55, false, 0x6A, 0},
    {"AltLeft", 56, false, VKEY_MENU, VKEY_LMENU},
    {"Space", 57, false, 0x20, 0},
    {"CapsLock", 58, false, 0x14, 0},
    {"F1", 59, false, 0x70, 0},
    {"F2", 60, false, 0x71, 0},
    {"F3", 61, false, 0x72, 0},
    {"F4", 62, false, 0x73, 0},
    {"F5", 63, false, 0x74, 0},
    {"F6", 64, false, 0x75, 0},
    {"F7", 65, false, 0x76, 0},
    {"F8", 66, false, 0x77, 0},
    {"F9", 67, false, 0x78, 0},
    {"F10", 68, false, VKEY_F10, 0},
    {"NumLock", 69, false, 0x90, 0},
    {"ScrollLock", 70, false, 0x91, 0},
    {"Numpad7", 71, false, 0x67, 0},
    {"Numpad8", 72, false, 0x68, 0},
    {"Numpad9", 73, false, 0x69, 0},
    {"NumpadSubtract", 74, false, 0x6D, 0},
    {"Numpad4", 75, false, 0x64, 0},
    {"Numpad5", 76, false, 0x65, 0},
    {"Numpad6", 77, false, 0x66, 0},
    {"NumpadAdd", 78, false, 0x6B, 0},
    {"Numpad1", 79, false, 0x61, 0},
    {"Numpad2", 80, false, 0x62, 0},
    {"Numpad3", 81, false, 0x63, 0},
    {"Numpad0", 82, false, 0x60, 0},
    {"NumpadDecimal", 83, false, 0x6E, 0},
    {"IntlBackslash", 86, false, 0xE2, 0},
    {"F11", 87, false, 0x7A, 0},
    {"F12", 88, false, 0x7B, 0},
    // The separate blocks: the same scancodes with the extended flag.
    {"NumpadEnter", 28, true, VKEY_RETURN, 0},
    {"ControlRight", 29, true, VKEY_CONTROL, VKEY_RCONTROL},
    {"NumpadDivide", 53, true, 0x6F, 0},
    {"PrintScreen", 55, true, 0x2C, 0},
    {"AltRight", 56, true, VKEY_MENU, VKEY_RMENU},
    {"Pause", 69, false, 0x13, 0},
    {"Home", 71, true, 0x24, 0},
    {"ArrowUp", 72, true, 0x26, 0},
    {"PageUp", 73, true, 0x21, 0},
    {"ArrowLeft", 75, true, 0x25, 0},
    {"ArrowRight", 77, true, 0x27, 0},
    {"End", 79, true, 0x23, 0},
    {"ArrowDown", 80, true, 0x28, 0},
    {"PageDown", 81, true, 0x22, 0},
    {"Insert", 82, true, 0x2D, 0},
    {"Delete", 83, true, 0x2E, 0},
    {"MetaLeft", 91, true, 0x5B, 0},
    {"MetaRight", 92, true, 0x5C, 0},
    {"ContextMenu", 93, true, 0x5D, 0},
};

}  // namespace

KeyMeaning key_meaning(std::string_view code) {
    for (const KeyRow& row : KEYS) {
        if (row.code == code) return KeyMeaning{row.vk, row.side_vk, row.scan, row.extended};
    }
    return KeyMeaning{};
}

void note_key(std::uint8_t state[256], const KeyMeaning& meaning, bool down) {
    const std::uint8_t value = down ? 0x80 : 0;
    if (meaning.side_vk != 0) {
        state[meaning.side_vk] = value;
        const std::int32_t left = meaning.vk == VKEY_SHIFT     ? VKEY_LSHIFT
                                  : meaning.vk == VKEY_CONTROL ? VKEY_LCONTROL
                                                               : VKEY_LMENU;
        state[meaning.vk] = static_cast<std::uint8_t>((state[left] | state[left + 1]) & 0x80);
    } else if (meaning.vk > 0 && meaning.vk < 256) {
        state[meaning.vk] = value;
    }
}

}  // namespace vz::web

// X key events in the terms of the key translation: PC set-1 scancodes with the
// extended flag (from the key's position) and the virtual keys of a US layout
// (from the key's unshifted symbol), plus the typed character.
//
// With the evdev key codes every current X server uses, key code - 8 is the
// Linux key number, which equals the set-1 scancode for the main block; the
// keys of the separate blocks have numbers of their own and are mapped to
// their scancode with the extended flag. Other key codes fall back to the
// scancode the virtual key stands for.

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <cstring>

#include "gfx/drivers/keymap.h"
#include "gfx/drivers/x11/x11_internal.h"

namespace vz::x11 {

namespace {

constexpr unsigned EVDEV_OFFSET = 8;
constexpr unsigned LINUX_LAST_MAIN_BLOCK = 88;  // F12

struct ExtendedKey {
    unsigned linux_code;
    std::int32_t scan;
    bool extended;
};
constexpr ExtendedKey SEPARATE_BLOCKS[] = {
    {96, 28, true},    // keypad Enter
    {97, 29, true},    // right Control
    {98, 53, true},    // keypad /
    {99, 55, true},    // Print Screen
    {100, 56, true},   // right Alt
    {102, 71, true},   // Home
    {103, 72, true},   // Up
    {104, 73, true},   // Page Up
    {105, 75, true},   // Left
    {106, 77, true},   // Right
    {107, 79, true},   // End
    {108, 80, true},   // Down
    {109, 81, true},   // Page Down
    {110, 82, true},   // Insert
    {111, 83, true},   // Delete
    {119, 69, false},  // Pause
    {125, 91, true},   // left Windows key
    {126, 92, true},   // right Windows key
    {127, 93, true},   // Menu
};

bool keypad_keysym(KeySym k) { return k >= XK_KP_Space && k <= XK_KP_Equal; }

std::int32_t vk_from_keysym(KeySym k) {
    if (k >= XK_a && k <= XK_z) return static_cast<std::int32_t>('A' + (k - XK_a));
    if (k >= XK_A && k <= XK_Z) return static_cast<std::int32_t>(k);
    if (k >= XK_0 && k <= XK_9) return static_cast<std::int32_t>(k);
    if (k >= XK_F1 && k <= XK_F24) return static_cast<std::int32_t>(0x70 + (k - XK_F1));
    if (k >= XK_KP_0 && k <= XK_KP_9) return static_cast<std::int32_t>(0x60 + (k - XK_KP_0));
    switch (k) {
    case XK_space:
        return 0x20;
    case XK_Return:
    case XK_KP_Enter:
        return VKEY_RETURN;
    case XK_Escape:
        return 0x1B;
    case XK_BackSpace:
        return VKEY_BACK;
    case XK_Tab:
    case XK_ISO_Left_Tab:
        return 0x09;
    case XK_Shift_L:
    case XK_Shift_R:
        return VKEY_SHIFT;
    case XK_Control_L:
    case XK_Control_R:
        return VKEY_CONTROL;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
    case XK_ISO_Level3_Shift:
    case XK_Mode_switch:
        return VKEY_MENU;
    case XK_Super_L:
        return 0x5B;
    case XK_Super_R:
        return 0x5C;
    case XK_Menu:
        return 0x5D;
    case XK_Caps_Lock:
        return 0x14;
    case XK_Num_Lock:
        return 0x90;
    case XK_Scroll_Lock:
        return 0x91;
    case XK_Pause:
    case XK_Break:
        return 0x13;
    case XK_Print:
    case XK_Sys_Req:
        return 0x2C;
    case XK_Home:
    case XK_KP_Home:
        return 0x24;
    case XK_Left:
    case XK_KP_Left:
        return 0x25;
    case XK_Up:
    case XK_KP_Up:
        return 0x26;
    case XK_Right:
    case XK_KP_Right:
        return 0x27;
    case XK_Down:
    case XK_KP_Down:
        return 0x28;
    case XK_Prior:
    case XK_KP_Prior:
        return 0x21;
    case XK_Next:
    case XK_KP_Next:
        return 0x22;
    case XK_End:
    case XK_KP_End:
        return 0x23;
    case XK_Insert:
    case XK_KP_Insert:
        return 0x2D;
    case XK_Delete:
    case XK_KP_Delete:
        return 0x2E;
    case XK_Clear:
    case XK_KP_Begin:
        return 0x0C;
    case XK_KP_Multiply:
        return 0x6A;
    case XK_KP_Add:
        return 0x6B;
    case XK_KP_Separator:
        return 0x6C;
    case XK_KP_Subtract:
        return 0x6D;
    case XK_KP_Decimal:
        return 0x6E;
    case XK_KP_Divide:
        return 0x6F;
    case XK_semicolon:
        return 0xBA;
    case XK_equal:
        return 0xBB;
    case XK_comma:
        return 0xBC;
    case XK_minus:
        return 0xBD;
    case XK_period:
        return 0xBE;
    case XK_slash:
        return 0xBF;
    case XK_grave:
        return 0xC0;
    case XK_bracketleft:
        return 0xDB;
    case XK_backslash:
        return 0xDC;
    case XK_bracketright:
        return 0xDD;
    case XK_apostrophe:
        return 0xDE;
    case XK_less:
        return 0xE2;
    default:
        return 0;
    }
}

std::int32_t side_vk_of(KeySym k) {
    switch (k) {
    case XK_Shift_L:
        return VKEY_LSHIFT;
    case XK_Shift_R:
        return VKEY_RSHIFT;
    case XK_Control_L:
        return VKEY_LCONTROL;
    case XK_Control_R:
        return VKEY_RCONTROL;
    case XK_Alt_L:
    case XK_Meta_L:
        return VKEY_LMENU;
    case XK_Alt_R:
    case XK_Meta_R:
    case XK_ISO_Level3_Shift:
    case XK_Mode_switch:
        return VKEY_RMENU;
    default:
        return 0;
    }
}

// Keys reported with the extended flag, by symbol (for unknown key codes).
bool extended_by_keysym(KeySym k) {
    switch (k) {
    case XK_Home:
    case XK_Left:
    case XK_Up:
    case XK_Right:
    case XK_Down:
    case XK_Prior:
    case XK_Next:
    case XK_End:
    case XK_Insert:
    case XK_Delete:
    case XK_KP_Enter:
    case XK_KP_Divide:
    case XK_Control_R:
    case XK_Alt_R:
    case XK_ISO_Level3_Shift:
    case XK_Super_L:
    case XK_Super_R:
    case XK_Menu:
    case XK_Print:
        return true;
    default:
        return false;
    }
}

// The code point of UTF-8 text that holds exactly one, else 0.
std::uint32_t one_code_point(const char* text, int length) {
    if (length <= 0) return 0;
    const auto lead = static_cast<unsigned char>(text[0]);
    int size = 1;
    std::uint32_t code = lead;
    if (lead >= 0xF0) {
        size = 4;
        code = lead & 0x07u;
    } else if (lead >= 0xE0) {
        size = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xC0) {
        size = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0x80) {
        return 0;  // not a lead byte
    }
    if (length != size) return 0;
    for (int i = 1; i < size; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0u) != 0x80u) return 0;
        code = (code << 6) | (next & 0x3Fu);
    }
    return code;
}

}  // namespace

KeyMeaning key_meaning(Display* display, unsigned keycode, KeySym event_keysym) {
    KeyMeaning meaning;
    const KeySym unshifted = XkbKeycodeToKeysym(display, static_cast<KeyCode>(keycode), 0, 0);
    // The keypad follows Num Lock (digits or navigation); other keys their
    // unshifted symbol.
    const KeySym symbol = keypad_keysym(event_keysym) ? event_keysym : unshifted;

    if (keycode >= EVDEV_OFFSET) {
        const unsigned linux_code = keycode - EVDEV_OFFSET;
        if (linux_code >= 1 && linux_code <= LINUX_LAST_MAIN_BLOCK) {
            meaning.scan = static_cast<std::int32_t>(linux_code);
        } else {
            for (const ExtendedKey& key : SEPARATE_BLOCKS) {
                if (key.linux_code == linux_code) {
                    meaning.scan = key.scan;
                    meaning.extended = key.extended;
                }
            }
        }
    }
    meaning.vk = vk_from_keysym(symbol);
    meaning.side_vk = side_vk_of(unshifted);
    if (meaning.vk == 0 && meaning.scan != 0 && !meaning.extended) meaning.vk = vk_at_scancode(meaning.scan);
    if (meaning.scan == 0 && meaning.vk != 0) {
        meaning.scan = scancode_of(meaning.vk);
        meaning.extended = extended_by_keysym(unshifted);
    }
    return meaning;
}

std::uint32_t typed_code_point(XKeyEvent& event, KeySym* keysym) {
    char bytes[32] = {};
    XIC context = state().input_context;
    *keysym = NoSymbol;
    if (event.type == KeyPress && context != nullptr) {
        Status status = 0;
        const int length = Xutf8LookupString(context, &event, bytes, sizeof bytes - 1, keysym, &status);
        if (status != XLookupChars && status != XLookupBoth) return 0;
        if (*keysym == XK_Delete || *keysym == XK_KP_Delete) return 0;  // Delete types nothing
        return one_code_point(bytes, length);
    }
    const int length = XLookupString(&event, bytes, sizeof bytes, keysym, nullptr);
    const KeySym k = *keysym;
    if (k == XK_Delete || k == XK_KP_Delete) return 0;
    if ((k & 0xFF000000u) == 0x01000000u) return static_cast<std::uint32_t>(k & 0x00FFFFFFu);
    if (length == 1) return static_cast<unsigned char>(bytes[0]);  // Latin-1
    if (k == XK_EuroSign) return 0x20AC;
    return 0;
}

void note_key(const KeyMeaning& meaning, unsigned keycode, bool down) {
    State& s = state();
    if (keycode < 256) s.keycode_down[keycode] = down;
    const std::uint8_t value = down ? 0x80 : 0;
    if (meaning.side_vk != 0) {
        s.vk_state[meaning.side_vk] = value;
        // The shared key is down while either side is.
        const std::int32_t left = meaning.vk == VKEY_SHIFT     ? VKEY_LSHIFT
                                  : meaning.vk == VKEY_CONTROL ? VKEY_LCONTROL
                                                               : VKEY_LMENU;
        s.vk_state[meaning.vk] = static_cast<std::uint8_t>((s.vk_state[left] | s.vk_state[left + 1]) & 0x80);
    } else if (meaning.vk != 0) {
        s.vk_state[meaning.vk] = value;
    }
}

void sync_keys(Display* display, const char keys[32]) {
    State& s = state();
    std::memset(s.vk_state, 0, sizeof s.vk_state);
    std::memset(s.keycode_down, 0, sizeof s.keycode_down);
    for (unsigned keycode = 0; keycode < 256; ++keycode) {
        if ((static_cast<unsigned char>(keys[keycode / 8]) & (1u << (keycode % 8))) == 0) continue;
        const KeySym unshifted = XkbKeycodeToKeysym(display, static_cast<KeyCode>(keycode), 0, 0);
        note_key(key_meaning(display, keycode, unshifted), keycode, true);
    }
}

}  // namespace vz::x11

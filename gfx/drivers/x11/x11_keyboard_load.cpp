// Loads Xlib's keyboard tables while a screen starts (see x11_keyboard_load.h).

#include "gfx/drivers/x11/x11_keyboard_load.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>

namespace vz::x11 {

bool keyboard_tables_loaded(Display* display, int min_keycode, int max_keycode, bool xkb, KeyLookup lookup) {
    if (min_keycode < 0) min_keycode = 0;
    if (max_keycode > 255) max_keycode = 255;
    bool any_symbol = false;
    for (int keycode = min_keycode; keycode <= max_keycode; ++keycode) {
        unsigned consumed = 0;
        KeySym keysym = NoSymbol;
        if (!lookup(display, static_cast<KeyCode>(keycode), 0, &consumed, &keysym)) continue;
        if (keysym == NoSymbol) continue;
        any_symbol = true;
        if (!xkb || (consumed & ShiftMask) == 0) return true;
    }
    return any_symbol && !xkb;
}

bool load_keyboard_tables(Display* display) {
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    const bool xkb = XkbUseExtension(display, &major, &minor) != False;
    int min_keycode = 0;
    int max_keycode = 0;
    XDisplayKeycodes(display, &min_keycode, &max_keycode);
    if (!keyboard_tables_loaded(display, min_keycode, max_keycode, xkb, &XkbLookupKeySym)) return false;

    // The character conversion behind XLookupString (the locale's character
    // set) is set up on its first use: use it once here.
    for (int keycode = min_keycode; keycode <= max_keycode && keycode <= 255; ++keycode) {
        KeySym keysym = NoSymbol;
        unsigned consumed = 0;
        if (!XkbLookupKeySym(display, static_cast<KeyCode>(keycode), 0, &consumed, &keysym) || keysym == NoSymbol) {
            continue;
        }
        XKeyEvent event{};
        event.type = KeyPress;
        event.display = display;
        event.keycode = static_cast<unsigned>(keycode);
        char bytes[8];
        KeySym looked_up = NoSymbol;
        XLookupString(&event, bytes, sizeof bytes, &looked_up, nullptr);
        if (looked_up != keysym) return false;
        // Xlib asked for notices of new keyboards and changed maps when it
        // loaded the map, and would fetch it again on the next lookup after
        // one; the tables stay as they are.
        if (xkb) XkbSelectEvents(display, XkbUseCoreKbd, XkbNewKeyboardNotifyMask | XkbMapNotifyMask, 0);
        return true;
    }
    return false;
}

bool keyboard_mapping_change(int request) { return request == MappingKeyboard || request == MappingModifier; }

}  // namespace vz::x11

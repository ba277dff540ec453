#pragma once
// Loading the keyboard tables while a screen starts. Xlib fetches its key
// tables from the server on the first key lookup, and again on the first
// lookup after the server reports a new keyboard (a key from another device,
// such as a synthetic one, is enough) or a changed key map; out of memory
// there it can end the process (a reply it could not read stays queued and
// the next request trips an assertion). The layer therefore makes Xlib load
// them while the connection opens, where a failure is a failed start, and then
// keeps them: Xlib's own notices of keyboard changes are turned off and a
// key-map change is not fetched, so no key press needs a request to the
// server. Layout switches between the groups of the loaded map (the usual
// layout switch of a desktop) still follow, since the group travels with
// each key event; a key map replaced while the program runs is not followed.

#include <X11/Xlib.h>

namespace vz::x11 {

// One key lookup as Xlib's XkbLookupKeySym answers it: false when no table
// could be had; `consumed` receives the modifiers the translation used.
using KeyLookup = Bool (*)(Display* display, KeyCode keycode, unsigned modifiers, unsigned* consumed, KeySym* keysym);

// Looks every key code of min_keycode ... max_keycode up once, which makes
// Xlib load its tables, and says whether the tables the key path will use are
// there. With the keyboard extension in use (`xkb`), Xlib falls back to the
// core table when it cannot load the extension's map, and would try that load
// again on every key press; the core translation always reports Shift and
// Lock as consumed, while the extension's reports none for a key of one
// level (Escape, the modifiers), so a key without Shift consumed shows that
// the extension's map is loaded. Without the extension, any symbol shows the
// core table is loaded.
bool keyboard_tables_loaded(Display* display, int min_keycode, int max_keycode, bool xkb, KeyLookup lookup);

// Loads the tables of the connection (XkbLookupKeySym, then one XLookupString
// for the character conversion behind it) and turns off Xlib's reloading of
// them on keyboard changes; false when they could not be loaded.
bool load_keyboard_tables(Display* display);

// Whether a MappingNotify of `request` (MappingModifier, MappingKeyboard or
// MappingPointer) changes the key tables, which stay as loaded.
bool keyboard_mapping_change(int request);

}  // namespace vz::x11

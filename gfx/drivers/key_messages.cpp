#include "gfx/drivers/key_messages.h"

#include "gfx/drivers/control_keys.h"
#include "gfx/drivers/keymap.h"

namespace vz {

KeyMessages key_messages(const KeyEvent& event, const std::uint8_t vk_state[256]) {
    const bool alt = (vk_state[VKEY_MENU] & 0x80) != 0;
    const bool control = (vk_state[VKEY_CONTROL] & 0x80) != 0;
    const bool shift = (vk_state[VKEY_SHIFT] & 0x80) != 0;

    std::uint32_t typed = event.typed;
    bool types = typed != 0;
    const ControlCharacter fixed = control_character(
        event.vk, (control ? KEYMOD_CONTROL : 0) | (alt ? KEYMOD_ALT : 0) | (shift ? KEYMOD_SHIFT : 0));
    if (fixed.decided) {
        types = fixed.character >= 0;
        typed = types ? static_cast<std::uint32_t>(fixed.character) : 0;
    }

    KeyMessages out;
    WindowMessage& m = out.key;
    m.vk = event.vk;
    m.scan = event.scan;
    m.extended = event.extended;
    m.repeat = 1;
    m.alt_held = alt;
    m.modifiers = held_modifiers(vk_state);
    m.character = typed;
    out.has_key = event.vk != 0;
    if (!event.down) {
        const bool system = ((event.alt_before || event.vk == VKEY_F10) && !control) || event.vk == VKEY_MENU;
        m.type = system ? WindowMessageType::system_key_up : WindowMessageType::key_up;
        return out;
    }
    m.was_down = event.was_down;
    const bool system = (alt || event.vk == VKEY_F10) && !control;
    m.type = system ? WindowMessageType::system_key_down : WindowMessageType::key_down;
    m.types_character = !system && types;
    // A key outside the PC keyboard has no key message, but what it types
    // still arrives.
    if (!out.has_key && m.types_character) {
        out.has_character = true;
        out.character.type = WindowMessageType::character;
        out.character.character = typed;
        out.character.repeat = 1;
    }
    return out;
}

}  // namespace vz

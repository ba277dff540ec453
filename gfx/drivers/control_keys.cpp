// Control combinations (see control_keys.h).

#include "gfx/drivers/control_keys.h"

#include "gfx/drivers/keymap.h"

namespace vz {

namespace {

constexpr std::int32_t CONTROL_BITS = KEYMOD_CONTROL | KEYMOD_RIGHT_CONTROL;
constexpr std::int32_t ALT_BITS = KEYMOD_ALT | KEYMOD_RIGHT_ALT;

constexpr std::int32_t VK_BACKSPACE = 0x08;
constexpr std::int32_t VK_TAB = 0x09;
constexpr std::int32_t VK_ENTER = 0x0D;
constexpr std::int32_t VK_ESCAPE = 0x1B;
constexpr std::int32_t VK_SPACE = 0x20;
constexpr std::int32_t VK_MINUS = 0xBD;
constexpr std::int32_t VK_BRACKET_LEFT = 0xDB;
constexpr std::int32_t VK_BACKSLASH = 0xDC;
constexpr std::int32_t VK_BRACKET_RIGHT = 0xDD;
constexpr std::int32_t VK_EXTRA_BACKSLASH = 0xE2;  // the key left of Z on 102-key boards

// With Control held (no Alt): the character, or -1 for none.
std::int32_t with_control(std::int32_t vk, bool shift) {
    if (vk >= 'A' && vk <= 'Z') return vk - 'A' + 1;
    switch (vk) {
    case VK_BRACKET_LEFT:
        return 0x1B;
    case VK_BACKSLASH:
    case VK_EXTRA_BACKSLASH:
        return 0x1C;
    case VK_BRACKET_RIGHT:
        return 0x1D;
    case VK_BACKSPACE:
        return 0x7F;
    case VK_ENTER:
        return 0x0A;  // also the keypad's Enter
    case VK_SPACE:
        return 0x20;
    case VK_ESCAPE:
        return 0x1B;
    case '2':
        return shift ? 0x00 : -1;  // Control+@
    case '6':
        return shift ? 0x1E : -1;  // Control+^
    case VK_MINUS:
        return shift ? 0x1F : -1;  // Control+_
    default:
        return -1;
    }
}

}  // namespace

ControlCharacter control_character(std::int32_t vk, std::int32_t modifiers) {
    const bool control = (modifiers & CONTROL_BITS) != 0;
    const bool alt = (modifiers & ALT_BITS) != 0;
    const bool shift = (modifiers & KEYMOD_SHIFT) != 0;
    if (control && !alt) return ControlCharacter{true, with_control(vk, shift)};
    if (shift && !control && !alt && vk == VK_TAB) return ControlCharacter{true, 0x09};
    return ControlCharacter{};
}

}  // namespace vz

#pragma once
// The window procedure: turns the window's messages into key codes, screen
// events, the mouse state and the held-key array, and handles focus, close,
// the fullscreen toggle, cursor shape and clipping, repaint and display
// changes. The platform layer translates its own events into the small
// message vocabulary below and calls window_proc on the thread that owns the
// window (with the driver lock held when there is an update thread).

#include <cstdint>

#include "gfx/drivers/keymap.h"

namespace vz {

enum class WindowMessageType : std::int32_t {
    key_down,
    key_up,
    system_key_down,  // a key pressed with Alt held, Alt itself or F10
    system_key_up,
    character,
    activate,
    close,
    paint,
    display_change,
    maximise,
    mouse_move,
    button_down,
    button_double_click,
    button_up,
    extra_button_down,
    extra_button_double_click,
    extra_button_up,
    wheel,
    horizontal_wheel,
    moving,
    mouse_leave,
    set_cursor,
    reenter,
};

struct WindowMessage {
    WindowMessageType type = WindowMessageType::paint;
    // Keys.
    std::int32_t vk = 0;      // virtual key
    std::int32_t scan = 0;    // PC set-1 scancode
    std::int32_t repeat = 1;  // repeat count
    bool extended = false;    // key of the separate blocks
    bool was_down = false;    // the key was already down (auto-repeat)
    bool alt_held = false;    // Alt was down with the key
    // The modifier keys held with the key (KEYMOD_* bits, as held_modifiers
    // reads them from the keyboard state; KEYMOD_EXTENDED follows `extended`).
    std::int32_t modifiers = 0;
    // Key and character messages: the one character (a Unicode code point)
    // the key types, 0 when none. The window procedure converts it to code
    // page 437 once, for the key translation and for the key queue.
    std::uint32_t character = 0;
    // Key-down: the key's character also goes to the key queue, with the key
    // (window systems that send no character message of their own); false
    // where a character message follows.
    bool types_character = false;
    // Activation.
    bool activated = false;
    bool minimised = false;
    // Mouse: client coordinates of a move.
    std::int32_t x = 0, y = 0;
    std::int32_t button = 0;       // 1 left, 2 right, 4 middle
    std::int32_t extra_held = 0;   // after the message: bit 0 first extra button down, bit 1 second
    std::int32_t wheel_delta = 0;  // positive away from the user / to the right
};

// The result of a message that goes on to the platform's default handling.
inline constexpr std::int32_t WINDOW_PROC_DEFAULT = -1;

// Handles one message; 0 or 1 when it was handled here, WINDOW_PROC_DEFAULT
// when the platform's default handling should follow.
std::int32_t window_proc(const WindowMessage& message);

}  // namespace vz

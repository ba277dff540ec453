// The window procedure of the program window (see window_proc.h). It runs on
// the thread that owns the window: the update thread, inside a pass with the
// driver lock held, or the program's thread while it polls (OpenGL).

#include "gfx/drivers/window_proc.h"

#include <cstring>

#include "gfx/context.h"
#include "gfx/drivers/cp437.h"
#include "gfx/drivers/keymap.h"
#include "gfx/drivers/platform.h"
#include "gfx/drivers/window_common.h"
#include "gfx/drivers/window_state.h"
#include "gfx/events.h"
#include "gfx/text/keys.h"
#include "gfx/text/palette.h"
#include "rt/key_codes.h"

namespace vz {

namespace {

constexpr std::int32_t BUTTON_FIRST_EXTRA = 8;
constexpr std::int32_t BUTTON_SECOND_EXTRA = 16;
constexpr std::int32_t EXTRA_BUTTONS = BUTTON_FIRST_EXTRA | BUTTON_SECOND_EXTRA;
constexpr std::int32_t OS_VERSION_WHEEL = 1034;   // 4.10
constexpr std::int32_t OS_VERSION_EXTRAS = 1280;  // 5.0

void post(std::int32_t type, std::int32_t v1 = 0, std::int32_t v2 = 0, std::int32_t v3 = 0, std::int32_t v4 = 0) {
    post_event(ScreenEvent{type, v1, v2, v3, v4});
}

void post_pending(const ScreenEvent& event) {
    if (event.type != EVENT_NONE) post_event(event);
}

// Mouse enter: after a mouse move or the re-enter signal. The first message
// while untracked asks for the leave notice and turns the pending event into
// mouse_enter; then the pending event is posted.
void enter_then_post(ScreenEvent event, bool from_move, std::int32_t x, std::int32_t y) {
    WindowState& ws = window_state();
    InputState& in = input_state();
    if (in.mouse_tracking.load() == 0 && ws.active.load() != 0) {
        platform().track_mouse_leave();
        in.mouse_tracking.store(1);
        event = ScreenEvent{EVENT_MOUSE_ENTER, from_move ? x : 0, from_move ? y : 0, 0, 0};
        if (ws.cursor_clipped.load() != 0) clip_cursor_to_client();
    }
    post_pending(event);
}

// The code page 437 byte of a typed character, converted once for both of
// its uses: 0 for none, -1 when the code page lacks it.
std::int32_t typed_byte(std::uint32_t character) { return character != 0 ? unicode_to_cp437(character) : 0; }

// Posts a typed character to the key queue `repeat` times.
void post_character(std::uint32_t character, std::int32_t byte, std::int32_t repeat) {
    std::int32_t code = 0;
    if (character != 0) {
        // A character the code page lacks arrives as its default character.
        const std::int32_t shown = byte >= 0 ? byte : '?';
        // Bytes 128-255 are posted as the byte taken as signed.
        code = shown >= 128 ? shown - 256 : shown;
    }
    for (std::int32_t i = 0; i < repeat; ++i) post_key(code);
}

std::int32_t handle_key(const WindowMessage& m, bool down) {
    const std::int32_t byte = typed_byte(m.character);
    const std::int32_t modifiers = m.modifiers | (m.extended ? KEYMOD_EXTENDED : 0);
    const std::int32_t code = translate_key(byte > 0 ? byte : 0, m.scan, m.vk, modifiers, 0);

    ScreenEvent event{};
    if (down) {
        event.type = m.was_down ? EVENT_KEY_REPEAT : EVENT_KEY_PRESS;
        if (code > 255) {
            for (std::int32_t i = 0; i < m.repeat; ++i) post_key(code);
        }
    } else {
        event.type = EVENT_KEY_RELEASE;
    }
    event.value1 = scancode_of(m.vk);
    // "No key" (-1) is not a character.
    event.value2 = (code >= 0 && code <= 255) ? code : 0;

    // Alt and F10 would open the system menu; the close code has been posted.
    const bool no_event = m.vk == VKEY_F10 || m.vk == VKEY_MENU || code == KEY_CODE_CLOSE;
    if (!no_event) post_event(event);
    // The typed character follows the key, as a character message would.
    if (down && m.types_character) post_character(m.character, byte, m.repeat);
    return no_event ? 0 : WINDOW_PROC_DEFAULT;
}

void handle_character(const WindowMessage& m) { post_character(m.character, typed_byte(m.character), m.repeat); }

void clear_held_keys() {
    GfxContext* context = current_context();
    if (context != nullptr && context->key_state != nullptr) std::memset(context->key_state, 0, KEY_STATE_SIZE);
}

std::int32_t handle_activate(const WindowMessage& m) {
    WindowState& ws = window_state();
    InputState& in = input_state();
    const PlatformLayer& p = platform();
    const bool now_active = m.activated && !m.minimised;
    ws.active.store(now_active ? 1 : 0);
    if (in.has_thread.load() && (ws.flags.load() & SCREEN_HIGH_PRIORITY) != 0) p.set_update_priority(now_active);

    clear_held_keys();
    in.mouse_buttons.store(0);
    mark_rows_dirty(ws.height);

    if (!now_active && in.mouse_tracking.load() != 0) {
        post(EVENT_MOUSE_EXIT);
        in.mouse_tracking.store(0);
        p.stop_leave_tracking();
    }
    if (!m.activated || !m.minimised) post(now_active ? EVENT_FOCUS_GAINED : EVENT_FOCUS_LOST);
    if (now_active && in.mouse_in_client.load() != 0) {
        enter_then_post(ScreenEvent{}, false, 0, 0);
        return 0;
    }
    if (ws.cursor_clipped.load() != 0) {
        if (now_active) {
            clip_cursor_to_client();
        } else {
            p.confine_cursor(nullptr);
        }
    }
    return 0;
}

std::int32_t toggle_fullscreen() {
    WindowState& ws = window_state();
    InputState& in = input_state();
    const PlatformLayer& p = platform();
    if (in.mouse_tracking.load() != 0) post(EVENT_MOUSE_EXIT);
    if ((ws.flags.load() & SCREEN_NO_SWITCH) != 0) return 0;

    ws.monitor.store(p.monitor_of_window());
    if (ws.cursor_clipped.load() != 0) p.confine_cursor(nullptr);
    if (ws.exit_window != nullptr) ws.exit_window();
    ws.flags.fetch_xor(SCREEN_FULLSCREEN);
    if (ws.init_window == nullptr || ws.init_window() != 0) {
        // Back to the mode that worked.
        if (ws.exit_window != nullptr) ws.exit_window();
        ws.flags.fetch_xor(SCREEN_FULLSCREEN);
        if (ws.init_window != nullptr) ws.init_window();
    }
    resend_palette();
    mark_rows_dirty(ws.height);
    ws.active.store(1);
    // Tracking starts afresh; a leave notice still pending for the old
    // style would report a second exit.
    in.mouse_tracking.store(0);
    p.stop_leave_tracking();
    return 0;
}

void handle_mouse_move(const WindowMessage& m) {
    WindowState& ws = window_state();
    InputState& in = input_state();
    in.mouse_x.store(m.x);
    in.mouse_y.store(m.y);
    std::int32_t screen_x = 0, screen_y = 0;
    if (!platform().cursor_pos(&screen_x, &screen_y)) {
        screen_x = in.last_screen_x.load();
        screen_y = in.last_screen_y.load();
    }
    std::int32_t dx = 0, dy = 0;
    if (in.last_screen_x.load() != 65535) {
        dx = screen_x - in.last_screen_x.load();
        dy = screen_y - in.last_screen_y.load();
    }
    in.last_screen_x.store(screen_x);
    in.last_screen_y.store(screen_y);
    ScreenEvent event{};
    if ((dx != 0 || dy != 0) && ws.active.load() != 0) event = ScreenEvent{EVENT_MOUSE_MOVE, m.x, m.y, dx, dy};
    enter_then_post(event, true, m.x, m.y);
}

ScreenEvent handle_button(const WindowMessage& m, WindowMessageType type) {
    InputState& in = input_state();
    const PlatformLayer& p = platform();
    if (type == WindowMessageType::button_up) {
        const std::int32_t buttons = in.mouse_buttons.fetch_and(~m.button) & ~m.button;
        if (buttons == 0 && p.has_capture()) p.release_mouse();
        return ScreenEvent{EVENT_MOUSE_RELEASE, m.button, 0, 0, 0};
    }
    p.capture_mouse();
    in.mouse_buttons.fetch_or(m.button);
    const std::int32_t kind = type == WindowMessageType::button_down ? EVENT_MOUSE_PRESS : EVENT_MOUSE_DOUBLE_CLICK;
    return ScreenEvent{kind, m.button, 0, 0, 0};
}

ScreenEvent handle_extra_button(const WindowMessage& m, WindowMessageType type) {
    InputState& in = input_state();
    const PlatformLayer& p = platform();
    if (window_state().os_version < OS_VERSION_EXTRAS) return ScreenEvent{};
    const std::int32_t old = in.mouse_buttons.load();
    std::int32_t now = old;
    if (type == WindowMessageType::extra_button_up) {
        if ((m.extra_held & 1) == 0) now &= ~BUTTON_FIRST_EXTRA;
        if ((m.extra_held & 2) == 0) now &= ~BUTTON_SECOND_EXTRA;
        in.mouse_buttons.store(now);
        if (now == 0 && p.has_capture()) p.release_mouse();
        return ScreenEvent{EVENT_MOUSE_RELEASE, (old & ~now) & EXTRA_BUTTONS, 0, 0, 0};
    }
    p.capture_mouse();
    if ((m.extra_held & 1) != 0) now |= BUTTON_FIRST_EXTRA;
    if ((m.extra_held & 2) != 0) now |= BUTTON_SECOND_EXTRA;
    in.mouse_buttons.store(now);
    const std::int32_t kind =
        type == WindowMessageType::extra_button_down ? EVENT_MOUSE_PRESS : EVENT_MOUSE_DOUBLE_CLICK;
    return ScreenEvent{kind, (now & ~old) & EXTRA_BUTTONS, 0, 0, 0};
}

ScreenEvent handle_wheel(const WindowMessage& m, bool horizontal) {
    InputState& in = input_state();
    const std::int32_t needed = horizontal ? OS_VERSION_EXTRAS : OS_VERSION_WHEEL;
    if (window_state().os_version < needed) return ScreenEvent{};
    // One step per message, whatever the size of the turn.
    const std::int32_t step = m.wheel_delta > 0 ? 1 : -1;
    std::atomic<std::int32_t>& position = horizontal ? in.mouse_hwheel : in.mouse_wheel;
    const std::int32_t now = position.fetch_add(step) + step;
    return ScreenEvent{horizontal ? EVENT_MOUSE_HWHEEL : EVENT_MOUSE_WHEEL, now, 0, 0, 0};
}

}  // namespace

std::int32_t window_proc(const WindowMessage& m) {
    WindowState& ws = window_state();
    InputState& in = input_state();
    const PlatformLayer& p = platform();

    PlatformRect client{};
    std::int32_t cursor_x = 0, cursor_y = 0;
    const bool inside = p.client_rect(&client) && p.cursor_pos(&cursor_x, &cursor_y) && cursor_x >= client.left &&
                        cursor_x < client.right && cursor_y >= client.top && cursor_y < client.bottom;
    in.mouse_in_client.store(inside ? 1 : 0);

    switch (m.type) {
    case WindowMessageType::key_down:
        return handle_key(m, true);
    case WindowMessageType::key_up:
        return handle_key(m, false);
    case WindowMessageType::system_key_down:
        if (ws.active.load() != 0 && m.vk == VKEY_RETURN && m.alt_held) return toggle_fullscreen();
        return handle_key(m, true);
    case WindowMessageType::system_key_up:
        return WINDOW_PROC_DEFAULT;
    case WindowMessageType::maximise:
        if (ws.active.load() != 0) return toggle_fullscreen();
        return WINDOW_PROC_DEFAULT;
    case WindowMessageType::character:
        handle_character(m);
        return WINDOW_PROC_DEFAULT;
    case WindowMessageType::activate:
        return handle_activate(m);
    case WindowMessageType::paint:
        if (ws.paint != nullptr) ws.paint();
        return WINDOW_PROC_DEFAULT;
    case WindowMessageType::display_change: {
        if (ws.paint != nullptr) ws.paint();
        const GfxContext* context = current_context();
        if (context != nullptr) mark_rows_dirty(context->height);
        return WINDOW_PROC_DEFAULT;
    }
    case WindowMessageType::close:
        post_key(KEY_CODE_CLOSE);
        post(EVENT_WINDOW_CLOSE);
        return 0;  // the window stays open
    case WindowMessageType::set_cursor:
        p.show_cursor(!(inside && in.cursor_visible.load() == 0));
        return 1;
    case WindowMessageType::mouse_move:
        handle_mouse_move(m);
        return WINDOW_PROC_DEFAULT;
    case WindowMessageType::reenter:
        enter_then_post(ScreenEvent{}, false, 0, 0);
        return 0;
    case WindowMessageType::button_down:
    case WindowMessageType::button_double_click:
    case WindowMessageType::button_up:
        post_pending(handle_button(m, m.type));
        return WINDOW_PROC_DEFAULT;
    case WindowMessageType::extra_button_down:
    case WindowMessageType::extra_button_double_click:
    case WindowMessageType::extra_button_up:
        post_pending(handle_extra_button(m, m.type));
        return WINDOW_PROC_DEFAULT;
    case WindowMessageType::wheel:
        post_pending(handle_wheel(m, false));
        return WINDOW_PROC_DEFAULT;
    case WindowMessageType::horizontal_wheel:
        post_pending(handle_wheel(m, true));
        return WINDOW_PROC_DEFAULT;
    case WindowMessageType::moving:
        // The cursor is confined again at the next mouse enter.
        if (ws.cursor_clipped.load() != 0) p.confine_cursor(nullptr);
        return WINDOW_PROC_DEFAULT;
    case WindowMessageType::mouse_leave:
        if (ws.active.load() != 0) {
            post(EVENT_MOUSE_EXIT);
            in.mouse_tracking.store(0);
            return 0;
        }
        return WINDOW_PROC_DEFAULT;
    }
    return WINDOW_PROC_DEFAULT;
}

}  // namespace vz

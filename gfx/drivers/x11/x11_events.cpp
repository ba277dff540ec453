// The X11 message pump: every pending event of the program window becomes one
// or more messages for the window procedure.
//
// - Key presses become one key-down message each (system key-down with Alt
//   held, for Alt itself and for F10) that carries the held modifiers and the
//   typed character; system keys type no character. A key outside the PC
//   keyboard becomes a character message alone. Releases become key-up (or
//   system key-up) messages.
// - Buttons 1/2/3 are left/middle/right, 4/5 the wheel, 6/7 the horizontal
//   wheel, 8/9 the extra buttons; a second press within 500 ms and 2 pixels is
//   a double click.
// - Pointer motion and entering the window are mouse moves; leaving is the
//   mouse-leave message once it has been asked for.
// - Focus changes and iconifying (unmap/map) are activation messages; Expose
//   is paint; a RandR screen change is a display change; WM_DELETE_WINDOW is
//   close, and so is the window being destroyed from outside; a maximised
//   window-manager state is maximise; our own client message is set-cursor.

#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>

#include <cstdlib>

#include "gfx/drivers/key_messages.h"
#include "gfx/drivers/keymap.h"
#include "gfx/drivers/x11/x11_internal.h"
#include "gfx/drivers/x11/x11_keyboard_load.h"

namespace vz::x11 {

namespace {

constexpr Time DOUBLE_CLICK_MS = 500;
constexpr int DOUBLE_CLICK_DISTANCE = 2;
constexpr std::int32_t WHEEL_STEP = 120;

void dispatch(const WindowMessage& message) { window_proc(message); }

bool inside_client(std::int32_t root_x, std::int32_t root_y) {
    PlatformRect r{};
    return client_rect(&r) && root_x >= r.left && root_x < r.right && root_y >= r.top && root_y < r.bottom;
}

void update_activation(State& s) {
    const bool activated = s.focused;
    const bool minimised = s.iconic;
    if (activated == s.reported_active && minimised == s.reported_minimised) return;
    s.reported_active = activated;
    s.reported_minimised = minimised;
    WindowMessage m;
    m.type = WindowMessageType::activate;
    m.activated = activated;
    m.minimised = minimised;
    dispatch(m);
}

void on_key(State& s, XKeyEvent& event, bool down) {
    KeySym keysym = NoSymbol;
    const std::uint32_t looked_up = typed_code_point(event, &keysym);
    const KeyMeaning meaning = key_meaning(s.display, event.keycode, keysym);
    KeyEvent key;
    key.vk = meaning.vk;
    key.scan = meaning.scan;
    key.extended = meaning.extended;
    key.down = down;
    key.was_down = event.keycode < 256 && s.keycode_down[event.keycode];
    key.alt_before = (s.vk_state[VKEY_MENU] & 0x80) != 0;
    // What the X library types; Control combinations and Shift+Tab are
    // decided by the key tables' keyboard instead (Control+Enter is a line
    // feed, Control+3 nothing).
    key.typed = looked_up;
    note_key(meaning, event.keycode, down);
    const KeyMessages messages = key_messages(key, s.vk_state);
    if (messages.has_key) {
        dispatch(messages.key);
    } else if (messages.has_character) {
        dispatch(messages.character);
    }
}

// Whether this press completes a double click of button `index`; a press of
// another button ends any pending one.
bool double_click(State& s, int index, const XButtonEvent& event) {
    WindowInput::Click& click = s.clicks[index];
    const bool is_double = click.pending && event.time - click.time <= DOUBLE_CLICK_MS &&
                           std::abs(event.x - click.x) <= DOUBLE_CLICK_DISTANCE &&
                           std::abs(event.y - click.y) <= DOUBLE_CLICK_DISTANCE;
    for (int i = 0; i < 5; ++i) {
        if (i != index) s.clicks[i].pending = false;
    }
    if (is_double) {
        click.pending = false;
    } else {
        click = WindowInput::Click{event.time, event.x, event.y, true};
    }
    return is_double;
}

void on_button(State& s, const XButtonEvent& event, bool down) {
    s.pointer_known = true;
    s.pointer_x = event.x_root;
    s.pointer_y = event.y_root;
    WindowMessage m;
    switch (event.button) {
    case Button1:
    case Button2:
    case Button3: {
        const int index = static_cast<int>(event.button) - 1;
        m.button = event.button == Button1 ? 1 : event.button == Button2 ? 4 : 2;
        if (down) {
            m.type =
                double_click(s, index, event) ? WindowMessageType::button_double_click : WindowMessageType::button_down;
        } else {
            m.type = WindowMessageType::button_up;
        }
        dispatch(m);
        break;
    }
    case Button4:
    case Button5:
    case 6:
    case 7:
        if (!down) break;  // a wheel step is its press
        m.type = event.button <= Button5 ? WindowMessageType::wheel : WindowMessageType::horizontal_wheel;
        m.wheel_delta = (event.button == Button4 || event.button == 7) ? WHEEL_STEP : -WHEEL_STEP;
        dispatch(m);
        break;
    case 8:
    case 9: {
        const std::int32_t bit = event.button == 8 ? 1 : 2;
        if (down) {
            s.extra_held |= bit;
            m.type = double_click(s, static_cast<int>(event.button) - 5, event)
                         ? WindowMessageType::extra_button_double_click
                         : WindowMessageType::extra_button_down;
        } else {
            s.extra_held &= ~bit;
            m.type = WindowMessageType::extra_button_up;
        }
        m.extra_held = s.extra_held;
        dispatch(m);
        break;
    }
    default:
        break;
    }
    // The last button is up: a leave held back during the capture is
    // reported now, when the pointer is still outside.
    if (!down && !s.captured.load() && s.leave_deferred) {
        s.leave_deferred = false;
        if (s.leave_tracking && !inside_client(event.x_root, event.y_root)) {
            s.leave_tracking = false;
            WindowMessage leave;
            leave.type = WindowMessageType::mouse_leave;
            dispatch(leave);
        }
    }
    s.pointer_known = false;
}

void on_move(State& s, std::int32_t x, std::int32_t y, std::int32_t root_x, std::int32_t root_y) {
    // A move reported through the grab while the pointer is outside and the
    // window has not heard of it entering is no entering.
    if (!s.leave_tracking && !inside_client(root_x, root_y)) return;
    s.pointer_known = true;
    s.pointer_x = root_x;
    s.pointer_y = root_y;
    WindowMessage m;
    m.type = WindowMessageType::mouse_move;
    m.x = x;
    m.y = y;
    dispatch(m);
    s.pointer_known = false;
}

bool maximised_state(State& s, Window w) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    bool vertical = false, horizontal = false;
    if (XGetWindowProperty(s.display, w, s.atoms.net_wm_state, 0, 64, False, XA_ATOM, &type, &format, &items, &after,
                           &data) == Success &&
        data != nullptr && format == 32) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < items; ++i) {
            vertical = vertical || atoms[i] == s.atoms.net_wm_state_maximized_vert;
            horizontal = horizontal || atoms[i] == s.atoms.net_wm_state_maximized_horz;
        }
    }
    if (data != nullptr) XFree(data);
    return vertical && horizontal;
}

void handle_event(State& s, XEvent& event) {
    Display* d = s.display;
    if (s.has_randr && event.type == s.randr_event_base + RRScreenChangeNotify) {
        XRRUpdateConfiguration(&event);
        WindowMessage m;
        m.type = WindowMessageType::display_change;
        dispatch(m);
        return;
    }
    if (event.type == MappingNotify) {
        // The key tables loaded while the connection opened stay (see
        // x11_keyboard_load.h): fetching them again here is a request whose
        // failure for want of memory would end the process.
        if (!keyboard_mapping_change(event.xmapping.request)) XRefreshKeyboardMapping(&event.xmapping);
        return;
    }
    if (event.type == KeymapNotify) {  // carries no window
        sync_keys(d, event.xkeymap.key_vector);
        return;
    }
    const Window w = s.window.load();
    if (w == 0 || event.xany.window != w) return;  // a window already replaced

    WindowMessage m;
    switch (event.type) {
    case KeyPress:
        on_key(s, event.xkey, true);
        break;
    case KeyRelease:
        on_key(s, event.xkey, false);
        break;
    case ButtonPress:
        on_button(s, event.xbutton, true);
        break;
    case ButtonRelease:
        on_button(s, event.xbutton, false);
        break;
    case MotionNotify: {
        // Only the newest of a run of moves matters.
        XEvent next;
        while (!connection_lost() && XEventsQueued(d, QueuedAlready) > 0) {
            XPeekEvent(d, &next);
            if (next.type != MotionNotify || next.xmotion.window != w) break;
            XNextEvent(d, &event);
        }
        on_move(s, event.xmotion.x, event.xmotion.y, event.xmotion.x_root, event.xmotion.y_root);
        break;
    }
    case EnterNotify:
        if (event.xcrossing.mode == NotifyNormal) {
            s.leave_deferred = false;  // back inside before the buttons came up
            on_move(s, event.xcrossing.x, event.xcrossing.y, event.xcrossing.x_root, event.xcrossing.y_root);
        }
        break;
    case LeaveNotify:
        if (event.xcrossing.mode == NotifyNormal && s.leave_tracking && s.captured.load()) {
            s.leave_deferred = true;
        } else if (event.xcrossing.mode == NotifyNormal && s.leave_tracking) {
            s.leave_tracking = false;
            m.type = WindowMessageType::mouse_leave;
            dispatch(m);
        }
        break;
    case FocusIn:
    case FocusOut:
        if (event.xfocus.mode == NotifyGrab || event.xfocus.mode == NotifyUngrab) break;
        // Focus moving inside the window, or following the pointer while
        // nobody owns the focus, is no change of the window's own focus.
        if (event.xfocus.detail == NotifyInferior || event.xfocus.detail == NotifyPointer) break;
        s.focused = event.type == FocusIn;
        update_activation(s);
        break;
    case UnmapNotify:
        if (s.ignore_unmaps > 0) {
            --s.ignore_unmaps;
            break;
        }
        s.mapped = false;
        s.iconic = true;
        update_activation(s);
        break;
    case MapNotify:
        s.mapped = true;
        if (s.iconic) {
            s.iconic = false;
            update_activation(s);
        }
        break;
    case Expose:
        if (event.xexpose.count == 0) {
            m.type = WindowMessageType::paint;
            dispatch(m);
        }
        break;
    case ConfigureNotify:
        if (event.xconfigure.x != s.window_x || event.xconfigure.y != s.window_y) {
            s.window_x = event.xconfigure.x;
            s.window_y = event.xconfigure.y;
            m.type = WindowMessageType::moving;
            dispatch(m);
        }
        break;
    case PropertyNotify:
        if (event.xproperty.atom == s.atoms.net_wm_state) {
            const bool maximised = maximised_state(s, w);
            const bool newly = maximised && !s.maximised;
            s.maximised = maximised;
            if (newly) {
                m.type = WindowMessageType::maximise;
                dispatch(m);
            }
        }
        break;
    case DestroyNotify:
        // Destroyed from outside (the layer forgets its own windows before
        // destroying them): the program is asked to close as by the close
        // button, rather than running on without a window.
        m.type = WindowMessageType::close;
        dispatch(m);
        break;
    case ClientMessage:
        if (event.xclient.message_type == s.atoms.wm_protocols &&
            static_cast<Atom>(event.xclient.data.l[0]) == s.atoms.wm_delete_window) {
            m.type = WindowMessageType::close;
            dispatch(m);
        } else if (event.xclient.message_type == s.atoms.set_cursor) {
            m.type = WindowMessageType::set_cursor;
            dispatch(m);
        }
        break;
    default:
        break;
    }
}

}  // namespace

void dispatch_pending_events() {
    State& s = state();
    Display* d = s.display;
    if (d == nullptr) return;
    while (live_display() != nullptr && XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        // The input method takes the keys of a compose sequence.
        if (XFilterEvent(&event, None)) continue;
        handle_event(s, event);
    }
    // Without a server the window is gone: the program is asked to close,
    // once, as by the close button, rather than running on or being ended.
    if (connection_lost() && !s.close_sent_for_loss) {
        s.close_sent_for_loss = true;
        WindowMessage m;
        m.type = WindowMessageType::close;
        dispatch(m);
    }
}

}  // namespace vz::x11

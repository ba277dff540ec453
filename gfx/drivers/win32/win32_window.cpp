// The program window on Win32: its class, creation and styles, the window
// procedure that turns WM_* messages into the drivers' message vocabulary,
// the message pump, the cursor and the mouse capture.

#include <windowsx.h>

#include <cstring>

#include "gfx/context.h"
#include "gfx/drivers/win32/win32_internal.h"
#include "gfx/drivers/window_state.h"

namespace vz::win32 {

namespace {

DWORD style_of(WindowFrame frame) {
    switch (frame) {
    case WindowFrame::normal:
        return WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_VISIBLE;
    case WindowFrame::no_maximise:
        return WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE;
    case WindowFrame::popup:
        return WS_POPUP | WS_VISIBLE;
    case WindowFrame::fullscreen:
        return WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    }
    return WS_POPUP | WS_VISIBLE;
}

DWORD ex_style_of(const WindowRequest& request) {
    const std::int32_t flags = window_state().flags.load();
    return (flags & SCREEN_SHAPED) != 0 && request.frame != WindowFrame::fullscreen ? WS_EX_LAYERED : 0;
}

// The outer rectangle whose client area is the requested one.
RECT outer_rect(const WindowRequest& request, DWORD style, DWORD ex_style) {
    RECT rect{request.x, request.y, request.x + request.width, request.y + request.height};
    if (request.frame != WindowFrame::fullscreen) AdjustWindowRectEx(&rect, style, FALSE, ex_style);
    return rect;
}

bool register_class(const char* class_name) {
    State& s = state();
    if (s.class_registered && std::strcmp(s.class_name, class_name) == 0) return true;
    if (s.class_registered) {
        UnregisterClassA(s.class_name, s.instance);
        s.class_registered = false;
    }
    WNDCLASSA wc{};
    const bool opengl = (window_state().flags.load() & SCREEN_OPENGL) != 0;
    wc.style = opengl ? CS_DBLCLKS : CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &window_procedure;
    wc.hInstance = s.instance;
    wc.hIcon = LoadIconA(s.instance, "VZ_PROGRAM_ICON");
    if (wc.hIcon == nullptr) wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hCursor = s.arrow;
    wc.lpszClassName = class_name;
    // A failed registration (the class exists already) is not an error: the
    // window is made with the class of that name.
    RegisterClassA(&wc);
    std::strncpy(s.class_name, class_name, sizeof s.class_name - 1);
    s.class_registered = true;
    return true;
}

void place_on_top(HWND window, const WindowRequest& request) {
    if (request.topmost) {
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOSENDCHANGING);
    }
    if (request.show) {
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
    }
}

// Hands one message to the drivers' window procedure; the result decides
// whether the system's default handling follows.
LRESULT forward(HWND window, UINT message, WPARAM wparam, LPARAM lparam, const WindowMessage& m, LRESULT handled = 0) {
    const std::int32_t result = window_proc(m);
    if (result == WINDOW_PROC_DEFAULT) return DefWindowProcA(window, message, wparam, lparam);
    return handled != 0 ? handled : result;
}

WindowMessage key_message(WindowMessageType type, WPARAM wparam, LPARAM lparam) {
    WindowMessage m;
    m.type = type;
    m.vk = static_cast<std::int32_t>(wparam & 0xFF);
    m.scan = static_cast<std::int32_t>((lparam >> 16) & 0xFF);
    m.repeat = static_cast<std::int32_t>(lparam & 0xFFFF);
    if (m.repeat == 0) m.repeat = 1;
    m.extended = ((lparam >> 24) & 1) != 0;
    m.alt_held = ((lparam >> 29) & 1) != 0;
    m.was_down = ((lparam >> 30) & 1) != 0;
    // The keyboard state as of this message: its modifiers, and the character
    // of a press (the character message that follows brings it to the queue).
    BYTE keyboard[256] = {};
    GetKeyboardState(keyboard);
    m.modifiers = held_modifiers(keyboard);
    if (type == WindowMessageType::key_down || type == WindowMessageType::system_key_down) {
        m.character =
            static_cast<std::uint32_t>(key_character(static_cast<UINT>(m.vk), static_cast<UINT>(m.scan), keyboard));
    }
    return m;
}

WindowMessage mouse_message(WindowMessageType type, LPARAM lparam, std::int32_t button = 0) {
    WindowMessage m;
    m.type = type;
    m.x = GET_X_LPARAM(lparam);
    m.y = GET_Y_LPARAM(lparam);
    m.button = button;
    return m;
}

WindowMessage extra_message(WindowMessageType type, WPARAM wparam) {
    WindowMessage m;
    m.type = type;
    const WORD keys = GET_KEYSTATE_WPARAM(wparam);
    m.extra_held = ((keys & MK_XBUTTON1) != 0 ? 1 : 0) | ((keys & MK_XBUTTON2) != 0 ? 2 : 0);
    return m;
}

bool fullscreen() { return (window_state().flags.load() & SCREEN_FULLSCREEN) != 0; }

void check_leave(HWND window) {
    POINT at{};
    RECT client{};
    if (GetCursorPos(&at) == 0 || GetClientRect(window, &client) == 0) return;
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (PtInRect(&client, at) == 0 || WindowFromPoint(at) != window) {
        KillTimer(window, LEAVE_TIMER);
        state().leave_timer = false;
        PostMessageA(window, WM_MOUSELEAVE, 0, 0);
    }
}

}  // namespace

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    // Messages that arrive while the window is being made (or after it was
    // forgotten) get the default handling.
    if (window != state().window.load()) return DefWindowProcA(window, message, wparam, lparam);
    WindowMessage m;
    switch (message) {
    case WM_KEYDOWN:
        return forward(window, message, wparam, lparam, key_message(WindowMessageType::key_down, wparam, lparam));
    case WM_KEYUP:
        return forward(window, message, wparam, lparam, key_message(WindowMessageType::key_up, wparam, lparam));
    case WM_SYSKEYDOWN:
        return forward(window, message, wparam, lparam,
                       key_message(WindowMessageType::system_key_down, wparam, lparam));
    case WM_SYSKEYUP:
        return forward(window, message, wparam, lparam, key_message(WindowMessageType::system_key_up, wparam, lparam));
    case WM_CHAR:
        m.type = WindowMessageType::character;
        m.character = ansi_to_unicode(static_cast<std::uint8_t>(wparam & 0xFF));
        m.repeat = static_cast<std::int32_t>(lparam & 0xFFFF);
        if (m.repeat == 0) m.repeat = 1;
        return forward(window, message, wparam, lparam, m);
    case WM_ACTIVATE:
        m.type = WindowMessageType::activate;
        m.activated = LOWORD(wparam) != WA_INACTIVE;
        m.minimised = HIWORD(wparam) != 0;
        if (fullscreen()) {
            // A fullscreen window that gets the focus back while minimised
            // (the window in front of it went away) is shown again, in its
            // display mode; one that loses it gives the desktop its mode back.
            if (m.activated && m.minimised) {
                ShowWindow(window, SW_RESTORE);
                m.minimised = IsIconic(window) != 0;
            }
            fullscreen_focus_changed(m.activated && !m.minimised);
        }
        return forward(window, message, wparam, lparam, m);
    case WM_SIZE:
        // Minimised while keeping the focus (no activation message follows):
        // handled as the loss of the focus it is to the user.
        if (wparam == SIZE_MINIMIZED && fullscreen() && GetActiveWindow() == window) {
            fullscreen_focus_changed(false);
            m.type = WindowMessageType::activate;
            m.activated = true;
            m.minimised = true;
            window_proc(m);
        }
        break;
    case WM_CLOSE:
        m.type = WindowMessageType::close;
        return forward(window, message, wparam, lparam, m);
    case WM_PAINT:
        m.type = WindowMessageType::paint;
        return forward(window, message, wparam, lparam, m);
    case WM_DISPLAYCHANGE:
        m.type = WindowMessageType::display_change;
        return forward(window, message, wparam, lparam, m);
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == SC_MAXIMIZE) {
            m.type = WindowMessageType::maximise;
            return forward(window, message, wparam, lparam, m);
        }
        break;
    case WM_MOUSEMOVE:
        return forward(window, message, wparam, lparam, mouse_message(WindowMessageType::mouse_move, lparam));
    case WM_LBUTTONDOWN:
        return forward(window, message, wparam, lparam, mouse_message(WindowMessageType::button_down, lparam, 1));
    case WM_RBUTTONDOWN:
        return forward(window, message, wparam, lparam, mouse_message(WindowMessageType::button_down, lparam, 2));
    case WM_MBUTTONDOWN:
        return forward(window, message, wparam, lparam, mouse_message(WindowMessageType::button_down, lparam, 4));
    case WM_LBUTTONDBLCLK:
        return forward(window, message, wparam, lparam,
                       mouse_message(WindowMessageType::button_double_click, lparam, 1));
    case WM_RBUTTONDBLCLK:
        return forward(window, message, wparam, lparam,
                       mouse_message(WindowMessageType::button_double_click, lparam, 2));
    case WM_MBUTTONDBLCLK:
        return forward(window, message, wparam, lparam,
                       mouse_message(WindowMessageType::button_double_click, lparam, 4));
    case WM_LBUTTONUP:
        return forward(window, message, wparam, lparam, mouse_message(WindowMessageType::button_up, lparam, 1));
    case WM_RBUTTONUP:
        return forward(window, message, wparam, lparam, mouse_message(WindowMessageType::button_up, lparam, 2));
    case WM_MBUTTONUP:
        return forward(window, message, wparam, lparam, mouse_message(WindowMessageType::button_up, lparam, 4));
    case WM_XBUTTONDOWN:
        return forward(window, message, wparam, lparam, extra_message(WindowMessageType::extra_button_down, wparam),
                       TRUE);
    case WM_XBUTTONDBLCLK:
        return forward(window, message, wparam, lparam,
                       extra_message(WindowMessageType::extra_button_double_click, wparam), TRUE);
    case WM_XBUTTONUP:
        return forward(window, message, wparam, lparam, extra_message(WindowMessageType::extra_button_up, wparam),
                       TRUE);
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        m.type = message == WM_MOUSEWHEEL ? WindowMessageType::wheel : WindowMessageType::horizontal_wheel;
        m.wheel_delta = GET_WHEEL_DELTA_WPARAM(wparam);
        return forward(window, message, wparam, lparam, m);
    case WM_MOVING:
        m.type = WindowMessageType::moving;
        return forward(window, message, wparam, lparam, m);
    case WM_MOUSELEAVE:
        m.type = WindowMessageType::mouse_leave;
        return forward(window, message, wparam, lparam, m);
    case WM_SETCURSOR:
        if (LOWORD(lparam) == HTCLIENT) {
            m.type = WindowMessageType::set_cursor;
            return forward(window, message, wparam, lparam, m, TRUE);
        }
        break;
    case MESSAGE_SET_CURSOR:
        m.type = WindowMessageType::set_cursor;
        window_proc(m);
        return 0;
    case WM_TIMER:
        if (wparam == LEAVE_TIMER) {
            check_leave(window);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

bool create_window(const WindowRequest& request, const char* caption, const char* class_name) {
    State& s = state();
    register_class(class_name);
    const DWORD style = style_of(request.frame) & ~WS_VISIBLE;
    const DWORD ex_style = ex_style_of(request);
    const RECT outer = outer_rect(request, style, ex_style);
    HWND window = CreateWindowExA(ex_style, class_name, caption, style, outer.left, outer.top, outer.right - outer.left,
                                  outer.bottom - outer.top, nullptr, nullptr, s.instance, nullptr);
    if (window == nullptr) return false;
    if (request.visual != 0) {
        // The GL binding chose a pixel format; it belongs to the window's
        // device context before any rendering context is made for it.
        HDC dc = GetDC(window);
        PIXELFORMATDESCRIPTOR descriptor{};
        const int format = static_cast<int>(request.visual);
        const bool ok = DescribePixelFormat(dc, format, sizeof descriptor, &descriptor) != 0 &&
                        SetPixelFormat(dc, format, &descriptor) != 0;
        ReleaseDC(window, dc);
        if (!ok) {
            DestroyWindow(window);
            return false;
        }
    }
    s.window.store(window);
    place_on_top(window, request);
    return true;
}

void destroy_window() {
    State& s = state();
    HWND window = s.window.load();
    if (window == nullptr) return;
    // What was posted to the window is thrown away with it. A close request
    // posted while Alt+Enter rebuilds the window (the user closing it just
    // then) would be lost, so it is handled first, while the window is still
    // the program window; the other system commands posted go with the window.
    MSG posted;
    while (PeekMessageA(&posted, window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0 ||
           PeekMessageA(&posted, window, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE) != 0) {
        if (posted.message == WM_CLOSE || (posted.wParam & 0xFFF0) == SC_CLOSE) DispatchMessageA(&posted);
    }
    s.window.store(nullptr);
    if (s.leave_timer) {
        KillTimer(window, LEAVE_TIMER);
        s.leave_timer = false;
    }
    if (GetCapture() == window) ReleaseCapture();
    DestroyWindow(window);
    // Messages still queued for the window go to the default handling.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != 0) {
        if (message.message == WM_QUIT) break;
        DispatchMessageA(&message);
    }
    if (s.class_registered) {
        UnregisterClassA(s.class_name, s.instance);
        s.class_registered = false;
    }
}

bool restyle_window(const WindowRequest& request) {
    HWND window = state().window.load();
    if (window == nullptr) return false;
    const DWORD style = style_of(request.frame);
    const DWORD ex_style = ex_style_of(request);
    SetWindowLongPtrA(window, GWL_STYLE, static_cast<LONG_PTR>(style));
    SetWindowLongPtrA(window, GWL_EXSTYLE, static_cast<LONG_PTR>(ex_style));
    const RECT outer = outer_rect(request, style, ex_style);
    SetWindowPos(window, request.topmost ? HWND_TOPMOST : HWND_NOTOPMOST, outer.left, outer.top,
                 outer.right - outer.left, outer.bottom - outer.top, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    place_on_top(window, request);
    return true;
}

void hide_window() {
    if (HWND window = state().window.load()) ShowWindow(window, SW_HIDE);
}

std::uintptr_t window_id() { return reinterpret_cast<std::uintptr_t>(state().window.load()); }

void set_caption(const char* caption) {
    if (HWND window = state().window.load()) SetWindowTextA(window, caption != nullptr ? caption : "");
}

bool window_pos(std::int32_t* x, std::int32_t* y) {
    HWND window = state().window.load();
    RECT rect{};
    if (window == nullptr || GetWindowRect(window, &rect) == 0) return false;
    *x = rect.left;
    *y = rect.top;
    return true;
}

void move_window(std::int32_t x, std::int32_t y) {
    if (HWND window = state().window.load()) {
        SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    }
}

bool client_rect(PlatformRect* rect) {
    HWND window = state().window.load();
    RECT client{};
    if (window == nullptr || GetClientRect(window, &client) == 0) return false;
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    *rect = {client.left, client.top, client.right, client.bottom};
    return true;
}

bool set_colour_key(std::uint32_t key) {
    const OptionalEntries& e = state().entries;
    HWND window = state().window.load();
    if (e.set_layered_window_attributes == nullptr || window == nullptr) return false;
    const COLORREF colour = RGB((key >> 16) & 0xFF, (key >> 8) & 0xFF, key & 0xFF);
    return e.set_layered_window_attributes(window, colour, 0, LWA_COLORKEY) != 0;
}

bool cursor_pos(std::int32_t* x, std::int32_t* y) {
    POINT at{};
    if (GetCursorPos(&at) == 0) return false;
    *x = at.x;
    *y = at.y;
    return true;
}

void move_cursor(std::int32_t x, std::int32_t y) { SetCursorPos(x, y); }

void confine_cursor(const PlatformRect* rect) {
    if (rect == nullptr) {
        ClipCursor(nullptr);
        return;
    }
    const RECT area{rect->left, rect->top, rect->right, rect->bottom};
    ClipCursor(&area);
}

void show_cursor(bool visible) { SetCursor(visible ? state().arrow : nullptr); }

void post_set_cursor() {
    if (HWND window = state().window.load()) PostMessageA(window, MESSAGE_SET_CURSOR, 0, 0);
}

void capture_mouse() {
    if (HWND window = state().window.load()) SetCapture(window);
}

void release_mouse() { ReleaseCapture(); }

bool has_capture() {
    HWND window = state().window.load();
    return window != nullptr && GetCapture() == window;
}

void track_mouse_leave() {
    State& s = state();
    HWND window = s.window.load();
    if (window == nullptr) return;
    if (s.entries.track_mouse_event != nullptr) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = window;
        s.entries.track_mouse_event(&track);
        return;
    }
    // Without TrackMouseEvent a 100 ms timer looks for the cursor leaving.
    SetTimer(window, LEAVE_TIMER, LEAVE_TIMER_MS, nullptr);
    s.leave_timer = true;
}

void stop_leave_tracking() {
    State& s = state();
    HWND window = s.window.load();
    if (window == nullptr) return;
    if (s.entries.track_mouse_event != nullptr) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE | TME_CANCEL;
        track.hwndTrack = window;
        s.entries.track_mouse_event(&track);
    }
    if (s.leave_timer) {
        KillTimer(window, LEAVE_TIMER);
        s.leave_timer = false;
    }
}

void keyboard_state(std::uint8_t out[256]) {
    BYTE keyboard[256] = {};
    if (GetKeyboardState(keyboard) == 0) {
        std::memset(out, 0, 256);
        return;
    }
    std::memcpy(out, keyboard, 256);
}

void dispatch_pending_messages() {
    HWND window = state().window.load();
    if (window == nullptr) return;
    MSG message;
    // Every message of the thread: the window's and the thread's own (timers
    // of the leave stand-in, posted cursor changes).
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace vz::win32

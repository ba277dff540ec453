// The X11 layer's program window: creation with its properties, restyling,
// caption and position, and the cursor.
//
// Window placement is in client-area coordinates: the frame belongs to the
// window manager, and StaticGravity asks it to keep the client area where it
// was put. A fullscreen window is, with an EWMH window manager, a window in the
// fullscreen state; without one (a bare server), an override-redirect window
// covering the monitor that takes the keyboard focus itself.

#include <X11/Xatom.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "gfx/drivers/x11/x11_internal.h"
#include "gfx/events.h"

namespace vz::x11 {

namespace {

// Client size of the window, read by the program's thread.
std::atomic<std::int32_t> g_client_width{0};
std::atomic<std::int32_t> g_client_height{0};

constexpr long EVENT_MASK = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            EnterWindowMask | LeaveWindowMask | FocusChangeMask | ExposureMask | StructureNotifyMask |
                            PropertyChangeMask | KeymapStateMask;

// Motif window-manager hints: which decorations and functions the frame has.
struct MotifHints {
    unsigned long flags, functions, decorations;
    long input_mode;
    unsigned long status;
};
constexpr unsigned long MWM_HINTS_FUNCTIONS = 1, MWM_HINTS_DECORATIONS = 2;
constexpr unsigned long MWM_FUNC_MOVE = 4, MWM_FUNC_MINIMIZE = 8, MWM_FUNC_MAXIMIZE = 16, MWM_FUNC_CLOSE = 32;
constexpr unsigned long MWM_DECOR_BORDER = 2, MWM_DECOR_TITLE = 8, MWM_DECOR_MENU = 16, MWM_DECOR_MINIMIZE = 32,
                        MWM_DECOR_MAXIMIZE = 64;

// Captions are byte texts in Latin-1; _NET_WM_NAME wants UTF-8.
std::string latin1_to_utf8(const char* text) {
    std::string out;
    for (const char* p = text; *p != 0; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

void caption_on(Display* d, Window w, const char* caption) {
    XStoreName(d, w, caption);
    const std::string utf8 = latin1_to_utf8(caption);
    XChangeProperty(d, w, state().atoms.net_wm_name, state().atoms.utf8_string, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
}

void apply_properties(State& s, Window w, const WindowRequest& request) {
    Display* d = s.display;
    XSizeHints* size = XAllocSizeHints();
    if (size != nullptr) {
        size->flags = PPosition | USPosition | PMinSize | PMaxSize | PWinGravity;
        size->x = request.x;
        size->y = request.y;
        size->min_width = size->max_width = request.width;
        size->min_height = size->max_height = request.height;
        size->win_gravity = StaticGravity;
        XSetWMNormalHints(d, w, size);
        XFree(size);
    }
    XWMHints* hints = XAllocWMHints();
    if (hints != nullptr) {
        hints->flags = InputHint | StateHint;
        hints->input = True;
        hints->initial_state = NormalState;
        XSetWMHints(d, w, hints);
        XFree(hints);
    }

    MotifHints motif{MWM_HINTS_FUNCTIONS | MWM_HINTS_DECORATIONS, 0, 0, 0, 0};
    motif.functions = MWM_FUNC_MOVE | MWM_FUNC_MINIMIZE | MWM_FUNC_CLOSE;
    switch (request.frame) {
    case WindowFrame::normal:
        motif.functions |= MWM_FUNC_MAXIMIZE;
        motif.decorations =
            MWM_DECOR_BORDER | MWM_DECOR_TITLE | MWM_DECOR_MENU | MWM_DECOR_MINIMIZE | MWM_DECOR_MAXIMIZE;
        break;
    case WindowFrame::no_maximise:
        motif.decorations = MWM_DECOR_BORDER | MWM_DECOR_TITLE | MWM_DECOR_MENU | MWM_DECOR_MINIMIZE;
        break;
    case WindowFrame::popup:
    case WindowFrame::fullscreen:
        motif.decorations = 0;
        break;
    }
    XChangeProperty(d, w, s.atoms.motif_wm_hints, s.atoms.motif_wm_hints, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&motif), 5);

    Atom states[2];
    int count = 0;
    if (request.frame == WindowFrame::fullscreen) states[count++] = s.atoms.net_wm_state_fullscreen;
    if (request.topmost) states[count++] = s.atoms.net_wm_state_above;
    XChangeProperty(d, w, s.atoms.net_wm_state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states), count);
}

// Waits (a bounded time) for a structure event of `type` on `w`, taking it
// from the queue. A window manager may take a moment to map the window.
bool await_event(Display* d, Window w, int type, int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    XEvent event;
    while (!XCheckTypedWindowEvent(d, w, type, &event)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        XFlush(d);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void bring_to_front(State& s, Window w) {
    Display* d = s.display;
    XRaiseWindow(d, w);
    if (s.window_manager) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = w;
        event.xclient.message_type = s.atoms.net_active_window;
        event.xclient.format = 32;
        event.xclient.data.l[0] = 1;  // from an application
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(d, s.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    }
    // Without a window manager nobody else gives the window the keyboard.
    begin_trap();
    XSetInputFocus(d, w, RevertToPointerRoot, CurrentTime);
    end_trap();
}

void show(State& s, Window w) {
    XMapRaised(s.display, w);
    await_event(s.display, w, MapNotify, 2000);
    s.mapped = true;
    bring_to_front(s, w);
}

// A fresh window starts active, not minimised, with nothing held.
void reset_input_tracking(State& s) { static_cast<WindowInput&>(s) = WindowInput{}; }

}  // namespace

bool create_window(const WindowRequest& request, const char* caption, const char* class_name) {
    State& s = state();
    Display* d = live_display();
    if (d == nullptr || request.width <= 0 || request.height <= 0) return false;

    Visual* visual = DefaultVisual(d, s.screen);
    int depth = DefaultDepth(d, s.screen);
    Colormap colormap = 0;
    bool indexed = false;
    if (request.visual == 0) {
        const WindowVisual chosen = presentation_visual(d, s.screen);
        visual = chosen.visual;
        depth = chosen.depth;
        colormap = chosen.colormap;
        indexed = chosen.indexed;
    } else {
        XVisualInfo wanted{};
        wanted.visualid = static_cast<VisualID>(request.visual);
        wanted.screen = s.screen;
        int found = 0;
        XVisualInfo* info = XGetVisualInfo(d, VisualIDMask | VisualScreenMask, &wanted, &found);
        if (info == nullptr || found == 0) return false;
        visual = info->visual;
        depth = info->depth;
        XFree(info);
        colormap = XCreateColormap(d, s.root, visual, AllocNone);
    }

    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(d, s.screen);
    attributes.border_pixel = 0;
    attributes.event_mask = EVENT_MASK;
    attributes.override_redirect = (request.frame == WindowFrame::fullscreen && !s.window_manager) ? True : False;
    attributes.colormap = colormap;
    unsigned long mask = CWBackPixel | CWBorderPixel | CWEventMask | CWOverrideRedirect;
    if (colormap != 0) mask |= CWColormap;

    begin_trap();
    const Window w =
        XCreateWindow(d, s.root, request.x, request.y, static_cast<unsigned>(request.width),
                      static_cast<unsigned>(request.height), 0, depth, InputOutput, visual, mask, &attributes);
    if (end_trap() != 0 || w == 0) {
        if (colormap != 0) XFreeColormap(d, colormap);
        return false;
    }
    s.visual = visual;
    s.depth = depth;
    s.colormap = colormap;
    s.indexed_colormap = indexed;
    s.override_redirect = attributes.override_redirect == True;
    s.mapped = false;

    XClassHint* class_hint = XAllocClassHint();
    if (class_hint != nullptr) {
        class_hint->res_name = const_cast<char*>(class_name);
        class_hint->res_class = const_cast<char*>(class_name);
        XSetClassHint(d, w, class_hint);
        XFree(class_hint);
    }
    Atom protocols[] = {s.atoms.wm_delete_window};
    XSetWMProtocols(d, w, protocols, 1);
    caption_on(d, w, caption);
    apply_properties(s, w, request);
    XDefineCursor(d, w, s.arrow);
    s.gc = XCreateGC(d, w, 0, nullptr);

    s.input_context = nullptr;
    if (s.input_method != nullptr) {
        s.input_context = XCreateIC(s.input_method, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow,
                                    w, XNFocusWindow, w, nullptr);
        if (s.input_context != nullptr) XSetICFocus(s.input_context);
    }
    reset_input_tracking(s);
    s.window_x = request.x;
    s.window_y = request.y;
    g_client_width.store(request.width);
    g_client_height.store(request.height);
    s.window.store(w);
    if (request.show) show(s, w);
    XSync(d, False);
    return true;
}

void destroy_window() {
    State& s = state();
    forget_shape();
    const Window w = s.window.exchange(0);
    if (s.display == nullptr || w == 0) return;
    // A server that went away took the window, its colormap and input
    // context with it; then no request goes out on the dead connection and
    // only the graphics context's client record is freed.
    const bool live = !connection_lost();
    if (s.gc != nullptr) XFreeGC(s.display, s.gc);
    s.gc = nullptr;
    if (live && s.input_context != nullptr) XDestroyIC(s.input_context);
    s.input_context = nullptr;
    if (live) XDestroyWindow(s.display, w);
    if (live && s.colormap != 0) XFreeColormap(s.display, s.colormap);
    s.colormap = 0;
    s.indexed_colormap = false;
    s.mapped = false;
    g_client_width.store(0);
    g_client_height.store(0);
    if (live) XSync(s.display, False);
}

bool restyle_window(const WindowRequest& request) {
    State& s = state();
    Display* d = live_display();
    const Window w = s.window.load();
    if (d == nullptr || w == 0) return false;
    if (s.mapped) {
        // Withdrawn first, so that a window manager takes the new state as a
        // new window's.
        XWithdrawWindow(d, w, s.screen);
        if (!await_event(d, w, UnmapNotify, 1000)) ++s.ignore_unmaps;
        s.mapped = false;
    }
    XSetWindowAttributes attributes{};
    attributes.override_redirect = (request.frame == WindowFrame::fullscreen && !s.window_manager) ? True : False;
    XChangeWindowAttributes(d, w, CWOverrideRedirect, &attributes);
    s.override_redirect = attributes.override_redirect == True;
    apply_properties(s, w, request);
    XMoveResizeWindow(d, w, request.x, request.y, static_cast<unsigned>(request.width),
                      static_cast<unsigned>(request.height));
    s.window_x = request.x;
    s.window_y = request.y;
    g_client_width.store(request.width);
    g_client_height.store(request.height);
    if (request.show) {
        show(s, w);
        // Withdrawing and showing again moved the focus away and back; the
        // window keeps its activation through a restyle.
        XSync(d, False);
        XEvent event;
        while (XCheckTypedWindowEvent(d, w, FocusOut, &event) || XCheckTypedWindowEvent(d, w, FocusIn, &event)) {}
        s.focused = true;
        s.reported_active = true;
    }
    XSync(d, False);
    return true;
}

void hide_window() {
    State& s = state();
    const Window w = s.window.load();
    if (live_display() == nullptr || w == 0 || !s.mapped) return;
    ++s.ignore_unmaps;
    XUnmapWindow(s.display, w);
    s.mapped = false;
    XFlush(s.display);
}

std::uintptr_t window_id() { return static_cast<std::uintptr_t>(state().window.load()); }

void set_caption(const char* caption) {
    State& s = state();
    const Window w = s.window.load();
    if (live_display() == nullptr || w == 0 || caption == nullptr) return;
    caption_on(s.display, w, caption);
    XFlush(s.display);
}

bool window_pos(std::int32_t* x, std::int32_t* y) {
    State& s = state();
    const Window w = s.window.load();
    if (live_display() == nullptr || w == 0) return false;
    int root_x = 0, root_y = 0;
    Window child = 0;
    if (!XTranslateCoordinates(s.display, w, s.root, 0, 0, &root_x, &root_y, &child)) return false;
    *x = root_x;
    *y = root_y;
    return true;
}

void move_window(std::int32_t x, std::int32_t y) {
    State& s = state();
    const Window w = s.window.load();
    if (live_display() == nullptr || w == 0) return;
    XMoveWindow(s.display, w, x, y);
    XFlush(s.display);
}

bool client_rect(PlatformRect* rect) {
    std::int32_t x = 0, y = 0;
    if (!window_pos(&x, &y)) return false;
    *rect = PlatformRect{x, y, x + g_client_width.load(), y + g_client_height.load()};
    return true;
}

bool cursor_pos(std::int32_t* x, std::int32_t* y) {
    State& s = state();
    if (s.pointer_known) {
        *x = s.pointer_x;
        *y = s.pointer_y;
        return true;
    }
    if (live_display() == nullptr) return false;
    Window root_return = 0, child = 0;
    int root_x = 0, root_y = 0, win_x = 0, win_y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(s.display, s.root, &root_return, &child, &root_x, &root_y, &win_x, &win_y, &mask)) {
        return false;
    }
    *x = root_x;
    *y = root_y;
    return true;
}

void move_cursor(std::int32_t x, std::int32_t y) {
    State& s = state();
    if (live_display() == nullptr) return;
    XWarpPointer(s.display, None, s.root, 0, 0, 0, 0, x, y);
    XFlush(s.display);
}

// Confinement is a pointer grab confined to the window (the client area).
void confine_cursor(const PlatformRect* rect) {
    State& s = state();
    s.confined.store(rect != nullptr && s.window.load() != 0);
    apply_pointer_grab();
}

void show_cursor(bool visible) {
    State& s = state();
    const Window w = s.window.load();
    if (live_display() == nullptr || w == 0) return;
    XDefineCursor(s.display, w, visible ? s.arrow : s.invisible);
    XFlush(s.display);
}

void post_set_cursor() {
    State& s = state();
    const Window w = s.window.load();
    if (live_display() == nullptr || w == 0) return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w;
    event.xclient.message_type = s.atoms.set_cursor;
    event.xclient.format = 32;
    XSendEvent(s.display, w, False, NoEventMask, &event);
    XFlush(s.display);
}

// X reports every crossing; the layer passes a leave on once it was asked to.
void track_mouse_leave() { state().leave_tracking = true; }
void stop_leave_tracking() { state().leave_tracking = false; }

void keyboard_state(std::uint8_t out[256]) { std::memcpy(out, state().vk_state, sizeof state().vk_state); }

}  // namespace vz::x11

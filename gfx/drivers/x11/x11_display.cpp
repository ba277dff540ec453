// The X11 layer's connection, error traps, atoms, screen saver and thread
// priority, and the table that makes it the platform layer (monitors and
// display modes are in x11_modes.cpp).
//
// Optional X extensions stand where the window system's optional entry points
// would: RandR for monitors and modes, MIT-SHM for image transfer, the screen
// saver extension (loaded at run time) for suspending the screen saver, else
// the core screen-saver timeout.

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>
#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "gfx/drivers/x11/x11_internal.h"
#include "gfx/drivers/x11/x11_keyboard_load.h"

namespace vz::x11 {

namespace {

State g_state;

std::atomic<int> g_trapped_error{0};
std::atomic<bool> g_trapping{false};
std::atomic<bool> g_connection_lost{false};

// Errors come back for requests on a window another thread has just
// destroyed, or for a grab that cannot be had; none of them ends the program.
int on_x_error(Display*, XErrorEvent* event) {
    if (g_trapping.load() && g_trapped_error.load() == 0) g_trapped_error.store(event->error_code);
    return 0;
}

// The server went away (killed, or the connection broke). Xlib calls this
// with the display locked, so it only records the fact; the exit handler
// then returns instead of ending the process, which leaves the connection
// dead (Xlib calls on it return at once) and lets the update thread ask the
// program to close.
int on_io_error(Display*) {
    g_connection_lost.store(true);
    return 0;
}

// Xlib takes the display's user lock for the exit handler and keeps it when
// the handler returns; it is given back so that a request another thread is
// waiting to make fails at once instead of waiting for ever.
void on_io_error_exit(Display* d, void*) {
    g_connection_lost.store(true);
    XUnlockDisplay(d);
}

void intern_atoms(Display* d, Atoms& a) {
    const char* names[] = {"WM_PROTOCOLS",
                           "WM_DELETE_WINDOW",
                           "WM_STATE",
                           "_NET_WM_NAME",
                           "UTF8_STRING",
                           "_NET_WM_STATE",
                           "_NET_WM_STATE_FULLSCREEN",
                           "_NET_WM_STATE_ABOVE",
                           "_NET_WM_STATE_MAXIMIZED_VERT",
                           "_NET_WM_STATE_MAXIMIZED_HORZ",
                           "_NET_WM_STATE_HIDDEN",
                           "_NET_SUPPORTING_WM_CHECK",
                           "_NET_ACTIVE_WINDOW",
                           "_MOTIF_WM_HINTS",
                           "_VZGFX_SET_CURSOR"};
    constexpr int count = static_cast<int>(std::size(names));
    Atom atoms[count] = {};
    XInternAtoms(d, const_cast<char**>(names), count, False, atoms);
    Atom* fields[] = {&a.wm_protocols,
                      &a.wm_delete_window,
                      &a.wm_state,
                      &a.net_wm_name,
                      &a.utf8_string,
                      &a.net_wm_state,
                      &a.net_wm_state_fullscreen,
                      &a.net_wm_state_above,
                      &a.net_wm_state_maximized_vert,
                      &a.net_wm_state_maximized_horz,
                      &a.net_wm_state_hidden,
                      &a.net_supporting_wm_check,
                      &a.net_active_window,
                      &a.motif_wm_hints,
                      &a.set_cursor};
    for (int i = 0; i < count; ++i) *fields[i] = atoms[i];
}

// An EWMH window manager names its check window on the root window.
bool window_manager_running(Display* d, Window root, Atom check) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(d, root, check, 0, 1, False, XA_WINDOW, &type, &format, &items, &after, &data) == Success &&
        data != nullptr && items == 1 && format == 32) {
        found = *reinterpret_cast<unsigned long*>(data) != 0;
    }
    if (data != nullptr) XFree(data);
    return found;
}

Cursor make_invisible_cursor(Display* d, Window root) {
    char empty[1] = {0};
    Pixmap blank = XCreateBitmapFromData(d, root, empty, 1, 1);
    XColor black{};
    Cursor cursor = XCreatePixmapCursor(d, blank, blank, &black, &black, 0, 0);
    XFreePixmap(d, blank);
    return cursor;
}

void put_back_saver(Display* d, const State& s) {
    XSetScreenSaver(d, s.saver_timeout, s.saver_interval, s.saver_blanking, s.saver_exposures);
    XSync(d, False);
}

// ---- The platform entries -------------------------------------------------

// The connection is made once and kept for the rest of the process: a
// screen that fails on one driver is tried on the next at once, and a server
// whose last client leaves resets itself, which would make the next
// connection wait for the reset (or fail during it).
bool open() {
    init_threads_once();
    State& s = g_state;
    if (s.display != nullptr && g_connection_lost.load()) {
        // A connection that died with the last screen is left alone (closing
        // it would talk to it) and not used again.
        s.display = nullptr;
        s.input_method = nullptr;
    }
    if (s.display == nullptr) {
        Display* d = XOpenDisplay(nullptr);
        if (d == nullptr) return false;
        g_connection_lost.store(false);
        XSetErrorHandler(&on_x_error);
        XSetIOErrorHandler(&on_io_error);
        XSetIOErrorExitHandler(d, &on_io_error_exit, nullptr);
        // Xlib would load its key tables on the first key press, where a
        // failure ends the process: load them now, and fail the start when
        // they cannot be had.
        if (!load_keyboard_tables(d)) {
            XCloseDisplay(d);
            return false;
        }
        s.display = d;
        s.screen = DefaultScreen(d);
        s.root = RootWindow(d, s.screen);
        intern_atoms(d, s.atoms);
        s.arrow = XCreateFontCursor(d, XC_left_ptr);
        s.invisible = make_invisible_cursor(d, s.root);
        int event_base = 0, error_base = 0, major = 0, minor = 0;
        s.has_randr = XRRQueryExtension(d, &event_base, &error_base) && XRRQueryVersion(d, &major, &minor) &&
                      (major > 1 || (major == 1 && minor >= 2));
        s.randr_event_base = event_base;
        if (s.has_randr) XRRSelectInput(d, s.root, RRScreenChangeNotifyMask);
        s.has_shm = XShmQueryExtension(d);
        // Held keys repeat as presses alone, so a repeat is told from a new press.
        Bool detectable = False;
        XkbSetDetectableAutoRepeat(d, True, &detectable);
        // Typed text through an input method knows every layout's symbols
        // (not only Latin-1) and compose sequences; without one, key symbols
        // are looked up directly.
        XSetLocaleModifiers("");
        s.input_method = XOpenIM(d, nullptr, nullptr, nullptr);
    }
    Display* d = s.display;
    static_cast<ScreenState&>(s) = ScreenState{};
    s.visual = DefaultVisual(d, s.screen);
    s.depth = DefaultDepth(d, s.screen);
    s.window_manager = window_manager_running(d, s.root, s.atoms.net_supporting_wm_check);
    return true;
}

// Ends a screen's use of the connection; events still queued for its window
// are dropped.
void close() {
    State& s = g_state;
    s.window.store(0);
    if (live_display() == nullptr) return;
    XSync(s.display, True);
}

std::int32_t version() {
    Display* d = live_display();
    if (d == nullptr) return 0;
    return ProtocolVersion(d) * 256 + ProtocolRevision(d);
}

using SuspendFn = void (*)(Display*, Bool);

SuspendFn screensaver_suspend_entry() {
    static SuspendFn entry = [] {
        void* library = dlopen("libXss.so.1", RTLD_NOW | RTLD_LOCAL);
        return library != nullptr ? reinterpret_cast<SuspendFn>(dlsym(library, "XScreenSaverSuspend")) : nullptr;
    }();
    return entry;
}

void suspend_screensaver() {
    State& s = g_state;
    if (live_display() == nullptr) return;
    guard_termination_signals();
    std::lock_guard<std::mutex> guard(restore_mutex());
    int opcode = 0, event = 0, error = 0;
    SuspendFn suspend = screensaver_suspend_entry();
    if (suspend != nullptr && XQueryExtension(s.display, "MIT-SCREEN-SAVER", &opcode, &event, &error)) {
        suspend(s.display, True);
        s.saver_suspended = true;
    } else {
        XGetScreenSaver(s.display, &s.saver_timeout, &s.saver_interval, &s.saver_blanking, &s.saver_exposures);
        XSetScreenSaver(s.display, 0, s.saver_interval, s.saver_blanking, s.saver_exposures);
        s.saver_saved = true;
    }
    XResetScreenSaver(s.display);
    XFlush(s.display);
}

void restore_screensaver() {
    State& s = g_state;
    std::lock_guard<std::mutex> guard(restore_mutex());
    if (live_display() == nullptr) {
        // A suspension ends with the connection; a changed timeout does not.
        s.saver_suspended = false;
        if (s.saver_saved) {
            FreshConnection fresh;
            if (Display* d = fresh.open(); d != nullptr) put_back_saver(d, s);
            s.saver_saved = false;
        }
        return;
    }
    if (s.saver_suspended) {
        screensaver_suspend_entry()(s.display, False);
        s.saver_suspended = false;
    }
    if (s.saver_saved) {
        put_back_saver(s.display, s);
        s.saver_saved = false;
    }
    XFlush(s.display);
}

void note_update_thread() { g_state.update_thread_id.store(static_cast<long>(syscall(SYS_gettid))); }

// Above normal is one step of niceness; without the right to raise it the
// thread simply stays at normal priority.
void set_update_priority(bool above_normal) {
    const long id = g_state.update_thread_id.load();
    if (id != 0) setpriority(PRIO_PROCESS, static_cast<id_t>(id), above_normal ? -1 : 0);
}

const PlatformLayer LAYER = {
    .open = &open,
    .close = &close,
    .version = &version,
    .suspend_screensaver = &suspend_screensaver,
    .restore_screensaver = &restore_screensaver,
    .note_update_thread = &note_update_thread,
    .set_update_priority = &set_update_priority,
    .monitor_at_cursor = &monitor_at_cursor,
    .monitor_of_window = &monitor_of_window,
    .monitor_rect = &monitor_rect,
    .set_display_mode = &set_display_mode,
    .restore_display_mode = &restore_display_mode,
    .refresh_rate = &refresh_rate,
    .list_modes = &list_modes,
    .create_window = &create_window,
    .destroy_window = &destroy_window,
    .restyle_window = &restyle_window,
    .hide_window = &hide_window,
    .window_id = &window_id,
    .set_caption = &set_caption,
    .window_pos = &window_pos,
    .move_window = &move_window,
    .client_rect = &client_rect,
    .set_colour_key = &set_colour_key,
    .cursor_pos = &cursor_pos,
    .move_cursor = &move_cursor,
    .confine_cursor = &confine_cursor,
    .show_cursor = &show_cursor,
    .post_set_cursor = &post_set_cursor,
    .capture_mouse = &capture_mouse,
    .release_mouse = &release_mouse,
    .has_capture = &has_capture,
    .track_mouse_leave = &track_mouse_leave,
    .stop_leave_tracking = &stop_leave_tracking,
    .keyboard_state = &keyboard_state,
    .pump_messages = &dispatch_pending_events,
    .create_image = &create_image,
    .put_image = &put_image,
    .destroy_image = &destroy_image,
    .set_image_colours = &set_image_colours,
};

}  // namespace

State& state() { return g_state; }

void init_threads_once() {
    static std::once_flag once;
    std::call_once(once, [] { XInitThreads(); });
}

std::mutex& restore_mutex() {
    static std::mutex m;
    return m;
}

int pixmap_bits(Display* d, int depth) {
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(d, &count);
    int bits = depth;
    for (int i = 0; i < count; ++i) {
        if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
    }
    if (formats != nullptr) XFree(formats);
    return bits;
}

bool connection_lost() { return g_connection_lost.load(); }

void begin_trap() {
    g_trapped_error.store(0);
    g_trapping.store(true);
}

int end_trap() {
    if (Display* d = live_display()) XSync(d, False);
    g_trapping.store(false);
    return g_trapped_error.exchange(0);
}

void restore_display_after_signal() {
    State& s = g_state;
    std::lock_guard<std::mutex> guard(restore_mutex());
    if (!s.saved_mode.changed && !s.saver_saved) return;
    // A connection of its own: the program's may be in use by a thread the
    // signal interrupted, or gone.
    FreshConnection fresh;
    Display* d = fresh.open();
    if (d == nullptr) return;
    if (s.saved_mode.changed) put_back_saved_mode(d);
    if (s.saver_saved) put_back_saver(d, s);
    s.saver_saved = false;
}

}  // namespace vz::x11

namespace vz {

const PlatformLayer& native_platform() { return x11::LAYER; }

}  // namespace vz

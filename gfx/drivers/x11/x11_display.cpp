// The X11 layer's connection, screen saver, thread priority, monitors and
// display modes, and the table that makes it the platform layer.
//
// Optional X extensions stand where the window system's optional entry points
// would: RandR for monitors and modes (without it the whole screen is the one
// monitor and its size the one mode), MIT-SHM for image transfer, the screen
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

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <mutex>

#include "gfx/drivers/x11/x11_internal.h"
#include "gfx/drivers/x11/x11_keyboard_load.h"

namespace vz::x11 {

namespace {

State g_state;

std::atomic<int> g_trapped_error{0};
std::atomic<bool> g_trapping{false};
std::atomic<bool> g_connection_lost{false};

// Guards what must be put back (the saved display mode and screen-saver
// settings): the update thread changes them, and the thread that ends the
// process on a termination signal restores them.
std::mutex g_restore_mutex;

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

void init_threads_once() {
    static std::once_flag once;
    std::call_once(once, [] { XInitThreads(); });
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

// Active CRTCs, in the server's order: the monitors.
struct Monitor {
    RRCrtc crtc;
    PlatformRect rect;
};

std::vector<Monitor> active_monitors(Display* d, Window root) {
    std::vector<Monitor> monitors;
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(d, root);
    if (res == nullptr) return monitors;
    for (int i = 0; i < res->ncrtc; ++i) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(d, res, res->crtcs[i]);
        if (info == nullptr) continue;
        if (info->mode != None && info->width > 0 && info->height > 0) {
            monitors.push_back({res->crtcs[i],
                                {info->x, info->y, info->x + static_cast<std::int32_t>(info->width),
                                 info->y + static_cast<std::int32_t>(info->height)}});
        }
        XRRFreeCrtcInfo(info);
    }
    XRRFreeScreenResources(res);
    return monitors;
}

std::int32_t mode_rate(const XRRModeInfo& mode) {
    if (mode.hTotal == 0 || mode.vTotal == 0 || mode.dotClock == 0) return 0;
    double rate = static_cast<double>(mode.dotClock) / (static_cast<double>(mode.hTotal) * mode.vTotal);
    if ((mode.modeFlags & RR_DoubleScan) != 0) rate /= 2;
    if ((mode.modeFlags & RR_Interlace) != 0) rate *= 2;
    return static_cast<std::int32_t>(std::lround(rate));
}

const XRRModeInfo* find_mode(const XRRScreenResources* res, RRMode id) {
    for (int i = 0; i < res->nmode; ++i) {
        if (res->modes[i].id == id) return &res->modes[i];
    }
    return nullptr;
}

RRCrtc crtc_for(Display* d, Window root, std::int32_t monitor) {
    const std::vector<Monitor> monitors = active_monitors(d, root);
    if (monitors.empty()) return None;
    if (monitor >= 0 && monitor < static_cast<std::int32_t>(monitors.size())) return monitors[monitor].crtc;
    return monitors.front().crtc;
}

// Bits per pixel of the display, as a display setting reports it.
std::int32_t display_bits(Display* d, int screen) {
    const int depth = DefaultDepth(d, screen);
    if (depth == 15 || depth == 16) return depth;
    return pixmap_bits(d, depth);
}

// The output whose modes the display lists: the primary one, else the first
// connected one.
RROutput listing_output(Display* d, Window root, XRRScreenResources* res) {
    RROutput primary = XRRGetOutputPrimary(d, root);
    if (primary != None) return primary;
    for (int i = 0; i < res->noutput; ++i) {
        XRROutputInfo* info = XRRGetOutputInfo(d, res, res->outputs[i]);
        const bool connected = info != nullptr && info->connection == RR_Connected;
        if (info != nullptr) XRRFreeOutputInfo(info);
        if (connected) return res->outputs[i];
    }
    return res->noutput > 0 ? res->outputs[0] : None;
}

// A connection of its own for putting the display back when the program's
// connection is gone or busy; closed when it goes out of scope.
class FreshConnection {
public:
    FreshConnection() = default;
    FreshConnection(const FreshConnection&) = delete;
    FreshConnection& operator=(const FreshConnection&) = delete;
    ~FreshConnection() {
        if (display_ != nullptr) XCloseDisplay(display_);
    }
    Display* open() {
        if (display_ == nullptr) display_ = XOpenDisplay(nullptr);
        return display_;
    }

private:
    Display* display_ = nullptr;
};

void put_back_mode(Display* d, Window root, const SavedMode& saved) {
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(d, root);
    if (res != nullptr) {
        XRRSetCrtcConfig(d, res, saved.crtc, CurrentTime, saved.x, saved.y, saved.mode, saved.rotation,
                         const_cast<RROutput*>(saved.outputs.data()), static_cast<int>(saved.outputs.size()));
        XRRFreeScreenResources(res);
    }
    if (saved.screen_resized) {
        XRRSetScreenSize(d, root, saved.screen_width, saved.screen_height, saved.screen_mm_width,
                         saved.screen_mm_height);
    }
    XSync(d, False);
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
    std::lock_guard<std::mutex> guard(g_restore_mutex);
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
    std::lock_guard<std::mutex> guard(g_restore_mutex);
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

std::int32_t monitor_at_cursor() {
    State& s = g_state;
    if (live_display() == nullptr) return -1;
    Window root_return = 0, child = 0;
    int root_x = 0, root_y = 0, win_x = 0, win_y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(s.display, s.root, &root_return, &child, &root_x, &root_y, &win_x, &win_y, &mask)) return -1;
    return monitor_containing(root_x, root_y);
}

std::int32_t monitor_of_window() {
    PlatformRect client{};
    if (!client_rect(&client)) return -1;
    return monitor_containing((client.left + client.right) / 2, (client.top + client.bottom) / 2);
}

bool set_display_mode(std::int32_t monitor, std::int32_t width, std::int32_t height, std::int32_t,
                      std::int32_t refresh_rate) {
    State& s = g_state;
    Display* d = live_display();
    if (d == nullptr || width <= 0 || height <= 0) return false;
    guard_termination_signals();
    std::lock_guard<std::mutex> restore_guard(g_restore_mutex);
    if (!s.has_randr) {
        // Without RandR the screen's own size is the only mode there is.
        return DisplayWidth(d, s.screen) == width && DisplayHeight(d, s.screen) == height;
    }
    const RRCrtc crtc = crtc_for(d, s.root, monitor);
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(d, s.root);
    if (res == nullptr || crtc == None) {
        if (res != nullptr) XRRFreeScreenResources(res);
        return false;
    }
    XRRCrtcInfo* info = XRRGetCrtcInfo(d, res, crtc);
    if (info == nullptr || info->noutput == 0) {
        if (info != nullptr) XRRFreeCrtcInfo(info);
        XRRFreeScreenResources(res);
        return false;
    }
    bool result = false;
    const XRRModeInfo* current = find_mode(res, info->mode);
    const auto matches = [&](const XRRModeInfo& mode) {
        if (static_cast<std::int32_t>(mode.width) != width || static_cast<std::int32_t>(mode.height) != height) {
            return false;
        }
        const std::int32_t rate = mode_rate(mode);
        return refresh_rate == 0 || rate == 0 || rate == refresh_rate;
    };
    if (current != nullptr && matches(*current)) {
        result = true;  // already there
    } else {
        XRROutputInfo* output = XRRGetOutputInfo(d, res, info->outputs[0]);
        RRMode chosen = None;
        for (int i = 0; output != nullptr && i < output->nmode && chosen == None; ++i) {
            const XRRModeInfo* mode = find_mode(res, output->modes[i]);
            if (mode != nullptr && matches(*mode)) chosen = mode->id;
        }
        if (output != nullptr) XRRFreeOutputInfo(output);
        if (chosen != None) {
            SavedMode& saved = s.saved_mode;
            const bool first_change = !saved.changed;
            if (first_change) {
                saved.crtc = crtc;
                saved.mode = info->mode;
                saved.rotation = info->rotation;
                saved.x = info->x;
                saved.y = info->y;
                saved.outputs.assign(info->outputs, info->outputs + info->noutput);
                saved.screen_width = DisplayWidth(d, s.screen);
                saved.screen_height = DisplayHeight(d, s.screen);
                saved.screen_mm_width = DisplayWidthMM(d, s.screen);
                saved.screen_mm_height = DisplayHeightMM(d, s.screen);
                saved.screen_resized = false;
            }
            // The screen must hold the new mode where the CRTC sits.
            const int need_w = std::max(DisplayWidth(d, s.screen), info->x + width);
            const int need_h = std::max(DisplayHeight(d, s.screen), info->y + height);
            if (need_w != DisplayWidth(d, s.screen) || need_h != DisplayHeight(d, s.screen)) {
                const int mm_w = DisplayWidthMM(d, s.screen) * need_w / std::max(DisplayWidth(d, s.screen), 1);
                const int mm_h = DisplayHeightMM(d, s.screen) * need_h / std::max(DisplayHeight(d, s.screen), 1);
                XRRSetScreenSize(d, s.root, need_w, need_h, mm_w, mm_h);
                saved.screen_resized = true;
            }
            const Status status = XRRSetCrtcConfig(d, res, crtc, CurrentTime, info->x, info->y, chosen, info->rotation,
                                                   info->outputs, info->noutput);
            if (status == RRSetConfigSuccess) {
                saved.changed = true;
                result = true;
            } else if (first_change) {
                saved = SavedMode{};
            }
            XSync(d, False);
        }
    }
    XRRFreeCrtcInfo(info);
    XRRFreeScreenResources(res);
    return result;
}

void restore_display_mode() {
    std::lock_guard<std::mutex> guard(g_restore_mutex);
    if (!g_state.saved_mode.changed) return;
    FreshConnection fresh;
    Display* d = live_display();
    // The connection was killed by another client: a connection of our own
    // puts the mode back.
    if (d == nullptr) d = fresh.open();
    if (d == nullptr) return;
    put_back_mode(d, DefaultRootWindow(d), g_state.saved_mode);
    g_state.saved_mode = SavedMode{};
}

std::int32_t refresh_rate() {
    State& s = g_state;
    Display* d = live_display();
    if (d == nullptr || !s.has_randr) return 0;
    const RRCrtc crtc = crtc_for(d, s.root, monitor_of_window());
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(d, s.root);
    if (res == nullptr) return 0;
    std::int32_t rate = 0;
    if (crtc != None) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(d, res, crtc);
        if (info != nullptr) {
            if (const XRRModeInfo* mode = find_mode(res, info->mode)) rate = mode_rate(*mode);
            XRRFreeCrtcInfo(info);
        }
    }
    XRRFreeScreenResources(res);
    return rate;
}

std::int32_t* list_modes(bool (*accept)(std::int32_t bits, std::int32_t depth), std::int32_t depth,
                         std::int32_t* count) {
    *count = 0;
    init_threads_once();
    Display* d = g_state.display;
    const bool temporary = d == nullptr;
    if (temporary) d = XOpenDisplay(nullptr);
    if (d == nullptr) return nullptr;
    const int screen = DefaultScreen(d);
    const Window root = RootWindow(d, screen);
    std::int32_t* modes = nullptr;
    const auto append = [&](std::int32_t width, std::int32_t height) {
        auto* grown =
            static_cast<std::int32_t*>(std::realloc(modes, static_cast<std::size_t>(*count + 1) * sizeof *modes));
        if (grown == nullptr) return false;  // listing stops with what it has
        modes = grown;
        modes[*count] = static_cast<std::int32_t>((static_cast<std::uint32_t>(width) << 16) |
                                                  (static_cast<std::uint32_t>(height) & 0xFFFFu));
        ++*count;
        return true;
    };
    if (accept(display_bits(d, screen), depth)) {
        int event_base = 0, error_base = 0;
        XRRScreenResources* res =
            XRRQueryExtension(d, &event_base, &error_base) ? XRRGetScreenResourcesCurrent(d, root) : nullptr;
        if (res != nullptr) {
            const RROutput output_id = listing_output(d, root, res);
            XRROutputInfo* output = output_id != None ? XRRGetOutputInfo(d, res, output_id) : nullptr;
            for (int i = 0; output != nullptr && i < output->nmode; ++i) {
                const XRRModeInfo* mode = find_mode(res, output->modes[i]);
                if (mode != nullptr &&
                    !append(static_cast<std::int32_t>(mode->width), static_cast<std::int32_t>(mode->height))) {
                    break;
                }
            }
            if (output != nullptr) XRRFreeOutputInfo(output);
            XRRFreeScreenResources(res);
        } else {
            append(DisplayWidth(d, screen), DisplayHeight(d, screen));
        }
    }
    if (temporary) XCloseDisplay(d);
    if (*count == 0) {
        std::free(modes);
        return nullptr;
    }
    return modes;
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

std::int32_t monitor_containing(std::int32_t x, std::int32_t y) {
    State& s = g_state;
    if (live_display() == nullptr || !s.has_randr) return -1;
    const std::vector<Monitor> monitors = active_monitors(s.display, s.root);
    std::int32_t best = -1;
    long long best_distance = LLONG_MAX;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const PlatformRect& r = monitors[i].rect;
        const long long dx = x < r.left ? r.left - x : (x >= r.right ? x - r.right + 1 : 0);
        const long long dy = y < r.top ? r.top - y : (y >= r.bottom ? y - r.bottom + 1 : 0);
        const long long distance = dx * dx + dy * dy;
        if (distance < best_distance) {
            best_distance = distance;
            best = static_cast<std::int32_t>(i);
        }
    }
    return best;
}

PlatformRect monitor_rect(std::int32_t monitor) {
    State& s = g_state;
    if (live_display() == nullptr) return PlatformRect{0, 0, 0, 0};
    if (monitor >= 0 && s.has_randr) {
        const std::vector<Monitor> monitors = active_monitors(s.display, s.root);
        if (monitor < static_cast<std::int32_t>(monitors.size())) return monitors[monitor].rect;
    }
    return PlatformRect{0, 0, DisplayWidth(s.display, s.screen), DisplayHeight(s.display, s.screen)};
}

void restore_display_after_signal() {
    State& s = g_state;
    std::lock_guard<std::mutex> guard(g_restore_mutex);
    if (!s.saved_mode.changed && !s.saver_saved) return;
    // A connection of its own: the program's may be in use by a thread the
    // signal interrupted, or gone.
    FreshConnection fresh;
    Display* d = fresh.open();
    if (d == nullptr) return;
    if (s.saved_mode.changed) put_back_mode(d, DefaultRootWindow(d), s.saved_mode);
    if (s.saver_saved) put_back_saver(d, s);
    s.saved_mode = SavedMode{};
    s.saver_saved = false;
}

}  // namespace vz::x11

namespace vz {

const PlatformLayer& native_platform() { return x11::LAYER; }

}  // namespace vz

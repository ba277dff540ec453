#pragma once
// State and helpers shared by the files of the X11 layer. Two threads use
// Xlib (the update thread owns the window; the program's thread moves the
// cursor, changes the caption and moves the window), so XInitThreads runs
// before the first connection and the window id is atomic.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "gfx/drivers/platform.h"
#include "gfx/drivers/resettable_atomic.h"
#include "gfx/drivers/window_proc.h"

namespace vz::x11 {

struct Atoms {
    Atom wm_protocols = 0;
    Atom wm_delete_window = 0;
    Atom wm_state = 0;
    Atom net_wm_name = 0;
    Atom utf8_string = 0;
    Atom net_wm_state = 0;
    Atom net_wm_state_fullscreen = 0;
    Atom net_wm_state_above = 0;
    Atom net_wm_state_maximized_vert = 0;
    Atom net_wm_state_maximized_horz = 0;
    Atom net_wm_state_hidden = 0;
    Atom net_supporting_wm_check = 0;
    Atom net_active_window = 0;
    Atom motif_wm_hints = 0;
    Atom set_cursor = 0;  // our own message: apply the cursor shape
};

// What must be put back after a fullscreen mode change.
struct SavedMode {
    bool changed = false;
    unsigned long crtc = 0;
    unsigned long mode = 0;
    std::uint16_t rotation = 0;
    std::int32_t x = 0, y = 0;
    std::vector<unsigned long> outputs;
    bool screen_resized = false;
    std::int32_t screen_width = 0, screen_height = 0, screen_mm_width = 0, screen_mm_height = 0;
};

// The connection and what is learnt from it once: kept for the whole process.
struct Connection {
    Display* display = nullptr;
    int screen = 0;
    Window root = 0;
    Atoms atoms;
    Cursor arrow = 0;
    Cursor invisible = 0;
    bool has_randr = false;
    int randr_event_base = 0;
    bool has_shm = false;
    XIM input_method = nullptr;  // the built-in one: typed text in UTF-8, compose keys
};

// One screen's use of the connection; open() starts it afresh with `= {}`.
struct ScreenState {
    ResettableAtomic<Window> window{0};  // read by the program's thread too
    Visual* visual = nullptr;            // the window's visual
    int depth = 0;                       // the window's depth
    Colormap colormap = 0;               // own colormap for a non-default visual, else 0
    // Colour-index windows (8-bit displays without direct colour): `colormap`
    // holds every cell, written by set_image_colours.
    bool indexed_colormap = false;
    GC gc = nullptr;
    XIC input_context = nullptr;  // of the window
    bool window_manager = false;  // an EWMH window manager runs
    bool override_redirect = false;
    bool mapped = false;
    bool close_sent_for_loss = false;  // the close asked for after the server went away

    // Screen saver.
    bool saver_suspended = false;  // through the screen saver extension
    bool saver_saved = false;      // through the core timeout
    int saver_timeout = 0, saver_interval = 0, saver_blanking = 0, saver_exposures = 0;

    SavedMode saved_mode;
};

// Owned by the thread that pumps the window's messages; every new window
// starts it afresh with `= {}`.
struct WindowInput {
    std::uint8_t vk_state[256] = {};
    bool keycode_down[256] = {};
    bool leave_tracking = false;
    bool focused = true;
    bool iconic = false;
    bool reported_active = true;  // the activation the window procedure last heard of
    bool reported_minimised = false;
    bool maximised = false;
    int ignore_unmaps = 0;
    bool pointer_known = false;
    std::int32_t pointer_x = 0, pointer_y = 0;
    std::int32_t window_x = 0, window_y = 0;  // last known client position
    std::int32_t extra_held = 0;
    // Mouse capture: a pointer grab while a button is held.
    ResettableAtomic<bool> captured{false};  // the window holds the mouse until the buttons are up
    bool leave_deferred = false;             // the pointer left while captured
    struct Click {
        Time time = 0;
        std::int32_t x = 0, y = 0;
        bool pending = false;  // the last press may start a double click
    } clicks[5];
};

struct State : Connection, ScreenState, WindowInput {
    // Set by each update thread as it starts, across screens; a plain
    // std::atomic, since no reset ever clears it.
    std::atomic<long> update_thread_id{0};
    // The cursor is kept inside the client area. Set by the program's thread
    // and kept across window re-creation (a fullscreen toggle keeps the
    // confinement), so no reset clears it.
    std::atomic<bool> confined{false};
};

State& state();

// Whether the connection to the server has been lost; from then on the layer
// makes no more requests on it.
bool connection_lost();
// The display while the connection lives, else null.
inline Display* live_display() { return connection_lost() ? nullptr : state().display; }

// The bits per pixel of the server's pixmap format for `depth`; `depth`
// itself when the server lists no such format.
int pixmap_bits(Display* d, int depth);

// Error trapping: the layer's error handler never ends the process; these
// record the first error after begin_trap.
void begin_trap();
// Syncs and returns the error code caught since begin_trap (0 when none).
int end_trap();

// Keys: what a key event means in virtual keys and scancodes.
struct KeyMeaning {
    std::int32_t vk = 0;       // generic virtual key (Shift, Control, Menu for the modifiers)
    std::int32_t side_vk = 0;  // left/right virtual key of a modifier, else 0
    std::int32_t scan = 0;     // set-1 scancode
    bool extended = false;
};
KeyMeaning key_meaning(Display* display, unsigned keycode, KeySym event_keysym);
// The Unicode code point a key event types, 0 when none or more than one;
// `keysym` receives the event's symbol.
std::uint32_t typed_code_point(XKeyEvent& event, KeySym* keysym);
// Updates the virtual-key state for a press or release.
void note_key(const KeyMeaning& meaning, unsigned keycode, bool down);
// Rebuilds the virtual-key state from the server's keymap vector.
void sync_keys(Display* display, const char keys[32]);

// Platform layer entries implemented in the separate files.
bool create_window(const WindowRequest& request, const char* caption, const char* class_name);
void destroy_window();
bool restyle_window(const WindowRequest& request);
void hide_window();
std::uintptr_t window_id();
void set_caption(const char* caption);
bool window_pos(std::int32_t* x, std::int32_t* y);
void move_window(std::int32_t x, std::int32_t y);
bool client_rect(PlatformRect* rect);
bool cursor_pos(std::int32_t* x, std::int32_t* y);
void move_cursor(std::int32_t x, std::int32_t y);
void confine_cursor(const PlatformRect* rect);
void show_cursor(bool visible);
void post_set_cursor();
void capture_mouse();
void release_mouse();
bool has_capture();
void track_mouse_leave();
void stop_leave_tracking();
void keyboard_state(std::uint8_t out[256]);
void dispatch_pending_events();
bool create_image(std::int32_t width, std::int32_t height, ImageFormat* format, std::uint8_t** pixels,
                  std::int32_t* pitch);
void put_image(std::int32_t first, std::int32_t count);
void destroy_image();

// The visual a presentation window takes (x11_visual8.cpp): the default when
// it has direct colour, else the deepest TrueColor visual with a colormap of
// its own, else (8-bit colour indices) the default with a private colormap.
struct WindowVisual {
    Visual* visual;
    int depth;
    Colormap colormap;  // 0: the default colormap
    bool indexed;
};
WindowVisual presentation_visual(Display* d, int screen);
void set_image_colours(const std::uint32_t colours[256]);

// Shaped windows (x11_shape.cpp): pixels of the colour key are left out of
// the window's shape, row by row as they are presented.
bool set_colour_key(std::uint32_t key);
void shape_rows(const XImage* image, std::int32_t first, std::int32_t count);
void forget_shape();

// Grabs the pointer as capture and confinement need, or lets it go (x11_capture.cpp).
void apply_pointer_grab();

// Termination signals (x11_signals.cpp): from the first display change on,
// SIGINT, SIGQUIT, SIGTERM and SIGHUP put the display mode and the screen
// saver back before the process ends by the signal.
void guard_termination_signals();
// Puts back the mode and the screen-saver timeout through a connection of its
// own (x11_display.cpp); used by the signal watcher.
void restore_display_after_signal();

// Starts Xlib's thread support once, before the first connection.
void init_threads_once();
// Guards what must be put back (the saved display mode and the screen-saver
// settings): the update thread changes them, and the thread that ends the
// process on a termination signal restores them.
std::mutex& restore_mutex();

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

// Monitors and display modes (x11_modes.cpp).
std::int32_t monitor_containing(std::int32_t x, std::int32_t y);
PlatformRect monitor_rect(std::int32_t monitor);
std::int32_t monitor_at_cursor();
std::int32_t monitor_of_window();
bool set_display_mode(std::int32_t monitor, std::int32_t width, std::int32_t height, std::int32_t depth,
                      std::int32_t refresh_rate);
void restore_display_mode();
std::int32_t refresh_rate();
std::int32_t* list_modes(bool (*accept)(std::int32_t bits, std::int32_t depth), std::int32_t depth,
                         std::int32_t* count);
// Puts the saved display mode back through `d` and forgets it (with
// restore_mutex held).
void put_back_saved_mode(Display* d);

}  // namespace vz::x11

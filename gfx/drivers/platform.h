#pragma once
// The window-system layer under the drivers: a table of the few services the
// window, message and back-end logic needs from the platform (a display
// connection, one program window, the cursor, the keyboard state, display
// modes and an image to present rows through). Everything above this table is
// platform-independent; each build has one window-system layer of its own
// (X11 in gfx/drivers/x11/) and tests install a table of their own.

#include <cstdint>

namespace vz {

// A rectangle in screen coordinates; right and bottom are exclusive.
struct PlatformRect {
    std::int32_t left, top, right, bottom;
};

// How the program window looks.
enum class WindowFrame : std::int32_t {
    normal,       // caption, system menu, minimise and maximise
    no_maximise,  // caption, system menu, minimise
    popup,        // no caption and no border
    fullscreen,   // covers its monitor, above the desktop
};

struct WindowRequest {
    WindowFrame frame;
    bool topmost;
    std::int32_t x, y;           // top-left corner of the client area, screen coordinates
    std::int32_t width, height;  // client size
    bool show;                   // map the window and bring it to the front now
    std::uintptr_t visual;       // platform visual for the window (0: the default)
};

// The pixel layout of the presentation image. At 8 bits the masks say where
// the colour components lie (direct colour), or are all 0 for colour indices
// shown through set_image_colours.
struct ImageFormat {
    std::int32_t bits_per_pixel;  // 8, 15, 16, 24 or 32 (15: 16-bit cells, 5-5-5)
    std::uint32_t red_mask, green_mask, blue_mask;
};

// Operations that can fail return true on success.
struct PlatformLayer {
    // A screen's use of the display. open fails when there is no
    // display to talk to; close ends the use (the layer may keep its
    // connection for the next screen).
    bool (*open)();
    void (*close)();
    // Window-system version as major * 256 + minor.
    std::int32_t (*version)();
    // The screen saver stays off between these two calls.
    void (*suspend_screensaver)();
    void (*restore_screensaver)();
    // Called once by the update thread when it starts.
    void (*note_update_thread)();
    // Runs the update thread above normal priority (or back at normal).
    void (*set_update_priority)(bool above_normal);

    // Monitors: -1 when none is known.
    std::int32_t (*monitor_at_cursor)();
    std::int32_t (*monitor_of_window)();
    // The monitor's rectangle, or the whole screen for monitor -1.
    PlatformRect (*monitor_rect)(std::int32_t monitor);

    // Display modes. set_display_mode gives `monitor` a mode of exactly
    // width x height (refresh 0: any rate); restore puts the
    // mode found before the first change back (nothing when none changed).
    bool (*set_display_mode)(std::int32_t monitor, std::int32_t width, std::int32_t height, std::int32_t depth,
                             std::int32_t refresh_rate);
    void (*restore_display_mode)();
    // The refresh rate of the window's monitor in Hz, 0 when unknown.
    std::int32_t (*refresh_rate)();
    // Every mode of the default display as width * 65536 + height, when
    // `accept` says yes to the display's bits per pixel; a heap array freed
    // with std::free, null when there is none. Settings may repeat.
    std::int32_t* (*list_modes)(bool (*accept)(std::int32_t bits, std::int32_t depth), std::int32_t depth,
                                std::int32_t* count);

    // The one program window: created with the title as caption and the
    // class name as its class.
    bool (*create_window)(const WindowRequest& request, const char* caption, const char* class_name);
    void (*destroy_window)();
    // Restyles, places and shows the existing window without recreating it.
    bool (*restyle_window)(const WindowRequest& request);
    void (*hide_window)();
    // The window's id, 0 when none.
    std::uintptr_t (*window_id)();
    void (*set_caption)(const char* caption);
    // Top-left corner of the window's outer frame.
    bool (*window_pos)(std::int32_t* x, std::int32_t* y);
    // Moves the window's outer frame without resizing and without waiting.
    void (*move_window)(std::int32_t x, std::int32_t y);
    bool (*client_rect)(PlatformRect* rect);
    // Makes pixels of colour `key` (0x00RRGGBB) transparent; null when the
    // window system cannot (shaped windows then fail).
    bool (*set_colour_key)(std::uint32_t key);

    // Cursor, in screen coordinates.
    bool (*cursor_pos)(std::int32_t* x, std::int32_t* y);
    void (*move_cursor)(std::int32_t x, std::int32_t y);
    // Confines the cursor to `rect`; null frees it.
    void (*confine_cursor)(const PlatformRect* rect);
    // The shape of the cursor over the client area: arrow or none.
    void (*show_cursor)(bool visible);
    // Queues a set-cursor message to the window (from any thread).
    void (*post_set_cursor)();
    void (*capture_mouse)();
    void (*release_mouse)();
    bool (*has_capture)();
    // Asks for one mouse-leave message when the cursor leaves the window.
    void (*track_mouse_leave)();
    void (*stop_leave_tracking)();

    // The keyboard state of virtual keys as of the message being handled: 256
    // bytes, high bit set while the key is down.
    void (*keyboard_state)(std::uint8_t state[256]);
    // Removes and handles every pending message of the window, without waiting.
    void (*pump_messages)();

    // The presentation image: width x height pixels in the display's format,
    // rows `pitch` bytes apart.
    bool (*create_image)(std::int32_t width, std::int32_t height, ImageFormat* format, std::uint8_t** pixels,
                         std::int32_t* pitch);
    // Shows rows first ... first + count - 1 of the image in the window.
    void (*put_image)(std::int32_t first, std::int32_t count);
    void (*destroy_image)();
    // For an image of 8-bit colour indices (bits_per_pixel 8, no masks): the
    // colour shown for each index, 0x00RRGGBB. Optional (null: a layer whose
    // images are never indexed).
    void (*set_image_colours)(const std::uint32_t colours[256]);
};

// The layer in use: the build's window-system layer unless a test installed another.
const PlatformLayer& platform();

// The build's window-system layer (X11 on Linux).
const PlatformLayer& native_platform();

}  // namespace vz

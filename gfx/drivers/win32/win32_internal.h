#pragma once
// State and helpers shared by the files of the Win32 window-system layer. The
// window belongs to the thread that created it (the update thread, or the
// program's thread with OpenGL); its messages are handled there. The program's
// thread only reads the window handle, moves the window and the cursor and
// changes the caption.

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "gfx/drivers/platform.h"
#include "gfx/drivers/window_proc.h"

namespace vz::win32 {

// Our own messages: apply the cursor shape (posted from any thread).
inline constexpr UINT MESSAGE_SET_CURSOR = WM_APP + 1;
// Timer of the mouse-leave stand-in used where TrackMouseEvent is missing.
inline constexpr UINT_PTR LEAVE_TIMER = 2;
inline constexpr UINT LEAVE_TIMER_MS = 100;

// USER32 entry points that older systems lack: looked up at run time, null
// when missing.
struct OptionalEntries {
    BOOL(WINAPI* set_layered_window_attributes)(HWND, COLORREF, BYTE, DWORD) = nullptr;
    HMONITOR(WINAPI* monitor_from_window)(HWND, DWORD) = nullptr;
    HMONITOR(WINAPI* monitor_from_point)(POINT, DWORD) = nullptr;
    BOOL(WINAPI* flash_window_ex)(PFLASHWINFO) = nullptr;
    BOOL(WINAPI* track_mouse_event)(LPTRACKMOUSEEVENT) = nullptr;
    BOOL(WINAPI* get_monitor_info)(HMONITOR, LPMONITORINFO) = nullptr;
    LONG(WINAPI* change_display_settings_ex)(LPCSTR, LPDEVMODEA, HWND, DWORD, LPVOID) = nullptr;
};

struct State {
    OptionalEntries entries;
    bool entries_loaded = false;
    HINSTANCE instance = nullptr;
    std::atomic<HWND> window{nullptr};
    char class_name[160] = {};
    bool class_registered = false;
    HCURSOR arrow = nullptr;
    // The display mode in force before the first change, restored at the end.
    bool mode_changed = false;
    char mode_device[CCHDEVICENAME] = {};
    // The program's mode, and whether the desktop's is back in force because
    // the fullscreen window lost the focus or was minimised.
    DEVMODEA mode_wanted{};
    bool mode_suspended = false;
    // The DirectDraw back-end's own answer to the same (null: none).
    void (*fullscreen_focus)(bool shown) = nullptr;
    // Screen saver.
    bool saver_saved = false;
    BOOL saver_active = FALSE;
    // The update thread.
    std::atomic<DWORD> update_thread_id{0};
    // Owned by the window's thread.
    bool leave_timer = false;
    // The presentation image.
    BITMAPINFO* image_info = nullptr;
    std::uint8_t* image_pixels = nullptr;
    std::int32_t image_width = 0, image_height = 0, image_pitch = 0, image_bits = 0;
    HPALETTE image_palette = nullptr;
};

State& state();
void load_optional_entries();

// Monitors by index (the order the system lists them in); -1 when unknown.
std::int32_t monitor_index(HMONITOR monitor);
HMONITOR monitor_handle(std::int32_t index);
PlatformRect monitor_rect(std::int32_t monitor);

// A fullscreen window lost the focus or was minimised (shown = false), or
// is in front again (shown = true): the desktop gets its own display mode
// back in between, so the other programs are not left in ours.
void fullscreen_focus_changed(bool shown);

// The window procedure of the program window's class.
LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// The character (a Unicode code point) a key press types, 0 when none.
std::int32_t key_character(UINT vk, UINT scan, const BYTE keyboard[256]);
// Unicode for a character message's byte in the system's code page.
std::uint32_t ansi_to_unicode(std::uint8_t byte);

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
bool set_colour_key(std::uint32_t key);
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
void dispatch_pending_messages();
bool create_image(std::int32_t width, std::int32_t height, ImageFormat* format, std::uint8_t** pixels,
                  std::int32_t* pitch);
void put_image(std::int32_t first, std::int32_t count);
void destroy_image();

}  // namespace vz::win32

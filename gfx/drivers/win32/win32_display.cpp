// The Win32 layer's table and its display services: the system version, the
// optional USER32 entry points, the screen saver, the update thread's set-up,
// monitors and display modes.

#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "gfx/drivers/win32/win32_internal.h"
#include "rt/fpu.h"

namespace vz::win32 {

State& state() {
    static State s;
    return s;
}

void load_optional_entries() {
    State& s = state();
    if (s.entries_loaded) return;
    s.entries_loaded = true;
    HMODULE user = GetModuleHandleA("USER32");
    if (user == nullptr) return;
    // Casting through a plain function pointer keeps the compiler quiet
    // about the differing signatures of GetProcAddress's result.
    auto look = [user](auto& slot, const char* name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(
            reinterpret_cast<void (*)()>(GetProcAddress(user, name)));
    };
    look(s.entries.set_layered_window_attributes, "SetLayeredWindowAttributes");
    look(s.entries.monitor_from_window, "MonitorFromWindow");
    look(s.entries.monitor_from_point, "MonitorFromPoint");
    look(s.entries.flash_window_ex, "FlashWindowEx");
    look(s.entries.track_mouse_event, "TrackMouseEvent");
    look(s.entries.get_monitor_info, "GetMonitorInfoA");
    look(s.entries.change_display_settings_ex, "ChangeDisplaySettingsExA");
}

namespace {

// Puts the desktop's own display mode back.
void desktop_mode() {
    State& s = state();
    if (s.entries.change_display_settings_ex != nullptr && s.mode_device[0] != '\0') {
        s.entries.change_display_settings_ex(s.mode_device, nullptr, nullptr, 0, nullptr);
    } else {
        ChangeDisplaySettingsA(nullptr, 0);
    }
}

bool open() {
    State& s = state();
    load_optional_entries();
    s.instance = GetModuleHandleA(nullptr);
    if (s.arrow == nullptr) s.arrow = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    // Without a desktop there is nothing to show a window on.
    return GetSystemMetrics(SM_CXSCREEN) > 0 && GetSystemMetrics(SM_CYSCREEN) > 0;
}

void close() {}

std::int32_t version() {
    // GetVersionEx reports what the program's manifest allows; the major and
    // minor numbers are all the drivers look at.
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExA(&info) == 0) return 0;
#pragma GCC diagnostic pop
    return static_cast<std::int32_t>(info.dwMajorVersion * 256 + info.dwMinorVersion);
}

void suspend_screensaver() {
    State& s = state();
    BOOL active = FALSE;
    if (SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0) == 0) return;
    s.saver_saved = true;
    s.saver_active = active;
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0);
}

void restore_screensaver() {
    State& s = state();
    if (!s.saver_saved) return;
    s.saver_saved = false;
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, static_cast<UINT>(s.saver_active), nullptr, 0);
}

// Windows threads start with the x87 unit at a 53-bit significand; the
// update thread works with the same 64-bit one as the program's thread.
void note_update_thread() {
    set_extended_precision();
    state().update_thread_id.store(GetCurrentThreadId());
}

void set_update_priority(bool above_normal) {
    const DWORD id = state().update_thread_id.load();
    if (id == 0) return;
    HANDLE thread = OpenThread(THREAD_SET_INFORMATION, FALSE, id);
    if (thread == nullptr) return;
    SetThreadPriority(thread, above_normal ? THREAD_PRIORITY_ABOVE_NORMAL : THREAD_PRIORITY_NORMAL);
    CloseHandle(thread);
}

struct MonitorList {
    std::vector<HMONITOR> handles;
};

BOOL CALLBACK collect_monitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    reinterpret_cast<MonitorList*>(data)->handles.push_back(monitor);
    return TRUE;
}

MonitorList monitors() {
    MonitorList list;
    EnumDisplayMonitors(nullptr, nullptr, &collect_monitor, reinterpret_cast<LPARAM>(&list));
    return list;
}

std::int32_t monitor_at_cursor() {
    const OptionalEntries& e = state().entries;
    POINT at{};
    if (e.monitor_from_point == nullptr || GetCursorPos(&at) == 0) return -1;
    return monitor_index(e.monitor_from_point(at, MONITOR_DEFAULTTONEAREST));
}

std::int32_t monitor_of_window() {
    const OptionalEntries& e = state().entries;
    HWND window = state().window.load();
    if (e.monitor_from_window == nullptr || window == nullptr) return -1;
    return monitor_index(e.monitor_from_window(window, MONITOR_DEFAULTTONEAREST));
}

// The device name of a monitor ("\\.\DISPLAY1"), empty for the primary.
void monitor_device(std::int32_t monitor, char device[CCHDEVICENAME]) {
    device[0] = '\0';
    const OptionalEntries& e = state().entries;
    HMONITOR handle = monitor_handle(monitor);
    if (handle == nullptr || e.get_monitor_info == nullptr) return;
    MONITORINFOEXA info{};
    info.cbSize = sizeof info;
    if (e.get_monitor_info(handle, &info) != 0) std::memcpy(device, info.szDevice, CCHDEVICENAME);
}

bool set_display_mode(std::int32_t monitor, std::int32_t width, std::int32_t height, std::int32_t depth,
                      std::int32_t refresh_rate) {
    State& s = state();
    char device[CCHDEVICENAME];
    monitor_device(monitor, device);
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = static_cast<DWORD>(depth == 15 ? 16 : depth);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    if (refresh_rate > 0) {
        mode.dmDisplayFrequency = static_cast<DWORD>(refresh_rate);
        mode.dmFields |= DM_DISPLAYFREQUENCY;
    }
    LONG result = 0;
    if (s.entries.change_display_settings_ex != nullptr && device[0] != '\0') {
        result = s.entries.change_display_settings_ex(device, &mode, nullptr, CDS_FULLSCREEN, nullptr);
    } else {
        result = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
    }
    if (result != DISP_CHANGE_SUCCESSFUL) return false;
    s.mode_changed = true;
    s.mode_suspended = false;
    s.mode_wanted = mode;
    std::memcpy(s.mode_device, device, CCHDEVICENAME);
    return true;
}

void restore_display_mode() {
    State& s = state();
    if (!s.mode_changed) return;
    s.mode_changed = false;
    // Suspended: the desktop's mode is in force already.
    if (std::exchange(s.mode_suspended, false)) return;
    desktop_mode();
}

std::int32_t refresh_rate() {
    char device[CCHDEVICENAME];
    monitor_device(monitor_of_window(), device);
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (EnumDisplaySettingsA(device[0] != '\0' ? device : nullptr, ENUM_CURRENT_SETTINGS, &mode) == 0) return 0;
    // 0 and 1 stand for the hardware's default rate, which is not told.
    return mode.dmDisplayFrequency > 1 ? static_cast<std::int32_t>(mode.dmDisplayFrequency) : 0;
}

std::int32_t* list_modes(bool (*accept)(std::int32_t bits, std::int32_t depth), std::int32_t depth,
                         std::int32_t* count) {
    std::vector<std::int32_t> found;
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &mode) != 0; ++i) {
        if (accept(static_cast<std::int32_t>(mode.dmBitsPerPel), depth)) {
            found.push_back(static_cast<std::int32_t>(mode.dmPelsWidth * 65536 + mode.dmPelsHeight));
        }
    }
    if (found.empty()) return nullptr;
    auto* modes = static_cast<std::int32_t*>(std::malloc(found.size() * sizeof(std::int32_t)));
    if (modes == nullptr) return nullptr;
    std::memcpy(modes, found.data(), found.size() * sizeof(std::int32_t));
    if (count != nullptr) *count = static_cast<std::int32_t>(found.size());
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
    .pump_messages = &dispatch_pending_messages,
    .create_image = &create_image,
    .put_image = &put_image,
    .destroy_image = &destroy_image,
    // The image is a device-independent bitmap in direct colour: Windows maps
    // it to the display itself, so no colour-index image is ever offered.
    .set_image_colours = nullptr,
};

}  // namespace

void fullscreen_focus_changed(bool shown) {
    State& s = state();
    if (s.mode_changed) {
        if (!shown && !s.mode_suspended) {
            desktop_mode();
            s.mode_suspended = true;
        } else if (shown && s.mode_suspended) {
            // Back in front: the program's mode again. Should the desktop
            // refuse it now, the window stays in the desktop's mode.
            DEVMODEA mode = s.mode_wanted;
            const LONG result =
                s.entries.change_display_settings_ex != nullptr && s.mode_device[0] != '\0'
                    ? s.entries.change_display_settings_ex(s.mode_device, &mode, nullptr, CDS_FULLSCREEN, nullptr)
                    : ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
            s.mode_suspended = result != DISP_CHANGE_SUCCESSFUL;
        }
    }
    if (s.fullscreen_focus != nullptr) s.fullscreen_focus(shown);
}

std::int32_t monitor_index(HMONITOR monitor) {
    if (monitor == nullptr) return -1;
    const MonitorList list = monitors();
    for (std::size_t i = 0; i < list.handles.size(); ++i) {
        if (list.handles[i] == monitor) return static_cast<std::int32_t>(i);
    }
    return -1;
}

HMONITOR monitor_handle(std::int32_t index) {
    if (index < 0) return nullptr;
    const MonitorList list = monitors();
    return static_cast<std::size_t>(index) < list.handles.size() ? list.handles[static_cast<std::size_t>(index)]
                                                                 : nullptr;
}

PlatformRect monitor_rect(std::int32_t monitor) {
    const OptionalEntries& e = state().entries;
    HMONITOR handle = monitor_handle(monitor);
    if (handle != nullptr && e.get_monitor_info != nullptr) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (e.get_monitor_info(handle, &info) != 0) {
            return {info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom};
        }
    }
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace vz::win32

namespace vz {

const PlatformLayer& native_platform() { return win32::LAYER; }

}  // namespace vz

// The "DirectX" driver's back-end on Windows: DirectDraw for the picture and
// DirectInput for the keyboard, both loaded at run time from "ddraw.dll" and
// "dinput.dll" (a system without them makes the window set-up fail, so the
// core goes on to the next driver). Fullscreen, the display is taken
// exclusively in a display mode and the page is converted straight into the
// primary surface; windowed, it is converted into an off-screen surface that
// is copied to the window through a clipper. All objects belong to the update
// thread; the program's thread only waits for the vertical blank.

#define DIRECTINPUT_VERSION 0x0300
#include <windows.h>
#include <initguid.h>
#include <ddraw.h>
#include <dinput.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "gfx/context.h"
#include "gfx/drivers/blit.h"
#include "gfx/drivers/directx_backend.h"
#include "gfx/drivers/platform.h"
#include "gfx/drivers/shared_ops.h"
#include "gfx/drivers/win32/ddraw_format.h"
#include "gfx/drivers/win32/win32_internal.h"
#include "gfx/drivers/window_common.h"
#include "gfx/drivers/window_state.h"
#include "gfx/screen_failure.h"
#include "rt/timer.h"

namespace vz {

namespace {

using DirectDrawCreateProc = HRESULT(WINAPI*)(GUID*, LPDIRECTDRAW*, IUnknown*);
using DirectDrawEnumerateExProc = HRESULT(WINAPI*)(LPDDENUMCALLBACKEXA, LPVOID, DWORD);
using DirectInputCreateProc = HRESULT(WINAPI*)(HINSTANCE, DWORD, LPDIRECTINPUTA*, LPUNKNOWN);

constexpr DWORD DIRECTINPUT_3 = 0x0300;
constexpr int RESTORE_ROUNDS = 8;  // restore attempts of one pass before giving up for that pass
constexpr DWORD VSYNC_WAIT_MS = 20;
constexpr std::int32_t REBUILD_RETRY_MS = 300;

struct Objects {
    HMODULE ddraw_library = nullptr;
    HMODULE dinput_library = nullptr;
    DirectDrawCreateProc direct_draw_create = nullptr;
    DirectDrawEnumerateExProc direct_draw_enumerate_ex = nullptr;
    DirectInputCreateProc direct_input_create = nullptr;
    IDirectDraw2* draw = nullptr;
    IDirectDrawSurface* primary = nullptr;
    IDirectDrawSurface* back = nullptr;  // the primary itself when fullscreen
    IDirectDrawPalette* palette = nullptr;
    IDirectDrawClipper* clipper = nullptr;
    IDirectInputA* input = nullptr;
    IDirectInputDeviceA* keyboard = nullptr;
    bool fullscreen = false;
    bool mode_set = false;
    // The mode set (the depth may be the asked one's twin), and whether the
    // desktop's is back in force while the window is not in front.
    std::int32_t mode_height = 0, mode_depth = 0;
    bool mode_suspended = false;
    std::int32_t vertical_offset = 0;
};

Objects g_dx;  // the update thread's
HANDLE g_vsync_event = nullptr;
std::atomic<bool> g_vsync_pending{false};
// The DirectDraw object the program's thread may wait for the blank with;
// guarded by the driver lock.
IDirectDraw2* g_vsync_draw = nullptr;

// Where the next windowed window goes (client top-left); survives toggles.
bool g_position_known = false;
std::int32_t g_window_x = 0, g_window_y = 0;

// The keyboard as 256 one-byte buttons: object i is key i at offset i.
DIOBJECTDATAFORMAT g_key_objects[256];
DIDATAFORMAT g_key_format;

template <typename T>
void release(T*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

template <typename T>
void look_up(T& slot, HMODULE library, const char* name) {
    slot = reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

void build_key_format() {
    for (DWORD i = 0; i < 256; ++i) {
        g_key_objects[i].pguid = &GUID_Key;
        g_key_objects[i].dwOfs = i;
        g_key_objects[i].dwType = i * 256 + 0x8000000C;  // optional button, instance i
        g_key_objects[i].dwFlags = 0;
    }
    g_key_format.dwSize = sizeof(DIDATAFORMAT);
    g_key_format.dwObjSize = sizeof(DIOBJECTDATAFORMAT);
    g_key_format.dwFlags = DIDF_RELAXIS;
    g_key_format.dwDataSize = 256;
    g_key_format.dwNumObjs = 256;
    g_key_format.rgodf = g_key_objects;
}

struct DeviceSearch {
    HMONITOR monitor;
    GUID guid;
    bool found;
};

BOOL WINAPI match_device(GUID* guid, LPSTR, LPSTR, LPVOID context, HMONITOR monitor) {
    auto* search = static_cast<DeviceSearch*>(context);
    if (guid != nullptr && monitor == search->monitor) {
        search->guid = *guid;
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

// Loads both libraries and makes the DirectDraw object (IDirectDraw2) of
// `device` (null: the default device).
bool create_draw(GUID* device) {
    LPDIRECTDRAW first = nullptr;
    if (g_dx.direct_draw_create == nullptr || FAILED(g_dx.direct_draw_create(device, &first, nullptr))) return false;
    const HRESULT result = first->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&g_dx.draw));
    first->Release();
    return SUCCEEDED(result) && g_dx.draw != nullptr;
}

bool display_mode_for(std::int32_t width, std::int32_t depth, std::int32_t refresh, std::int32_t& height,
                      std::int32_t& depth_set) {
    const WindowState& ws = window_state();
    std::int32_t h = ws.height;
    for (;;) {
        const DWORD flags = (width == 320 && h == 200 && depth == 8) ? DDSDM_STANDARDVGAMODE : 0;
        if (SUCCEEDED(g_dx.draw->SetDisplayMode(static_cast<DWORD>(width), static_cast<DWORD>(h),
                                                static_cast<DWORD>(depth), static_cast<DWORD>(refresh), flags))) {
            height = h;
            depth_set = depth;
            return true;
        }
        std::int32_t twin = 0;
        if (depth == 15) twin = 16;
        if (depth == 16) twin = 15;
        if (depth == 24) twin = 32;
        if (depth == 32) twin = 24;
        if (twin != 0 &&
            SUCCEEDED(g_dx.draw->SetDisplayMode(static_cast<DWORD>(width), static_cast<DWORD>(h),
                                                static_cast<DWORD>(twin), static_cast<DWORD>(refresh), 0))) {
            height = h;
            depth_set = twin;
            return true;
        }
        if (h < 240)
            h = 240;
        else if (h < 480)
            h = 480;
        else if (h < 600)
            h = 600;
        else if (h < 768)
            h = 768;
        else if (h < 1024)
            h = 1024;
        else
            return false;
    }
}

bool restore_surfaces();

// The window lost the focus or was minimised (the desktop gets its display
// mode back), or is in front again (the program's mode once more).
void dx_fullscreen_focus(bool shown) {
    if (!g_dx.fullscreen || g_dx.draw == nullptr || !g_dx.mode_set) return;
    if (!shown && !g_dx.mode_suspended) {
        g_dx.draw->RestoreDisplayMode();
        g_dx.mode_suspended = true;
    } else if (shown && g_dx.mode_suspended) {
        const WindowState& ws = window_state();
        const bool vga = ws.width == 320 && g_dx.mode_height == 200 && g_dx.mode_depth == 8;
        const DWORD flags = vga ? DDSDM_STANDARDVGAMODE : 0;
        g_dx.mode_suspended = FAILED(
            g_dx.draw->SetDisplayMode(static_cast<DWORD>(ws.width), static_cast<DWORD>(g_dx.mode_height),
                                      static_cast<DWORD>(g_dx.mode_depth), static_cast<DWORD>(ws.refresh_rate), flags));
    }
}

std::int32_t dx_init_window() {
    WindowState& ws = window_state();
    const PlatformLayer& p = platform();
    g_dx = Objects{};
    const std::int32_t flags = ws.flags.load();
    g_dx.fullscreen = (flags & SCREEN_FULLSCREEN) != 0;
    // DirectDraw shows its surfaces in windows of this system only; another
    // window-system layer (a test's) leaves it nothing to draw into.
    if (&platform() != &native_platform()) return driver_refuses("no DirectDraw on this window system");

    // 1. The libraries.
    g_dx.ddraw_library = LoadLibraryA("ddraw.dll");
    g_dx.dinput_library = LoadLibraryA("dinput.dll");
    if (g_dx.ddraw_library == nullptr || g_dx.dinput_library == nullptr) {
        return driver_refuses("ddraw.dll or dinput.dll not loaded");
    }
    look_up(g_dx.direct_draw_create, g_dx.ddraw_library, "DirectDrawCreate");
    look_up(g_dx.direct_draw_enumerate_ex, g_dx.ddraw_library, "DirectDrawEnumerateExA");
    look_up(g_dx.direct_input_create, g_dx.dinput_library, "DirectInputCreateA");

    // 2-3. The device of the window's monitor when fullscreen, else the default.
    DeviceSearch search{win32::monitor_handle(ws.monitor.load()), GUID{}, false};
    if (g_dx.fullscreen && search.monitor != nullptr && g_dx.direct_draw_enumerate_ex != nullptr) {
        g_dx.direct_draw_enumerate_ex(&match_device, &search, DDENUM_ATTACHEDSECONDARYDEVICES);
    }
    if (!create_draw(search.found ? &search.guid : nullptr)) return driver_refuses("no DirectDraw device");

    // 4. DirectInput.
    if (g_dx.direct_input_create == nullptr ||
        FAILED(g_dx.direct_input_create(GetModuleHandleA(nullptr), DIRECTINPUT_3, &g_dx.input, nullptr))) {
        return -1;
    }

    HWND window = nullptr;
    if (g_dx.fullscreen) {
        // 5. The whole primary screen, exclusively, in a display mode.
        const PlatformRect screen = p.monitor_rect(-1);
        WindowRequest request{};
        request.frame = WindowFrame::fullscreen;
        request.x = 0;
        request.y = 0;
        request.width = screen.right - screen.left;
        request.height = screen.bottom - screen.top;
        request.topmost = (flags & SCREEN_TOPMOST) != 0;
        request.show = true;
        if (!create_window(request)) return -1;
        window = reinterpret_cast<HWND>(p.window_id());
        if (IsWindow(window) == 0) return -1;  // DirectDraw needs a window of this system
        if (FAILED(g_dx.draw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT))) {
            return -1;
        }
        std::int32_t mode_height = ws.height;
        if (!display_mode_for(ws.width, ws.depth, ws.refresh_rate, mode_height, g_dx.mode_depth)) {
            return driver_refuses("display mode not offered");
        }
        g_dx.mode_set = true;
        g_dx.mode_height = mode_height;
        win32::state().fullscreen_focus = &dx_fullscreen_focus;
        const std::int32_t extra = mode_height - ws.height;
        g_dx.vertical_offset = extra >= 0 ? extra / 2 : -((1 - extra) / 2);
    } else {
        // 6. A window at the remembered position, a clipper bound to it.
        WindowRequest request = window_request_for(flags, ws.width, ws.height);
        if (g_position_known) {
            request.x = g_window_x;
            request.y = g_window_y;
        }
        if (!create_window(request)) return -1;
        window = reinterpret_cast<HWND>(p.window_id());
        if (IsWindow(window) == 0) return -1;
        if (FAILED(g_dx.draw->SetCooperativeLevel(window, DDSCL_NORMAL))) return -1;
        if (FAILED(g_dx.draw->CreateClipper(0, &g_dx.clipper, nullptr))) return -1;
        if (FAILED(g_dx.clipper->SetHWnd(0, window))) return -1;
        g_dx.vertical_offset = 0;
    }

    // 7. The surfaces.
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (FAILED(g_dx.draw->CreateSurface(&desc, &g_dx.primary, nullptr))) return -1;
    if (g_dx.fullscreen) {
        g_dx.back = g_dx.primary;
        g_dx.back->AddRef();
    } else {
        if (FAILED(g_dx.primary->SetClipper(g_dx.clipper))) return -1;
        DDSURFACEDESC back{};
        back.dwSize = sizeof back;
        back.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        back.dwWidth = static_cast<DWORD>(ws.width);
        back.dwHeight = static_cast<DWORD>(ws.height);
        back.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
        if (FAILED(g_dx.draw->CreateSurface(&back, &g_dx.back, nullptr))) {
            // A display without room in video memory still offers system
            // memory; the copy to the window is the same.
            back.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
            if (FAILED(g_dx.draw->CreateSurface(&back, &g_dx.back, nullptr))) return -1;
        }
    }

    // 8-9. The display's pixel format and the converter for it.
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    if (FAILED(g_dx.primary->GetPixelFormat(&format))) return -1;
    const win32::SurfaceFormat surface = win32::surface_format(format);
    if (surface.bits == 0) return -1;
    const std::int32_t bits = surface.bits;
    if (bits == 8) {
        PALETTEENTRY entries[256];
        for (int i = 0; i < 256; ++i) {
            entries[i] = PALETTEENTRY{ws.palette[i][0], ws.palette[i][1], ws.palette[i][2], 0};
        }
        if (FAILED(g_dx.draw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &g_dx.palette, nullptr)) ||
            FAILED(g_dx.primary->SetPalette(g_dx.palette))) {
            return -1;
        }
        ws.palette_changed.store(0);
    }
    ws.converter = choose_blitter(bits, surface.swap);
    if (ws.converter == nullptr) return driver_refuses("depth not offered");

    // 10. The monitor's refresh rate.
    DWORD frequency = 0;
    if (GfxContext* context = current_context();
        context != nullptr && SUCCEEDED(g_dx.draw->GetMonitorFrequency(&frequency))) {
        std::atomic_ref<std::int32_t>(context->refresh_rate).store(static_cast<std::int32_t>(frequency));
    }

    // 11. The vertical-blank event.
    g_vsync_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (g_vsync_event == nullptr) return -1;

    // 12. The keyboard. Acquiring can fail while the window is not yet in
    // the foreground; each pass acquires again when the device says so.
    build_key_format();
    if (FAILED(g_dx.input->CreateDevice(GUID_SysKeyboard, &g_dx.keyboard, nullptr)) ||
        FAILED(g_dx.keyboard->SetDataFormat(&g_key_format))) {
        return -1;
    }
    g_dx.keyboard->Acquire();
    {
        std::lock_guard<std::recursive_mutex> guard(input_state().lock);
        g_vsync_draw = g_dx.draw;
    }
    return 0;
}

void dx_exit_window() {
    const PlatformLayer& p = platform();
    win32::state().fullscreen_focus = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(input_state().lock);
        g_vsync_draw = nullptr;
    }
    if (!g_dx.fullscreen) {
        PlatformRect client{};
        if (p.client_rect(&client)) {
            g_window_x = client.left;
            g_window_y = client.top;
            g_position_known = true;
        }
    }
    if (g_dx.keyboard != nullptr) g_dx.keyboard->Unacquire();
    release(g_dx.keyboard);
    release(g_dx.input);
    if (g_dx.fullscreen && g_dx.primary != nullptr) {
        DDBLTFX fill{};
        fill.dwSize = sizeof fill;
        fill.dwFillColor = 0;
        g_dx.primary->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill);
    }
    release(g_dx.back);
    release(g_dx.palette);
    release(g_dx.primary);
    release(g_dx.clipper);
    if (g_dx.draw != nullptr) {
        if (g_dx.fullscreen) {
            if (g_dx.mode_set) g_dx.draw->RestoreDisplayMode();
            g_dx.draw->SetCooperativeLevel(reinterpret_cast<HWND>(p.window_id()), DDSCL_NORMAL);
        }
        release(g_dx.draw);
    }
    if (p.window_id() != 0) p.destroy_window();
    if (g_dx.ddraw_library != nullptr) FreeLibrary(g_dx.ddraw_library);
    if (g_dx.dinput_library != nullptr) FreeLibrary(g_dx.dinput_library);
    if (g_vsync_event != nullptr) {
        CloseHandle(g_vsync_event);
        g_vsync_event = nullptr;
    }
    g_dx = Objects{};
    window_state().converter = nullptr;
}

// Gives lost surfaces their memory back. A display mode changed behind the
// driver's back rebuilds every object. False when the objects are gone.
bool restore_surfaces() {
    WindowState& ws = window_state();
    for (int round = 0; round < RESTORE_ROUNDS; ++round) {
        if (g_dx.primary == nullptr) return false;
        if (g_dx.primary->IsLost() != DDERR_SURFACELOST) return true;
        if (g_dx.back != nullptr && g_dx.back != g_dx.primary) g_dx.back->Restore();
        if (g_dx.primary->Restore() != DDERR_WRONGMODE) continue;
        dx_exit_window();
        while (dx_init_window() != 0) {
            dx_exit_window();
            if (ws.running.load() == 0) return false;
            os_sleep_ms(REBUILD_RETRY_MS);
        }
        const win32::OptionalEntries& e = win32::state().entries;
        if (e.flash_window_ex == nullptr) return true;
        FLASHWINFO flash{};
        flash.cbSize = sizeof flash;
        flash.hwnd = reinterpret_cast<HWND>(platform().window_id());
        flash.dwFlags = 0;
        e.flash_window_ex(&flash);
    }
    return g_dx.primary != nullptr;
}

// Copies the whole back surface to the window's client area.
void dx_present_window() {
    WindowState& ws = window_state();
    if (g_dx.fullscreen || g_dx.primary == nullptr || g_dx.back == nullptr) return;
    PlatformRect client{};
    if (!platform().client_rect(&client)) return;
    RECT target{client.left, client.top, client.right, client.bottom};
    RECT source{0, 0, ws.width, ws.height};
    for (int round = 0; round < RESTORE_ROUNDS; ++round) {
        if (!restore_surfaces()) return;
        if (g_dx.primary->Blt(&target, g_dx.back, &source, DDBLT_WAIT, nullptr) != DDERR_SURFACELOST) return;
    }
}

void dx_convert() {
    WindowState& ws = window_state();
    GfxContext* context = current_context();
    if (g_dx.back == nullptr || ws.converter == nullptr) return;
    if (ws.palette_changed.load() != 0 && g_dx.palette != nullptr) {
        PALETTEENTRY entries[256];
        for (int i = 0; i < 256; ++i) {
            entries[i] = PALETTEENTRY{ws.palette[i][0], ws.palette[i][1], ws.palette[i][2], 0};
        }
        g_dx.palette->SetEntries(0, 0, 256, entries);
        ws.palette_changed.store(0);
    }
    DDSURFACEDESC desc{};
    HRESULT result = DDERR_SURFACELOST;
    for (int round = 0; round < RESTORE_ROUNDS && result == DDERR_SURFACELOST; ++round) {
        if (!restore_surfaces()) return;
        desc = DDSURFACEDESC{};
        desc.dwSize = sizeof desc;
        result = g_dx.back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
    }
    if (FAILED(result)) return;  // the dirty lines stay set for the next pass
    const auto pitch = static_cast<std::int32_t>(desc.lPitch);
    ws.converter(static_cast<std::uint8_t*>(desc.lpSurface) + static_cast<std::ptrdiff_t>(pitch) * g_dx.vertical_offset,
                 pitch);
    g_dx.back->Unlock(nullptr);
    if (context != nullptr && context->dirty != nullptr) {
        std::memset(context->dirty, 0, static_cast<std::size_t>(ws.height));
    }
}

void dx_read_keyboard() {
    GfxContext* context = current_context();
    if (g_dx.keyboard == nullptr) return;
    std::uint8_t keys[256] = {};
    const HRESULT result = g_dx.keyboard->GetDeviceState(sizeof keys, keys);
    if (result == DIERR_NOTACQUIRED || result == DIERR_INPUTLOST) {
        g_dx.keyboard->Acquire();
        return;
    }
    if (FAILED(result) || context == nullptr || context->key_state == nullptr) return;
    for (int i = 0; i < KEY_STATE_SIZE; ++i) {
        context->key_state[i] = ((keys[i] | keys[i + 128]) & 0x80) != 0 ? 1 : 0;
    }
}

void dx_thread_main(StartSignal& ready) {
    WindowState& ws = window_state();
    InputState& in = input_state();
    if (!open_update_window(ready)) return;
    while (ws.running.load() != 0) {
        os_sleep_ms(10);
        std::lock_guard<std::recursive_mutex> guard(in.lock);
        if (g_vsync_pending.exchange(false) && g_vsync_event != nullptr) {
            WaitForSingleObject(g_vsync_event, VSYNC_WAIT_MS);
        }
        const bool shown = !(g_dx.fullscreen && ws.active.load() == 0);
        if (shown) {
            dx_convert();
            dx_present_window();
            if (ws.active.load() != 0) dx_read_keyboard();
        }
        handle_window_messages();
    }
}

void dx_wait_vsync() {
    InputState& in = input_state();
    IDirectDraw2* draw = nullptr;
    HANDLE event = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(in.lock);
        draw = g_vsync_draw;
        event = g_vsync_event;
        if (draw != nullptr) {
            draw->AddRef();
            ResetEvent(event);
            g_vsync_pending.store(true);
        }
    }
    if (draw == nullptr) {
        shared_wait_vsync();
        return;
    }
    draw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    {
        std::lock_guard<std::recursive_mutex> guard(in.lock);
        if (g_vsync_event == event) SetEvent(event);
    }
    draw->Release();
}

struct ModeList {
    std::int32_t depth;
    std::vector<std::int32_t> modes;
};

HRESULT WINAPI collect_mode(LPDDSURFACEDESC desc, LPVOID context) {
    auto* list = static_cast<ModeList*>(context);
    std::int32_t bits = static_cast<std::int32_t>(desc->ddpfPixelFormat.dwRGBBitCount);
    if (bits == 16 && desc->ddpfPixelFormat.dwGBitMask == 0x3E0) bits = 15;
    if (bits == list->depth) {
        list->modes.push_back(static_cast<std::int32_t>(desc->dwWidth * 65536 + desc->dwHeight));
    }
    return DDENUMRET_OK;
}

std::int32_t* dx_fetch_modes(std::int32_t depth, std::int32_t* count) {
    IDirectDraw2* draw = nullptr;
    HMODULE library = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(input_state().lock);
        draw = g_vsync_draw;
        if (draw != nullptr) draw->AddRef();
    }
    if (draw == nullptr) {
        if (&platform() != &native_platform()) return nullptr;
        library = LoadLibraryA("ddraw.dll");
        if (library == nullptr) return nullptr;
        DirectDrawCreateProc create = nullptr;
        look_up(create, library, "DirectDrawCreate");
        LPDIRECTDRAW first = nullptr;
        if (create == nullptr || FAILED(create(nullptr, &first, nullptr))) {
            FreeLibrary(library);
            return nullptr;
        }
        first->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&draw));
        first->Release();
        if (draw == nullptr) {
            FreeLibrary(library);
            return nullptr;
        }
    }
    ModeList list{depth, {}};
    const HRESULT result = draw->EnumDisplayModes(DDEDM_STANDARDVGAMODES, nullptr, &list, &collect_mode);
    draw->Release();
    if (library != nullptr) FreeLibrary(library);
    if (FAILED(result) || list.modes.empty()) return nullptr;
    auto* modes = static_cast<std::int32_t*>(std::malloc(list.modes.size() * sizeof(std::int32_t)));
    if (modes == nullptr) return nullptr;
    std::memcpy(modes, list.modes.data(), list.modes.size() * sizeof(std::int32_t));
    if (count != nullptr) *count = static_cast<std::int32_t>(list.modes.size());
    return modes;
}

void dx_forget_window_pos() { g_position_known = false; }

constexpr DirectXBackend BACKEND = {
    &dx_init_window, &dx_exit_window, &dx_present_window,    &dx_thread_main,
    &dx_wait_vsync,  &dx_fetch_modes, &dx_forget_window_pos,
};

}  // namespace

const DirectXBackend& directx_backend() { return BACKEND; }

}  // namespace vz

// The GL binding over WGL. "opengl32.dll" is loaded at run time (a system
// without it makes the OpenGL driver's init fail); formats are chosen with
// wglChoosePixelFormatARB when the driver offers it, else with the closest
// plain pixel format. The chosen format is set on the program window when
// the window is made (its "visual" is the format number); the context is
// made current on the calling thread (the program's).

#include <algorithm>
#include <cstring>

#include "gfx/drivers/gl_platform.h"
#include "gfx/drivers/win32/win32_internal.h"

namespace vz {

namespace {

using CreateContextProc = HGLRC(WINAPI*)(HDC);
using MakeCurrentProc = BOOL(WINAPI*)(HDC, HGLRC);
using DeleteContextProc = BOOL(WINAPI*)(HGLRC);
using GetProcAddressProc = PROC(WINAPI*)(LPCSTR);
using GetStringProc = const unsigned char*(WINAPI*)(unsigned);
using EnableProc = void(WINAPI*)(unsigned);
using ExtensionsStringProc = const char*(WINAPI*)(HDC);
using ChoosePixelFormatArbProc = BOOL(WINAPI*)(HDC, const int*, const float*, UINT, int*, UINT*);

constexpr unsigned GL_EXTENSIONS_NAME = 0x1F03;
constexpr unsigned GL_MULTISAMPLE_CAP = 0x809D;
constexpr int WGL_SUPPORT_OPENGL = 0x2010;
constexpr int WGL_FULL_ACCELERATION = 0x2027;
constexpr char PROBE_CLASS[] = "vzgfx_glprobe";

struct Wgl {
    HMODULE library = nullptr;
    CreateContextProc create_context = nullptr;
    MakeCurrentProc make_current = nullptr;
    DeleteContextProc delete_context = nullptr;
    GetProcAddressProc get_proc_address = nullptr;
    GetStringProc get_string = nullptr;
    EnableProc enable = nullptr;
    ChoosePixelFormatArbProc choose_pixel_format_arb = nullptr;
    int format = 0;
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
};

Wgl g_wgl;  // the program's thread only

template <typename T>
void look_up(T& slot, HMODULE library, const char* name) {
    slot = reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

bool load_library() {
    if (g_wgl.library != nullptr) return true;
    HMODULE library = LoadLibraryA("opengl32.dll");
    if (library == nullptr) return false;
    Wgl loaded;
    loaded.library = library;
    look_up(loaded.create_context, library, "wglCreateContext");
    look_up(loaded.make_current, library, "wglMakeCurrent");
    look_up(loaded.delete_context, library, "wglDeleteContext");
    look_up(loaded.get_proc_address, library, "wglGetProcAddress");
    look_up(loaded.get_string, library, "glGetString");
    look_up(loaded.enable, library, "glEnable");
    if (loaded.create_context == nullptr || loaded.make_current == nullptr || loaded.delete_context == nullptr ||
        loaded.get_proc_address == nullptr || loaded.get_string == nullptr || loaded.enable == nullptr) {
        FreeLibrary(library);
        return false;
    }
    g_wgl = loaded;
    return true;
}

PIXELFORMATDESCRIPTOR basic_descriptor(const GlPixelSettings& s) {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(s.colour_bits);
    pfd.cRedBits = static_cast<BYTE>(s.red_bits);
    pfd.cGreenBits = static_cast<BYTE>(s.green_bits);
    pfd.cBlueBits = static_cast<BYTE>(s.blue_bits);
    pfd.cAlphaBits = static_cast<BYTE>(s.alpha_bits);
    pfd.cAccumBits = static_cast<BYTE>(s.accum_bits);
    pfd.cAccumRedBits = static_cast<BYTE>(s.accum_red_bits);
    pfd.cAccumGreenBits = static_cast<BYTE>(s.accum_green_bits);
    pfd.cAccumBlueBits = static_cast<BYTE>(s.accum_blue_bits);
    pfd.cAccumAlphaBits = static_cast<BYTE>(s.accum_alpha_bits);
    pfd.cDepthBits = static_cast<BYTE>(s.depth_bits);
    pfd.cStencilBits = static_cast<BYTE>(s.stencil_bits);
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

bool wgl_probe(char* extensions, std::size_t capacity) {
    if (capacity == 0 || !load_library()) return false;
    extensions[0] = 0;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = &DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = PROBE_CLASS;
    RegisterClassA(&wc);
    // Never shown: a window that is not made visible is a hidden one.
    HWND window =
        CreateWindowExA(0, PROBE_CLASS, "OpenGL setup", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, instance, nullptr);
    bool ok = false;
    if (window != nullptr) {
        HDC dc = GetDC(window);
        const PIXELFORMATDESCRIPTOR pfd = basic_descriptor(GlPixelSettings{});
        const int format = ChoosePixelFormat(dc, &pfd);
        if (format != 0 && SetPixelFormat(dc, format, &pfd) != 0) {
            HGLRC context = g_wgl.create_context(dc);
            if (context != nullptr && g_wgl.make_current(dc, context) != 0) {
                std::size_t used = 0;
                append_extension_text(extensions, capacity, used,
                                      reinterpret_cast<const char*>(g_wgl.get_string(GL_EXTENSIONS_NAME)));
                ExtensionsStringProc wgl_extensions = nullptr;
                wgl_extensions = reinterpret_cast<ExtensionsStringProc>(
                    reinterpret_cast<void (*)()>(g_wgl.get_proc_address("wglGetExtensionsStringARB")));
                if (wgl_extensions != nullptr) {
                    if (used > 0 && extensions[used - 1] != ' ') append_extension_text(extensions, capacity, used, " ");
                    append_extension_text(extensions, capacity, used, wgl_extensions(dc));
                }
                g_wgl.choose_pixel_format_arb = reinterpret_cast<ChoosePixelFormatArbProc>(
                    reinterpret_cast<void (*)()>(g_wgl.get_proc_address("wglChoosePixelFormatARB")));
                ok = true;
                g_wgl.make_current(nullptr, nullptr);
            }
            if (context != nullptr) g_wgl.delete_context(context);
        }
        ReleaseDC(window, dc);
        DestroyWindow(window);
    }
    UnregisterClassA(PROBE_CLASS, instance);
    return ok;
}

bool wgl_has_attribute_chooser(const char* extensions) {
    return g_wgl.choose_pixel_format_arb != nullptr && extensions != nullptr &&
           std::strstr(extensions, "WGL_ARB_pixel_format") != nullptr;
}

int wgl_attribute(std::int32_t attribute) {
    switch (attribute) {
    case GL_ATTR_DRAW_TO_WINDOW:
        return 0x2001;
    case GL_ATTR_ACCELERATION_FULL:
        return 0x2003;
    case GL_ATTR_DOUBLE_BUFFER:
        return 0x2011;
    case GL_ATTR_COLOUR_BITS:
        return 0x2014;
    case GL_ATTR_RED_BITS:
        return 0x2015;
    case GL_ATTR_GREEN_BITS:
        return 0x2017;
    case GL_ATTR_BLUE_BITS:
        return 0x2019;
    case GL_ATTR_ALPHA_BITS:
        return 0x201B;
    case GL_ATTR_ACCUM_BITS:
        return 0x201D;
    case GL_ATTR_ACCUM_RED_BITS:
        return 0x201E;
    case GL_ATTR_ACCUM_GREEN_BITS:
        return 0x201F;
    case GL_ATTR_ACCUM_BLUE_BITS:
        return 0x2020;
    case GL_ATTR_ACCUM_ALPHA_BITS:
        return 0x2021;
    case GL_ATTR_DEPTH_BITS:
        return 0x2022;
    case GL_ATTR_STENCIL_BITS:
        return 0x2023;
    case GL_ATTR_SAMPLE_BUFFERS:
        return 0x2041;
    case GL_ATTR_SAMPLES:
        return 0x2042;
    default:
        return 0;
    }
}

bool wgl_choose_format(const std::int32_t* attributes) {
    if (g_wgl.choose_pixel_format_arb == nullptr) return false;
    int request[80] = {};
    int used = 0;
    request[used++] = WGL_SUPPORT_OPENGL;
    request[used++] = TRUE;
    for (const std::int32_t* a = attributes; *a != GL_ATTR_END && used < 76; a += 2) {
        const int name = wgl_attribute(a[0]);
        if (name == 0) continue;
        request[used++] = name;
        request[used++] = a[0] == GL_ATTR_ACCELERATION_FULL ? WGL_FULL_ACCELERATION : a[1];
    }
    request[used] = 0;
    HDC screen = GetDC(nullptr);
    int format = 0;
    UINT found = 0;
    const BOOL ok = g_wgl.choose_pixel_format_arb(screen, request, nullptr, 1, &format, &found);
    ReleaseDC(nullptr, screen);
    if (ok == 0 || found == 0 || format <= 0) return false;
    g_wgl.format = format;
    return true;
}

bool wgl_choose_basic_format(const GlPixelSettings& descriptor) {
    const PIXELFORMATDESCRIPTOR pfd = basic_descriptor(descriptor);
    HDC screen = GetDC(nullptr);
    const int format = ChoosePixelFormat(screen, &pfd);
    ReleaseDC(nullptr, screen);
    if (format <= 0) return false;
    g_wgl.format = format;
    return true;
}

std::uintptr_t wgl_format_visual() { return static_cast<std::uintptr_t>(g_wgl.format); }

bool wgl_create_context() {
    HWND window = win32::state().window.load();
    if (window == nullptr || !load_library()) return false;
    HDC dc = GetDC(window);
    if (dc == nullptr) return false;
    HGLRC context = g_wgl.create_context(dc);
    if (context == nullptr) {
        ReleaseDC(window, dc);
        return false;
    }
    if (g_wgl.make_current(dc, context) == 0) {
        g_wgl.delete_context(context);
        ReleaseDC(window, dc);
        return false;
    }
    g_wgl.window = window;
    g_wgl.dc = dc;
    g_wgl.context = context;
    return true;
}

void wgl_destroy_context() {
    if (g_wgl.context != nullptr) {
        g_wgl.make_current(nullptr, nullptr);
        g_wgl.delete_context(g_wgl.context);
        g_wgl.context = nullptr;
    }
    if (g_wgl.dc != nullptr) {
        ReleaseDC(g_wgl.window, g_wgl.dc);
        g_wgl.dc = nullptr;
        g_wgl.window = nullptr;
    }
    g_wgl.format = 0;
}

void wgl_swap_buffers() {
    if (g_wgl.dc != nullptr) SwapBuffers(g_wgl.dc);
}

void wgl_enable_multisample() {
    if (g_wgl.enable != nullptr && g_wgl.context != nullptr) g_wgl.enable(GL_MULTISAMPLE_CAP);
}

const GlPlatform WGL_LAYER = {
    &wgl_probe,          &wgl_has_attribute_chooser, &wgl_choose_format, &wgl_choose_basic_format, &wgl_format_visual,
    &wgl_create_context, &wgl_destroy_context,       &wgl_swap_buffers,  &wgl_enable_multisample,
};

}  // namespace

const GlPlatform& native_gl_platform() { return WGL_LAYER; }

}  // namespace vz

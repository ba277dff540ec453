// The GL binding over GLX. Formats are chosen as frame-buffer configurations
// (GLX 1.3 and later) from the attribute request, or as a plain visual; the
// context is made current on the calling thread (the program's).
//
// GLX has no attribute that says "hardware accelerated" and that a software
// renderer would meet, so the full-acceleration request is not passed on.

#include "gfx/drivers/x11/x11_internal.h"

#include <GL/gl.h>
#include <GL/glx.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "gfx/drivers/gl_platform.h"
#include "gfx/drivers/x11/x11_glx_request.h"

namespace vz::x11 {

namespace {

constexpr GLenum MULTISAMPLE = 0x809D;

// The chosen format and the context: the program's thread only.
struct GlxState {
    GLXFBConfig config = nullptr;
    bool has_config = false;
    XVisualInfo* visual = nullptr;
    GLXContext context = nullptr;
};
GlxState g_glx;

void forget_format() {
    if (g_glx.visual != nullptr) XFree(g_glx.visual);
    g_glx.visual = nullptr;
    g_glx.config = nullptr;
    g_glx.has_config = false;
}

bool glx_probe(char* extensions, std::size_t capacity) {
    State& s = state();
    Display* d = live_display();
    if (d == nullptr || capacity == 0) return false;
    extensions[0] = 0;
    int major = 0, minor = 0;
    if (!glXQueryVersion(d, &major, &minor)) return false;
    int double_buffered[] = {GLX_RGBA, GLX_DOUBLEBUFFER, None};
    int single_buffered[] = {GLX_RGBA, None};
    XVisualInfo* info = glXChooseVisual(d, s.screen, double_buffered);
    if (info == nullptr) info = glXChooseVisual(d, s.screen, single_buffered);
    if (info == nullptr) return false;

    // An unmapped window is a hidden one.
    XSetWindowAttributes attributes{};
    attributes.colormap = XCreateColormap(d, s.root, info->visual, AllocNone);
    attributes.border_pixel = 0;
    begin_trap();
    const Window window = XCreateWindow(d, s.root, 0, 0, 8, 8, 0, info->depth, InputOutput, info->visual,
                                        CWColormap | CWBorderPixel, &attributes);
    const bool made = end_trap() == 0 && window != 0;
    bool ok = false;
    if (made) {
        XStoreName(d, window, "OpenGL setup");
        GLXContext context = glXCreateContext(d, info, nullptr, True);
        if (context != nullptr && glXMakeCurrent(d, window, context)) {
            std::size_t used = 0;
            append_extension_text(extensions, capacity, used,
                                  reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
            if (used > 0 && extensions[used - 1] != ' ') append_extension_text(extensions, capacity, used, " ");
            append_extension_text(extensions, capacity, used, glXQueryExtensionsString(d, s.screen));
            ok = true;
        }
        glXMakeCurrent(d, None, nullptr);
        if (context != nullptr) glXDestroyContext(d, context);
        XDestroyWindow(d, window);
    }
    XFreeColormap(d, attributes.colormap);
    XFree(info);
    XSync(d, False);
    return ok;
}

// Frame-buffer configurations came with GLX 1.3.
bool glx_has_attribute_chooser(const char*) {
    Display* d = live_display();
    int major = 0, minor = 0;
    return d != nullptr && glXQueryVersion(d, &major, &minor) && (major > 1 || (major == 1 && minor >= 3));
}

bool glx_choose_format(const std::int32_t* attributes) {
    State& s = state();
    Display* d = live_display();
    if (d == nullptr) return false;
    forget_format();
    std::vector<int> list = {GLX_X_RENDERABLE, True, GLX_RENDER_TYPE, GLX_RGBA_BIT, GLX_X_VISUAL_TYPE, GLX_TRUE_COLOR};
    for (const std::int32_t* a = attributes; *a != GL_ATTR_END; a += 2) {
        const int value = a[1];
        int name = 0;
        switch (a[0]) {
        case GL_ATTR_DRAW_TO_WINDOW:
            list.push_back(GLX_DRAWABLE_TYPE);
            list.push_back(GLX_WINDOW_BIT);
            continue;
        case GL_ATTR_DOUBLE_BUFFER:
            name = GLX_DOUBLEBUFFER;
            break;
        case GL_ATTR_COLOUR_BITS:
            name = GLX_BUFFER_SIZE;
            break;
        case GL_ATTR_RED_BITS:
            name = GLX_RED_SIZE;
            break;
        case GL_ATTR_GREEN_BITS:
            name = GLX_GREEN_SIZE;
            break;
        case GL_ATTR_BLUE_BITS:
            name = GLX_BLUE_SIZE;
            break;
        case GL_ATTR_ALPHA_BITS:
            name = GLX_ALPHA_SIZE;
            break;
        case GL_ATTR_DEPTH_BITS:
            name = GLX_DEPTH_SIZE;
            break;
        case GL_ATTR_STENCIL_BITS:
            name = GLX_STENCIL_SIZE;
            break;
        case GL_ATTR_ACCUM_RED_BITS:
            name = GLX_ACCUM_RED_SIZE;
            break;
        case GL_ATTR_ACCUM_GREEN_BITS:
            name = GLX_ACCUM_GREEN_SIZE;
            break;
        case GL_ATTR_ACCUM_BLUE_BITS:
            name = GLX_ACCUM_BLUE_SIZE;
            break;
        case GL_ATTR_ACCUM_ALPHA_BITS:
            name = GLX_ACCUM_ALPHA_SIZE;
            break;
        case GL_ATTR_SAMPLE_BUFFERS:
            name = GLX_SAMPLE_BUFFERS;
            break;
        case GL_ATTR_SAMPLES:
            name = GLX_SAMPLES;
            break;
        default:
            continue;  // acceleration and the accumulation total have no GLX attribute
        }
        list.push_back(name);
        list.push_back(value);
    }
    list.push_back(None);
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(d, s.screen, list.data(), &count);
    if (configs == nullptr) return false;
    for (int i = 0; i < count && !g_glx.has_config; ++i) {
        XVisualInfo* visual = glXGetVisualFromFBConfig(d, configs[i]);
        if (visual == nullptr) continue;
        g_glx.config = configs[i];
        g_glx.visual = visual;
        g_glx.has_config = true;
    }
    XFree(configs);
    return g_glx.has_config;
}

// The closest plain visual: every count as asked when there is one, else any
// double-buffered direct-colour visual.
bool glx_choose_basic_format(const GlPixelSettings& descriptor) {
    State& s = state();
    Display* d = live_display();
    if (d == nullptr) return false;
    forget_format();
    std::vector<int> full = glx_basic_visual_request(descriptor);
    int plain[] = {GLX_RGBA, GLX_DOUBLEBUFFER, None};
    g_glx.visual = glXChooseVisual(d, s.screen, full.data());
    if (g_glx.visual == nullptr) g_glx.visual = glXChooseVisual(d, s.screen, plain);
    return g_glx.visual != nullptr;
}

std::uintptr_t glx_format_visual() {
    return g_glx.visual != nullptr ? static_cast<std::uintptr_t>(g_glx.visual->visualid) : 0;
}

bool glx_create_context() {
    State& s = state();
    Display* d = live_display();
    const Window window = s.window.load();
    if (d == nullptr || window == 0 || g_glx.visual == nullptr) return false;
    g_glx.context = g_glx.has_config ? glXCreateNewContext(d, g_glx.config, GLX_RGBA_TYPE, nullptr, True)
                                     : glXCreateContext(d, g_glx.visual, nullptr, True);
    if (g_glx.context == nullptr) return false;
    return glXMakeCurrent(d, window, g_glx.context) == True;
}

void glx_destroy_context() {
    Display* d = live_display();
    if (d != nullptr) {
        glXMakeCurrent(d, None, nullptr);
        if (g_glx.context != nullptr) glXDestroyContext(d, g_glx.context);
    }
    g_glx.context = nullptr;
    forget_format();
}

void glx_swap_buffers() {
    State& s = state();
    const Window window = s.window.load();
    if (live_display() != nullptr && window != 0 && g_glx.context != nullptr) glXSwapBuffers(s.display, window);
}

void glx_enable_multisample() { glEnable(MULTISAMPLE); }

const GlPlatform GLX_LAYER = {
    .probe = &glx_probe,
    .has_attribute_chooser = &glx_has_attribute_chooser,
    .choose_format = &glx_choose_format,
    .choose_basic_format = &glx_choose_basic_format,
    .format_visual = &glx_format_visual,
    .create_context = &glx_create_context,
    .destroy_context = &glx_destroy_context,
    .swap_buffers = &glx_swap_buffers,
    .enable_multisample = &glx_enable_multisample,
};

}  // namespace

}  // namespace vz::x11

namespace vz {

const GlPlatform& native_gl_platform() { return x11::GLX_LAYER; }

std::vector<int> glx_basic_visual_request(const GlPixelSettings& descriptor) {
    std::vector<int> list = {GLX_RGBA, GLX_DOUBLEBUFFER};
    const std::pair<int, std::int32_t> counts[] = {
        {GLX_RED_SIZE, descriptor.red_bits},
        {GLX_GREEN_SIZE, descriptor.green_bits},
        {GLX_BLUE_SIZE, descriptor.blue_bits},
        {GLX_ALPHA_SIZE, descriptor.alpha_bits},
        {GLX_DEPTH_SIZE, descriptor.depth_bits},
        {GLX_STENCIL_SIZE, descriptor.stencil_bits},
        {GLX_ACCUM_RED_SIZE, descriptor.accum_red_bits},
        {GLX_ACCUM_GREEN_SIZE, descriptor.accum_green_bits},
        {GLX_ACCUM_BLUE_SIZE, descriptor.accum_blue_bits},
        {GLX_ACCUM_ALPHA_SIZE, descriptor.accum_alpha_bits},
    };
    for (const auto& [name, bits] : counts) {
        if (bits <= 0) continue;
        list.push_back(name);
        list.push_back(bits);
    }
    list.push_back(None);
    return list;
}

}  // namespace vz

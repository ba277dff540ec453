// No window system: a build for a processor or a system without X11 or Win32
// (the ARM64 build, for one). Every operation of the window-system layer and
// the GL binding does nothing and fails, so the DirectX, GDI and OpenGL
// drivers' init fails at its first step and only the Null driver starts; when
// it is not chosen, the console fallback serves.

#include <type_traits>

#include "gfx/drivers/gl_platform.h"
#include "gfx/drivers/platform.h"

namespace vz {

namespace {

// An operation that does nothing and answers false, 0 or null (monitors: 0
// is as good as unknown, since no window is ever made).
template <typename Operation>
struct Nothing;
template <typename Result, typename... Args>
struct Nothing<Result (*)(Args...)> {
    static Result call(Args...) {
        if constexpr (!std::is_void_v<Result>) return Result{};
    }
};
template <typename Operation>
constexpr Operation nothing = &Nothing<Operation>::call;

constexpr PlatformLayer NO_WINDOW_SYSTEM = {
    .open = nothing<decltype(PlatformLayer::open)>,
    .close = nothing<decltype(PlatformLayer::close)>,
    .version = nothing<decltype(PlatformLayer::version)>,
    .suspend_screensaver = nothing<decltype(PlatformLayer::suspend_screensaver)>,
    .restore_screensaver = nothing<decltype(PlatformLayer::restore_screensaver)>,
    .note_update_thread = nothing<decltype(PlatformLayer::note_update_thread)>,
    .set_update_priority = nothing<decltype(PlatformLayer::set_update_priority)>,
    .monitor_at_cursor = nothing<decltype(PlatformLayer::monitor_at_cursor)>,
    .monitor_of_window = nothing<decltype(PlatformLayer::monitor_of_window)>,
    .monitor_rect = nothing<decltype(PlatformLayer::monitor_rect)>,
    .set_display_mode = nothing<decltype(PlatformLayer::set_display_mode)>,
    .restore_display_mode = nothing<decltype(PlatformLayer::restore_display_mode)>,
    .refresh_rate = nothing<decltype(PlatformLayer::refresh_rate)>,
    .list_modes = nothing<decltype(PlatformLayer::list_modes)>,
    .create_window = nothing<decltype(PlatformLayer::create_window)>,
    .destroy_window = nothing<decltype(PlatformLayer::destroy_window)>,
    .restyle_window = nothing<decltype(PlatformLayer::restyle_window)>,
    .hide_window = nothing<decltype(PlatformLayer::hide_window)>,
    .window_id = nothing<decltype(PlatformLayer::window_id)>,
    .set_caption = nothing<decltype(PlatformLayer::set_caption)>,
    .window_pos = nothing<decltype(PlatformLayer::window_pos)>,
    .move_window = nothing<decltype(PlatformLayer::move_window)>,
    .client_rect = nothing<decltype(PlatformLayer::client_rect)>,
    .set_colour_key = nothing<decltype(PlatformLayer::set_colour_key)>,
    .cursor_pos = nothing<decltype(PlatformLayer::cursor_pos)>,
    .move_cursor = nothing<decltype(PlatformLayer::move_cursor)>,
    .confine_cursor = nothing<decltype(PlatformLayer::confine_cursor)>,
    .show_cursor = nothing<decltype(PlatformLayer::show_cursor)>,
    .post_set_cursor = nothing<decltype(PlatformLayer::post_set_cursor)>,
    .capture_mouse = nothing<decltype(PlatformLayer::capture_mouse)>,
    .release_mouse = nothing<decltype(PlatformLayer::release_mouse)>,
    .has_capture = nothing<decltype(PlatformLayer::has_capture)>,
    .track_mouse_leave = nothing<decltype(PlatformLayer::track_mouse_leave)>,
    .stop_leave_tracking = nothing<decltype(PlatformLayer::stop_leave_tracking)>,
    .keyboard_state = nothing<decltype(PlatformLayer::keyboard_state)>,
    .pump_messages = nothing<decltype(PlatformLayer::pump_messages)>,
    .create_image = nothing<decltype(PlatformLayer::create_image)>,
    .put_image = nothing<decltype(PlatformLayer::put_image)>,
    .destroy_image = nothing<decltype(PlatformLayer::destroy_image)>,
    .set_image_colours = nothing<decltype(PlatformLayer::set_image_colours)>,
};

constexpr GlPlatform NO_GL = {
    .probe = nothing<decltype(GlPlatform::probe)>,
    .has_attribute_chooser = nothing<decltype(GlPlatform::has_attribute_chooser)>,
    .choose_format = nothing<decltype(GlPlatform::choose_format)>,
    .choose_basic_format = nothing<decltype(GlPlatform::choose_basic_format)>,
    .format_visual = nothing<decltype(GlPlatform::format_visual)>,
    .create_context = nothing<decltype(GlPlatform::create_context)>,
    .destroy_context = nothing<decltype(GlPlatform::destroy_context)>,
    .swap_buffers = nothing<decltype(GlPlatform::swap_buffers)>,
    .enable_multisample = nothing<decltype(GlPlatform::enable_multisample)>,
};

}  // namespace

const PlatformLayer& native_platform() { return NO_WINDOW_SYSTEM; }
const GlPlatform& native_gl_platform() { return NO_GL; }

}  // namespace vz

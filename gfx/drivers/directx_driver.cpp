// The "DirectX" driver. It presents through DirectDraw surfaces and reads the
// keyboard through DirectInput; both belong to the platform's back-end
// (directx_backend.h), whose window set-up fails where the platform has
// neither, so the core then goes on to the next driver.

#include <algorithm>

#include "gfx/context.h"
#include "gfx/drivers/directx_backend.h"
#include "gfx/drivers/drivers.h"
#include "gfx/drivers/platform.h"
#include "gfx/drivers/shared_ops.h"
#include "gfx/drivers/window_common.h"
#include "gfx/drivers/window_state.h"
#include "gfx/screen_failure.h"

namespace vz {

namespace {

std::int32_t directx_init(const char* title, std::int32_t width, std::int32_t height, std::int32_t depth,
                          std::int32_t refresh_rate, std::int32_t flags) {
    reset_window_state();
    if ((flags & (SCREEN_OPENGL | SCREEN_SHAPED)) != 0) return driver_refuses("OpenGL or shaped screen asked for");
    const DirectXBackend& backend = directx_backend();
    WindowState& ws = window_state();
    ws.init_window = backend.init_window;
    ws.exit_window = backend.exit_window;
    ws.paint = backend.paint;
    ws.thread_main = backend.thread_main;
    backend.forget_window_pos();
    return common_setup(title, width, height, std::max(depth, 8), refresh_rate, flags);
}

void directx_wait_vsync() { directx_backend().wait_vsync(); }

std::int32_t* directx_fetch_modes(std::int32_t depth, std::int32_t* count) {
    return directx_backend().fetch_modes(depth, count);
}

// The record of the threaded drivers, with the back-end's own vertical-blank
// wait.
constexpr GfxDriver directx_record() {
    GfxDriver driver = threaded_driver("DirectX", &directx_init, &directx_fetch_modes);
    driver.wait_vsync = &directx_wait_vsync;
    return driver;
}

}  // namespace

const GfxDriver directx_driver = directx_record();

}  // namespace vz

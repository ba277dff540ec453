#pragma once
// The platform half of the "DirectX" driver: DirectDraw surfaces for the
// picture and DirectInput for the keyboard. The driver record and its init
// are platform-neutral (directx_driver.cpp); these hooks make the window and
// the objects, run the update thread and wait for the vertical blank. A
// platform without DirectDraw supplies hooks whose window set-up fails, so the
// core goes on to the next driver.

#include <cstdint>

#include "gfx/drivers/window_state.h"

namespace vz {

struct DirectXBackend {
    std::int32_t (*init_window)();
    void (*exit_window)();
    void (*paint)();
    void (*thread_main)(StartSignal& ready);
    void (*wait_vsync)();
    // Display modes of `depth` as width * 65536 + height (heap array freed
    // with std::free), null when none can be listed.
    std::int32_t* (*fetch_modes)(std::int32_t depth, std::int32_t* count);
    // Forgets the remembered window position: the next windowed window is
    // centred on the screen.
    void (*forget_window_pos)();
};

const DirectXBackend& directx_backend();

}  // namespace vz

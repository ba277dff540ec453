#pragma once
// How the update pass of the DirectX and GDI drivers runs: on a thread of its
// own that owns the window (update_runner_thread.cpp), or, on a platform
// without threads, from the platform's own event loop while the program waits
// (the browser's, gfx/drivers/web/). Either way the program's thread meets the
// pass only through the driver lock and the key queue.

#include <cstdint>

namespace vz {

// Starts the pass of the window state's back-end hooks: 0 once the window
// exists, -1 when it could not be made or the pass cannot run here.
std::int32_t start_update_runner();
// Ends the pass after `running` was cleared: the last pass has shown the rows
// marked since the one before. The caller does not hold the driver lock.
void stop_update_runner();

}  // namespace vz

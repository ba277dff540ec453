// The timer and the plain sleep in the browser and under Node.js.
//
// The timer is the page's monotonic clock (performance.now, milliseconds with
// a fraction). The sleep hands the time to the page's event loop (Asyncify
// unwinds the program's stack and resumes it when the time is up): the page
// paints, delivers keys and runs the display's update pass meanwhile. A
// sleep that blocked would freeze the page instead.

#include <emscripten.h>

#include "rt/timer.h"

namespace vz {

double timer_seconds() { return emscripten_get_now() / 1000.0; }

void os_sleep_ms(std::int32_t milliseconds) {
    if (milliseconds <= 0) return;
    emscripten_sleep(static_cast<unsigned>(milliseconds));
}

}  // namespace vz

// The drawing set-up's change count (see draw_state_serial.h).

#include "gfx/surface/draw_state_serial.h"

namespace vz {

namespace {

// 64 bits: a change a nanosecond would take centuries to wrap it.
std::uint64_t g_serial = 0;

}  // namespace

void drawing_state_changed() { ++g_serial; }

const std::uint64_t& drawing_state_serial_cell() { return g_serial; }

}  // namespace vz

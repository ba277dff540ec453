#pragma once
// The drawing set-up's change count. A drawing path that keeps what it looked
// up for one call and reuses it for the calls that follow (the small filled
// circle) records this count with it; the count moving on says the kept
// set-up may be stale.
//
// Every library routine that changes something such a set-up is made from
// calls drawing_state_changed(): the DrawState's fields other than the last
// point and the default colours (screen id, work page, lines and their
// contents, pixel size, pitch, target, view, routines, state flags), the
// screen's pages, visible page, dirty flags, height, aspect and flags, the
// process-wide pixel routines, and opening or closing a screen. Code that
// writes any of these by hand (tests, tools) must call it too.

#include <cstdint>

namespace vz {

// Records a change to the drawing set-up (see above). Cheap: a count goes up.
void drawing_state_changed();

// Where the count is kept: it never moves, so a path that checks it on every
// call can keep its address and read it without a function call. Read and
// written on the program's thread only, like the DrawState.
const std::uint64_t& drawing_state_serial_cell();

}  // namespace vz

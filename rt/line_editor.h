#pragma once
// The runtime's line editor.

#include "rt/text.h"

namespace vz {

// The runtime's line editor: reads one line of keys through runtime_wait_key
// (and so through the key hooks while a screen is open) and echoes typed
// characters through runtime_print_text (not when the text console reads a
// pipe or file). Backspace (8) removes the last character, Escape (27) the
// whole line; extended keys are ignored; Enter (13) or a line feed (10) ends
// the line, and a line feed right after a line ended by Enter is skipped (CR
// LF). The line end is neither stored nor echoed. At the end of the input a
// partly typed line is returned; false when nothing was typed before the end
// of the input, or memory ran out.
bool runtime_line_editor(RtText& line);

}  // namespace vz

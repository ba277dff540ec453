// The bell of byte 7 on Windows: a 1000 Hz tone for 250 ms.

#include <windows.h>

#include "gfx/text/text_layout.h"

namespace vz {

void sound_text_bell() { Beep(1000, 250); }

}  // namespace vz

// The bell of byte 7. A graphics screen has no speaker of its own, so the
// bell goes to the terminal the program was started from, and only when
// standard error is a terminal: redirected output never receives BEL bytes.

#include <unistd.h>

#include "gfx/text/text_layout.h"

namespace vz {

void sound_text_bell() {
    if (isatty(STDERR_FILENO) == 1) {
        const char bell = '\a';
        [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, &bell, 1);
    }
}

}  // namespace vz

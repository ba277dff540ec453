// The library's own version, from the project's.

#include "vzgfx/version.h"

namespace vzgfx {

Version version() { return Version{VZGFX_VERSION_MAJOR, VZGFX_VERSION_MINOR, VZGFX_VERSION_PATCH}; }

const char* version_text() { return VZGFX_VERSION_TEXT; }

}  // namespace vzgfx

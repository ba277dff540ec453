// The program name on Windows: the module file name without its directory
// and extension.

#include <windows.h>

#include "gfx/screen/program_name.h"

namespace vz {

void program_name(char* out, std::size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    path[length] = '\0';
    base_name_without_extension(path, "\\/:", out, size);
}

}  // namespace vz

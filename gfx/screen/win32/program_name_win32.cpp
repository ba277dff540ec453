// The program name on Windows: the module file name without its directory
// and extension.

#include <windows.h>

#include <cstring>

#include "gfx/screen/program_name.h"

namespace vz {

void program_name(char* out, std::size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    path[length] = '\0';
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    }
    std::size_t name_length = std::strlen(name);
    if (const char* dot = std::strrchr(name, '.')) name_length = static_cast<std::size_t>(dot - name);
    const std::size_t copied = name_length < size - 1 ? name_length : size - 1;
    std::memcpy(out, name, copied);
    out[copied] = '\0';
}

}  // namespace vz

// The base-name rule of the window title's default (see program_name.h).

#include "gfx/screen/program_name.h"

#include <cstring>

namespace vz {

void base_name_without_extension(const char* path, const char* separators, char* out, std::size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    if (path == nullptr) return;
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (std::strchr(separators, *p) != nullptr) name = p + 1;
    }
    std::size_t name_length = std::strlen(name);
    if (const char* dot = std::strrchr(name, '.')) name_length = static_cast<std::size_t>(dot - name);
    const std::size_t copied = name_length < size - 1 ? name_length : size - 1;
    std::memcpy(out, name, copied);
    out[copied] = '\0';
}

}  // namespace vz

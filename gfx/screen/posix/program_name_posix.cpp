#include "gfx/screen/program_name.h"

#include <unistd.h>

#include <cstring>

namespace vz {

void program_name(char* out, std::size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return;
    path[length] = '\0';
    const char* name = std::strrchr(path, '/');
    name = name != nullptr ? name + 1 : path;
    std::size_t name_length = std::strlen(name);
    if (const char* dot = std::strrchr(name, '.')) name_length = static_cast<std::size_t>(dot - name);
    const std::size_t copied = name_length < size - 1 ? name_length : size - 1;
    std::memcpy(out, name, copied);
    out[copied] = '\0';
}

}  // namespace vz

// The program name on Linux: the executable's file name, read from
// /proc/self/exe, without its directory and extension.

#include <unistd.h>

#include "gfx/screen/program_name.h"

namespace vz {

void program_name(char* out, std::size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return;
    path[length] = '\0';
    base_name_without_extension(path, "/", out, size);
}

}  // namespace vz

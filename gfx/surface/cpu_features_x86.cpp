#include "gfx/surface/cpu_features.h"

#include <cpuid.h>

namespace vz {

bool cpu_has_mmx() {
    static const bool has_mmx = [] {
        unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
        if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
        return (edx & (1u << 23)) != 0;
    }();
    return has_mmx;
}

}  // namespace vz

#pragma once
// The processor features the core records in the screen's context flags.

namespace vz {

// True when the processor offers MMX (CPUID function 1, EDX bit 23). The
// answer is asked once and cached.
bool cpu_has_mmx();

}  // namespace vz

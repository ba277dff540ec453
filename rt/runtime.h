#pragma once
// Program start and end: initialisation count, the floating-point set-up,
// recorded arguments, the process-wide context slots and the ending.

#include <cstddef>
#include <cstdint>

namespace vz {

// The context slots, indices 0 ... 4. Slot 0 is the error record, slot 4 the
// graphics drawing state.
inline constexpr int CONTEXT_SLOT_COUNT = 5;
inline constexpr int CONTEXT_SLOT_ERROR = 0;
inline constexpr int CONTEXT_SLOT_DRAW_STATE = 4;

// How many times the runtime has been initialised and not yet shut down.
std::int32_t init_count();

// Work is done only on the transitions 0 -> 1 (init) and 1 -> 0 (exit).
void runtime_init();
void runtime_exit();

// The record of slot `index`, created zero-filled with `size` bytes on the
// first request and returned unchanged afterwards. A request with `size` 0
// creates nothing and so only looks the record up. Null when the slot could
// not be allocated, does not exist yet (size 0) or the index is out of range.
void* context_slot(int index, std::size_t size);

void record_arguments(int argc, char** argv, std::int32_t compat_mode);
int program_argc();
char** program_argv();
std::int32_t compat_mode();

// Registers `handler` with the C runtime's exit list (handlers run newest first).
void at_program_exit(void (*handler)());

// Ends the process with `code` through the C runtime's exit, so that exit
// handlers run newest first. Never returns.
[[noreturn]] void end_program(std::int32_t code);

// Runs the runtime's static initialisation once per process: runtime_init now
// and runtime_exit from an exit handler. Later calls do nothing.
void runtime_static_init();

}  // namespace vz

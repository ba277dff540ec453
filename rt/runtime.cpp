// Program start and end: the initialisation count, the recorded arguments,
// the process-wide context slots and the exit sequence.

#include "rt/runtime.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "rt/console.h"
#include "rt/console_hooks.h"
#include "rt/fpu.h"
#include "rt/runtime_internal.h"

namespace vz {
namespace {

std::atomic<std::int32_t> g_init_counter{0};

int g_recorded_argc = 0;
char** g_recorded_argv = nullptr;
std::int32_t g_recorded_compat_mode = 0;

// One set of slots for the whole process, shared by all threads. The pointer
// is read without the lock once published; creation is serialised so that two
// threads asking at once get the same record.
struct ContextSlot {
    std::atomic<void*> record{nullptr};
    std::size_t size = 0;  // guarded by slot_mutex
};
ContextSlot g_slots[CONTEXT_SLOT_COUNT];
std::mutex g_slot_mutex;

// The start-up sequence has an optional step that registers language classes
// and an exit handler to release them. This program has no classes to
// register, so the step's handler is empty; it is still registered first, so
// it runs last, after the finaliser runner, and the exit handlers keep the
// order a program that does register classes would have.
void empty_exit_handler() {}

// Runs the runtime's finalisers; registered after runtime_init so that it runs
// after every exit handler registered later (the graphics screen's close).
void finaliser_runner() { runtime_exit(); }

void reset_runtime_state() {
    g_recorded_argc = 0;
    g_recorded_argv = nullptr;
    g_recorded_compat_mode = 0;
    console_hooks() = ConsoleHooks{};
    // Records stay allocated and keep their addresses, since other parts may
    // hold them; their contents return to the zero-filled state of a fresh
    // record. This also clears the last-error code.
    {
        std::lock_guard lock(g_slot_mutex);
        for (auto& slot : g_slots) {
            void* record = slot.record.load(std::memory_order_acquire);
            if (record != nullptr) std::memset(record, 0, slot.size);
        }
    }
    reset_fallback_error_cell();
}

}  // namespace

std::int32_t init_count() { return g_init_counter.load(std::memory_order_relaxed); }

void runtime_init() {
    if (g_init_counter.fetch_add(1, std::memory_order_acq_rel) != 0) return;
    reset_runtime_state();
    // Every later floating-point computation of the program, the simulation's
    // step included, relies on a 64-bit significand and round-to-nearest.
    set_extended_precision();
    reset_console_state();
}

void runtime_exit() {
    if (g_init_counter.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    // The runtime keeps no table of open files on this platform: the console
    // is its only device, so shutting down means returning the console state
    // to its initial values.
    reset_console_state();
}

void* context_slot(int index, std::size_t size) {
    if (index < 0 || index >= CONTEXT_SLOT_COUNT) return nullptr;
    ContextSlot& slot = g_slots[index];
    if (void* record = slot.record.load(std::memory_order_acquire)) return record;
    if (size == 0) return nullptr;  // nothing to create
    std::lock_guard lock(g_slot_mutex);
    if (void* record = slot.record.load(std::memory_order_acquire)) return record;
    void* record = std::calloc(1, size);
    if (record == nullptr) return nullptr;
    slot.size = size;
    slot.record.store(record, std::memory_order_release);
    return record;
}

void record_arguments(int argc, char** argv, std::int32_t compat_mode) {
    g_recorded_argc = argc;
    g_recorded_argv = argv;
    g_recorded_compat_mode = compat_mode;
}

int program_argc() { return g_recorded_argc; }
char** program_argv() { return g_recorded_argv; }
std::int32_t compat_mode() { return g_recorded_compat_mode; }

void at_program_exit(void (*handler)()) {
    if (handler != nullptr) std::atexit(handler);
}

void end_program(std::int32_t code) { std::exit(code); }

void runtime_static_init() {
    static std::once_flag once;
    std::call_once(once, [] {
        at_program_exit(empty_exit_handler);
        runtime_init();
        at_program_exit(finaliser_runner);
    });
}

}  // namespace vz

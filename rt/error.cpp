// The last-error cell. The code lives in word 1 of the error record (context
// slot 0, seven 32-bit words). The cell is process-wide: a code stored on one
// thread is visible to all and the last writer wins, so the word is accessed
// atomically.

#include "rt/error.h"

#include <atomic>

#include "rt/runtime.h"
#include "rt/runtime_internal.h"

namespace vz {
namespace {

constexpr std::size_t ERROR_RECORD_WORDS = 7;
constexpr std::size_t ERROR_CODE_WORD = 1;

// Used only when the error record cannot be allocated: the code must still be
// stored somewhere, and nothing may be written through a missing record.
std::atomic<std::int32_t> g_fallback_error_cell{0};

std::atomic_ref<std::int32_t> code_word(void* record) {
    return std::atomic_ref<std::int32_t>(static_cast<std::int32_t*>(record)[ERROR_CODE_WORD]);
}

}  // namespace

std::int32_t set_last_error(std::int32_t code) {
    void* record = context_slot(CONTEXT_SLOT_ERROR, ERROR_RECORD_WORDS * sizeof(std::int32_t));
    if (record == nullptr) {
        g_fallback_error_cell.store(code, std::memory_order_relaxed);
    } else {
        code_word(record).store(code, std::memory_order_relaxed);
    }
    return code;
}

std::int32_t get_last_error() {
    // Reading does not create the record: before any store the code is 0.
    void* record = context_slot(CONTEXT_SLOT_ERROR, 0);
    if (record == nullptr) return g_fallback_error_cell.load(std::memory_order_relaxed);
    return code_word(record).load(std::memory_order_relaxed);
}

void reset_fallback_error_cell() { g_fallback_error_cell.store(0, std::memory_order_relaxed); }

}  // namespace vz

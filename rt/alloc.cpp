// Zero-filled heap blocks through one replaceable allocator.

#include "rt/alloc.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "rt/testing.h"

namespace vz {

namespace {

// Every block is carved from a calloc'd one and carries, just below its
// start, the address calloc gave: one release serves every alignment, and no
// platform's aligned allocator is needed (some C libraries have none). The
// size is rounded up to whole multiples of the alignment, so that row copies
// working in aligned chunks never step past the block.
void* system_allocate(std::size_t bytes, std::size_t alignment) {
    if (bytes == 0) bytes = 1;
    if (alignment < alignof(std::max_align_t)) alignment = alignof(std::max_align_t);
    if ((alignment & (alignment - 1)) != 0) return nullptr;  // not a power of two
    constexpr std::size_t LIMIT = std::numeric_limits<std::size_t>::max();
    if (bytes > LIMIT - 2 * alignment - sizeof(void*)) return nullptr;
    const std::size_t rounded = (bytes + alignment - 1) / alignment * alignment;
    void* raw = std::calloc(1, rounded + alignment + sizeof(void*));
    if (raw == nullptr) return nullptr;
    const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*);
    void* block = reinterpret_cast<void*>((first + alignment - 1) & ~(alignment - 1));
    std::memcpy(static_cast<char*>(block) - sizeof(void*), &raw, sizeof raw);
    return block;
}

void system_release(void* block) {
    void* raw = nullptr;
    std::memcpy(&raw, static_cast<char*>(block) - sizeof(void*), sizeof raw);
    std::free(raw);
}

constexpr ZeroedAllocator SYSTEM_ALLOCATOR{system_allocate, system_release};

// Atomic, so that any thread sees a swap made by a test whole.
std::atomic<const ZeroedAllocator*> g_allocator{&SYSTEM_ALLOCATOR};

}  // namespace

const ZeroedAllocator& system_zeroed_allocator() { return SYSTEM_ALLOCATOR; }

void* zeroed_alloc(std::size_t bytes, std::size_t alignment) {
    return g_allocator.load(std::memory_order_acquire)->allocate(bytes, alignment);
}

void zeroed_free(void* block) {
    if (block != nullptr) g_allocator.load(std::memory_order_acquire)->release(block);
}

const ZeroedAllocator* set_zeroed_allocator_for_test(const ZeroedAllocator* allocator) {
    return g_allocator.exchange(allocator != nullptr ? allocator : &SYSTEM_ALLOCATOR, std::memory_order_acq_rel);
}

}  // namespace vz

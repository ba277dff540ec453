// Zero-filled heap blocks through one replaceable allocator.

#include "rt/alloc.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "rt/testing.h"

namespace vz {

namespace {

void* system_allocate(std::size_t bytes, std::size_t alignment) {
    if (bytes == 0) bytes = 1;
    if (alignment <= alignof(std::max_align_t)) return std::calloc(1, bytes);
    // aligned_alloc wants a size that is a multiple of the alignment.
    if (bytes > std::numeric_limits<std::size_t>::max() - (alignment - 1)) return nullptr;
    const std::size_t rounded = (bytes + alignment - 1) / alignment * alignment;
    void* block = std::aligned_alloc(alignment, rounded);
    if (block != nullptr) std::memset(block, 0, rounded);
    return block;
}

void system_release(void* block) { std::free(block); }

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

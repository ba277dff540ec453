#pragma once
// Zero-filled heap blocks. Every such block of the graphics core (the
// context, its pages and buffers, text cells, the event lock) comes from
// zeroed_alloc, so that one replaceable allocator decides them all and a test
// can refuse any one of them.

#include <cstddef>
#include <cstdint>
#include <limits>

namespace vz {

// A block of `bytes` zero bytes starting on a multiple of `alignment` (a
// power of two), or null when memory runs out. A zero size still gives a
// block of its own.
void* zeroed_alloc(std::size_t bytes, std::size_t alignment = alignof(std::max_align_t));
// Releases a block from zeroed_alloc; null does nothing.
void zeroed_free(void* block);

// `count` zero-filled objects of type T (trivial types only), or null when
// memory runs out or the size does not fit a std::size_t.
template <typename T>
T* zeroed_array(std::size_t count) {
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) return nullptr;
    return static_cast<T*>(zeroed_alloc(
        count * sizeof(T), alignof(T) > alignof(std::max_align_t) ? alignof(T) : alignof(std::max_align_t)));
}

// The allocator behind zeroed_alloc and zeroed_free: a pair of functions.
struct ZeroedAllocator {
    void* (*allocate)(std::size_t bytes, std::size_t alignment);
    void (*release)(void* block);
};

// The process's own allocator (calloc, aligned_alloc and free).
const ZeroedAllocator& system_zeroed_allocator();

}  // namespace vz

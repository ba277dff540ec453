#pragma once
// Screen memory handed out again for the fuzz targets. A screen's pages and
// lines and its text cells come from zeroed_alloc; a fresh block (the
// sanitizer's allocator holds released ones back for a while) is faulted in
// page by page: most of a run's time in the targets that open a screen per
// run. Here such blocks are taken with a capacity of a power of
// two, and a released one waits for the next request it can hold and is
// handed out again, zeroed. What lies outside the request (the rest of the
// capacity, or the whole block while it waits) is poisoned, so an access past
// the end or after the release is still reported.

#include <sanitizer/asan_interface.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "rt/alloc.h"
#include "rt/testing.h"

namespace vz::fuzz {

namespace recycled_detail {

constexpr std::size_t SMALLEST = 1 << 10;     // smaller blocks are cheap as they are
constexpr std::size_t KEPT_BYTES = 64 << 20;  // at most this much waits for reuse

struct Block {
    void* start;
    std::size_t capacity;
    std::size_t alignment;
};

struct Blocks {
    std::mutex mutex;
    std::unordered_map<void*, Block> live;  // handed out from here
    std::vector<Block> waiting;
    std::size_t waiting_bytes = 0;
};

inline Blocks& blocks() {
    static Blocks* b = new Blocks;  // outlives every screen, never destroyed
    return *b;
}

// The bytes the system allocator zeroes for a request: the size rounded up
// to whole multiples of the alignment (row copies may use the rest).
inline std::size_t zeroed_bytes(std::size_t bytes, std::size_t alignment) {
    if (alignment < alignof(std::max_align_t)) alignment = alignof(std::max_align_t);
    return (bytes + alignment - 1) / alignment * alignment;
}

inline void* hand_out(Blocks& b, const Block& block, std::size_t bytes) {
    ASAN_UNPOISON_MEMORY_REGION(block.start, bytes);
    std::memset(block.start, 0, bytes);
    ASAN_POISON_MEMORY_REGION(static_cast<char*>(block.start) + bytes, block.capacity - bytes);
    b.live.emplace(block.start, block);
    return block.start;
}

inline void* allocate(std::size_t bytes, std::size_t alignment) {
    const ZeroedAllocator& system = system_zeroed_allocator();
    if (bytes < SMALLEST || bytes > KEPT_BYTES / 2) return system.allocate(bytes, alignment);
    bytes = zeroed_bytes(bytes, alignment);
    Blocks& b = blocks();
    std::lock_guard<std::mutex> guard(b.mutex);
    // The smallest waiting block that holds the request.
    auto best = b.waiting.end();
    for (auto it = b.waiting.begin(); it != b.waiting.end(); ++it) {
        if (it->capacity < bytes || it->alignment < alignment) continue;
        if (best == b.waiting.end() || it->capacity < best->capacity) best = it;
    }
    if (best != b.waiting.end()) {
        const Block block = *best;
        b.waiting_bytes -= block.capacity;
        b.waiting.erase(best);
        return hand_out(b, block, bytes);
    }
    const std::size_t capacity = std::bit_ceil(bytes);
    void* start = system.allocate(capacity, alignment);
    if (start == nullptr) return nullptr;
    return hand_out(b, Block{start, capacity, alignment}, bytes);
}

inline void release(void* start) {
    const ZeroedAllocator& system = system_zeroed_allocator();
    Blocks& b = blocks();
    {
        std::lock_guard<std::mutex> guard(b.mutex);
        const auto it = b.live.find(start);
        if (it != b.live.end()) {
            const Block block = it->second;
            b.live.erase(it);
            // The oldest waiting blocks make room.
            while (!b.waiting.empty() && b.waiting_bytes + block.capacity > KEPT_BYTES) {
                const Block oldest = b.waiting.front();
                ASAN_UNPOISON_MEMORY_REGION(oldest.start, oldest.capacity);
                system.release(oldest.start);
                b.waiting_bytes -= oldest.capacity;
                b.waiting.erase(b.waiting.begin());
            }
            ASAN_POISON_MEMORY_REGION(block.start, block.capacity);
            b.waiting.push_back(block);
            b.waiting_bytes += block.capacity;
            return;
        }
    }
    system.release(start);
}

inline constexpr ZeroedAllocator RECYCLED{allocate, release};

}  // namespace recycled_detail

// Installs the recycling allocator behind zeroed_alloc for the whole process.
inline void recycle_screen_blocks() { set_zeroed_allocator_for_test(&recycled_detail::RECYCLED); }

}  // namespace vz::fuzz

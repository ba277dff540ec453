#pragma once
// A zeroed-block allocator for tests: counts allocations and live blocks and
// can refuse one allocation, so that a test can fail any allocation of the
// graphics core in turn. Installed for the lifetime of the object.

#include <atomic>
#include <cstddef>

#include "rt/testing.h"

namespace vz::test {

class CountingAllocator {
public:
    CountingAllocator() {
        counts().allocations = 0;
        counts().live = 0;
        counts().refuse_at = 0;
        previous_ = set_zeroed_allocator_for_test(&ALLOCATOR);
    }
    ~CountingAllocator() { set_zeroed_allocator_for_test(previous_); }
    CountingAllocator(const CountingAllocator&) = delete;
    CountingAllocator& operator=(const CountingAllocator&) = delete;

    // Refuses the nth allocation from now (counted from 1; 0 refuses none)
    // and restarts the allocation count.
    void refuse(int nth) {
        counts().allocations = 0;
        counts().refuse_at = nth;
    }
    // Allocations asked for since construction or the last refuse(), the
    // refused one included.
    int allocations() const { return counts().allocations; }
    // Blocks handed out and not yet released.
    int live() const { return counts().live; }

private:
    struct Counts {
        std::atomic<int> allocations{0};
        std::atomic<int> live{0};
        std::atomic<int> refuse_at{0};
    };
    static Counts& counts() {
        static Counts instance;
        return instance;
    }
    static void* allocate(std::size_t bytes, std::size_t alignment) {
        const int n = ++counts().allocations;
        if (n == counts().refuse_at) return nullptr;
        void* block = system_zeroed_allocator().allocate(bytes, alignment);
        if (block != nullptr) ++counts().live;
        return block;
    }
    static void release(void* block) {
        --counts().live;
        system_zeroed_allocator().release(block);
    }
    static constexpr ZeroedAllocator ALLOCATOR{allocate, release};

    const ZeroedAllocator* previous_ = nullptr;
};

}  // namespace vz::test

// Zero-filled blocks: alignment, zero fill, sizes that cannot be had, and the
// replaceable allocator behind them.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "rt/alloc.h"
#include "rt/testing.h"
#include "tests/support/counting_allocator.h"

namespace vz {
namespace {

bool all_zero(const void* block, std::size_t bytes) {
    const auto* p = static_cast<const std::uint8_t*>(block);
    for (std::size_t i = 0; i < bytes; ++i) {
        if (p[i] != 0) return false;
    }
    return true;
}

TEST(ZeroedAlloc, BlocksAreZeroAndAligned) {
    for (std::size_t alignment :
         {std::size_t{1}, alignof(std::max_align_t), std::size_t{16}, std::size_t{64}, std::size_t{4096}}) {
        // Sizes that are not a multiple of the alignment included.
        for (std::size_t bytes : {std::size_t{0}, std::size_t{1}, std::size_t{17}, std::size_t{5000}}) {
            void* block = zeroed_alloc(bytes, alignment);
            ASSERT_NE(block, nullptr) << bytes << " " << alignment;
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignment, 0u) << bytes << " " << alignment;
            EXPECT_TRUE(all_zero(block, bytes)) << bytes << " " << alignment;
            zeroed_free(block);
        }
    }
    zeroed_free(nullptr);  // does nothing
}

TEST(ZeroedAlloc, SizesBeyondMemoryGiveNull) {
    constexpr std::size_t most = std::numeric_limits<std::size_t>::max();
    // count * size would wrap around to a small block.
    EXPECT_EQ(zeroed_array<std::uint64_t>(most / 4), nullptr);
    EXPECT_EQ(zeroed_array<std::uint32_t>(most / 2 + 2), nullptr);
    // Rounding up to the alignment would wrap around.
    EXPECT_EQ(zeroed_alloc(most - 3, 64), nullptr);
}

TEST(ZeroedAlloc, TheReplacementAllocatorSeesEveryBlock) {
    {
        test::CountingAllocator allocator;
        void* a = zeroed_alloc(8);
        auto* b = zeroed_array<std::uint16_t>(3);
        EXPECT_EQ(allocator.allocations(), 2);
        EXPECT_EQ(allocator.live(), 2);
        allocator.refuse(2);
        void* c = zeroed_alloc(8, 64);
        EXPECT_NE(c, nullptr);
        EXPECT_EQ(zeroed_alloc(8), nullptr);  // the second since refuse()
        EXPECT_EQ(allocator.allocations(), 2);
        EXPECT_EQ(allocator.live(), 3);
        zeroed_free(a);
        zeroed_free(b);
        zeroed_free(c);
        EXPECT_EQ(allocator.live(), 0);
    }
    // With the counting allocator gone the system one serves again.
    EXPECT_EQ(set_zeroed_allocator_for_test(nullptr), &system_zeroed_allocator());
}

}  // namespace
}  // namespace vz

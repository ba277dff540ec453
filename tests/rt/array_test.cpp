// Growable arrays: descriptor contents, element addressing, zero filling,
// re-sizing, refusal of bad bounds and of sizes that do not fit 32 bits, and
// arrays of texts.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "rt/array.h"
#include "rt/error.h"
#include "rt/text.h"

namespace vz {
namespace {

struct ArrayTest : testing::Test {
    ArrayDescriptor array{};
    void TearDown() override { array_erase(array, 0); }

    std::int32_t redim(std::int32_t element_len, std::vector<ArrayBounds> bounds, std::int32_t zero_fill = -1) {
        return array_redim(array, element_len, zero_fill, 0, bounds);
    }
    void expect_empty() const {
        EXPECT_EQ(array.ptr, nullptr);
        EXPECT_EQ(array.data, 0u);
        EXPECT_EQ(array.size, 0);
    }
};

TEST_F(ArrayTest, ParticleSizedArrayIsZeroedAndStartsAtItsBlock) {
    set_last_error(4);
    ASSERT_EQ(redim(4, {{0, 65535}}), 0);
    EXPECT_EQ(get_last_error(), 0);
    ASSERT_NE(array.ptr, nullptr);
    EXPECT_EQ(array.size, 262144);
    EXPECT_EQ(array.element_len, 4);
    EXPECT_EQ(array.dimensions, 1);
    EXPECT_EQ(array.dims[0].elements, 65536);
    EXPECT_EQ(array.dims[0].lbound, 0);
    EXPECT_EQ(array.dims[0].ubound, 65535);
    EXPECT_EQ(array.data, reinterpret_cast<std::uintptr_t>(array.ptr));
    for (std::int32_t i = 0; i <= 65535; ++i) ASSERT_EQ(*array_element<float>(array, i), 0.0f) << i;
    EXPECT_EQ(array_element<float>(array, 65535), static_cast<float*>(array.ptr) + 65535);
}

TEST_F(ArrayTest, SingleElementBounds) {
    ASSERT_EQ(redim(4, {{0, 0}}), 0);
    EXPECT_EQ(array.size, 4);
    EXPECT_EQ(array.dims[0].elements, 1);
    EXPECT_EQ(*array_element<float>(array, 0), 0.0f);
}

TEST_F(ArrayTest, NonZeroLowerBoundShiftsData) {
    ASSERT_EQ(redim(8, {{-3, 4}}), 0);
    EXPECT_EQ(array.size, 64);
    EXPECT_EQ(array.data, reinterpret_cast<std::uintptr_t>(array.ptr) + 24);
    EXPECT_EQ(array_element<double>(array, -3), static_cast<double*>(array.ptr));
    ASSERT_EQ(redim(4, {{10, 11}}), 0);
    EXPECT_EQ(array.data, reinterpret_cast<std::uintptr_t>(array.ptr) - 40);
    EXPECT_EQ(array_element<float>(array, 10), static_cast<float*>(array.ptr));
}

TEST_F(ArrayTest, TwoDimensionsAreRowMajor) {
    ASSERT_EQ(redim(4, {{1, 2}, {1, 3}}), 0);
    EXPECT_EQ(array.dimensions, 2);
    EXPECT_EQ(array.size, 24);
    EXPECT_EQ(array.dims[0].elements, 2);
    EXPECT_EQ(array.dims[1].elements, 3);
    const auto block = reinterpret_cast<std::uintptr_t>(array.ptr);
    EXPECT_EQ(array.data, block - 4 * 4u);
    // Element (i, j) at data + 4 * (i * 3 + j): (1, 1) is the first element,
    // (2, 3) the last.
    EXPECT_EQ(array.data + 4 * (1 * 3 + 1), block);
    EXPECT_EQ(array.data + 4 * (2 * 3 + 3), block + 20);
}

TEST_F(ArrayTest, BoundsInTheWrongOrderGiveErrorOneAndAnEmptyArray) {
    ASSERT_EQ(redim(4, {{0, 9}}), 0);
    set_last_error(0);
    EXPECT_EQ(redim(4, {{5, 4}}), 1);
    EXPECT_EQ(get_last_error(), 1);
    expect_empty();
    // The second dimension fails after the first was written.
    EXPECT_EQ(redim(4, {{0, 6}, {3, 2}}), 1);
    expect_empty();
    EXPECT_EQ(array.dims[0].elements, 7);
}

TEST_F(ArrayTest, DimensionCountAndElementLengthAreChecked) {
    EXPECT_EQ(redim(4, {}), 1);
    expect_empty();
    std::vector<ArrayBounds> too_many(ARRAY_MAX_DIMENSIONS + 1, ArrayBounds{0, 0});
    EXPECT_EQ(redim(4, too_many), 1);
    expect_empty();
    std::vector<ArrayBounds> most(ARRAY_MAX_DIMENSIONS, ArrayBounds{0, 1});
    EXPECT_EQ(redim(1, most), 0);
    EXPECT_EQ(array.size, 256);
    EXPECT_EQ(redim(0, {{0, 3}}), 1);
    expect_empty();
    EXPECT_EQ(redim(-4, {{0, 3}}), 1);
    expect_empty();
}

TEST_F(ArrayTest, SizesThatDoNotFitThirtyTwoBitsAreRefused) {
    set_last_error(0);
    // 4 x 2^30 bytes: the 32-bit product would wrap to 0.
    EXPECT_EQ(redim(4, {{0, 0x3FFFFFFF}}), 4);
    EXPECT_EQ(get_last_error(), 4);
    expect_empty();
    // 70000 x 70000 elements: the element total itself wraps.
    EXPECT_EQ(redim(1, {{0, 69999}, {0, 69999}}), 4);
    expect_empty();
    // One dimension spanning the whole 32-bit range has 2^32 elements.
    EXPECT_EQ(redim(1, {{INT32_MIN, INT32_MAX}}), 4);
    expect_empty();
    // Products of the dimensions that wrap to a small value.
    EXPECT_EQ(redim(1, {{0, 65535}, {0, 65535}, {0, 0}}), 4);
    expect_empty();
    // The array is usable again afterwards.
    EXPECT_EQ(redim(4, {{0, 1}}), 0);
    EXPECT_EQ(array.size, 8);
}

TEST_F(ArrayTest, FarOffLowerBoundsStillAddressTheBlock) {
    ASSERT_EQ(redim(4, {{INT32_MAX - 1, INT32_MAX}, {INT32_MIN, INT32_MIN + 2}}), 0);
    const auto block = reinterpret_cast<std::uintptr_t>(array.ptr);
    // Element (INT32_MAX - 1, INT32_MIN) is the first; the wrap-around of the
    // address arithmetic, at the width of an address, cancels out.
    const std::uint64_t linear =
        std::uint64_t(std::int64_t(INT32_MAX - 1)) * 3 + std::uint64_t(std::int64_t(INT32_MIN));
    EXPECT_EQ(array.data + std::uintptr_t(linear * 4), block);
}

TEST_F(ArrayTest, RedimFreesTheOldBlockAndZeroesTheNewOne) {
    ASSERT_EQ(redim(4, {{0, 1023}}), 0);
    std::memset(array.ptr, 0xFF, std::size_t(array.size));
    ASSERT_EQ(redim(4, {{0, 1023}}), 0);
    for (std::int32_t i = 0; i < 1024; ++i) ASSERT_EQ(*array_element<std::uint32_t>(array, i), 0u);
    // The sanitizer build reports the first block if it was not freed.
}

TEST_F(ArrayTest, EraseResetsTheDescriptor) {
    ASSERT_EQ(redim(4, {{1, 2}, {1, 3}}), 0);
    set_last_error(4);
    EXPECT_EQ(array_erase(array, 0), 0);
    EXPECT_EQ(get_last_error(), 0);
    expect_empty();
    EXPECT_EQ(array.dimensions, 0);
    for (const auto& dim : array.dims) {
        EXPECT_EQ(dim.elements, 0);
        EXPECT_EQ(dim.lbound, 0);
        EXPECT_EQ(dim.ubound, 0);
    }
    EXPECT_EQ(array_erase(array, 0), 0) << "erasing an empty array is harmless";
}

TEST_F(ArrayTest, TextElementsStartEmptyAndAreReleased) {
    const std::int32_t len = sizeof(RtText);
    ASSERT_EQ(array_redim_strings(array, len, 1, std::vector<ArrayBounds>{{0, 9}}), 0);
    for (std::int32_t i = 0; i < 10; ++i) {
        RtText* text = array_element<RtText>(array, i);
        EXPECT_TRUE(text->empty());
        ASSERT_TRUE(rt_text_assign(*text, "element text that needs heap storage"));
    }
    // Re-sizing and erasing release every text; the sanitizer build reports
    // any that leak. Uninitialised blocks are never used for texts.
    ASSERT_EQ(array_redim(array, len, 0, 1, std::vector<ArrayBounds>{{1, 4}}), 0);
    for (std::int32_t i = 1; i <= 4; ++i) EXPECT_TRUE(array_element<RtText>(array, i)->empty());
    ASSERT_TRUE(rt_text_assign(*array_element<RtText>(array, 4), "last"));
    EXPECT_EQ(array_element<RtText>(array, 4)->view(), "last");
    EXPECT_EQ(array_erase(array, 1), 0);
    expect_empty();
}

TEST_F(ArrayTest, TextArraysNeedRoomForATextPerElement) {
    EXPECT_EQ(array_redim(array, 4, 1, 1, std::vector<ArrayBounds>{{0, 3}}), 1);
    expect_empty();
    EXPECT_EQ(array_redim(array, std::int32_t(sizeof(RtText)) + 1, 1, 1, std::vector<ArrayBounds>{{0, 3}}), 1);
    expect_empty();
}

}  // namespace
}  // namespace vz

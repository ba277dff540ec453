// Runtime text values: copying, self-assignment, moving and releasing.

#include <gtest/gtest.h>

#include <string>

#include "rt/text.h"

namespace vz {
namespace {

TEST(RtTextValues, AssignCopiesAndReleaseEmpties) {
    RtText text;
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(text.view(), "");
    ASSERT_TRUE(rt_text_assign(text, "hello"));
    EXPECT_EQ(text.view(), "hello");
    EXPECT_EQ(text.data[5], '\0');
    // Assigning a part of itself (shorter, reusing the storage).
    ASSERT_TRUE(rt_text_assign(text, text.view().substr(1, 3)));
    EXPECT_EQ(text.view(), "ell");
    // Growing needs new storage; the old contents are not kept.
    const std::string longer(100, 'x');
    ASSERT_TRUE(rt_text_assign(text, longer));
    EXPECT_EQ(text.view(), longer);
    EXPECT_GT(text.capacity, 100);
    ASSERT_TRUE(rt_text_assign(text, std::string_view(text.data + 10, 50)));
    EXPECT_EQ(text.view(), std::string(50, 'x'));
    ASSERT_TRUE(rt_text_assign(text, ""));
    EXPECT_TRUE(text.empty());

    RtText moved(std::move(text));
    rt_text_assign(moved, "key");
    RtText target;
    target = std::move(moved);
    EXPECT_EQ(target.view(), "key");
    EXPECT_TRUE(moved.empty());
    rt_text_release(target);
    EXPECT_TRUE(target.empty());
    EXPECT_EQ(target.data, nullptr);
}

}  // namespace
}  // namespace vz

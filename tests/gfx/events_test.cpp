// The screen event ring.

#include <atomic>
#include <thread>
#include <vector>

#include "gfx/context.h"
#include "gfx/events.h"
#include "gfx/screen/screen_setup.h"
#include "screen_support.h"

namespace vz::test {
namespace {

class EventsTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        use_null_driver();
        ASSERT_EQ(screen_res(16, 16, 32, 0, 0, 0), 0);
    }
    static ScreenEvent event(std::int32_t n) { return ScreenEvent{EVENT_KEY_PRESS, n, n + 1, n + 2, n + 3}; }
};

TEST_F(EventsTest, EventsComeOutInOrder) {
    ScreenEvent e{};
    EXPECT_FALSE(take_event(e));
    post_event(event(1));
    post_event(event(2));
    ASSERT_TRUE(take_event(e));
    EXPECT_EQ(e.value1, 1);
    EXPECT_EQ(e.value4, 4);
    ASSERT_TRUE(take_event(e));
    EXPECT_EQ(e.value1, 2);
    EXPECT_FALSE(take_event(e));
}

TEST_F(EventsTest, AFullRingHolds127AndDropsTheOldest) {
    for (std::int32_t i = 0; i < 127; ++i) post_event(event(i));
    EXPECT_EQ((current_context()->event_tail - current_context()->event_head + 128) % 128, 127);
    post_event(event(127));
    post_event(event(128));
    std::vector<std::int32_t> seen;
    ScreenEvent e{};
    while (take_event(e)) seen.push_back(e.value1);
    ASSERT_EQ(seen.size(), 127u);
    EXPECT_EQ(seen.front(), 2);
    EXPECT_EQ(seen.back(), 128);
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_EQ(seen[i], seen[i - 1] + 1);
}

TEST_F(EventsTest, WithoutAScreenNothingIsStored) {
    close_screen();
    post_event(event(1));
    ScreenEvent e{};
    EXPECT_FALSE(take_event(e));
}

TEST_F(EventsTest, APostingThreadAndATakingThreadShareTheRing) {
    constexpr std::int32_t count = 20000;
    std::atomic<bool> done{false};
    std::thread poster([&] {
        for (std::int32_t i = 0; i < count; ++i) post_event(event(i));
        done = true;
    });
    std::vector<std::int32_t> seen;
    ScreenEvent e{};
    for (;;) {
        const bool finished = done.load();
        while (take_event(e)) {
            ASSERT_EQ(e.value2, e.value1 + 1);  // never a torn record
            ASSERT_EQ(e.value4, e.value1 + 3);
            seen.push_back(e.value1);
        }
        if (finished) break;
    }
    poster.join();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), count - 1);
    // Drops lose old events only; what arrives is in order.
    for (std::size_t i = 1; i < seen.size(); ++i) ASSERT_GT(seen[i], seen[i - 1]);
    EXPECT_GE(seen.size(), 127u);
}

}  // namespace
}  // namespace vz::test

#include "gfx/text/keys.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/testing.h"
#include "key_driver_support.h"
#include "rt/key_codes.h"
#include "tests/test_env.h"

namespace vz {
namespace {

using Clock = std::chrono::steady_clock;

std::int64_t elapsed_ms_since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string bytes_of(const KeyText& t) { return std::string(t.view()); }

// A screen on the Null driver: no window, a do-nothing lock.
class KeyQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(screen_res(64, 48, 32, 1, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
        test::drain_keys();
    }
    void TearDown() override {
        test::drain_keys();
        close_screen();
    }
};

TEST_F(KeyQueueTest, OverflowKeepsTheNewestFifteenOldestFirst) {
    for (std::int32_t code = 1; code <= 16; ++code) post_key(code);
    EXPECT_EQ(key_pending(), 1);
    for (std::int32_t expected = 2; expected <= 16; ++expected) EXPECT_EQ(take_key(), expected);
    EXPECT_EQ(key_pending(), 0);
    EXPECT_EQ(take_key(), 0);

    // Exactly 15 fit without loss, also when the ring has wrapped.
    for (std::int32_t code = 101; code <= 115; ++code) post_key(code);
    for (std::int32_t expected = 101; expected <= 115; ++expected) EXPECT_EQ(take_key(), expected);
    EXPECT_EQ(take_key(), 0);
}

TEST_F(KeyQueueTest, ArrivalFlagIsClearedByEveryTake) {
    EXPECT_EQ(take_arrived(), 0);
    post_key('x');
    EXPECT_EQ(key_pending(), 1);
    EXPECT_EQ(take_arrived(), 1);  // the flag, not the key
    EXPECT_EQ(take_arrived(), 0);
    EXPECT_EQ(key_pending(), 1);
    post_key('y');
    EXPECT_EQ(take_key(), 'x');
    EXPECT_EQ(take_arrived(), 0);  // taking a key cleared it, one was still pending
    EXPECT_EQ(take_key(), 'y');

    // A set flag with nothing to take: key_text is empty and clears it.
    key_queue().arrived = 1;
    EXPECT_TRUE(key_text().empty());
    EXPECT_EQ(take_arrived(), 0);

    // A posted 0 reads back as no key.
    post_key(0);
    EXPECT_TRUE(key_text().empty());
    EXPECT_EQ(key_pending(), 0);
}

TEST_F(KeyQueueTest, KeyTextBytes) {
    post_key(KEY_CODE_CLOSE);
    post_key('a');
    post_key(-126);    // character 130
    post_key(0x86FF);  // F12
    post_key(0x48FF);  // up arrow
    post_key(255);
    EXPECT_EQ(bytes_of(key_text()), std::string("\xFF\x6B", 2));
    EXPECT_EQ(bytes_of(key_text()), "a");
    EXPECT_EQ(bytes_of(key_text()), std::string("\x82", 1));
    EXPECT_EQ(bytes_of(key_text()), std::string("\xFF\x86", 2));
    EXPECT_EQ(bytes_of(key_text()), std::string("\xFF\x48", 2));
    EXPECT_EQ(bytes_of(key_text()), std::string("\xFF", 1));
    EXPECT_TRUE(key_text().empty());
}

TEST_F(KeyQueueTest, WaitKeyReturnsRawCodes) {
    post_key(-126);
    post_key(0x48FF);
    EXPECT_EQ(wait_key(), -126);
    EXPECT_EQ(wait_key(), 0x48FF);
}

TEST_F(KeyQueueTest, KeyDownReadsHeldKeysInRangeOnly) {
    GfxContext* ctx = current_context();
    std::memset(ctx->key_state, 1, KEY_STATE_SIZE);
    EXPECT_EQ(key_down(0), -1);
    EXPECT_EQ(key_down(1), -1);
    EXPECT_EQ(key_down(127), -1);
    EXPECT_EQ(key_down(128), 0);
    EXPECT_EQ(key_down(-1), 0);
    ctx->key_state[1] = 0;
    EXPECT_EQ(key_down(1), 0);
    EXPECT_EQ(is_redirected(), 0);
}

TEST(KeyQueueNoScreen, KeysSurviveWithoutAScreen) {
    close_screen();
    ASSERT_EQ(current_context(), nullptr);
    post_key('q');
    EXPECT_TRUE(key_text().empty());
    EXPECT_EQ(wait_key(), 0);
    EXPECT_EQ(key_down(1), 0);
    // The key typed under no screen is still there for the next one.
    ASSERT_EQ(screen_res(64, 48, 32, 1, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
    EXPECT_EQ(bytes_of(key_text()), "q");
    ASSERT_EQ(screen_res(32, 32, 8, 1, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
    post_key('r');
    ASSERT_EQ(screen_res(64, 48, 32, 1, SCREEN_FLAGS_NULL_DRIVER, 0), 0);
    EXPECT_EQ(wait_key(), 'r');
    close_screen();
}

// The sleep tests count the key tests through the driver lock they take.
class KeySleepTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::open_locked_screen(64, 48));
        test::drain_keys();
        test::reset_driver_lock_count();
    }
    void TearDown() override {
        test::set_on_driver_lock({});
        test::drain_keys();
        test::close_locked_screen();
    }
};

TEST_F(KeySleepTest, ForeverSleepEndsAtOnceOnAnUntakenKey) {
    post_key('k');
    sleep_ms(-1);
    EXPECT_EQ(test::driver_lock_count(), 1);
    EXPECT_EQ(key_pending(), 1);  // the key itself stays queued
    EXPECT_EQ(take_arrived(), 0);
}

TEST_F(KeySleepTest, ForeverSleepWaitsInFiftyMillisecondSlices) {
    // The third key test finds a key posted by the "update pass".
    test::set_on_driver_lock([](std::int32_t n) {
        if (n == 3) post_key('z');
    });
    const auto start = Clock::now();
    sleep_ms(-1);
    EXPECT_GE(elapsed_ms_since(start), 100);
    EXPECT_EQ(test::driver_lock_count(), 3);
    EXPECT_EQ(take_key(), 'z');
}

TEST_F(KeySleepTest, ShortSleepsNeverTestForKeys) {
    post_key('k');
    const auto start = Clock::now();
    sleep_ms(99);
    EXPECT_GE(elapsed_ms_since(start), 99);
    sleep_ms(0);
    sleep_ms(-5);
    EXPECT_EQ(test::driver_lock_count(), 0);
    EXPECT_EQ(take_arrived(), 1);
}

TEST_F(KeySleepTest, LongSleepTestsAtEachFiftyMillisecondBoundaryOnly) {
    auto start = Clock::now();
    sleep_ms(120);  // tests at 0 and 50, then 50 + 20
    EXPECT_GE(elapsed_ms_since(start), 120);
    EXPECT_EQ(test::driver_lock_count(), 2);

    test::reset_driver_lock_count();
    start = Clock::now();
    sleep_ms(100);  // a test at 0, then 50 + 50: the last slice is not tested
    EXPECT_GE(elapsed_ms_since(start), 100);
    EXPECT_EQ(test::driver_lock_count(), 1);

    test::reset_driver_lock_count();
    start = Clock::now();
    sleep_ms(151);  // tests at 0, 50 and 100, then 1
    EXPECT_GE(elapsed_ms_since(start), 151);
    EXPECT_EQ(test::driver_lock_count(), 3);
}

TEST_F(KeySleepTest, LongSleepEndsAtTheTestThatSeesAKey) {
    post_key('k');
    sleep_ms(120);
    EXPECT_EQ(test::driver_lock_count(), 1);  // returned at the test at 0

    test::reset_driver_lock_count();
    test::set_on_driver_lock([](std::int32_t n) {
        if (n == 2) post_key('m');
    });
    const auto start = Clock::now();
    sleep_ms(1000);
    EXPECT_GE(elapsed_ms_since(start), 50);
    EXPECT_EQ(test::driver_lock_count(), 2);
    EXPECT_EQ(take_key(), 'k');  // sleeping never removes keys
    EXPECT_EQ(take_key(), 'm');
}

TEST_F(KeySleepTest, WaitKeyPollsThroughTheSleepHook) {
    // Nothing for the first five looks into the queue.
    test::set_on_driver_lock([](std::int32_t n) {
        if (n == 6) post_key(0x3BFF);
    });
    const auto start = Clock::now();
    EXPECT_EQ(wait_key(), 0x3BFF);
    // Each empty look is one take_key (one lock), then a 20 ms pause.
    EXPECT_GE(elapsed_ms_since(start), 100);
    EXPECT_EQ(test::driver_lock_count(), 6);
}

// The i-th key of the stream: characters 1-127 in turn.
std::int32_t stream_code(std::int32_t i) { return 1 + (i - 1) % 127; }

TEST_F(KeySleepTest, PostingThreadAndReadingThreadShareTheDriverLock) {
    constexpr std::int32_t KEYS = 400;
    std::thread poster([] {
        std::int32_t next = 1;
        while (next <= KEYS) {
            test::with_driver_lock([&] {
                const KeyQueue& q = key_queue();
                const std::int32_t pending = (q.write_pos - q.read_pos + KEY_QUEUE_SLOTS) % KEY_QUEUE_SLOTS;
                if (pending < KEY_QUEUE_SLOTS - 1) post_key(stream_code(next++));
            });
            std::this_thread::yield();
        }
    });
    std::int32_t expected = 1;
    while (expected <= KEYS) {
        std::int32_t code = 0;
        switch (expected % 4) {
        case 0:
            code = take_key();
            break;
        case 1: {
            const KeyText t = key_text();
            if (!t.empty()) code = t.bytes[0];
            break;
        }
        case 2:
            code = key_pending() != 0 ? take_key() : 0;
            break;
        default:
            take_arrived();
            code = take_key();
            break;
        }
        if (code == 0) {
            std::this_thread::yield();
            continue;
        }
        if (code != stream_code(expected)) {
            ADD_FAILURE() << "key " << expected << " read as " << code;
            break;
        }
        ++expected;
    }
    if (expected <= KEYS) {
        // Let the poster finish after a failure.
        while (key_pending() != 0 || expected <= KEYS) {
            if (take_key() != 0) ++expected;
            std::this_thread::yield();
        }
    }
    poster.join();
    EXPECT_EQ(key_pending(), 0);
}

// A driver like the OpenGL one: no update thread, a do-nothing lock, and its
// window's messages handled only when the program polls. The n-th poll
// "delivers" a key.
std::atomic<std::int32_t> g_polls{0};
std::atomic<std::int32_t> g_deliver_at{0};
std::atomic<std::int32_t> g_delivered_code{0};

void polled_events() {
    if (g_polls.fetch_add(1) + 1 == g_deliver_at.load()) post_key(g_delivered_code.load());
}

const GfxDriver polled_driver{.name = "PolledTest",
                              .init = [](const char*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                         std::int32_t) -> std::int32_t { return 0; },
                              .lock = [] {},
                              .unlock = [] {},
                              .poll_events = polled_events};
const GfxDriver* const polled_list[] = {&polled_driver};

class PolledDriverKeys : public ::testing::Test {
protected:
    void SetUp() override {
        test::unset_env("VZGFX");
        set_driver_list_for_test(polled_list);
        ASSERT_EQ(screen_res(64, 48, 32, 1, 0, 0), 0);
        ASSERT_EQ(current_context()->driver, &polled_driver);
        test::drain_keys();
    }
    void TearDown() override {
        g_deliver_at = 0;
        test::drain_keys();
        close_screen();
        set_driver_list_for_test({});
    }
    // The key arrives at the `nth` poll from now.
    static void deliver(std::int32_t code, std::int32_t nth) {
        g_delivered_code = code;
        g_polls = 0;
        g_deliver_at = nth;
    }
};

TEST_F(PolledDriverKeys, WaitKeyPollsTheDriverUntilAKeyArrives) {
    deliver('a', 4);
    EXPECT_EQ(wait_key(), 'a');
    EXPECT_GE(g_polls.load(), 4);
}

TEST_F(PolledDriverKeys, ForeverSleepEndsOnAPolledCloseRequest) {
    deliver(KEY_CODE_CLOSE, 3);
    sleep_ms(-1);
    EXPECT_GE(g_polls.load(), 3);
    EXPECT_EQ(take_key(), KEY_CODE_CLOSE);
}

TEST_F(PolledDriverKeys, KeyTextAndPendingLookAfterPolling) {
    deliver('x', 1);
    EXPECT_EQ(key_pending(), 1);
    deliver(0x3BFF, 1);
    EXPECT_EQ(bytes_of(key_text()), "x");
    EXPECT_EQ(bytes_of(key_text()), std::string("\xFF\x3B"));
    // A long sleep is cut short by a key delivered at its second test.
    deliver('y', 2);
    const auto start = Clock::now();
    sleep_ms(5000);
    EXPECT_LT(elapsed_ms_since(start), 4000);
    EXPECT_EQ(take_key(), 'y');
}

}  // namespace
}  // namespace vz

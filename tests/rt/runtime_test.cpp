// Program start and end: the last-error cell, the context slots, the
// initialisation count and its resets, the floating-point set-up and the exit
// sequence.

#include <gtest/gtest.h>

#include "tests/test_env.h"

#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "rt/console_hooks.h"
#include "rt/error.h"
#include "rt/fpu.h"
#include "rt/runtime.h"

namespace vz {
namespace {

// Brings the runtime to a given initialisation count.
void set_init_count(std::int32_t wanted) {
    while (init_count() > wanted) runtime_exit();
    while (init_count() < wanted) runtime_init();
}

class RuntimeStateTest : public testing::Test {
protected:
    void SetUp() override { saved_count_ = init_count(); }
    void TearDown() override {
        set_init_count(saved_count_);
        record_arguments(0, nullptr, 0);
    }

private:
    std::int32_t saved_count_ = 0;
};

TEST(LastError, StoredCodeIsReturnedAndKeptUntilTheNextStore) {
    EXPECT_EQ(set_last_error(4), 4);
    EXPECT_EQ(get_last_error(), 4);
    EXPECT_EQ(get_last_error(), 4);
    EXPECT_EQ(set_last_error(1), 1);
    EXPECT_EQ(get_last_error(), 1);
    EXPECT_EQ(set_last_error(0), 0);
    EXPECT_EQ(get_last_error(), 0);
}

TEST(LastError, LivesInWordOneOfTheErrorRecord) {
    auto* record = static_cast<std::int32_t*>(context_slot(CONTEXT_SLOT_ERROR, 28));
    ASSERT_NE(record, nullptr);
    const std::int32_t other_words[] = {record[0], record[2], record[3], record[4], record[5], record[6]};
    set_last_error(-123456);
    EXPECT_EQ(record[1], -123456);
    const std::int32_t after[] = {record[0], record[2], record[3], record[4], record[5], record[6]};
    EXPECT_EQ(std::memcmp(other_words, after, sizeof after), 0);
    set_last_error(0);
}

TEST(LastError, IsSharedByAllThreads) {
    set_last_error(0);
    std::thread([] { set_last_error(4); }).join();
    EXPECT_EQ(get_last_error(), 4);
    set_last_error(0);
}

TEST(ContextSlot, FirstRequestFixesTheSizeAndZeroFills) {
    auto* first = static_cast<unsigned char*>(context_slot(3, 64));
    ASSERT_NE(first, nullptr);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(first[i], 0) << "byte " << i;
    first[63] = 0xA5;
    // A later request with another size returns the same record unchanged.
    EXPECT_EQ(context_slot(3, 4096), first);
    EXPECT_EQ(context_slot(3, 1), first);
    EXPECT_EQ(context_slot(3, 0), first);
    EXPECT_EQ(first[63], 0xA5);
}

TEST(ContextSlot, IndicesOutsideZeroToFourHaveNoRecord) {
    EXPECT_EQ(context_slot(-1, 16), nullptr);
    EXPECT_EQ(context_slot(CONTEXT_SLOT_COUNT, 16), nullptr);
}

TEST(ContextSlot, ThreadsRacingForANewSlotGetOneRecord) {
    constexpr int kThreads = 8;
    std::vector<void*> seen(kThreads, nullptr);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&seen, i] { seen[i] = context_slot(1, 32 + i); });
    }
    for (auto& t : threads) t.join();
    ASSERT_NE(seen[0], nullptr);
    for (int i = 1; i < kThreads; ++i) EXPECT_EQ(seen[i], seen[0]);
}

TEST_F(RuntimeStateTest, FirstInitResetsStateAndLaterInitsChangeNothing) {
    set_init_count(0);
    char name[] = "prog";
    char* argv[] = {name, nullptr};
    record_arguments(1, argv, 3);
    set_last_error(4);
    auto* slot = static_cast<unsigned char*>(context_slot(2, 16));
    ASSERT_NE(slot, nullptr);
    slot[5] = 7;
    console_hooks().sleep_ms = [](std::int32_t) {};

    runtime_init();  // 0 -> 1 resets everything
    EXPECT_EQ(init_count(), 1);
    EXPECT_EQ(get_last_error(), 0);
    EXPECT_EQ(program_argc(), 0);
    EXPECT_EQ(program_argv(), nullptr);
    EXPECT_EQ(compat_mode(), 0);
    EXPECT_EQ(console_hooks().sleep_ms, nullptr);
    EXPECT_EQ(context_slot(2, 16), slot) << "records keep their address";
    EXPECT_EQ(slot[5], 0);

    record_arguments(1, argv, 3);
    set_last_error(4);
    slot[5] = 9;
    runtime_init();  // 1 -> 2: no work
    EXPECT_EQ(init_count(), 2);
    EXPECT_EQ(get_last_error(), 4);
    EXPECT_EQ(program_argc(), 1);
    EXPECT_EQ(program_argv(), argv);
    EXPECT_EQ(compat_mode(), 3);
    EXPECT_EQ(slot[5], 9);

    runtime_exit();  // 2 -> 1: no work
    EXPECT_EQ(init_count(), 1);
    EXPECT_EQ(get_last_error(), 4);
    runtime_exit();  // 1 -> 0
    EXPECT_EQ(init_count(), 0);
    set_last_error(0);
}

#if defined(__i386__) || defined(__x86_64__)
// 1 + 2^-60 survives only with a 64-bit significand.
long double extended_precision_probe() {
    volatile long double one = 1.0L;
    volatile long double tiny = 0x1p-60L;
    const long double sum = one + tiny;
    return sum - one;
}

TEST_F(RuntimeStateTest, InitSetsExtendedPrecisionAndRoundToNearestKeepingOtherBits) {
    const std::uint16_t saved = fpu_control_word();
    set_init_count(0);
    // 53-bit significand, round toward zero, and the denormal exception
    // unmasked so that a changed mask would show.
    const auto poisoned = static_cast<std::uint16_t>(((saved & ~0x0F00) | 0x0200 | 0x0C00) & ~0x0002);
    asm volatile("fnclex");
    set_fpu_control_word(poisoned);
    const long double under_double_precision = extended_precision_probe();

    runtime_init();
    const std::uint16_t word = fpu_control_word();
    const long double under_extended_precision = extended_precision_probe();
    set_fpu_control_word(saved);

    EXPECT_EQ(under_double_precision, 0.0L) << "the probe must tell the precisions apart";
    EXPECT_EQ(word & 0x0300, 0x0300) << "precision control 11b";
    EXPECT_EQ(word & 0x0C00, 0x0000) << "rounding to nearest";
    EXPECT_EQ(word & ~0x0F00, poisoned & ~0x0F00) << "exception masks and other bits kept";
    EXPECT_EQ(under_extended_precision, 0x1p-60L);
}

TEST(Fpu, SetExtendedPrecisionLeavesAnAlreadyCorrectWordAlone) {
    const std::uint16_t saved = fpu_control_word();
    set_fpu_control_word(static_cast<std::uint16_t>((saved & ~0x0F00) | 0x0300));
    const std::uint16_t before = fpu_control_word();
    set_extended_precision();
    EXPECT_EQ(fpu_control_word(), before);
    set_fpu_control_word(saved);
}

#endif

// The exit sequence needs a fresh process in which the static initialisation
// has not run yet, so the death test re-executes the test binary.
void report(const char* what, std::int32_t count) {
    std::fprintf(stderr, "[%s:%d]", what, static_cast<int>(count));
    std::fflush(stderr);
}

void handler_registered_before_static_init() { report("after-runtime-exit", init_count()); }
void handler_registered_like_close_screen() { report("close-screen", init_count()); }

[[noreturn]] void run_program_and_end() {
    at_program_exit(handler_registered_before_static_init);
    runtime_static_init();
    runtime_static_init();  // the entry routine's second call does nothing
    report("started", init_count());
    at_program_exit(handler_registered_like_close_screen);
    end_program(0);
}

// An emulated test program cannot re-execute itself (the host does not run
// its processor's programs), so these two run natively only.
#define VZ_SKIP_REEXECUTION_UNDER_EMULATOR() \
    if (test::EMULATOR != nullptr)           \
    GTEST_SKIP() << "re-executing the test program needs the " << test::EMULATOR << " emulator"

TEST(ExitSequence, EndProgramRunsHandlersNewestFirstAndExitsWithTheCode) {
    VZ_SKIP_REEXECUTION_UNDER_EMULATOR();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // close_screen runs while the runtime is still up, runtime_exit then takes
    // the count to 0, and handlers registered before start-up run last.
    EXPECT_EXIT(run_program_and_end(), testing::ExitedWithCode(0),
                "\\[started:1\\]\\[close-screen:1\\]\\[after-runtime-exit:0\\]");
}

TEST(ExitSequence, EndProgramPassesTheCodeOn) {
    VZ_SKIP_REEXECUTION_UNDER_EMULATOR();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(end_program(37), testing::ExitedWithCode(37), "");
}

}  // namespace
}  // namespace vz

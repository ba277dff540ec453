#pragma once
// Test doubles for display drivers and a fixture that opens and closes screens.

#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/screen/screen_setup.h"

namespace vz::test {

struct DriverCall {
    std::string what;  // "init" or "exit"
    std::string driver;
    std::int32_t refresh_rate = 0;
    std::int32_t flags = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t depth = 0;
    std::string title;
    bool context_alive = false;  // exit: the context and its pages were still there
};

struct FakeDriverLog {
    std::vector<DriverCall> calls;
    int inits = 0;
    int succeed_at_init = -1;      // the init call (counted from 0) that succeeds; -1 = none
    const char* refusals[4] = {};  // the reason each driver (in list order) notes when its init fails
    int lock_calls = 0;
    int unlock_calls = 0;
    int flips = 0;
    int polls = 0;
    std::vector<std::int32_t> palette;  // index, red, green, blue per set_palette call
    std::vector<std::string> titles;
    std::int32_t mouse_result = 0;
    std::int32_t mouse[5] = {11, 22, 33, 44, 55};
    std::vector<std::int32_t> set_mouse_args;
    int lock_count_in_get_mouse = -1;
};

FakeDriverLog& fake_log();
// The lock the fake drivers' lock and unlock take, as a real driver's would.
std::mutex& fake_driver_mutex();

// "DirectX", "GDI" and "OpenGL" doubles, in list order, each with every
// operation present except flip and poll_events.
extern const GfxDriver fake_directx;
extern const GfxDriver fake_gdi;
extern const GfxDriver fake_opengl;
// A driver that presents by flipping (and polls its own events).
extern const GfxDriver fake_flipper;

std::span<const GfxDriver* const> fake_driver_list();
std::span<const GfxDriver* const> flipper_driver_list();

// Every test starts and ends without a screen, with VZGFX unset and the real
// driver list in place.
class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Opens screens on the fake drivers; the init that many calls from now
    // succeeds (0: the next one; -1: none).
    void use_fake_drivers(int succeed_at_init = 0);
    void use_null_driver();
};

std::uint32_t pixel32(const GfxContext* context, int page, int x, int y);

}  // namespace vz::test

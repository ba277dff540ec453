#pragma once
// A display driver for tests whose lock is a real recursive mutex, standing in
// for a driver whose update thread posts keys while holding its lock.

#include <atomic>
#include <cstdint>
#include <functional>

namespace vz::test {

// Opens a width x height x 32 screen on the locking test driver. False when
// the screen could not be opened.
bool open_locked_screen(std::int32_t width, std::int32_t height);

// Runs `work` the way the driver's update pass would: inside the driver lock.
void with_driver_lock(const std::function<void()>& work);

// How many times the driver lock has been taken since the last reset.
std::int32_t driver_lock_count();
void reset_driver_lock_count();

// Called (inside the lock) each time the driver lock is taken, with the count
// including this call; empty for none.
void set_on_driver_lock(std::function<void(std::int32_t)> hook);

// Closes the screen and puts the normal driver list back.
void close_locked_screen();

// Takes every pending key code and clears the arrival flag.
void drain_keys();

}  // namespace vz::test

#include "key_driver_support.h"

#include <cstdlib>
#include <mutex>
#include <utility>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/testing.h"
#include "gfx/text/keys.h"
#include "tests/test_env.h"

namespace vz::test {
namespace {

std::recursive_mutex g_driver_mutex;
std::atomic<std::int32_t> g_lock_count{0};
std::function<void(std::int32_t)> g_on_lock;

std::int32_t fake_init(const char*, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t) { return 0; }
std::int32_t fake_exit() { return 0; }
void fake_lock() {
    g_driver_mutex.lock();
    const std::int32_t n = g_lock_count.fetch_add(1, std::memory_order_relaxed) + 1;
    if (g_on_lock) g_on_lock(n);
}
void fake_unlock() { g_driver_mutex.unlock(); }

const GfxDriver locked_driver{
    .name = "LockedTest", .init = fake_init, .exit = fake_exit, .lock = fake_lock, .unlock = fake_unlock};
const GfxDriver* const locked_list[] = {&locked_driver};

}  // namespace

bool open_locked_screen(std::int32_t width, std::int32_t height) {
    test::unset_env("VZGFX");
    set_driver_list_for_test(locked_list);
    if (screen_res(width, height, 32, 1, 0, 0) != 0) return false;
    const GfxContext* ctx = current_context();
    return ctx != nullptr && ctx->driver == &locked_driver;
}

void with_driver_lock(const std::function<void()>& work) {
    std::lock_guard<std::recursive_mutex> hold(g_driver_mutex);
    work();
}

std::int32_t driver_lock_count() { return g_lock_count.load(std::memory_order_relaxed); }
void reset_driver_lock_count() { g_lock_count.store(0, std::memory_order_relaxed); }
void set_on_driver_lock(std::function<void(std::int32_t)> hook) { g_on_lock = std::move(hook); }

void close_locked_screen() {
    set_on_driver_lock({});
    close_screen();
    set_driver_list_for_test({});
}

void drain_keys() {
    while (key_pending() != 0) take_key();
    take_arrived();
}

}  // namespace vz::test

// The key queue and the keyboard hooks of the graphics screen.
//
// The queue is one process-wide ring of 16 slots. post_key runs inside the
// display driver's update pass, which holds the driver lock; every read runs
// under the screen lock, whose outermost level takes the same lock. The lock is
// what orders the two threads, so the fields themselves are plain integers.
// (The Null and OpenGL drivers have a do-nothing lock, but with them posting
// and reading happen on the program's thread.)
//
// A driver without an update thread (OpenGL) handles its window's messages
// only when asked through poll_events. Every look into the queue asks first,
// so that a key wait or a key-aware sleep sees the keys typed and the close
// request instead of waiting for ever.

#include "gfx/text/keys.h"

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/screen_lock.h"
#include "rt/console.h"
#include "rt/timer.h"

namespace vz {

namespace {

KeyQueue g_key_queue{};

int next_slot(int pos) { return (pos + 1) % KEY_QUEUE_SLOTS; }

void poll_driver_events() {
    const GfxContext* context = current_context();
    if (context != nullptr && context->driver != nullptr && context->driver->poll_events != nullptr) {
        context->driver->poll_events();
    }
}

std::int32_t take_arrived_unpolled() {
    const ScreenLockGuard lock;
    const std::int32_t was = g_key_queue.arrived;
    g_key_queue.arrived = 0;
    return was;
}

// The slice in which a waiting sleep tests for a key.
constexpr std::int32_t KEY_TEST_SLICE_MS = 50;
// The pause between two looks into the queue while waiting for a key.
constexpr std::int32_t WAIT_KEY_PAUSE_MS = 20;

}  // namespace

KeyQueue& key_queue() { return g_key_queue; }

void post_key(std::int32_t code) {
    KeyQueue& q = g_key_queue;
    q.slots[q.write_pos] = code;
    q.write_pos = next_slot(q.write_pos);
    if (q.write_pos == q.read_pos) {
        // Full: drop the oldest so that the 15 newest remain.
        q.read_pos = next_slot(q.write_pos);
    }
    q.arrived = 1;
}

std::int32_t take_arrived() {
    poll_driver_events();
    return take_arrived_unpolled();
}

std::int32_t take_key() {
    poll_driver_events();
    const ScreenLockGuard lock;
    KeyQueue& q = g_key_queue;
    std::int32_t code = 0;
    if (q.read_pos != q.write_pos) {
        code = q.slots[q.read_pos];
        q.read_pos = next_slot(q.read_pos);
    }
    take_arrived_unpolled();  // nests inside our lock level
    return code;
}

KeyText key_text() {
    KeyText text;
    if (current_context() == nullptr) return text;
    const std::int32_t code = take_key();
    if (code == 0) return text;
    if (code <= 255) {
        // Characters, including 128-255 posted as negative signed bytes.
        text.length = 1;
        text.bytes[0] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(code) & 0xFFu);
    } else {
        text.length = 2;
        text.bytes[0] = 255;
        text.bytes[1] = static_cast<std::uint8_t>((static_cast<std::uint32_t>(code) >> 8) & 0xFFu);
    }
    return text;
}

std::int32_t wait_key() {
    if (current_context() == nullptr) return 0;
    for (;;) {
        const std::int32_t code = take_key();
        if (code != 0) return code;
        runtime_key_sleep(WAIT_KEY_PAUSE_MS);
    }
}

std::int32_t key_pending() {
    poll_driver_events();
    const ScreenLockGuard lock;
    return g_key_queue.read_pos != g_key_queue.write_pos ? 1 : 0;
}

std::int32_t key_down(std::int32_t scan) {
    GfxContext* context = current_context();
    if (context == nullptr || scan < 0 || scan >= KEY_STATE_SIZE) return 0;
    poll_driver_events();  // also refreshes the held keys
    const ScreenLockGuard lock;
    return context->key_state != nullptr && context->key_state[scan] != 0 ? -1 : 0;
}

void sleep_ms(std::int32_t ms) {
    if (ms == -1) {
        while (take_arrived() == 0) os_sleep_ms(KEY_TEST_SLICE_MS);
        return;
    }
    if (ms <= 99) {
        if (ms > 0) os_sleep_ms(ms);
        return;
    }
    // Keys are tested only at the start of each 50 ms slice; a key ends the
    // wait without sleeping the remainder.
    do {
        if (take_arrived() != 0) return;
        os_sleep_ms(KEY_TEST_SLICE_MS);
        ms -= KEY_TEST_SLICE_MS;
    } while (ms > KEY_TEST_SLICE_MS);
    if (ms > 0) os_sleep_ms(ms);
}

std::int32_t is_redirected() { return 0; }

}  // namespace vz

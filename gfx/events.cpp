// The screen event ring: 128 slots, at most 127 events; a full ring drops its
// oldest event. The window thread posts while it holds the driver lock, so the
// ring's own lock is always taken after the driver lock.

#include <mutex>

#include "gfx/context.h"
#include "gfx/events.h"

namespace vz {

void post_event(const ScreenEvent& event) {
    GfxContext* context = current_context();
    if (context == nullptr || context->events == nullptr || context->event_lock == nullptr) return;
    std::lock_guard<std::mutex> guard(*context->event_lock);
    context->events[context->event_tail] = event;
    const std::int32_t next = (context->event_tail + 1) % EVENT_RING_SLOTS;
    if (next == context->event_head) context->event_head = (next + 1) % EVENT_RING_SLOTS;
    context->event_tail = next;
}

bool take_event(ScreenEvent& event) {
    GfxContext* context = current_context();
    if (context == nullptr || context->events == nullptr || context->event_lock == nullptr) return false;
    std::lock_guard<std::mutex> guard(*context->event_lock);
    if (context->event_head == context->event_tail) return false;
    event = context->events[context->event_head];
    context->event_head = (context->event_head + 1) % EVENT_RING_SLOTS;
    return true;
}

}  // namespace vz

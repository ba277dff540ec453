// The one process-wide pointer to the open screen's context record.

#include "gfx/context.h"

#include <atomic>

#include "gfx/context_cell.h"

namespace vz {

namespace {

// The update thread of a driver reads the pointer, so it is atomic.
std::atomic<GfxContext*> g_context{nullptr};

}  // namespace

GfxContext* current_context() { return g_context.load(std::memory_order_acquire); }

const std::atomic<GfxContext*>& current_context_cell() { return g_context; }

void set_current_context(GfxContext* context) { g_context.store(context); }

}  // namespace vz

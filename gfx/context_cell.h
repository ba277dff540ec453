#pragma once
// Where current_context() reads the open screen from: the cell itself never
// moves, so a drawing path that checks the screen on every call can keep its
// address and load from it without a function call.

#include <atomic>

namespace vz {

struct GfxContext;

const std::atomic<GfxContext*>& current_context_cell();

// Publishes a new open screen (null: none). Only screen set-up calls it.
void set_current_context(GfxContext* context);

}  // namespace vz

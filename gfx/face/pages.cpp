// Page calls of the C++ face over the page routines.

#include "vzgfx/pages.h"

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/screen_lock.h"
#include "rt/console.h"
#include "rt/error.h"

namespace vzgfx {

int set_pages(int work, int visible) {
    const vz::GfxContext* context = vz::current_context();
    // The routine skips a page it does not have and answers with the previous
    // pages; here a bad page refuses the whole call.
    const auto bad = [&](int page) { return page < -1 || (context != nullptr && page >= context->page_count); };
    if (context == nullptr || bad(work) || bad(visible)) return vz::set_last_error(vz::ERR_ILLEGAL_CALL);
    // Both -1 would mean pages 0 and 0 to the routine.
    if (work >= 0 || visible >= 0) vz::runtime_page_set(work, visible);
    return vz::set_last_error(vz::ERR_OK);
}

int copy_page(int from, int to) { return vz::runtime_page_copy(from, to); }

int flip() {
    const vz::GfxContext* context = vz::current_context();
    if (context == nullptr) return vz::set_last_error(vz::ERR_ILLEGAL_CALL);
    // A driver that flips presents through the page copy, which then reports 1
    // although the frame was shown.
    if (context->driver != nullptr && context->driver->flip != nullptr) {
        vz::runtime_page_copy(-1, -1);
        return vz::set_last_error(vz::ERR_OK);
    }
    if (context->page_count < 2) return vz::set_last_error(vz::ERR_ILLEGAL_CALL);
    return set_pages(context->visible_page, vz::get_draw_state()->work_page);
}

FrameLock::FrameLock() { vz::screen_lock(); }
FrameLock::~FrameLock() { vz::screen_unlock(-1, -1); }

}  // namespace vzgfx

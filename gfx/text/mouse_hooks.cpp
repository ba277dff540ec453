#include "gfx/text/mouse_hooks.h"

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/surface/screen_lock.h"
#include "rt/error.h"

namespace vz {

std::int32_t read_mouse(std::int32_t* x, std::int32_t* y, std::int32_t* wheel, std::int32_t* buttons,
                        std::int32_t* clip) {
    std::int32_t values[5] = {-1, -1, -1, -1, -1};
    std::int32_t result = ERR_ILLEGAL_CALL;
    const GfxContext* context = current_context();
    if (context != nullptr && context->driver != nullptr && context->driver->get_mouse != nullptr) {
        std::int32_t got[5] = {0, 0, 0, 0, 0};
        std::int32_t status = 0;
        {
            const ScreenLockGuard lock;
            status = context->driver->get_mouse(&got[0], &got[1], &got[2], &got[3], &got[4]);
        }
        if (status == 0) {
            for (int i = 0; i < 5; ++i) values[i] = got[i];
            result = ERR_OK;
        }
    }
    std::int32_t* outputs[5] = {x, y, wheel, buttons, clip};
    for (int i = 0; i < 5; ++i) {
        if (outputs[i] != nullptr) *outputs[i] = values[i];
    }
    return set_last_error(result);
}

std::int32_t place_mouse(std::int32_t x, std::int32_t y, std::int32_t visibility, std::int32_t clip) {
    const GfxContext* context = current_context();
    if (context == nullptr || context->driver == nullptr || context->driver->set_mouse == nullptr) {
        return set_last_error(ERR_ILLEGAL_CALL);
    }
    {
        const ScreenLockGuard lock;
        context->driver->set_mouse(x, y, visibility, clip);
    }
    return set_last_error(ERR_OK);
}

void view_update(std::int32_t, std::int32_t) {}

}  // namespace vz

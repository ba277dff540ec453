#pragma once
// The screen lock held for one scope. Most code that takes the lock only reads
// or changes shared state (the key queue, the palette, the mouse, the title)
// and draws no line, so the guard's release marks nothing dirty; code that
// draws marks its lines itself before the scope ends.

#include "gfx/surface/pages.h"

namespace vz {

class ScreenLockGuard {
public:
    ScreenLockGuard() { screen_lock(); }
    ~ScreenLockGuard() { screen_unlock(1, 0); }  // first > last: no line marked
    ScreenLockGuard(const ScreenLockGuard&) = delete;
    ScreenLockGuard& operator=(const ScreenLockGuard&) = delete;
};

}  // namespace vz

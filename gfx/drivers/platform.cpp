// The choice of window-system layer and GL binding: X11 and GLX, or the
// ones a test installed.

#include "gfx/drivers/platform.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "gfx/drivers/gl_platform.h"
#include "gfx/testing.h"

namespace vz {

namespace {

std::atomic<const PlatformLayer*> g_test_layer{nullptr};
std::atomic<const GlPlatform*> g_test_gl{nullptr};

}  // namespace

const PlatformLayer& platform() {
    const PlatformLayer* layer = g_test_layer.load(std::memory_order_acquire);
    return layer != nullptr ? *layer : native_platform();
}

void set_platform_for_test(const PlatformLayer* layer) { g_test_layer.store(layer, std::memory_order_release); }

const GlPlatform& gl_platform() {
    const GlPlatform* layer = g_test_gl.load(std::memory_order_acquire);
    return layer != nullptr ? *layer : native_gl_platform();
}

void set_gl_platform_for_test(const GlPlatform* layer) { g_test_gl.store(layer, std::memory_order_release); }

void append_extension_text(char* out, std::size_t capacity, std::size_t& used, const char* text) {
    if (text == nullptr) return;
    const std::size_t room = capacity - 1 - used;
    const std::size_t length = std::min(std::strlen(text), room);
    std::memcpy(out + used, text, length);
    used += length;
    out[used] = 0;
}

}  // namespace vz

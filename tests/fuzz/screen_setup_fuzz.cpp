// Screen set-up with arbitrary sizes, depths, page counts, flags and modes,
// memory-only. A screen that opens must be usable (its pages cover its size)
// and close cleanly; one that does not must leave no screen behind.

#include <cstdint>
#include <cstdlib>

#include "fuzz_input.h"
#include "fuzz_screen.h"
#include "gfx/context.h"
#include "gfx/draw_state.h"
#include "gfx/ellipse.h"
#include "gfx/pages.h"
#include "gfx/text/text.h"

namespace {

// Requests whose pages would take more than this are skipped: they are
// valid and would only measure the machine's memory.
constexpr std::int64_t PAGE_BYTES_LIMIT = 64 << 20;

bool affordable(std::int64_t width, std::int64_t height, std::int64_t pages) {
    if (width <= 0 || height <= 0) return true;  // refused before any allocation
    if (pages < 1) pages = 1;
    if (width > PAGE_BYTES_LIMIT || height > PAGE_BYTES_LIMIT || pages > 64) return false;
    return width * height * 4 * (pages + 1) <= PAGE_BYTES_LIMIT;
}

void use_screen() {
    vz::GfxContext* c = vz::current_context();
    if (c == nullptr) return;
    if (c->width <= 0 || c->height <= 0 || c->page_count < 1 || c->pitch < c->width * c->bpp) std::abort();
    vz::screen_lock();
    for (std::int32_t page = 0; page < c->page_count; ++page) {
        vz::page_set(page, page);
        vz::screen_ptr()[0] = 1;
        vz::screen_ptr()[static_cast<std::size_t>(c->pitch) * (c->height - 1) + c->width * c->bpp - 1] = 2;
    }
    vz::screen_unlock(-1, -1);
    vz::ellipse(nullptr, 3.0f, 3.0f, 2.0f, 0xFFFFFFFFu, 0.0f, 0.0f, 6.283186f, 1, 0);
    const std::uint8_t text[] = {'o', 'k'};
    vz::print_text(text, 2, 1);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vz::fuzz::use_memory_only_screens();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vz::fuzz::Input in(data, size);
    for (int round = 0; round < 3 && !in.empty(); ++round) {
        const std::int32_t flags = in.i32();
        const std::int32_t refresh = in.number();
        const std::int32_t depth = in.number();
        const std::int32_t pages = in.number();
        std::int32_t result = 0;
        switch (in.u8() % 3) {
            case 0: {
                const std::int32_t width = in.number();
                const std::int32_t height = in.number();
                if (!affordable(width, height, pages)) continue;
                result = vz::screen_res(width, height, depth, pages, flags, refresh);
                break;
            }
            case 1:
                if (!affordable(1280, 1024, pages)) continue;
                result = vz::screen_mode(in.number(), depth, pages, flags, refresh);
                break;
            default:
                result = vz::screen_mode_pages(in.number(), in.number(), in.number());
                break;
        }
        (void)result;
        use_screen();
    }
    vz::close_screen();
    if (vz::current_context() != nullptr) std::abort();
    return 0;
}

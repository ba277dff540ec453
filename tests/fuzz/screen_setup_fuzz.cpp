// Screen set-up with arbitrary sizes, depths, page counts, flags and modes,
// memory-only. A screen that opens must be usable (its pages cover its size)
// and close cleanly; one that does not must leave no screen behind.

#include <cstdint>
#include <cstdlib>

#include "fuzz_input.h"
#include "fuzz_screen.h"
#include "gfx/context.h"
#include "gfx/screen/mode_table.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/shapes/ellipse.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pages.h"
#include "gfx/surface/screen_lock.h"
#include "gfx/text/text.h"

namespace {

// Requests whose pages would take more than this are skipped: they are
// valid, take the same paths as smaller ones and would only measure how fast
// the machine clears memory (one run should not clear many megabytes; a
// 16-bit clear stores pixel by pixel, which the fuzzer's coverage counters
// make some fifty times slower). A 640 x 400 x 32 screen still fits.
constexpr std::int64_t PAGE_BYTES_LIMIT = 2 << 20;

// Bytes per pixel of a requested depth; 4 for any depth that is not a
// paletted or 16-bit one.
std::int64_t pixel_bytes(std::int32_t depth) {
    if (depth == 1 || depth == 2 || depth == 4 || depth == 8) return 1;
    if (depth == 15 || depth == 16) return 2;
    return 4;
}

bool affordable(std::int64_t width, std::int64_t height, std::int64_t pages, std::int64_t bytes_per_pixel) {
    if (width <= 0 || height <= 0) return true;  // refused before any allocation
    if (pages < 1) pages = 1;
    if (width > PAGE_BYTES_LIMIT || height > PAGE_BYTES_LIMIT || pages > 64) return false;
    return width * height * bytes_per_pixel * (pages + 1) <= PAGE_BYTES_LIMIT;
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
            if (!affordable(width, height, pages, pixel_bytes(depth))) continue;
            result = vz::screen_res(width, height, depth, pages, flags, refresh);
            break;
        }
        case 1: {
            // A numbered mode's size comes from the mode table, at the depth
            // asked; a mode that does not exist is refused before any allocation.
            const std::int32_t mode = in.number();
            const vz::ModeInfo& info = vz::mode_table(mode);
            if (!affordable(info.width, static_cast<std::int64_t>(info.height) * info.scanline, pages,
                            pixel_bytes(depth))) {
                continue;
            }
            result = vz::screen_mode(mode, depth, pages, flags, refresh);
            break;
        }
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

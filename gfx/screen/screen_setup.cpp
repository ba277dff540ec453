// Screen set-up: building and tearing down the screen's context, the public
// set-up entry points and the window title.

#include "gfx/screen/screen_setup.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "gfx/context_cell.h"
#include "gfx/driver.h"
#include "gfx/drivers/blit.h"
#include "gfx/events.h"
#include "gfx/screen/driver_choice.h"
#include "gfx/screen/mode_table.h"
#include "gfx/screen/program_name.h"
#include "gfx/screen_failure.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/draw_state_serial.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock.h"
#include "gfx/text/console_hooks_fill.h"
#include "gfx/text/packed_data.h"
#include "gfx/text/palette.h"
#include "gfx/text/text.h"
#include "rt/alloc.h"
#include "rt/console.h"
#include "rt/error.h"
#include "rt/runtime.h"

namespace vz {

namespace {

constexpr std::size_t TITLE_BUFFER_SIZE = 128;
constexpr std::size_t PALETTE_ENTRIES = 256;
constexpr std::size_t PAGE_ALIGNMENT = 16;

std::int32_t g_next_id = 1;
char g_title_buffer[TITLE_BUFFER_SIZE];
const char* g_title = nullptr;
bool g_exit_registered = false;

// Pages start on a 16-byte boundary.
std::uint8_t* allocate_page(std::size_t bytes) {
    return static_cast<std::uint8_t*>(zeroed_alloc(bytes, PAGE_ALIGNMENT));
}

// The event lock lives in a zero-filled block like every other part of the
// context, so that one allocator serves the whole set-up.
std::mutex* create_event_lock() {
    void* block = zeroed_alloc(sizeof(std::mutex), alignof(std::mutex));
    return block == nullptr ? nullptr : new (block) std::mutex;
}

void destroy_event_lock(std::mutex* lock) {
    if (lock == nullptr) return;
    lock->~mutex();
    zeroed_free(lock);
}

void ensure_title() {
    if (g_title != nullptr) return;
    std::memset(g_title_buffer, 0, sizeof g_title_buffer);
    program_name(g_title_buffer, sizeof g_title_buffer);
    g_title = g_title_buffer;
}

// Frees everything the context owns and the context itself. The driver has
// already stopped, so no other thread looks at any of it.
void free_context(GfxContext* context) {
    free_text_cells(context);
    if (context->pages != nullptr) {
        for (std::int32_t i = 0; i < context->page_count; ++i) zeroed_free(context->pages[i]);
        zeroed_free(context->pages);
    }
    zeroed_free(context->device_palette);
    zeroed_free(context->colour_map);
    zeroed_free(context->attribute_map);
    zeroed_free(context->dirty);
    zeroed_free(context->key_state);
    zeroed_free(context->events);
    destroy_event_lock(context->event_lock);
    zeroed_free(context);
}

void tear_down_screen() {
    GfxContext* context = current_context();
    if (context == nullptr) return;
    // The driver's exit stops its update thread before any memory goes away.
    if (context->driver != nullptr && context->driver->exit != nullptr) context->driver->exit();
    set_current_context(nullptr);
    free_context(context);
}

bool depth_is_selectable(std::int32_t depth) {
    return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
}

constexpr const char* OUT_OF_MEMORY = "out of memory";

// The first half of building a screen, before any driver runs: the context
// fields, pages and buffers. Null on success, otherwise the reason: nothing
// could be allocated, the screen is too large or its depth is not offered.
const char* build_context(GfxContext* context, const ModeInfo& info, std::int32_t mode, std::int32_t depth,
                          std::int32_t page_count, std::int32_t flags) {
    context->id = g_next_id++;
    context->mode = mode;
    context->width = info.width;
    context->height = info.height;

    std::int32_t chosen = mode > 13 && depth_is_selectable(depth) ? depth : info.depth;
    if (flags >= 0 && (flags & SCREEN_OPENGL) != 0 && chosen < 16) chosen = 16;

    context->palette_desc = info.palette;
    context->scanline = info.scanline > 0 ? info.scanline : 1;
    context->font = info.font;
    context->aspect =
        info.aspect != 0.0f
            ? info.aspect
            : static_cast<float>(static_cast<double>(info.height) / static_cast<double>(info.width) * 4.0 / 3.0);

    if (chosen == 24 || chosen == 32) {
        context->depth = 32;
        context->colour_mask = 0xFFFFFFFFu;
    } else if (chosen == 15 || chosen == 16) {
        context->depth = 16;
        context->colour_mask = 0xFFFFu;
    } else if (chosen >= 1 && chosen <= 8) {
        context->depth = chosen;
        context->colour_mask = (1u << chosen) - 1u;
    } else {
        return "depth not offered";
    }
    context->bpp = (context->depth + 7) / 8;
    context->pitch = context->width * context->bpp;

    // Sizes in 64 bits: a screen whose pages would not fit is refused rather
    // than allocated short.
    const std::uint64_t page_bytes =
        static_cast<std::uint64_t>(context->pitch) * static_cast<std::uint64_t>(context->height);
    if (context->width <= 0 || context->height <= 0 || page_count <= 0 ||
        page_bytes * static_cast<std::uint64_t>(page_count) > MAX_SCREEN_PAGE_BYTES) {
        return "size too large";
    }

    context->pages = zeroed_array<std::uint8_t*>(static_cast<std::size_t>(page_count));
    if (context->pages == nullptr) return OUT_OF_MEMORY;
    context->page_count = page_count;
    for (std::int32_t i = 0; i < page_count; ++i) {
        context->pages[i] = allocate_page(static_cast<std::size_t>(page_bytes));
        if (context->pages[i] == nullptr) return OUT_OF_MEMORY;
    }
    context->visible_page = 0;
    context->visible_ptr = context->pages[0];

    const std::size_t dirty_bytes =
        static_cast<std::size_t>(context->height) * static_cast<std::size_t>(context->scanline);
    context->dirty = zeroed_array<std::uint8_t>(dirty_bytes);
    if (context->dirty == nullptr) return OUT_OF_MEMORY;
    context->device_palette = zeroed_array<std::uint32_t>(PALETTE_ENTRIES);
    if (context->device_palette == nullptr) return OUT_OF_MEMORY;
    context->colour_map = zeroed_array<std::uint32_t>(PALETTE_ENTRIES);
    if (context->colour_map == nullptr) return OUT_OF_MEMORY;
    context->attribute_map = zeroed_array<std::uint8_t>(ATTRIBUTE_MAP_SIZE);
    if (context->attribute_map == nullptr) return OUT_OF_MEMORY;
    context->key_state = zeroed_array<std::uint8_t>(KEY_STATE_SIZE);
    if (context->key_state == nullptr) return OUT_OF_MEMORY;
    context->events = zeroed_array<ScreenEvent>(EVENT_RING_SLOTS);
    if (context->events == nullptr) return OUT_OF_MEMORY;
    context->event_lock = create_event_lock();
    if (context->event_lock == nullptr) return OUT_OF_MEMORY;
    if (!allocate_blitter_table()) return OUT_OF_MEMORY;

    if (flags != SCREEN_FLAGS_NULL_DRIVER) {
        if ((flags & SCREEN_BLEND_DRAWING) != 0) context->flags |= CTX_BLENDING;
        if ((flags & SCREEN_OPENGL) != 0) context->flags |= CTX_OPENGL;
    }
    select_pixel_ops(context->bpp);
    // Without its fonts and default palettes a screen cannot show text or
    // colours correctly, so set-up fails rather than open one half-working.
    if (!unpack_fonts_and_palettes()) return OUT_OF_MEMORY;
    ensure_title();
    return nullptr;
}

// The second half, with the driver running: palette, text grid, drawing
// state, text cells and the cleared pages. Done under the screen lock, so
// that the update thread never sees a half-prepared page.
bool prepare_screen(GfxContext* context, const GfxDriver* driver, const ModeInfo& info) {
    context->driver = driver;
    const ScreenLockGuard lock;
    change_palette(-1, 0, 0, 0);
    context->text_cols = info.text_cols;
    context->text_rows = info.text_rows;
    const DrawState* state = get_draw_state();
    const bool cells = allocate_text_cells(context);
    if (cells) {
        const SpanFillFn fill = pixel_ops().span_fill;
        for (std::int32_t page = 0; page < context->page_count; ++page) {
            for (std::int32_t y = 0; y < context->height; ++y) {
                fill(context->pages[page] + static_cast<std::size_t>(y) * static_cast<std::size_t>(context->pitch),
                     state->bg_colour, context->width);
            }
        }
    }
    return cells;
}

}  // namespace

std::int32_t set_mode(const ModeInfo* info, std::int32_t mode, std::int32_t depth, std::int32_t page_count,
                      std::int32_t refresh_rate, std::int32_t flags) {
    if (page_count <= 0) page_count = info != nullptr ? info->pages : 1;
    if (flags >= 0 && (flags & SCREEN_SHAPED) != 0) flags |= SCREEN_NO_SWITCH | SCREEN_NO_FRAME;
    // The screen, its pages, flags and aspect are new (or gone) on every way out.
    struct AnnounceChange {
        ~AnnounceChange() { drawing_state_changed(); }
    } const announce;

    // The exit handler's close keeps the reason of the set-up that failed.
    if (flags != SCREEN_FLAGS_CLOSE_REQUEST) screen_failure_clear();
    tear_down_screen();
    free_blitter_table();

    GfxContext* context = nullptr;
    if (mode != 0 && info != nullptr && info->width != 0) {
        fill_console_hooks();
        context = zeroed_array<GfxContext>(1);
        if (context == nullptr) {
            null_console_hooks();
            screen_failure_set(OUT_OF_MEMORY);
            return set_last_error(ERR_ILLEGAL_CALL);
        }
        set_current_context(context);
    } else {
        null_console_hooks();
        if (flags != SCREEN_FLAGS_CLOSE_REQUEST) {
            runtime_width(80, 25);
            runtime_clear(CLEAR_NO_ARGUMENT);
        }
        runtime_view_print(0, 0, false);
    }

    if (context != nullptr) {
        if (const char* reason = build_context(context, *info, mode, depth, page_count, flags)) {
            screen_failure_set(reason);
            close_screen();
            return set_last_error(ERR_ILLEGAL_CALL);
        }
        const GfxDriver* driver = choose_driver(context, g_title, refresh_rate, flags);
        if (driver == nullptr) {
            screen_failure_finish_drivers();
            close_screen();
            return set_last_error(ERR_ILLEGAL_CALL);
        }
        if (!prepare_screen(context, driver, *info)) {
            screen_failure_set(OUT_OF_MEMORY);
            close_screen();
            return set_last_error(ERR_ILLEGAL_CALL);
        }
        if (!g_exit_registered) {
            g_exit_registered = true;
            at_program_exit(close_screen);
        }
    }

    if (flags != SCREEN_FLAGS_CLOSE_REQUEST) runtime_view_print(0, 0, context != nullptr);
    return set_last_error(ERR_OK);
}

std::int32_t screen_mode(std::int32_t mode, std::int32_t depth, std::int32_t page_count, std::int32_t flags,
                         std::int32_t refresh_rate) {
    if (mode < 0 || mode >= MODE_COUNT) {
        screen_failure_set("no such mode");
        return set_last_error(ERR_ILLEGAL_CALL);
    }
    std::int32_t result = ERR_OK;
    if (mode == 0) {
        result = set_mode(nullptr, 0, depth, page_count, refresh_rate, flags);
    } else {
        const ModeInfo& info = mode_table(mode);
        if (info.width == 0) {
            screen_failure_set("no such mode");
            return set_last_error(ERR_ILLEGAL_CALL);
        }
        result = set_mode(&info, mode, depth, page_count, refresh_rate, flags);
    }
    if (result == ERR_OK) screen_channel().column = 0;
    // A screen that could not be opened is reported as such, not as success.
    return set_last_error(result);
}

std::int32_t screen_mode_pages(std::int32_t mode, std::int32_t work_page, std::int32_t visible_page) {
    const std::int32_t result = screen_mode(mode, 0, 0, 0, 0);
    if (result != ERR_OK) return result;
    if ((work_page & visible_page) >= 0) return set_last_error(runtime_page_set(work_page, visible_page));
    return set_last_error(ERR_OK);
}

std::int32_t screen_res(std::int32_t width, std::int32_t height, std::int32_t depth, std::int32_t page_count,
                        std::int32_t flags, std::int32_t refresh_rate) {
    const bool depth_ok = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 15 || depth == 16 ||
                          depth == 24 || depth == 32;
    // The mode description holds 16-bit sizes: a larger size is a bad size
    // like a negative one, refused before anything is torn down, so the open
    // screen stays as it was.
    if (width <= 0 || height <= 0) {
        screen_failure_set("bad size");
        return set_last_error(ERR_ILLEGAL_CALL);
    }
    if (width > 0xFFFF || height > 0xFFFF) {
        screen_failure_set("size too large");
        return set_last_error(ERR_ILLEGAL_CALL);
    }
    if (!depth_ok) {
        screen_failure_set("depth not offered");
        return set_last_error(ERR_ILLEGAL_CALL);
    }
    ModeInfo info{};
    info.width = static_cast<std::uint16_t>(width);
    info.height = static_cast<std::uint16_t>(height);
    info.depth = static_cast<std::uint8_t>(depth);
    info.scanline = 1;
    info.pages = 1;
    info.palette = palette_desc_for(256);
    info.font = font_8x8();
    info.text_cols = static_cast<std::uint16_t>(width / 8);
    info.text_rows = static_cast<std::uint16_t>(height / 8);
    info.aspect = 1.0f;
    const std::int32_t result = set_mode(&info, -1, depth, page_count, refresh_rate, flags);
    if (result == ERR_OK) screen_channel().column = 0;
    return result;
}

void set_screen_title(const char* text) {
    // A running driver was handed this buffer as its title and its update
    // thread reads it when it (re)creates the window, inside its pass under
    // the driver lock; the screen lock keeps the rewrite out of such a pass.
    {
        const ScreenLockGuard lock;
        std::memset(g_title_buffer, 0, sizeof g_title_buffer);
        if (text != nullptr) {
            const std::size_t length = std::strlen(text);
            std::memcpy(g_title_buffer, text, length < TITLE_BUFFER_SIZE - 1 ? length : TITLE_BUFFER_SIZE - 1);
        }
        g_title = g_title_buffer;
    }
    const GfxContext* context = current_context();
    if (context != nullptr && context->driver != nullptr && context->driver->set_window_title != nullptr) {
        context->driver->set_window_title(g_title_buffer);
    }
}

const char* screen_title() {
    ensure_title();
    return g_title;
}

void close_screen() {
    if (current_context() != nullptr) set_mode(nullptr, 0, 0, 0, 0, SCREEN_FLAGS_CLOSE_REQUEST);
}

}  // namespace vz

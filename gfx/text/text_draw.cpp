// Text output on the graphics screen: printing through the layout engine,
// glyph drawing, window scrolling and the owed line feed.

#include <cstring>

#include "gfx/context.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock.h"
#include "gfx/text/text.h"
#include "gfx/text/text_grid.h"
#include "gfx/text/text_layout.h"
#include "rt/console.h"

namespace vz {

namespace {

constexpr std::uint32_t OPAQUE_BLACK = 0xFF000000u;
constexpr std::uint8_t CURSOR_BAR = 255;
constexpr std::uint8_t UNPRINTABLE = '?';

TextOwner& owner_of(TextLayout* layout) { return *static_cast<TextOwner*>(layout->owner); }

void extend_dirty(TextOwner& owner, std::int32_t first, std::int32_t end) {
    if (owner.dirty_first == owner.dirty_end) {
        owner.dirty_first = first;
        owner.dirty_end = end;
        return;
    }
    if (first < owner.dirty_first) owner.dirty_first = first;
    if (end > owner.dirty_end) owner.dirty_end = end;
}

}  // namespace

void scroll_text_window(TextLayout* layout, std::int32_t left, std::int32_t top, std::int32_t right,
                        std::int32_t bottom, std::int32_t lines) {
    GfxContext* context = current_context();
    TextOwner& owner = owner_of(layout);
    DrawState* state = owner.state;
    const std::int32_t fw = context->font->width;
    const std::int32_t fh = context->font->height;
    const std::int32_t w = right - left + 1;
    const std::int32_t h = bottom - top + 1;

    // Pixels: move the window's lines up and clear what is uncovered.
    const std::int32_t first = top * fh;
    const std::int32_t end = (bottom + 1) * fh;
    const std::int64_t shift64 = static_cast<std::int64_t>(lines) * fh;
    if (shift64 != 0) {
        const std::size_t x_offset =
            static_cast<std::size_t>(left) * static_cast<std::size_t>(fw) * static_cast<std::size_t>(state->bpp);
        std::int32_t clear_from = first;
        if (shift64 > 0 && shift64 < end - first) {
            const std::int32_t shift = static_cast<std::int32_t>(shift64);
            const RowCopyFn row_copy = pixel_ops().row_copy;
            for (std::int32_t k = 0; k < end - first - shift; ++k) {
                row_copy(state->lines[first + k] + x_offset, state->lines[first + shift + k] + x_offset, w * fw);
            }
            clear_from = end - shift;
        }
        for (std::int32_t y = clear_from; y < end; ++y) {
            state->span_fill(state->lines[y] + x_offset, state->bg_colour, w * fw);
        }
        extend_dirty(owner, first, end);
    }

    // Cells of the work page.
    if (TextCell* cells = work_page_cells(context, state)) {
        const std::size_t cols = static_cast<std::size_t>(context->text_cols);
        auto row_at = [&](std::int32_t row) {
            return cells + static_cast<std::size_t>(row) * cols + static_cast<std::size_t>(left);
        };
        std::int32_t clear_from = top;
        if (lines >= 0 && lines < h) {
            for (std::int32_t k = 0; k < h - lines; ++k) {
                std::memmove(row_at(top + k), row_at(top + lines + k), static_cast<std::size_t>(w) * sizeof(TextCell));
            }
            clear_from = top + h - lines;
        }
        for (std::int32_t row = clear_from; row <= bottom; ++row) {
            blank_cells(row_at(row), w, state->fg_colour, state->bg_colour);
        }
    }
    layout->row = bottom;
}

std::int32_t draw_text_run(TextLayout* layout, const std::uint8_t* bytes, std::int32_t count) {
    GfxContext* context = current_context();
    TextOwner& owner = owner_of(layout);
    DrawState* state = owner.state;
    const FontDesc* font = context->font;
    const std::int32_t fw = font->width;
    const std::int32_t fh = font->height;
    const std::int32_t row_bytes = (fw + 7) / 8;
    const std::int32_t y = layout->row * fh;
    std::int32_t x = layout->col * fw;
    const std::uint32_t fg = state->fg_colour;
    const std::uint32_t bg = state->bg_colour;

    if (count == 1 && bytes[0] == CURSOR_BAR) {
        // A lone 255 is the cursor bar: only the cell's bottom pixel row.
        for (std::int32_t i = 0; i < fw; ++i) state->put_pixel(state, x + i, y + fh - 1, fg);
    } else {
        for (std::int32_t n = 0; n < count; ++n) {
            const std::uint8_t* glyph =
                font->glyphs + static_cast<std::size_t>(bytes[n]) * static_cast<std::size_t>(fh * row_bytes);
            for (std::int32_t r = 0; r < fh; ++r) {
                const std::uint8_t* line = glyph + static_cast<std::size_t>(r * row_bytes);
                for (std::int32_t i = 0; i < fw; ++i) {
                    const bool set = (line[i / 8] >> (i % 8)) & 1;
                    state->put_pixel(state, x + i, y + r, set ? fg : bg);
                }
            }
            x += fw;
        }
    }
    extend_dirty(owner, y, y + fh);

    if (TextCell* cells = work_page_cells(context, state)) {
        TextCell* cell = cells + static_cast<std::size_t>(layout->row) * static_cast<std::size_t>(context->text_cols) +
                         static_cast<std::size_t>(layout->col);
        for (std::int32_t n = 0; n < count; ++n) cell[n] = TextCell{bytes[n], fg, bg};
    }
    return 1;
}

void print_text(const std::uint8_t* bytes, std::int32_t length, std::int32_t flags) {
    if (length < 0) length = 0;
    if (length == 0 && (flags & PRINT_EVEN_IF_EMPTY) == 0) return;
    GfxContext* context = current_context();
    if (context == nullptr || context->font == nullptr || context->font->glyphs == nullptr) return;
    if (context->text_cols <= 0 || context->text_rows <= 0) return;
    if (bytes == nullptr) length = 0;

    DrawState* state = get_draw_state();
    set_target(state, nullptr);
    choose_draw_ops(state, OPAQUE_BLACK);
    screen_lock();

    const TextWindow window = resolve_text_window(context);
    TextOwner owner{state, 0, 0};
    TextLayout layout{&owner,        scroll_text_window, draw_text_run,    0, window.top, context->text_cols - 1,
                      window.bottom, context->cursor_x,  context->cursor_y};

    if ((context->flags & CTX_OWED_LINE_FEED) != 0) {
        context->flags &= ~CTX_OWED_LINE_FEED;
        layout.row += 1;
        layout.col = layout.left;
        scroll_to_cursor(layout);
    }

    layout_text(layout, bytes, length, 1);

    if (layout.col == layout.left && layout.row == layout.bottom + 1) {
        // The text ended exactly at the end of the window's last row: owe the
        // line feed instead of scrolling the last line away now.
        context->flags |= CTX_OWED_LINE_FEED;
        layout.col = layout.right;
        layout.row = layout.bottom;
    } else {
        scroll_to_cursor(layout);
    }
    context->cursor_x = layout.col;
    context->cursor_y = layout.row;

    unlock_after_drawing(state, owner.dirty_first, static_cast<std::int64_t>(owner.dirty_end) - 1);
}

void print_wide_text(const std::uint16_t* units, std::int32_t length, std::int32_t flags) {
    if (units == nullptr || length < 0) length = 0;
    // Converted in pieces through a fixed buffer: printing consecutive pieces
    // gives the same screen as one call, and nothing is allocated.
    std::uint8_t bytes[TEXT_BATCH_BYTES];
    std::int32_t count = 0;
    bool printed = false;
    for (std::int32_t i = 0; i < length; ++i) {
        const std::uint16_t unit = units[i];
        if (unit < 256) {
            bytes[count++] = static_cast<std::uint8_t>(unit);
        } else {
            // A surrogate pair stands for one character outside the code page.
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length) ++i;
            bytes[count++] = UNPRINTABLE;
        }
        if (count == TEXT_BATCH_BYTES) {
            print_text(bytes, count, flags);
            printed = true;
            count = 0;
        }
    }
    if (count > 0 || !printed) print_text(bytes, count, flags);
}

}  // namespace vz

// Text-cell buffers, cursor and grid operations, clear and cell reading.

#include "gfx/text/text.h"

#include "gfx/context.h"
#include "gfx/shapes/lines.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock.h"
#include "gfx/text/packed_data.h"
#include "gfx/text/text_grid.h"
#include "gfx/text/view.h"
#include "rt/alloc.h"
#include "rt/console.h"

namespace vz {

namespace {

constexpr std::uint8_t BLANK = 32;

void free_cell_buffers(TextCell** buffers, std::int32_t count) {
    if (buffers == nullptr) return;
    for (std::int32_t i = 0; i < count; ++i) zeroed_free(buffers[i]);
    zeroed_free(buffers);
}

// Fills page lines first ... end - 1 of the state's target with bg_colour.
void fill_lines(DrawState* state, std::int32_t x, std::int32_t width, std::int32_t first, std::int32_t end) {
    if (width <= 0) return;
    const std::size_t offset = static_cast<std::size_t>(x) * static_cast<std::size_t>(state->bpp);
    for (std::int32_t y = first; y < end; ++y) state->span_fill(state->lines[y] + offset, state->bg_colour, width);
}

}  // namespace

TextWindow resolve_text_window(const GfxContext* context) {
    const std::int32_t rows = context->text_rows;
    if (rows <= 0) return {0, -1};  // no grid: an empty window
    std::int32_t top = text_window_top();
    std::int32_t bottom = text_window_bottom();
    if (top < 0) top = 0;
    if (bottom < 0) bottom = rows - 1;
    if (bottom > rows - 1) bottom = rows - 1;
    if (top > bottom) top = bottom;
    return {top, bottom};
}

TextCell* work_page_cells(const GfxContext* context, const DrawState* state) {
    if (context->text_cells == nullptr) return nullptr;
    const std::int32_t page = state->work_page;
    if (page < 0 || page >= context->page_count) return nullptr;
    return context->text_cells[page];
}

void blank_cells(TextCell* cells, std::int32_t count, std::uint32_t fg, std::uint32_t bg) {
    for (std::int32_t i = 0; i < count; ++i) cells[i] = TextCell{BLANK, fg, bg};
}

bool allocate_text_cells(GfxContext* context) {
    if (context == nullptr || context->page_count <= 0) return false;
    const std::int32_t cols = context->text_cols > 0 ? context->text_cols : 0;
    const std::int32_t rows = context->text_rows > 0 ? context->text_rows : 0;
    const std::size_t cells = static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows);
    // Build the new buffers completely before giving up the old ones, so that
    // running out of memory leaves the previous grid intact.
    auto** buffers = zeroed_array<TextCell*>(static_cast<std::size_t>(context->page_count));
    if (buffers == nullptr) return false;
    for (std::int32_t i = 0; i < context->page_count; ++i) {
        buffers[i] = zeroed_array<TextCell>(cells > 0 ? cells : 1);
        if (buffers[i] == nullptr) {
            free_cell_buffers(buffers, context->page_count);
            return false;
        }
    }
    free_cell_buffers(context->text_cells, context->page_count);
    context->text_cells = buffers;
    const DrawState* state = get_draw_state();
    if (TextCell* work = work_page_cells(context, state)) {
        blank_cells(work, static_cast<std::int32_t>(cells), state->fg_colour, state->bg_colour);
    }
    return true;
}

void free_text_cells(GfxContext* context) {
    if (context == nullptr) return;
    free_cell_buffers(context->text_cells, context->page_count);
    context->text_cells = nullptr;
}

std::int32_t set_text_pos(std::int32_t row, std::int32_t column, std::int32_t /*visibility*/) {
    GfxContext* context = current_context();
    if (context == nullptr) return 0;
    context->flags &= ~CTX_OWED_LINE_FEED;
    // 0 or less keeps the value (compared before subtracting, so that the
    // most negative argument cannot overflow).
    if (row >= 1) context->cursor_y = row - 1;
    if (column >= 1) context->cursor_x = column - 1;
    screen_channel().column = context->cursor_x;
    return ((context->cursor_y & 0xFF) * 256 + (context->cursor_x & 0xFF)) + 257;
}

std::int32_t get_text_col() {
    const GfxContext* context = current_context();
    return context == nullptr ? 0 : context->cursor_x + 1;
}

std::int32_t get_text_row() {
    const GfxContext* context = current_context();
    return context == nullptr ? 0 : context->cursor_y + 1;
}

void get_text_pos(std::int32_t* col, std::int32_t* row) {
    const GfxContext* context = current_context();
    if (col != nullptr) *col = context == nullptr ? 0 : context->cursor_x + 1;
    if (row != nullptr) *row = context == nullptr ? 0 : context->cursor_y + 1;
}

void get_text_size(std::int32_t* cols, std::int32_t* rows) {
    const GfxContext* context = current_context();
    if (cols != nullptr) *cols = context == nullptr ? 0 : context->text_cols;
    if (rows != nullptr) *rows = context == nullptr ? 0 : context->text_rows;
}

std::int32_t set_text_size(std::int32_t columns, std::int32_t rows) {
    GfxContext* context = current_context();
    if (context == nullptr) return 0;
    const std::int32_t previous = context->text_rows * 65536 + context->text_cols;
    if (columns <= 0 && rows <= 0) return previous;

    std::int32_t cell_width = 0;
    std::int32_t cell_height = 0;
    if (columns > 0) {
        cell_width = context->width / columns;
    } else {
        columns = context->text_cols;
        cell_width = context->font != nullptr ? context->font->width : 0;
    }
    if (rows > 0) {
        cell_height = context->height / rows;
    } else {
        rows = context->text_rows;
        cell_height = context->font != nullptr ? context->font->height : 0;
    }
    const FontDesc* font = nullptr;
    if (cell_width == 8) {
        if (cell_height == 8) font = font_8x8();
        if (cell_height == 14) font = font_8x14();
        if (cell_height == 16) font = font_8x16();
    }
    if (font == nullptr) return previous;

    const std::int32_t old_cols = context->text_cols;
    const std::int32_t old_rows = context->text_rows;
    context->text_cols = columns;
    context->text_rows = rows;
    if (!allocate_text_cells(context)) {
        // Out of memory: the old grid and its buffers stay as they were.
        context->text_cols = old_cols;
        context->text_rows = old_rows;
        return previous;
    }
    context->font = font;
    set_view(VIEW_NO_COORDINATE, VIEW_NO_COORDINATE, VIEW_NO_COORDINATE, VIEW_NO_COORDINATE, 0, 0, 0);
    runtime_view_print(0, 0, false);
    clear(0);
    return previous;
}

void clear(std::int32_t mode) {
    GfxContext* context = current_context();
    if (context == nullptr) return;
    DrawState* state = get_draw_state();
    set_target(state, nullptr);
    choose_draw_ops(state, state->bg_colour);
    screen_lock();

    const TextWindow window = resolve_text_window(context);
    if (mode == CLEAR_NO_ARGUMENT) {
        if ((state->state_flags & DS_VIEW_SET) != 0) {
            mode = 1;
        } else if (window.top == 0 && window.bottom == context->text_rows - 1) {
            mode = 0;
        } else {
            mode = 2;
        }
    }

    const std::int32_t fh = context->font != nullptr ? context->font->height : 8;
    std::int32_t first = 0;
    std::int32_t end = 0;
    TextCell* cells = work_page_cells(context, state);
    if (mode == 0) {
        first = 0;
        end = context->height;
        fill_lines(state, 0, context->width, first, end);
        if (cells != nullptr) {
            blank_cells(cells, context->text_cols * context->text_rows, state->fg_colour, state->bg_colour);
        }
        set_text_pos(window.top + 1, 1, 0);
    } else if (mode == 2) {
        first = window.top * fh;
        end = (window.bottom + 1) * fh;
        if (end > context->height) end = context->height;
        fill_lines(state, 0, context->width, first, end);
        if (cells != nullptr) {
            const std::int32_t rows = window.bottom - window.top + 1;
            blank_cells(cells + static_cast<std::size_t>(window.top) * static_cast<std::size_t>(context->text_cols),
                        rows * context->text_cols, state->fg_colour, state->bg_colour);
        }
        set_text_pos(window.top + 1, 1, 0);
    } else {
        first = state->view_y;
        end = state->view_y + state->view_h;
        fill_lines(state, state->view_x, state->view_w, first, end);
    }
    if (mode == 0 || mode == 1) {
        state->last_x = static_cast<float>(state->view_x + state->view_w / 2);
        state->last_y = static_cast<float>(state->view_y + state->view_h / 2);
    }
    unlock_after_drawing(state, first, static_cast<std::int64_t>(end) - 1);
}

std::int32_t read_cell(std::int32_t column, std::int32_t row, std::int32_t what) {
    const GfxContext* context = current_context();
    if (context == nullptr) return 0;
    if (column < 1 || column > context->text_cols || row < 1 || row > context->text_rows) return 0;
    const TextCell* cells = work_page_cells(context, get_draw_state());
    if (cells == nullptr) return 0;
    const TextCell& cell = cells[static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(context->text_cols) +
                                 static_cast<std::size_t>(column - 1)];
    if (what == 0) return cell.ch;
    std::uint32_t value = 0;
    if (context->depth <= 4) {
        value = cell.fg + cell.bg * 16;
    } else if (context->depth <= 8) {
        value = cell.fg + cell.bg * 256;
    } else if (context->depth == 16) {
        value = expand_rgb565(what == 2 ? cell.bg : cell.fg);
    } else {
        value = what == 2 ? cell.bg : cell.fg;
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace vz

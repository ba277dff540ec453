// The print engine: control bytes, batching, wrapping and the scroll that a
// line feed on the window's last row causes.

#include "gfx/text/text_layout.h"

namespace vz {

namespace {

constexpr std::uint8_t BELL = 7;
constexpr std::uint8_t BACKSPACE = 8;
constexpr std::uint8_t TAB = 9;
constexpr std::uint8_t LINE_FEED = 10;
constexpr std::uint8_t CARRIAGE_RETURN = 13;
constexpr std::int32_t TAB_WIDTH = 8;

struct Batch {
    explicit Batch(TextLayout& target) : layout(target) {}

    TextLayout& layout;
    std::uint8_t bytes[TEXT_BATCH_BYTES];
    std::int32_t count = 0;
    bool moved = false;

    void flush() {
        if (count > 0) write_wrapped(layout, bytes, count);
        count = 0;
        moved = false;
    }
    void add(std::uint8_t b) {
        if (count == TEXT_BATCH_BYTES) flush();
        bytes[count++] = b;
    }
    // A cursor move: the pending bytes are drawn first, at the old position,
    // then `change` moves the cursor.
    template <typename Change>
    void move(Change change) {
        flush();
        change(layout);
        moved = true;
    }
    // The column the cursor will have once the pending bytes are drawn.
    std::int32_t column_after_pending() const {
        const std::int32_t width = layout.right - layout.left + 1;
        const std::int32_t offset = layout.col - layout.left;
        if (width <= 0 || offset < 0) return layout.col;
        return layout.left + static_cast<std::int32_t>((static_cast<std::int64_t>(offset) + count) % width);
    }
};

}  // namespace

void scroll_to_cursor(TextLayout& layout) {
    if (layout.bottom != -1 && layout.row > layout.bottom) {
        layout.scroll(&layout, layout.left, layout.top, layout.right, layout.bottom, layout.row - layout.bottom);
    }
}

void write_wrapped(TextLayout& layout, const std::uint8_t* bytes, std::int32_t count) {
    while (count > 0) {
        if (layout.col < layout.left || layout.col > layout.right) {
            // A cursor outside the columns (placed there directly): continue
            // at the start of the next row rather than draw outside the grid.
            layout.col = layout.left;
            layout.row += 1;
        }
        const std::int32_t room = layout.right - layout.col + 1;
        const std::int32_t run = count < room ? count : room;
        scroll_to_cursor(layout);
        if (layout.write(&layout, bytes, run) != 1) return;
        bytes += run;
        count -= run;
        layout.col += run;
        if (layout.col == layout.right + 1) {
            layout.col = layout.left;
            layout.row += 1;
        }
    }
}

void layout_text(TextLayout& layout, const std::uint8_t* bytes, std::int32_t count, std::int32_t lf_returns) {
    Batch batch(layout);
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint8_t b = bytes[i];
        switch (b) {
        case BELL:
            sound_text_bell();
            break;
        case BACKSPACE:
            // Never past the left column, never back to the previous row.
            batch.move([](TextLayout& l) {
                if (l.col > l.left) l.col -= 1;
            });
            break;
        case TAB: {
            const std::int32_t x = batch.column_after_pending() - layout.left;
            const std::int32_t spaces = ((x + TAB_WIDTH) & ~(TAB_WIDTH - 1)) - x;
            for (std::int32_t s = 0; s < spaces; ++s) batch.add(' ');
            break;
        }
        case LINE_FEED:
            batch.move([lf_returns](TextLayout& l) {
                l.row += 1;
                if (lf_returns != 0) l.col = l.left;
            });
            break;
        case CARRIAGE_RETURN:
            batch.move([](TextLayout& l) { l.col = l.left; });
            break;
        default:
            batch.add(b);
            break;
        }
    }
    if (batch.count > 0) {
        batch.flush();
    } else if (batch.moved) {
        scroll_to_cursor(layout);
    }
}

}  // namespace vz

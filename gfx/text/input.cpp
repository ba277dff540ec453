// Line input on the graphics screen: a small block-cursor editor over the key
// queue, and the prompt-and-read entries that hand the reading to the
// runtime's own line editor.

#include "gfx/text/input.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "gfx/context.h"
#include "gfx/text/text.h"
#include "rt/console.h"
#include "rt/error.h"
#include "rt/key_codes.h"
#include "rt/line_editor.h"

namespace vz {

namespace {

// The cursor is the full block of code page 437. After a backspace the block
// is printed followed by a blank, which both moves the block back one cell
// and erases the old one.
constexpr std::uint8_t CURSOR_BLOCK[] = {219, 0};
constexpr std::uint8_t CURSOR_BLOCK_AND_SPACE[] = {219, 32, 0};
constexpr std::uint8_t BLANK[] = {32, 0};
constexpr std::uint8_t NOTHING[] = {0};

void print_bytes(const std::uint8_t* bytes, std::int32_t length) { print_text(bytes, length, 0); }

// One cell back, into the previous row's last column at the start of a row.
// Printing into the text window's last cell does not move the cursor: it
// stays on that cell with the line feed owed. Stepping back from there only
// drops the owed line feed, so the cursor sits on the cell just printed;
// otherwise the next character would land at the start of a new row and the
// scroll would carry the block left in the corner up with it.
void step_back(GfxContext* context) {
    if ((context->flags & CTX_OWED_LINE_FEED) != 0) {
        context->flags &= ~CTX_OWED_LINE_FEED;
        return;
    }
    context->cursor_x -= 1;
    if (context->cursor_x < 0) {
        context->cursor_y -= 1;
        context->cursor_x = context->text_cols - 1;
    }
}

// Stores `line` into a text value. A positive size makes it a fixed-length
// text of that many bytes: longer lines are cut, and with `fill` set shorter
// ones are padded with blanks. False when memory ran out.
bool assign_line(RtText& destination, std::string_view line, std::int32_t size, std::int32_t fill) {
    if (size <= 0) return rt_text_assign(destination, line);
    const auto room = static_cast<std::size_t>(size);
    std::string fixed(line.substr(0, std::min(line.size(), room)));
    if (fill != 0) fixed.resize(room, ' ');
    return rt_text_assign(destination, fixed);
}

}  // namespace

std::uint8_t* read_text(std::uint8_t* buffer, std::int32_t size) {
    GfxContext* context = current_context();
    if (context == nullptr) return nullptr;
    // Without room for even the terminating 0 nothing can be stored.
    if (buffer == nullptr || size < 1) return buffer;

    std::int32_t count = 0;
    bool block_and_space = false;
    for (;;) {
        if (block_and_space) {
            print_bytes(CURSOR_BLOCK_AND_SPACE, 2);
            step_back(context);
            block_and_space = false;
        } else {
            print_bytes(CURSOR_BLOCK, 1);
        }
        step_back(context);  // the cursor now sits on the block

        const std::int32_t key = runtime_wait_key();
        if (key > 255 || key == KEY_CODE_BELL) continue;

        if (key == KEY_CODE_BACKSPACE) {
            if (count > 0) {
                step_back(context);
                --count;
                if (context->cursor_y < 0) {
                    context->cursor_x = 0;
                    context->cursor_y = 0;
                } else {
                    block_and_space = true;
                }
            }
            continue;
        }

        if (count >= size - 1) {
            // Full: only the carriage return still ends the input; the block stays.
            if (key == KEY_CODE_ENTER) break;
            continue;
        }

        if (key == KEY_CODE_ENTER) {
            print_bytes(BLANK, 1);
            step_back(context);
        }
        const std::uint8_t byte[2] = {static_cast<std::uint8_t>(static_cast<std::uint32_t>(key) & 0xFFu), 0};
        buffer[count++] = byte[0];
        print_bytes(byte, 1);
        if (key == KEY_CODE_ENTER) break;
    }
    buffer[count] = 0;
    return buffer;
}

std::int32_t read_line(const RtText* prompt, RtText* destination, std::int32_t size, std::int32_t fill,
                       std::int32_t question, std::int32_t line_end) {
    // Carries out a line feed owed by earlier output.
    print_text(NOTHING, 0, PRINT_EVEN_IF_EMPTY);
    if (prompt != nullptr) {
        if (!prompt->empty()) runtime_print_text(prompt->view(), 0);
        if (question != 0) runtime_print_text("? ", 0);
    }

    RtText line;
    const bool got_line = runtime_line_editor(line);
    if (line_end != 0) runtime_print_text("", PRINT_NEW_LINE);
    if (!got_line) return set_last_error(ERR_OUT_OF_MEMORY);

    if (destination != nullptr && !assign_line(*destination, line.view(), size, fill)) {
        return set_last_error(ERR_OUT_OF_MEMORY);
    }
    return set_last_error(ERR_OK);
}

std::int32_t read_wide_line(const std::uint16_t* prompt, std::int32_t prompt_length, std::uint16_t* destination,
                            std::int32_t size, std::int32_t question, std::int32_t line_end) {
    print_text(NOTHING, 0, PRINT_EVEN_IF_EMPTY);
    if (prompt != nullptr) {
        if (prompt_length > 0) print_wide_text(prompt, prompt_length, 0);
        if (question != 0) runtime_print_text("? ", 0);
    }

    RtText line;
    const bool got_line = runtime_line_editor(line);
    if (line_end != 0) runtime_print_text("", PRINT_NEW_LINE);
    if (!got_line) return set_last_error(ERR_OUT_OF_MEMORY);

    // Bytes widen to the 16-bit units of the same value; the text is cut to
    // `size` units and terminated with 0 when there is room.
    if (destination != nullptr && size > 0) {
        const std::string_view bytes = line.view();
        const auto room = static_cast<std::size_t>(size);
        const std::size_t n = std::min(bytes.size(), room);
        for (std::size_t i = 0; i < n; ++i) {
            destination[i] = static_cast<std::uint8_t>(bytes[i]);
        }
        if (n < room) destination[n] = 0;
    }
    return set_last_error(ERR_OK);
}

}  // namespace vz

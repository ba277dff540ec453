// The runtime's line editor. Keys come through runtime_wait_key, so on a
// graphics screen they are the screen's keys and on the text console the
// console's; typing is echoed through the print path. Editing keys:
// backspace removes the last character, Escape removes the whole line,
// Enter (13) or a line feed (10) ends the line; extended keys are ignored.
// A line feed straight after a line ended by a carriage return is the second
// half of a CR LF pair and is skipped.

#include <new>
#include <string>

#include "rt/console.h"
#include "rt/console_backend.h"
#include "rt/console_hooks.h"
#include "rt/key_codes.h"
#include "rt/line_editor.h"

namespace vz {

namespace {

// Set when the last line ended with a carriage return.
bool g_last_line_ended_by_cr = false;

bool is_extended(std::int32_t code) { return code > 255 || code < -128; }

}  // namespace

bool runtime_line_editor(RtText& line) {
    // Piped console input is not echoed: nobody is typing it.
    const bool echo = console_hooks().wait_key != nullptr || console_input_is_interactive();
    runtime_print_text({}, 0);  // prints nothing; sets the screen channel up
    const std::int32_t start_column = screen_channel().column;
    std::string typed;
    bool skip_line_feed = g_last_line_ended_by_cr;
    g_last_line_ended_by_cr = false;

    // Backspace echo moves the cursor left; the channel's column follows the
    // characters still on the line.
    auto fix_column = [&] {
        ScreenChannel& channel = screen_channel();
        std::int64_t column = static_cast<std::int64_t>(start_column) + static_cast<std::int64_t>(typed.size());
        if (channel.line_width > 0) column %= channel.line_width;
        channel.column = static_cast<std::int32_t>(column);
    };
    auto erase_last = [&] {
        typed.pop_back();
        if (echo) {
            runtime_print_text("\b \b", 0);
            fix_column();
        }
    };

    for (;;) {
        const std::int32_t code = runtime_wait_key();
        if (code == 0) {
            // End of input: a last line without its line end still counts.
            if (typed.empty()) return false;
            break;
        }
        if (code == KEY_CODE_LINE_FEED && skip_line_feed) {
            skip_line_feed = false;
            continue;
        }
        skip_line_feed = false;
        if (is_extended(code)) continue;
        if (code == KEY_CODE_ENTER || code == KEY_CODE_LINE_FEED) {
            g_last_line_ended_by_cr = code == KEY_CODE_ENTER;
            break;
        }
        if (code == KEY_CODE_BACKSPACE) {
            if (!typed.empty()) erase_last();
            continue;
        }
        if (code == KEY_CODE_ESCAPE) {
            while (!typed.empty()) erase_last();
            continue;
        }
        const char byte = static_cast<char>(static_cast<std::uint8_t>(code & 0xFF));
        try {
            typed.push_back(byte);
        } catch (const std::bad_alloc&) {
            return false;
        }
        if (echo) runtime_print_text(std::string_view(&byte, 1), 0);
    }
    return rt_text_assign(line, typed);
}

}  // namespace vz

// Prints the code of every key pressed, with its name where it has one;
// Escape or closing the window ends it. `keys --frame FILE` saves the first
// picture instead.

#include <cstdio>
#include <cstring>

#include <vzgfx/vzgfx.h>

using namespace vzgfx;

namespace {

const char* key_name(std::int32_t code) {
    switch (code) {
    case KEY_ENTER:
        return "Enter";
    case KEY_ESCAPE:
        return "Escape";
    case KEY_BACKSPACE:
        return "Backspace";
    case KEY_TAB:
        return "Tab";
    case KEY_UP:
        return "Up";
    case KEY_DOWN:
        return "Down";
    case KEY_LEFT:
        return "Left";
    case KEY_RIGHT:
        return "Right";
    case KEY_CLOSE:
        return "window closed";
    default:
        break;
    }
    if (code >= KEY_F1 && code <= KEY_F1 + 9 * 256 && (code & 0xFF) == 0xFF) return "a function key";
    return code < 256 ? "a character" : "an extended key";
}

}  // namespace

int main(int argc, char** argv) {
    Screen screen = Screen::open(320, 200, 32, {.title = "keys"});
    if (!screen) return 1;
    print_line("Press keys; Escape ends.");
    if (argc == 3 && std::strcmp(argv[1], "--frame") == 0) return save_frame(argv[2]);

    for (;;) {
        const std::int32_t code = wait_key();
        char line[64];
        std::snprintf(line, sizeof line, "%6d = 0x%04X  %s", code, static_cast<unsigned>(code), key_name(code));
        print_line(line);
        if (code == KEY_ESCAPE || code == KEY_CLOSE) return 0;
    }
}

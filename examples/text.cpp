// Text on the graphics screen: the cell grid, positions, colours and the
// code page 437 characters. `text --frame FILE` saves the picture instead of
// waiting for a key.

#include <cstdio>
#include <cstring>

#include <vzgfx/vzgfx.h>

using namespace vzgfx;

int main(int argc, char** argv) {
    Screen screen = Screen::open(320, 200, 32, {.title = "text"});
    if (!screen) return 1;

    char size[64];
    std::snprintf(size, sizeof size, "%d x %d cells of 8 x 8 pixels", screen.text_columns(), screen.text_rows());
    print_line(size);
    set_text_colours(rgb(255, 255, 0), rgb(0, 0, 160));
    locate(3, 5);
    print("yellow on blue at row 3, column 5");
    set_text_colours(rgb(255, 255, 255), rgb(0, 0, 0));
    locate(5, 1);
    // Code page 437: box drawing and a few of its other characters.
    print("\xC9\xCD\xCD\xCD\xBB \x03 \x04 \x05 \x06 \xE0\xE1\xE2\xE3");
    locate(6, 1);
    print("\xC8\xCD\xCD\xCD\xBC");
    locate(25, 1);
    print("the last row");

    if (argc == 3 && std::strcmp(argv[1], "--frame") == 0) return save_frame(argv[2]);
    wait_key();
    return 0;
}

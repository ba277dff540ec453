// The guide's first program: a window with a greeting, a circle and a box,
// open until a key is pressed. `hello --frame FILE` saves the picture and
// ends at once instead (the tests run it so).

#include <cstring>

#include <vzgfx/vzgfx.h>

int main(int argc, char** argv) {
    vzgfx::Screen screen = vzgfx::Screen::open(320, 200, 32, {.title = "hello"});
    if (!screen) return 1;  // vzgfx::Screen::failure() says why

    vzgfx::locate(2, 3);
    vzgfx::print("Hello from vzgfx!");
    vzgfx::circle(160, 110, 50, vzgfx::rgb(255, 200, 0), {.filled = true});
    vzgfx::box(20, 40, 300, 180, vzgfx::rgb(80, 160, 255));

    if (argc == 3 && std::strcmp(argv[1], "--frame") == 0) return vzgfx::save_frame(argv[2]);
    vzgfx::wait_key();
    return 0;
}

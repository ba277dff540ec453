// Follows the mouse: a cross where the pointer is and the buttons held;
// "no mouse" while the pointer is outside the window. Any key ends it.
// `mouse --frame FILE` saves the first picture instead.

#include <cstdio>
#include <cstring>

#include <vzgfx/vzgfx.h>

using namespace vzgfx;

namespace {

void draw(const Mouse* mouse) {
    const FrameLock frame;  // the window shows each picture whole
    clear();
    if (mouse == nullptr) {
        print("no mouse");
        return;
    }
    char text[48];
    std::snprintf(text, sizeof text, "x %d y %d buttons %d", mouse->x, mouse->y, mouse->buttons);
    print(text);
    const auto x = static_cast<float>(mouse->x);
    const auto y = static_cast<float>(mouse->y);
    line(x - 8, y, x + 8, y, rgb(255, 255, 255));
    line(x, y - 8, x, y + 8, rgb(255, 255, 255));
    if (mouse->buttons != 0) circle(x, y, 12, rgb(255, 0, 0));
}

}  // namespace

int main(int argc, char** argv) {
    Screen screen = Screen::open(320, 200, 32, {.title = "mouse"});
    if (!screen) return 1;
    Mouse mouse;
    draw(read_mouse(mouse) ? &mouse : nullptr);
    if (argc == 3 && std::strcmp(argv[1], "--frame") == 0) return save_frame(argv[2]);

    while (!key_waiting()) {
        draw(read_mouse(mouse) ? &mouse : nullptr);
        sleep(20);
    }
    return 0;
}

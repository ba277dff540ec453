// Every shape with its options: circles outlined, filled and squashed, an arc
// and a pie slice, lines in three patterns, boxes and points.
// `shapes --frame FILE` saves the picture instead of waiting for a key.

#include <cstring>
#include <numbers>

#include <vzgfx/vzgfx.h>

using namespace vzgfx;

int main(int argc, char** argv) {
    Screen screen = Screen::open(320, 200, 32, {.title = "shapes"});
    if (!screen) return 1;
    constexpr float PI = std::numbers::pi_v<float>;

    circle(40, 40, 30, rgb(255, 80, 80));
    circle(110, 40, 30, rgb(80, 255, 80), {.filled = true});
    circle(180, 40, 30, rgb(80, 80, 255), {.filled = true, .aspect = 0.5f});
    arc(250, 40, 30, 0, PI, rgb(255, 255, 255));
    arc(250, 50, 20, PI / 4, 3 * PI / 2, rgb(255, 200, 0), {.pie = true});

    line(10, 100, 310, 100, rgb(200, 200, 200));
    line(10, 110, 310, 110, rgb(200, 200, 200), {.style = LINE_DASHED});
    line(10, 120, 310, 120, rgb(200, 200, 200), {.style = LINE_DOTTED});

    box(10, 135, 100, 190, rgb(0, 200, 200));
    box(120, 135, 210, 190, rgb(200, 0, 200), {.filled = true});
    for (int i = 0; i < 20; ++i) set_point(230.0f + 4.0f * i, 160, rgb(255, 255, 0));

    if (argc == 3 && std::strcmp(argv[1], "--frame") == 0) return save_frame(argv[2]);
    wait_key();
    return 0;
}

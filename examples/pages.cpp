// Double buffering: each frame is drawn on the hidden page and shown whole by
// flip(), so no half-drawn frame is ever seen. `pages --frame FILE` saves the
// first frame instead of animating until a key.

#include <cmath>
#include <cstring>

#include <vzgfx/vzgfx.h>

using namespace vzgfx;

namespace {

void draw_frame(int n) {
    set_text_colours(rgb(255, 255, 255), rgb(0, 0, 40));
    clear();
    const float x = 160.0f + 120.0f * std::sin(static_cast<float>(n) * 0.05f);
    circle(x, 100, 20, rgb(255, 120, 0), {.filled = true});
    box(0, 0, 319, 199, rgb(255, 255, 255));
    print("two pages: draw on one, show the other");
}

}  // namespace

int main(int argc, char** argv) {
    Screen screen = Screen::open(320, 200, 32, {.pages = 2, .title = "pages"});
    if (!screen) return 1;
    set_pages(1, 0);  // draw on page 1 while page 0 shows
    draw_frame(0);
    flip();
    if (argc == 3 && std::strcmp(argv[1], "--frame") == 0) return save_frame(argv[2]);

    for (int n = 1; !key_waiting(); ++n) {
        draw_frame(n);
        flip();
        sleep(16);
    }
    return 0;
}

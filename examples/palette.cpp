// Palette cycling in mode 13 (320 x 200, 256 colours): bands of palette
// indices drawn once, then only the palette changes. `palette --frame FILE`
// saves the first picture instead of cycling until a key.

#include <cmath>
#include <cstdint>
#include <cstring>

#include <vzgfx/vzgfx.h>

using namespace vzgfx;

namespace {

// Entries 1-64 as a ring of colours shifted by `phase`.
void set_ring(int phase) {
    for (int i = 0; i < 64; ++i) {
        const int k = (i + phase) % 64;
        const auto level = [](int v) { return static_cast<std::uint8_t>(v < 32 ? v * 8 : (63 - v) * 8); };
        set_palette(1 + i, level(k), level((k + 21) % 64), level((k + 42) % 64));
    }
}

}  // namespace

int main(int argc, char** argv) {
    Screen screen = Screen::open_mode(13, {.title = "palette"});
    if (!screen) return 1;

    // Rings of entries 1-64 from the outside in; later rings cover the middle.
    for (int r = 90; r > 0; r -= 2) {
        circle(160, 100, static_cast<float>(r), palette_index(static_cast<std::uint8_t>(1 + r / 2 % 64)),
               {.filled = true});
    }
    set_ring(0);
    if (argc == 3 && std::strcmp(argv[1], "--frame") == 0) return save_frame(argv[2]);

    for (int phase = 1; !key_waiting(); ++phase) {
        set_ring(phase);
        sleep(30);
    }
    return 0;
}

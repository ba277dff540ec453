#include "frame_support.h"

namespace vz::test {

std::vector<std::uint32_t> paint_reference_frame(const World& w) {
    std::vector<std::uint32_t> frame(static_cast<std::size_t>(SCREEN_WIDTH) * SCREEN_HEIGHT, OPAQUE_BLACK);
    auto plot = [&frame](std::int32_t x, std::int32_t y, std::uint32_t colour) {
        if (x < 0 || x >= SCREEN_WIDTH || y < 0 || y >= SCREEN_HEIGHT) return;
        frame[static_cast<std::size_t>(y) * SCREEN_WIDTH + x] = colour;
    };
    static constexpr std::int32_t PLUS[5][2] = {{0, 0}, {-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (std::int32_t i = 0; i < PARTICLE_COUNT; ++i) {
        const ScreenPosition at = particle_screen_position(w, i);
        const std::uint32_t colour = particle_colour(w, i);
        for (const auto& offset : PLUS) plot(at.x + offset[0], at.y + offset[1], colour);
    }
    return frame;
}

}  // namespace vz::test

// Filled radius-1 circles, the simulation's per-particle drawing: 65536 of
// them per frame on an 800 x 600 x 32 in-memory screen.

#include <benchmark/benchmark.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "gfx/context.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/shapes/ellipse.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pixels.h"
#include "gfx/surface/screen_lock.h"
#include "rt/console.h"

namespace {

constexpr int WIDTH = 800;
constexpr int HEIGHT = 600;
constexpr int CIRCLES = 65536;

struct Spot {
    float x, y;
    std::uint32_t colour;
};

// Fixed pseudo-random centres over the screen, a few just off its edges;
// with a small `area`, centres within its top-left area x area pixels only, so
// that the page stays in the nearest cache and the call's own cost shows.
std::vector<Spot> spots(int area = 0) {
    std::vector<Spot> out(CIRCLES);
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (Spot& s : out) {
        const std::uint32_t w = area > 0 ? static_cast<std::uint32_t>(area) : WIDTH + 4;
        const std::uint32_t h = area > 0 ? static_cast<std::uint32_t>(area) : HEIGHT + 4;
        s.x = static_cast<float>(next() % w) - (area > 0 ? -2.0f : 2.0f);
        s.y = static_cast<float>(next() % h) - (area > 0 ? -2.0f : 2.0f);
        s.colour = 0xFF000000u | next();
    }
    return out;
}

bool open_screen(benchmark::State& state) {
    if (vz::screen_res(WIDTH, HEIGHT, 32, 1, vz::SCREEN_FLAGS_NULL_DRIVER, 0) != 0) {
        state.SkipWithError("could not open the in-memory screen");
        return false;
    }
    return true;
}

void draw_frame(const std::vector<Spot>& all) {
    const float full_turn = std::bit_cast<float>(vz::FULL_TURN_BITS);
    for (const Spot& s : all) vz::ellipse(nullptr, s.x, s.y, 1.0f, s.colour, 1.0f, 0.0f, full_turn, 1, 0);
}

// A whole frame as the simulation draws it: one outer lock, the circles, and
// the unlock that marks every line.
void BM_FilledRadiusOneFrame(benchmark::State& state) {
    if (!open_screen(state)) return;
    const std::vector<Spot> all = spots();
    for (auto _ : state) {
        vz::screen_lock();
        draw_frame(all);
        vz::screen_unlock(-1, -1);
        benchmark::DoNotOptimize(vz::current_context()->pages[0][0]);
    }
    state.SetItemsProcessed(state.iterations() * CIRCLES);
    vz::close_screen();
}
BENCHMARK(BM_FilledRadiusOneFrame)->Unit(benchmark::kMillisecond);

// The frame's calls with every centre inside a 32 x 32 corner: the cost of
// the calls themselves, without the page's cache misses.
void BM_FilledRadiusOneFrameInCache(benchmark::State& state) {
    if (!open_screen(state)) return;
    const std::vector<Spot> all = spots(32);
    for (auto _ : state) {
        vz::screen_lock();
        draw_frame(all);
        vz::screen_unlock(-1, -1);
        benchmark::DoNotOptimize(vz::current_context()->pages[0][0]);
    }
    state.SetItemsProcessed(state.iterations() * CIRCLES);
    vz::close_screen();
}
BENCHMARK(BM_FilledRadiusOneFrameInCache)->Unit(benchmark::kMillisecond);

// The same circles with each call taking and releasing the lock itself.
void BM_FilledRadiusOneUnlocked(benchmark::State& state) {
    if (!open_screen(state)) return;
    const std::vector<Spot> all = spots();
    for (auto _ : state) {
        draw_frame(all);
        benchmark::DoNotOptimize(vz::current_context()->pages[0][0]);
    }
    state.SetItemsProcessed(state.iterations() * CIRCLES);
    vz::close_screen();
}
BENCHMARK(BM_FilledRadiusOneUnlocked)->Unit(benchmark::kMillisecond);

// A larger filled circle, where the row walk rather than the call overhead counts.
void BM_FilledRadius40(benchmark::State& state) {
    if (!open_screen(state)) return;
    const float full_turn = std::bit_cast<float>(vz::FULL_TURN_BITS);
    for (auto _ : state) {
        vz::ellipse(nullptr, 400.0f, 300.0f, 40.0f, 0xFF336699u, 1.0f, 0.0f, full_turn, 1, 0);
    }
    state.SetItemsProcessed(state.iterations());
    vz::close_screen();
}
BENCHMARK(BM_FilledRadius40);

}  // namespace

namespace {

// The frame's clear of the whole 800 x 600 x 32 page to opaque black.
void BM_ClearPage(benchmark::State& state) {
    if (!open_screen(state)) return;
    for (auto _ : state) {
        vz::runtime_clear(vz::CLEAR_NO_ARGUMENT);
        benchmark::DoNotOptimize(vz::current_context()->pages[0][0]);
    }
    state.SetBytesProcessed(state.iterations() * WIDTH * HEIGHT * 4);
    vz::close_screen();
}
BENCHMARK(BM_ClearPage)->Unit(benchmark::kMicrosecond);

}  // namespace

// Whole-line runs of 2- and 4-byte pixels, 800 wide, as a page clear fills
// them: the chosen span fill against a plain loop of one store per pixel.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "gfx/surface/pixel_bytes.h"
#include "gfx/surface/pixels.h"

namespace {

constexpr int WIDTH = 800;
constexpr int HEIGHT = 600;

template <int Size>
void plain_fill(std::uint8_t* first, std::uint32_t pixel, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i, first += Size) {
        if constexpr (Size == 2) vz::store16(first, pixel);
        if constexpr (Size == 4) vz::store32(first, pixel);
    }
}

template <int Size, bool Plain>
void BM_PageOfRuns(benchmark::State& state) {
    vz::select_pixel_ops(Size);  // bytes per pixel
    const vz::SpanFillFn fill = Plain ? plain_fill<Size> : vz::pixel_ops().span_fill;
    std::vector<std::uint8_t> page(static_cast<std::size_t>(WIDTH) * HEIGHT * Size);
    std::uint32_t pixel = 0x1234;
    for (auto _ : state) {
        for (int y = 0; y < HEIGHT; ++y) fill(page.data() + static_cast<std::size_t>(y) * WIDTH * Size, pixel, WIDTH);
        benchmark::DoNotOptimize(page.data());
        benchmark::ClobberMemory();
        ++pixel;
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size()));
}
BENCHMARK(BM_PageOfRuns<2, true>)->Name("BM_PageOfRuns16Plain")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PageOfRuns<2, false>)->Name("BM_PageOfRuns16")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PageOfRuns<4, true>)->Name("BM_PageOfRuns32Plain")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PageOfRuns<4, false>)->Name("BM_PageOfRuns32")->Unit(benchmark::kMicrosecond);

}  // namespace

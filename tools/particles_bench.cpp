// particles-bench: runs the particle program's frames without a window or a
// frame wait and reports how long the step and the drawing take.
//
//   particles-bench [--frames N] [--state FILE] [--dump FILE]
//                   [--reference | --compare] [--isa NAME] [--workers N]
//
// Prints one JSON line with the frame count and the median and 95th
// percentile times in milliseconds. --state writes particle_x, particle_y,
// velocity_x, velocity_y (65536 little-endian float32 each) and then
// speed_normaliser (one float32) after the last frame; --dump writes the
// visible page after the last frame as a binary PPM.
//
// By default the frames run the fast path (the fast step and ellipse's
// small-circle path); --reference runs the plain exact path instead (the
// extended-precision step and the general ellipse walk). --compare runs both
// on two worlds side by side, one frame of each in turn, reports the
// reference's times too with speedup_vs_reference (reference frame median
// over fast frame median) and checks after the last frame that the two
// worlds and the two drawn pages are identical (identical 1 or 0). --isa
// forces the fast step's instruction set: exact, sse2, avx2, avx512, neon or simd128;
// --workers gives the fast step that many worker threads beside the caller.

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/frame.h"
#include "app/program.h"
#include "app/world.h"
#include "app/world_fast.h"
#include "gfx/context.h"

namespace {

constexpr int EXIT_USAGE = 2;
constexpr long MAX_FRAMES = 1000000;
constexpr long MAX_WORKERS = 8;

struct Options {
    long frames = 100;
    std::string state_path;
    std::string dump_path;
    bool reference = false;
    bool compare = false;
    vz::StepIsa isa = vz::best_step_isa();
    long workers = 0;
};

void print_usage(std::FILE* out) {
    std::fputs(
        "usage: particles-bench [--frames N] [--state FILE] [--dump FILE] [--reference | --compare]\n"
        "                       [--isa NAME]\n"
        "  --frames N     frames to run, 1 ... 1000000 (default 100)\n"
        "  --state FILE   write the world state after the last frame\n"
        "  --dump FILE    write the visible page after the last frame as PPM\n"
        "  --reference    run the plain exact path instead of the fast one\n"
        "  --compare      run both paths side by side and check they agree\n"
        "  --isa NAME     the fast step's instruction set: exact, sse2, avx2, avx512, neon,\n"
        "                 simd128\n"
        "  --workers N    worker threads sharing the fast step, 0 ... 8 (default 0)\n",
        out);
}

// A count of `low` ... `high` written in digits only: strtol alone would also
// take leading blanks and a sign.
bool parse_count(const char* text, long low, long high, long& count) {
    if (*text < '0' || *text > '9') return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return false;
    count = value;
    return true;
}

// False (after printing why) when the arguments are not understood.
bool parse_options(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "--frames" && has_value) {
            if (!parse_count(argv[++i], 1, MAX_FRAMES, options.frames)) {
                std::fprintf(stderr, "particles-bench: bad frame count '%s'\n", argv[i]);
                return false;
            }
        } else if (arg == "--state" && has_value && *argv[i + 1] != '\0') {
            options.state_path = argv[++i];
        } else if (arg == "--dump" && has_value && *argv[i + 1] != '\0') {
            options.dump_path = argv[++i];
        } else if (arg == "--reference" && !options.compare) {
            options.reference = true;
        } else if (arg == "--compare" && !options.reference) {
            options.compare = true;
        } else if (arg == "--workers" && has_value) {
            if (!parse_count(argv[++i], 0, MAX_WORKERS, options.workers)) {
                std::fprintf(stderr, "particles-bench: bad worker count '%s'\n", argv[i]);
                return false;
            }
        } else if (arg == "--isa" && has_value) {
            if (!vz::parse_step_isa(argv[++i], options.isa) || !vz::step_isa_supported(options.isa)) {
                std::fprintf(stderr, "particles-bench: instruction set '%s' unknown or not available\n", argv[i]);
                return false;
            }
        } else if ((arg == "--frames" || arg == "--state" || arg == "--dump" || arg == "--isa" || arg == "--workers") &&
                   !has_value) {
            std::fprintf(stderr, "particles-bench: missing value for '%s'\n", argv[i]);
            return false;
        } else {
            std::fprintf(stderr, "particles-bench: unexpected argument '%s'\n", argv[i]);
            return false;
        }
    }
    return true;
}

// Median (mean of the two middle values for an even count) and the 95th
// percentile by nearest rank, of a non-empty sample.
struct Summary {
    double median;
    double p95;
    double max;
};

Summary summarise(std::vector<double> sample) {
    std::sort(sample.begin(), sample.end());
    const std::size_t n = sample.size();
    const double median = n % 2 == 1 ? sample[n / 2] : (sample[n / 2 - 1] + sample[n / 2]) / 2.0;
    const auto rank = static_cast<std::size_t>(std::ceil(0.95 * static_cast<double>(n)));
    return {median, sample[std::max<std::size_t>(rank, 1) - 1], sample.back()};
}

bool write_all(std::FILE* file, const void* bytes, std::size_t count) {
    return std::fwrite(bytes, 1, count, file) == count;
}

bool write_state(const std::string& path, const vz::World& w) {
    static_assert(std::endian::native == std::endian::little, "the state file holds little-endian floats");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = true;
    for (const vz::ArrayDescriptor* array : {&w.particle_x, &w.particle_y, &w.velocity_x, &w.velocity_y}) {
        ok = ok && write_all(file, vz::float_elements(*array), sizeof(float) * vz::PARTICLE_COUNT);
    }
    ok = ok && write_all(file, &w.speed_normaliser, sizeof(float));
    return std::fclose(file) == 0 && ok;
}

// The visible page as a binary PPM: red, green, blue of each 0xAARRGGBB pixel,
// rows top to bottom.
bool write_page_ppm(const std::string& path) {
    const vz::GfxContext* ctx = vz::current_context();
    if (!ctx || ctx->bpp != 4) return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fprintf(file, "P6\n%d %d\n255\n", ctx->width, ctx->height) > 0;
    std::vector<unsigned char> row(static_cast<std::size_t>(ctx->width) * 3);
    for (std::int32_t y = 0; ok && y < ctx->height; ++y) {
        const std::uint8_t* line = ctx->visible_ptr + static_cast<std::size_t>(y) * ctx->pitch;
        for (std::int32_t x = 0; x < ctx->width; ++x) {
            std::uint32_t pixel;
            std::memcpy(&pixel, line + static_cast<std::size_t>(x) * 4, sizeof pixel);
            row[3 * x] = static_cast<unsigned char>(pixel >> 16);
            row[3 * x + 1] = static_cast<unsigned char>(pixel >> 8);
            row[3 * x + 2] = static_cast<unsigned char>(pixel);
        }
        ok = write_all(file, row.data(), row.size());
    }
    return std::fclose(file) == 0 && ok;
}

double milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The step, draw and whole-frame times of one path, one entry per frame
// (reserved up front: the timed loop allocates nothing).
struct Timings {
    std::vector<double> step_ms, draw_ms, frame_ms;

    explicit Timings(std::size_t frames) {
        step_ms.reserve(frames);
        draw_ms.reserve(frames);
        frame_ms.reserve(frames);
    }

    // One frame of `w`: the fast path with a stepper, else the exact path.
    void run(vz::World& w, vz::FastStepper* stepper) {
        const auto start = std::chrono::steady_clock::now();
        if (stepper != nullptr) {
            stepper->step(w);
        } else {
            vz::step_world(w);
        }
        const auto stepped = std::chrono::steady_clock::now();
        if (stepper != nullptr) {
            vz::draw_measured_frame(w, *stepper);
        } else {
            vz::draw_frame(w);
        }
        const auto drawn = std::chrono::steady_clock::now();
        step_ms.push_back(milliseconds(stepped - start));
        draw_ms.push_back(milliseconds(drawn - stepped));
        frame_ms.push_back(milliseconds(drawn - start));
    }
};

bool same_array(const vz::ArrayDescriptor& a, const vz::ArrayDescriptor& b) {
    return std::memcmp(vz::float_elements(a), vz::float_elements(b), sizeof(float) * vz::PARTICLE_COUNT) == 0;
}

// Bit for bit: positions, velocities and the normaliser.
bool same_world(const vz::World& a, const vz::World& b) {
    return same_array(a.particle_x, b.particle_x) && same_array(a.particle_y, b.particle_y) &&
           same_array(a.velocity_x, b.velocity_x) && same_array(a.velocity_y, b.velocity_y) &&
           std::bit_cast<std::uint32_t>(a.speed_normaliser) == std::bit_cast<std::uint32_t>(b.speed_normaliser);
}

// The visible page's pixels, row by row.
std::vector<std::uint32_t> page_pixels() {
    const vz::GfxContext* ctx = vz::current_context();
    std::vector<std::uint32_t> pixels;
    if (!ctx || ctx->bpp != 4) return pixels;
    pixels.resize(static_cast<std::size_t>(ctx->width) * ctx->height);
    for (std::int32_t y = 0; y < ctx->height; ++y) {
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * ctx->width,
                    ctx->visible_ptr + static_cast<std::size_t>(y) * ctx->pitch, sizeof(std::uint32_t) * ctx->width);
    }
    return pixels;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
            print_usage(stdout);
            return 0;
        }
    }
    Options options;
    if (!parse_options(argc, argv, options)) {
        print_usage(stderr);
        return EXIT_USAGE;
    }

    vz::start_program(argc, argv);
    vz::World& w = vz::world();
    if (!vz::world_ready(w)) {
        std::fputs("particles-bench: cannot create the world arrays\n", stderr);
        return 1;
    }
    // The program's screen, held in memory only: flags -1 choose the Null
    // driver whatever VZGFX says, so the bench never opens a window.
    if (vz::open_program_screen(vz::SCREEN_FLAGS_NULL_DRIVER) != 0) {
        std::fputs("particles-bench: cannot open the in-memory screen\n", stderr);
        return 1;
    }
    vz::init_world(w);

    // The second world of --compare runs the reference path beside the first.
    vz::World reference_world{};
    if (options.compare) {
        if (vz::create_world_arrays(reference_world) != 0) {
            std::fputs("particles-bench: cannot create the second world\n", stderr);
            return 1;
        }
        vz::init_world(reference_world);
    }

    const auto count = static_cast<std::size_t>(options.frames);
    Timings fast(count);
    Timings reference(count);
    std::vector<double> step_fallbacks, frame_fallbacks, near_halves;
    step_fallbacks.reserve(count);
    frame_fallbacks.reserve(count);
    near_halves.reserve(count);
    vz::FastStepper stepper(options.isa, static_cast<std::int32_t>(options.workers));
    for (std::size_t frame = 0; frame < count; ++frame) {
        if (options.reference) {
            reference.run(w, nullptr);
            continue;
        }
        fast.run(w, &stepper);
        step_fallbacks.push_back(stepper.fallbacks().step);
        frame_fallbacks.push_back(stepper.fallbacks().frame);
        near_halves.push_back(stepper.fallbacks().near_half);
        if (options.compare) reference.run(reference_world, nullptr);
    }

    // The comparison: both worlds bit for bit, then each world's last frame
    // drawn by its own path, page against page. The fast frame is drawn last
    // so that --dump shows it.
    int identical = 1;
    if (options.compare) {
        identical = same_world(w, reference_world) ? 1 : 0;
        vz::draw_frame(reference_world);
        const std::vector<std::uint32_t> reference_page = page_pixels();
        vz::draw_measured_frame(w, stepper);
        if (page_pixels() != reference_page) identical = 0;
    }

    if (!options.state_path.empty() && !write_state(options.state_path, w)) {
        std::fprintf(stderr, "particles-bench: cannot write '%s'\n", options.state_path.c_str());
        return 1;
    }
    if (!options.dump_path.empty() && !write_page_ppm(options.dump_path)) {
        std::fprintf(stderr, "particles-bench: cannot write '%s'\n", options.dump_path.c_str());
        return 1;
    }

    const Timings& shown = options.reference ? reference : fast;
    const Summary step = summarise(shown.step_ms);
    const Summary draw = summarise(shown.draw_ms);
    const Summary whole = summarise(shown.frame_ms);
    std::printf(
        "{\"frames\":%ld,\"step_ms_median\":%.4f,\"step_ms_p95\":%.4f,\"draw_ms_median\":%.4f,"
        "\"draw_ms_p95\":%.4f,\"frame_ms_median\":%.4f,\"frame_ms_p95\":%.4f,\"isa\":%d,\"workers\":%d",
        options.frames, step.median, step.p95, draw.median, draw.p95, whole.median, whole.p95,
        options.reference ? 0 : static_cast<int>(stepper.isa()), options.reference ? 0 : stepper.workers());
    if (!options.reference) {
        const Summary step_redo = summarise(step_fallbacks);
        const Summary frame_redo = summarise(frame_fallbacks);
        const Summary near_half = summarise(near_halves);
        std::printf(
            ",\"step_fallbacks_median\":%.1f,\"step_fallbacks_max\":%.0f,\"frame_fallbacks_median\":%.1f,"
            "\"frame_fallbacks_max\":%.0f,\"near_half_median\":%.1f",
            step_redo.median, step_redo.max, frame_redo.median, frame_redo.max, near_half.median);
    }
    if (options.compare) {
        const Summary ref_step = summarise(reference.step_ms);
        const Summary ref_draw = summarise(reference.draw_ms);
        const Summary ref_whole = summarise(reference.frame_ms);
        std::printf(
            ",\"reference_step_ms_median\":%.4f,\"reference_step_ms_p95\":%.4f,"
            "\"reference_draw_ms_median\":%.4f,\"reference_draw_ms_p95\":%.4f,"
            "\"reference_frame_ms_median\":%.4f,\"reference_frame_ms_p95\":%.4f,"
            "\"speedup_vs_reference\":%.2f,\"identical\":%d",
            ref_step.median, ref_step.p95, ref_draw.median, ref_draw.p95, ref_whole.median, ref_whole.p95,
            ref_whole.median / whole.median, identical);
        vz::release_world_arrays(reference_world);
    }
    std::printf("}\n");
    return options.compare && identical == 0 ? 1 : 0;
}

// The particle world: its arrays, initial layout, physics step and the
// per-particle screen position and colour, with the exact arithmetic the
// trajectories depend on (see world.h).

#include "app/world.h"

#include <array>
#include <utility>

#include "app/world_step.h"
#include "app/x87_integer.h"

namespace vz {

namespace {

// Element length, zero fill and "no text" as every world array is created.
constexpr std::int32_t FLOAT_BYTES = 4;
constexpr std::int32_t ZERO_FILL = -1;
constexpr std::int32_t NO_TEXT = 0;

std::int32_t create_float_array(ArrayDescriptor& array, std::int32_t last_index) {
    const std::array<ArrayBounds, 1> bounds{{{0, last_index}}};
    return array_redim(array, FLOAT_BYTES, ZERO_FILL, NO_TEXT, bounds);
}

extended ext(float value) { return value; }

}  // namespace

World& world() {
    static World the_world{};
    return the_world;
}

std::int32_t create_world_arrays(World& w) {
    std::int32_t first_error = 0;
    auto keep_first = [&first_error](std::int32_t code) {
        if (first_error == 0) first_error = code;
    };
    keep_first(create_float_array(w.velocity_x, LAST_PARTICLE));
    keep_first(create_float_array(w.velocity_y, LAST_PARTICLE));
    keep_first(create_float_array(w.particle_x, LAST_PARTICLE));
    keep_first(create_float_array(w.particle_y, LAST_PARTICLE));
    keep_first(create_float_array(w.attractor_x, LAST_ATTRACTOR));
    keep_first(create_float_array(w.attractor_y, LAST_ATTRACTOR));
    keep_first(create_float_array(w.attractor_strength, LAST_ATTRACTOR));
    return first_error;
}

void release_world_arrays(World& w) {
    for (ArrayDescriptor* array : {&w.velocity_x, &w.velocity_y, &w.particle_x, &w.particle_y, &w.attractor_x,
                                   &w.attractor_y, &w.attractor_strength}) {
        array_erase(*array, NO_TEXT);
    }
}

bool world_ready(const World& w) {
    return w.velocity_x.ptr && w.velocity_y.ptr && w.particle_x.ptr && w.particle_y.ptr && w.attractor_x.ptr &&
           w.attractor_y.ptr && w.attractor_strength.ptr;
}

void init_world(World& w) {
    if (!world_ready(w)) return;
    float* const x = float_elements(w.particle_x);
    float* const y = float_elements(w.particle_y);

    // Spacing along each diagonal: the world size spread over half the
    // particles (65535 is the last index).
    const float step_x = static_cast<float>(extended{WORLD_WIDTH} / LAST_PARTICLE * 2.0);
    const float step_y = static_cast<float>(extended{WORLD_HEIGHT} / LAST_PARTICLE * 2.0);
    const float half = static_cast<float>(LAST_PARTICLE / 2);
    const std::int32_t h = round_to_i32(half);

    // First diagonal, from (0, 0) towards (12000, 16000).
    for (std::int32_t i = 0; i <= h; ++i) {
        x[i] = static_cast<float>(static_cast<extended>(i) * step_x);
        y[i] = static_cast<float>(static_cast<extended>(i) * step_y);
    }
    // Second diagonal, from (0, 16000) towards (12000, 0); particle h is
    // placed again, at the start of this one.
    for (std::int32_t i = h; i <= LAST_PARTICLE; ++i) {
        const std::int32_t j = round_to_i32(static_cast<extended>(i) - half);
        x[i] = static_cast<float>(static_cast<extended>(j) * step_x);
        y[i] = static_cast<float>(extended{WORLD_HEIGHT} - static_cast<extended>(j) * step_y);
    }

    float* const ax = float_elements(w.attractor_x);
    float* const ay = float_elements(w.attractor_y);
    float* const strength = float_elements(w.attractor_strength);
    for (std::int32_t k = 0; k <= LAST_ATTRACTOR; ++k) {
        strength[k] = 1.0f;
        ax[k] = static_cast<float>(extended{WORLD_WIDTH} / 2.0 + -1.0);
        ay[k] = static_cast<float>(extended{WORLD_HEIGHT} / 2.0 + -1.0);
    }
}

StepArrays step_arrays(World& w) {
    return {float_elements(w.particle_x),        float_elements(w.particle_y),  float_elements(w.velocity_x),
            float_elements(w.velocity_y),        float_elements(w.attractor_x), float_elements(w.attractor_y),
            float_elements(w.attractor_strength)};
}

float step_particle(const StepArrays& a, std::int32_t i) {
    float px = a.particle_x[i];
    float py = a.particle_y[i];
    float vx = a.velocity_x[i];
    float vy = a.velocity_y[i];
    float sign_x = 1.0f;
    float sign_y = 1.0f;

    for (std::int32_t k = 0; k <= LAST_ATTRACTOR; ++k) {
        float ax = a.attractor_x[k];
        float ay = a.attractor_y[k];
        // The strength is used rounded to a whole number.
        const extended s = round_to_i32(a.attractor_strength[k]);

        // Work with the smaller coordinate first on each axis; the sign
        // turns the pull back towards the attractor.
        if (px > ax) {
            std::swap(px, ax);
            sign_x = -1.0f;
        }
        if (py > ay) {
            std::swap(py, ay);
            sign_y = -1.0f;
        }

        // Direct separation and the separation the other way round the
        // wrapping world.
        const float dx = static_cast<float>(ext(ax) - ext(px));
        const float wx = static_cast<float>(extended{WORLD_WIDTH} + ext(px) - ext(ax));
        const float dy = static_cast<float>(ext(ay) - ext(py));
        const float wy = static_cast<float>(extended{WORLD_HEIGHT} + ext(py) - ext(ay));

        const float dist =
            static_cast<float>(extended_sqrt(ext(wx) * wx + ext(wy) * wy) + extended_sqrt(ext(dx) * dx + ext(dy) * dy));
        if (dist != 0.0f) {
            const std::int32_t d = round_to_i32(dist);
            const float force_x = static_cast<float>(div_i32(round_to_i32(ext(dx) * dx), d));
            const float force_y = static_cast<float>(div_i32(round_to_i32(ext(dy) * dy), d));
            if (vx < VELOCITY_LIMIT) vx = static_cast<float>(s * force_x * sign_x + vx);
            if (vy < VELOCITY_LIMIT) vy = static_cast<float>(s * force_y * sign_y + vy);
        }

        if (sign_x == -1.0f) {
            std::swap(px, ax);
            sign_x = 1.0f;
        }
        if (sign_y == -1.0f) {
            std::swap(py, ay);
            sign_y = 1.0f;
        }
    }

    a.velocity_x[i] = vx;
    a.velocity_y[i] = vy;

    // Move by the new velocity and wrap: the remainder keeps the sign of
    // the dividend, so a negative result is lifted by one world size.
    float x = static_cast<float>(round_to_i32(ext(vx) / VELOCITY_DIVISOR + px) % WORLD_WIDTH);
    float y = static_cast<float>(round_to_i32(ext(vy) / VELOCITY_DIVISOR + py) % WORLD_HEIGHT);
    if (x < 0.0f) x = static_cast<float>(ext(x) + WORLD_WIDTH);
    if (y < 0.0f) y = static_cast<float>(ext(y) + WORLD_HEIGHT);
    a.particle_x[i] = x;
    a.particle_y[i] = y;

    return static_cast<float>(extended_abs(ext(vx)) + extended_abs(ext(vy)));
}

float speed_normaliser_of(float max_speed) { return static_cast<float>(ext(max_speed) / VELOCITY_DIVISOR); }

void step_world(World& w) {
    if (!world_ready(w)) return;
    const StepArrays arrays = step_arrays(w);
    float max_speed = 0.0f;
    for (std::int32_t i = 0; i <= LAST_PARTICLE; ++i) {
        const float speed = step_particle(arrays, i);
        if (speed > max_speed) max_speed = speed;
    }
    w.speed_normaliser = speed_normaliser_of(max_speed);
}

ScreenPosition screen_position_of(float x, float y) {
    return {mul_i32(round_to_i32(x), SCREEN_WIDTH) / WORLD_WIDTH,
            mul_i32(round_to_i32(y), SCREEN_HEIGHT) / WORLD_HEIGHT};
}

float colour_intensity(float vx, float vy) {
    // The roots are summed in extended precision; the sum is squared in
    // double precision and stored as single. The square of a double is
    // correctly rounded by one multiplication, which is what the power
    // function with exponent 2 must give; a library pow is not always
    // correctly rounded in the last bit and differs between C libraries.
    const double root_sum =
        static_cast<double>(extended_sqrt(extended_abs(ext(vx))) + extended_sqrt(extended_abs(ext(vy))));
    return static_cast<float>(root_sum * root_sum);
}

std::uint32_t colour_of(float vx, float vy, float speed_normaliser) {
    const float c = colour_intensity(vx, vy);
    // A zero normaliser makes the quotient infinite or NaN: the conversion
    // then gives the 64-bit indefinite value, whose low 32 bits are 0.
    const std::int64_t level = round_to_i64(ext(c) / speed_normaliser);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(level)) | 0xFF000000u;
}

ScreenPosition particle_screen_position(const World& w, std::int32_t index) {
    return screen_position_of(float_elements(w.particle_x)[index], float_elements(w.particle_y)[index]);
}

std::uint32_t particle_colour(const World& w, std::int32_t index) {
    return colour_of(float_elements(w.velocity_x)[index], float_elements(w.velocity_y)[index], w.speed_normaliser);
}

}  // namespace vz

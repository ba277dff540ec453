#pragma once
// Shapes and points on the work page. Coordinates are pixels from the top-left
// corner of the view (the whole screen unless a view is set), rounded half away
// from zero; shapes are clipped to the view. Every call draws nothing while no
// screen is open.

#include <cstdint>

#include "vzgfx/colour.h"

namespace vzgfx {

struct CircleOptions {
    // Fill the inside as well as the outline.
    bool filled = false;
    // Vertical radius / horizontal radius; 0 takes the screen's (1 for a
    // screen opened by size, 0.8333 for mode 13's 320 x 200). Above 1 the
    // radius is the vertical one.
    float aspect = 0.0f;
};

// A circle (an ellipse when options.aspect is not 1) of `radius` pixels
// around (x, y). A radius of 0 or less draws nothing.
void circle(float x, float y, float radius, Colour colour, const CircleOptions& options = {});

struct ArcOptions {
    // Also draw the radial lines from the centre to both ends (a pie slice).
    bool pie = false;
    float aspect = 0.0f;  // as in CircleOptions
};

// The outline from `start` to `end` radians, counter-clockwise from the
// positive x axis (0 to 2 pi each).
void arc(float x, float y, float radius, float start, float end, Colour colour, const ArcOptions& options = {});

// Line patterns: one bit a pixel (1 drawn, 0 left as it was), repeating every 16 pixels.
inline constexpr std::uint16_t LINE_SOLID = 0xFFFF;
inline constexpr std::uint16_t LINE_DASHED = 0xF0F0;
inline constexpr std::uint16_t LINE_DOTTED = 0xAAAA;

struct LineOptions {
    std::uint16_t style = LINE_SOLID;  // 0 draws nothing
};

// The line from (x1, y1) to (x2, y2), both ends included.
void line(float x1, float y1, float x2, float y2, Colour colour, const LineOptions& options = {});

struct BoxOptions {
    bool filled = false;
    std::uint16_t style = LINE_SOLID;  // the outline's pattern (not used when filled)
};

// The rectangle with corners (x1, y1) and (x2, y2), in any order, both included.
void box(float x1, float y1, float x2, float y2, Colour colour, const BoxOptions& options = {});

// One pixel.
void set_point(float x, float y, Colour colour);
// The pixel at (x, y) as stored: 0xAARRGGBB on 32-bit screens, RGB565 on
// 16-bit ones, the palette index below that. -1 outside the view or without a
// screen.
std::int64_t get_point(float x, float y);

// Fills the whole work page with the background colour (the text colours'
// background) and puts the text cursor at row 1, column 1.
void clear();

}  // namespace vzgfx

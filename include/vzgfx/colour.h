#pragma once
// Colours as the drawing calls take them, and the palette of 8-bit screens.

#include <cstdint>

namespace vzgfx {

// A colour value handed to the drawing calls unchanged. What it means depends
// on the screen's depth: on 16- and 32-bit screens it is 0xAARRGGBB (16-bit
// screens keep the top 5, 6 and 5 bits of red, green and blue); on screens of
// 8 bits or fewer it is a palette index, and only its low byte (masked to the
// depth) counts.
struct Colour {
    std::uint32_t value;
    friend constexpr bool operator==(Colour, Colour) = default;
};

// For 16- and 32-bit screens: an opaque colour from 8-bit red, green, blue.
constexpr Colour rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return Colour{0xFF000000u | static_cast<std::uint32_t>(red) << 16 | static_cast<std::uint32_t>(green) << 8 | blue};
}

// For 32-bit screens: a colour with alpha (0 clear ... 255 opaque). Alpha
// matters only on a screen opened with blending (ScreenOptions::blending);
// elsewhere the value is stored as given.
constexpr Colour rgba(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha) {
    return Colour{static_cast<std::uint32_t>(alpha) << 24 | static_cast<std::uint32_t>(red) << 16 |
                  static_cast<std::uint32_t>(green) << 8 | blue};
}

// For screens of 8 bits or fewer (the numbered modes 1-13, or a screen opened
// with depth 8): palette entry `index`.
constexpr Colour palette_index(std::uint8_t index) { return Colour{index}; }

// Sets palette entry `index` (0-255) of an 8-bit-or-fewer screen from 8-bit
// red, green and blue. The palette holds 6 bits a component, as the VGA did:
// each component keeps its top 6 bits and is shown widened back to 8 bits
// (255 stays 255, 128 shows as 129). What is on the screen changes colour at
// once. Nothing happens on a 16- or 32-bit screen or without a screen.
void set_palette(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// The palette entry `index` as shown, 0x00RRGGBB (0 without a palette).
std::uint32_t palette_entry(int index);

// Puts back the mode's default palette.
void reset_palette();

}  // namespace vzgfx

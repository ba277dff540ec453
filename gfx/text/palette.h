#pragma once
// Colours, the palette and the emulated VGA ports.

#include <cstdint>

namespace vz {

struct GfxContext;

void change_palette(std::int32_t index, std::int32_t colour, std::int32_t green, std::int32_t blue);
void palette_from_list(const std::int32_t* colours);
std::uint32_t set_color(std::uint32_t foreground, std::uint32_t background, std::int32_t flags);
std::int32_t port_in(std::int32_t port);
std::int32_t port_out(std::int32_t port, std::int32_t value);

// Hands one palette entry (red bits 0-7, green 8-15, blue 16-23) to the
// screen's driver when it takes palette entries.
void send_palette_entry(const GfxContext* context, std::int32_t index, std::uint32_t colour);

}  // namespace vz

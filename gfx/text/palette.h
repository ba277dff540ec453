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

// Sets one entry of the shown palette: on 256-colour screens from 6-bit
// components (red bits 0-5, green 8-13, blue 16-21), otherwise from the
// colour of the given attribute, which the attribute map then records.
void set_palette_entry(std::int32_t index, std::uint32_t colour);
// Hands all 256 shown colours to the driver again.
void resend_palette();

// Hands one palette entry (red bits 0-7, green 8-15, blue 16-23) to the
// screen's driver when it takes palette entries.
void send_palette_entry(const GfxContext* context, std::int32_t index, std::uint32_t colour);

}  // namespace vz

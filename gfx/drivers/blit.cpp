// Pixel-format converters from the visible page to a display surface.
//
// Every converter shares one row loop: output row j shows source row
// j / scanline and is written only when that source row is dirty. Only the
// per-pixel step differs. Pixels are loaded and stored through memcpy
// (gfx/pixel_bytes.h), so destinations of any alignment are written safely.

#include "gfx/drivers/blit.h"

#include <bit>
#include <cstddef>
#include <cstring>

#include "gfx/context.h"
#include "gfx/surface/pixel_bytes.h"
#include "rt/alloc.h"

namespace vz {

namespace {

constexpr std::size_t BLITTER_TABLE_BYTES = 2048;
std::uint32_t* g_blitter_table = nullptr;

// The blitter conversion table holds the two 16-bit lookup tables.
constexpr int LOOKUP_ENTRIES = 256;

void store24(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
}

// Components of one colour in 8-bit form.
struct Rgb {
    std::uint32_t r, g, b;
};

// A palette entry: red bits 0-7, green 8-15, blue 16-23.
Rgb from_palette_entry(std::uint32_t e) { return {e & 0xFF, (e >> 8) & 0xFF, (e >> 16) & 0xFF}; }
// A 32-bit page pixel: blue bits 0-7, green 8-15, red 16-23.
Rgb from_page32(std::uint32_t p) { return {(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF}; }

// Destination pixels. With Swap, red and blue trade places.
template <bool Swap>
std::uint32_t to15(Rgb c) {
    const std::uint32_t hi = Swap ? c.b : c.r;
    const std::uint32_t lo = Swap ? c.r : c.b;
    return ((hi >> 3) << 10) | ((c.g >> 3) << 5) | (lo >> 3);
}
template <bool Swap>
std::uint32_t to16(Rgb c) {
    const std::uint32_t hi = Swap ? c.b : c.r;
    const std::uint32_t lo = Swap ? c.r : c.b;
    return ((hi >> 3) << 11) | ((c.g >> 2) << 5) | (lo >> 3);
}
// 32-bit word whose bytes in memory order are the 24-bit pixel (and the
// 32-bit destination pixel): blue, green, red for swap 0.
template <bool Swap>
std::uint32_t to32(Rgb c) {
    const std::uint32_t hi = Swap ? c.b : c.r;
    const std::uint32_t lo = Swap ? c.r : c.b;
    return (hi << 16) | (c.g << 8) | lo;
}

// The row loop shared by all converters. RowFn(dst_row, src_row, width, ctx).
template <typename RowFn>
void for_each_dirty_row(void* destination, std::int32_t destination_pitch, RowFn convert_row) {
    const GfxContext* ctx = current_context();
    if (ctx == nullptr || destination == nullptr || ctx->visible_ptr == nullptr || ctx->dirty == nullptr) {
        return;
    }
    const std::int32_t scanline = ctx->scanline > 0 ? ctx->scanline : 1;
    const std::int32_t rows = ctx->height * scanline;
    auto* dst = static_cast<std::uint8_t*>(destination);
    for (std::int32_t j = 0; j < rows; ++j) {
        const std::int32_t r = j / scanline;
        if (ctx->dirty[r] == 0) continue;
        const std::uint8_t* src = ctx->visible_ptr + static_cast<std::ptrdiff_t>(r) * ctx->pitch;
        convert_row(dst + static_cast<std::ptrdiff_t>(j) * destination_pitch, src, ctx->width, *ctx);
    }
}

// ---- row copy (palette -> 8, 16 -> 16, 32 -> 32) ----

void blit_row_copy(void* destination, std::int32_t destination_pitch) {
    for_each_dirty_row(destination, destination_pitch,
                       [](std::uint8_t* d, const std::uint8_t* s, std::int32_t, const GfxContext& c) {
                           std::memcpy(d, s, static_cast<std::size_t>(c.pitch));
                       });
}

// ---- palette source ----

// The 256 entries are converted once per call; each pixel is then one lookup.
template <int Bytes, std::uint32_t (*Convert)(Rgb)>
void blit_palette(void* destination, std::int32_t destination_pitch) {
    const GfxContext* ctx = current_context();
    if (ctx == nullptr || ctx->device_palette == nullptr) return;
    std::uint32_t converted[256];
    for (int i = 0; i < 256; ++i) converted[i] = Convert(from_palette_entry(ctx->device_palette[i]));
    for_each_dirty_row(destination, destination_pitch,
                       [&converted](std::uint8_t* d, const std::uint8_t* s, std::int32_t width, const GfxContext&) {
                           for (std::int32_t x = 0; x < width; ++x, d += Bytes) {
                               const std::uint32_t v = converted[s[x]];
                               if constexpr (Bytes == 2) store16(d, v);
                               if constexpr (Bytes == 3) store24(d, v);
                               if constexpr (Bytes == 4) store32(d, v);
                           }
                       });
}

// ---- 16-bit source: red 11-15, green 5-10, blue 0-4 ----

template <bool Swap>
std::uint32_t page16_to15(std::uint32_t p) {
    const std::uint32_t r = p >> 11, g = (p >> 6) & 0x1F, b = p & 0x1F;  // green loses its low bit
    return Swap ? (b << 10) | (g << 5) | r : (r << 10) | (g << 5) | b;
}
std::uint32_t page16_swap16(std::uint32_t p) { return ((p & 0x1F) << 11) | (p & 0x7E0) | (p >> 11); }

template <std::uint32_t (*Convert)(std::uint32_t)>
void blit_16_to_16bit(void* destination, std::int32_t destination_pitch) {
    for_each_dirty_row(destination, destination_pitch,
                       [](std::uint8_t* d, const std::uint8_t* s, std::int32_t width, const GfxContext&) {
                           for (std::int32_t x = 0; x < width; ++x, d += 2, s += 2) store16(d, Convert(load16(s)));
                       });
}

// Through the lookup tables, which carry the swap; one routine per width.
template <int Bytes>
void blit_16_lookup(void* destination, std::int32_t destination_pitch) {
    const std::uint32_t* table = blitter_table();
    if (table == nullptr) return;
    for_each_dirty_row(destination, destination_pitch,
                       [table](std::uint8_t* d, const std::uint8_t* s, std::int32_t width, const GfxContext&) {
                           const std::uint32_t* low = table;
                           const std::uint32_t* high = table + LOOKUP_ENTRIES;
                           for (std::int32_t x = 0; x < width; ++x, d += Bytes, s += 2) {
                               const std::uint32_t p = load16(s);
                               const std::uint32_t v = low[p & 0xFF] | high[p >> 8];
                               if constexpr (Bytes == 3) store24(d, v);
                               if constexpr (Bytes == 4) store32(d, v);
                           }
                       });
}

// ---- 32-bit source: blue 0-7, green 8-15, red 16-23 ----

std::uint32_t page32_swap32(std::uint32_t p) { return (p & 0xFF00FF00u) | ((p >> 16) & 0xFF) | ((p & 0xFF) << 16); }

template <int Bytes, std::uint32_t (*Convert)(Rgb)>
void blit_32(void* destination, std::int32_t destination_pitch) {
    for_each_dirty_row(destination, destination_pitch,
                       [](std::uint8_t* d, const std::uint8_t* s, std::int32_t width, const GfxContext&) {
                           for (std::int32_t x = 0; x < width; ++x, d += Bytes, s += 4) {
                               const std::uint32_t v = Convert(from_page32(load32(s)));
                               if constexpr (Bytes == 2) store16(d, v);
                               if constexpr (Bytes == 3) store24(d, v);
                           }
                       });
}

void blit_32_swap32(void* destination, std::int32_t destination_pitch) {
    for_each_dirty_row(destination, destination_pitch,
                       [](std::uint8_t* d, const std::uint8_t* s, std::int32_t width, const GfxContext&) {
                           for (std::int32_t x = 0; x < width; ++x, d += 4, s += 4)
                               store32(d, page32_swap32(load32(s)));
                       });
}

void rebuild_lookup_tables(std::uint32_t* table, bool swap) {
    std::uint32_t* low = table;
    std::uint32_t* high = table + LOOKUP_ENTRIES;
    for (std::uint32_t i = 0; i < LOOKUP_ENTRIES; ++i) {
        if (!swap) {
            low[i] = (i & 0x1F) * 8 + (i & 0xE0) * 32;
            high[i] = (i & 7) * 8192 + (i & 0xF8) * 65536;
        } else {
            low[i] = (i & 0x1F) * 524288 + (i & 0xE0) * 32;
            high[i] = (i & 7) * 8192 + (i & 0xF8);
        }
    }
}

// Members indexed by [swap][destination: 15, 16, 24, 32].
constexpr BlitProc PALETTE_MEMBERS[2][4] = {
    {blit_palette<2, to15<false>>, blit_palette<2, to16<false>>, blit_palette<3, to32<false>>,
     blit_palette<4, to32<false>>},
    {blit_palette<2, to15<true>>, blit_palette<2, to16<true>>, blit_palette<3, to32<true>>,
     blit_palette<4, to32<true>>},
};
constexpr BlitProc PAGE16_MEMBERS[2][4] = {
    {blit_16_to_16bit<page16_to15<false>>, blit_row_copy, blit_16_lookup<3>, blit_16_lookup<4>},
    {blit_16_to_16bit<page16_to15<true>>, blit_16_to_16bit<page16_swap16>, blit_16_lookup<3>, blit_16_lookup<4>},
};
constexpr BlitProc PAGE32_MEMBERS[2][4] = {
    {blit_32<2, to15<false>>, blit_32<2, to16<false>>, blit_32<3, to32<false>>, blit_row_copy},
    {blit_32<2, to15<true>>, blit_32<2, to16<true>>, blit_32<3, to32<true>>, blit_32_swap32},
};

// Column of a destination depth in the member tables, or -1.
int destination_column(std::int32_t depth) {
    switch (depth) {
    case 15:
        return 0;
    case 16:
        return 1;
    case 24:
        return 2;
    case 32:
        return 3;
    default:
        return -1;
    }
}

// ---- 8-bit direct colour: each component's top bits under its mask ----

// The per-component tables of the converter in use, made by
// choose_direct8_blitter on the presenting thread before the first call.
struct Direct8Tables {
    std::uint8_t red[256], green[256], blue[256];
};
Direct8Tables g_direct8;

bool fill_component(std::uint8_t (&table)[256], std::uint32_t mask) {
    if (mask == 0 || mask > 0xFFu) return false;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    if ((mask >> shift) != (1u << bits) - 1u) return false;  // not one run of bits
    for (std::uint32_t c = 0; c < 256; ++c) table[c] = static_cast<std::uint8_t>((c >> (8 - bits)) << shift);
    return true;
}

std::uint8_t direct8(Rgb c) { return g_direct8.red[c.r] | g_direct8.green[c.g] | g_direct8.blue[c.b]; }

void blit_palette_direct8(void* destination, std::int32_t destination_pitch) {
    const GfxContext* ctx = current_context();
    if (ctx == nullptr || ctx->device_palette == nullptr) return;
    std::uint8_t converted[256];
    for (int i = 0; i < 256; ++i) converted[i] = direct8(from_palette_entry(ctx->device_palette[i]));
    for_each_dirty_row(destination, destination_pitch,
                       [&converted](std::uint8_t* d, const std::uint8_t* s, std::int32_t width, const GfxContext&) {
                           for (std::int32_t x = 0; x < width; ++x) d[x] = converted[s[x]];
                       });
}

void blit_16_direct8(void* destination, std::int32_t destination_pitch) {
    for_each_dirty_row(destination, destination_pitch,
                       [](std::uint8_t* d, const std::uint8_t* s, std::int32_t width, const GfxContext&) {
                           for (std::int32_t x = 0; x < width; ++x, s += 2) {
                               const std::uint32_t p = load16(s);
                               d[x] = direct8({(p >> 11) << 3, ((p >> 5) & 0x3F) << 2, (p & 0x1F) << 3});
                           }
                       });
}

void blit_32_direct8(void* destination, std::int32_t destination_pitch) {
    for_each_dirty_row(destination, destination_pitch,
                       [](std::uint8_t* d, const std::uint8_t* s, std::int32_t width, const GfxContext&) {
                           for (std::int32_t x = 0; x < width; ++x, s += 4) d[x] = direct8(from_page32(load32(s)));
                       });
}

}  // namespace

std::uint32_t* blitter_table() { return g_blitter_table; }

bool allocate_blitter_table() {
    free_blitter_table();
    g_blitter_table = static_cast<std::uint32_t*>(zeroed_alloc(BLITTER_TABLE_BYTES));
    return g_blitter_table != nullptr;
}

void free_blitter_table() {
    zeroed_free(g_blitter_table);
    g_blitter_table = nullptr;
}

BlitProc choose_direct8_blitter(std::uint32_t red_mask, std::uint32_t green_mask, std::uint32_t blue_mask) {
    const GfxContext* ctx = current_context();
    if (ctx == nullptr) return nullptr;
    if ((red_mask & green_mask) != 0 || (red_mask & blue_mask) != 0 || (green_mask & blue_mask) != 0) return nullptr;
    if (!fill_component(g_direct8.red, red_mask) || !fill_component(g_direct8.green, green_mask) ||
        !fill_component(g_direct8.blue, blue_mask)) {
        return nullptr;
    }
    switch (ctx->depth) {
    case 1:
    case 2:
    case 4:
    case 8:
        return blit_palette_direct8;
    case 15:
    case 16:
        return blit_16_direct8;
    case 24:
    case 32:
        return blit_32_direct8;
    default:
        return nullptr;
    }
}

BlitProc choose_blitter(std::int32_t destination_depth, std::int32_t swap) {
    const GfxContext* ctx = current_context();
    if (ctx == nullptr) return nullptr;
    const bool swapped = swap != 0;
    if (std::uint32_t* table = blitter_table(); table != nullptr) rebuild_lookup_tables(table, swapped);

    const int column = destination_column(destination_depth);
    const int s = swapped ? 1 : 0;
    switch (ctx->depth) {
    case 1:
    case 2:
    case 4:
    case 8:
        if (destination_depth == 8) return blit_row_copy;
        return column < 0 ? nullptr : PALETTE_MEMBERS[s][column];
    case 15:
    case 16:
        return column < 0 ? nullptr : PAGE16_MEMBERS[s][column];
    case 24:
    case 32:
        return column < 0 ? nullptr : PAGE32_MEMBERS[s][column];
    default:
        return nullptr;
    }
}

void blit_masked_32(void* destination, std::int32_t destination_pitch) {
    for_each_dirty_row(destination, destination_pitch,
                       [](std::uint8_t* d, const std::uint8_t* s, std::int32_t width, const GfxContext&) {
                           for (std::int32_t x = 0; x < width; ++x, d += 4, s += 4) {
                               store32(d, load32(s) & 0x00FFFFFFu);
                           }
                       });
}

}  // namespace vz

// The 22 numbered screen modes. Modes 0, 3, 4, 5 and 6 do not exist (width 0).

#include <array>

#include "gfx/context.h"
#include "gfx/screen/mode_table.h"
#include "gfx/text/packed_data.h"

namespace vz {

namespace {

enum class Font { f8x8, f8x14, f8x16 };

struct ModeRow {
    std::uint16_t width, height;
    std::uint8_t depth, scanline, pages;
    std::int32_t colours;
    Font font;
    std::uint16_t text_cols, text_rows;
};

constexpr ModeRow ROWS[MODE_COUNT] = {
    {0, 0, 0, 0, 0, 0, Font::f8x8, 0, 0},              // 0
    {320, 200, 2, 1, 8, 16, Font::f8x8, 40, 25},       // 1
    {640, 200, 1, 2, 1, 16, Font::f8x8, 80, 25},       // 2
    {0, 0, 0, 0, 0, 0, Font::f8x8, 0, 0},              // 3
    {0, 0, 0, 0, 0, 0, Font::f8x8, 0, 0},              // 4
    {0, 0, 0, 0, 0, 0, Font::f8x8, 0, 0},              // 5
    {0, 0, 0, 0, 0, 0, Font::f8x8, 0, 0},              // 6
    {320, 200, 4, 1, 8, 16, Font::f8x8, 40, 25},       // 7
    {640, 200, 4, 2, 4, 16, Font::f8x8, 80, 25},       // 8
    {640, 350, 4, 1, 2, 64, Font::f8x14, 80, 25},      // 9
    {640, 350, 1, 1, 2, 2, Font::f8x14, 80, 25},       // 10
    {640, 480, 1, 1, 1, 2, Font::f8x16, 80, 30},       // 11
    {640, 480, 4, 1, 1, 256, Font::f8x16, 80, 30},     // 12
    {320, 200, 8, 1, 1, 256, Font::f8x8, 40, 25},      // 13
    {320, 240, 8, 1, 1, 256, Font::f8x8, 40, 30},      // 14
    {400, 300, 8, 1, 1, 256, Font::f8x8, 50, 37},      // 15
    {512, 384, 8, 1, 1, 256, Font::f8x16, 64, 24},     // 16
    {640, 400, 8, 1, 1, 256, Font::f8x16, 80, 25},     // 17
    {640, 480, 8, 1, 1, 256, Font::f8x16, 80, 30},     // 18
    {800, 600, 8, 1, 1, 256, Font::f8x16, 100, 37},    // 19
    {1024, 768, 8, 1, 1, 256, Font::f8x16, 128, 48},   // 20
    {1280, 1024, 8, 1, 1, 256, Font::f8x16, 160, 64},  // 21
};

const FontDesc* font_for(Font font) {
    switch (font) {
    case Font::f8x14:
        return font_8x14();
    case Font::f8x16:
        return font_8x16();
    default:
        return font_8x8();
    }
}

// The descriptors are fixed records whose data is filled in when the packed
// fonts and palettes are unpacked, so their addresses can be taken at once.
std::array<ModeInfo, MODE_COUNT> build_table() {
    std::array<ModeInfo, MODE_COUNT> table{};
    for (int i = 0; i < MODE_COUNT; ++i) {
        const ModeRow& row = ROWS[i];
        ModeInfo& info = table[static_cast<std::size_t>(i)];
        info.width = row.width;
        info.height = row.height;
        info.depth = row.depth;
        info.scanline = row.scanline;
        info.pages = row.pages;
        info.palette = row.width != 0 ? palette_desc_for(row.colours) : nullptr;
        info.font = row.width != 0 ? font_for(row.font) : nullptr;
        info.text_cols = row.text_cols;
        info.text_rows = row.text_rows;
        info.aspect = 0.0f;
    }
    return table;
}

}  // namespace

const ModeInfo& mode_table(int mode) {
    static const std::array<ModeInfo, MODE_COUNT> table = build_table();
    if (mode < 0 || mode >= MODE_COUNT) return table[0];
    return table[static_cast<std::size_t>(mode)];
}

}  // namespace vz

// The packed fonts and palettes: the LZW decoder on the shipped stream, on
// damaged streams and on hand-built ones, and the contents of the block.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx/context.h"
#include "gfx/text/packed_data.h"
#include "gfx/text/packed_stream.h"
#include "gfx/text/text.h"

namespace vz {
namespace {

constexpr std::uint8_t CANARY = 0xA5;
constexpr std::size_t GUARD = 64;

// Packs 12-bit codes two to three bytes, low part first.
std::vector<std::uint8_t> pack(std::vector<std::uint16_t> codes) {
    if (codes.size() % 2 != 0) codes.push_back(0xFFF);
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < codes.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(codes[i] & 0xFF));
        out.push_back(static_cast<std::uint8_t>((codes[i] >> 8) | ((codes[i + 1] & 0x0F) << 4)));
        out.push_back(static_cast<std::uint8_t>(codes[i + 1] >> 4));
    }
    return out;
}

struct Decoded {
    std::int32_t result;
    std::size_t written;
    std::vector<std::uint8_t> bytes;
    bool guard_intact;
};

// Decodes into a buffer of `capacity` bytes followed by a guard region.
Decoded decode(std::span<const std::uint8_t> stream, std::size_t capacity) {
    std::vector<std::uint8_t> buffer(capacity + GUARD, CANARY);
    std::size_t size = capacity;
    const std::int32_t result = unpack_data(stream, buffer.data(), &size);
    bool intact = true;
    for (std::size_t i = capacity; i < buffer.size(); ++i) intact = intact && buffer[i] == CANARY;
    buffer.resize(size <= capacity ? size : capacity);
    return {result, size, buffer, intact};
}

std::string as_text(const std::vector<std::uint8_t>& b) { return std::string(b.begin(), b.end()); }

TEST(PackedStream, DecodesToExactlyTheBlock) {
    const Decoded exact = decode(packed_stream(), PACKED_DATA_SIZE);
    EXPECT_EQ(exact.result, 0);
    EXPECT_EQ(exact.written, PACKED_DATA_SIZE);
    EXPECT_TRUE(exact.guard_intact);

    const Decoded roomy = decode(packed_stream(), PACKED_DATA_SIZE + 100);
    EXPECT_EQ(roomy.result, 0);
    EXPECT_EQ(roomy.written, PACKED_DATA_SIZE);

    const Decoded tight = decode(packed_stream(), PACKED_DATA_SIZE - 1);
    EXPECT_EQ(tight.result, -1);
    EXPECT_LE(tight.written, PACKED_DATA_SIZE - 1);
    EXPECT_TRUE(tight.guard_intact);

    ASSERT_TRUE(unpack_fonts_and_palettes());
    ASSERT_TRUE(unpack_fonts_and_palettes());  // later calls keep the block
    EXPECT_EQ(std::vector<std::uint8_t>(packed_data(), packed_data() + PACKED_DATA_SIZE), exact.bytes);
}

TEST(PackedStream, TruncatedAndCorruptedStreamsFailWithoutOverrun) {
    const std::span<const std::uint8_t> full = packed_stream();
    for (std::size_t length = 0; length < full.size(); length += (length < 16 ? 1 : 37)) {
        const Decoded d = decode(full.first(length), PACKED_DATA_SIZE);
        ASSERT_EQ(d.result, -1) << length;
        ASSERT_LE(d.written, PACKED_DATA_SIZE) << length;
        ASSERT_TRUE(d.guard_intact) << length;
    }
    // The last byte carries the end code: without it the stream is unfinished.
    EXPECT_EQ(decode(full.first(full.size() - 1), PACKED_DATA_SIZE).result, -1);

    // Flipping bits anywhere must never write past the output.
    std::vector<std::uint8_t> damaged(full.begin(), full.end());
    for (std::size_t at = 0; at < damaged.size(); at += 101) {
        const std::uint8_t keep = damaged[at];
        damaged[at] = static_cast<std::uint8_t>(keep ^ 0xF7);
        const Decoded d = decode(damaged, PACKED_DATA_SIZE);
        ASSERT_TRUE(d.guard_intact) << at;
        ASSERT_LE(d.written, PACKED_DATA_SIZE) << at;
        if (d.result == 0) {
            ASSERT_NE(d.bytes, decode(full, PACKED_DATA_SIZE).bytes) << at;
        }
        damaged[at] = keep;
    }
}

TEST(PackedStream, HandBuiltStreams) {
    // Literals, a dictionary string, and a code used in the step that defines it.
    EXPECT_EQ(as_text(decode(pack({'A', 'B', 256, 0xFFF}), 100).bytes), "ABAB");
    EXPECT_EQ(as_text(decode(pack({'A', 256, 0xFFF}), 100).bytes), "AAA");
    EXPECT_EQ(as_text(decode(pack({'A', 'B', 256, 258, 0xFFF}), 100).bytes), "ABABABA");
    EXPECT_EQ(decode(pack({0xFFF}), 100).result, 0);
    EXPECT_EQ(decode(pack({0xFFF}), 100).written, 0u);

    // A code beyond the next dictionary entry, a non-literal first code, and
    // no end code at all are failures.
    EXPECT_EQ(decode(pack({'A', 'B', 300, 0xFFF}), 100).result, -1);
    EXPECT_EQ(decode(pack({256, 0xFFF}), 100).result, -1);
    EXPECT_EQ(as_text(decode(pack({'A', 'B', 'C'}), 100).bytes), "ABC");  // padded with the end code
    EXPECT_EQ(decode(pack({'A', 'B'}), 100).result, -1);
    EXPECT_EQ(decode(std::vector<std::uint8_t>{'A', 0x20}, 100).result, -1);
    EXPECT_EQ(decode(std::vector<std::uint8_t>{}, 100).result, -1);

    // Output limits: exactly enough room succeeds, one byte less fails.
    EXPECT_EQ(decode(pack({'A', 'B', 256, 0xFFF}), 4).result, 0);
    const Decoded short_room = decode(pack({'A', 'B', 256, 0xFFF}), 3);
    EXPECT_EQ(short_room.result, -1);
    EXPECT_TRUE(short_room.guard_intact);
    EXPECT_EQ(decode(pack({'A', 256, 0xFFF}), 2).result, -1);
}

TEST(PackedStream, DictionaryStopsGrowingAtEntry4094) {
    // 3840 literal codes define entries 256 ... 4094, each the pair of
    // literals at its position; after that no code adds an entry.
    std::vector<std::uint16_t> codes;
    std::string want;
    for (int i = 0; i < 3840; ++i) {
        const char c = static_cast<char>('a' + (i * 7) % 26);
        codes.push_back(static_cast<std::uint8_t>(c));
        want += c;
    }
    const std::string last_pair = want.substr(3838, 2);
    codes.push_back(4094);
    want += last_pair;
    codes.push_back(4094);  // still the same pair: the entry was not replaced
    want += last_pair;
    codes.push_back(0xFFF);
    const Decoded d = decode(pack(codes), 10000);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(as_text(d.bytes), want);
}

TEST(PackedBlock, FontsHaveTheCodePageShapesWithBitZeroLeftmost) {
    ASSERT_TRUE(unpack_fonts_and_palettes());
    const FontDesc* fonts[] = {font_8x8(), font_8x14(), font_8x16()};
    const std::int32_t heights[] = {8, 14, 16};
    const std::size_t offsets[] = {PACKED_FONT_8X8, PACKED_FONT_8X14, PACKED_FONT_8X16};
    for (int f = 0; f < 3; ++f) {
        const FontDesc* font = fonts[f];
        ASSERT_EQ(font->width, 8);
        ASSERT_EQ(font->height, heights[f]);
        ASSERT_EQ(font->glyphs, packed_data() + offsets[f]);
        auto glyph = [&](int g) { return font->glyphs + g * font->height; };
        int set_bits[256] = {};
        for (int g = 0; g < 256; ++g) {
            for (int r = 0; r < font->height; ++r) set_bits[g] += __builtin_popcount(glyph(g)[r]);
        }
        EXPECT_EQ(set_bits[0], 0) << f;
        EXPECT_EQ(set_bits[32], 0) << f;
        EXPECT_EQ(set_bits[255], 0) << f;
        EXPECT_EQ(set_bits[219], 8 * font->height) << f;  // full block
        for (int g = 1; g < 255; ++g) {
            if (g != 32) {
                EXPECT_GT(set_bits[g], 0) << "font " << f << " glyph " << g;
            }
        }
        // Light shade covers about a quarter of the cell.
        EXPECT_GT(set_bits[176], font->height) << f;
        EXPECT_LT(set_bits[176], 4 * font->height) << f;
        // Left and right half blocks: bit 0 is the leftmost pixel.
        for (int r = 0; r < font->height; ++r) {
            EXPECT_EQ(glyph(221)[r], 0x0F) << f << " row " << r;
            EXPECT_EQ(glyph(222)[r], 0xF0) << f << " row " << r;
        }
        // The vertical line of 179 lies at the same columns in every row.
        const std::uint8_t column = glyph(179)[0];
        for (int r = 0; r < font->height; ++r) EXPECT_EQ(glyph(179)[r], column) << f;
    }
}

TEST(PackedBlock, DefaultPalettes) {
    ASSERT_TRUE(unpack_fonts_and_palettes());
    auto rgb = [](std::int32_t colours, int i) {
        const PaletteDesc* desc = palette_desc_for(colours);
        const std::uint8_t* p = desc->defaults + i * 3;
        return std::vector<int>{p[0], p[1], p[2]};
    };
    using V = std::vector<int>;
    EXPECT_EQ(palette_desc_for(3), nullptr);
    EXPECT_EQ(palette_desc_for(2)->defaults, packed_data() + PACKED_PALETTE_2);
    EXPECT_EQ(palette_desc_for(256)->colours, 256);
    EXPECT_EQ(rgb(2, 0), (V{0, 0, 0}));
    EXPECT_EQ(rgb(2, 1), (V{255, 255, 255}));
    // The sixteen colours, brown included.
    const V sixteen[16] = {{0, 0, 0},     {0, 0, 170},    {0, 170, 0},    {0, 170, 170},
                           {170, 0, 0},   {170, 0, 170},  {170, 85, 0},   {170, 170, 170},
                           {85, 85, 85},  {85, 85, 255},  {85, 255, 85},  {85, 255, 255},
                           {255, 85, 85}, {255, 85, 255}, {255, 255, 85}, {255, 255, 255}};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(rgb(16, i), sixteen[i]) << i;
        EXPECT_EQ(rgb(256, i), sixteen[i]) << i;
    }
    // EGA rgbRGB: bits 0-2 two thirds of blue, green, red; bits 3-5 one third.
    EXPECT_EQ(rgb(64, 1), (V{0, 0, 170}));
    EXPECT_EQ(rgb(64, 8), (V{0, 0, 85}));
    EXPECT_EQ(rgb(64, 20), (V{170, 85, 0}));
    EXPECT_EQ(rgb(64, 56), (V{85, 85, 85}));
    EXPECT_EQ(rgb(64, 63), (V{255, 255, 255}));
    EXPECT_EQ(rgb(64, 36), (V{255, 0, 0}));
    // VGA: greys, the hue rings, the black tail.
    EXPECT_EQ(rgb(256, 16), (V{0, 0, 0}));
    EXPECT_EQ(rgb(256, 17), (V{20, 20, 20}));
    EXPECT_EQ(rgb(256, 31), (V{255, 255, 255}));
    EXPECT_EQ(rgb(256, 32), (V{0, 0, 255}));
    EXPECT_EQ(rgb(256, 33), (V{64, 0, 255}));
    EXPECT_EQ(rgb(256, 36), (V{255, 0, 255}));
    EXPECT_EQ(rgb(256, 40), (V{255, 0, 0}));
    EXPECT_EQ(rgb(256, 44), (V{255, 255, 0}));
    EXPECT_EQ(rgb(256, 48), (V{0, 255, 0}));
    EXPECT_EQ(rgb(256, 52), (V{0, 255, 255}));
    EXPECT_EQ(rgb(256, 55), (V{0, 64, 255}));
    EXPECT_EQ(rgb(256, 56), (V{125, 125, 255}));
    EXPECT_EQ(rgb(256, 80), (V{182, 182, 255}));
    EXPECT_EQ(rgb(256, 104), (V{0, 0, 113}));
    EXPECT_EQ(rgb(256, 176), (V{0, 0, 64}));
    EXPECT_EQ(rgb(256, 247), (V{44, 48, 64}));
    for (int i = 248; i < 256; ++i) EXPECT_EQ(rgb(256, i), (V{0, 0, 0})) << i;
}

// The shipped stream is what the pack-data tool builds from the fonts today.
TEST(PackedBlock, ShippedStreamMatchesTheTool) {
#ifdef _WIN32
    GTEST_SKIP() << "pack-data runs on the build machine; the Linux builds compare its output";
#else
    const std::string tool = std::string(VZ_BIN_DIR) + "/pack-data";
    const std::string fonts = "/usr/share/consolefonts";
    if (access(tool.c_str(), X_OK) != 0) GTEST_SKIP() << "pack-data not built";
    if (access((fonts + "/Uni2-VGA8.psf.gz").c_str(), R_OK) != 0) GTEST_SKIP() << "console fonts not installed";
    char dir_template[] = "/tmp/vz-pack-XXXXXX";
    ASSERT_NE(mkdtemp(dir_template), nullptr);
    const std::string dir = dir_template;
    const std::string command =
        "'" + tool + "' --fonts " + fonts + " --block " + dir + "/block.bin " + dir + "/stream.cpp > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    auto slurp = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const std::string block = slurp(dir + "/block.bin");
    const std::string generated = slurp(dir + "/stream.cpp");
    const std::string shipped = slurp(std::string(VZ_SOURCE_DIR) + "/gfx/text/packed_stream.cpp");
    std::remove((dir + "/block.bin").c_str());
    std::remove((dir + "/stream.cpp").c_str());
    rmdir(dir.c_str());
    ASSERT_TRUE(unpack_fonts_and_palettes());
    // Compared as booleans: a mismatch names its first differing byte
    // instead of printing kilobytes.
    auto first_difference = [](const std::string& a, const std::string& b) {
        std::size_t i = 0;
        while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
        return i;
    };
    const std::string unpacked(reinterpret_cast<const char*>(packed_data()), PACKED_DATA_SIZE);
    EXPECT_TRUE(block == unpacked) << "block differs from byte " << first_difference(block, unpacked);
    EXPECT_TRUE(generated == shipped) << "source differs from byte " << first_difference(generated, shipped)
                                      << "; regenerate gfx/text/packed_stream.cpp with pack-data";
#endif
}

}  // namespace
}  // namespace vz

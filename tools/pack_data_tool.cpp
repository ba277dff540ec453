// pack-data: builds the packed block of the three code page 437 fonts (8x8,
// 8x14, 8x16) and the four default palettes, compresses it into the 12-bit
// LZW stream and writes it as a C++ source file.
//
//   pack-data [--fonts DIR] [--block FILE] OUTPUT.cpp
//
// DIR holds the PSF console fonts (default /usr/share/consolefonts, from
// Debian's console-setup-linux package); --block also writes the unpacked
// block (10742 bytes) to FILE. Glyphs are looked up through each font's
// Unicode table; tools/fonts/README.md names the fonts and their licence.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/drivers/cp437.h"
#include "gfx/text/packed_data.h"
#include "gfx/text/text.h"

extern char** environ;

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------------------
// Code page 437 in Unicode. Where fonts commonly file a glyph under a
// neighbouring code point, the alternatives follow the preferred one.

std::array<std::vector<std::uint32_t>, 256> cp437_table() {
    std::array<std::vector<std::uint32_t>, 256> table;
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = {vz::cp437_to_unicode(static_cast<std::uint8_t>(i))};
    // Alternatives seen in console fonts.
    table[0x10] = {0x25BA, 0x25B6, 0x25B8};
    table[0x11] = {0x25C4, 0x25C0, 0x25C2};
    table[0x16] = {0x25AC, 0x2582};
    table[0xE1] = {0x00DF, 0x03B2};
    table[0xE6] = {0x00B5, 0x03BC};
    table[0xEA] = {0x03A9, 0x2126};
    table[0xED] = {0x03C6, 0x03D5, 0x0278};
    table[0xEE] = {0x03B5, 0x2208};
    table[0xF9] = {0x2219, 0x00B7};
    table[0xFA] = {0x00B7, 0x2219};
    return table;
}

// Glyphs drawn here where none of the chosen console fonts of that height has
// them. Rows top to bottom, most significant bit leftmost.
struct OwnGlyph {
    int height;
    int ch;
    std::vector<std::uint8_t> rows;
};

const std::vector<OwnGlyph>& own_glyphs() {
    static const std::vector<OwnGlyph> glyphs = {
        {8, 0x9E, {0xF8, 0xCC, 0xCC, 0xFA, 0xC6, 0xCF, 0xC6, 0xC7}},  // peseta sign
        {8, 0xA9, {0x00, 0x00, 0x00, 0xFE, 0xC0, 0xC0, 0x00, 0x00}},  // reversed not sign
        {8, 0xEC, {0x00, 0x00, 0x6E, 0xDB, 0xDB, 0x76, 0x00, 0x00}},  // infinity
        {8, 0xEF, {0x00, 0x7C, 0xC6, 0xC6, 0xC6, 0xC6, 0xC6, 0x00}},  // intersection
        {8, 0xF0, {0x00, 0xFE, 0x00, 0xFE, 0x00, 0xFE, 0x00, 0x00}},  // identical to
        {14, 0x9E, {0x00, 0x00, 0xF8, 0xCC, 0xCC, 0xF8, 0xC4, 0xCC, 0xDE, 0xCC, 0xCC, 0xCD, 0xC6, 0x00}},
        {14, 0xA9, {0x00, 0x00, 0x00, 0x00, 0x00, 0xFE, 0xC0, 0xC0, 0xC0, 0xC0, 0x00, 0x00, 0x00, 0x00}},
        {14, 0xEC, {0x00, 0x00, 0x00, 0x00, 0x00, 0x76, 0xDB, 0xDB, 0xDB, 0x6E, 0x00, 0x00, 0x00, 0x00}},
        {14, 0xEF, {0x00, 0x00, 0x00, 0x7C, 0xC6, 0xC6, 0xC6, 0xC6, 0xC6, 0xC6, 0xC6, 0xC6, 0x00, 0x00}},
        {14, 0xF0, {0x00, 0x00, 0x00, 0x00, 0xFE, 0x00, 0x00, 0xFE, 0x00, 0x00, 0xFE, 0x00, 0x00, 0x00}},
    };
    return glyphs;
}

// ---------------------------------------------------------------------------
// Reading PSF fonts (versions 1 and 2, gzip-compressed or not).

bool read_plain_file(const std::string& path, Bytes& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Decompresses through the system's gzip, started without a shell.
bool gunzip_file(const std::string& path, Bytes& out) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::string arg0 = "gzip", arg1 = "-dc", arg2 = "--";
    std::string arg3 = path;
    char* argv[] = {arg0.data(), arg1.data(), arg2.data(), arg3.data(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "gzip", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return false;
    }
    out.clear();
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        out.insert(out.end(), buffer, buffer + n);
    }
    close(fds[0]);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool read_font_file(const std::string& path, Bytes& out) {
    if (!read_plain_file(path, out)) return false;
    if (out.size() >= 2 && out[0] == 0x1F && out[1] == 0x8B) return gunzip_file(path, out);
    return true;
}

struct PsfFont {
    std::string name;
    int height = 0;
    int glyph_count = 0;
    Bytes glyphs;                          // glyph_count * height rows, one byte each
    std::map<std::uint32_t, int> unicode;  // code point -> glyph (first mapping wins)
};

std::uint32_t read_le32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::optional<PsfFont> parse_psf(const std::string& name, const Bytes& data) {
    PsfFont font;
    font.name = name;
    std::size_t table_at = 0;
    bool has_table = false;
    bool utf8_table = false;
    if (data.size() >= 4 && data[0] == 0x36 && data[1] == 0x04) {
        const int mode = data[2];
        font.height = data[3];
        font.glyph_count = (mode & 0x01) ? 512 : 256;
        has_table = (mode & 0x06) != 0;
        const std::size_t glyph_bytes =
            static_cast<std::size_t>(font.glyph_count) * static_cast<std::size_t>(font.height);
        if (data.size() < 4 + glyph_bytes) return std::nullopt;
        font.glyphs.assign(data.begin() + 4, data.begin() + 4 + static_cast<std::ptrdiff_t>(glyph_bytes));
        table_at = 4 + glyph_bytes;
    } else if (data.size() >= 32 && read_le32(data, 0) == 0x864AB572u) {
        const std::uint32_t header = read_le32(data, 8);
        const std::uint32_t flags = read_le32(data, 12);
        const std::uint32_t count = read_le32(data, 16);
        const std::uint32_t charsize = read_le32(data, 20);
        const std::uint32_t height = read_le32(data, 24);
        const std::uint32_t width = read_le32(data, 28);
        if (width != 8 || charsize != height || count > 65536 || height > 64) return std::nullopt;
        const std::size_t glyph_bytes = static_cast<std::size_t>(count) * charsize;
        if (header > data.size() || data.size() - header < glyph_bytes) return std::nullopt;
        font.height = static_cast<int>(height);
        font.glyph_count = static_cast<int>(count);
        font.glyphs.assign(data.begin() + header, data.begin() + static_cast<std::ptrdiff_t>(header + glyph_bytes));
        table_at = header + glyph_bytes;
        has_table = (flags & 1) != 0;
        utf8_table = true;
    } else {
        return std::nullopt;
    }
    if (!has_table) return std::nullopt;  // without Unicode we cannot place glyphs
    int glyph = 0;
    std::size_t i = table_at;
    bool in_sequence = false;
    while (glyph < font.glyph_count && i < data.size()) {
        std::uint32_t cp = 0;
        if (utf8_table) {
            const std::uint8_t b = data[i];
            if (b == 0xFF) {
                ++glyph;
                in_sequence = false;
                ++i;
                continue;
            }
            if (b == 0xFE) {
                in_sequence = true;
                ++i;
                continue;
            }
            int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
            cp = extra == 0 ? b : extra == 1 ? (b & 0x1Fu) : extra == 2 ? (b & 0x0Fu) : (b & 0x07u);
            ++i;
            for (; extra > 0 && i < data.size(); --extra, ++i) cp = (cp << 6) | (data[i] & 0x3Fu);
        } else {
            if (i + 1 >= data.size()) break;
            cp = data[i] | (data[i + 1] << 8);
            i += 2;
            if (cp == 0xFFFF) {
                ++glyph;
                in_sequence = false;
                continue;
            }
            if (cp == 0xFFFE) {
                in_sequence = true;
                continue;
            }
        }
        // Combining sequences describe composed characters; only single code
        // points are used here.
        if (!in_sequence) font.unicode.emplace(cp, glyph);
    }
    return font;
}

// ---------------------------------------------------------------------------
// The fonts: for every code page 437 position, the first font in the list
// that has one of its code points supplies the glyph.

struct FontPlan {
    int height;
    std::vector<std::string> files;
};

const std::vector<FontPlan>& font_plans() {
    static const std::vector<FontPlan> plans = {
        {8, {"FullGreek-VGA8.psf.gz", "Uni2-VGA8.psf.gz"}},
        {14, {"FullGreek-VGA14.psf.gz", "Uni2-VGA14.psf.gz", "Arabic-VGA14.psf.gz"}},
        {16, {"FullGreek-VGA16.psf.gz", "Uni2-VGA16.psf.gz"}},
    };
    return plans;
}

std::uint8_t reverse_bits(std::uint8_t b) {
    std::uint8_t r = 0;
    for (int i = 0; i < 8; ++i) {
        if (b & (0x80 >> i)) r = static_cast<std::uint8_t>(r | (1 << i));
    }
    return r;
}

bool build_font(const std::string& dir, const FontPlan& plan, std::uint8_t* out) {
    std::vector<PsfFont> fonts;
    for (const std::string& file : plan.files) {
        Bytes data;
        if (!read_font_file(dir + "/" + file, data)) {
            std::fprintf(stderr, "pack-data: cannot read %s/%s\n", dir.c_str(), file.c_str());
            return false;
        }
        std::optional<PsfFont> font = parse_psf(file, data);
        if (!font || font->height != plan.height) {
            std::fprintf(stderr, "pack-data: %s is not an 8x%d PSF font with a Unicode table\n", file.c_str(),
                         plan.height);
            return false;
        }
        fonts.push_back(std::move(*font));
    }
    const auto table = cp437_table();
    const std::size_t h = static_cast<std::size_t>(plan.height);
    bool complete = true;
    for (int ch = 0; ch < 256; ++ch) {
        std::uint8_t* glyph = out + static_cast<std::size_t>(ch) * h;
        std::memset(glyph, 0, h);
        if (ch == 0 || ch == 255) continue;  // blank cells (null and no-break space)
        const OwnGlyph* own = nullptr;
        for (const OwnGlyph& g : own_glyphs()) {
            if (g.height == plan.height && g.ch == ch && g.rows.size() == h) own = &g;
        }
        if (own != nullptr) {
            for (std::size_t r = 0; r < h; ++r) glyph[r] = reverse_bits(own->rows[r]);
            continue;
        }
        bool found = false;
        for (const PsfFont& font : fonts) {
            for (std::uint32_t cp : table[static_cast<std::size_t>(ch)]) {
                auto it = font.unicode.find(cp);
                if (it == font.unicode.end()) continue;
                const std::uint8_t* src = font.glyphs.data() + static_cast<std::size_t>(it->second) * h;
                for (std::size_t r = 0; r < h; ++r) glyph[r] = reverse_bits(src[r]);
                found = true;
                break;
            }
            if (found) break;
        }
        if (!found) {
            std::fprintf(stderr, "pack-data: no 8x%d glyph for code page 437 character %d\n", plan.height, ch);
            complete = false;
        }
    }
    return complete;
}

// ---------------------------------------------------------------------------
// The default palettes, as 8-bit red, green, blue bytes.

std::uint8_t from_six_bits(int v) { return static_cast<std::uint8_t>(v * 255 / 63); }

void put_rgb(std::uint8_t* out, int index, int r6, int g6, int b6) {
    out[index * 3 + 0] = from_six_bits(r6);
    out[index * 3 + 1] = from_six_bits(g6);
    out[index * 3 + 2] = from_six_bits(b6);
}

// The sixteen CGA/EGA colours: intensity bit 3, red 2, green 1, blue 0;
// colour 6 is brown (half-intensity green).
void cga_colour(int i, int& r6, int& g6, int& b6) {
    const int lift = (i & 8) ? 21 : 0;
    r6 = ((i & 4) ? 42 : 0) + lift;
    g6 = ((i & 2) ? 42 : 0) + lift;
    b6 = ((i & 1) ? 42 : 0) + lift;
    if (i == 6) g6 = 21;
}

void build_palettes(std::uint8_t* block) {
    std::uint8_t* two = block + vz::PACKED_PALETTE_2;
    put_rgb(two, 0, 0, 0, 0);
    put_rgb(two, 1, 63, 63, 63);

    std::uint8_t* sixteen = block + vz::PACKED_PALETTE_16;
    for (int i = 0; i < 16; ++i) {
        int r, g, b;
        cga_colour(i, r, g, b);
        put_rgb(sixteen, i, r, g, b);
    }

    // EGA: bits 0-2 are the two-thirds parts of blue, green, red, bits 3-5
    // the one-third parts (rgbRGB).
    std::uint8_t* sixty_four = block + vz::PACKED_PALETTE_64;
    for (int i = 0; i < 64; ++i) {
        const int b = ((i & 1) ? 42 : 0) + ((i & 8) ? 21 : 0);
        const int g = ((i & 2) ? 42 : 0) + ((i & 16) ? 21 : 0);
        const int r = ((i & 4) ? 42 : 0) + ((i & 32) ? 21 : 0);
        put_rgb(sixty_four, i, r, g, b);
    }

    // VGA power-on palette: the 16 colours, 16 greys, then nine rings of 24
    // hues (three brightnesses times three saturations), then 8 blacks.
    std::uint8_t* vga = block + vz::PACKED_PALETTE_256;
    for (int i = 0; i < 16; ++i) {
        int r, g, b;
        cga_colour(i, r, g, b);
        put_rgb(vga, i, r, g, b);
    }
    static const int greys[16] = {0, 5, 8, 11, 14, 17, 20, 24, 28, 32, 36, 40, 45, 50, 56, 63};
    for (int i = 0; i < 16; ++i) put_rgb(vga, 16 + i, greys[i], greys[i], greys[i]);
    // Each ring uses five component levels from lo to hi.
    static const int levels[9][5] = {
        {0, 16, 31, 47, 63},  {31, 39, 47, 55, 63}, {45, 49, 54, 58, 63}, {0, 7, 14, 21, 28},   {14, 17, 21, 24, 28},
        {20, 22, 24, 26, 28}, {0, 4, 8, 12, 16},    {8, 10, 12, 14, 16},  {11, 12, 13, 15, 16},
    };
    int index = 32;
    for (const auto& lv : levels) {
        // Walk the hue circle from blue: raise red, lower blue, raise green,
        // lower red, raise blue, lower green; four steps each.
        int r = 0, g = 0, b = 4;
        int* channel[6] = {&r, &b, &g, &r, &b, &g};
        const int delta[6] = {+1, -1, +1, -1, +1, -1};
        for (int side = 0; side < 6; ++side) {
            for (int step = 0; step < 4; ++step) {
                put_rgb(vga, index++, lv[r], lv[g], lv[b]);
                *channel[side] += delta[side];
            }
        }
    }
    while (index < 256) put_rgb(vga, index++, 0, 0, 0);
}

// ---------------------------------------------------------------------------
// LZW: 12-bit codes, literals 0-255, dictionary 256-4094, 4095 ends the
// stream; two codes per three bytes, low part first.

Bytes lzw_encode(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint16_t> codes;
    std::map<std::pair<int, int>, int> dictionary;  // {prefix code, byte} -> code
    int next = 256;
    if (size > 0) {
        int w = data[0];
        for (std::size_t i = 1; i < size; ++i) {
            const int c = data[i];
            auto it = dictionary.find({w, c});
            if (it != dictionary.end()) {
                w = it->second;
                continue;
            }
            codes.push_back(static_cast<std::uint16_t>(w));
            if (next <= 4094) dictionary.emplace(std::make_pair(w, c), next++);
            w = c;
        }
        codes.push_back(static_cast<std::uint16_t>(w));
    }
    codes.push_back(0xFFF);
    if (codes.size() % 2 != 0) codes.push_back(0xFFF);
    Bytes out;
    for (std::size_t i = 0; i < codes.size(); i += 2) {
        const unsigned a = codes[i], b = codes[i + 1];
        out.push_back(static_cast<std::uint8_t>(a & 0xFF));
        out.push_back(static_cast<std::uint8_t>((a >> 8) | ((b & 0x0F) << 4)));
        out.push_back(static_cast<std::uint8_t>(b >> 4));
    }
    return out;
}

std::string stream_source(const Bytes& stream) {
    std::ostringstream s;
    s << "// Generated by the pack-data tool (tools/pack_data_tool.cpp); do not edit.\n"
         "// Regenerate from the repository root with:\n"
         "//   cmake --build build/release --target pack-data &&\n"
         "//   build/release/bin/pack-data --fonts /usr/share/consolefonts gfx/text/packed_stream.cpp\n"
         "// The three code page 437 fonts and the four default palettes as one LZW\n"
         "// stream; tools/fonts/README.md names the fonts and their licence.\n"
         "\n"
         "#include \"gfx/text/packed_stream.h\"\n"
         "\n"
         "namespace vz {\n"
         "\n"
         "namespace {\n"
         "\n"
         "// Sixteen bytes a row, as the tool writes them.\n"
         "// clang-format off\n"
         "constexpr std::uint8_t STREAM["
      << stream.size() << "] = {\n";
    char hex[8];
    for (std::size_t i = 0; i < stream.size(); ++i) {
        if (i % 16 == 0) s << "   ";
        std::snprintf(hex, sizeof hex, " 0x%02X,", stream[i]);
        s << hex;
        if (i % 16 == 15 || i + 1 == stream.size()) s << "\n";
    }
    s << "};\n"
         "// clang-format on\n"
         "\n"
         "}  // namespace\n"
         "\n"
         "std::span<const std::uint8_t> packed_stream() { return STREAM; }\n"
         "\n"
         "}  // namespace vz\n";
    return s.str();
}

bool write_file(const std::string& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

int usage() {
    std::fprintf(stderr, "usage: pack-data [--fonts DIR] [--block FILE] OUTPUT.cpp\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string font_dir = "/usr/share/consolefonts";
    std::string block_path;
    std::string output_path;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--fonts" && i + 1 < argc) {
            font_dir = argv[++i];
        } else if (arg == "--block" && i + 1 < argc) {
            block_path = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && output_path.empty()) {
            output_path = arg;
        } else {
            return usage();
        }
    }
    if (output_path.empty()) return usage();

    Bytes block(vz::PACKED_DATA_SIZE, 0);
    const std::size_t font_offsets[3] = {vz::PACKED_FONT_8X8, vz::PACKED_FONT_8X14, vz::PACKED_FONT_8X16};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!build_font(font_dir, font_plans()[i], block.data() + font_offsets[i])) return 1;
    }
    build_palettes(block.data());

    const Bytes stream = lzw_encode(block.data(), block.size());

    // The stream must come back exactly through the runtime's own decoder.
    Bytes check(vz::PACKED_DATA_SIZE + 1, 0);
    std::size_t size = check.size();
    if (vz::unpack_data(stream, check.data(), &size) != 0 || size != block.size() ||
        std::memcmp(check.data(), block.data(), block.size()) != 0) {
        std::fprintf(stderr, "pack-data: the stream does not decode to the block\n");
        return 1;
    }

    const std::string source = stream_source(stream);
    if (!write_file(output_path, source.data(), source.size())) {
        std::fprintf(stderr, "pack-data: cannot write %s\n", output_path.c_str());
        return 1;
    }
    if (!block_path.empty() && !write_file(block_path, block.data(), block.size())) {
        std::fprintf(stderr, "pack-data: cannot write %s\n", block_path.c_str());
        return 1;
    }
    std::printf("pack-data: %zu bytes unpacked, %zu bytes packed\n", block.size(), stream.size());
    return 0;
}

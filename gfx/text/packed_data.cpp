// The fonts and default palettes: one LZW stream unpacked once per process
// into a fixed block that the font and palette descriptors point into.

#include "gfx/text/packed_data.h"

#include <array>
#include <cstring>
#include <mutex>

#include "gfx/context.h"
#include "gfx/text/packed_stream.h"
#include "gfx/text/text.h"

namespace vz {

namespace {

constexpr std::int32_t FIRST_DICTIONARY_CODE = 256;
constexpr std::int32_t LAST_DICTIONARY_CODE = 4094;
constexpr std::int32_t END_CODE = 0xFFF;
constexpr std::size_t MAX_STRING_LENGTH = 4095;

// The unpacked block. It stays all zero (blank glyphs, black palettes) until
// a decode has fully succeeded, so a damaged stream can never leave half
// written fonts behind.
std::uint8_t g_block[PACKED_DATA_SIZE];
std::mutex g_unpack_mutex;
bool g_unpacked = false;

const FontDesc FONT_8X8{8, 8, g_block + PACKED_FONT_8X8};
const FontDesc FONT_8X14{8, 14, g_block + PACKED_FONT_8X14};
const FontDesc FONT_8X16{8, 16, g_block + PACKED_FONT_8X16};
const PaletteDesc PALETTE_2{2, g_block + PACKED_PALETTE_2};
const PaletteDesc PALETTE_16{16, g_block + PACKED_PALETTE_16};
const PaletteDesc PALETTE_64{64, g_block + PACKED_PALETTE_64};
const PaletteDesc PALETTE_256{256, g_block + PACKED_PALETTE_256};

// Code k of the stream, or -1 when the stream ends before it. Two codes share
// three bytes, low part first.
std::int32_t code_at(std::span<const std::uint8_t> stream, std::size_t k) {
    const std::size_t base = (k / 2) * 3;
    if (k % 2 == 0) {
        if (base + 1 >= stream.size()) return -1;
        return stream[base] | ((stream[base + 1] & 0x0F) << 8);
    }
    if (base + 2 >= stream.size()) return -1;
    return (stream[base + 1] >> 4) | (stream[base + 2] << 4);
}

struct Dictionary {
    std::array<std::uint16_t, END_CODE> prefix{};
    std::array<std::uint8_t, END_CODE> last{};
};

// Writes the string of `code` at out[written...]; its first byte goes to
// *first. False when the chain is too long or the output would overflow.
bool emit_string(const Dictionary& dict, std::int32_t code, std::uint8_t* out, std::size_t capacity,
                 std::size_t& written, std::uint8_t* first) {
    std::size_t length = 1;
    for (std::int32_t c = code; c >= FIRST_DICTIONARY_CODE; c = dict.prefix[static_cast<std::size_t>(c)]) {
        if (++length > MAX_STRING_LENGTH) return false;
    }
    if (length > capacity - written) return false;
    std::size_t pos = written + length;
    std::int32_t c = code;
    while (c >= FIRST_DICTIONARY_CODE) {
        out[--pos] = dict.last[static_cast<std::size_t>(c)];
        c = dict.prefix[static_cast<std::size_t>(c)];
    }
    out[--pos] = static_cast<std::uint8_t>(c);
    *first = static_cast<std::uint8_t>(c);
    written += length;
    return true;
}

}  // namespace

std::int32_t unpack_data(std::span<const std::uint8_t> stream, std::uint8_t* output, std::size_t* capacity) {
    if (capacity == nullptr) return -1;
    const std::size_t room = output == nullptr ? 0 : *capacity;
    std::size_t written = 0;
    auto finish = [&](std::int32_t result) {
        *capacity = written;
        return result;
    };

    std::int32_t code = code_at(stream, 0);
    if (code == END_CODE) return finish(0);
    if (code < 0 || code >= FIRST_DICTIONARY_CODE || room == 0) return finish(-1);
    output[written++] = static_cast<std::uint8_t>(code);

    Dictionary dict;
    std::int32_t next = FIRST_DICTIONARY_CODE;
    std::int32_t previous = code;
    for (std::size_t k = 1;; ++k) {
        code = code_at(stream, k);
        if (code < 0) return finish(-1);
        if (code == END_CODE) return finish(0);
        std::uint8_t first = 0;
        if (code < next) {
            if (!emit_string(dict, code, output, room, written, &first)) return finish(-1);
        } else if (code == next) {
            // Not yet defined: the previous string followed by its own first byte.
            if (!emit_string(dict, previous, output, room, written, &first)) return finish(-1);
            if (written >= room) return finish(-1);
            output[written++] = first;
        } else {
            return finish(-1);  // a code beyond the dictionary: damaged stream
        }
        if (next <= LAST_DICTIONARY_CODE) {
            dict.prefix[static_cast<std::size_t>(next)] = static_cast<std::uint16_t>(previous);
            dict.last[static_cast<std::size_t>(next)] = first;
            ++next;
        }
        previous = code;
    }
}

bool unpack_fonts_and_palettes() {
    std::lock_guard<std::mutex> guard(g_unpack_mutex);
    if (g_unpacked) return true;
    static std::uint8_t scratch[PACKED_DATA_SIZE];
    std::size_t size = sizeof scratch;
    if (unpack_data(packed_stream(), scratch, &size) != 0 || size != PACKED_DATA_SIZE) return false;
    std::memcpy(g_block, scratch, PACKED_DATA_SIZE);
    g_unpacked = true;
    return true;
}

const std::uint8_t* packed_data() { return g_block; }

const PaletteDesc* palette_desc_for(std::int32_t colours) {
    switch (colours) {
    case 2:
        return &PALETTE_2;
    case 16:
        return &PALETTE_16;
    case 64:
        return &PALETTE_64;
    case 256:
        return &PALETTE_256;
    default:
        return nullptr;
    }
}

const FontDesc* font_8x8() { return &FONT_8X8; }
const FontDesc* font_8x14() { return &FONT_8X14; }
const FontDesc* font_8x16() { return &FONT_8X16; }

}  // namespace vz

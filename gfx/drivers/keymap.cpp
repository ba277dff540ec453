// Key translation tables and routines.

#include "gfx/drivers/keymap.h"

#include <array>

#include "rt/key_codes.h"

namespace vz {

namespace {

// One scancode with the virtual key(s) that report it; second_vk is 0 when
// there is only one.
struct ScancodeRow {
    std::uint8_t scancode;
    std::uint8_t first_vk;
    std::uint8_t second_vk;
};
constexpr int SCANCODE_ROWS = 86;

// Key code table, indexed by scancode 0-88: normal, with shift, with control,
// with alt. Values below 256 are characters, others BIOS-style codes (code * 256).
constexpr int KEY_CODE_ROWS = 89;
using KeyCodeRow = std::array<std::uint16_t, 4>;

// Keys of the separate blocks, reported with the extended flag.
struct EnhancedKeyRow {
    std::uint16_t scancode;
    std::uint16_t normal, shift, control, alt;
};
constexpr int ENHANCED_KEY_ROWS = 12;

constexpr std::array<ScancodeRow, SCANCODE_ROWS> SCANCODES = {{
    {1, 0x1B, 0},     {2, 0x31, 0},     {3, 0x32, 0},     {4, 0x33, 0},  {5, 0x34, 0},     {6, 0x35, 0},
    {7, 0x36, 0},     {8, 0x37, 0},     {9, 0x38, 0},     {10, 0x39, 0}, {11, 0x30, 0},    {12, 0xBD, 0x6D},
    {13, 0xBB, 0},    {14, 0x08, 0},    {15, 0x09, 0},    {16, 0x51, 0}, {17, 0x57, 0},    {18, 0x45, 0},
    {19, 0x52, 0},    {20, 0x54, 0},    {21, 0x59, 0},    {22, 0x55, 0}, {23, 0x49, 0},    {24, 0x4F, 0},
    {25, 0x50, 0},    {26, 0xDB, 0},    {27, 0xDD, 0},    {28, 0x0D, 0}, {29, 0x11, 0},    {30, 0x41, 0},
    {31, 0x53, 0},    {32, 0x44, 0},    {33, 0x46, 0},    {34, 0x47, 0}, {35, 0x48, 0},    {36, 0x4A, 0},
    {37, 0x4B, 0},    {38, 0x4C, 0},    {39, 0xBA, 0},    {40, 0xDE, 0}, {41, 0xC0, 0},    {42, 0x10, 0},
    {43, 0xDC, 0},    {44, 0x5A, 0},    {45, 0x58, 0},    {46, 0x43, 0}, {47, 0x56, 0},    {48, 0x42, 0},
    {49, 0x4E, 0},    {50, 0x4D, 0},    {51, 0xBC, 0},    {52, 0xBE, 0}, {53, 0xBF, 0x6F}, {54, 0x10, 0},
    {55, 0x6A, 0},    {56, 0x12, 0},    {57, 0x20, 0},    {58, 0x14, 0}, {59, 0x70, 0},    {60, 0x71, 0},
    {61, 0x72, 0},    {62, 0x73, 0},    {63, 0x74, 0},    {64, 0x75, 0}, {65, 0x76, 0},    {66, 0x77, 0},
    {67, 0x78, 0},    {68, 0x79, 0},    {69, 0x90, 0},    {70, 0x91, 0}, {71, 0x24, 0x67}, {72, 0x26, 0x68},
    {73, 0x21, 0x69}, {75, 0x25, 0x64}, {77, 0x27, 0x66}, {78, 0x6B, 0}, {79, 0x23, 0x61}, {80, 0x28, 0x62},
    {81, 0x22, 0x63}, {82, 0x2D, 0x60}, {83, 0x2E, 0x6E}, {87, 0x7A, 0}, {88, 0x7B, 0},    {91, 0x5B, 0},
    {92, 0x5C, 0},    {93, 0x5D, 0},
}};

// Rows 16-25, 30-38 and 44-50 are letter rows: normal and shift are the
// letters, control the control character, alt the scancode times 256.
constexpr KeyCodeRow letter_row(int scancode, char lower) {
    const auto ch = static_cast<std::uint16_t>(lower);
    return {ch, static_cast<std::uint16_t>(ch - 0x20), static_cast<std::uint16_t>(ch - 0x60),
            static_cast<std::uint16_t>(scancode * 256)};
}

constexpr std::array<KeyCodeRow, KEY_CODE_ROWS> build_key_codes() {
    std::array<KeyCodeRow, KEY_CODE_ROWS> t{};
    t[1] = {0x001B, 0x001B, 0x001B, 0x0100};
    t[2] = {0x0031, 0x0021, 0, 0x7800};
    t[3] = {0x0032, 0x0040, 0x0300, 0x7900};
    t[4] = {0x0033, 0x0023, 0, 0x7A00};
    t[5] = {0x0034, 0x0024, 0, 0x7B00};
    t[6] = {0x0035, 0x0025, 0, 0x7C00};
    t[7] = {0x0036, 0x005E, 0x001E, 0x7D00};
    t[8] = {0x0037, 0x0026, 0, 0x7E00};
    t[9] = {0x0038, 0x002A, 0, 0x7F00};
    t[10] = {0x0039, 0x0028, 0, 0x8000};
    t[11] = {0x0030, 0x0029, 0, 0x8100};
    t[12] = {0x002D, 0x005F, 0x001F, 0x8200};
    t[13] = {0x003D, 0x002B, 0, 0x8300};
    t[14] = {0x0008, 0x0008, 0x007F, 0xE000};
    t[15] = {0x0009, 0x0F00, 0x9400, 0x0F00};
    const char top_row[] = "qwertyuiop";
    for (int i = 0; i < 10; ++i) t[16 + i] = letter_row(16 + i, top_row[i]);
    t[26] = {0x005B, 0x007B, 0x001B, 0x1A00};
    t[27] = {0x005D, 0x007D, 0x001D, 0x1B00};
    t[28] = {0x000D, 0x000D, 0x000A, 0x1C00};
    const char home_row[] = "asdfghjkl";
    for (int i = 0; i < 9; ++i) t[30 + i] = letter_row(30 + i, home_row[i]);
    t[39] = {0x003B, 0x003A, 0, 0x2700};
    t[40] = {0x0027, 0x0022, 0, 0x2800};
    t[41] = {0x0060, 0x007E, 0, 0x2900};
    t[43] = {0x005C, 0x007C, 0x001C, 0};
    const char bottom_row[] = "zxcvbnm";
    for (int i = 0; i < 7; ++i) t[44 + i] = letter_row(44 + i, bottom_row[i]);
    t[51] = {0x002C, 0x003C, 0, 0x3300};
    t[52] = {0x002E, 0x003E, 0, 0x3400};
    t[53] = {0x002F, 0x003F, 0, 0x3500};
    t[55] = {0x002A, 0, 0x0072, 0};
    t[57] = {0x0020, 0x0020, 0x0020, 0x0020};
    for (int i = 0; i < 10; ++i) {  // F1-F10
        const auto step = static_cast<std::uint16_t>(i * 0x100);
        t[59 + i] = {static_cast<std::uint16_t>(0x3B00 + step), static_cast<std::uint16_t>(0x5400 + step),
                     static_cast<std::uint16_t>(0x5E00 + step), static_cast<std::uint16_t>(0x6800 + step)};
    }
    t[71] = {0x4700, 0x0037, 0x7700, 0};
    t[72] = {0x4800, 0x0038, 0x8D00, 0};
    t[73] = {0x4900, 0x0039, 0x8400, 0};
    t[74] = {0, 0x002D, 0, 0};
    t[75] = {0x4B00, 0x0034, 0x7300, 0};
    t[76] = {0x4C00, 0x0035, 0x8F00, 0x4C00};
    t[77] = {0x4D00, 0x0036, 0x7400, 0};
    t[78] = {0, 0x002B, 0, 0};
    t[79] = {0x4F00, 0x0031, 0x7500, 0};
    t[80] = {0x5000, 0x0032, 0x9100, 0};
    t[81] = {0x5100, 0x0033, 0x7600, 0};
    t[82] = {0x5200, 0x0030, 0x9200, 0};
    t[83] = {0x5300, 0x002E, 0x9300, 0};
    t[87] = {0x8500, 0x8700, 0x8900, 0x8B00};  // F11
    t[88] = {0x8600, 0x8800, 0x8A00, 0x8C00};  // F12
    return t;
}

constexpr std::array<KeyCodeRow, KEY_CODE_ROWS> KEY_CODES = build_key_codes();

constexpr std::array<EnhancedKeyRow, ENHANCED_KEY_ROWS> ENHANCED_KEYS = {{
    {28, 0x000D, 0x000D, 0x000A, 0xA600},  // keypad Enter
    {53, 0x002F, 0x003F, 0x9500, 0xA400},  // keypad /
    {71, 0x4700, 0x4700, 0x7700, 0x9700},  // Home
    {72, 0x4800, 0x4800, 0x8D00, 0x9800},  // Up
    {73, 0x4900, 0x4900, 0x8400, 0x9900},  // Page Up
    {75, 0x4B00, 0x4B00, 0x7300, 0x9B00},  // Left
    {77, 0x4D00, 0x4D00, 0x7400, 0x9D00},  // Right
    {79, 0x4F00, 0x4F00, 0x7500, 0x9F00},  // End
    {80, 0x5000, 0x5000, 0x9100, 0xA000},  // Down
    {81, 0x5100, 0x5100, 0x7600, 0xA100},  // Page Down
    {82, 0x5200, 0x5200, 0x9200, 0xA200},  // Insert
    {83, 0x5300, 0x5300, 0x9300, 0xA300},  // Delete
}};

// Table values of 256 and above become extended codes: low byte 0xFF.
std::int32_t as_key_code(std::uint16_t value) {
    return value < 256 ? value : extended_key_code(static_cast<std::uint8_t>(value >> 8));
}

bool key_is_down(const std::uint8_t keyboard_state[256], std::uint8_t vk) { return (keyboard_state[vk] & 0x80u) != 0; }

// Column of a key row for the modifiers: alt before control before shift.
int modifier_column(std::int32_t modifiers) {
    if ((modifiers & (KEYMOD_RIGHT_ALT | KEYMOD_ALT)) != 0) return 3;
    if ((modifiers & (KEYMOD_RIGHT_CONTROL | KEYMOD_CONTROL)) != 0) return 2;
    if ((modifiers & KEYMOD_SHIFT) != 0) return 1;
    return 0;
}

std::uint8_t other_case(std::uint8_t ch) {
    if (ch >= 'A' && ch <= 'Z') return static_cast<std::uint8_t>(ch + 0x20);
    if (ch >= 'a' && ch <= 'z') return static_cast<std::uint8_t>(ch - 0x20);
    return ch;
}

}  // namespace

std::int32_t scancode_of(std::int32_t vk) {
    if (vk <= 0 || vk > 255) return 0;  // 0 would match every "no second key"
    for (const ScancodeRow& row : SCANCODES) {
        if (row.first_vk == vk || row.second_vk == vk) return row.scancode;
    }
    return 0;
}

std::int32_t vk_at_scancode(std::int32_t scancode) {
    for (const ScancodeRow& row : SCANCODES) {
        if (row.scancode == scancode) return row.first_vk;
    }
    return 0;
}

std::int32_t held_modifiers(const std::uint8_t keyboard_state[256]) {
    const auto held = [keyboard_state](std::int32_t vk) {
        return key_is_down(keyboard_state, static_cast<std::uint8_t>(vk));
    };
    std::int32_t modifiers = 0;
    if (held(VKEY_LSHIFT) || held(VKEY_SHIFT) || held(VKEY_RSHIFT)) modifiers |= KEYMOD_SHIFT;
    if (held(VKEY_CONTROL) || held(VKEY_LCONTROL)) modifiers |= KEYMOD_CONTROL;
    if (held(VKEY_RCONTROL)) modifiers |= KEYMOD_RIGHT_CONTROL;
    if (held(VKEY_MENU) || held(VKEY_LMENU)) modifiers |= KEYMOD_ALT;
    if (held(VKEY_RMENU)) modifiers |= KEYMOD_RIGHT_ALT;
    return modifiers;
}

void refresh_key_states(const std::uint8_t keyboard_state[256], std::uint8_t key_state[128]) {
    for (const ScancodeRow& row : SCANCODES) {
        const bool held = key_is_down(keyboard_state, row.first_vk) ||
                          (row.second_vk != 0 && key_is_down(keyboard_state, row.second_vk));
        key_state[row.scancode] = held ? 1 : 0;
    }
}

// What the US layout gives for a key pressed without modifiers. Letter keys
// report their capital (the virtual key code is the capital itself), the
// keypad keys their digit or operator, the OEM keys their US punctuation.
std::uint8_t vk_to_char(std::int32_t vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return static_cast<std::uint8_t>(vk);
    if (vk >= 0x60 && vk <= 0x69) return static_cast<std::uint8_t>('0' + (vk - 0x60));  // keypad digits
    switch (vk) {
    case 0x08:
        return 8;  // backspace
    case 0x09:
        return 9;  // tab
    case 0x0D:
        return 13;  // enter
    case 0x1B:
        return 27;  // escape
    case 0x20:
        return ' ';
    case 0x6A:
        return '*';
    case 0x6B:
        return '+';
    case 0x6D:
        return '-';
    case 0x6E:
        return '.';
    case 0x6F:
        return '/';
    case 0xBA:
        return ';';
    case 0xBB:
        return '=';
    case 0xBC:
        return ',';
    case 0xBD:
        return '-';
    case 0xBE:
        return '.';
    case 0xBF:
        return '/';
    case 0xC0:
        return '`';
    case 0xDB:
        return '[';
    case 0xDC:
        return '\\';
    case 0xDD:
        return ']';
    case 0xDE:
        return '\'';
    default:
        return 0;
    }
}

std::int32_t translate_key(std::int32_t character, std::int32_t scancode, std::int32_t vk, std::int32_t modifiers,
                           std::int32_t no_plain_characters) {
    const auto cb = static_cast<std::uint8_t>(static_cast<std::uint32_t>(character) & 0xFFu);
    const int column = modifier_column(modifiers);

    if ((modifiers & KEYMOD_EXTENDED) != 0 && cb == 0) {
        for (const EnhancedKeyRow& row : ENHANCED_KEYS) {
            if (row.scancode != scancode) continue;
            const std::uint16_t values[4] = {row.normal, row.shift, row.control, row.alt};
            const std::uint16_t v = values[column];
            return v != 0 ? as_key_code(v) : -1;
        }
        return -1;
    }

    bool special = false;
    std::uint16_t v = 0;
    if (scancode >= 0 && scancode < KEY_CODE_ROWS) {
        const std::uint8_t ch = vk_to_char(vk);
        const std::uint8_t other = other_case(ch);
        const KeyCodeRow& row = KEY_CODES[static_cast<std::size_t>(scancode)];
        if (column != 0) {
            v = row[static_cast<std::size_t>(column)];
        } else {
            v = cb != 0 ? ch : row[0];
        }
        special = v >= 256 && (cb == ch || cb == other);
    }
    if (special) return as_key_code(v);
    if (cb != 0 && no_plain_characters == 0) return cb;
    return -1;
}

}  // namespace vz

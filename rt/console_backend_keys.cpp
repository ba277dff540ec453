// Escape-sequence decoding for the text console's keyboard. Recognises the
// forms xterm-like terminals and the Linux console send: CSI letter keys
// (ESC [ A), SS3 keys (ESC O P), CSI number-tilde keys (ESC [ 15 ~), the Linux
// console's F1 to F5 (ESC [ [ A) and modifier parameters (ESC [ 1 ; 5 A), whose
// modifiers are ignored.

#include "rt/console_backend_keys.h"

namespace vz {

namespace {

// Longest escape sequence accepted; longer runs are not key sequences.
constexpr std::size_t MAX_SEQUENCE = 32;

constexpr KeyDecodeStep LONE_ESCAPE{KEY_CODE_ESCAPE, 1};
constexpr KeyDecodeStep WAIT_FOR_MORE{0, 0};

KeyDecodeStep unfinished(bool complete) { return complete ? LONE_ESCAPE : WAIT_FOR_MORE; }

// Final letters shared by the CSI and SS3 forms.
std::int32_t letter_key(std::uint8_t letter) {
    switch (letter) {
    case 'A':
        return KEY_CODE_UP;
    case 'B':
        return KEY_CODE_DOWN;
    case 'C':
        return KEY_CODE_RIGHT;
    case 'D':
        return KEY_CODE_LEFT;
    case 'H':
        return KEY_CODE_HOME;
    case 'F':
        return KEY_CODE_END;
    case 'P':
        return function_key_code(1);
    case 'Q':
        return function_key_code(2);
    case 'R':
        return function_key_code(3);
    case 'S':
        return function_key_code(4);
    default:
        return 0;
    }
}

std::int32_t tilde_key(int number) {
    switch (number) {
    case 1:
    case 7:
        return KEY_CODE_HOME;
    case 2:
        return KEY_CODE_INSERT;
    case 3:
        return KEY_CODE_DELETE;
    case 4:
    case 8:
        return KEY_CODE_END;
    case 5:
        return KEY_CODE_PAGE_UP;
    case 6:
        return KEY_CODE_PAGE_DOWN;
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
        return function_key_code(number - 10);
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
        return function_key_code(number - 11);
    case 23:
        return KEY_CODE_F11;
    case 24:
        return KEY_CODE_F12;
    default:
        return 0;
    }
}

KeyDecodeStep decode_csi(std::span<const std::uint8_t> bytes, bool complete) {
    // bytes[0] = ESC, bytes[1] = '['.
    if (bytes.size() >= 3 && bytes[2] == '[') {
        if (bytes.size() < 4) return unfinished(complete);
        const std::uint8_t letter = bytes[3];
        const std::int32_t code = letter >= 'A' && letter <= 'E' ? function_key_code(letter - 'A' + 1) : 0;
        return {code, 4};
    }
    for (std::size_t i = 2; i < bytes.size(); ++i) {
        const std::uint8_t b = bytes[i];
        if (i >= MAX_SEQUENCE || b < 0x20 || b > 0x7E) return LONE_ESCAPE;
        if (b < 0x40) continue;  // parameter or intermediate byte
        int number = 0;
        for (std::size_t k = 2; k < i && bytes[k] >= '0' && bytes[k] <= '9' && number < 1000; ++k) {
            number = number * 10 + (bytes[k] - '0');
        }
        const std::int32_t code = b == '~' ? tilde_key(number) : letter_key(b);
        return {code, i + 1};
    }
    return bytes.size() >= MAX_SEQUENCE ? LONE_ESCAPE : unfinished(complete);
}

}  // namespace

std::int32_t function_key_code(int n) {
    if (n >= 1 && n <= 10) return extended_key_code(static_cast<std::uint8_t>(0x3B + n - 1));
    if (n == 11) return KEY_CODE_F11;
    if (n == 12) return KEY_CODE_F12;
    return 0;
}

KeyDecodeStep decode_console_key(std::span<const std::uint8_t> bytes, bool complete) {
    if (bytes.empty()) return WAIT_FOR_MORE;
    if (bytes[0] != KEY_CODE_ESCAPE) return {bytes[0], 1};
    if (bytes.size() == 1) return unfinished(complete);
    if (bytes[1] == '[') return decode_csi(bytes, complete);
    if (bytes[1] == 'O') {
        if (bytes.size() < 3) return unfinished(complete);
        return {letter_key(bytes[2]), 3};
    }
    return LONE_ESCAPE;
}

KeyText key_text_of(std::int32_t code) {
    KeyText text;
    if (code == 0) return text;
    if (code <= 255) {
        text.length = 1;
        text.bytes[0] = static_cast<std::uint8_t>(code);
    } else {
        text.length = 2;
        text.bytes[0] = 255;
        text.bytes[1] = static_cast<std::uint8_t>((code >> 8) & 0xFF);
    }
    return text;
}

}  // namespace vz

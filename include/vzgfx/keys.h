#pragma once
// Keys: a queue of the 15 newest key presses, read without waiting or waited
// for. A key code is the character (1-255, code page 437) or, for a key that
// is not a character, its extended code 256 x b + 255. Closing the window
// arrives as the key KEY_CLOSE.

#include <cstdint>

namespace vzgfx {

constexpr std::int32_t extended_key(std::uint8_t b) { return static_cast<std::int32_t>(b) * 256 + 255; }

inline constexpr std::int32_t KEY_BACKSPACE = 8;
inline constexpr std::int32_t KEY_TAB = 9;
inline constexpr std::int32_t KEY_ENTER = 13;
inline constexpr std::int32_t KEY_ESCAPE = 27;
inline constexpr std::int32_t KEY_SPACE = 32;
inline constexpr std::int32_t KEY_F1 = extended_key(0x3B);  // F2 ... F10 follow: KEY_F1 + 256 x (n - 1)
inline constexpr std::int32_t KEY_F11 = extended_key(0x85);
inline constexpr std::int32_t KEY_F12 = extended_key(0x86);
inline constexpr std::int32_t KEY_HOME = extended_key(0x47);
inline constexpr std::int32_t KEY_UP = extended_key(0x48);
inline constexpr std::int32_t KEY_PAGE_UP = extended_key(0x49);
inline constexpr std::int32_t KEY_LEFT = extended_key(0x4B);
inline constexpr std::int32_t KEY_RIGHT = extended_key(0x4D);
inline constexpr std::int32_t KEY_END = extended_key(0x4F);
inline constexpr std::int32_t KEY_DOWN = extended_key(0x50);
inline constexpr std::int32_t KEY_PAGE_DOWN = extended_key(0x51);
inline constexpr std::int32_t KEY_INSERT = extended_key(0x52);
inline constexpr std::int32_t KEY_DELETE = extended_key(0x53);
inline constexpr std::int32_t KEY_CLOSE = extended_key(0x6B);  // the window's close button, Alt+F4

// The oldest key in the queue, taken out; 0 when there is none.
std::int32_t read_key();
// Waits for a key and takes it.
std::int32_t wait_key();
// True when a key is waiting (it stays in the queue).
bool key_waiting();
// Sleeps `milliseconds`; a key press ends a sleep of 100 ms or more early
// (tested every 50 ms). -1 sleeps until a key arrives. The key stays queued.
void sleep(int milliseconds);

// The mouse over the screen: position in screen pixels, wheel steps, buttons
// (bit 0 left, bit 1 right, bit 2 middle).
struct Mouse {
    int x = -1, y = -1, wheel = -1, buttons = -1;
};
// False (and -1 everywhere) without a screen or while the cursor is not over
// the window.
bool read_mouse(Mouse& mouse);

}  // namespace vzgfx

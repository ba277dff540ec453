#pragma once
// Windows specifics of the text console: which handles it reads keys from and
// prints to, and the sleep it uses between key tests.

#include <cstdint>

namespace vz {

// Handles as the operating system's HANDLE values.
struct ConsoleHandles {
    void* input;
    void* output;
};

// Points the console at other handles (standard input and output at start).
// Every pending key, the end-of-input mark and the cursor bookkeeping are
// dropped. Returns the previous handles.
ConsoleHandles console_attach(ConsoleHandles handles);

// The sleep between key tests; null restores the operating system's sleep.
// Returns the previous routine (null for the operating system's).
using ConsoleSleeper = void (*)(std::int32_t milliseconds);
ConsoleSleeper console_set_sleeper(ConsoleSleeper sleeper);

// The key code of one console key event (0 for none): the character in the
// console's code page, or the scancode as an extended code for keys without
// one and for keys pressed with Alt. `control_state` holds the console's
// modifier bits.
std::int32_t console_key_event_code(bool down, std::uint8_t character, std::uint16_t vk, std::uint16_t scan,
                                    std::uint32_t control_state);

}  // namespace vz

#pragma once
// The key queue and the keyboard hooks of the graphics screen. The queue
// holds the program's key codes (rt/key_codes.h).

#include <cstdint>

#include "rt/key_codes.h"
#include "rt/text.h"

namespace vz {

inline constexpr int KEY_QUEUE_SLOTS = 16;

struct KeyQueue {
    std::int32_t write_pos;
    std::int32_t read_pos;
    std::int32_t arrived;
    std::int32_t slots[KEY_QUEUE_SLOTS];
};

KeyQueue& key_queue();

void post_key(std::int32_t code);
std::int32_t take_key();
std::int32_t take_arrived();

KeyText key_text();
std::int32_t wait_key();
std::int32_t key_pending();
std::int32_t key_down(std::int32_t scan);
void sleep_ms(std::int32_t ms);
std::int32_t is_redirected();

}  // namespace vz

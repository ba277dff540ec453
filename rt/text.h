#pragma once
// Runtime text values: a descriptor of address, length and capacity, owned by
// whoever holds it. Produced texts are handed over to the receiver.

#include <cstdint>
#include <string_view>

namespace vz {

struct RtText {
    char* data = nullptr;
    std::int32_t length = 0;
    std::int32_t capacity = 0;

    RtText() = default;
    RtText(const RtText&) = delete;
    RtText& operator=(const RtText&) = delete;
    RtText(RtText&& other) noexcept;
    RtText& operator=(RtText&& other) noexcept;
    ~RtText();

    std::string_view view() const { return {data ? data : "", static_cast<std::size_t>(length)}; }
    bool empty() const { return length == 0; }
};

// Replaces the contents with `bytes`; false (and an empty text) when memory
// runs out.
bool rt_text_assign(RtText& text, std::string_view bytes);
// Releases the storage; the text becomes empty.
void rt_text_release(RtText& text);

// A key read: 0, 1 or 2 bytes, held by value so that reading a key allocates
// nothing.
struct KeyText {
    std::uint8_t length = 0;
    std::uint8_t bytes[2] = {0, 0};

    bool empty() const { return length == 0; }
    std::string_view view() const { return {reinterpret_cast<const char*>(bytes), length}; }
};

}  // namespace vz

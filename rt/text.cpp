// Runtime text values. Storage comes from malloc so that a failed allocation
// is an ordinary result (an empty text and `false`), never an exception.

#include "rt/text.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace vz {

RtText::RtText(RtText&& other) noexcept : data(other.data), length(other.length), capacity(other.capacity) {
    other.data = nullptr;
    other.length = 0;
    other.capacity = 0;
}

RtText& RtText::operator=(RtText&& other) noexcept {
    if (this != &other) {
        std::free(data);
        data = other.data;
        length = other.length;
        capacity = other.capacity;
        other.data = nullptr;
        other.length = 0;
        other.capacity = 0;
    }
    return *this;
}

RtText::~RtText() { std::free(data); }

bool rt_text_assign(RtText& text, std::string_view bytes) {
    // One byte more than the length keeps the text zero-terminated for callers
    // that hand it to C interfaces.
    if (bytes.size() >= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        rt_text_release(text);
        return false;
    }
    const auto length = static_cast<std::int32_t>(bytes.size());
    if (text.data != nullptr && text.capacity > length) {
        // `bytes` may lie inside the text itself, hence memmove.
        if (length > 0) std::memmove(text.data, bytes.data(), bytes.size());
        text.data[length] = '\0';
        text.length = length;
        return true;
    }
    auto* fresh = static_cast<char*>(std::malloc(bytes.size() + 1));
    if (fresh == nullptr) {
        rt_text_release(text);
        return false;
    }
    // Copy before releasing the old storage, which `bytes` may point into.
    if (length > 0) std::memcpy(fresh, bytes.data(), bytes.size());
    fresh[length] = '\0';
    std::free(text.data);
    text.data = fresh;
    text.length = length;
    text.capacity = length + 1;
    return true;
}

void rt_text_release(RtText& text) {
    std::free(text.data);
    text.data = nullptr;
    text.length = 0;
    text.capacity = 0;
}

}  // namespace vz

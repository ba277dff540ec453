#pragma once
// Reads typed values off the front of a fuzzer's byte string. Once the bytes
// run out every value is 0, so a short input is still a whole call sequence.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace vz::fuzz {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }
    std::size_t left() const { return size_ - at_; }
    const std::uint8_t* rest() const { return data_ + at_; }
    void skip(std::size_t n) { at_ += n < left() ? n : left(); }

    std::uint8_t u8() {
        std::uint8_t v = 0;
        take(&v, 1);
        return v;
    }
    std::uint16_t u16() {
        std::uint16_t v = 0;
        take(&v, 2);
        return v;
    }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        take(&v, 4);
        return v;
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }

    // A 32-bit integer that is usually small (the interesting range of sizes
    // and coordinates) and sometimes any value at all.
    std::int32_t number() {
        const std::uint8_t kind = u8();
        switch (kind & 3) {
        case 0:
            return static_cast<std::int8_t>(u8());
        case 1:
            return static_cast<std::int16_t>(u16());
        case 2:
            return static_cast<std::int32_t>(u16() % 2048);
        default:
            return i32();
        }
    }

    // A float that is often one of the awkward values: NaN, the infinities,
    // the extremes, the smallest numbers and the ends of the integer ranges.
    float real() {
        static constexpr float SPECIAL[] = {
            0.0f,       -0.0f,       1.0f,          -1.0f,          0.5f,          -0.5f,          2.5f,
            1e-45f,     -1e-45f,     3.4028235e38f, -3.4028235e38f, 2147483648.0f, -2147483648.0f, 1073741824.0f,
            1048576.0f, 16777216.0f, 6.2831855f,    6.283186f,      -6.283186f,    9.2233720e18f,
        };
        const std::uint8_t kind = u8();
        switch (kind % 8) {
        case 0:
            return std::bit_cast<float>(u32());  // any pattern, NaN and infinity included
        case 1:
            return SPECIAL[u8() % (sizeof SPECIAL / sizeof SPECIAL[0])];
        case 2:
            return kind & 8 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
        case 3:
            return std::numeric_limits<float>::quiet_NaN();
        default:
            return static_cast<float>(static_cast<std::int16_t>(u16())) / 4.0f;
        }
    }

private:
    void take(void* out, std::size_t n) {
        const std::size_t k = n < left() ? n : left();
        std::memcpy(out, data_ + at_, k);
        at_ += k;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace vz::fuzz

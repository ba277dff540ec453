// The packed-data decoder on arbitrary streams and output sizes: it must stay
// inside its output, report no more bytes than it had room for, and give the
// same answer when asked again.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "fuzz_input.h"
#include "gfx/text/packed_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vz::fuzz::Input in(data, size);
    const std::size_t room = in.u16() % 20000;
    const bool no_output = (in.u8() & 1) != 0;
    const std::span<const std::uint8_t> stream(in.rest(), in.left());

    // Exactly `room` bytes, so that AddressSanitizer sees any write past them.
    std::unique_ptr<std::uint8_t[]> output(room > 0 ? new std::uint8_t[room] : nullptr);
    std::size_t capacity = room;
    const std::int32_t result = vz::unpack_data(stream, no_output ? nullptr : output.get(), &capacity);
    if (result != 0 && result != -1) std::abort();
    if (result == 0 && !no_output && capacity > room) std::abort();

    std::size_t again = room;
    if (vz::unpack_data(stream, no_output ? nullptr : output.get(), &again) != result || again != capacity)
        std::abort();
    if (vz::unpack_data(stream, output.get(), nullptr) != -1) std::abort();
    return 0;
}

// Growable arrays: the descriptor is the caller's, the elements live in one
// heap block that array_redim allocates and array_erase frees.

#include "rt/array.h"

#include <cstdlib>
#include <limits>
#include <new>

#include "rt/error.h"
#include "rt/text.h"

namespace vz {
namespace {

constexpr std::int64_t MAX_BLOCK_BYTES = std::numeric_limits<std::int32_t>::max();

char* block_bytes(const ArrayDescriptor& array) { return static_cast<char*>(array.ptr); }

// Text elements are constructed when the block is made, so they are destroyed
// (which releases their storage) before it is freed.
void destroy_text_elements(ArrayDescriptor& array) {
    if (array.element_len <= 0) return;
    const std::int32_t count = array.size / array.element_len;
    char* bytes = block_bytes(array);
    for (std::int32_t i = 0; i < count; ++i) {
        auto* text = std::launder(reinterpret_cast<RtText*>(bytes + std::size_t(i) * std::size_t(array.element_len)));
        rt_text_release(*text);
        text->~RtText();
    }
}

void release_block(ArrayDescriptor& array, std::int32_t holds_strings) {
    if (array.ptr == nullptr) return;
    if (holds_strings != 0) destroy_text_elements(array);
    std::free(array.ptr);
    array.ptr = nullptr;
    array.data = 0;
}

// An array left without a block: nothing may be reached through it.
std::int32_t fail_empty(ArrayDescriptor& array, std::int32_t code) {
    array.ptr = nullptr;
    array.data = 0;
    array.size = 0;
    return set_last_error(code);
}

bool text_elements_fit(std::int32_t element_len) {
    return element_len >= std::int32_t(sizeof(RtText)) && element_len % std::int32_t(alignof(RtText)) == 0;
}

}  // namespace

std::int32_t array_redim(ArrayDescriptor& array, std::int32_t element_len, std::int32_t zero_fill,
                         std::int32_t holds_strings, std::span<const ArrayBounds> bounds) {
    release_block(array, holds_strings);

    if (bounds.empty() || bounds.size() > std::size_t(ARRAY_MAX_DIMENSIONS) || element_len < 1 ||
        (holds_strings != 0 && !text_elements_fit(element_len))) {
        return fail_empty(array, ERR_ILLEGAL_CALL);
    }

    // The element count and the byte size are formed in 64 bits: a block
    // whose size does not fit the descriptor's 32-bit size would otherwise be
    // allocated too small and then overrun.
    std::int64_t total = 1;
    for (std::size_t k = 0; k < bounds.size(); ++k) {
        const ArrayBounds b = bounds[k];
        if (b.lbound > b.ubound) return fail_empty(array, ERR_ILLEGAL_CALL);
        const std::int64_t elements = std::int64_t(b.ubound) - b.lbound + 1;
        if (elements > MAX_BLOCK_BYTES) return fail_empty(array, ERR_OUT_OF_MEMORY);
        array.dims[k] = ArrayDimension{std::int32_t(elements), b.lbound, b.ubound};
        total *= elements;  // both factors <= 2^31, no overflow
        if (total > MAX_BLOCK_BYTES) return fail_empty(array, ERR_OUT_OF_MEMORY);
    }
    const std::int64_t size = total * element_len;
    if (size > MAX_BLOCK_BYTES) return fail_empty(array, ERR_OUT_OF_MEMORY);

    // Text elements always start as empty texts, whatever zero_fill says.
    const bool clear = zero_fill != 0 || holds_strings != 0;
    void* block = clear ? std::calloc(std::size_t(size), 1) : std::malloc(std::size_t(size));
    if (block == nullptr) return fail_empty(array, ERR_OUT_OF_MEMORY);
    if (holds_strings != 0) {
        for (std::int64_t i = 0; i < total; ++i) {
            new (static_cast<char*>(block) + i * element_len) RtText();
        }
    }

    // Row-major linear index of the lower bounds. It can exceed 64 bits for
    // far-off bounds, so it is formed with wrapping unsigned arithmetic; the
    // element addresses computed from `data` wrap back the same way.
    std::uint64_t linear = 0;
    for (std::size_t k = 0; k < bounds.size(); ++k) {
        linear = linear * std::uint64_t(std::int64_t(array.dims[k].elements)) +
                 std::uint64_t(std::int64_t(array.dims[k].lbound));
    }
    array.ptr = block;
    array.element_len = element_len;
    array.size = std::int32_t(size);
    array.dimensions = std::int32_t(bounds.size());
    array.data =
        std::uintptr_t(reinterpret_cast<std::uintptr_t>(block) - std::uintptr_t(linear * std::uint64_t(element_len)));
    return set_last_error(ERR_OK);
}

std::int32_t array_redim_strings(ArrayDescriptor& array, std::int32_t element_len, std::int32_t holds_strings,
                                 std::span<const ArrayBounds> bounds) {
    return array_redim(array, element_len, 1, holds_strings, bounds);
}

std::int32_t array_erase(ArrayDescriptor& array, std::int32_t holds_strings) {
    release_block(array, holds_strings);
    array.size = 0;
    array.dimensions = 0;
    for (auto& dim : array.dims) dim = ArrayDimension{0, 0, 0};
    return set_last_error(ERR_OK);
}

}  // namespace vz

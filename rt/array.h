#pragma once
// The runtime's growable arrays: a descriptor filled by array_redim, the
// elements in one heap block.

#include <cstddef>
#include <cstdint>
#include <span>

namespace vz {

inline constexpr int ARRAY_MAX_DIMENSIONS = 8;

struct ArrayDimension {
    std::int32_t elements;  // ubound - lbound + 1
    std::int32_t lbound;
    std::int32_t ubound;
};

struct ArrayBounds {
    std::int32_t lbound;
    std::int32_t ubound;
};

struct ArrayDescriptor {
    // Address that element (0, 0, ...) would have: the block's address minus
    // element_len times the row-major linear index of the lower bounds. It may
    // lie outside the block, so it is kept as an integer address.
    std::uintptr_t data;
    void* ptr;                 // the heap block; null while the array is empty
    std::int32_t size;         // bytes in the block
    std::int32_t element_len;  // bytes per element
    std::int32_t dimensions;
    ArrayDimension dims[ARRAY_MAX_DIMENSIONS];
};

// Discards the previous contents and sizes the array anew. Errors: 1 for
// bounds in the wrong order, a dimension count outside 1 ... 8, an element
// length below 1, or (holds_strings) elements too small or misaligned for an
// RtText; 4 when the block cannot be allocated or its size does not fit 32
// bits. After an error the array is empty: ptr null, data 0, size 0.
// Text elements (holds_strings) always start as empty texts; the caller
// passes the same holds_strings for an array on every call.
std::int32_t array_redim(ArrayDescriptor& array, std::int32_t element_len, std::int32_t zero_fill,
                         std::int32_t holds_strings, std::span<const ArrayBounds> bounds);

// The same with zero_fill always set.
std::int32_t array_redim_strings(ArrayDescriptor& array, std::int32_t element_len, std::int32_t holds_strings,
                                 std::span<const ArrayBounds> bounds);

// Releases the elements and the block and resets the descriptor to empty.
std::int32_t array_erase(ArrayDescriptor& array, std::int32_t holds_strings);

// The address of element `index` of a one-dimensional array (no validation,
// as the runtime's element access has none).
template <typename T>
T* array_element(const ArrayDescriptor& array, std::int32_t index) {
    return reinterpret_cast<T*>(array.data +
                                static_cast<std::uintptr_t>(static_cast<std::intptr_t>(index) * array.element_len));
}

}  // namespace vz

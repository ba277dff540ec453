#pragma once
// Included ahead of every source of the WebAssembly build. Debian's
// Emscripten 3.1.6 ships libc++ 13, which lacks two C++20 library pieces the
// code uses: std::bit_cast and std::atomic_ref. Both are supplied here over
// the compiler's own built-ins with the standard's meaning, and only while
// the library lacks them, so a newer Emscripten uses its own.

#include <atomic>
#include <bit>
#include <type_traits>

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000

namespace std {

template <class To, class From>
requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> && is_trivially_copyable_v<From>) constexpr To
    bit_cast(const From& from) noexcept {
    return __builtin_bit_cast(To, from);
}

// The operations of atomic_ref the code uses, on an integral object.
template <class T>
requires is_integral_v<T>
class atomic_ref {
public:
    explicit atomic_ref(T& object) noexcept : object_(&object) {}
    T load(memory_order order = memory_order_seq_cst) const noexcept {
        return __atomic_load_n(object_, builtin_order(order));
    }
    void store(T value, memory_order order = memory_order_seq_cst) const noexcept {
        __atomic_store_n(object_, value, builtin_order(order));
    }
    T exchange(T value, memory_order order = memory_order_seq_cst) const noexcept {
        return __atomic_exchange_n(object_, value, builtin_order(order));
    }

private:
    static constexpr int builtin_order(memory_order order) noexcept {
        switch (order) {
        case memory_order_relaxed:
            return __ATOMIC_RELAXED;
        case memory_order_consume:
            return __ATOMIC_CONSUME;
        case memory_order_acquire:
            return __ATOMIC_ACQUIRE;
        case memory_order_release:
            return __ATOMIC_RELEASE;
        case memory_order_acq_rel:
            return __ATOMIC_ACQ_REL;
        default:
            return __ATOMIC_SEQ_CST;
        }
    }
    T* object_;
};

}  // namespace std

#endif

#pragma once
// An atomic field that a plain per-screen record can hold and still be reset
// with `= {}`. std::atomic cannot be copied, so a record holding one would need
// a hand-written reset that a new field can escape; this one copies by loading
// the source and storing into the target, each an atomic access, so a thread
// that reads the field without the driver lock never sees a torn value.

#include <atomic>

namespace vz {

template <typename T>
class ResettableAtomic : public std::atomic<T> {
public:
    constexpr ResettableAtomic() noexcept : std::atomic<T>(T{}) {}
    constexpr explicit ResettableAtomic(T value) noexcept : std::atomic<T>(value) {}
    ResettableAtomic(const ResettableAtomic& other) noexcept : std::atomic<T>(other.load()) {}
    ResettableAtomic& operator=(const ResettableAtomic& other) noexcept {
        this->store(other.load());
        return *this;
    }
    using std::atomic<T>::operator=;
};

}  // namespace vz

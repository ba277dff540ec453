// The allocation counter of allocation_count.h: a replacement of the global
// operator new (every form funnels into one of two counted functions) and,
// on Linux, the linker's --wrap entries for the C allocation calls.

#include "allocation_count.h"

#include <atomic>
#include <cstdlib>
#include <new>
#ifdef _WIN32
#include <malloc.h>
#endif

namespace vz::test {
namespace {

std::atomic<bool> g_counting{false};
std::atomic<std::int64_t> g_allocations{0};

void note_allocation() {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

#ifdef __linux__
bool counts_c_allocations() { return true; }
#else
bool counts_c_allocations() { return false; }
#endif

void start_counting_allocations() {
    g_allocations.store(0);
    g_counting.store(true);
}

std::int64_t stop_counting_allocations() {
    g_counting.store(false);
    return g_allocations.load();
}

}  // namespace vz::test

#ifdef __linux__
extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);

void* __wrap_malloc(std::size_t size) {
    vz::test::note_allocation();
    return __real_malloc(size);
}
void* __wrap_calloc(std::size_t count, std::size_t size) {
    vz::test::note_allocation();
    return __real_calloc(count, size);
}
void* __wrap_realloc(void* block, std::size_t size) {
    vz::test::note_allocation();
    return __real_realloc(block, size);
}
}
#endif

namespace {
// The block behind an operator new, counted once (as the new).
void* uncounted_malloc(std::size_t size) {
#ifdef __linux__
    return __real_malloc(size);
#else
    return std::malloc(size);
#endif
}
}  // namespace

void* operator new(std::size_t size) {
    vz::test::note_allocation();
    if (void* block = uncounted_malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}

// Over-aligned blocks come from the platform's aligned allocation, which on
// Windows has a release of its own.
namespace {
void* aligned_block(std::size_t size, std::size_t align) {
    const std::size_t rounded = size == 0 ? align : (size + align - 1) / align * align;
#ifdef _WIN32
    return _aligned_malloc(rounded, align);
#else
    return std::aligned_alloc(align, rounded);
#endif
}
void release_aligned_block(void* block) {
#ifdef _WIN32
    _aligned_free(block);
#else
    std::free(block);
#endif
}
}  // namespace

void* operator new(std::size_t size, std::align_val_t alignment) {
    vz::test::note_allocation();
    if (void* block = aligned_block(size, static_cast<std::size_t>(alignment))) return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { release_aligned_block(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { release_aligned_block(block); }

// The list of display drivers the core tries, in order of preference.

#include <iterator>

#include "gfx/driver.h"
#include "gfx/drivers/drivers.h"
#include "gfx/testing.h"

namespace vz {

namespace {

// The back-ends in order of preference, followed by a null terminator.
constexpr const GfxDriver* const BUILT_IN_DRIVERS[] = {&directx_driver, &gdi_driver, &opengl_driver, nullptr};
constexpr std::size_t BUILT_IN_COUNT = std::size(BUILT_IN_DRIVERS) - 1;

// A replacement list installed by tests (empty span = the built-in list).
std::span<const GfxDriver* const> g_test_list;
bool g_test_list_set = false;

}  // namespace

std::span<const GfxDriver* const> driver_list() {
    if (g_test_list_set) return g_test_list;
    return std::span<const GfxDriver* const>(BUILT_IN_DRIVERS, BUILT_IN_COUNT);
}

void set_driver_list_for_test(std::span<const GfxDriver* const> drivers) {
    g_test_list = drivers;
    g_test_list_set = !drivers.empty();
}

}  // namespace vz

#pragma once
// Seams for tests: replacements of the graphics core's driver list and of
// the window-system and GL layers. Only tests include this header (and the
// sources that implement the seams).

#include <span>

#include "rt/testing.h"

namespace vz {

struct GfxDriver;
struct GlPlatform;
struct PlatformLayer;

// Replaces the driver list with drivers of the test's own; an empty span
// restores the built-in list.
void set_driver_list_for_test(std::span<const GfxDriver* const> drivers);

// Installs `layer` as the window-system layer (null: the build's own layer again).
void set_platform_for_test(const PlatformLayer* layer);

// Installs `layer` as the GL binding (null: the build's own binding again).
void set_gl_platform_for_test(const GlPlatform* layer);

}  // namespace vz

#pragma once
// The window-system display drivers, in the order the core tries them.

#include "gfx/driver.h"

namespace vz {

extern const GfxDriver directx_driver;  // "DirectX"
extern const GfxDriver gdi_driver;      // "GDI"
extern const GfxDriver opengl_driver;   // "OpenGL"

}  // namespace vz

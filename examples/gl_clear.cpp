// Opens a 640 x 480 screen with the opengl flag, clears it with GL to a
// different colour each frame and shows the frames with a page copy (which
// flips on this screen). Prints the driver, the renderer and the centre pixel
// of the last frame, and ends with exit code 0; 1 when no GL screen opens or
// the cleared colour does not come back.

#include <GL/gl.h>

#include <cstdio>

#include "gfx/context.h"
#include "gfx/driver.h"
#include "gfx/screen/screen_setup.h"
#include "gfx/surface/draw_state.h"
#include "gfx/surface/pages.h"
#include "rt/runtime.h"

int main() {
    vz::runtime_static_init();
    vz::set_screen_title("gl_clear");
    if (vz::screen_res(640, 480, 32, 0, vz::SCREEN_OPENGL, 0) != 0 || vz::current_context() == nullptr) {
        std::printf("no screen\n");
        return 1;
    }
    std::printf("driver %s\n", vz::current_context()->driver->name);
    std::printf("renderer %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    constexpr int FRAMES = 30;
    unsigned char centre[4] = {};
    for (int frame = 0; frame < FRAMES; ++frame) {
        const float shade = static_cast<float>(frame) / (FRAMES - 1);
        glViewport(0, 0, 640, 480);
        glClearColor(shade, 0.25f, 1.0f - shade, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
        glReadPixels(320, 240, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
        vz::page_copy(-1, -1);  // flip, then the window's messages
    }
    std::printf("pixel %d %d %d\n", centre[0], centre[1], centre[2]);
    // The last clear was red 1.0, green 0.25, blue 0.0.
    const bool cleared = centre[0] == 255 && centre[1] >= 63 && centre[1] <= 64 && centre[2] == 0;
    std::printf("frames %d\n", FRAMES);
    return cleared ? 0 : 1;
}

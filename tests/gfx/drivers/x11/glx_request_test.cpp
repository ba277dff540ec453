#include <gtest/gtest.h>

#include "gfx/context.h"
#include "gfx/drivers/opengl_format.h"
#include "gfx/drivers/x11/x11_glx_request.h"

// Last: the X headers define macros that clash with the test framework's names.
#include <GL/glx.h>

namespace vz {
namespace {

// The value asked for `name`, or -1 when the list leaves it out.
int asked(const std::vector<int>& list, int name) {
    // Boolean attributes (RGBA, double buffer) stand alone at the start.
    std::size_t i = 2;
    for (; i + 1 < list.size(); i += 2) {
        if (list[i] == name) return list[i + 1];
    }
    return -1;
}

TEST(GlxPlainVisualRequest, CarriesEveryRequestedCount) {
    const GlPixelSettings s =
        gl_pixel_defaults(GlPixelSettings{}, 32, SCREEN_OPENGL | SCREEN_GL_STENCIL | SCREEN_GL_ACCUM);
    const std::vector<int> list = glx_basic_visual_request(s);
    ASSERT_GE(list.size(), 3u);
    EXPECT_EQ(list[0], GLX_RGBA);
    EXPECT_EQ(list[1], GLX_DOUBLEBUFFER);
    EXPECT_EQ(list.back(), 0);
    EXPECT_EQ(list.size() % 2, 1u);  // two booleans, pairs, the end mark
    EXPECT_EQ(asked(list, GLX_RED_SIZE), 8);
    EXPECT_EQ(asked(list, GLX_GREEN_SIZE), 8);
    EXPECT_EQ(asked(list, GLX_BLUE_SIZE), 8);
    EXPECT_EQ(asked(list, GLX_ALPHA_SIZE), 8);
    EXPECT_EQ(asked(list, GLX_DEPTH_SIZE), 16);
    EXPECT_EQ(asked(list, GLX_STENCIL_SIZE), 8);
    EXPECT_EQ(asked(list, GLX_ACCUM_RED_SIZE), 8);
    EXPECT_EQ(asked(list, GLX_ACCUM_GREEN_SIZE), 8);
    EXPECT_EQ(asked(list, GLX_ACCUM_BLUE_SIZE), 8);
    EXPECT_EQ(asked(list, GLX_ACCUM_ALPHA_SIZE), 8);
}

TEST(GlxPlainVisualRequest, LeavesOutCountsNotAskedFor) {
    // A 16-bit page without buffer flags: 5/5/5, no alpha, stencil or accumulation.
    const std::vector<int> list = glx_basic_visual_request(gl_pixel_defaults(GlPixelSettings{}, 16, SCREEN_OPENGL));
    EXPECT_EQ(asked(list, GLX_RED_SIZE), 5);
    EXPECT_EQ(asked(list, GLX_DEPTH_SIZE), 16);
    EXPECT_EQ(asked(list, GLX_ALPHA_SIZE), -1);
    EXPECT_EQ(asked(list, GLX_STENCIL_SIZE), -1);
    EXPECT_EQ(asked(list, GLX_ACCUM_RED_SIZE), -1);
    EXPECT_EQ(asked(list, GLX_ACCUM_ALPHA_SIZE), -1);
}

}  // namespace
}  // namespace vz

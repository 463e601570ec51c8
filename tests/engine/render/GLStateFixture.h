#pragma once
// A small offscreen GL context for tests that traverse a graph with the
// render action and then read back GL state or pixels. The traversal goes
// through the action's plain traversal (no viewer, background or lights
// pass): the test sets up the matrices it wants.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <string>

#include "engine/render/SgGLRenderAction.h"
#include "engine/render/SgTextureManager.h"
#include "platform/gl/OffscreenGLContext.h"

namespace rendertest {

using Rgba = std::array<int, 4>;

class GLStateFixture : public ::testing::Test {
protected:
    static constexpr int kSize = 64;

    void SetUp() override
    {
        ASSERT_TRUE(m_context.MakeCurrent());
        glViewport(0, 0, kSize, kSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    // Traverses the graph in the opaque pass; false when the traversal failed.
    bool Traverse(SgNode *root)
    {
        SgGLRenderAction action(nullptr);
        return action.SgAction::Apply(root);
    }

    static bool Enabled(GLenum cap) { return glIsEnabled(cap) == GL_TRUE; }
    static GLint Integer(GLenum name)
    {
        GLint value = 0;
        glGetIntegerv(name, &value);
        return value;
    }
    static std::array<double, 16> ModelView()
    {
        std::array<double, 16> m{};
        glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
        return m;
    }

    // The colour at a pixel of the drawn image (x, y from the bottom left).
    Rgba Pixel(int x, int y)
    {
        glFinish();
        unsigned char p[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2], p[3]};
    }

    OffscreenGLContext m_context{kSize, kSize};
};

// Software rasterisers round colours, and linear filters at texel centres
// still take a few percent of the neighbours: a few steps of slack.
inline ::testing::AssertionResult Near(const Rgba &got, const Rgba &want, int tolerance = 8)
{
    for (int i = 0; i < 3; ++i) {
        if (std::abs(got[i] - want[i]) > tolerance)
            return ::testing::AssertionFailure() << "got " << got[0] << "," << got[1] << "," << got[2]
                                                 << " instead of " << want[0] << "," << want[1] << "," << want[2];
    }
    return ::testing::AssertionSuccess();
}

} // namespace rendertest

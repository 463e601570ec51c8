#pragma once
// Whole frames of the render action on a small offscreen context: a
// viewport whose camera scene holds a background, a camera 5 units up the
// z axis looking down at the origin, and the scene under test. Without a
// light model the scene is drawn unlit, so shapes show their diffuse colour.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cstdlib>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/render/SgViewport.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/properties/SgBackground.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/gl/OffscreenGLContext.h"

namespace rendertest {

using Pixel = std::array<int, 3>;

// The background colour of the fixture's view.
constexpr Pixel kBackground{0, 0, 255};

class RenderFrameFixture : public ::testing::Test {
protected:
    static constexpr int kSize = 64;

    void SetUp() override
    {
        ASSERT_TRUE(m_context.MakeCurrent());
        m_view = new SgSeparator;
        auto *background = new SgBackground;
        background->m_color1.Set(Color(0, 0, 1, 1));
        m_view->AddChild(background);
        auto *head = new SgSeparator;
        auto *cameraTransform = new SgTransform;
        cameraTransform->m_translation.Set(Vec3(0, 0, 5));
        m_camera = new SgCamera;
        head->AddChild(cameraTransform);
        head->AddChild(m_camera);
        m_view->AddChild(head);
        m_scene = new SgSeparator;
        m_view->AddChild(m_scene.get());
        m_viewport.SetNodara(m_view.get());
        m_viewport.SetCamera(m_camera);
        m_viewport.SetBackground(background);
        m_viewport.SetCameraTransform(cameraTransform);
        m_viewport.SetSize(0, 0, kSize, kSize);
    }

    // One frame (Apply) into the back image; false when the traversal failed.
    bool Render(SgGLRenderAction &action) { return action.Apply(m_view.get()); }
    bool Render()
    {
        SgGLRenderAction action(&m_viewport);
        return Render(action);
    }

    // The colour at a pixel of the back image (x, y from the bottom left).
    Pixel At(int x, int y)
    {
        glFinish();
        unsigned char p[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }
    Pixel Centre() { return At(kSize / 2, kSize / 2); }
    // The same in the front image, which a swap shows.
    Pixel FrontAt(int x, int y)
    {
        const std::vector<unsigned char> &image = m_context.ReadFrontPixels();
        const size_t at = (static_cast<size_t>(y) * kSize + x) * 4;
        return {image[at], image[at + 1], image[at + 2]};
    }

    // A separator holding a material of the colour and a cube of the size.
    static SgSeparator *ColouredCube(const Color &colour, double size = 2.0)
    {
        auto *separator = new SgSeparator;
        auto *material = new SgMaterial;
        material->m_diffuseColor.SetVals(1, &colour);
        separator->AddChild(material);
        auto *cube = new SgCube;
        cube->m_width.Set(size);
        cube->m_height.Set(size);
        cube->m_depth.Set(size);
        separator->AddChild(cube);
        return separator;
    }

    OffscreenGLContext m_context{kSize, kSize};
    SgRef<SgSeparator> m_view;
    SgRef<SgSeparator> m_scene;
    SgCamera *m_camera = nullptr;
    SgViewport m_viewport;
};

// Software rasterisers round colours: a few steps of slack.
inline ::testing::AssertionResult Near(const Pixel &got, const Pixel &want, int tolerance = 6)
{
    for (int i = 0; i < 3; ++i) {
        if (std::abs(got[i] - want[i]) > tolerance)
            return ::testing::AssertionFailure() << "got (" << got[0] << ", " << got[1] << ", " << got[2]
                                                 << ") instead of (" << want[0] << ", " << want[1] << ", "
                                                 << want[2] << ")";
    }
    return ::testing::AssertionSuccess();
}

} // namespace rendertest

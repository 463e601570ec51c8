// Whole frames through the render action: textures, fog and lights as the
// property visitors and the lights pass set them up, drawn on a cube.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>

#include "engine/render/SgTextureManager.h"
#include "engine/nodes/properties/SgEnvironment.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "tests/engine/render/RenderFrameFixture.h"

using rendertest::Near;
using rendertest::Pixel;
using rendertest::RenderFrameFixture;

namespace {

// A 2 x 2 checker, bottom row first: red, green / blue, white (blue,
// green, red, alpha bytes).
Image2 Checker()
{
    const unsigned char bytes[16] = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 255};
    void *data = std::malloc(sizeof bytes);
    std::memcpy(data, bytes, sizeof bytes);
    return Image2(2, 2, 4, Image2::UNSIGNED_BYTE, data, "");
}

class PropertyFrameTest : public RenderFrameFixture {
protected:
    // The cube's front face spans the middle of the window; its quadrant
    // centres lie this far from the window centre.
    static constexpr int kQuadrant = 9;
};

} // namespace

TEST_F(PropertyFrameTest, CheckerTextureShowsItsTexelsOnTheCubeFrameAfterFrame)
{
    SgSeparator *cube = ColouredCube(Color(1, 1, 1));
    auto *texture = new SgTexture2D;
    texture->m_filename = Checker();
    // Nearest texels: the probes need not sit exactly on texel centres.
    texture->m_sample = static_cast<int>(SgTexture2D::NEAREST);
    cube->AddChildBefore(texture, cube->GetChild(1));
    m_scene->AddChild(cube);

    const int c = kSize / 2;
    const std::pair<int, int> probes[4] = {
        {c - kQuadrant, c - kQuadrant}, {c + kQuadrant, c - kQuadrant},
        {c - kQuadrant, c + kQuadrant}, {c + kQuadrant, c + kQuadrant}};
    // The second frame calls the separator's display list.
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_TRUE(Render()) << "frame " << frame;
        // How the face turns the image is the cube's business; each
        // quadrant must show one texel, and each texel one quadrant.
        std::set<Pixel> seen;
        for (const auto &[x, y] : probes) {
            const Pixel p = At(x, y);
            const bool texel = Near(p, {255, 0, 0}) || Near(p, {0, 255, 0}) || Near(p, {0, 0, 255}) ||
                               Near(p, {255, 255, 255});
            EXPECT_TRUE(texel) << "frame " << frame << ": (" << p[0] << ", " << p[1] << ", " << p[2]
                               << ") at " << x << ", " << y << " is no texel of the checker";
            seen.insert(p);
        }
        EXPECT_EQ(seen.size(), 4u) << "frame " << frame << ": a texel shows in two quadrants";
        // Diagonal quadrants show diagonal texels (red and white, or green
        // and blue), whose green and blue parts add up to 255 each.
        const Pixel a = At(probes[0].first, probes[0].second);
        const Pixel b = At(probes[3].first, probes[3].second);
        EXPECT_TRUE(std::abs(a[1] + b[1] - 255) <= 8 && std::abs(a[2] + b[2] - 255) <= 8)
            << "frame " << frame << ": the texels of one diagonal lie side by side";
    }
}

TEST_F(PropertyFrameTest, LinearFogMixesTheFogColourByDistance)
{
    // The front face lies 4 units from the eye: a quarter of the way back
    // from the fog's end at 5 to its start at 1, so a quarter of its colour.
    auto *environment = new SgEnvironment;
    environment->m_fogType = 1;
    environment->m_fogStart = 1.0f;
    environment->m_fogEnd = 5.0f;
    environment->m_fogColor = Color(0, 1, 0, 1);
    m_scene->AddChild(environment);
    m_scene->AddChild(ColouredCube(Color(1, 0, 0)));

    ASSERT_TRUE(Render());

    EXPECT_TRUE(Near(Centre(), {64, 191, 0}, 10));
}

TEST_F(PropertyFrameTest, DirectionalLightLightsFacesThatFaceIt)
{
    struct Case {
        const char *what;
        Vec3 direction;
        Pixel expected;
    };
    // Lit: the white light's diffuse 0.8 plus the ambient 0.2 x 0.2 of the
    // default light model; away: the ambient part only.
    const Case cases[] = {
        {"light shining onto the front face", Vec3(0, 0, -1), {214, 214, 214}},
        {"light shining away from it", Vec3(0, 0, 1), {10, 10, 10}},
    };
    for (const Case &c : cases) {
        m_scene->Clear();
        m_scene->AddChild(new SgLightModel);
        auto *light = new SgDirLight;
        light->m_direction = c.direction;
        m_scene->AddChild(light);
        m_scene->AddChild(ColouredCube(Color(0.8, 0.8, 0.8)));

        ASSERT_TRUE(Render()) << c.what;

        EXPECT_TRUE(Near(Centre(), c.expected, 12)) << c.what;
    }
}

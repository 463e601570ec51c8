// Ordinary scene files drawn through the viewer as a user sees them:
// colours of shapes with and without materials, small shapes, textures.
#include "tests/engine/viewer/ViewerFixture.h"

#include <string>

namespace {

using namespace viewertest;

using SceneLookTest = ViewerFixtureT<64, 64>;

// The default material's diffuse grey, 0.8.
constexpr Pixel kDefaultGrey{{204, 204, 204}};

struct LookCase {
    const char *name;
    const char *scene;
    bool lit;
};
void PrintTo(const LookCase &c, std::ostream *out)
{
    *out << c.name;
}

class DefaultMaterialTest : public SceneLookTest, public ::testing::WithParamInterface<LookCase> {};

// Shapes that no material of the scene reaches are drawn in the default
// material: grey, unlit exactly its diffuse colour, lit a shade of it.
TEST_P(DefaultMaterialTest, ShapesWithoutAMaterialAreGrey)
{
    OpenScene(GetParam().scene);
    if (!GetParam().lit)
        Unlit();
    Render();
    const Pixel centre = Centre();
    if (!GetParam().lit) {
        EXPECT_TRUE(Near(centre, kDefaultGrey)) << "centre";
    } else {
        EXPECT_GT(centre[0], 60) << "lit grey, not black: " << centre;
        EXPECT_NEAR(centre[0], centre[1], 6) << centre;
        EXPECT_NEAR(centre[1], centre[2], 6) << centre;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, DefaultMaterialTest,
    ::testing::Values(LookCase{"Unlit", "Separator { Cube { } }", false},
                      LookCase{"Lit", "Separator { Cube { } }", true},
                      LookCase{"LitSphere", "Separator { Sphere { } }", true},
                      LookCase{"MaterialOfAnEmptySeparatorStaysInside",
                               "Separator { Separator { Material { diffuseColor [(1,0,0,1)] } } Cube { } }", false}),
    [](const ::testing::TestParamInfo<LookCase> &info) { return info.param.name; });

} // namespace

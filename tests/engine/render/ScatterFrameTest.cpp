// Copies of an object drawn at the points of another, each at its own place
// in one frame.
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgScatter.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "tests/engine/render/RenderFrameFixture.h"

using namespace rendertest;

namespace {

class ScatterFrameTest : public RenderFrameFixture {};

TEST_F(ScatterFrameTest, EachCopyStandsAtItsOwnPoint)
{
    // A small red cube scattered at x = -1.5, 0 and 1.5 (a unit is about
    // 15 pixels): three cubes, nothing between them. A renderer that kept
    // each copy's matrix for the next would stack them up elsewhere.
    SgRef<SgScatter> scatter = new SgScatter;
    SgRef<SgObject> source = new SgObject;
    auto *material = new SgMaterial;
    const Color red(1, 0, 0, 1);
    material->m_diffuseColor.SetVals(1, &red);
    material->m_emissiveColor.SetVals(1, &red);
    source->AddChild(material);
    auto *cube = new SgCube;
    cube->m_width = 0.5;
    cube->m_height = 0.5;
    cube->m_depth = 0.5;
    source->AddChild(cube);
    SgRef<SgObject> target = new SgObject;
    auto *line = new SgPolyLine;
    const Vec3 points[] = {{-1.5, 0, 0}, {0, 0, 0}, {1.5, 0, 0}};
    line->m_coordinates.SetVals(3, points);
    target->AddChild(line);
    scatter->GetSeparator()->AddChild(source.get());
    scatter->GetSeparator()->AddChild(target.get());
    scatter->m_showTarget.Set(0);
    m_scene->AddChild(scatter.get());
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_TRUE(Render()) << "frame " << frame;
        const int y = kSize / 2;
        for (int x : {kSize / 2 - 22, kSize / 2, kSize / 2 + 22})
            EXPECT_GT(At(x, y)[0], 200) << "a copy at pixel " << x << ", frame " << frame;
        for (int x : {kSize / 2 - 11, kSize / 2 + 11})
            EXPECT_TRUE(Near(At(x, y), kBackground)) << "nothing at pixel " << x << ", frame " << frame;
    }
    // Moving the target moves the copies, also once the frames are cached.
    target->SetMove(Vec3(0, 1, 0));
    ASSERT_TRUE(Render());
    EXPECT_TRUE(Near(At(kSize / 2, kSize / 2), kBackground)) << "the copies left the middle";
    EXPECT_GT(At(kSize / 2, kSize / 2 + 15)[0], 200) << "and stand one unit up";
}

} // namespace

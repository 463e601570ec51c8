// Boolean nodes in whole frames: the metaball result is drawn in the node's
// place, frame after frame (when lists are compiled too); an exploded node
// shows its operands as outlines, also when it has no result.
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "tests/engine/render/RenderFrameFixture.h"

using namespace rendertest;

namespace {

class BooleanFrameTest : public RenderFrameFixture {
protected:
    SgBoolean *AddBoolean(int operands)
    {
        auto *material = new SgMaterial;
        const Color red(1, 0, 0, 1);
        material->m_diffuseColor.SetVals(1, &red);
        m_scene->AddChild(material);
        auto *node = new SgBoolean;
        node->m_booleanEngine.Set(SgBoolean::kMetaballEngine);
        node->m_cellSize.Set(0.1);
        for (int i = 0; i < operands; ++i) {
            auto *place = new SgSeparator;
            auto *move = new SgTransform;
            move->m_translation.Set(Vec3(i == 0 ? -0.6 : 0.6, 0, 0));
            place->AddChild(move);
            auto *sphere = new SgSphere;
            sphere->m_radius.Set(0.8);
            place->AddChild(sphere);
            node->GetSeparator()->AddChild(place);
        }
        m_scene->AddChild(node);
        return node;
    }

    // Pixels of the image that are not background.
    int Drawn()
    {
        int count = 0;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                count += !Near(At(x, y), kBackground, 30);
        return count;
    }
};

TEST_F(BooleanFrameTest, TheResultIsDrawnInTheNodesPlaceFrameAfterFrame)
{
    SgBoolean *node = AddBoolean(2);
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(Render()) << "frame " << frame;
        EXPECT_TRUE(Near(Centre(), Pixel{255, 0, 0})) << "frame " << frame << ": the blob's neck";
        EXPECT_TRUE(Near(At(2, 2), kBackground)) << "frame " << frame;
    }
    EXPECT_NE(node->GetResultCache(), nullptr);
}

TEST_F(BooleanFrameTest, AnExplodedNodeShowsItsOperandsAsOutlines)
{
    SgBoolean *node = AddBoolean(1);
    ASSERT_TRUE(Render());
    EXPECT_GT(Drawn(), 20) << "one operand is drawn as its own blob";
    node->SetExploded(true);
    for (int frame = 0; frame < 3; ++frame) {
        ASSERT_TRUE(Render()) << "frame " << frame;
        const int drawn = Drawn();
        EXPECT_GT(drawn, 20) << "frame " << frame << ": the operand's outline";
        EXPECT_LT(drawn, kSize * kSize / 3) << "frame " << frame << ": outlines, not a filled sphere";
    }
}

} // namespace

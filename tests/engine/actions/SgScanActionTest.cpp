// The pre-pass before drawing: the flag words it leaves in separators and
// the placements it hands to transform sensors.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/actions/SgScanAction.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/nodes/properties/SgTransformSensor.h"

namespace {

SgRef<SgMaterial> MakeMaterial(float alpha)
{
    SgRef<SgMaterial> material = new SgMaterial;
    material->m_diffuseColor.RemoveAll();
    material->m_diffuseColor.AddVal(Color(1, 0, 0, alpha));
    material->m_diffuseColor.AddVal(Color(0, 1, 0, 0.1)); // only the first colour counts
    return material;
}

SgRef<SgTransform> MakeMove(const Vec3 &t)
{
    SgRef<SgTransform> move = new SgTransform;
    move->m_translation = t;
    return move;
}

TEST(SgScanActionTest, SeparatorsRecordWhatLiesBelowThem)
{
    // root { lit { light, glass }, boards { billboard(conditional) }, plain { opaque }, effects { lit2 { light } } }
    SgRef<SgSeparator> root = new SgSeparator;
    SgRef<SgSeparator> lit = new SgSeparator;
    lit->AddChild(new SgDirLight);
    lit->AddChild(MakeMaterial(0.5f));
    SgRef<SgSeparator> boards = new SgSeparator;
    SgRef<SgBillboard> board = new SgBillboard;
    board->m_conditionalDisplay = 1;
    boards->AddChild(board);
    SgRef<SgSeparator> plain = new SgSeparator;
    plain->AddChild(MakeMaterial(1.0f));
    SgRef<SgSeparator> sensors = new SgSeparator;
    SgRef<SgGroup> group = new SgGroup; // not a separator: its content counts for "sensors"
    group->AddChild(new SgTransformSensor);
    sensors->AddChild(group);
    for (SgSeparator *child : {lit.get(), boards.get(), plain.get(), sensors.get()})
        root->AddChild(child);

    SgScanAction scan;
    ASSERT_TRUE(scan.Apply(root)) << scan.GetError();
    struct Expected {
        const char *what;
        SgSeparator *separator;
        int flags;
    };
    const Expected expected[] = {
        {"light and translucent material", lit, SgScanCache::kLight | SgScanCache::kTransparentMaterial},
        {"conditional billboard", boards, SgScanCache::kBillboard | SgScanCache::kConditionalBillboard},
        {"opaque material", plain, 0},
        {"sensor in a plain group", sensors, SgScanCache::kTransformSensor},
        {"everything", root, 1 | 2 | 4 | 8 | 16},
    };
    for (const Expected &e : expected)
        EXPECT_EQ(SgScanCache::GetFlags(e.separator), e.flags) << e.what;
    EXPECT_EQ(scan.GetFlags(), 1 | 2 | 4 | 8 | 16);

    // A rescan after an edit replaces the words; the action starts from nothing.
    lit->DeleteChild(lit->GetChild(0));
    board->m_conditionalDisplay = 0;
    ASSERT_TRUE(scan.Apply(lit));
    EXPECT_EQ(SgScanCache::GetFlags(lit), SgScanCache::kTransparentMaterial);
    EXPECT_EQ(scan.GetFlags(), SgScanCache::kTransparentMaterial) << "flags of the earlier scan stayed";
    ASSERT_TRUE(scan.Apply(root));
    EXPECT_EQ(SgScanCache::GetFlags(boards), SgScanCache::kBillboard);
}

TEST(SgScanActionTest, UnscannedSeparatorHasNoFlags)
{
    SgRef<SgSeparator> fresh = new SgSeparator;
    fresh->AddChild(new SgDirLight);
    EXPECT_EQ(SgScanCache::GetFlags(fresh), 0);
    EXPECT_EQ(SgScanCache::GetFlags(nullptr), 0);
}

TEST(SgScanActionTest, SensorsGetTheirWorldPlacement)
{
    // top { move(100,0,0), scene(root flag) { move(1,2,3), turn(90 deg about z), inside }, after }
    SgRef<SgGroup> top = new SgGroup;
    top->AddChild(MakeMove(Vec3(100, 0, 0)));
    SgRef<SgSeparator> scene = new SgSeparator;
    scene->SetRoot(true);
    scene->AddChild(MakeMove(Vec3(1, 2, 3)));
    SgRef<SgTransform> turn = new SgTransform;
    turn->m_rotation = Rotation(Vec3(0, 0, 1), std::numbers::pi / 2);
    scene->AddChild(turn);
    SgRef<SgTransformSensor> inside = new SgTransformSensor;
    scene->AddChild(inside);
    top->AddChild(scene);
    SgRef<SgTransformSensor> after = new SgTransformSensor;
    top->AddChild(after);

    SgScanAction scan;
    ASSERT_TRUE(scan.Apply(top)) << scan.GetError();
    const Vec3 t = inside->m_translationOut.Get();
    EXPECT_EQ(t, Vec3(1, 2, 3)) << "a scene root starts from the identity; got (" << t.x << ", " << t.y << ", "
                                << t.z << ")";
    const Vec3 turned = inside->m_rotationOut.Get().Rotate(Vec3(1, 0, 0));
    EXPECT_NEAR(turned.x, 0.0, 1e-9);
    EXPECT_NEAR(turned.y, 1.0, 1e-9) << "the sensor's rotation turns x onto y";
    EXPECT_EQ(after->m_translationOut.Get(), Vec3(100, 0, 0)) << "the root's reset reached past the root";
}

} // namespace

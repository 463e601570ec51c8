// The pre-pass before drawing: the flag words it leaves in separators and
// the placements it hands to transform sensors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <vector>
#include <numbers>

#include "engine/actions/SgScanAction.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/character/SgCharAnim.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/geometry/SgNormalGenerator.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgShapeHints.h"
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

namespace {

// A rippled grid of quads, `across` x `down` cells: points and index list.
void RippledGrid(int across, int down, double height, std::vector<Vec3> &points, std::vector<int> &indexes)
{
    for (int j = 0; j <= down; ++j)
        for (int i = 0; i <= across; ++i)
            points.emplace_back(i / double(across), j / double(down), height * ((i + j) % 3));
    for (int j = 0; j < down; ++j) {
        for (int i = 0; i < across; ++i) {
            const int a = j * (across + 1) + i, b = a + across + 1;
            indexes.insert(indexes.end(), {a, b, b + 1, a + 1, -1});
        }
    }
}

SgRef<SgCoordinate3> MakeCoordinates(const std::vector<Vec3> &points)
{
    SgRef<SgCoordinate3> coordinates = new SgCoordinate3;
    coordinates->m_point.SetVals(static_cast<int>(points.size()), points.data());
    return coordinates;
}

SgRef<SgIndexedFaceSet> MakeMesh(const std::vector<int> &indexes)
{
    SgRef<SgIndexedFaceSet> mesh = new SgIndexedFaceSet;
    mesh->m_coordIndex.SetVals(static_cast<int>(indexes.size()), indexes.data());
    return mesh;
}

} // namespace

// Asked to, the scan makes the normals of the meshes it meets for the
// points and crease angle in force, so that drawing finds them made; a mesh
// used twice is made for its first use, a mesh after a modifier is left to
// the drawing, and the result is the generator's own to the bit.
TEST(SgScanActionTest, PreparedNormalsAreThoseTheDrawingAsksFor)
{
    std::vector<Vec3> flat, steep;
    std::vector<int> indexes;
    RippledGrid(100, 50, 0.05, flat, indexes);
    indexes.clear();
    RippledGrid(100, 50, 0.5, steep, indexes);
    // root { hints(60), flat, first, second, other { steep, USE first },
    //        modified { modifier, third } }
    SgRef<SgSeparator> root = new SgSeparator;
    SgRef<SgShapeHints> hints = new SgShapeHints;
    hints->m_creaseAngle = 60.0f;
    SgRef<SgCoordinate3> flatPoints = MakeCoordinates(flat);
    SgRef<SgIndexedFaceSet> first = MakeMesh(indexes), second = MakeMesh(indexes), third = MakeMesh(indexes);
    SgRef<SgSeparator> other = new SgSeparator;
    other->AddChild(MakeCoordinates(steep));
    other->AddChild(first);
    SgRef<SgSeparator> modified = new SgSeparator;
    modified->AddChild(new SgCharAnim);
    modified->AddChild(third);
    for (SgNode *child : std::initializer_list<SgNode *>{hints.get(), flatPoints.get(), first.get(), second.get(),
                                                         other.get(), modified.get()})
        root->AddChild(child);

    {
        SgScanAction plain;
        ASSERT_TRUE(plain.Apply(root)) << plain.GetError();
        EXPECT_EQ(plain.GetPreparedCount(), 0);
        EXPECT_FALSE(first->getNormalGenerator()->VertexNormalsDone()) << "a plain scan made normals";
    }
    SgScanAction scan;
    scan.SetPrepareNormals(true);
    ASSERT_TRUE(scan.Apply(root)) << scan.GetError();
    EXPECT_EQ(scan.GetPreparedCount(), 2);
    const std::vector<Vec3> &inForce = flatPoints->m_point.GetValues();
    const std::vector<int> &coordIndex = first->m_coordIndex.GetValues();
    for (SgIndexedFaceSet *mesh : {first.get(), second.get()}) {
        SgNormalGenerator *made = mesh->getNormalGenerator();
        ASSERT_TRUE(made->VertexNormalsDone());
        EXPECT_TRUE(made->HasInput(static_cast<int>(mesh->m_coordIndex.GetCount()),
                                   mesh->m_coordIndex.GetValues().data(), static_cast<int>(inForce.size()),
                                   inForce.data()))
            << "made for other points than those in force at the first use";
        EXPECT_EQ(made->GetCreaseAngle(), 60.0);
        SgNormalGenerator alone(60.0);
        alone.SetInput(static_cast<int>(coordIndex.size()), coordIndex.data(), static_cast<int>(inForce.size()),
                       inForce.data());
        alone.GenerateVertexNormals();
        ASSERT_EQ(made->GetVertexNormalCount(), alone.GetVertexNormalCount());
        int differ = 0;
        for (int k = 0; k < alone.GetVertexNormalCount(); ++k)
            differ += std::memcmp(&made->GetVertexNormal(k), &alone.GetVertexNormal(k), sizeof(Vec3f)) != 0;
        EXPECT_EQ(differ, 0);
    }
    EXPECT_FALSE(third->getNormalGenerator()->VertexNormalsDone()) << "a mesh after a modifier was prepared";
}

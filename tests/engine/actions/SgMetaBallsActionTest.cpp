// The metaball engine through the Boolean node: operands of every kind
// become fields, blend by the node's operation and come back as one closed,
// outward mesh; operands it cannot use are left out with a message and
// nothing is lost or freed twice.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "engine/actions/SgMetaBallsAction.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"
#include "tests/engine/nodes/geometry/MeshCheck.h"

namespace {

class MetaBallsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitExtrusionTests();
        ASSERT_TRUE(SgBoolean::IsEngineRegistered(SgBoolean::kMetaballEngine))
            << "the engine's library registers it at start-up";
        EXPECT_EQ(SgBoolean::s_iBoolAactions[SgBoolean::kMetaballEngine], SgMetaBallsAction::GetActionID());
    }

    static SgRef<SgBoolean> Node(int operation, std::initializer_list<SgNode *> operands, double cellSize = 0.08)
    {
        SgRef<SgBoolean> node = new SgBoolean(operation);
        node->m_booleanEngine.Set(SgBoolean::kMetaballEngine);
        node->m_cellSize.Set(cellSize);
        for (SgNode *operand : operands)
            node->GetSeparator()->AddChild(operand);
        return node;
    }
};

SgSphere *Sphere(double r)
{
    auto *sphere = new SgSphere;
    sphere->m_radius.Set(r);
    return sphere;
}

SgTransform *Move(double x, double y, double z)
{
    auto *move = new SgTransform;
    move->m_translation.Set(Vec3(x, y, z));
    return move;
}

// A separator holding a move and a shape: one operand placed elsewhere.
SgSeparator *Placed(SgNode *shape, double x, double y, double z)
{
    auto *group = new SgSeparator;
    group->AddChild(Move(x, y, z));
    group->AddChild(shape);
    return group;
}

int Components(SgFaceSet &mesh)
{
    const int count = mesh.GetVertexCount();
    std::vector<int> parent(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        parent[size_t(i)] = i;
    std::function<int(int)> find = [&](int v) { return parent[size_t(v)] == v ? v : parent[size_t(v)] = find(parent[size_t(v)]); };
    std::vector<bool> used(static_cast<size_t>(count));
    for (const MeshFace &face : ReadFaces(mesh)) {
        const std::vector<int> all = face.All();
        for (int v : all) {
            used[size_t(v)] = true;
            parent[size_t(find(v))] = find(all[0]);
        }
    }
    int pieces = 0;
    for (int v = 0; v < count; ++v)
        pieces += used[size_t(v)] && find(v) == v;
    return pieces;
}

void ExpectSolid(SgFaceSet *mesh, const char *what)
{
    ASSERT_NE(mesh, nullptr) << what;
    ASSERT_GT(mesh->GetFaceCount(), 0) << what;
    const MeshCheck check = CheckMesh(*mesh);
    EXPECT_TRUE(check.IsSolid()) << what << ": " << check.Describe();
}

} // namespace

TEST_F(MetaBallsTest, TwoSpheresCloserThanTheirDiameterMergeIntoOneClosedMesh)
{
    SgRef<SgBoolean> node = Node(SgBoolean::kUnion, {Sphere(1.0), Placed(Sphere(1.0), 1.5, 0, 0)});
    SgFaceSet *mesh = BuildMesh(node.get());
    ExpectSolid(mesh, "union");
    EXPECT_EQ(Components(*mesh), 1);
    EXPECT_EQ(BuildMesh(node.get()), mesh) << "an unchanged node keeps its result";
    for (const MeshFace &face : ReadFaces(*mesh))
        ASSERT_EQ(face.surface, 1234);
    // A changed operand makes a new one (the old one is gone then).
    const float before = mesh->BoundingBox().GetMin().x;
    static_cast<SgSphere *>(node->GetSeparator()->GetChild(0))->m_radius.Set(1.5);
    SgFaceSet *grown = BuildMesh(node.get());
    ASSERT_NE(grown, nullptr);
    EXPECT_LT(grown->BoundingBox().GetMin().x, before - 0.3f);
    // Far apart they stay two.
    SgRef<SgBoolean> apart = Node(SgBoolean::kUnion, {Sphere(1.0), Placed(Sphere(1.0), 5, 0, 0)});
    SgFaceSet *two = BuildMesh(apart.get());
    ExpectSolid(two, "apart");
    EXPECT_EQ(Components(*two), 2);
}

TEST_F(MetaBallsTest, TheSameNodeGivesTheSameMeshEveryTime)
{
    SgRef<SgBoolean> node =
        Node(SgBoolean::kDifferenceFromFirst, {Sphere(1.0), Placed(Sphere(0.6), 0.9, 0.2, 0)}, 0.07);
    SgFaceSet *first = BuildMesh(node.get());
    ASSERT_NE(first, nullptr);
    ExpectSolid(first, "difference");
    const std::vector<Vec3> vertices = first->m_vertices.GetValues();
    const int faces = first->GetFaceCount();
    node->ClearResultCache();
    SgFaceSet *second = BuildMesh(node.get());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetFaceCount(), faces);
    EXPECT_TRUE(second->m_vertices.GetValues() == vertices);
}

// One operand is drawn as its own blob, whatever the operation (as the solid
// engine draws a Boolean of one operand); none builds nothing.
TEST_F(MetaBallsTest, OneOperandBuildsItsBlobAndNoneBuildsNothing)
{
    SgRef<SgBoolean> none = Node(SgBoolean::kUnion, {});
    EXPECT_EQ(BuildMesh(none.get()), nullptr);
    for (int operation : {SgBoolean::kUnion, SgBoolean::kIntersection, SgBoolean::kDifferenceFromFirst}) {
        SgRef<SgBoolean> one = Node(operation, {Sphere(1.0)});
        SgFaceSet *mesh = BuildMesh(one.get());
        ExpectSolid(mesh, "one operand");
        if (mesh) {
            EXPECT_NEAR(mesh->BoundingBox().GetMax().x, 1.0f, 0.3f) << "operation " << operation;
        }
    }
}

TEST_F(MetaBallsTest, EveryKindOfOperandBecomesAField)
{
    auto *box = new SgBox;
    auto *cube = new SgCube;
    auto *cylinder = new SgCylinder;
    auto *cone = new SgCone;
    auto *torus = new SgTorus;
    struct Case {
        const char *name;
        SgNode *shape;
    };
    const Case cases[] = {{"box", box}, {"cube", cube}, {"cylinder", cylinder}, {"cone", cone}, {"torus", torus}};
    for (const Case &c : cases) {
        SgRef<SgBoolean> node = Node(SgBoolean::kUnion, {c.shape, Placed(Sphere(0.3), 3, 3, 3)}, 0.06);
        SgDiagCapture quiet;
        ExpectSolid(BuildMesh(node.get()), c.name);
        EXPECT_EQ(quiet.Count(), 0) << c.name;
    }
}

TEST_F(MetaBallsTest, ATubeFollowsItsPathAndAProfileWithoutRadiusIsLeftOut)
{
    SgRef<SgExtrude> tube = new SgExtrude;
    SgRef<SgCircle> circle = new SgCircle;
    circle->m_radius.Set(0.25);
    SgRef<SgPolyLine> path = MakePolyLine({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}}, false);
    tube->SetPolyline(circle.get(), SgExtrude::kProfileSlot, true);
    tube->SetPolyline(path.get(), SgExtrude::kSpineSlot, true);
    SgRef<SgBoolean> node = Node(SgBoolean::kUnion, {tube.get(), Placed(Sphere(0.5), 2, 2, 0)}, 0.05);
    SgFaceSet *mesh = BuildMesh(node.get());
    ExpectSolid(mesh, "tube");
    EXPECT_EQ(Components(*mesh), 1);
    // Points along the path lie inside: the mesh reaches from one end to the other.
    const Range<Vec3f> box = mesh->BoundingBox();
    EXPECT_LT(box.GetMin().x, -0.1f);
    EXPECT_GT(box.GetMax().y, 2.1f);

    SgRef<SgExtrude> square = new SgExtrude;
    square->SetPolyline(MakePolyLine(Square(0.3), true).get(), SgExtrude::kProfileSlot, true);
    square->SetPolyline(MakePolyLine({{0, 0, 0}, {0, 0, 1}}, false).get(), SgExtrude::kSpineSlot, true);
    SgRef<SgBoolean> refused = Node(SgBoolean::kUnion, {square.get(), Sphere(0.5), Placed(Sphere(0.5), 0.6, 0, 0)});
    SgDiagCapture capture;
    SgFaceSet *rest = BuildMesh(refused.get());
    EXPECT_EQ(capture.Count("Geometry"), 1) << "the square profile is refused with a message";
    ExpectSolid(rest, "the other operands");
}

TEST_F(MetaBallsTest, ASingularTransformLeavesItsOperandOutWithAMessage)
{
    SgRef<SgTransform> flat = new SgTransform;
    flat->m_scaleFactor.Set(Vec3(1.0, 0.0, 1.0));
    SgRef<SgSeparator> squashed = new SgSeparator;
    squashed->AddChild(flat.get());
    squashed->AddChild(Sphere(1.0));
    SgRef<SgBoolean> node = Node(SgBoolean::kUnion, {squashed.get(), Placed(Sphere(1.0), 4, 0, 0)});
    SgDiagCapture capture;
    SgFaceSet *mesh = BuildMesh(node.get());
    EXPECT_EQ(capture.Count("Geometry"), 1);
    ExpectSolid(mesh, "the other sphere");
    EXPECT_GT(mesh->BoundingBox().GetMin().x, 2.5f);
}

TEST_F(MetaBallsTest, OperandsOfNoneOrSeveralPrimitivesAndNestedNodes)
{
    // A move alone gives no primitive; a group of two spheres gives their
    // union as one operand; a nested node gives its blend.
    SgRef<SgGroup> pair = new SgGroup;
    pair->AddChild(Sphere(0.6));
    pair->AddChild(Placed(Sphere(0.6), 0.8, 0, 0));
    SgRef<SgBoolean> inner = Node(SgBoolean::kUnion, {Placed(Sphere(0.5), 0, 3, 0), Placed(Sphere(0.5), 0.6, 3, 0)});
    SgRef<SgBoolean> node = Node(SgBoolean::kUnion, {Move(0, 0, 0), pair.get(), inner.get()});
    SgFaceSet *mesh = BuildMesh(node.get());
    ExpectSolid(mesh, "union");
    EXPECT_EQ(Components(*mesh), 2);
    EXPECT_EQ(inner->GetResultCache(), nullptr) << "a nested node only gives its blend";
    EXPECT_GT(mesh->BoundingBox().GetMax().y, 3.3f);
}

TEST_F(MetaBallsTest, PointsAndMeshesBecomeBlobsWhereverTheyLie)
{
    // A point set without coordinates is refused with a message.
    SgRef<SgBoolean> bare = Node(SgBoolean::kUnion, {new SgPointSet, Sphere(0.5), Placed(Sphere(0.5), 3, 0, 0)});
    SgDiagCapture capture;
    BuildMesh(bare.get());
    EXPECT_EQ(capture.Count("Geometry"), 1);

    // Coordinates in force make blobs.
    SgRef<SgCoordinate3> coordinates = new SgCoordinate3;
    std::vector<Vec3> points;
    for (int i = 0; i < 8; ++i)
        points.emplace_back(0.1 * i, 0.0, 0.0);
    coordinates->m_point.SetVals(int(points.size()), points.data());
    SgRef<SgSeparator> cloud = new SgSeparator;
    cloud->AddChild(coordinates.get());
    cloud->AddChild(new SgPointSet);
    SgRef<SgBoolean> blobs = Node(SgBoolean::kUnion, {cloud.get(), Placed(Sphere(0.3), 3, 0, 0)}, 0.03);
    // The sphere lies 110 cells from the blobs: within a bound of 200.
    blobs->m_maxCells.Set(200);
    ExpectSolid(BuildMesh(blobs.get()), "point blobs");

    // A mesh far beyond +/-10 keeps its vertices.
    SgRef<SgFaceSet> far = new SgFaceSet;
    for (int i = 0; i < 6; ++i)
        far->m_vertices.AddVal1(Vec3(50.0 + 0.1 * i, 0.0, 0.0));
    SgRef<SgBoolean> distant = Node(SgBoolean::kUnion, {far.get(), Placed(Sphere(0.3), 40, 0, 0)}, 0.03);
    distant->m_maxCells.Set(2000);
    SgFaceSet *mesh = BuildMesh(distant.get());
    ASSERT_NE(mesh, nullptr);
    const Range<Vec3f> box = mesh->BoundingBox();
    EXPECT_GT(box.GetMax().x, 50.3f) << "the blobs at x = 50 are in the mesh";
    ExpectSolid(mesh, "far mesh");
}

namespace {

SgBox *Slab(double width, double depth, double height)
{
    auto *box = new SgBox;
    box->m_width.Set(width);
    box->m_depth.Set(depth);
    box->m_height.Set(height);
    return box;
}

} // namespace

TEST_F(MetaBallsTest, EveryPartOfTheSurfaceIsFound)
{
    // Parts that no seed at a primitive's middle reaches: a cavity's outer
    // wall, the halves a slab cuts apart.
    struct Case {
        const char *what;
        std::function<SgRef<SgBoolean>()> make;
        int pieces;
    };
    const Case cases[] = {
        {"a sphere minus a concentric sphere: the outside and the cavity",
         [] { return Node(SgBoolean::kDifferenceFromFirst, {Sphere(1.0), Sphere(0.5)}); }, 2},
        {"a sphere minus a slab through its middle: two halves",
         [] { return Node(SgBoolean::kDifferenceFromFirst, {Sphere(1.0), Slab(3.0, 3.0, 0.3)}); }, 2},
        {"a sphere minus a slab, the slab first in a difference from the last",
         [] { return Node(SgBoolean::kDifferenceFromLast, {Slab(3.0, 0.3, 3.0), Sphere(1.0)}); }, 2},
    };
    for (const Case &c : cases) {
        SgRef<SgBoolean> node = c.make();
        SgFaceSet *mesh = BuildMesh(node.get());
        ExpectSolid(mesh, c.what);
        if (mesh) {
            EXPECT_EQ(Components(*mesh), c.pieces) << c.what;
        }
    }
}

TEST_F(MetaBallsTest, EveryPointGroupBecomesABlob)
{
    // 200 points far apart from each other: 200 blobs.
    SgRef<SgCoordinate3> coordinates = new SgCoordinate3;
    std::vector<Vec3> points;
    for (int i = 0; i < 200; ++i)
        points.emplace_back(double(i % 20), double(i / 20), 0.0);
    coordinates->m_point.SetVals(int(points.size()), points.data());
    SgRef<SgSeparator> cloud = new SgSeparator;
    cloud->AddChild(coordinates.get());
    cloud->AddChild(new SgPointSet);
    SgRef<SgBoolean> node = Node(SgBoolean::kUnion, {cloud.get(), Placed(Sphere(0.3), -5, 0, 0)}, 0.04);
    node->m_maxCells.Set(1000);
    SgFaceSet *mesh = BuildMesh(node.get());
    ExpectSolid(mesh, "points");
    if (mesh) {
        EXPECT_EQ(Components(*mesh), 201);
    }
}

TEST_F(MetaBallsTest, ASurfaceIsWalkedUntilItClosesOrSaysItIsIncomplete)
{
    // A unit sphere at cell 0.02 is 100 cells across: with a bound of 120
    // cells it closes, whichever point of it the lattice starts from.
    {
        SgDiagCapture capture;
        SgRef<SgBoolean> node = Node(SgBoolean::kUnion, {Sphere(1.0), Placed(Sphere(0.1), 0.5, 0, 0)}, 0.02);
        node->m_maxCells.Set(120);
        SgFaceSet *mesh = BuildMesh(node.get());
        ExpectSolid(mesh, "unit sphere at cell 0.02");
        EXPECT_EQ(capture.Count("Geometry"), 0) << capture.GetText();
    }
    // A bound smaller than the sphere: the surface stops there, and says
    // so once.
    {
        SgDiagCapture capture;
        SgRef<SgBoolean> node = Node(SgBoolean::kUnion, {Sphere(1.0), Placed(Sphere(0.1), 0.5, 0, 0)}, 0.05);
        node->m_maxCells.Set(10);
        BuildMesh(node.get());
        EXPECT_TRUE(capture.Contains("incomplete")) << capture.GetText();
        EXPECT_EQ(capture.Count("Geometry"), 1) << capture.GetText();
    }
}

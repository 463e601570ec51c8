// Collecting the points of a scene's shapes with their world placement:
// which shapes are taken, in what form, and the iterators that walk them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/engine/EngineTestClasses.h"
#include "engine/actions/SgCollectShapesAction.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/core/SgModifier.h"
#include "engine/nodes/properties/SgTransform.h"

namespace {

// Moves every point of a face set by +10 along x.
class ShiftXModifier : public SgModifier {
    SG_CLASS_HEADER(ShiftXModifier, SgFieldMngr)

    SgShape *ApplyModifier(SgAction *, SgShape *input, Transform3 *, bool) override
    {
        auto *mesh = dynamic_cast<SgFaceSet *>(input);
        if (!mesh || mesh->GetVertexCount() == 0)
            return nullptr;
        const int n = mesh->GetVertexCount();
        const Vec3 *from = mesh->GetDeformedPoints();
        auto *moved = new Vec3[static_cast<size_t>(n)];
        for (int i = 0; i < n; ++i)
            moved[i] = from[i] + Vec3(10.0, 0.0, 0.0);
        mesh->SetPointCache(moved);
        return mesh;
    }

protected:
    ~ShiftXModifier() override = default;
};
SG_CLASS_SOURCE(ShiftXModifier, SgModifier, SgFieldMngr, "ShiftXModifier")

} // namespace

void RegisterCollectShapesTestClasses()
{
    ShiftXModifier::InitClass();
    SgAction::ReBuildVisitorsMaps();
}

namespace {

class SgCollectShapesActionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterCollectShapesTestClasses(); }
};

// A unit square in the xy plane, its one face smoothed (surface 1).
SgRef<SgFaceSet> MakeSquare(const char *name)
{
    SgRef<SgFaceSet> mesh = new SgFaceSet;
    mesh->SetName(name);
    const Vec3 corners[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    mesh->m_vertices.SetVals(4, corners);
    mesh->InsertFace(0, 1, 2, 3, 1);
    return mesh;
}

SgRef<SgTransform> MakeMove(const Vec3 &t)
{
    SgRef<SgTransform> move = new SgTransform;
    move->m_translation = t;
    return move;
}

std::vector<Vec3> Walk(VertexIterator &it)
{
    std::vector<Vec3> points;
    for (it.First(); it.More(); it.Next())
        points.push_back(*it.GetPoint());
    return points;
}

std::string Text(const Vec3 &v)
{
    return "(" + std::to_string(v.x) + ", " + std::to_string(v.y) + ", " + std::to_string(v.z) + ")";
}

TEST_F(SgCollectShapesActionTest, CollectsEachKindOfShapeWithItsWorldPlacement)
{
    // root { move(5,0,0), square, sep { move(0,2,0), line }, coords, points, gizmo { hidden square } }
    SgRef<SgSeparator> root = new SgSeparator;
    root->AddChild(MakeMove(Vec3(5, 0, 0)));
    root->AddChild(MakeSquare("square"));
    SgRef<SgSeparator> sep = new SgSeparator;
    sep->AddChild(MakeMove(Vec3(0, 2, 0)));
    SgRef<SgPolyLine> line = new SgPolyLine;
    const Vec3 linePoints[] = {{0, 0, 0}, {3, 0, 0}, {3, 3, 0}};
    line->m_coordinates.SetVals(3, linePoints);
    sep->AddChild(line);
    root->AddChild(sep);
    SgRef<SgCoordinate3> coords = new SgCoordinate3;
    const Vec3 cloud[] = {{7, 7, 7}, {8, 8, 8}};
    coords->m_point.SetVals(2, cloud);
    root->AddChild(coords);
    root->AddChild(new SgPointSet);
    SgRef<SgGizmoGroup> gizmo = new SgGizmoGroup;
    gizmo->AddChild(MakeSquare("gizmo square"));
    root->AddChild(gizmo);

    SgCollectShapesAction collect;
    ASSERT_TRUE(collect.Apply(root)) << collect.GetError();
    ASSERT_EQ(collect.m_Items.GetSize(), 3) << "expected the square, the line and the point set; the gizmo's "
                                               "square is no part of the model";

    struct Expected {
        const char *what;
        Vec3 translation;
        std::vector<Vec3> points;
    };
    const Expected expected[] = {
        {"square", {5, 0, 0}, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}},
        {"line", {5, 2, 0}, {{0, 0, 0}, {3, 0, 0}, {3, 3, 0}}},
        {"point set", {5, 0, 0}, {{7, 7, 7}, {8, 8, 8}}},
    };
    for (int i = 0; i < 3; ++i) {
        const CollectedItem &item = *collect.m_Items[i];
        SCOPED_TRACE(expected[i].what);
        EXPECT_EQ(item.transform.GetTranslation(), expected[i].translation)
            << "placed at " << Text(item.transform.GetTranslation());
        EXPECT_EQ(item.transform.GetKind(), Transform3::TRANSLATION) << "a pure move is classified as one";
        ASSERT_TRUE(item.iterator && item.iterator->IsValid());
        EXPECT_EQ(Walk(*item.iterator), expected[i].points);
        EXPECT_FALSE(item.radial);
    }
}

TEST_F(SgCollectShapesActionTest, FaceSetPointsCarryTheirVertexNormals)
{
    SgRef<SgFaceSet> square = MakeSquare("square");
    SgCollectShapesAction collect;
    ASSERT_TRUE(collect.Apply(square)) << collect.GetError();
    ASSERT_EQ(collect.m_Items.GetSize(), 1);
    VertexIterator &it = *collect.m_Items[0]->iterator;
    int visited = 0;
    for (it.First(); it.More(); it.Next(), ++visited) {
        int surfaces = -1;
        const Vec3 *normal = it.GetNormal(surfaces);
        ASSERT_NE(normal, nullptr) << "vertex " << visited;
        EXPECT_EQ(surfaces, 1) << "one smoothed face meets at vertex " << visited;
        EXPECT_NEAR(std::fabs(normal->z), 1.0, 1e-9) << "the square's normal is along z, got " << Text(*normal);
    }
    EXPECT_EQ(visited, 4);
    int info = -1;
    EXPECT_EQ(it.GetNormal(info), nullptr) << "past the end there is no normal";
    EXPECT_EQ(info, 0);
}

TEST_F(SgCollectShapesActionTest, FaceSetPointsAreItsPlacesWithTheNormalsOfEachSurface)
{
    // Two squares folded along x = 1 (one in z = 0, one standing up), with
    // the two vertices of the fold given twice and joined by the duplicate
    // table: each place is walked once, and a fold vertex reports one
    // normal sum per surface.
    SgRef<SgFaceSet> mesh = new SgFaceSet;
    const Vec3 points[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                           {1, 0, 0}, {1, 0, 1}, {1, 1, 1}, {1, 1, 0}};
    mesh->m_vertices.SetVals(8, points);
    const int dup[] = {0, 1, 2, 3, 1, 5, 6, 2};
    mesh->m_vertexDuplication.SetVals(8, dup);
    mesh->InsertFace(0, 1, 2, 3, 1);
    mesh->InsertFace(4, 5, 6, 7, 2);
    SgCollectShapesAction collect;
    ASSERT_TRUE(collect.Apply(mesh)) << collect.GetError();
    ASSERT_EQ(collect.m_Items.GetSize(), 1);
    VertexIterator &it = *collect.m_Items[0]->iterator;
    EXPECT_TRUE(it.HasNormals());
    std::vector<Vec3> walked;
    std::vector<int> sums;
    for (it.First(); it.More(); it.Next()) {
        walked.push_back(*it.GetPoint());
        int count = -1;
        const Vec3f *list = it.GetNormalList(count);
        sums.push_back(count);
        for (int k = 0; k < count; ++k)
            EXPECT_NEAR(Vec3(list[k]).Length(), 1.0, 1e-6) << "one face of each surface meets there";
    }
    const std::vector<Vec3> places = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0, 1}, {1, 1, 1}};
    EXPECT_EQ(walked, places) << "the duplicates of the fold are not walked again";
    EXPECT_EQ(sums, (std::vector<int>{1, 2, 2, 1, 1, 1})) << "the fold vertices carry both surfaces";
    int count = -1;
    EXPECT_EQ(it.GetNormalList(count), nullptr) << "past the end there are no normals";
    EXPECT_EQ(count, 0);
    ArrayIterator plain(points, 8);
    EXPECT_FALSE(plain.HasNormals());
    plain.First();
    EXPECT_EQ(plain.GetNormalList(count), nullptr);
}

TEST_F(SgCollectShapesActionTest, FaceSetIsCollectedAsTheModifiersInForceMakeIt)
{
    SgRef<SgSeparator> root = new SgSeparator;
    root->AddChild(new ShiftXModifier);
    SgRef<SgFaceSet> square = MakeSquare("square");
    root->AddChild(square);

    SgCollectShapesAction collect;
    ASSERT_TRUE(collect.Apply(root)) << collect.GetError();
    ASSERT_EQ(collect.m_Items.GetSize(), 1);
    const std::vector<Vec3> expected = {{10, 0, 0}, {11, 0, 0}, {11, 1, 0}, {10, 1, 0}};
    EXPECT_EQ(Walk(*collect.m_Items[0]->iterator), expected) << "the modified points were expected";
    EXPECT_EQ(square->m_vertices.GetValue(1), Vec3(1, 0, 0)) << "the source's own points must stay";
}

TEST_F(SgCollectShapesActionTest, ProceduralShapeIsCollectedAsItsModifiedResultOnce)
{
    SgRef<SgSeparator> root = new SgSeparator;
    root->AddChild(new ShiftXModifier);
    SgRef<SgBox> box = new SgBox;
    box->m_width = 2.0;
    box->m_depth = 2.0;
    root->AddChild(box);

    SgCollectShapesAction collect;
    ASSERT_TRUE(collect.Apply(root)) << collect.GetError();
    ASSERT_EQ(collect.m_Items.GetSize(), 1) << "the box's mesh is collected";
    const std::vector<Vec3> points = Walk(*collect.m_Items[0]->iterator);
    ASSERT_FALSE(points.empty());
    for (const Vec3 &p : points)
        ASSERT_TRUE(p.x >= 9.0 - 1e-9 && p.x <= 11.0 + 1e-9)
            << "a box of width 2 moved by 10 once lies in x 9..11; found " << Text(p);
}

TEST_F(SgCollectShapesActionTest, CirclesAreMarkedRadial)
{
    SgRef<SgCircle> circle = new SgCircle;
    SgCollectShapesAction collect;
    ASSERT_TRUE(collect.Apply(circle)) << collect.GetError();
    ASSERT_EQ(collect.m_Items.GetSize(), 1);
    EXPECT_TRUE(collect.m_Items[0]->radial);
    EXPECT_GT(collect.m_Items[0]->iterator->GetCount(), 2) << "a circle is sampled into its points";
}

TEST_F(SgCollectShapesActionTest, ItemsStayReadableAfterTheSceneIsGone)
{
    SgCollectShapesAction collect;
    {
        SgRef<SgSeparator> root = new SgSeparator;
        root->AddChild(new ShiftXModifier);
        root->AddChild(MakeSquare("square"));
        SgRef<SgPolyLine> line = new SgPolyLine;
        const Vec3 points[] = {{0, 0, 0}, {1, 1, 1}};
        line->m_coordinates.SetVals(2, points);
        root->AddChild(line);
        ASSERT_TRUE(collect.Apply(root)) << collect.GetError();
    }
    ASSERT_EQ(collect.m_Items.GetSize(), 2);
    EXPECT_EQ(Walk(*collect.m_Items[0]->iterator).size(), 4u);
    EXPECT_EQ(Walk(*collect.m_Items[1]->iterator), (std::vector<Vec3>{{0, 0, 0}, {1, 1, 1}}));
}

TEST(VertexIteratorTest, FilterWalksOnlyFlaggedEntries)
{
    struct Case {
        const char *flags; // one character per entry, '1' set
        std::vector<double> walked;
    };
    const Case cases[] = {
        {"1111", {0, 1, 2, 3}}, {"0000", {}}, {"0101", {1, 3}}, {"1000", {0}}, {"0001", {3}}, {"", {}},
    };
    for (const Case &c : cases) {
        const int n = static_cast<int>(std::string(c.flags).size());
        std::vector<Vec3> points;
        std::vector<unsigned char> flags;
        for (int i = 0; i < n; ++i) {
            points.push_back(Vec3(i, 0, 0));
            flags.push_back(c.flags[i] == '1');
        }
        ArrayFilterIterator it(points.empty() ? nullptr : points.data(), flags.data(), n);
        std::vector<double> walked;
        for (it.First(); it.More(); it.Next())
            walked.push_back(it.GetPoint()->x);
        EXPECT_EQ(walked, c.walked) << "flags \"" << c.flags << "\"";
        EXPECT_EQ(it.GetCount(), n) << "the count is that of the whole array";
        EXPECT_EQ(it.GetPoint(), nullptr) << "past the end there is no point";
    }
}

TEST(VertexIteratorTest, WithoutDataNothingIsWalked)
{
    ArrayIterator it(nullptr, 5);
    EXPECT_FALSE(it.IsValid());
    EXPECT_EQ(it.GetCount(), 0);
    it.First();
    EXPECT_FALSE(it.More());
    EXPECT_EQ(it.GetPoint(), nullptr);
    int info = 7;
    EXPECT_EQ(it.GetNormal(info), nullptr);
    EXPECT_EQ(info, 0);
}

} // namespace

// The scene-file meshes: where an indexed face set takes its coordinates,
// the normals generated for it (from index lists that are not trusted), and
// the fields of the indexed face set, the line set and the point set.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tests/engine/EngineTestClasses.h"
#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgState.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/geometry/SgIndexedLineSet.h"
#include "engine/nodes/geometry/SgNormalGenerator.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "platform/SgDiagHandler.h"
#include "platform/SgError.h"
#include "tests/engine/core/TestNodes.h"

namespace {

// Carries the coordinates in force.
class CoordinateStateAction : public SgAction {
    SG_ACTION_HEADER(CoordinateStateAction)
    CoordinateStateAction() { InitState(); }
};
SG_ACTION_SOURCE(CoordinateStateAction, "CoordinateStateAction")
void CoordinateStateAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitDefault);
    BuildVisitorsMap_(s_iClassID);
    EnableElement<PointElement>(s_aiEnabledElements, s_iEnabledCount);
}

SgRef<SgCoordinate3> MakeCoordinates(std::vector<Vec3> points)
{
    SgRef<SgCoordinate3> node = new SgCoordinate3;
    node->m_point.SetVals(static_cast<int>(points.size()), points.data());
    return node;
}

} // namespace

void RegisterIndexedFaceSetTestClasses()
{
    InitTestClasses();
    CoordinateStateAction::InitClass();
}

namespace {

class IndexedFaceSetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterIndexedFaceSetTestClasses(); }

    SgRef<SgIndexedFaceSet> m_mesh = new SgIndexedFaceSet;
};

TEST_F(IndexedFaceSetTest, FieldsAndDefaultsOfTheSceneFileShapes)
{
    struct Case {
        SgRef<SgShape> node;
        std::vector<std::string> fields;
        std::vector<std::pair<const char *, int>> intDefaults;
    };
    const Case cases[] = {
        {new SgIndexedFaceSet,
         {"coordIndex", "normalIndex", "materialIndex", "colorIndex", "textureCoordIndex", "coord", "texCoord",
          "solid", "convex"},
         {{"solid", 1}, {"convex", 1}}},
        {new SgIndexedLineSet, {"coordIndex", "colorPerVertex"}, {{"colorPerVertex", 0}}},
        {new SgPointSet, {"startIndex", "numPoints"}, {{"startIndex", 0}, {"numPoints", -1}}},
    };
    for (const Case &c : cases) {
        const char *name = c.node->GetClassName();
        EXPECT_EQ(SgFieldMngr::GetClassIDFromName(name), c.node->GetClassID()) << name << " is not registered";
        EXPECT_TRUE(c.node->IsDerivedFrom(SgShape::ClassID())) << name;
        ASSERT_EQ(c.node->GetFieldsCount(), static_cast<int>(c.fields.size())) << name;
        for (size_t i = 0; i < c.fields.size(); ++i)
            EXPECT_EQ(c.node->GetFieldName(static_cast<int>(i)), c.fields[i]) << name;
        for (const auto &[field, value] : c.intDefaults) {
            auto *f = dynamic_cast<SgFInt *>(c.node->GetFieldAddressByName(field));
            ASSERT_NE(f, nullptr) << name << "." << field;
            EXPECT_EQ(f->Get(), value) << name << "." << field;
        }
    }
}

TEST_F(IndexedFaceSetTest, WhereTheCoordinatesComeFrom)
{
    SgRef<SgCoordinate3> before = MakeCoordinates({{1, 0, 0}, {2, 0, 0}});
    SgRef<SgCoordinate3> emptyBefore = MakeCoordinates({});
    SgRef<SgCoordinate3> own = MakeCoordinates({{3, 0, 0}});
    enum Source { kNone, kStatePoints, kEmptyState, kOwn };
    struct Case {
        const char *name;
        SgCoordinate3 *inState; // null: no coordinate node before the mesh
        bool ownCoord;
        bool withState;
        Source expected;
    };
    const Case cases[] = {
        {"state points only", before.get(), false, true, kStatePoints},
        {"state points win over own", before.get(), true, true, kStatePoints},
        {"empty state, own coord", emptyBefore.get(), true, true, kOwn},
        {"nothing before, own coord", nullptr, true, true, kOwn},
        {"empty state, no coord", emptyBefore.get(), false, true, kEmptyState},
        {"no state, own coord", nullptr, true, false, kOwn},
        {"no state, no coord", nullptr, false, false, kNone},
    };
    for (const Case &c : cases) {
        SgRef<SgIndexedFaceSet> mesh = new SgIndexedFaceSet;
        if (c.ownCoord)
            mesh->m_coord = NodePtr(own.get());
        CoordinateStateAction action;
        if (c.inState)
            c.inState->DoAction(&action);
        SgVecField<Vec3, 7> *found = mesh->GetCoordinates(c.withState ? action.GetState() : nullptr);
        switch (c.expected) {
        case kNone:
            EXPECT_EQ(found, nullptr) << c.name;
            break;
        case kStatePoints:
            EXPECT_EQ(found, &before->m_point) << c.name;
            break;
        case kEmptyState:
            EXPECT_EQ(found, &emptyBefore->m_point) << c.name;
            break;
        case kOwn:
            EXPECT_EQ(found, &own->m_point) << c.name;
            break;
        }
    }
}

TEST_F(IndexedFaceSetTest, DeformedPointsPreferThePointCache)
{
    EXPECT_EQ(m_mesh->GetDeformedPoints(nullptr), nullptr);
    SgRef<SgCoordinate3> own = MakeCoordinates({{3, 0, 0}});
    m_mesh->m_coord = NodePtr(own.get());
    ASSERT_NE(m_mesh->GetDeformedPoints(nullptr), nullptr);
    EXPECT_EQ(m_mesh->GetDeformedPoints(nullptr)[0], Vec3(3, 0, 0));
    Vec3 moved[] = {{9, 9, 9}};
    m_mesh->SetPointCache(moved);
    EXPECT_EQ(m_mesh->GetDeformedPoints(nullptr), moved);
    m_mesh->SetPointCache(nullptr);
}

// Two triangles folded at a right angle along the edge from 0 to 1: the
// first lies in z = 0, the second in y = 0.
const std::vector<Vec3> kFold = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

class NormalGeneratorTest : public IndexedFaceSetTest {
protected:
    SgNormalGenerator &Generate(const std::vector<int> &indexes, double crease = 0.0,
                                const std::vector<Vec3> &points = kFold)
    {
        m_indexes = indexes;
        m_points = points;
        m_generator = std::make_unique<SgNormalGenerator>(crease);
        m_generator->SetInput(static_cast<int>(m_indexes.size()), m_indexes.data(),
                              static_cast<int>(m_points.size()), m_points.data());
        m_generator->GenerateVertexNormals();
        return *m_generator;
    }

    std::vector<int> m_indexes;
    std::vector<Vec3> m_points;
    std::unique_ptr<SgNormalGenerator> m_generator;
};

TEST_F(NormalGeneratorTest, RunsBetweenNegativeEntriesAreFaces)
{
    struct Case {
        const char *name;
        std::vector<int> indexes;
        int faces;
        std::vector<int> firsts;
    };
    const Case cases[] = {
        {"each ended by -1", {0, 1, 2, -1, 0, 3, 1, -1}, 2, {0, 4}},
        {"last without -1", {0, 1, 2, -1, 0, 3, 1}, 2, {0, 4}},
        {"two -1 in a row", {0, 1, 2, -1, -1, 0, 3, 1, -1}, 2, {0, 5}},
        {"runs of two are no face", {0, 1, -1, 0, 1, 2, -1, 3, -1}, 1, {3}},
        {"only separators", {-1, -1}, 0, {}},
        {"empty list", {}, 0, {}},
    };
    for (const Case &c : cases) {
        SgNormalGenerator &g = Generate(c.indexes);
        ASSERT_EQ(g.GetFaceCount(), c.faces) << c.name;
        for (int f = 0; f < c.faces; ++f)
            EXPECT_EQ(g.GetFace(f).firstIndex, c.firsts[f]) << c.name << ", face " << f;
        EXPECT_EQ(g.GetDroppedFaceCount(), 0) << c.name;
    }
}

TEST_F(NormalGeneratorTest, FaceNormalsFaceTheSideTheyRunClockwiseFrom)
{
    // Counter-clockwise seen from +z is clockwise seen from -z.
    SgNormalGenerator &g = Generate({0, 1, 2, -1, 0, 3, 1, -1, 0, 1, 2, 0, -1});
    ASSERT_EQ(g.GetFaceCount(), 3);
    EXPECT_EQ(g.GetFace(0).normal, Vec3f(0, 0, -1));
    EXPECT_EQ(g.GetFace(1).normal, Vec3f(0, -1, 0));
    EXPECT_EQ(g.GetFace(2).normal, Vec3f(0, 0, -1)) << "the general rule disagrees with the triangle rule";

    SgNormalGenerator &degenerate = Generate({0, 1, 1, -1});
    EXPECT_EQ(degenerate.GetFace(0).normal, Vec3f(1, 0, 0)) << "a face without area";
}

TEST_F(NormalGeneratorTest, CreaseAngleDecidesWhatIsSmoothedTogether)
{
    const float h = static_cast<float>(std::sqrt(0.5));
    struct Case {
        double crease;
        Vec3f atSharedCorner; // corner 0 of the first face
    };
    const Case cases[] = {
        {0.0, {0, 0, -1}}, {45.0, {0, 0, -1}}, {100.0, {0, -h, -h}}, {180.0, {0, -h, -h}}, {400.0, {0, -h, -h}}};
    for (const Case &c : cases) {
        SgNormalGenerator &g = Generate({0, 1, 2, -1, 0, 3, 1, -1}, c.crease);
        ASSERT_EQ(g.GetVertexNormalCount(), 8) << "one per entry of the index list";
        const Vec3f n = g.GetVertexNormal(0);
        EXPECT_NEAR(n.x, c.atSharedCorner.x, 1e-6) << "crease " << c.crease;
        EXPECT_NEAR(n.y, c.atSharedCorner.y, 1e-6) << "crease " << c.crease;
        EXPECT_NEAR(n.z, c.atSharedCorner.z, 1e-6) << "crease " << c.crease;
        EXPECT_EQ(g.GetVertexNormal(2), Vec3f(0, 0, -1)) << "corner 2 belongs to one face only";
        EXPECT_EQ(g.GetVertexNormal(3), Vec3f(0, 0, 0)) << "a separator has no normal";
    }
}

TEST_F(NormalGeneratorTest, InputIsTakenOnceOnly)
{
    SgNormalGenerator &g = Generate({0, 1, 2, -1});
    const std::vector<int> other = {0, 3, 1, -1, 0, 1, 2, -1};
    g.SetInput(static_cast<int>(other.size()), other.data(), 4, m_points.data());
    g.GenerateFaceNormals();
    g.GenerateVertexNormals();
    EXPECT_EQ(g.GetFaceCount(), 1);
    EXPECT_EQ(g.GetFace(0).normal, Vec3f(0, 0, -1));
}

TEST_F(NormalGeneratorTest, FacesNamingMissingCoordinatesAreLeftOut)
{
    SgDiagCapture capture;
    SgNormalGenerator &g = Generate({0, 1, 2, -1, 0, 7, 1, -1, 3, 1, 0, -1}, 180.0);
    ASSERT_EQ(capture.Count("Geometry"), 1) << capture.GetText();
    EXPECT_TRUE(capture.Contains("outside 0..3")) << capture.GetText();
    ASSERT_EQ(g.GetFaceCount(), 2);
    EXPECT_EQ(g.GetDroppedFaceCount(), 1);
    EXPECT_EQ(g.GetFace(1).firstIndex, 8);
    EXPECT_EQ(g.GetVertexNormal(5), Vec3f(0, 0, 0)) << "a left-out face got a normal";
    EXPECT_THROW(g.GetFace(2), SgInvalidArgument);
    EXPECT_THROW(g.GetVertexNormal(12), SgInvalidArgument);
}

TEST_F(NormalGeneratorTest, EditsGiveTheMeshAFreshGenerator)
{
    SgRef<SgCoordinate3> own = MakeCoordinates(kFold);
    m_mesh->m_coord = NodePtr(own.get());
    const int indexes[] = {0, 1, 2, -1};
    m_mesh->m_coordIndex.SetVals(4, indexes);

    auto generate = [&] {
        SgNormalGenerator *g = m_mesh->getNormalGenerator();
        SgVecField<Vec3, 7> *points = m_mesh->GetCoordinates(nullptr);
        g->SetInput(m_mesh->m_coordIndex.GetCount(), m_mesh->m_coordIndex.GetValues().data(), points->GetCount(),
                    points->GetValues().data());
        g->GenerateVertexNormals();
        return g->GetFace(0).normal;
    };
    EXPECT_EQ(generate(), Vec3f(0, 0, -1));
    EXPECT_EQ(m_mesh->getNormalGenerator(), m_mesh->getNormalGenerator()) << "the generator is not kept";

    const int turned[] = {0, 2, 1, -1};
    m_mesh->m_coordIndex.SetVals(4, turned);
    EXPECT_EQ(generate(), Vec3f(0, 0, 1)) << "an edit of the index list kept the old normals";

    own->m_point.SetValue(2, Vec3(0, -1, 0));
    EXPECT_EQ(generate(), Vec3f(0, 0, -1)) << "an edit of the coordinate node kept the old normals";
}

TEST_F(IndexedFaceSetTest, PointSetRangeStaysInsideThePoints)
{
    struct Case {
        int start, num, available;
        bool any;
        int first, count;
    };
    const Case cases[] = {
        {0, -1, 5, true, 0, 5},  {2, -1, 5, true, 2, 3}, {1, 2, 5, true, 1, 2},   {3, 10, 5, true, 3, 2},
        {5, -1, 5, false, 5, 0}, {-2, 1, 5, false, -2, 0}, {0, 0, 5, false, 0, 0}, {0, -7, 5, true, 0, 5},
        {0, -1, 0, false, 0, 0},
    };
    for (const Case &c : cases) {
        SgRef<SgPointSet> points = new SgPointSet;
        points->m_startIndex = c.start;
        points->m_numPoints = c.num;
        int first = 99, count = 99;
        EXPECT_EQ(points->GetPointRange(c.available, first, count), c.any)
            << "start " << c.start << " num " << c.num << " of " << c.available;
        EXPECT_EQ(count, c.count) << "start " << c.start << " num " << c.num << " of " << c.available;
        if (c.any) {
            EXPECT_EQ(first, c.first);
        }
    }
}

} // namespace

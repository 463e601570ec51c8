// The face set: how faces are appended, their normals and per-surface vertex
// normals, the duplicate table, the box, and what happens to faces that
// refer to vertices that do not exist.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "platform/SgDiagHandler.h"
#include "platform/SgError.h"
#include "tests/engine/core/TestNodes.h"

namespace {

using Loop = std::vector<int>;
using Face = std::vector<Loop>;

// The faces as the four face arrays describe them, with their surface ids.
struct MeshView {
    std::vector<Face> faces;
    std::vector<int> surfaces;
};

MeshView View(SgFaceSet &mesh)
{
    MeshView view;
    int loop = 0;
    int index = 0;
    for (int f = 0; f < mesh.GetFaceCount(); ++f) {
        Face face;
        for (int l = 0; l < mesh.m_loopCount.GetValue(f); ++l, ++loop) {
            Loop indexes;
            for (int i = 0; i < mesh.m_sizes.GetValue(loop); ++i)
                indexes.push_back(mesh.m_indexes.GetValue(index++));
            face.push_back(indexes);
        }
        view.faces.push_back(face);
        view.surfaces.push_back(mesh.m_surfID.GetValue(f));
    }
    return view;
}

std::string Text(const std::vector<Face> &faces)
{
    std::ostringstream out;
    for (const Face &face : faces) {
        out << "{";
        for (const Loop &loop : face) {
            out << "(";
            for (size_t i = 0; i < loop.size(); ++i)
                out << (i ? " " : "") << loop[i];
            out << ")";
        }
        out << "}";
    }
    return out.str();
}

class FaceSetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitTestClasses(); }

    // A unit square in z = 0 with corners 0..3, and a point 4 that lifts
    // corner 3 off the plane.
    void AddSquare(double lift = 0.5)
    {
        const Vec3 points[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 1, lift}};
        m_mesh->m_vertices.AddVals(5, points);
    }

    SgRef<SgFaceSet> m_mesh = new SgFaceSet;
};

TEST_F(FaceSetTest, FieldsAreRegisteredInOrder)
{
    const char *names[] = {"vertices", "texCoord", "indexes", "sizes", "loopCount",
                           "surfID", "vertexDuplication", "creaseEdges", "cornerVertices"};
    ASSERT_EQ(m_mesh->GetFieldsCount(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_STREQ(m_mesh->GetFieldName(i), names[i]) << "field " << i;
    EXPECT_STREQ(m_mesh->GetClassName(), "SgFaceSet");
    EXPECT_TRUE(m_mesh->IsDerivedFrom(SgShape::ClassID()));
}

TEST_F(FaceSetTest, QuadrilateralCornersAndSplitting)
{
    struct Case {
        const char *name;
        int a, b, c, d;
        int split;
        bool flip;
        std::vector<int> duplicates; // "vertexDuplication", empty for none
        std::vector<Face> expected;
    };
    const std::vector<int> sameThirdFourth = {0, 1, 2, 2, 4};
    const Case cases[] = {
        {"repeated last corner, split 0", 0, 1, 2, 2, 0, false, {}, {{{0, 1, 2}}}},
        {"repeated last corner, split 1", 0, 1, 2, 2, 1, false, {}, {{{0, 1, 2}}}},
        {"repeated last corner, split 2", 0, 1, 2, 2, 2, false, {}, {{{0, 1, 2}}}},
        {"planar, split 1", 0, 1, 2, 3, 1, false, {}, {{{0, 1, 2, 3}}}},
        {"bent, split 1", 0, 1, 2, 4, 1, false, {}, {{{0, 1, 2}}, {{0, 2, 4}}}},
        {"planar, split 2", 0, 1, 2, 3, 2, false, {}, {{{0, 1, 2}}, {{0, 2, 3}}}},
        {"bent, split 0", 0, 1, 2, 4, 0, false, {}, {{{0, 1, 2, 4}}}},
        {"flipped", 0, 1, 2, 3, 1, true, {}, {{{3, 2, 1, 0}}}},
        {"flipped and bent", 0, 1, 2, 4, 1, true, {}, {{{4, 2, 1}}, {{4, 1, 0}}}},
        {"duplicates compared, indexes kept", 0, 1, 2, 3, 1, false, sameThirdFourth, {{{0, 1, 3}}}},
        {"first corner equal to the last", 0, 1, 2, 0, 1, false, {}, {{{0, 1, 2}}}},
        {"all corners equal", 1, 1, 1, 1, 1, false, {}, {}},
        {"two distinct corners", 0, 0, 1, 1, 0, false, {}, {}},
    };
    for (const Case &c : cases) {
        SgRef<SgFaceSet> mesh = new SgFaceSet;
        m_mesh = mesh;
        AddSquare();
        if (!c.duplicates.empty())
            mesh->m_vertexDuplication.SetVals(static_cast<int>(c.duplicates.size()), c.duplicates.data());
        const int appended = mesh->InsertFace1(c.a, c.b, c.c, c.d, 7, c.split, c.flip);
        const MeshView view = View(*mesh);
        EXPECT_EQ(Text(view.faces), Text(c.expected)) << c.name;
        EXPECT_EQ(appended, static_cast<int>(c.expected.size())) << c.name;
        for (int surf : view.surfaces)
            EXPECT_EQ(surf, 7) << c.name;
    }
}

TEST_F(FaceSetTest, MultiLoopAndSingleLoopInsertion)
{
    AddSquare();
    const int indexes[] = {0, 1, 2, 3, 4, 2};
    const int sizes[] = {4, 2};
    ASSERT_TRUE(m_mesh->InsertFace(indexes, 2, sizes, 3));
    ASSERT_TRUE(m_mesh->InsertFace(indexes, -2, sizes, 3));
    ASSERT_TRUE(m_mesh->InsertFace(indexes, 3, 9));
    ASSERT_TRUE(m_mesh->InsertFace(indexes, -3, 9));
    const MeshView view = View(*m_mesh);
    const std::vector<Face> expected = {
        {{0, 1, 2, 3}, {4, 2}}, {{3, 2, 1, 0}, {2, 4}}, {{0, 1, 2}}, {{2, 1, 0}}};
    EXPECT_EQ(Text(view.faces), Text(expected));
    EXPECT_EQ(view.surfaces, std::vector<int>({3, 3, 9, 0})) << "a reversed single loop keeps surface id 0";
}

TEST_F(FaceSetTest, FacesTheArraysCannotHoldAreRefused)
{
    AddSquare();
    std::vector<int> many(70000, 0);
    const int tooLong[] = {70000};
    const int negative[] = {-1};
    const int one[] = {0};
    struct Case {
        const char *name;
        const int *indexes;
        int loops;
        const int *sizes;
    };
    const Case cases[] = {
        {"loop longer than 65535", many.data(), 1, tooLong},
        {"negative loop size", one, 1, negative},
        {"no loop at all", one, 0, one},
        {"no sizes", one, 1, nullptr},
    };
    for (const Case &c : cases) {
        SgDiagCapture capture;
        EXPECT_FALSE(m_mesh->InsertFace(c.indexes, c.loops, c.sizes, 1)) << c.name;
        EXPECT_EQ(capture.Count("Geometry"), 1) << c.name << " was not refused with one diagnostic";
        EXPECT_EQ(m_mesh->GetFaceCount(), 0) << c.name;
        EXPECT_EQ(m_mesh->m_sizes.GetCount(), 0) << c.name;
        EXPECT_EQ(m_mesh->m_indexes.GetCount(), 0) << c.name;
    }
}

TEST_F(FaceSetTest, LoopNormalsFollowTheClockwiseRule)
{
    const Vec3 points[] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {2, 0.5, 0}};
    m_mesh->m_vertices.AddVals(5, points);
    const int pentagon[] = {0, 1, 2, 4, 3};
    m_mesh->InsertFace3(0, 1, 2, 0);
    m_mesh->InsertFace(3, 2, 1, 0, 0);
    m_mesh->InsertFace(pentagon, 5, 0);
    m_mesh->InsertFace(pentagon, -5, 0);
    m_mesh->EvaluateFaceNormals(false);
    EXPECT_EQ(m_mesh->GetFaceNormal(0), Vec3(0, 0, 1));
    EXPECT_EQ(m_mesh->GetFaceNormal(1), Vec3(0, 0, -1));
    EXPECT_EQ(m_mesh->GetFaceNormal(2), Vec3(0, 0, 1));
    EXPECT_EQ(m_mesh->GetFaceNormal(3), Vec3(0, 0, -1));
    EXPECT_THROW(m_mesh->GetFaceNormal(4), SgInvalidArgument);
}

TEST_F(FaceSetTest, VertexNormalsSumPerSurfaceUpToFour)
{
    // Six triangles around vertex 0 in z = 0, each facing +z (normal sum 1
    // per face), with surface ids 1, 1, 2, 3, 0, 5 and then a seventh with 6.
    const Vec3 points[] = {{0, 0, 0},   {1, 0, 0},   {1, 1, 0},  {0, 1, 0}, {-1, 1, 0},
                           {-1, 0, 0}, {-1, -1, 0}, {0, -1, 0}, {1, -1, 0}};
    m_mesh->m_vertices.AddVals(9, points);
    const int surfaces[] = {1, 1, 2, 3, 0, 5, 6};
    for (int i = 0; i < 7; ++i)
        m_mesh->InsertFace3(0, i + 2, i + 1, surfaces[i]);
    m_mesh->EvaluateFaceNormals(true);

    const SgFaceSet::VertexNormalRecord &record = m_mesh->GetVertexNormalRecord(0);
    ASSERT_EQ(record.count, 4) << "surface 0 takes part, or a fifth surface was kept";
    EXPECT_EQ(std::vector<int>(record.surfaces, record.surfaces + 4), std::vector<int>({1, 2, 3, 5}));
    EXPECT_EQ(m_mesh->GetVertexNormal(0, 1), Vec3f(0, 0, 2)) << "two faces of surface 1";
    EXPECT_EQ(m_mesh->GetVertexNormal(0, 3), Vec3f(0, 0, 1));
    EXPECT_EQ(m_mesh->GetVertexNormal(0, 6), m_mesh->GetVertexNormal(0, 5))
        << "a surface id the record lacks reads the last slot";
    // A vertex with one surface answers for any id.
    EXPECT_EQ(m_mesh->GetVertexNormal(1, 99), Vec3f(0, 0, 1));
}

TEST_F(FaceSetTest, DuplicatesShareOneRecordAcrossASeam)
{
    // Two faces meeting along x = 1 with separate vertices there; 4 and 5
    // duplicate 1 and 2. The faces are tilted so their sums differ.
    const Vec3 points[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 1}, {2, 1, 1}};
    m_mesh->m_vertices.AddVals(8, points);
    const int duplicates[] = {0, 1, 2, 3, 1, 2, 6, 7};
    m_mesh->m_vertexDuplication.SetVals(8, duplicates);
    m_mesh->InsertFace(0, 3, 2, 1, 1);
    m_mesh->InsertFace(4, 5, 7, 6, 1);
    m_mesh->EvaluateFaceNormals(true);
    const Vec3f left = m_mesh->GetVertexNormal(1, 1);
    const Vec3f right = m_mesh->GetVertexNormal(4, 1);
    EXPECT_EQ(left, right) << "the seam vertices do not share their sum";
    const Vec3f expected = Vec3f(m_mesh->GetFaceNormal(0) + m_mesh->GetFaceNormal(1));
    EXPECT_NEAR(left.x, expected.x, 1e-6);
    EXPECT_NEAR(left.z, expected.z, 1e-6);

    int walked = 0;
    for (int v = m_mesh->NextRepresentative(-1); v < m_mesh->GetVertexCount(); v = m_mesh->NextRepresentative(v))
        ++walked;
    EXPECT_EQ(walked, 6) << "representatives: every vertex but the two duplicates";
}

TEST_F(FaceSetTest, BoxIsZeroWhenEmptyAndFollowsEveryEdit)
{
    EXPECT_EQ(m_mesh->BoundingBox().GetMin(), Vec3f(0, 0, 0));
    EXPECT_EQ(m_mesh->BoundingBox().GetMax(), Vec3f(0, 0, 0));
    AddSquare(2.0);
    EXPECT_EQ(m_mesh->BoundingBox().GetMin(), Vec3f(0, 0, 0));
    EXPECT_EQ(m_mesh->BoundingBox().GetMax(), Vec3f(1, 1, 2));
    m_mesh->m_vertices.SetValue(0, Vec3(-3, 0, 0));
    EXPECT_EQ(m_mesh->BoundingBox().GetMin(), Vec3f(-3, 0, 0)) << "the box kept a moved vertex's old place";
}

TEST_F(FaceSetTest, NormalsAreRegeneratedAfterEdits)
{
    AddSquare();
    m_mesh->InsertFace3(0, 3, 1, 1);
    m_mesh->EvaluateFaceNormals(true);
    ASSERT_EQ(m_mesh->GetFaceNormal(0), Vec3(0, 0, 1));
    // Turn the triangle over by moving one corner across the others.
    m_mesh->m_vertices.SetValue(3, Vec3(1, -1, 0));
    EXPECT_EQ(m_mesh->GetFaceNormal(0), Vec3(0, 0, -1));
    EXPECT_EQ(m_mesh->GetVertexNormal(0, 1), Vec3f(0, 0, -1));
    m_mesh->InsertFace3(0, 1, 2, 2);
    EXPECT_NO_THROW(m_mesh->GetFaceNormal(1)) << "a face added after the evaluation has no normal";
}

TEST_F(FaceSetTest, EvaluationOfEmptyArraysIsRefused)
{
    AddSquare();
    m_mesh->m_loopCount.AddVal(1);
    EXPECT_THROW(m_mesh->EvaluateFaceNormals(true), SgInvalidArgument);
    SgRef<SgFaceSet> empty = new SgFaceSet;
    EXPECT_NO_THROW(empty->EvaluateFaceNormals(true));
    EXPECT_FALSE(empty->HasFaceNormals());
}

// A mesh as a file may give it: face 1 names vertex 9 of 5, face 3's loop
// runs past the end of "indexes".
class UntrustedFaceSetTest : public FaceSetTest {
protected:
    void SetUp() override
    {
        AddSquare();
        const int indexes[] = {0, 1, 2, 0, 9, 2, 1, 2, 3, 0, 1};
        const unsigned short sizes[] = {3, 3, 3, 4};
        const unsigned short loops[] = {1, 1, 1, 1};
        const unsigned short surfaces[] = {1, 1, 1, 1};
        m_mesh->m_indexes.SetVals(11, indexes);
        m_mesh->m_sizes.SetVals(4, sizes);
        m_mesh->m_loopCount.SetVals(4, loops);
        m_mesh->m_surfID.SetVals(4, surfaces);
        const int duplicates[] = {0, 1, 2, 3, 40};
        m_mesh->m_vertexDuplication.SetVals(5, duplicates);
    }
};

TEST_F(UntrustedFaceSetTest, EvaluationLeavesOutFacesThatReferToMissingVertices)
{
    SgDiagCapture capture;
    m_mesh->EvaluateFaceNormals(true);
    ASSERT_EQ(capture.Count(), 1) << capture.GetText();
    EXPECT_TRUE(capture.Contains("2 of 4 faces")) << capture.GetText();
    EXPECT_EQ(m_mesh->GetFaceNormal(1), Vec3(0, 0, 1));
    EXPECT_EQ(m_mesh->GetFaceNormal(3), Vec3(0, 0, 1));
    EXPECT_EQ(m_mesh->GetVertexNormal(2, 1), Vec3f(0, 0, -2)) << "only faces 0 and 2 reach vertex 2";
    EXPECT_EQ(m_mesh->UpdateDupTable()[4], 4) << "a representative outside the vertices was kept";

    capture.Clear();
    m_mesh->EvaluateFaceNormals(true);
    EXPECT_EQ(capture.GetText(), "") << "the same faults were reported twice";
}

TEST_F(UntrustedFaceSetTest, ValidateDropsTheBadFacesForGood)
{
    SgDiagCapture capture;
    EXPECT_EQ(m_mesh->Validate(), 2);
    EXPECT_GE(capture.Count("Geometry"), 1);
    const MeshView view = View(*m_mesh);
    EXPECT_EQ(Text(view.faces), "{(0 1 2)}{(1 2 3)}");
    EXPECT_EQ(m_mesh->m_vertexDuplication.GetValue(4), 4);
    EXPECT_EQ(m_mesh->Validate(), 0) << "a valid mesh was changed again";
}

} // namespace

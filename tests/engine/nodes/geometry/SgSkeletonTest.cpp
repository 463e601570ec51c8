// The roof node: a profile and its slopes make a closed roof mesh standing
// on the profile's plane; its faces carry their own vertex copies and
// texture coordinates; a profile it cannot roof is reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgSkeleton.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"
#include "tests/engine/nodes/geometry/MeshCheck.h"

namespace {

class SkeletonNodeTest : public ::testing::Test {
protected:
    void SetUp() override { InitExtrusionTests(); }

    static SgRef<SgSkeleton> Roof(const std::vector<std::vector<Vec3>> &loops)
    {
        SgRef<SgSkeleton> roof = new SgSkeleton;
        roof->SetPolyline(MakePolyLine(loops, true).get(), SgExtrude::kProfileSlot, true);
        return roof;
    }
};

std::vector<Vec3> Rect(double w, double h)
{
    return {{0, 0, 0}, {w, 0, 0}, {w, h, 0}, {0, h, 0}};
}

} // namespace

TEST_F(SkeletonNodeTest, ARectangleGetsAHippedRoofUnderARidge)
{
    SgRef<SgSkeleton> roof = Roof({Rect(4.0, 2.0)});
    EXPECT_EQ(roof->m_slope.GetCount(), 1);
    EXPECT_DOUBLE_EQ(roof->m_slope.GetValue(0), 45.0);
    SgFaceSet *mesh = BuildMesh(roof.get());
    ASSERT_NE(mesh, nullptr);
    const std::vector<MeshFace> faces = ReadFaces(*mesh);
    ASSERT_EQ(faces.size(), 5u);
    int triangles = 0, quads = 0;
    for (size_t f = 0; f + 1 < faces.size(); ++f) {
        triangles += faces[f].loops[0].size() == 3;
        quads += faces[f].loops[0].size() == 4;
    }
    EXPECT_EQ(triangles, 2);
    EXPECT_EQ(quads, 2);
    double top = 0.0;
    for (const Vec3 &v : mesh->m_vertices.GetValues())
        top = std::max(top, v.z);
    EXPECT_NEAR(top, 1.0, 1e-6) << "the ridge at half the shorter side";
    const MeshCheck check = CheckMesh(*mesh);
    EXPECT_TRUE(check.IsSolid()) << check.Describe();
    // Every face vertex has its own copy and texture coordinate, and the
    // copies of one point are chained.
    size_t corners = 0;
    for (const MeshFace &face : faces)
        corners += face.loops[0].size();
    EXPECT_EQ(size_t(mesh->GetVertexCount()), corners);
    EXPECT_EQ(size_t(mesh->m_texCoord.GetCount()), corners);
    EXPECT_EQ(mesh->m_vertexDuplication.GetCount(), mesh->GetVertexCount());
}

TEST_F(SkeletonNodeTest, SlopesPerEdgeAndTheirDefaults)
{
    SgRef<SgSkeleton> roof = Roof({Rect(2.0, 2.0)});
    const double steep[] = {60.0, 30.0};
    roof->m_slope.SetVals(2, steep);
    SgFaceSet *mesh = BuildMesh(roof.get());
    ASSERT_NE(mesh, nullptr);
    EXPECT_TRUE(CheckMesh(*mesh).IsSolid());
    // An empty list means 45 degrees.
    roof->m_slope.RemoveAll();
    mesh = BuildMesh(roof.get());
    ASSERT_NE(mesh, nullptr);
    double top = 0.0;
    for (const Vec3 &v : mesh->m_vertices.GetValues())
        top = std::max(top, v.z);
    EXPECT_NEAR(top, 1.0, 1e-6);
}

TEST_F(SkeletonNodeTest, SeveralLoopsRoofTheOuterOneAndBadProfilesAreReported)
{
    std::vector<Vec3> hole = {{1, 1, 0}, {1, 1.5, 0}, {1.5, 1.5, 0}, {1.5, 1, 0}};
    SgRef<SgSkeleton> roof = Roof({hole, Rect(3.0, 3.0)});
    SgDiagCapture capture;
    SgFaceSet *mesh = BuildMesh(roof.get());
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(ReadFaces(*mesh).size(), 5u) << "the outer square's four faces and its footprint";
    EXPECT_TRUE(CheckMesh(*mesh).IsSolid());

    SgRef<SgSkeleton> line = Roof({{{0, 0, 0}, {1, 0, 0}}});
    mesh = BuildMesh(line.get());
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetFaceCount(), 0);
    EXPECT_GE(capture.Count("Geometry"), 1);
}

TEST_F(SkeletonNodeTest, SeparateLoopsGetARoofEach)
{
    // Two buildings side by side, and a courtyard loop inside the second.
    const std::vector<Vec3> left = Rect(2.0, 2.0);
    std::vector<Vec3> right;
    for (const Vec3 &p : Rect(4.0, 4.0))
        right.emplace_back(p.x + 5.0, p.y, 0.0);
    const std::vector<Vec3> court = {{6, 1, 0}, {6, 2, 0}, {7, 2, 0}, {7, 1, 0}};
    SgRef<SgSkeleton> roof = Roof({left, right, court});
    SgDiagCapture capture;
    SgFaceSet *mesh = BuildMesh(roof.get());
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(ReadFaces(*mesh).size(), 10u) << "four faces and a footprint for each building";
    const MeshCheck check = CheckMesh(*mesh);
    EXPECT_TRUE(check.IsSolid()) << check.Describe();
    // Each roof at its own height: 1 over the small one, 2 over the large.
    double leftTop = 0.0, rightTop = 0.0;
    for (const Vec3 &v : mesh->m_vertices.GetValues())
        (v.x < 3.0 ? leftTop : rightTop) = std::max(v.x < 3.0 ? leftTop : rightTop, v.z);
    EXPECT_NEAR(leftTop, 1.0, 1e-6);
    EXPECT_NEAR(rightTop, 2.0, 1e-6);
    EXPECT_EQ(capture.Count("Geometry"), 1) << "the courtyard is not roofed round, and says so";
}

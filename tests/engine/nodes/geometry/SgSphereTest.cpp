// Spheres turned from an arc, and geodesic spheres from a subdivided
// icosahedron.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgGeoSphere.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

namespace {

class SphereTest : public ::testing::Test {
protected:
    void SetUp() override { InitExtrusionTests(); }
};

Vec3 Origin(const Vec3 &)
{
    return Vec3();
}

} // namespace

TEST_F(SphereTest, GeoSphereCountsFollowTheSubdivision)
{
    struct Case {
        int segments;
        double radius;
        int vertices;
        int triangles;
        double onRadius;
    };
    const Case cases[] = {
        {1, 2.0, 12, 20, 2.0},   {2, 1.0, 42, 80, 1.0},  {5, 1.0, 252, 500, 1.0},
        {0, 1.0, 12, 20, 1.0},   {-3, 1.0, 12, 20, 1.0}, {2, 0.0, 42, 80, 1e-05},
    };
    for (const Case &c : cases) {
        SgRef<SgGeoSphere> sphere = new SgGeoSphere;
        sphere->m_segments.Set(c.segments);
        sphere->m_radius.Set(c.radius);
        SgFaceSet *mesh = BuildMesh(sphere.get());
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(mesh->GetVertexCount(), c.vertices) << "segments " << c.segments;
        EXPECT_EQ(mesh->GetFaceCount(), c.triangles) << "segments " << c.segments;
        std::set<std::tuple<double, double, double>> positions;
        for (int v = 0; v < mesh->GetVertexCount(); ++v) {
            const Vec3 p = mesh->m_vertices.GetValue(v);
            EXPECT_NEAR(p.Length(), c.onRadius, 1e-12 + 1e-9 * c.onRadius) << "segments " << c.segments;
            positions.emplace(std::round(p.x * 1e9), std::round(p.y * 1e9), std::round(p.z * 1e9));
        }
        if (c.radius > 0.0) {
            EXPECT_EQ(int(positions.size()), c.vertices) << "segments " << c.segments << ": shared edges repeat vertices";
            EXPECT_TRUE(InwardFaces(*mesh, Origin).empty()) << "segments " << c.segments;
        }
    }
}

TEST_F(SphereTest, GeoSphereSmoothTypeSetsSurfaceIds)
{
    for (int type : {0, 1, 2}) {
        SgRef<SgGeoSphere> sphere = new SgGeoSphere;
        sphere->m_segments.Set(3);
        sphere->m_smoothType.Set(type);
        SgFaceSet *mesh = BuildMesh(sphere.get());
        ASSERT_NE(mesh, nullptr);
        const std::vector<MeshFace> faces = ReadFaces(*mesh);
        ASSERT_EQ(faces.size(), 180u);
        for (size_t f = 0; f < faces.size(); ++f) {
            const int expected = type == 2 ? int(f / 9) + 1 : type;
            EXPECT_EQ(faces[f].surface, expected) << "smoothType " << type << ", triangle " << f;
        }
    }
}

TEST_F(SphereTest, WholeSphereHasTwoPolesAndFacesOutwards)
{
    SgRef<SgSphere> sphere = new SgSphere;
    sphere->m_radius.Set(2.0);
    SgFaceSet *mesh = BuildMesh(sphere.get());
    ASSERT_NE(mesh, nullptr);
    ASSERT_GT(mesh->GetVertexCount(), 0);
    const Range<Vec3f> box = mesh->BoundingBox();
    EXPECT_NEAR(box.GetMax().z, 2.0f, 1e-4);
    EXPECT_NEAR(box.GetMin().z, -2.0f, 1e-4);
    std::set<int> poleRepresentatives;
    for (int v = 0; v < mesh->GetVertexCount(); ++v) {
        const Vec3 p = mesh->m_vertices.GetValue(v);
        EXPECT_NEAR(p.Length(), 2.0, 1e-9) << "vertex " << v;
        if (std::fabs(std::fabs(p.z) - 2.0) < 1e-9)
            poleRepresentatives.insert(mesh->m_vertexDuplication.GetValue(v));
    }
    EXPECT_EQ(poleRepresentatives.size(), 2u) << "each pole is one vertex for smoothing";
    for (const MeshFace &face : ReadFaces(*mesh))
        EXPECT_NE(face.surface, 0) << "a whole sphere has no flat cap";
    EXPECT_TRUE(InwardFaces(*mesh, Origin).empty());
}

TEST_F(SphereTest, HeightRatioCutsTheSphereWithAFlatCap)
{
    SgRef<SgSphere> sphere = new SgSphere;
    sphere->m_heightRatio.Set(0.5);
    SgFaceSet *mesh = BuildMesh(sphere.get());
    ASSERT_NE(mesh, nullptr);
    const Range<Vec3f> box = mesh->BoundingBox();
    EXPECT_NEAR(box.GetMin().z, 0.0f, 1e-6) << "a hemisphere ends at the equator";
    EXPECT_NEAR(box.GetMax().z, 1.0f, 1e-6);
    int caps = 0;
    for (const MeshFace &face : ReadFaces(*mesh)) {
        if (face.surface == 0) {
            ++caps;
            EXPECT_EQ(face.loops[0].size(), 32u) << "the cut is closed by one polygon of 32 corners";
        }
    }
    EXPECT_EQ(caps, 1);
    EXPECT_TRUE(InwardFaces(*mesh, [](const Vec3 &) { return Vec3(0, 0, 0.4); }).empty());
}

TEST_F(SphereTest, ComplexityChangesNothing)
{
    SgRef<SgSphere> sphere = new SgSphere;
    SgFaceSet *first = BuildMesh(sphere.get());
    sphere->m_complexity.Set(7);
    EXPECT_EQ(BuildMesh(sphere.get()), first) << "the ignored field caused a rebuild";
    sphere->m_radius.Set(3.0);
    SgFaceSet *rebuilt = BuildMesh(sphere.get());
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_NEAR(rebuilt->BoundingBox().GetMax().z, 3.0f, 1e-4) << "the radius change was not built";
}

// A count far past what a drawing needs is cut to the cap with a message:
// 4000 segments once took gigabytes and most of a minute.
TEST_F(SphereTest, SegmentsPastTheCapAreCutWithAMessage)
{
    SgDiagCapture capture;
    SgRef<SgSphere> sphere = new SgSphere;
    sphere->m_segments.Set(4000);
    SgFaceSet *mesh = BuildMesh(sphere.get());
    ASSERT_NE(mesh, nullptr);
    const long cap = SgExtrude::kMaxCount;
    EXPECT_LE(mesh->GetVertexCount(), (cap + 2) * (cap + 2));
    // The cap itself keeps a few-line scene to a few hundred megabytes.
    EXPECT_LE(mesh->GetVertexCount(), 200000);
    EXPECT_TRUE(capture.Contains("is above")) << capture.GetText();
}

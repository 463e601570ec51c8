// The polygoniser and the metaball fields on their own: a sphere's surface
// lands at its radius and closes, runs repeat themselves exactly, work stays
// within its caps, and the blob octree answers from the leaf of the query.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/implicit/MetaBall.h"
#include "engine/nodes/geometry/implicit/MetaBallAgragation.h"
#include "engine/nodes/geometry/implicit/Polygonizer.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"
#include "tests/engine/nodes/geometry/MeshCheck.h"

namespace {

struct Mesh {
    std::vector<Vec3> vertices;
    std::vector<int> triangles;
    const char *result = nullptr;
};

// Triangles stored as the metaball engine stores them (reversed).
Mesh Polygonise(const MetaBallObj &field, double cellSize, int bound, const std::vector<float> &seeds,
         int mode = kPolygonizeCubes, const PolygonizeLimits &limits = PolygonizeLimits())
{
    Mesh mesh;
    mesh.result = Polygonize(
        [&field](const double *p) { return field.FieldValue(Vec3(p[0], p[1], p[2])) - 1.0; }, cellSize, bound,
        seeds.data(), int(seeds.size() / 3),
        [&mesh](int a, int b, int c, const PolygonizerVertices &) {
            mesh.triangles.insert(mesh.triangles.end(), {c, b, a});
            return 1;
        },
        [&mesh](const PolygonizerVertices &vertices) {
            for (const PolygonizerVertex &v : vertices)
                mesh.vertices.emplace_back(v.position[0], v.position[1], v.position[2]);
        },
        mode, limits);
    return mesh;
}

SgRef<SgFaceSet> ToFaceSet(const Mesh &mesh)
{
    SgRef<SgFaceSet> faces = new SgFaceSet;
    faces->m_vertices.SetVals(int(mesh.vertices.size()), mesh.vertices.data());
    for (size_t t = 0; t + 2 < mesh.triangles.size(); t += 3)
        faces->InsertFace(&mesh.triangles[t], 3, 1234);
    return faces;
}

// The number of pieces the triangles make, joined through shared vertices.
int Components(const Mesh &mesh)
{
    std::vector<int> parent(mesh.vertices.size());
    for (size_t i = 0; i < parent.size(); ++i)
        parent[i] = int(i);
    auto find = [&parent](int v) {
        while (parent[size_t(v)] != v)
            v = parent[size_t(v)] = parent[size_t(parent[size_t(v)])];
        return v;
    };
    for (size_t t = 0; t + 2 < mesh.triangles.size(); t += 3)
        for (int k = 1; k < 3; ++k)
            parent[size_t(find(mesh.triangles[t + size_t(k)]))] = find(mesh.triangles[t]);
    std::vector<bool> used(parent.size()), root(parent.size());
    for (int v : mesh.triangles)
        used[size_t(v)] = true;
    int count = 0;
    for (size_t v = 0; v < parent.size(); ++v)
        if (used[v] && find(int(v)) == int(v))
            ++count;
    return count;
}

std::unique_ptr<MetaBallSphere> SphereAt(double r, const Vec3 &centre)
{
    auto sphere = std::make_unique<MetaBallSphere>(r);
    Mat4 toLocal;
    toLocal.Set(0, 3, -centre.x);
    toLocal.Set(1, 3, -centre.y);
    toLocal.Set(2, 3, -centre.z);
    sphere->SetToLocal(toLocal);
    return sphere;
}

class PolygonizerTest : public ::testing::Test {
protected:
    void SetUp() override { InitExtrusionTests(); }
};

} // namespace

TEST_F(PolygonizerTest, AUnitSphereClosesAtRadiusOne)
{
    MetaBallSphere sphere(1.0);
    for (int mode : {kPolygonizeCubes, kPolygonizeTetrahedra}) {
        const Mesh mesh = Polygonise(sphere, 0.085, 100, {0.0f, 0.0f, 0.0f}, mode);
        EXPECT_EQ(mesh.result, nullptr);
        ASSERT_GT(mesh.triangles.size(), 1000u) << "mode " << mode;
        for (const Vec3 &v : mesh.vertices)
            ASSERT_NEAR(v.Length(), 1.0, 1e-3) << "mode " << mode;
        SgRef<SgFaceSet> faces = ToFaceSet(mesh);
        const MeshCheck check = CheckMesh(*faces);
        EXPECT_TRUE(check.IsSolid()) << "mode " << mode << ": " << check.Describe();
        EXPECT_NEAR(check.volume, 4.0 / 3.0 * M_PI, 0.05) << "mode " << mode;
        EXPECT_EQ(Components(mesh), 1);
    }
}

TEST_F(PolygonizerTest, IdenticalInputsGiveIdenticalMeshes)
{
    MetaBallUnion blend;
    blend.AddChild(SphereAt(1.0, Vec3(0, 0, 0)));
    blend.AddChild(SphereAt(0.7, Vec3(1.2, 0.3, 0.1)));
    const std::vector<float> seeds = {0, 0, 0, 1.2f, 0.3f, 0.1f};
    const Mesh first = Polygonise(blend, 0.07, 100, seeds);
    const Mesh second = Polygonise(blend, 0.07, 100, seeds);
    ASSERT_FALSE(first.triangles.empty());
    EXPECT_EQ(first.triangles, second.triangles);
    ASSERT_EQ(first.vertices.size(), second.vertices.size());
    for (size_t i = 0; i < first.vertices.size(); ++i)
        ASSERT_TRUE(first.vertices[i] == second.vertices[i]) << "vertex " << i;
}

TEST_F(PolygonizerTest, SeedsShareTheLatticeAndEachBlobIsMadeOnce)
{
    MetaBallUnion blend;
    blend.AddChild(SphereAt(0.5, Vec3(-3, 0, 0)));
    blend.AddChild(SphereAt(0.5, Vec3(3, 0, 0)));
    // Two seeds in the first blob: the second finds its cube visited.
    const Mesh one = Polygonise(blend, 0.1, 100, {-3, 0, 0});
    const Mesh twice = Polygonise(blend, 0.1, 100, {-3, 0, 0, -3, 0, 0});
    EXPECT_EQ(one.triangles, twice.triangles);
    const Mesh both = Polygonise(blend, 0.1, 100, {-3, 0, 0, 3, 0, 0});
    EXPECT_EQ(Components(both), 2);
    EXPECT_EQ(both.triangles.size(), 2 * one.triangles.size());
    SgRef<SgFaceSet> faces = ToFaceSet(both);
    EXPECT_TRUE(CheckMesh(*faces).IsSolid());
}

TEST_F(PolygonizerTest, WorkIsBoundedAndSaysSoWhenTheCapBites)
{
    MetaBallSphere sphere(1.0);
    SgDiagCapture capture;
    PolygonizeLimits limits;
    limits.maxCubes = 50;
    const Mesh capped = Polygonise(sphere, 0.05, 100, {0, 0, 0}, kPolygonizeCubes, limits);
    EXPECT_STREQ(capped.result, kPolygonizeLimit);
    EXPECT_EQ(capture.Count("Geometry"), 1);
    EXPECT_LE(LastPolygonizeStats().cubes, 50 + 4096 * 6);
    // A bound of 0: the start cube only, and the surface is reported
    // incomplete.
    const Mesh one = Polygonise(sphere, 0.1, 0, {0, 0, 0});
    EXPECT_EQ(LastPolygonizeStats().cubes, 1);
    EXPECT_LE(one.triangles.size(), 3u * 8);
    EXPECT_EQ(capture.Count("Geometry"), 2);
    EXPECT_TRUE(capture.Contains("incomplete")) << capture.GetText();
    // A field positive everywhere has no outside: the seed is skipped.
    MetaBallIntersect everywhere;
    const Mesh none = Polygonise(everywhere, 0.1, 10, {0, 0, 0});
    EXPECT_TRUE(none.triangles.empty());
    EXPECT_EQ(none.result, nullptr);
    // A cell size that is no length makes nothing and says so.
    const Mesh bad = Polygonise(sphere, 0.0, 10, {0, 0, 0});
    EXPECT_TRUE(bad.triangles.empty());
    EXPECT_EQ(capture.Count("Geometry"), 3);
}

TEST_F(PolygonizerTest, TheTriangleSinkCanStopTheRun)
{
    MetaBallSphere sphere(1.0);
    int calls = 0;
    bool vertexSinkCalled = false;
    const float seed[3] = {0, 0, 0};
    const char *result = Polygonize(
        [&sphere](const double *p) { return sphere.FieldValue(Vec3(p[0], p[1], p[2])) - 1.0; }, 0.1, 100, seed, 1,
        [&calls](int, int, int, const PolygonizerVertices &) { return ++calls < 5 ? 1 : 0; },
        [&vertexSinkCalled](const PolygonizerVertices &) { vertexSinkCalled = true; }, kPolygonizeCubes);
    EXPECT_STREQ(result, kPolygonizeAborted);
    EXPECT_EQ(calls, 5);
    EXPECT_FALSE(vertexSinkCalled);
}

TEST_F(PolygonizerTest, PrimitivesCloseAndBlendsCarve)
{
    struct Case {
        const char *name;
        std::function<std::unique_ptr<MetaBallObj>()> make;
        double volumeLow, volumeHigh;
    };
    const Case cases[] = {
        {"cube", [] { return std::make_unique<MetaBallCube>(0.5, 0.7, 0.9); }, 1.5, 2.6},
        {"cylinder", [] { return std::make_unique<MetaBallCylinder>(0.5, 1.0, false); }, 0.8, 1.7},
        {"cone", [] { return std::make_unique<MetaBallCylinder>(0.8, 1.0, true); }, 0.1, 1.5},
        {"torus", [] { return std::make_unique<MetaBallTorus>(1.0, 0.3); }, 0.5, 2.5},
        {"open tube",
         [] {
             return std::make_unique<MetaBallExtrude>(0.3, false,
                                                      std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
         },
         0.3, 1.2},
        {"closed tube",
         [] {
             return std::make_unique<MetaBallExtrude>(0.25, true,
                                                      std::vector<Vec3>{{0, 0, 0}, {1.5, 0, 0}, {1.5, 1.5, 0},
                                                                        {0, 1.5, 0}});
         },
         0.5, 2.5},
        {"tapered tube",
         [] {
             return std::make_unique<MetaBallExtrudeVarRadius>(false, std::vector<Vec3>{{0, 0, 0}, {2, 0, 0}},
                                                               std::vector<double>{0.4, 0.2, 0.4});
         },
         0.2, 1.5},
        {"difference",
         [] {
             auto diff = std::make_unique<MetaBallDiff>(false);
             diff->AddChild(SphereAt(1.0, Vec3(0, 0, 0)));
             diff->AddChild(SphereAt(0.6, Vec3(0.9, 0, 0)));
             return diff;
         },
         2.0, 4.15},
        {"intersection",
         [] {
             auto both = std::make_unique<MetaBallIntersect>();
             both->AddChild(SphereAt(1.0, Vec3(0, 0, 0)));
             both->AddChild(SphereAt(1.0, Vec3(1.0, 0, 0)));
             return both;
         },
         0.3, 2.0},
    };
    for (const Case &c : cases) {
        const std::unique_ptr<MetaBallObj> field = c.make();
        const Mesh mesh = Polygonise(*field, 0.05, 200, {0, 0, 0, 0.5f, 0, 0});
        ASSERT_FALSE(mesh.triangles.empty()) << c.name;
        SgRef<SgFaceSet> faces = ToFaceSet(mesh);
        const MeshCheck check = CheckMesh(*faces);
        EXPECT_TRUE(check.IsSolid()) << c.name << ": " << check.Describe();
        EXPECT_GT(check.volume, c.volumeLow) << c.name;
        EXPECT_LT(check.volume, c.volumeHigh) << c.name;
    }
}

TEST_F(PolygonizerTest, BlobsAnswerFromTheLeafOfTheQuery)
{
    // Many points at one place: the root still has a size and the leaf at the
    // deepest level takes them all.
    std::vector<Vec3> same(100, Vec3(1, 1, 1));
    const float box[6] = {1, 1, 1, 1, 1, 1};
    MetaBallAgragation coincident(box, same.data(), int(same.size()));
    EXPECT_GT(coincident.GetOctree().GetSize(), 0.0f);
    EXPECT_EQ(coincident.GetBlobCount(), 100);
    EXPECT_NEAR(coincident.FieldValue(Vec3(1, 1, 1)), 100.0 / 0.0001, 1.0);
    EXPECT_DOUBLE_EQ(coincident.FieldValue(Vec3(5, 5, 5)), 0.00001) << "outside the root cube";

    // A line of points: every point is seen from its own place, and the
    // octree splits leaves beyond 30 items.
    std::vector<Vec3> line;
    for (int i = 0; i < 400; ++i)
        line.emplace_back(i * 0.05, 0.0, 0.0);
    const float lineBox[6] = {-0.2f, -0.2f, -0.2f, 20.2f, 0.2f, 0.2f};
    MetaBallAgragation blobs(lineBox, line.data(), int(line.size()));
    EXPECT_EQ(blobs.GetBlobCount(), 400);
    EXPECT_GT(blobs.GetOctree().GetStatistics().leaves, 1);
    for (int i = 0; i < 400; i += 37)
        EXPECT_GT(blobs.FieldValue(line[size_t(i)]), 1.0) << "point " << i;
    // Points outside the given box are left out and counted.
    const float small[6] = {-0.2f, -0.2f, -0.2f, 1.0f, 0.2f, 0.2f};
    MetaBallAgragation cut(small, line.data(), int(line.size()));
    EXPECT_GT(cut.GetDroppedCount(), 300);

    // Polygonised, a cloud of points closes.
    std::vector<Vec3> cloud;
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            cloud.emplace_back(i * 0.12, j * 0.12, 0.0);
    const float cloudBox[6] = {-0.2f, -0.2f, -0.2f, 0.8f, 0.8f, 0.2f};
    MetaBallAgragation sheet(cloudBox, cloud.data(), int(cloud.size()));
    const Mesh mesh = Polygonise(sheet, 0.03, 200, {0.3f, 0.3f, 0.0f});
    SgRef<SgFaceSet> faces = ToFaceSet(mesh);
    const MeshCheck check = CheckMesh(*faces);
    EXPECT_TRUE(check.IsSolid()) << check.Describe();
}

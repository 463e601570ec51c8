// The modifiers that rebuild a shape as a solid node, on the modifier stack
// of a face set: what the stack hands on (through the geometry action in
// shape-result mode), its validity and volume, and what the box action
// measures; a deformer on a solid node.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgModifierStack.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagHandler.h"
#include "solids/GmGeom.h"
#include "solids/GmMeshBuilder.h"
#include "solids/GmValidity.h"
#include "solids/SgGeomAction.h"
#include "solids/SgSolvane.h"
#include "solids/Solvane.h"
#include "solids/modifiers/GmMeshModifiers.h"
#include "solids/modifiers/SgBendModifier.h"
#include "solids/modifiers/SgSimplifyModifier.h"
#include "solids/modifiers/SgSliceModifier.h"
#include "solids/modifiers/SgSmoothMeshModifier.h"
#include "solids/modifiers/SgTriangulateModifier.h"

namespace {

using solvane::GmGeom;

constexpr double kPi = 3.14159265358979323846;

class RebuildingModifierTest : public ::testing::Test {
protected:
    void SetUp() override { solvane::Solvane::Init(); }
};

// A face set of quads, one loop each.
SgFaceSet *QuadFaces(const std::vector<Vec3> &vertices, const std::vector<std::array<int, 4>> &quads)
{
    auto *faces = new SgFaceSet;
    faces->m_vertices.SetVals(int(vertices.size()), vertices.data());
    std::vector<int> indexes;
    for (const auto &q : quads)
        indexes.insert(indexes.end(), q.begin(), q.end());
    const std::vector<unsigned short> sizes(quads.size(), 4), loops(quads.size(), 1);
    faces->m_indexes.SetVals(int(indexes.size()), indexes.data());
    faces->m_sizes.SetVals(int(sizes.size()), sizes.data());
    faces->m_loopCount.SetVals(int(loops.size()), loops.data());
    return faces;
}

SgFaceSet *CubeFaces()
{
    std::vector<Vec3> v;
    for (int i = 0; i < 8; ++i)
        v.emplace_back((i & 1) ? 1.0 : -1.0, (i & 2) ? 1.0 : -1.0, (i & 4) ? 1.0 : -1.0);
    // Wound as the engine's procedural shapes wind their faces.
    return QuadFaces(v, {{1, 3, 2, 0}, {6, 7, 5, 4}, {4, 5, 1, 0}, {3, 7, 6, 2}, {2, 6, 4, 0}, {5, 7, 3, 1}});
}

// What the stack made of the last shape under root.
struct Modified {
    SgRef<SgSeparator> root;
    SgShape *shape = nullptr;
    GmGeom *geom = nullptr;
};

Modified RunStack(SgNode *modifier, SgShape *shape)
{
    Modified m;
    m.root = new SgSeparator;
    m.root->AddChild(modifier);
    m.root->AddChild(shape);
    SgGeomAction action;
    action.m_bShapeResult = true;
    action.Apply(m.root.get());
    m.shape = action.GetShapeResult();
    if (m.shape && m.shape->GetClassID() == SgSolvane::ClassID())
        m.geom = static_cast<SgSolvane *>(m.shape)->GetGeom();
    return m;
}

double ClosedVolume(GmGeom *geom)
{
    if (!geom)
        return -1;
    const solvane::GmValidityReport report = solvane::check_validity(*geom);
    EXPECT_TRUE(report.ok) << report.text();
    return report.volume;
}

TEST_F(RebuildingModifierTest, SliceCutsAFaceSetCubeIntoHalvesByItsGizmo)
{
    for (int type : {1, 2}) {
        SgRef<SgSliceModifier> slice(new SgSliceModifier);
        slice->m_sliceType.Set(type);
        SgRef<SgFaceSet> cube(CubeFaces());
        Modified m = RunStack(slice.get(), cube.get());
        ASSERT_NE(m.geom, nullptr) << "type " << type;
        EXPECT_NEAR(ClosedVolume(m.geom), 4.0, 1e-9) << "type " << type;
        const Range<Vec3f> box = SgBoundingBoxAction::CalcBoundingBox(SgPath(*m.root));
        if (type == 1)
            EXPECT_NEAR(box.GetMax().z, 0.0, 1e-5);
        else
            EXPECT_NEAR(box.GetMin().z, 0.0, 1e-5);
    }
    // The gizmo turned a quarter turn about y and moved: the sheet is the
    // plane x = 0.5, the side towards -x kept.
    SgRef<SgSliceModifier> slice(new SgSliceModifier);
    SgRef<SgTransform> gizmo(new SgTransform);
    gizmo->m_translation.Set(Vec3(0.5, 0, 0));
    gizmo->m_rotation.Set(Rotation(Vec3(0, 1, 0), kPi / 2));
    slice->m_gizmoTransform.Set(NodePtr(gizmo.get()));
    SgRef<SgFaceSet> cube(CubeFaces());
    Modified m = RunStack(slice.get(), cube.get());
    ASSERT_NE(m.geom, nullptr);
    EXPECT_NEAR(ClosedVolume(m.geom), 6.0, 1e-6);
    EXPECT_NEAR(m.geom->get_bbox().max.x, 0.5, 1e-5);
    // The face set keeps its own points.
    EXPECT_EQ(cube->m_vertices.GetValues()[7].x, 1.0);
}

TEST_F(RebuildingModifierTest, SlicingAnOpenSurfaceSaysSoInOneLine)
{
    // A cube without its top: the cut cannot make a closed solid of it.
    SgDiagCapture capture;
    SgRef<SgSliceModifier> slice(new SgSliceModifier);
    slice->SetName("cut");
    SgRef<SgFaceSet> open(CubeFaces());
    std::vector<int> indexes = open->m_indexes.GetValues();
    indexes.resize(indexes.size() - 4);
    open->m_indexes.SetVals(int(indexes.size()), indexes.data());
    std::vector<unsigned short> sizes = open->m_sizes.GetValues(), loops = open->m_loopCount.GetValues();
    sizes.pop_back();
    loops.pop_back();
    open->m_sizes.SetVals(int(sizes.size()), sizes.data());
    open->m_loopCount.SetVals(int(loops.size()), loops.data());
    Modified m = RunStack(slice.get(), open.get());
    const std::string text = capture.GetText();
    if (capture.Count() > 0) {
        EXPECT_EQ(capture.Count(), 1) << text;
        EXPECT_TRUE(capture.Contains("cut")) << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), text.back() == '\n' ? 1 : 0) << text;
        EXPECT_EQ(text.find("edge "), std::string::npos) << "internal ids: " << text;
    } else {
        // Made: then it is what the cut of the open box is, a valid sheet.
        ASSERT_NE(m.geom, nullptr);
    }
}

TEST_F(RebuildingModifierTest, SmoothingACubeGivesFourQuadsPerFacePerPass)
{
    struct Case {
        int iterations;
        int faces;
    };
    for (const Case c : {Case{0, 6}, {1, 24}, {2, 96}}) {
        SgRef<SgSmoothMeshModifier> smooth(new SgSmoothMeshModifier);
        smooth->m_iterations.Set(c.iterations);
        SgRef<SgFaceSet> cube(CubeFaces());
        Modified m = RunStack(smooth.get(), cube.get());
        ASSERT_NE(m.geom, nullptr) << c.iterations;
        EXPECT_EQ(m.geom->faceCount(), c.faces) << c.iterations;
        ClosedVolume(m.geom);
    }
    SgDiagCapture capture;
    SgRef<SgSmoothMeshModifier> smooth(new SgSmoothMeshModifier);
    smooth->m_iterations.Set(-4);
    SgRef<SgFaceSet> cube(CubeFaces());
    Modified m = RunStack(smooth.get(), cube.get());
    ASSERT_NE(m.geom, nullptr);
    EXPECT_EQ(m.geom->faceCount(), 6);
    EXPECT_TRUE(capture.Contains("\"iterations\" -4 is taken as 0")) << capture.GetText();
}

TEST_F(RebuildingModifierTest, SmoothingStopsBeforeTheFacesRunAwayAndSaysSo)
{
    // Twelve passes over a cube would make 6 * 4^12 (about 100 million)
    // faces: the passes stop at the face cap, with a message.
    SgDiagCapture capture;
    SgRef<SgSmoothMeshModifier> smooth(new SgSmoothMeshModifier);
    smooth->SetName("fine");
    smooth->m_iterations.Set(12);
    SgRef<SgFaceSet> cube(CubeFaces());
    Modified m = RunStack(smooth.get(), cube.get());
    ASSERT_NE(m.geom, nullptr);
    EXPECT_LE(size_t(m.geom->faceCount()), solvane::kMaxSmoothFaces);
    EXPECT_GE(size_t(m.geom->faceCount()) * 4, solvane::kMaxSmoothFaces) << "fewer passes than fit";
    // The cap keeps the scene of a few lines to a few hundred megabytes.
    EXPECT_LE(m.geom->faceCount(), 300000);
    EXPECT_TRUE(capture.Contains("\"iterations\" 12 would make more than")) << capture.GetText();
    EXPECT_TRUE(capture.Contains("fine")) << capture.GetText();
}

// A flat sheet of n x n quads.
SgFaceSet *SheetFaces(int n)
{
    std::vector<Vec3> v;
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x)
            v.emplace_back(double(x), double(y), 0.0);
    std::vector<std::array<int, 4>> quads;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int a = y * (n + 1) + x;
            quads.push_back({a, a + 1, a + n + 2, a + n + 1});
        }
    return QuadFaces(v, quads);
}

TEST_F(RebuildingModifierTest, TheSmoothingCapCountsThePassesMadeInWords)
{
    // 150 x 150 quads take one pass under the face cap and not two.
    struct Case {
        const char *what;
        SgFaceSet *(*make)();
        int iterations;
        const char *said;
    };
    const Case cases[] = {
        {"a sheet", [] { return SheetFaces(150); }, 3, "; 1 pass was made"},
        {"a cube", [] { return CubeFaces(); }, 12, "; 7 passes were made"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SgDiagCapture capture;
        SgRef<SgSmoothMeshModifier> smooth(new SgSmoothMeshModifier);
        smooth->m_iterations.Set(c.iterations);
        SgRef<SgFaceSet> faces(c.make());
        Modified m = RunStack(smooth.get(), faces.get());
        ASSERT_NE(m.geom, nullptr);
        EXPECT_TRUE(capture.Contains(c.said)) << capture.GetText();
    }
}

TEST_F(RebuildingModifierTest, SimplifyAndTriangulateRebuildTheFaces)
{
    // Two coplanar triangles of a face set become one quad.
    SgRef<SgFaceSet> pair(new SgFaceSet);
    const Vec3 v[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    pair->m_vertices.SetVals(4, v);
    const int idx[6] = {0, 1, 2, 0, 2, 3};
    const unsigned short sizes[2] = {3, 3}, loops[2] = {1, 1};
    pair->m_indexes.SetVals(6, idx);
    pair->m_sizes.SetVals(2, sizes);
    pair->m_loopCount.SetVals(2, loops);
    SgRef<SgSimplifyModifier> simplify(new SgSimplifyModifier);
    EXPECT_DOUBLE_EQ(simplify->m_epsilon.Get(true), 0.03);
    Modified m = RunStack(simplify.get(), pair.get());
    ASSERT_NE(m.geom, nullptr);
    EXPECT_EQ(m.geom->faceCount(), 1);

    SgRef<SgTriangulateModifier> triangulate(new SgTriangulateModifier);
    EXPECT_DOUBLE_EQ(triangulate->m_epsilon.Get(true), 1e-07);
    SgRef<SgFaceSet> cube(CubeFaces());
    Modified t = RunStack(triangulate.get(), cube.get());
    ASSERT_NE(t.geom, nullptr);
    // A cube's faces are planar: nothing to cut.
    EXPECT_EQ(t.geom->faceCount(), 6);
    EXPECT_NEAR(ClosedVolume(t.geom), 8.0, 1e-9);
}

TEST_F(RebuildingModifierTest, DeformerOnASolidNodeMovesACopyOfItsSolid)
{
    SgRef<SgSolvane> solid(new SgSolvane(solvane::geomFromMesh(solvane::boxMesh(Vec3(-1, -1, -1), Vec3(1, 1, 1)))));
    SgRef<SgBendModifier> bend(new SgBendModifier);
    bend->m_boxSize.Set(Vec3f(2, 2, 2));
    bend->m_angle.Set(kPi / 2);
    SgRef<SgSeparator> root(new SgSeparator);
    root->AddChild(bend.get());
    root->AddChild(solid.get());
    // The stack runs as the renderer and the box action run it.
    SgBoundingBoxAction box;
    box.Apply(root.get());
    const SgModifierStack one = [&] {
        SgModifierStack s;
        s.Push(bend.get());
        return s;
    }();
    SgShape *made = one.Process(&box, solid.get());
    ASSERT_NE(made, nullptr);
    ASSERT_NE(made, solid.get());
    ASSERT_EQ(made->GetClassID(), SgSolvane::ClassID());
    const solvane::GmBox moved = static_cast<SgSolvane *>(made)->GetGeom()->get_bbox();
    EXPECT_NEAR(moved.max.x, 1 + 4 / kPi, 1e-4);
    // The scene's solid stays where it was.
    const solvane::GmBox kept = solid->GetGeom()->get_bbox();
    EXPECT_NEAR(kept.max.x, 1.0, 1e-4);
}

} // namespace

#include <cstdio>
#include <fstream>
#include <iterator>

#include "engine/core/SgPathList.h"
#include "solids/SgExportStlAction.h"

namespace {

// The largest x of any vertex in a binary STL file; -1e30 when it holds none.
double MaxStlX(const std::string &path, int *triangles)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<char> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    double maxX = -1e30;
    *triangles = 0;
    if (data.size() < 84)
        return maxX;
    uint32_t count = 0;
    std::memcpy(&count, data.data() + 80, 4);
    *triangles = int(count);
    for (uint32_t k = 0; k < count && 84 + 50 * (k + 1) <= data.size(); ++k) {
        for (int v = 0; v < 3; ++v) {
            float x = 0;
            std::memcpy(&x, data.data() + 84 + 50 * k + 12 + 12 * v, 4);
            maxX = std::max(maxX, double(x));
        }
    }
    return maxX;
}

TEST_F(RebuildingModifierTest, StlExportWritesShapesAsTheirModifiersMadeThem)
{
    const std::string path = ::testing::TempDir() + "bent_and_sliced.stl";
    struct Case {
        const char *what;
        std::function<SgModifier *()> make;
        double maxX;
    };
    const Case cases[] = {
        {"bend", [] {
             auto *bend = new SgBendModifier;
             bend->m_boxSize.Set(Vec3f(2, 2, 2));
             bend->m_angle.Set(kPi / 2);
             return static_cast<SgModifier *>(bend);
         }, 1 + 4 / kPi},
        {"slice at x = 0.5", [] {
             auto *slice = new SgSliceModifier;
             auto *gizmo = new SgTransform;
             gizmo->m_translation.Set(Vec3(0.5, 0, 0));
             gizmo->m_rotation.Set(Rotation(Vec3(0, 1, 0), kPi / 2));
             slice->m_gizmoTransform.Set(NodePtr(gizmo));
             return static_cast<SgModifier *>(slice);
         }, 0.5},
    };
    for (const Case &c : cases) {
        SgRef<SgSeparator> root(new SgSeparator);
        root->AddChild(c.make());
        root->AddChild(CubeFaces());
        SgPathList paths;
        paths.Add(SgPath(*root));
        std::string error;
        ASSERT_TRUE(SgExportStlAction::ExportPaths(path, paths, &error)) << error;
        int triangles = 0;
        EXPECT_NEAR(MaxStlX(path, &triangles), c.maxX, 1e-4) << c.what;
        EXPECT_GE(triangles, 12) << c.what;
    }
    std::remove(path.c_str());
}

} // namespace

namespace {

TEST_F(RebuildingModifierTest, SmoothingKeepsTheCornersAndCreasesTheFaceSetMarks)
{
    // Every edge a crease: the cube stays a cube through two passes.
    SgRef<SgFaceSet> creased(CubeFaces());
    const int edges[24] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 2, 1, 3, 4, 6, 5, 7, 0, 4, 1, 5, 2, 6, 3, 7};
    creased->m_creaseEdges.SetVals(24, edges);
    SgRef<SgSmoothMeshModifier> smooth(new SgSmoothMeshModifier);
    smooth->m_iterations.Set(2);
    Modified sharp = RunStack(smooth.get(), creased.get());
    ASSERT_NE(sharp.geom, nullptr);
    EXPECT_EQ(sharp.geom->faceCount(), 96);
    EXPECT_NEAR(ClosedVolume(sharp.geom), 8.0, 1e-9);

    // Held corners stay where they are; the rest rounds in.
    SgRef<SgFaceSet> cornered(CubeFaces());
    const int corners[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    cornered->m_cornerVertices.SetVals(8, corners);
    SgRef<SgSmoothMeshModifier> again(new SgSmoothMeshModifier);
    again->m_iterations.Set(1);
    Modified held = RunStack(again.get(), cornered.get());
    ASSERT_NE(held.geom, nullptr);
    const solvane::GmBox box = held.geom->get_bbox();
    EXPECT_NEAR(box.max.x, 1.0, 1e-5);
    EXPECT_NEAR(box.min.z, -1.0, 1e-5);
    const double volume = ClosedVolume(held.geom);
    EXPECT_LT(volume, 8.0);
    EXPECT_GT(volume, 4.0);
}

} // namespace

namespace {

// The held corners stay where the modifiers before the smoothing put them:
// the mark comes with the face set's conversion whatever moved its points,
// and stays on the nodes through the rebuilds that keep the points.
TEST_F(RebuildingModifierTest, SmoothingHoldsTheMarkedCornersWhereEarlierDeformersPutThem)
{
    struct Case {
        const char *what;
        double angle; // of a bend that acts before the smoothing; 0 for none
        int rebuilt; // 1: triangulated, 2: simplified before the smoothing
    };
    const Case cases[] = {{"corners alone", 0.0, 0},
                          {"bent before", 3.14159265358979 / 2, 0},
                          {"triangulated before", 0.0, 1},
                          {"simplified before", 0.0, 2}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SgRef<SgFaceSet> cube(CubeFaces());
        const int corners[8] = {0, 1, 2, 3, 4, 5, 6, 7};
        cube->m_cornerVertices.SetVals(8, corners);
        SgRef<SgSmoothMeshModifier> smooth(new SgSmoothMeshModifier);
        smooth->m_iterations.Set(2);
        SgRef<SgSeparator> root(new SgSeparator);
        root->AddChild(smooth.get());
        SgRef<SgBendModifier> bend(new SgBendModifier);
        bend->m_boxSize.Set(Vec3f(2, 2, 2));
        bend->m_angle.Set(c.angle);
        SgRef<SgTriangulateModifier> triangulate(new SgTriangulateModifier);
        SgRef<SgSimplifyModifier> simplify(new SgSimplifyModifier);
        if (c.rebuilt == 1)
            root->AddChild(triangulate.get());
        if (c.rebuilt == 2)
            root->AddChild(simplify.get());
        if (c.angle != 0)
            root->AddChild(bend.get()); // pushed last, so it acts first
        root->AddChild(cube.get());
        SgGeomAction action;
        action.m_bShapeResult = true;
        action.Apply(root.get());
        SgShape *result = action.GetShapeResult();
        ASSERT_NE(result, nullptr);
        ASSERT_EQ(result->GetClassID(), SgSolvane::ClassID());
        GmGeom *geom = static_cast<SgSolvane *>(result)->GetGeom();
        ASSERT_NE(geom, nullptr);
        EXPECT_EQ(geom->faceCount(), 96);
        const std::vector<Vec3> &own = cube->m_vertices.GetValues();
        for (int v = 0; v < 8; ++v) {
            Vec3 expected = own[size_t(v)];
            if (c.angle != 0)
                bend->DeformPoints(1, &expected, &expected);
            double nearest = 1e30;
            for (solvane::GmNode *node : geom->liveNodes())
                nearest = std::min(nearest, (node->position - expected).Length());
            EXPECT_LT(nearest, 1e-9) << "corner " << v << " moved";
        }
    }
}

} // namespace

// The adaptive height-field tessellator, the terrain map and the elevation
// shape: flat functions stay coarse, curved ones refine without cracks,
// height 0 is data, missing data leaves holes.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <memory>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgRef.h"
#include "solids/GmMeshBuilder.h"
#include "solids/Solvane.h"
#include "solids/surfaces/Adaptive2DTesselator.h"
#include "solids/surfaces/DTMMap.h"
#include "solids/surfaces/SgElevation.h"
#include "solids/surfaces/SgConform.h"
#include "platform/SgDiagHandler.h"
#include "solids/SgSolvane.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgPlane.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/properties/SgCoordinate3.h"

namespace {

using solvane::GmGeom;

class LambdaUV : public PointUVFunc {
public:
    explicit LambdaUV(std::function<Vec3(double, double)> f) : m_f(std::move(f)) {}
    Vec3 Evaluate(double u, double v) const override { return m_f(u, v); }

private:
    std::function<Vec3(double, double)> m_f;
};

struct SheetFacts {
    int triangles = 0;
    double area = 0;
    int openEdgesInside = 0; // edges of one triangle away from the border
};

SheetFacts Facts(GmGeom &g, double x0, double y0, double x1, double y1)
{
    SheetFacts facts;
    const solvane::GmMesh mesh = solvane::meshFromGeom(g);
    std::map<std::pair<int, int>, int> uses;
    for (const std::vector<int> &t : mesh.polygons) {
        ++facts.triangles;
        const Vec3 &a = mesh.points[size_t(t[0])], &b = mesh.points[size_t(t[1])], &c = mesh.points[size_t(t[2])];
        facts.area += 0.5 * (b - a).Cross(c - a).Length();
        for (size_t i = 0; i < t.size(); ++i) {
            const int p = t[i], q = t[(i + 1) % t.size()];
            ++uses[{std::min(p, q), std::max(p, q)}];
        }
    }
    auto onBorder = [&](const Vec3 &p) {
        return std::fabs(p.x - x0) < 1e-6 || std::fabs(p.x - x1) < 1e-6 || std::fabs(p.y - y0) < 1e-6 ||
               std::fabs(p.y - y1) < 1e-6;
    };
    for (const auto &[edge, count] : uses) {
        const Vec3 &p = mesh.points[size_t(edge.first)], &q = mesh.points[size_t(edge.second)];
        const Vec3 mid = (p + q) * 0.5;
        if (count == 1 && !onBorder(mid))
            ++facts.openEdgesInside;
    }
    return facts;
}

TEST(ElevationTest, FlatFunctionsStayOneFanAndCurvedOnesRefineWithoutCracks)
{
    const LambdaUV plane([](double u, double v) { return Vec3(u, v, 0.3 * u - 0.2 * v + 1); });
    Adaptive2DTesselator flat(&plane, 0.001, 0.01, false, 1.0);
    std::unique_ptr<GmGeom> flatSheet(flat.Build());
    EXPECT_EQ(Facts(*flatSheet, 0, 0, 1, 1).triangles, 4);

    const LambdaUV bump([](double u, double v) {
        return Vec3(u, v, 0.5 * std::exp(-((u - 0.3) * (u - 0.3) + (v - 0.6) * (v - 0.6)) * 40));
    });
    // Never tested below a largest cell of 1: one fan.
    Adaptive2DTesselator coarse(&bump, 0.001, 0.01, false, 0.9);
    std::unique_ptr<GmGeom> coarseSheet(coarse.Build());
    EXPECT_EQ(Facts(*coarseSheet, 0, 0, 1, 1).triangles, 4);

    Adaptive2DTesselator fine(&bump, 0.002, 0.01, false, 1.0);
    std::unique_ptr<GmGeom> sheet(fine.Build());
    const SheetFacts facts = Facts(*sheet, 0, 0, 1, 1);
    EXPECT_GT(facts.triangles, 100);
    EXPECT_GT(fine.MaxLevel(), 3);
    // Every edge inside the square is shared: no cracks between levels.
    EXPECT_EQ(facts.openEdgesInside, 0);
    // Refined where the bump is, coarse far from it.
    const solvane::GmMesh mesh = solvane::meshFromGeom(*sheet);
    int nearBump = 0, farCorner = 0;
    for (const Vec3 &p : mesh.points) {
        if (std::fabs(p.x - 0.3) < 0.15 && std::fabs(p.y - 0.6) < 0.15)
            ++nearBump;
        if (p.x > 0.8 && p.y < 0.2)
            ++farCorner;
    }
    EXPECT_GT(nearBump, 4 * farCorner + 10);
}

TEST(ElevationTest, ARoughSurfaceWithNoSmallestCellStopsAtTheCellCap)
{
    // Never flat enough to stop refining, and nothing to stop at: cells
    // would go on down to the finest level of the tree.
    const LambdaUV rough([](double u, double v) { return Vec3(u, v, 0.1 * std::sin(3000 * u) * std::sin(2900 * v)); });
    Adaptive2DTesselator tesselator(&rough, 0.0, 0.0, false, 1.0);
    std::unique_ptr<GmGeom> sheet(tesselator.Build());
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(tesselator.Capped());
    EXPECT_LE(tesselator.LeafCount(), Adaptive2DTesselator::kMaxLeaves);
    // Evenly coarse: the whole square is still covered.
    EXPECT_NEAR(Facts(*sheet, 0, 0, 1, 1).openEdgesInside, 0, 0);
    EXPECT_GE(tesselator.LeafCount(), Adaptive2DTesselator::kMaxLeaves / 8);
}

TEST(ElevationTest, AnElevationWithCellSizeZeroStopsAtTheCapAndSaysSo)
{
    SgDiagCapture capture;
    SgRef<SgElevation> elevation(new SgElevation);
    elevation->SetName("hills");
    elevation->m_sampleType.Set(1);
    elevation->m_cellSize.Set(0.0);
    elevation->m_tolerance.Set(0.0);
    elevation->CreateAdaptiveGrid(nullptr);
    elevation->InitSample();
    for (int j = -10; j <= 10; ++j)
        for (int i = -10; i <= 10; ++i)
            elevation->AddPointToGrid(Vec3(i * 0.1, j * 0.1, 0.05 * ((i * 7 + j * 13) % 5)));
    elevation->SampleGrid();
    std::unique_ptr<GmGeom> ground(elevation->Tesselate());
    ASSERT_TRUE(ground);
    EXPECT_LE(int(solvane::meshFromGeom(*ground).polygons.size()), 8 * Adaptive2DTesselator::kMaxLeaves);
    EXPECT_TRUE(capture.Contains("hills")) << capture.GetText();
    EXPECT_TRUE(capture.Contains("coarser than")) << capture.GetText();
}

TEST(ElevationTest, HeightZeroIsDataAndMissingDataLeavesAHole)
{
    const LambdaUV ground([](double u, double v) { return Vec3(2 * u - 1, 2 * v - 1, 0.0); });
    Adaptive2DTesselator zero(&ground, 0.01, 0.05, false, 1.0);
    std::unique_ptr<GmGeom> flat(zero.Build());
    const SheetFacts facts = Facts(*flat, -1, -1, 1, 1);
    EXPECT_EQ(facts.triangles, 4);
    EXPECT_NEAR(facts.area, 4.0, 1e-9);

    const LambdaUV holed([](double u, double v) {
        return Vec3(u, v, (u > 0.6 && v > 0.6) ? PointUVFunc::kNoData : 0.1 * std::sin(8 * u) * v);
    });
    Adaptive2DTesselator withHole(&holed, 0.001, 0.02, false, 1.0);
    std::unique_ptr<GmGeom> sheet(withHole.Build());
    for (const Vec3 &p : solvane::meshFromGeom(*sheet).points) {
        EXPECT_TRUE(std::isfinite(p.z));
        EXPECT_FALSE(p.x > 0.61 && p.y > 0.61) << p.x << " " << p.y;
    }
}

TEST(ElevationTest, TerrainMapGathersPointsByGaussianWeights)
{
    const Range<Vec3f> square(Vec3f(-1, -1, 0), Vec3f(1, 1, 0));
    DTMMap map(square, 0.1, 0.1);
    EXPECT_EQ(map.NodesX(), 21);
    EXPECT_EQ(map.NodesY(), 21);
    EXPECT_EQ(map.KernelRadius(), 3);
    map.AddPoint(Vec3(0, 0, 1));
    map.SampleGrid();
    EXPECT_DOUBLE_EQ(map.Height(10, 10), 1.0);
    EXPECT_DOUBLE_EQ(map.Height(13, 7), 1.0);
    EXPECT_TRUE(std::isnan(map.Height(14, 10)));
    EXPECT_TRUE(std::isnan(map.Height(0, 0)));
    // Between data the heights blend; next to no data there is none.
    EXPECT_NEAR(map.Evaluate(0.5, 0.5).z, 1.0, 1e-6);
    EXPECT_TRUE(std::isnan(map.Evaluate(0.05, 0.05).z));

    // Points measured at height 0 everywhere give a flat, complete surface.
    SgRef<SgElevation> elevation(new SgElevation);
    elevation->m_sampleType.Set(1);
    elevation->m_cellSize.Set(0.05);
    elevation->CreateAdaptiveGrid(nullptr);
    elevation->InitSample();
    for (int j = -10; j <= 10; ++j)
        for (int i = -10; i <= 10; ++i)
            elevation->AddPointToGrid(Vec3(i * 0.1, j * 0.1, 0.0));
    elevation->SampleGrid();
    std::unique_ptr<GmGeom> ground(elevation->Tesselate());
    ASSERT_TRUE(ground);
    const SheetFacts facts = Facts(*ground, -1, -1, 1, 1);
    EXPECT_NEAR(facts.area, 4.0, 1e-6);
    EXPECT_EQ(facts.openEdgesInside, 0);
    for (const Vec3 &p : solvane::meshFromGeom(*ground).points)
        EXPECT_EQ(p.z, 0.0);
}

TEST(ElevationTest, ElevationShapeBuildsTheTestReliefAsItsResult)
{
    solvane::Solvane::Init();
    const Range<Vec3f> rectangle(Vec3f(-1, -1, 0), Vec3f(1, 1, 0));
    EXPECT_DOUBLE_EQ(BoxFunc(rectangle).Evaluate(0.75, 0.75).z, 0.2);

    SgRef<SgElevation> elevation(new SgElevation);
    elevation->m_cellSize.Set(0.02);
    elevation->m_tolerance.Set(0.01);
    const Range<Vec3f> box = SgBoundingBoxAction::CalcBoundingBox(SgPath(*elevation));
    EXPECT_NEAR(box.GetMin().x, -1, 1e-5);
    EXPECT_NEAR(box.GetMax().y, 1, 1e-5);
    EXPECT_GT(box.GetMax().z, 0.5f);
    ASSERT_NE(elevation->GetResultCache(), nullptr);
}

} // namespace

namespace {

struct ConformScene {
    SgRef<SgConform> conform;
    SgRef<SgPointSet> points;
};

// A conform over a plane of width 4 and height 2 with a grid of points
// (spacing 0.1) at height z; the point set first when `swapped`.
ConformScene MakeConform(double z, bool swapped = false)
{
    ConformScene scene;
    scene.conform = new SgConform;
    SgRef<SgPlane> plane(new SgPlane);
    plane->m_width.Set(4.0);
    plane->m_height.Set(2.0);
    SgRef<SgSeparator> measured(new SgSeparator);
    SgRef<SgCoordinate3> coordinates(new SgCoordinate3);
    std::vector<Vec3> grid;
    for (int j = -10; j <= 10; ++j)
        for (int i = -20; i <= 20; ++i)
            grid.emplace_back(i * 0.1, j * 0.1, z);
    coordinates->m_point.SetVals(int(grid.size()), grid.data());
    scene.points = new SgPointSet;
    measured->AddChild(coordinates.get());
    measured->AddChild(scene.points.get());
    SgSeparator *inside = scene.conform->GetSeparator();
    if (swapped) {
        inside->AddChild(measured.get());
        inside->AddChild(plane.get());
    } else {
        inside->AddChild(plane.get());
        inside->AddChild(measured.get());
    }
    return scene;
}

GmGeom *ResultGeom(SgConform *conform)
{
    SgBoundingBoxAction::CalcBoundingBox(SgPath(*conform));
    auto *result = dynamic_cast<SgSolvane *>(conform->GetResultCache());
    return result ? result->GetGeom() : nullptr;
}

TEST(ElevationTest, ConformDrapesASurfaceOverThePointsNearItsPlane)
{
    solvane::Solvane::Init();
    EXPECT_DOUBLE_EQ(SgConform::ElevationCellSize(4.0, 2.0, 0.1), 0.025);

    // Points on the plane at height 0: a flat surface over the whole plane.
    ConformScene flat = MakeConform(0.0);
    GmGeom *surface = ResultGeom(flat.conform.get());
    ASSERT_NE(surface, nullptr);
    const SheetFacts facts = Facts(*surface, -2, -1, 2, 1);
    EXPECT_NEAR(facts.area, 8.0, 1e-6);
    EXPECT_EQ(facts.openEdgesInside, 0);

    // Points 1.6 above it with the default range of 1.5: nothing to drape.
    ConformScene far = MakeConform(1.6);
    GmGeom *none = ResultGeom(far.conform.get());
    EXPECT_TRUE(!none || none->faceCount() == 0);

    // Points at 0.5 within range: the surface lies at 0.5.
    ConformScene raised = MakeConform(0.5);
    GmGeom *lifted = ResultGeom(raised.conform.get());
    ASSERT_NE(lifted, nullptr);
    EXPECT_NEAR(lifted->get_bbox().min.z, 0.5, 1e-5);
    EXPECT_NEAR(lifted->get_bbox().max.z, 0.5, 1e-5);

    // Only the points from "startIndex" on count: the first rows missing
    // leave a hole along the bottom.
    ConformScene part = MakeConform(0.0);
    part.points->m_startIndex.Set(41 * 5);
    part.points->m_numPoints.Set(-1);
    GmGeom *cut = ResultGeom(part.conform.get());
    ASSERT_NE(cut, nullptr);
    EXPECT_GT(cut->get_bbox().min.y, -0.9);

    // The point set first: no result.
    ConformScene swapped = MakeConform(0.0, true);
    EXPECT_EQ(ResultGeom(swapped.conform.get()), nullptr);
}

} // namespace

#include "engine/nodes/properties/SgShapeHints.h"
#include "solids/SgGeomAction.h"

namespace {

TEST(ElevationTest, GeometryActionTakesTheElevationsSheet)
{
    solvane::Solvane::Init();
    SgRef<SgSeparator> root(new SgSeparator);
    SgRef<SgShapeHints> hints(new SgShapeHints);
    // Shape type 2: the sheet stays as it is (no closed shells asked for).
    hints->m_shapeType.Set(2);
    root->AddChild(hints.get());
    SgRef<SgElevation> elevation(new SgElevation);
    elevation->m_cellSize.Set(0.05);
    root->AddChild(elevation.get());
    SgGeomAction action;
    action.Apply(root.get());
    std::unique_ptr<GmGeom> sheet(action.TakeResult());
    ASSERT_TRUE(sheet);
    EXPECT_GT(sheet->faceCount(), 4);
    EXPECT_NEAR(sheet->get_bbox().max.x, 1.0, 1e-5);
}

} // namespace

#include <sstream>
#include <string>

#include "engine/actions/SgOpenAction.h"
#include "engine/actions/Vrml1InStream.h"

namespace {

// In a scene file the conform's own separator holds the plane and the points
// as its first two children, each of which may be a block of its own with a
// placement: the points are taken into the plane's frame and the surface is
// laid on the plane where its transform puts it.
TEST(ElevationTest, ConformFromTextTakesPlaneAndPointsEachUnderItsOwnPlacement)
{
    solvane::Solvane::Init();
    std::string points;
    for (int j = -2; j <= 2; ++j)
        for (int i = -2; i <= 2; ++i)
            points += std::string(points.empty() ? "" : " , ") + "(" + std::to_string(i * 0.5) + "," +
                      std::to_string(j * 0.5) + ",0)";
    struct Case {
        const char *what;
        const char *planeBlock;  // the first child
        const char *pointsPlace; // opens the second child
        double z;                // where the surface lies
    };
    const Case cases[] = {
        {"plane and points side by side", "Plane {\n\twidth 2\n\theight 2\n}\n", "Separator {\n", 0.0},
        {"plane raised by its own transform",
         "Separator {\nTransform {\n\ttranslation (0,0,1)\n}\nPlane {\n\twidth 2\n\theight 2\n}\n}\n",
         "Separator {\nTransform {\n\ttranslation (0,0,1.5)\n}\n", 1.5},
        {"points in an object of their own", "Plane {\n\twidth 2\n\theight 2\n}\n",
         "Object {\nTransform {\n\ttranslation (0,0,0.25)\n}\n", 0.25},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = std::string("#VRML V1.0 ascii 102\nSeparator {\nConform {\nSeparator {\n") +
                                 c.planeBlock + c.pointsPlace + "Coordinate3 {\n\tpoint [" + points +
                                 "]\n}\nPointSet {\n}\n}\n}\n}\n}\n";
        std::istringstream in(text);
        Vrml1InStream stream(in, "conform.kvrx");
        stream.SetNotifyUser(false);
        SgRef<SgSeparator> root(new SgSeparator);
        ASSERT_TRUE(SgOpenAction::ReadScene(stream, *root)) << stream.FormatMessages();
        std::function<SgConform *(SgNode *)> find = [&](SgNode *node) -> SgConform * {
            if (auto *conform = dynamic_cast<SgConform *>(node))
                return conform;
            if (SgGroup *held = node->GetHeldGroup())
                if (SgConform *found = find(held))
                    return found;
            for (int i = 0; i < node->GetNumChildren(); ++i)
                if (SgConform *found = find(node->GetChild(i)))
                    return found;
            return nullptr;
        };
        SgConform *conform = find(root.get());
        ASSERT_NE(conform, nullptr) << text;
        GmGeom *surface = ResultGeom(conform);
        ASSERT_NE(surface, nullptr) << text;
        EXPECT_NEAR(surface->get_bbox().min.z, c.z, 1e-5);
        EXPECT_NEAR(surface->get_bbox().max.z, c.z, 1e-5);
        EXPECT_NEAR(surface->get_bbox().max.x, 1.0, 1e-5);
    }
}

} // namespace

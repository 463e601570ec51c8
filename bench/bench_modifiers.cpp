// The modifiers of the solid library: each point deformer on 100,000 points
// through the whole deform path of a face set (gizmo frames, the deformer,
// the way back), reported as points per second; slicing a sphere of about
// 10,000 faces; smoothing a solid of 10,000 faces by two passes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "engine/core/SgModifierStack.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/properties/SgTransform.h"
#include "solids/GmMeshBuilder.h"
#include "solids/Solvane.h"
#include "solids/modifiers/GmMeshModifiers.h"
#include "solids/modifiers/SgBendModifier.h"
#include "solids/modifiers/SgFFDBoxModifier.h"
#include "solids/modifiers/SgMeltModifier.h"
#include "solids/modifiers/SgPathModifier.h"
#include "solids/modifiers/SgTwistModifier.h"
#include "solids/modifiers/SgWaveModifier.h"

namespace {

constexpr int kPoints = 100000;

// A face set of kPoints points in the unit cube (faces do not matter to a
// deformer).
SgFaceSet *PointCloud()
{
    auto *faces = new SgFaceSet;
    std::vector<Vec3> points;
    points.reserve(kPoints);
    for (int i = 0; i < kPoints; ++i)
        points.emplace_back(std::fmod(i * 0.618034, 1.0) - 0.5, std::fmod(i * 0.414214, 1.0) - 0.5,
                            std::fmod(i * 0.732051, 1.0) - 0.5);
    faces->m_vertices.SetVals(kPoints, points.data());
    return faces;
}

void RunDeformer(benchmark::State &state, const std::function<SgDeformModifier *()> &make)
{
    solvane::Solvane::Init();
    SgRef<SgFaceSet> cloud(PointCloud());
    SgRef<SgDeformModifier> modifier(make());
    SgRef<SgTransform> gizmo(new SgTransform);
    gizmo->m_translation.Set(Vec3(0.1, 0.0, 0.0));
    modifier->m_gizmoTransform.Set(NodePtr(gizmo.get()));
    SgRef<SgSeparator> root(new SgSeparator);
    for (auto _ : state) {
        SgShape *result = modifier->ApplyModifier(nullptr, cloud.get(), nullptr, true);
        benchmark::DoNotOptimize(result);
        delete[] cloud->GetPointCache();
        cloud->SetPointCache(nullptr);
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_Bend(benchmark::State &state)
{
    RunDeformer(state, [] {
        auto *m = new SgBendModifier;
        m->m_angle.Set(1.5);
        return m;
    });
}

void BM_Twist(benchmark::State &state)
{
    RunDeformer(state, [] {
        auto *m = new SgTwistModifier;
        m->m_angle.Set(1.5);
        return m;
    });
}

void BM_Wave(benchmark::State &state)
{
    RunDeformer(state, [] { return new SgWaveModifier; });
}

void BM_Melt(benchmark::State &state)
{
    RunDeformer(state, [] {
        auto *m = new SgMeltModifier;
        m->m_amount.Set(0.3);
        return m;
    });
}

void BM_FFDBox(benchmark::State &state)
{
    RunDeformer(state, [] {
        auto *m = new SgFFDBoxModifier;
        m->m_latticeOrigin.Set(Vec3(-0.5, -0.5, -0.5));
        return m;
    });
}

void BM_Path(benchmark::State &state)
{
    RunDeformer(state, [] {
        auto *m = new SgPathModifier;
        auto *curve = new SgPolyLine;
        std::vector<Vec3> path;
        for (int i = 0; i <= 50; ++i)
            path.emplace_back(i * 0.1, std::sin(i * 0.2), 0.0);
        curve->m_coordinates.SetVals(int(path.size()), path.data());
        m->m_pathCurve.Set(NodePtr(curve));
        return m;
    });
}

// A UV sphere of 72 segments: 72 x 36 quads and triangles, about 2,600
// faces; one smoothing pass of it gives about 10,000 quads.
std::unique_ptr<solvane::GmGeom> TenThousandFaces()
{
    std::unique_ptr<solvane::GmGeom> sphere(solvane::geomFromMesh(solvane::uvSphereMesh(Vec3(0, 0, 0), 1.0, 72)));
    return std::unique_ptr<solvane::GmGeom>(solvane::smooth_geom(*sphere, 1));
}

void BM_SmoothTwoPasses(benchmark::State &state)
{
    std::unique_ptr<solvane::GmGeom> solid = TenThousandFaces();
    state.counters["faces"] = solid->faceCount();
    for (auto _ : state) {
        std::unique_ptr<solvane::GmGeom> smooth(solvane::smooth_geom(*solid, 2));
        benchmark::DoNotOptimize(smooth.get());
    }
}

void BM_SliceInHalf(benchmark::State &state)
{
    std::unique_ptr<solvane::GmGeom> solid = TenThousandFaces();
    state.counters["faces"] = solid->faceCount();
    for (auto _ : state) {
        std::unique_ptr<solvane::GmGeom> half(solvane::slice_geom(*solid, Mat4(), 5.0, 1));
        benchmark::DoNotOptimize(half.get());
    }
}

} // namespace

BENCHMARK(BM_Bend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Twist)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Wave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Melt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FFDBox)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Path)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmoothTwoPasses)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SliceInHalf)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

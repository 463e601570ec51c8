// Mesh building of the swept shapes: extrusions of a square and of a round
// section along a 10,000-point path, and spheres (turned and geodesic) of
// rising resolution. Reported as faces built per second (items_per_second).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/SgNodara.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/ExtrudeBuilder.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGeoSphere.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgSphere.h"

namespace {

constexpr int kPathPoints = 10000;

// A path that winds and climbs, so every ring turns its frame.
SgPolyLine *WindingPath()
{
    static SgRef<SgPolyLine> path = [] {
        SgNodara::Init();
        std::vector<Vec3> points;
        points.reserve(kPathPoints);
        for (int i = 0; i < kPathPoints; ++i) {
            const double t = i * 0.01;
            points.emplace_back(10.0 * std::cos(t) + std::cos(7.0 * t), 10.0 * std::sin(t), 0.05 * i);
        }
        SgRef<SgPolyLine> line = new SgPolyLine;
        line->AddLoop(int(points.size()), points.data());
        return line;
    }();
    return path.get();
}

SgGenPolyLine *Section(int corners)
{
    SgNodara::Init();
    if (corners == 4) {
        static SgRef<SgPolyLine> square = [] {
            const Vec3 points[4] = {{-0.5, -0.5, 0}, {0.5, -0.5, 0}, {0.5, 0.5, 0}, {-0.5, 0.5, 0}};
            SgRef<SgPolyLine> line = new SgPolyLine;
            line->AddLoop(4, points);
            line->m_closed.Set(1);
            return line;
        }();
        return square.get();
    }
    static SgRef<SgCircle> circle = [] {
        SgRef<SgCircle> c = new SgCircle;
        c->m_radius.Set(0.3);
        c->m_segments.Set(16);
        return c;
    }();
    return circle.get();
}

// One sweep into a fresh face set per iteration; arg 0: section corners
// (4 for a square, 16 for a circle), arg 1: 1 for a cornered, 2 for a
// smooth sweep.
void BM_ExtrudeAlongPath(benchmark::State &state)
{
    SgPolyLine *path = WindingPath();
    SgGenPolyLine *section = Section(int(state.range(0)));
    int64_t faces = 0;
    for (auto _ : state) {
        SgRef<SgFaceSet> mesh = new SgFaceSet;
        ExtrudeParams params;
        SgExtrude::extrude(mesh.get(), &params, section, path, nullptr, nullptr, 0.0, 30.0, 1, nullptr, nullptr,
                           int(state.range(1)));
        faces += mesh->GetFaceCount();
        benchmark::DoNotOptimize(mesh->GetVertexCount());
    }
    state.SetItemsProcessed(faces);
}
BENCHMARK(BM_ExtrudeAlongPath)
    ->Args({4, ExtrudeBuilder::kPathCornered})
    ->Args({4, ExtrudeBuilder::kPathSmooth})
    ->Args({16, ExtrudeBuilder::kPathSmooth})
    ->Unit(benchmark::kMillisecond);

void BM_GeoSphere(benchmark::State &state)
{
    SgNodara::Init();
    SgRef<SgGeoSphere> sphere = new SgGeoSphere;
    sphere->m_segments.Set(int(state.range(0)));
    int64_t faces = 0;
    for (auto _ : state) {
        SgRef<SgFaceSet> mesh = new SgFaceSet;
        sphere->BuildMesh(mesh.get());
        faces += mesh->GetFaceCount();
    }
    state.SetItemsProcessed(faces);
}
BENCHMARK(BM_GeoSphere)->RangeMultiplier(2)->Range(4, 64)->Unit(benchmark::kMillisecond);

void BM_Sphere(benchmark::State &state)
{
    SgNodara::Init();
    SgRef<SgSphere> sphere = new SgSphere;
    sphere->m_segments.Set(int(state.range(0)));
    int64_t faces = 0;
    for (auto _ : state) {
        SgRef<SgFaceSet> mesh = new SgFaceSet;
        sphere->DoExtrude(mesh.get(), nullptr);
        faces += mesh->GetFaceCount();
    }
    state.SetItemsProcessed(faces);
}
BENCHMARK(BM_Sphere)->RangeMultiplier(2)->Range(8, 256)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// Booleans of the solid kernel on UV spheres of 16 to 256 segments (two
// triangulated spheres, the second shifted), single-threaded: time per
// operation, and its growth with the triangle count (the "BigO" lines that
// Google Benchmark fits over the resolutions).
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <vector>
#include <memory>

#include "SolidFixtures.h"
#include "solids/GmBalancedUnion.h"
#include "solids/GmBoolean.h"
#include "solids/GmMeshBuilder.h"

using namespace solvane;

namespace {

struct Operands {
    std::unique_ptr<GmGeom> a, b;
    int triangles = 0;
};

GmMesh ToMesh(const fixtures::Tri &t)
{
    GmMesh m;
    for (size_t i = 0; i < t.xyz.size(); i += 3) {
        m.points.push_back(Vec3(t.xyz[i], t.xyz[i + 1], t.xyz[i + 2]));
    }
    for (size_t i = 0; i < t.tris.size(); i += 3) {
        m.polygons.push_back({t.tris[i], t.tris[i + 1], t.tris[i + 2]});
    }
    return m;
}

const Operands &Fixture(int segments)
{
    static std::map<int, Operands> cache;
    auto it = cache.find(segments);
    if (it == cache.end()) {
        auto [pa, pb] = fixtures::FixturePaths(segments);
        fixtures::Tri ta = fixtures::ReadOff(pa), tb = fixtures::ReadOff(pb);
        Operands ops;
        ops.a.reset(geomFromMesh(ToMesh(ta)));
        ops.b.reset(geomFromMesh(ToMesh(tb)));
        ops.triangles = static_cast<int>((ta.tris.size() + tb.tris.size()) / 3);
        it = cache.emplace(segments, std::move(ops)).first;
    }
    return it->second;
}

void RunOp(benchmark::State &state, GmBoolOp op)
{
    const Operands &ops = Fixture(static_cast<int>(state.range(0)));
    {
        // Once, outside the timing: the result must be a valid closed solid.
        set_boolean_validation(true);
        GmBooleanResult check = boolean_request(op, *ops.a, *ops.b);
        if (!check.ok) {
            state.SkipWithError(check.message.c_str());
            return;
        }
    }
    set_boolean_validation(false);
    int resultFaces = 0;
    for (auto _ : state) {
        GmBooleanResult r = boolean_request(op, *ops.a, *ops.b);
        if (!r.ok) {
            state.SkipWithError(r.message.c_str());
            return;
        }
        resultFaces = r.geom->faceCount();
        benchmark::DoNotOptimize(r.geom.get());
    }
    state.SetComplexityN(ops.triangles);
    state.counters["input_tris"] = ops.triangles;
    state.counters["result_faces"] = resultFaces;
}

void BM_SphereUnion(benchmark::State &s) { RunOp(s, GmBoolOp::Union); }
void BM_SphereIntersection(benchmark::State &s) { RunOp(s, GmBoolOp::Intersection); }
void BM_SphereDifference(benchmark::State &s) { RunOp(s, GmBoolOp::Difference); }

// 160 overlapping spheres (radius 0.8, 32 segments) on a wavy ring,
// united one at a time into one solid in place (the running form; a Boolean
// of 160 operands unites them as the balanced tree of the next case). The peak resident memory of a run filtered to this case
// (/usr/bin/time -v) is the figure to watch; of it, some 17 MB are there
// before any solid is made (the libraries the process loads, compare a run
// filtered to nothing).
void BM_RingOf160Spheres(benchmark::State &state)
{
    set_boolean_validation(true);
    auto sphere = [](int i) {
        const double a = 2.0 * M_PI * i / 160.0;
        return std::unique_ptr<GmGeom>(
            geomFromMesh(uvSphereMesh(Vec3(3 * std::cos(a), 3 * std::sin(a), 0.3 * std::sin(3 * a)), 0.8, 32)));
    };
    int faces = 0;
    for (auto _ : state) {
        GmGeom ring;
        ring.assign(*sphere(0));
        for (int i = 1; i < 160; ++i) {
            ring.unite(sphere(i).get());
            ring.mergeSolids();
        }
        faces = ring.faceCount();
        benchmark::DoNotOptimize(&ring);
    }
    state.counters["result_faces"] = faces;
}

// (S1 u S2) u S2, S2 centred on S1's surface: the second union meets S2's
// faces lying on the first result's; it should cost about what S1 u S2
// costs, not many times more.
void RunUnionAgain(benchmark::State &state, bool again)
{
    set_boolean_validation(true);
    const int n = static_cast<int>(state.range(0));
    std::unique_ptr<GmGeom> s1(geomFromMesh(uvSphereMesh(Vec3(0, 0, 0), 1.0, n)));
    std::unique_ptr<GmGeom> s2(geomFromMesh(uvSphereMesh(Vec3(1, 0, 0), 0.5, n)));
    GmBooleanResult first = boolean_request(GmBoolOp::Union, *s1, *s2);
    if (!first.ok) {
        state.SkipWithError(first.message.c_str());
        return;
    }
    for (auto _ : state) {
        GmBooleanResult r = again ? boolean_request(GmBoolOp::Union, *first.geom, *s2)
                                  : boolean_request(GmBoolOp::Union, *s1, *s2);
        if (!r.ok) {
            state.SkipWithError(r.message.c_str());
            return;
        }
        benchmark::DoNotOptimize(r.geom.get());
    }
}
// The same ring united as a Boolean node of 160 operands unites it: a
// balanced tree of unions.
void BM_RingOf160SpheresBalanced(benchmark::State &state)
{
    set_boolean_validation(true);
    int faces = 0;
    for (auto _ : state) {
        GmBalancedUnion tree;
        for (int i = 0; i < 160; ++i) {
            const double a = 2.0 * M_PI * i / 160.0;
            tree.Add(std::unique_ptr<GmGeom>(
                geomFromMesh(uvSphereMesh(Vec3(3 * std::cos(a), 3 * std::sin(a), 0.3 * std::sin(3 * a)), 0.8, 32))));
        }
        std::unique_ptr<GmGeom> ring = tree.Finish();
        faces = ring->faceCount();
        benchmark::DoNotOptimize(ring.get());
    }
    state.counters["result_faces"] = faces;
}

void BM_UnionOnTheSurface(benchmark::State &s) { RunUnionAgain(s, false); }
void BM_UnionOnTheSurfaceAgain(benchmark::State &s) { RunUnionAgain(s, true); }

BENCHMARK(BM_RingOf160Spheres)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RingOf160SpheresBalanced)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_UnionOnTheSurface)->Arg(32)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnionOnTheSurfaceAgain)->Arg(32)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SphereUnion)->RangeMultiplier(2)->Range(16, 256)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_SphereIntersection)->RangeMultiplier(2)->Range(16, 256)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_SphereDifference)->RangeMultiplier(2)->Range(16, 256)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace

BENCHMARK_MAIN();

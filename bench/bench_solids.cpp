// Booleans of the solid kernel on UV spheres of 16 to 256 segments (two
// triangulated spheres, the second shifted), single-threaded: time per
// operation, and its growth with the triangle count (the "BigO" lines that
// Google Benchmark fits over the resolutions).
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "SolidFixtures.h"
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

BENCHMARK(BM_SphereUnion)->RangeMultiplier(2)->Range(16, 256)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_SphereIntersection)->RangeMultiplier(2)->Range(16, 256)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_SphereDifference)->RangeMultiplier(2)->Range(16, 256)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace

BENCHMARK_MAIN();

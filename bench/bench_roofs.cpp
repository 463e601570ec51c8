// Roofs over floor plans: grid blobs of unit cells (axis-parallel edges,
// corridors one cell wide, many events at each half-unit height) from about
// 16 to over 1,000 corners. One benchmark times a roof per outline size; the
// family run builds many seeds per size band and counts the refusals (which
// should be none) along with the time per roof.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/nodes/geometry/skeleton/RoofBuilder.h"
#include "tests/engine/nodes/geometry/skeleton/FloorPlanOutlines.h"

namespace {

struct Counts {
    int64_t vertices = 0;
    int64_t faces = 0;
};

int AddVertex(void *user, const Vec3 *, int)
{
    return int(static_cast<Counts *>(user)->vertices++);
}

void AddFace(void *user, const int *, int)
{
    ++static_cast<Counts *>(user)->faces;
}

double Build(const std::vector<Vec3> &outline, RoofBuildReport &report, Counts &counts)
{
    const double slope = 45.0;
    return BuildStraightSkeletonRoof(outline, &slope, 1, &counts, AddVertex, AddFace, nullptr, &report);
}

// arg: cells in the blob (seed 7).
void BM_GridBlobRoof(benchmark::State &state)
{
    const std::vector<Vec3> outline = GridBlobOutline(int(state.range(0)), 7);
    Counts counts;
    for (auto _ : state) {
        RoofBuildReport report;
        if (Build(outline, report, counts) < 0.0) {
            state.SkipWithError(("the roof was not built: " + report.error).c_str());
            break;
        }
    }
    state.counters["corners"] = double(outline.size());
}
BENCHMARK(BM_GridBlobRoof)->Arg(20)->Arg(120)->Arg(600)->Arg(1500)->Arg(4000)->Arg(16000)->Arg(30000)
    ->Unit(benchmark::kMillisecond);

// args: cells, seeds. Every seed's roof once per iteration.
void BM_GridBlobRoofFamily(benchmark::State &state)
{
    const int cells = int(state.range(0)), seeds = int(state.range(1));
    std::vector<std::vector<Vec3>> outlines;
    double corners = 0.0;
    for (int seed = 0; seed < seeds; ++seed) {
        outlines.push_back(GridBlobOutline(cells, unsigned(1000 + seed)));
        corners += double(outlines.back().size());
    }
    int64_t refused = 0, built = 0;
    double seconds = 0.0;
    Counts counts;
    for (auto _ : state) {
        const auto began = std::chrono::steady_clock::now();
        for (const std::vector<Vec3> &outline : outlines) {
            RoofBuildReport report;
            (Build(outline, report, counts) < 0.0 ? refused : built) += 1;
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    }
    state.counters["corners"] = corners / seeds;
    state.counters["refused"] = double(refused) / double(state.iterations());
    state.counters["ms_per_roof"] = 1e3 * seconds / double(std::max<int64_t>(1, refused + built));
}
BENCHMARK(BM_GridBlobRoofFamily)
    ->ArgsProduct({{20, 120, 600, 1500, 4000, 16000}, {20}})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

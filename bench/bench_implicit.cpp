// Implicit surfaces and roofs: lattice cubes per second polygonising a
// metaball blend at rising resolution, and the time for a roof over random
// star-shaped (concave) outlines of 100, 1,000 and 10,000 corners.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/nodes/geometry/implicit/MetaBall.h"
#include "engine/nodes/geometry/implicit/Polygonizer.h"
#include "engine/nodes/geometry/skeleton/RoofBuilder.h"
#include "platform/SgRandom.h"

namespace {

std::unique_ptr<MetaBallShape> Placed(std::unique_ptr<MetaBallShape> shape, double x, double y, double z)
{
    Mat4 toLocal;
    toLocal.Set(0, 3, -x);
    toLocal.Set(1, 3, -y);
    toLocal.Set(2, 3, -z);
    shape->SetToLocal(toLocal);
    return shape;
}

// arg: cell size in thousandths. Two spheres and a torus blended.
void BM_PolygonizeMetaballs(benchmark::State &state)
{
    MetaBallUnion blend;
    blend.AddChild(Placed(std::make_unique<MetaBallSphere>(1.0), 0, 0, 0));
    blend.AddChild(Placed(std::make_unique<MetaBallSphere>(0.8), 1.3, 0, 0));
    blend.AddChild(Placed(std::make_unique<MetaBallTorus>(1.2, 0.3), 0.5, 0, 0.6));
    const float seeds[9] = {0, 0, 0, 1.3f, 0, 0, 0.5f, 0, 0.6f};
    const double cellSize = double(state.range(0)) / 1000.0;
    int64_t cubes = 0, triangles = 0;
    for (auto _ : state) {
        int count = 0;
        Polygonize([&blend](const double *p) { return blend.FieldValue(Vec3(p[0], p[1], p[2])) - 1.0; }, cellSize,
                   2000, seeds, 3, [&count](int, int, int, const PolygonizerVertices &) { return ++count, 1; },
                   [](const PolygonizerVertices &) {}, kPolygonizeCubes);
        cubes += LastPolygonizeStats().cubes;
        triangles += count;
    }
    state.SetItemsProcessed(cubes);
    state.counters["triangles"] = benchmark::Counter(double(triangles) / double(state.iterations()));
}
BENCHMARK(BM_PolygonizeMetaballs)->Arg(100)->Arg(50)->Arg(25)->Arg(12)->Unit(benchmark::kMillisecond);

int AddVertex(void *, const Vec3 *, int)
{
    static int next = 0;
    return next++;
}
void AddFace(void *user, const int *, int)
{
    ++*static_cast<int64_t *>(user);
}

// Random star-shaped outlines of n corners, concave. Independent radii
// (0.35 to 1) make ever sharper spikes and notches as n grows; a random walk
// of the radius keeps the corners' angles alike at every n.
std::vector<Vec3> RandomOutline(int n, bool walk)
{
    SgRandomSequence random(7);
    std::vector<Vec3> outline;
    double r = 0.7;
    for (int i = 0; i < n; ++i) {
        const double t = (i + 0.15 + 0.7 * random.Next() / 32767.0) * 2.0 * M_PI / n;
        const double u = random.Next() / 32767.0;
        if (walk)
            r = std::min(1.0, std::max(0.35, r + (u - 0.5) * 8.0 / n));
        else
            r = 0.35 + 0.65 * u;
        outline.emplace_back(r * std::cos(t), 0.0, r * std::sin(t));
    }
    return outline;
}

// args: corners; 1 for the random-walk radius, 0 for independent radii.
void BM_StraightSkeletonRoof(benchmark::State &state)
{
    const int n = int(state.range(0));
    const std::vector<Vec3> outline = RandomOutline(n, state.range(1) != 0);
    const double slope = 40.0;
    int64_t faces = 0;
    for (auto _ : state) {
        RoofBuildReport report;
        const double height =
            BuildStraightSkeletonRoof(outline, &slope, 1, &faces, AddVertex, AddFace, nullptr, &report);
        if (height < 0.0) {
            state.SkipWithError(("the roof was not built: " + report.error).c_str());
            break;
        }
    }
    state.SetItemsProcessed(faces);
}
BENCHMARK(BM_StraightSkeletonRoof)
    ->ArgsProduct({{100, 300, 1000, 3000, 10000}, {1, 0}})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

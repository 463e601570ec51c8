// Extruded text and spline sampling: faces per second for a 1,000-character
// text extruded in the default face, samples per second for B-splines of
// 100,000 samples.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/SgNodara.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgSpline.h"
#include "engine/nodes/geometry/SgText.h"

namespace {

void BM_ExtrudeText1000(benchmark::State &state)
{
    SgNodara::Init();
    std::string text;
    const std::string words = "Quick brown foxes jump over lazy dogs 0123456789 ";
    while (text.size() < 1000)
        text += words;
    text.resize(1000);
    SgRef<SgText> node = new SgText;
    node->m_text.Set(text);
    SgRef<SgPolyLine> depth = new SgPolyLine;
    // Depth runs along the profile's y (its z would run along the outline).
    const Vec3 pts[2] = {{0, 0, 0}, {0, 0.2, 0}};
    depth->AddLoop(2, pts);
    node->SetPolyline(depth.get(), SgExtrude::kProfileSlot, true);
    int64_t faces = 0;
    for (auto _ : state) {
        SgRef<SgFaceSet> mesh = new SgFaceSet;
        node->DoExtrude(mesh.get(), nullptr);
        faces += mesh->GetFaceCount();
        benchmark::DoNotOptimize(mesh->GetVertexCount());
    }
    state.SetItemsProcessed(faces);
}
BENCHMARK(BM_ExtrudeText1000)->Unit(benchmark::kMillisecond);

// arg: curve kind (1 approximating, 2 interpolating); 101 points with 1,000
// samples per segment give 100,001 samples.
void BM_BSpline100k(benchmark::State &state)
{
    SgNodara::Init();
    std::vector<Vec3> points;
    for (int i = 0; i < 101; ++i)
        points.emplace_back(i, (i % 7) * 0.3, (i % 3) * 0.2);
    SgRef<SgBSpline> spline = new SgBSpline;
    spline->m_coordinates.SetVals(int(points.size()), points.data());
    spline->m_curveType.Set(int(state.range(0)));
    int64_t samples = 0;
    for (auto _ : state) {
        spline->sample(1000);
        samples += spline->GetSize();
        benchmark::DoNotOptimize(spline->GetLoop(0));
    }
    state.SetItemsProcessed(samples);
}
BENCHMARK(BM_BSpline100k)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

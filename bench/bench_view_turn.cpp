// One step of turning and of panning the view of a 200,000-triangle mesh in
// a window: the examine handler's drag step and the frame after it. Turning
// should cost what panning costs: neither rebuilds the mesh's geometry.
#include <benchmark/benchmark.h>

#include "engine/SgNodara.h"
#include "engine/nodes/geometry/SgGeoSphere.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/tools/SgExamineViewHandler.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using windowtest::Button;
using windowtest::WindowHarness;

// 20 x 100 x 100 triangles.
constexpr int kSegments = 100;

void ViewStep(benchmark::State &state, Button button)
{
    SgNodara::Init();
    WindowHarness h(640, 480);
    SgObject *object = h.AddCube(Color(0.8f, 0.2f, 0.2f, 1.0f), 0.001);
    auto *sphere = new SgGeoSphere;
    sphere->m_segments.Set(kSegments);
    object->AddChild(sphere);
    h.AddViewHandler(new SgExamineViewHandler);
    for (int i = 0; i < 3; ++i)
        h.Paint();
    int x = 320;
    for (auto _ : state) {
        h.Drag(button, {x, 240}, {x + 2, 240});
        h.Paint();
        x = x > 400 ? 320 : x + 2;
    }
}

void BM_TurnStepOf200kTriangles(benchmark::State &state) { ViewStep(state, Button::Left); }
void BM_PanStepOf200kTriangles(benchmark::State &state) { ViewStep(state, Button::Middle); }

} // namespace

BENCHMARK(BM_TurnStepOf200kTriangles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PanStepOf200kTriangles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();

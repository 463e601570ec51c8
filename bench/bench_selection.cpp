// The cost of one mouse move over a scene of 1,000 objects, one of them
// selected with its move tool hung in: the event goes through the window,
// the viewer and the handle-event action, the tool picks for its hover
// highlight and the selection handler waits behind. Reported per move.
#include <benchmark/benchmark.h>

#include "engine/SgNodara.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgViewport.h"
#include "engine/nodes/properties/SgCamera.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using windowtest::Button;
using windowtest::WindowHarness;

constexpr int kSide = 10;

void BM_MouseMoveOverThousandObjectsWithASelection(benchmark::State &state)
{
    SgNodara::Init();
    WindowHarness h(640, 480);
    for (int i = 0; i < kSide; ++i)
        for (int j = 0; j < kSide; ++j)
            for (int k = 0; k < kSide; ++k) {
                SgObject *object = h.AddCube(Color(0.8f, 0.2f, 0.2f, 1.0f), 0.1);
                object->GetTransform(true)->m_translation.Set(
                    Vec3(0.25 * (i - kSide / 2), 0.25 * (j - kSide / 2), -0.25 * k));
            }
    h.Paint();
    const Vec2i centre = h.Project(Vec3(0, 0, 0));
    h.Down(Button::Left, centre);
    h.Up(Button::Left, centre);
    if (h.Document()->GetSelectionHandler()->GetSelCount() != 1) {
        state.SkipWithError("the click selected nothing");
        return;
    }
    h.Paint();
    const Vec2i a = h.Project(Vec3(-0.75, -0.75, 0));
    const Vec2i b = h.Project(Vec3(-0.5, -0.75, 0));
    bool flip = false;
    for (auto _ : state) {
        benchmark::DoNotOptimize(h.Move(flip ? a : b));
        flip = !flip;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MouseMoveOverThousandObjectsWithASelection)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

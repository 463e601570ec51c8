// The cost of one mouse move over a scene of 1,000 objects, one of them
// selected with its move tool hung in: the event goes through the window,
// the viewer and the handle-event action, the tool picks for its hover
// highlight and the selection handler waits behind. Reported per move.
//
// And the everyday commands on a scene of 5,000 objects (an object holding a
// transform and a box each): Select All, Deselect All, Delete and the undo of
// that delete, timed without the redraw, and the redraw that follows each
// (the software renderer's frame of the whole scene, with the selection's
// manipulators). Each command should return within 0.3 s; the iteration
// counts are small because the scene is put back between rounds.
#include <benchmark/benchmark.h>

#include "engine/SgNodara.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgBox.h"
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

constexpr int kManyObjects = 5000;

// The window and document with 5,000 boxed objects in a row of rows, drawn once.
void FillWithManyObjects(WindowHarness &h)
{
    SgSeparator *root = h.Document()->GetNodara();
    for (int i = 0; i < kManyObjects; ++i) {
        auto *object = new SgObject(true, true);
        object->GetTransform(true)->m_translation.Set(Vec3(0.05 * (i % 70) - 1.75, 0.05 * (i / 70) - 1.75, -2.0));
        object->AddChild(new SgBox);
        root->AddChild(object);
    }
    h.Document()->ResetUndo();
    h.Paint();
}

enum class ManyObjectsStep { kSelectAll, kDelete, kUndoDelete, kDeselectAll, kRedrawSelected };

void BM_ManyObjects(benchmark::State &state, ManyObjectsStep step)
{
    SgNodara::Init();
    WindowHarness h(640, 480);
    FillWithManyObjects(h);
    SgDocument *document = h.Document();
    SgSelectionHandler *selection = document->GetSelectionHandler();
    SgSeparator *root = document->GetNodara();
    for (auto _ : state) {
        state.PauseTiming();
        if (step != ManyObjectsStep::kSelectAll)
            selection->SelectAll(root);
        if (step == ManyObjectsStep::kRedrawSelected)
            h.Paint();
        if (step == ManyObjectsStep::kUndoDelete)
            selection->Delete();
        state.ResumeTiming();
        switch (step) {
        case ManyObjectsStep::kSelectAll: selection->SelectAll(root); break;
        case ManyObjectsStep::kDelete: selection->Delete(); break;
        case ManyObjectsStep::kUndoDelete: document->Undo(); break;
        case ManyObjectsStep::kDeselectAll: selection->DeselectAll(); break;
        case ManyObjectsStep::kRedrawSelected: h.Paint(); break;
        }
        state.PauseTiming();
        h.Paint();
        if (step == ManyObjectsStep::kDelete)
            document->Undo();
        selection->DeselectAll();
        document->ResetUndo();
        if (root->GetNumChildren() < kManyObjects) {
            state.SkipWithError("the scene lost objects between rounds");
            return;
        }
        state.ResumeTiming();
    }
}
BENCHMARK_CAPTURE(BM_ManyObjects, SelectAll, ManyObjectsStep::kSelectAll)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_ManyObjects, DeselectAll, ManyObjectsStep::kDeselectAll)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_ManyObjects, Delete, ManyObjectsStep::kDelete)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_ManyObjects, UndoDelete, ManyObjectsStep::kUndoDelete)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_ManyObjects, RedrawAllSelected, ManyObjectsStep::kRedrawSelected)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

BENCHMARK_MAIN();

// Opening the scene tree's pane on a scene of 10,000 nodes (2,500 objects of
// a transform, a material and a cube each, side by side under the root):
// the tree builds its top level and opens the object items only on demand,
// so opening should take well under a second. Measured on the tree kept in
// memory and, with a display, on the wx tree of the pane; for comparison,
// opening every item of the scene (what an eager tree would build).
//
// The wx part needs an X display: `xvfb-run -a build/bin/bench_scene_tree`.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "treepanel/Arbelo.h"
#include "treepanel/CArbeloCtrl.h"
#include "treepanel/StMemoryTree.h"
#include "treepanel/wx/SgWxSceneTree.h"

namespace {

constexpr int kObjects = 2500; // 4 nodes each

struct Scene {
    std::unique_ptr<SgDocument, void (*)(SgDocument *)> document{SgDocument::Create(), &SgDocument::Destroy};
    Scene()
    {
        SgSeparator *root = document->GetRoot();
        for (int i = 0; i < kObjects; ++i) {
            auto *object = new SgObject(true, true);
            object->SetName(("part" + std::to_string(i)).c_str());
            object->AddPropertyNode(new SgMaterial, false);
            object->AddChild(new SgCube);
            root->AddChild(object);
        }
    }
};

Scene *s_scene = nullptr;
wxFrame *s_frame = nullptr;

void BM_OpenTreeInMemory(benchmark::State &state)
{
    for (auto _ : state) {
        StMemoryTree tree;
        arbelo::CArbeloCtrl panel;
        panel.SetView(&tree);
        panel.SetDocument(s_scene->document.get());
        panel.InitTree();
        benchmark::DoNotOptimize(tree.GetItemCount());
        state.counters["items"] = tree.GetItemCount();
        panel.SetDocument(nullptr);
    }
}

void OpenAll(arbelo::CArbeloCtrl &panel, StTreeView &tree, StItem item)
{
    for (StItem child = tree.GetFirstChild(item); child; child = tree.GetNextSibling(child)) {
        const auto *record = panel.GetRecord(child);
        if (record && record->bNode && panel.OnItemExpanding(child, true)) {
            tree.Expand(child);
            OpenAll(panel, tree, child);
        }
    }
}

void BM_OpenEveryItemInMemory(benchmark::State &state)
{
    for (auto _ : state) {
        StMemoryTree tree;
        arbelo::CArbeloCtrl panel;
        panel.SetView(&tree);
        panel.SetDocument(s_scene->document.get());
        panel.InitTree();
        OpenAll(panel, tree, 0);
        state.counters["items"] = tree.GetItemCount();
        panel.SetDocument(nullptr);
    }
}

void BM_OpenTreePane(benchmark::State &state)
{
    for (auto _ : state) {
        auto *tree = new arbelo::SgWxSceneTree(s_frame);
        tree->Attach(s_scene->document.get());
        state.counters["items"] = tree->GetItemCount();
        state.PauseTiming();
        tree->Attach(nullptr);
        tree->Destroy();
        wxTheApp->Yield(true);
        state.ResumeTiming();
    }
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    arbelo::Arbelo::Init();
    s_scene = new Scene;
    benchmark::RegisterBenchmark("BM_OpenTreeInMemory", BM_OpenTreeInMemory)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_OpenEveryItemInMemory", BM_OpenEveryItemInMemory)->Unit(benchmark::kMillisecond);
    wxApp::SetInstance(new wxApp);
    const bool gui = wxEntryStart(argc, argv) && wxTheApp->CallOnInit();
    if (gui) {
        s_frame = new wxFrame(nullptr, wxID_ANY, "bench_scene_tree", wxDefaultPosition, wxSize(300, 600));
        s_frame->Show();
        benchmark::RegisterBenchmark("BM_OpenTreePane", BM_OpenTreePane)->Unit(benchmark::kMillisecond)->UseRealTime();
    } else {
        std::fprintf(stderr, "bench_scene_tree: no display, so no wx tree (run it under xvfb-run -a)\n");
    }
    benchmark::RunSpecifiedBenchmarks();
    if (gui) {
        s_frame->Destroy();
        wxTheApp->Yield(true);
        wxEntryCleanup();
    }
    delete s_scene;
    benchmark::Shutdown();
    return 0;
}

// Solids in the scene, offscreen at 640 x 480: a solid node of 100,000
// triangle faces drawn in its first frame (a node never drawn before) and in
// cached frames (display lists called), against the same mesh drawn as a
// face set in the same run; and the conversion of a 100,000-triangle face
// set into a solid. Frames are reported per second (items_per_second) and
// as triangles per second.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <memory>
#include <vector>

#include "engine/SgNodara.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/render/SgTextureManager.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgViewer.h"
#include "platform/gl/OffscreenGLContext.h"
#include "solids/GmGeom.h"
#include "solids/SgSolvane.h"
#include "solids/Solvane.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
// 250 x 200 quads, each two triangles: 100,000 triangles.
constexpr int kQuadsX = 250;
constexpr int kQuadsY = 200;
constexpr int kTriangles = kQuadsX * kQuadsY * 2;

// A rippled sheet of triangles as a face set.
SgFaceSet *Sheet()
{
    auto *fs = new SgFaceSet;
    std::vector<Vec3> points;
    for (int j = 0; j <= kQuadsY; ++j)
        for (int i = 0; i <= kQuadsX; ++i)
            points.emplace_back(i * 4.0 / kQuadsX - 2.0, j * 3.2 / kQuadsY - 1.6, 0.05 * ((i + j) % 3));
    std::vector<int> indexes;
    indexes.reserve(kTriangles * 3);
    for (int j = 0; j < kQuadsY; ++j) {
        for (int i = 0; i < kQuadsX; ++i) {
            const int a = j * (kQuadsX + 1) + i, b = a + 1, c = a + kQuadsX + 2, d = a + kQuadsX + 1;
            // Face set loops run clockwise about the normal (+z here).
            indexes.insert(indexes.end(), {a, c, b, a, d, c});
        }
    }
    const std::vector<unsigned short> sizes(kTriangles, 3), loops(kTriangles, 1), surfaces(kTriangles, 0);
    fs->m_vertices.SetVals(static_cast<int>(points.size()), points.data());
    fs->m_indexes.SetVals(static_cast<int>(indexes.size()), indexes.data());
    fs->m_sizes.SetVals(kTriangles, sizes.data());
    fs->m_loopCount.SetVals(kTriangles, loops.data());
    fs->m_surfID.SetVals(kTriangles, surfaces.data());
    return fs;
}

struct Scene {
    Scene()
    {
        solvane::Solvane::Init();
        context = std::make_unique<OffscreenGLContext>(kWidth, kHeight);
        context->MakeCurrent();
        document = SgDocument::Create();
        document->SetTextureMngrFactory(&SgTextureManager::DocumentFactory);
        viewer = document->CreateDefaultViewer(nullptr, nullptr);
        viewer->SetSize(kWidth, kHeight);
        sheet = Sheet();
        sheet->AddRef();
        object = new SgObject(true, true);
        auto *material = new SgMaterial;
        const Color colour(0.8f, 0.4f, 0.2f, 1.0f);
        material->m_diffuseColor.SetVals(1, &colour);
        object->AddPropertyNode(material, false);
        document->GetRoot()->AddChild(object);
    }

    // Puts a new shape in the object: a node no frame has drawn yet.
    void Show(SgShape *shape)
    {
        if (shown)
            object->RemoveChild(shown);
        object->AddChild(shape);
        shown = shape;
        if (!focused) {
            viewer->GetViewport(0)->Focus(nullptr, 1.0);
            focused = true;
        }
    }
    SgSolvane *NewSolid() { return new SgSolvane(SgSolvane::ConvertToGeom(sheet, 0)); }

    void Frame()
    {
        viewer->Render(false);
        glFinish();
    }

    std::unique_ptr<OffscreenGLContext> context;
    SgDocument *document = nullptr;
    SgViewer *viewer = nullptr;
    SgObject *object = nullptr;
    SgFaceSet *sheet = nullptr;
    SgShape *shown = nullptr;
    bool focused = false;
};

Scene &TheScene()
{
    static Scene scene;
    return scene;
}

void Report(benchmark::State &state)
{
    state.SetItemsProcessed(state.iterations());
    state.counters["triangles_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kTriangles, benchmark::Counter::kIsRate);
}

void BM_SolidFirstFrame(benchmark::State &state)
{
    Scene &scene = TheScene();
    for (auto _ : state) {
        state.PauseTiming();
        scene.Show(scene.NewSolid());
        state.ResumeTiming();
        scene.Frame();
    }
    Report(state);
}
BENCHMARK(BM_SolidFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SolidCachedFrame(benchmark::State &state)
{
    Scene &scene = TheScene();
    scene.Show(scene.NewSolid());
    scene.Frame();
    scene.Frame();
    for (auto _ : state)
        scene.Frame();
    Report(state);
}
BENCHMARK(BM_SolidCachedFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FaceSetFirstFrame(benchmark::State &state)
{
    Scene &scene = TheScene();
    for (auto _ : state) {
        state.PauseTiming();
        scene.Show(Sheet());
        state.ResumeTiming();
        scene.Frame();
    }
    Report(state);
}
BENCHMARK(BM_FaceSetFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FaceSetCachedFrame(benchmark::State &state)
{
    Scene &scene = TheScene();
    scene.Show(Sheet());
    scene.Frame();
    scene.Frame();
    for (auto _ : state)
        scene.Frame();
    Report(state);
}
BENCHMARK(BM_FaceSetCachedFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// Face set to solid: nodes through the kernel's hash grid, edges shared
// between neighbouring triangles, one face per triangle.
void BM_ConvertMeshToSolid(benchmark::State &state)
{
    Scene &scene = TheScene();
    for (auto _ : state) {
        std::unique_ptr<solvane::GmGeom> g(SgSolvane::ConvertToGeom(scene.sheet, 0));
        benchmark::DoNotOptimize(g.get());
    }
    state.SetItemsProcessed(state.iterations() * kTriangles);
}
BENCHMARK(BM_ConvertMeshToSolid)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

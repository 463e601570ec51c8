// The periphery's costs: particles stepped per second (10,000 live particles
// under three effects: gravity, wind and a deflector), skin points deformed
// per second (a 10,000-point skin on a chain of 8 bones), and a frame with
// stencil shadows against the same frame without them (64 x 64 offscreen,
// a cube over the shadow frame's backdrop), reported as frames per second,
// and the shadow frame's cost as a ratio to the plain frame at 640 x 480 on
// the sample scene and on 25 spheres, with the scene unchanged from frame to
// frame and with one object moving every frame.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/SgNodara.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "engine/nodes/character/CharAnimControl.h"
#include "engine/nodes/character/SgCharAnim.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/particles/SgAttractor.h"
#include "engine/nodes/particles/SgDeflector.h"
#include "engine/nodes/particles/SgEmitter.h"
#include "engine/nodes/particles/SgWind.h"
#include "engine/nodes/properties/SgBackground.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/render/SgShadowCache.h"
#include "engine/render/SgTextureManager.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgViewer.h"
#include "platform/gl/OffscreenGLContext.h"

namespace {

constexpr int kParticles = 10000;
constexpr int kSkinPoints = 10000;
constexpr int kBones = 8;

void BM_ParticlesStepped(benchmark::State &state)
{
    SgNodara::Init();
    SgRef<SgEmitter> emitter = new SgEmitter;
    // About 10,000 born in the first two units of time, living through the run.
    emitter->m_birthRate.Set(float(kParticles) / 2.0f);
    emitter->m_stopEmission.Set(2.0f);
    emitter->m_lifeTime.Set(1e9f);
    SgRef<SgAttractor> gravity = new SgAttractor;
    SgRef<SgWind> wind = new SgWind;
    SgRef<SgDeflector> floor = new SgDeflector;
    floor->m_dimension.Set(Vec3(100, 100, 1));
    std::vector<EffectorInfo> records(3);
    records[0].effect = gravity.get();
    records[1].effect = wind.get();
    records[2].effect = floor.get();
    records[2].transform = Transform3(Vec3(0, 0, -5)).GetMatrix();
    static std::vector<EffectorInfo> *s_records = nullptr;
    s_records = &records;
    SgEmitter::SetEffectorsSource([](SgAction *) { return s_records; });
    SgAction *const anyAction = nullptr; // the records come from the source above
    emitter->m_time.Set(0.0);
    emitter->DoAction(anyAction);
    emitter->m_time.Set(1.999);
    emitter->DoAction(anyAction);
    double t = 1.999;
    for (auto _ : state) {
        t += 0.01;
        emitter->m_time.Set(t);
        emitter->DoAction(anyAction);
    }
    state.SetItemsProcessed(state.iterations() * kParticles);
    SgEmitter::SetEffectorsSource(nullptr);
}
BENCHMARK(BM_ParticlesStepped)->Unit(benchmark::kMillisecond);

void BM_SkinnedPoints(benchmark::State &state)
{
    SgNodara::Init();
    SgRef<SgObject> skeleton = CreateBone(kBones, nullptr);
    std::vector<Vec3> points;
    for (int i = 0; i < kSkinPoints; ++i) {
        const double z = kBones * double(i) / kSkinPoints;
        points.emplace_back(0.3 * ((i % 7) - 3) / 3.0, 0.3 * ((i % 5) - 2) / 2.0, z);
    }
    SgRef<SgObject> skin = new SgObject(true, true);
    auto *mesh = new SgFaceSet;
    mesh->m_vertices.SetVals(int(points.size()), points.data());
    skin->AddChild(mesh);
    auto *modifier = static_cast<SgCharAnim *>(CharAnimControl::SkinSkeleton(skin.get(), skeleton.get()));
    CharAnimControl &control = modifier->GetControl();
    skeleton->SetRotation(Rotation(Vec3(1, 0, 0), 0.3));
    std::vector<Vec3> out(points.size());
    for (auto _ : state) {
        control.ReadSkeleton(skeleton.get(), false);
        control.ApplyDeform(int(points.size()), points.data(), out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kSkinPoints);
}
BENCHMARK(BM_SkinnedPoints)->Unit(benchmark::kMillisecond);

struct ShadowScene {
    OffscreenGLContext context{64, 64};
    SgRef<SgSeparator> view = new SgSeparator;
    SgViewport viewport;
    ShadowScene()
    {
        SgNodara::Init();
        context.MakeCurrent();
        auto *background = new SgBackground;
        view->AddChild(background);
        auto *head = new SgSeparator;
        auto *cameraTransform = new SgTransform;
        cameraTransform->m_translation.Set(Vec3(0, 0, 5));
        auto *camera = new SgCamera;
        head->AddChild(cameraTransform);
        head->AddChild(camera);
        view->AddChild(head);
        auto *scene = new SgSeparator;
        auto *cube = new SgCube;
        cube->m_width.Set(2.0);
        cube->m_height.Set(2.0);
        cube->m_depth.Set(2.0);
        scene->AddChild(cube);
        view->AddChild(scene);
        viewport.SetNodara(view.get());
        viewport.SetCamera(camera);
        viewport.SetBackground(background);
        viewport.SetCameraTransform(cameraTransform);
        viewport.SetSize(0, 0, 64, 64);
    }
};

void BM_ShadowFrame(benchmark::State &state)
{
    static ShadowScene scene;
    const bool shadows = state.range(0) != 0;
    for (auto _ : state) {
        SgGLRenderAction action(&scene.viewport);
        if (shadows)
            action.RenderShadowed(scene.view.get());
        else
            action.Apply(scene.view.get());
        glFinish();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(shadows ? "with shadows" : "without shadows");
}
BENCHMARK(BM_ShadowFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A whole viewer frame at 640 x 480, with and without shadows, on a scene
// read from a file the way the host reads it.
constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;

std::string SpheresSceneText()
{
    // 25 spheres of radius 0.8 on a 5 x 5 grid 2 units apart.
    std::ostringstream text;
    text << "#VRML V1.0 ascii\nSeparator {\n";
    for (int i = 0; i < 25; ++i)
        text << "Object { NodeName \"s" << i << "\" Transform { translation (" << 2 * (i % 5) - 4 << ","
             << 2 * (i / 5) - 4 << ",0) } Separator { Sphere { radius 0.8 complexity 100 } } }\n";
    text << "}\n";
    return text.str();
}

struct FrameScene {
    explicit FrameScene(const std::string &path)
    {
        SgNodara::Init();
        context = std::make_unique<OffscreenGLContext>(kFrameWidth, kFrameHeight);
        context->MakeCurrent();
        document = SgDocument::Create();
        document->SetTextureMngrFactory(&SgTextureManager::DocumentFactory);
        viewer = document->CreateDefaultViewer(nullptr, nullptr);
        viewer->SetSize(kFrameWidth, kFrameHeight);
        viewer->SetPassCount(1);
        SgSeparator *defaultView = viewer->GetViewport(0)->GetNodara();
        if (document->OpenFile(path.c_str(), true) != SgDocumentFiles::kReadDone)
            std::fprintf(stderr, "bench_periphery: %s not read\n", path.c_str());
        if (viewer->GetViewport(0)->GetNodara() == defaultView)
            viewer->GetViewport(0)->Focus(nullptr, 1.1);
        // The object moved in the moving runs: the first object of the scene.
        moved = FirstObject(document->GetRoot());
    }
    static SgObject *FirstObject(SgNode *node)
    {
        if (node->IsObject())
            return static_cast<SgObject *>(node);
        for (int i = 0; i < node->GetNumChildren(); ++i)
            if (SgObject *object = FirstObject(node->GetChild(i)))
                return object;
        return nullptr;
    }
    ~FrameScene()
    {
        delete viewer;
        SgDocument::Destroy(document);
    }

    double Frame(bool shadows)
    {
        context->MakeCurrent();
        viewer->SetShadowed(shadows);
        const auto start = std::chrono::steady_clock::now();
        viewer->Render(false);
        glFinish();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    void Move(int step)
    {
        if (moved)
            moved->GetTransform(true)->m_translation.Set(Vec3(0.01 * (step % 50), 0, 0));
    }

    std::unique_ptr<OffscreenGLContext> context;
    SgDocument *document = nullptr;
    SgViewer *viewer = nullptr;
    SgObject *moved = nullptr;
};

FrameScene &SampleFrameScene()
{
    static FrameScene scene(std::string(FENNIX_SOURCE_DIR) + "/tests/data/sample_scene.kvrx");
    return scene;
}

FrameScene &SpheresFrameScene()
{
    static FrameScene *scene = [] {
        const std::string path = "/tmp/bench_periphery_spheres.kvrx";
        std::ofstream(path) << SpheresSceneText();
        return new FrameScene(path);
    }();
    return *scene;
}

// Arg 0: 0 the sample scene, 1 the spheres; arg 1: 0 unchanged, 1 moving.
// Each iteration draws a plain frame and a shadow frame of the same scene.
void BM_ShadowFrameRatio(benchmark::State &state)
{
    FrameScene &scene = state.range(0) == 0 ? SampleFrameScene() : SpheresFrameScene();
    const bool moving = state.range(1) != 0;
    scene.Frame(false);
    scene.Frame(true);
    double plain = 0, shadowed = 0;
    int step = 0;
    long captures = 0;
    for (auto _ : state) {
        if (moving)
            scene.Move(++step);
        plain += scene.Frame(false);
        if (moving)
            scene.Move(++step);
        shadowed += scene.Frame(true);
        captures += scene.viewer->GetViewport(0)->GetShadowCache().LastCaptureCount();
    }
    const double n = double(state.iterations());
    state.counters["plain_ms"] = plain / n;
    state.counters["shadow_ms"] = shadowed / n;
    state.counters["captures"] = double(captures) / n;
    state.counters["ratio"] = shadowed / std::max(plain, 1e-9);
    state.SetLabel(std::string(state.range(0) == 0 ? "sample scene" : "25 spheres") +
                   (moving ? ", moving" : ", unchanged"));
}
BENCHMARK(BM_ShadowFrameRatio)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();

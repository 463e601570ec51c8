// The periphery's costs: particles stepped per second (10,000 live particles
// under three effects: gravity, wind and a deflector), skin points deformed
// per second (a 10,000-point skin on a chain of 8 bones), and a frame with
// stencil shadows against the same frame without them (64 x 64 offscreen,
// a cube over the shadow frame's backdrop), reported as frames per second.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <vector>

#include "engine/SgNodara.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
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
#include "engine/render/SgViewport.h"
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

} // namespace

BENCHMARK_MAIN();

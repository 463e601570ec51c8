// Offscreen frames of a scene of about 100,000 triangles at 640 x 480: the
// first frame of a scene never drawn before (its normals made, its display
// lists built if the renderer builds them then), later frames (display lists
// called) and frames drawn without display lists, reported as frames per
// second (items_per_second) and triangles per second; steady frames of a cube
// with a 1024 x 1024 texture with and without lists; steady frames of a
// 204,800-triangle height field (whole viewer frames, and the render action
// with and without lists); and the vertex normals
// of a 204,800-triangle mesh, in triangles per second.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/SgNodara.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/render/SgTextureManager.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/viewer/BmpUtils.h"
#include "engine/viewer/SgViewer.h"
#include "engine/render/SgViewport.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/geometry/SgNormalGenerator.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "platform/gl/OffscreenGLContext.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
// 10 x 10 patches of 25 x 20 quads: 100,000 triangles.
constexpr int kPatchesPerSide = 10;
constexpr int kQuadsX = 25;
constexpr int kQuadsY = 20;
constexpr int kTriangles = kPatchesPerSide * kPatchesPerSide * kQuadsX * kQuadsY * 2;

// One rippled patch of quads in its own object, so that it has a display list.
SgObject *Patch(int px, int py)
{
    auto *object = new SgObject(true, true);
    auto *material = new SgMaterial;
    const Color colour(0.2f + 0.08f * px, 0.3f, 0.2f + 0.08f * py, 1.0f);
    material->m_diffuseColor.SetVals(1, &colour);
    object->AddPropertyNode(material, false);

    std::vector<Vec3> points;
    for (int j = 0; j <= kQuadsY; ++j) {
        for (int i = 0; i <= kQuadsX; ++i) {
            const double x = px * 1.0 + i / static_cast<double>(kQuadsX);
            const double y = py * 1.0 + j / static_cast<double>(kQuadsY);
            points.emplace_back(x, y, 0.05 * ((i + j) % 3));
        }
    }
    auto *coordinates = new SgCoordinate3;
    coordinates->m_point.SetVals(static_cast<int>(points.size()), points.data());
    std::vector<int> index;
    for (int j = 0; j < kQuadsY; ++j) {
        for (int i = 0; i < kQuadsX; ++i) {
            const int a = j * (kQuadsX + 1) + i;
            const int b = a + kQuadsX + 1;
            index.insert(index.end(), {a, b, b + 1, a + 1, -1});
        }
    }
    auto *faces = new SgIndexedFaceSet;
    faces->m_coordIndex.SetVals(static_cast<int>(index.size()), index.data());
    object->AddChild(coordinates);
    object->AddChild(faces);
    return object;
}

// The document, its viewer and the context they draw into, made once.
struct Scene {
    Scene()
    {
        SgNodara::Init();
        context = std::make_unique<OffscreenGLContext>(kWidth, kHeight);
        context->MakeCurrent();
        document = SgDocument::Create();
        document->SetTextureMngrFactory(&SgTextureManager::DocumentFactory);
        viewer = document->CreateDefaultViewer(nullptr, nullptr);
        viewer->SetSize(kWidth, kHeight);
        for (int py = 0; py < kPatchesPerSide; ++py) {
            for (int px = 0; px < kPatchesPerSide; ++px) {
                SgObject *patch = Patch(px, py);
                patches.push_back(patch);
                document->GetRoot()->AddChild(patch);
            }
        }
        viewer->GetViewport(0)->Focus(nullptr, 1.0);
    }

    void Frame()
    {
        viewer->Render(false);
        glFinish();
    }

    // Replaces every patch by a new one: a scene no frame has drawn yet.
    void Renew()
    {
        SgSeparator *root = document->GetRoot();
        int i = 0;
        for (int py = 0; py < kPatchesPerSide; ++py) {
            for (int px = 0; px < kPatchesPerSide; ++px, ++i) {
                SgObject *fresh = Patch(px, py);
                root->AddChildBefore(fresh, patches[static_cast<size_t>(i)]);
                root->RemoveChild(patches[static_cast<size_t>(i)]);
                patches[static_cast<size_t>(i)] = fresh;
            }
        }
    }

    std::unique_ptr<OffscreenGLContext> context;
    SgDocument *document = nullptr;
    SgViewer *viewer = nullptr;
    std::vector<SgObject *> patches;
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

// Every frame draws a scene that was never drawn before: new nodes, no
// normals, no display lists.
void BM_RenderFirstFrame(benchmark::State &state)
{
    Scene &scene = TheScene();
    for (auto _ : state) {
        state.PauseTiming();
        scene.Renew();
        state.ResumeTiming();
        scene.Frame();
    }
    Report(state);
}
BENCHMARK(BM_RenderFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// One frame of the viewer's scene drawn by the render action alone, with or
// without display lists, so that the two steady-frame figures differ in the
// lists only (a viewer frame adds its own passes and the copy on swap).
void DrawDirect(SgViewer *viewer, bool lists)
{
    SgViewport *viewport = viewer->GetViewport(0);
    SgGLRenderAction render(viewport);
    render.m_pViewer = viewer;
    render.SetCacheDisabled(!lists);
    render.Apply(viewport->GetNodara());
    glFinish();
}

// Steady frames of a scene of its own viewer and context (the textured cube,
// the grid) with display lists, after two frames that make them, or without.
template <typename OwnScene>
void DirectFrames(benchmark::State &state, OwnScene &scene, bool lists)
{
    scene.context->MakeCurrent();
    if (lists) {
        scene.viewer->Render(false);
        scene.viewer->Render(false);
    }
    for (auto _ : state)
        DrawDirect(scene.viewer, lists);
    state.SetItemsProcessed(state.iterations());
}

// Frames that call the lists: a separator gets its list the second time it
// is drawn unchanged.
void BM_RenderCachedFrame(benchmark::State &state)
{
    Scene &scene = TheScene();
    scene.Frame();
    scene.Frame();
    for (auto _ : state)
        DrawDirect(scene.viewer, true);
    Report(state);
}
BENCHMARK(BM_RenderCachedFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same frame drawn without display lists.
void BM_RenderUncachedFrame(benchmark::State &state)
{
    Scene &scene = TheScene();
    for (auto _ : state)
        DrawDirect(scene.viewer, false);
    Report(state);
}
BENCHMARK(BM_RenderUncachedFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// A cube with a 1024 x 1024 texture filling much of the view, in a viewer
// of its own.
struct TexturedScene {
    TexturedScene()
    {
        SgNodara::Init();
        context = std::make_unique<OffscreenGLContext>(kWidth, kHeight);
        context->MakeCurrent();
        file = (std::filesystem::temp_directory_path() / "bench_render_texture.bmp").string();
        BmpImage image;
        image.header.width = 1024;
        image.header.height = 1024;
        image.header.sizeImage = 1024 * 1024 * 3;
        image.pixels.resize(image.header.sizeImage);
        for (size_t i = 0; i < image.pixels.size(); ++i)
            image.pixels[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 10));
        std::ofstream out(file, std::ios::binary);
        BmpUtils::WriteBmp(image, out);
        out.close();
        document = SgDocument::Create();
        document->SetTextureMngrFactory(&SgTextureManager::DocumentFactory);
        viewer = document->CreateDefaultViewer(nullptr, nullptr);
        viewer->SetSize(kWidth, kHeight);
        auto *object = new SgObject(true, true);
        object->AddTexture2D(file.c_str(), true);
        object->AddChild(new SgCube);
        document->GetRoot()->AddChild(object);
        viewer->GetViewport(0)->Focus(nullptr, 1.0);
    }
    ~TexturedScene() { std::filesystem::remove(file); }

    std::unique_ptr<OffscreenGLContext> context;
    std::string file;
    SgDocument *document = nullptr;
    SgViewer *viewer = nullptr;
};

TexturedScene &TheTexturedScene()
{
    static TexturedScene scene;
    return scene;
}

// Steady frames of the textured cube with display lists, and without.
void BM_TexturedCubeCachedFrame(benchmark::State &state) { DirectFrames(state, TheTexturedScene(), true); }
BENCHMARK(BM_TexturedCubeCachedFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TexturedCubeUncachedFrame(benchmark::State &state) { DirectFrames(state, TheTexturedScene(), false); }
BENCHMARK(BM_TexturedCubeUncachedFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// A height field of 321 x 321 points, two triangles a cell (204,800), in one
// object: the scene of the whole-process picture row beside the peer.
struct GridScene {
    static constexpr int kSide = 321;

    GridScene()
    {
        SgNodara::Init();
        context = std::make_unique<OffscreenGLContext>(kWidth, kHeight);
        context->MakeCurrent();
        document = SgDocument::Create();
        document->SetTextureMngrFactory(&SgTextureManager::DocumentFactory);
        viewer = document->CreateDefaultViewer(nullptr, nullptr);
        viewer->SetSize(kWidth, kHeight);
        auto *object = new SgObject(true, true);
        auto *material = new SgMaterial;
        const Color colour(0.8f, 0.6f, 0.3f, 1.0f);
        material->m_diffuseColor.SetVals(1, &colour);
        object->AddPropertyNode(material, false);
        std::vector<Vec3> points;
        for (int j = 0; j < kSide; ++j) {
            for (int i = 0; i < kSide; ++i) {
                points.emplace_back((i - kSide / 2.0) * 0.01, (j - kSide / 2.0) * 0.01,
                                    0.05 * ((i * 7919 + j * 104729) % 1000) / 1000.0);
            }
        }
        auto *coordinates = new SgCoordinate3;
        coordinates->m_point.SetVals(static_cast<int>(points.size()), points.data());
        std::vector<int> index;
        for (int j = 0; j + 1 < kSide; ++j) {
            for (int i = 0; i + 1 < kSide; ++i) {
                const int a = j * kSide + i;
                index.insert(index.end(), {a, a + 1, a + kSide + 1, -1, a, a + kSide + 1, a + kSide, -1});
            }
        }
        auto *faces = new SgIndexedFaceSet;
        faces->m_coordIndex.SetVals(static_cast<int>(index.size()), index.data());
        object->AddChild(coordinates);
        object->AddChild(faces);
        document->GetRoot()->AddChild(object);
        viewer->GetViewport(0)->Focus(nullptr, 1.0);
    }

    std::unique_ptr<OffscreenGLContext> context;
    SgDocument *document = nullptr;
    SgViewer *viewer = nullptr;
};

GridScene &TheGridScene()
{
    static GridScene scene;
    return scene;
}

// Steady whole frames of the viewer (its passes and the copy on swap), as a
// window redraws an unchanged scene.
void BM_GridSteadyFrame(benchmark::State &state)
{
    GridScene &scene = TheGridScene();
    scene.context->MakeCurrent();
    scene.viewer->Render(false);
    scene.viewer->Render(false);
    for (auto _ : state) {
        scene.viewer->Render(false);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GridSteadyFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GridCachedFrame(benchmark::State &state) { DirectFrames(state, TheGridScene(), true); }
BENCHMARK(BM_GridCachedFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GridUncachedFrame(benchmark::State &state) { DirectFrames(state, TheGridScene(), false); }
BENCHMARK(BM_GridUncachedFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// Vertex normals of a closed mesh of 204,800 triangles (a sphere of 320
// sides and 320 rings), from a new generator each time, as a first frame
// makes them.
void BM_VertexNormals(benchmark::State &state)
{
    constexpr int kSides = 320;
    constexpr int kRings = 320;
    std::vector<Vec3> points;
    for (int r = 0; r <= kRings; ++r) {
        const double phi = 3.141592653589793 * r / kRings;
        for (int s = 0; s < kSides; ++s) {
            const double theta = 2.0 * 3.141592653589793 * s / kSides;
            points.emplace_back(std::sin(phi) * std::cos(theta), std::sin(phi) * std::sin(theta), std::cos(phi));
        }
    }
    std::vector<int> index;
    for (int r = 0; r < kRings; ++r) {
        for (int s = 0; s < kSides; ++s) {
            const int a = r * kSides + s;
            const int b = r * kSides + (s + 1) % kSides;
            const int c = a + kSides;
            const int d = b + kSides;
            index.insert(index.end(), {a, c, d, -1, a, d, b, -1});
        }
    }
    const int triangles = 2 * kSides * kRings;
    for (auto _ : state) {
        SgNormalGenerator generator(30.0);
        generator.SetInput(static_cast<int>(index.size()), index.data(), static_cast<int>(points.size()),
                           points.data());
        generator.GenerateVertexNormals();
        benchmark::DoNotOptimize(generator.GetVertexNormal(0));
    }
    state.counters["triangles_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * triangles, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VertexNormals)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

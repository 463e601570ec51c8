#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/nodes/object/SgObject.h"
#include "engine/render/SgGLNameTable.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgLayers.h"
#include "engine/viewer/BmpUtils.h"
#include "platform/SgDiagHandler.h"
#include "platform/SgError.h"
#include "tests/engine/render/RenderFrameFixture.h"

using rendertest::Near;
using rendertest::Pixel;
using rendertest::RenderFrameFixture;

namespace {

constexpr Pixel kRed{255, 0, 0};
constexpr Pixel kGreen{0, 255, 0};
constexpr Pixel kBlue = rendertest::kBackground;

// The selection records of the last pass: names of each hit, top first.
std::vector<std::vector<unsigned>> Records(const SgGLRenderAction &action)
{
    std::vector<std::vector<unsigned>> records;
    const unsigned *buffer = SgGLRenderAction::GetSelectBuffer();
    int at = 0;
    for (int hit = 0; hit < action.GetHitCount(); ++hit) {
        const unsigned names = buffer[at];
        records.emplace_back(buffer + at + 3, buffer + at + 3 + names);
        at += 3 + static_cast<int>(names);
    }
    return records;
}

SgFaceSet *Square(double half, double z = 1.5)
{
    auto *faces = new SgFaceSet;
    const Vec3 points[4] = {{-half, -half, z}, {-half, half, z}, {half, half, z}, {half, -half, z}};
    faces->m_vertices.SetVals(4, points);
    faces->InsertFace(0, 1, 2, 3, 0);
    return faces;
}

class RenderActionTest : public RenderFrameFixture {};

TEST_F(RenderActionTest, DrawsAColouredCubeOnTheBackground)
{
    m_scene->AddChild(ColouredCube(Color(1, 0, 0)));
    ASSERT_TRUE(Render());
    EXPECT_TRUE(Near(Centre(), kRed)) << "the cube's colour at the centre";
    for (const auto &corner : {std::pair{0, 0}, std::pair{kSize - 1, 0}, std::pair{0, kSize - 1}})
        EXPECT_TRUE(Near(At(corner.first, corner.second), kBlue)) << "background at a corner";
}

TEST_F(RenderActionTest, HiddenObjectsAndObjectsOnHiddenLayersAreNotDrawn)
{
    struct Case {
        const char *name;
        int hide;
        int layer;
        std::vector<int> layerFlags;
        bool drawn;
    };
    const Case cases[] = {
        {"visible", 0, 1, {0, 0}, true},
        {"hide set", 1, 1, {0, 0}, false},
        {"layer hidden", 0, 1, {0, SgLayers::kHidden}, false},
        {"other layer hidden", 0, 0, {0, SgLayers::kHidden}, true},
        {"layer past the table counts as layer 0", 0, 7, {SgLayers::kHidden, 0}, false},
        {"expanded flag does not hide", 0, 1, {0, SgLayers::kExpanded}, true},
    };
    for (const Case &c : cases) {
        SgRef<SgSeparator> scene = new SgSeparator;
        auto *layers = new SgLayers; // layer 0 exists already
        for (size_t i = 1; i < c.layerFlags.size(); ++i)
            layers->AddLayer("L" + std::to_string(i));
        for (size_t i = 0; i < c.layerFlags.size(); ++i)
            layers->SetLayerFlags(static_cast<int>(i), c.layerFlags[i]);
        scene->AddChild(layers);
        auto *object = new SgObject;
        object->AddChild(ColouredCube(Color(1, 0, 0)));
        object->m_hide.Set(c.hide);
        object->m_layer.Set(c.layer);
        scene->AddChild(object);
        m_view->ReplaceChild(m_scene.get(), scene.get());
        m_scene = scene;
        ASSERT_TRUE(Render()) << c.name;
        EXPECT_TRUE(Near(Centre(), c.drawn ? kRed : kBlue)) << c.name;
    }
}

TEST_F(RenderActionTest, TranslucentShapesAreBlendedInTheSecondPassOnly)
{
    // One face: a cube would blend its front and back faces over each other.
    auto *translucent = new SgSeparator;
    auto *material = new SgMaterial;
    const Color halfGreen(0, 1, 0, 0.5);
    material->m_diffuseColor.SetVals(1, &halfGreen);
    translucent->AddChild(material);
    translucent->AddChild(Square(1.0));
    m_scene->AddChild(translucent);
    SgGLRenderAction withSecondPass(&m_viewport);
    ASSERT_TRUE(Render(withSecondPass));
    EXPECT_TRUE(Near(Centre(), Pixel{0, 128, 128}, 8)) << "half green over blue";

    SgGLRenderAction opaqueOnly(&m_viewport);
    opaqueOnly.m_bSecondPass = false;
    ASSERT_TRUE(Render(opaqueOnly));
    EXPECT_TRUE(Near(Centre(), kBlue)) << "a translucent shape is not drawn in the opaque pass";
}

TEST_F(RenderActionTest, ABrokenShapeIsSkippedAndTheFrameGoesOn)
{
    // A face that names a point the face set does not have.
    SgFaceSet *badIndex = Square(0.5);
    const int outside = 99;
    badIndex->m_indexes.SetValue(2, outside);
    // Faces without the sizes that say where they lie.
    SgFaceSet *noSizes = Square(0.5);
    noSizes->m_sizes.SetVals(0, nullptr);
    auto *empty = new SgFaceSet;
    for (SgNode *node : {static_cast<SgNode *>(badIndex), static_cast<SgNode *>(noSizes),
                         static_cast<SgNode *>(empty)})
        m_scene->AddChild(node);
    m_scene->AddChild(ColouredCube(Color(1, 0, 0)));
    EXPECT_TRUE(Render()) << "the frame is not ended by the broken shapes";
    EXPECT_TRUE(Near(Centre(), kRed)) << "the cube after them is drawn";
}

TEST_F(RenderActionTest, ABrokenShapeReportsOneLineWhateverTheFramesDrawn)
{
    SgFaceSet *noSizes = Square(0.5);
    noSizes->SetName("broken");
    noSizes->m_sizes.SetVals(0, nullptr);
    m_scene->AddChild(noSizes);
    m_scene->AddChild(ColouredCube(Color(1, 0, 0)));

    SgDiagCapture capture;
    ASSERT_TRUE(Render());
    ASSERT_TRUE(Render());
    const std::vector<SgDiagnostic> reported = capture.GetDiagnostics();
    ASSERT_EQ(reported.size(), 1u) << capture.GetText();
    EXPECT_EQ(reported[0].package, "GLRenderAction");
    EXPECT_EQ(reported[0].level, SgDiagLevel::Warning);
    EXPECT_EQ(reported[0].text, "SgFaceSet broken not drawn: its faces have no sizes, indexes or surface ids");
    EXPECT_TRUE(Near(Centre(), kRed)) << "the cube after it is drawn";
}

TEST_F(RenderActionTest, ABrokenShapeMadeWhereAReportedOneWasFreedIsReportedToo)
{
    // Each kind of fault is remembered per node so that it is said once; a
    // new node is a new shape even at a freed node's address.
    struct Case {
        const char *name;
        std::function<void(SgFaceSet *)> breakIt;
        const char *message;
    };
    const Case cases[] = {
        {"faces without sizes", [](SgFaceSet *faces) { faces->m_sizes.SetVals(0, nullptr); },
         "SgFaceSet broken not drawn: its faces have no sizes, indexes or surface ids"},
        {"a face naming a point it lacks", [](SgFaceSet *faces) { faces->m_indexes.SetValue(2, 99); },
         "SgFaceSet broken: faces that cannot be drawn are left out"},
    };
    for (const Case &c : cases) {
        SgDiagCapture capture;
        const SgFaceSet *freed = nullptr;
        bool sameAddress = false;
        for (int round = 0; round < 2; ++round) {
            SgFaceSet *broken = Square(0.5);
            sameAddress = broken == freed;
            broken->SetName("broken");
            c.breakIt(broken);
            m_scene->AddChild(broken);
            ASSERT_TRUE(Render()) << c.name;
            m_scene->DeleteChild(broken);
            freed = broken;
        }
        // Other layers may say what they leave out too; this one's line is
        // counted.
        const std::vector<SgDiagnostic> reported = capture.GetDiagnostics();
        const auto said = std::count_if(reported.begin(), reported.end(),
                                        [&c](const SgDiagnostic &line) { return line.text == c.message; });
        EXPECT_EQ(said, 2) << c.name << (sameAddress ? " (the second shape took the first one's place)" : "")
                           << ":\n" << capture.GetText();
    }
}

TEST_F(RenderActionTest, AnUpdateRegionLimitsTheFrameToItsRectangle)
{
    struct Case {
        const char *name;
        int x, y, width, height;
        Pixel left, right;
    };
    const Case cases[] = {
        {"left half", 0, 0, kSize / 2, kSize, kBlue, kRed},
        {"right edge left of the left one: no scissor", 40, 0, -20, kSize, kBlue, kBlue},
    };
    SgBackground *background = m_viewport.GetBackground();
    for (const Case &c : cases) {
        background->m_color1.Set(Color(1, 0, 0));
        ASSERT_TRUE(Render());
        background->m_color1.Set(Color(0, 0, 1));
        SgGLRenderAction region(&m_viewport);
        region.SetUpdateRegion(c.x, c.y, c.width, c.height);
        ASSERT_TRUE(Render(region));
        EXPECT_TRUE(Near(At(8, kSize / 2), c.left)) << c.name;
        EXPECT_TRUE(Near(At(kSize - 8, kSize / 2), c.right)) << c.name;
        EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST)) << "the frame leaves no scissor test behind";
    }
}

TEST_F(RenderActionTest, JitterTablesFollowTheSampleCount)
{
    struct Case {
        int samples, pass;
        double x, y;
    };
    const Case cases[] = {
        {1, 0, 0.5, 0.5}, {2, 0, 0.25, 0.75}, {2, 1, 0.75, 0.25}, {4, 0, 0.375, 0.2}, {4, 3, 0.625, 0.7},
    };
    for (const Case &c : cases) {
        const Vec2 offset = SgGLRenderAction::JitterOffset(c.samples, c.pass);
        EXPECT_DOUBLE_EQ(offset.x, c.x) << c.samples << " samples, pass " << c.pass;
        EXPECT_DOUBLE_EQ(offset.y, c.y) << c.samples << " samples, pass " << c.pass;
    }
    for (int pass = 0; pass < 7; ++pass) {
        const Vec2 seven = SgGLRenderAction::JitterOffset(7, pass);
        const Vec2 sixteen = SgGLRenderAction::JitterOffset(16, pass);
        EXPECT_EQ(seven.x, sixteen.x) << "7 samples take the 16-sample table, pass " << pass;
        EXPECT_EQ(seven.y, sixteen.y) << "7 samples take the 16-sample table, pass " << pass;
    }
}

TEST_F(RenderActionTest, AccumulatedFramesBlendAlongEdges)
{
    m_scene->AddChild(ColouredCube(Color(1, 0, 0)));
    // Counts the pixels of the middle row that are neither cube nor background.
    auto mixedPixels = [&](bool front) {
        int mixed = 0;
        for (int x = 0; x < kSize; ++x) {
            const Pixel p = front ? FrontAt(x, kSize / 2 + 3) : At(x, kSize / 2 + 3);
            if (p[0] > 20 && p[0] < 235 && p[2] > 20 && p[2] < 235)
                ++mixed;
        }
        return mixed;
    };
    ASSERT_TRUE(Render());
    EXPECT_EQ(mixedPixels(false), 0) << "a single frame has hard edges";

    const int passes = 8;
    for (int pass = 0; pass < passes; ++pass) {
        SgGLRenderAction action(&m_viewport);
        action.m_nPasses = passes;
        ASSERT_TRUE(action.RenderAntiAliased(m_view.get(), pass == passes - 1, pass));
    }
    EXPECT_GE(mixedPixels(true), 2) << "both edges of the cube blend with the background in the shown image";
    EXPECT_TRUE(Near(Centre(), kRed)) << "the inside keeps its colour";
}

TEST_F(RenderActionTest, TheDrawOverPassDrawsMarkedShapesOverEverything)
{
    auto *front = ColouredCube(Color(0, 1, 0), 3.0);
    auto *marked = new SgSeparator;
    auto *billboard = new SgBillboard;
    billboard->m_displayMode.Set(1);
    marked->AddChild(billboard);
    marked->AddChild(ColouredCube(Color(1, 0, 0), 1.0));
    m_scene->AddChild(front);
    m_scene->AddChild(marked);
    SgGLRenderAction action(&m_viewport);
    ASSERT_TRUE(Render(action));
    EXPECT_TRUE(Near(Centre(), kGreen)) << "the small cube is inside the big one";
    ASSERT_TRUE(action.DepthOverlayPass(m_view.get()));
    EXPECT_TRUE(Near(Centre(), kRed)) << "the marked cube is drawn over it";
    EXPECT_TRUE(Near(At(kSize / 2 + 12, kSize / 2), kGreen)) << "unmarked shapes are not drawn again";
}

TEST_F(RenderActionTest, FramesWithoutRoomDrawNothingAndDoNotFail)
{
    m_scene->AddChild(ColouredCube(Color(1, 0, 0)));
    m_viewport.SetSize(0, 0, kSize, 0);
    EXPECT_TRUE(Render());
    SgGLRenderAction accumulated(&m_viewport);
    EXPECT_TRUE(accumulated.RenderAntiAliased(m_view.get(), true, 0));
    SgGLRenderAction region(&m_viewport);
    region.SetUpdateRegion(0, 0, 10, 10);
    region.m_bNarrowProjection = true;
    EXPECT_TRUE(Render(region));
}

TEST_F(RenderActionTest, AViewerlessActionWithoutViewportIsRefused)
{
    SgGLRenderAction action(nullptr);
    EXPECT_THROW(action.Apply(m_view.get()), SgInvalidArgument);
}

// A background image of one colour whose zoom the frame chooses: each
// viewport keeps the zoom of its own last frame for a background of style 0,
// so a viewer that stretched its background does not stretch another's.
TEST_F(RenderActionTest, BackgroundZoomBelongsToItsViewport)
{
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "fennix_render_bg_zoom.bmp";
    BmpImage image;
    image.header.width = 16;
    image.header.height = 8;
    for (int i = 0; i < 16 * 8; ++i)
        image.pixels.insert(image.pixels.end(), {0, 200, 0, 255});
    {
        std::ofstream out(file, std::ios::binary);
        BmpUtils::WriteBmp(image, out);
    }
    SgBackground *background = m_viewport.GetBackground();
    background->m_imageFile.Set(file.string());
    background->m_style.Set(2); // stretched over the window
    ASSERT_TRUE(Render());
    EXPECT_FLOAT_EQ(m_viewport.GetBGZoomX(), kSize / 16.0f);
    EXPECT_FLOAT_EQ(m_viewport.GetBGZoomY(), kSize / 8.0f);

    SgViewport other;
    other.SetNodara(m_view.get());
    other.SetCamera(m_camera);
    other.SetBackground(background);
    other.SetCameraTransform(m_viewport.GetCameraTransform());
    other.SetSize(0, 0, kSize, kSize);
    background->m_style.Set(0); // keeps the viewport's previous zoom
    SgGLRenderAction action(&other);
    ASSERT_TRUE(Render(action));
    EXPECT_FLOAT_EQ(other.GetBGZoomX(), 1.0f) << "a viewport's first frame draws its background unzoomed";
    EXPECT_FLOAT_EQ(other.GetBGZoomY(), 1.0f);
    EXPECT_FLOAT_EQ(m_viewport.GetBGZoomX(), kSize / 16.0f) << "the first viewport's zoom is its own";
    std::filesystem::remove(file);
}

class PickTest : public RenderFrameFixture {
protected:
    void Pick(SgGLRenderAction &action, int x, int y)
    {
        action.m_nPicking = 1;
        action.m_PickPoint = Vec2i(x, y);
        action.Apply(m_view.get());
    }
};

TEST_F(PickTest, APickNamesTheCubeAndItsFaceByHandles)
{
    SgSeparator *cubeSeparator = ColouredCube(Color(1, 0, 0));
    m_scene->AddChild(cubeSeparator);
    SgNode *cube = cubeSeparator->GetChild(1);
    // Once drawn directly, once through the display lists the frame compiled.
    for (const char *round : {"before any frame", "after a frame"}) {
        SgGLRenderAction action(&m_viewport);
        Pick(action, kSize / 2, kSize / 2);
        ASSERT_GE(action.GetHitCount(), 1) << round;
        EXPECT_FALSE(action.HasSelectOverflow());
        bool topFace = false;
        for (const std::vector<unsigned> &names : Records(action)) {
            for (size_t i = 0; i < names.size(); ++i) {
                if (SgGLNameTable::Lookup(names[i]) == cube && i + 1 < names.size() && names[i + 1] == 5)
                    topFace = true;
            }
            // Every name is a handle the table knows, or the cube's face.
            for (size_t i = 0; i + 1 < names.size(); ++i)
                EXPECT_NE(SgGLNameTable::Lookup(names[i]), nullptr) << round << ": name " << i << " is no handle";
        }
        EXPECT_TRUE(topFace) << round << ": a record names the cube with its +Z face (5)";
        ASSERT_TRUE(Render());
    }
    SgGLRenderAction corner(&m_viewport);
    Pick(corner, 2, 2);
    EXPECT_EQ(corner.GetHitCount(), 0) << "nothing at a corner";
}

TEST_F(PickTest, ASelectBufferOverflowCountsTheWholeRecordsOnly)
{
    // Two faces of each cube lie under the point: more records than fit.
    const int cubes = SgGLRenderAction::kSelectBufferSize / 8;
    SgSeparator *cubeSeparator = ColouredCube(Color(1, 0, 0));
    for (int i = 0; i < cubes; ++i)
        m_scene->AddChild(cubeSeparator->GetChild(1));
    SgRef<SgSeparator> keep(cubeSeparator);
    SgGLRenderAction action(&m_viewport);
    Pick(action, kSize / 2, kSize / 2);
    EXPECT_TRUE(action.HasSelectOverflow());
    ASSERT_GT(action.GetHitCount(), 0);
    int used = 0;
    for (const std::vector<unsigned> &names : Records(action))
        used += 3 + static_cast<int>(names.size());
    EXPECT_LE(used, SgGLRenderAction::kSelectBufferSize) << "the counted records lie inside the buffer";
}

} // namespace

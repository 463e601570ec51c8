// A document's scene drawn end to end through its viewer: the default view,
// layers, the transparent pass, textures, accumulation anti-aliasing,
// picking at a window point and BMP snapshots.
#include "tests/engine/viewer/ViewerFixture.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <set>
#include <sstream>
#include <fstream>
#include <string>

#include "engine/actions/PickedPointQuery.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgState.h"
#include "engine/render/SgRayPickAction.h"
#include "platform/SgError.h"
#include "engine/viewer/BmpUtils.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgClock.h"

namespace {

using namespace viewertest;

using ViewerTest = ViewerFixtureT<640, 480>;
using SmallViewerTest = ViewerFixtureT<64, 64>;

const Color kRed(1, 0, 0, 1);
const Color kBlue(0, 0, 1, 1);

std::uint32_t Le32(const std::string &bytes, size_t at)
{
    return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint8_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3])) << 24;
}

// A pixel of a 24-bit BMP held in memory (x, y from the bottom left).
Pixel BmpAt(const std::string &bmp, int x, int y)
{
    const int width = static_cast<int>(Le32(bmp, 18));
    const int stride = ((width * 24 + 31) / 32) * 4;
    const size_t at = Le32(bmp, 10) + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3;
    return {static_cast<std::uint8_t>(bmp[at + 2]), static_cast<std::uint8_t>(bmp[at + 1]),
            static_cast<std::uint8_t>(bmp[at])};
}

bool IsRed(const Pixel &p)
{
    return p[0] > 120 && p[1] < 60 && p[2] < 60;
}

TEST_F(ViewerTest, DrawsARedCubeOnTheDefaultBackground)
{
    AddCube(kRed);
    Render();
    EXPECT_TRUE(IsRed(Centre())) << "centre " << Centre();
    const Pixel background = BackgroundColour();
    for (const auto &[x, y] : {std::pair{0, 0}, {kWidth - 1, 0}, {0, kHeight - 1}, {kWidth - 1, kHeight - 1}})
        EXPECT_TRUE(Near(At(x, y), background)) << "corner " << x << ", " << y;
}

TEST_F(ViewerTest, SnapshotOfTheRedCubeIsA24BitBmpOfTheWindowSize)
{
    AddCube(kRed);
    std::ostringstream out;
    ASSERT_TRUE(BmpUtils::SaveBmp(m_viewer, kWidth, kHeight, out));
    const std::string bmp = out.str();
    ASSERT_EQ(bmp.size(), 921654u) << "640 x 480 x 3 bytes of pixels and the 54-byte headers";
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(Le32(bmp, 2), 921654u) << "file size field";
    EXPECT_EQ(Le32(bmp, 10), 54u) << "pixel offset";
    EXPECT_TRUE(IsRed(BmpAt(bmp, kWidth / 2, kHeight / 2))) << "centre " << BmpAt(bmp, kWidth / 2, kHeight / 2);
    EXPECT_TRUE(Near(BmpAt(bmp, 0, 0), BackgroundColour())) << "corner";
    EXPECT_TRUE(Near(BmpAt(bmp, kWidth - 1, kHeight - 1), BackgroundColour())) << "corner";
    EXPECT_EQ(m_viewer->GetWidth(), kWidth) << "the viewer keeps its own size after a snapshot";
    EXPECT_TRUE(GLContext::GetCurrent() == &m_context) << "the viewer's context is current again";
}

TEST_F(SmallViewerTest, SnapshotSizesPadRowsToFourBytes)
{
    struct Case {
        int width;
        int height;
        size_t bytes;
    };
    for (const Case &c : {Case{10, 10, 374}, Case{1, 1, 58}, Case{3, 2, 78}}) {
        std::ostringstream out;
        ASSERT_TRUE(BmpUtils::SaveBmp(m_viewer, c.width, c.height, out)) << c.width << " x " << c.height;
        EXPECT_EQ(out.str().size(), c.bytes) << c.width << " x " << c.height;
    }
}

TEST_F(SmallViewerTest, SnapshotRefusesSizesItCannotDraw)
{
    std::ostringstream out;
    EXPECT_FALSE(BmpUtils::SaveBmp(m_viewer, 0, 10, out));
    EXPECT_FALSE(BmpUtils::SaveBmp(m_viewer, 10, -1, out));
    EXPECT_FALSE(BmpUtils::SaveBmp(nullptr, 10, 10, out));
    EXPECT_TRUE(out.str().empty()) << "nothing is written for a refused snapshot";
}

TEST_F(SmallViewerTest, ObjectOnAHiddenLayerIsNotDrawn)
{
    Unlit();
    SgObject *cube = AddCube(kRed);
    const int layer = m_document->AddLayer(CLayer{0, "hidden"});
    cube->m_layer.Set(layer);
    Render();
    EXPECT_TRUE(IsRed(Centre())) << "a visible layer shows the cube: " << Centre();
    m_document->SetLayerFlags(layer, 1);
    Render();
    EXPECT_TRUE(Near(Centre(), BackgroundColour())) << "a hidden layer must leave the background";
}

TEST_F(SmallViewerTest, HalfTransparentMaterialBlendsOverWhatIsBehind)
{
    Unlit();
    SgObject *back = AddCube(kBlue, 2.0);
    back->GetTransform(true)->m_translation.Set(Vec3(0, 0, -2));
    AddCube(Color(1, 0, 0, 0.5f), 1.0);
    Render();
    const Pixel centre = Centre();
    EXPECT_NEAR(centre[0], 128, 12) << "half the red of the front cube: " << centre;
    EXPECT_NEAR(centre[2], 128, 12) << "half the blue behind it: " << centre;
}

TEST_F(SmallViewerTest, OpaqueCubeInFrontHidesTheTransparentPass)
{
    Unlit();
    AddCube(Color(0, 0, 1, 0.5f), 1.0)->GetTransform(true)->m_translation.Set(Vec3(0, 0, -2));
    AddCube(kRed, 1.0);
    Render();
    EXPECT_TRUE(Near(Centre(), Pixel{255, 0, 0})) << "the transparent cube lies behind";
}

// A 2 x 2 picture, one colour per texel, as a BMP file.
std::string WriteChecker(const std::filesystem::path &folder)
{
    BmpImage image;
    image.header.width = 2;
    image.header.height = 2;
    image.header.sizeImage = 16;
    // Bottom row first, blue-green-red bytes, rows padded to 8 bytes.
    const std::uint8_t rows[16] = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    image.pixels.assign(rows, rows + 16);
    const std::filesystem::path path = folder / "checker_2x2.bmp";
    std::ofstream out(path, std::ios::binary);
    BmpUtils::WriteBmp(image, out);
    return path.string();
}

TEST_F(SmallViewerTest, CheckerTextureShowsItsFourTexelsAtTheQuadrantCentres)
{
    Unlit();
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "fennix_viewer_texture";
    std::filesystem::create_directories(folder);
    const std::string file = WriteChecker(folder);
    // A face that fills the window: a cube 8 wide whose front lies 1 unit
    // before the camera's focus plane.
    SgObject *object = AddCube(Color(1, 1, 1, 1), 8.0);
    SgTexture2D *texture = object->AddTexture2D(file.c_str(), true);
    ASSERT_NE(texture, nullptr);
    texture->m_sample.Set(0);
    Render();

    const std::set<Pixel> texels{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    std::set<Pixel> seen;
    for (const auto &[x, y] : {std::pair{kWidth / 4, kHeight / 4}, {3 * kWidth / 4, kHeight / 4},
                               {kWidth / 4, 3 * kHeight / 4}, {3 * kWidth / 4, 3 * kHeight / 4}}) {
        const Pixel p = At(x, y);
        EXPECT_TRUE(texels.count(p)) << "quadrant at " << x << ", " << y << " shows " << p << ", no texel colour";
        seen.insert(p);
    }
    EXPECT_EQ(seen.size(), 4u) << "each quadrant shows its own texel";
    std::filesystem::remove_all(folder);
}

TEST_F(SmallViewerTest, AccumulatedFrameBlendsAlongAnEdge)
{
    Unlit();
    SgObject *cube = AddCube(kRed, 2.0);
    // A turned cube: its edges cross pixel rows at a slant.
    cube->GetTransform(true)->m_rotation.Set(Rotation(Vec3(0, 0, 1), 0.3));
    const Pixel background = BackgroundColour();
    auto intermediates = [&]() {
        int count = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const Pixel p = AtGL(x, y);
                const bool isBackground = Near(p, background, 8);
                const bool isCube = Near(p, Pixel{255, 0, 0}, 8);
                count += !isBackground && !isCube;
            }
        }
        return count;
    };
    Render();
    EXPECT_EQ(intermediates(), 0) << "a single pass draws only the two colours";
    m_viewer->PrintScene();
    EXPECT_GT(intermediates(), 10) << "the accumulated passes blend the edge pixels";
}

TEST_F(ViewerTest, PickAtTheCentreFindsTheCubesFrontFace)
{
    SgObject *object = AddCube(kRed);
    SgNode *cube = object->FindRealObject();
    Render();
    SgRayPickAction pick(Viewport());
    pick.SetWindowPoint(kWidth / 2, kHeight / 2);
    ASSERT_TRUE(pick.Apply(Viewport()->GetNodara()));
    EXPECT_FALSE(pick.HasSelectOverflow());
    PickedPointQuery all;
    SgPickedPoint hit = pick.GetNearestPoint1(&all);
    ASSERT_FALSE(hit.m_Path.IsEmpty()) << "nothing picked at the centre";
    EXPECT_EQ(hit.m_Path[0], Viewport()->GetNodara()) << "paths start at the view's root";
    EXPECT_GE(hit.m_Path.GetPosition(Root()), 0) << "the path runs through the document's root";
    EXPECT_GE(hit.m_Path.GetPosition(object), 0) << "the path runs through the object";
    EXPECT_TRUE(hit.m_Path.GetLastElement()->GetClassID() == SgCube::ClassID()) << "the path ends at the cube";
    (void)cube;
    EXPECT_NEAR(hit.m_Point[2], 1.0, 0.02) << "the point lies on the front face (z = 1)";
    EXPECT_NEAR(hit.m_Point[0], 0.0, 0.05);
    EXPECT_NEAR(hit.m_Point[1], 0.0, 0.05);
    EXPECT_GT(hit.m_dDistance, 0.0);
    EXPECT_LT(hit.m_dDistance, 1.0);
    const Vec3 normal = hit.GetNormal();
    EXPECT_NEAR(normal[2], 1.0, 1e-6) << "front face normal";
}

TEST_F(ViewerTest, PickBesideTheCubeFindsNothing)
{
    AddCube(kRed);
    Render();
    SgRayPickAction pick(Viewport());
    pick.SetWindowPoint(5, 5);
    ASSERT_TRUE(pick.Apply(Viewport()->GetNodara()));
    PickedPointQuery all;
    const SgPickedPoint hit = pick.GetNearestPoint1(&all);
    EXPECT_TRUE(hit.m_Path.IsEmpty());
    EXPECT_TRUE(hit.m_bPointSet);
}

TEST_F(SmallViewerTest, PickThroughMoreHitsThanTheSelectBufferHoldsKeepsWhatFits)
{
    // Thousands of cubes under the pick point: their records overflow the
    // selection buffer.
    auto *pile = new SgSeparator;
    for (int i = 0; i < 12000; ++i)
        pile->AddChild(new SgCube);
    Root()->AddChild(pile);
    Render();
    SgRayPickAction pick(Viewport());
    pick.SetWindowPoint(kWidth / 2, kHeight / 2);
    ASSERT_TRUE(pick.Apply(Viewport()->GetNodara()));
    EXPECT_TRUE(pick.HasSelectOverflow());
    EXPECT_GT(pick.GetHitRecordCount(), 0) << "the records that fit are kept, never a negative count";
    EXPECT_EQ(static_cast<int>(pick.m_Hits.size()), pick.GetHitRecordCount());
    PickedPointQuery all;
    SgPickedPoint hit = pick.GetNearestPoint1(&all);
    ASSERT_FALSE(hit.m_Path.IsEmpty());
    EXPECT_TRUE(hit.m_Path.GetLastElement()->GetClassID() == SgCube::ClassID());
}

TEST_F(SmallViewerTest, RefinementPassesEndInTheFinalFrame)
{
    Unlit();
    AddCube(kRed);
    Render();
    EXPECT_FALSE(m_viewer->HasFinalFrame());
    for (int pass = 1; pass < m_viewer->GetPassCount(); ++pass) {
        m_viewer->Render(true);
        EXPECT_EQ(m_viewer->GetCurrentPass(), pass);
        EXPECT_FALSE(m_viewer->HasFinalFrame()) << "pass " << pass;
    }
    m_viewer->Render(true);
    EXPECT_EQ(m_viewer->GetCurrentPass(), 0);
    EXPECT_TRUE(m_viewer->HasFinalFrame()) << "after the last pass the back image holds the final frame";
    EXPECT_TRUE(IsRed(Centre())) << Centre();
}

// In shadow mode the viewer draws the shadow frame: the floor under the
// scene takes the place of the background, and the cube stays lit.
TEST_F(SmallViewerTest, ShadowModeDrawsTheShadowFrame)
{
    AddCube(kRed);
    m_viewer->SetShadowed(true);
    Render();
    const Pixel background = BackgroundColour();
    const Pixel corner = At(1, kHeight - 2);
    EXPECT_FALSE(Near(corner, background, 20)) << "the floor, not the background: " << corner;
    EXPECT_GT(corner[0] + corner[1] + corner[2], 300) << "lit floor " << corner;
    EXPECT_TRUE(IsRed(Centre())) << "the cube keeps its light: " << Centre();
    m_viewer->SetShadowed(false);
    Render();
    EXPECT_TRUE(Near(At(1, kHeight - 2), background)) << "back to the plain frame";
}

TEST_F(SmallViewerTest, ViewerWithoutHeightDrawsWithoutFailing)
{
    AddCube(kRed);
    m_viewer->SetSize(kWidth, 0);
    Render();
    m_viewer->PrintScene();
    Viewport()->UpdateModelProjViewMatrix();
    double projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    for (double value : projection)
        EXPECT_TRUE(std::isfinite(value)) << "a window without height must not divide by zero";
    m_viewer->SetSize(kWidth, kHeight);
    Render();
    EXPECT_TRUE(IsRed(Centre())) << "drawing goes on at a proper size: " << Centre();
}

TEST_F(SmallViewerTest, EveryStatisticsListenerHearsEachFrameWhileItsTokenIsKept)
{
    constexpr unsigned kPaint = 0x000F;
    int first = 0;
    int second = 0;
    SgSubscription firstToken =
        m_viewer->SubscribeStatistics([&first](int, const SgViewer::Statistics *, std::int64_t) { ++first; });
    const SgSubscription secondToken =
        m_viewer->SubscribeStatistics([&second](int, const SgViewer::Statistics *, std::int64_t) { ++second; });
    EXPECT_EQ(m_viewer->GetStatisticsListenerCount(), 2);
    EXPECT_FALSE(m_viewer->SubscribeStatistics(nullptr).IsActive()) << "no listener, no subscription";
    m_viewer->HandleMessage(kPaint, 0, 0);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1) << "a second listener takes nothing from the first";
    firstToken.Reset();
    m_viewer->HandleMessage(kPaint, 0, 0);
    EXPECT_EQ(first, 1) << "a listener whose token went hears no more";
    EXPECT_EQ(second, 2);
    EXPECT_EQ(m_viewer->GetStatisticsListenerCount(), 1);
}

TEST_F(SmallViewerTest, PaintStatisticsMarkEveryHundredFrames)
{
    SgVirtualClock clock(0, 1000);
    SgClock *previous = SetClock(&clock);
    // Every frame takes 10 ms of the virtual clock.
    const SgSubscription frames = m_viewer->SubscribeStatistics(
        [&clock](int, const SgViewer::Statistics *, std::int64_t) { clock.Advance(10); });
    constexpr unsigned kPaint = 0x000F;
    for (int frame = 1; frame <= 200; ++frame)
        m_viewer->HandleMessage(kPaint, 0, 0);
    EXPECT_EQ(m_viewer->GetStatistics().last100Duration, 1000) << "100 frames of 10 ms between the marks";
    EXPECT_EQ(m_viewer->GetStatistics().mark200, m_viewer->GetStatistics().mark100);
    for (int frame = 201; frame <= 1000; ++frame)
        m_viewer->HandleMessage(kPaint, 0, 0);
    EXPECT_EQ(m_viewer->GetFrameCount(), 0) << "the 1000th frame restarts the count";
    EXPECT_EQ(m_viewer->GetStatistics().mark1000, m_viewer->GetStatistics().mark100);
    SetClock(previous);
}

TEST_F(ViewerTest, FocusFramesTheWholeScene)
{
    Unlit();
    SgObject *far = AddCube(kRed, 2.0);
    far->GetTransform(true)->m_translation.Set(Vec3(20, 0, 0));
    Render();
    EXPECT_TRUE(Near(Centre(), BackgroundColour())) << "the cube starts out of view";
    Viewport()->Focus(nullptr, 1.0);
    Render();
    EXPECT_TRUE(IsRed(Centre())) << "after framing the cube fills the centre: " << Centre();
}

// Focus on a selected object brings it into the picture (the camera moves,
// the scene stays where it is), and the scene then turns about that object.
TEST_F(ViewerTest, FocusOnPathsShowsTheObjectAndTurnsTheSceneAboutIt)
{
    Unlit();
    SgObject *far = AddCube(kRed, 2.0);
    far->GetTransform(true)->m_translation.Set(Vec3(20, 4, 0));
    SgTransform *graph = Viewport()->GetGraphTransform2();
    ASSERT_NE(graph, nullptr) << "the default view has a second scene transform";
    const Vec3 graphTranslation = graph->m_translation.Get(true);
    SgPathList paths;
    SgPath path;
    path.Append(Root());
    path.Append(far);
    paths.Add(path);
    Render();
    EXPECT_TRUE(Near(Centre(), BackgroundColour())) << "the cube starts out of view";
    Viewport()->Focus(&paths, 1.0);
    Render();
    EXPECT_TRUE(IsRed(Centre())) << "the focused cube fills the centre: " << Centre();
    const Vec3 &moved = graph->m_translation.Get(true);
    EXPECT_EQ(moved.x, graphTranslation.x) << "the scene itself is not moved";
    EXPECT_EQ(moved.y, graphTranslation.y);
    const Vec3 &r = Viewport()->GetRotationCenter();
    EXPECT_NEAR(r.x, 20, 1e-4);
    EXPECT_NEAR(r.y, 4, 1e-4);
    EXPECT_NEAR(r.z, 0, 1e-4);
    // A spin about the vertical axis through the cube keeps it in the centre.
    Viewport()->RotateScene(0.3, 0.0, false);
    Render();
    EXPECT_TRUE(IsRed(Centre())) << "after a turn about the focused cube: " << Centre();
}

// A scene a hundred times smaller than a unit, framed, is drawn: the view's
// near plane comes close enough.
TEST_F(SmallViewerTest, FramedTinySceneIsDrawn)
{
    Unlit();
    SgObject *tiny = AddCube(kRed, 0.02);
    (void)tiny;
    Viewport()->Focus(nullptr, 1.0);
    Render();
    EXPECT_TRUE(IsRed(Centre())) << Centre();
}

// A group that fails whenever it is traversed.
class FailingGroup : public SgGroup {
    SG_CLASS_HEADER(FailingGroup, SgFieldMngr)
    void DoAction(SgAction *) override { throw SgError("this group cannot be drawn"); }

protected:
    ~FailingGroup() override = default;
};
SG_CLASS_SOURCE(FailingGroup, SgGroup, SgFieldMngr, "FailingGroup")

TEST_F(SmallViewerTest, SnapshotOfAFrameThatFailedReportsFailure)
{
    FailingGroup::InitClass();
    // Registered after the actions' tables were built: the groups' visitors
    // take it in.
    SgAction::ReBuildVisitorsMaps();
    AddCube(kRed);
    Root()->AddChild(new FailingGroup);
    std::ostringstream out;
    testing::internal::CaptureStderr();
    const bool written = BmpUtils::SaveBmp(m_viewer, kWidth, kHeight, out);
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(written) << "a frame that could not be drawn is no snapshot";
}

TEST_F(SmallViewerTest, SnapshotOfASceneTraversalCannotHoldFailsAndSaysWhy)
{
    AddCube(kRed);
    // Deeper than any traversal state goes.
    SgRef<SgSeparator> top = new SgSeparator;
    SgSeparator *innermost = top.get();
    for (int i = 0; i < SgState::kMaxFrames; ++i) {
        auto *next = new SgSeparator;
        innermost->AddChild(next);
        innermost = next;
    }
    Root()->AddChild(top.get());
    std::ostringstream out;
    EXPECT_FALSE(BmpUtils::SaveBmp(m_viewer, kWidth, kHeight, out)) << "half a picture reported as drawn";
    EXPECT_TRUE(out.str().empty()) << "a failed snapshot wrote a file";
    EXPECT_NE(m_viewer->GetPrintError().find("stack storage"), std::string::npos) << m_viewer->GetPrintError();

    Root()->DeleteChild(top.get());
    std::ostringstream again;
    EXPECT_TRUE(BmpUtils::SaveBmp(m_viewer, kWidth, kHeight, again)) << m_viewer->GetPrintError();
    EXPECT_TRUE(m_viewer->GetPrintError().empty());
}

} // namespace

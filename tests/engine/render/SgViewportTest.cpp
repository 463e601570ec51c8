// The viewport's view: framing, projected boxes, background images; the
// billboard placement that runs before each frame; the dirty rectangle of
// the scene manager.
#include "tests/engine/viewer/ViewerFixture.h"

#include <GL/gl.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "engine/core/SgPath.h"
#include "engine/core/SgPathList.h"
#include "engine/actions/SgScanAction.h"
#include "engine/actions/SgScanCache.h"
#include "engine/viewer/BmpUtils.h"
#include "engine/viewer/SgSceneManager.h"
#include "engine/render/SgWinAlignedRenderAction.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgInfo.h"
#include "engine/nodes/properties/SgTransform.h"

namespace {

using namespace viewertest;

using ViewportTest = ViewerFixtureT<64, 64>;

TEST_F(ViewportTest, FocusOnAUnitCubeMovesTheCameraToFrameIt)
{
    AddCube(Color(1, 0, 0, 1), 1.0);
    Viewport()->Focus(nullptr, 1.0);
    const double halfAngle = Viewport()->GetCamera()->m_heightAngle.Get(true) * std::numbers::pi / 360.0;
    const Vec3 camera = Viewport()->GetCameraTransform()->m_translation.Get(true);
    // The front face (z = 0.5) ends up 0.5 / tan(half angle) before the camera.
    EXPECT_NEAR(camera[2] - 0.5, 0.5 / std::tan(halfAngle), 1e-4);
    EXPECT_NEAR(camera[0], 0.0, 1e-6);
    EXPECT_NEAR(camera[1], 0.0, 1e-6);
}

TEST_F(ViewportTest, FocusOnAnEmptySceneChangesNothing)
{
    const Vec3 before = Viewport()->GetCameraTransform()->m_translation.Get(true);
    Viewport()->Focus(nullptr, 1.0);
    const Vec3 after = Viewport()->GetCameraTransform()->m_translation.Get(true);
    EXPECT_EQ(before[2], after[2]);
}

TEST_F(ViewportTest, ProjectingABoxLeavesTheCallersMatrices)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScaled(2, 2, 2);
    glMatrixMode(GL_TEXTURE);
    double before[16];
    glGetDoublev(GL_PROJECTION_MATRIX, before);
    const Range<Vec3f> window = Viewport()->Project3dBoxToWin(Range<Vec3f>(Vec3f(-1, -1, -1), Vec3f(1, 1, 1)));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_TEXTURE);
    double after[16];
    glGetDoublev(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(before[i], after[i]) << "projection element " << i;
    glMatrixMode(GL_MODELVIEW);
    // A box centred on the view axis projects around the window's centre.
    EXPECT_NEAR((window.GetMin()[0] + window.GetMax()[0]) / 2, kWidth / 2.0, 0.5);
    EXPECT_NEAR((window.GetMin()[1] + window.GetMax()[1]) / 2, kHeight / 2.0, 0.5);
    EXPECT_LT(window.GetMin()[2], window.GetMax()[2]);
}

TEST_F(ViewportTest, BackgroundImageIsReadOncePerNameInAnyCase)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "fennix_viewport_bg";
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "sky.bmp";
    BmpImage image;
    image.header.width = 1;
    image.header.height = 1;
    image.pixels = {10, 20, 30, 0};
    {
        std::ofstream out(file, std::ios::binary);
        BmpUtils::WriteBmp(image, out);
    }
    SgViewport *viewport = Viewport();
    viewport->SetBGImage(file.string());
    ASSERT_NE(viewport->GetBGImageData(), nullptr);
    EXPECT_EQ(viewport->GetBGSize().GetMax().x, 1);
    std::filesystem::remove(file);
    std::string upper = file.string();
    upper.replace(upper.size() - 7, 7, "SKY.BMP");
    viewport->SetBGImage(upper);
    EXPECT_EQ(viewport->GetBGImage(), file.string()) << "another letter case names the same image";
    viewport->SetBGImage((folder / "missing.bmp").string());
    EXPECT_EQ(viewport->GetBGImage(), file.string()) << "a failed read keeps the image";
    EXPECT_NE(viewport->GetBGImageData(), nullptr);
    viewport->SetBGImage("");
    EXPECT_EQ(viewport->GetBGImageData(), nullptr);
    std::filesystem::remove_all(folder);
}

// An object whose transform a billboard rewrites: { T, billboard, cube }.
class BillboardTest : public ViewportTest {
protected:
    void SetUp() override
    {
        ViewportTest::SetUp();
        m_object = new SgObject(false, false);
        m_transform = new SgTransform;
        m_billboard = new SgBillboard;
        m_object->AddChild(m_transform);
        m_object->AddChild(m_billboard);
        m_object->AddChild(new SgCube);
        Root()->AddChild(m_object);
    }

    void Place()
    {
        SgScanAction scan;
        scan.Apply(Viewport()->GetNodara());
        SgWinAlignedRenderAction action(Viewport());
        ASSERT_TRUE(action.Apply(Viewport()->GetNodara()));
    }

    SgObject *m_object = nullptr;
    SgTransform *m_transform = nullptr;
    SgBillboard *m_billboard = nullptr;
};

TEST_F(BillboardTest, NoTypesLeaveTheTransformAlone)
{
    m_transform->m_translation.Set(Vec3(1, 2, 3));
    Place();
    EXPECT_EQ(m_transform->m_translation.Get(true)[0], 1.0);
    EXPECT_EQ(m_transform->m_scaleFactor.Get(true)[0], 1.0);
}

TEST_F(BillboardTest, SizeInPixelsFollowsTheCameraDistance)
{
    m_billboard->m_sizeType.Set(1);
    m_billboard->m_size.Set(100.0f);
    Place();
    // At depth 5 the window's 64 rows cover 2 tan(22.5 deg) 5 units.
    const double visible = 2.0 * std::tan(std::numbers::pi / 8.0) * 5.0;
    const double near = m_transform->m_scaleFactor.Get(true)[0];
    EXPECT_NEAR(near, 100.0 / (kHeight / visible), 1e-3);
    Viewport()->GetCameraTransform()->m_translation.Set(Vec3(0, 0, 10));
    Place();
    EXPECT_NEAR(m_transform->m_scaleFactor.Get(true)[0], 2.0 * near, 1e-3) << "twice as far, twice as large";
}

TEST_F(BillboardTest, ScaleIsHeldAtItsBounds)
{
    m_billboard->m_sizeType.Set(1);
    m_billboard->m_size.Set(1e9f);
    Place();
    EXPECT_NEAR(m_transform->m_scaleFactor.Get(true)[0], SgWinAlignedRenderAction::kMaxRelativeScale, 1e-6);
    m_billboard->m_size.Set(0.0f);
    Place();
    EXPECT_NEAR(m_transform->m_scaleFactor.Get(true)[0], SgWinAlignedRenderAction::kMinRelativeScale, 1e-12);
}

TEST_F(BillboardTest, PositionAtTheWindowCentreSitsOnTheViewAxis)
{
    m_billboard->m_positionType.Set(1);
    m_billboard->m_x.Set(kWidth / 2.0f);
    m_billboard->m_y.Set(kHeight / 2.0f);
    m_billboard->m_z.Set(3.0f);
    Place();
    const Vec3 t = m_transform->m_translation.Get(true);
    EXPECT_NEAR(t[0], 0.0, 1e-6);
    EXPECT_NEAR(t[1], 0.0, 1e-6);
    EXPECT_NEAR(t[2], 2.0, 1e-6) << "3 units before the camera at z = 5";
}

TEST_F(BillboardTest, ScreenAlignedContentTurnsWithTheCamera)
{
    m_billboard->m_rotationType.Set(1);
    Viewport()->GetCameraTransform()->m_rotation.Set(Rotation(Vec3(0, 1, 0), 0.5));
    Place();
    const Rotation r = m_transform->m_rotation.Get(true);
    EXPECT_NEAR(r.GetAngle() * r.GetAxis()[1], 0.5, 1e-6);
}

TEST_F(BillboardTest, SeparatorWithoutBillboardFlagHidesIt)
{
    m_billboard->m_sizeType.Set(1);
    m_billboard->m_size.Set(100.0f);
    SgScanAction scan;
    scan.Apply(Viewport()->GetNodara());
    SgScanCache::SetFlags(m_object, 0);
    SgWinAlignedRenderAction action(Viewport());
    action.Apply(Viewport()->GetNodara());
    EXPECT_EQ(m_transform->m_scaleFactor.Get(true)[0], 1.0);
}

TEST_F(ViewportTest, DirtyRectangleSpansTheChangedObjects)
{
    SgObject *left = AddCube(Color(1, 0, 0, 1), 0.5);
    left->GetTransform(true)->m_translation.Set(Vec3(-1.5, -1.5, 0));
    SgObject *right = AddCube(Color(1, 0, 0, 1), 0.5);
    right->GetTransform(true)->m_translation.Set(Vec3(1.5, 1.5, 0));
    SgSceneManager manager;
    EXPECT_TRUE(manager.IsEmpty());
    SgPathList changed;
    for (SgObject *object : {left, right}) {
        SgPath path;
        path.Append(Root());
        path.Append(object);
        changed.Add(path);
    }
    ASSERT_TRUE(manager.Update(changed, m_viewer));
    EXPECT_LT(manager.GetMinX(), kWidth / 4);
    EXPECT_LT(manager.GetMinY(), kHeight / 4);
    EXPECT_GT(manager.GetMaxX(), 3 * kWidth / 4);
    EXPECT_GT(manager.GetMaxY(), 3 * kHeight / 4);

    SgSceneManager untouched;
    auto *note = new SgInfo;
    Root()->AddChild(note);
    SgPathList noGeometry;
    SgPath path;
    path.Append(Root());
    path.Append(note);
    noGeometry.Add(path);
    EXPECT_FALSE(untouched.Update(noGeometry, m_viewer));
    EXPECT_TRUE(untouched.IsEmpty()) << "a node without geometry leaves the rectangle as it was";
}

} // namespace

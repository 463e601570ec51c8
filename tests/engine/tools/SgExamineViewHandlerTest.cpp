// Examine-view navigation driven through a headless window: what each mouse
// gesture does to the camera and the scene transform, in numbers, and what
// the window then shows.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/handlers/SgTool.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgViewport.h"
#include "engine/tools/SgExamineViewHandler.h"
#include "engine/viewer/SgViewer.h"
#include "platform/window/SgWindowMessages.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using namespace windowtest;

const Color kRed(1, 0, 0, 1);
const Vec2i kCentre(320, 240);

// A unit cube at the origin seen by the default camera 5 units up the z
// axis. Steps follow the camera's distance from the scene's middle: a wheel
// notch keeps 0.9 of it, and drags move as much per 120 pixels, so the speed
// base is 5 x 0.1 / (120 x 0.007 x 0.014) = 42.517 and one step unit
// s = 42.517 x 0.014 = 0.595238.
class ExamineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_h.AddCube(kRed, 1.0);
        m_handler = new SgExamineViewHandler;
        m_h.AddViewHandler(m_handler);
        m_h.Paint();
    }

    Vec3 CameraPosition() { return m_h.Viewport()->GetCameraTransform()->m_translation.Get(true); }
    SgCamera *Camera() { return m_h.Viewport()->GetCamera(); }
    Mat4 SceneTurn() { return m_h.Viewport()->GetGraphTransform1()->GetMatrix().GetMatrix(); }

    WindowHarness m_h{640, 480};
    SgExamineViewHandler *m_handler = nullptr;
};

TEST_F(ExamineTest, OneWheelNotchMovesThePerspectiveCameraForward)
{
    const int renders = m_h.RenderCount();
    EXPECT_EQ(m_h.Wheel(1, kCentre), 1);
    // A tenth of the distance: from z 5 to 4.5.
    const Vec3 p = CameraPosition();
    EXPECT_NEAR(p[2], 4.5, 1e-9);
    EXPECT_NEAR(p[0], 0.0, 1e-12);
    EXPECT_NEAR(p[1], 0.0, 1e-12);
    EXPECT_EQ(m_handler->GetMode(), SgExamineViewHandler::kNone) << "a wheel step ends in the same call";
    EXPECT_NEAR(m_handler->GetSpeedBase(), 5.0 * 0.1 / (120 * 0.007 * 0.014), 1e-9);
    EXPECT_EQ(m_h.RenderCount(), renders + 1) << "each step redraws";
    EXPECT_EQ(m_h.Wheel(-1, kCentre), 1);
    EXPECT_NEAR(CameraPosition()[2], 5.0, 1e-9) << "a notch back returns";
}

TEST_F(ExamineTest, WheelOnAnOrthographicCameraScalesItsHeight)
{
    Camera()->m_perspective.Set(0);
    const double height = Camera()->m_height.Get(true);
    m_h.Wheel(1, kCentre);
    // (120 x 0.0001 x 100 x 0.014 + 1) x height: a share of the height, whatever the scene.
    EXPECT_NEAR(Camera()->m_height.Get(true), 1.0168 * height, 1e-9);
    EXPECT_NEAR(CameraPosition()[2], 5.0, 1e-12) << "the camera stays";
}

TEST_F(ExamineTest, WheelWithoutDeltaChangesNothingButRedraws)
{
    const int renders = m_h.RenderCount();
    EXPECT_EQ(m_h.Window().Send(SgWM::kMouseWheel, SgWM::MakeWheelParam(0, 0), SgWM::MakePoint(320, 240)), 1);
    EXPECT_NEAR(CameraPosition()[2], 5.0, 1e-12);
    EXPECT_EQ(m_h.RenderCount(), renders + 1);
}

TEST_F(ExamineTest, AltLeftDragOfTenPixelsTurnsTheSceneByAFiftiethRadianWhateverTheMainMode)
{
    m_handler->SetMainMode(SgExamineViewHandler::kPan);
    m_h.SysKeyDown(SgVK::kMenu);
    m_h.Down(Button::Left, kCentre);
    EXPECT_EQ(m_handler->GetMode(), SgExamineViewHandler::kRotate);
    EXPECT_TRUE(m_h.HasCapture()) << "a drag holds the capture";
    m_h.Move({330, 240});
    m_h.Up(Button::Left, {330, 240});
    m_h.SysKeyUp(SgVK::kMenu);
    EXPECT_FALSE(m_h.HasCapture()) << "the release gives the capture back";
    EXPECT_EQ(m_handler->GetMode(), SgExamineViewHandler::kNone);
    // 10 px x 0.005 = 0.05 rad about the scene's z axis, clockwise seen from the camera.
    const Mat4 m = SceneTurn();
    EXPECT_NEAR(m[0][0], std::cos(0.05), 1e-9);
    EXPECT_NEAR(m[1][1], std::cos(0.05), 1e-9);
    EXPECT_NEAR(std::fabs(m[0][1]), std::sin(0.05), 1e-9);
    EXPECT_NEAR(m[2][2], 1.0, 1e-12);
    EXPECT_NEAR(CameraPosition()[0], 0.0, 1e-12) << "rotating is not panning";
}

TEST_F(ExamineTest, MiddleDragPansTheCameraAgainstTheMouseSoTheSceneFollowsIt)
{
    const Vec2i before = m_h.Project(Vec3(0, 0, 0));
    m_h.Drag(Button::Middle, kCentre, {330, 250});
    // MoveRight(-10 x 0.01 x s), MoveUp(10 x 0.01 x s).
    const Vec3 p = CameraPosition();
    EXPECT_NEAR(p[0], -0.0595238095, 1e-9);
    EXPECT_NEAR(p[1], 0.0595238095, 1e-9);
    EXPECT_NEAR(p[2], 5.0, 1e-12);
    const Vec2i after = m_h.Project(Vec3(0, 0, 0));
    EXPECT_GT(after.x, before.x) << "the scene moves right with the mouse";
    EXPECT_GT(after.y, before.y) << "and down";
    EXPECT_TRUE(IsRed(m_h.At(after.x, after.y))) << "the window shows the moved cube at " << after.x << ", " << after.y;
}

TEST_F(ExamineTest, RightDragDolliesAndSidesteps)
{
    m_h.Drag(Button::Right, kCentre, {325, 250});
    // MoveRight(5 x 0.008 x s), MoveBackward(10 x 0.008 x s).
    const Vec3 p = CameraPosition();
    EXPECT_NEAR(p[0], 0.0238095238, 1e-9);
    EXPECT_NEAR(p[2], 5.0476190476, 1e-9);
}

TEST_F(ExamineTest, LensZoomStaysBelowAHalfTurnAndReturnsWithTheMouse)
{
    m_handler->SetMainMode(SgExamineViewHandler::kLensZoom);
    const double angle = Camera()->m_heightAngle.Get(true);
    const double height = Camera()->m_height.Get(true);
    m_h.Down(Button::Left, kCentre);
    m_h.Move({320, 240 + 3000});
    EXPECT_LT(Camera()->m_heightAngle.Get(true), 180.0) << "a half turn has no projection";
    EXPECT_NEAR(Camera()->m_heightAngle.Get(true), SgExamineViewHandler::kMaxHeightAngle, 1e-12);
    m_h.Move({320, 240 - 3000});
    EXPECT_NEAR(Camera()->m_heightAngle.Get(true), SgExamineViewHandler::kMinHeightAngle, 1e-12);
    EXPECT_NEAR(Camera()->m_height.Get(true), SgExamineViewHandler::kMinLensHeight, 1e-12);
    m_h.Move(kCentre);
    EXPECT_NEAR(Camera()->m_heightAngle.Get(true), angle, 1e-9) << "back at the press row";
    EXPECT_NEAR(Camera()->m_height.Get(true), height, 1e-9);
    m_h.Up(Button::Left, kCentre);
}

TEST_F(ExamineTest, WithAltOnlyAPlainPressStartsNothingButTheWheelStillZooms)
{
    m_handler->SetAlt(true);
    EXPECT_EQ(m_h.Down(Button::Left, kCentre), 0);
    EXPECT_EQ(m_handler->GetMode(), SgExamineViewHandler::kNone);
    EXPECT_FALSE(m_h.HasCapture());
    EXPECT_EQ(m_h.Move({330, 240}), 0) << "a move with no drag is not handled";
    EXPECT_EQ(m_h.Up(Button::Left, {330, 240}), 0) << "a release with no drag is not handled";
    m_h.Wheel(1, kCentre);
    // Nearer by about a tenth (the selected cube's handles widen the scene a little).
    EXPECT_LT(CameraPosition()[2], 4.6);
    EXPECT_GT(CameraPosition()[2], 4.4);
}

// Scenes far below and far above a unit: a notch moves the camera a tenth of
// its distance, and the scene stays in the window.
class ExamineScaleTest : public ::testing::TestWithParam<double> {};

TEST_P(ExamineScaleTest, AWheelNotchMovesATenthOfTheCamerasDistance)
{
    const double size = GetParam();
    WindowHarness h(640, 480);
    h.AddCube(kRed, size);
    h.AddViewHandler(new SgExamineViewHandler);
    SgViewport *viewport = h.Viewport();
    viewport->Focus(nullptr, 1.1);
    h.Paint();
    const double before = viewport->GetCameraTransform()->m_translation.Get(true).Length();
    h.Wheel(1, kCentre);
    const double after = viewport->GetCameraTransform()->m_translation.Get(true).Length();
    EXPECT_NEAR(after, 0.9 * before, 1e-6 * before);
    h.Paint();
    EXPECT_TRUE(IsRed(h.At(320, 240))) << "the cube of size " << size << " left the window";
}

INSTANTIATE_TEST_SUITE_P(Sizes, ExamineScaleTest, testing::Values(0.01, 1.0, 10000.0));

TEST_F(ExamineTest, AWheelNotchDuringADragZoomsAndTheReleaseStillEndsTheDrag)
{
    m_h.Down(Button::Left, kCentre);
    m_h.Move({330, 240});
    m_h.Wheel(1, {330, 240});
    EXPECT_EQ(m_handler->GetMode(), SgExamineViewHandler::kRotate) << "the drag goes on";
    m_h.Move({340, 240});
    m_h.Up(Button::Left, {340, 240});
    EXPECT_EQ(m_handler->GetMode(), SgExamineViewHandler::kNone);
    EXPECT_FALSE(m_h.HasCapture()) << "the release gives the capture back";
}

TEST_F(ExamineTest, MoveWithoutADragNeitherHandlesNorRedraws)
{
    const int renders = m_h.RenderCount();
    EXPECT_EQ(m_h.Move({100, 100}), 0);
    EXPECT_EQ(m_h.RenderCount(), renders);
}

TEST_F(ExamineTest, LeftDragTurnsThePicture)
{
    // A cube seen from above shows a square; turned by 45 degrees about z
    // its corner reaches beyond where the square's side was.
    const Vec2i side = m_h.Project(Vec3(0.62, 0, 0));
    EXPECT_FALSE(IsRed(m_h.At(side.x, side.y))) << "before: outside the square";
    // pi/4 = 0.785 rad is 157 px at 0.005 rad a pixel.
    m_h.Drag(Button::Left, {200, 240}, {357, 240}, 4);
    EXPECT_TRUE(IsRed(m_h.At(side.x, side.y))) << "after: the turned corner covers it";
}

} // namespace

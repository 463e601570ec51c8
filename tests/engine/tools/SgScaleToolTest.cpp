// The tools that scale: the scale tool's arms, plane squares and centre
// cube, the handle-box tool's arms, corners and box, each driven through a
// headless window; a flat object scaled along its flat axis; and the tool
// an object's behaviour node chooses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgManipulator.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgBehavior.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/tools/SgHandleBoxTool.h"
#include "engine/tools/SgScaleTool.h"
#include "engine/tools/SgTransformTool.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using namespace windowtest;

// A cube of 0.5 at the origin seen by the default camera from +z, selected
// by a click with the tool of the given class.
class ScaleFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_object = m_h.AddCube(Color(1, 0, 0, 1), kSize);
        m_h.Paint();
    }
    SgSelectionHandler *Handler() { return m_h.Document()->GetSelectionHandler(); }
    void SelectWith(int toolClass)
    {
        Handler()->AddSelectionCB(&SgSelectionHandler::TransformTool, toolClass);
        const Vec2i centre = m_h.Project(Vec3(0, 0, 0));
        m_h.Down(Button::Left, centre);
        m_h.Up(Button::Left, centre);
        m_h.Paint();
    }
    SgTransformTool *Tool()
    {
        auto *manipulator =
            static_cast<SgManipulator *>(m_object->FindFirstNode(SgManipulator::ClassID(), {}, nullptr, true));
        return manipulator ? static_cast<SgTransformTool *>(static_cast<SgNode *>(manipulator->GetTool())) : nullptr;
    }
    SgCube *Cube()
    {
        return static_cast<SgCube *>(m_object->GetInnerGroup()->FindFirstNode(SgCube::ClassID(), {}, nullptr, false));
    }
    // Where a point of the object's frame lands in the window.
    Vec2i ProjectLocal(const Vec3 &p) { return m_h.Project(m_object->GetTransform(true)->GetMatrix().TransformPoint(p)); }
    Vec3 Scale() { return m_object->GetTransform(true)->m_scaleFactor.Get(true); }
    Vec3 Translation() { return m_object->GetTransform(true)->m_translation.Get(true); }
    // A press, `steps` moves and a release.
    void Drag(Vec2i from, Vec2i to, int steps = 4)
    {
        m_h.Down(Button::Left, from);
        for (int s = 1; s <= steps; ++s)
            m_h.Move({from.x + (to.x - from.x) * s / steps, from.y + (to.y - from.y) * s / steps});
        m_h.Up(Button::Left, to);
    }
    void Reset()
    {
        m_object->GetTransform(true)->m_scaleFactor.Set(Vec3(1, 1, 1));
        m_object->GetTransform(true)->m_translation.Set(Vec3(0, 0, 0));
        m_h.Paint();
        m_h.Document()->ResetUndo();
    }

    static constexpr double kSize = 0.5;
    WindowHarness m_h{640, 480};
    SgObject *m_object = nullptr;
};

struct ScaleDrag {
    const char *name;
    Vec3 press;     // where the press lands, in the gizmo's frame
    Vec3 release;   // how far the release lands from the press in the object's frame (when pixels is zero)
    Vec2i pixels;   // or the release this far from the press
    int handle;
    Vec3 expected;
    double tolerance;
};

// Arms: the drag along the arm against the cube's extent of 0.5, so a drag
// by 0.5 doubles. Centre and planes: 160 pixels to the right double, 160 to
// the left reach the floor, 320 to the left give 1 again.
const ScaleDrag kScaleDrags[] = {
    {"XArmDraggedByTheExtentDoubles", {1.0, 0, 0}, {0.5, 0, 0}, {0, 0}, 0, {2, 1, 1}, 0.04},
    {"YArmDraggedHalfTheExtentInward", {0, 1.0, 0}, {0, -0.25, 0}, {0, 0}, 1, {1, 0.5, 1}, 0.04},
    {"XArmDraggedPastTheFarSideIsNotMirrored", {1.0, 0, 0}, {-1.0, 0, 0}, {0, 0}, 0, {1, 1, 1}, 0.04},
    {"CentreCube160RightDoubles", {0, 0, 0}, {}, {160, 0}, 6, {2, 2, 2}, 1e-9},
    {"CentreCube160LeftReachesTheFloor", {0, 0, 0}, {}, {-160, 0}, 6, {0.001, 0.001, 0.001}, 1e-12},
    {"CentreCube320LeftGivesOneAgain", {0, 0, 0}, {}, {-320, 0}, 6, {1, 1, 1}, 1e-9},
    {"PlaneSquareNormalToYKeepsY", {0, 0.32, 0}, {}, {80, 0}, 4, {1.5, 1, 1.5}, 1e-9},
};

TEST_F(ScaleFixture, ScaleToolDragsScaleAsTheirHandlesComputeAndUndoInOneStep)
{
    // Turned so that no arm points at the camera and hides the centre cube.
    m_object->GetTransform(true)->m_rotation.Set(Rotation(Vec3(1, -1, 0), 0.5));
    SelectWith(SgScaleTool::ClassID());
    ASSERT_NE(Tool(), nullptr);
    ASSERT_TRUE(Tool()->IsDerivedFrom(SgScaleTool::ClassID()));
    for (const ScaleDrag &c : kScaleDrags) {
        SCOPED_TRACE(c.name);
        Reset();
        const Vec3 g = Tool()->GizmoScale();
        const Vec3 press(c.press[0] * g[0], c.press[1] * g[1], c.press[2] * g[2]);
        const Vec2i from = ProjectLocal(press);
        const Vec2i to = c.pixels.x || c.pixels.y ? Vec2i(from.x + c.pixels.x, from.y + c.pixels.y)
                                                  : ProjectLocal(press + c.release);
        m_h.Down(Button::Left, from);
        EXPECT_EQ(Tool()->GetCurrentHandle(), c.handle);
        const int steps = 4;
        for (int s = 1; s <= steps; ++s)
            m_h.Move({from.x + (to.x - from.x) * s / steps, from.y + (to.y - from.y) * s / steps});
        if (c.handle <= 2) {
            EXPECT_NEAR(static_cast<SgScaleTool *>(Tool())->GetArmLength(c.handle),
                        c.expected[c.handle] * SgTransformTool::kArmLength, 0.1)
                << "the arm follows the drag";
        }
        m_h.Up(Button::Left, to);
        const Vec3 s = Scale();
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(s[i], c.expected[i], c.tolerance) << "component " << i;
        EXPECT_NEAR(static_cast<SgScaleTool *>(Tool())->GetArmLength(0), SgTransformTool::kArmLength, 1e-12)
            << "the arms come back when the drag ends";
        m_h.Document()->Undo();
        EXPECT_NEAR(Scale()[0], 1.0, 1e-12) << "one undo";
        EXPECT_NEAR(Scale()[1], 1.0, 1e-12);
    }
}

// The object's extents along the world's axes.
Vec3 WorldExtents(SgTransform *transform, double size)
{
    const Transform3 m = transform->GetMatrix();
    Vec3 lo(1e300, 1e300, 1e300);
    Vec3 hi(-1e300, -1e300, -1e300);
    for (int c = 0; c < 8; ++c) {
        const double h = size / 2;
        const Vec3 p = m.TransformPoint(Vec3((c & 1) ? h : -h, (c & 2) ? h : -h, (c & 4) ? h : -h));
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], p[i]);
            hi[i] = std::max(hi[i], p[i]);
        }
    }
    return hi - lo;
}

// In the scene's frame (the object has no enclosing object) the arms are
// the world's axes: the x arm of a cube turned 45 degrees about z stretches
// it along the world's x, not along its own, and one undo takes it back.
TEST_F(ScaleFixture, InTheScenesFrameAnArmStretchesAlongTheFramesAxis)
{
    SgTransform *transform = m_object->GetTransform(true);
    transform->m_rotation.Set(Rotation(Vec3(0, 0, 1), std::numbers::pi / 4));
    Handler()->SetTransformToolFrame(1);
    SelectWith(SgScaleTool::ClassID());
    ASSERT_NE(Tool(), nullptr);
    m_h.Document()->ResetUndo();
    const Vec3 before = WorldExtents(transform, kSize);
    const double g = Tool()->GizmoScale()[0];
    const Vec2i from = m_h.Project(Vec3(0.8 * g, 0, 0));
    Drag(from, m_h.Project(Vec3(0.8 * g + before.x, 0, 0)), 4);
    const Vec3 after = WorldExtents(transform, kSize);
    EXPECT_NEAR(after.x, 2 * before.x, 0.04 * before.x) << "the world's x extent doubles";
    EXPECT_NEAR(after.y, before.y, 1e-6) << "the world's y extent stays";
    EXPECT_NEAR(after.z, before.z, 1e-6);
    m_h.Document()->Undo();
    const Vec3 undone = WorldExtents(transform, kSize);
    EXPECT_NEAR((undone - before).Length(), 0.0, 1e-9);
    Handler()->SetTransformToolFrame(0);
}

TEST_F(ScaleFixture, AnArmOfAFlatObjectDividesByTheDiagonalNotByTheZeroExtent)
{
    SelectWith(SgScaleTool::ClassID());
    // Flat in the YZ plane: nothing along x. The tool measures the box again
    // when the selection is made again.
    Cube()->m_width.Set(0.0);
    Handler()->ReselectAll();
    m_h.Paint();
    ASSERT_NE(Tool(), nullptr);
    EXPECT_EQ(Tool()->GetObjectBox().GetMax()[0] - Tool()->GetObjectBox().GetMin()[0], 0.0f);
    const double diagonal = std::sqrt(2 * kSize * kSize);
    EXPECT_NEAR(SgTransformTool::ScaleExtent(Tool()->GetObjectBox(), 0), diagonal, 1e-6);
    EXPECT_NEAR(SgTransformTool::ScaleExtent(Tool()->GetObjectBox(), 1), kSize, 1e-6);
    m_h.Document()->ResetUndo();
    const double arm = Tool()->GizmoScale()[0];
    Drag(m_h.Project(Vec3(arm, 0, 0)), m_h.Project(Vec3(arm + 0.25, 0, 0)));
    const Vec3 s = Scale();
    ASSERT_TRUE(std::isfinite(s[0]));
    EXPECT_NEAR(s[0], (diagonal + 0.25) / diagonal, 0.03);
    EXPECT_EQ(s[1], 1.0);
}

TEST_F(ScaleFixture, AZeroScaleAtThePressChangesNothing)
{
    SelectWith(SgScaleTool::ClassID());
    // The object's frame has no inverse: there is nothing to measure a drag in.
    m_object->GetTransform(true)->m_scaleFactor.Set(Vec3(1, 1, 0));
    m_h.Paint();
    const Vec2i from = m_h.Project(Vec3(Tool()->GizmoScale()[0], 0, 0));
    Drag(from, {from.x + 40, from.y});
    EXPECT_EQ(Scale(), Vec3(1, 1, 0));
}

TEST_F(ScaleFixture, HandleBoxIsTheGrownBoxWithNamedArmsAndEightCorners)
{
    // 1 along x, 2 along y ("depth"), 3 along z ("height").
    Cube()->m_width.Set(1.0);
    Cube()->m_depth.Set(2.0);
    Cube()->m_height.Set(3.0);
    SelectWith(SgHandleBoxTool::ClassID());
    auto *tool = static_cast<SgHandleBoxTool *>(Tool());
    ASSERT_NE(tool, nullptr);
    ASSERT_TRUE(tool->IsDerivedFrom(SgHandleBoxTool::ClassID()));
    const double m = 0.015 * std::sqrt(14.0);
    const Vec3 half(0.5, 1.0, 1.5);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(tool->GetBox().GetMax()[i], half[i] + m, 1e-5);
        EXPECT_NEAR(tool->GetBox().GetMin()[i], -half[i] - m, 1e-5);
        EXPECT_NEAR(tool->GetArmHalfLength(i), 0.6 * (2 * half[i] + 2 * m), 1e-5);
    }
    EXPECT_NEAR(tool->GetCorner(5)[0], 0.5 + m, 1e-5);
    EXPECT_NEAR(tool->GetCorner(5)[1], -1.0 - m, 1e-5);
    EXPECT_NEAR(tool->GetCorner(5)[2], 1.5 + m, 1e-5);
    const char *names[3] = {"SCALE_X", "SCALE_Y", "SCALE_Z"};
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(tool->GetHandle(i), nullptr);
        EXPECT_EQ(tool->GetHandle(i)->GetName(), names[i]);
        EXPECT_GE(tool->GetGizmo()->IndexOf(tool->GetHandle(i)), 0);
    }
    ASSERT_NE(tool->GetHandle(SgHandleBoxTool::kCornerSlot), nullptr);
    EXPECT_EQ(static_cast<SgGroup *>(tool->GetHandle(SgHandleBoxTool::kCornerSlot))->GetNumChildren(), 8);
}

TEST_F(ScaleFixture, HandleBoxArmCornerAndBoxDragsScaleAndMove)
{
    SelectWith(SgHandleBoxTool::ClassID());
    // A click (a press and release in place) selects again, which builds a
    // new tool: ask for the current one each time.
    auto tool = [this] { return static_cast<SgHandleBoxTool *>(Tool()); };
    ASSERT_NE(tool(), nullptr);

    // The X arm's tip dragged outward by the object's extent doubles x.
    Reset();
    const Vec3 tip(tool()->GetArmHalfLength(0), 0, 0);
    m_h.Down(Button::Left, m_h.Project(tip));
    EXPECT_EQ(tool()->GetCurrentHandle(), 0);
    m_h.Up(Button::Left, m_h.Project(tip));
    Drag(m_h.Project(tip), m_h.Project(tip + Vec3(kSize, 0, 0)));
    EXPECT_NEAR(Scale()[0], 2.0, 0.05);
    EXPECT_EQ(Scale()[1], 1.0);
    EXPECT_EQ(Scale()[2], 1.0);
    m_h.Document()->Undo();
    EXPECT_EQ(Scale()[0], 1.0);

    // The opposite tip dragged outward grows x as well.
    Reset();
    Drag(m_h.Project(tip * -1.0), m_h.Project(tip * -1.0 - Vec3(kSize * 0.5, 0, 0)));
    EXPECT_GT(Scale()[0], 1.3);

    // A corner dragged outward scales all three alike.
    Reset();
    const Vec2i corner = m_h.Project(tool()->GetCorner(7));
    m_h.Down(Button::Left, corner);
    EXPECT_EQ(tool()->GetCurrentHandle(), SgHandleBoxTool::kCornerSlot);
    m_h.Up(Button::Left, corner);
    Drag(corner, {corner.x + 25, corner.y - 25});
    const Vec3 s = Scale();
    EXPECT_GT(s[0], 1.05);
    EXPECT_EQ(s[0], s[1]);
    EXPECT_EQ(s[1], s[2]);

    // The box dragged by an edge moves the object in the plane facing the viewer.
    Reset();
    const Vec3 edge(tool()->GetBox().GetMax()[0], 0.15, tool()->GetBox().GetMax()[2]);
    const Vec2i at = m_h.Project(edge);
    m_h.Down(Button::Left, at);
    EXPECT_EQ(tool()->GetCurrentHandle(), SgHandleBoxTool::kBoxSlot);
    m_h.Up(Button::Left, at);
    Drag(at, {at.x + 30, at.y});
    EXPECT_GT(Translation()[0], 0.15);
    EXPECT_NEAR(Translation()[1], 0.0, 0.02);
    EXPECT_EQ(Scale(), Vec3(1, 1, 1));
}

struct BehaviorCase {
    const char *name;
    int selectionTool;   // -1: no behaviour node
    bool byClick;        // selected by a click (an event), else by a call
    const char *expectedClass;
    bool arrows;
};

const BehaviorCase kBehaviors[] = {
    {"NoBehaviorKeepsTheRequestedTool", -1, true, "SgScaleTool", true},
    {"ZeroKeepsTheRequestedTool", 0, true, "SgScaleTool", true},
    {"OneGivesAMoveToolWithOnlyTheCentreCube", 1, true, "SgMoveTool", false},
    {"ThreeGivesTheHandleBox", 3, true, "SgHandleBoxTool", true},
    {"UnknownValueKeepsTheRequestedTool", 9, true, "SgScaleTool", true},
    {"ASelectionOutsideAnEventIgnoresTheBehavior", 1, false, "SgScaleTool", true},
};

TEST_F(ScaleFixture, AnObjectsBehaviorNodeChoosesItsTool)
{
    SgBehavior *behavior = nullptr;
    for (const BehaviorCase &c : kBehaviors) {
        SCOPED_TRACE(c.name);
        Handler()->DeselectAll();
        if (c.selectionTool >= 0 && !behavior) {
            behavior = new SgBehavior;
            m_object->AddPropertyNode(behavior, false);
        }
        if (behavior)
            behavior->m_selectionTool.Set(c.selectionTool);
        if (c.byClick) {
            SelectWith(SgScaleTool::ClassID());
        } else {
            Handler()->SetCurentAction(nullptr);
            Handler()->AddSelectionCB(&SgSelectionHandler::TransformTool, SgScaleTool::ClassID());
            Handler()->Select(m_object, 0);
        }
        ASSERT_EQ(Handler()->GetSelCount(), 1);
        ASSERT_NE(Tool(), nullptr);
        EXPECT_STREQ(Tool()->GetClassName(), c.expectedClass);
        EXPECT_EQ(Tool()->GetHandle(0) != nullptr, c.arrows);
        if (c.selectionTool == 1 && c.byClick) {
            for (int i = 0; i < 6; ++i)
                EXPECT_EQ(Tool()->GetHandle(i), nullptr) << i;
            EXPECT_NE(Tool()->GetHandle(SgTransformTool::kCentre), nullptr);
        }
    }
}

} // namespace

// The move tool that a click hangs into the selected object, driven through
// a headless window: the gizmo it builds, a drag along an arrow in numbers
// the camera gives, one undo step per drag, the hovered handle's highlight,
// and a drag whose object is deleted under it.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgManipulator.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/handlers/SgTool.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgViewport.h"
#include "engine/tools/SgExamineViewHandler.h"
#include "engine/tools/SgScaleTool.h"
#include "engine/tools/SgTransformTool.h"
#include "engine/viewer/SgEvent.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using namespace windowtest;

const Color kRed(1, 0, 0, 1);

// A red cube of size 0.5 at the origin, seen by the default camera 5 units
// up the z axis; the document's selection handler with its default move tool.
class MoveToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_object = m_h.AddCube(kRed, 0.5);
        m_h.Paint();
    }

    SgSelectionHandler *Handler() { return m_h.Document()->GetSelectionHandler(); }
    void Click(Vec2i at)
    {
        m_h.Down(Button::Left, at);
        m_h.Up(Button::Left, at);
    }
    SgManipulator *Manipulator()
    {
        return static_cast<SgManipulator *>(m_object->FindFirstNode(SgManipulator::ClassID(), {}, nullptr, true));
    }
    SgTransformTool *Tool()
    {
        SgManipulator *manipulator = Manipulator();
        return manipulator ? static_cast<SgTransformTool *>(static_cast<SgNode *>(manipulator->GetTool())) : nullptr;
    }
    Vec3 Translation() { return m_object->GetTransform(true)->m_translation.Get(true); }
    // World units per pixel along x in the plane z = 0.
    double UnitsPerPixel()
    {
        const Vec2i a = m_h.Project(Vec3(-2, 0, 0));
        const Vec2i b = m_h.Project(Vec3(2, 0, 0));
        return 4.0 / (b.x - a.x);
    }
    // Where a point of the gizmo's frame lands in the window: the gizmo
    // keeps its size on the screen, so its unit is not the scene's.
    Vec2i ProjectGizmo(const Vec3 &p)
    {
        const Vec3 g = Tool() ? Tool()->GizmoScale() : Vec3(1, 1, 1);
        return m_h.Project(Vec3(p[0] * g[0], p[1] * g[1], p[2] * g[2]));
    }
    // Selects the cube with a click at the window centre.
    void SelectCube()
    {
        Click(m_h.Project(Vec3(0, 0, 0)));
        m_h.Paint();
    }

    WindowHarness m_h{640, 480};
    SgObject *m_object = nullptr;
};

TEST_F(MoveToolTest, AClickHangsTheMoveToolWithItsThreeArrowsIntoTheObject)
{
    SelectCube();
    ASSERT_EQ(Handler()->GetSelCount(), 1);
    SgManipulator *manipulator = Manipulator();
    ASSERT_NE(manipulator, nullptr);
    // The manipulator follows the object's transform, so the gizmo moves with it.
    SgNode *transform = m_object->FindFirstNode(SgTransform::ClassID(), {}, nullptr, false);
    const int transformAt = m_object->IndexOf(transform);
    EXPECT_EQ(m_object->IndexOf(manipulator), transformAt + 1);
    SgTransformTool *tool = Tool();
    ASSERT_NE(tool, nullptr);
    EXPECT_TRUE(tool->IsDerivedFrom(SgMoveTool::ClassID()));
    EXPECT_EQ(Handler()->GetCurentTool(), static_cast<SgTool *>(tool));
    ASSERT_NE(tool->GetGizmo(), nullptr);
    EXPECT_EQ(tool->GetGizmo()->GetName(), "TRANSFORMTOOL");
    EXPECT_EQ(manipulator->IndexOf(tool->GetGizmo()), manipulator->IndexOf(tool) + 1);
    const char *names[3] = {"MOVE_X", "MOVE_Y", "MOVE_Z"};
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(tool->GetHandle(i), nullptr);
        EXPECT_EQ(tool->GetHandle(i)->GetName(), names[i]);
        EXPECT_GE(tool->GetGizmo()->IndexOf(tool->GetHandle(i)), 0);
    }
    EXPECT_FALSE(m_h.Document()->IsUndoStackNonEmpty() && m_h.Document()->GetUndoCount() > 1)
        << "hanging the tool in records nothing of its own";
}

struct ArrowDrag {
    const char *name;
    int axis;
    Vec2i move;  // pixels
    int steps;
};

const ArrowDrag kArrowDrags[] = {
    {"XArrowFiftyRight", 0, {50, 0}, 5},
    {"XArrowThirtyLeftInOneStep", 0, {-30, 0}, 1},
    {"YArrowFortyUp", 1, {0, -40}, 4},
};

TEST_F(MoveToolTest, DraggingAnArrowMovesAlongItsAxisByTheDistanceUnderTheCursorAndUndoesInOneStep)
{
    for (const ArrowDrag &c : kArrowDrags) {
        SCOPED_TRACE(c.name);
        m_object->GetTransform(true)->m_translation.Set(Vec3(0, 0, 0));
        Handler()->DeselectAll();
        m_h.Paint();
        SelectCube();
        ASSERT_NE(Tool(), nullptr);
        m_h.Document()->ResetUndo();
        Vec3 mid(0, 0, 0);
        mid[c.axis] = 0.55;
        const Vec2i from = ProjectGizmo(mid);
        const Vec2i to(from.x + c.move.x, from.y + c.move.y);
        m_h.Down(Button::Left, from);
        EXPECT_EQ(Tool()->GetCurrentHandle(), c.axis);
        EXPECT_TRUE(m_h.HasCapture());
        EXPECT_TRUE(m_h.ToolActive());
        for (int s = 1; s <= c.steps; ++s)
            m_h.Move({from.x + c.move.x * s / c.steps, from.y + c.move.y * s / c.steps});
        m_h.Up(Button::Left, to);

        // In the plane z = 0 a pixel is the same length along x and y.
        const double expected = UnitsPerPixel() * (c.axis == 0 ? c.move.x : -c.move.y);
        const Vec3 t = Translation();
        EXPECT_NEAR(t[c.axis], expected, std::fabs(expected) * 0.03 + 1e-3);
        for (int other = 0; other < 3; ++other) {
            if (other != c.axis) {
                EXPECT_NEAR(t[other], 0.0, 1e-9);
            }
        }
        EXPECT_FALSE(m_h.HasCapture());
        EXPECT_FALSE(m_h.ToolActive());
        EXPECT_EQ(Handler()->GetSelCount(), 1) << "the drag keeps the selection";
        EXPECT_EQ(Tool()->GetCurrentHandle(), -1);

        m_h.Document()->Undo();
        EXPECT_NEAR(Translation()[c.axis], 0.0, 1e-12) << "one undo restores the translation";
        EXPECT_FALSE(m_h.Document()->IsUndoStackNonEmpty());
    }
}

// What the document's owner hears from a tool's field-edit reports.
struct FieldEdit {
    std::vector<double> values;
    int kind;
    std::vector<SgField *> fields;
    int index;
    int mode;
};
std::vector<FieldEdit> g_edits;
void RecordEdit(SgDocument *, const double *values, int count, int kind, int fieldCount, SgField *const *fields,
                int index, int mode)
{
    g_edits.push_back({values ? std::vector<double>(values, values + count) : std::vector<double>(), kind,
                       std::vector<SgField *>(fields, fields + fieldCount), index, mode});
}

struct ReportedDrag {
    const char *toolClass;
    Vec3 press;         // in the gizmo's frame
    const char *field;  // the transform field reported
    int valueCount;
};

const ReportedDrag kReportedDrags[] = {
    {"SgMoveTool", {0.55, 0, 0}, "translation", 3},
    {"SgScaleTool", {1.1, 0, 0}, "scaleFactor", 3},
    {"SgTrackballTool", {0.7425, 0.7425, 0}, "rotation", 4},
};

TEST_F(MoveToolTest, ADragReportsItsFieldAtThePressAfterEveryStepAndOnceAtTheRelease)
{
    m_h.Document()->SetFieldEditCallback(&RecordEdit);
    SgTransform *transform = m_object->GetTransform(true);
    for (const ReportedDrag &c : kReportedDrags) {
        SCOPED_TRACE(c.toolClass);
        Handler()->DeselectAll();
        Handler()->AddSelectionCB(&SgSelectionHandler::TransformTool, SgNode::GetClassIDFromName(c.toolClass));
        g_edits.clear();
        SelectCube();
        ASSERT_NE(Tool(), nullptr);
        ASSERT_STREQ(Tool()->GetClassName(), c.toolClass);
        EXPECT_EQ(g_edits.size(), 1u) << "the new gizmo tells the value it edits";
        g_edits.clear();

        const Vec2i from = ProjectGizmo(c.press);
        constexpr int kSteps = 4;
        m_h.Down(Button::Left, from);
        ASSERT_GE(Tool()->GetCurrentHandle(), 0);
        for (int s = 1; s <= kSteps; ++s)
            m_h.Move({from.x + 10 * s, from.y - 5 * s});
        m_h.Up(Button::Left, {from.x + 10 * kSteps, from.y - 5 * kSteps});
        ASSERT_EQ(g_edits.size(), static_cast<size_t>(1 + kSteps + 1)) << "the press, every step, the release";
        SgField *field = transform->GetFieldAddressByName(c.field);
        for (const FieldEdit &edit : g_edits) {
            EXPECT_EQ(edit.kind, SgDocument::kEditFieldValue);
            ASSERT_EQ(edit.fields.size(), 1u);
            EXPECT_EQ(edit.fields[0], field);
            EXPECT_EQ(static_cast<int>(edit.values.size()), c.valueCount);
            EXPECT_EQ(edit.mode, 0);
        }
        // The last report carries the value the drag left.
        const std::vector<double> &last = g_edits.back().values;
        if (c.valueCount == 3) {
            const Vec3 v = std::string(c.field) == "translation" ? transform->m_translation.Get(true)
                                                                   : transform->m_scaleFactor.Get(true);
            EXPECT_NEAR((Vec3(last[0], last[1], last[2]) - v).Length(), 0.0, 1e-9);
        } else {
            const Rotation r = transform->m_rotation.Get(true);
            EXPECT_NEAR(last[3], r.GetAngle(), 1e-9);
            EXPECT_GT(std::fabs(last[3]), 0.01) << "the drag turned the object";
        }
        m_h.Document()->Undo();
        transform->m_translation.Set(Vec3(0, 0, 0));
        transform->m_scaleFactor.Set(Vec3(1, 1, 1));
        transform->m_rotation.Set(Rotation());
        m_h.Paint();
    }
    m_h.Document()->SetFieldEditCallback(nullptr);
}

TEST_F(MoveToolTest, HoveringTheYArrowHighlightsItAndMovingOffRemovesIt)
{
    SelectCube();
    SgTransformTool *tool = Tool();
    ASSERT_NE(tool, nullptr);
    const Vec2i tip = ProjectGizmo(Vec3(0, 1.1, 0));
    const Pixel before = m_h.At(tip.x, tip.y);
    EXPECT_GT(before[1], 200) << "the Y arrow is green: " << before;
    m_h.Move(ProjectGizmo(Vec3(0, 0.8, 0)));
    EXPECT_EQ(tool->GetCurrentHandle(), 1);
    auto *handle = static_cast<SgGroup *>(tool->GetHandle(1));
    EXPECT_EQ(handle->GetChild(0), tool->GetHandleHighlight());
    m_h.Paint();
    const Pixel lit = m_h.At(tip.x, tip.y);
    EXPECT_GT(lit[0], 200) << lit;
    EXPECT_GT(lit[1], 200) << "yellow: " << lit;
    EXPECT_LT(lit[2], 60) << lit;

    m_h.Move({20, 20});
    EXPECT_EQ(tool->GetCurrentHandle(), -1);
    EXPECT_NE(handle->GetChild(0), tool->GetHandleHighlight());
    m_h.Paint();
    EXPECT_EQ(m_h.At(tip.x, tip.y), before);
}

TEST_F(MoveToolTest, TheGizmoKeepsItsSizeOnTheScreenWhateverTheObjectsScaleAndDistance)
{
    SelectCube();
    ASSERT_NE(Tool(), nullptr);
    const Vec2i centre = m_h.Project(Vec3(0, 0, 0));
    // The arrow's tip lies 1.1 gizmo units out, 80 pixels a unit.
    const double expected = SgTransformTool::kArmLength * SgTransformTool::kGizmoPixels;
    struct Case {
        const char *name;
        Vec3 scale;
        Vec3 translation;
    } cases[] = {
        {"AsPlaced", {1, 1, 1}, {0, 0, 0}},
        {"ScaledThreeTimes", {3, 3, 3}, {0, 0, 0}},
        {"FartherAway", {1, 1, 1}, {0, 0, -3}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        m_object->GetTransform(true)->m_scaleFactor.Set(c.scale);
        m_object->GetTransform(true)->m_translation.Set(c.translation);
        m_h.Paint();
        const Vec3 g = Tool()->GizmoScale();
        const Vec3 tip = c.translation + Vec3(SgTransformTool::kArmLength * g[0] * c.scale[0], 0, 0);
        const Vec2i from = m_h.Project(c.translation);
        const Vec2i to = m_h.Project(tip);
        EXPECT_NEAR(to.x - from.x, expected, 2.0);
        EXPECT_NEAR(to.y, from.y, 1.0);
        (void)centre;
    }
}

TEST_F(MoveToolTest, ACtrlPressOnAnArrowStartsNoDrag)
{
    SelectCube();
    const Vec2i from = ProjectGizmo(Vec3(0.55, 0, 0));
    m_h.Down(Button::Left, from, SgEvent::kCtrlBit);
    m_h.Move({from.x + 40, from.y}, SgEvent::kCtrlBit);
    m_h.Up(Button::Left, {from.x + 40, from.y}, SgEvent::kCtrlBit);
    EXPECT_NEAR(Translation()[0], 0.0, 1e-12);
    EXPECT_FALSE(m_h.HasCapture());
}

TEST_F(MoveToolTest, DeletingTheObjectMidDragLeavesNoGrabCaptureOrFlag)
{
    SelectCube();
    const Vec2i from = ProjectGizmo(Vec3(0.55, 0, 0));
    m_h.Down(Button::Left, from);
    m_h.Move({from.x + 10, from.y});
    ASSERT_TRUE(m_h.HasCapture());
    SgPath path = Handler()->GetPathList().GetAt(Handler()->GetPathList().GetFirst());
    Handler()->Delete(path);
    EXPECT_EQ(Handler()->GetSelCount(), 0);
    m_h.Move({from.x + 20, from.y});
    m_h.Up(Button::Left, {from.x + 20, from.y});
    EXPECT_FALSE(m_h.HasCapture());
    EXPECT_FALSE(m_h.ToolActive());
    m_h.Paint();
    // The window still answers: a click on empty space is harmless.
    m_h.Down(Button::Left, {20, 20});
    m_h.Up(Button::Left, {20, 20});
    EXPECT_EQ(Handler()->GetSelCount(), 0);
}

TEST_F(MoveToolTest, AnObjectDeletedFromItsParentWhileSelectedOrDraggedLeavesNothingBehind)
{
    for (bool dragging : {true, false}) {
        SCOPED_TRACE(dragging ? "mid-drag" : "selected");
        SgObject *object = m_h.AddCube(kRed, 0.5);
        SgObject *previous = m_object;
        m_object = object;
        m_h.Paint();
        Handler()->DeselectAll();
        SelectCube();
        ASSERT_EQ(Handler()->GetSelCount(), 1);
        const Vec2i from = ProjectGizmo(Vec3(0.55, 0, 0));
        if (dragging) {
            m_h.Down(Button::Left, from);
            m_h.Move({from.x + 10, from.y});
            ASSERT_TRUE(m_h.HasCapture());
        }
        // Not through the handler: the scene's own deletion (an undo, a script).
        m_h.Document()->GetRoot()->DeleteChild(object);
        m_h.Move({from.x + 20, from.y});
        m_h.Up(Button::Left, {from.x + 20, from.y});
        EXPECT_FALSE(m_h.HasCapture());
        EXPECT_FALSE(m_h.ToolActive());
        m_h.Paint();
        // Hovering, clicking and deselecting afterwards touch nothing that is gone.
        m_h.Move(m_h.Project(Vec3(0, 0, 0)));
        m_h.Down(Button::Left, {20, 20});
        m_h.Up(Button::Left, {20, 20});
        EXPECT_EQ(Handler()->GetSelCount(), 0);
        m_object = previous;
    }
}

struct PivotCase {
    const char *name;
    int pivotMode;
    int centreSign;        // the center moves by this times R^-1 d
    bool translationMoves; // the translation moves by d
};

const PivotCase kPivotCases[] = {
    {"ModeOneMovesThePivotAndTheObjectFollows", 1, 1, true},
    {"ModeTwoMovesThePivotAgainstTheDrag", 2, -1, false},
};

TEST_F(MoveToolTest, InAPivotModeTheArrowsMoveTheTransformsCenterThroughTheObjectsTurn)
{
    // Turned a quarter about z: the object's x arrow points up the window.
    m_object->GetTransform(true)->m_rotation.Set(Rotation(Vec3(0, 0, 1), std::numbers::pi / 2));
    for (const PivotCase &c : kPivotCases) {
        SCOPED_TRACE(c.name);
        m_object->GetTransform(true)->m_translation.Set(Vec3(0, 0, 0));
        m_object->GetTransform(true)->m_center.Set(Vec3(0, 0, 0));
        m_h.Document()->SetPivotMode(c.pivotMode);
        Handler()->DeselectAll();
        SelectCube();
        ASSERT_NE(Tool(), nullptr);
        const double g = Tool()->GizmoScale()[0];
        const Vec2i from = m_h.Project(Vec3(0, 0.55 * g, 0));
        m_h.Down(Button::Left, from);
        ASSERT_EQ(Tool()->GetCurrentHandle(), 0);
        for (int s = 1; s <= 4; ++s)
            m_h.Move({from.x, from.y - 10 * s});
        m_h.Up(Button::Left, {from.x, from.y - 40});
        const double d = UnitsPerPixel() * 40;
        const Vec3 centre = m_object->GetTransform(true)->m_center.Get(true);
        EXPECT_NEAR(centre[0], c.centreSign * d, d * 0.03) << "R^-1 of (0, d, 0)";
        EXPECT_NEAR(centre[1], 0.0, 1e-6);
        const Vec3 t = Translation();
        EXPECT_NEAR(t[1], c.translationMoves ? d : 0.0, d * 0.03);
        EXPECT_NEAR(t[0], 0.0, 1e-6);
        // The pivot marker stands at the moved center.
        auto *marker = static_cast<SgGroup *>(Tool()->GetGizmo()->FindFirstNodeCond(
            [](SgNode *n) { return n->GetName() == "PIVOT"; }));
        ASSERT_NE(marker, nullptr);
        auto *place = static_cast<SgTransform *>(marker->GetChild(0));
        EXPECT_NEAR((place->m_translation.Get(true) - centre).Length(), 0.0, 1e-12);
    }
    m_h.Document()->SetPivotMode(0);
}

// A press on the object itself, away from every handle, drags with the
// handle this kind of tool last dragged: at first the move tool's plane
// normal to z and the trackball's z ring.
struct ObjectDrag {
    const char *name;
    const char *toolClass;
    int armFirst;       // an arrow dragged first (it becomes the remembered handle), -1 none
    int rememberedHandle;
    bool movesX, movesY;
    bool turnsAboutZ;
    double scale;       // the trackball's ball covers a small object: it is grown past it
};

const ObjectDrag kObjectDrags[] = {
    {"MoveToolAtFirstInItsXYPlane", "SgMoveTool", -1, 5, true, true, false, 1},
    {"MoveToolAfterTheXArrowAlongX", "SgMoveTool", 0, 0, true, false, false, 1},
    {"TrackballAtFirstAboutZ", "SgTrackballTool", -1, 2, false, false, true, 4},
};

TEST_F(MoveToolTest, APressOnTheObjectItselfDragsWithTheRememberedHandle)
{
    SgTransform *transform = m_object->GetTransform(true);
    for (const ObjectDrag &c : kObjectDrags) {
        SCOPED_TRACE(c.name);
        m_h.Document()->SetActiveHandle(SgDocument::kMoveHandle, 5);
        m_h.Document()->SetActiveHandle(SgDocument::kTrackballHandle, 2);
        transform->m_translation.Set(Vec3(0, 0, 0));
        transform->m_rotation.Set(Rotation());
        transform->m_scaleFactor.Set(Vec3(c.scale, c.scale, c.scale));
        Handler()->DeselectAll();
        Handler()->AddSelectionCB(&SgSelectionHandler::TransformTool, SgNode::GetClassIDFromName(c.toolClass));
        SelectCube();
        ASSERT_NE(Tool(), nullptr);
        if (c.armFirst >= 0) {
            Vec3 mid(0, 0, 0);
            mid[c.armFirst] = 0.55;
            const Vec2i from = ProjectGizmo(mid);
            m_h.Drag(Button::Left, from, {from.x + 20, from.y}, 2);
            transform->m_translation.Set(Vec3(0, 0, 0));
            m_h.Paint();
        }
        m_h.Document()->ResetUndo();
        // A corner of the cube's face, clear of the gizmo's handles.
        const Vec2i from = m_h.Project(Vec3(0.2, -0.2, 0.25) * c.scale);
        m_h.Down(Button::Left, from);
        EXPECT_EQ(Tool()->GetCurrentHandle(), c.rememberedHandle);
        for (int s = 1; s <= 3; ++s)
            m_h.Move({from.x + 10 * s, from.y - 10 * s});
        m_h.Up(Button::Left, {from.x + 30, from.y - 30});
        const Vec3 t = Translation();
        EXPECT_EQ(std::fabs(t.x) > 0.05, c.movesX) << t.x;
        EXPECT_EQ(std::fabs(t.y) > 0.05, c.movesY) << t.y;
        EXPECT_NEAR(t.z, 0.0, 1e-9);
        const Rotation r = transform->m_rotation.Get(true);
        EXPECT_EQ(std::fabs(r.GetAngle()) > 0.05, c.turnsAboutZ) << r.GetAngle();
        if (c.turnsAboutZ) {
            EXPECT_NEAR(std::fabs(r.GetAxis().z), 1.0, 1e-9);
        }
        EXPECT_EQ(Handler()->GetSelCount(), 1);
        EXPECT_FALSE(m_h.ToolActive());
        m_h.Document()->Undo();
        EXPECT_NEAR(Translation().Length(), 0.0, 1e-12) << "one undo step";
        transform->m_scaleFactor.Set(Vec3(1, 1, 1));
    }
    Handler()->AddSelectionCB(&SgSelectionHandler::TransformTool, SgMoveTool::ClassID());
}

TEST_F(MoveToolTest, AClickOnTheSelectedObjectWithoutMovingChangesNothing)
{
    SgTransform *transform = m_object->GetTransform(true);
    transform->m_translation.Set(Vec3(-3.0, 0, 0) + Vec3(3.0, 0, 0));
    SelectCube();
    ASSERT_NE(Tool(), nullptr);
    m_h.Document()->ResetUndo();
    const Vec3 before = Translation();
    // A corner of the cube's face, clear of the gizmo's handles; a still
    // click and one that jitters by a pixel.
    const Vec2i at = m_h.Project(Vec3(0.2, -0.2, 0.25));
    for (int jitter : {0, 1}) {
        SCOPED_TRACE(jitter);
        m_h.Down(Button::Left, at);
        if (jitter)
            m_h.Move({at.x + jitter, at.y});
        m_h.Up(Button::Left, at);
        EXPECT_TRUE(Translation() == before) << "the click moved the object to " << Translation().x;
        EXPECT_FALSE(m_h.Document()->IsUndoStackNonEmpty()) << "the click left an undo step";
        EXPECT_EQ(Handler()->GetSelCount(), 1);
    }
}

TEST_F(MoveToolTest, DragAndDropCarriesTheSelectedObjectOntoWhatLiesUnderTheCursorInOneUndoStep)
{
    EXPECT_FALSE(Handler()->ActivateDragAndDrop()) << "nothing selected";
    SgObject *target = m_h.AddCube(Color(0, 1, 0, 1), 0.5);
    target->GetTransform(true)->m_translation.Set(Vec3(1.5, 0, 0));
    m_h.Paint();
    SelectCube();
    m_h.Document()->ResetUndo();
    ASSERT_TRUE(Handler()->ActivateDragAndDrop());
    EXPECT_FALSE(m_h.HasCapture()) << "a drop grabs nothing";
    m_h.Move(m_h.Project(Vec3(1.5, 0.1, 0.25)));
    const Vec3 t = Translation();
    EXPECT_NEAR(t[0], 1.5, 0.03);
    EXPECT_NEAR(t[1], 0.1, 0.03);
    EXPECT_NEAR(t[2], 0.25, 0.03) << "on the target's front face";
    m_h.Up(Button::Left, m_h.Project(Vec3(1.5, 0.1, 0.25)));
    EXPECT_EQ(Handler()->GetSelCount(), 1) << "the drop is no click";
    EXPECT_FALSE(m_h.Document()->IsInKeyPoint());
    m_h.Document()->Undo();
    EXPECT_NEAR(Translation()[0], 0.0, 1e-12) << "one undo";

    // The trackball has no drop.
    Handler()->AddSelectionCB(&SgSelectionHandler::TransformTool, SgTrackballTool::ClassID());
    Handler()->DeselectAll();
    SelectCube();
    EXPECT_FALSE(Handler()->ActivateDragAndDrop());
}

} // namespace

namespace {

// The trackball chosen as the selection's tool.
class TrackballTest : public MoveToolTest {
protected:
    void SetUp() override
    {
        MoveToolTest::SetUp();
        Handler()->AddSelectionCB(&SgSelectionHandler::TransformTool, SgTrackballTool::ClassID());
        SelectCube();
    }
    Vec3 TurnedX() { return m_object->GetTransform(true)->m_rotation.Get(true).Rotate(Vec3(1, 0, 0)); }
};

TEST_F(TrackballTest, TenPeriodsTurnTheObjectByThreeQuartersOfARadianAboutZAndTenCommasTurnItBack)
{
    ASSERT_NE(Tool(), nullptr);
    EXPECT_TRUE(Tool()->IsDerivedFrom(SgTrackballTool::ClassID()));
    for (int i = 0; i < 10; ++i)
        m_h.KeyDown(SgTrackballTool::kPeriodKey);
    Vec3 x = TurnedX();
    EXPECT_NEAR(x[0], std::cos(0.75), 1e-9);
    EXPECT_NEAR(x[1], std::sin(0.75), 1e-9);
    EXPECT_NEAR(x[2], 0.0, 1e-9);
    for (int i = 0; i < 10; ++i)
        m_h.KeyDown(SgTrackballTool::kCommaKey);
    x = TurnedX();
    EXPECT_NEAR(x[0], 1.0, 1e-9);
    EXPECT_NEAR(x[1], 0.0, 1e-9);
    m_h.KeyDown('A');
    EXPECT_NEAR(TurnedX()[0], 1.0, 1e-9) << "other keys change nothing";
}

TEST_F(TrackballTest, TheBallTurnsFreelyAndTheOuterCircleTurnsAboutTheViewingDirection)
{
    ASSERT_NE(Tool(), nullptr);
    const double g = Tool()->GizmoScale()[0];
    EXPECT_EQ(Tool()->GetHandle(SgTrackballTool::kBall)->GetName(), "TRACK-BALL");

    // The ball, pressed between the rings and dragged right: the front of
    // the object follows the cursor, so its x axis swings away from the viewer.
    m_h.Document()->ResetUndo();
    const Vec2i onBall = m_h.Project(Vec3(0.4 * g, 0.4 * g, 0));
    m_h.Down(Button::Left, onBall);
    EXPECT_EQ(Tool()->GetCurrentHandle(), SgTrackballTool::kBall);
    for (int s = 1; s <= 4; ++s)
        m_h.Move({onBall.x + 10 * s, onBall.y});
    m_h.Up(Button::Left, {onBall.x + 40, onBall.y});
    Vec3 x = TurnedX();
    EXPECT_LT(x[2], -0.1) << x;
    EXPECT_GT(x[0], 0.5) << x;
    m_h.Document()->Undo();
    EXPECT_NEAR(TurnedX()[0], 1.0, 1e-9) << "one undo";

    // The outer circle, dragged a quarter round counter-clockwise: a
    // quarter turn about the viewing direction.
    const double r = SgTrackballTool::kOuterRadius * g;
    const Vec2i top = m_h.Project(Vec3(0, r, 0));
    m_h.Down(Button::Left, top);
    EXPECT_EQ(Tool()->GetCurrentHandle(), SgTrackballTool::kOuter);
    const int steps = 6;
    for (int s = 1; s <= steps; ++s) {
        const double a = std::numbers::pi / 2 + std::numbers::pi / 2 * s / steps;
        m_h.Move(m_h.Project(Vec3(r * std::cos(a), r * std::sin(a), 0)));
    }
    m_h.Up(Button::Left, m_h.Project(Vec3(-r, 0, 0)));
    x = TurnedX();
    EXPECT_NEAR(x[0], 0.0, 0.15) << x;
    EXPECT_NEAR(x[1], 1.0, 0.15) << x;
}

TEST_F(TrackballTest, DraggingTheZRingAQuarterRoundTurnsTheObjectAQuarterTurnInOneUndoStep)
{
    m_h.Document()->ResetUndo();
    const double r = SgTrackballTool::kRingRadius * Tool()->GizmoScale()[0];
    // From 45 degrees, where no other ring crosses the Z ring, to 135.
    const double q = std::numbers::pi / 4;
    const Vec2i from = m_h.Project(Vec3(r * std::cos(q), r * std::sin(q), 0));
    m_h.Down(Button::Left, from);
    ASSERT_EQ(Tool()->GetCurrentHandle(), 2);
    const int steps = 6;
    for (int s = 1; s <= steps; ++s) {
        const double a = q + std::numbers::pi / 2 * s / steps;
        m_h.Move(m_h.Project(Vec3(r * std::cos(a), r * std::sin(a), 0)));
    }
    m_h.Up(Button::Left, m_h.Project(Vec3(r * std::cos(3 * q), r * std::sin(3 * q), 0)));
    const Vec3 x = TurnedX();
    EXPECT_NEAR(x[0], 0.0, 0.03);
    EXPECT_NEAR(x[1], 1.0, 0.03);
    EXPECT_NEAR(x[2], 0.0, 1e-9);
    EXPECT_FALSE(m_h.HasCapture());
    m_h.Document()->Undo();
    EXPECT_NEAR(TurnedX()[0], 1.0, 1e-9);
}

} // namespace

namespace {

// The examine handler in front of the scene, as the host puts it, with left
// clicks over the scene left to the scene.
class ExamineAndSelectTest : public MoveToolTest {
protected:
    void SetUp() override
    {
        MoveToolTest::SetUp();
        auto *examine = new SgExamineViewHandler;
        examine->SetLeftClickToScene(true);
        m_h.AddViewHandler(examine);
        m_h.Paint();
    }
    // A fixed point of the scene away from the cube: it moves on the screen
    // only when the view turns.
    Vec2i Landmark() { return m_h.Project(Vec3(1.5, 1.0, 0)); }
};

struct Gesture {
    const char *name;
    bool selectFirst;
    Vec3 from;            // where the press lands, in the scene
    bool fromEmpty;       // or on empty space (a window corner)
    Vec2i move;           // pixels; zero for a click
    int selectedAfter;
    bool viewTurns;
    bool objectMoves;
};

// In this order: the gestures that turn the view come last, each from
// where the one before left it.
const Gesture kGestures[] = {
    // Points in the gizmo's frame (the cube's centre is the same in both).
    {"AClickOnTheCubeSelectsIt", false, {0, 0, 0}, false, {0, 0}, 1, false, false},
    {"AClickOnEmptySpaceDeselects", true, {}, true, {0, 0}, 0, false, false},
    {"ADragOnTheXArrowMovesTheCube", true, {0.55, 0, 0}, false, {50, 0}, 1, false, true},
    {"ADragOnEmptySpaceTurnsTheView", true, {}, true, {60, 10}, 1, true, false},
    {"ADragOnTheCubeTurnsTheViewAndSelectsNothing", false, {0, 0, 0}, false, {60, 10}, 0, true, false},
};

TEST_F(ExamineAndSelectTest, ALeftClickOverTheSceneSelectsAndADragElsewhereTurnsTheView)
{
    for (const Gesture &g : kGestures) {
        SCOPED_TRACE(g.name);
        Handler()->DeselectAll();
        m_object->GetTransform(true)->m_translation.Set(Vec3(0, 0, 0));
        m_h.Paint();
        if (g.selectFirst) {
            SelectCube();
            ASSERT_EQ(Handler()->GetSelCount(), 1);
        }
        const Vec2i landmark = Landmark();
        const Vec2i from = g.fromEmpty ? Vec2i(15, 15) : ProjectGizmo(g.from);
        const Vec2i to(from.x + g.move.x, from.y + g.move.y);
        m_h.Down(Button::Left, from);
        if (g.objectMoves) {
            ASSERT_NE(Tool(), nullptr);
            EXPECT_EQ(Tool()->GetCurrentHandle(), 0);
        }
        for (int s = 1; s <= 4; ++s)
            m_h.Move({from.x + g.move.x * s / 4, from.y + g.move.y * s / 4});
        m_h.Up(Button::Left, to);
        m_h.Paint();
        EXPECT_EQ(Handler()->GetSelCount(), g.selectedAfter);
        const Vec2i now = Landmark();
        EXPECT_EQ(now.x != landmark.x || now.y != landmark.y, g.viewTurns);
        EXPECT_EQ(Translation()[0] > 0.1, g.objectMoves) << Translation()[0];
        EXPECT_FALSE(m_h.HasCapture());
        EXPECT_FALSE(m_h.ToolActive());
    }
}

} // namespace

namespace {

// The move tool in the view frame: whatever the object's turn, its X arrow
// points right on the screen and drags along the view's x.
TEST_F(MoveToolTest, InTheViewFrameTheArrowsAreTheWindowsAxes)
{
    m_object->GetTransform(true)->m_rotation.Set(Rotation(Vec3(0, 0, 1), std::numbers::pi / 4));
    Handler()->SetTransformToolFrame(SgTransformTool::kViewFrame);
    SelectCube();
    ASSERT_NE(Tool(), nullptr);
    EXPECT_EQ(Tool()->GetMode(), SgTransformTool::kViewFrame);
    // The arrow's middle, 0.55 gizmo units right of the object's origin.
    const Vec2i centre = m_h.Project(Vec3(0, 0, 0));
    const int mid = static_cast<int>(std::lround(0.55 * SgTransformTool::kGizmoPixels));
    const Vec2i from(centre.x + mid, centre.y);
    m_h.Document()->ResetUndo();
    m_h.Down(Button::Left, from);
    EXPECT_EQ(Tool()->GetCurrentHandle(), 0);
    for (int s = 1; s <= 5; ++s)
        m_h.Move({from.x + 10 * s, from.y});
    m_h.Up(Button::Left, {from.x + 50, from.y});
    const Vec3 t = Translation();
    EXPECT_NEAR(t[0], UnitsPerPixel() * 50, UnitsPerPixel() * 50 * 0.03);
    EXPECT_NEAR(t[1], 0.0, 1e-6) << "along the view's x, not the object's turned x";
    EXPECT_NEAR(t[2], 0.0, 1e-6);
}

// An object whose pivot is not its frame's origin (a boolean's result or a
// curve centred on its points): the arrows meet at the pivot, where the
// pivot's ball is drawn and about which the object turns.
TEST_F(MoveToolTest, TheArrowsMeetAtThePivotNotAtTheFramesOrigin)
{
    const int frames[] = {0, SgTransformTool::kViewFrame};
    for (int frame : frames) {
        SCOPED_TRACE(frame);
        Handler()->DeselectAll();
        Handler()->SetTransformToolFrame(frame);
        // The cube stays at the origin: the translation makes up for the pivot.
        const Vec3 pivot(1.5, 0.5, 0);
        m_object->GetTransform(true)->m_center.Set(pivot);
        m_object->GetTransform(true)->m_translation.Set(pivot);
        m_h.Paint();
        SelectCube();
        ASSERT_NE(Tool(), nullptr);
        const Vec2i at = m_h.Project(pivot);
        const int mid = static_cast<int>(std::lround(0.55 * SgTransformTool::kGizmoPixels));
        for (int axis = 0; axis < 2; ++axis) {
            const Vec2i press = axis == 0 ? Vec2i(at.x + mid, at.y) : Vec2i(at.x, at.y - mid);
            m_h.Down(Button::Left, press);
            EXPECT_EQ(Tool()->GetCurrentHandle(), axis) << "no arrow at the pivot";
            m_h.Up(Button::Left, press);
        }
        EXPECT_NEAR((Translation() - pivot).Length(), 0.0, 1e-12) << "a press without a move moved it";
    }
    Handler()->SetTransformToolFrame(0);
}

} // namespace

// The tool protocol in a viewer's window: a running tool holds the window's
// capture and the tool-active flag, picks its start point under the cursor
// (by ray pick or on the work plane), and gives back the capture and the
// undo recording when it finishes or is deleted in the middle of a drag.
#include <gtest/gtest.h>

#include "engine/core/SgPath.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgRubberTool.h"
#include "engine/handlers/SgTool.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "platform/window/SgWindowMessages.h"
#include "engine/viewer/SgViewer.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using namespace windowtest;

const Color kRed(1, 0, 0, 1);
const Vec2i kCentre(320, 240);

// Starts on a left press, picks on each move, finishes on the release.
template <class Base>
class DragTool : public Base {
public:
    int OnLButtonDown(SgHandleEventAction *action) override
    {
        this->Start(action, nullptr);
        return 1;
    }
    int OnMouseMove(SgHandleEventAction *action) override
    {
        if (!this->IsStarted())
            return 0;
        this->PickPoint(action, nullptr);
        return 1;
    }
    int OnLButtonUp(SgHandleEventAction *action) override
    {
        if (!this->IsStarted())
            return 0;
        this->Finish(action);
        return 1;
    }
};

// Makes an object to create and rubber geometry, as a creation tool does.
class CreatingTool : public DragTool<SgRubberTool> {
public:
    void CreateObjectGroup() override
    {
        SetEditSeparator(new SgObject(true, true));
        SetTempSeparator(new SgSeparator);
    }
};

class ToolInWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_h.AddCube(kRed, 1.0);
        m_h.Paint();
    }
    void TearDown() override { SgTool::SetToolActive(false); }

    // The path the tool works in: the document's scene.
    SgPath ScenePath()
    {
        SgPath path;
        path.Append(m_h.Document()->GetRoot());
        return path;
    }
    SgSeparator *ViewRoot() { return m_h.Viewport()->GetNodara(); }

    WindowHarness m_h{640, 480};
};

TEST_F(ToolInWindowTest, RunningToolHoldsTheCaptureAndTheFlagUntilItFinishes)
{
    auto *tool = new DragTool<SgTool>;
    m_h.AddViewHandler(tool);
    EXPECT_EQ(m_h.Down(Button::Left, kCentre), 1) << "while the tool runs the window hears every event as handled";
    EXPECT_TRUE(tool->IsStarted());
    EXPECT_TRUE(m_h.ToolActive());
    EXPECT_TRUE(m_h.HasCapture());
    EXPECT_EQ(tool->GetCapturedViewer(), m_h.Viewer());
    EXPECT_EQ(m_h.Move({330, 250}), 1);
    EXPECT_EQ(m_h.Up(Button::Left, {330, 250}), 0) << "after Finish the flag is down again";
    EXPECT_FALSE(m_h.ToolActive());
    EXPECT_FALSE(m_h.HasCapture());
    EXPECT_EQ(tool->GetCapturedViewer(), nullptr);
}

TEST_F(ToolInWindowTest, ToolDeletedMidDragGivesTheCaptureBack)
{
    auto *tool = new DragTool<SgTool>;
    m_h.AddViewHandler(tool);
    m_h.Down(Button::Left, kCentre);
    ASSERT_TRUE(m_h.HasCapture());
    // The tool grabs the events, as a tool does for the rest of its drag.
    SgHandleEventAction *action = m_h.Viewer()->GetEventAction();
    action->SetTool(tool);
    ViewRoot()->DeleteChild(tool);
    EXPECT_FALSE(m_h.HasCapture()) << "a deleted tool must not leave the mouse captured";
    EXPECT_EQ(action->GetTool(), nullptr) << "the action must not hand the next event to a deleted tool";
    EXPECT_EQ(m_h.Move({330, 250}), 1) << "the flag is the module's: it stays until someone clears it";
}

TEST_F(ToolInWindowTest, RubberToolSwitchesUndoOffWhileItRunsAndBackWhenDeletedMidDrag)
{
    SgDocument *document = m_h.Document();
    document->SetUndoRecording(true);
    for (bool deleteMidDrag : {false, true}) {
        auto *tool = new CreatingTool;
        m_h.AddViewHandler(tool);
        m_h.Down(Button::Left, kCentre);
        ASSERT_TRUE(tool->IsStarted());
        ASSERT_NE(tool->GetEditSeparator(), nullptr);
        EXPECT_GE(ViewRoot()->IndexOf(tool->GetEditSeparator()), 0) << "the new object joins the tool's group";
        EXPECT_EQ(tool->GetDocumentHack(), document) << "the tool works for the viewer's document";
        EXPECT_FALSE(document->IsUndoRecording()) << "creating records no undo while the tool runs";
        if (deleteMidDrag) {
            ViewRoot()->DeleteChild(tool);
        } else {
            m_h.Up(Button::Left, kCentre);
            ViewRoot()->DeleteChild(tool);
        }
        EXPECT_TRUE(document->IsUndoRecording()) << (deleteMidDrag ? "deleted mid-drag" : "finished");
        EXPECT_FALSE(m_h.HasCapture()) << (deleteMidDrag ? "deleted mid-drag" : "finished");
    }
}

TEST_F(ToolInWindowTest, StartPointIsRayPickedOnTheCubeAndTheViewAngleIsAHalfTurn)
{
    auto *tool = new DragTool<SgTool>;
    tool->SetObjectPath(ScenePath());
    m_h.AddViewHandler(tool);
    m_h.Down(Button::Left, kCentre);
    const Vec3 start = tool->GetStartPoint();
    // The camera looks down on the cube's top face, 0.5 above the origin.
    EXPECT_NEAR(start[2], 0.5, 0.01);
    EXPECT_NEAR(start[0], 0.0, 0.01);
    EXPECT_NEAR(start[1], 0.0, 0.01);
    EXPECT_NEAR(tool->GetViewAngle(), 180.0, 0.2) << "the view ray runs against the plane's normal";
    EXPECT_EQ(tool->GetCursorX(), kCentre.x);
    EXPECT_EQ(tool->GetCursorY(), kCentre.y);
    m_h.Up(Button::Left, kCentre);
}

TEST_F(ToolInWindowTest, ProjectOnPlaneFollowsTheCursorAndKeepsItsPointWhenTheViewGrazesThePlane)
{
    auto *tool = new DragTool<SgTool>;
    tool->SetObjectPath(ScenePath());
    tool->SetProjectOnPlane(true);
    m_h.AddViewHandler(tool);
    const Vec3 target(1.2, -0.8, 0.0);
    const Vec2i at = m_h.Project(target);
    m_h.Down(Button::Left, at);
    EXPECT_LT((tool->GetStartPoint() - target).Length(), 0.02) << "the point under the cursor on the XY plane";

    // A plane that contains the view ray through the centre: no intersection.
    tool->SetPlane(Plane(Vec3(1, 0, 0), 0.0));
    m_h.Move(kCentre);
    EXPECT_LT((tool->GetCurrentPoint() - target).Length(), 0.02) << "a grazing ray keeps the last point";
    m_h.Up(Button::Left, kCentre);
}

TEST_F(ToolInWindowTest, ProjectOnLineSnapAndPathPickUnderTheCursor)
{
    auto *tool = new DragTool<SgTool>;
    tool->SetObjectPath(ScenePath());
    m_h.AddViewHandler(tool);
    SgHandleEventAction *action = m_h.Viewer()->GetEventAction();
    SgEvent event;
    action->m_pEvent = &event;
    auto at = [&](Vec2i point) {
        event.SetMouse(SgWM::kMouseMove, 0, SgWM::MakePoint(point.x, point.y));
        action->NewEvent();
    };

    // The ray from the eye (0, 0, 5) through (1.5, 0.3, 0) passes the x axis
    // nearest at x = 37.5 / 25.09.
    at(m_h.Project(Vec3(1.5, 0.3, 0)));
    const Vec3 onLine = tool->ProjectOnLine(action, Vec3(0, 0, 0), Vec3(1, 0, 0));
    EXPECT_NEAR(onLine[0], 37.5 / 25.09, 0.01);
    EXPECT_NEAR(onLine[1], 0.0, 1e-9);
    at(kCentre);
    EXPECT_LT((tool->ProjectOnLine(action, Vec3(0, 0, 0), Vec3(0, 0, 1)) - onLine).Length(), 1e-9)
        << "a line along the view ray keeps the last point";

    Vec3 snapped;
    ASSERT_TRUE(tool->SnapPoint(action, snapped)) << "the cube is snap-able";
    EXPECT_NEAR(snapped[2], 0.5, 0.01) << "its top face under the cursor";
    EXPECT_FALSE(tool->PickPath(action).IsEmpty());
    at({5, 5});
    EXPECT_FALSE(tool->SnapPoint(action, snapped)) << "nothing under the corner";
    EXPECT_TRUE(tool->PickPath(action).IsEmpty());

    // The tool's own object is left out of the pick, and keeps its mode.
    SgObject *cube = static_cast<SgObject *>(m_h.Document()->GetRoot()->GetChild(m_h.Document()->GetRoot()->GetNumChildren() - 1));
    SgPath own = ScenePath();
    own.Append(cube);
    tool->SetObjectPath(own);
    at(kCentre);
    EXPECT_FALSE(tool->SnapPoint(action, snapped));
    EXPECT_EQ(cube->m_selectMode.Get(true), 1);
    action->m_pEvent = nullptr;
}

// Shows a blue box two units right of the origin as rubber geometry while
// the mouse moves.
class RubberBoxTool : public CreatingTool {
public:
    void CreateObjectGroup() override
    {
        CreatingTool::CreateObjectGroup();
        SgSeparator *temp = GetTempSeparator();
        auto *transform = new SgTransform;
        transform->m_translation.Set(Vec3(2, 0, 0));
        auto *material = new SgMaterial;
        const Color blue(0, 0, 1, 1);
        material->m_diffuseColor.SetVals(1, &blue);
        temp->AddChild(transform);
        temp->AddChild(material);
        temp->AddChild(new SgCube);
    }
    int OnMouseMove(SgHandleEventAction *action) override
    {
        if (!IsStarted())
            return 0;
        DrawRubber(action);
        return 1;
    }
};

bool IsBlue(const Pixel &p)
{
    return p[2] > 150 && p[0] < 60 && p[1] < 60;
}

TEST_F(ToolInWindowTest, RubberGeometryIsDrawnDuringTheDragOnly)
{
    auto *tool = new RubberBoxTool;
    m_h.AddViewHandler(tool);
    const Vec2i box = m_h.Project(Vec3(2, 0, 0));
    EXPECT_FALSE(IsBlue(m_h.At(box.x, box.y)));
    m_h.Down(Button::Left, kCentre);
    const int renders = m_h.RenderCount();
    m_h.Move({330, 240});
    EXPECT_EQ(m_h.RenderCount(), renders + 1) << "each rubber step redraws the viewer";
    EXPECT_TRUE(IsBlue(m_h.At(box.x, box.y))) << "the rubber box shows during the drag: " << m_h.At(box.x, box.y);
    EXPECT_EQ(tool->GetEditSeparator()->IndexOf(tool->GetTempSeparator()), -1)
        << "the rubber geometry leaves the scene after the draw";
    EXPECT_EQ(tool->GetTempSeparator()->GetDocument(), nullptr) << "and belongs to no document";
    EXPECT_FALSE(tool->GetTempSeparator()->IsUndoEnabled()) << "what is done to it is never recorded";
    m_h.Up(Button::Left, {330, 240});
    m_h.Paint();
    EXPECT_FALSE(IsBlue(m_h.At(box.x, box.y))) << "gone once the tool finished";
}

} // namespace

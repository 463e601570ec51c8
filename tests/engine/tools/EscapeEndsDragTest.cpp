// Escape in the middle of a gesture, through a headless window: a view
// drag, a drag of a selected object's handle and a rubber band each take
// the key, give the mouse back and let the button's release go by; an
// object drag puts the object back and leaves no undo step. With no gesture
// under way the key is left to others.
#include <gtest/gtest.h>

#include <functional>

#include "engine/document/SgDocument.h"
#include "engine/handlers/SgManipulator.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/handlers/SgTool.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/render/SgViewport.h"
#include "engine/tools/SgExamineViewHandler.h"
#include "engine/tools/SgSelectByFenceTool.h"
#include "engine/tools/SgTransformTool.h"
#include "engine/viewer/SgViewer.h"
#include "platform/window/SgWindowMessages.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using namespace windowtest;

const Color kRed(1, 0, 0, 1);
constexpr int kEscape = SgVK::kEscape;

class EscapeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_object = m_h.AddCube(kRed, 0.5);
        m_h.Paint();
    }

    SgSelectionHandler *Handler() { return m_h.Document()->GetSelectionHandler(); }
    SgTransformTool *Tool()
    {
        auto *manipulator =
            static_cast<SgManipulator *>(m_object->FindFirstNode(SgManipulator::ClassID(), {}, nullptr, true));
        return manipulator ? static_cast<SgTransformTool *>(static_cast<SgNode *>(manipulator->GetTool())) : nullptr;
    }
    Vec2i ProjectGizmo(const Vec3 &p)
    {
        const Vec3 g = Tool() ? Tool()->GizmoScale() : Vec3(1, 1, 1);
        return m_h.Project(Vec3(p[0] * g[0], p[1] * g[1], p[2] * g[2]));
    }
    SgTransform *Transform() { return m_object->GetTransform(true); }
    Mat4 SceneTurn() { return m_h.Viewport()->GetGraphTransform1()->GetMatrix().GetMatrix(); }

    WindowHarness m_h{640, 480};
    SgObject *m_object = nullptr;
};

// A drag of a handle of each transform tool, cancelled half way.
struct HandleDrag {
    const char *toolClass;
    Vec3 press;  // in the gizmo's frame
};
const HandleDrag kHandleDrags[] = {
    {"SgMoveTool", {0.55, 0, 0}},
    {"SgScaleTool", {1.1, 0, 0}},
    {"SgTrackballTool", {0.7425, 0.7425, 0}},
};

TEST_F(EscapeTest, EscapeDuringAHandleDragPutsTheObjectBackAndLeavesNoUndoStep)
{
    SgTransform *transform = Transform();
    for (const HandleDrag &c : kHandleDrags) {
        SCOPED_TRACE(c.toolClass);
        Handler()->DeselectAll();
        Handler()->AddSelectionCB(&SgSelectionHandler::TransformTool, SgNode::GetClassIDFromName(c.toolClass));
        m_h.Down(Button::Left, m_h.Project(Vec3(0, 0, 0)));
        m_h.Up(Button::Left, m_h.Project(Vec3(0, 0, 0)));
        m_h.Paint();
        ASSERT_NE(Tool(), nullptr);
        ASSERT_STREQ(Tool()->GetClassName(), c.toolClass);
        m_h.Document()->ResetUndo();
        const Mat4 before = transform->GetMatrix().GetMatrix();

        const Vec2i from = ProjectGizmo(c.press);
        m_h.Down(Button::Left, from);
        ASSERT_GE(Tool()->GetCurrentHandle(), 0) << "the press missed the handle";
        for (int s = 1; s <= 4; ++s)
            m_h.Move({from.x + 12 * s, from.y - 6 * s});
        ASSERT_FALSE(transform->GetMatrix().GetMatrix() == before) << "the drag moved nothing";

        EXPECT_NE(m_h.KeyDown(kEscape), 0) << "the drag did not take Escape";
        m_h.KeyUp(kEscape);
        EXPECT_TRUE(transform->GetMatrix().GetMatrix() == before) << "the object was not put back";
        EXPECT_FALSE(m_h.HasCapture());
        EXPECT_FALSE(m_h.ToolActive());
        EXPECT_FALSE(m_h.Document()->IsUndoStackNonEmpty()) << "a cancelled drag left an undo step";
        EXPECT_FALSE(m_h.Document()->IsInKeyPoint());

        // The button is still down: further moves and the release change nothing.
        m_h.Move({from.x + 80, from.y - 40});
        m_h.Up(Button::Left, {from.x + 80, from.y - 40});
        EXPECT_TRUE(transform->GetMatrix().GetMatrix() == before) << "moves after Escape still dragged";
        EXPECT_FALSE(m_h.Document()->IsUndoStackNonEmpty());
        EXPECT_EQ(Tool()->GetDragState(), SgTransformTool::kArmed) << "the tool is ready for the next drag";
    }
}

TEST_F(EscapeTest, EscapeDuringAViewDragEndsItWhereItIs)
{
    auto *handler = new SgExamineViewHandler;
    m_h.AddViewHandler(handler);
    const Vec2i from(100, 100);
    m_h.Down(Button::Left, from);
    m_h.Move({140, 100});
    ASSERT_TRUE(m_h.HasCapture());
    const Mat4 turned = SceneTurn();

    EXPECT_NE(m_h.KeyDown(kEscape), 0);
    EXPECT_FALSE(m_h.HasCapture()) << "the cancelled drag kept the mouse";
    EXPECT_EQ(handler->GetMode(), SgExamineViewHandler::kNone);
    m_h.Move({200, 130});
    EXPECT_TRUE(SceneTurn() == turned) << "moves after Escape still turned the view";
    m_h.Up(Button::Left, {200, 130});
    EXPECT_TRUE(SceneTurn() == turned);

    // The next drag turns the view again.
    m_h.Drag(Button::Left, {100, 100}, {140, 100}, 2);
    EXPECT_FALSE(SceneTurn() == turned);
    EXPECT_FALSE(m_h.HasCapture());
}

TEST_F(EscapeTest, EscapeDuringARubberBandSelectsNothing)
{
    auto *fence = new SgSelectByFenceTool(m_h.Document());
    m_h.AddViewHandler(fence);
    const Vec2i a = m_h.Project(Vec3(-1, 1, 0));
    const Vec2i b = m_h.Project(Vec3(1, -1, 0));
    m_h.Down(Button::Left, a);
    m_h.Move(b);
    ASSERT_TRUE(fence->InGesture());

    EXPECT_NE(m_h.KeyDown(kEscape), 0);
    EXPECT_FALSE(fence->InGesture());
    EXPECT_FALSE(m_h.HasCapture());
    EXPECT_FALSE(m_h.Viewer()->HasRubberBand()) << "the band stayed on the screen";
    m_h.Up(Button::Left, b);
    EXPECT_EQ(Handler()->GetSelCount(), 0) << "the release after Escape selected";
}

TEST_F(EscapeTest, WithoutAGestureEscapeIsLeftToOthers)
{
    const struct {
        const char *name;
        std::function<void()> install;
    } cases[] = {
        {"view handler", [this] { m_h.AddViewHandler(new SgExamineViewHandler); }},
        {"fence tool", [this] { m_h.AddViewHandler(new SgSelectByFenceTool(m_h.Document())); }},
        {"move tool armed", [this] {
             m_h.Down(Button::Left, m_h.Project(Vec3(0, 0, 0)));
             m_h.Up(Button::Left, m_h.Project(Vec3(0, 0, 0)));
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        c.install();
        EXPECT_EQ(m_h.KeyDown(kEscape), 0);
        m_h.KeyUp(kEscape);
    }
}

} // namespace

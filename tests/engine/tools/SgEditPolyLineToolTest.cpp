// The polyline editing tool driven through a headless window: a click on a
// curve starts it, a vertex marker is dragged, a click inside a segment
// inserts a vertex and shifts the later loops, Delete removes the selected
// vertex, a click beside the curve ends the editing; each edit is one undo
// step (compared on the written scene text).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgSpline.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/tools/SgEditPolyLineTool.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using namespace windowtest;

class EditPolyLineTest : public ::testing::Test {
protected:
    // Two loops: (0,0) (1,0) (1,1) and (-1,-1) (-1,0); the second starts at 3.
    void SetUp() override
    {
        auto *object = new SgObject(true, true);
        m_curve = new SgPolyLine;
        const Vec3 points[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {-1, -1, 0}, {-1, 0, 0}};
        m_curve->m_coordinates.SetVals(5, points);
        const int jumps[] = {3};
        m_curve->m_jumps.SetVals(1, jumps);
        object->AddChild(m_curve);
        m_h.Document()->GetRoot()->AddChild(object);
        m_tool = new SgEditPolyLineTool;
        m_h.Document()->GetRoot()->AddChild(m_tool);
        m_h.Document()->ResetUndo();
        m_h.Paint();
    }
    std::string SceneText()
    {
        std::ostringstream out;
        m_h.Document()->SaveStream(nullptr, &out, "kvrx");
        return out.str();
    }
    void Click(const Vec3 &p)
    {
        const Vec2i at = m_h.Project(p);
        m_h.Down(Button::Left, at);
        m_h.Up(Button::Left, at);
    }
    std::vector<int> Jumps() { return m_curve->m_jumps.GetValues(); }

    WindowHarness m_h{640, 480};
    SgPolyLine *m_curve = nullptr;
    SgEditPolyLineTool *m_tool = nullptr;
};

TEST_F(EditPolyLineTest, DragInsertDeleteAndLeave)
{
    const std::string original = SceneText();
    Click(Vec3(0.5, 0.0, 0));
    ASSERT_TRUE(m_tool->IsStarted()) << "a click on the curve starts the editing";
    EXPECT_EQ(m_tool->GetCurve(), m_curve);
    EXPECT_EQ(m_tool->GetMarkerCount(), 5);

    // Drag vertex 1 from (1, 0) to (1.5, -0.5).
    m_h.Down(Button::Left, m_h.Project(Vec3(1, 0, 0)));
    EXPECT_EQ(m_tool->GetSelectedIndex(), 1);
    m_h.Move(m_h.Project(Vec3(1.25, -0.25, 0)));
    m_h.Move(m_h.Project(Vec3(1.5, -0.5, 0)));
    m_h.Up(Button::Left, m_h.Project(Vec3(1.5, -0.5, 0)));
    const Vec3 moved = m_curve->m_coordinates.GetValue(1);
    EXPECT_NEAR(moved.x, 1.5, 0.01);
    EXPECT_NEAR(moved.y, -0.5, 0.01);
    EXPECT_NEAR(moved.z, 0.0, 1e-9);
    EXPECT_EQ(m_tool->GetMarkerPosition(1), moved) << "the marker follows its vertex";
    EXPECT_FALSE(m_h.Document()->IsInKeyPoint());

    // A click inside segment 0 inserts a vertex there; the second loop now starts at 4.
    Click(Vec3(0.75, -0.25, 0));
    ASSERT_EQ(m_curve->m_coordinates.GetCount(), 6);
    EXPECT_EQ(Jumps(), std::vector<int>({4}));
    EXPECT_EQ(m_tool->GetSelectedIndex(), 1);
    EXPECT_EQ(m_tool->GetMarkerCount(), 6);
    EXPECT_NEAR(m_curve->m_coordinates.GetValue(1).x, 0.75, 0.02);

    // Delete removes the selected vertex and shifts the loop back.
    m_h.KeyDown(SgEditPolyLineTool::kDeleteKey);
    EXPECT_EQ(m_curve->m_coordinates.GetCount(), 5);
    EXPECT_EQ(Jumps(), std::vector<int>({3}));
    EXPECT_EQ(m_tool->GetSelectedIndex(), -1);
    EXPECT_EQ(m_tool->GetMarkerCount(), 5) << "the markers are rebuilt";
    m_h.KeyDown(SgEditPolyLineTool::kDeleteKey);
    EXPECT_EQ(m_curve->m_coordinates.GetCount(), 5) << "Delete without a selection does nothing";

    // A click beside the curve ends the editing and takes the markers away.
    Click(Vec3(-1.5, 1.5, 0));
    EXPECT_FALSE(m_tool->IsStarted());
    const std::string edited = SceneText();
    EXPECT_EQ(edited.find("PointSet"), std::string::npos) << "no marker stays in the scene";

    // Three edits, three undo steps: delete, insert, drag.
    m_h.Document()->Undo();
    EXPECT_EQ(m_curve->m_coordinates.GetCount(), 6);
    m_h.Document()->Undo();
    EXPECT_EQ(m_curve->m_coordinates.GetCount(), 5);
    EXPECT_EQ(m_curve->m_coordinates.GetValue(1), moved);
    m_h.Document()->Undo();
    EXPECT_EQ(SceneText(), original);
    m_h.Document()->Redo();
    m_h.Document()->Redo();
    m_h.Document()->Redo();
    EXPECT_EQ(SceneText(), edited);
}

// The editing lasts over many clicks, but the pointer is held only while a
// button is down: between clicks the window's menus and keys work.
TEST_F(EditPolyLineTest, ThePointerIsHeldOnlyWhileAButtonIsDown)
{
    const Vec2i on = m_h.Project(Vec3(0.5, 0.0, 0));
    m_h.Down(Button::Left, on);
    EXPECT_TRUE(m_h.HasCapture()) << "the click that starts the editing";
    m_h.Up(Button::Left, on);
    ASSERT_TRUE(m_tool->IsStarted());
    EXPECT_FALSE(m_h.HasCapture()) << "held after the click that started the editing";

    const Vec2i vertex = m_h.Project(Vec3(1, 0, 0));
    m_h.Down(Button::Left, vertex);
    EXPECT_TRUE(m_h.HasCapture()) << "a vertex dragged";
    m_h.Move(m_h.Project(Vec3(1.25, -0.25, 0)));
    m_h.Up(Button::Left, m_h.Project(Vec3(1.25, -0.25, 0)));
    EXPECT_TRUE(m_tool->IsStarted());
    EXPECT_FALSE(m_h.HasCapture()) << "held after a vertex was dropped";
}

TEST_F(EditPolyLineTest, DeletingABezierVertexTakesItsTangents)
{
    m_h.Document()->GetRoot()->DeleteChild(m_tool);
    auto *object = new SgObject(true, true);
    auto *spline = new SgBezierSpline;
    const Vec3 points[] = {{-2, 1, 0}, {-1, 1.5, 0}, {0, 1, 0}};
    const Vec3 tangents[] = {{-0.1, 0, 0}, {0.1, 0, 0}, {-0.2, 0, 0}, {0.2, 0, 0}, {-0.3, 0, 0}, {0.3, 0, 0}};
    spline->m_coordinates.SetVals(3, points);
    spline->m_cntrlPoints.SetVals(6, tangents);
    object->AddChild(spline);
    m_h.Document()->GetRoot()->AddChild(object);
    m_tool = new SgEditPolyLineTool;
    m_h.Document()->GetRoot()->AddChild(m_tool);
    m_h.Paint();
    Click(Vec3(-1, 1.5, 0));
    ASSERT_EQ(m_tool->GetCurve(), spline);
    EXPECT_EQ(m_tool->GetMarkerCount(), 9) << "three vertices and six tangent ends";
    m_h.Down(Button::Left, m_h.Project(Vec3(-1, 1.5, 0)));
    m_h.Up(Button::Left, m_h.Project(Vec3(-1, 1.5, 0)));
    ASSERT_EQ(m_tool->GetSelectedIndex(), 1);
    m_h.KeyDown(SgEditPolyLineTool::kDeleteKey);
    EXPECT_EQ(spline->m_coordinates.GetCount(), 2);
    ASSERT_EQ(spline->m_cntrlPoints.GetCount(), 4);
    EXPECT_EQ(spline->m_cntrlPoints.GetValue(2), Vec3(-0.3, 0, 0)) << "the third vertex's tangents move down";
    EXPECT_EQ(m_tool->GetMarkerCount(), 6);
}

} // namespace

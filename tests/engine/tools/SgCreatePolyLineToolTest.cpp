// The curve creation tools driven through a headless window: clicks add
// points, a double click finishes (and the release after it adds nothing),
// snapped segment directions, polygons and their minimum of three points,
// Bezier tangents, and undo of a drawn curve.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>
#include <string>

#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgPolygon.h"
#include "engine/nodes/geometry/SgSpline.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/tools/SgCreateBezierTool.h"
#include "engine/tools/SgCreatePolyLineTool.h"
#include "engine/tools/SgCreatePolygonTool.h"
#include "engine/tools/SgExamineViewHandler.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using namespace windowtest;

SgNode *FindShape(SgNode *node)
{
    if (!node || node->IsShape())
        return node;
    for (int i = 0; i < node->GetNumChildren(); ++i)
        if (SgNode *found = FindShape(node->GetChild(i)))
            return found;
    return nullptr;
}

int g_started = 0;
int g_finished = 0;
void *g_finishedObject = nullptr;

class CurveToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_started = g_finished = 0;
        g_finishedObject = nullptr;
        m_h.Document()->SetToolNotify(0, [](SgDocument *, int, void *) { ++g_started; });
        m_h.Document()->SetToolNotify(1, [](SgDocument *, int, void *object) {
            ++g_finished;
            g_finishedObject = object;
        });
    }

    template <class Tool>
    Tool *AddTool(Tool *tool)
    {
        tool->SetProjectOnPlane(true);
        tool->SetStartFlag(true);
        m_h.Document()->GetRoot()->AddChild(tool);
        m_h.Paint();
        return tool;
    }
    void Click(Vec2i at)
    {
        m_h.Move(at);
        m_h.Down(Button::Left, at);
        m_h.Up(Button::Left, at);
    }
    std::string SceneText()
    {
        std::ostringstream out;
        m_h.Document()->SaveStream(nullptr, &out, "kvrx");
        return out.str();
    }
    int RootChildren() { return m_h.Document()->GetRoot()->GetNumChildren(); }

    WindowHarness m_h{640, 480};
};

TEST_F(CurveToolTest, TwoClicksAndADoubleClickGiveThreePoints)
{
    auto *tool = AddTool(new SgCreatePolyLineTool);
    const std::string before = SceneText();
    Click({200, 200});
    SgPolyLine *curve = tool->GetPoyline();
    ASSERT_NE(curve, nullptr);
    SgObject *object = tool->GetCreatedObject();
    Click({300, 200});
    m_h.Move({300, 300});
    m_h.DoubleClick(Button::Left, {300, 300});
    EXPECT_FALSE(tool->IsStarted());
    EXPECT_EQ(curve->m_coordinates.GetCount(), 3) << "the release after the double click adds no point";
    EXPECT_EQ(object->GetName(), "SgPolyLine1");
    EXPECT_FALSE(m_h.ToolActive());
    EXPECT_EQ(g_started, 1);
    EXPECT_EQ(g_finished, 1);
    EXPECT_EQ(g_finishedObject, object);
    // The object was centred on its points without moving them.
    const std::string after = SceneText();
    m_h.Document()->Undo();
    EXPECT_EQ(SceneText(), before) << "one undo takes the curve away";
    m_h.Document()->Redo();
    EXPECT_EQ(SceneText(), after);
}

// Curve names count per document: a second document in the same process
// starts at 1 again, and the first goes on from where it was.
TEST_F(CurveToolTest, CurveNamesAreNumberedPerDocument)
{
    const auto draw = [](WindowHarness &h) {
        auto *tool = new SgCreatePolyLineTool;
        tool->SetProjectOnPlane(true);
        tool->SetStartFlag(true);
        h.Document()->GetRoot()->AddChild(tool);
        h.Paint();
        for (Vec2i at : {Vec2i{100, 100}, Vec2i{150, 100}}) {
            h.Move(at);
            h.Down(Button::Left, at);
            h.Up(Button::Left, at);
        }
        h.DoubleClick(Button::Left, {150, 150});
        SgObject *object = tool->GetCreatedObject();
        const std::string name = object ? object->GetName() : std::string("(none)");
        h.Document()->GetRoot()->DeleteChild(tool);
        return name;
    };
    EXPECT_EQ(draw(m_h), "SgPolyLine1");
    WindowHarness other{320, 240};
    EXPECT_EQ(draw(other), "SgPolyLine1") << "the second document has curves of its own to count";
    EXPECT_EQ(draw(m_h), "SgPolyLine2");
}

TEST_F(CurveToolTest, TheFirstMoveAfterAClickAddsTheRubberPoint)
{
    auto *tool = AddTool(new SgCreatePolyLineTool);
    Click({200, 200});
    SgPolyLine *curve = tool->GetPoyline();
    const Vec3 first = curve->m_coordinates.GetValue(0);
    m_h.Move({260, 220});
    ASSERT_EQ(curve->m_coordinates.GetCount(), 2);
    EXPECT_EQ(curve->m_coordinates.GetValue(0), first) << "the clicked point keeps its place";
    m_h.Move({280, 240});
    EXPECT_EQ(curve->m_coordinates.GetCount(), 2) << "later moves move the rubber point";
    m_h.Up(Button::Right, {280, 240});
    EXPECT_FALSE(tool->IsStarted());
}

TEST_F(CurveToolTest, ASegmentTenDegreesOffXSnapsOntoX)
{
    auto *tool = AddTool(new SgCreatePolyLineTool);
    tool->m_bSnapAngle = true;
    Click({200, 240});
    const double angle = 10.0 * std::numbers::pi / 180.0;
    const Vec2i off{200 + int(std::lround(150 * std::cos(angle))), 240 - int(std::lround(150 * std::sin(angle)))};
    m_h.Move(off);
    SgPolyLine *curve = tool->GetPoyline();
    ASSERT_EQ(curve->m_coordinates.GetCount(), 2);
    const Vec3 a = curve->m_coordinates.GetValue(0);
    const Vec3 b = curve->m_coordinates.GetValue(1);
    EXPECT_NEAR(b.y, a.y, 1e-9) << "the segment lies on the X direction";
    EXPECT_EQ(b.z, a.z);
    EXPECT_GT(b.x - a.x, 0.5);
}

TEST_F(CurveToolTest, APolygonNeedsThreePoints)
{
    auto *tool = AddTool(new SgCreatePolygonTool);
    const int children = RootChildren();
    const std::string before = SceneText();
    Click({200, 200});
    Click({300, 200});
    m_h.Up(Button::Right, {300, 200});
    EXPECT_FALSE(tool->IsStarted());
    EXPECT_EQ(RootChildren(), children) << "two points leave no empty object behind";
    EXPECT_EQ(g_finished, 1);
    EXPECT_EQ(g_finishedObject, nullptr) << "a dropped polygon ends with no object";
    EXPECT_EQ(SceneText(), before);

    Click({200, 200});
    Click({300, 200});
    Click({300, 300});
    SgObject *object = tool->GetCreatedObject();
    m_h.Up(Button::Right, {300, 300});
    ASSERT_EQ(RootChildren(), children + 1);
    auto *polygon = dynamic_cast<SgPolygon *>(FindShape(object));
    ASSERT_NE(polygon, nullptr);
    EXPECT_EQ(polygon->m_coordinates.GetCount(), 3);
    EXPECT_EQ(SceneText().find("SgPolyLine {"), std::string::npos) << "the outline is gone";
}

TEST_F(CurveToolTest, ARightClickThroughTheViewHandlerFinishesEveryCurveInOneUndoStep)
{
    // The window's view handler stands before the scene and dollies with
    // the right button; a right click that does not move is the scene's.
    auto *examine = new SgExamineViewHandler;
    examine->SetLeftClickToScene(true);
    m_h.AddViewHandler(examine);
    struct Case {
        const char *what;
        SgCreatePolyLineTool *tool;
    };
    const Case cases[] = {
        {"polyline", new SgCreatePolyLineTool},
        {"polygon", new SgCreatePolygonTool},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        auto *tool = AddTool(c.tool);
        m_h.Document()->ResetUndo();
        const int children = RootChildren();
        const std::string before = SceneText();
        Click({200, 200});
        Click({300, 200});
        Click({300, 300});
        Click({200, 300});
        m_h.Down(Button::Right, {200, 300});
        m_h.Up(Button::Right, {200, 300});
        EXPECT_FALSE(tool->IsStarted()) << "the right click did not finish the curve";
        EXPECT_EQ(g_finished, 1);
        ASSERT_EQ(RootChildren(), children + 1);
        m_h.Document()->Undo();
        EXPECT_FALSE(m_h.Document()->IsUndoStackNonEmpty()) << "the curve took more than one step";
        EXPECT_EQ(SceneText(), before) << "the undo did not give the text back";
        {
            SgUndoRecordingPause pause(m_h.Document());
            m_h.Document()->GetRoot()->DeleteChild(tool);
        }
        g_finished = 0;
    }
}

// A tool its owner has not armed lets clicks by; an armed one starts a
// curve at the first click and draws it on its working plane.
TEST_F(CurveToolTest, OnlyAnArmedToolStartsAtAClickAndItDrawsOnItsWorkingPlane)
{
    struct Case {
        const char *what;
        SgCreatePolyLineTool *tool;
    };
    const Case cases[] = {
        {"polyline", new SgCreatePolyLineTool},
        {"Bezier", new SgCreateBezierTool},
    };
    const Plane raised(Vec3(0, 0, 1), 2.0);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        auto *tool = AddTool(c.tool);
        tool->SetStartFlag(false);
        const int children = RootChildren();
        Click({200, 200});
        EXPECT_FALSE(tool->IsStarted());
        EXPECT_EQ(RootChildren(), children) << "an unarmed tool made a curve";
        EXPECT_EQ(g_started, 0);

        tool->SetStartFlag(true);
        tool->SetWorkingPlane(raised, true);
        EXPECT_TRUE(tool->IsWorkingPlaneChosen());
        Click({200, 200});
        Click({300, 200});
        ASSERT_TRUE(tool->IsStarted());
        EXPECT_EQ(tool->GetPlane(), raised) << "the curve is drawn on the working plane";
        SgPolyLine *curve = tool->GetPoyline();
        ASSERT_NE(curve, nullptr);
        ASSERT_GE(curve->m_coordinates.GetCount(), 2);
        for (int i = 0; i < curve->m_coordinates.GetCount(); ++i)
            EXPECT_NEAR(curve->m_coordinates.GetValue(i).z, 2.0, 1e-9) << "point " << i;
        m_h.Up(Button::Right, {300, 200});
        EXPECT_FALSE(tool->IsStarted());
        EXPECT_EQ(RootChildren(), children + 1);
        m_h.Document()->GetRoot()->DeleteChild(tool);
        g_started = g_finished = 0;
    }
}

TEST_F(CurveToolTest, BezierTangentsAreOppositeAndEqual)
{
    auto *tool = AddTool(new SgCreateBezierTool);
    m_h.Drag(Button::Left, {200, 200}, {240, 180}, 2);
    m_h.Drag(Button::Left, {350, 260}, {330, 300}, 2);
    auto *spline = dynamic_cast<SgBezierSpline *>(tool->GetPoyline());
    ASSERT_NE(spline, nullptr);
    ASSERT_EQ(spline->m_coordinates.GetCount(), 2);
    ASSERT_EQ(spline->m_cntrlPoints.GetCount(), 4);
    for (int k = 0; k < 2; ++k) {
        const Vec3 in = spline->m_cntrlPoints.GetValue(2 * k);
        const Vec3 out = spline->m_cntrlPoints.GetValue(2 * k + 1);
        EXPECT_GT(out.Length(), 0.1);
        EXPECT_NEAR((in + out).Length(), 0.0, 1e-12) << "point " << k;
    }
    m_h.Up(Button::Right, {330, 300});
    EXPECT_FALSE(tool->IsStarted());
}

} // namespace

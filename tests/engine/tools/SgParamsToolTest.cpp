// The parameters tool: handles on a box hung into it by a manipulator and
// dragged through a headless window, and the handle table's rows for the
// other shapes (positions, what a distance writes, fillet limits).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgManipulator.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgNGon.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgSkeleton.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/tools/SgParamsTool.h"
#include "engine/tools/SgToolFields.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/engines/ParametricTestSupport.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using namespace windowtest;

class ParamsToolTest : public ::testing::Test {
protected:
    SgObject *AddObject(SgNode *shape)
    {
        auto *object = new SgObject(true, true);
        object->AddChild(shape);
        m_h.Document()->GetRoot()->AddChild(object);
        return object;
    }
    SgParamsTool *Attach(SgObject *object)
    {
        SgPath path;
        path.Append(m_h.Document()->GetRoot());
        path.Append(object);
        auto *manipulator = new SgManipulator(path, SgParamsTool::ClassID(), 0, nullptr);
        (void)manipulator;
        m_h.Paint();
        auto *found = static_cast<SgManipulator *>(object->FindFirstNode(SgManipulator::ClassID(), {}, nullptr, true));
        return found ? dynamic_cast<SgParamsTool *>(found->GetTool()) : nullptr;
    }
    std::string SceneText()
    {
        std::ostringstream out;
        m_h.Document()->SaveStream(nullptr, &out, "kvrx");
        return out.str();
    }
    WindowHarness m_h{640, 480};
};

double Field(SgNode *node, const char *name)
{
    return SgToolFields::GetDouble(node, name);
}

// The field-edit reports of a drag: each one's fields by name and values.
struct Report {
    std::vector<std::string> names;
    std::vector<double> values;
};
std::vector<Report> g_reports;
void OnFieldEdit(SgDocument *, const double *values, int count, int kind, int fieldCount, SgField *const *fields,
                 int, int)
{
    EXPECT_EQ(kind, SgDocument::kEditDoubleFields);
    Report report;
    for (int i = 0; i < fieldCount; ++i)
        report.names.push_back(fields[i]->GetFieldName());
    report.values.assign(values, values + count);
    g_reports.push_back(report);
}

struct HeightCase {
    int zeroBase;
    double handleAt; // where the height handle starts on the object's z axis
    double height;   // after dragging it to distance 1.5
};

TEST_F(ParamsToolTest, DraggingTheBoxHeightHandle)
{
    const HeightCase cases[] = {{0, 1.0, 3.0}, {1, 2.0, 1.5}};
    for (const HeightCase &c : cases) {
        SCOPED_TRACE(c.zeroBase);
        m_h.Document()->ClearScene(true);
        auto *box = new SgBox;
        box->m_width.Set(2.0);
        box->m_depth.Set(2.0);
        box->m_height.Set(2.0);
        box->m_zeroBase.Set(static_cast<unsigned short>(c.zeroBase));
        SgObject *object = AddObject(box);
        // Turned so that the box's z axis runs up the window.
        object->GetTransform(true)->m_rotation.Set(Rotation(Vec3(1, 0, 0), -std::numbers::pi / 2));
        SgParamsTool *tool = Attach(object);
        ASSERT_NE(tool, nullptr);
        ASSERT_EQ(tool->GetHandleCount(), 3);
        const Vec3 handle = tool->GetHandlePosition(2);
        EXPECT_NEAR(handle.z, c.handleAt, 1e-12);
        m_h.Document()->ResetUndo();
        const std::string before = SceneText();
        g_reports.clear();
        m_h.Document()->SetFieldEditCallback(&OnFieldEdit);
        m_h.Drag(Button::Left, m_h.Project(Vec3(0, c.handleAt, 0)), m_h.Project(Vec3(0, 1.5, 0)), 3);
        m_h.Document()->SetFieldEditCallback(nullptr);
        // The press, each of the three steps and the release report the row's fields.
        ASSERT_EQ(g_reports.size(), 5u);
        for (const Report &r : g_reports)
            EXPECT_EQ(r.names, (std::vector<std::string>{"width", "depth", "height"}));
        EXPECT_EQ(g_reports.back().values[2], Field(box, "height"));
        // A pixel is about 0.01 units here; the height is k times the distance.
        EXPECT_NEAR(Field(box, "height"), c.height, 0.03);
        EXPECT_NEAR(tool->GetHandlePosition(2).z, 1.5, 0.015) << "the handles follow the new value";
        EXPECT_EQ(Field(box, "width"), 2.0);
        EXPECT_FALSE(m_h.ToolActive());
        m_h.Document()->Undo();
        EXPECT_EQ(Field(box, "height"), 2.0) << "the drag is one undo step";
        EXPECT_EQ(SceneText(), before);
        // The same distance without pixels: exactly k times 1.5.
        tool->SetHandleDistance(2, 1.5);
        EXPECT_EQ(Field(box, "height"), c.height);
    }
}

TEST_F(ParamsToolTest, RowsOfTheHandleTable)
{
    auto *cone = new SgCone;
    cone->m_height.Set(2.0);
    cone->m_bottomRadius.Set(1.0);
    SgParamsTool *tool = Attach(AddObject(cone));
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->GetHandlePosition(0), Vec3(1, 0, -1)) << "the rim handle sits on the base";
    tool->SetHandleDistance(0, 1.5);
    EXPECT_EQ(Field(cone, "bottomRadius"), 1.5) << "measured from the base centre";

    auto *star = new SgNStar;
    star->m_radius.Set(2.0);
    star->m_radius1.Set(1.0);
    tool = Attach(AddObject(star));
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->GetHandleCount(), 4);
    tool->SetHandleDistance(2, 5.0);
    EXPECT_EQ(Field(star, "filetRadius"), 0.0) << "dragged past the centre: the fillet stays at 0";
    tool->SetHandleDistance(3, -4.0);
    EXPECT_EQ(Field(star, "filetRadius1"), 1.0) << "never more than the radius";

    auto *ngon = new SgNGon;
    ngon->m_radius.Set(0.0);
    tool = Attach(AddObject(ngon));
    ASSERT_NE(tool, nullptr);
    const Vec3 fillet = tool->GetHandlePosition(1);
    EXPECT_TRUE(std::isfinite(fillet.x) && std::isfinite(fillet.y)) << "a radius of 0 divides by nothing";

    auto *torus = new SgTorus;
    torus->m_radius1.Set(2.0);
    tool = Attach(AddObject(torus));
    ASSERT_NE(tool, nullptr);
    tool->SetHandleDistance(1, 1.5);
    EXPECT_EQ(Field(torus, "radius2"), 0.5) << "the tube radius is made positive";

    SgParamsTool *none = Attach(AddObject(new SgCube));
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->GetHandleCount(), 0) << "a shape without a row gets no handles";
    EXPECT_FALSE(none->SetHandleDistance(0, 1.0));
}

} // namespace

namespace {

// A model of one box whose width is 2 w, with one control point at (w, 0, 0)
// measured from the origin; dragging it sets w to the distance.
SgParametricModel *HandleModel(int controlPoints)
{
    SgParametricModel *model = parametrictest::BoxModel("(* w 2)", 1.0);
    model->m_iControlPoints = controlPoints;
    model->m_controlPointScripts[0] = "(vec3 (* w 1) 0 0)";
    model->m_controlPointScripts[1] = "(vec3 0 0 0)";
    model->m_controlPointScripts[2] = "(setp w (/ val 1))";
    DxLispScript::buildScriptEngine(model);
    return model;
}

// A hipped roof over a 2 x 2 square at 45 degrees peaks at height 1: its
// ridge handle stands there, and a drag to distance d pitches the roof to
// atan2(d, 1) while keeping its half width of 1; down to 0 gives the floor.
// The arc's end handles turn about its centre: the end handle sets the
// sweep, the start handle moves the start and keeps the end in place; a
// drag is one undo step.
struct ArcTurnCase {
    const char *name;
    int handle;
    Vec3 from;   // where the handle stands (start 0, sweep 90, radius 1)
    Vec3 to;     // where it is dragged, in the arc's plane
    double startAngle;
    double angle;
};

const ArcTurnCase kArcTurns[] = {
    {"EndHandleToTheLeftSweepsAHalfTurn", 2, {0, 1, 0}, {-1, 0, 0}, 0.0, 180.0},
    {"StartHandleDownKeepsTheEnd", 1, {1, 0, 0}, {0, -1, 0}, -90.0, 180.0},
};

TEST_F(ParamsToolTest, TheArcsEndHandlesTurnItsEnds)
{
    for (const ArcTurnCase &c : kArcTurns) {
        SCOPED_TRACE(c.name);
        m_h.Document()->ClearScene(true);
        auto *arc = new SgArc;
        arc->m_radius.Set(1.0);
        arc->m_startAngle.Set(0.0);
        arc->m_angle.Set(90.0);
        SgParamsTool *tool = Attach(AddObject(arc));
        ASSERT_NE(tool, nullptr);
        ASSERT_EQ(tool->GetHandleCount(), 3);
        EXPECT_NEAR((tool->GetHandlePosition(c.handle) - c.from).Length(), 0.0, 1e-9);
        m_h.Document()->ResetUndo();
        m_h.Drag(Button::Left, m_h.Project(c.from), m_h.Project(c.to), 6);
        EXPECT_NEAR(arc->m_startAngle.Get(), c.startAngle, 1.0);
        EXPECT_NEAR(arc->m_angle.Get(), c.angle, 1.0);
        EXPECT_NEAR(arc->m_radius.Get(), 1.0, 1e-12) << "the radius stays";
        EXPECT_NEAR((tool->GetHandlePosition(c.handle) - c.to).Length(), 0.0, 0.02) << "the handle follows";
        m_h.Document()->Undo();
        EXPECT_EQ(arc->m_startAngle.Get(), 0.0);
        EXPECT_EQ(arc->m_angle.Get(), 90.0);
    }
}

TEST_F(ParamsToolTest, TheRoofsRidgeHandleSetsItsSlope)
{
    auto *roof = new SgSkeleton;
    SgRef<SgPolyLine> square = new SgPolyLine;
    const Vec3 corners[4] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    square->m_coordinates.SetVals(4, corners);
    square->m_closed.Set(1);
    roof->SetPolyline(square.get(), SgExtrude::kProfileSlot, true);
    roof->m_slope.SetValue(0, 45.0);
    SgObject *object = AddObject(roof);
    SgParamsTool *tool = Attach(object);
    ASSERT_NE(tool, nullptr);
    ASSERT_EQ(tool->GetHandleCount(), 1);
    EXPECT_NEAR(tool->GetHandlePosition(0).z, 1.0, 1e-6);
    g_reports.clear();
    m_h.Document()->SetFieldEditCallback(&OnFieldEdit);
    tool->SetHandleDistance(0, 2.0);
    EXPECT_NEAR(roof->m_slope.GetValue(0), std::atan2(2.0, 1.0) * 180 / std::numbers::pi, 1e-4);
    EXPECT_NEAR(tool->GetHandlePosition(0).z, 2.0, 1e-4) << "the handle follows the ridge";
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_EQ(g_reports[0].names, std::vector<std::string>{"slope"});
    EXPECT_EQ(g_reports[0].values[0], roof->m_slope.GetValue(0));
    tool->SetHandleDistance(0, 0.0);
    EXPECT_DOUBLE_EQ(roof->m_slope.GetValue(0), 0.1) << "the floor";
    m_h.Document()->SetFieldEditCallback(nullptr);
}

TEST_F(ParamsToolTest, AParametricObjectsControlPointSetsItsParameter)
{
    SgRef<SgParametricModel> model = HandleModel(1);
    SgParametricObject *instance = parametrictest::Instance(model.get(), 1.0, Vec3());
    m_h.Document()->GetRoot()->AddChild(instance);
    SgParamsTool *tool = Attach(instance);
    ASSERT_NE(tool, nullptr);
    ASSERT_EQ(tool->GetHandleCount(), 1);
    EXPECT_EQ(tool->GetHandlePosition(0), Vec3(1, 0, 0));
    m_h.Drag(Button::Left, m_h.Project(Vec3(1, 0, 0)), m_h.Project(Vec3(1.5, 0, 0)), 3);
    double w = 0.0;
    SgField::CastNumericFieldToDouble(instance->getField("w"), &w);
    EXPECT_NEAR(w, 1.5, 0.02);
    EXPECT_NEAR(tool->GetHandlePosition(0).x, w, 1e-9) << "the handle follows the parameter";
}

TEST_F(ParamsToolTest, MoreControlPointsThanHandleSlotsAreBoundedWithAMessage)
{
    SgDiagCapture diagnostics;
    SgRef<SgParametricModel> model = HandleModel(20);
    SgParametricObject *instance = parametrictest::Instance(model.get(), 1.0, Vec3());
    m_h.Document()->GetRoot()->AddChild(instance);
    SgParamsTool *tool = Attach(instance);
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->GetHandleCount(), SgTransformTool::kHandleCount);
    EXPECT_EQ(diagnostics.Count("ParamsTool"), 1) << diagnostics.GetText();
}

} // namespace

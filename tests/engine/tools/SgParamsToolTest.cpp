// The parameters tool: handles on a box hung into it by a manipulator and
// dragged through a headless window, and the handle table's rows for the
// other shapes (positions, what a distance writes, fillet limits).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>
#include <string>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgManipulator.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgNGon.h"
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
        auto *found = static_cast<SgManipulator *>(object->FindFirstNode(SgManipulator::ClassID(), 0, nullptr, true));
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
        m_h.Drag(Button::Left, m_h.Project(Vec3(0, c.handleAt, 0)), m_h.Project(Vec3(0, 1.5, 0)), 3);
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

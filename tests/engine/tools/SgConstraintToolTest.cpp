// The constraint tool driven through a headless window: a small cube dragged
// over a larger box drops onto its top face, then slides on it and stops at
// its border; a drop where the cube does not fit leaves it where it was.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgManipulator.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgBehavior.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/tools/SgConstraintTool.h"
#include "engine/tools/SgTransformTool.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using namespace windowtest;

// A 4 x 4 x 1 box at the origin (top face at z = 0.5) and a cube of 0.5
// beside it at x = 3, with a constraint tool hung into the cube.
class ConstraintToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_box = AddBox(4.0, 4.0, 1.0);
        m_cube = m_h.AddCube(Color(1, 0, 0, 1), 0.5);
        m_cube->GetTransform(true)->m_translation.Set(Vec3(3, 0, 0));
        SgPath path;
        path.Append(m_h.Document()->GetRoot());
        path.Append(m_cube);
        new SgManipulator(path, SgConstraintTool::ClassID(), 0, nullptr);
        m_h.Document()->ResetUndo();
        m_h.Paint();
    }
    // An unlit box of x, y and z sizes at the origin.
    SgObject *AddBox(double x, double y, double z)
    {
        auto *object = new SgObject(true, true);
        auto *cube = new SgCube;
        object->AddChild(cube);
        m_h.Document()->GetRoot()->AddChild(object);
        cube->m_width.Set(x);
        cube->m_depth.Set(y);
        cube->m_height.Set(z);
        return object;
    }
    Vec3 Where() { return m_cube->GetTransform()->m_translation.Get(); }

    WindowHarness m_h{640, 480};
    SgObject *m_box = nullptr;
    SgObject *m_cube = nullptr;
};

TEST_F(ConstraintToolTest, ACubeDropsOntoTheBoxTopAndStopsAtItsBorder)
{
    m_h.Drag(Button::Left, m_h.Project(Vec3(3, 0, 0.25)), m_h.Project(Vec3(0, 0, 0.5)), 12);
    Vec3 at = Where();
    EXPECT_NEAR(at.z, 0.75, 1e-6) << "its base lies on the top face";
    EXPECT_NEAR(at.x, 0.0, 0.05);
    EXPECT_NEAR(at.y, 0.0, 0.05);
    ASSERT_NE(m_cube->GetConstraintPolygon(), nullptr) << "the face is kept as the cube's constraint";
    EXPECT_FALSE(m_h.ToolActive());
    EXPECT_FALSE(m_h.Document()->IsInKeyPoint());

    // Further right than the box reaches: the cube stops just inside its border.
    m_h.Drag(Button::Left, m_h.Project(Vec3(at.x, at.y, 1.0)), m_h.Project(Vec3(3.5, 0, 0.5)), 12);
    at = Where();
    EXPECT_NEAR(at.z, 0.75, 1e-6);
    EXPECT_LE(at.x, 1.75 + 1e-9) << "the footprint stays on the face";
    EXPECT_GT(at.x, 1.7) << "and goes up to its border";

    // Along the border: the move's part along the edge it hit still happens.
    m_h.Drag(Button::Left, m_h.Project(Vec3(at.x, at.y, 1.0)), m_h.Project(Vec3(3.0, 1.0, 0.5)), 12);
    const Vec3 slid = Where();
    EXPECT_LE(slid.x, 1.75 + 1e-9);
    EXPECT_GT(slid.y, 0.5) << "it slides along the edge";

    // Each drag is one undo step.
    m_h.Document()->Undo();
    EXPECT_NEAR((Where() - at).Length(), 0.0, 1e-9);
}

// The first node of that name below the object, its manipulators included.
SgNode *FindNamed(SgNode *root, const char *name)
{
    std::vector<SgNode *> stack{root};
    while (!stack.empty()) {
        SgNode *node = stack.back();
        stack.pop_back();
        if (node->GetName() == name)
            return node;
        for (int i = 0; i < node->GetNumChildren(); ++i)
            stack.push_back(node->GetChild(i));
    }
    return nullptr;
}

TEST_F(ConstraintToolTest, TheAppearanceBoxIsALittleLargerThanTheObject)
{
    auto *box = dynamic_cast<SgCube *>(FindNamed(m_cube, "Appearance-BB"));
    ASSERT_NE(box, nullptr);
    const double margin = 0.025 * std::sqrt(3 * 0.5 * 0.5);
    EXPECT_NEAR(box->m_width.Get(), 0.5 + margin, 1e-6);
    EXPECT_NEAR(box->m_depth.Get(), 0.5 + margin, 1e-6);
    EXPECT_NEAR(box->m_height.Get(), 0.5 + margin, 1e-6);
}

TEST_F(ConstraintToolTest, ADropWhereTheCubeDoesNotFitLeavesItWhereItWas)
{
    // A face smaller than the cube's footprint: a thin post beside the box.
    SgObject *post = AddBox(0.2, 0.2, 2.0);
    post->GetTransform(true)->m_translation.Set(Vec3(-3, 0, 0));
    m_h.Paint();
    m_h.Drag(Button::Left, m_h.Project(Vec3(3, 0, 0.25)), m_h.Project(Vec3(-3, 0, 1.0)), 3);
    // Over the box on the way the cube may have dropped; over the post it cannot.
    const Vec3 at = Where();
    EXPECT_FALSE(std::abs(at.x + 3.0) < 0.2 && at.z > 1.0) << "the cube never stands on the post";
}

// The bounding box of a selection: chosen by the object's behaviour node
// (value 2) on a click, or by the handler's bounding-box callback. Either
// way the object shows the box and a drag over the scene leaves it put.
struct BoundBoxCase {
    const char *name;
    bool behavior; // a behaviour node with 2, else the bounding-box callback
};

const BoundBoxCase kBoundBoxCases[] = {
    {"BehaviorTwoOnAClick", true},
    {"BoundBoxSelectionCallback", false},
};

TEST_F(ConstraintToolTest, TheSelectionsBoundingBoxShowsTheBoxAndDoesNotDrag)
{
    SgSelectionHandler *handler = m_h.Document()->GetSelectionHandler();
    for (const BoundBoxCase &c : kBoundBoxCases) {
        SCOPED_TRACE(c.name);
        SgObject *cube = m_h.AddCube(Color(0, 1, 0, 1), 0.5);
        cube->GetTransform(true)->m_translation.Set(Vec3(-3, 0, 0));
        if (c.behavior) {
            auto *behavior = new SgBehavior;
            behavior->m_selectionTool.Set(2);
            cube->AddPropertyNode(behavior, false);
        } else {
            handler->AddSelectionCB(&SgSelectionHandler::BoundBoxTool, 0);
        }
        m_h.Document()->ResetUndo();
        m_h.Paint();
        const Vec2i at = m_h.Project(Vec3(-3, 0, 0.25));
        m_h.Down(Button::Left, at);
        m_h.Up(Button::Left, at);
        ASSERT_EQ(handler->GetSelCount(), 1);
        auto *manipulator =
            static_cast<SgManipulator *>(cube->FindFirstNode(SgManipulator::ClassID(), {}, nullptr, true));
        ASSERT_NE(manipulator, nullptr);
        ASSERT_NE(manipulator->GetTool(), nullptr);
        EXPECT_STREQ(manipulator->GetTool()->GetClassName(), "SgConstraintTool");
        EXPECT_FALSE(static_cast<SgConstraintTool *>(manipulator->GetTool())->m_bDragAllowed);
        EXPECT_NE(FindNamed(cube, "Appearance-BB"), nullptr)
            << "the box is shown";

        m_h.Drag(Button::Left, at, m_h.Project(Vec3(0, 0, 0.5)), 6);
        EXPECT_NEAR((cube->GetTransform()->m_translation.Get() - Vec3(-3, 0, 0)).Length(), 0.0, 1e-12)
            << "the object stays where it is";
        EXPECT_EQ(cube->GetConstraintPolygon(), nullptr);
        EXPECT_FALSE(m_h.ToolActive());
        handler->DeselectAll();
        EXPECT_EQ(cube->FindFirstNode(SgManipulator::ClassID(), {}, nullptr, true), nullptr);
        handler->AddSelectionCB(&SgSelectionHandler::TransformTool, SgMoveTool::ClassID());
        m_h.Document()->GetRoot()->DeleteChild(cube);
    }
}

} // namespace

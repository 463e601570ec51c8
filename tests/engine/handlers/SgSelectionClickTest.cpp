// Clicks on the objects of a scene driven through a headless window: which
// objects each click script leaves selected under each policy, and what the
// highlight shows.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgRef.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgManipulator.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/character/SgBone.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/viewer/SgEvent.h"
#include "tests/engine/viewer/WindowHarness.h"

namespace {

using namespace windowtest;

const Color kRed(1, 0, 0, 1);
constexpr unsigned kCtrl = SgEvent::kCtrlBit;
// Where nothing is drawn.
const Vec2i kEmpty(20, 20);

// Three red unit cubes side by side on the x axis (at -2, 0 and 2), seen by
// the default camera; the selection handler is the document's own.
class SelectionClickTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 3; ++i) {
            SgObject *object = m_h.AddCube(kRed, 1.0);
            object->GetTransform(true)->m_translation.Set(Vec3(2.0 * (i - 1), 0, 0));
            object->SetName(("Cube" + std::to_string(i)).c_str());
            m_objects.push_back(object);
        }
        m_h.Paint();
    }

    SgSelectionHandler *Handler() { return m_h.Document()->GetSelectionHandler(); }
    Vec2i At(int i) { return m_h.Project(Vec3(2.0 * (i - 1), 0, 0)); }
    void Click(Vec2i at, unsigned keys = 0)
    {
        m_h.Down(Button::Left, at, keys);
        m_h.Up(Button::Left, at, keys);
    }
    std::set<int> Selected()
    {
        std::set<int> out;
        for (int i = 0; i < 3; ++i)
            if (m_objects[i]->isSelected())
                out.insert(i);
        return out;
    }

    WindowHarness m_h{640, 480};
    std::vector<SgObject *> m_objects;
};

// One click of a script: the cube clicked (-1: empty space) and whether Ctrl is held.
struct Step {
    int target;
    bool ctrl;
};

struct ClickCase {
    const char *name;
    SgSelectionHandler::Policy policy;
    std::vector<Step> steps;
    std::set<int> selected;
};

const ClickCase kClickCases[] = {
    {"ClickSelects", SgSelectionHandler::kByModifier, {{0, false}}, {0}},
    {"ClickReplaces", SgSelectionHandler::kByModifier, {{0, false}, {1, false}}, {1}},
    {"CtrlClickAdds", SgSelectionHandler::kByModifier, {{0, false}, {1, true}, {2, true}}, {0, 1, 2}},
    {"CtrlClickToggles", SgSelectionHandler::kByModifier, {{0, false}, {1, true}, {0, true}}, {1}},
    {"EmptyClickDeselects", SgSelectionHandler::kByModifier, {{0, false}, {1, true}, {-1, false}}, {}},
    {"CtrlEmptyClickKeeps", SgSelectionHandler::kByModifier, {{0, false}, {-1, true}}, {0}},
    {"ReplacePolicyIgnoresCtrl", SgSelectionHandler::kReplace, {{0, false}, {1, true}}, {1}},
    {"ReplacePolicyEmptyClickDeselects", SgSelectionHandler::kReplace, {{0, false}, {-1, true}}, {}},
    {"TogglePolicyAdds", SgSelectionHandler::kToggle, {{0, false}, {2, false}}, {0, 2}},
    {"TogglePolicyTogglesOff", SgSelectionHandler::kToggle, {{0, false}, {2, false}, {0, false}}, {2}},
    {"TogglePolicyEmptyClickKeeps", SgSelectionHandler::kToggle, {{0, false}, {-1, false}}, {0}},
};

TEST_F(SelectionClickTest, ClickScripts)
{
    for (const ClickCase &c : kClickCases) {
        SCOPED_TRACE(c.name);
        Handler()->DeselectAll();
        Handler()->SetPolicy(c.policy);
        for (const Step &step : c.steps)
            Click(step.target < 0 ? kEmpty : At(step.target), step.ctrl ? kCtrl : 0);
        EXPECT_EQ(Selected(), c.selected);
        EXPECT_EQ(Handler()->GetSelCount(), static_cast<int>(c.selected.size()));
    }
}

TEST_F(SelectionClickTest, PressAndReleaseOnDifferentObjectsSelectNothing)
{
    Click(At(2));
    m_h.Down(Button::Left, At(0));
    m_h.Up(Button::Left, At(1));
    EXPECT_EQ(Selected(), std::set<int>({2})) << "the earlier selection stays";
}

TEST_F(SelectionClickTest, ClickSelectsTheObjectAndRemembersThePaths)
{
    Click(At(1));
    ASSERT_EQ(Handler()->GetSelCount(), 1);
    SgPath selected = Handler()->GetPathList().GetAt(Handler()->GetPathList().GetFirst());
    EXPECT_EQ(selected.GetLastElement(), m_objects[1]) << "the path ends at the object";
    EXPECT_FALSE(Handler()->GetFirstPickPath().IsEmpty());
    EXPECT_TRUE(Handler()->GetFirstPickPath() == Handler()->GetLastPickPath());
}

TEST_F(SelectionClickTest, SubObjectEditingSelectsNothing)
{
    Handler()->m_bSubObject = true;
    Click(At(1));
    EXPECT_EQ(Handler()->GetSelCount(), 0);
}

TEST_F(SelectionClickTest, HighlightShowsOnTheSelectedObjectAndLeavesWithIt)
{
    Handler()->AddSelectionCB(&SgSelectionHandler::HighlightSelect, 0);
    m_h.Document()->ResetUndo();
    Click(At(0));
    m_h.Paint();
    const Vec2i a = At(0);
    const Vec2i b = At(1);
    Pixel p = m_h.At(a.x, a.y);
    EXPECT_LT(p[0], 60) << p;
    EXPECT_GT(p[2], 200) << "the highlight's blue shows on the selected cube: " << p;
    EXPECT_TRUE(IsRed(m_h.At(b.x, b.y))) << "the others keep their colour";
    EXPECT_NE(m_objects[0]->FindFirstNode(SgManipulator::ClassID(), {}, nullptr, true), nullptr);

    Click(kEmpty);
    m_h.Paint();
    EXPECT_TRUE(IsRed(m_h.At(a.x, a.y))) << m_h.At(a.x, a.y);
    EXPECT_EQ(m_objects[0]->FindFirstNode(SgManipulator::ClassID(), {}, nullptr, true), nullptr)
        << "deselection takes the highlight out of the object";
    EXPECT_FALSE(m_h.Document()->IsUndoStackNonEmpty()) << "highlighting records nothing";
}

TEST_F(SelectionClickTest, DeletingASelectedObjectLeavesNoDanglingPath)
{
    Click(At(1));
    ASSERT_EQ(Handler()->GetSelCount(), 1);
    SgPath path = Handler()->GetPathList().GetAt(Handler()->GetPathList().GetFirst());
    Handler()->Delete(path);
    EXPECT_EQ(Handler()->GetSelCount(), 0);
    m_h.Paint();
    Click(At(1));
    EXPECT_EQ(Handler()->GetSelCount(), 0) << "nothing is left where it stood";
    Click(At(0));
    EXPECT_EQ(Selected(), std::set<int>({0}));
}

} // namespace

namespace {

// The world box of an object, measured along its path from the view root.
Range<Vec3f> WorldBox(SgObject *object)
{
    SgPathList paths;
    SgPath tail;
    paths.PathsFromNode(object, tail, nullptr);
    EXPECT_GT(paths.GetCount(), 0);
    return SgBoundingBoxAction::CalcBoundingBox(paths.GetAt(paths.GetFirst()));
}

TEST_F(SelectionClickTest, GroupSelectionOfTwoClickedObjectsKeepsTheirWorldPlacesAndCentresTheGroup)
{
    m_objects[2]->GetTransform(true)->m_translation.Set(Vec3(2, 1, 0));
    m_h.Paint();
    // Measured before the selection hangs its gizmos in.
    const Range<Vec3f> before0 = WorldBox(m_objects[0]);
    const Range<Vec3f> before2 = WorldBox(m_objects[2]);
    Click(At(0));
    Click(m_h.Project(Vec3(2, 1, 0)), kCtrl);
    ASSERT_EQ(Selected(), std::set<int>({0, 2}));
    const Vec2i pixelAt = m_h.Project(Vec3(2, 1, 0));

    SgPath group = Handler()->GroupSelection();
    ASSERT_FALSE(group.IsEmpty());
    auto *object = static_cast<SgObject *>(group.GetLastElement());
    EXPECT_EQ(object->GetName(), "Objects Group");
    EXPECT_EQ(Handler()->GetSelCount(), 1) << "the group is selected in place of its members";
    // Members span x -2.5..2.5 and y -0.5..1.5.
    const Vec3 centre = object->GetTransform(true)->m_translation.Get(true);
    EXPECT_NEAR(centre[0], 0.0, 1e-6);
    EXPECT_NEAR(centre[1], 0.5, 1e-6);
    EXPECT_NEAR(centre[2], 0.0, 1e-6);
    // Deselected members carry no gizmo any more.
    for (auto [member, before] : {std::pair{m_objects[0], before0}, std::pair{m_objects[2], before2}}) {
        const Range<Vec3f> after = WorldBox(member);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(after.GetMin()[k], before.GetMin()[k], 1e-5);
            EXPECT_NEAR(after.GetMax()[k], before.GetMax()[k], 1e-5);
        }
    }
    m_h.Paint();
    const Pixel p = m_h.At(pixelAt.x, pixelAt.y);
    EXPECT_GT(p[0], 200) << "the moved-in cube still shows where it stood: " << p;
}

} // namespace

namespace {

// The grouping operations on clicked objects: where the objects end up in
// the world and the tree, the layer, and one undo step each.
class SelectionGroupingTest : public SelectionClickTest {
protected:
    void SetUp() override
    {
        SelectionClickTest::SetUp();
        m_objects[2]->GetTransform(true)->m_translation.Set(Vec3(2, 1, 0));
        m_h.Paint();
        for (SgObject *object : m_objects)
            m_before.push_back(WorldBox(object));
    }
    void SelectAllThree()
    {
        Click(At(0));
        Click(At(1), kCtrl);
        Click(m_h.Project(Vec3(2, 1, 0)), kCtrl);
        ASSERT_EQ(Selected(), std::set<int>({0, 1, 2}));
    }
    void ExpectInPlace(int i)
    {
        const Range<Vec3f> after = WorldBox(m_objects[i]);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(after.GetMin()[k], m_before[i].GetMin()[k], 1e-5) << "object " << i;
            EXPECT_NEAR(after.GetMax()[k], m_before[i].GetMax()[k], 1e-5) << "object " << i;
        }
    }
    SgNode *Root() { return m_h.Document()->GetRoot(); }

    std::vector<Range<Vec3f>> m_before;
};

TEST_F(SelectionGroupingTest, AGroupJoinsTheDocumentsCurrentLayerAndUngroupingGivesTheMembersBackInPlace)
{
    m_h.Document()->SetCurrentLayer(3);
    SelectAllThree();
    SgPath group = Handler()->GroupSelection();
    auto *object = static_cast<SgObject *>(group.GetLastElement());
    EXPECT_EQ(object->m_layer.Get(true), 3);
    EXPECT_EQ(m_objects[1]->GetFirstFather()->GetFirstFather(), object);

    m_h.Document()->ResetUndo();
    Handler()->UnGroupSelection();
    EXPECT_EQ(Selected(), std::set<int>({0, 1, 2})) << "the members are selected in the group's place";
    EXPECT_EQ(Handler()->GetSelCount(), 3);
    // Measured without the gizmos the selection hangs in.
    Handler()->DeselectAll();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m_objects[i]->GetFirstFather(), Root());
        ExpectInPlace(i);
    }
    EXPECT_LT(static_cast<SgGroup *>(Root())->IndexOf(object), 0) << "the group is gone";
    EXPECT_FALSE(m_h.Document()->IsInKeyPoint());
    m_h.Document()->Undo();
    EXPECT_EQ(m_objects[1]->GetFirstFather()->GetFirstFather(), object) << "one undo puts the group back";
}

TEST_F(SelectionGroupingTest, AttachingWrapsTheFirstObjectTakesTheOthersInAndIsOneUndoStep)
{
    SelectAllThree();
    m_h.Document()->ResetUndo();
    Handler()->AttachToGroupSelection(false);
    EXPECT_FALSE(m_h.Document()->IsInKeyPoint());
    // The first cube sits in a new object in its place, which took its
    // transform; the others joined that object.
    SgNode *holder = m_objects[0]->GetFirstFather();
    ASSERT_NE(holder, nullptr);
    auto *wrapper = static_cast<SgObject *>(holder->GetFirstFather());
    ASSERT_TRUE(wrapper && wrapper->IsDerivedFrom(SgObject::ClassID()));
    EXPECT_EQ(wrapper->GetFirstFather(), Root());
    EXPECT_EQ(wrapper->GetTransform(true)->m_translation.Get(true), Vec3(-2, 0, 0));
    EXPECT_EQ(m_objects[0]->GetTransform(true)->m_translation.Get(true), Vec3(0, 0, 0));
    for (int i = 1; i < 3; ++i)
        EXPECT_NE(m_objects[i]->GetFirstFather(), Root()) << "object " << i << " joined the group";
    for (int i = 0; i < 3; ++i)
        ExpectInPlace(i);
    m_h.Document()->Undo();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(m_objects[i]->GetFirstFather(), Root()) << "one undo: object " << i;
}

TEST_F(SelectionGroupingTest, AnObjectEndingWithABoneTakesTheOthersInItselfUnwrapped)
{
    // The first cube's content ends with a bone: a skeleton's joint.
    SgRef<SgBone> bone = new SgBone;
    m_objects[0]->AddChild(bone.get());
    m_h.Paint();
    SelectAllThree();
    m_h.Document()->ResetUndo();
    Handler()->AttachToGroupSelection(false);
    EXPECT_FALSE(m_h.Document()->IsInKeyPoint());
    EXPECT_EQ(m_objects[0]->GetFirstFather(), Root()) << "the bone's object is the target, not wrapped";
    for (int i = 1; i < 3; ++i) {
        ASSERT_NE(m_objects[i]->GetFirstFather(), nullptr);
        EXPECT_NE(m_objects[i]->GetFirstFather(), Root()) << "object " << i;
        // Somewhere inside the bone's object.
        SgNode *up = m_objects[i]->GetFirstFather();
        while (up && up != m_objects[0])
            up = up->GetFirstFather();
        EXPECT_EQ(up, m_objects[0]) << "object " << i;
    }
    m_h.Document()->Undo();
    for (int i = 1; i < 3; ++i)
        EXPECT_EQ(m_objects[i]->GetFirstFather(), Root()) << "one undo: object " << i;
}

TEST_F(SelectionGroupingTest, AttachingStopsAtAPathWithoutObjectAndStillClosesItsUndoStep)
{
    Click(At(0));
    Click(At(1), kCtrl);
    // A path that ends at no object (the scene root itself).
    SgPath rootOnly(*Root());
    Handler()->GetPathList().Add(rootOnly);
    m_h.Document()->ResetUndo();
    Handler()->AttachToGroupSelection(false);
    EXPECT_FALSE(m_h.Document()->IsInKeyPoint()) << "the key point is closed on the early way out too";
    EXPECT_EQ(m_objects[1]->GetFirstFather(), Root());
}

TEST_F(SelectionGroupingTest, TheManipulatorLeavesTheDocumentsUndoRecordingAsItFoundIt)
{
    for (bool recording : {false, true}) {
        SCOPED_TRACE(recording ? "recording" : "not recording");
        Handler()->DeselectAll();
        m_h.Document()->SetUndoRecording(recording);
        Click(At(1));
        ASSERT_EQ(Handler()->GetSelCount(), 1);
        EXPECT_EQ(m_h.Document()->IsUndoRecording(), recording);
        Handler()->DeselectAll();
        EXPECT_EQ(m_h.Document()->IsUndoRecording(), recording);
    }
}

} // namespace

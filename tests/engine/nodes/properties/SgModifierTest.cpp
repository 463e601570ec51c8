// Modifier nodes in a traversal: plain modifiers join the modifier stack in
// force, control modifiers clear it or reduce it to one modifier.
#include <gtest/gtest.h>

#include <string>

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgModifier.h"
#include "tests/engine/core/StateTestSupport.h"
#include "tests/engine/nodes/properties/EditorStateAction.h"
#include "tests/engine/nodes/properties/FieldTableCheck.h"

namespace {

// The modifiers of a stack by name, in stack order.
std::string StackNames(const SgModifierStack &stack)
{
    std::string names;
    for (int i = 0; i < stack.size(); ++i)
        names += (names.empty() ? "" : " ") + stack.getModifier(i)->GetName();
    return names;
}

// A probe that keeps the modifier stack in force where it stands.
SgRef<StateTestNode> StackProbe(std::string &seen)
{
    SgRef<StateTestNode> probe = new StateTestNode;
    probe->m_visit = [&seen](SgAction *action, StateTestNode *) {
        seen = StackNames(ModifierStackElement::Get(action->GetState()));
    };
    return probe;
}

template <class T>
SgRef<T> Named(const char *name)
{
    SgRef<T> node = new T;
    node->SetName(name);
    return node;
}

class ModifierNodeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitEditorStateTestClasses(); }

    void Apply(SgNode *root)
    {
        EditorStateAction action;
        ASSERT_TRUE(action.Apply(root)) << action.GetError();
    }
};

} // namespace

TEST_F(ModifierNodeTest, ModifiersDeclareTheirFields)
{
    SgRef<SgModifier> modifier = new SgModifier;
    ExpectFieldTable(*modifier, {{"active", 1, "1"}});
    SgRef<SgControlModifier> control = new SgControlModifier;
    ExpectFieldTable(*control, {{"action", 1, "1"}, {"refNode", 20, ""}, {"active", 1, "1"}});
    EXPECT_TRUE(control->IsDerivedFrom(SgModifier::ClassID()));
    EXPECT_EQ(SgFieldMngr::GetClassIDFromName("SgControlModifier"), SgControlModifier::ClassID());
}

TEST_F(ModifierNodeTest, NewModifierHasItsGizmoGroupAndUnitFactors)
{
    SgRef<SgModifier> modifier = new SgModifier;
    ASSERT_NE(modifier->GetGizmoGroup(), nullptr);
    EXPECT_EQ(modifier->GetGizmoGroup()->GetClassID(), SgSeparator::ClassID());
    EXPECT_EQ(modifier->GetFactors(), Vec3f(1.0f, 1.0f, 1.0f));
    EXPECT_TRUE(modifier->IsModifier());
    EXPECT_TRUE(modifier->IsPropertyNode());
    EXPECT_TRUE(modifier->AffectsState());
}

// root: a, b, [control], probe
TEST_F(ModifierNodeTest, ControlModifierEditsTheStackInForce)
{
    struct Case {
        const char *name;
        bool withControl;
        int active;
        int action;
        int keep; // -1 null, 0 a, 1 b
        bool firstInactive;
        const char *seen;
    };
    const Case cases[] = {
        {"no control modifier", false, 1, 1, -1, false, "a b"},
        {"plain modifier with active 0 still joins", false, 1, 1, -1, true, "a b"},
        {"action 1 clears", true, 1, 1, -1, false, ""},
        {"action 2 keeps the first", true, 1, 2, 0, false, "a"},
        {"action 2 keeps the second", true, 1, 2, 1, false, "b"},
        {"action 2 with no node clears", true, 1, 2, -1, false, ""},
        {"inactive control changes nothing", true, 0, 1, -1, false, "a b"},
        {"inactive control with action 2 changes nothing", true, 0, 2, 0, false, "a b"},
        {"other action changes nothing", true, 1, 3, -1, false, "a b"},
    };
    for (const Case &c : cases) {
        SgRef<SgSeparator> root = new SgSeparator;
        SgRef<SgModifier> a = Named<SgModifier>("a");
        SgRef<SgModifier> b = Named<SgModifier>("b");
        if (c.firstInactive)
            a->m_active = 0;
        root->AddChild(a.get());
        root->AddChild(b.get());
        if (c.withControl) {
            SgRef<SgControlModifier> control = Named<SgControlModifier>("control");
            control->m_active = c.active;
            control->m_action = c.action;
            if (c.keep >= 0)
                control->m_refNode = NodePtr(c.keep == 0 ? a.get() : b.get());
            root->AddChild(control.get());
        }
        std::string seen = "(not visited)";
        root->AddChild(StackProbe(seen).get());
        Apply(root.get());
        EXPECT_EQ(seen, c.seen) << c.name;
    }
}

// root: a, separator { b, control(clear), probe1 }, probe2
TEST_F(ModifierNodeTest, ClearingInsideASeparatorLeavesTheNodesAfterItAlone)
{
    SgRef<SgSeparator> root = new SgSeparator;
    SgRef<SgSeparator> inner = new SgSeparator;
    SgRef<SgControlModifier> control = new SgControlModifier;
    std::string inside = "(not visited)";
    std::string after = "(not visited)";
    root->AddChild(Named<SgModifier>("a").get());
    root->AddChild(inner.get());
    inner->AddChild(Named<SgModifier>("b").get());
    inner->AddChild(control.get());
    inner->AddChild(StackProbe(inside).get());
    root->AddChild(StackProbe(after).get());
    Apply(root.get());
    EXPECT_EQ(inside, "");
    EXPECT_EQ(after, "a");
}

TEST_F(ModifierNodeTest, EachEntryKeepsThePlacementItsModifierWasMetUnder)
{
    SgRef<SgSeparator> root = new SgSeparator;
    SgRef<StateTestNode> move = new StateTestNode;
    move->m_visit = [](SgAction *action, StateTestNode *node) {
        Mat4 shift;
        shift.Set(0, 3, 2.0);
        TransformElement::Set(action->GetState(), node, shift);
    };
    SgModifierStack seen;
    SgRef<StateTestNode> probe = new StateTestNode;
    probe->m_visit = [&seen](SgAction *action, StateTestNode *) {
        seen = ModifierStackElement::Get(action->GetState());
    };
    root->AddChild(Named<SgModifier>("a").get());
    root->AddChild(move.get());
    root->AddChild(Named<SgModifier>("b").get());
    root->AddChild(probe.get());
    Apply(root.get());

    ASSERT_EQ(StackNames(seen), "a b");
    EXPECT_EQ(seen.getTransform(0).GetTranslation(), Vec3(0, 0, 0)) << "a stands before the move";
    EXPECT_EQ(seen.getTransform(1).GetTranslation(), Vec3(2, 0, 0)) << "b stands after the move";
}

TEST_F(ModifierNodeTest, ControlModifierReleasesTheNodeItHolds)
{
    SgRef<SgModifier> kept = new SgModifier;
    {
        SgRef<SgControlModifier> control = new SgControlModifier;
        control->m_refNode = NodePtr(kept.get());
        EXPECT_EQ(kept->GetRefCount(), 2);
    }
    EXPECT_EQ(kept->GetRefCount(), 1) << "the destroyed control modifier kept its reference";
}

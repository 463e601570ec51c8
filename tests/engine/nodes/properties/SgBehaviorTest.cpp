// The behaviour node puts its tool choice into the traversal state for the
// nodes after it.
#include <gtest/gtest.h>

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/properties/SgBehavior.h"
#include "tests/engine/core/StateTestSupport.h"
#include "tests/engine/nodes/properties/EditorStateAction.h"
#include "tests/engine/nodes/properties/FieldTableCheck.h"

namespace {

SgRef<StateTestNode> BehaviourProbe(int &seen)
{
    SgRef<StateTestNode> probe = new StateTestNode;
    probe->m_visit = [&seen](SgAction *action, StateTestNode *) {
        const int *value = SelcctionBehaviorElement::Get(action->GetState());
        seen = value ? *value : -100;
    };
    return probe;
}

} // namespace

TEST(SgBehavior, DeclaresTheToolChoice)
{
    InitEditorStateTestClasses();
    SgRef<SgBehavior> behavior = new SgBehavior;
    ExpectFieldTable(*behavior, {{"selectionTool", 1, "0"}});
    EXPECT_TRUE(behavior->IsPropertyNode());
    EXPECT_EQ(SgFieldMngr::GetClassIDFromName("SgBehavior"), SgBehavior::ClassID());
}

// root: separator { behaviour, probe inside }, probe after
TEST(SgBehavior, ToolChoiceReachesTheNodesAfterItWithinItsSeparator)
{
    InitEditorStateTestClasses();
    struct Case {
        const char *name;
        int tool;
        bool ignored;
    };
    const Case cases[] = {
        {"constraint tool", 2, false},
        {"handle box", 3, false},
        {"written even when the field is flagged ignored", 1, true},
    };
    for (const Case &c : cases) {
        SgRef<SgSeparator> root = new SgSeparator;
        SgRef<SgSeparator> scope = new SgSeparator;
        SgRef<SgBehavior> behavior = new SgBehavior;
        behavior->m_selectionTool = c.tool;
        behavior->m_selectionTool.SetIgnored(c.ignored);
        int inside = -1;
        int after = -1;
        root->AddChild(scope.get());
        scope->AddChild(behavior.get());
        scope->AddChild(BehaviourProbe(inside).get());
        root->AddChild(BehaviourProbe(after).get());

        EditorStateAction action;
        ASSERT_TRUE(action.Apply(root.get())) << action.GetError();
        EXPECT_EQ(inside, c.tool) << c.name;
        EXPECT_EQ(after, 0) << c.name << ": the choice leaked out of its separator";
    }
}

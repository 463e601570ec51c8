// Traversal of groups, switches and separators: which children are visited,
// in what order, with what path code, and what state they see.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/actions/ActionTestNodes.h"
#include "engine/core/SgApplyAction.h"
#include "engine/core/SgState.h"
#include "engine/core/SgSwitch.h"

namespace {

class SgTraversalTest : public ::testing::Test {
protected:
    void SetUp() override { InitActionTestClasses(); }
};

// root holding a, b, c, under a switch.
struct SwitchCase {
    int whichChild;
    const char *visited;
};

TEST_F(SgTraversalTest, SwitchVisitsOnlyItsChosenChild)
{
    const SwitchCase cases[] = {
        {0, "sw a"}, {1, "sw b"}, {2, "sw c"}, {SgSwitch::kAllChildren, "sw a b c"},
        {-1, "sw"},  {3, "sw"},   {-2, "sw"},  {100, "sw"},
    };
    SgRef<SgSwitch> sw = MakeNamed<SgSwitch>("sw");
    for (const char *name : {"a", "b", "c"})
        sw->AddChild(MakeNamed<LeafNode>(name));
    for (const SwitchCase &c : cases) {
        sw->m_whichChild = c.whichChild;
        LoggingAction action;
        ASSERT_TRUE(action.Apply(sw));
        EXPECT_EQ(action.Visited(), c.visited) << "whichChild " << c.whichChild;
    }
}

TEST_F(SgTraversalTest, SeparatorRestoresTheStateAfterItsChildren)
{
    // root: prop(style 5, x + 1), sep { prop(style 7, x + 10), inner }, after
    SgRef<SgGroup> root = MakeNamed<SgGroup>("root");
    SgRef<PropNode> outer = MakeNamed<PropNode>("outer");
    outer->m_style = 5;
    outer->m_moveX = 1.0;
    SgRef<SgSeparator> sep = MakeNamed<SgSeparator>("sep");
    SgRef<PropNode> inside = MakeNamed<PropNode>("inside");
    inside->m_style = 7;
    inside->m_moveX = 10.0;
    SgRef<ProbeNode> inner = MakeNamed<ProbeNode>("inner");
    SgRef<ProbeNode> after = MakeNamed<ProbeNode>("after");
    sep->AddChild(inside);
    sep->AddChild(inner);
    root->AddChild(outer);
    root->AddChild(sep);
    root->AddChild(after);

    LoggingAction action;
    ASSERT_TRUE(action.Apply(root)) << action.GetError();
    EXPECT_EQ(inner->m_seenStyle, 7) << "the separator's own property applies inside it";
    EXPECT_EQ(inner->m_seenX, 11.0) << "translations accumulate into the separator";
    EXPECT_EQ(after->m_seenStyle, 5) << "the separator leaked its draw style";
    EXPECT_EQ(after->m_seenX, 1.0) << "the separator leaked its translation";
    EXPECT_EQ(action.GetState()->GetDepth(), 0);
    EXPECT_EQ(action.GetCurrentPath().GetCount(), 0) << "Apply leaves the current path as it was";

    // A second traversal starts from the defaults again.
    root->DeleteChild(outer);
    ASSERT_TRUE(action.Apply(root));
    EXPECT_EQ(after->m_seenStyle, 5) << "values of an earlier Apply stayed in the state";
}

// The graph of the target-path cases:
//   root { X(leaf), P(prop), G { B }, A { a1(prop), a2(leaf), B { b1(leaf), b2(prop) }, a3(prop) }, Y(leaf) }
// B is shared by G (off the target, visited because groups affect state) and A.
class TargetPathTest : public SgTraversalTest {
protected:
    void SetUp() override
    {
        SgTraversalTest::SetUp();
        root = MakeNamed<SgGroup>("root");
        A = MakeNamed<SgGroup>("A");
        B = MakeNamed<SgGroup>("B");
        G = MakeNamed<SgGroup>("G");
        B->AddChild(MakeNamed<LeafNode>("b1"));
        B->AddChild(MakeNamed<PropNode>("b2"));
        G->AddChild(B);
        A->AddChild(MakeNamed<PropNode>("a1"));
        A->AddChild(MakeNamed<LeafNode>("a2"));
        A->AddChild(B);
        A->AddChild(MakeNamed<PropNode>("a3"));
        root->AddChild(MakeNamed<LeafNode>("X"));
        root->AddChild(MakeNamed<PropNode>("P"));
        root->AddChild(G);
        root->AddChild(A);
        root->AddChild(MakeNamed<LeafNode>("Y"));
        target.Append(root);
        target.Append(A);
        target.Append(B);
    }

    SgRef<SgGroup> root, A, B, G;
    SgPath target;
};

TEST_F(TargetPathTest, VisitsTheStatePathToTheTargetAndItsWholeSubtree)
{
    LoggingAction action;
    ASSERT_TRUE(action.ApplyToPath(target)) << action.GetError();
    // X and a2 are skipped off the target, P and a1 run because they affect
    // state, B's occurrence under G is off the target, and nothing after the
    // target branch (a3, Y) is visited.
    EXPECT_EQ(action.Visited(true), "root:2 P:1 G:1 B:1 b2:1 A:2 a1:1 B:3 b1:3 b2:3");
    EXPECT_EQ(action.GetCurrentPath().GetCount(), 0);
}

TEST_F(TargetPathTest, LaterApplyKeepsTheTarget)
{
    LoggingAction action;
    ASSERT_TRUE(action.ApplyToPath(target));
    const std::string first = action.Visited(true);
    action.m_names.clear();
    action.m_codes.clear();
    ASSERT_TRUE(action.Apply(root));
    EXPECT_EQ(action.Visited(true), first) << "the target path of ApplyToPath no longer restricts Apply";
}

TEST_F(TargetPathTest, TargetEndingAtAGroupStopsItsFathersAfterIt)
{
    SgPath toA;
    toA.Append(root);
    toA.Append(A);
    LoggingAction action;
    ASSERT_TRUE(action.ApplyToPath(toA));
    EXPECT_EQ(action.Visited(true), "root:2 P:1 G:1 B:1 b2:1 A:3 a1:3 a2:3 B:3 b1:3 b2:3 a3:3");
}

TEST_F(TargetPathTest, EmptyTargetPathIsRefusedBeforeAnyVisit)
{
    LoggingAction action;
    EXPECT_THROW(action.ApplyToPath(SgPath()), SgInvalidArgument);
    EXPECT_EQ(action.Visited(), "");
}

TEST_F(TargetPathTest, SwitchOnTheTargetVisitsOnlyTheTargetChild)
{
    SgRef<SgSwitch> sw = MakeNamed<SgSwitch>("sw");
    SgRef<SgGroup> chosen = MakeNamed<SgGroup>("chosen");
    SgRef<SgGroup> other = MakeNamed<SgGroup>("other");
    sw->AddChild(other);
    sw->AddChild(chosen);
    SgPath path;
    path.Append(sw);
    path.Append(chosen);
    struct Case {
        int whichChild;
        const char *visited;
    };
    for (const Case &c : {Case{1, "sw:2 chosen:3"}, Case{0, "sw:2"}}) {
        sw->m_whichChild = c.whichChild;
        LoggingAction action;
        ASSERT_TRUE(action.ApplyToPath(path));
        EXPECT_EQ(action.Visited(true), c.visited) << "whichChild " << c.whichChild;
    }
}

// root { s1 { a, stop, b }, c } and the flags that cut a traversal short.
struct FlagCase {
    const char *name;
    const char *terminateAt;
    const char *leaveAt;
    bool visitAll;
    const char *visited;
};

TEST_F(SgTraversalTest, FlagsCutTheTraversalShort)
{
    const FlagCase cases[] = {
        {"plain", "", "", true, "root s1 a stop b c"},
        {"terminate stops every enclosing group", "stop", "", true, "root s1 a stop"},
        {"leave skips the rest of the separator only", "", "stop", true, "root s1 a stop c"},
        {"unselectable children skipped without visit-all", "", "", false, "root s1 a c"},
    };
    SgRef<SgGroup> root = MakeNamed<SgGroup>("root");
    SgRef<SgSeparator> s1 = MakeNamed<SgSeparator>("s1");
    SgRef<LeafNode> stop = MakeNamed<LeafNode>("stop");
    SgRef<LeafNode> b = MakeNamed<LeafNode>("b");
    stop->SetSelectable(false);
    b->SetSelectable(false);
    s1->AddChild(MakeNamed<LeafNode>("a"));
    s1->AddChild(stop);
    s1->AddChild(b);
    root->AddChild(s1);
    root->AddChild(MakeNamed<LeafNode>("c"));
    for (const FlagCase &c : cases) {
        LoggingAction action;
        action.m_terminateAt = c.terminateAt;
        action.m_leaveAt = c.leaveAt;
        action.m_bVisitAll = c.visitAll;
        ASSERT_TRUE(action.Apply(root));
        EXPECT_EQ(action.Visited(), c.visited) << c.name;
        EXPECT_EQ(action.GetState()->GetDepth(), 0) << c.name;
    }
}

TEST_F(SgTraversalTest, VisitorMayDeleteChildrenOfTheGroupItRunsIn)
{
    SgRef<SgGroup> root = MakeNamed<SgGroup>("root");
    for (const char *name : {"a", "b", "c"})
        root->AddChild(MakeNamed<LeafNode>(name));
    const SgAction::VisitorFn deleter = [](SgAction *, SgNode *node) {
        if (node->GetName() == "a")
            static_cast<SgGroup *>(node->GetFirstFather())->Clear();
    };
    SgAction::VisitorFn saved = LoggingAction::s_pfnMethodsMap[LeafNode::ClassOffset()];
    LoggingAction::s_pfnMethodsMap[LeafNode::ClassOffset()] = deleter;
    LoggingAction action;
    EXPECT_TRUE(action.Apply(root));
    LoggingAction::s_pfnMethodsMap[LeafNode::ClassOffset()] = saved;
    EXPECT_EQ(root->GetChildsCount(), 0);
}


// A function run over every node that deletes nodes of the graph it walks,
// as the selection handler's "apply to all" may: root { g { a, b }, c, d }.
struct DeletionCase {
    const char *name;
    const char *deleteAt; // the node whose call deletes
    const char *victim;   // the node deleted from its first father
    const char *visited;
};

struct DeletionRun {
    const DeletionCase *c;
    std::vector<SgNode *> nodes;
    std::string visited;
};

SgNode *NodeNamed(const std::vector<SgNode *> &nodes, const char *name)
{
    for (SgNode *node : nodes) {
        if (node->GetName() == name)
            return node;
    }
    return nullptr;
}

TEST_F(SgTraversalTest, FunctionOverEveryNodeMayDeleteNodesOnTheWay)
{
    const DeletionCase cases[] = {
        {"the current child: its next sibling still runs", "c", "c", "root g a b c d"},
        {"the current group child: its next sibling still runs", "g", "g", "root g c d"},
        {"the group being traversed: its later children are not visited", "a", "g", "root g a c d"},
        {"a later sibling: it is not visited", "a", "b", "root g a c d"},
        {"an earlier sibling: nothing is skipped or repeated", "c", "g", "root g a b c d"},
    };
    for (const DeletionCase &c : cases) {
        SgRef<SgGroup> root = MakeNamed<SgGroup>("root");
        DeletionRun run{&c, {}, ""};
        {
            SgRef<SgGroup> g = MakeNamed<SgGroup>("g");
            SgRef<LeafNode> a = MakeNamed<LeafNode>("a"), b = MakeNamed<LeafNode>("b");
            SgRef<LeafNode> cc = MakeNamed<LeafNode>("c"), d = MakeNamed<LeafNode>("d");
            g->AddChild(a);
            g->AddChild(b);
            root->AddChild(g);
            root->AddChild(cc);
            root->AddChild(d);
            run.nodes = {root, g, a, b, cc, d};
        }
        // From here the groups hold the only references: a deletion frees.
        SgApplyAction action(
            [](SgAction *, SgNode *node, void *data) {
                auto *run = static_cast<DeletionRun *>(data);
                run->visited += (run->visited.empty() ? "" : " ") + node->GetName();
                if (node->GetName() != run->c->deleteAt)
                    return;
                SgNode *victim = NodeNamed(run->nodes, run->c->victim);
                static_cast<SgGroup *>(victim->GetFirstFather())->DeleteChild(victim);
            },
            &run);
        EXPECT_TRUE(action.Apply(root)) << c.name;
        EXPECT_EQ(run.visited, c.visited) << c.name;
        EXPECT_EQ(action.GetCurrentPath().GetCount(), 0) << c.name;
    }
}

TEST_F(SgTraversalTest, ReusedActionKeepsItsStateMemoryBounded)
{
    // 5,000 separators, each writing the draw style and the translation, so
    // that every one of them copies both elements at its own level.
    SgRef<SgGroup> root = MakeNamed<SgGroup>("root");
    for (int i = 0; i < 5000; ++i) {
        SgRef<SgSeparator> sep = MakeNamed<SgSeparator>("sep");
        SgRef<PropNode> prop = MakeNamed<PropNode>("prop");
        prop->m_style = i;
        prop->m_moveX = 1.0;
        sep->AddChild(prop);
        root->AddChild(sep);
    }
    LoggingAction action;
    ASSERT_TRUE(action.Apply(root));
    const std::size_t first = action.GetState()->GetElementMemory();
    for (int round = 0; round < 10; ++round)
        ASSERT_TRUE(action.Apply(root));
    EXPECT_EQ(action.GetState()->GetElementMemory(), first) << "a reused action's state memory grew";
    // Only the levels open at once hold copies: a few blocks, not one copy
    // per separator ever entered.
    EXPECT_LE(first, std::size_t(4 * SgState::kBlockSize));
}

} // namespace

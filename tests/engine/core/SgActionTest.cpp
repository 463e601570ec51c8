// The action framework: class registry, visitor tables and their
// inheritance, the default visitor, failures caught at Apply, and the
// generic apply action.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/engine/EngineTestClasses.h"
#include "tests/engine/core/TestNodes.h"
#include "tests/engine/actions/ActionTestNodes.h"
#include "engine/core/SgApplyAction.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/core/SgState.h"
#include "platform/SgDiagHandler.h"

// Never registered: its class id stays 0, below every table.
class ActionTestUnregistered : public SgNode {
    SG_CLASS_HEADER(ActionTestUnregistered, SgFieldMngr)

protected:
    ~ActionTestUnregistered() override = default;
};
SG_CLASS_SOURCE(ActionTestUnregistered, SgNode, SgFieldMngr, "ActionTestUnregistered")

namespace {

// Tags each node with the visitor its class resolved to.
class KindAction : public SgAction {
    SG_ACTION_HEADER(KindAction)

    static void VisitAnyNode(SgAction *action, SgNode *) { Tag(action, "node"); }
    static void VisitBase(SgAction *action, SgNode *) { Tag(action, "base"); }
    static void Tag(SgAction *action, const char *tag) { static_cast<KindAction *>(action)->m_tags.push_back(tag); }

    std::vector<std::string> m_tags;
};
SG_ACTION_SOURCE(KindAction, "KindAction")

void KindAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitAnyNode);
    SetVisitor(s_pfnMethodsMap, BaseProbe::ClassID(), VisitBase);
    BuildVisitorsMap_(s_iClassID);
}

// A node whose own DoAction counts the calls the default visitor makes.
class CountingNode : public SgNode {
    SG_CLASS_HEADER(CountingNode, SgFieldMngr)
    void DoAction(SgAction *) override { ++m_calls; }
    int m_calls = 0;

protected:
    ~CountingNode() override = default;
};
SG_CLASS_SOURCE(CountingNode, SgNode, SgFieldMngr, "CountingNode")

} // namespace

void RegisterSgActionTestClasses()
{
    InitActionTestClasses();
    CountingNode::InitClass();
    KindAction::InitClass();
    SgAction::ReBuildVisitorsMaps();
}

namespace {

class SgActionTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterSgActionTestClasses(); }

    static std::string TagOf(SgNode *node)
    {
        KindAction action;
        action.Apply(node);
        return action.m_tags.empty() ? "(none)" : action.m_tags.front();
    }
};

TEST_F(SgActionTest, ClassesWithoutAnEntryUseTheirNearestAncestors)
{
    SgRef<SgNode> base = new BaseProbe, derived = new DerivedProbe, leaf = new LeafNode;
    EXPECT_EQ(TagOf(base), "base");
    EXPECT_EQ(TagOf(derived), "base") << "DerivedProbe should inherit BaseProbe's entry";
    EXPECT_EQ(TagOf(leaf), "node") << "LeafNode should inherit SgNode's entry";
}

TEST_F(SgActionTest, ClassRegisteredAfterStartUpGetsItsParentsEntryOnRebuild)
{
    const bool freshClass = LateProbe::ClassID() == 0;
    LateProbe::InitClass();
    SgRef<SgNode> late = new LateProbe;
    if (freshClass) {
        EXPECT_EQ(TagOf(late), "(none)") << "a class registered after the build has no entry before a rebuild";
    }
    SgAction::ReBuildVisitorsMaps();
    EXPECT_EQ(TagOf(late), "base") << "after the rebuild LateProbe should inherit from BaseProbe";
}

TEST_F(SgActionTest, RebuildKeepsEntriesAlreadySet)
{
    // An entry written for an existing class after the build reaches only the
    // classes still empty: DerivedProbe keeps the entry it inherited.
    SgAction::VisitorFn *table = SgAction::GetVisitorTable(KindAction::ClassID());
    ASSERT_NE(table, nullptr);
    const SgAction::VisitorFn saved = table[BaseProbe::ClassOffset()];
    SgAction::SetVisitor(KindAction::ClassID(), BaseProbe::ClassID(), KindAction::VisitAnyNode);
    SgAction::ReBuildVisitorsMaps();
    SgRef<SgNode> base = new BaseProbe, derived = new DerivedProbe;
    EXPECT_EQ(TagOf(base), "node");
    EXPECT_EQ(TagOf(derived), "base");
    table[BaseProbe::ClassOffset()] = saved;
}

TEST_F(SgActionTest, VisitorByNameFillsKnownClassesAndRecordsTheOthersOnce)
{
    SgAction::VisitorFn table[SgAction::kVisitorTableSize] = {};
    EXPECT_TRUE(SgAction::SetVisitorByName(table, "BaseProbe", KindAction::VisitBase));
    EXPECT_EQ(table[BaseProbe::ClassOffset()], &KindAction::VisitBase);
    for (int round = 0; round < 2; ++round)
        EXPECT_FALSE(SgAction::SetVisitorByName(table, "ActionTestNeverBuilt", KindAction::VisitBase));
    EXPECT_EQ(std::count_if(std::begin(table), std::end(table), [](SgAction::VisitorFn f) { return f != nullptr; }), 1)
        << "an unknown name must leave the table alone";
    const std::vector<std::string> &unresolved = SgAction::GetUnresolvedVisitorNames();
    EXPECT_EQ(std::count(unresolved.begin(), unresolved.end(), "ActionTestNeverBuilt"), 1);
    EXPECT_EQ(std::count(unresolved.begin(), unresolved.end(), "BaseProbe"), 0);
}

TEST_F(SgActionTest, DefaultVisitorHandsTheActionToTheNode)
{
    SgRef<CountingNode> node = new CountingNode;
    SgAction action;
    EXPECT_TRUE(action.Apply(node));
    EXPECT_EQ(node->m_calls, 1) << "SgAction's SgNode entry should call the node's DoAction";
}

TEST_F(SgActionTest, RegistryRecordsNameCreatorAndTable)
{
    const int id = KindAction::ClassID();
    ASSERT_GE(id, SgAction::kFirstClassID);
    ASSERT_LT(id, SgAction::ClassIDCounter);
    EXPECT_STREQ(SgAction::s_csClassNames[id - SgAction::kFirstClassID], "KindAction");
    EXPECT_EQ(SgAction::maps[id - SgAction::kFirstClassID], KindAction::s_pfnMethodsMap);
    SgAction *created = SgAction::Create(id);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->GetClassID(), id);
    EXPECT_STREQ(created->GetClassName(), "KindAction");
    SgAction::Destroy(created);
    SgAction::Destroy(nullptr);
    EXPECT_EQ(SgAction::ClassID(), SgAction::kFirstClassID) << "SgAction should take the first id";
}

TEST_F(SgActionTest, IdsOutsideTheTablesAreRefused)
{
    const int unused = SgAction::kFirstClassID + SgAction::kMaxClasses - 1;
    for (int id : {0, -5, SgAction::kFirstClassID - 1, unused, SgAction::kFirstClassID + SgAction::kMaxNamedClasses,
                   1 << 30}) {
        if (id == unused && id < SgAction::ClassIDCounter)
            continue;
        EXPECT_EQ(SgAction::Create(id), nullptr) << "Create(" << id << ")";
        EXPECT_EQ(SgAction::GetVisitorTable(id), nullptr) << "GetVisitorTable(" << id << ")";
        EXPECT_FALSE(SgAction::SetVisitor(id, SgNode::ClassID(), SgAction::VisitNothing)) << id;
    }
    for (int nodeId : {0, 99, SgAction::kFirstNodeClassID + SgAction::kVisitorTableSize, -1})
        EXPECT_FALSE(SgAction::SetVisitor(KindAction::s_pfnMethodsMap, nodeId, SgAction::VisitNothing)) << nodeId;
    SgAction action;
    EXPECT_EQ(action.GetEnabledElement(-1), -1);
    EXPECT_EQ(action.GetEnabledElement(SgAction::kMaxEnabledElements), -1);
}

TEST_F(SgActionTest, NodeOfAnUnregisteredClassIsSkipped)
{
    SgRef<ActionTestUnregistered> node = new ActionTestUnregistered;
    ASSERT_EQ(node->GetClassID(), 0);
    KindAction action;
    EXPECT_TRUE(action.Apply(node));
    EXPECT_TRUE(action.m_tags.empty());
}

// A chain of separators `depth` deep with a probe at the bottom.
SgRef<SgSeparator> SeparatorChain(int depth, SgRef<ProbeNode> &probe)
{
    SgRef<SgSeparator> top = new SgSeparator;
    SgSeparator *current = top;
    for (int i = 1; i < depth; ++i) {
        SgSeparator *next = new SgSeparator;
        current->AddChild(next);
        current = next;
    }
    probe = new ProbeNode;
    current->AddChild(probe);
    return top;
}

TEST_F(SgActionTest, StateOverflowFailsTheApplyAndTheActionStaysUsable)
{
    // A fresh state has room for 127 pushes.
    SgRef<ProbeNode> deepest;
    SgRef<SgSeparator> fits = SeparatorChain(SgState::kMaxFrames - 1, deepest);
    SgRef<ProbeNode> unreached;
    SgRef<SgSeparator> tooDeep = SeparatorChain(SgState::kMaxFrames, unreached);

    LoggingAction action;
    SgDiagCapture capture;
    EXPECT_FALSE(action.Apply(tooDeep));
    EXPECT_TRUE(action.HasFailed());
    EXPECT_EQ(action.GetError(), "SgState::Push - Not enought stack storage");
    ASSERT_EQ(capture.Count(), 1) << capture.GetText();
    EXPECT_EQ(capture.GetDiagnostics()[0].package, "LoggingAction") << "the action's class names the package";
    EXPECT_EQ(capture.GetDiagnostics()[0].level, SgDiagLevel::Error);
    EXPECT_EQ(capture.GetDiagnostics()[0].text, action.GetError());
    EXPECT_EQ(unreached->m_visits, 0);
    EXPECT_EQ(action.GetState()->GetDepth(), 0) << "the failed Apply left the state pushed";
    EXPECT_EQ(action.GetCurrentPath().GetCount(), 0) << "the failed Apply left nodes on the current path";

    EXPECT_TRUE(action.Apply(fits)) << action.GetError();
    EXPECT_FALSE(action.HasFailed());
    EXPECT_EQ(deepest->m_visits, 1);
    EXPECT_EQ(action.GetState()->GetDepth(), 0);
}

// Groups take no state frame, so a chain of them (which shared nodes in a
// file make of a line per level) once went as deep as it was on the stack,
// and overflowed it. Past the traversal's depth the Apply fails with one
// message and leaves the action usable.
TEST_F(SgActionTest, AChainOfGroupsTooDeepToTraverseFailsTheApply)
{
    SgRef<SgGroup> top = new SgGroup;
    SgGroup *bottom = top.get();
    for (int i = 0; i < 20000; ++i) {
        auto *next = new SgGroup;
        bottom->AddChild(next);
        bottom = next;
    }
    SgRef<ProbeNode> unreached = new ProbeNode;
    bottom->AddChild(unreached.get());
    LoggingAction action;
    SgDiagCapture capture;
    EXPECT_FALSE(action.Apply(top));
    EXPECT_NE(action.GetError().find("nested deeper than"), std::string::npos) << action.GetError();
    EXPECT_EQ(capture.Count(), 1) << capture.GetText();
    EXPECT_EQ(unreached->m_visits, 0);
    EXPECT_EQ(action.GetState()->GetDepth(), 0);
    EXPECT_EQ(action.GetCurrentPath().GetCount(), 0);
    SgRef<ProbeNode> deepest;
    SgRef<SgSeparator> fits = SeparatorChain(100, deepest);
    EXPECT_TRUE(action.Apply(fits)) << action.GetError();
    EXPECT_EQ(deepest->m_visits, 1);
}

// A graph that holds the level below twice at every level: `levels` lines of
// a file, and a traversal that repeats the bottom 2^levels times.
SgRef<SgGroup> SharedTwicePerLevel(int levels, SgRef<ProbeNode> &bottom)
{
    bottom = new ProbeNode;
    SgRef<SgNode> below = bottom.get();
    SgRef<SgGroup> level;
    for (int i = 0; i < levels; ++i) {
        level = new SgGroup;
        level->AddChild(below.get());
        level->AddChild(below.get());
        below = level.get();
    }
    return level;
}

// Sharing multiplies the work of a traversal, not the size of the scene: one
// pass stops at a bound on its node visits with one message, so that a scene
// of forty lines cannot keep every traversal busy for ever. A scene of many
// nodes of its own may take more visits than a few-line one.
TEST_F(SgActionTest, OnePassStopsAtItsBoundOfNodeVisits)
{
    struct Case {
        const char *what;
        int levels;
        bool passes;
        uint64_t visits;
    };
    const uint64_t floor = SgAction::kTraversalVisitFloor;
    const Case cases[] = {
        {"ten levels", 10, true, (uint64_t(1) << 11) - 1},
        {"forty levels", 40, false, floor},
        {"fifteen levels", 15, true, (uint64_t(1) << 16) - 1},
        {"sixteen levels", 16, false, floor},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SgRef<ProbeNode> bottom;
        SgRef<SgGroup> top = SharedTwicePerLevel(c.levels, bottom);
        SgAction action;
        SgDiagCapture capture;
        EXPECT_EQ(action.Apply(top), c.passes) << action.GetError();
        EXPECT_EQ(action.GetVisitCount(), c.visits);
        if (c.passes) {
            EXPECT_EQ(bottom->m_visits, 1 << c.levels);
            EXPECT_EQ(capture.Count(), 0) << capture.GetText();
            continue;
        }
        EXPECT_NE(action.GetError().find(std::to_string(floor) + " node visits"), std::string::npos)
            << action.GetError();
        ASSERT_EQ(capture.Count(), 1) << capture.GetText();
        EXPECT_EQ(action.GetState()->GetDepth(), 0);
        EXPECT_EQ(action.GetCurrentPath().GetCount(), 0);
        // The action starts its next pass with a fresh count.
        SgRef<ProbeNode> small;
        SgRef<SgGroup> fits = SharedTwicePerLevel(3, small);
        EXPECT_TRUE(action.Apply(fits)) << action.GetError();
        EXPECT_EQ(action.GetVisitCount(), 15u);
    }
}

// A scene too shared to traverse is said once, however many passes and
// actions meet it (one command makes several, a window one set per frame),
// and again when an edit has made it another scene.
TEST_F(SgActionTest, AScenePastTheVisitBoundIsReportedOncePerScene)
{
    SgRef<ProbeNode> deepBottom, smallBottom, otherBottom;
    SgRef<SgGroup> deep = SharedTwicePerLevel(20, deepBottom);
    SgRef<SgGroup> small = SharedTwicePerLevel(3, smallBottom);
    SgRef<SgGroup> other = SharedTwicePerLevel(20, otherBottom);
    SgRef<ProbeNode> extra = new ProbeNode;
    SgRef<SgGroup> top = new SgGroup;
    SgAction first, second;
    struct Step {
        const char *what;
        SgAction *action;
        SgGroup *root;
        std::vector<SgNode *> below; // the top's children for this step
        bool passes;
        int messages; // said so far
    };
    const Step steps[] = {
        {"the first pass", &first, top.get(), {deep.get()}, false, 1},
        {"the same action again", &first, top.get(), {deep.get()}, false, 1},
        {"another action", &second, top.get(), {deep.get()}, false, 1},
        {"another scene", &second, other.get(), {}, false, 2},
        {"the scene cut down goes through", &first, top.get(), {small.get()}, true, 2},
        {"the scene as it was", &second, top.get(), {deep.get()}, false, 2},
        {"the scene grown", &first, top.get(), {deep.get(), extra.get()}, false, 3},
        {"the grown scene again", &second, top.get(), {deep.get(), extra.get()}, false, 3},
    };
    SgDiagCapture capture;
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        if (!step.below.empty()) {
            while (top->GetNumChildren() > 0)
                top->DeleteChild(top->GetChild(0));
            for (SgNode *child : step.below)
                top->AddChild(child);
        }
        EXPECT_EQ(step.action->Apply(step.root), step.passes) << step.action->GetError();
        if (!step.passes) {
            EXPECT_NE(step.action->GetError().find("node visits"), std::string::npos)
                << "every stopped pass fails with its reason: " << step.action->GetError();
        }
        EXPECT_EQ(capture.Count(), step.messages) << capture.GetText();
    }
}

TEST_F(SgActionTest, AGraphOfManyNodesOfItsOwnIsTraversedWhole)
{
    // Past the floor a pass may make a few visits per distinct node.
    const int count = int(SgAction::kTraversalVisitFloor) * 2;
    SgRef<SgGroup> top = new SgGroup;
    std::vector<SgRef<ProbeNode>> probes;
    for (int i = 0; i < count; ++i) {
        probes.push_back(new ProbeNode);
        top->AddChild(probes.back().get());
    }
    SgAction action;
    EXPECT_TRUE(action.Apply(top)) << action.GetError();
    EXPECT_EQ(action.GetVisitCount(), uint64_t(count) + 1);
    EXPECT_EQ(probes.back()->m_visits, 1);
}

// A node that throws the invalid-argument exception from inside a traversal.
class ThrowingNode : public LeafNode {
public:
    void DoAction(SgAction *) override { throw SgInvalidArgument("bad index"); }

protected:
    ~ThrowingNode() override = default;
};

TEST_F(SgActionTest, FailureInsideNestedSeparatorsUnwindsStateAndPath)
{
    SgRef<ProbeNode> probe;
    SgRef<SgSeparator> chain = SeparatorChain(5, probe);
    SgGroup *bottom = static_cast<SgGroup *>(probe->GetFirstFather());
    bottom->AddChildBefore(new ThrowingNode, probe);
    SgAction action;
    SgDiagCapture capture;
    EXPECT_FALSE(action.Apply(chain));
    EXPECT_EQ(action.GetError(), "bad index");
    ASSERT_EQ(capture.Count(), 1) << capture.GetText();
    EXPECT_EQ(capture.GetDiagnostics()[0].package, "Action") << "\"Sg\" is dropped from the class name";
    EXPECT_EQ(capture.GetText(), "bad index\n") << "the line that went to standard error before";
    EXPECT_EQ(action.GetState()->GetDepth(), 0);
    EXPECT_EQ(action.GetCurrentPath().GetCount(), 0);
}

// The apply action's calls, as "node" names.
void Record(SgAction *, SgNode *node, void *data)
{
    static_cast<std::vector<std::string> *>(data)->push_back(node->GetName());
}

TEST_F(SgActionTest, ApplyActionCallsGroupsFirstAndReferencedNodesBeforeTheirHolder)
{
    SgRef<SgSeparator> root = MakeNamed<SgSeparator>("root");
    SgRef<TestShape> shape = MakeNamed<TestShape>("shape");
    SgRef<LeafNode> profile = MakeNamed<LeafNode>("profile");
    shape->m_profile = NodePtr(profile.get());
    root->AddChild(shape);
    root->AddChild(MakeNamed<LeafNode>("leaf"));

    std::vector<std::string> calls;
    SgApplyAction action(Record, &calls);
    ASSERT_TRUE(action.Apply(root));
    EXPECT_EQ(calls, (std::vector<std::string>{"root", "profile", "shape", "leaf"}));

    // Without a function nothing is called, and nothing fails.
    SgApplyAction idle;
    EXPECT_TRUE(idle.Apply(root));
}

TEST_F(SgActionTest, ApplyActionCallbackCanLeaveTheSeparator)
{
    SgRef<SgGroup> root = MakeNamed<SgGroup>("root");
    SgRef<SgSeparator> sep = MakeNamed<SgSeparator>("sep");
    for (const char *name : {"a", "leave", "b"})
        sep->AddChild(MakeNamed<LeafNode>(name));
    root->AddChild(sep);
    root->AddChild(MakeNamed<LeafNode>("after"));
    std::vector<std::string> calls;
    SgApplyAction action(
        [](SgAction *action, SgNode *node, void *data) {
            Record(action, node, data);
            if (node->GetName() == "leave")
                action->m_bLeaveSeparator = true;
        },
        &calls);
    ASSERT_TRUE(action.Apply(root));
    EXPECT_EQ(calls, (std::vector<std::string>{"root", "sep", "a", "leave", "after"}));
}

TEST_F(SgActionTest, ApplyActionEntersShapeSeparatorsWhenAsked)
{
    // root { shape [internal separator { operand { profile } }] }
    SgRef<SgSeparator> root = MakeNamed<SgSeparator>("root");
    SgRef<SgGeometricShape> shape = MakeNamed<SgGeometricShape>("shape");
    SgRef<SgGroup> operand = MakeNamed<SgGroup>("operand");
    operand->AddChild(MakeNamed<LeafNode>("profile"));
    shape->GetSeparator()->AddChild(operand);
    root->AddChild(shape);

    struct Call {
        std::vector<std::string> names;
        SgPath profilePath;
    };
    const auto record = [](SgAction *action, SgNode *node, void *data) {
        auto *call = static_cast<Call *>(data);
        call->names.push_back(node->GetName());
        if (node->GetName() == "profile")
            call->profilePath = action->GetCurrentPath();
    };
    struct Case {
        bool visitShapeSeparators;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {false, {"root"}},
        {true, {"root", "operand", "profile", "shape"}},
    };
    for (const Case &c : cases) {
        Call call;
        SgApplyAction action(record, &call);
        action.m_bVisitShapeSeparators = c.visitShapeSeparators;
        ASSERT_TRUE(action.Apply(root));
        EXPECT_EQ(call.names, c.names) << "visit shape separators " << c.visitShapeSeparators;
    }
    Call call;
    SgApplyAction action(record, &call);
    action.m_bVisitShapeSeparators = true;
    ASSERT_TRUE(action.Apply(root));
    SgPath expected(*root);
    for (SgNode *node : {static_cast<SgNode *>(shape.get()), static_cast<SgNode *>(shape->GetSeparator()),
                         static_cast<SgNode *>(operand.get()), operand->GetChild(0)})
        expected.Append(node);
    EXPECT_TRUE(call.profilePath == expected) << "the path runs through the shape's separator";
}

// FindAffecting along a path: root { T, g1 { g2 { T2?, shape } } }.
TEST_F(SgActionTest, FindAffectingAlongAPathSearchesOneGroupPerLevel)
{
    SgRef<SgGroup> root = MakeNamed<SgGroup>("root");
    SgRef<SgGroup> g1 = MakeNamed<SgGroup>("g1");
    SgRef<SgGroup> g2 = MakeNamed<SgGroup>("g2");
    SgRef<PropNode> near = MakeNamed<PropNode>("near");
    SgRef<PropNode> far = MakeNamed<PropNode>("far");
    SgRef<LeafNode> shape = MakeNamed<LeafNode>("shape");
    root->AddChild(far);
    root->AddChild(g1);
    g1->AddChild(g2);
    g2->AddChild(shape);
    SgPath path;
    path.Append(root);
    path.Append(g1);
    path.Append(g2);
    path.Append(shape);

    struct Case {
        int levels;
        const char *found;
    };
    for (const Case &c : {Case{0, ""}, Case{1, ""}, Case{2, ""}, Case{3, "far"}, Case{-1, "far"}}) {
        SgNode *found = shape->FindAffecting(path, PropNode::ClassID(), c.levels);
        EXPECT_EQ(found ? found->GetName() : std::string(), c.found) << "levels " << c.levels;
    }
    g2->AddChildBefore(near, shape);
    EXPECT_EQ(shape->FindAffecting(path, PropNode::ClassID(), 1), near.get());

    // A path that ends at the group holding the node.
    path.DeleteLast();
    EXPECT_EQ(shape->FindAffecting(path, PropNode::ClassID(), 1), near.get());
    // A path whose last node does not hold the node.
    path.DeleteLast();
    EXPECT_EQ(shape->FindAffecting(path, PropNode::ClassID(), -1), nullptr);
    EXPECT_EQ(shape->FindAffecting(SgPath(), PropNode::ClassID(), -1), nullptr);
}

} // namespace

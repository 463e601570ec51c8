#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/engine/core/TestNodes.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgSwitch.h"

namespace {

// A shape that records being invalidated and reports its own destruction.
class WatchedShape : public TestShape {
public:
    explicit WatchedShape(bool *destroyed = nullptr) : m_destroyed(destroyed) {}
    void Invalidate() override { ++m_invalidations; }

    bool *m_destroyed;
    int m_invalidations = 0;

protected:
    ~WatchedShape() override
    {
        if (m_destroyed)
            *m_destroyed = true;
    }
};

// A group that counts the notices it hears into a shared tally: from its
// fathers (a sibling before it changed) and from its children.
class TallyGroup : public SgGroup {
public:
    explicit TallyGroup(int *fromFathers, int *fromChildren = nullptr)
        : m_fromFathers(fromFathers), m_fromChildren(fromChildren)
    {
    }
    void NotifySons(SgNode *from) override
    {
        ++*m_fromFathers;
        SgGroup::NotifySons(from);
    }
    void NotifyFathers(SgNode *from) override
    {
        if (m_fromChildren)
            ++*m_fromChildren;
        SgGroup::NotifyFathers(from);
    }

private:
    int *m_fromFathers;
    int *m_fromChildren;
};

std::string Names(const SgGroup &group)
{
    std::string text;
    for (SgNode *child : group.GetChildList())
        text += (text.empty() ? "" : ",") + child->GetName();
    return text;
}

SgNode *Named(SgNode *node, const char *name)
{
    node->SetName(name);
    return node;
}

int CountOf(const std::vector<SgNode *> &list, const SgNode *node)
{
    return static_cast<int>(std::count(list.begin(), list.end(), node));
}

} // namespace

class SgGroupTest : public ::testing::Test {
protected:
    void SetUp() override { InitTestClasses(); }
};

TEST_F(SgGroupTest, AddThenDeleteOfAFreshChildFreesIt)
{
    bool destroyed = false;
    SgRef<SgGroup> group = new SgGroup;
    auto *child = new WatchedShape(&destroyed);
    ASSERT_TRUE(group->AddChild(child));
    EXPECT_EQ(child->GetRefCount(), 1);
    EXPECT_EQ(CountOf(child->GetFatherList(), group.get()), 1);
    EXPECT_GT(child->m_invalidations, 0) << "the new child was not invalidated";
    EXPECT_EQ(group->DeleteChild(child), 1);
    EXPECT_TRUE(destroyed) << "the group's reference was the last one, the child should be gone";
    EXPECT_EQ(group->GetChildsCount(), 0);
}

TEST_F(SgGroupTest, DestroyingAGroupReleasesItsChildren)
{
    bool destroyed = false;
    {
        SgRef<SgGroup> group = new SgGroup;
        group->AddChild(new WatchedShape(&destroyed));
    }
    EXPECT_TRUE(destroyed);
}

// A group of many children (a scene file of 40,000 blocks in one separator)
// goes in time in proportion to its children: each child that leaves must not
// tell every sibling after it (40,000 children told each other 8e8 times).
// Emptying it goes from the back for the same reason.
TEST_F(SgGroupTest, ALongChildListIsFreedInLinearTime)
{
    constexpr int kChildren = 40000;
    int told = 0;
    SgRef<SgSeparator> group = new SgSeparator;
    for (int i = 0; i < kChildren; ++i)
        group->AddChild(new TallyGroup(&told));
    told = 0;
    group.reset();
    EXPECT_LE(told, kChildren) << "siblings told while " << kChildren << " children were freed";

    group = new SgSeparator;
    for (int i = 0; i < 1000; ++i)
        group->AddChild(new TallyGroup(&told));
    told = 0;
    group->Clear();
    EXPECT_EQ(group->GetChildsCount(), 0);
    EXPECT_LE(told, 1000) << "siblings told while the group was emptied";
}

TEST_F(SgGroupTest, ChildAddedTwiceIsListedTwiceAndHeldTwice)
{
    SgRef<SgGroup> group = new SgGroup;
    SgRef<TestShape> child = new TestShape;
    group->AddChild(child);
    group->AddChild(child);
    EXPECT_EQ(group->GetChildsCount(), 2);
    EXPECT_EQ(child->GetRefCount(), 3); // ours and one per entry
    EXPECT_EQ(CountOf(child->GetFatherList(), group.get()), 2);
    EXPECT_EQ(group->DeleteChild(child), 1);
    EXPECT_EQ(child->GetRefCount(), 2);
    EXPECT_EQ(CountOf(child->GetFatherList(), group.get()), 1);
}

TEST_F(SgGroupTest, ChildOfTwoGroupsListsBothFathers)
{
    SgRef<SgGroup> left = new SgGroup, right = new SgSeparator;
    SgRef<TestShape> child = new TestShape;
    left->AddChild(child);
    right->AddChild(child);
    const auto &fathers = child->GetFatherList();
    EXPECT_EQ(CountOf(fathers, left.get()), 1);
    EXPECT_EQ(CountOf(fathers, right.get()), 1);
}

TEST_F(SgGroupTest, GroupBelowItselfIsRefused)
{
    SgRef<SgGroup> top = new SgGroup, middle = new SgGroup, bottom = new SgSeparator;
    top->AddChild(middle);
    middle->AddChild(bottom);
    const int topRefs = top->GetRefCount();

    struct Case {
        const char *what;
        std::function<bool()> add;
    };
    const Case cases[] = {
        {"AddChild of itself", [&] { return top->AddChild(top); }},
        {"AddChild of a grandfather", [&] { return bottom->AddChild(top); }},
        {"AddChildBefore of a father", [&] { return bottom->AddChildBefore(middle, nullptr); }},
        {"AddChildAfter of a grandfather", [&] { return bottom->AddChildAfter(top, nullptr); }},
        {"AddChildAfterTransform of itself", [&] { return middle->AddChildAfterTransform(middle); }},
        {"ReplaceChild by a father", [&] { return bottom->AddChild(new TestShape) && bottom->ReplaceChild(bottom->GetChild(0), top); }},
        {"AddChild of nothing", [&] { return top->AddChild(nullptr); }},
    };
    for (const Case &c : cases) {
        EXPECT_FALSE(c.add()) << c.what << " was accepted";
        EXPECT_EQ(top->GetRefCount(), topRefs) << c.what << " changed the reference count";
        EXPECT_EQ(top->GetChildsCount(), 1) << c.what;
        EXPECT_EQ(middle->GetChildsCount(), 1) << c.what;
    }
    // A sibling subtree is no cycle.
    SgRef<SgGroup> other = new SgGroup;
    EXPECT_TRUE(bottom->AddChild(other));
}

// A chain as deep as scene files allow nothing near: each new bottom is a
// fresh node, which the cycle check need not walk up for, and the check that
// does walk up (the top put below the bottom) works without recursion.
TEST_F(SgGroupTest, ADeepChainGrowsAtItsBottomAndRefusesItsTopBelowIt)
{
    constexpr int kDepth = 10000;
    SgRef<SgGroup> top = new SgGroup;
    SgGroup *bottom = top.get();
    for (int i = 0; i < kDepth; ++i) {
        auto *next = new SgGroup;
        ASSERT_TRUE(bottom->AddChild(next)) << "at depth " << i;
        bottom = next;
    }
    EXPECT_FALSE(bottom->AddChild(top.get())) << "the top below the bottom would close a cycle";
    EXPECT_TRUE(bottom->AddChild(new TestShape));
}

// Growing a chain at its bottom costs the same for every new level: a new
// level's notice stops at the first group above it that has already passed
// one on since the last traversal (each level told every group above it once
// took time in the square of the depth). The top of the chain counts the
// notices that reach it.
TEST_F(SgGroupTest, GrowingADeepChainAtItsBottomTellsTheTopOnce)
{
    // Deep enough that notices in the square of the depth would count in the
    // hundreds of millions, and that a change after a traversal, which goes
    // up the whole chain, would overflow the stack if each level took a
    // frame of its own (the sanitizer's frames are the largest).
    constexpr int kDepth = 20000;
    int unused = 0, reachedTop = 0;
    SgRef<SgGroup> top = new TallyGroup(&unused, &reachedTop);
    std::vector<SgGroup *> chain{top.get()};
    chain.reserve(static_cast<size_t>(kDepth) + 1);
    SgNode::StartNoticePeriod();
    for (int i = 0; i < kDepth; ++i) {
        auto *next = new SgGroup;
        chain.back()->AddChild(next);
        chain.push_back(next);
    }
    // The first few levels reach the top while the chain is short.
    const int grown = reachedTop;
    EXPECT_LE(grown, 4) << "notices that went all the way up a chain grown to " << kDepth << " levels";
    // A traversal starts a new period: the next change goes up once more.
    SgNode::StartNoticePeriod();
    chain.back()->AddChild(new SgGroup);
    EXPECT_GE(reachedTop - grown, 1) << "a change after a traversal must reach the top";
    EXPECT_LE(reachedTop - grown, 2);
    // Taken apart from the bottom, so that no release goes deeper than one
    // level.
    for (size_t i = chain.size() - 1; i > 0; --i)
        chain[i - 1]->DeleteChild(chain[i]);
}

// A notice going down tells a node held in many places once: forty levels
// that each hold the level below twice would otherwise be told 2^40 times.
TEST_F(SgGroupTest, ANoticeGoingDownTellsASharedNodeOnce)
{
    SgRef<WatchedShape> shape = new WatchedShape;
    int toldShared = 0;
    SgRef<SgGroup> shared = new TallyGroup(&toldShared);
    shared->AddChild(shape.get());
    SgRef<SgNode> below = shared.get();
    for (int i = 0; i < 40; ++i) {
        SgRef<SgGroup> level = new SgGroup;
        level->AddChild(below.get());
        level->AddChild(below.get());
        below = level.get();
    }
    const int before = shape->m_invalidations;
    toldShared = 0;
    below->NotifySons(nullptr);
    EXPECT_EQ(shape->m_invalidations - before, 1);
    EXPECT_EQ(toldShared, 1);
}

// A change at the bottom of a chain 20,000 levels deep goes up to the top,
// each level told once by the one below it, and the chain is freed from its
// top; neither takes a stack frame per level (either overflowed the stack
// once). Groups that act on every notice (the tally) are told through their
// own NotifyFathers, plain groups through the group's.
TEST_F(SgGroupTest, ADeepChainIsToldOfAChangeAndFreedFromItsTopWithoutAFramePerLevel)
{
    constexpr int kDepth = 20000;
    for (bool tallied : {false, true}) {
        int unused = 0, toldByChildren = 0;
        auto newLevel = [&]() -> SgGroup * {
            if (tallied)
                return new TallyGroup(&unused, &toldByChildren);
            return new SgGroup;
        };
        // Built from the bottom up, so that each new level tells only itself
        // (grown at its bottom, a chain hears each addition on every level).
        bool freed = false;
        auto *shape = new WatchedShape(&freed);
        SgGroup *bottom = newLevel();
        bottom->AddChild(shape);
        SgNode *chain = bottom;
        for (int i = 1; i < kDepth; ++i) {
            SgGroup *level = newLevel();
            level->AddChild(chain);
            chain = level;
        }
        SgRef<SgGroup> top = new TallyGroup(&unused, &toldByChildren);
        top->AddChild(chain);
        SgNode::StartNoticePeriod();
        toldByChildren = 0;
        shape->m_radius.Set(shape->m_radius.Get() + 1.0);
        EXPECT_EQ(toldByChildren, tallied ? kDepth + 1 : 1)
            << (tallied ? "tallied" : "plain") << " chain: notices heard on the way up from the bottom";
        top.reset();
        EXPECT_TRUE(freed) << "the bottom of the chain outlived its top";
    }
}

TEST_F(SgGroupTest, InsertionsLandWhereAsked)
{
    SgRef<SgGroup> group = new SgGroup;
    SgNode *a = Named(new TestShape, "a");
    SgNode *b = Named(new TestShape, "b");
    group->AddChild(a);
    group->AddChild(b);
    SgRef<TestShape> stranger = new TestShape;

    struct Case {
        const char *what;
        std::function<void(SgNode *)> add;
        const char *expected;
    };
    const Case cases[] = {
        {"after nothing appends", [&](SgNode *n) { group->AddChildAfter(n, nullptr); }, "a,b,x"},
        {"after a non-child appends", [&](SgNode *n) { group->AddChildAfter(n, stranger); }, "a,b,x"},
        {"after the first", [&](SgNode *n) { group->AddChildAfter(n, a); }, "a,x,b"},
        {"before nothing prepends", [&](SgNode *n) { group->AddChildBefore(n, nullptr); }, "x,a,b"},
        {"before the second", [&](SgNode *n) { group->AddChildBefore(n, b); }, "a,x,b"},
        {"after transform with none prepends", [&](SgNode *n) { group->AddChildAfterTransform(n); }, "x,a,b"},
    };
    for (const Case &c : cases) {
        SgNode *x = Named(new TestShape, "x");
        c.add(x);
        EXPECT_EQ(Names(*group), c.expected) << c.what;
        group->DeleteChild(x);
    }
}

// A position names its entry, not a place in the count: what happens to the
// other entries leaves it where it was, and it names nothing once its own
// entry is gone.
TEST_F(SgGroupTest, PositionsNameTheirEntryWhateverElseChanges)
{
    SgRef<SgGroup> group = new SgGroup;
    SgNode *n[5];
    for (int i = 0; i < 5; ++i) {
        n[i] = Named(new TestShape, ("n" + std::to_string(i)).c_str());
        group->AddChild(n[i]);
    }
    // The usual walk that deletes as it goes: take the child, step on, delete.
    std::string visited;
    SgGroup::Position p = group->GetFirst();
    while (p) {
        SgNode *child = group->GetNext(p);
        ASSERT_NE(child, nullptr);
        visited += (visited.empty() ? "" : ",") + child->GetName();
        group->DeleteChild(child);
    }
    EXPECT_EQ(visited, "n0,n1,n2,n3,n4");
    EXPECT_EQ(group->GetChildsCount(), 0);

    for (int i = 0; i < 5; ++i) {
        n[i] = Named(new TestShape, ("n" + std::to_string(i)).c_str());
        group->AddChild(n[i]);
    }
    const SgGroup::Position at3 = group->GetPosition(n[3]);
    group->AddChildBefore(Named(new TestShape, "front"), nullptr);
    group->AddChildAfter(Named(new TestShape, "middle"), n[1]);
    EXPECT_EQ(group->GetAt(at3), n[3]) << "insertions before the entry moved the position";
    group->DeleteChild(n[0]);
    EXPECT_EQ(group->GetAt(at3), n[3]) << "a deletion before the entry moved the position";
    SgGroup::Position walk = at3;
    EXPECT_EQ(group->GetPrev(walk), n[3]);
    EXPECT_EQ(group->GetAt(walk), n[2]);

    // The entry itself goes: the position names nothing, also when the same
    // node comes back as a new entry.
    SgRef<SgNode> keep = n[3];
    group->DeleteChild(n[3]);
    EXPECT_EQ(group->GetAt(at3), nullptr);
    group->AddChild(n[3]);
    EXPECT_EQ(group->GetAt(at3), nullptr) << "a new entry of the same node is another entry";
    SgGroup::Position stale = at3;
    EXPECT_EQ(group->GetNext(stale), nullptr);
    EXPECT_FALSE(stale);
}

TEST_F(SgGroupTest, RemoveChildLeavesReferencesAndFathers)
{
    SgRef<SgGroup> group = new SgGroup;
    SgRef<TestShape> child = new TestShape;
    group->AddChild(child);
    EXPECT_EQ(group->RemoveChild(child), 1);
    EXPECT_EQ(group->GetChildsCount(), 0);
    EXPECT_EQ(child->GetRefCount(), 2);
    EXPECT_EQ(CountOf(child->GetFatherList(), group.get()), 1);
    // Rebalance by hand what RemoveChild deliberately left alone.
    child->DeleteFather(group);
    SgFieldMngr::Release(child);
    EXPECT_EQ(group->RemoveChild(child), 0);
    EXPECT_EQ(group->DeleteChild(child), 0);
}

TEST_F(SgGroupTest, StateChangeInvalidatesOnlyLaterSiblings)
{
    SgRef<SgGroup> group = new SgGroup;
    auto *before = new WatchedShape, *changed = new WatchedShape, *after = new WatchedShape;
    auto *nested = new SgGroup;
    auto *deep = new WatchedShape;
    group->AddChild(before);
    group->AddChild(changed);
    group->AddChild(after);
    group->AddChild(nested);
    nested->AddChild(deep);
    before->m_invalidations = after->m_invalidations = deep->m_invalidations = 0;

    changed->m_radius = 4.0;
    EXPECT_EQ(before->m_invalidations, 0) << "an earlier sibling was told";
    EXPECT_EQ(after->m_invalidations, 1) << "a later sibling was not told";
    EXPECT_EQ(deep->m_invalidations, 1) << "the subtree of a later sibling was not told";
}

TEST_F(SgGroupTest, ChangeInsideASeparatorDoesNotReachItsLaterSiblings)
{
    SgRef<SgGroup> group = new SgGroup;
    auto *separator = new SgSeparator;
    auto *inside = new WatchedShape, *after = new WatchedShape;
    group->AddChild(separator);
    group->AddChild(after);
    separator->AddChild(inside);
    after->m_invalidations = 0;
    inside->m_radius = 3.0;
    EXPECT_EQ(after->m_invalidations, 0);
}

TEST_F(SgGroupTest, DocumentReachesTheWholeSubtreeAndLeavesIt)
{
    RecordingDocument document;
    SgRef<SgGroup> root = new SgGroup;
    auto *nested = new SgGroup;
    auto *leaf = new TestShape;
    nested->AddChild(leaf);
    root->AddChild(nested);
    root->SetDocument(&document);
    EXPECT_EQ(leaf->GetDocument(), &document);
    auto *late = new TestShape;
    nested->AddChild(late);
    EXPECT_EQ(late->GetDocument(), &document) << "a child added later did not get the document";
    root->ReleaseDocument();
    EXPECT_EQ(leaf->GetDocument(), nullptr);
    EXPECT_EQ(nested->GetDocument(), nullptr);
}

TEST_F(SgGroupTest, FindFirstNodeMatchesClassAndNameIgnoringCase)
{
    SgRef<SgGroup> group = new SgGroup;
    group->AddChild(Named(new TestShape, "Wheel"));
    SgNode *box = Named(new TestBox, "Wheel");
    group->AddChild(box);
    EXPECT_EQ(group->FindFirstNode(TestBox::ClassID(), {}, "wHEEL", false), box);
    EXPECT_EQ(group->FindFirstNode(TestBox::ClassID(), {}, "axle", false), nullptr);
    EXPECT_EQ(group->FindFirstNode(TestShape::ClassID(), group->GetPosition(box), nullptr, true), box);
    EXPECT_EQ(group->FindFirstNode(TestShape::ClassID(), group->GetPosition(box), nullptr, false), nullptr)
        << "the search starts at the position given";
    EXPECT_EQ(group->FindFirstNodeCond([](SgNode *n) { return n->GetClassID() == TestBox::ClassID(); }), box);
}

// Undo records of child-list changes.
class SgGroupUndoTest : public SgGroupTest {
protected:
    void SetUp() override
    {
        SgGroupTest::SetUp();
        m_group = new SgGroup;
        m_group->SetDocument(&m_document);
        for (const char *name : {"a", "b", "c"})
            m_group->AddChild(Named(new TestShape, name));
        m_document.m_records.clear();
    }
    // Undoes every record, newest first, and checks the list; then redoes.
    void UndoAllAndRedo(const std::string &initial, const std::string &changed)
    {
        std::vector<std::unique_ptr<SgUndoInfo>> records = std::move(m_document.m_records);
        for (auto it = records.rbegin(); it != records.rend(); ++it)
            (*it)->Undo();
        EXPECT_EQ(Names(*m_group), initial) << "undo did not restore the list";
        for (auto &record : records)
            record->Redo();
        EXPECT_EQ(Names(*m_group), changed) << "redo did not repeat the change";
        EXPECT_TRUE(m_document.m_records.empty()) << "replaying a record recorded again";
    }

    RecordingDocument m_document;
    SgRef<SgGroup> m_group;
};

TEST_F(SgGroupUndoTest, UndoRestoresTheChildList)
{
    struct Case {
        const char *what;
        std::function<void(SgGroup &)> change;
        const char *changed;
    };
    const Case cases[] = {
        {"append", [](SgGroup &g) { g.AddChild(Named(new TestShape, "x")); }, "a,b,c,x"},
        {"insert after", [](SgGroup &g) { g.AddChildAfter(Named(new TestShape, "x"), g.GetChild(0)); }, "a,x,b,c"},
        {"insert after no sibling appends",
         [](SgGroup &g) { g.AddChildAfter(Named(new TestShape, "x"), nullptr); }, "a,b,c,x"},
        {"insert at front", [](SgGroup &g) { g.AddChildBefore(Named(new TestShape, "x"), nullptr); }, "x,a,b,c"},
        {"insert before", [](SgGroup &g) { g.AddChildBefore(Named(new TestShape, "x"), g.GetChild(2)); }, "a,b,x,c"},
        {"delete first", [](SgGroup &g) { g.DeleteChild(g.GetChild(0)); }, "b,c"},
        {"delete middle", [](SgGroup &g) { g.DeleteChild(g.GetChild(1)); }, "a,c"},
        {"replace middle", [](SgGroup &g) { g.ReplaceChild(g.GetChild(1), Named(new TestShape, "x")); }, "a,x,c"},
        {"clear", [](SgGroup &g) { g.Clear(); }, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.change(*m_group);
        EXPECT_EQ(Names(*m_group), c.changed);
        EXPECT_FALSE(m_document.m_records.empty()) << "nothing was recorded";
        UndoAllAndRedo("a,b,c", c.changed);
        // Back to the start for the next case, without recording.
        m_document.SetUndoRecording(false);
        m_group->Clear();
        for (const char *name : {"a", "b", "c"})
            m_group->AddChild(Named(new TestShape, name));
        m_document.SetUndoRecording(true);
    }
}

TEST_F(SgGroupUndoTest, DeleteRecordKeepsTheChildAliveAndNamesItsPredecessor)
{
    bool destroyed = false;
    auto *child = new WatchedShape(&destroyed);
    m_group->AddChildAfter(child, m_group->GetChild(0));
    m_document.m_records.clear();
    SgNode *first = m_group->GetChild(0);
    ASSERT_EQ(m_group->DeleteChild(child), 1);
    ASSERT_EQ(m_document.m_records.size(), 1u);
    const SgUndoInfo &record = *m_document.m_records[0];
    EXPECT_EQ(record.GetOperation(), SgUndoInfo::kChildDeleted);
    EXPECT_EQ(record.GetPreviousSibling(), first);
    EXPECT_FALSE(destroyed) << "the undo record should hold the deleted child";
    m_document.m_records.clear();
    EXPECT_TRUE(destroyed) << "dropping the record should free the child";
}

TEST_F(SgGroupUndoTest, NothingIsRecordedWhenTheChildDisablesUndo)
{
    auto *child = new TestShape;
    child->DisableUndo();
    m_group->AddChild(child);
    m_group->DeleteChild(child);
    EXPECT_TRUE(m_document.m_records.empty());
}

TEST_F(SgGroupTest, KindsAndFieldsOfTheGroupClasses)
{
    struct Case {
        const char *name;
        SgRef<SgGroup> node;
        bool separator;
        bool affectsState;
    };
    const Case cases[] = {
        {"SgGroup", new SgGroup, false, true},
        {"SgSwitch", new SgSwitch, false, true},
        {"SgGizmoGroup", new SgGizmoGroup, false, true},
        {"SgSeparator", new SgSeparator, true, false},
    };
    for (const Case &c : cases) {
        EXPECT_STREQ(c.node->GetClassName(), c.name);
        EXPECT_EQ(SgFieldMngr::GetClassIDFromName(c.name), c.node->GetClassID()) << c.name;
        EXPECT_TRUE(c.node->IsDerivedFrom(SgGroup::ClassID())) << c.name;
        EXPECT_TRUE(c.node->IsGroup()) << c.name;
        EXPECT_EQ(c.node->IsSeparator(), c.separator) << c.name;
        EXPECT_EQ(c.node->AffectsState(), c.affectsState) << c.name;
        SgRef<SgNode> made = SgNode::Create(c.node->GetClassID());
        ASSERT_TRUE(made) << c.name << " cannot be created from its id";
    }
    SgRef<SgSwitch> sw = new SgSwitch;
    ASSERT_EQ(sw->GetFieldsCount(), 1);
    EXPECT_STREQ(sw->GetFieldName(0), "whichChild");
    EXPECT_EQ(sw->m_whichChild.Get(), 0);
}

TEST_F(SgGroupTest, SeparatorObjectFlagsAndRealObject)
{
    SgRef<SgSeparator> separator = new SgSeparator;
    auto *nested = new SgSeparator;
    separator->AddChild(new TestShape);
    separator->AddChild(nested);
    EXPECT_FALSE(separator->IsObject());
    EXPECT_EQ(separator->FindRealObject(), nullptr) << "a separator that is no object has no content";
    separator->SetObjectsGroup(true);
    EXPECT_TRUE(separator->IsObject());
    EXPECT_TRUE(separator->IsObjectsGroup());
    separator->SetObjectsGroup(false);
    EXPECT_TRUE(separator->IsObject()) << "clearing the group flag cleared the object flag";
    EXPECT_EQ(separator->FindRealObject(), nested);

    // Destroying a separator destroys what it holds (its cache-container base
    // cannot delete it at all: see SgRefTest).
    bool destroyed = false;
    auto *owned = new SgSeparator;
    owned->AddChild(new WatchedShape(&destroyed));
    SgFieldMngr::Destroy(owned);
    EXPECT_TRUE(destroyed);
}

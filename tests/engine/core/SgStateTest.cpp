#include "engine/core/SgState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "platform/SgError.h"
#include "tests/engine/core/StateTestSupport.h"

namespace {

Mat4 Translation(double x)
{
    Mat4 m;
    m.Set(0, 3, x);
    return m;
}

// The text of the state error that `call` throws; empty when it throws none.
template <class Call>
std::string StateErrorOf(Call call)
{
    try {
        call();
    } catch (const SgStateError &error) {
        return error.what();
    }
    return {};
}

class SgStateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitStateTestClasses(); }

    static int Slot(int classId) { return classId - SgElement::GetBase(); }
};

struct StackLimitCase {
    const char *name;
    int parentDepth; // -1: a fresh state of its own
    int pushes;      // pushes that must succeed before the next one fails
};

TEST_F(SgStateTest, PushesFillTheFramesThenFailWithTheStateUnchanged)
{
    const StackLimitCase cases[] = {
        {"fresh state", -1, SgState::kMaxFrames - 1},
        {"nested state started at depth 10", 10, SgState::kMaxFrames - 10},
    };
    for (const StackLimitCase &c : cases) {
        SCOPED_TRACE(c.name);
        StateTestAction outer;
        StateTestAction inner;
        SgState *state = outer.GetState();
        const int start = c.parentDepth < 0 ? 0 : c.parentDepth;
        if (c.parentDepth >= 0) {
            for (int i = 0; i < c.parentDepth; ++i)
                outer.GetState()->Push();
            state = inner.GetState();
            state->Init(outer.GetState());
            EXPECT_EQ(state->GetDepth(), c.parentDepth) << "a nested state starts at its parent's depth";
        }
        for (int i = 0; i < c.pushes; ++i)
            ASSERT_NO_THROW(state->Push()) << "push " << i + 1 << " of " << c.pushes;
        EXPECT_EQ(StateErrorOf([&] { state->Push(); }), "SgState::Push - Not enought stack storage");
        EXPECT_EQ(state->GetDepth(), start + c.pushes) << "the refused push changed the depth";

        for (int i = 0; i < c.pushes; ++i)
            ASSERT_NO_THROW(state->Pop()) << "pop " << i + 1 << " of " << c.pushes;
        EXPECT_EQ(StateErrorOf([&] { state->Pop(); }), "SgState::Pop - Already at the top")
            << "a state popped below its starting frame";
        EXPECT_EQ(state->GetDepth(), start);
        if (c.parentDepth >= 0)
            outer.GetState()->RestoreDepth();
    }
}

TEST_F(SgStateTest, PushSharesElementsAndPopBringsBackTheOuterOnes)
{
    StateTestAction action;
    SgState *state = action.GetState();
    SgRef<StateTestNode> node = new StateTestNode;
    const int slot = Slot(DrawStyleElement::ClassID());
    SgElement *outer = state->GetElement(slot);
    ASSERT_NE(outer, nullptr) << "an enabled element is missing from a fresh state";

    state->Push();
    EXPECT_EQ(state->GetElement(slot), outer) << "Push copied an element instead of its pointer";
    DrawStyleElement::Set(state, node, 2);
    EXPECT_NE(state->GetElement(slot), outer) << "a write at a deeper level changed the outer element";
    EXPECT_EQ(*DrawStyleElement::Get(state), 2);

    state->Pop();
    EXPECT_EQ(state->GetElement(slot), outer);
    EXPECT_EQ(*DrawStyleElement::Get(state), 4) << "the outer value was not restored by Pop";
}

TEST_F(SgStateTest, ActionEnablingNoElementLeavesEverySlotEmpty)
{
    NoElementsAction action;
    SgState *state = action.GetState();
    ASSERT_GE(state->GetSlotCount(), 60) << "the element classes were not registered before the state";
    for (int slot = 0; slot < state->GetSlotCount(); ++slot)
        EXPECT_EQ(state->GetElement(slot), nullptr) << "slot " << slot;
    EXPECT_EQ(state->GetElement(-1), nullptr);
    EXPECT_EQ(state->GetElement(SgState::kMaxSlots + 5), nullptr);
}

TEST_F(SgStateTest, NestedInitLeavesSlotsThatTheParentLacksEmpty)
{
    NoElementsAction outer;
    StateTestAction owner;
    SgState nested(&owner);
    nested.Init(outer.GetState());
    for (int slot = 0; slot < nested.GetSlotCount(); ++slot)
        EXPECT_EQ(nested.GetElement(slot), nullptr) << "slot " << slot << " filled without the parent having it";
    outer.GetState()->RestoreDepth();
}

TEST_F(SgStateTest, NestedRunLeavesTheParentsValuesAndDepthsAlone)
{
    StateTestAction outer;
    SgState *parent = outer.GetState();
    SgRef<StateTestNode> node = new StateTestNode;
    Mat4 one = Translation(1);
    TransformElement::Set(parent, node, one);
    SgElement *rootElement = parent->GetElement(Slot(TransformElement::ClassID()));
    parent->Push();
    parent->Push();

    {
        StateTestAction nestedAction;
        SgState *nested = nestedAction.GetState();
        nested->Init(parent);
        EXPECT_EQ(nested->GetElement(Slot(TransformElement::ClassID())), rootElement)
            << "the nested state does not share the parent's element";
        nested->Push();
        Mat4 five = Translation(5);
        TransformElement::Set(nested, node, five);
        EXPECT_DOUBLE_EQ(TransformElement::Get(nested)[0][3], 6.0);
        nested->Pop();
        parent->RestoreDepth();
    }
    EXPECT_EQ(rootElement->GetDepth(), 0) << "RestoreDepth did not give the shared element its depth back";
    EXPECT_DOUBLE_EQ(TransformElement::Get(parent)[0][3], 1.0) << "the nested run changed the parent's value";

    // With its depth restored, the element is copied on this deeper write,
    // so the root level keeps its matrix.
    Mat4 two = Translation(2);
    TransformElement::Set(parent, node, two);
    parent->Pop();
    parent->Pop();
    EXPECT_DOUBLE_EQ(TransformElement::Get(parent)[0][3], 1.0) << "a write at depth 2 reached depth 0";
}

TEST_F(SgStateTest, OverflowInsideApplyFailsTheActionAndLeavesItUsable)
{
    // As many nested separators as there are frames: all pushes but the
    // innermost one's fit.
    SgRef<SgSeparator> root = new SgSeparator;
    SgSeparator *innermost = root;
    int deepestSeen = 0;
    for (int i = 1; i < SgState::kMaxFrames; ++i) {
        auto *next = new SgSeparator;
        if (i == SgState::kMaxFrames - 2) {
            auto *probe = new StateTestNode;
            probe->m_visit = [&](SgAction *a, StateTestNode *) { deepestSeen = a->GetState()->GetDepth(); };
            next->AddChild(probe);
        }
        innermost->AddChild(next);
        innermost = next;
    }

    StateTestAction action;
    EXPECT_FALSE(action.Apply(root)) << "an overflowing traversal reported success";
    EXPECT_EQ(action.GetError(), "SgState::Push - Not enought stack storage");
    EXPECT_EQ(deepestSeen, SgState::kMaxFrames - 1) << "the traversal did not get as deep as the frames allow";
    EXPECT_EQ(action.GetState()->GetDepth(), 0) << "the failed traversal left the state pushed";

    // The same action runs a graph that fits.
    SgRef<SgSeparator> shallow = new SgSeparator;
    shallow->AddChild(new SgSeparator);
    EXPECT_TRUE(action.Apply(shallow)) << action.GetError();
}

TEST_F(SgStateTest, ValuesAccumulateInsideSeparatorsAndRestoreAfterThem)
{
    // root: [T(1), DrawStyle 1, sep: [T(2), DrawStyle 2, probe], probe]
    SgRef<SgSeparator> root = new SgSeparator;
    auto transform = [](double x) {
        auto *node = new StateTestNode;
        node->m_visit = [x](SgAction *a, StateTestNode *self) {
            Mat4 m = Translation(x);
            TransformElement::Set(a->GetState(), self, m);
        };
        return node;
    };
    auto drawStyle = [](int style) {
        auto *node = new StateTestNode;
        node->m_visit = [style](SgAction *a, StateTestNode *self) {
            DrawStyleElement::Set(a->GetState(), self, style);
        };
        return node;
    };
    struct Seen {
        double x;
        int style;
    };
    std::vector<Seen> seen;
    auto probe = [&seen]() {
        auto *node = new StateTestNode;
        node->m_visit = [&seen](SgAction *a, StateTestNode *) {
            seen.push_back({GetActionTransform(a)[0][3], GetActionDrawStyle(a)});
        };
        return node;
    };
    auto *inner = new SgSeparator;
    inner->AddChild(transform(2));
    inner->AddChild(drawStyle(2));
    inner->AddChild(probe());
    root->AddChild(transform(1));
    root->AddChild(drawStyle(1));
    root->AddChild(inner);
    root->AddChild(probe());

    StateTestAction action;
    ASSERT_TRUE(action.Apply(root)) << action.GetError();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_DOUBLE_EQ(seen[0].x, 3.0) << "the inner transform did not accumulate onto the outer one";
    EXPECT_EQ(seen[0].style, 2);
    EXPECT_DOUBLE_EQ(seen[1].x, 1.0) << "the separator did not restore the transform";
    EXPECT_EQ(seen[1].style, 1) << "the separator did not restore the draw style";
    EXPECT_DOUBLE_EQ(GetActionTransform(&action)[0][3], 0.0) << "the action's own state kept a write";
}

TEST_F(SgStateTest, ElementsOwningHeapDataAreDestroyedWithTheirLevel)
{
    const int before = CountedValue::s_live;
    SgRef<StateTestNode> node = new StateTestNode;
    {
        StateTestAction action;
        SgState *state = action.GetState();
        const int atStart = CountedValue::s_live;
        CountedElement::Set(state, node, CountedValue("root level"));
        state->Push();
        CountedElement::Set(state, node, CountedValue("level 1"));
        state->Push();
        CountedElement::Set(state, node, CountedValue("level 2"));
        EXPECT_EQ(CountedValue::s_live, atStart + 2);
        state->Pop();
        EXPECT_EQ(CountedValue::s_live, atStart + 1) << "the level-2 copy survived its Pop";
        state->Pop();
        EXPECT_EQ(CountedValue::s_live, atStart) << "the level-1 copy survived its Pop";
        EXPECT_EQ(CountedElement::Get(state).text, "root level");
        state->Push();
        CountedElement::Set(state, node, CountedValue("left pushed"));
    }
    EXPECT_EQ(CountedValue::s_live, before) << "the action's end left element values alive";
}

} // namespace

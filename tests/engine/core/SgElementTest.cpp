#include "engine/core/SgElement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgRef.h"
#include "tests/engine/core/StateTestSupport.h"

namespace {

Mat4 Translation(double x)
{
    Mat4 m;
    m.Set(0, 3, x);
    return m;
}

class SgElementTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitStateTestClasses(); }

    SgState *State() { return m_action.GetState(); }
    template <class Element>
    SgElement *Current()
    {
        return State()->GetElement(Element::ClassOffset());
    }

    StateTestAction m_action;
    SgRef<StateTestNode> m_a = new StateTestNode;
    SgRef<StateTestNode> m_b = new StateTestNode;
};

TEST_F(SgElementTest, SignatureFoldsEachIdIntoTheNextWord)
{
    SgAccumulatedContext context;
    context.AddId(7);
    EXPECT_EQ(context.GetWord(0), 161u);
    EXPECT_EQ(context.GetCounter(), 1);
    context.AddId(7);
    EXPECT_EQ(context.GetWord(1), 168u);
    EXPECT_EQ(context.GetCounter(), 2);

    // The sixth id goes back into word 0 and cancels the first one there.
    for (int i = 0; i < 3; ++i)
        context.AddId(0);
    context.AddId(7);
    EXPECT_EQ(context.GetCounter(), 1);
    EXPECT_EQ(context.GetWord(0), 0u) << "the word was not xor-ed with (0 + 23) * id";

    // A large id wraps modulo 2^32 instead of overflowing.
    SgAccumulatedContext wide;
    wide.AddId(0xFFFFFFFFu);
    EXPECT_EQ(wide.GetWord(0), static_cast<uint32_t>(23u * 0xFFFFFFFFull));

    SgAccumulatedContext sameWords;
    sameWords.AddId(0);
    sameWords.AddId(7);
    sameWords.AddId(0);
    SgAccumulatedContext other;
    other.AddId(0);
    other.AddId(7);
    EXPECT_TRUE(sameWords.Compare(other)) << "counters took part in the comparison";
}

TEST_F(SgElementTest, SecondWriteAtOneLevelReplacesInTheSameElement)
{
    DiffuseColorElement::Set(State(), m_a, nullptr);
    SgElement *first = Current<DiffuseColorElement>();
    DiffuseColorElement::Set(State(), m_b, nullptr);
    EXPECT_EQ(Current<DiffuseColorElement>(), first) << "a write at the same level made a copy";
    EXPECT_EQ(static_cast<SgReplacedElement *>(first)->GetSetterId(), static_cast<uint32_t>(m_b->GetNodeID()))
        << "the element does not name the node that wrote it last";
}

TEST_F(SgElementTest, OverrideLocksTheValueUntilItsLevelIsLeft)
{
    m_a->SetOveride(true);
    State()->Push();
    DrawStyleElement::Set(State(), m_a, 2);
    DrawStyleElement::Set(State(), m_b, 5);
    EXPECT_EQ(*DrawStyleElement::Get(State()), 2) << "a later node overwrote a locked element";
    State()->Push();
    DrawStyleElement::Set(State(), m_b, 6);
    EXPECT_EQ(*DrawStyleElement::Get(State()), 2) << "a deeper level overwrote a locked element";
    State()->Pop();
    State()->Pop();
    EXPECT_EQ(*DrawStyleElement::Get(State()), 4);
    DrawStyleElement::Set(State(), m_b, 5);
    EXPECT_EQ(*DrawStyleElement::Get(State()), 5) << "the lock outlived the level that set it";
}

TEST_F(SgElementTest, TransformWrittenDeeperIsAProductInACopy)
{
    Mat4 one = Translation(1);
    TransformElement::Set(State(), m_a, one);
    SgElement *outer = Current<TransformElement>();
    State()->Push();
    State()->Push();
    Mat4 two = Translation(2);
    TransformElement::Set(State(), m_b, two);
    SgElement *inner = Current<TransformElement>();
    ASSERT_NE(inner, outer) << "the deeper write did not copy the element";
    EXPECT_EQ(inner->GetDepth(), 2);
    EXPECT_DOUBLE_EQ(TransformElement::Get(State())[0][3], 3.0);
    State()->Pop();
    State()->Pop();
    EXPECT_EQ(Current<TransformElement>(), outer);
    EXPECT_DOUBLE_EQ(TransformElement::Get(State())[0][3], 1.0) << "the depth-0 matrix changed";
}

TEST_F(SgElementTest, ResetKeepsOnlyTheResettingNodeInTheSignature)
{
    Mat4 one = Translation(1);
    TransformElement::Set(State(), m_a, one);
    TransformElement::Set(State(), m_b, one);
    Mat4 identity;
    TransformElement::Reset(State(), m_a, identity);

    auto *e = static_cast<TransformElement *>(Current<TransformElement>());
    SgAccumulatedContext expected;
    expected.AddId(static_cast<unsigned>(m_a->GetNodeID()));
    EXPECT_TRUE(e->GetContext().Compare(expected)) << "the signature still holds earlier contributors";
    EXPECT_TRUE(e->GetData().IsIdentity());
}

TEST_F(SgElementTest, AtomOfAnActionThatDoesNotEnableItIgnoresWrites)
{
    NoElementsAction action;
    DrawStyleElement::Set(action.GetState(), m_a, 3);
    EXPECT_EQ(DrawStyleElement::Get(action.GetState()), nullptr);
}

TEST_F(SgElementTest, GetMarksTheElementReadAtTheStateDepth)
{
    State()->Push();
    DrawStyleElement::Get(State());
    SgElement *e = Current<DrawStyleElement>();
    EXPECT_TRUE(e->IsRead());
    EXPECT_EQ(e->GetReadDepth(), 1);
}

// A cache keeps CreateMatchedInfo copies and later asks them whether the
// state still matches; each case changes the state between the two.
struct MatchCase {
    using Step = std::function<void(SgState *, SgNode *a, SgNode *b)>;
    const char *name;
    int classId;
    Step before;
    Step change;
    bool matches;
};

TEST_F(SgElementTest, CopiesMatchWhatTheirKindCompares)
{
    const float nan = std::nanf("");
    const MatchCase cases[] = {
        {"atom unchanged", DrawStyleElement::ClassID(), nullptr, nullptr, true},
        {"atom set to another value", DrawStyleElement::ClassID(), nullptr,
         [](SgState *s, SgNode *, SgNode *) { DrawStyleElement::Set(s, nullptr, 7); }, false},
        {"atom set to the same value by another node", DrawStyleElement::ClassID(), nullptr,
         [](SgState *s, SgNode *, SgNode *b) { DrawStyleElement::Set(s, b, 4); }, true},
        {"float holding NaN", CreaseAngleElement::ClassID(),
         [nan](SgState *s, SgNode *, SgNode *) { CreaseAngleElement::Set(s, nullptr, nan); }, nullptr, false},
        {"vector changed in one component", TextureCenterElement::ClassID(), nullptr,
         [](SgState *s, SgNode *, SgNode *) { TextureCenterElement::Set(s, nullptr, Vec3(0, 0, 1)); }, false},
        {"replaced, unchanged", DiffuseColorElement::ClassID(),
         [](SgState *s, SgNode *a, SgNode *) { DiffuseColorElement::Set(s, a, nullptr); }, nullptr, true},
        {"replaced, its node edited since", DiffuseColorElement::ClassID(),
         [](SgState *s, SgNode *a, SgNode *) { DiffuseColorElement::Set(s, a, nullptr); },
         [](SgState *s, SgNode *a, SgNode *) {
             a->AssignNodeID();
             DiffuseColorElement::Set(s, a, nullptr);
         },
         false},
        {"replaced, an unrelated element changed", DiffuseColorElement::ClassID(),
         [](SgState *s, SgNode *a, SgNode *) { DiffuseColorElement::Set(s, a, nullptr); },
         [](SgState *s, SgNode *, SgNode *b) { DrawStyleElement::Set(s, b, 1); }, true},
        {"accumulated, same matrix from another node", TransformElement::ClassID(),
         [](SgState *s, SgNode *a, SgNode *) {
             Mat4 m = Translation(1);
             TransformElement::Reset(s, a, m);
         },
         [](SgState *s, SgNode *, SgNode *b) {
             Mat4 m = Translation(1);
             TransformElement::Reset(s, b, m);
         },
         false},
    };
    for (const MatchCase &c : cases) {
        SCOPED_TRACE(c.name);
        StateTestAction action;
        SgState *state = action.GetState();
        const int slot = c.classId - SgElement::GetBase();
        if (c.before)
            c.before(state, m_a, m_b);
        std::unique_ptr<SgElement> copy(state->GetElement(slot)->CreateMatchedInfo());
        ASSERT_NE(copy, nullptr);
        if (c.change)
            c.change(state, m_a, m_b);
        EXPECT_EQ(copy->Matches(state->GetElement(slot)), c.matches) << c.name;
    }
}

} // namespace

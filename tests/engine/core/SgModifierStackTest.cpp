// The modifier stack: which modifiers run on a shape, in which order, and
// which results of the previous run are reused.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/engine/EngineTestClasses.h"
#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgModifierStack.h"
#include "engine/core/SgModifiersCache.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgShape.h"
#include "engine/core/SgModifier.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/core/TestNodes.h"

namespace {

// A shape with a field to change and a count of the live ones, so that tests
// see which shapes the stack made and freed.
class StackTestMesh : public SgShape {
    SG_CLASS_HEADER(StackTestMesh, SgFieldMngr)
    StackTestMesh()
    {
        AddField(m_size, "size", 1.0);
        ++s_live;
    }

    // What a shape's visitor does: take the stack in force and use its result.
    void DoAction(SgAction *action) override
    {
        m_used = ModifierStackElement::Get(action->GetState()).Process(action, this);
    }

    SgShape *m_used = nullptr;

    SgFDouble m_size;
    static int s_live;

protected:
    ~StackTestMesh() override { --s_live; }
};
int StackTestMesh::s_live = 0;

// One call of ApplyModifier as a test reads it back.
struct Call {
    std::string modifier;
    SgShape *input;
    bool last;
};
std::vector<Call> g_calls;

// Either moves points (hangs a new array on its input and returns it) or
// generates a new shape; "amount" is there to be changed.
class StackTestModifier : public SgModifier {
    SG_CLASS_HEADER(StackTestModifier, SgFieldMngr)
    StackTestModifier() { AddField(m_amount, "amount", 0.0); }

    SgShape *ApplyModifier(SgAction *, SgShape *input, Transform3 *, bool last) override
    {
        g_calls.push_back({GetName(), input, last});
        if (m_generate)
            return new StackTestMesh;
        if (m_deform) {
            Vec3 *points = new Vec3[2];
            points[0] = Vec3(m_amount.Get(), 0, 0);
            input->SetPointCache(points);
        }
        return input;
    }

    SgFDouble m_amount;
    bool m_generate = false;
    bool m_deform = true;

protected:
    ~StackTestModifier() override = default;
};

SG_CLASS_SOURCE(StackTestMesh, SgShape, SgFieldMngr, "StackTestMesh")

// Carries the modifier stack and the placement through a traversal.
class StackTestAction : public SgAction {
    SG_ACTION_HEADER(StackTestAction)
    StackTestAction() { InitState(); }
};
SG_ACTION_SOURCE(StackTestAction, "StackTestAction")
void StackTestAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitDefault);
    BuildVisitorsMap_(s_iClassID);
    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<ModifierStackElement>(s_aiEnabledElements, s_iEnabledCount);
}
SG_CLASS_SOURCE(StackTestModifier, SgModifier, SgFieldMngr, "StackTestModifier")

// A placement node: multiplies the transform in force by its matrix.
class StackTestPlacement : public SgNode {
    SG_CLASS_HEADER(StackTestPlacement, SgFieldMngr)
    StackTestPlacement() = default;
    void DoAction(SgAction *action) override { TransformElement::Set(action->GetState(), this, m_matrix); }
    Mat4 m_matrix;

protected:
    ~StackTestPlacement() override = default;
};
SG_CLASS_SOURCE(StackTestPlacement, SgNode, SgFieldMngr, "StackTestPlacement")

int g_hookCalls = 0;
SgShape *CountingHook(SgShape *shape)
{
    ++g_hookCalls;
    return shape;
}

std::string Names(const std::vector<Call> &calls)
{
    std::string text;
    for (const Call &call : calls)
        text += (text.empty() ? "" : " ") + call.modifier;
    return text;
}

} // namespace

void RegisterModifierStackTestClasses()
{
    InitTestClasses();
    StackTestMesh::InitClass();
    StackTestModifier::InitClass();
    StackTestPlacement::InitClass();
    StackTestAction::InitClass();
}

namespace {

class ModifierStackTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterModifierStackTestClasses(); }

    void SetUp() override
    {
        g_calls.clear();
        g_hookCalls = 0;
        SgModifierStack::m_procLastDeformed = CountingHook;
        m_shape = new StackTestMesh;
    }
    void TearDown() override { SgModifierStack::m_procLastDeformed = nullptr; }

    // Modifiers named a, b, c... pushed in that order.
    SgModifierStack MakeStack(int n)
    {
        SgModifierStack stack;
        for (int i = 0; i < n; ++i) {
            SgRef<StackTestModifier> m = new StackTestModifier;
            m->SetName(std::string(1, static_cast<char>('a' + i)).c_str());
            m_modifiers.push_back(m);
            stack.Push(m.get());
        }
        return stack;
    }
    StackTestModifier *Mod(int i) { return m_modifiers[i].get(); }
    SgModifiersCache *Record() { return m_shape->GetModifierCache(); }

    std::vector<SgRef<StackTestModifier>> m_modifiers;
    SgRef<StackTestMesh> m_shape;
};

TEST_F(ModifierStackTest, EmptyOrDisabledStackReturnsInputAndLeavesRecordAlone)
{
    SgModifierStack full = MakeStack(2);
    ASSERT_EQ(full.Process(nullptr, m_shape.get()), m_shape.get());
    ASSERT_EQ(Record()->GetCount(), 2);
    Vec3 *points = m_shape->GetPointCache();
    ASSERT_NE(points, nullptr);
    g_calls.clear();

    // Where no modifier acts (a shared shape met outside the modifier's
    // reach) the shape shows its own points; a disabled stack is the one
    // that traverses a result, whose points stand.
    struct Case {
        const char *name;
        bool disabled;
        int count;
        bool pointsShown;
    };
    const Case cases[] = {{"empty stack", false, 0, false}, {"disabled stack", true, 2, true}};
    for (const Case &c : cases) {
        SgModifierStack stack = c.count ? full : SgModifierStack();
        stack.SetDisable(c.disabled);
        EXPECT_EQ(stack.Process(nullptr, m_shape.get()), m_shape.get()) << c.name;
        EXPECT_TRUE(g_calls.empty()) << c.name << " ran " << Names(g_calls);
        EXPECT_EQ(Record()->GetCount(), 2) << c.name << " touched the record";
        EXPECT_EQ(m_shape->GetPointCache(), c.pointsShown ? points : nullptr) << c.name;
        // The stack that made the points gets them back without a run.
        EXPECT_EQ(full.Process(nullptr, m_shape.get()), m_shape.get()) << c.name;
        EXPECT_TRUE(g_calls.empty()) << c.name << ": the modifiers ran again " << Names(g_calls);
        EXPECT_EQ(m_shape->GetPointCache(), points) << c.name;
    }
}

TEST_F(ModifierStackTest, LastPushedRunsFirstAndOnlyTheFinalActiveOneIsToldLast)
{
    SgModifierStack stack = MakeStack(3);
    stack.Process(nullptr, m_shape.get());
    ASSERT_EQ(Names(g_calls), "c b a");
    EXPECT_FALSE(g_calls[0].last);
    EXPECT_FALSE(g_calls[1].last);
    EXPECT_TRUE(g_calls[2].last);

    // With the first-pushed modifier sitting out, b is the final one.
    Mod(0)->m_active = 0;
    m_shape->m_size = 2.0; // drops the results, so that everything runs again
    g_calls.clear();
    stack.Process(nullptr, m_shape.get());
    ASSERT_EQ(Names(g_calls), "c b");
    EXPECT_TRUE(g_calls[1].last) << "the final active modifier was not told it is last";
}

TEST_F(ModifierStackTest, AllInactiveClearsDeformedPointsAndReturnsInput)
{
    SgModifierStack stack = MakeStack(2);
    stack.Process(nullptr, m_shape.get());
    ASSERT_NE(m_shape->GetPointCache(), nullptr);
    Mod(0)->m_active = 0;
    Mod(1)->m_active = 0;
    g_calls.clear();

    EXPECT_EQ(stack.Process(nullptr, m_shape.get()), m_shape.get());
    EXPECT_TRUE(g_calls.empty()) << "inactive modifiers ran: " << Names(g_calls);
    EXPECT_EQ(m_shape->GetPointCache(), nullptr);
    EXPECT_EQ(Record()->GetCount(), 0);
}

TEST_F(ModifierStackTest, UnchangedStackReusesEveryResult)
{
    SgModifierStack stack = MakeStack(3);
    Mod(1)->m_generate = true;
    SgShape *first = stack.Process(nullptr, m_shape.get());
    ASSERT_NE(first, m_shape.get());
    Vec3 *points = first->GetPointCache();
    ASSERT_NE(points, nullptr);
    EXPECT_EQ(g_hookCalls, 1);

    g_calls.clear();
    first->SetPointCache(nullptr); // someone else moved the points pointer meanwhile
    SgShape *second = stack.Process(nullptr, m_shape.get());
    EXPECT_EQ(second, first);
    EXPECT_TRUE(g_calls.empty()) << "re-ran " << Names(g_calls);
    EXPECT_EQ(second->GetPointCache(), points) << "the reused result lost its deformed points";
    EXPECT_EQ(g_hookCalls, 1) << "the final hook ran although nothing changed";
}

TEST_F(ModifierStackTest, ChangedModifierRerunsFromItOn)
{
    SgModifierStack stack = MakeStack(3); // applied c, b, a
    stack.Process(nullptr, m_shape.get());
    const SgModifiersCache::Record firstRecord = Record()->GetRecord(0);
    g_calls.clear();

    Mod(1)->m_amount = 2.5; // b, the second applied
    stack.Process(nullptr, m_shape.get());
    EXPECT_EQ(Names(g_calls), "b a");
    EXPECT_EQ(Record()->GetRecord(0).deformedPoints, firstRecord.deformedPoints)
        << "c's result was not reused";
    ASSERT_EQ(Record()->GetCount(), 3);
    EXPECT_EQ(m_shape->GetPointCache(), Record()->GetRecord(2).deformedPoints);
    ASSERT_EQ(g_calls[0].input, m_shape.get());
    EXPECT_EQ(g_hookCalls, 2);
}

TEST_F(ModifierStackTest, SwitchingAModifierInactiveDropsTheRecordsBehindIt)
{
    SgModifierStack stack = MakeStack(3);
    Mod(0)->m_generate = true; // a, applied last, makes a new shape
    stack.Process(nullptr, m_shape.get());
    ASSERT_EQ(StackTestMesh::s_live, 2);
    g_calls.clear();

    Mod(1)->m_active = 0; // b sits out: c is reused, a runs again
    SgShape *result = stack.Process(nullptr, m_shape.get());
    EXPECT_EQ(Names(g_calls), "a");
    EXPECT_EQ(Record()->GetCount(), 2);
    EXPECT_EQ(Record()->GetRecord(1).modifier, Mod(0));
    EXPECT_EQ(StackTestMesh::s_live, 2) << "the dropped generated shape was not freed";
    EXPECT_EQ(result, Record()->GetRecord(1).result);

    // Dropping the tail without any run still counts as a change.
    g_calls.clear();
    Mod(0)->m_active = 0;
    EXPECT_EQ(stack.Process(nullptr, m_shape.get()), m_shape.get());
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(StackTestMesh::s_live, 1);
    EXPECT_EQ(m_shape->GetPointCache(), Record()->GetRecord(0).deformedPoints);
}

TEST_F(ModifierStackTest, ChangingTheShapeDropsEveryResult)
{
    SgModifierStack stack = MakeStack(2);
    Mod(0)->m_generate = true;
    stack.Process(nullptr, m_shape.get());
    ASSERT_EQ(StackTestMesh::s_live, 2);

    m_shape->m_size = 3.0;
    EXPECT_EQ(Record()->GetCount(), 0);
    EXPECT_EQ(StackTestMesh::s_live, 1);
    EXPECT_EQ(m_shape->GetPointCache(), nullptr) << "the shape kept a pointer to freed points";
    g_calls.clear();
    stack.Process(nullptr, m_shape.get());
    EXPECT_EQ(Names(g_calls), "b a");
}

TEST_F(ModifierStackTest, ShapeFreesWhatTheModifiersMadeOfIt)
{
    SgModifierStack stack = MakeStack(3); // applied c, b, a
    Mod(1)->m_deform = false; // passes on the array c hung on the shape
    Mod(0)->m_generate = true;
    stack.Process(nullptr, m_shape.get());
    ASSERT_EQ(StackTestMesh::s_live, 2);
    m_shape.reset();
    // The sanitizer builds catch a double or missing free of the points.
    EXPECT_EQ(StackTestMesh::s_live, 0);
}

TEST_F(ModifierStackTest, ModifierReturningNothingLeavesTheShapeUnchanged)
{
    SgRef<SgModifier> plain = new SgModifier;
    SgModifierStack stack;
    stack.Push(plain.get());
    EXPECT_EQ(stack.Process(nullptr, m_shape.get()), m_shape.get());
}

TEST_F(ModifierStackTest, SeventeenthModifierIsRefusedWithADiagnostic)
{
    SgModifierStack stack = MakeStack(16);
    SgRef<StackTestModifier> extra = new StackTestModifier;
    extra->SetName("extra");
    SgDiagCapture capture;
    const bool pushed = stack.Push(extra.get(), Transform3(Vec3(1, 2, 3)));
    EXPECT_FALSE(pushed);
    EXPECT_EQ(stack.size(), 16);
    ASSERT_EQ(capture.Count("Modifiers"), 1) << capture.GetText();
    EXPECT_TRUE(capture.Contains("extra")) << "diagnostic: " << capture.GetText();
    EXPECT_EQ(stack.getModifier(15), Mod(15));
}

TEST_F(ModifierStackTest, EntriesOutsideTheStackAreRefused)
{
    SgModifierStack stack = MakeStack(2);
    for (int index : {-1, 2, 16}) {
        EXPECT_THROW(stack.getModifier(index), SgInvalidArgument) << index;
        EXPECT_THROW(stack.getTransform(index), SgInvalidArgument) << index;
    }
}

TEST_F(ModifierStackTest, PushKeepsPlacementAndCopiesKeepEverything)
{
    SgModifierStack stack = MakeStack(1);
    const Transform3 placed(Vec3(1, 2, 3));
    stack.Push(Mod(0), placed);
    stack.SetDisable(true);
    const SgModifierStack copy = stack;
    EXPECT_EQ(copy.size(), 2);
    EXPECT_TRUE(copy.Disabled());
    EXPECT_EQ(copy.getTransform(0), Transform3());
    EXPECT_EQ(copy.getTransform(1), placed);
}

TEST_F(ModifierStackTest, FilterOutKeepsTheOthersInOrder)
{
    struct Case {
        const char *name;
        std::vector<int> drop;
        std::string kept;
    };
    const Case cases[] = {
        {"middle of three", {1}, "a c"},
        {"none", {}, "a b c"},
        {"all", {0, 1, 2}, ""},
        {"first and last", {0, 2}, "b"},
    };
    for (const Case &c : cases) {
        m_modifiers.clear();
        SgModifierStack stack = MakeStack(3);
        std::vector<SgModifier *> dropped;
        for (int i : c.drop)
            dropped.push_back(Mod(i));
        stack.FilterOut(
            [](SgModifier *m, void *data) {
                const auto *list = static_cast<std::vector<SgModifier *> *>(data);
                return std::find(list->begin(), list->end(), m) != list->end();
            },
            &dropped);
        std::string kept;
        for (int i = 0; i < stack.size(); ++i)
            kept += (kept.empty() ? "" : " ") + stack.getModifier(i)->GetName();
        EXPECT_EQ(kept, c.kept) << c.name;
    }
}

// root: modifier a, separator { modifier b, shape s1 }, shape s2
TEST_F(ModifierStackTest, TraversalHandsEachShapeTheModifiersInForceAndReusesAcrossActions)
{
    SgRef<SgSeparator> root = new SgSeparator;
    SgSeparator *inner = new SgSeparator;
    StackTestModifier *a = new StackTestModifier;
    StackTestModifier *b = new StackTestModifier;
    StackTestMesh *s1 = new StackTestMesh;
    StackTestMesh *s2 = new StackTestMesh;
    a->SetName("a");
    b->SetName("b");
    root->AddChild(a);
    root->AddChild(inner);
    inner->AddChild(b);
    inner->AddChild(s1);
    root->AddChild(s2);

    struct Step {
        const char *name;
        std::function<void()> change;
        std::string calls;
    };
    const Step steps[] = {
        {"first traversal", [] {}, "b a a"},
        {"nothing changed", [] {}, ""},
        {"outer modifier changed", [&] { a->m_amount = 1.0; }, "a a"},
        {"inner modifier switched off", [&] { b->m_active = 0; }, "a"},
    };
    for (const Step &step : steps) {
        step.change();
        g_calls.clear();
        StackTestAction action;
        ASSERT_TRUE(action.Apply(root.get())) << step.name << ": " << action.GetError();
        EXPECT_EQ(Names(g_calls), step.calls) << step.name;
        EXPECT_EQ(s1->GetModifierCache()->GetCount(), b->IsActive() ? 2 : 1) << step.name;
        EXPECT_EQ(s2->GetModifierCache()->GetCount(), 1) << step.name << ": b leaked out of its separator";
    }
}

TEST_F(ModifierStackTest, APlacementBetweenModifierAndShapeIsPartOfWhatIsReused)
{
    // The modifier reads the shape's placement relative to its own: moving
    // the shape under an unchanged modifier must run it again, and moving it
    // back must not hand out the result made for the other place.
    SgRef<SgSeparator> root = new SgSeparator;
    StackTestModifier *a = new StackTestModifier;
    StackTestPlacement *placement = new StackTestPlacement;
    StackTestMesh *shape = new StackTestMesh;
    a->SetName("a");
    root->AddChild(a);
    root->AddChild(placement);
    root->AddChild(shape);

    Mat4 moved;
    moved.Set(0, 3, 2.0); // points are columns: the translation is the last column
    struct Step {
        const char *name;
        Mat4 matrix;
        std::string calls;
    };
    const Step steps[] = {
        {"first traversal", Mat4(), "a"},
        {"nothing changed", Mat4(), ""},
        {"the shape moved", moved, "a"},
        {"moved back", Mat4(), "a"},
    };
    for (const Step &step : steps) {
        placement->m_matrix = step.matrix;
        g_calls.clear();
        StackTestAction action;
        ASSERT_TRUE(action.Apply(root.get())) << step.name << ": " << action.GetError();
        EXPECT_EQ(Names(g_calls), step.calls) << step.name;
    }
}

} // namespace

// Typed ports: pull evaluation, push invalidation, array exposure and the
// ownership that node-pointer and counted-pointer outputs keep.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/engine/core/TestNodes.h"
#include "engine/core/DxInput.h"
#include "engine/core/DxOutput.h"
#include "engine/core/DxScratchBuffer.h"

namespace {

// Adds one to its input (or gives its base value when unconnected) and counts
// evaluations and the changes it is told about.
class AddOneModule : public DxModule {
public:
    void Evaluate() override
    {
        ++m_evaluations;
        m_output = (m_input.GetSource() ? m_input.Get() : m_base) + 1;
    }
    void OnInputChange(DxInBase *input) override
    {
        ++m_changes;
        DxModule::OnInputChange(input);
    }
    DxInput<int> m_input{this};
    DxOutput<int> m_output{this};
    int m_base = 0;
    int m_evaluations = 0;
    int m_changes = 0;
};

class ArrayModule : public DxModule {
public:
    ArrayModule() { m_output.SetValuesArray(&m_values); }
    void Evaluate() override { m_output.Validate(); }
    DxOutput<double> m_output{this};
    std::vector<double> m_values;
};

} // namespace

TEST(DxOutputTest, NewOutputIsEvaluatedOnFirstRead)
{
    AddOneModule module;
    EXPECT_EQ(module.m_output.GetState(), -1);
    EXPECT_EQ(module.nOutputs(), 1);
    EXPECT_EQ(module.GetOutput(0), &module.m_output);
    EXPECT_EQ(*static_cast<int *>(module.m_output.GetData()), 1);
    EXPECT_EQ(module.m_evaluations, 1);
    module.m_output.GetData();
    EXPECT_EQ(module.m_evaluations, 1) << "a valid output must not evaluate again";
}

TEST(DxOutputTest, InvalidatingTwicePushesOnceAndSetDoesNotPush)
{
    AddOneModule up, down;
    up.m_output.Connect(down.m_input);
    up.m_output.Invalidate();
    up.m_output.Invalidate();
    EXPECT_EQ(down.m_changes, 1);
    const int value = 5;
    up.m_output.set(&value);
    EXPECT_EQ(down.m_changes, 1) << "set must not invalidate the connected inputs";
    up.m_output.Invalidate();
    EXPECT_EQ(down.m_changes, 2) << "after set the next invalidation pushes again";
}

TEST(DxOutputTest, ChainInvalidatesDownstreamAndPullsUpstream)
{
    AddOneModule a, b, c;
    a.m_base = 10;
    a.m_output.Connect(b.m_input);
    b.m_output.Connect(c.m_input);
    EXPECT_EQ(c.m_output.GetVal(0), 13);
    EXPECT_EQ(a.m_evaluations, 1);
    EXPECT_EQ(b.m_evaluations, 1);

    a.m_base = 20;
    a.m_output.Invalidate();
    EXPECT_FALSE(b.m_output.IsValid());
    EXPECT_FALSE(c.m_output.IsValid());
    EXPECT_EQ(c.m_output.GetVal(0), 23);
    EXPECT_EQ(b.m_evaluations, 2);
}

TEST(DxOutputTest, ConnectingElsewhereLeavesTheOldOutput)
{
    AddOneModule first, second, reader;
    first.m_output.Connect(reader.m_input);
    second.m_output.Connect(reader.m_input);
    EXPECT_TRUE(first.m_output.GetFunOut().empty());
    ASSERT_EQ(second.m_output.GetFunOut().size(), 1u);
    EXPECT_EQ(reader.m_input.GetSource(), &second.m_output);
}

TEST(DxOutputTest, GetValClampsTheIndexIntoTheArray)
{
    ArrayModule source;
    source.m_values = {1.5, 2.5, 3.5};
    struct Case {
        int index;
        double expected;
    };
    const Case cases[] = {{0, 1.5}, {1, 2.5}, {2, 3.5}, {5, 3.5}, {-1, 1.5}};
    for (const Case &c : cases)
        EXPECT_EQ(source.m_output.GetVal(c.index), c.expected) << "index " << c.index;
    EXPECT_EQ(source.m_output.GetSize(), 3);

    DxInput<double> input;
    source.m_output.Connect(input);
    EXPECT_EQ(input.GetSize(), 3);
    EXPECT_EQ(input.Get(7), 3.5);

    source.m_values.clear();
    EXPECT_EQ(source.m_output.GetData(), nullptr);
    EXPECT_EQ(source.m_output.GetSize(), 0);
    EXPECT_NO_THROW(source.m_output.GetVal(0)) << "an empty array must not be read past";
}

TEST(DxOutputTest, OutputWithoutArrayGivesItsValueForAnyIndex)
{
    AddOneModule module;
    module.m_base = 41;
    for (int index : {-3, 0, 9})
        EXPECT_EQ(module.m_output.GetVal(index), 42) << "index " << index;
    EXPECT_EQ(module.m_output.GetSize(), 1);
}

TEST(DxOutputTest, UnconnectedInputIsRefused)
{
    DxInput<int> input;
    EXPECT_EQ(input.GetData(), nullptr);
    EXPECT_EQ(input.GetSize(), 0);
    EXPECT_THROW(input.Get(), SgError);
    DxInput1<double> named;
    EXPECT_THROW(named.Get(), SgError);
}

TEST(DxOutputTest, NodeAndCountedPointerOutputsHoldWhatTheyPointAt)
{
    InitTestClasses();
    DxModule module;
    auto *shape = new TestShape;
    shape->AddRef();
    {
        DxOutput<NodePtr> output;
        output = NodePtr(shape);
        SgFieldMngr::Release(shape);
        EXPECT_EQ(shape->GetRefCount(), 1) << "the output must keep the node alive";
    }

    DxOutput<CountPtr<R1Func>> functions;
    CountPtr<R1Func> function(new SinFunc);
    functions = function;
    EXPECT_EQ(function.use_count(), 2);
    functions = CountPtr<R1Func>();
    EXPECT_EQ(function.use_count(), 1) << "overwriting the output must drop its share";
}

TEST(DxOutputTest, DestroyedOutputLeavesItsModule)
{
    DxModule module;
    {
        DxOutput<std::string> temporary(&module);
        EXPECT_EQ(module.nOutputs(), 1);
    }
    EXPECT_EQ(module.nOutputs(), 0);
}

// A port that no module names as its own belongs to none, whatever module was
// built before it: the port would otherwise evaluate, and unlist itself from,
// a module that may be gone.
TEST(DxOutputTest, APortBuiltAfterAModuleDoesNotJoinIt)
{
    auto module = std::make_unique<AddOneModule>();
    DxOutput<int> output;
    DxInput<int> input;
    EXPECT_EQ(output.GetModule(), nullptr);
    EXPECT_EQ(input.GetOwner(), nullptr);
    EXPECT_EQ(module->nOutputs(), 1);
    module.reset();
    output = 3;
    output.Connect(input);
    output.Invalidate();
    EXPECT_EQ(input.Get(), 3) << "reading must not reach the dead module";
}

TEST(DxScratchBufferTest, KeepsABigEnoughBufferAndReplacesASmallOne)
{
    DxScratchBuffer buffer;
    Vec3 *first = buffer.Reserve(8);
    EXPECT_EQ(buffer.GetCapacity(), 8);
    EXPECT_EQ(buffer.Reserve(5), first);
    EXPECT_EQ(buffer.GetCapacity(), 8);
    buffer.Reserve(20);
    EXPECT_EQ(buffer.GetCapacity(), 20);
}

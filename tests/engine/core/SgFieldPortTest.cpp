// Fields seen as dataflow ports: what a field does on reads and writes when a
// module drives it, and what happens to connections when either end goes.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/engine/core/TestNodes.h"
#include "engine/core/DxOutput.h"

namespace {

// A plain module with one int output: the upstream end of a connection.
class SourceModule : public DxModule {
public:
    void Evaluate() override { m_output.set(&m_value); }
    DxOutput<int> m_output{this};
    int m_value = 7;
};

} // namespace

class SgFieldPortTest : public ::testing::Test {
protected:
    void SetUp() override { InitTestClasses(); }
};

TEST_F(SgFieldPortTest, ConnectedFieldReadsTheSourceButKeepsItsOwnValue)
{
    SgRef<TestShape> shape = new TestShape;
    shape->m_count = 3;
    SourceModule source;
    source.m_output.Connect(static_cast<DxInBase &>(shape->m_count));
    EXPECT_EQ(shape->m_count.Get(true), 7);
    EXPECT_EQ(shape->m_count.Get(false), 3);
    std::ostringstream out;
    shape->m_count.WriteToStream(out);
    EXPECT_EQ(out.str(), "7") << "the text form writes the driven value";
    EXPECT_EQ(shape->m_count.GetModuleSource(), &source.m_output);

    static_cast<DxInBase &>(shape->m_count).Disconnect();
    EXPECT_EQ(shape->m_count.Get(true), 3);
}

TEST_F(SgFieldPortTest, TakingAFieldAsAPortTwiceMakesOneModule)
{
    SgRef<TestShape> shape = new TestShape;
    DxOutBase &first = shape->m_count;
    DxOutBase &second = shape->m_count;
    EXPECT_EQ(&first, &second);
    EXPECT_TRUE(shape->IsConnected());
}

TEST_F(SgFieldPortTest, WriteInvalidatesDownstreamAndQuietWriteDoesNot)
{
    SgRef<TestShape> upstream = new TestShape, downstream = new TestShape;
    static_cast<DxOutBase &>(upstream->m_count).Connect(static_cast<DxInBase &>(downstream->m_count));
    upstream->m_count = 4;
    EXPECT_EQ(downstream->m_count.Get(true), 4);
    downstream->m_changes = 0;

    upstream->m_count = 5;
    EXPECT_EQ(downstream->m_changes, 1) << "the change upstream reaches the driven field's node";
    EXPECT_EQ(downstream->m_count.Get(true), 5);

    const int quiet = 6;
    upstream->m_count.SetValuePtr(&quiet, -1, false, true);
    EXPECT_EQ(downstream->m_changes, 1);
}

TEST_F(SgFieldPortTest, DestroyingEitherEndLeavesNoDanglingLink)
{
    SgRef<TestShape> downstream = new TestShape;
    {
        SourceModule source;
        source.m_output.Connect(static_cast<DxInBase &>(downstream->m_count));
    }
    EXPECT_EQ(downstream->m_count.GetModuleSource(), nullptr);

    SourceModule source;
    {
        SgRef<TestShape> reader = new TestShape;
        source.m_output.Connect(static_cast<DxInBase &>(reader->m_count));
        EXPECT_EQ(source.m_output.GetFunOut().size(), 1u);
    }
    EXPECT_TRUE(source.m_output.GetFunOut().empty());
    source.m_output.Invalidate();
}

TEST_F(SgFieldPortTest, FieldWithoutAModuleTypeIsRefusedAsAPort)
{
    SgField untyped;
    EXPECT_THROW(untyped.AsOutput(), SgError);
    EXPECT_THROW(untyped.AsInput(), SgError);
}

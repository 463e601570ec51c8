// Fields seen as dataflow ports, through small typed ports of the test's own:
// what a field does on reads and writes when a module drives it.
#include <gtest/gtest.h>

#include "TestNodes.h"

namespace {

template <class T>
class TestOutput : public DxOutBase {
public:
    TestOutput() { if (GetModule()) GetModule()->AddOutput(this); }
    void *GetData() override
    {
        EvaluateIfNeeded();
        return &m_value;
    }
    void set(const void *value) override
    {
        m_value = *static_cast<const T *>(value);
        Validate();
    }
    T m_value{};
};

template <class T>
class TestInput : public DxInBase {
public:
    void *GetData() override { return GetSource() ? GetSource()->GetData() : nullptr; }
    int GetSize() const override { return 1; }
};

// Drives its field from the input when connected, else exposes the field's value.
template <class T>
class TestFieldModule : public GeneicFieldModule {
public:
    explicit TestFieldModule(SgField *field) : GeneicFieldModule(field) {}
    void Evaluate() override
    {
        ++m_evaluations;
        if (m_input.GetSource())
            m_output.set(m_input.GetData());
        else
            m_output.set(GetFieldContainer()->GetValuePtr(0, false));
    }
    DxOutBase *GetOutput() override { return &m_output; }
    DxInBase *GetInput() override { return &m_input; }

    TestInput<T> m_input;
    TestOutput<T> m_output;
    int m_evaluations = 0;
};

// A plain module with one int output: the upstream end of a connection.
class SourceModule : public DxModule {
public:
    void Evaluate() override { m_output.set(&m_value); }
    TestOutput<int> m_output;
    int m_value = 7;
};

} // namespace

class SgFieldPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitTestClasses();
        SgField::SetModuleFactory(SgFieldInt, false,
                                  [](SgField *f) -> DxModule * { return new TestFieldModule<int>(f); });
    }
    void TearDown() override { SgField::SetModuleFactory(SgFieldInt, false, nullptr); }
};

TEST_F(SgFieldPortTest, ConnectedFieldReadsTheSourceButKeepsItsOwnValue)
{
    TestShape shape;
    shape.m_count = 3;
    SourceModule source;
    source.m_output.Connect(static_cast<DxInBase &>(shape.m_count));
    EXPECT_EQ(shape.m_count.Get(true), 7);
    EXPECT_EQ(shape.m_count.Get(false), 3);
    std::ostringstream out;
    shape.m_count.WriteToStream(out);
    EXPECT_EQ(out.str(), "7") << "the text form writes the driven value";
    EXPECT_EQ(shape.m_count.GetModuleSource(), &source.m_output);

    static_cast<DxInBase &>(shape.m_count).Disconnect();
    EXPECT_EQ(shape.m_count.Get(true), 3);
}

TEST_F(SgFieldPortTest, TakingAFieldAsAPortTwiceMakesOneModule)
{
    TestShape shape;
    DxOutBase &first = shape.m_count;
    DxOutBase &second = shape.m_count;
    EXPECT_EQ(&first, &second);
    EXPECT_TRUE(shape.IsConnected());
}

TEST_F(SgFieldPortTest, WriteInvalidatesDownstreamAndQuietWriteDoesNot)
{
    TestShape upstream, downstream;
    static_cast<DxOutBase &>(upstream.m_count).Connect(static_cast<DxInBase &>(downstream.m_count));
    upstream.m_count = 4;
    EXPECT_EQ(downstream.m_count.Get(true), 4);
    downstream.m_changes = 0;

    upstream.m_count = 5;
    EXPECT_EQ(downstream.m_changes, 1) << "the change upstream reaches the driven field's node";
    EXPECT_EQ(downstream.m_count.Get(true), 5);

    const int quiet = 6;
    upstream.m_count.SetValuePtr(&quiet, -1, false, true);
    EXPECT_EQ(downstream.m_changes, 1);
}

TEST_F(SgFieldPortTest, DestroyingEitherEndLeavesNoDanglingLink)
{
    TestShape downstream;
    {
        SourceModule source;
        source.m_output.Connect(static_cast<DxInBase &>(downstream.m_count));
    }
    EXPECT_EQ(downstream.m_count.GetModuleSource(), nullptr);

    SourceModule source;
    {
        TestShape reader;
        source.m_output.Connect(static_cast<DxInBase &>(reader.m_count));
        EXPECT_EQ(source.m_output.GetFunOut().size(), 1u);
    }
    EXPECT_TRUE(source.m_output.GetFunOut().empty());
    source.m_output.Invalidate();
}

TEST_F(SgFieldPortTest, FieldWithoutAModuleTypeIsRefusedAsAPort)
{
    TestShape shape;
    EXPECT_THROW(shape.m_radius.AsOutput(), SgError);
}

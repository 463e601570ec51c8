// Fields as dataflow nodes through their typed modules: driven reads, the
// change notice upstream changes give, and evaluation cycles.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/engine/core/TestNodes.h"
#include "engine/core/FieldModule.h"
#include "platform/SgDiagHandler.h"

namespace {

// A plain module holding one int: the upstream end of a connection.
class IntSource : public DxModule {
public:
    void Evaluate() override { m_output = m_value; }
    DxOutput<int> m_output;
    int m_value = 7;
};

const int kSingleTypeIds[] = {SgFieldInt,     SgFieldFloat,    SgFieldUShort,    SgFieldDouble,
                              SgFieldVec2,    SgFieldVec3,     SgFieldVec4,      SgFieldVec2f,
                              SgFieldColor,   SgFieldRotation, SgFieldImage,     SgFieldString,
                              SgFieldVec3f,   SgFieldNodePtr,  SgFieldR1FuncRef, SgFieldR2FuncRef,
                              SgFieldR3FuncRef};

} // namespace

class FieldModuleTest : public ::testing::Test {
protected:
    // The engine start-up registers the field modules.
    void SetUp() override { InitTestClasses(); }
};

TEST_F(FieldModuleTest, EverySingleValueTypeHasAModule)
{
    for (int id : kSingleTypeIds)
        EXPECT_NE(SgField::GetModuleFactory(id, false), nullptr) << "type id " << id;
    SgRef<TestShape> shape = new TestShape;
    DxOutBase &label = shape->m_label;
    shape->m_label = std::string("hello");
    EXPECT_EQ(*static_cast<std::string *>(label.GetData()), "hello");
    EXPECT_EQ(shape->m_label.GetModule()->GetModuleKind(), DxModule::kField);
}

TEST_F(FieldModuleTest, DrivenFieldReadsTheSourceAndKeepsItsOwnValue)
{
    SgRef<TestShape> shape = new TestShape;
    shape->m_count = 3;
    IntSource source;
    source.m_output.Connect(static_cast<DxInBase &>(shape->m_count));
    EXPECT_EQ(shape->m_count.Get(true), 7);
    EXPECT_EQ(shape->m_count.Get(false), 3);
    std::ostringstream text;
    shape->m_count.WriteToStream(text);
    EXPECT_EQ(text.str(), "7") << "the text form is written with evaluation";

    static_cast<DxInBase &>(shape->m_count).Disconnect();
    shape->m_count.GetModule()->InvalidateOutputs(false);
    EXPECT_EQ(shape->m_count.Get(true), 3) << "a disconnected field reads its own value again";
}

TEST_F(FieldModuleTest, FieldDrivesAnotherField)
{
    SgRef<TestShape> from = new TestShape, to = new TestShape;
    from->m_radius = 2.5;
    to->m_radius = 1.0;
    static_cast<DxOutBase &>(from->m_radius).Connect(static_cast<DxInBase &>(to->m_radius));
    EXPECT_EQ(to->m_radius.Get(true), 2.5);
    from->m_radius = 4.0;
    EXPECT_EQ(to->m_radius.Get(true), 4.0) << "a write upstream must reach the driven field";
    EXPECT_EQ(to->m_radius.Get(false), 1.0);
}

TEST_F(FieldModuleTest, UpstreamChangeNotifiesTheContainerOncePerCycle)
{
    SgRef<TestShape> shape = new TestShape;
    IntSource source;
    source.m_output.Connect(static_cast<DxInBase &>(shape->m_count));
    shape->m_count.Get(true);
    const int before = shape->m_changes;

    source.m_output.Invalidate();
    EXPECT_EQ(shape->m_changes, before + 1);
    source.m_output.Invalidate();
    EXPECT_EQ(shape->m_changes, before + 1) << "a second change before any read must not notify again";

    source.m_value = 9;
    EXPECT_EQ(shape->m_count.Get(true), 9);
    source.m_output.Invalidate();
    EXPECT_EQ(shape->m_changes, before + 2) << "after a read the next change notifies again";
}

TEST_F(FieldModuleTest, EvaluationCycleIsReportedNotFollowed)
{
    SgRef<TestShape> a = new TestShape, b = new TestShape;
    a->m_count = 1;
    b->m_count = 2;
    static_cast<DxOutBase &>(a->m_count).Connect(static_cast<DxInBase &>(b->m_count));
    static_cast<DxOutBase &>(b->m_count).Connect(static_cast<DxInBase &>(a->m_count));

    SgDiagCapture capture;
    const int value = a->m_count.Get(true);
    EXPECT_EQ(value, 1) << "the loop breaks with the field's stored value";
    EXPECT_GE(capture.Count("Dataflow"), 1);
    EXPECT_TRUE(capture.Contains("Evaluation cycle")) << "reported: " << capture.GetText();

    // Invalidation around the loop stops at outputs that are already invalid.
    a->m_count = 5;
    capture.Clear();
    EXPECT_EQ(b->m_count.Get(true), 2);
}

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
    DxOutput<int> m_output{this};
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

// Every field on a cycle shows its own stored value whichever is read first,
// and the cycle is reported once however often it is met.
TEST_F(FieldModuleTest, EveryCycleHasOneValueAndOneReport)
{
    for (bool readAFirst : {true, false}) {
        SgRef<TestShape> a = new TestShape, b = new TestShape, c = new TestShape;
        a->m_count = 1;
        b->m_count = 2;
        c->m_count = 3;
        static_cast<DxOutBase &>(a->m_count).Connect(static_cast<DxInBase &>(b->m_count));
        static_cast<DxOutBase &>(b->m_count).Connect(static_cast<DxInBase &>(c->m_count));
        static_cast<DxOutBase &>(c->m_count).Connect(static_cast<DxInBase &>(a->m_count));
        SgDiagCapture diagnostics;
        if (readAFirst)
            a->m_count.Get(true);
        else
            b->m_count.Get(true);
        EXPECT_EQ(a->m_count.Get(true), 1) << "a first: " << readAFirst;
        EXPECT_EQ(b->m_count.Get(true), 2) << "a first: " << readAFirst;
        EXPECT_EQ(c->m_count.Get(true), 3) << "a first: " << readAFirst;
        a->m_count = 1; // invalidates round the cycle
        a->m_count.Get(true);
        a->m_count = 1;
        c->m_count.Get(true);
        std::string text = diagnostics.GetText();
        size_t reports = 0;
        for (size_t at = text.find("Evaluation cycle"); at != std::string::npos; at = text.find("Evaluation cycle", at + 1))
            ++reports;
        EXPECT_EQ(reports, 1u) << text;
    }
}

TEST_F(FieldModuleTest, ArrayCyclesAreReportedAndKeepTheirValues)
{
    SgVFInt a, b;
    a.SetValue(0, 1);
    b.SetValue(0, 2);
    b.SetValue(1, 3);
    static_cast<DxOutBase &>(a).Connect(static_cast<DxInBase &>(b));
    static_cast<DxOutBase &>(b).Connect(static_cast<DxInBase &>(a));
    SgDiagCapture diagnostics;
    EXPECT_EQ(a.GetCount(), 1);
    EXPECT_EQ(a.GetValue(0), 1);
    EXPECT_EQ(b.GetCount(), 2);
    EXPECT_EQ(b.GetValue(1), 3);
    EXPECT_TRUE(diagnostics.Contains("Evaluation cycle")) << diagnostics.GetText();
}

// A port of one value type read as another would reinterpret its memory:
// every connection of mismatched types is refused, the input left as it was.
TEST_F(FieldModuleTest, ConnectionsOfMismatchedTypesAreRefused)
{
    SgRef<TestShape> shape = new TestShape;
    SgVFInt indices;
    SgVFVec3 points;
    indices.SetValue(0, 4);
    points.SetValue(0, Vec3(1, 2, 3));
    struct Case {
        const char *what;
        DxOutBase &from;
        DxInBase &to;
    };
    const Case cases[] = {
        {"Vec3 field into string field", shape->m_translation, shape->m_label},
        {"int array into Vec3 array", indices, points},
        {"double field into int field", shape->m_radius, shape->m_count},
    };
    for (const Case &c : cases) {
        SgDiagCapture diagnostics;
        EXPECT_FALSE(c.from.Connect(c.to)) << c.what;
        EXPECT_EQ(c.to.GetSource(), nullptr) << c.what;
        EXPECT_TRUE(diagnostics.Contains("cannot drive")) << c.what << ": " << diagnostics.GetText();
    }
    EXPECT_EQ(shape->m_label.Get(true), "");
    EXPECT_EQ(points.GetValue(0), Vec3(1, 2, 3));

    DxOutBase &count = shape->m_count;
    SgVFInt driven;
    EXPECT_TRUE(count.Connect(static_cast<DxInBase &>(driven))) << "a single int drives an int array";
}

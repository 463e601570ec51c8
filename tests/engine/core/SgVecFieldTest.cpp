// Array fields: their text form, the edit bracket (one undo record and one
// notice per operation), index checks, node-pointer elements and the module
// hooks through which a dataflow source drives an array.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <sstream>

#include "tests/engine/EngineTestClasses.h"
#include "tests/engine/core/TestNodes.h"
#include "engine/core/DxInput.h"
#include "engine/core/DxOutput.h"
#include "engine/core/SgVecField.h"
#include "platform/SgDiagHandler.h"

namespace {

// A node with one array field of each kind the tests touch; counts its notices.
class VecFieldTestNode : public SgNode {
    SG_CLASS_HEADER(VecFieldTestNode, SgFieldMngr)
    VecFieldTestNode()
    {
        AddField(m_indices, "indices");
        AddField(m_points, "points");
        AddField(m_colors, "colors");
        AddField(m_names, "names");
        AddField(m_refs, "refs");
        AddField(m_curves, "curves");
    }

    void OnChange(SgField *field) override
    {
        ++m_changes;
        SgNode::OnChange(field);
    }

    SgVFInt m_indices;
    SgVFVec3 m_points;
    SgVFColor m_colors;
    SgVFStr m_names;
    SgVFNodePtr m_refs;
    SgVFR1FuncRef m_curves;
    int m_changes = 0;

protected:
    ~VecFieldTestNode() override = default;
};
SG_CLASS_SOURCE(VecFieldTestNode, SgNode, SgFieldMngr, "VecFieldTestNode")

// A node in a document that records undo.
struct RecordedNode {
    RecordedNode() { node->SetDocument(&doc); }
    void Forget()
    {
        doc.m_records.clear();
        node->m_changes = 0;
    }
    RecordingDocument doc;
    SgRef<VecFieldTestNode> node = new VecFieldTestNode;
};

// An upstream module exposing an int array of its own.
class ArraySource : public DxModule {
public:
    ArraySource() { m_output.SetValuesArray(&m_values); }
    void Evaluate() override { m_output.Validate(); }
    DxOutput<int> m_output{this};
    std::vector<int> m_values;
};

// Downstream of a field: counts the invalidations that reach it.
class Probe : public DxModule {
public:
    void OnInputChange(DxInBase *input) override
    {
        ++m_pushes;
        DxModule::OnInputChange(input);
    }
    DxInput<int> m_input{this};
    int m_pushes = 0;
};

template <class F>
std::string Written(F &field, int first = 0, int last = -1)
{
    std::ostringstream out;
    field.WriteToStream(out, first, last);
    return out.str();
}

std::string Rest(std::istream &in)
{
    in.clear();
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

void RegisterVecFieldTestClasses()
{
    InitTestClasses();
    VecFieldTestNode::InitClass();
}

class SgVecFieldTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterVecFieldTestClasses(); }
};

TEST_F(SgVecFieldTest, IntArrayTextsReadAsTheirElements)
{
    struct Case {
        const char *text;
        std::vector<int> values;
        const char *written;
    } cases[] = {
        {"[1,,2,3,]", {1, 2, 3}, "[1 , 2 , 3]"},
        {"[1 2 3]", {1, 2, 3}, "[1 , 2 , 3]"},
        {"[ 1 , 2 , 3 , ]", {1, 2, 3}, "[1 , 2 , 3]"},
        {"[1,\n# a comment ] with a bracket\n2\n,3]", {1, 2, 3}, "[1 , 2 , 3]"},
        {"[1 [2] 3]", {1, 2}, "[1 , 2]"},
        {"  7", {7}, "[7]"},
        {"[]", {}, "[]"},
    };
    for (const Case &c : cases) {
        SgVFInt field(99, nullptr);
        std::istringstream in(c.text);
        field.ReadFromStream(in, false);
        EXPECT_FALSE(in.fail()) << "reading " << c.text;
        EXPECT_EQ(field.GetValues(), c.values) << "reading " << c.text;
        EXPECT_EQ(Written(field), c.written) << "writing what " << c.text << " gave";
    }
}

TEST_F(SgVecFieldTest, ReadStopsAtTheClosingBracket)
{
    SgVFInt field;
    std::istringstream in("[1,2] 5");
    field.ReadFromStream(in, false);
    EXPECT_EQ(field.GetValues(), (std::vector<int>{1, 2}));
    EXPECT_EQ(Rest(in), " 5");
}

TEST_F(SgVecFieldTest, MalformedTextFailsAndKeepsTheField)
{
    struct Case {
        const char *text;
        const char *why;
    } cases[] = {
        {"[1, 2", "stream ends before ]"},
        {"[1, 2 # the bracket is in a comment ]", "comment hides the ]"},
        {"[1, x, 2]", "an element that is no number"},
        {"", "nothing at all"},
        {"   \n ", "only blanks"},
        {"[1 [2", "nested opening without a close"},
    };
    for (const Case &c : cases) {
        RecordedNode r;
        const int start[] = {4, 5};
        r.node->m_indices.SetVals(2, start);
        r.Forget();
        std::istringstream in(c.text);
        r.node->m_indices.ReadFromStream(in, true);
        EXPECT_TRUE(in.fail()) << c.why << ": the failure shows in the stream";
        EXPECT_EQ(r.node->m_indices.GetValues(), (std::vector<int>{4, 5})) << c.why;
        EXPECT_EQ(r.doc.m_records.size(), 0u) << c.why;
        EXPECT_EQ(r.node->m_changes, 0) << c.why;
    }
}

TEST_F(SgVecFieldTest, MalformedVectorAndStringTextsFail)
{
    SgVFVec3 points(Vec3(1, 1, 1), nullptr);
    SgVFStr names(std::string("kept"), nullptr);
    struct Case {
        SgField *field;
        const char *text;
        const char *why;
    } cases[] = {
        {&points, "[(1,2,3) (4,5]", "tuple without its )"},
        {&points, "[(1,2,3)", "list without its ]"},
        {&names, "[\"abc , \"def\"]", "quote closed by the next element's quote, then def is no element end"},
        {&names, "[\"abc", "quote that never closes"},
    };
    for (const Case &c : cases) {
        std::istringstream in(c.text);
        c.field->ReadFromStream(in, false);
        EXPECT_TRUE(in.fail()) << c.why;
    }
    EXPECT_EQ(points.GetValues(), std::vector<Vec3>{Vec3(1, 1, 1)});
    EXPECT_EQ(names.GetValues(), std::vector<std::string>{"kept"});
}

TEST_F(SgVecFieldTest, VectorAndColourArraysReadTheirTuples)
{
    SgVFVec3 points;
    std::istringstream vin("[(0,0,0) (1,2.5,-3)]");
    points.ReadFromStream(vin, false);
    EXPECT_EQ(points.GetValues(), (std::vector<Vec3>{Vec3(0, 0, 0), Vec3(1, 2.5, -3)}));
    EXPECT_EQ(Written(points), "[(0,0,0) , (1,2.5,-3)]");

    SgVFColor colors;
    std::istringstream cin("[(1,0,0,0.5) (0,1,0)]");
    colors.ReadFromStream(cin, false);
    ASSERT_EQ(colors.GetCount(), 2);
    EXPECT_EQ(colors.GetValue(0), Color(1, 0, 0, 0.5));
    EXPECT_EQ(colors.GetValue(1), Color(0, 1, 0, 0.5)) << "a colour without alpha takes the alpha before it";
    EXPECT_EQ(Written(colors), "[(1,0,0,0.5) , (0,1,0,0.5)]");
}

TEST_F(SgVecFieldTest, StringArraysRoundTripQuoted)
{
    struct Case {
        std::vector<std::string> values;
        const char *written;
    } cases[] = {
        {{"a", "b c", ""}, "[\"a\" , \"b c\" , \"\"]"},
        {{"comma, and ]"}, "[\"comma, and ]\"]"},
        {{}, "[]"},
    };
    for (const Case &c : cases) {
        SgVFStr field, back(std::string("old"), nullptr);
        field.SetVals(static_cast<int>(c.values.size()), c.values.data());
        const std::string text = Written(field);
        EXPECT_EQ(text, c.written);
        std::istringstream in(text);
        back.ReadFromStream(in, false);
        EXPECT_EQ(back.GetValues(), c.values) << "read back from " << text;
    }
}

TEST_F(SgVecFieldTest, TextThatCannotReadBackIsRefusedBeforeAnythingIsWritten)
{
    SgVFStr names;
    names.AddVal1("fine");
    names.AddVal1("say \"hi\"");
    std::ostringstream out;
    EXPECT_THROW(names.WriteToStream(out, 0, -1), SgError);
    EXPECT_EQ(out.str(), "");

    SgRef<TestShape> shape = new TestShape;
    SgVFNodePtr refs;
    refs.AddVal1(NodePtr(shape.get()));
    EXPECT_THROW(refs.WriteToStream(out, 0, -1), SgError) << "node elements have no text";
    EXPECT_EQ(out.str(), "");
    refs.RemoveAll();
    EXPECT_EQ(Written(refs), "[]");
}

TEST_F(SgVecFieldTest, NodePointerArraysReadOnlyEmptyLists)
{
    SgRef<TestShape> shape = new TestShape;
    struct Case {
        const char *text;
        bool ok;
    } cases[] = {
        {"[]", true},
        {"[ , # nothing\n ]", true},
        {"[Shape]", false},
        {"Shape", false},
        {"[", false},
    };
    for (const Case &c : cases) {
        SgVFNodePtr refs(NodePtr(shape.get()), nullptr);
        std::istringstream in(c.text);
        refs.ReadFromStream(in, false);
        EXPECT_EQ(!in.fail(), c.ok) << c.text;
        EXPECT_EQ(refs.GetCount(), c.ok ? 0 : 1) << c.text << ": a refused text keeps the node";
    }
}

TEST_F(SgVecFieldTest, FunctionArraysRoundTripByClassName)
{
    struct Case {
        const char *text;
        std::vector<bool> present;
        const char *written;
    } cases[] = {
        {"[SinFunc , SinFunc]", {true, true}, "[SinFunc , SinFunc]"},
        {"[SinFunc,SinFunc]", {true, true}, "[SinFunc , SinFunc]"},
        {"[SinFunc , NoSuchFunc , SinFunc]", {true, false, true}, "[SinFunc , NULL , SinFunc]"},
        {"[NULL SinFunc]", {false, true}, "[NULL , SinFunc]"},
    };
    for (const Case &c : cases) {
        SgVFR1FuncRef curves;
        std::istringstream in(c.text);
        curves.ReadFromStream(in, false);
        ASSERT_FALSE(in.fail()) << c.text;
        ASSERT_EQ(curves.GetCount(), static_cast<int>(c.present.size())) << c.text;
        for (int i = 0; i < curves.GetCount(); ++i) {
            const R1Func *f = curves.GetValue(i).get();
            EXPECT_EQ(f != nullptr, c.present[i]) << c.text << " element " << i;
            if (f) {
                EXPECT_STREQ(f->GetClassName(), "SinFunc");
            }
        }
        if (curves.GetCount() == 2 && c.present[0] && c.present[1]) {
            EXPECT_NE(curves.GetValue(0).get(), curves.GetValue(1).get()) << "each element is a new object";
        }
        EXPECT_EQ(Written(curves), c.written);
    }
}

TEST_F(SgVecFieldTest, RangeWritesFollowTheArraysLastIndex)
{
    const int values[] = {1, 2, 3};
    SgVFInt field;
    field.SetVals(3, values);
    struct Case {
        int first, last;
        const char *written;
    } cases[] = {
        {0, -1, "[1 , 2 , 3]"}, {0, 2, "[1 , 2 , 3]"}, {1, 1, "2 , "},
        {2, 2, "3"},           {1, 2, "2 , 3"},       {2, 1, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Written(field, c.first, c.last), c.written) << c.first << ".." << c.last;

    for (auto [first, last] : {std::pair{0, 3}, std::pair{-1, 1}}) {
        std::ostringstream out;
        EXPECT_THROW(field.WriteToStream(out, first, last), SgInvalidArgument) << first << ".." << last;
        EXPECT_EQ(out.str(), "") << "nothing of a refused range is written";
    }
}

TEST_F(SgVecFieldTest, UndoOfAReadRestoresTheOldArray)
{
    RecordedNode r;
    const int old[] = {9, 8};
    r.node->m_indices.SetVals(2, old);
    r.Forget();

    std::istringstream in("[1,2,3]");
    r.node->m_indices.ReadFromStream(in, true);
    EXPECT_EQ(r.node->m_indices.GetValues(), (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(r.doc.m_records.size(), 1u) << "one record for the whole read";
    EXPECT_EQ(r.node->m_changes, 1) << "one notice for the whole read";

    r.doc.m_records[0]->Undo();
    EXPECT_EQ(r.node->m_indices.GetValues(), (std::vector<int>{9, 8}));
    r.doc.m_records[0]->Redo();
    EXPECT_EQ(r.node->m_indices.GetValues(), (std::vector<int>{1, 2, 3}));

    r.Forget();
    std::istringstream quiet("[4]");
    r.node->m_indices.ReadFromStream(quiet, false);
    EXPECT_EQ(r.doc.m_records.size(), 0u) << "a read without undo records nothing";
    EXPECT_EQ(r.node->m_changes, 1);
}

TEST_F(SgVecFieldTest, EachEditIsOneRecordOneNoticeAndOneInvalidation)
{
    std::vector<int> thousand(1000);
    for (int i = 0; i < 1000; ++i)
        thousand[i] = i;
    struct Case {
        const char *name;
        std::function<void(SgVFInt &)> edit;
        std::vector<int> after; // empty with `count` for the long results
        int count;
    } cases[] = {
        {"AddVals", [&](SgVFInt &f) { f.AddVals(1000, thousand.data()); }, {}, 1005},
        {"SetVals", [&](SgVFInt &f) { f.SetVals(1000, thousand.data()); }, {}, 1000},
        {"RemoveAll", [](SgVFInt &f) { f.RemoveAll(); }, {}, 0},
        {"DeleteValues", [](SgVFInt &f) { f.DeleteValues(2, 3); }, {0, 1}, 2},
        {"AddVal", [](SgVFInt &f) { f.AddVal(7); }, {0, 1, 2, 3, 4, 7}, 6},
        {"SetValue", [](SgVFInt &f) { f.SetValue(1, 7); }, {0, 7, 2, 3, 4}, 5},
        {"InsertVal", [](SgVFInt &f) { f.InsertVal(1, 7); }, {0, 7, 1, 2, 3, 4}, 6},
        {"Delete", [](SgVFInt &f) { f.Delete(0); }, {1, 2, 3, 4}, 4},
        {"operator=", [](SgVFInt &f) { f = SgVFInt(3, nullptr); }, {3}, 1},
        {"SetValuePtr whole", [](SgVFInt &f) {
             const std::vector<int> v{5, 6};
             f.SetValuePtr(&v, -1, true, false);
         }, {5, 6}, 2},
        {"SetValuePtr element", [](SgVFInt &f) {
             const int v = 8;
             f.SetValuePtr(&v, 6, true, false);
         }, {0, 1, 2, 3, 4, 0, 8}, 7},
        {"Interpolate", [](SgVFInt &f) {
             SgVFInt a, b;
             const int av[] = {0, 0, 0, 0, 0}, bv[] = {2, 4, 6, 8, 10};
             a.SetVals(5, av);
             b.SetVals(5, bv);
             f.Interpolate(&a, &b, 0.5, &f);
         }, {1, 2, 3, 4, 5}, 5},
    };
    for (const Case &c : cases) {
        RecordedNode r;
        const int start[] = {0, 1, 2, 3, 4};
        r.node->m_indices.SetVals(5, start);
        Probe probe;
        static_cast<DxOutBase &>(r.node->m_indices).Connect(probe.m_input);
        probe.m_input.GetData(); // a read validates the field's output
        const std::vector<int> before = r.node->m_indices.GetValues();
        r.Forget();

        c.edit(r.node->m_indices);

        EXPECT_EQ(r.node->m_indices.GetCount(), c.count) << c.name;
        if (!c.after.empty()) {
            EXPECT_EQ(r.node->m_indices.GetValues(), c.after) << c.name;
        }
        ASSERT_EQ(r.doc.m_records.size(), 1u) << c.name << " makes one undo record";
        EXPECT_EQ(r.node->m_changes, 1) << c.name << " sends one notice";
        EXPECT_EQ(probe.m_pushes, 1) << c.name << " invalidates downstream once";
        r.doc.m_records[0]->Undo();
        EXPECT_EQ(r.node->m_indices.GetValues(), before) << "undo of " << c.name;
    }
}

// An edit of a few elements of a long array is recorded as those elements:
// undo and redo give back exactly the arrays before and after, and what the
// record holds grows with the edit, not with the array.
TEST_F(SgVecFieldTest, ElementEditsOfALongArrayRecordOnlyWhatChanged)
{
    constexpr int kLong = 10000;
    const Vec3 v(-1, -2, -3);
    const Vec3 three[] = {v, v, v};
    struct Case {
        const char *name;
        std::function<void(SgVFVec3 &)> edit;
        int changed; // elements added, removed or replaced
    } cases[] = {
        {"SetValue", [&](SgVFVec3 &f) { f.SetValue(5000, v); }, 1},
        {"SetValue of the last", [&](SgVFVec3 &f) { f.SetValue(kLong - 1, v); }, 1},
        {"SetValue past the end", [&](SgVFVec3 &f) { f.SetValue(kLong + 4, v); }, 5},
        {"SetValuePtr element", [&](SgVFVec3 &f) { f.SetValuePtr(&v, 42, true, false); }, 1},
        {"SetValuePtr element 0", [&](SgVFVec3 &f) { f.SetValuePtr(&v, -2, true, false); }, 1},
        {"AddVal", [&](SgVFVec3 &f) { f.AddVal(v); }, 1},
        {"AddVals", [&](SgVFVec3 &f) { f.AddVals(3, three); }, 3},
        {"InsertVal at the front", [&](SgVFVec3 &f) { f.InsertVal(0, v); }, 1},
        {"InsertVal in the middle", [&](SgVFVec3 &f) { f.InsertVal(777, v); }, 1},
        {"InsertVal at the end", [&](SgVFVec3 &f) { f.InsertVal(kLong, v); }, 1},
        {"InsertVal past the end", [&](SgVFVec3 &f) { f.InsertVal(kLong + 2, v); }, 3},
        {"Delete the first", [](SgVFVec3 &f) { f.Delete(0); }, 1},
        {"DeleteElement the last", [](SgVFVec3 &f) { f.DeleteElement(kLong - 1); }, 1},
        {"DeleteValues", [](SgVFVec3 &f) { f.DeleteValues(100, 3); }, 3},
        {"ReadElementFromStream", [](SgVFVec3 &f) {
             std::istringstream in("(4, 5, 6)");
             f.ReadElementFromStream(in, 10, true, false);
         }, 1},
        {"ReadElementFromStream inserting", [](SgVFVec3 &f) {
             std::istringstream in("(4, 5, 6)");
             f.ReadElementFromStream(in, 10, true, true);
         }, 1},
    };
    std::vector<Vec3> start(kLong);
    for (int i = 0; i < kLong; ++i)
        start[i] = Vec3(i, i + 0.5, -i);
    for (const Case &c : cases) {
        RecordedNode r;
        SgVFVec3 &f = r.node->m_points;
        f.SetVals(kLong, start.data());
        r.Forget();

        c.edit(f);
        const std::vector<Vec3> after = f.GetValues();
        ASSERT_EQ(r.doc.m_records.size(), 1u) << c.name << " makes one undo record";
        SgUndoInfo &record = *r.doc.m_records[0];
        // Before and after of each changed element, and a little for the record's own bookkeeping.
        EXPECT_LE(record.GetHeldBytes(), 2 * c.changed * sizeof(Vec3) + 256)
            << c.name << " recorded more than what changed";

        record.Undo();
        EXPECT_TRUE(f.GetValues() == start) << "undo of " << c.name;
        record.Redo();
        EXPECT_TRUE(f.GetValues() == after) << "redo of " << c.name;
        record.Undo();
        EXPECT_TRUE(f.GetValues() == start) << "second undo of " << c.name;
        EXPECT_EQ(r.doc.m_records.size(), 1u) << "replaying " << c.name << " recorded again";
    }
}

// A recorded element change replayed on an array that quiet edits have cut
// below the changed place is refused with a report; nothing is touched.
TEST_F(SgVecFieldTest, ElementChangeReplayedOnAShorterArrayIsRefused)
{
    RecordedNode r;
    SgVFInt &f = r.node->m_indices;
    const int values[] = {0, 1, 2, 3, 4, 5, 6, 7};
    f.SetVals(8, values);
    r.Forget();
    f.SetValue(6, 60);
    f.Delete(7);
    ASSERT_EQ(r.doc.m_records.size(), 2u);
    f.SetCount(3); // quiet: recorded nowhere

    SgDiagCapture diagnostics;
    r.doc.m_records[1]->Undo();
    r.doc.m_records[0]->Undo();
    r.doc.m_records[0]->Redo();
    EXPECT_EQ(f.GetValues(), (std::vector<int>{0, 1, 2})) << "no replay reached past the array";
    EXPECT_EQ(diagnostics.Count(), 3) << diagnostics.GetText();
    EXPECT_TRUE(diagnostics.Contains("undo")) << diagnostics.GetText();
}

// Whole-array changes still record the whole array before and after.
TEST_F(SgVecFieldTest, WholeArrayChangesRecordBothArrays)
{
    RecordedNode r;
    const int old[] = {1, 2, 3, 4};
    r.node->m_indices.SetVals(4, old);
    r.Forget();
    const int fresh[] = {5, 6};
    r.node->m_indices.SetVals(2, fresh);
    ASSERT_EQ(r.doc.m_records.size(), 1u);
    EXPECT_GE(r.doc.m_records[0]->GetHeldBytes(), 6 * sizeof(int)) << "both arrays are held";
    r.doc.m_records[0]->Undo();
    EXPECT_EQ(r.node->m_indices.GetValues(), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(SgVecFieldTest, QuietEditsNeitherRecordNorNotify)
{
    RecordedNode r;
    SgVFInt &f = r.node->m_indices;
    f.AddVal1(1);
    f.SetSize(4);
    f.SetCount(2);
    const int v = 5;
    f.SetValuePtr(&v, -2, false, true);
    f.SetValuePtr(&v, 3, false, true);
    EXPECT_EQ(f.GetValues(), (std::vector<int>{5, 0, 0, 5}));
    EXPECT_EQ(r.doc.m_records.size(), 0u);
    EXPECT_EQ(r.node->m_changes, 0);
}

TEST_F(SgVecFieldTest, BadIndicesAreRefusedWithoutAnyChange)
{
    struct Case {
        const char *name;
        std::function<void(SgVFInt &)> edit;
    } cases[] = {
        {"GetValue past the end", [](SgVFInt &f) { f.GetValue(3); }},
        {"GetValue negative", [](SgVFInt &f) { f.GetValue(-1); }},
        {"operator[] past the end", [](SgVFInt &f) { f[3]; }},
        {"GetValuePtr past the end", [](SgVFInt &f) { f.GetValuePtr(3, false); }},
        {"Delete past the end", [](SgVFInt &f) { f.Delete(3); }},
        {"DeleteElement negative", [](SgVFInt &f) { f.DeleteElement(-1); }},
        {"SetValue negative", [](SgVFInt &f) { f.SetValue(-1, 1); }},
        {"InsertVal negative", [](SgVFInt &f) { f.InsertVal(-1, 1); }},
        {"SetValuePtr below -2", [](SgVFInt &f) {
             const int v = 1;
             f.SetValuePtr(&v, -3, true, false);
         }},
        {"DeleteValues negative", [](SgVFInt &f) { f.DeleteValues(-1, 2); }},
        {"AddVals negative count", [](SgVFInt &f) { f.AddVals(-1, nullptr); }},
        {"SetVals without values", [](SgVFInt &f) { f.SetVals(2, nullptr); }},
        {"SetSize negative", [](SgVFInt &f) { f.SetSize(-1); }},
        {"SetValue two billion", [](SgVFInt &f) { f.SetValue(2000000000, 1); }},
        {"SetValue INT_MAX", [](SgVFInt &f) { f.SetValue(std::numeric_limits<int>::max(), 1); }},
        {"InsertVal INT_MAX", [](SgVFInt &f) { f.InsertVal(std::numeric_limits<int>::max(), 1); }},
        {"SetValuePtr INT_MAX", [](SgVFInt &f) {
             const int v = 1;
             f.SetValuePtr(&v, std::numeric_limits<int>::max(), true, false);
         }},
        {"SetSize past the limit", [](SgVFInt &f) { f.SetSize(SgVFInt::kMaxCount + 1); }},
        {"ReadElementFromStream at -1", [](SgVFInt &f) {
             std::istringstream in("4");
             f.ReadElementFromStream(in, -1, true, false);
         }},
        {"Interpolate mismatched", [](SgVFInt &f) {
             SgVFInt a(1, nullptr), b;
             f.Interpolate(&a, &b, 0.5, &f);
         }},
    };
    for (const Case &c : cases) {
        RecordedNode r;
        const int start[] = {1, 2, 3};
        r.node->m_indices.SetVals(3, start);
        r.Forget();
        EXPECT_THROW(c.edit(r.node->m_indices), SgInvalidArgument) << c.name;
        EXPECT_EQ(r.node->m_indices.GetValues(), (std::vector<int>{1, 2, 3})) << c.name;
        EXPECT_EQ(r.doc.m_records.size(), 0u) << c.name;
        EXPECT_EQ(r.node->m_changes, 0) << c.name;
    }

    SgVFInt four;
    const int values[] = {1, 2, 3, 4};
    four.SetVals(4, values);
    four.DeleteValues(2, 3);
    EXPECT_EQ(four.GetCount(), 4) << "a range past the end removes nothing";
}

TEST_F(SgVecFieldTest, StoresPastTheEndGrowWithDefaults)
{
    SgVFInt f;
    f.SetValue(5, 9);
    EXPECT_EQ(f.GetValues(), (std::vector<int>{0, 0, 0, 0, 0, 9}));

    SgVFInt g;
    g.InsertVal(2, 9);
    EXPECT_EQ(g.GetValues(), (std::vector<int>{0, 0, 9}));

    struct Case {
        bool insert;
        std::vector<int> after;
    } cases[] = {{true, {1, 9, 2}}, {false, {1, 9}}};
    for (const Case &c : cases) {
        SgVFInt h;
        const int v[] = {1, 2};
        h.SetVals(2, v);
        std::istringstream in("9");
        h.ReadElementFromStream(in, 1, false, c.insert);
        EXPECT_EQ(h.GetValues(), c.after) << (c.insert ? "insert" : "replace");
    }
}

TEST_F(SgVecFieldTest, NodeElementsHoldReferencesAndFathers)
{
    SgRef<TestShape> shape = new TestShape;
    auto fathersFrom = [&](const SgNode *holder) {
        const auto &fathers = shape->GetFatherList();
        return std::count(fathers.begin(), fathers.end(), holder);
    };
    {
        SgRef<VecFieldTestNode> holder = new VecFieldTestNode;
        holder->m_refs.AddVal(NodePtr(shape.get()));
        holder->m_refs.AddVal(NodePtr(shape.get()));
        EXPECT_EQ(shape->GetRefCount(), 3) << "one reference per element";
        EXPECT_EQ(fathersFrom(holder.get()), 2);

        holder->m_refs.Delete(0);
        EXPECT_EQ(shape->GetRefCount(), 2);
        EXPECT_EQ(fathersFrom(holder.get()), 1);

        holder->m_refs.AddVal(NodePtr(shape.get()));
        holder->m_refs.RemoveAll();
        EXPECT_EQ(shape->GetRefCount(), 1) << "emptying releases every element";
        EXPECT_TRUE(shape->GetFatherList().empty());

        holder->m_refs.AddVal(NodePtr(shape.get()));
    }
    EXPECT_EQ(shape->GetRefCount(), 1) << "a destroyed field releases its elements";
    EXPECT_TRUE(shape->GetFatherList().empty()) << "and leaves no father behind";
}

TEST_F(SgVecFieldTest, UndoOfANodeArrayRestoresFathers)
{
    SgRef<TestShape> shape = new TestShape;
    {
        RecordedNode r;
        r.node->m_refs.AddVal(NodePtr(shape.get()));
        r.Forget();
        r.node->m_refs.RemoveAll();
        EXPECT_TRUE(shape->GetFatherList().empty());
        ASSERT_EQ(r.doc.m_records.size(), 1u);
        r.doc.m_records[0]->Undo();
        ASSERT_EQ(r.node->m_refs.GetCount(), 1);
        EXPECT_EQ(r.node->m_refs.GetValue(0).get(), shape.get());
        EXPECT_EQ(shape->GetFatherList(), std::vector<SgNode *>{r.node.get()});
    }
    EXPECT_EQ(shape->GetRefCount(), 1) << "neither the field nor the records keep a reference";
    EXPECT_TRUE(shape->GetFatherList().empty());
}

TEST_F(SgVecFieldTest, CompareNeedsEqualCountsAndElements)
{
    SgVFInt empty1, empty2, prefix(1, nullptr), longer;
    const int v[] = {1, 2};
    longer.SetVals(2, v);
    EXPECT_TRUE(empty1.Compare(&empty1, &empty2));
    EXPECT_FALSE(empty1.Compare(&prefix, &longer)) << "a prefix is not equal";
    SgVFInt same;
    same.SetVals(2, v);
    EXPECT_TRUE(empty1.Compare(&same, &longer));
    SgVFFloat other;
    EXPECT_FALSE(empty1.Compare(&empty1, &other)) << "arrays of another type are never equal";
}

TEST_F(SgVecFieldTest, ArrayClassesRegisterAfterTheirSingleValueClass)
{
    const char *const order[] = {
        "SgField",       "SgFInt",        "SgVFInt",       "SgFFloat",     "SgVFFloat",
        "SgFDouble",     "SgVFDouble",    "SgFVec2",       "SgVFVec2",     "SgFVec3",
        "SgVFVec3",      "SgFVec2f",      "SgVFVec2f",     "SgFVec4",      "SgVFVec4",
        "SgFColor",      "SgVFColor",     "SgFRotation",   "SgVFRotation", "SgFImage",
        "SgVFImage",     "SgFStr",        "SgVFStr",       "SgFUShort",    "SgVFUShort",
        "SgFVec3f",      "SgVFVec3f",     "SgFNodePtr",    "SgVFNodePtr",  "SgFR1FuncRef",
        "SgVFR1FuncRef", "SgFR2FuncRef",  "SgVFR2FuncRef", "SgFR3FuncRef", "SgVFR3FuncRef",
    };
    const int base = SgField::ClassOffset();
    for (int i = 0; i < static_cast<int>(std::size(order)); ++i) {
        const char *name = SgField::ClassName(base + i);
        ASSERT_NE(name, nullptr) << "slot " << i;
        EXPECT_STREQ(name, order[i]) << "slot " << i;
    }
    EXPECT_EQ(SgField::GetClassIDFromName("SgVFVec3"), SgVFVec3::ClassID());
    SgField *created = SgField::Create(SgVFColor::ClassID());
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(created->IsVector());
    EXPECT_STREQ(created->GetClassName(), "SgVFColor");
    EXPECT_EQ(created->GetContainer(), nullptr);
    SgField::Destroy(created);
}

TEST_F(SgVecFieldTest, ADrivenArrayTakesTheSourceValuesQuietly)
{
    RecordedNode r;
    ArraySource source;
    source.m_values = {5, 6, 7, 8, 9};
    DxOutBase &first = r.node->m_indices;
    EXPECT_TRUE(r.node->IsConnected()) << "creating the module marks the container";
    r.node->SetConnected(false);
    DxOutBase &second = r.node->m_indices;
    EXPECT_EQ(&first, &second) << "one module per field";
    EXPECT_FALSE(r.node->IsConnected()) << "only the creation marks the container";

    source.m_output.Connect(static_cast<DxInBase &>(r.node->m_indices));
    EXPECT_EQ(r.node->m_indices.GetModuleSource(), &source.m_output);
    r.Forget();
    EXPECT_EQ(r.node->m_indices[4], 9);
    EXPECT_EQ(r.node->m_indices.GetCount(), 5);
    EXPECT_EQ(Written(r.node->m_indices), "[5 , 6 , 7 , 8 , 9]");
    EXPECT_EQ(r.doc.m_records.size(), 0u) << "evaluation records nothing";
    EXPECT_EQ(r.node->m_changes, 0) << "and sends no notice";

    source.m_values = {1};
    source.m_output.Invalidate();
    EXPECT_EQ(r.node->m_indices.GetValue(0, false), 5) << "without evaluation nothing is pulled";
    EXPECT_EQ(r.node->m_indices.GetValues(), std::vector<int>{1});
}

// Reading a driven array element by element copies the source once per
// change of the source, not once per element.
TEST_F(SgVecFieldTest, ADrivenArrayIsCopiedOnlyWhenTheSourceChanged)
{
    // Every copy into the field reads the source's data once: the reads
    // count the copies.
    struct CountingOutput : DxOutput<int> {
        using DxOutput<int>::DxOutput;
        void *GetData() override
        {
            ++m_reads;
            return DxOutput<int>::GetData();
        }
        int m_reads = 0;
    };
    struct CountingSource : DxModule {
        CountingSource() { m_output.SetValuesArray(&m_values); }
        void Evaluate() override
        {
            ++m_evaluations;
            m_output.Validate();
        }
        CountingOutput m_output{this};
        std::vector<int> m_values;
        int m_evaluations = 0;
    } source;
    source.m_values.assign(30000, 4);
    SgVFInt driven;
    source.m_output.Connect(static_cast<DxInBase &>(driven));
    long long sum = 0;
    for (int i = 0; i < driven.GetCount() || i == 0; ++i)
        sum += driven.GetValue(i);
    EXPECT_EQ(sum, 4 * 30000LL);
    EXPECT_EQ(source.m_evaluations, 1);
    EXPECT_LE(source.m_output.m_reads, 2) << "30,000 reads of elements copy the array once, not each time";

    source.m_values.assign(3, 5);
    source.m_output.Invalidate();
    const int readsBefore = source.m_output.m_reads;
    EXPECT_EQ(driven.GetValue(2), 5) << "a change of the source is pulled";
    EXPECT_EQ(driven.GetCount(), 3);
    EXPECT_EQ(driven.GetValue(0), 5);
    EXPECT_EQ(source.m_evaluations, 2);
    EXPECT_LE(source.m_output.m_reads - readsBefore, 2) << "one copy for the change";
}

TEST_F(SgVecFieldTest, ArrayDrivenByASingleValueBecomesOneElement)
{
    SgRef<VecFieldTestNode> node = new VecFieldTestNode;
    const int start[] = {1, 2, 3};
    node->m_indices.SetVals(3, start);
    SgFInt source;
    source = 42;
    static_cast<DxOutBase &>(source).Connect(static_cast<DxInBase &>(node->m_indices));
    EXPECT_EQ(node->m_indices.GetValues(), std::vector<int>{42});
    source = 43;
    EXPECT_EQ(node->m_indices.GetValues(), std::vector<int>{43}) << "a change upstream is pulled again";
}

TEST_F(SgVecFieldTest, CopyTakesWholeArraysWhateverTheirLength)
{
    SgRef<VecFieldTestNode> node = new VecFieldTestNode;
    const int one[] = {7};
    node->m_indices.SetVals(1, one);
    const Vec3 three[] = {Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1)};
    node->m_points.SetVals(3, three);
    SgRef<SgNode> copy = node->Copy();
    auto *typed = dynamic_cast<VecFieldTestNode *>(copy.get());
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(typed->m_indices.GetValues(), std::vector<int>{7});
    EXPECT_EQ(typed->m_points.GetValues(), node->m_points.GetValues());
    EXPECT_EQ(typed->m_colors.GetCount(), 0);
}

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>

#include "engine/core/SgVecField.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/core/TestNodes.h"

namespace {

template <class F>
std::string WriteField(F &field)
{
    std::ostringstream out;
    field.WriteToStream(out);
    return out.str();
}

template <class F>
bool ReadField(F &field, const std::string &text)
{
    std::istringstream in(text);
    field.ReadFromStream(in, false);
    return !in.fail();
}

} // namespace

class SgTFieldTest : public ::testing::Test {
protected:
    void SetUp() override { InitTestClasses(); }
};

TEST_F(SgTFieldTest, Vec3ReadByFieldNameWritesWithoutBlanks)
{
    SgRef<TestShape> shape = new TestShape;
    SgField *field = shape->GetFieldAddressByName("TRANSLATION");
    ASSERT_NE(field, nullptr);
    std::istringstream in("(1, 2.5, -3)");
    field->ReadFromStream(in, false);
    EXPECT_EQ(shape->m_translation.Get(false), Vec3(1, 2.5, -3));
    std::ostringstream out;
    field->WriteToStream(out);
    EXPECT_EQ(out.str(), "(1,2.5,-3)");
}

TEST_F(SgTFieldTest, TextFormsWriteAsTheSystemShowsThem)
{
    SgFDouble d;
    SgFRotation r;
    SgFColor c;
    struct Case {
        const char *text;
        SgField *field;
        const char *written;
    } cases[] = {
        {"0.1", &d, "0.1"},
        {"2500000", &d, "2.5e+06"},
        {"1.5708", &d, "1.5708"},
        {"(0,1,0) 1.5708", &r, "(0,1,0) 1.5708"},
        {"(1,0,0)", &c, "(1,0,0,1)"},
        {"(1 0 0 0.5)", &c, "(1,0,0,0.5)"},
    };
    for (const Case &k : cases) {
        std::istringstream in(k.text);
        k.field->ReadFromStream(in, false);
        std::ostringstream out;
        k.field->WriteToStream(out);
        EXPECT_EQ(out.str(), k.written) << "read from " << k.text;
    }
}

TEST_F(SgTFieldTest, DoublesSurviveWriteThenReadExactly)
{
    for (double value : {1234.5678, std::numbers::pi, std::numbers::pi / 2, 1e-300, -0.1, 1.0 / 3.0}) {
        SgFDouble a, b;
        a = value;
        const std::string text = WriteField(a);
        ASSERT_TRUE(ReadField(b, text)) << text;
        EXPECT_EQ(b.Get(false), value) << "written as " << text;
    }
    SgFDouble halfPi;
    halfPi = std::numbers::pi / 2;
    EXPECT_EQ(WriteField(halfPi), "1.5707963267948966");
}

TEST_F(SgTFieldTest, FloatsAndFloatVectorsSurviveWriteThenRead)
{
    SgFFloat a, b;
    a = 0.1f + 1e-7f;
    ASSERT_TRUE(ReadField(b, WriteField(a)));
    EXPECT_EQ(b.Get(false), a.Get(false));

    SgFColor c1, c2;
    c1 = Color(0.123456789, 1.0 / 3.0, 0.7, 0.25);
    ASSERT_TRUE(ReadField(c2, WriteField(c1)));
    EXPECT_EQ(c2.Get(false), c1.Get(false)) << WriteField(c1);
}

TEST_F(SgTFieldTest, ColourReadFromThreeNumbersGetsAlphaOne)
{
    SgFColor c;
    c = Color(0, 0, 0, 0.25);
    ASSERT_TRUE(ReadField(c, "(1,0,0)"));
    EXPECT_EQ(c.Get(false), Color(1, 0, 0, 1));
}

TEST_F(SgTFieldTest, FailedReadLeavesTheFieldAsItWas)
{
    SgFVec3 v;
    v = Vec3(7, 8, 9);
    SgFInt i;
    i = 5;
    SgFStr s;
    s = std::string("kept");
    struct Case {
        SgField *field;
        const char *text;
    } cases[] = {
        {&v, "(1, 2, 3"}, {&v, "(1, x, 3)"}, {&v, ""}, {&i, "abc"}, {&i, ""}, {&s, "\"never closed"},
    };
    for (const Case &k : cases) {
        std::istringstream in(k.text);
        k.field->ReadFromStream(in, false);
        EXPECT_TRUE(in.fail()) << "reading \"" << k.text << "\" should fail";
    }
    EXPECT_EQ(v.Get(false), Vec3(7, 8, 9));
    EXPECT_EQ(i.Get(false), 5);
    EXPECT_EQ(s.Get(false), "kept");
}

TEST_F(SgTFieldTest, StringsReadQuotedOrToTheLineEnd)
{
    SgFStr s;
    std::istringstream quoted("  \"Arial Bold\" rest of line\nnext");
    s.ReadFromStream(quoted, false);
    EXPECT_EQ(s.Get(false), "Arial Bold");
    std::string rest;
    std::getline(quoted, rest);
    EXPECT_EQ(rest, " rest of line");

    std::istringstream bare("Arial Bold rest of line\r\nnext");
    s.ReadFromStream(bare, false);
    EXPECT_EQ(s.Get(false), "Arial Bold rest of line");
    std::getline(bare, rest);
    EXPECT_EQ(rest, "next");

    std::istringstream unclosed("\"never closed");
    s.ReadFromStream(unclosed, false);
    EXPECT_TRUE(unclosed.fail());
    EXPECT_EQ(s.Get(false), "Arial Bold rest of line");
}

// Whatever a string field writes reads back, in field text and in scene text alike.
TEST_F(SgTFieldTest, EveryStringReadsBackFromItsOwnText)
{
    const std::string texts[] = {std::string(5000, 'a'), "two\nlines", "", "  leading blanks",
                                 "\"quoted\" start", "say \"hi\"", "tab\tinside", "ends in cr\r"};
    for (const std::string &text : texts) {
        SgFStr written;
        written = text;
        SgFStr read;
        read = std::string("old");
        std::istringstream in(WriteField(written) + "\nnext");
        read.ReadFromStream(in, false);
        EXPECT_FALSE(in.fail()) << "text: " << text;
        EXPECT_EQ(read.Get(false), text);
        std::string rest;
        std::getline(in >> std::ws, rest);
        EXPECT_EQ(rest, "next") << "text: " << text;
    }
}

TEST_F(SgTFieldTest, SettingTheSameValueRecordsAndNotifiesNothing)
{
    RecordingDocument document;
    SgRef<TestShape> shape = new TestShape;
    shape->SetDocument(&document);
    shape->m_count = 3;
    document.m_records.clear();
    shape->m_changes = 0;

    shape->m_count = 3;
    EXPECT_EQ(document.m_records.size(), 0u);
    EXPECT_EQ(shape->m_changes, 0);

    shape->m_count = 4;
    ASSERT_EQ(document.m_records.size(), 1u);
    EXPECT_EQ(shape->m_changes, 1);

    // Index -2 stores without the no-change test.
    const int same = 4;
    shape->m_count.SetValuePtr(&same, -2, true, false);
    EXPECT_EQ(document.m_records.size(), 2u);
    EXPECT_EQ(shape->m_changes, 2);
}

TEST_F(SgTFieldTest, UndoRecordRestoresTheOldValueAndRedoTheNew)
{
    RecordingDocument document;
    SgRef<TestShape> shape = new TestShape;
    shape->SetDocument(&document);
    shape->m_translation = Vec3(1, 2, 3);
    document.m_records.clear();
    shape->m_translation = Vec3(4, 5, 6);
    ASSERT_EQ(document.m_records.size(), 1u);
    SgUndoInfo &record = *document.m_records[0];
    document.SetUndoRecording(false);
    record.Undo();
    EXPECT_EQ(shape->m_translation.Get(false), Vec3(1, 2, 3));
    record.Redo();
    EXPECT_EQ(shape->m_translation.Get(false), Vec3(4, 5, 6));
}

TEST_F(SgTFieldTest, NoUndoWithoutARecordingDocument)
{
    RecordingDocument document;
    SgRef<TestShape> shape = new TestShape;
    shape->m_count = 1; // no document yet
    shape->SetDocument(&document);
    shape->DisableUndo();
    shape->m_count = 2;
    shape->EnableUndo();
    document.SetUndoRecording(false);
    shape->m_count = 3;
    EXPECT_EQ(document.m_records.size(), 0u);
}

TEST_F(SgTFieldTest, ColourChangeOfAlphaAloneIsAChange)
{
    SgRef<TestShape> shape = new TestShape;
    shape->m_color = Color(1, 0, 0, 1);
    shape->m_changes = 0;
    shape->m_color = Color(1, 0, 0, 0.5);
    EXPECT_EQ(shape->m_changes, 1);
    EXPECT_FLOAT_EQ(shape->m_color.Get(false).a, 0.5f);
}

TEST_F(SgTFieldTest, QuietAndIgnoredWritesDoNotNotify)
{
    RecordingDocument document;
    SgRef<TestShape> shape = new TestShape;
    shape->SetDocument(&document);
    shape->m_changes = 0;
    document.m_sceneUpdates = 0;

    const int five = 5;
    shape->m_count.SetValuePtr(&five, -1, false, true);
    EXPECT_EQ(shape->m_changes, 0);
    EXPECT_EQ(document.m_sceneUpdates, 2) << "a quiet write still updates the scene manager";

    shape->m_count.SetIgnored(true);
    shape->m_count = 6;
    EXPECT_EQ(shape->m_changes, 0);
    shape->m_count.SetIgnored(false);
    shape->m_count.SetOutputOnly(true);
    shape->m_count = 7;
    EXPECT_EQ(shape->m_changes, 0);
    shape->m_count.SetOutputOnly(false);
    shape->m_count = 8;
    EXPECT_EQ(shape->m_changes, 1);
}

TEST_F(SgTFieldTest, InterpolationFollowsEachTypesRule)
{
    SgFInt ia, ib, ir;
    ia = 0;
    ib = 3;
    ir.Interpolate(&ia, &ib, 0.5, &ir);
    EXPECT_EQ(ir.Get(false), 1);
    ia = -3;
    ib = 0;
    ir.Interpolate(&ia, &ib, 0.5, &ir);
    EXPECT_EQ(ir.Get(false), -1);
    ia = 2000000000;
    ib = 2100000000;
    ir.Interpolate(&ia, &ib, 30.0, &ir);
    EXPECT_EQ(ir.Get(false), std::numeric_limits<int>::max()) << "saturates rather than overflowing";

    SgFStr sa, sb, sr;
    sa = std::string("first");
    sb = std::string("second");
    sr.Interpolate(&sa, &sb, 0.5, &sr);
    EXPECT_EQ(sr.Get(false), "second");
    sr.Interpolate(&sa, &sb, 0.49, &sr);
    EXPECT_EQ(sr.Get(false), "first");

    SgFColor ca, cb, cr;
    ca = Color(0, 0, 0, 0);
    cb = Color(1, 1, 1, 1);
    cr.Interpolate(&ca, &cb, 0.25, &cr);
    EXPECT_FLOAT_EQ(cr.Get(false).a, 0.25f) << "alpha is interpolated like the other components";

    SgFRotation ra, rb, rr;
    ra = Rotation(Vec3(0, 1, 0), 1.0);
    rb = Rotation(Vec3(0, -1, 0), 1.0);
    rr.Interpolate(&ra, &rb, 0.5, &rr);
    EXPECT_EQ(rr.Get(false).GetAxis(), Vec3(0, 0, 0)) << "a zero axis stays unnormalised";
}

TEST_F(SgTFieldTest, CompareUsesTheEqualityOfTheType)
{
    SgFDouble a, b;
    a = 1.0;
    b = 1.0;
    EXPECT_TRUE(a.Compare(&a, &b));
    a = std::nan("");
    b = std::nan("");
    EXPECT_FALSE(a.Compare(&a, &b)) << "a NaN equals nothing";
    SgFColor c1, c2;
    c1 = Color(1, 0, 0, 1);
    c2 = Color(1, 0, 0, 0.5);
    EXPECT_FALSE(c1.Compare(&c1, &c2));
    SgFInt other;
    EXPECT_FALSE(a.Compare(&a, &other)) << "fields of different types never compare equal";
}

TEST_F(SgTFieldTest, NodePointerFieldHoldsAReferenceAndAFatherLink)
{
    SgRef<TestShape> holder = new TestShape;
    SgRef<TestShape> profile = new TestShape;
    holder->m_profile = NodePtr(profile.get());
    EXPECT_EQ(profile->GetRefCount(), 2);
    ASSERT_EQ(profile->GetFatherList().size(), 1u);
    EXPECT_EQ(profile->GetFirstFather(), holder.get());
    EXPECT_EQ(WriteField(holder->m_profile), "");

    ASSERT_TRUE(ReadField(holder->m_profile, "anything"));
    EXPECT_EQ(holder->m_profile.Get(false).get(), nullptr) << "reading clears a node pointer";
    EXPECT_EQ(profile->GetRefCount(), 1);
    EXPECT_TRUE(profile->GetFatherList().empty());

    holder->m_profile = NodePtr(profile.get());
    holder.reset();
    EXPECT_EQ(profile->GetRefCount(), 1);
    EXPECT_TRUE(profile->GetFatherList().empty()) << "a destroyed holder is no father any more";
}

TEST_F(SgTFieldTest, FunctionReferencesWriteAndReadTheirClassName)
{
    SgRef<TestShape> shape = new TestShape;
    ASSERT_TRUE(ReadField(shape->m_curve, "SinFunc"));
    ASSERT_NE(shape->m_curve.Get(false).get(), nullptr);
    EXPECT_STREQ(shape->m_curve.Get(false)->GetClassName(), "SinFunc");
    EXPECT_EQ(WriteField(shape->m_curve), "SinFunc");

    ASSERT_TRUE(ReadField(shape->m_curve, "NoSuchFunc"));
    EXPECT_EQ(shape->m_curve.Get(false).get(), nullptr);
    EXPECT_EQ(WriteField(shape->m_curve), "");

    ASSERT_TRUE(ReadField(shape->m_curve, "Sin2Func"));
    EXPECT_EQ(shape->m_curve.Get(false).get(), nullptr) << "a 2-vector function does not fit a number field";
}

TEST_F(SgTFieldTest, FieldClassesAreFoundByTheirNames)
{
    EXPECT_EQ(SgField::GetClassIDFromName("SgFVec3"), SgFVec3::ClassID());
    EXPECT_EQ(SgField::GetClassIDFromName("sgfvec3"), 0);
    EXPECT_EQ(SgField::Create(SgField::ClassID()), nullptr);
    std::unique_ptr<SgField> created(SgField::Create(SgFColor::ClassID()));
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->GetContainer(), nullptr);
    EXPECT_EQ(created->GetTypeId(), SgFieldColor);
    EXPECT_EQ(static_cast<SgFColor *>(created.get())->Get(false), Color(0, 0, 0, 1));
}

TEST_F(SgTFieldTest, NumericFieldsCastToDouble)
{
    SgFDouble d;
    d = 2.5;
    SgFFloat f;
    f = 1.5f;
    SgFInt i;
    i = -4;
    SgFUShort u;
    u = 9;
    double out = 42;
    EXPECT_EQ(SgField::CastNumericFieldToDouble(&d, &out), 3);
    EXPECT_EQ(out, 2.5);
    EXPECT_EQ(SgField::CastNumericFieldToDouble(&f, &out), 2);
    EXPECT_EQ(out, 1.5);
    EXPECT_EQ(SgField::CastNumericFieldToDouble(&i, &out), 1);
    EXPECT_EQ(out, -4);
    out = 42;
    EXPECT_EQ(SgField::CastNumericFieldToDouble(&u, &out), 0);
    EXPECT_EQ(out, 42);
}

TEST_F(SgTFieldTest, InterpolationIntoAFieldOfAnotherTypeChangesNothing)
{
    SgFVec3 a, b;
    a = Vec3(0, 0, 0);
    b = Vec3(2, 2, 2);
    SgFStr text;
    text = std::string("kept");
    SgDiagCapture capture;
    a.Interpolate(&a, &b, 0.5, &text);
    EXPECT_EQ(text.Get(false), "kept");
    SgFInt number;
    number = 7;
    a.Interpolate(&a, &b, 0.5, &number);
    EXPECT_EQ(number.Get(false), 7);
    // Arrays behave the same: nothing thrown, nothing changed, said so.
    SgVFInt va, vb;
    const int av[] = {0, 2}, bv[] = {2, 4};
    va.SetVals(2, av);
    vb.SetVals(2, bv);
    EXPECT_NO_THROW(va.Interpolate(&va, &vb, 0.5, &number));
    EXPECT_EQ(number.Get(false), 7);
    EXPECT_EQ(capture.Count("Field"), 3) << capture.GetText();
    EXPECT_TRUE(capture.Contains("the result is left as it is")) << capture.GetText();
}

// A copy of a field stands free of the node the original belongs to.
TEST_F(SgTFieldTest, ACopyOfAFieldRecordsNothingAndLeavesTheOriginalsLinks)
{
    RecordingDocument document;
    SgRef<TestShape> holder = new TestShape;
    SgRef<TestShape> profile = new TestShape;
    holder->SetDocument(&document);
    holder->m_profile = NodePtr(profile.get());
    document.m_records.clear();
    holder->m_changes = 0;
    {
        SgFVec3 copy(holder->m_translation);
        copy = Vec3(7, 8, 9);
        EXPECT_EQ(copy.GetContainer(), nullptr);
        SgFNodePtr pointer(holder->m_profile);
        EXPECT_EQ(pointer.Get(false).get(), profile.get());
    }
    EXPECT_TRUE(document.m_records.empty()) << "a record naming the copy would outlive it";
    EXPECT_EQ(holder->m_changes, 0);
    EXPECT_EQ(holder->m_translation.Get(false), Vec3());
    ASSERT_EQ(profile->GetFatherList().size(), 1u) << "the original still holds the profile";
    EXPECT_EQ(profile->GetFirstFather(), holder.get());
}

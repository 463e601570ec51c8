// The scene reader on hand-written texts: headers, DEF/USE, both dialects,
// connections, and what bad input costs (one message, the bad part only).
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/engine/EngineTestClasses.h"
#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/actions/SgOpenAction.h"
#include "engine/actions/Vrml1Format.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/core/DxInput.h"
#include "engine/core/DxOutput.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/properties/SgInfo.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/core/SgShape.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/Notifier.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/core/TestNodes.h"

namespace {

// A node that claims to be a tool: files may name it but never create it.
class ReaderTestTool : public SgNode {
    SG_CLASS_HEADER(ReaderTestTool, SgFieldMngr)
    bool IsTool() const override { return true; }

protected:
    ~ReaderTestTool() override = default;
};
SG_CLASS_SOURCE(ReaderTestTool, SgNode, SgFieldMngr, "ReaderTestTool")

// An engine with one named input and one output: twice its input. It counts
// its living instances, so that a test sees when the reader's engines go.
class ReaderTestEngine : public SgFieldMngr, public DxModule {
    SG_CLASS_HEADER(ReaderTestEngine, SgFieldMngr)
    ReaderTestEngine()
    {
        AddField(m_input1, "input1");
        ++s_alive;
    }
    void Evaluate() override
    {
        const Vec3 value = m_input1.GetSource() ? m_input1.Get() * 2.0 : Vec3(0, 0, 0);
        m_output.set(&value);
    }
    DxInput1<Vec3> m_input1{this};
    DxOutput<Vec3> m_output{this};

    static inline int s_alive = 0;

protected:
    ~ReaderTestEngine() override { --s_alive; }
};
SG_CLASS_SOURCE(ReaderTestEngine, SgFieldMngr, SgFieldMngr, "ReaderTestEngine")

// A node with one Vec3 field that counts its living instances, so that a
// test sees whether a node written inside a connection outlives it.
class ReaderTestSource : public SgNode {
    SG_CLASS_HEADER(ReaderTestSource, SgFieldMngr)
    ReaderTestSource()
    {
        AddField(m_value, "value");
        ++s_alive;
    }
    SgFVec3 m_value;
    static inline int s_alive = 0;

protected:
    ~ReaderTestSource() override { --s_alive; }
};
SG_CLASS_SOURCE(ReaderTestSource, SgNode, SgFieldMngr, "ReaderTestSource")

void InitReaderTestClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    InitTestClasses();
    ReaderTestTool::InitClass();
    ReaderTestEngine::InitClass();
    ReaderTestSource::InitClass();
}

// What one read gave: the scene under a root separator and the messages.
struct ReadResult {
    bool ok = false;
    SgRef<SgSeparator> root;
    std::vector<Vrml1InStream::Message> messages;
    std::string report; // the messages one per line, for failure output
    std::string stopWord;

    SgNode *Child(int i) const { return root->GetChild(i); }
    int ChildCount() const { return root->GetChildsCount(); }
};

ReadResult ReadText(const std::string &text, const std::vector<int> *layerTable = nullptr)
{
    std::istringstream in(text);
    Vrml1InStream stream(in, "test.kvrx");
    stream.SetNotifyUser(false);
    stream.m_pLayerTable = layerTable;
    ReadResult result;
    result.root = new SgSeparator;
    result.ok = SgOpenAction::ReadScene(stream, *result.root);
    result.messages = stream.GetMessages();
    result.report = stream.FormatMessages();
    result.stopWord = stream.m_szWord;
    return result;
}

const std::string kV1 = "#VRML V1.0 ascii 102\n";
const std::string kV2 = "#VRML V2.0 utf8 102\n";

template <class T>
T *As(SgNode *node)
{
    return dynamic_cast<T *>(node);
}

// How many nodes of the class stand anywhere below `node` (itself included),
// the parts that primitives build for themselves left out.
int CountClass(SgNode *node, const std::string &className)
{
    if (!node)
        return 0;
    int count = className == node->GetClassName() ? 1 : 0;
    if (node->IsGroup() && !node->IsBuiltinMacro()) {
        auto *group = static_cast<SgGroup *>(node);
        for (int i = 0; i < group->GetChildsCount(); ++i)
            count += CountClass(group->GetChild(i), className);
    }
    return count;
}

// Notes every message shown to the user.
class RecordingNotifier : public Notifier {
public:
    int Message(const std::string &text, const std::string &caption, Buttons, Icon) override
    {
        m_shown.push_back(caption + ": " + text);
        return Ok;
    }
    std::vector<std::string> m_shown;
};

} // namespace

void RegisterReaderTestClasses()
{
    InitReaderTestClasses();
}

class SgOpenActionTest : public ::testing::Test {
protected:
    void SetUp() override { InitReaderTestClasses(); }
};

// --- Header ------------------------------------------------------------------------

struct HeaderCase {
    const char *name;
    std::string text;
    bool accepted;
    int dialect;
    int version;
};

class SgOpenActionHeaderTest : public ::testing::TestWithParam<HeaderCase> {
protected:
    void SetUp() override { InitReaderTestClasses(); }
};

TEST_P(SgOpenActionHeaderTest, AcceptsTheHeaderTableAndNothingElse)
{
    const HeaderCase &c = GetParam();
    std::istringstream in(c.text);
    Vrml1InStream stream(in, "scene.kvrx");
    RecordingNotifier notifier;
    Notifier *previous = SetNotifier(&notifier);
    const int answer = SgOpenAction::IsValidFile(stream);
    SetNotifier(previous);
    if (c.accepted) {
        EXPECT_EQ(answer, -1) << "header refused: " << stream.FormatMessages();
        EXPECT_EQ(stream.m_nDialect, c.dialect);
        EXPECT_EQ(stream.m_nVersion, c.version);
        EXPECT_TRUE(notifier.m_shown.empty());
    } else {
        EXPECT_EQ(answer, 0) << "header accepted";
        ASSERT_EQ(notifier.m_shown.size(), 1u);
        EXPECT_EQ(notifier.m_shown[0], "Warning: File: scene.kvrx Not a valid KVRX file!");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, SgOpenActionHeaderTest,
    ::testing::Values(HeaderCase{"Writer", "#VRML V1.0 ascii 102\n", true, 1, 102},
                      HeaderCase{"Utf8NoVersion", "#VRML V1.0 utf8\n", true, 1, 100},
                      HeaderCase{"ZeroVersion", "#VRML V1.0 ascii 0\r\n", true, 1, 100},
                      HeaderCase{"Dialect2AnyThirdWord", "#VRML V2.0 anything\n", true, 2, 100},
                      HeaderCase{"Dialect2Version", "#VRML V2.0 utf8 101\n", true, 2, 101},
                      HeaderCase{"LongThirdWord", "#VRML V2.0 " + std::string(5000, 'x') + " 102\n", true, 2,
                                 102},
                      HeaderCase{"ByteOrderMark", "\xEF\xBB\xBF#VRML V1.0 ascii 102\n", true, 1, 102},
                      HeaderCase{"Binary1", "#VRML V1.0 binary\n", false, 0, 0},
                      HeaderCase{"UnknownDialect", "#VRML V3.0 ascii\n", false, 0, 0},
                      HeaderCase{"NoMagic", "VRML V1.0 ascii\n", false, 0, 0},
                      HeaderCase{"Empty", "", false, 0, 0},
                      HeaderCase{"BinaryBytes", std::string("\x00\x01\x02\xff\xfe", 5), false, 0, 0}),
    [](const ::testing::TestParamInfo<HeaderCase> &info) { return info.param.name; });

// --- Messages through the diagnostics sink -----------------------------------------

TEST_F(SgOpenActionTest, AReaderMessageIsReportedToTheSinkAsAUserText)
{
    std::istringstream in("VRML V1.0 ascii\n");
    Vrml1InStream stream(in, "scene.kvrx");
    SgDiagCapture capture;
    EXPECT_EQ(SgOpenAction::IsValidFile(stream), 0);
    const std::vector<SgDiagnostic> reported = capture.GetDiagnostics();
    ASSERT_EQ(reported.size(), 1u) << capture.GetText();
    EXPECT_EQ(reported[0].package, "Reader");
    EXPECT_EQ(reported[0].level, SgDiagLevel::Error);
    EXPECT_TRUE(reported[0].forUser);
    EXPECT_EQ(reported[0].Line(), "Warning: File: scene.kvrx Not a valid KVRX file!");
}

TEST_F(SgOpenActionTest, AFileFullOfFaultsReportsTheFirstMessagesAndThenOneLineMore)
{
    std::string text = kV1 + "Separator {\n";
    const int faults = static_cast<int>(Vrml1InStream::kMaxNotified) + 5;
    for (int i = 0; i < faults; ++i)
        text += "  Gadget" + std::to_string(i) + " { }\n";
    text += "}\n";
    std::istringstream in(text);
    Vrml1InStream stream(in, "busy.kvrx");
    SgRef<SgSeparator> root = new SgSeparator;
    SgDiagCapture capture;
    SgOpenAction::ReadScene(stream, *root);

    EXPECT_EQ(stream.GetMessages().size(), static_cast<size_t>(faults)) << "the stream keeps every message";
    const std::vector<SgDiagnostic> reported = capture.GetDiagnostics();
    ASSERT_EQ(reported.size(), Vrml1InStream::kMaxNotified + 1) << capture.GetText();
    EXPECT_EQ(reported[0].package, "Reader");
    EXPECT_EQ(reported[0].level, SgDiagLevel::Warning);
    EXPECT_EQ(reported[0].caption, "Warning");
    EXPECT_NE(reported[0].text.find("Unknown node type: Gadget0"), std::string::npos) << reported[0].text;
    EXPECT_EQ(reported.back().text, "Further messages about busy.kvrx are not shown");
    EXPECT_EQ(capture.Count("Reader"), capture.Count());
}

// --- Nodes and sharing ------------------------------------------------------------

TEST_F(SgOpenActionTest, SharedNodeIsReadOnceAndKeepsItsId)
{
    const ReadResult r = ReadText(kV1 + "Separator {\n"
                                        "  DEF 7_2 Material { shininess 0.5 }\n"
                                        "  Separator { USE 7_2 }\n"
                                        "  DEF other Material { }\n"
                                        "  USE other\n"
                                        "}\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_TRUE(r.messages.empty()) << r.report;
    auto *top = As<SgSeparator>(r.Child(0));
    ASSERT_NE(top, nullptr);
    ASSERT_EQ(top->GetChildsCount(), 4);
    SgNode *shared = top->GetChild(0);
    EXPECT_EQ(As<SgSeparator>(top->GetChild(1))->GetChild(0), shared) << "USE must give the same node";
    EXPECT_EQ(shared->GetID(), (NodeID{7, 2}));
    EXPECT_EQ(shared->GetFatherList().size(), 2u);
    EXPECT_TRUE(top->GetChild(2)->GetID().IsNull()) << "a name that is no id pair gives no id";
    EXPECT_EQ(top->GetChild(3), top->GetChild(2));
}

TEST_F(SgOpenActionTest, UseBeforeDefGivesNothingAndOneMessage)
{
    const ReadResult r = ReadText(kV1 + "Separator {\n USE later\n DEF later Material { }\n}\n");
    ASSERT_TRUE(r.ok) << r.report;
    auto *top = As<SgSeparator>(r.Child(0));
    ASSERT_EQ(top->GetChildsCount(), 1);
    ASSERT_EQ(r.messages.size(), 1u) << r.report;
    EXPECT_EQ(r.messages[0].line, 3);
    EXPECT_NE(r.messages[0].text.find("later"), std::string::npos) << r.messages[0].text;
}

TEST_F(SgOpenActionTest, Dialect1ShapeBlockIsReadAsItStands)
{
    // The second dialect wraps a shape in an object and flattens the words
    // around it; the writer's own "Shape" block must come back as one node.
    const ReadResult r = ReadText(kV1 + "Object {\nSeparator {\nShape {\n}\n}\n}\nShape { }\n");
    ASSERT_TRUE(r.ok) << r.report;
    ASSERT_EQ(r.ChildCount(), 2);
    auto *object = As<SgObject>(r.Child(0));
    ASSERT_NE(object, nullptr);
    ASSERT_NE(object->GetInnerGroup(), nullptr);
    ASSERT_EQ(object->GetInnerGroup()->GetChildsCount(), 1);
    EXPECT_EQ(object->GetInnerGroup()->GetChild(0)->GetClassID(), SgShape::ClassID());
    EXPECT_EQ(r.Child(1)->GetClassID(), SgShape::ClassID()) << "no object around a first-dialect shape";
}

TEST_F(SgOpenActionTest, RootSeparatorGivesItsChildren)
{
    const ReadResult r = ReadText(kV1 + "Separator {\n NodeName\t\"ROOT\"\n Material { }\n Group { }\n}\n");
    ASSERT_TRUE(r.ok) << r.report;
    ASSERT_EQ(r.ChildCount(), 2);
    EXPECT_NE(As<SgMaterial>(r.Child(0)), nullptr);
    EXPECT_EQ(r.Child(0)->GetFatherList().size(), 1u) << "the ROOT group must let go of its children";
}

TEST_F(SgOpenActionTest, NodeNamesAndStringsUndoubleQuotesWithoutLengthLimit)
{
    const std::string longText(20000, 'a');
    const ReadResult r = ReadText(kV1 + "TestShape {\n NodeName\t\"say \"\"hi\"\"\"\n label \"" + longText +
                                  "\"\"" + longText + "\"\n}\n");
    ASSERT_TRUE(r.ok) << r.report;
    auto *shape = As<TestShape>(r.Child(0));
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->GetName(), "say \"hi\"");
    EXPECT_EQ(shape->m_label.Get(), longText + "\"" + longText);
}

TEST_F(SgOpenActionTest, BlockWithoutFieldLinesHasTheClassDefaults)
{
    const ReadResult r = ReadText(kV1 + "Material {\n}\nTexture2 { }\n");
    ASSERT_TRUE(r.ok) << r.report;
    ASSERT_EQ(r.ChildCount(), 2);
    SgRef<SgMaterial> fresh(new SgMaterial);
    SgNode *read = r.Child(0);
    for (int i = 0; i < fresh->GetFieldsCount(); ++i) {
        EXPECT_TRUE(fresh->GetFieldAddress(i)->Compare(fresh->GetFieldAddress(i), read->GetFieldAddress(i)))
            << "field " << fresh->GetFieldName(i) << " differs from the default";
    }
    EXPECT_NE(As<SgTexture2D>(r.Child(1)), nullptr) << "\"Texture2\" is the texture's keyword";
}

TEST_F(SgOpenActionTest, ColourListsWithoutParenthesesReadOneColourPerItem)
{
    // The usual way a hand-written file lists colours: three numbers an
    // item, items apart by commas.
    const ReadResult r = ReadText(kV1 + "Material {\n diffuseColor [ 1 0 0, 0 1 0, 0 0 1 ]\n}\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_TRUE(r.messages.empty()) << r.report;
    auto *material = As<SgMaterial>(r.Child(0));
    ASSERT_NE(material, nullptr);
    ASSERT_EQ(material->m_diffuseColor.GetCount(), 3);
    const Color expected[] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
    for (int i = 0; i < 3; ++i) {
        const Color c = material->m_diffuseColor.GetValue(i);
        EXPECT_EQ(c.r, expected[i].r) << i;
        EXPECT_EQ(c.g, expected[i].g) << i;
        EXPECT_EQ(c.b, expected[i].b) << i;
        EXPECT_EQ(c.a, expected[i].a) << i;
    }
}

TEST_F(SgOpenActionTest, NodePointerFieldReadsTheNodeBlock)
{
    const ReadResult r = ReadText(kV1 + "DEF 1_1 Material { }\nTestShape {\n profile USE 1_1\n}\n"
                                        "TestShape {\n profile Material { shininess 0.25 }\n}\n");
    ASSERT_TRUE(r.ok) << r.report;
    ASSERT_EQ(r.ChildCount(), 3);
    EXPECT_EQ(As<TestShape>(r.Child(1))->m_profile.Get().get(), r.Child(0));
    auto *inline_ = As<SgMaterial>(As<TestShape>(r.Child(2))->m_profile.Get().get());
    ASSERT_NE(inline_, nullptr);
    EXPECT_FLOAT_EQ(inline_->m_shininess.GetValue(0), 0.25f);
}

TEST_F(SgOpenActionTest, BraceGluedToAKeywordInsideAGroupIsABraceAndAChild)
{
    const ReadResult r = ReadText(kV1 + "Separator {\n {Material { shininess 0.5 } }\n}\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_TRUE(r.messages.empty()) << r.report;
    auto *top = As<SgSeparator>(r.Child(0));
    ASSERT_EQ(top->GetChildsCount(), 1);
    ASSERT_NE(As<SgMaterial>(top->GetChild(0)), nullptr);
}

TEST_F(SgOpenActionTest, NestedBracketsCloseInReverseOrderAndAMismatchIsAnError)
{
    ReadResult r = ReadText(kV1 + "Separator { { [ { [ { Material { } } ] } ] } }\nMaterial { }\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_TRUE(r.messages.empty()) << r.report;
    ASSERT_EQ(r.ChildCount(), 2);
    EXPECT_EQ(As<SgSeparator>(r.Child(0))->GetChildsCount(), 1);

    r = ReadText(kV1 + "Separator { [ }\n");
    ASSERT_EQ(r.messages.size(), 1u) << r.report;
    EXPECT_EQ(r.messages[0].text, "Unbalanced Parantesis");
    EXPECT_EQ(r.messages[0].caption, "Error");
}

TEST_F(SgOpenActionTest, CommentsInsideAndOutsideBlocksAreSkipped)
{
    const ReadResult r = ReadText(kV1 + "# a comment { with [ brackets\nMaterial {\n #shininess 0.9\n"
                                        " shininess 0.5 # trailing } words\n}\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_TRUE(r.messages.empty()) << r.report;
    ASSERT_EQ(r.ChildCount(), 1);
    EXPECT_FLOAT_EQ(As<SgMaterial>(r.Child(0))->m_shininess.GetValue(0), 0.5f);
}

// Strings of files written by other programs escape a quote and a backslash
// with a backslash; a doubled quote (this writer's older form) still reads,
// and a backslash before anything else is the character itself (paths).
TEST_F(SgOpenActionTest, BackslashEscapesInStringsAreRead)
{
    const ReadResult r = ReadText("#VRML V1.0 ascii\nSeparator {\nInfo { data \"a \\\"q\\\" b \\\\ c\" }\n"
                                  "Texture2 { filename \"my \\\"odd\\\" name.bmp\" }\n"
                                  "Texture2 { filename \"C:\\textures\\wood.bmp\" }\nCube { }\n}\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_TRUE(r.messages.empty()) << r.report;
    auto *top = As<SgSeparator>(r.Child(0));
    ASSERT_NE(top, nullptr);
    ASSERT_EQ(top->GetChildsCount(), 4) << r.report;
    EXPECT_EQ(As<SgInfo>(top->GetChild(0))->m_data.Get(true), "a \"q\" b \\ c");
    EXPECT_EQ(As<SgTexture2D>(top->GetChild(1))->m_filename.Get(true).GetPath(), "my \"odd\" name.bmp");
    EXPECT_EQ(As<SgTexture2D>(top->GetChild(2))->m_filename.Get(true).GetPath(), "C:\\textures\\wood.bmp");
}

// A comment is a blank between any two words: nothing around it is lost.
TEST_F(SgOpenActionTest, CommentsBetweenAnyTwoWordsAreBlanks)
{
    const char *texts[] = {
        "Separator { Sphere#c\n{ radius 2 } }\n",
        "Separator { DEF # c\n A Sphere { radius 2 } USE A }\n",
        "Separator { Sphere { radius # c\n 2 } }\n",
        "Separator # c\n{ Sphere { radius 2 } }\n",
        "Separator { Sphere { radius 2 # c } ]\n } }\n",
    };
    for (const char *text : texts) {
        const ReadResult r = ReadText(kV1 + text);
        ASSERT_TRUE(r.ok) << text << r.report;
        EXPECT_TRUE(r.messages.empty()) << text << r.report;
        ASSERT_EQ(r.ChildCount(), 1) << text;
        auto *top = As<SgSeparator>(r.Child(0));
        ASSERT_NE(top, nullptr) << text;
        ASSERT_GE(top->GetChildsCount(), 1) << text << "the Separator lost its Sphere";
        auto *sphere = As<SgSphere>(top->GetChild(0));
        ASSERT_NE(sphere, nullptr) << text;
        EXPECT_EQ(sphere->m_radius.Get(true), 2.0) << text;
    }
}

struct UnknownNodeCase {
    const char *name;
    std::string text; // inside a separator, from line 3
    int groups;       // separators made for unknown nodes
    int cubes;        // cubes anywhere in the scene
    std::vector<std::string> messages; // a part of each message, in order
    std::vector<long long> lines;
};

class SgOpenActionUnknownNodeTest : public ::testing::TestWithParam<UnknownNodeCase> {
protected:
    void SetUp() override { InitReaderTestClasses(); }
};

// A node the reader does not know keeps its children as a group; one without
// children is skipped; each kind is reported once; nothing around is lost.
TEST_P(SgOpenActionUnknownNodeTest, ChildrenOfUnknownNodesAreKept)
{
    const UnknownNodeCase &c = GetParam();
    const ReadResult r = ReadText(kV1 + "Separator {\n" + c.text + "\n Material { shininess 0.5 }\n}\nMaterial { }\n");
    ASSERT_TRUE(r.ok) << r.report;
    ASSERT_EQ(r.messages.size(), c.messages.size()) << r.report;
    for (size_t i = 0; i < c.messages.size(); ++i) {
        EXPECT_NE(r.messages[i].text.find(c.messages[i]), std::string::npos) << r.messages[i].text;
        EXPECT_EQ(r.messages[i].line, c.lines[i]) << r.messages[i].text;
    }
    ASSERT_EQ(r.ChildCount(), 2) << "the reader lost its step";
    auto *top = As<SgSeparator>(r.Child(0));
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(CountClass(top, "SgCube"), c.cubes) << r.report;
    EXPECT_EQ(CountClass(top, "SgSeparator") - 1, c.groups) << r.report;
    auto *sentinel = As<SgMaterial>(top->GetChild(top->GetChildsCount() - 1));
    ASSERT_NE(sentinel, nullptr) << "the node after the unknown one is missing";
    EXPECT_FLOAT_EQ(sentinel->m_shininess.GetValue(0), 0.5f);
}

INSTANTIATE_TEST_SUITE_P(
    UnknownNodes, SgOpenActionUnknownNodeTest,
    ::testing::Values(
        UnknownNodeCase{"LevelsOfDetail",
                        " LOD {\n  range [ 10, 20 ]\n  center 0 0 0\n  Cube { }\n  Separator { Cube { } }\n }",
                        2, 2, {"LOD"}, {3}},
        UnknownNodeCase{"Anchor", " WWWAnchor {\n  name \"next.wrl\"\n  description \"a } brace\"\n  Cube { }\n }",
                        1, 1, {"WWWAnchor"}, {3}},
        UnknownNodeCase{"AnchorInsideLevelsOfDetail",
                        " LOD { range [ 1 ]\n  WWWAnchor { name \"x.wrl\"\n   Cube { } }\n }", 2, 1,
                        {"WWWAnchor", "LOD"}, {4, 3}},
        UnknownNodeCase{"ChildlessKindReportedOnce",
                        " Gadget { a 1 }\n Gadget { a 2 }\n Widget { }\n Gadget { }\n Cube { }", 0, 1,
                        {"Gadget", "Widget"}, {3, 5}},
        UnknownNodeCase{"DefinedUnknownNodeWithChildren", " DEF A LOD { Cube { } }\n USE A", 2, 2, {"LOD"}, {3}}),
    [](const ::testing::TestParamInfo<UnknownNodeCase> &info) { return info.param.name; });

// Size values that no float holds are refused with a message naming the
// line; every size a float holds is read.
TEST_F(SgOpenActionTest, ShapeSizesNoFloatHoldsAreRefused)
{
    struct Case {
        const char *text;
        const char *field;
    } cases[] = {{"Cube { width 1e39 }", "width"},
                 {"Cube { depth -inf }", "depth"},
                 {"Cube { depth 1e308 }", "depth"},
                 {"Cube { height nan }", "height"},
                 {"Sphere { radius 1e39 }", "radius"}};
    for (const Case &c : cases) {
        const ReadResult r = ReadText(kV1 + "Separator {\n" + c.text + "\n}\n");
        ASSERT_TRUE(r.ok) << r.report;
        ASSERT_EQ(r.messages.size(), 1u) << c.text << "\n" << r.report;
        EXPECT_NE(r.messages[0].text.find(c.field), std::string::npos) << r.messages[0].text;
        EXPECT_EQ(r.messages[0].line, 3) << r.messages[0].text;
        auto *shape = As<SgSeparator>(r.Child(0))->GetChild(0);
        ASSERT_NE(shape, nullptr);
        auto *fresh = SgFieldMngr::Create(shape->GetClassID());
        SgRef<SgFieldMngr> held(fresh);
        const double kept = *static_cast<const double *>(shape->GetFieldAddressByName(c.field)->GetValuePtr(-1, true));
        const double initial =
            *static_cast<const double *>(fresh->GetFieldAddressByName(c.field)->GetValuePtr(-1, true));
        EXPECT_EQ(kept, initial) << c.text << ": the field must keep its value";
    }
    const ReadResult big = ReadText(kV1 + "Cube { width 4294967296 }\n");
    EXPECT_TRUE(big.messages.empty()) << big.report;
    EXPECT_EQ(As<SgCube>(big.Child(0))->m_width.Get(true), 4294967296.0);
}

TEST_F(SgOpenActionTest, CameraKeywordsSetPerspectiveAndNodeIdIsThePersistentId)
{
    const ReadResult r = ReadText(kV1 + "\nPerspectiveCamera\t{\nNodeID 4_9\nNodeName\t\"cam\"\n"
                                        "\tposition\t1 2 3\n\torientation\t0 1 0 1.5\n\tfarDistance\t50\n"
                                        "\tnearDistance\t0.5\n\theight\t7\n\theightAngle\t0.5\n}\n"
                                        "OrthographicCamera { }\nSeparator { USE 4_9 }\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_TRUE(r.messages.empty()) << r.report;
    ASSERT_EQ(r.ChildCount(), 3);
    auto *camera = As<SgCamera>(r.Child(0));
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->m_perspective.Get(), 1);
    EXPECT_EQ(camera->GetID(), (NodeID{4, 9}));
    EXPECT_EQ(camera->GetName(), "cam");
    EXPECT_DOUBLE_EQ(camera->m_height.Get(), 7.0);
    EXPECT_DOUBLE_EQ(camera->m_heightAngle.Get(), 0.5);
    EXPECT_EQ(As<SgCamera>(r.Child(1))->m_perspective.Get(), 0);
    EXPECT_EQ(As<SgSeparator>(r.Child(2))->GetChild(0), camera) << "NodeID names the camera for USE";
}

// --- Objects and the format version ------------------------------------------------

TEST_F(SgOpenActionTest, ObjectBlockAddsNoLevelAndRenumbersItsLayer)
{
    const std::vector<int> layers = {0, 5, 6};
    const ReadResult r = ReadText(kV1 + "Object {\n NodeName\t\"box\"\n\thide 1\n\tlayer 2\n"
                                        " Transform { translation 1 0 0 }\n Material { }\n"
                                        " Separator { IndexedFaceSet { } }\n}\n",
                                  &layers);
    ASSERT_TRUE(r.ok) << r.report;
    auto *object = As<SgObject>(r.Child(0));
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->GetName(), "box");
    EXPECT_EQ(object->m_hide.Get(), 1);
    EXPECT_EQ(object->m_layer.Get(), 6);
    ASSERT_EQ(object->SgGroup::GetChildsCount(), 3) << "transform, material, inner group: no extra level";
    ASSERT_NE(object->GetTransform(), nullptr);
    EXPECT_EQ(object->GetTransform()->m_translation.Get(), Vec3(1, 0, 0));
    ASSERT_NE(object->GetInnerGroup(), nullptr);
    EXPECT_NE(As<SgIndexedFaceSet>(object->GetInnerGroup()->GetChild(0)), nullptr);
}

struct VersionCase {
    const char *name;
    std::string header;
    std::string body;
    Vec3 translation;
};

class SgOpenActionVersionTest : public ::testing::TestWithParam<VersionCase> {
protected:
    void SetUp() override { InitReaderTestClasses(); }
};

TEST_P(SgOpenActionVersionTest, OldFormatsShiftTransformsByTheirCentre)
{
    const VersionCase &c = GetParam();
    const ReadResult r = ReadText(c.header + c.body);
    ASSERT_TRUE(r.ok) << r.report;
    ASSERT_EQ(r.ChildCount(), 1);
    SgTransform *transform = As<SgTransform>(r.Child(0));
    if (auto *object = As<SgObject>(r.Child(0)))
        transform = object->GetTransform();
    ASSERT_NE(transform, nullptr);
    EXPECT_EQ(transform->m_translation.Get(), c.translation);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, SgOpenActionVersionTest,
    ::testing::Values(
        VersionCase{"NoNumber", "#VRML V1.0 ascii\n", "Transform { translation 1 2 3 center 10 20 30 }\n",
                    Vec3(11, 22, 33)},
        VersionCase{"Version100", "#VRML V1.0 ascii 100\n", "Transform { translation 1 2 3 center 10 20 30 }\n",
                    Vec3(11, 22, 33)},
        VersionCase{"WritersVersion", "#VRML V1.0 ascii 102\n",
                    "Transform { translation 1 2 3 center 10 20 30 }\n", Vec3(1, 2, 3)},
        VersionCase{"Dialect2Object", "#VRML V2.0 utf8\n", "Transform { translation 1 2 3 center 10 20 30 }\n",
                    Vec3(11, 22, 33)}),
    [](const ::testing::TestParamInfo<VersionCase> &info) { return info.param.name; });

// --- The second dialect -------------------------------------------------------------

TEST_F(SgOpenActionTest, Dialect2TransformFlattensIntoOneObject)
{
    const ReadResult r = ReadText(kV2 + "Transform {\n translation 0 1 0\n children [\n  Shape {\n"
                                        "   appearance Appearance {\n    material Material { shininess 0.5 }\n"
                                        "   }\n   geometry IndexedFaceSet { }\n  }\n ]\n}\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_TRUE(r.messages.empty()) << r.report;
    ASSERT_EQ(r.ChildCount(), 1);
    auto *object = As<SgObject>(r.Child(0));
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->GetTransform()->m_translation.Get(), Vec3(0, 1, 0));
    auto *material = As<SgMaterial>(object->FindPropertyNode(SgMaterial::ClassID()));
    ASSERT_NE(material, nullptr) << "the material is the object's property node";
    EXPECT_FLOAT_EQ(material->m_shininess.GetValue(0), 0.5f);
    ASSERT_EQ(object->GetChildsCount(), 1);
    EXPECT_NE(As<SgIndexedFaceSet>(object->GetInnerGroup()->GetChild(0)), nullptr);
}

struct SymbolCase {
    const char *name;
    std::string text;
    int wrapS;
    int wrapT;
};

class SgOpenActionSymbolTest : public ::testing::TestWithParam<SymbolCase> {
protected:
    void SetUp() override { InitReaderTestClasses(); }
};

TEST_P(SgOpenActionSymbolTest, TextureWrapWordsFollowTheDialect)
{
    const SymbolCase &c = GetParam();
    const ReadResult r = ReadText(c.text);
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_TRUE(r.messages.empty()) << r.report;
    ASSERT_EQ(r.ChildCount(), 1);
    SgTexture2D *texture = As<SgTexture2D>(r.Child(0));
    if (auto *object = As<SgObject>(r.Child(0)))
        texture = As<SgTexture2D>(object->FindPropertyNode(SgTexture2D::ClassID()));
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->m_wrapS.Get(), c.wrapS);
    EXPECT_EQ(texture->m_wrapT.Get(), c.wrapT);
}

INSTANTIATE_TEST_SUITE_P(
    Symbols, SgOpenActionSymbolTest,
    ::testing::Values(
        SymbolCase{"Dialect2RepeatInverted", kV2 + "ImageTexture { repeatS TRUE repeatT FALSE }\n", 0, 1},
        SymbolCase{"Dialect2RedirectedIntoObject",
                   kV2 + "Transform { repeatS FALSE repeatT TRUE }\n", 1, 0},
        SymbolCase{"Dialect1Words", kV1 + "Texture2 { wrapS CLAMP wrapT REPEAT }\n", 1, 0},
        SymbolCase{"Dialect1Numbers", kV1 + "Texture2 { wrapS 1 wrapT 0 }\n", 1, 0}),
    [](const ::testing::TestParamInfo<SymbolCase> &info) { return info.param.name; });

// --- Connections ---------------------------------------------------------------------

TEST_F(SgOpenActionTest, ConnectedFieldFollowsItsSource)
{
    const ReadResult r = ReadText(kV1 + "DEF 3_1 Transform { translation 1 2 3 }\n"
                                        "Transform {\n\ttranslation = USE 3_1 . translation\n}\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_TRUE(r.messages.empty()) << r.report;
    auto *source = As<SgTransform>(r.Child(0));
    auto *driven = As<SgTransform>(r.Child(1));
    ASSERT_NE(driven, nullptr);
    EXPECT_EQ(driven->m_translation.Get(true), Vec3(1, 2, 3));
    source->m_translation = Vec3(4, 5, 6);
    EXPECT_EQ(driven->m_translation.Get(true), Vec3(4, 5, 6));
}

TEST_F(SgOpenActionTest, EngineBlockConnectsItsInputAndDrivesTheField)
{
    ReadResult r = ReadText(kV1 + "DEF 3_2 Transform { translation 1 2 3 }\n"
                                  "Transform {\n\ttranslation = ReaderTestEngine {\n"
                                  "\tinput1 = USE 3_2 . translation\n} . 0\n}\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_TRUE(r.messages.empty()) << r.report;
    auto *driven = As<SgTransform>(r.Child(1));
    ASSERT_NE(driven, nullptr);
    EXPECT_EQ(driven->m_translation.Get(true), Vec3(2, 4, 6));
    As<SgTransform>(r.Child(0))->m_translation = Vec3(0, 0, 1);
    EXPECT_EQ(driven->m_translation.Get(true), Vec3(0, 0, 2));
}

// The reader's engine lives as long as a field reads from it: it goes with
// the scene, with the node it drives, or when that field is disconnected; a
// node that drives the engine that drives it keeps nothing alive on its own.
struct EngineLifetimeCase {
    const char *name;
    std::string text;
    // 0: drop the whole scene; 1: remove the driven node (the last child);
    // 2: disconnect the driven field and keep the scene.
    int how;
};

class SgOpenActionEngineLifetimeTest : public ::testing::TestWithParam<EngineLifetimeCase> {
protected:
    void SetUp() override { InitReaderTestClasses(); }
};

TEST_P(SgOpenActionEngineLifetimeTest, TheEngineGoesWithWhatItDrives)
{
    const EngineLifetimeCase &c = GetParam();
    const int before = ReaderTestEngine::s_alive;
    {
        ReadResult r = ReadText(kV1 + c.text);
        ASSERT_TRUE(r.ok) << r.report;
        EXPECT_TRUE(r.messages.empty()) << r.report;
        ASSERT_EQ(ReaderTestEngine::s_alive, before + 1) << "the reader made one engine";
        auto *driven = As<SgTransform>(r.Child(r.ChildCount() - 1));
        ASSERT_NE(driven, nullptr);
        ASSERT_NE(driven->m_center.GetModuleSource(), nullptr) << "the engine drives the center";
        if (c.how == 0) {
            r.root.reset();
        } else if (c.how == 1) {
            r.root->DeleteChild(driven);
        } else {
            driven->m_center.AsInput().Disconnect();
            EXPECT_EQ(driven->m_center.Get(true), Vec3(0, 0, 0)) << "the stored value again";
        }
        EXPECT_EQ(ReaderTestEngine::s_alive, before) << "the engine outlived what it drove";
    }
    EXPECT_EQ(ReaderTestEngine::s_alive, before);
}

INSTANTIATE_TEST_SUITE_P(
    Engines, SgOpenActionEngineLifetimeTest,
    ::testing::Values(
        EngineLifetimeCase{"SceneClosed",
                           "DEF 3_2 Transform { translation 1 2 3 }\n"
                           "Transform {\n\tcenter = ReaderTestEngine {\n\tinput1 = USE 3_2 . translation\n} . 0\n}\n",
                           0},
        EngineLifetimeCase{"DrivenNodeRemoved",
                           "DEF 3_2 Transform { translation 1 2 3 }\n"
                           "Transform {\n\tcenter = ReaderTestEngine {\n\tinput1 = USE 3_2 . translation\n} . 0\n}\n",
                           1},
        EngineLifetimeCase{"DrivenFieldDisconnected",
                           "DEF 3_2 Transform { translation 1 2 3 }\n"
                           "Transform {\n\tcenter = ReaderTestEngine {\n\tinput1 = USE 3_2 . translation\n} . 0\n}\n",
                           2},
        // The node drives the engine that drives it: a cycle of connections,
        // not of references.
        EngineLifetimeCase{"NodeAndEngineDriveEachOtherSceneClosed",
                           "DEF 3_3 Transform {\n\tNodeID 3_3\n\ttranslation 1 2 3\n"
                           "\tcenter = ReaderTestEngine {\n\tinput1 = USE 3_3 . translation\n} . 0\n}\n",
                           0},
        EngineLifetimeCase{"NodeAndEngineDriveEachOtherNodeRemoved",
                           "DEF 3_3 Transform {\n\tNodeID 3_3\n\ttranslation 1 2 3\n"
                           "\tcenter = ReaderTestEngine {\n\tinput1 = USE 3_3 . translation\n} . 0\n}\n",
                           1}),
    [](const ::testing::TestParamInfo<EngineLifetimeCase> &info) { return info.param.name; });

// A node written inside a connection belongs to nothing else: like an
// engine there, it lives as long as the field reads from it.
TEST_F(SgOpenActionTest, ANodeWrittenInsideAConnectionGoesWithWhatItDrives)
{
    struct Case {
        const char *name;
        std::function<void(ReadResult &, SgTransform *)> letGo;
    } cases[] = {
        {"scene closed", [](ReadResult &r, SgTransform *) { r.root.reset(); }},
        {"driven node removed", [](ReadResult &r, SgTransform *driven) { r.root->DeleteChild(driven); }},
        {"driven field disconnected", [](ReadResult &, SgTransform *driven) { driven->m_center.AsInput().Disconnect(); }},
    };
    for (const Case &c : cases) {
        const int before = ReaderTestSource::s_alive;
        {
            ReadResult r = ReadText(kV1 + "Transform { }\n"
                                          "Transform {\n\tcenter = ReaderTestSource { value 1 2 3 } . value\n}\n");
            ASSERT_TRUE(r.ok) << r.report;
            EXPECT_TRUE(r.messages.empty()) << r.report;
            ASSERT_EQ(ReaderTestSource::s_alive, before + 1) << "the reader made one source";
            auto *driven = As<SgTransform>(r.Child(1));
            ASSERT_NE(driven, nullptr);
            EXPECT_EQ(driven->m_center.Get(true), Vec3(1, 2, 3)) << "the source drives the center";
            c.letGo(r, driven);
            EXPECT_EQ(ReaderTestSource::s_alive, before) << c.name << ": the source outlived what it drove";
        }
        EXPECT_EQ(ReaderTestSource::s_alive, before) << c.name;
    }
}

// A connection that fails frees a node written inside it, but never the
// node a USE names, which the scene (or the block being read) owns.
TEST_F(SgOpenActionTest, AFailedConnectionFreesOnlyANodeWrittenInsideIt)
{
    const int before = ReaderTestSource::s_alive;
    {
        ReadResult r = ReadText(kV1 + "DEF 3_6 ReaderTestSource {\n\tvalue 1 2 3\n"
                                      "\tvalue = USE 3_6 . nosuchfield\n}\n"
                                      "Transform {\n\tcenter = ReaderTestSource { } . nosuchfield\n}\n");
        ASSERT_TRUE(r.ok) << r.report;
        EXPECT_EQ(r.messages.size(), 2u) << r.report;
        ASSERT_EQ(r.ChildCount(), 2);
        EXPECT_EQ(ReaderTestSource::s_alive, before + 1) << "the named node is kept, the inner one freed";
        auto *named = As<ReaderTestSource>(r.Child(0));
        ASSERT_NE(named, nullptr);
        EXPECT_EQ(named->m_value.Get(true), Vec3(1, 2, 3));
    }
    EXPECT_EQ(ReaderTestSource::s_alive, before);
}

TEST_F(SgOpenActionTest, AnEngineSharedByTwoFieldsLivesUntilBothLetGo)
{
    const int before = ReaderTestEngine::s_alive;
    ReadResult r = ReadText(kV1 + "DEF 3_2 Transform { translation 1 2 3 }\n"
                                  "Transform {\n\tcenter = DEF 3_4 ReaderTestEngine {\n"
                                  "\tinput1 = USE 3_2 . translation\n} . 0\n}\n"
                                  "Transform {\n\tcenter = USE 3_4 . 0\n}\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_TRUE(r.messages.empty()) << r.report;
    ASSERT_EQ(ReaderTestEngine::s_alive, before + 1);
    ASSERT_EQ(As<SgTransform>(r.Child(2))->m_center.Get(true), Vec3(2, 4, 6)) << "both read the one engine";
    r.root->DeleteChild(r.Child(1));
    EXPECT_EQ(ReaderTestEngine::s_alive, before + 1) << "the other field still reads from it";
    EXPECT_EQ(As<SgTransform>(r.Child(1))->m_center.Get(true), Vec3(2, 4, 6));
    r.root->DeleteChild(r.Child(1));
    EXPECT_EQ(ReaderTestEngine::s_alive, before);
}

// The holds of a connection are ownership types: breaking the last link of
// a loop of holds (a node kept by the engine's input, whose own field reads
// from that engine) frees the engine and, through it, the node whose port is
// being unlinked; the port touches nothing of itself after letting go (the
// sanitizer build shows any access).
TEST_F(SgOpenActionTest, UnlinkingThePortThatHoldsTheLastLoopFreesBothEnds)
{
    const int before = ReaderTestEngine::s_alive;
    SgTransform *node = nullptr;
    {
        SgRef<SgTransform> kept = new SgTransform;
        SgRef<ReaderTestEngine> engine = new ReaderTestEngine;
        kept->m_translation = Vec3(1, 2, 3);
        ASSERT_TRUE(kept->m_translation.AsOutput().Connect(engine->m_input1));
        engine->m_input1.KeepSourceAlive(kept.get());
        ASSERT_TRUE(engine->m_output.Connect(kept->m_center.AsInput()));
        EXPECT_EQ(kept->m_center.Get(true), Vec3(2, 4, 6));
        node = kept.get();
    }
    ASSERT_EQ(ReaderTestEngine::s_alive, before + 1) << "the loop of holds keeps both ends";
    node->m_center.AsInput().Disconnect();
    EXPECT_EQ(ReaderTestEngine::s_alive, before) << "the engine and the node it kept went with the last link";
}

TEST_F(SgOpenActionTest, AnEngineThatNamesItselfLeaksNothing)
{
    // An engine's name is known only after its block, so it cannot read
    // itself (two engines reading each other would keep each other alive).
    const int before = ReaderTestEngine::s_alive;
    {
        ReadResult r = ReadText(kV1 + "Transform {\n\tcenter = DEF 3_5 ReaderTestEngine {\n"
                                      "\tinput1 = ReaderTestEngine {\n\tinput1 = USE 3_5 . 0\n} . 0\n} . 0\n}\n");
        ASSERT_TRUE(r.ok) << r.report;
        EXPECT_NE(r.report.find("USE of the name"), std::string::npos) << r.report;
    }
    EXPECT_EQ(ReaderTestEngine::s_alive, before);
}

TEST_F(SgOpenActionTest, FailedConnectionLeavesNeitherEndMarkedConnected)
{
    // A node marked connected is written with a name; a connection that was
    // never made must not change how the scene is written back.
    const ReadResult r = ReadText(kV1 + "DEF 3_3 Material { }\n"
                                        "Transform {\n\ttranslation = USE 3_3 . shininess\n}\n");
    ASSERT_TRUE(r.ok) << r.report;
    ASSERT_EQ(r.messages.size(), 1u) << r.report;
    EXPECT_FALSE(r.Child(0)->IsConnected());
    EXPECT_FALSE(r.Child(1)->IsConnected());
}

// --- Bad input: one message, the bad part skipped, the rest read ------------------------

struct FaultCase {
    const char *name;
    std::string fault; // lines 3.. of the text, inside a separator
    const char *message; // a part of the one message expected
    long long line;
};

class SgOpenActionFaultTest : public ::testing::TestWithParam<FaultCase> {
protected:
    void SetUp() override { InitReaderTestClasses(); }
};

TEST_P(SgOpenActionFaultTest, FaultGivesOneMessageAndTheReaderStaysInStep)
{
    const FaultCase &c = GetParam();
    const ReadResult r =
        ReadText(kV1 + "Separator {\n" + c.fault + "\n Material { shininess 0.5 }\n}\nMaterial { }\n");
    ASSERT_TRUE(r.ok) << r.report;
    ASSERT_EQ(r.messages.size(), 1u) << r.report;
    EXPECT_NE(r.messages[0].text.find(c.message), std::string::npos) << r.messages[0].text;
    EXPECT_EQ(r.messages[0].line, c.line) << r.messages[0].text;
    ASSERT_EQ(r.ChildCount(), 2) << "the reader lost its step";
    auto *top = As<SgSeparator>(r.Child(0));
    ASSERT_GE(top->GetChildsCount(), 1);
    auto *sentinel = As<SgMaterial>(top->GetChild(top->GetChildsCount() - 1));
    ASSERT_NE(sentinel, nullptr) << "the node after the fault is missing";
    EXPECT_FLOAT_EQ(sentinel->m_shininess.GetValue(0), 0.5f);
    // Every field of every node read keeps a value a node of its class can have.
    for (int i = 0; i + 1 < top->GetChildsCount(); ++i) {
        if (auto *texture = As<SgTexture2D>(top->GetChild(i))) {
            EXPECT_EQ(texture->m_wrapS.Get(), 0) << "the field must keep its default";
        }
        if (auto *transform = As<SgTransform>(top->GetChild(i))) {
            EXPECT_EQ(transform->m_translation.Get(true), Vec3(0, 0, 0));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SgOpenActionFaultTest,
    ::testing::Values(
        FaultCase{"UnknownKeyword", " Gadget { a 1 b [ 1, 2 ]\n  Inner { c \"}\" } }", "Unknown node type: Gadget", 3},
        FaultCase{"UnknownField", " Material { glow [ 1, 2,\n 3 ] }", "Ilegal Token: glow", 3},
        FaultCase{"UnknownSymbol", " Texture2 { wrapS SPIRAL }", "Illegal Symbol: SPIRAL", 3},
        FaultCase{"UnknownUse", " USE nobody", "nobody", 3},
        FaultCase{"UnknownSourceField", " DEF 5_5 Transform { }\n Transform { translation = USE 5_5 . nowhere }",
                  "no field", 4},
        FaultCase{"MissingSource", " Transform { translation = USE ghost . translation }", "ghost", 3},
        FaultCase{"SourceOfAnotherType",
                  " DEF 5_6 Material { }\n Transform { translation = USE 5_6 . shininess }", "another type", 4},
        FaultCase{"EngineOutputOutOfRange",
                  " Transform { translation = ReaderTestEngine { } . 3 }", "no output", 3},
        FaultCase{"BadNumber", " Material { shininess abc }", "Bad value", 3},
        FaultCase{"BadArrayElement", " Coordinate3 { point [ 1 2 3, x y z ] }", "Bad value", 3},
        FaultCase{"ToolIsRefused", " ReaderTestTool { }", "cannot be made", 3},
        FaultCase{"ParametricBlockWithAnUnknownWord",
                  " ParametricModel { Object { } PMParamList { } Bogus }", "Unknown word Bogus", 3},
        // A node held by a node inside it would never be freed: the
        // reference is left out.
        FaultCase{"NodeFieldHoldingTheGroupAroundIt",
                  " DEF 5_7 Separator { NodeID 5_7\n IndexedFaceSet { coord USE 5_7 } }", "inside its own block", 4},
        FaultCase{"ChildHoldingTheGroupAroundIt", " DEF 5_8 Separator { NodeID 5_8 Group { USE 5_8 } }",
                  "inside its own block", 3}),
    [](const ::testing::TestParamInfo<FaultCase> &info) { return info.param.name; });

// A node field may point at its own node, but that link holds no count:
// otherwise the node would keep itself alive once the scene let go of it.
TEST_F(SgOpenActionTest, NodeFieldPointingAtItsOwnNodeHoldsNoCountOnIt)
{
    ReadResult r = ReadText(kV1 + "DEF 5_5 IndexedFaceSet { NodeID 5_5 coord USE 5_5 }\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_TRUE(r.messages.empty()) << r.report;
    ASSERT_EQ(r.ChildCount(), 1);
    auto *mesh = As<SgIndexedFaceSet>(r.Child(0));
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->m_coord.Get(true).get(), mesh) << "the link to itself was lost";
    EXPECT_EQ(mesh->GetRefCount(), 1) << "only the scene may hold the node";
    // Pointed elsewhere and back, the count stays the scene's alone.
    mesh->m_coord = NodePtr(new SgCoordinate3);
    EXPECT_EQ(mesh->GetRefCount(), 1);
    mesh->m_coord = NodePtr(mesh);
    EXPECT_EQ(mesh->GetRefCount(), 1);
    EXPECT_EQ(mesh->m_coord.Get(true).get(), mesh);
}

TEST_F(SgOpenActionTest, DocumentSectionsStopTheSceneAndAreHandedBack)
{
    const ReadResult r = ReadText(kV1 + "Material { }\nLayout\nView { whatever }\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_EQ(r.ChildCount(), 1);
    EXPECT_EQ(r.stopWord, "Layout");
}

TEST_F(SgOpenActionTest, ScenarioGoesToTheInstalledReader)
{
    std::string seen;
    // Later tests read documents through the reader the start-up installed.
    const Vrml1InStream::ScenarioReader installed = Vrml1InStream::GetScenarioReader();
    Vrml1InStream::SetScenarioReader([&seen](Vrml1InStream &stream) {
        stream.ReadWord(seen);
        stream.SkipBracketed();
    });
    ReadResult r = ReadText(kV1 + "Scenario\n{ track [ 1 2 ] }\nMaterial { }\n");
    Vrml1InStream::SetScenarioReader(installed);
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_EQ(seen, "{");
    EXPECT_EQ(r.ChildCount(), 1);

    r = ReadText(kV1 + "Scenario\n{ track [ 1 2 ] }\nMaterial { }\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_EQ(r.ChildCount(), 1) << "without a reader the section is skipped whole";
}

// --- Text that cannot be read ----------------------------------------------------------

struct BrokenCase {
    const char *name;
    std::string text;
    const char *message;
};

class SgOpenActionBrokenTest : public ::testing::TestWithParam<BrokenCase> {
protected:
    void SetUp() override { InitReaderTestClasses(); }
};

TEST_P(SgOpenActionBrokenTest, UnreadableTextFailsAndHandsBackNothing)
{
    const BrokenCase &c = GetParam();
    const ReadResult r = ReadText(c.text);
    EXPECT_FALSE(r.ok) << "read reported success";
    EXPECT_EQ(r.ChildCount(), 0) << "a failed read must add nothing";
    ASSERT_FALSE(r.messages.empty());
    EXPECT_NE(r.messages.back().text.find(c.message), std::string::npos) << r.report;
}

const char kBinaryBlock[] = "Separator {\n\x01\x02\x03\x00\x04 }\n";

std::string DeepNesting(int levels)
{
    std::string text = kV1;
    for (int i = 0; i < levels; ++i)
        text += "Separator {\n";
    for (int i = 0; i < levels; ++i)
        text += "}\n";
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Broken, SgOpenActionBrokenTest,
    ::testing::Values(
        BrokenCase{"Empty", "", "Not a valid KVRX file!"},
        BrokenCase{"TruncatedBlock", kV1 + "Material { }\nSeparator {\n Material { shininess", "ends inside"},
        BrokenCase{"TruncatedQuote", kV1 + "Separator {\n NodeName \"abc", "ends inside a quoted"},
        BrokenCase{"TruncatedAfterDef", kV1 + "DEF 1_1", "ends after DEF"},
        BrokenCase{"BinaryAfterHeader", kV1 + std::string(kBinaryBlock, sizeof kBinaryBlock - 1), "binary"},
        BrokenCase{"TooDeep", DeepNesting(100000), "nested deeper"},
        BrokenCase{"HighByteJunkAfterHeader", kV1 + "\x80\x81\xfe\xff\x90\xc3 \xa0\xbf\n", "binary"},
        BrokenCase{"HighByteJunkInAGroup", kV1 + "Separator {\n\xff\xfe\xfd\n}\n", "binary"}),
    [](const ::testing::TestParamInfo<BrokenCase> &info) { return info.param.name; });

// The deepest scenes the reader accepts, of blocks that cost the traversal one
// state level each (separators) or two (objects, whose inner group is a
// separator of its own), with a cube at the bottom: measuring them succeeds.
TEST_F(SgOpenActionTest, DeepestAcceptedSceneIsTraversedWhole)
{
    struct Case {
        const char *what;
        const char *open;  // one nesting step
        int blocksPerStep; // reader levels one step takes
    };
    const Case cases[] = {
        {"separators", "Separator {\n", 1},
        {"objects", "Object {\n", 1},
        {"objects with inner groups", "Object {\nSeparator {\n", 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        // The root separator the reader reads into and the cube's own block
        // take a level each.
        const int steps = (Vrml1InStream::kMaxNesting - 2) / c.blocksPerStep;
        std::string text = kV1;
        for (int i = 0; i < steps; ++i)
            text += c.open;
        text += "Cube { width 2 height 2 depth 2 }\n";
        for (int i = 0; i < steps * c.blocksPerStep; ++i)
            text += "}\n";
        const ReadResult r = ReadText(text);
        ASSERT_TRUE(r.ok) << r.report;
        SgBoundingBoxAction box;
        EXPECT_TRUE(box.Apply(r.root)) << box.GetError();
        EXPECT_TRUE(box.HasBox()) << "the cube at the bottom was not reached";
    }
}

TEST_F(SgOpenActionTest, MessagesNameTheFileAndLine)
{
    const ReadResult r = ReadText(kV1 + "Material {\n glow 1\n}\n");
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.report.rfind("test.kvrx:3: Ilegal Token: glow", 0), 0u) << r.report;
}

// One message per problem, shown to the user with the file and the line.
TEST_F(SgOpenActionTest, EachProblemGivesOneMessageWithItsLine)
{
    struct Case {
        const char *what;
        std::string text;
        const char *shown;
    };
    const Case cases[] = {
        {"unknown field in a group", kV1 + "Separator {\n foo 1 2 3\n Material { }\n}\n", "test.kvrx:3: "},
        {"unknown field on the block's line", kV1 + "\nSeparator { foo 1 2 3 }\n", "test.kvrx:3: "},
        {"unknown field in a node", kV1 + "Sphere {\n\n bogus 7 8\n}\n", "test.kvrx:4: Ilegal Token: bogus"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::istringstream in(c.text);
        Vrml1InStream stream(in, "test.kvrx");
        RecordingNotifier notifier;
        Notifier *previous = SetNotifier(&notifier);
        SgRef<SgSeparator> root(new SgSeparator);
        const bool ok = SgOpenAction::ReadScene(stream, *root);
        SetNotifier(previous);
        EXPECT_TRUE(ok) << stream.FormatMessages();
        ASSERT_EQ(notifier.m_shown.size(), 1u) << stream.FormatMessages();
        EXPECT_NE(notifier.m_shown[0].find(c.shown), std::string::npos) << notifier.m_shown[0];
        EXPECT_EQ(notifier.m_shown[0].find("position"), std::string::npos) << notifier.m_shown[0];
        EXPECT_EQ(root->GetChildsCount(), 1);
    }
}

// A word of any length is echoed only as far as a reader can take in; words
// in UTF-8 are words like any other.
TEST_F(SgOpenActionTest, LongAndUtf8WordsAreEchoedReadably)
{
    const std::string longWord(100000, 'w');
    struct Case {
        const char *what;
        std::string word;
        size_t longest;
    };
    const Case cases[] = {
        {"a 100 KB word", longWord, 200},
        {"a short UTF-8 word", "Gr\xc3\xbc\xc3\x9f", 200},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::string &text : {kV1 + c.word + " { }\n", kV1 + "Separator {\n" + c.word + " 1 2\n}\n",
                                        kV1 + "Material {\n" + c.word + " 1 2\n}\n"}) {
            const ReadResult r = ReadText(text);
            EXPECT_TRUE(r.ok) << r.report.substr(0, 300);
            ASSERT_EQ(r.messages.size(), 1u) << r.report.substr(0, 300);
            EXPECT_LE(r.messages[0].text.size(), c.longest) << r.messages[0].text.substr(0, 300);
            EXPECT_NE(r.messages[0].text.find(c.word.substr(0, 60)), std::string::npos) << r.messages[0].text;
        }
    }
}

// --- Shared format helpers --------------------------------------------------------------

TEST(Vrml1FormatTest, QuotedTextRoundTripsWithDoubledQuotes)
{
    const std::vector<std::string> texts = {"", "plain", "\"", "a \"b\" c", "\"\"\"\"", "line\nbreak",
                                            std::string(10000, '"')};
    for (const std::string &text : texts) {
        std::ostringstream out;
        Vrml1Format::WriteQuoted(out, text);
        EXPECT_EQ(out.str(), Vrml1Format::Quoted(text));
        std::istringstream in(out.str() + " next");
        std::string back;
        ASSERT_TRUE(Vrml1Format::ReadQuoted(in, back)) << out.str();
        EXPECT_EQ(back, text) << "written as " << out.str();
        std::string rest;
        in >> rest;
        EXPECT_EQ(rest, "next") << "the reader must stop right after the closing quote";
    }
}

TEST(Vrml1FormatTest, KeywordsAndClassNamesMapBothWays)
{
    struct Case {
        const char *className;
        const char *keyword;
    };
    for (const Case &c : {Case{"SgTexture2D", "Texture2"}, Case{"SgDirLight", "DirectionalLight"},
                          Case{"SgMaterial", "Material"}, Case{"SgCoordinate3", "Coordinate3"},
                          Case{"SgTextureCoordinate2", "TextureCoordinate2"}, Case{"SgGroup", "Group"}}) {
        EXPECT_EQ(Vrml1Format::KeywordForClassName(c.className), c.keyword);
        EXPECT_EQ(Vrml1Format::ClassNameForKeyword(c.keyword), c.className) << c.keyword;
    }
    EXPECT_EQ(Vrml1Format::ClassNameForKeyword("ImageTexture"), "SgTexture2D");
    EXPECT_EQ(Vrml1Format::ClassNameForKeyword("Collision"), "SgGroup");
    EXPECT_EQ(Vrml1Format::KeywordForClassName("DxThing"), "DxThing");
}

TEST(Vrml1FormatTest, NodeIdsParseOnlyAsTwoIntegers)
{
    NodeID id;
    EXPECT_TRUE(Vrml1Format::ParseNodeID("12_-3", id));
    EXPECT_EQ(id, (NodeID{12, -3}));
    EXPECT_EQ(Vrml1Format::FormatNodeID(id), "12_-3");
    for (const char *bad : {"12", "12_", "_3", "a_b", "1_2_3", "1_2x", "99999999999_1"})
        EXPECT_FALSE(Vrml1Format::ParseNodeID(bad, id)) << bad;
    EXPECT_EQ(Vrml1Format::FormatNodeID(NodeID{}), "");
}

// --- Inputs the fuzzer found ---------------------------------------------------------------

struct FuzzCase {
    const char *name;
    std::string text;
};

class SgOpenActionFuzzRegressionTest : public ::testing::TestWithParam<FuzzCase> {
protected:
    void SetUp() override { InitReaderTestClasses(); }
};

// Each text once crashed the reader or broke its bookkeeping; now it must read
// (or fail cleanly) and leave a graph whose every node is still alive.
TEST_P(SgOpenActionFuzzRegressionTest, ReadsWithoutCrashing)
{
    const ReadResult r = ReadText(GetParam().text);
    if (r.ok) {
        for (int i = 0; i < r.ChildCount(); ++i)
            EXPECT_NE(r.Child(i)->GetClassName(), nullptr);
    } else {
        EXPECT_EQ(r.ChildCount(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fuzz, SgOpenActionFuzzRegressionTest,
    ::testing::Values(
        // A "NodeID" line took the name of the object around it, which let go
        // of that object while its block was still being read.
        FuzzCase{"NodeIdRenamesEnclosingObject",
                 kV1 + "Object {\nNodeID 4_4\nObject {\nNodeID 4_4\n}\n}\nSeparator { USE 4_4 }\n"},
        // Read back from what the writer made of a dialect-2 shape.
        FuzzCase{"Dialect1ShapeInObject", kV1 + "Object {\nSeparator {\nShape {\n}\n}\n}\n"}),
    [](const ::testing::TestParamInfo<FuzzCase> &info) { return info.param.name; });

// --- Face sets that cannot be drawn whole ------------------------------------------

struct BadFacesCase {
    const char *name;
    std::string text;
    std::vector<int> kept; // the index array after reading
};

class SgOpenActionBadFacesTest : public SgOpenActionTest, public ::testing::WithParamInterface<BadFacesCase> {};

// Faces that name missing points or have fewer than three corners are
// dropped as the file is read, with one message for the node, so that they
// are neither drawn nor written back.
TEST_P(SgOpenActionBadFacesTest, BadFacesAreDroppedWithOneMessage)
{
    const ReadResult r = ReadText(kV1 + GetParam().text);
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_EQ(r.messages.size(), 1u) << r.report;
    ASSERT_EQ(r.ChildCount(), 1);
    if (auto *mesh = As<SgIndexedFaceSet>(r.Child(0)))
        EXPECT_EQ(mesh->m_coordIndex.GetValues(), GetParam().kept);
    else if (auto *faces = As<SgFaceSet>(r.Child(0)))
        EXPECT_EQ(faces->m_indexes.GetValues(), GetParam().kept);
    else
        ADD_FAILURE() << "no face set read";
}

INSTANTIATE_TEST_SUITE_P(
    FaceSets, SgOpenActionBadFacesTest,
    ::testing::Values(
        BadFacesCase{"IndexedTwoCorners",
                     "IndexedFaceSet { coordIndex [0, 1, 2, -1, 0, 1, -1, 2, 3, 0, -1] }\n", {0, 1, 2, -1, 2, 3, 0, -1}},
        BadFacesCase{"IndexedNegativeIndex",
                     "IndexedFaceSet { coordIndex [0, 1, -5, 2, -1, 0, 2, 3] }\n", {0, 2, 3, -1}},
        BadFacesCase{"FaceSetMissingVertex",
                     "FaceSet { vertices [(0,0,0), (1,0,0), (1,1,0)] indexes [0, 1, 2, 0, 1, 9] "
                     "sizes [3, 3] loopCount [1, 1] surfID [0, 0] }\n",
                     {0, 1, 2}},
        BadFacesCase{"FaceSetTwoCorners",
                     "FaceSet { vertices [(0,0,0), (1,0,0), (1,1,0)] indexes [0, 1, 0, 1, 2] "
                     "sizes [2, 3] loopCount [1, 1] surfID [0, 0] }\n",
                     {0, 1, 2}}),
    [](const ::testing::TestParamInfo<BadFacesCase> &info) { return info.param.name; });

// --- Files as other programs write them ---------------------------------------------

namespace {

std::string ReadFixture(const std::string &name)
{
    std::ifstream file(std::string(FENNIX_TEST_DATA) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    EXPECT_FALSE(text.str().empty()) << name << " is missing";
    return text.str();
}

struct RealFileCase {
    const char *name;
    const char *fixture;
    // Class names and how many of each the scene must hold.
    std::vector<std::pair<std::string, int>> counts;
    size_t messages;
};

class SgOpenActionRealFileTest : public SgOpenActionTest, public ::testing::WithParamInterface<RealFileCase> {};

} // namespace

TEST_P(SgOpenActionRealFileTest, EveryNodeOfTheFileIsRead)
{
    const RealFileCase &c = GetParam();
    const ReadResult r = ReadText(ReadFixture(c.fixture));
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_EQ(r.messages.size(), c.messages) << r.report;
    for (const auto &[className, expected] : c.counts)
        EXPECT_EQ(CountClass(r.root.get(), className), expected) << className << "\n" << r.report;
}

INSTANTIATE_TEST_SUITE_P(
    RealFiles, SgOpenActionRealFileTest,
    ::testing::Values(
        RealFileCase{"BracesWithoutBlanks",
                     "real_file_braces_without_blanks.wrl",
                     {{"SgSeparator", 4}, {"SgGroup", 1}, {"SgSphere", 1}, {"SgCube", 1}, {"SgInfo", 1},
                      {"SgIndexedFaceSet", 1}, {"SgMaterial", 1}, {"SgTransform", 1}},
                     0},
        RealFileCase{"UnquotedStrings", "unquoted_texture_names.wrl", {{"SgTexture2D", 3}, {"SgCube", 3}}, 0},
        RealFileCase{"CarriageReturnLineEnds", "cr_line_ends.wrl", {{"SgMaterial", 1}, {"SgSphere", 1}}, 0},
        RealFileCase{"CommentsInsideLists", "comments_inside_lists.wrl",
                     {{"SgCoordinate3", 1}, {"SgIndexedFaceSet", 1}}, 0},
        RealFileCase{"UnknownWordAloneOnItsLine", "unknown_word_alone_on_its_line.wrl",
                     {{"SgMaterial", 1}, {"SgSphere", 1}, {"SgCube", 1}}, 1}),
    [](const ::testing::TestParamInfo<RealFileCase> &info) { return info.param.name; });

TEST_F(SgOpenActionTest, GluedBracesKeepEveryValue)
{
    const ReadResult r = ReadText(ReadFixture("real_file_braces_without_blanks.wrl"));
    ASSERT_TRUE(r.ok) << r.report;
    auto *outer = As<SgSeparator>(r.Child(0));
    ASSERT_NE(outer, nullptr);
    auto *inner = As<SgSeparator>(outer->GetChild(1));
    ASSERT_NE(inner, nullptr) << r.report;
    auto *material = As<SgMaterial>(inner->GetChild(1));
    ASSERT_NE(material, nullptr);
    ASSERT_EQ(material->m_diffuseColor.GetCount(), 2);
    auto *last = As<SgSeparator>(outer->GetChild(2));
    ASSERT_NE(last, nullptr);
    auto *coords = As<SgCoordinate3>(last->GetChild(0));
    ASSERT_NE(coords, nullptr);
    EXPECT_EQ(coords->m_point.GetCount(), 3);
}

TEST_F(SgOpenActionTest, UnquotedFileNamesAreKept)
{
    const ReadResult r = ReadText(ReadFixture("unquoted_texture_names.wrl"));
    ASSERT_TRUE(r.ok) << r.report;
    auto *top = As<SgSeparator>(r.Child(0));
    ASSERT_NE(top, nullptr);
    const char *expected[] = {"../textures/wood_clear.jpg", "stone.bmp", "quoted name.jpg"};
    for (int i = 0; i < 3; ++i) {
        auto *texture = As<SgTexture2D>(top->GetChild(2 * i));
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->m_filename.Get(true).GetPath(), expected[i]);
    }
    EXPECT_EQ(As<SgTexture2D>(top->GetChild(2))->m_wrapS.Get(), 1) << "the field after a bare name is read too";
}

TEST_F(SgOpenActionTest, CarriageReturnsEndLinesAndMessagesCountThem)
{
    const ReadResult r = ReadText("#VRML V1.0 ascii\rSeparator {\r\rGizmo\rSphere { radius 3 }\r}\r");
    ASSERT_TRUE(r.ok) << r.report;
    ASSERT_EQ(r.messages.size(), 1u) << r.report;
    EXPECT_EQ(r.messages[0].line, 4) << r.report;
    ASSERT_EQ(r.ChildCount(), 1);
    EXPECT_EQ(CountClass(r.root.get(), "SgSphere"), 1);
    // Windows line ends stay one line end each.
    const ReadResult crlf = ReadText("#VRML V1.0 ascii\r\nSeparator {\r\n\r\nGizmo\r\nSphere { }\r\n}\r\n");
    ASSERT_EQ(crlf.messages.size(), 1u) << crlf.report;
    EXPECT_EQ(crlf.messages[0].line, 4) << crlf.report;
}

TEST_F(SgOpenActionTest, AnUnknownWordAloneOnItsLineCostsNothingAfterIt)
{
    const ReadResult r = ReadText(ReadFixture("unknown_word_alone_on_its_line.wrl"));
    ASSERT_TRUE(r.ok) << r.report;
    ASSERT_EQ(r.messages.size(), 1u) << r.report;
    EXPECT_NE(r.messages[0].text.find("Gizmo"), std::string::npos) << r.report;
    EXPECT_EQ(r.messages[0].line, 4) << "the message names the word's own line";
}

// A primitive's own separator takes what the file adds to it; the nodes of the
// file's separator live on in it (they were once freed before being moved).
struct PrimitiveSeparatorCase {
    const char *name;
    const char *keyword;
};

class SgOpenActionPrimitiveSeparatorTest : public SgOpenActionTest,
                                           public ::testing::WithParamInterface<PrimitiveSeparatorCase> {};

TEST_P(SgOpenActionPrimitiveSeparatorTest, UnnamedChildrenOfThePrimitivesSeparatorSurvive)
{
    const std::string keyword = GetParam().keyword;
    const ReadResult r = ReadText(kV1 + keyword + " { Separator { Info { } Info { string \"b\" } } }\n" +
                                  keyword + " { Separator { DEF 1_1 Info { } } }\nSeparator { USE 1_1 }\n");
    ASSERT_TRUE(r.ok) << r.report;
    ASSERT_EQ(r.ChildCount(), 3) << r.report;
    auto *shape = dynamic_cast<SgGeometricShape *>(r.Child(0));
    ASSERT_NE(shape, nullptr);
    ASSERT_NE(shape->GetSeparator(), nullptr);
    int infos = 0;
    for (int i = 0; i < shape->GetSeparator()->GetChildsCount(); ++i)
        infos += As<SgInfo>(shape->GetSeparator()->GetChild(i)) != nullptr;
    EXPECT_EQ(infos, 2);
    auto *used = As<SgSeparator>(r.Child(2));
    ASSERT_EQ(used->GetChildsCount(), 1);
    EXPECT_NE(As<SgInfo>(used->GetChild(0)), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Primitives, SgOpenActionPrimitiveSeparatorTest,
    ::testing::Values(PrimitiveSeparatorCase{"Sphere", "Sphere"}, PrimitiveSeparatorCase{"Cone", "Cone"},
                      PrimitiveSeparatorCase{"Cylinder", "Cylinder"}, PrimitiveSeparatorCase{"Torus", "Torus"},
                      PrimitiveSeparatorCase{"Box", "Box"}),
    [](const ::testing::TestParamInfo<PrimitiveSeparatorCase> &info) { return info.param.name; });

// A face set that gives its faces by "sizes" alone (no "loopCount") keeps
// them: each size is a face of one loop, and the reader says it took them so.
// Arrays that still disagree are trimmed with a message, never in silence.
TEST_F(SgOpenActionTest, FaceSetWhoseArraysDisagreeKeepsWhatItCanAndSaysSo)
{
    ReadResult r = ReadText(kV1 + "FaceSet { vertices [(0,0,0),(1,0,0),(1,1,0),(0,1,0)] sizes [3,3] "
                                  "indexes [0,1,2,0,2,3] }\n");
    ASSERT_TRUE(r.ok) << r.report;
    auto *faces = As<SgFaceSet>(r.Child(0));
    ASSERT_NE(faces, nullptr);
    EXPECT_EQ(faces->GetFaceCount(), 2);
    EXPECT_EQ(faces->m_indexes.GetValues(), (std::vector<int>{0, 1, 2, 0, 2, 3}));
    ASSERT_EQ(r.messages.size(), 1u) << r.report;
    EXPECT_NE(r.messages[0].text.find("loopCount"), std::string::npos) << r.report;

    r = ReadText(kV1 + "FaceSet { vertices [(0,0,0),(1,0,0),(1,1,0)] loopCount [1] sizes [3, 3] "
                       "indexes [0,1,2,0,1,2] surfID [0] }\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_EQ(r.messages.size(), 1u) << "a trimmed face set must be reported\n" << r.report;
}

// A name written in Latin-1 by an older program is read as that text (one
// message for the file), and its USE finds it; junk of high bytes stays binary.
TEST_F(SgOpenActionTest, Latin1NamesAreReadAsLatin1)
{
    const ReadResult r = ReadText(kV1 + "DEF K\xfcrbis Material { shininess 0.5 }\nSeparator { USE K\xfcrbis }\n"
                                        "DEF Gr\xfc\xdf Info { }\n");
    ASSERT_TRUE(r.ok) << r.report;
    ASSERT_EQ(r.messages.size(), 1u) << r.report;
    EXPECT_NE(r.messages[0].text.find("K\xc3\xbcrbis"), std::string::npos) << r.report;
    ASSERT_EQ(r.ChildCount(), 3);
    auto *used = As<SgSeparator>(r.Child(1));
    ASSERT_EQ(used->GetChildsCount(), 1);
    EXPECT_EQ(used->GetChild(0), r.Child(0));
}

// One bad number in a long array costs that number alone, with a message;
// numbers run together ("1.2.3", "1e2.5") are bad numbers, not two.
struct BadNumberCase {
    const char *name;
    std::string field;
    std::vector<int> kept; // the index array read
};

class SgOpenActionBadNumberTest : public SgOpenActionTest, public ::testing::WithParamInterface<BadNumberCase> {};

TEST_P(SgOpenActionBadNumberTest, TheGoodNumbersAreKeptAndTheBadOneReported)
{
    const ReadResult r = ReadText(kV1 + "IndexedFaceSet { coordIndex " + GetParam().field + " }\nMaterial { }\n");
    ASSERT_TRUE(r.ok) << r.report;
    ASSERT_EQ(r.ChildCount(), 2) << r.report;
    auto *mesh = As<SgIndexedFaceSet>(r.Child(0));
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->m_coordIndex.GetValues(), GetParam().kept) << r.report;
    ASSERT_GE(r.messages.size(), 1u) << "the bad number must be reported";
    EXPECT_NE(r.messages[0].text.find("Bad value"), std::string::npos) << r.report;
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, SgOpenActionBadNumberTest,
    ::testing::Values(BadNumberCase{"OneWordInAList", "[0, 1, 2, x, 3, 4, 5, -1]", {0, 1, 2, 3, 4, 5, -1}},
                      BadNumberCase{"TwoPoints", "[0, 1, 1.2.3, 2, -1]", {0, 1, 2, -1}},
                      BadNumberCase{"ExponentWithAPoint", "[0, 1e2.5, 1, 2, -1]", {0, 1, 2, -1}},
                      BadNumberCase{"WithoutCommas", "[0 1 2 zz 3 -1]", {0, 1, 2, 3, -1}}),
    [](const ::testing::TestParamInfo<BadNumberCase> &info) { return info.param.name; });

TEST_F(SgOpenActionTest, ABadPointInALongArrayCostsThatPointAlone)
{
    std::string points;
    constexpr int kPoints = 100000;
    for (int i = 0; i < kPoints; ++i)
        points += (i ? ", " : "") + (i == 500 ? std::string("(1, x, 3)") : "(" + std::to_string(i) + ", 0, 0)");
    const ReadResult r = ReadText(kV1 + "Coordinate3 { point [" + points + "] }\n");
    ASSERT_TRUE(r.ok) << r.report;
    auto *coordinates = As<SgCoordinate3>(r.Child(0));
    ASSERT_NE(coordinates, nullptr);
    EXPECT_EQ(coordinates->m_point.GetCount(), kPoints - 1);
    EXPECT_EQ(coordinates->m_point.GetValue(500).x, 501.0) << "the points after the bad one stay in step";
    EXPECT_EQ(r.messages.size(), 1u) << r.report;
}

TEST_F(SgOpenActionTest, NumbersRunTogetherInAFloatListAreOneBadNumber)
{
    const ReadResult r = ReadText(kV1 + "Material { shininess [0.5, 1.2.3, 1e2.5, 0.25] }\n");
    ASSERT_TRUE(r.ok) << r.report;
    auto *material = As<SgMaterial>(r.Child(0));
    ASSERT_NE(material, nullptr);
    ASSERT_EQ(material->m_shininess.GetCount(), 2) << r.report;
    EXPECT_FLOAT_EQ(material->m_shininess.GetValue(0), 0.5f);
    EXPECT_FLOAT_EQ(material->m_shininess.GetValue(1), 0.25f);
    ASSERT_EQ(r.messages.size(), 1u) << r.report;
    EXPECT_NE(r.messages[0].text.find("2 elements left out"), std::string::npos) << r.report;
}

// A field connected to a node written inside the connection, then connected
// again to another field of that same node by its name: the node stays
// alive, and the field reads the new source.
TEST_F(SgOpenActionTest, ReconnectingToTheInlineSourceKeepsItAndReadsTheNewField)
{
    const ReadResult r = ReadText(kV1 + "Transform {\n"
                                        "\ttranslation = DEF 7_7 Transform { translation 1 2 3 center 4 5 6 } . translation\n"
                                        "\ttranslation = USE 7_7 . center\n}\n");
    ASSERT_TRUE(r.ok) << r.report;
    EXPECT_TRUE(r.messages.empty()) << r.report;
    ASSERT_EQ(r.ChildCount(), 1);
    auto *transform = As<SgTransform>(r.Child(0));
    ASSERT_NE(transform, nullptr);
    EXPECT_EQ(transform->m_translation.Get(true), Vec3(4, 5, 6));
    ASSERT_NE(transform->m_translation.AsInput().GetSource(), nullptr) << "still connected";
}

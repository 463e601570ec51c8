// The scene writer on its own: block prefixes for shared nodes, which fields
// are written, quoting, camera blocks, connections, and what is never written.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tests/engine/EngineTestClasses.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/actions/Vrml1Stream.h"
#include "engine/core/DxInput.h"
#include "engine/core/DxOutput.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgGroup.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgSwitch.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgOffset.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/properties/SgAxis.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgInfo.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/core/SgModifier.h"
#include "engine/nodes/properties/SgTransform.h"
#include "tests/engine/core/TestNodes.h"

namespace {

// A minimal engine: one input port listed as a field, one output.
class SgTestEngine : public SgFieldMngr, public DxModule {
    SG_CLASS_HEADER(SgTestEngine, SgFieldMngr)
    SgTestEngine()
    {
        SetModuleKind(kEngine);
        AddField(m_input, "input");
    }
    void Evaluate() override { m_output = m_input.GetSource() ? 2 * m_input.Get() : 0.0; }

    DxInput1<double> m_input{this};
    DxOutput<double> m_output{this};

protected:
    ~SgTestEngine() override = default;
};
SG_CLASS_SOURCE(SgTestEngine, SgFieldMngr, SgFieldMngr, "SgTestEngine")

// A node that lists other nodes in a node-pointer array.
class SgTestLinks : public SgNode {
    SG_CLASS_HEADER(SgTestLinks, SgFieldMngr)
    SgTestLinks() { AddField(m_links, "links"); }
    SgVFNodePtr m_links;

protected:
    ~SgTestLinks() override = default;
};
SG_CLASS_SOURCE(SgTestLinks, SgNode, SgFieldMngr, "SgTestLinks")

size_t CountOf(const std::string &text, const std::string &what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++count;
    return count;
}

} // namespace

void RegisterSaveTestClasses()
{
    InitTestClasses();
    SgTestEngine::InitClass();
    SgTestLinks::InitClass();
}

namespace {

class SgSaveActionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterSaveTestClasses(); }

    // The text one fresh action writes for the node.
    static std::string Write(SgNode *node, bool skipRoots = false)
    {
        std::ostringstream text;
        Vrml1Stream stream(text);
        SgSaveAction action(skipRoots);
        action.SetStream(&stream);
        EXPECT_TRUE(action.Apply(node)) << action.GetError();
        return text.str();
    }
};

TEST_F(SgSaveActionTest, HeaderNamesTheDialectAndTheVersion)
{
    std::ostringstream text;
    Vrml1Stream stream(text);
    SgSaveAction action;
    action.SetStream(&stream);
    action.WriteHeader(102);
    EXPECT_EQ(text.str(), "#VRML V1.0 ascii 102\n");
}

TEST_F(SgSaveActionTest, ApplyWithoutAStreamFailsInsteadOfWritingNowhere)
{
    SgRef<SgGroup> group(new SgGroup);
    SgSaveAction action;
    EXPECT_FALSE(action.Apply(group));
    EXPECT_NE(action.GetError().find("no stream"), std::string::npos) << action.GetError();
}

TEST_F(SgSaveActionTest, SharedNodeIsWrittenOnceAndThenUsed)
{
    SgRef<SgGroup> root(new SgGroup);
    SgRef<SgSeparator> left(new SgSeparator);
    SgRef<SgSeparator> right(new SgSeparator);
    SgRef<SgMaterial> shared(new SgMaterial);
    shared->SetID({7, 2});
    left->AddChild(shared);
    right->AddChild(shared);
    root->AddChild(left);
    root->AddChild(right);

    const std::string text = Write(root);
    EXPECT_EQ(CountOf(text, "DEF 7_2 Material {\n"), 1u) << text;
    EXPECT_EQ(CountOf(text, "USE 7_2 "), 1u) << text;
    EXPECT_EQ(CountOf(text, "Material {"), 1u) << "the shared block was written twice:\n" << text;
    EXPECT_LT(text.find("DEF 7_2"), text.find("USE 7_2")) << text;
    EXPECT_EQ(CountOf(text, "DEF "), 1u) << "a node with one parent got a prefix:\n" << text;
}

TEST_F(SgSaveActionTest, SharedNodeWithoutAnIdIsGivenOneBeforeItsDef)
{
    SgRef<SgGroup> root(new SgGroup);
    SgRef<SgMaterial> shared(new SgMaterial);
    ASSERT_TRUE(shared->GetID().IsNull());
    root->AddChild(shared);
    root->AddChild(shared);

    const std::string text = Write(root);
    ASSERT_FALSE(shared->GetID().IsNull()) << "the node was written without an id of its own";
    const std::string id =
        std::to_string(shared->GetID().first) + "_" + std::to_string(shared->GetID().second);
    EXPECT_EQ(CountOf(text, "DEF " + id + " Material"), 1u) << text;
    EXPECT_EQ(CountOf(text, "USE " + id + " "), 1u) << text;
}

// A copied node keeps its original's persistent id; keyed by id, the second
// node would be written as "USE" of the first and come back as the same node.
TEST_F(SgSaveActionTest, TwoNodesWithOneIdAreWrittenUnderTwoIds)
{
    SgRef<SgGroup> root(new SgGroup);
    SgRef<SgMaterial> first(new SgMaterial);
    SgRef<SgMaterial> copy(new SgMaterial);
    first->SetID({7, 2});
    copy->SetID({7, 2});
    for (SgMaterial *material : {first.get(), copy.get()}) {
        root->AddChild(material);
        root->AddChild(material);
    }

    const std::string text = Write(root);
    EXPECT_EQ(first->GetID(), (NodeID{7, 2})) << "the node written first keeps its id";
    ASSERT_NE(copy->GetID(), (NodeID{7, 2})) << "the copy was not told apart";
    const std::string copyId = std::to_string(copy->GetID().first) + "_" + std::to_string(copy->GetID().second);
    EXPECT_EQ(CountOf(text, "DEF "), 2u) << text;
    EXPECT_EQ(CountOf(text, "DEF 7_2 "), 1u) << text;
    EXPECT_EQ(CountOf(text, "DEF " + copyId + " "), 1u) << text;
    EXPECT_EQ(CountOf(text, "USE 7_2 "), 1u) << text;
    EXPECT_EQ(CountOf(text, "USE " + copyId + " "), 1u) << text;
}

TEST_F(SgSaveActionTest, OnlyFieldsThatDifferFromTheClassDefaultAreWritten)
{
    SgRef<SgTransform> fresh(new SgTransform);
    EXPECT_EQ(Write(fresh), "Transform {\n}\n");

    SgRef<SgTransform> moved(new SgTransform);
    moved->m_translation = Vec3(1, 2, 3);
    const std::string text = Write(moved);
    EXPECT_EQ(CountOf(text, "\ttranslation "), 1u) << text;
    EXPECT_EQ(CountOf(text, "\t"), 1u) << "a field at its default was written:\n" << text;

    // An output-only field never is, whatever its value.
    moved->m_translation.SetOutputOnly(true);
    EXPECT_EQ(Write(moved), "Transform {\n}\n");
}

TEST_F(SgSaveActionTest, NamesAndStringsEscapeAnEmbeddedQuote)
{
    SgRef<SgInfo> info(new SgInfo);
    info->SetName("say \"hi\"");
    info->m_data = std::string("two words and a \" quote");
    const std::string text = Write(info);
    EXPECT_NE(text.find("NodeName\t\"say \\\"hi\\\"\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\tdata \"two words and a \\\" quote\"\n"), std::string::npos) << text;
}

TEST_F(SgSaveActionTest, CameraOperatorWritesEveryCameraValue)
{
    struct Case {
        unsigned short perspective;
        const char *expected;
    };
    const Case cases[] = {
        {1, "\nPerspectiveCamera\t{\n\tposition\t1 2 3\n\torientation\t0 0 1 0.5\n\tfarDistance\t500"
            "\n\tnearDistance\t0.5\n\theight\t7\n\theightAngle\t30\n\taspectRatio\t1.5\n\ttargetDistance\t12\n}"},
        {0, "\nOrthographicCamera\t{\n\tposition\t1 2 3\n\torientation\t0 0 1 0.5\n\tfarDistance\t500"
            "\n\tnearDistance\t0.5\n\theightAngle\t30\n\theight\t7\n\taspectRatio\t1.5\n\ttargetDistance\t12\n}"},
    };
    for (const Case &c : cases) {
        SgRef<SgCamera> camera(new SgCamera);
        camera->m_perspective = c.perspective;
        camera->m_position = Vec3f(1, 2, 3);
        camera->m_orientation = Rotation(Vec3(0, 0, 1), 0.5);
        camera->m_farDistance = 500.0;
        camera->m_nearDistance = 0.5;
        camera->m_height = 7.0;
        camera->m_heightAngle = 30.0;
        camera->m_aspectRatio = 1.5;
        camera->m_targetDistance = 12.0;
        std::ostringstream text;
        Vrml1Stream stream(text);
        stream << *camera;
        EXPECT_EQ(text.str(), c.expected) << "perspective " << c.perspective;
    }
}

TEST_F(SgSaveActionTest, CameraInTheGraphIsWrittenInTheCameraBlockLayout)
{
    SgRef<SgCamera> camera(new SgCamera);
    camera->m_perspective = static_cast<unsigned short>(0);
    const std::string text = Write(camera);
    std::ostringstream block;
    Vrml1Stream stream(block);
    stream << *camera;
    EXPECT_EQ(text, block.str() + "\n");
    EXPECT_EQ(text.rfind("\nOrthographicCamera\t{\n\tposition\t", 0), 0u) << text;
    for (const char *field : {"position", "orientation", "farDistance", "nearDistance", "height",
                              "heightAngle", "aspectRatio", "targetDistance"})
        EXPECT_EQ(CountOf(text, std::string("\t") + field + "\t"), 1u) << field << " in\n" << text;
    EXPECT_EQ(CountOf(text, "perspective"), 0u) << "the keyword carries it:\n" << text;

    // Shared: the id line inside the block names it, later meetings use it.
    SgRef<SgGroup> root(new SgGroup);
    SgRef<SgCamera> shared(new SgCamera);
    shared->SetID({3, 4});
    root->AddChild(shared);
    root->AddChild(shared);
    const std::string sharedText = Write(root);
    EXPECT_EQ(CountOf(sharedText, "\nPerspectiveCamera\t{\nNodeID 3_4\n"), 1u) << sharedText;
    EXPECT_EQ(CountOf(sharedText, "USE 3_4"), 1u) << sharedText;
    EXPECT_EQ(CountOf(sharedText, "DEF"), 0u) << sharedText;

    // A camera class of its own is no plain camera: it keeps its class.
    SgRef<SgTargetCamera> target(new SgTargetCamera);
    EXPECT_EQ(Write(target), "TargetCamera {\n}\n");
}

TEST_F(SgSaveActionTest, EditingMachineryIsNotWritten)
{
    SgRef<SgGroup> root(new SgGroup);
    root->AddChild(new SgAxis);
    SgRef<SgGizmoGroup> emptyGizmos(new SgGizmoGroup);
    emptyGizmos->AddChild(new SgTransform);
    root->AddChild(emptyGizmos);
    EXPECT_EQ(Write(root), "Group {\n}\n");

    // A gizmo group stands for its modifier and nothing else.
    SgRef<SgGizmoGroup> gizmos(new SgGizmoGroup);
    gizmos->AddChild(new SgTransform);
    gizmos->AddChild(new SgControlModifier);
    EXPECT_EQ(Write(gizmos), "ControlModifier {\n\n}\n");
}

TEST_F(SgSaveActionTest, RootsAreSkippedOnlyWhenAsked)
{
    SgRef<SgGroup> root(new SgGroup);
    SgRef<SgGroup> marked(new SgGroup);
    marked->SetRoot(true);
    marked->AddChild(new SgTransform);
    root->AddChild(marked);
    EXPECT_EQ(Write(root, true), "Group {\n}\n");
    EXPECT_EQ(Write(root, false), "Group {\nGroup {\nTransform {\n}\n}\n}\n");
}

TEST_F(SgSaveActionTest, SwitchWritesEveryChildWhateverItShows)
{
    SgRef<SgSwitch> sw(new SgSwitch);
    sw->AddChild(new SgTransform);
    sw->AddChild(new SgMaterial);
    sw->m_whichChild = 1;
    EXPECT_EQ(Write(sw), "Switch {\n\twhichChild 1\nTransform {\n}\nMaterial {\n}\n}\n");
}

TEST_F(SgSaveActionTest, NodePointerFieldHoldsTheBlockOrAnEmptyLine)
{
    SgRef<SgControlModifier> modifier(new SgControlModifier);
    EXPECT_EQ(Write(modifier), "ControlModifier {\n\n}\n") << "null pointer";

    modifier->m_refNode = NodePtr(new SgTransform);
    EXPECT_EQ(Write(modifier), "ControlModifier {\n\trefNode Transform {\n}\n\n}\n");
}

// A list of nodes has no text form; the save refuses it rather than write a
// scene that reads back with the list empty.
TEST_F(SgSaveActionTest, ANodePointerArrayWithNodesRefusesTheSave)
{
    SgRef<SgTestLinks> links(new SgTestLinks);
    EXPECT_EQ(Write(links), "TestLinks {\n}\n") << "an empty list loses nothing";

    links->m_links.SetValue(0, NodePtr(new SgTransform));
    std::ostringstream text;
    Vrml1Stream stream(text);
    SgSaveAction action;
    action.SetStream(&stream);
    EXPECT_FALSE(action.Apply(links));
    EXPECT_NE(action.GetError().find("links"), std::string::npos) << action.GetError();
}

TEST_F(SgSaveActionTest, ConnectionNamesItsSourceNodeAndField)
{
    SgRef<SgGroup> root(new SgGroup);
    SgRef<SgTransform> driver(new SgTransform);
    SgRef<SgTransform> driven(new SgTransform);
    driver->SetID({5, 1});
    driver->m_translation = Vec3(4, 5, 6);
    driver->m_translation.AsOutput().Connect(driven->m_translation.AsInput());

    // Source first: a "USE" in the connection.
    root->AddChild(driver);
    root->AddChild(driven);
    std::string text = Write(root);
    EXPECT_EQ(CountOf(text, "DEF 5_1 Transform {"), 1u) << text;
    EXPECT_NE(text.find("\ttranslation  = USE 5_1  . translation\n"), std::string::npos) << text;

    // Driven first: the source's block stands in the connection and is used
    // where the group holds it.
    root->Clear();
    root->AddChild(driven);
    root->AddChild(driver);
    text = Write(root);
    EXPECT_NE(text.find("\ttranslation  = DEF 5_1 Transform {\n"), std::string::npos) << text;
    EXPECT_NE(text.find("}\n . translation\n"), std::string::npos) << text;
    EXPECT_EQ(CountOf(text, "USE 5_1 "), 1u) << text;
    EXPECT_EQ(CountOf(text, "Transform {"), 2u) << text;
}

TEST_F(SgSaveActionTest, ObjectIsWrittenWithItsOwnChildList)
{
    SgRef<SgObject> object(new SgObject);
    object->SetName("box");
    object->m_layer = 3;
    const std::string text = Write(object);
    EXPECT_EQ(text, "Object {\nNodeName\t\"box\"\n\tlayer 3\nTransform {\n}\nSeparator {\n}\n}\n");
}

// Nesting the reader would refuse, and a graph that holds itself through
// node-pointer fields, fail the write with a message instead of writing an
// unreadable file or running out of stack.
TEST_F(SgSaveActionTest, GraphsTooDeepToReadBackAreRefused)
{
    SgRef<SgGroup> top(new SgGroup);
    SgGroup *deepest = top;
    for (int i = 0; i < 1000; ++i) {
        auto *inner = new SgGroup;
        deepest->AddChild(inner);
        deepest = inner;
    }
    std::ostringstream text;
    Vrml1Stream stream(text);
    SgSaveAction deep;
    deep.SetStream(&stream);
    EXPECT_FALSE(deep.Apply(top));
    EXPECT_NE(deep.GetError().find("nested deeper"), std::string::npos) << deep.GetError();

    SgRef<SgControlModifier> a(new SgControlModifier);
    SgRef<SgControlModifier> b(new SgControlModifier);
    a->m_refNode = NodePtr(b.get());
    b->m_refNode = NodePtr(a.get());
    SgSaveAction cycle;
    cycle.SetStream(&stream);
    EXPECT_FALSE(cycle.Apply(a));
    EXPECT_NE(cycle.GetError().find("nested deeper"), std::string::npos) << cycle.GetError();
    b->m_refNode = NodePtr();
}

// A procedural shape is written with its own separator (which holds the
// curve it is built from); for export it is written as the result it built.
TEST_F(SgSaveActionTest, ExportedShapeIsWrittenAsItsBuiltResult)
{
    SgRef<SgOffset> offset(new SgOffset);
    offset->m_offset = 0.5f;
    offset->SetPolyline(new SgCircle, 0, false);
    const std::string own = Write(offset);
    EXPECT_EQ(own, "Offset {\n\toffset 0.5\nSeparator {\nCircle {\n}\n}\n}\n");

    auto *result = new SgPolyLine;
    result->SetName("built");
    offset->SetResultCache(result, nullptr);
    ASSERT_EQ(offset->GetResultCache(), result);

    std::ostringstream text;
    Vrml1Stream stream(text);
    SgSaveAction exporter;
    exporter.SetStream(&stream);
    exporter.m_nExportCaches = 1;
    ASSERT_TRUE(exporter.Apply(offset)) << exporter.GetError();
    EXPECT_EQ(text.str(), "PolyLine {\nNodeName\t\"built\"\n}\n");
    EXPECT_EQ(Write(offset), own) << "without the switch the result took the shape's place";
}

// An engine has no name in the text: it is written whole after each " = "
// that it drives, with the position of its output; its input ports hold no
// value, so an unconnected one is an empty line.
TEST_F(SgSaveActionTest, EngineIsWrittenWholeAtEveryConnection)
{
    SgRef<SgFieldMngr> engine(new SgTestEngine);
    auto *typed = static_cast<SgTestEngine *>(engine.get());
    SgRef<TestShape> a(new TestShape);
    SgRef<TestShape> b(new TestShape);
    typed->m_output.Connect(a->m_radius.AsInput());
    typed->m_output.Connect(b->m_radius.AsInput());
    SgRef<SgGroup> group(new SgGroup);
    group->AddChild(a);
    group->AddChild(b);

    std::string text = Write(group);
    EXPECT_EQ(CountOf(text, "\tradius  = TestEngine {\n\n}\n . 0\n"), 2u) << text;

    // An input driven by a node's field names that field.
    SgRef<TestShape> source(new TestShape);
    source->SetID({3, 4});
    source->m_radius = 5.0;
    source->m_radius.AsOutput().Connect(typed->m_input);
    group->AddChild(source);
    text = Write(group);
    EXPECT_EQ(CountOf(text, "TestEngine {\n\tinput  = "), 2u) << text;
    EXPECT_EQ(CountOf(text, "DEF 3_4 TestShape {"), 1u) << text;
    EXPECT_EQ(CountOf(text, " . radius\n}\n . 0\n"), 2u) << text;
    EXPECT_EQ(a->m_radius.Get(true), 10.0) << "the engine does not drive the field";
}

} // namespace

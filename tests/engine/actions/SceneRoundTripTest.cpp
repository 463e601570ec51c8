// Writer and reader together: a graph written, read back and written again
// gives the same text, and what the text stands for (sharing, ids, defaults,
// connections, cameras, quoted texts, numbers) survives the trip.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <numbers>
#include <sstream>
#include <string>

#include "engine/actions/SgFindAction.h"
#include "engine/actions/SgOpenAction.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/actions/Vrml1Format.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/actions/Vrml1Stream.h"
#include "engine/core/SgGroup.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgInfo.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "tests/engine/actions/SampleScene.h"
#include "tests/engine/core/TestNodes.h"

namespace {

std::string WriteScene(SgNode *root)
{
    std::ostringstream text;
    Vrml1Stream stream(text);
    SgSaveAction action(false);
    action.SetStream(&stream);
    action.WriteHeader(Vrml1Format::kWriterVersion);
    EXPECT_TRUE(action.Apply(root)) << action.GetError();
    return text.str();
}

// Reads a whole scene into a fresh "ROOT" separator; fails the test when the
// reader refuses it or has anything to say.
SgRef<SgSeparator> ReadScene(const std::string &text)
{
    std::istringstream in(text);
    Vrml1InStream stream(in, "scene.kvrx");
    stream.SetNotifyUser(false);
    SgRef<SgSeparator> root(new SgSeparator);
    root->SetName("ROOT");
    EXPECT_TRUE(SgOpenAction::ReadScene(stream, *root)) << stream.FormatMessages();
    EXPECT_TRUE(stream.GetMessages().empty()) << stream.FormatMessages() << "\nin\n" << text;
    return root;
}

// A scene holding the nodes under a "ROOT" separator, as the document writes it.
SgRef<SgSeparator> SceneOf(std::initializer_list<SgNode *> nodes)
{
    SgRef<SgSeparator> root(new SgSeparator);
    root->SetName("ROOT");
    for (SgNode *node : nodes)
        root->AddChild(node);
    return root;
}

std::string ReadFile(const char *path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class SceneRoundTripTest : public ::testing::Test {
protected:
    void SetUp() override { InitTestClasses(); }

    // Written, read and written again: the second text must be the first.
    static SgRef<SgSeparator> RoundTrip(SgNode *root, std::string *firstText = nullptr)
    {
        const std::string first = WriteScene(root);
        SgRef<SgSeparator> read = ReadScene(first);
        const std::string second = WriteScene(read);
        EXPECT_EQ(second, first) << "the second pass wrote other text";
        if (firstText)
            *firstText = first;
        return read;
    }
};

TEST_F(SceneRoundTripTest, SampleGraphWrittenReadAndWrittenAgainIsByteIdentical)
{
    SgRef<SgSeparator> sample = BuildSampleScene();
    std::string text;
    SgRef<SgSeparator> read = RoundTrip(sample, &text);
    EXPECT_EQ(read->GetChildsCount(), sample->GetChildsCount());
}

// The bundled sample is what the writer makes of the sample graph; set
// FENNIX_UPDATE_SAMPLE_SCENE=1 to rewrite it after a deliberate change.
TEST_F(SceneRoundTripTest, BundledSampleIsTheWritersTextOfTheSampleGraph)
{
    const std::string text = WriteScene(BuildSampleScene());
    if (const char *update = std::getenv("FENNIX_UPDATE_SAMPLE_SCENE"); update && *update == '1') {
        std::ofstream(SampleScenePath(), std::ios::binary) << text;
    }
    EXPECT_EQ(ReadFile(SampleScenePath()), text) << SampleScenePath() << " is out of date";
}

TEST_F(SceneRoundTripTest, SharedNodeReadsBackShared)
{
    SgRef<SgSeparator> left(new SgSeparator);
    SgRef<SgSeparator> right(new SgSeparator);
    SgRef<SgMaterial> shared(new SgMaterial);
    shared->SetID({7, 2});
    left->AddChild(shared);
    right->AddChild(shared);

    SgRef<SgSeparator> read = RoundTrip(SceneOf({left, right}));
    ASSERT_EQ(read->GetChildsCount(), 2);
    SgNode *a = read->GetChild(0)->GetChild(0);
    SgNode *b = read->GetChild(1)->GetChild(0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b) << "the shared material came back as two nodes";
    EXPECT_EQ(a->GetID(), (NodeID{7, 2}));
}

TEST_F(SceneRoundTripTest, NodesThatShareAnIdComeBackAsTwoNodes)
{
    SgRef<SgGroup> group(new SgGroup);
    SgRef<SgMaterial> first(new SgMaterial);
    SgRef<SgMaterial> copy(new SgMaterial);
    first->SetID({7, 2});
    copy->SetID({7, 2});
    const Color red(1, 0, 0, 1);
    first->m_diffuseColor.SetVals(1, &red);
    for (SgMaterial *material : {first.get(), copy.get()}) {
        group->AddChild(material);
        group->AddChild(material);
    }

    SgRef<SgSeparator> read = RoundTrip(SceneOf({group}));
    SgNode *readGroup = read->GetChild(0);
    ASSERT_EQ(readGroup->GetNumChildren(), 4);
    EXPECT_EQ(readGroup->GetChild(0), readGroup->GetChild(1));
    EXPECT_EQ(readGroup->GetChild(2), readGroup->GetChild(3));
    EXPECT_NE(readGroup->GetChild(0), readGroup->GetChild(2)) << "two different nodes came back as one";
    auto *readFirst = static_cast<SgMaterial *>(readGroup->GetChild(0));
    auto *readCopy = static_cast<SgMaterial *>(readGroup->GetChild(2));
    EXPECT_TRUE(readFirst->m_diffuseColor.Compare(&readFirst->m_diffuseColor, &first->m_diffuseColor));
    EXPECT_TRUE(readCopy->m_diffuseColor.Compare(&readCopy->m_diffuseColor, &copy->m_diffuseColor))
        << "the copy took the first node's colour";
}

// Every field of every node of the graph after the trip equals the field of
// the node written, defaults (which are not written) included.
TEST_F(SceneRoundTripTest, FieldsAtTheirDefaultReadBackAsTheDefault)
{
    SgRef<SgTransform> moved(new SgTransform);
    moved->m_translation = Vec3(1, 2, 3);
    SgRef<SgTransform> untouched(new SgTransform);
    SgRef<SgSeparator> read = RoundTrip(SceneOf({moved, untouched}));
    ASSERT_EQ(read->GetChildsCount(), 2);
    for (int i = 0; i < 2; ++i) {
        SgNode *written = i == 0 ? static_cast<SgNode *>(moved.get()) : untouched.get();
        SgNode *back = read->GetChild(i);
        ASSERT_EQ(back->GetClassID(), written->GetClassID());
        for (int f = 0; f < written->GetFieldsCount(); ++f) {
            SgField *field = written->GetFieldAddress(f);
            EXPECT_TRUE(field->Compare(field, back->GetFieldAddress(f)))
                << "node " << i << " field " << written->GetFieldName(f);
        }
    }
}

TEST_F(SceneRoundTripTest, ConnectionRoundTripsAndTheFieldFollowsItsSource)
{
    SgRef<SgTransform> driver(new SgTransform);
    SgRef<SgTransform> driven(new SgTransform);
    driver->SetID({5, 1});
    driver->m_translation = Vec3(4, 5, 6);
    driver->m_translation.AsOutput().Connect(driven->m_translation.AsInput());

    for (bool sourceFirst : {true, false}) {
        SgRef<SgSeparator> scene = sourceFirst ? SceneOf({driver, driven}) : SceneOf({driven, driver});
        SgRef<SgSeparator> read = RoundTrip(scene);
        ASSERT_EQ(read->GetChildsCount(), 2) << "source first: " << sourceFirst;
        auto *readDriver = dynamic_cast<SgTransform *>(read->GetChild(sourceFirst ? 0 : 1));
        auto *readDriven = dynamic_cast<SgTransform *>(read->GetChild(sourceFirst ? 1 : 0));
        ASSERT_TRUE(readDriver && readDriven);
        EXPECT_EQ(readDriven->m_translation.Get(true), Vec3(4, 5, 6)) << "source first: " << sourceFirst;
        readDriver->m_translation = Vec3(-1, 0, 7);
        EXPECT_EQ(readDriven->m_translation.Get(true), Vec3(-1, 0, 7))
            << "the read field no longer follows its source (source first: " << sourceFirst << ")";
    }
}

TEST_F(SceneRoundTripTest, CameraKeepsEveryValueAndItsProjection)
{
    for (unsigned short perspective : {0, 1}) {
        SgRef<SgCamera> camera(new SgCamera);
        camera->m_perspective = perspective;
        camera->m_position = Vec3f(1, 2, 3);
        camera->m_orientation = Rotation(Vec3(0, 1, 0), 0.25);
        camera->m_nearDistance = 0.5;
        camera->m_farDistance = 250.0;
        camera->m_aspectRatio = 1.25;
        camera->m_height = 8.0;
        camera->m_heightAngle = 35.0;
        camera->m_targetDistance = 6.0;
        SgRef<SgSeparator> read = RoundTrip(SceneOf({camera}));
        ASSERT_EQ(read->GetChildsCount(), 1);
        SgNode *back = read->GetChild(0);
        ASSERT_EQ(back->GetClassID(), SgCamera::ClassID());
        for (int f = 0; f < camera->GetFieldsCount(); ++f) {
            SgField *field = camera->GetFieldAddress(f);
            EXPECT_TRUE(field->Compare(field, back->GetFieldAddress(f)))
                << "perspective " << perspective << " field " << camera->GetFieldName(f);
        }
    }
}

TEST_F(SceneRoundTripTest, QuotedTextsOfAnyLengthSurviveWithTheirQuotes)
{
    const std::string texts[] = {
        "",
        "\"",
        "a \"quoted\" word",
        "\"\"\"\" and { braces } [ brackets ] # not a comment",
        std::string(5000, 'x') + "\"" + std::string(3000, 'y'),
    };
    for (const std::string &text : texts) {
        SgRef<SgInfo> info(new SgInfo);
        info->SetName(text.c_str());
        info->m_data = text;
        SgRef<SgSeparator> read = RoundTrip(SceneOf({info}));
        ASSERT_EQ(read->GetChildsCount(), 1) << text.substr(0, 40);
        auto *back = dynamic_cast<SgInfo *>(read->GetChild(0));
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->GetName(), text) << "name of length " << text.size();
        EXPECT_EQ(back->m_data.Get(true), text) << "string field of length " << text.size();
    }
}

// Quotes and backslashes are written with a backslash before them, as other
// programs read them; a backslash before any other character stays alone, so
// paths keep their spelling. Every text reads back exactly.
TEST_F(SceneRoundTripTest, QuotesAndBackslashesAreWrittenEscaped)
{
    struct Case {
        std::string text;
        std::string written;
    } cases[] = {{"a \"q\" b \\ c", "\"a \\\"q\\\" b \\ c\""},
                 {"my \"odd\" name.bmp", "\"my \\\"odd\\\" name.bmp\""},
                 {"C:\\textures\\wood.bmp", "\"C:\\textures\\wood.bmp\""},
                 {"ends in \\", "\"ends in \\\\\""},
                 {"\\\\server", "\"\\\\\\server\""},
                 {"\\\"", "\"\\\\\\\"\""}};
    for (const Case &c : cases) {
        SgRef<SgInfo> info(new SgInfo);
        info->m_data = c.text;
        std::string text;
        SgRef<SgSeparator> read = RoundTrip(SceneOf({info}), &text);
        EXPECT_NE(text.find(c.written), std::string::npos) << c.written << " not in\n" << text;
        ASSERT_EQ(read->GetChildsCount(), 1) << text;
        EXPECT_EQ(dynamic_cast<SgInfo *>(read->GetChild(0))->m_data.Get(true), c.text) << text;
    }
}

TEST_F(SceneRoundTripTest, NumbersReadBackExactly)
{
    SgRef<SgCamera> camera(new SgCamera);
    camera->m_nearDistance = std::numbers::pi / 2;
    camera->m_farDistance = 2.5e6;
    camera->m_aspectRatio = 0.1;
    camera->m_position = Vec3f(0.1f, 1.0f / 3.0f, -7.25e-8f);
    std::string text;
    SgRef<SgSeparator> read = RoundTrip(SceneOf({camera}), &text);
    EXPECT_NE(text.find("1.5707963267948966"), std::string::npos) << text;
    EXPECT_NE(text.find("2.5e+06"), std::string::npos) << text;
    auto *back = dynamic_cast<SgCamera *>(read->GetChild(0));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->m_nearDistance.Get(true), std::numbers::pi / 2);
    EXPECT_EQ(back->m_aspectRatio.Get(true), 0.1);
    EXPECT_EQ(back->m_position.Get(true), Vec3f(0.1f, 1.0f / 3.0f, -7.25e-8f));
}

// The writer gives infinities and NaN as words; they read back in place, and
// the finite numbers around them in the same vector or list stay what they were.
TEST_F(SceneRoundTripTest, NonFiniteNumbersReadBackBesideTheirFiniteNeighbours)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    SgRef<SgTransform> transform(new SgTransform);
    transform->m_translation = Vec3(1.5, inf, -3.25);
    transform->m_scaleFactor = Vec3(nan, 2, -inf);
    SgRef<SgCoordinate3> points(new SgCoordinate3);
    const Vec3 list[] = {Vec3(0.25, nan, 4), Vec3(-inf, 5, 6)};
    points->m_point.SetVals(2, list);
    std::string text;
    SgRef<SgSeparator> read = RoundTrip(SceneOf({transform, points}), &text);
    EXPECT_NE(text.find("(1.5,inf,-3.25)"), std::string::npos) << text;
    EXPECT_NE(text.find("(nan,2,-inf)"), std::string::npos) << text;

    auto *transformBack = dynamic_cast<SgTransform *>(read->GetChild(0));
    auto *pointsBack = dynamic_cast<SgCoordinate3 *>(read->GetChild(1));
    ASSERT_TRUE(transformBack && pointsBack);
    const Vec3 t = transformBack->m_translation.Get(true);
    EXPECT_EQ(t.x, 1.5);
    EXPECT_EQ(t.y, inf);
    EXPECT_EQ(t.z, -3.25);
    const Vec3 s = transformBack->m_scaleFactor.Get(true);
    EXPECT_TRUE(std::isnan(s.x));
    EXPECT_EQ(s.y, 2);
    EXPECT_EQ(s.z, -inf);
    ASSERT_EQ(pointsBack->m_point.GetCount(), 2);
    const Vec3 p0 = pointsBack->m_point.GetValue(0), p1 = pointsBack->m_point.GetValue(1);
    EXPECT_EQ(p0.x, 0.25);
    EXPECT_TRUE(std::isnan(p0.y));
    EXPECT_EQ(p0.z, 4);
    EXPECT_EQ(p1.x, -inf);
    EXPECT_EQ(p1.y, 5);
    EXPECT_EQ(p1.z, 6);

    // Numbers without brackets, as a hand-written file gives them.
    SgRef<SgSeparator> plain =
        ReadScene("#VRML V1.0 ascii 102\nTransform {\n\ttranslation 1.5 -inf nan\n}\n");
    auto *plainTransform = dynamic_cast<SgTransform *>(plain->GetChild(0));
    ASSERT_NE(plainTransform, nullptr);
    const Vec3 u = plainTransform->m_translation.Get(true);
    EXPECT_EQ(u.x, 1.5);
    EXPECT_EQ(u.y, -inf);
    EXPECT_TRUE(std::isnan(u.z));
}

TEST_F(SceneRoundTripTest, ObjectKeepsItsDepth)
{
    SgRef<SgObject> object(new SgObject);
    object->GetTransform(true)->m_translation = Vec3(1, 0, 0);
    object->AddPropertyNode(new SgMaterial, true);
    SgRef<SgObject> inner(new SgObject);
    object->AddChild(inner);

    SgRef<SgSeparator> read = RoundTrip(SceneOf({object}));
    auto *back = dynamic_cast<SgObject *>(read->GetChild(0));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->SgGroup::GetChildsCount(), object->SgGroup::GetChildsCount())
        << "the object's own list changed length";
    ASSERT_NE(back->GetInnerGroup(), nullptr);
    ASSERT_EQ(back->GetInnerGroup()->GetChildsCount(), 1);
    EXPECT_NE(dynamic_cast<SgObject *>(back->GetInnerGroup()->GetChild(0)), nullptr)
        << "the inner object moved to another depth";
    ASSERT_NE(back->GetTransform(), nullptr);
    EXPECT_EQ(back->GetTransform()->m_translation.Get(true), Vec3(1, 0, 0));

    // A node of the object's own list after its inner group stays there
    // rather than moving into the group (found by the round-trip fuzz target).
    SgRef<SgObject> trailing(new SgObject);
    trailing->GetInnerGroup()->AddChild(new SgBox);
    ASSERT_TRUE(trailing->AddPropertyNodeAfter(new SgMaterial, trailing->GetInnerGroup(), false));
    SgRef<SgSeparator> trailingBack = RoundTrip(SceneOf({trailing}));
    auto *after = dynamic_cast<SgObject *>(trailingBack->GetChild(0));
    ASSERT_NE(after, nullptr);
    ASSERT_NE(after->GetInnerGroup(), nullptr);
    EXPECT_EQ(after->GetInnerGroup()->GetChildsCount(), 1) << "the material moved into the inner group";
    EXPECT_EQ(after->SgGroup::GetChildsCount(), trailing->SgGroup::GetChildsCount());
}

// The object's own list after its inner group may name a node twice (the
// inner group itself, a shared material): each is read back to its place in
// the file, not next to the first time the node stands in the list (found by
// the round-trip fuzz target).
TEST_F(SceneRoundTripTest, ObjectsOwnListNamingANodeTwiceKeepsItsOrder)
{
    SgRef<SgObject> object(new SgObject(false, false));
    SgRef<SgSeparator> inner(new SgSeparator);
    inner->SetID({7, 2});
    SgRef<SgMaterial> material(new SgMaterial);
    material->SetID({7, 3});
    ASSERT_TRUE(object->AddChild(inner));
    ASSERT_EQ(object->GetInnerGroup(), inner.get());
    for (SgNode *node : {static_cast<SgNode *>(inner.get()), static_cast<SgNode *>(new SgSeparator),
                         static_cast<SgNode *>(material.get()), static_cast<SgNode *>(new SgBox),
                         static_cast<SgNode *>(material.get()), static_cast<SgNode *>(inner.get())})
        ASSERT_TRUE(object->SgGroup::AddChild(node));

    SgRef<SgSeparator> read = RoundTrip(SceneOf({object}));
    auto *back = dynamic_cast<SgObject *>(read->GetChild(0));
    ASSERT_NE(back, nullptr);
    std::string order;
    for (SgNode *node : back->SgGroup::GetChildList())
        order += std::string(node->GetClassName()) + (node == back->GetInnerGroup() ? "*" : "") + " ";
    EXPECT_EQ(order, "SgSeparator* SgSeparator* SgSeparator SgMaterial SgBox SgMaterial SgSeparator* ");
}

// A grid is written without children (it holds only what it builds), so a
// node a file puts inside its block is refused with a message rather than
// kept where no save would write it; a DEF there still names the node for a
// USE after it (found by the document fuzz target).
TEST_F(SceneRoundTripTest, NodeInsideAGridBlockIsRefusedWithAMessage)
{
    const std::string text = "#VRML V1.0 ascii 102\nSeparator {\nNodeName\t\"ROOT\"\n"
                             "Grid {\nDEF 7_2 Material {\n}\n}\nUSE 7_2\n}\n";
    std::istringstream in(text);
    Vrml1InStream stream(in, "grid.kvrx");
    stream.SetNotifyUser(false);
    SgRef<SgSeparator> root(new SgSeparator);
    root->SetName("ROOT");
    ASSERT_TRUE(SgOpenAction::ReadScene(stream, *root)) << stream.FormatMessages();
    ASSERT_EQ(stream.GetMessages().size(), 1u) << stream.FormatMessages();
    EXPECT_NE(stream.GetMessages()[0].text.find("Grid"), std::string::npos) << stream.FormatMessages();
    EXPECT_GT(stream.GetMessages()[0].line, 0) << "the message names no line";

    const std::string first = WriteScene(root);
    EXPECT_EQ(first.find("DEF 7_2"), std::string::npos) << "the material looks shared:\n" << first;
    EXPECT_NE(first.find("Material {"), std::string::npos) << "the USE after the grid lost its node:\n" << first;
    EXPECT_EQ(WriteScene(ReadScene(first)), first) << "the second pass wrote other text";
}

// Files from before the centre convention store a transform's translation
// without its centre; the writer's own version keeps it as written.
TEST_F(SceneRoundTripTest, OnlyOldFormatVersionsShiftTransformsByTheirCentre)
{
    SgRef<SgTransform> transform(new SgTransform);
    transform->m_translation = Vec3(1, 2, 3);
    transform->m_center = Vec3(10, 20, 30);
    const std::string text = WriteScene(SceneOf({transform}));
    ASSERT_EQ(text.rfind("#VRML V1.0 ascii 102\n", 0), 0u) << text;

    struct Case {
        const char *header;
        Vec3 translation;
    };
    const Case cases[] = {
        {"#VRML V1.0 ascii 102", Vec3(1, 2, 3)},
        {"#VRML V1.0 ascii", Vec3(11, 22, 33)},
        {"#VRML V1.0 ascii 100", Vec3(11, 22, 33)},
    };
    const std::string body = text.substr(text.find('\n'));
    for (const Case &c : cases) {
        SgRef<SgSeparator> read = ReadScene(c.header + body);
        ASSERT_EQ(read->GetChildsCount(), 1) << c.header;
        auto *back = dynamic_cast<SgTransform *>(read->GetChild(0));
        ASSERT_NE(back, nullptr) << c.header;
        EXPECT_EQ(back->m_translation.Get(true), c.translation) << c.header;
    }
}

TEST_F(SceneRoundTripTest, DeepNestingWithinTheReadersLimitRoundTrips)
{
    SgRef<SgGroup> top(new SgGroup);
    SgGroup *deepest = top;
    for (int i = 0; i < 200; ++i) {
        auto *inner = new SgGroup;
        deepest->AddChild(inner);
        deepest = inner;
    }
    deepest->AddChild(new SgTransform);
    SgRef<SgSeparator> read = RoundTrip(SceneOf({top}));
    SgNode *node = read->GetChild(0);
    int depth = 0;
    while (node && node->GetNumChildren() == 1 && node->IsGroup()) {
        node = node->GetChild(0);
        ++depth;
    }
    EXPECT_EQ(depth, 201);
    EXPECT_NE(dynamic_cast<SgTransform *>(node), nullptr);
}

} // namespace

// Procedural shapes in scene files: written by their fields, shared by DEF/USE,
// and the second dialect's Shape wrapping read as one object.
TEST_F(SceneRoundTripTest, SharedSphereIsWrittenOnceAndReadBackShared)
{
    SgRef<SgSphere> sphere(new SgSphere);
    sphere->m_radius = 2.0;
    sphere->SetID(NodeID{7, 2});
    SgRef<SgSeparator> left(new SgSeparator), right(new SgSeparator);
    left->AddChild(sphere);
    right->AddChild(sphere);
    SgRef<SgSeparator> root = SceneOf({left.get(), right.get()});
    std::string text;
    SgRef<SgSeparator> back = RoundTrip(root.get(), &text);
    EXPECT_NE(text.find("DEF 7_2 Sphere {\n\tradius 2\n}\n"), std::string::npos) << text;
    EXPECT_NE(text.find("USE 7_2 "), std::string::npos) << text;

    FindNodeByClassID spheres(SgSphere::ClassID());
    SgFindAction find(&spheres);
    find.m_bFirstOnly = false;
    find.Apply(back.get());
    ASSERT_EQ(find.m_Found.size(), 2u) << text;
    EXPECT_EQ(find.m_Found[0], find.m_Found[1]) << "the sphere comes back shared";
    EXPECT_EQ(static_cast<SgSphere *>(find.m_Found[0])->m_radius.Get(), 2.0);
}

TEST_F(SceneRoundTripTest, SecondDialectShapeReadsAsOneObject)
{
    const std::string text = "#VRML V2.0 utf8\n"
                             "Transform { children [ Shape { appearance Appearance { material Material { } }"
                             " geometry Box { } } ] }\n";
    std::istringstream in(text);
    Vrml1InStream stream(in, "dialect2.wrl");
    stream.SetNotifyUser(false);
    SgRef<SgSeparator> root(new SgSeparator);
    ASSERT_TRUE(SgOpenAction::ReadScene(stream, *root)) << stream.FormatMessages();

    FindNodeByClassID objects(SgObject::ClassID());
    SgFindAction find(&objects);
    find.m_bFirstOnly = false;
    find.Apply(root.get());
    ASSERT_EQ(find.m_Found.size(), 1u) << "one object for the transform and its shape";
    auto *object = static_cast<SgObject *>(find.m_Found[0]);
    EXPECT_NE(object->FindPropertyNode(SgMaterial::ClassID()), nullptr) << "the material is a property node";
    SgSeparator *inner = object->GetInnerGroup();
    ASSERT_NE(inner, nullptr);
    bool boxInside = false;
    for (int i = 0; i < inner->GetNumChildren(); ++i)
        boxInside = boxInside || inner->GetChild(i)->GetClassID() == SgBox::ClassID();
    EXPECT_TRUE(boxInside) << "the box is in the object's inner group";
}

// A loop of connections through several nodes: each node's centre follows
// the next one's translation, the last one's the first one's. The writer puts
// the others inline in the first block, so the reference back to the first
// one stands inside its block, and every loop length must survive.
TEST_F(SceneRoundTripTest, ConnectionLoopsOfAnyLengthRoundTrip)
{
    for (int length : {2, 3, 5}) {
        std::vector<SgRef<SgTransform>> loop;
        for (int i = 0; i < length; ++i) {
            loop.emplace_back(new SgTransform);
            loop.back()->m_translation = Vec3(i + 1, 10 * (i + 1), 0);
        }
        for (int i = 0; i < length; ++i)
            loop[static_cast<size_t>((i + 1) % length)]->m_translation.AsOutput().Connect(
                loop[static_cast<size_t>(i)]->m_center.AsInput());
        SgRef<SgSeparator> scene(new SgSeparator);
        scene->SetName("ROOT");
        for (const SgRef<SgTransform> &node : loop)
            scene->AddChild(node.get());
        SgRef<SgSeparator> read = RoundTrip(scene);
        ASSERT_EQ(read->GetChildsCount(), length) << "length " << length;
        for (int i = 0; i < length; ++i) {
            auto *node = dynamic_cast<SgTransform *>(read->GetChild(i));
            ASSERT_NE(node, nullptr);
            const int next = (i + 1) % length;
            EXPECT_EQ(node->m_center.Get(true), Vec3(next + 1, 10 * (next + 1), 0))
                << "length " << length << ", node " << i << " lost its source";
        }
        auto *first = dynamic_cast<SgTransform *>(read->GetChild(0));
        first->m_translation = Vec3(-4, -5, -6);
        auto *last = dynamic_cast<SgTransform *>(read->GetChild(length - 1));
        EXPECT_EQ(last->m_center.Get(true), Vec3(-4, -5, -6)) << "length " << length << ": the loop is open";
        // The loop holds itself; undo it so that the nodes go.
        for (const SgRef<SgTransform> &node : loop)
            node->m_center.AsInput().Disconnect();
        for (int i = 0; i < length; ++i)
            dynamic_cast<SgTransform *>(read->GetChild(i))->m_center.AsInput().Disconnect();
    }
}

// A node whose own fields lead back to it: the reference inside its own block
// must find the node the block makes.
TEST_F(SceneRoundTripTest, NodeThatRefersToItselfKeepsTheLink)
{
    {
        SgRef<SgTransform> transform(new SgTransform);
        transform->m_translation = Vec3(4, 5, 6);
        transform->m_translation.AsOutput().Connect(transform->m_center.AsInput());
        SgRef<SgSeparator> read = RoundTrip(SceneOf({transform}));
        ASSERT_EQ(read->GetChildsCount(), 1);
        auto *back = dynamic_cast<SgTransform *>(read->GetChild(0));
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->m_center.Get(true), Vec3(4, 5, 6)) << "the centre lost its source";
        back->m_translation = Vec3(1, 2, 3);
        EXPECT_EQ(back->m_center.Get(true), Vec3(1, 2, 3)) << "the centre no longer follows the translation";
    }
    {
        SgRef<TestShape> shape(new TestShape);
        shape->m_profile = NodePtr(shape.get());
        SgRef<SgSeparator> read = RoundTrip(SceneOf({shape}));
        ASSERT_EQ(read->GetChildsCount(), 1);
        auto *back = dynamic_cast<TestShape *>(read->GetChild(0));
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->m_profile.Get(true).get(), back) << "the node field lost its own node";
        // Nothing unlinks the nodes: the leak check of the sanitizer build
        // sees whether a node held by itself is still freed.
    }
}

// What a file puts inside a built-in primitive's separator is written back.
TEST_F(SceneRoundTripTest, SeparatorInsideABuiltinPrimitiveRoundTrips)
{
    const std::string text = std::string("#VRML V1.0 ascii 102\n") +
                             "Sphere { Separator { DEF 12_3 Transform { } } }\nUSE 12_3\n";
    SgRef<SgSeparator> read = ReadScene(text);
    ASSERT_EQ(read->GetChildsCount(), 2);
    const std::string first = WriteScene(read);
    SgRef<SgSeparator> again = ReadScene(first);
    ASSERT_EQ(again->GetChildsCount(), 2) << first;
    auto *sphere = dynamic_cast<SgSphere *>(again->GetChild(0));
    ASSERT_NE(sphere, nullptr) << first;
    ASSERT_NE(sphere->GetSeparator(), nullptr);
    // Its own profile first, then what the file added.
    ASSERT_EQ(sphere->GetSeparator()->GetChildsCount(), 2) << first;
    EXPECT_EQ(sphere->GetSeparator()->GetChild(1), again->GetChild(1)) << "the shared transform came apart";
    EXPECT_EQ(WriteScene(again), first);

    // An empty one is no content: a plain sphere stays a plain block.
    SgRef<SgSphere> plain(new SgSphere);
    EXPECT_EQ(WriteScene(SceneOf({plain})).find("Separator {\nNodeName\t\"ROOT\"\nSphere {\n}\n}"),
              std::string("#VRML V1.0 ascii 102\n").size())
        << WriteScene(SceneOf({plain}));
}

// A face set read from text saves to the same text: the surface ids that
// the reader supplies for faces given without them stay out of it until
// someone sets them.
TEST_F(SceneRoundTripTest, FaceSetKeepsItsTextWithOrWithoutSurfaceIds)
{
    struct Case {
        const char *name;
        std::vector<unsigned short> surfaces;
    };
    const Case cases[] = {{"no surface ids", {}}, {"zero ids given", {0, 0}}, {"smoothing ids given", {1, 2}}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto *faces = new SgFaceSet;
        const Vec3 points[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
        faces->m_vertices.SetVals(4, points);
        const int indexes[] = {0, 1, 2, 0, 2, 3};
        faces->m_indexes.SetVals(6, indexes);
        const unsigned short sizes[] = {3, 3}, loops[] = {1, 1};
        faces->m_sizes.SetVals(2, sizes);
        faces->m_loopCount.SetVals(2, loops);
        if (!c.surfaces.empty())
            faces->m_surfID.SetVals(2, c.surfaces.data());
        SgRef<SgSeparator> scene = SceneOf({faces});
        std::string first;
        SgRef<SgSeparator> read = RoundTrip(scene, &first);
        EXPECT_EQ(first.find("surfID") != std::string::npos, !c.surfaces.empty()) << first;
        // Once set, the ids are the face set's own and are written.
        auto *back = dynamic_cast<SgFaceSet *>(FindNodeByClassID::Lookup(SgFaceSet::ClassID(), read.get()));
        ASSERT_NE(back, nullptr);
        ASSERT_EQ(back->m_surfID.GetCount(), 2) << "drawing needs one id per face";
        back->m_surfID.SetValue(0, 4);
        back->m_surfID.SetValue(1, 3);
        EXPECT_NE(WriteScene(read).find("surfID [4 , 3]"), std::string::npos) << WriteScene(read);
    }
}

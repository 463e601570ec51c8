// Fields, nodes and layers as a host reaches them: by name and in text.
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/SgPath.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/controls/SgVectorFieldModel.h"
#include "tests/facade/FacadeTestSupport.h"

using namespace facadetest;
using drevon::CDrevon;

namespace {

class AccessTest : public FacadeTest {
protected:
    SgObject *AddBall(const char *name, double radius = 1.0)
    {
        auto *object = new SgObject(true, true);
        object->SetName(name);
        auto *sphere = new SgSphere;
        sphere->SetName((std::string(name) + "Shape").c_str());
        sphere->m_radius.Set(radius);
        object->AddChild(sphere);
        m_facade->GetRoot()->AddChild(object);
        return object;
    }
    void Select(SgObject *object)
    {
        SgPath path;
        path.Append(m_facade->GetRoot());
        path.Append(object);
        Selection()->Select(path, 0);
    }
};

TEST_F(AccessTest, CreateNodePutsTheClassPrefixInFrontOnce)
{
    SgRef<SgNode> sphere(drevon::SceneAccess::CreateNode("Sphere"));
    ASSERT_NE(sphere.get(), nullptr);
    EXPECT_EQ(sphere->GetClassID(), SgSphere::ClassID());
    EXPECT_EQ(sphere->GetFatherList().size(), 0u) << "not put anywhere";
    EXPECT_EQ(drevon::SceneAccess::CreateNode("SgSphere"), nullptr);
    EXPECT_EQ(drevon::SceneAccess::CreateNode("NoSuchClass"), nullptr);
    EXPECT_EQ(drevon::SceneAccess::CreateNode(nullptr), nullptr);
    EXPECT_EQ(drevon::SceneAccess::CreateNode(std::string(300, 'A').c_str()), nullptr);
}

TEST_F(AccessTest, InsertNodeRefusesCyclesAndParentsWithoutChildren)
{
    SgObject *ball = AddBall("Ball");
    SgRef<SgSeparator> outer(new SgSeparator);
    SgRef<SgSeparator> inner(new SgSeparator);
    ASSERT_EQ(m_facade->GetSceneAccess().InsertNode(outer.get(), inner.get(), 0, nullptr), 1);
    EXPECT_EQ(m_facade->GetSceneAccess().InsertNode(inner.get(), outer.get(), 0, nullptr), 0) << "outer would hold itself";
    EXPECT_EQ(m_facade->GetSceneAccess().InsertNode(outer.get(), outer.get(), 0, nullptr), 0);
    EXPECT_EQ(outer->GetNumChildren(), 1);
    EXPECT_EQ(inner->GetNumChildren(), 0);
    SgRef<SgNode> leaf(new SgSphere);
    SgRef<SgNode> other(new SgSphere);
    EXPECT_EQ(m_facade->GetSceneAccess().InsertNode(leaf.get(), other.get(), 0, nullptr), 0) << "a sphere holds no children";
    EXPECT_EQ(m_facade->GetSceneAccess().InsertNode(outer.get(), nullptr, 0, nullptr), 0);

    // Modes: 1 after the reference, others before it; null parent: the root.
    SgRef<SgNode> a(new SgSphere), b(new SgSphere);
    ASSERT_EQ(m_facade->GetSceneAccess().InsertNode(outer.get(), a.get(), 1, inner.get()), 1);
    ASSERT_EQ(m_facade->GetSceneAccess().InsertNode(outer.get(), b.get(), 0, inner.get()), 1);
    EXPECT_EQ(outer->GetChild(0), b.get());
    EXPECT_EQ(outer->GetChild(1), inner.get());
    EXPECT_EQ(outer->GetChild(2), a.get());
    ASSERT_EQ(m_facade->GetSceneAccess().InsertNode(nullptr, outer.get(), 1, nullptr), 1);
    EXPECT_EQ(outer->GetFatherList().front(), m_facade->GetRoot());
    // A property node given to an object joins its properties.
    auto *material = new SgMaterial;
    ASSERT_EQ(m_facade->GetSceneAccess().InsertNode(ball, material, 1, nullptr), 1);
    EXPECT_EQ(ball->FindPropertyNode(SgMaterial::ClassID()), material);
}

TEST_F(AccessTest, FindNodeRootsAreValuesOfTheirOwn)
{
    SgObject *first = AddBall("First");
    SgObject *second = AddBall("Second");
    EXPECT_EQ(m_facade->GetSceneAccess().FindNode("Second", static_cast<SgNode *>(nullptr)), second);
    EXPECT_EQ(m_facade->GetSceneAccess().FindNode("SecondShape", second), second->GetInnerGroup()->GetChild(0));
    EXPECT_EQ(m_facade->GetSceneAccess().FindNode("First", second), nullptr) << "only below the root given";
    EXPECT_EQ(m_facade->GetSceneAccess().FindNode("Second", drevon::SceneAccess::NodeRoot::Document), second);

    EXPECT_EQ(m_facade->GetSceneAccess().FindNode("x", drevon::SceneAccess::NodeRoot::Selection), nullptr) << "nothing selected";
    Select(first);
    Select(second);
    EXPECT_EQ(m_facade->GetSceneAccess().FindNode("anything", drevon::SceneAccess::NodeRoot::Selection), first);
    EXPECT_EQ(m_facade->GetSceneAccess().FindNode(nullptr, drevon::SceneAccess::NodeRoot::SelectionWalk), second);
    EXPECT_EQ(m_facade->GetSceneAccess().FindNode(nullptr, drevon::SceneAccess::NodeRoot::SelectionWalk), nullptr) << "the walk ended";
    EXPECT_EQ(m_facade->GetSceneAccess().FindNode(nullptr, drevon::SceneAccess::NodeRoot::SelectionWalk), nullptr);
    for (int reserved = 3; reserved <= 9; ++reserved)
        EXPECT_EQ(m_facade->GetSceneAccess().FindNode("First", static_cast<drevon::SceneAccess::NodeRoot>(reserved)), nullptr) << reserved;
    // A value that is no root is refused, never read as an address.
    EXPECT_EQ(m_facade->GetSceneAccess().FindNode("First", static_cast<drevon::SceneAccess::NodeRoot>(reinterpret_cast<intptr_t>(first))),
              nullptr);
    EXPECT_EQ(m_facade->GetSceneAccess().FindNode("First", static_cast<drevon::SceneAccess::NodeRoot>(-1)), nullptr);
}

TEST_F(AccessTest, FieldsAreReadAndWrittenAsTextAndBadTextChangesNothing)
{
    SgObject *ball = AddBall("Ball", 1.5);
    SgNode *sphere = ball->GetInnerGroup()->GetChild(0);
    EXPECT_EQ(drevon::SceneAccess::GetFieldStr(nullptr, "x"), "");
    EXPECT_EQ(drevon::SceneAccess::GetFieldStr(sphere, "nothing"), "");
    EXPECT_EQ(drevon::SceneAccess::GetFieldStr(sphere, "radius"), "1.5");
    EXPECT_EQ(m_facade->GetSceneAccess().GetFieldValue("BallShape", "RADIUS"), "1.5") << "field names in any case";
    EXPECT_EQ(m_facade->GetSceneAccess().GetFieldDouble("BallShape", "radius"), 1.5);
    EXPECT_EQ(m_facade->GetSceneAccess().GetFieldValue("Nobody", "radius"), "");

    struct Case {
        SgNode *node;
        const char *field;
        const char *text;
        int result;
        double radius;  // afterwards
    } cases[] = {
        {sphere, "radius", "2.25", 1, 2.25},
        {sphere, "radius", "wide", 0, 2.25},
        {sphere, "radius", "", 0, 2.25},
        {sphere, "radius", "3.5 and more", 0, 2.25},
        {sphere, "radius", " 2.25 ", 1, 2.25},
        {sphere, "nothing", "3", 0, 2.25},
        {nullptr, "radius", "3", 0, 2.25},
        {sphere, "radius", nullptr, 0, 2.25},
        {sphere, "Radius", "0.5", 1, 0.5},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(m_facade->GetSceneAccess().SetFieldValue(c.node, c.field, c.text), c.result) << (c.text ? c.text : "(null)");
        EXPECT_EQ(static_cast<SgSphere *>(sphere)->m_radius.Get(), c.radius) << (c.text ? c.text : "(null)");
    }
    EXPECT_EQ(m_facade->GetSceneAccess().SetFieldValue("BallShape", "radius", "0.75"), 1);
    EXPECT_EQ(m_facade->GetSceneAccess().SetFieldValue("BallShape", "radius", "(1,2"), 0);
    EXPECT_EQ(m_facade->GetSceneAccess().SetFieldValue("Nobody", "radius", "1"), 0);
    EXPECT_EQ(static_cast<SgSphere *>(sphere)->m_radius.Get(), 0.75);
    // A vector field takes its parenthesised text.
    EXPECT_EQ(m_facade->GetSceneAccess().SetFieldValue(ball->GetTransform(), "translation", "(1,2,3)"), 1);
    EXPECT_EQ(ball->GetMove(), Vec3(1, 2, 3));
    // "name" renames, "Name" is a field name like any other.
    EXPECT_EQ(m_facade->GetSceneAccess().SetFieldValue(sphere, "name", "Renamed"), 1);
    EXPECT_EQ(sphere->GetName(), "Renamed");
    m_facade->GetSceneAccess().SetFieldValue(sphere, "Name", "Other");
    EXPECT_EQ(sphere->GetName(), "Renamed");
}

TEST_F(AccessTest, LayerRequestsCheckTheLayerIndex)
{
    Document()->EnsureLayersNode();
    Document()->AddLayer(CLayer{0, "Walls"});
    Document()->AddLayer(CLayer{0, "Roof"});
    ASSERT_EQ(Document()->GetLayerCount(), 3);
    const int one = 1;
    EXPECT_EQ(m_facade->GetSceneAccess().SetLayerValue(5, drevon::SceneAccess::kLayerFlags, &one), 0);
    EXPECT_EQ(m_facade->GetSceneAccess().SetLayerValue(-1, drevon::SceneAccess::kLayerFlags, &one), 0);
    EXPECT_EQ(m_facade->GetSceneAccess().SetLayerValue(5, drevon::SceneAccess::kLayerName, "X"), 0);
    for (int layer = 0; layer < 3; ++layer)
        EXPECT_EQ(Document()->GetLayerFlags(layer), 0);
    EXPECT_EQ(m_facade->GetSceneAccess().SetLayerValue(1, drevon::SceneAccess::kLayerFlags, &one), 1);
    EXPECT_EQ(m_facade->GetSceneAccess().GetLayerValue(1, drevon::SceneAccess::kLayerFlags, nullptr) & 1, 1);

    char name[32];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(m_facade->GetSceneAccess().GetLayerValue(0, drevon::SceneAccess::kLayerName, name), 1);
    EXPECT_STREQ(name, Document()->GetLayerName(0).c_str());
    char small[4];
    EXPECT_EQ(m_facade->GetSceneAccess().GetLayerValue(1, drevon::SceneAccess::kLayerName, small, sizeof small), 1);
    EXPECT_STREQ(small, "Wal") << "cut to the room given";
    EXPECT_EQ(m_facade->GetSceneAccess().GetLayerValue(7, drevon::SceneAccess::kLayerName, name), 0);

    EXPECT_EQ(m_facade->GetSceneAccess().SetLayerValue(0, drevon::SceneAccess::kLayerAdd, "Floor"), 3);
    EXPECT_EQ(m_facade->GetSceneAccess().SetLayerValue(2, drevon::SceneAccess::kLayerCurrent, nullptr), 1);
    EXPECT_EQ(m_facade->GetSceneAccess().GetLayerValue(0, drevon::SceneAccess::kLayerCurrent, nullptr), 2);
    EXPECT_EQ(m_facade->GetSceneAccess().SetLayerValue(9, drevon::SceneAccess::kLayerCurrent, nullptr), 0);
    EXPECT_EQ(Document()->GetCurrentLayer(), 2);
    EXPECT_EQ(m_facade->GetSceneAccess().SetLayerValue(0, 77, nullptr), 1) << "other requests answer 1";
}

TEST_F(AccessTest, PlugToMakesTheInputFollowAndBoundingBoxesComeAsSixFloats)
{
    SgObject *a = AddBall("A", 1.0);
    SgObject *b = AddBall("B", 1.0);
    ASSERT_TRUE(drevon::SceneAccess::PlugTo(a->GetTransform(), "translation", b->GetTransform(), "translation"));
    a->GetTransform()->m_translation.Set(Vec3(4, 0, 0));
    EXPECT_EQ(b->GetTransform()->m_translation.Get(true), Vec3(4, 0, 0));
    EXPECT_FALSE(drevon::SceneAccess::PlugTo(a->GetTransform(), "nothing", b->GetTransform(), "translation"));

    float box[6] = {};
    EXPECT_EQ(m_facade->GetSceneAccess().GetBoundingBox(a, box), 1);
    EXPECT_NEAR(box[0], 3.0f, 1e-4);
    EXPECT_NEAR(box[3], 5.0f, 1e-4);
    EXPECT_NEAR(box[4], 1.0f, 1e-4);
    EXPECT_EQ(m_facade->GetSceneAccess().GetBoundingBox(nullptr, box), 0);
}

} // namespace

// ---- The vector editor ------------------------------------------------------------------------------

namespace {

double Row(SgVectorFieldModel *editor, int row)
{
    double values[8] = {};
    editor->GetVector(values);
    return values[row];
}

TEST_F(AccessTest, ATranslationEditShowsInTheEditorAndTheEditorWritesItBack)
{
    SgObject *ball = AddBall("Ball");
    SgTransform *transform = ball->GetTransform();
    SgField *translation = transform->GetFieldAddressByName("translation");
    // Without an editor a reported edit changes nothing and costs nothing.
    const double moved[3] = {1, 2, 3};
    Document()->ReportFieldEdit(moved, 3, SgDocument::kEditFieldValue, 1, &translation, 0, 200);
    EXPECT_EQ(m_facade->GetFieldEditing().GetEditor(), nullptr);

    const char *names[] = {"X", "Y", "Z", "Angle", "P4", "P5"};
    SgVectorFieldModel *editor = m_facade->GetFieldEditing().CreateEditor(6, names);
    ASSERT_NE(editor, nullptr);
    // A tool in the world frame reports the new value: the editor shows it.
    Document()->ReportFieldEdit(moved, 3, SgDocument::kEditFieldValue, 1, &translation, 0, 200);
    EXPECT_EQ(Row(editor, 0), 1.0);
    EXPECT_EQ(Row(editor, 2), 3.0);
    // The user types new numbers: they become the translation, one undo step.
    const double typed[3] = {5, 6, 7};
    m_facade->GetFieldEditing().SetVector(typed, 3, 0);
    Document()->ResetUndo();
    m_facade->GetFieldEditing().TakeNumbers();
    EXPECT_EQ(transform->m_translation.Get(true), Vec3(5, 6, 7));
    Document()->Undo();
    EXPECT_EQ(transform->m_translation.Get(true), Vec3(0, 0, 0));

    // In the transform's own frame the numbers are an offset, turned with
    // it; the editor starts again from zero.
    transform->m_rotation.Set(Rotation(Vec3(0, 0, 1), 3.14159265358979323846 / 2));
    Document()->ReportFieldEdit(nullptr, 3, SgDocument::kEditFieldValue, 1, &translation, 0, 0);
    const double offset[3] = {1, 0, 0};
    m_facade->GetFieldEditing().SetVector(offset, 3, 0);
    m_facade->GetFieldEditing().TakeNumbers();
    const Vec3 now = transform->m_translation.Get(true);
    EXPECT_NEAR(now.x, 0.0, 1e-9);
    EXPECT_NEAR(now.y, 1.0, 1e-9);
    EXPECT_EQ(Row(editor, 0), 0.0);
}

TEST_F(AccessTest, AViewOfTheEditorHearsOfEachChangeTheFacadeMakes)
{
    SgObject *ball = AddBall("Ball");
    SgField *translation = ball->GetTransform()->GetFieldAddressByName("translation");
    const char *names[] = {"X", "Y", "Z", "Angle"};
    m_facade->GetFieldEditing().CreateEditor(4, names);
    int heard = 0;
    drevon::HostSubscription token = m_facade->GetFieldEditing().SubscribeChanged([&heard] { ++heard; });
    const double moved[3] = {1, 2, 3};
    // A tool's step, the host's numbers, the user's numbers taken: each is heard once.
    Document()->ReportFieldEdit(moved, 3, SgDocument::kEditFieldValue, 1, &translation, 0, 200);
    EXPECT_EQ(heard, 1);
    m_facade->GetFieldEditing().SetVector(moved, 3, 0);
    EXPECT_EQ(heard, 2);
    m_facade->GetFieldEditing().TakeNumbers();
    EXPECT_EQ(heard, 3);
    // Once the view is gone nothing is called.
    token.Reset();
    Document()->ReportFieldEdit(moved, 3, SgDocument::kEditFieldValue, 1, &translation, 0, 200);
    EXPECT_EQ(heard, 3);
}

// The strip names each number by what it is: a shape's own fields by their
// names while a tool sizes them ("Height", not "X"), a vector's parts by
// axis again once a vector is edited.
TEST_F(AccessTest, TheEditorNamesARowByTheFieldItShows)
{
    SgObject *ball = AddBall("Ball", 1.0);
    auto *sphere = static_cast<SgSphere *>(ball->GetInnerGroup()->GetChild(0));
    SgField *translation = ball->GetTransform()->GetFieldAddressByName("translation");
    const char *names[] = {"X", "Y", "Z", "Angle", "P4", "P5"};
    SgVectorFieldModel *editor = m_facade->GetFieldEditing().CreateEditor(6, names);
    struct Case {
        const char *what;
        std::vector<SgField *> fields;
        int values;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"one number", {sphere->GetFieldAddressByName("radius")}, 1, {"Radius"}},
        {"two numbers", {sphere->GetFieldAddressByName("radius"), sphere->GetFieldAddressByName("complexity")}, 2,
         {"Radius", "Complexity"}},
        {"a vector", {translation}, 3, {"X", "Y", "Z"}},
    };
    for (const Case &c : cases) {
        const double values[3] = {1, 2, 3};
        const int kind = c.fields.size() > 1 || c.values == 1 ? SgDocument::kEditDoubleFields : SgDocument::kEditFieldValue;
        std::vector<SgField *> fields = c.fields;
        Document()->ReportFieldEdit(values, c.values, kind, static_cast<int>(fields.size()), fields.data(), 0, 0);
        for (size_t row = 0; row < c.rows.size(); ++row)
            EXPECT_EQ(editor->GetRow(static_cast<int>(row))->name, c.rows[row]) << c.what << ", row " << row;
    }
}

TEST_F(AccessTest, NumbersOfOtherNodesAreWrittenInTheirOwnTypeAndNamedInTheEditor)
{
    SgObject *ball = AddBall("Ball", 1.0);
    auto *sphere = static_cast<SgSphere *>(ball->GetInnerGroup()->GetChild(0));
    SgField *fields[2] = {sphere->GetFieldAddressByName("radius"), sphere->GetFieldAddressByName("complexity")};
    const char *names[] = {"X", "Y", "Z", "Angle", "P4", "P5"};
    SgVectorFieldModel *editor = m_facade->GetFieldEditing().CreateEditor(6, names);
    m_facade->GetFieldEditing().ShowFields(nullptr, 0, 4, 2, fields, 0, true);
    EXPECT_EQ(Row(editor, 4), 1.0);
    EXPECT_EQ(editor->GetRow(4)->name, "Radius");
    EXPECT_EQ(editor->GetRow(5)->name, "Complexity");
    const double typed[2] = {2.5, 3.6};
    m_facade->GetFieldEditing().SetVector(typed, 2, 4);
    m_facade->GetFieldEditing().TakeNumbers();
    EXPECT_EQ(sphere->m_radius.Get(), 2.5);
    EXPECT_EQ(sphere->m_complexity.Get(), 4) << "an integer field takes the number rounded";
    // The node may go while the editor still names it.
    m_facade->GetSceneAccess().RemoveChild(m_facade->GetRoot(), ball);
    m_facade->GetFieldEditing().TakeNumbers();
}

} // namespace

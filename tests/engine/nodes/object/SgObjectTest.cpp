// The user-level object: its own list (transform, property nodes, inner
// group), the content operations that reach the inner group, the property,
// transform, texture and light operations, and the propagation switch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/SgElementClasses.h"
#include "engine/core/Image2.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/object/SgHelper.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/nodes/properties/SgTexture2Transform.h"
#include "engine/nodes/properties/SgTextureEnable.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/core/StateTestSupport.h"
#include "tests/engine/core/TestNodes.h"
#include "tests/engine/nodes/properties/EditorStateAction.h"

namespace {

// The own list by class name (the inner group shown as "inner"), for
// messages that show the whole order.
std::string OwnList(const SgObject &object)
{
    std::string text;
    for (SgNode *child : object.GetChildList()) {
        const bool inner = child == object.GetInnerGroup();
        text += (text.empty() ? "" : " ") + std::string(inner ? "inner" : child->GetClassName());
    }
    return text;
}

std::string Names(const std::vector<SgNode *> &nodes)
{
    std::string text;
    for (SgNode *node : nodes)
        text += (text.empty() ? "" : " ") + node->GetName();
    return text;
}

template <class T>
SgRef<T> Named(const char *name)
{
    SgRef<T> node = new T;
    node->SetName(name);
    return node;
}

// A parent that counts the change notices that reach it.
class CountingGroup : public SgGroup {
public:
    void NotifyFathers(SgNode *from) override
    {
        ++m_notices;
        SgGroup::NotifyFathers(from);
    }
    int m_notices = 0;

protected:
    ~CountingGroup() override = default;
};

class ObjectTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitTestClasses(); }
    // Tests replace the loader the start-up installed; later tests need it back.
    void SetUp() override { m_loader = SgObject::GetTextureImageLoader(); }
    void TearDown() override { SgObject::SetTextureImageLoader(m_loader); }
    SgObject::TextureImageLoader m_loader = nullptr;
};

} // namespace

TEST_F(ObjectTest, DefaultObjectHasTransformThenInnerGroupAndItsFields)
{
    SgRef<SgFieldMngr> created = SgFieldMngr::Create(SgObject::ClassID());
    ASSERT_NE(created.get(), nullptr);
    auto *object = static_cast<SgObject *>(created.get());

    EXPECT_EQ(OwnList(*object), "SgTransform inner");
    ASSERT_NE(object->GetTransform(), nullptr);
    EXPECT_EQ(object->GetChildList().front(), object->GetTransform());
    ASSERT_NE(object->GetInnerGroup(), nullptr);
    EXPECT_EQ(object->GetInnerGroup()->GetClassID(), SgSeparator::ClassID());
    EXPECT_TRUE(object->GetInnerGroup()->IsHolder());
    EXPECT_EQ(object->FindRealObject(), object->GetInnerGroup());
    EXPECT_TRUE(object->IsObject());
    EXPECT_FALSE(object->IsHelper());
    EXPECT_FALSE(object->GetID().IsNull()) << "a new object has no persistent id";
    EXPECT_EQ(object->GetChildsCount(), 0) << "the content of a new object is not empty";

    struct Field {
        const char *name;
        int value;
    };
    const Field fields[] = {{"hide", 0}, {"layer", 0}, {"link", 0}, {"selectMode", 1}};
    ASSERT_EQ(object->GetFieldsCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(object->GetFieldName(i), fields[i].name) << "field " << i;
        auto *field = dynamic_cast<SgFInt *>(object->GetFieldAddress(i));
        ASSERT_NE(field, nullptr) << fields[i].name << " is not an int field";
        EXPECT_EQ(field->Get(), fields[i].value) << fields[i].name;
    }
}

TEST_F(ObjectTest, HelperIsAnObjectThatSaysSo)
{
    SgRef<SgHelper> helper = new SgHelper;
    EXPECT_TRUE(helper->IsHelper());
    EXPECT_EQ(OwnList(*helper), "SgTransform inner");
    EXPECT_EQ(SgFieldMngr::GetClassIDFromName("SgHelper"), SgHelper::ClassID());
    EXPECT_TRUE(helper->IsDerivedFrom(SgObject::ClassID()));
}

TEST_F(ObjectTest, ContentGoesIntoTheInnerGroupAndObjectsNest)
{
    SgRef<SgObject> outer = new SgObject;
    SgRef<SgObject> first = Named<SgObject>("first");
    SgRef<TestShape> shape = Named<TestShape>("shape");
    SgRef<SgObject> last = Named<SgObject>("last");

    ASSERT_TRUE(outer->AddChild(first.get()));
    ASSERT_TRUE(outer->AddChildBefore(shape.get(), first.get()));
    ASSERT_TRUE(outer->AddChildAfter(last.get(), first.get()));

    EXPECT_EQ(OwnList(*outer), "SgTransform inner") << "content landed between the properties";
    EXPECT_EQ(Names(outer->GetInnerGroup()->GetChildList()), "shape first last");
    EXPECT_EQ(outer->GetChildsCount(), 3);
    EXPECT_EQ(outer->GetChildAt(outer->GetChildLast()), last.get());
    EXPECT_EQ(first->GetFirstFather(), outer->GetInnerGroup());
    EXPECT_EQ(outer->FindLastShape(), last.get());

    EXPECT_EQ(outer->GetChildAt(outer->GetChildPosition(first.get())), first.get());
    EXPECT_EQ(outer->FindFirstChildNode(SgObject::ClassID(), {}, "LAST"), last.get());
    EXPECT_EQ(outer->FindFirstChildNode(SgObject::ClassID(), outer->GetChildLast(), "first"), nullptr);

    ASSERT_EQ(outer->DeleteChild(first.get()), 1);
    EXPECT_EQ(Names(outer->GetInnerGroup()->GetChildList()), "shape last");
    EXPECT_EQ(OwnList(*outer), "SgTransform inner");
}

// Code that holds an object as a plain group walks and searches its content
// through the child view, never the object's own transform and properties.
TEST_F(ObjectTest, TheChildViewThroughAGroupPointerReachesTheContent)
{
    SgRef<SgObject> object = new SgObject;
    object->AddPropertyNode(new SgMaterial, false);
    SgRef<TestShape> a = Named<TestShape>("a");
    SgRef<SgTransform> b = Named<SgTransform>("b");
    SgRef<TestShape> c = Named<TestShape>("c");
    for (SgNode *node : std::initializer_list<SgNode *>{a.get(), b.get(), c.get()})
        ASSERT_TRUE(object->AddChild(node));

    SgRef<SgGroup> plain = new SgGroup;
    for (SgNode *node : std::initializer_list<SgNode *>{a.get(), b.get(), c.get()})
        ASSERT_TRUE(plain->AddChild(node));

    struct Case {
        const char *name;
        SgGroup *group;
    } cases[] = {{"object", object.get()}, {"plain group", plain.get()}};
    for (const Case &k : cases) {
        SgGroup *group = k.group;
        std::vector<SgNode *> walked;
        for (SgGroup::Position pos = group->GetChildFirst(); pos;)
            walked.push_back(group->GetChildNext(pos));
        EXPECT_EQ(Names(walked), "a b c") << k.name << " forwards";
        walked.clear();
        for (SgGroup::Position pos = group->GetChildLast(); pos;)
            walked.push_back(group->GetChildPrev(pos));
        EXPECT_EQ(Names(walked), "c b a") << k.name << " backwards";

        EXPECT_EQ(group->FindFirstChildNode(SgTransform::ClassID(), {}, nullptr), b.get())
            << k.name << ": the content's transform, not the object's own";
        EXPECT_EQ(group->FindFirstChildNode(SgMaterial::ClassID(), {}, nullptr), nullptr)
            << k.name << ": the object's properties are no content";
        EXPECT_EQ(group->FindFirstChildNode(TestShape::ClassID(), group->GetChildPosition(b.get()), "C"), c.get())
            << k.name << ": the search starts at the position, names ignore case";
        EXPECT_EQ(group->FindFirstChildNode(SgTransform::ClassID(), group->GetChildPosition(c.get()), nullptr),
                  nullptr)
            << k.name;

        SgGroup::Position last = group->GetChildPosition(c.get());
        EXPECT_EQ(group->GetChildAt(last), c.get()) << k.name;
        EXPECT_EQ(group->GetChildNext(last), c.get()) << k.name;
        EXPECT_FALSE(last) << k.name << ": past the last there is no position";
        EXPECT_EQ(group->GetChildAt(last), nullptr) << k.name;
        EXPECT_FALSE(group->GetChildPosition(object->GetTransform())) << k.name << ": the own transform is no child";
    }

    // On a plain group the child view is the list view.
    EXPECT_EQ(plain->GetChildFirst(), plain->GetFirst());
    EXPECT_EQ(plain->GetChildLast(), plain->GetLast());
    EXPECT_EQ(plain->GetChildPosition(b.get()), plain->GetPosition(b.get()));

    // A position of one list finds nothing in another: the object's own list
    // is not its content, and the plain group's list is no part of it.
    SgGroup *asGroup = object.get();
    SgGroup::Position own = asGroup->GetFirst();
    EXPECT_EQ(asGroup->GetAt(own), object->GetTransform()) << "the list view is the own list";
    EXPECT_EQ(asGroup->GetChildAt(own), nullptr);
    EXPECT_EQ(asGroup->GetChildNext(own), nullptr);
    EXPECT_FALSE(own);
    EXPECT_EQ(asGroup->GetChildAt(plain->GetChildFirst()), nullptr);
    EXPECT_EQ(plain->GetAt(object->GetChildFirst()), nullptr);

    // A position left past the end by a deletion finds nothing.
    SgGroup::Position stale = plain->GetLast();
    ASSERT_EQ(plain->DeleteChild(c.get()), 1);
    EXPECT_EQ(plain->GetAt(stale), nullptr);
    EXPECT_EQ(plain->GetNext(stale), nullptr);
    EXPECT_FALSE(plain->GetFirst() == plain->GetLast()) << "two children, two positions";
}

// The count of the child view is the number of children it walks, through
// whatever pointer it is asked; the own list keeps its own count.
TEST_F(ObjectTest, TheChildCountAgreesWithTheChildViewThroughEveryPointer)
{
    SgRef<SgObject> object = new SgObject;
    object->AddPropertyNode(new SgMaterial, false);
    ASSERT_TRUE(object->AddChild(Named<TestShape>("a")));
    ASSERT_TRUE(object->AddChild(Named<TestShape>("b")));
    SgRef<SgObject> bare = new SgObject(false, false);
    ASSERT_TRUE(bare->AddChild(Named<TestShape>("c")));

    struct Case {
        const char *name;
        SgGroup *group;
        int content;
        int own;
    } cases[] = {
        {"object as SgGroup", object.get(), 2, 3},
        {"object as SgSeparator", static_cast<SgSeparator *>(object.get()), 2, 3},
        {"object without an inner group", bare.get(), 1, 1},
    };
    for (const Case &k : cases) {
        int walked = 0;
        for (SgGroup::Position pos = k.group->GetChildFirst(); pos; k.group->GetChildNext(pos))
            ++walked;
        EXPECT_EQ(walked, k.content) << k.name;
        EXPECT_EQ(k.group->GetChildsCount(), walked) << k.name;
        EXPECT_EQ(k.group->GetNumChildren(), k.own) << k.name << ": the own list, as traversals walk it";
        EXPECT_EQ(k.group->GetOwnChildCount(), k.own) << k.name;
    }
    EXPECT_EQ(object->GetChildsCount(), 2);
}

TEST_F(ObjectTest, ObjectsGroupNeedsAnObjectAmongItsContent)
{
    struct Case {
        const char *name;
        std::vector<bool> content; // true: an object, false: a shape
        bool group;
    };
    const Case cases[] = {
        {"empty", {}, false},
        {"one shape", {false}, false},
        {"one object", {true}, true},
        {"two shapes", {false, false}, false},
        {"a shape and an object", {false, true}, true},
    };
    for (const Case &c : cases) {
        SgRef<SgObject> object = new SgObject;
        for (bool isObject : c.content) {
            SgRef<SgNode> child = isObject ? static_cast<SgNode *>(new SgObject) : new TestShape;
            object->AddChild(child.get());
        }
        EXPECT_EQ(object->IsObjectsGroup(), c.group) << c.name;
    }
    SgRef<SgObject> bare = new SgObject(true, false);
    EXPECT_FALSE(bare->IsObjectsGroup()) << "an object without inner group";
}

TEST_F(ObjectTest, BareObjectTakesOverTransformAndInnerGroupAsTheyAreAdded)
{
    SgRef<SgObject> object = new SgObject(false, false);
    EXPECT_EQ(object->GetTransform(), nullptr);
    EXPECT_EQ(object->GetInnerGroup(), nullptr);

    SgRef<SgTransform> transform = new SgTransform;
    SgRef<SgMaterial> material = new SgMaterial;
    SgRef<SgObject> notAnInnerGroup = new SgObject; // derives from SgSeparator: not taken
    SgRef<SgSeparator> inner = new SgSeparator;
    SgRef<TestShape> shape = new TestShape;
    object->AddChild(transform.get());
    object->AddChild(material.get());
    object->AddChild(notAnInnerGroup.get());
    EXPECT_EQ(object->GetInnerGroup(), nullptr) << "a derived separator became the inner group";
    object->AddChild(inner.get());
    object->AddChild(shape.get());

    EXPECT_EQ(object->GetTransform(), transform.get());
    EXPECT_EQ(object->GetInnerGroup(), inner.get());
    EXPECT_TRUE(inner->IsHolder());
    EXPECT_EQ(OwnList(*object), "SgTransform SgMaterial SgObject inner");
    EXPECT_EQ(shape->GetFirstFather(), inner.get()) << "content after the inner group missed it";
}

TEST_F(ObjectTest, ContentOperationsWithoutInnerGroupWorkOnTheOwnList)
{
    SgRef<SgObject> object = new SgObject(true, false);
    SgRef<TestShape> a = Named<TestShape>("a");
    SgRef<TestShape> b = Named<TestShape>("b");
    object->AddChild(a.get());
    object->AddChildBefore(b.get(), a.get());
    EXPECT_EQ(object->GetChildsCount(), 3);
    std::vector<SgNode *> walked;
    for (SgGroup::Position pos = object->GetChildFirst(); pos;)
        walked.push_back(object->GetChildNext(pos));
    ASSERT_EQ(walked.size(), 3u);
    EXPECT_EQ(walked[0], object->GetTransform());
    EXPECT_EQ(Names({walked[1], walked[2]}), "b a");
    SgGroup::Position none;
    EXPECT_EQ(object->GetChildNext(none), nullptr) << "no position, no child";
    EXPECT_FALSE(none);
}

TEST_F(ObjectTest, PropertyNodesGoAfterTheTransformAndReplaceTheirClass)
{
    SgRef<SgObject> object = new SgObject;
    SgRef<SgMaterial> red = Named<SgMaterial>("red");
    SgRef<SgMaterial> blue = Named<SgMaterial>("blue");
    SgRef<SgMaterial> green = Named<SgMaterial>("green");

    ASSERT_TRUE(object->AddPropertyNode(red.get(), true));
    ASSERT_TRUE(object->AddPropertyNode(blue.get(), true));
    EXPECT_EQ(OwnList(*object), "SgTransform SgMaterial inner");
    EXPECT_EQ(object->FindPropertyNode(SgMaterial::ClassID()), blue.get());
    EXPECT_EQ(red->GetFatherList().size(), 0u) << "the replaced material is still linked";

    ASSERT_TRUE(object->AddPropertyNode(green.get(), false));
    EXPECT_EQ(OwnList(*object), "SgTransform SgMaterial SgMaterial inner");
    EXPECT_EQ(object->GetChildList()[1], green.get()) << "a new property node goes right after the transform";

    // Adding the node that is already there changes nothing.
    ASSERT_TRUE(object->AddPropertyNode(blue.get(), true));
    EXPECT_EQ(OwnList(*object), "SgTransform SgMaterial SgMaterial inner");
}

TEST_F(ObjectTest, CreatePropertyNodeGivesTheExistingNodeOrANewOne)
{
    SgRef<SgObject> object = new SgObject;
    SgNode *created = object->CreatePropertyNode(SgMaterial::ClassID());
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->GetClassID(), SgMaterial::ClassID());
    EXPECT_EQ(object->CreatePropertyNode(SgMaterial::ClassID()), created);
    EXPECT_EQ(OwnList(*object), "SgTransform SgMaterial inner");

    {
        SgDiagCapture capture;
        EXPECT_EQ(object->CreatePropertyNode(0), nullptr);
        EXPECT_EQ(object->CreatePropertyNode(SgFieldMngr::ClassID()), nullptr) << "not a node class";
        EXPECT_EQ(capture.Count("Object"), 2) << capture.GetText();
        EXPECT_TRUE(capture.Contains("CreatePropertyNode")) << capture.GetText();
    }
    EXPECT_EQ(OwnList(*object), "SgTransform SgMaterial inner");

    // Without a transform the node goes to the front.
    SgRef<SgObject> bare = new SgObject(false, true);
    bare->CreatePropertyNode(SgMaterial::ClassID());
    EXPECT_EQ(OwnList(*bare), "SgMaterial inner");
}

TEST_F(ObjectTest, PropertyNodeAfterAnAnchorOrBeforeTheInnerGroup)
{
    SgRef<SgObject> object = new SgObject;
    SgRef<SgMaterial> material = new SgMaterial;
    SgRef<SgCamera> camera = new SgCamera;
    SgRef<TestShape> stranger = new TestShape;
    object->AddPropertyNode(material.get(), true);

    ASSERT_TRUE(object->AddPropertyNodeAfter(camera.get(), stranger.get(), false));
    EXPECT_EQ(OwnList(*object), "SgTransform SgMaterial SgCamera inner") << "anchor outside the own list";

    // Replacing a node by itself moves it and keeps it alive.
    SgCamera *raw = camera.get();
    camera.reset();
    ASSERT_TRUE(object->AddPropertyNodeAfter(raw, object->GetTransform(), true));
    EXPECT_EQ(OwnList(*object), "SgTransform SgCamera SgMaterial inner");
    EXPECT_EQ(raw->GetRefCount(), 1);
}

TEST_F(ObjectTest, DeletingTheTransformOrInnerGroupLeavesNoDanglingPointer)
{
    SgRef<SgObject> object = new SgObject;
    EXPECT_EQ(object->DeletePropertyNode(nullptr), 0);
    EXPECT_EQ(object->DeletePropertyNode(object->GetTransform()), 1);
    EXPECT_EQ(object->GetTransform(), nullptr);
    EXPECT_EQ(object->DeletePropertyNode(object->GetInnerGroup()), 1);
    EXPECT_EQ(object->GetInnerGroup(), nullptr);

    // Content now goes into the own list.
    SgRef<TestShape> shape = new TestShape;
    object->AddChild(shape.get());
    EXPECT_EQ(shape->GetFirstFather(), object.get());

    // A transform asked for is made and put first.
    SgTransform *made = object->GetTransform(true);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(object->GetChildList().front(), made);
}

TEST_F(ObjectTest, TransformAccessorsReadAndWriteTheTransformFields)
{
    SgRef<SgObject> object = new SgObject;
    ASSERT_TRUE(object->SetMove(Vec3(1, 2, 3)));
    ASSERT_TRUE(object->SetScale(Vec3(2, 2, 2)));
    ASSERT_TRUE(object->SetCenter(Vec3(0.5, 0, 0)));
    ASSERT_TRUE(object->SetRotation(Rotation(Vec3(0, 1, 0), 0.25)));

    SgTransform *transform = object->GetTransform();
    EXPECT_EQ(transform->m_translation.Get(), Vec3(1, 2, 3));
    EXPECT_EQ(transform->m_scaleFactor.Get(), Vec3(2, 2, 2));
    EXPECT_EQ(transform->m_center.Get(), Vec3(0.5, 0, 0));
    EXPECT_EQ(transform->m_rotation.Get(), Rotation(Vec3(0, 1, 0), 0.25));

    transform->m_translation = Vec3(4, 5, 6);
    EXPECT_EQ(object->GetMove(), Vec3(4, 5, 6));
    EXPECT_EQ(object->GetScale(), Vec3(2, 2, 2));
    EXPECT_EQ(object->GetCenter(), Vec3(0.5, 0, 0));
    const std::array<double, 4> expected{0, 1, 0, 0.25};
    EXPECT_EQ(object->GetRatation(), expected);
}

TEST_F(ObjectTest, RotationOfOneObjectIsNotOverwrittenByAnother)
{
    SgRef<SgObject> a = new SgObject;
    SgRef<SgObject> b = new SgObject;
    a->SetRotation(Rotation(Vec3(1, 0, 0), 1.0));
    b->SetRotation(Rotation(Vec3(0, 0, 1), 2.0));
    const std::array<double, 4> first = a->GetRatation();
    const std::array<double, 4> second = b->GetRatation();
    EXPECT_EQ(first[3], 1.0) << "a's rotation changed when b's was read";
    EXPECT_EQ(second[3], 2.0);
}

TEST_F(ObjectTest, ObjectWithoutTransformAnswersIdentityAndRefusesSets)
{
    SgRef<SgObject> object = new SgObject(false, true);
    EXPECT_EQ(object->GetMove(), Vec3(0, 0, 0));
    EXPECT_EQ(object->GetScale(), Vec3(1, 1, 1));
    EXPECT_EQ(object->GetCenter(), Vec3(0, 0, 0));
    const std::array<double, 4> identity{0, 0, 1, 0};
    EXPECT_EQ(object->GetRatation(), identity);

    SgDiagCapture capture;
    EXPECT_FALSE(object->SetMove(Vec3(1, 1, 1)));
    EXPECT_FALSE(object->SetScale(Vec3(1, 1, 1)));
    EXPECT_FALSE(object->SetCenter(Vec3(1, 1, 1)));
    EXPECT_FALSE(object->SetRotation(Rotation(Vec3(1, 0, 0), 1.0)));
    EXPECT_TRUE(capture.Contains("SetMove: the object has no transform")) << capture.GetText();
    EXPECT_EQ(object->GetTransform(), nullptr) << "a refused set made a transform";
}

TEST_F(ObjectTest, SetTransformWithNullFindsTheOwnTransform)
{
    SgRef<SgObject> object = new SgObject(false, true);
    SgRef<SgTransform> transform = new SgTransform;
    object->AddPropertyNodeAfter(transform.get(), nullptr, false);
    EXPECT_EQ(object->GetTransform(), nullptr);
    object->SetTransform(nullptr);
    EXPECT_EQ(object->GetTransform(), transform.get());

    // Added as a property node, a transform becomes the object's transform.
    SgRef<SgObject> other = new SgObject(false, true);
    SgRef<SgTransform> second = new SgTransform;
    other->AddPropertyNode(second.get(), true);
    EXPECT_EQ(other->GetTransform(), second.get());
}

TEST_F(ObjectTest, NotifyPropagationSwitchKeepsChangesFromTheParents)
{
    SgRef<CountingGroup> parent = new CountingGroup;
    SgRef<SgObject> object = new SgObject;
    SgRef<SgMaterial> material = new SgMaterial;
    parent->AddChild(object.get());
    object->AddPropertyNode(material.get(), true);

    parent->m_notices = 0;
    material->m_diffuseColor.SetValue(0, Color(1, 0, 0, 1));
    EXPECT_GT(parent->m_notices, 0) << "with propagation on, the parent was not told";

    object->DisableNotifyPropagation();
    EXPECT_FALSE(object->GetNotifyPropagation());
    parent->m_notices = 0;
    material->m_diffuseColor.SetValue(0, Color(0, 1, 0, 1));
    object->SetMove(Vec3(1, 0, 0));
    EXPECT_EQ(parent->m_notices, 0) << "with propagation off, the parent was told";

    object->EnableNotifyPropagation(true);
    EXPECT_TRUE(object->GetNotifyPropagation());
    EXPECT_EQ(parent->m_notices, 1) << "enabling with notice should tell the parent once";
}

TEST_F(ObjectTest, SelectModeDecidesSelectableAndSnappable)
{
    struct Case {
        int mode;
        bool selectable;
        bool snappable;
    };
    const Case cases[] = {{0, false, false}, {1, true, true}, {2, false, true}, {-1, false, false}};
    for (const Case &c : cases) {
        SgRef<SgObject> object = new SgObject;
        object->m_selectMode = c.mode;
        EXPECT_EQ(object->Selectable(), c.selectable) << "selectMode " << c.mode;
        EXPECT_EQ(object->Snapable(), c.snappable) << "selectMode " << c.mode;
    }
}

TEST_F(ObjectTest, TextureGoesBeforeTheInnerGroupWithItsWhiteMaterialAfterTheTransform)
{
    SgRef<SgObject> object = new SgObject;
    SgRef<SgMaterial> old = new SgMaterial;
    object->AddPropertyNode(old.get(), true);

    Image2 image(2, 2, 3, Image2::UNSIGNED_BYTE, nullptr, "wood.jpg");
    SgTexture2D *texture = object->AddTexture2D(&image, true);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(OwnList(*object), "SgTransform SgMaterial SgTexture2D inner");
    EXPECT_EQ(texture->m_filename.Get().GetPath(), "wood.jpg");
    EXPECT_EQ(object->GetTexture2D(), texture);

    auto *material = static_cast<SgMaterial *>(object->FindPropertyNode(SgMaterial::ClassID()));
    ASSERT_NE(material, old.get()) << "the white material did not replace the old one";
    const Color white(1, 1, 1, 1);
    EXPECT_EQ(material->m_ambientColor.GetValues().at(0), white);
    EXPECT_EQ(material->m_diffuseColor.GetValues().at(0), white);
    EXPECT_EQ(material->m_specularColor.GetValues().at(0), white);
    EXPECT_EQ(material->m_shininess.GetValues().at(0), 1.0f);

    // A second texture replaces the first; without the flag the material stays.
    SgTexture2D *second = object->AddTexture2D(static_cast<const Image2 *>(nullptr), false);
    EXPECT_EQ(OwnList(*object), "SgTransform SgMaterial SgTexture2D inner");
    EXPECT_EQ(object->GetTexture2D(), second);
    EXPECT_EQ(object->FindPropertyNode(SgMaterial::ClassID()), material);
}

TEST_F(ObjectTest, TextureByNameLoadsThroughTheTextureManagerOrKeepsTheName)
{
    SgRef<SgObject> object = new SgObject;
    SgTexture2D *unloaded = object->AddTexture2D("brick.png", false);
    ASSERT_NE(unloaded, nullptr);
    EXPECT_EQ(unloaded->m_filename.Get().GetPath(), "brick.png");
    EXPECT_EQ(unloaded->m_filename.Get().GetWidth(), 0);

    SgObject::SetTextureImageLoader([](SgDocument *, const char *name, Image2 &image) {
        image = Image2(4, 8, 3, Image2::UNSIGNED_BYTE, nullptr, (std::string("/textures/") + name).c_str());
        return true;
    });
    SgTexture2D *loaded = object->AddTexture2D("brick.png", false);
    EXPECT_EQ(loaded->m_filename.Get().GetPath(), "/textures/brick.png");
    EXPECT_EQ(loaded->m_filename.Get().GetHeight(), 8);

    SgObject::SetTextureImageLoader([](SgDocument *, const char *, Image2 &) { return false; });
    SgDiagCapture capture;
    SgTexture2D *missing = object->AddTexture2D("missing.png", false);
    EXPECT_EQ(missing->m_filename.Get().GetPath(), "missing.png") << "the name was lost";
    EXPECT_TRUE(capture.Contains("missing.png")) << capture.GetText();
}

TEST_F(ObjectTest, TextureTransformAndEnableSurroundTheTexture)
{
    SgRef<SgObject> object = new SgObject;
    SgTexture2Transform *alone = object->AddTextureTransform();
    EXPECT_EQ(OwnList(*object), "SgTransform SgTexture2Transform inner") << "without a texture";
    EXPECT_EQ(object->GetTextureTransform(), alone);
    object->DeletePropertyNode(alone);

    object->AddTexture2D(static_cast<const Image2 *>(nullptr), false);
    object->AddTextureTransform();
    EXPECT_EQ(OwnList(*object), "SgTransform SgTexture2Transform SgTexture2D inner");

    SgTextureEnable *enable = object->EnabledTexture(false);
    ASSERT_NE(enable, nullptr);
    EXPECT_EQ(OwnList(*object), "SgTransform SgTexture2Transform SgTexture2D SgTextureEnable inner");
    EXPECT_EQ(enable->m_bEnable.Get(), 0);
    EXPECT_EQ(object->EnabledTexture(true), enable) << "a second call made another node";
    EXPECT_EQ(enable->m_bEnable.Get(), 1);
}

TEST_F(ObjectTest, ObjectHoldsAtMostOneLight)
{
    struct Case {
        const char *name;
        bool startWithLight;
        bool withCamera;
        int lightClassId; // used when no light is given
        bool giveLight;
        const char *expectedList;
        bool returnsLight;
    };
    const int point = SgPointLight::ClassID();
    const Case cases[] = {
        {"new light of a class", false, false, point, false, "SgTransform SgPointLight inner", true},
        {"replaces the light of another class", true, false, point, false, "SgTransform SgPointLight inner", true},
        {"class 0 removes the light", true, false, 0, false, "SgTransform inner", false},
        {"a class that is no light changes nothing", true, false, SgMaterial::ClassID(), false,
         "SgTransform SgDirLight inner", false},
        {"a given light goes after the camera", true, true, 0, true, "SgTransform SgCamera SgSpotLight inner",
         true},
    };
    for (const Case &c : cases) {
        SgRef<SgObject> object = new SgObject;
        if (c.startWithLight)
            object->AddPropertyNode(SgRef<SgDirLight>(new SgDirLight).get(), false);
        if (c.withCamera)
            object->AddPropertyNodeAfter(SgRef<SgCamera>(new SgCamera).get(), nullptr, false);
        SgRef<SgSpotLight> given = c.giveLight ? new SgSpotLight : nullptr;
        SgLight *result = nullptr;
        {
            SgDiagCapture silenced;
            result = object->AddLight(given.get(), c.lightClassId);
        }
        EXPECT_EQ(OwnList(*object), c.expectedList) << c.name;
        EXPECT_EQ(result != nullptr, c.returnsLight) << c.name;
        if (result) {
            EXPECT_EQ(object->GetLight(), result) << c.name;
        }
    }
}

TEST_F(ObjectTest, ConstraintPolygonIsOwnedAndReplaced)
{
    SgRef<SgObject> object = new SgObject;
    EXPECT_EQ(object->GetConstraintPolygon(), nullptr);
    EXPECT_EQ(object->GetSlidingType(), SgObject::kDefaultSliding);
    EXPECT_EQ(object->GetConstraint(), -1);
    EXPECT_EQ(object->GetConstraintRule().GetPassiveSize(), Range<Vec3f>::Z_MAX);
    EXPECT_EQ(object->GetConstraintRule().GetActiveSize(), Range<Vec3f>::Z_MIN);
    const double c = CPolygon::kDefaultNormalComponent;
    EXPECT_EQ(object->GetConstraintPlane().GetNormal(), Vec3(c, c, c));

    // The sanitizer builds catch a leak or a double free here.
    auto *first = new CPolygon;
    object->SetConstraintPolygon(first);
    object->SetConstraintPolygon(first);
    EXPECT_EQ(object->GetConstraintPolygon(), first);
    auto *second = new CPolygon;
    object->SetConstraint(second, SgObject::SlidingType(1), 3);
    EXPECT_EQ(object->GetConstraintPolygon(), second);
    EXPECT_EQ(object->GetConstraint(), 3);
    object->SetConstraintPolygon(nullptr);
    EXPECT_EQ(object->GetConstraintPolygon(), nullptr);
}

// outer(move 1,0,0) { inner(move 0,2,0) { probe } }, probe after
TEST_F(ObjectTest, NestedObjectsComposeTheirTransformsAndScopeThem)
{
    InitEditorStateTestClasses();
    SgRef<SgSeparator> root = new SgSeparator;
    SgRef<SgObject> outer = new SgObject;
    SgRef<SgObject> inner = new SgObject;
    outer->SetMove(Vec3(1, 0, 0));
    inner->SetMove(Vec3(0, 2, 0));
    Vec3 inside(-1, -1, -1);
    Vec3 after(-1, -1, -1);
    auto probe = [](Vec3 &seen) {
        SgRef<StateTestNode> node = new StateTestNode;
        node->m_visit = [&seen](SgAction *action, StateTestNode *) {
            const Mat4 &m = TransformElement::Get(action->GetState());
            seen = Vec3(m.Get(0, 3), m.Get(1, 3), m.Get(2, 3));
        };
        return node;
    };
    root->AddChild(outer.get());
    outer->AddChild(inner.get());
    inner->AddChild(probe(inside).get());
    root->AddChild(probe(after).get());

    EditorStateAction action;
    ASSERT_TRUE(action.Apply(root.get())) << action.GetError();
    EXPECT_EQ(inside, Vec3(1, 2, 0));
    EXPECT_EQ(after, Vec3(0, 0, 0)) << "an object's transform leaked out of it";
}

TEST_F(ObjectTest, TheDeepGroupHolderOfAnObjectStartingWithAGeometricShapeIsTheShapesSeparator)
{
    SgRef<SgObject> object = new SgObject;
    SgRef<SgBoolean> shape = new SgBoolean;
    SgRef<SgObject> operand = Named<SgObject>("operand");
    ASSERT_TRUE(object->AddChild(shape.get()));
    ASSERT_TRUE(shape->GetSeparator()->AddChild(operand.get()));
    EXPECT_EQ(object->GetGroupHolder(false), object->GetInnerGroup());
    EXPECT_EQ(object->GetGroupHolder(true), shape->GetSeparator()) << "installed at start-up";
    SgGroup::Position position = object->GetChildFirst();
    EXPECT_EQ(object->GetChildNext(position), operand.get()) << "the first-to-next walk enters the shape";

    // A position walks on in the list it came from: back from the shape's
    // first entry there is nothing, while the last position is the content's.
    SgGroup *asGroup = object.get();
    position = asGroup->GetChildFirst();
    EXPECT_EQ(asGroup->GetChildPrev(position), operand.get());
    EXPECT_FALSE(position);
    EXPECT_EQ(asGroup->GetChildAt(asGroup->GetChildLast()), shape.get());
    EXPECT_EQ(asGroup->GetChildAt(asGroup->GetChildPosition(operand.get())), operand.get());
}

TEST(SgObjectPathTest, PathFindsTheFirstSelectedObjectFromItsStart)
{
    InitTestClasses();
    // [outer, inner, leaf]: two objects on one path, and a path of its own
    // to a third.
    SgRef<SgObject> outer = new SgObject, inner = new SgObject, other = new SgObject;
    SgRef<SgNode> leaf = new SgTransform;
    SgPath path(*outer);
    path.Append(inner.get());
    path.Append(leaf.get());
    SgPath elsewhere(*other);
    struct Case {
        bool outerSelected, innerSelected, otherSelected;
        SgObject *found;
        bool sameAsElsewhere;
    };
    const Case cases[] = {
        {false, false, false, nullptr, true},
        {false, true, false, inner.get(), false},
        {true, true, false, outer.get(), false},
        {false, false, true, nullptr, false},
    };
    for (const Case &c : cases) {
        outer->setSelected(c.outerSelected);
        inner->setSelected(c.innerSelected);
        other->setSelected(c.otherSelected);
        EXPECT_EQ(path.FindSelected(), c.found);
        EXPECT_EQ(path.SelectCompare(elsewhere), c.sameAsElsewhere);
        EXPECT_TRUE(path.SelectCompare(path));
    }
}

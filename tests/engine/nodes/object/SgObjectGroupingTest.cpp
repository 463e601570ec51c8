// Grouping and alignment of objects: attaching, detaching, ungrouping and
// regrouping keep every object where the user sees it, whatever transforms
// the groups on both sides carry; the pivot moves to the box centre without
// moving the object.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "engine/actions/SgGetTransformAction.h"
#include "engine/core/SgPathList.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgLight.h"
#include "platform/SgDiagHandler.h"
#include "platform/SgError.h"
#include "tests/engine/actions/MeasureTestNodes.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string Text(const Vec3 &v)
{
    std::ostringstream out;
    out << "(" << v.x << ", " << v.y << ", " << v.z << ")";
    return out.str();
}

::testing::AssertionResult Near(const Vec3 &actual, const Vec3 &expected, double tolerance = 1e-9)
{
    if ((actual - expected).Length() <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Text(actual) << ", expected " << Text(expected);
}

::testing::AssertionResult SamePlacement(const Transform3 &actual, const Transform3 &expected)
{
    const double distance = MatrixDistance(actual.GetMatrix(), expected.GetMatrix());
    if (distance <= 1e-9)
        return ::testing::AssertionSuccess();
    std::ostringstream out;
    out << "placement moved by up to " << distance << ": " << actual.GetMatrix() << " instead of "
        << expected.GetMatrix();
    return ::testing::AssertionFailure() << out.str();
}

SgPath PathTo(std::initializer_list<SgNode *> nodes)
{
    SgPath path;
    for (SgNode *node : nodes)
        path.Append(node);
    return path;
}

// A group object placed by the transform.
SgRef<SgObject> MakeGroup(const char *name, const Vec3 &translation, const Rotation &rotation = Rotation(),
                          const Vec3 &scale = Vec3(1, 1, 1))
{
    SgRef<SgObject> group = new SgObject;
    group->SetName(name);
    SetPlacement(group->GetTransform(), translation, rotation, scale);
    return group;
}

class ObjectGroupingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitMeasureTestClasses(); }
    void SetUp() override { m_root = MakeSceneRoot(); }

    SgRef<SgSeparator> m_root;
};

} // namespace

TEST_F(ObjectGroupingTest, AttachToTranslatedGroupAndDetachBackKeepThePlacement)
{
    SgRef<SgObject> group = MakeGroup("group", Vec3(2, 0, 0));
    SgRef<SgObject> object = MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(5, 0, 0), "object");
    m_root->AddChild(group.get());
    m_root->AddChild(object.get());

    SgPath target = PathTo({m_root.get(), group.get()});
    ASSERT_TRUE(object->AttachToGroup(target, true));
    EXPECT_EQ(object->GetFirstFather(), group->GetInnerGroup());
    EXPECT_EQ(m_root->IndexOf(object.get()), -1) << "the object left the root";
    EXPECT_TRUE(Near(object->GetMove(), Vec3(3, 0, 0)));
    EXPECT_EQ(object->m_link.Get(), 1);

    SgPath inside = PathTo({m_root.get(), group.get(), group->GetInnerGroup(), object.get()});
    ASSERT_TRUE(SgObject::DetachFromGroup(inside, m_root.get()));
    EXPECT_EQ(object->GetFirstFather(), m_root.get());
    EXPECT_EQ(group->GetInnerGroup()->GetChildsCount(), 0);
    EXPECT_TRUE(Near(object->GetMove(), Vec3(5, 0, 0)));
    EXPECT_EQ(object->m_link.Get(), 0) << "detaching clears the link";
}

TEST_F(ObjectGroupingTest, AttachKeepsThePlacementWhateverBothParentsCarry)
{
    struct Case {
        const char *what;
        Rotation oldRotation;
        Vec3 oldScale;
        Rotation newRotation;
        Vec3 newScale;
        Vec3 objectScale;
        Vec3 objectCenter;
        Rotation objectScaleOrientation;
    };
    const Rotation none;
    const Case cases[] = {
        {"translations only", none, {1, 1, 1}, none, {1, 1, 1}, {1, 1, 1}, {0, 0, 0}, none},
        {"turned old parent", Rotation(Vec3(0, 0, 1), 0.7), {1, 1, 1}, none, {1, 1, 1}, {1, 1, 1}, {0, 0, 0}, none},
        {"turned and scaled new parent", none, {1, 1, 1}, Rotation(Vec3(1, 1, 0), -1.2), {2, 2, 2}, {1, 1, 1},
         {0, 0, 0}, none},
        {"both turned, object with pivot and non-uniform scale", Rotation(Vec3(0, 1, 0), 0.4), {1, 1, 1},
         Rotation(Vec3(0, 0, 1), 2.0), {1, 1, 1}, {1, 3, 0.5}, {0.5, -1, 2}, none},
        {"object with a scale orientation", none, {3, 3, 3}, Rotation(Vec3(1, 0, 0), kPi / 3), {1, 1, 1},
         {2, 1, 1}, {1, 1, 1}, Rotation(Vec3(0, 0, 1), 0.3)},
        {"mirroring new parent", none, {1, 1, 1}, none, {-1, 1, 1}, {1, 2, 1}, {0, 0, 0}, none},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SgRef<SgSeparator> root = MakeSceneRoot();
        SgRef<SgObject> oldParent = MakeGroup("old", Vec3(1, -2, 3), c.oldRotation, c.oldScale);
        SgRef<SgObject> newParent = MakeGroup("new", Vec3(-4, 0, 1), c.newRotation, c.newScale);
        SgRef<SgObject> object = MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(5, 1, -2), "object");
        SgTransform *own = object->GetTransform();
        own->m_rotation = Rotation(Vec3(1, 0, 1), 0.9);
        own->m_scaleFactor = c.objectScale;
        own->m_center = c.objectCenter;
        own->m_scaleOrientation = c.objectScaleOrientation;
        root->AddChild(oldParent.get());
        root->AddChild(newParent.get());
        oldParent->AddChild(object.get());
        const Transform3 before =
            WorldOf(PathTo({root.get(), oldParent.get(), oldParent->GetInnerGroup(), object.get()}));

        SgPath target = PathTo({root.get(), newParent.get()});
        ASSERT_TRUE(object->AttachToGroup(target, false));
        const SgPath after = PathTo({root.get(), newParent.get(), newParent->GetInnerGroup(), object.get()});
        EXPECT_TRUE(SamePlacement(WorldOf(after), before));
        EXPECT_TRUE(Near(own->m_center.Get(), c.objectCenter)) << "the pivot stays";
        EXPECT_EQ(own->m_scaleOrientation.Get(), c.objectScaleOrientation);
        EXPECT_EQ(object->m_link.Get(), 0);

        // And back out to the root, which carries no transform.
        SgPath inside = after;
        ASSERT_TRUE(SgObject::DetachFromGroup(inside, root.get()));
        EXPECT_TRUE(SamePlacement(WorldOf(PathTo({root.get(), object.get()})), before));
    }
}

TEST_F(ObjectGroupingTest, DetachIntoATransformedParentKeepsThePlacement)
{
    SgRef<SgObject> from = MakeGroup("from", Vec3(1, 1, 0), Rotation(Vec3(0, 0, 1), 0.5));
    SgRef<SgObject> to = MakeGroup("to", Vec3(0, 0, 7), Rotation(Vec3(1, 0, 0), 1.0), Vec3(0.5, 0.5, 0.5));
    SgRef<SgObject> object = MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(2, 0, 0), "object");
    m_root->AddChild(from.get());
    m_root->AddChild(to.get());
    from->AddChild(object.get());
    SgPath inside = PathTo({m_root.get(), from.get(), from->GetInnerGroup(), object.get()});
    const Transform3 before = WorldOf(inside);

    ASSERT_TRUE(SgObject::DetachFromGroup(inside, to.get()));
    EXPECT_TRUE(SamePlacement(WorldOf(PathTo({m_root.get(), to.get(), to->GetInnerGroup(), object.get()})), before));
}

TEST_F(ObjectGroupingTest, GroupingRefusesBadInputAndChangesNothing)
{
    SgRef<SgObject> object = MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(5, 0, 0), "object");
    m_root->AddChild(object.get());
    SgPath empty;
    EXPECT_THROW(object->AttachToGroup(empty, false), SgInvalidArgument);
    SgPath tooShort = PathTo({object.get()});
    EXPECT_THROW(SgObject::DetachFromGroup(tooShort, m_root.get()), SgInvalidArgument);
    EXPECT_THROW(object->AddToGroup(tooShort), SgInvalidArgument);

    // Into itself: refused, and the object stays where it was.
    SgPath self = PathTo({m_root.get(), object.get()});
    EXPECT_FALSE(object->AttachToGroup(self, false));
    EXPECT_EQ(object->GetFirstFather(), m_root.get());
    EXPECT_TRUE(Near(object->GetMove(), Vec3(5, 0, 0)));

    // Into a node that is no group.
    SgRef<SgLight> light = new SgPointLight;
    m_root->AddChild(light.get());
    SgPath toLight = PathTo({m_root.get(), light.get()});
    EXPECT_FALSE(object->AttachToGroup(toLight, false));
    EXPECT_EQ(object->GetFirstFather(), m_root.get());
}

TEST_F(ObjectGroupingTest, AddToGroupMovesAndLinkToGroupShares)
{
    SgRef<SgObject> group = MakeGroup("group", Vec3(9, 0, 0));
    SgRef<SgObject> moved = MakeObjectWith(nullptr, Vec3(1, 0, 0), "moved");
    SgRef<SgObject> shared = MakeObjectWith(nullptr, Vec3(2, 0, 0), "shared");
    m_root->AddChild(group.get());
    m_root->AddChild(moved.get());
    m_root->AddChild(shared.get());

    SgPath toMoved = PathTo({m_root.get(), moved.get()});
    ASSERT_TRUE(group->AddToGroup(toMoved));
    EXPECT_EQ(m_root->IndexOf(moved.get()), -1);
    EXPECT_EQ(group->GetInnerGroup()->IndexOf(moved.get()), 0);
    EXPECT_TRUE(Near(moved->GetMove(), Vec3(1, 0, 0))) << "adding keeps the transform as it is";

    SgPath toShared = PathTo({m_root.get(), shared.get()});
    ASSERT_TRUE(group->LinkToGroup(toShared));
    EXPECT_EQ(shared->GetFatherList().size(), 2u) << "a linked object has both parents";
}

TEST_F(ObjectGroupingTest, UngroupPutsTheObjectsAfterTheGroupWithItsPlacement)
{
    SgRef<SgObject> group = MakeGroup("group", Vec3(1, 1, 1));
    SgRef<SgObject> first = MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(0, 0, 0), "first");
    SgRef<SgObject> second = MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(0, 0, 0), "second");
    SgRef<SgObject> last = MakeObjectWith(nullptr, Vec3(0, 0, 0), "last");
    group->AddChild(first.get());
    group->AddChild(second.get());
    m_root->AddChild(group.get());
    m_root->AddChild(last.get());

    const SgPathList paths = group->Ungroup();
    EXPECT_EQ(paths.GetCount(), 2);
    ASSERT_EQ(m_root->GetChildsCount(), 4);
    EXPECT_EQ(m_root->GetChild(0), group.get()) << "the group stays in its parent";
    EXPECT_EQ(m_root->GetChild(1), first.get()) << "the objects follow the group in their order";
    EXPECT_EQ(m_root->GetChild(2), second.get());
    EXPECT_EQ(m_root->GetChild(3), last.get());
    EXPECT_EQ(group->GetInnerGroup()->GetChildsCount(), 0);
    for (SgObject *object : {first.get(), second.get()}) {
        EXPECT_TRUE(Near(object->GetMove(), Vec3(1, 1, 1))) << object->GetName();
        EXPECT_TRUE(paths.IsExist(PathTo({m_root.get(), object})) != 0) << object->GetName();
    }
}

TEST_F(ObjectGroupingTest, UngroupWithSeveralParentsAppliesTheGroupPlacementOnce)
{
    SgRef<SgSeparator> otherParent = new SgSeparator;
    SgRef<SgObject> group = MakeGroup("group", Vec3(1, 1, 1), Rotation(Vec3(0, 0, 1), kPi / 2));
    SgRef<SgObject> member = MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(1, 0, 0), "member");
    group->AddChild(member.get());
    m_root->AddChild(group.get());
    m_root->AddChild(otherParent.get());
    otherParent->AddChild(group.get());
    const Transform3 before = WorldOf(PathTo({m_root.get(), group.get(), group->GetInnerGroup(), member.get()}));

    const SgPathList paths = group->Ungroup();
    EXPECT_EQ(paths.GetCount(), 2);
    EXPECT_TRUE(Near(member->GetMove(), Vec3(1, 2, 1), 1e-12));
    EXPECT_TRUE(SamePlacement(WorldOf(PathTo({m_root.get(), member.get()})), before));
    EXPECT_EQ(otherParent->IndexOf(member.get()), 1) << "placed right after the group there too";
}

TEST_F(ObjectGroupingTest, UngroupOfAnUnparentedObjectKeepsItsContent)
{
    SgRef<SgObject> group = MakeGroup("group", Vec3(1, 1, 1));
    SgRef<SgObject> member = MakeObjectWith(nullptr, Vec3(0, 0, 0), "member");
    group->AddChild(member.get());
    EXPECT_EQ(group->Ungroup().GetCount(), 0);
    EXPECT_EQ(group->GetInnerGroup()->IndexOf(member.get()), 0);
    EXPECT_TRUE(Near(member->GetMove(), Vec3(0, 0, 0)));
}

TEST_F(ObjectGroupingTest, ReplaceChildLeavesTheGivenObjectAsOnlyContent)
{
    SgRef<SgObject> group = MakeGroup("group", Vec3(0, 0, 0));
    SgRef<SgObject> kept = MakeObjectWith(nullptr, Vec3(0, 0, 0), "kept");
    group->AddChild(MakeObjectWith(nullptr, Vec3(0, 0, 0), "a").get());
    group->AddChild(kept.get());
    ASSERT_TRUE(group->ReplaceChild(kept.get()));
    ASSERT_EQ(group->GetInnerGroup()->GetChildsCount(), 1);
    EXPECT_EQ(group->GetInnerGroup()->GetChild(0), kept.get());
    EXPECT_FALSE(kept->ReplaceChild(group.get())) << "an object cannot hold its own parent";
    EXPECT_EQ(group->GetInnerGroup()->GetChild(0), kept.get());
}

TEST_F(ObjectGroupingTest, AlignToCenterMovesThePivotButNotTheObject)
{
    SgRef<SgObject> object = MakeObjectWith(MakeMeasured(Vec3f(2, 0, -1), Vec3f(4, 6, 1)).get(), Vec3(5, 0, 0));
    SgTransform *own = object->GetTransform();
    own->m_rotation = Rotation(Vec3(0, 1, 1), 0.8);
    own->m_scaleFactor = Vec3(1, 2, 3);
    own->m_scaleOrientation = Rotation(Vec3(1, 0, 0), 0.2);
    m_root->AddChild(object.get());
    const Transform3 before = own->GetMatrix();
    EXPECT_FALSE(object->IsAlignedToCenter());

    ASSERT_TRUE(object->AlignToCenter());
    EXPECT_TRUE(Near(object->GetCenter(), Vec3(3, 3, 0), 1e-6));
    EXPECT_TRUE(SamePlacement(own->GetMatrix(), before));
    EXPECT_TRUE(object->IsAlignedToCenter());

    // Within the tolerance counts as aligned.
    object->SetCenter(Vec3(3.0005, 3, 0));
    EXPECT_TRUE(object->IsAlignedToCenter());
    object->SetCenter(Vec3(3.002, 3, 0));
    EXPECT_FALSE(object->IsAlignedToCenter());
}

TEST_F(ObjectGroupingTest, AutoCenterKeepsACentredPivotCentred)
{
    SgRef<MeasuredShape> shape = MakeMeasured(Vec3f(0, 0, 0), Vec3f(2, 2, 2));
    SgRef<SgObject> centred = MakeObjectWith(shape.get());
    centred->AlignToCenter();
    centred->StartAutoCenterAlign();
    shape->m_box = Range<Vec3f>(Vec3f(0, 0, 0), Vec3f(4, 2, 2));
    centred->FinishAutoCenterAlign();
    EXPECT_TRUE(Near(centred->GetCenter(), Vec3(2, 1, 1), 1e-6));

    SgRef<MeasuredShape> other = MakeMeasured(Vec3f(0, 0, 0), Vec3f(2, 2, 2));
    SgRef<SgObject> offCentre = MakeObjectWith(other.get());
    offCentre->StartAutoCenterAlign();
    offCentre->FinishAutoCenterAlign();
    EXPECT_TRUE(Near(offCentre->GetCenter(), Vec3(0, 0, 0))) << "a pivot off the centre stays put";
}

TEST_F(ObjectGroupingTest, BoxFacesAsPolygons)
{
    const Range<Vec3f> box(Vec3f(0, 0, 0), Vec3f(1, 2, 3));
    struct Case {
        Range<Vec3f>::BOX3_SIZE extent;
        Vec3 corners[4];
    };
    const Case cases[] = {
        {Range<Vec3f>::X_MIN, {{0, 2, 3}, {0, 0, 3}, {0, 0, 0}, {0, 2, 0}}},
        {Range<Vec3f>::Z_MIN, {{0, 2, 0}, {0, 0, 0}, {1, 0, 0}, {1, 2, 0}}},
        {Range<Vec3f>::Z_MAX, {{1, 2, 3}, {1, 0, 3}, {0, 0, 3}, {0, 2, 3}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.extent));
        std::unique_ptr<CPolygon> polygon = SgObject::ConvertToPolygon(box, c.extent);
        ASSERT_TRUE(polygon);
        ASSERT_EQ(polygon->GetSize(), 4);
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(Near(polygon->GetPointAt(i), c.corners[i])) << "corner " << i;
    }
    EXPECT_FALSE(SgObject::ConvertToPolygon(box, Range<Vec3f>::BOX3_FACES));
}

TEST_F(ObjectGroupingTest, AttachUnderATinyScaleKeepsThePlacement)
{
    SgRef<SgObject> group = MakeGroup("group", Vec3(1, 0, 0), Rotation(), Vec3(1e-5, 1e-5, 1e-5));
    SgRef<SgObject> object = MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(4, 0, 0), "object");
    m_root->AddChild(group.get());
    m_root->AddChild(object.get());
    const Transform3 before =
        SgGetTransformAction::PathMatrix(PathTo({m_root.get(), object.get()})) * object->GetTransform()->GetMatrix();

    SgPath target = PathTo({m_root.get(), group.get()});
    ASSERT_TRUE(object->AttachToGroup(target, false));
    const Transform3 after = SgGetTransformAction::PathMatrix(
        PathTo({m_root.get(), group.get(), group->GetInnerGroup(), object.get()})) * object->GetTransform()->GetMatrix();
    EXPECT_TRUE(SamePlacement(after, before)) << "a group in microns is no singular group";
    EXPECT_TRUE(Near(object->GetMove(), Vec3(3e5, 0, 0), 1e-3));
}

// A parent whose scale flattens an axis cannot take a child without moving
// it: attaching, detaching into it and ungrouping it refuse and say so. A
// parent scaled very unevenly but invertible is no singular parent.
TEST_F(ObjectGroupingTest, SingularParentsAreRefusedAndInvertibleOnesKeepThePlacement)
{
    struct Case {
        const char *what;
        Vec3 parentScale;
        bool accepted;
    };
    const Case cases[] = {
        {"a flat parent", Vec3(1, 1, 0), false},
        {"a parent flat in two axes", Vec3(0, 1, 0), false},
        {"microns along x, kilometres along z", Vec3(1e-5, 1, 1e4), true},
        {"tiny everywhere, one axis much less", Vec3(1e-3, 1e-3, 1e-9), true},
    };
    for (const Case &c : cases) {
        SgRef<SgSeparator> root = MakeSceneRoot();
        SgRef<SgObject> parent = MakeGroup("parent", Vec3(0, 0, 0), Rotation(), c.parentScale);
        SgRef<SgObject> object = MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(1, 2, 3), "object");
        root->AddChild(parent.get());
        root->AddChild(object.get());
        const Transform3 before = WorldOf(PathTo({root.get(), object.get()}));

        // Attach.
        SgDiagCapture capture;
        SgPath target = PathTo({root.get(), parent.get()});
        EXPECT_EQ(object->AttachToGroup(target, false), c.accepted) << c.what;
        const SgPath inside = PathTo({root.get(), parent.get(), parent->GetInnerGroup(), object.get()});
        if (c.accepted) {
            EXPECT_TRUE(SamePlacement(WorldOf(inside), before)) << c.what;
            EXPECT_EQ(capture.Count(), 0) << c.what << ": " << capture.GetText();
        } else {
            EXPECT_EQ(object->GetFirstFather(), root.get()) << c.what << ": the object stays where it was";
            EXPECT_TRUE(Near(object->GetMove(), Vec3(1, 2, 3))) << c.what;
            EXPECT_TRUE(capture.Contains("cannot be placed under")) << c.what << ": " << capture.GetText();
        }

        // Detach from a plain group into the parent.
        SgRef<SgObject> from = MakeGroup("from", Vec3(0, 0, 0));
        SgRef<SgObject> other = MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(1, 2, 3), "other");
        root->AddChild(from.get());
        from->AddChild(other.get());
        SgPath fromPath = PathTo({root.get(), from.get(), from->GetInnerGroup(), other.get()});
        capture.Clear();
        EXPECT_EQ(SgObject::DetachFromGroup(fromPath, parent.get()), c.accepted) << c.what;
        if (c.accepted) {
            EXPECT_TRUE(SamePlacement(
                WorldOf(PathTo({root.get(), parent.get(), parent->GetInnerGroup(), other.get()})), before))
                << c.what;
        } else {
            EXPECT_EQ(other->GetFirstFather(), from->GetInnerGroup()) << c.what;
            EXPECT_TRUE(Near(other->GetMove(), Vec3(1, 2, 3))) << c.what;
            EXPECT_TRUE(capture.Contains("cannot be placed under")) << c.what << ": " << capture.GetText();
        }

        // Ungroup the parent with a member inside.
        SgRef<SgObject> member = MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(1, 2, 3), "member");
        parent->AddChild(member.get());
        const Transform3 memberBefore =
            WorldOf(PathTo({root.get(), parent.get(), parent->GetInnerGroup(), member.get()}));
        capture.Clear();
        const SgPathList placed = parent->Ungroup();
        if (c.accepted) {
            EXPECT_GE(placed.GetCount(), 1) << c.what;
            EXPECT_TRUE(SamePlacement(WorldOf(PathTo({root.get(), member.get()})), memberBefore)) << c.what;
        } else {
            EXPECT_EQ(placed.GetCount(), 0) << c.what;
            EXPECT_EQ(member->GetFirstFather(), parent->GetInnerGroup()) << c.what;
            EXPECT_TRUE(Near(member->GetMove(), Vec3(1, 2, 3))) << c.what;
            EXPECT_TRUE(capture.Contains("cannot be ungrouped")) << c.what << ": " << capture.GetText();
        }
    }
}

// A turned object under a parent scaled unevenly along turned axes: its world
// matrix has shear in the frame of any single rotation, and only a new scale
// orientation can hold it. Attach, detach and ungroup keep it all the same.
TEST_F(ObjectGroupingTest, PlacementUnderAnUnevenlyScaledTurnedParentIsKeptExactly)
{
    struct Case {
        const char *what;
        Rotation parentRotation;
        Vec3 parentScale;
        Rotation parentScaleOrientation;
        Vec3 objectCenter;
    };
    const Case cases[] = {
        {"scaled along turned axes", Rotation(Vec3(1, 1, 0), 0.8), {3, 1, 0.25}, Rotation(), {0, 0, 0}},
        {"with a scale orientation and a pivot", Rotation(Vec3(0, 0, 1), -0.6), {0.5, 2, 4},
         Rotation(Vec3(1, 0, 1), 0.4), {1, -2, 0.5}},
        {"mirrored", Rotation(Vec3(0, 1, 0), 1.1), {-2, 1, 1.5}, Rotation(), {0, 0, 0}},
        {"strongly uneven", Rotation(Vec3(1, 2, 3), 2.5), {1e-3, 1, 1e3}, Rotation(), {0.25, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SgRef<SgSeparator> root = MakeSceneRoot();
        SgRef<SgObject> parent = MakeGroup("parent", Vec3(1, -2, 3), c.parentRotation, c.parentScale);
        parent->GetTransform()->m_scaleOrientation = c.parentScaleOrientation;
        SgRef<SgObject> object = MakeObjectWith(MakeCuboid(1, 1, 1).get(), Vec3(5, 1, -2), "object");
        SgTransform *own = object->GetTransform();
        own->m_rotation = Rotation(Vec3(1, 0, 1), 0.9);
        own->m_scaleFactor = Vec3(1, 2, 0.5);
        own->m_center = c.objectCenter;
        root->AddChild(parent.get());
        root->AddChild(object.get());
        const Transform3 before = WorldOf(PathTo({root.get(), object.get()}));

        SgPath target = PathTo({root.get(), parent.get()});
        ASSERT_TRUE(object->AttachToGroup(target, false));
        SgPath inside = PathTo({root.get(), parent.get(), parent->GetInnerGroup(), object.get()});
        EXPECT_TRUE(SamePlacement(WorldOf(inside), before)) << "attach";
        EXPECT_TRUE(Near(own->m_center.Get(), c.objectCenter)) << "the pivot stays";

        ASSERT_TRUE(SgObject::DetachFromGroup(inside, root.get()));
        EXPECT_TRUE(SamePlacement(WorldOf(PathTo({root.get(), object.get()})), before)) << "detach";

        ASSERT_TRUE(object->AttachToGroup(target, false));
        const SgPathList placed = parent->Ungroup();
        ASSERT_EQ(placed.GetCount(), 1);
        EXPECT_TRUE(SamePlacement(WorldOf(PathTo({root.get(), object.get()})), before)) << "ungroup";
    }
}

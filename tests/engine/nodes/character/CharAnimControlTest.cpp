// Skinning: bone chains, binding weights and the deformation that follows
// the bones, with the cases that would otherwise weigh infinitely, collapse
// to the origin or read past the bone records.
#include <gtest/gtest.h>

#include <vector>

#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/character/CharAnimControl.h"
#include "engine/nodes/character/SgBone.h"
#include "engine/nodes/character/SgCharAnim.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/object/SgObject.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

namespace {

class CharAnimTest : public ::testing::Test {
protected:
    void SetUp() override { InitExtrusionTests(); }
};

SgObject *ChildObject(SgObject *object)
{
    SgSeparator *content = object->GetInnerGroup();
    for (int i = 0; i < content->GetChildsCount(); ++i)
        if (auto *child = dynamic_cast<SgObject *>(content->GetChild(i)))
            return child;
    return nullptr;
}

SgBone *BoneIn(SgObject *object)
{
    SgSeparator *content = object->GetInnerGroup();
    for (int i = 0; i < content->GetChildsCount(); ++i)
        if (auto *bone = dynamic_cast<SgBone *>(content->GetChild(i)))
            return bone;
    return nullptr;
}

// A skin object holding a face set with the given points (no faces are
// needed for binding).
SgRef<SgObject> MakeSkin(const std::vector<Vec3> &points)
{
    SgRef<SgObject> skin = new SgObject(true, true);
    auto *mesh = new SgFaceSet;
    mesh->m_vertices.SetVals(int(points.size()), points.data());
    skin->AddChild(mesh);
    return skin;
}

void ExpectNear(const Vec3 &want, const Vec3 &got, const char *what)
{
    EXPECT_NEAR(want.x, got.x, 1e-6) << what;
    EXPECT_NEAR(want.y, got.y, 1e-6) << what;
    EXPECT_NEAR(want.z, got.z, 1e-6) << what;
}

} // namespace

TEST_F(CharAnimTest, CreateBoneNestsBonesOfUnitHeight)
{
    SgRef<SgObject> first = CreateBone(3, nullptr);
    ASSERT_TRUE(first);
    SgObject *object = first.get();
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(object, nullptr) << "bone object " << i;
        SgBone *bone = BoneIn(object);
        ASSERT_NE(bone, nullptr) << "bone object " << i;
        EXPECT_DOUBLE_EQ(bone->m_height.Get(), 1.0);
        ExpectNear(i == 0 ? Vec3(0, 0, 0) : Vec3(0, 0, 1), object->GetMove(), "translation");
        object = ChildObject(object);
    }
    EXPECT_EQ(object, nullptr) << "the chain has three objects";
    EXPECT_EQ(CreateBone(0, nullptr), nullptr);
}

TEST_F(CharAnimTest, BindingWithoutMovingReproducesThePointsAndBendingMovesThem)
{
    SgRef<SgObject> skeleton = CreateBone(3, nullptr);
    // Points along the chain, one exactly on a segment (distance 0).
    const std::vector<Vec3> points = {{0.2, 0, 0.5}, {0, 0, 1.5}, {0.1, 0.1, 2.5}, {0.3, 0, 1.0}};
    SgRef<SgObject> skin = MakeSkin(points);
    auto *modifier = static_cast<SgCharAnim *>(CharAnimControl::SkinSkeleton(skin.get(), skeleton.get()));
    ASSERT_NE(modifier, nullptr);
    CharAnimControl &control = modifier->GetControl();
    EXPECT_FALSE(control.IsSkinMode());
    ASSERT_EQ(control.GetBones().size(), 2u) << "a chain of three objects makes two segments";
    for (const auto &point : control.GetPoints()) {
        ASSERT_FALSE(point.influences.empty());
        float sum = 0;
        for (const auto &[bone, weight] : point.influences) {
            EXPECT_TRUE(std::isfinite(weight));
            sum += weight;
        }
        EXPECT_NEAR(sum, 1.0f, 1e-5f);
    }

    std::vector<Vec3> out(points.size());
    ASSERT_TRUE(control.ReadSkeleton(skeleton.get(), false));
    control.ApplyDeform(int(points.size()), points.data(), out.data());
    for (size_t i = 0; i < points.size(); ++i)
        ExpectNear(points[i], out[i], "unmoved skeleton");

    // Moving the root carries every point with it.
    skeleton->SetMove(Vec3(5, 0, 0));
    ASSERT_TRUE(control.ReadSkeleton(skeleton.get(), false));
    control.ApplyDeform(int(points.size()), points.data(), out.data());
    for (size_t i = 0; i < points.size(); ++i)
        ExpectNear(points[i] + Vec3(5, 0, 0), out[i], "moved skeleton");

    // Back to the bind pose puts the root where it was bound.
    control.BackToSkinMode();
    EXPECT_TRUE(control.IsSkinMode());
    ExpectNear(Vec3(0, 0, 0), skeleton->GetMove(), "bind pose");
}

TEST_F(CharAnimTest, NearestBoneAloneOrStrongestWhenAllSharesAreSmall)
{
    // Two segments: a point next to the first is moved by it alone.
    SgRef<SgObject> skeleton = CreateBone(3, nullptr);
    SgRef<SgObject> skin = MakeSkin({{0.01, 0, 0.5}});
    auto *modifier = static_cast<SgCharAnim *>(CharAnimControl::SkinSkeleton(skin.get(), skeleton.get()));
    ASSERT_NE(modifier, nullptr);
    const auto &influences = modifier->GetControl().GetPoints()[0].influences;
    ASSERT_EQ(influences.size(), 1u);
    EXPECT_EQ(influences[0].first, 1) << "records are made depth first: the root's segment comes last";
    EXPECT_FLOAT_EQ(influences[0].second, 1.0f);

    // Ten equal segments from one root: every share is 0.1, below the
    // threshold; the point keeps one bone instead of going to the origin.
    SgRef<SgObject> star = new SgObject(true, true);
    star->AddChild(new SgBone);
    for (int i = 0; i < 10; ++i) {
        auto *arm = new SgObject(true, true);
        arm->SetMove(Vec3(0, 0, 1));
        arm->AddChild(new SgBone);
        LinkBoneObject(star.get(), arm);
    }
    SgRef<SgObject> far = MakeSkin({{0, 0, -3}});
    auto *starModifier = static_cast<SgCharAnim *>(CharAnimControl::SkinSkeleton(far.get(), star.get()));
    ASSERT_NE(starModifier, nullptr);
    ASSERT_EQ(starModifier->GetControl().GetBones().size(), 10u);
    const auto &kept = starModifier->GetControl().GetPoints()[0].influences;
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_FLOAT_EQ(kept[0].second, 1.0f);
    std::vector<Vec3> out(1);
    const Vec3 in(0, 0, -3);
    starModifier->GetControl().ApplyDeform(1, &in, out.data());
    ExpectNear(in, out[0], "kept in place");
}

TEST_F(CharAnimTest, MismatchedCountsCopyAndAChangedSkeletonIsNotReadPastItsRecords)
{
    SgRef<SgObject> skeleton = CreateBone(2, nullptr);
    SgRef<SgObject> skin = MakeSkin({{0, 0, 0.5}, {0, 0, 1.5}});
    auto *modifier = static_cast<SgCharAnim *>(CharAnimControl::SkinSkeleton(skin.get(), skeleton.get()));
    ASSERT_NE(modifier, nullptr);
    CharAnimControl &control = modifier->GetControl();
    skeleton->SetMove(Vec3(1, 0, 0));
    ASSERT_TRUE(control.ReadSkeleton(skeleton.get(), false));
    const std::vector<Vec3> three = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    std::vector<Vec3> out(3);
    control.ApplyDeform(3, three.data(), out.data());
    for (size_t i = 0; i < 3; ++i)
        ExpectNear(three[i], out[i], "count mismatch copies");

    // A third bone joins the chain after binding: the records do not fit.
    SgObject *second = ChildObject(skeleton.get());
    auto *third = new SgObject(true, true);
    third->AddChild(new SgBone);
    LinkBoneObject(second, third);
    EXPECT_FALSE(control.ReadSkeleton(skeleton.get(), false));
    EXPECT_EQ(control.GetBones().size(), 1u);
}

TEST_F(CharAnimTest, AnObjectAttachedToABoneBecomesTheNextJoint)
{
    SgRef<SgSeparator> root = new SgSeparator;
    SgObject *bone = CreateBone(1, nullptr);
    root->AddChild(bone);
    auto *next = new SgObject(true, true);
    next->AddChild(new SgBone);
    next->SetMove(Vec3(0, 0, 1));
    root->AddChild(next);
    SgPath target;
    target.Append(root.get());
    target.Append(bone);
    ASSERT_TRUE(next->AttachToGroup(target, false));
    EXPECT_EQ(bone->GetInnerGroup()->GetChild(0), next) << "joints come before the bone shape";
    EXPECT_EQ(next->m_link.Get(), 1) << "a bone's joint is linked";
    CharAnimControl control;
    control.ReadSkeleton(bone, true);
    ASSERT_EQ(control.GetBones().size(), 1u);
    ExpectNear(Vec3(0, 0, 1), control.GetBones()[0].end, "the joint's origin ends the segment");
}

// A joint object without its bone shape in the middle of the chain keeps the
// pose it was bound in: binding again (after the skeleton changed) weighs
// the skin against the bind pose, so the skin keeps following the bones
// rather than taking their current pose as its rest.
TEST_F(CharAnimTest, AJointWithoutABoneShapeKeepsItsBindPoseWhenBoundAgain)
{
    SgRef<SgObject> skeleton = CreateBone(3, nullptr);
    SgObject *middle = ChildObject(skeleton.get());
    ASSERT_NE(middle, nullptr);
    middle->GetInnerGroup()->DeleteChild(BoneIn(middle));
    ASSERT_EQ(BoneIn(middle), nullptr);
    const std::vector<Vec3> points = {{0.1, 0, 0.5}, {0.1, 0, 1.5}, {0.1, 0, 1.9}};
    SgRef<SgObject> skin = MakeSkin(points);
    auto *modifier = static_cast<SgCharAnim *>(CharAnimControl::SkinSkeleton(skin.get(), skeleton.get()));
    ASSERT_NE(modifier, nullptr);
    CharAnimControl &control = modifier->GetControl();

    // The middle joint moves aside; the deformed skin follows it.
    middle->SetMove(Vec3(1, 0, 1));
    ASSERT_TRUE(control.ReadSkeleton(skeleton.get(), false));
    std::vector<Vec3> followed(points.size());
    control.ApplyDeform(int(points.size()), points.data(), followed.data());
    EXPECT_GT(followed[2].x, 0.5) << "the tip follows the moved joint";

    // Bound again from the stored bind poses: the same deformation.
    control.SetSkinMode(true);
    control.ReadSkeleton(skeleton.get(), false);
    control.AquirePoints(int(points.size()), points.data());
    control.CalcWeights();
    control.SetSkinMode(false);
    ASSERT_TRUE(control.ReadSkeleton(skeleton.get(), false));
    std::vector<Vec3> again(points.size());
    control.ApplyDeform(int(points.size()), points.data(), again.data());
    for (size_t i = 0; i < points.size(); ++i)
        ExpectNear(followed[i], again[i], "bound again");
}

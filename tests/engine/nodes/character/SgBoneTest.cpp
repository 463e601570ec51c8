// The bone shape: its fields as scene files name them, the bind-pose
// transform it carries, and the tapered prism it builds.
#include <gtest/gtest.h>

#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/character/SgBone.h"
#include "engine/nodes/properties/SgTransform.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

namespace {

class BoneTest : public ::testing::Test {
protected:
    void SetUp() override { InitExtrusionTests(); }
};

} // namespace

TEST_F(BoneTest, StartsWithItsDefaultsAndAMarkedBindPose)
{
    SgRef<SgBone> bone = new SgBone;
    EXPECT_EQ(SgFieldMngr::GetParent(SgBone::ClassID() - SgFieldMngr::GetBase()), SgPrizm::ClassID() - SgFieldMngr::GetBase());
    EXPECT_DOUBLE_EQ(bone->m_width.Get(), 0.1);
    EXPECT_DOUBLE_EQ(bone->m_depth.Get(), 0.1);
    ASSERT_EQ(bone->m_innerLimit.GetCount(), 1);
    EXPECT_DOUBLE_EQ(bone->m_innerLimit.GetValues()[0], 0.25);
    ASSERT_EQ(bone->m_outerLimit.GetCount(), 1);
    EXPECT_DOUBLE_EQ(bone->m_outerLimit.GetValues()[0], 0.5);
    EXPECT_EQ(bone->m_zeroBase.Get(), 1);
    auto *bindPose = dynamic_cast<SgTransform *>(bone->GetSkinTransform());
    ASSERT_NE(bindPose, nullptr);
    EXPECT_TRUE(bindPose->IsMarked());
}

TEST_F(BoneTest, BuildsATaperedPrismStandingOnItsBase)
{
    SgRef<SgBone> bone = new SgBone;
    bone->m_height.Set(2.0);
    bone->m_width.Set(0.4);
    SgFaceSet *mesh = BuildMesh(bone.get());
    ASSERT_NE(mesh, nullptr);
    ASSERT_GT(mesh->GetVertexCount(), 0);
    const Range<Vec3f> box = mesh->BoundingBox();
    EXPECT_NEAR(box.GetMin()[2], 0.0, 1e-5);
    EXPECT_NEAR(box.GetMax()[2], 2.0, 1e-5);
    // Widest a tenth of the way up, where the taper curve reaches full size.
    EXPECT_NEAR(box.GetMax()[0], 0.2, 1e-5);
    EXPECT_NEAR(box.GetMax()[1], 0.05, 1e-5);
}

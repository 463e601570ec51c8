#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/nodes/properties/PlacementTestSupport.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/properties/SgJoint.h"

namespace {

class SgJointTest : public ::testing::Test {
protected:
    void SetUp() override { InitPlacementTestClasses(); }
};

} // namespace

// Every class made by name carries its own fields, in order, after which
// come those of its bases.
TEST_F(SgJointTest, ClassesMadeByNameCarryTheirFieldsInOrder)
{
    struct Case {
        const char *className;
        const char *parentName;
        std::vector<std::string> fields;
    };
    const std::vector<std::string> transformFields = {"translation", "rotation", "center", "scaleFactor",
                                                      "scaleOrientation", "reset", "matrixConfig"};
    std::vector<std::string> constraintFields = {"pivot_center", "pivot_orientation"};
    constraintFields.insert(constraintFields.end(), transformFields.begin(), transformFields.end());
    const Case cases[] = {
        {"SgJoint", "SgNode", {"jointPosition", "jointOrientation"}},
        {"SgTransform", "SgNode", transformFields},
        {"SgTransformConstraint", "SgTransform", constraintFields},
        {"SgTransformSensor", "SgNode", {"translationOut", "rotationOut"}},
        {"SgCoordinate3", "SgNode", {"point"}},
        {"SgNormal", "SgNode", {"vector"}},
        {"SgCamera", "SgNode", {"nearDistance", "farDistance", "aspectRatio", "orientation", "position",
                                "heightAngle", "height", "perspective", "targetDistance"}},
    };
    for (const Case &c : cases) {
        const int id = SgFieldMngr::GetClassIDFromName(c.className);
        ASSERT_NE(id, 0) << c.className << " is not registered";
        SgRef<SgFieldMngr> made = SgFieldMngr::Create(id);
        ASSERT_TRUE(made) << c.className;
        const int parent = SgFieldMngr::GetParent(id - SgFieldMngr::GetBase());
        EXPECT_STREQ(SgFieldMngr::ClassName(parent), c.parentName) << c.className;
        ASSERT_EQ(made->GetFieldsCount(), static_cast<int>(c.fields.size())) << c.className;
        for (int i = 0; i < made->GetFieldsCount(); ++i)
            EXPECT_EQ(made->GetFieldName(i), c.fields[i]) << c.className << " field " << i;
    }
}

TEST_F(SgJointTest, JointDefaultsAreTheOriginAndNoTurn)
{
    SgRef<SgJoint> joint = new SgJoint;
    EXPECT_EQ(joint->m_jointPosition.Get(), Vec3(0, 0, 0));
    EXPECT_EQ(joint->m_jointOrientation.Get(), Rotation());
    EXPECT_FALSE(joint->IsPropertyNode());
}

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tests/engine/nodes/properties/PlacementTestSupport.h"
#include "engine/core/SgField.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/properties/SgCamera.h"

namespace {

class SgCameraTest : public ::testing::Test {
protected:
    void SetUp() override { InitPlacementTestClasses(); }
};

std::string TextOf(SgField *field)
{
    std::ostringstream out;
    field->WriteToStream(out);
    return out.str();
}

} // namespace

TEST_F(SgCameraTest, FieldsComeInDeclarationOrderWithTheirDefaults)
{
    SgRef<SgCamera> camera = new SgCamera;
    const char *const names[] = {"nearDistance", "farDistance", "aspectRatio", "orientation", "position",
                                 "heightAngle", "height", "perspective", "targetDistance"};
    ASSERT_EQ(camera->GetFieldsCount(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_STREQ(camera->GetFieldName(i), names[i]) << "field " << i;

    EXPECT_EQ(camera->m_nearDistance.Get(), 0.2);
    EXPECT_EQ(camera->m_farDistance.Get(), 1000.0);
    EXPECT_EQ(camera->m_aspectRatio.Get(), 0.75);
    EXPECT_EQ(camera->m_orientation.Get(), Rotation());
    EXPECT_EQ(camera->m_position.Get(), Vec3f(0, 0, 0));
    EXPECT_EQ(camera->m_heightAngle.Get(), 45.0);
    EXPECT_EQ(camera->m_height.Get(), 5.0);
    EXPECT_TRUE(camera->IsPerspective());
    EXPECT_EQ(camera->m_targetDistance.Get(), 10.0);
    EXPECT_FALSE(camera->IsOrbit());
}

TEST_F(SgCameraTest, EveryFieldSurvivesItsTextForm)
{
    SgRef<SgCamera> source = new SgCamera;
    source->m_nearDistance = 0.01;
    source->m_farDistance = 2.5e6;
    source->m_aspectRatio = 4.0 / 3.0;
    source->m_orientation = Rotation(Vec3(0, 1, 0), 1.5707963267948966);
    source->m_position = Vec3f(1.5f, -2.25f, 0.1f);
    source->m_heightAngle = 0.7853981633974483;
    source->m_height = 12.5;
    source->m_perspective = static_cast<unsigned short>(0);
    source->m_targetDistance = 123.456;

    SgRef<SgCamera> copy = new SgCamera;
    for (int i = 0; i < source->GetFieldsCount(); ++i) {
        SgField *from = source->GetFieldAddress(i);
        SgField *to = copy->GetFieldAddress(i);
        const std::string text = TextOf(from);
        std::istringstream in(text);
        to->ReadFromStream(in, false);
        EXPECT_TRUE(to->Compare(from, to))
            << source->GetFieldName(i) << " written as \"" << text << "\" read back as \"" << TextOf(to) << '"';
    }
    EXPECT_FALSE(copy->IsPerspective());
}

TEST_F(SgCameraTest, PositionKeepsSinglePrecision)
{
    SgRef<SgCamera> camera = new SgCamera;
    std::istringstream in("(0.123456789012345, 1, 2)");
    camera->m_position.ReadFromStream(in, false);
    EXPECT_EQ(camera->m_position.Get().x, 0.123456789012345f);
    EXPECT_NE(static_cast<double>(camera->m_position.Get().x), 0.123456789012345);
}

TEST_F(SgCameraTest, TargetCameraIsMadeByNameAsACamera)
{
    const int id = SgFieldMngr::GetClassIDFromName("SgTargetCamera");
    ASSERT_NE(id, 0);
    SgRef<SgFieldMngr> made = SgFieldMngr::Create(id);
    ASSERT_TRUE(made);
    EXPECT_STREQ(made->GetClassName(), "SgTargetCamera");
    EXPECT_EQ(SgFieldMngr::GetParent(SgTargetCamera::ClassOffset()), SgCamera::ClassOffset());
    EXPECT_TRUE(made->IsDerivedFrom(SgCamera::ClassID()));
    EXPECT_EQ(made->GetFieldsCount(), 9);
    EXPECT_EQ(SgFieldMngr::GetParent(SgCamera::ClassOffset()), SgNode::ClassOffset());
}

// The axis is a helper object: a transform and an inner group of its own,
// and no fields besides those of every object; Create builds its cross.
#include <gtest/gtest.h>

#include "engine/nodes/object/SgHelper.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/properties/SgAxis.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "utilities/math/Transform3.h"
#include "tests/engine/core/TestNodes.h"

TEST(SgAxis, IsAHelperObjectWithTransformAndInnerGroup)
{
    InitTestClasses();
    const int id = SgFieldMngr::GetClassIDFromName("SgAxis");
    ASSERT_EQ(id, SgAxis::ClassID());
    SgRef<SgNode> node = SgNode::Create(id);
    ASSERT_NE(node.get(), nullptr);
    auto *axis = static_cast<SgAxis *>(node.get());
    EXPECT_TRUE(axis->IsDerivedFrom(SgHelper::ClassID()));
    EXPECT_TRUE(axis->IsDerivedFrom(SgObject::ClassID()));
    EXPECT_TRUE(axis->IsHelper());
    EXPECT_TRUE(axis->IsObject());
    ASSERT_NE(axis->GetTransform(), nullptr);
    ASSERT_NE(axis->GetInnerGroup(), nullptr);
    EXPECT_EQ(axis->GetFieldsCount(), 4) << "an axis declares no fields of its own";
}

// --- The cross ------------------------------------------------------------------

namespace {

// Where the transform takes a point.
Vec3 Apply(SgTransform *transform, const Vec3 &p)
{
    return transform->GetMatrix().TransformPoint(p);
}

bool Near(const Vec3 &a, const Vec3 &b)
{
    return (a - b).Length() < 1e-9;
}

} // namespace

TEST(SgAxis, CreateBuildsABillboardAndThreeArrowsSharingOneArmAndHead)
{
    InitTestClasses();
    SgRef<SgAxis> axis = new SgAxis;
    axis->Create(1.0, 0.05, 0.2);
    EXPECT_FALSE(axis->Selectable()) << "the cross is not selectable";
    EXPECT_EQ(axis->m_selectMode.Get(), 0);

    SgSeparator *content = axis->GetInnerGroup();
    ASSERT_EQ(content->GetChildsCount(), 4);
    auto *billboard = dynamic_cast<SgBillboard *>(content->GetChild(0));
    ASSERT_NE(billboard, nullptr) << "the billboard comes first";
    EXPECT_EQ(billboard->m_displayMode.Get(), 1);
    EXPECT_EQ(billboard->m_sizeType.Get(), 1);
    EXPECT_EQ(billboard->m_positionType.Get(), 1);
    EXPECT_EQ(billboard->m_x.Get(), 40.0f);
    EXPECT_EQ(billboard->m_y.Get(), 40.0f);

    struct Expected {
        const char *name;
        Color colour;
        Vec3 xGoesTo;
    };
    const Expected expected[] = {
        {"X-Axis", Color(1, 0, 0, 1), Vec3(1, 0, 0)},
        {"Y-Axis", Color(0, 1, 0, 1), Vec3(0, 1, 0)},
        {"Z-Axis", Color(0, 0, 1, 1), Vec3(0, 0, 1)},
    };
    SgNode *arm = nullptr;
    SgNode *arrow = nullptr;
    for (int i = 0; i < 3; ++i) {
        auto *object = dynamic_cast<SgObject *>(content->GetChild(i + 1));
        ASSERT_NE(object, nullptr) << expected[i].name;
        EXPECT_EQ(object->GetName(), expected[i].name);
        auto *material = dynamic_cast<SgMaterial *>(object->FindPropertyNode(SgMaterial::ClassID()));
        ASSERT_NE(material, nullptr) << expected[i].name;
        EXPECT_EQ(material->m_diffuseColor.GetValue(0), expected[i].colour) << expected[i].name;
        EXPECT_TRUE(Near(Apply(object->GetTransform(), Vec3(1, 0, 0)), expected[i].xGoesTo))
            << expected[i].name << " is not turned onto its axis";
        SgSeparator *inner = object->GetInnerGroup();
        ASSERT_EQ(inner->GetChildsCount(), 2) << expected[i].name;
        if (i == 0) {
            arm = inner->GetChild(0);
            arrow = inner->GetChild(1);
        }
        EXPECT_EQ(inner->GetChild(0), arm) << expected[i].name << " has an arm of its own";
        EXPECT_EQ(inner->GetChild(1), arrow) << expected[i].name << " has an arrow of its own";
    }

    auto *head = dynamic_cast<SgObject *>(arrow);
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->GetName(), "arrow");
    // The cone's tip (its +z) points along the arm, from the arm's end.
    EXPECT_TRUE(Near(Apply(head->GetTransform(), Vec3(0, 0, 0)), Vec3(1, 0, 0)));
    EXPECT_TRUE(Near(Apply(head->GetTransform(), Vec3(0, 0, 1)), Vec3(2, 0, 0)));
    auto *cone = dynamic_cast<SgCone *>(head->GetInnerGroup()->GetChild(0));
    ASSERT_NE(cone, nullptr);
    EXPECT_EQ(cone->m_bottomRadius.Get(), 0.05);
    EXPECT_EQ(cone->m_height.Get(), 0.2);

    auto *shaft = dynamic_cast<SgObject *>(arm);
    ASSERT_NE(shaft, nullptr);
    EXPECT_EQ(shaft->GetName(), "arm");
    auto *line = dynamic_cast<SgPolyLine *>(shaft->GetInnerGroup()->GetChild(0));
    ASSERT_NE(line, nullptr);
    ASSERT_EQ(line->m_coordinates.GetCount(), 2);
    EXPECT_EQ(line->m_coordinates.GetValue(1), Vec3(1, 0, 0));
}

TEST(SgAxis, CentreIsABallOfTheRadius)
{
    InitTestClasses();
    SgRef<SgObject> ball = SgAxis::CreateCenter(0.3);
    EXPECT_EQ(ball->GetName(), "ball");
    auto *sphere = dynamic_cast<SgSphere *>(ball->GetInnerGroup()->GetChild(0));
    ASSERT_NE(sphere, nullptr);
    EXPECT_EQ(sphere->m_radius.Get(), 0.3);
}

// The axis is a helper object: a transform and an inner group of its own,
// and no fields besides those of every object.
#include <gtest/gtest.h>

#include "engine/core/SgHelper.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/properties/SgAxis.h"
#include "engine/nodes/properties/SgTransform.h"
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

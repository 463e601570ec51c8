// The billboard's settings: the window-aligned drawing reads them directly.
#include <gtest/gtest.h>

#include "engine/core/SgGroup.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "tests/engine/core/TestNodes.h"
#include "tests/engine/nodes/properties/FieldTableCheck.h"

TEST(SgBillboard, DeclaresItsSettingsWithTheirDefaults)
{
    InitTestClasses();
    SgRef<SgBillboard> billboard = new SgBillboard;
    ExpectFieldTable(*billboard, {
                                     {"displayMode", 1, "0"},
                                     {"conditionalDisplay", 1, "0"},
                                     {"rotationType", 1, "0"},
                                     {"sizeType", 1, "0"},
                                     {"positionType", 1, "0"},
                                     {"selectable", 1, "1"},
                                     {"size", 2, "100"},
                                     {"x", 2, "50"},
                                     {"y", 2, "50"},
                                     {"z", 2, "10"},
                                     {"targetPoint", 7, "(0,0,0)"},
                                     {"targetRotation", 11, "(0,0,1) 0.5"},
                                 });
}

TEST(SgBillboard, IsACreatablePropertyNodeRegisteredUnderSgNode)
{
    InitTestClasses();
    const int id = SgFieldMngr::GetClassIDFromName("SgBillboard");
    ASSERT_EQ(id, SgBillboard::ClassID());
    SgRef<SgNode> node = SgNode::Create(id);
    ASSERT_NE(node.get(), nullptr);
    EXPECT_TRUE(node->IsPropertyNode());
    EXPECT_TRUE(node->IsDerivedFrom(SgNode::ClassID()));
    EXPECT_FALSE(node->IsDerivedFrom(SgGroup::ClassID()));
}

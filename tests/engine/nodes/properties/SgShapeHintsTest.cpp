#include <gtest/gtest.h>

#include "tests/engine/nodes/properties/PropertyStateAction.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/properties/SgShapeHints.h"

namespace {

struct HintElements {
    int shapeType = -1;
    int ordering = -1;
    int faceType = -1;
    float creaseAngle = -1;
    int smoothType = -1;
};

HintElements ReadHints(SgState *state)
{
    return {*ShapeTypeElement::Get(state), *OrderingElement::Get(state), *FaceTypeElement::Get(state),
            *CreaseAngleElement::Get(state), *SmoothTypeElement::Get(state)};
}

TEST(SgShapeHints, EachFieldReachesItsElement)
{
    SgRef<SgShapeHints> hints = new SgShapeHints;
    hints->m_shapeType = static_cast<int>(SgShapeHints::SOLID);
    hints->m_vertexOrdering = static_cast<int>(SgShapeHints::COUNTERCLOCKWISE);
    hints->m_faceType = static_cast<int>(SgShapeHints::CONVEX);
    hints->m_creaseAngle = 45.0f;
    hints->m_smoothType = 1;
    HintElements seen;
    ASSERT_TRUE(ProbeStateAfter({hints.get()}, [&](SgState *state) { seen = ReadHints(state); }));
    EXPECT_EQ(seen.shapeType, 1);
    EXPECT_EQ(seen.ordering, 2);
    EXPECT_EQ(seen.faceType, 1);
    EXPECT_EQ(seen.creaseAngle, 45.0f);
    EXPECT_EQ(seen.smoothType, 1);
}

TEST(SgShapeHints, ANodeWithEveryFieldIgnoredChangesNothing)
{
    SgRef<SgShapeHints> outer = new SgShapeHints;
    outer->m_shapeType = 2;
    outer->m_creaseAngle = 10.0f;
    SgRef<SgShapeHints> ignored = new SgShapeHints;
    ignored->m_shapeType = 1;
    ignored->m_vertexOrdering = 2;
    ignored->m_faceType = 1;
    ignored->m_creaseAngle = 80.0f;
    ignored->m_smoothType = 0;
    for (int i = 0; i < ignored->GetFieldsCount(); ++i)
        ignored->GetFieldAddress(i)->SetIgnored(true);

    HintElements before, after;
    ASSERT_TRUE(ProbeStateAfter({outer.get()}, [&](SgState *state) { before = ReadHints(state); }));
    ASSERT_TRUE(ProbeStateAfter({outer.get(), ignored.get()}, [&](SgState *state) { after = ReadHints(state); }));
    EXPECT_EQ(after.shapeType, before.shapeType);
    EXPECT_EQ(after.ordering, before.ordering);
    EXPECT_EQ(after.faceType, before.faceType);
    EXPECT_EQ(after.creaseAngle, before.creaseAngle);
    EXPECT_EQ(after.smoothType, before.smoothType);
}

} // namespace

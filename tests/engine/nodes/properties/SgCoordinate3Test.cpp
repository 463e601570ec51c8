#include <gtest/gtest.h>

#include "tests/engine/nodes/properties/PlacementTestSupport.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgNormal.h"

namespace {

class SgCoordinate3Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitPlacementTestClasses();
        m_outerPoints = new SgCoordinate3;
        m_outerPoints->m_point.AddVal(Vec3(1, 2, 3));
        m_outerNormals = new SgNormal;
        m_outerNormals->m_vector.AddVal(Vec3f(0, 0, 1));
        m_points = new SgCoordinate3;
        m_normals = new SgNormal;
        m_probe = new PlacementProbe;
    }

    // outer coordinates and normals, then a separator holding the inner
    // ones and the probe.
    void Traverse()
    {
        SgRef<SgSeparator> root = new SgSeparator;
        root->AddChild(m_outerPoints);
        root->AddChild(m_outerNormals);
        SgRef<SgSeparator> inner = new SgSeparator;
        inner->AddChild(m_points);
        inner->AddChild(m_normals);
        inner->AddChild(m_probe);
        root->AddChild(inner);
        PlacementTestAction action;
        ASSERT_TRUE(action.Apply(root)) << action.GetError();
        ASSERT_EQ(m_probe->m_visits, 1);
    }

    SgRef<SgCoordinate3> m_outerPoints;
    SgRef<SgNormal> m_outerNormals;
    SgRef<SgCoordinate3> m_points;
    SgRef<SgNormal> m_normals;
    SgRef<PlacementProbe> m_probe;
};

} // namespace

TEST_F(SgCoordinate3Test, NodesHandTheStateTheirOwnArrays)
{
    m_points->m_point.AddVal(Vec3(4, 5, 6));
    m_points->m_point.AddVal(Vec3(7, 8, 9));
    m_normals->m_vector.AddVal(Vec3f(1, 0, 0));
    Traverse();
    EXPECT_EQ(m_probe->m_seenPoints, &m_points->m_point);
    EXPECT_EQ(m_probe->m_seenNormals, &m_normals->m_vector);
    EXPECT_FALSE(m_points->IsPropertyNode());
    EXPECT_FALSE(m_normals->IsPropertyNode());
}

TEST_F(SgCoordinate3Test, EmptyNodesGiveZeroValues)
{
    Traverse();
    ASSERT_NE(m_probe->m_seenPoints, nullptr);
    EXPECT_EQ(m_probe->m_seenPoints->GetCount(), 0);
    ASSERT_NE(m_probe->m_seenNormals, nullptr);
    EXPECT_EQ(m_probe->m_seenNormals->GetCount(), 0);
}

TEST_F(SgCoordinate3Test, IgnoredArraysLeaveTheEnclosingOnesInForce)
{
    m_points->m_point.AddVal(Vec3(4, 5, 6));
    m_points->m_point.SetIgnored(true);
    m_normals->m_vector.SetIgnored(true);
    Traverse();
    EXPECT_EQ(m_probe->m_seenPoints, &m_outerPoints->m_point);
    EXPECT_EQ(m_probe->m_seenNormals, &m_outerNormals->m_vector);
}

TEST_F(SgCoordinate3Test, DrivenArraysAreBroughtUpToDateBeforeShapesReadThem)
{
    static_cast<DxOutBase &>(m_outerPoints->m_point).Connect(static_cast<DxInBase &>(m_points->m_point));
    static_cast<DxOutBase &>(m_outerNormals->m_vector).Connect(static_cast<DxInBase &>(m_normals->m_vector));
    Traverse();
    ASSERT_EQ(m_points->m_point.GetCount(), 1) << "the driving array was not copied in";
    EXPECT_EQ(m_points->m_point.GetValue(0, false), Vec3(1, 2, 3));
    ASSERT_EQ(m_normals->m_vector.GetCount(), 1);
    EXPECT_EQ(m_normals->m_vector.GetValue(0, false), Vec3f(0, 0, 1));
}

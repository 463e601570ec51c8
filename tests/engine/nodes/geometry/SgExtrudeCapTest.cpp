#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgExtrudeCap.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"
#include "tests/engine/nodes/geometry/MeshCheck.h"

namespace {

class SgExtrudeCapTest : public ::testing::Test {
protected:
    void SetUp() override { InitExtrusionTests(); }

    SgRef<SgExtrudeCap> Make(int type1, int type2, int steps, bool closedSpine = false)
    {
        SgRef<SgExtrudeCap> node = new SgExtrudeCap;
        node->m_capType1.Set(type1);
        node->m_capType2.Set(type2);
        node->m_capSteps1.Set(steps);
        node->m_capSteps2.Set(steps);
        node->SetPolyline(MakePolyLine(Square(0.5), true).get(), SgExtrude::kProfileSlot, true);
        std::vector<Vec3> spine = {{0, 0, 0}, {0, 0, 2}};
        if (closedSpine)
            spine = {{0, 0, 0}, {3, 0, 0}, {3, 3, 0}, {0, 3, 0}};
        node->SetPolyline(MakePolyLine(spine, closedSpine).get(), SgExtrude::kSpineSlot, true);
        return node;
    }
};

double MaxZ(SgFaceSet &mesh)
{
    double m = -1e9;
    for (int i = 0; i < mesh.m_vertices.GetCount(); ++i)
        m = std::max(m, mesh.m_vertices.GetValue(i).z);
    return m;
}
double MinZ(SgFaceSet &mesh)
{
    double m = 1e9;
    for (int i = 0; i < mesh.m_vertices.GetCount(); ++i)
        m = std::min(m, mesh.m_vertices.GetValue(i).z);
    return m;
}

} // namespace

TEST_F(SgExtrudeCapTest, ArcShapes)
{
    const std::vector<Vec3> quarter = SgExtrudeCap::CapArc(2, 0.2, 4);
    ASSERT_EQ(quarter.size(), 5u);
    EXPECT_EQ(quarter[0], Vec3(0, 0, 0));
    EXPECT_NEAR(quarter[4].x, 0.2, 1e-12);
    EXPECT_NEAR(quarter[4].y, 0.2, 1e-12);
    const std::vector<Vec3> half = SgExtrudeCap::CapArc(8, 0.2, 4);
    ASSERT_EQ(half.size(), 9u);
    EXPECT_NEAR(half[8].x, 0.4, 1e-12);
    EXPECT_NEAR(half[8].y, 0.0, 1e-12);
    EXPECT_EQ(SgExtrudeCap::CapArc(2, 0.2, 0).size(), 1u);
    EXPECT_EQ(SgExtrudeCap::CapArc(2, 0.2, -3).size(), 1u);
    EXPECT_EQ(SgExtrudeCap::CapArc(14, 0.2, 2)[2], Vec3(0, 0, 0));
}

TEST_F(SgExtrudeCapTest, CapTypesGiveClosedSolids)
{
    struct Case {
        const char *what;
        int type1;
        int type2;
        int steps;
        bool closed;
        int faces;
    };
    const Case cases[] = {
        // 4 body sides, 2 x 4 x 4 arc strips, 2 flat faces on the arcs' ends.
        {"default quarter arcs", 2, 2, 4, true, 4 + 32 + 2},
        {"flat caps", 1, 1, 4, true, 4 + 2},
        {"half arcs", 8, 8, 2, true, 4 + 2 * 4 * 4 + 2},
        {"mixed quarter and flat", 3, 1, 3, true, 4 + 12 + 1 + 1},
        {"no caps", 0, 0, 4, false, 4},
        {"zero steps", 2, 2, 0, true, 4 + 2},
    };
    for (const Case &c : cases) {
        SgRef<SgExtrudeCap> node = Make(c.type1, c.type2, c.steps);
        SgFaceSet *mesh = BuildMesh(node.get());
        ASSERT_NE(mesh, nullptr) << c.what;
        EXPECT_EQ(mesh->GetFaceCount(), c.faces) << c.what;
        const MeshCheck check = CheckMesh(*mesh);
        if (c.closed) {
            EXPECT_TRUE(check.IsSolid()) << c.what << ": " << check.Describe();
        } else {
            EXPECT_FALSE(check.IsClosed()) << c.what;
        }
    }
}

// A cap type that names no shape is taken as the flat cap, with a message,
// rather than built as an arc of one repeated point.
TEST_F(SgExtrudeCapTest, CapTypesOutsideTheShapesAreFlatWithAMessage)
{
    for (int type : {-1, 14, 99}) {
        SgDiagCapture diagnostics;
        SgRef<SgExtrudeCap> node = Make(type, 2, 4);
        SgFaceSet *mesh = BuildMesh(node.get());
        ASSERT_NE(mesh, nullptr) << type;
        EXPECT_EQ(mesh->GetFaceCount(), 4 + 16 + 1 + 1) << type;
        const MeshCheck check = CheckMesh(*mesh);
        EXPECT_TRUE(check.IsSolid()) << type << ": " << check.Describe();
        EXPECT_TRUE(diagnostics.Contains("cap type")) << type << "\n" << diagnostics.GetText();
    }
}

TEST_F(SgExtrudeCapTest, QuarterArcsGrowTheEnds)
{
    SgRef<SgExtrudeCap> node = Make(2, 2, 4);
    SgFaceSet *mesh = BuildMesh(node.get());
    ASSERT_NE(mesh, nullptr);
    // The arcs' far points lie one radius beyond each end of the body.
    EXPECT_NEAR(MaxZ(*mesh), 2.2, 1e-9);
    EXPECT_NEAR(MinZ(*mesh), -0.2, 1e-9);
}

TEST_F(SgExtrudeCapTest, ClosedSpineIsAPlainSweep)
{
    SgRef<SgExtrudeCap> node = Make(2, 8, 4, true);
    SgFaceSet *mesh = BuildMesh(node.get());
    ASSERT_NE(mesh, nullptr);
    SgRef<SgExtrude> plain = new SgExtrude;
    plain->SetPolyline(MakePolyLine(Square(0.5), true).get(), SgExtrude::kProfileSlot, true);
    plain->SetPolyline(MakePolyLine(std::vector<Vec3>{{0, 0, 0}, {3, 0, 0}, {3, 3, 0}, {0, 3, 0}}, true).get(),
                       SgExtrude::kSpineSlot, true);
    SgFaceSet *reference = BuildMesh(plain.get());
    ASSERT_NE(reference, nullptr);
    EXPECT_EQ(mesh->GetFaceCount(), reference->GetFaceCount());
    EXPECT_EQ(mesh->m_vertices.GetCount(), reference->m_vertices.GetCount());
}

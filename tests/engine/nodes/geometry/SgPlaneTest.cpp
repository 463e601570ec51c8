#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgPlane.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

TEST(SgPlane, GridOfCellsInTheXyPlane)
{
    InitExtrusionTests();
    struct Case {
        double width;
        double height;
        int widthSegs;
        int segments;
        int cells;
        float halfWidth;
        float halfHeight;
    };
    const Case cases[] = {
        {1.0, 1.0, 5, 5, 25, 0.5f, 0.5f},
        {4.0, -2.0, 2, 3, 6, 2.0f, 1.0f},
        {0.0, 1.0, 0, 1, 1, 0.0005f, 0.5f},
    };
    for (const Case &c : cases) {
        SgRef<SgPlane> plane = new SgPlane;
        plane->m_width.Set(c.width);
        plane->m_height.Set(c.height);
        plane->m_widthSegs.Set(c.widthSegs);
        plane->m_segments.Set(c.segments);
        SgFaceSet *mesh = BuildMesh(plane.get());
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(mesh->GetFaceCount(), c.cells) << c.width << " x " << c.height;
        const Range<Vec3f> box = mesh->BoundingBox();
        EXPECT_NEAR(box.GetMax().x, c.halfWidth, 1e-6);
        EXPECT_NEAR(box.GetMin().x, -c.halfWidth, 1e-6);
        EXPECT_NEAR(box.GetMax().y, c.halfHeight, 1e-6);
        EXPECT_NEAR(box.GetMin().y, -c.halfHeight, 1e-6);
        EXPECT_NEAR(box.GetMin().z, 0.0f, 1e-9);
        EXPECT_NEAR(box.GetMax().z, 0.0f, 1e-9);
    }
}

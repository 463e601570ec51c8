#include <gtest/gtest.h>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgCube.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

TEST(SgCube, NormalsBoxAndCopy)
{
    InitExtrusionTests();
    SgRef<SgCube> cube = new SgCube;
    const Vec3 expected[6] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};
    for (int face = 0; face < 6; ++face) {
        Vec3 normal;
        EXPECT_EQ(cube->GetNormal(face, normal), expected[face]) << "face " << face;
        EXPECT_EQ(normal, expected[face]) << "face " << face;
    }

    cube->m_width.Set(2.0);
    cube->m_height.Set(4.0);
    cube->m_depth.Set(-6.0);
    const Range<Vec3f> box = cube->BoundingBox();
    EXPECT_EQ(box.GetMin(), Vec3f(-1, -3, -2));
    EXPECT_EQ(box.GetMax(), Vec3f(1, 3, 2));

    SgRef<SgCube> copy = new SgCube;
    *copy = *cube;
    EXPECT_EQ(copy->m_width.Get(), 2.0);
    EXPECT_EQ(copy->m_height.Get(), 4.0);
    EXPECT_EQ(copy->m_depth.Get(), -6.0);
}

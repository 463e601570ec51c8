#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgRevolve.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

TEST(SgRevolve, TurnsTheProfileAboutZ)
{
    InitExtrusionTests();
    struct Case {
        int sides;
        int rings;
    };
    // Fewer than three sides cannot enclose the axis: three are used.
    const Case cases[] = {{8, 8}, {3, 3}, {0, 3}, {-5, 3}};
    for (const Case &c : cases) {
        SgRef<SgRevolve> revolve = new SgRevolve;
        // Distance 1 from the axis, from z = 0 up to z = 2.
        revolve->SetPolyline(MakePolyLine({{1, 0, 0}, {1, 2, 0}}, false).get(), SgExtrude::kProfileSlot, true);
        revolve->m_sides.Set(c.sides);
        revolve->m_segments.Set(1);
        SgFaceSet *mesh = BuildMesh(revolve.get());
        ASSERT_NE(mesh, nullptr);
        int sides = 0;
        for (const MeshFace &face : ReadFaces(*mesh))
            sides += face.surface != 0;
        EXPECT_EQ(sides, c.rings) << c.sides << " sides";
        for (int v = 0; v < mesh->GetVertexCount(); ++v) {
            const Vec3 p = mesh->m_vertices.GetValue(v);
            EXPECT_NEAR(std::hypot(p.x, p.y), 1.0, 1e-9) << c.sides << " sides, vertex " << v;
            EXPECT_TRUE(std::fabs(p.z) < 1e-9 || std::fabs(p.z - 2.0) < 1e-9) << c.sides << " sides, vertex " << v;
        }
    }
}

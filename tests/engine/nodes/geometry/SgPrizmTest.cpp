// Prisms and their primitives: the spine they stand on, their caps, and
// boxes computed from the fields that agree with the meshes they build.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgPrizm.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

namespace {

class PrizmTest : public ::testing::Test {
protected:
    void SetUp() override { InitExtrusionTests(); }
};

int CountCaps(SgFaceSet &mesh, int corners)
{
    int count = 0;
    for (const MeshFace &face : ReadFaces(mesh))
        count += face.surface == 0 && int(face.loops[0].size()) == corners;
    return count;
}

void ExpectBoxesAgree(SgPrizm &prizm, const std::string &what)
{
    SgFaceSet *mesh = BuildMesh(&prizm);
    ASSERT_NE(mesh, nullptr) << what;
    ASSERT_GT(mesh->GetVertexCount(), 0) << what;
    const Range<Vec3f> built = mesh->BoundingBox();
    const Range<Vec3f> told = prizm.BoundingBox();
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(told.GetMin()[i], built.GetMin()[i], 1e-5) << what << ", axis " << i;
        EXPECT_NEAR(told.GetMax()[i], built.GetMax()[i], 1e-5) << what << ", axis " << i;
    }
}

} // namespace

TEST_F(PrizmTest, BoxProfileAndGridCapsFollowTheSegmentCounts)
{
    struct Case {
        int widthSegs;
        int depthSegs;
        int profilePoints;
        int cellsPerCap;
    };
    const Case cases[] = {{1, 1, 4, 1}, {3, 2, 10, 6}, {0, -2, 4, 1}};
    for (const Case &c : cases) {
        SgRef<SgBox> box = new SgBox;
        box->m_widthSegs.Set(c.widthSegs);
        box->m_depthSegs.Set(c.depthSegs);
        SgFaceSet *mesh = BuildMesh(box.get());
        ASSERT_NE(mesh, nullptr);
        auto *profile = dynamic_cast<SgPolyLine *>(box->GetSlotNode(SgExtrude::kProfileSlot));
        ASSERT_NE(profile, nullptr);
        EXPECT_EQ(profile->m_coordinates.GetCount(), c.profilePoints)
            << c.widthSegs << " x " << c.depthSegs << " segments";
        EXPECT_EQ(CountCaps(*mesh, 4), 2 * c.cellsPerCap) << c.widthSegs << " x " << c.depthSegs << " segments";
        EXPECT_EQ(mesh->GetFaceCount(), c.profilePoints + 2 * c.cellsPerCap);
        EXPECT_TRUE(InwardFaces(*mesh, [](const Vec3 &) { return Vec3(0, 0, 0); }).empty())
            << "a box has its faces outwards";
    }
}

TEST_F(PrizmTest, ZeroBaseAndHeightMoveBothTheMeshAndTheBox)
{
    struct Case {
        const char *name;
        double height;
        int zeroBase;
        double low;
        double high;
    };
    const Case cases[] = {
        {"centred", 2.0, 0, -1.0, 1.0},
        {"standing", 2.0, 1, 0.0, 2.0},
        {"negative height", -2.0, 1, 0.0, 2.0},
        {"no height", 0.0, 0, -0.00005, 0.00005},
    };
    for (const Case &c : cases) {
        SgRef<SgBox> box = new SgBox;
        SgRef<SgCylinder> cylinder = new SgCylinder;
        SgRef<SgCone> cone = new SgCone;
        for (SgPrizm *prizm : {static_cast<SgPrizm *>(box.get()), static_cast<SgPrizm *>(cylinder.get()),
                               static_cast<SgPrizm *>(cone.get())}) {
            prizm->m_height.Set(c.height);
            prizm->m_zeroBase.Set(static_cast<unsigned short>(c.zeroBase));
            const std::string what = std::string(prizm->GetClassName()) + " " + c.name;
            ExpectBoxesAgree(*prizm, what);
            EXPECT_NEAR(prizm->BoundingBox().GetMin().z, c.low, 1e-6) << what;
            EXPECT_NEAR(prizm->BoundingBox().GetMax().z, c.high, 1e-6) << what;
        }
    }
}

TEST_F(PrizmTest, CylinderCapsAreRingsOrOnePolygon)
{
    struct Case {
        int capSegments;
        int triangles;
        int quads;
        int polygons;
    };
    // 36 slices: a fan of 36 triangles and 36 quads per further ring.
    const Case cases[] = {{0, 0, 0, 2}, {1, 72, 0, 0}, {3, 72, 144, 0}, {-1, 0, 0, 2}};
    for (const Case &c : cases) {
        SgRef<SgCylinder> cylinder = new SgCylinder;
        cylinder->m_capSegments.Set(c.capSegments);
        SgFaceSet *mesh = BuildMesh(cylinder.get());
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(CountCaps(*mesh, 3), c.triangles) << "capSegments " << c.capSegments;
        EXPECT_EQ(CountCaps(*mesh, 4), c.quads) << "capSegments " << c.capSegments;
        EXPECT_EQ(CountCaps(*mesh, 36), c.polygons) << "capSegments " << c.capSegments;
        EXPECT_EQ(mesh->m_texCoord.GetCount(), mesh->GetVertexCount()) << "capSegments " << c.capSegments;
        EXPECT_EQ(mesh->m_vertexDuplication.GetCount(), mesh->GetVertexCount());
        EXPECT_TRUE(InwardFaces(*mesh, [](const Vec3 &) { return Vec3(0, 0, 0); }).empty())
            << "capSegments " << c.capSegments;
    }
}

TEST_F(PrizmTest, CylinderRadiusReachesItsCircle)
{
    SgRef<SgCylinder> cylinder = new SgCylinder;
    BuildMesh(cylinder.get());
    cylinder->m_radius.Set(2.0);
    cylinder->m_slices.Set(12);
    SgFaceSet *mesh = BuildMesh(cylinder.get());
    ASSERT_NE(mesh, nullptr);
    EXPECT_FLOAT_EQ(mesh->BoundingBox().GetMax().x, 2.0f);
    auto *circle = dynamic_cast<SgCircle *>(cylinder->GetSlotNode(SgExtrude::kProfileSlot));
    ASSERT_NE(circle, nullptr);
    EXPECT_EQ(circle->m_radius.Get(), 2.0) << "the circle keeps the radius it was built with";
    EXPECT_EQ(circle->m_segments.Get(), 12);
    EXPECT_EQ(cylinder->GetSeparator()->GetChildsCount(), 1) << "a build left curves behind";
}

TEST_F(PrizmTest, ConeNarrowsToItsTopAndFacesOutwards)
{
    SgRef<SgCone> cone = new SgCone;
    SgFaceSet *mesh = BuildMesh(cone.get());
    ASSERT_NE(mesh, nullptr);
    double topRadius = 0.0;
    double bottomRadius = 0.0;
    for (int v = 0; v < mesh->GetVertexCount(); ++v) {
        const Vec3 p = mesh->m_vertices.GetValue(v);
        const double r = std::hypot(p.x, p.y);
        if (p.z > 0.49)
            topRadius = std::max(topRadius, r);
        else if (p.z < -0.49)
            bottomRadius = std::max(bottomRadius, r);
    }
    EXPECT_NEAR(bottomRadius, 0.5, 1e-9);
    EXPECT_LT(topRadius, 0.001) << "the top is not shrunk";
    EXPECT_TRUE(InwardFaces(*mesh, [](const Vec3 &) { return Vec3(0, 0, -0.25); }).empty());
}

TEST_F(PrizmTest, CountsAtOrBelowZeroAreClamped)
{
    SgRef<SgCylinder> cylinder = new SgCylinder;
    cylinder->m_slices.Set(0);
    cylinder->m_segments.Set(-4);
    SgFaceSet *mesh = BuildMesh(cylinder.get());
    ASSERT_NE(mesh, nullptr);
    EXPECT_GT(mesh->GetFaceCount(), 0) << "clamped counts still build a shape";
    for (int v = 0; v < mesh->GetVertexCount(); ++v) {
        const Vec3 p = mesh->m_vertices.GetValue(v);
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << "vertex " << v;
    }
}

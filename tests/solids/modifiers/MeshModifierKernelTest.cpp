// The kernel side of the rebuilding modifiers: subdivision counts and
// closedness, coplanar merging, the slice's halves; every closed result
// passes the validity checker.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "solids/GmBoolean.h"
#include "solids/GmMeshBuilder.h"
#include "solids/GmValidity.h"
#include "solids/modifiers/GmMeshModifiers.h"

namespace solvane {
namespace {

std::unique_ptr<GmGeom> Cube()
{
    return std::unique_ptr<GmGeom>(geomFromMesh(boxMesh(Vec3(-1, -1, -1), Vec3(1, 1, 1))));
}

// The geometry is a valid closed solid; its volume.
double ValidVolume(GmGeom &g)
{
    const GmValidityReport report = check_validity(g);
    EXPECT_TRUE(report.ok) << report.text();
    EXPECT_GE(report.solids, 1);
    return report.volume;
}

int Quads(GmGeom &g)
{
    int quads = 0;
    for (const std::vector<int> &poly : meshFromGeom(g).polygons)
        quads += poly.size() == 4 ? 1 : 0;
    return quads;
}

TEST(MeshModifierKernelTest, SmoothingACubeMakesFourQuadsOfEachFacePerPass)
{
    struct Case {
        int passes;
        int faces;
    };
    for (const Case c : {Case{0, 6}, {1, 24}, {2, 96}, {-3, 6}}) {
        auto cube = Cube();
        std::unique_ptr<GmGeom> smooth(smooth_geom(*cube, c.passes));
        ASSERT_TRUE(smooth) << c.passes;
        EXPECT_EQ(smooth->faceCount(), c.faces) << c.passes << " passes";
        EXPECT_EQ(Quads(*smooth), c.faces) << c.passes << " passes";
        const double volume = ValidVolume(*smooth);
        // Smoothing rounds the cube in: less volume, never more.
        EXPECT_LE(volume, 8.0 + 1e-9) << c.passes;
        EXPECT_GT(volume, c.passes > 0 ? 2.5 : 8.0 - 1e-9) << c.passes;
        if (c.passes > 0) {
            for (GmFace *face : smooth->liveFaces())
                EXPECT_EQ(face->group(), kSmoothFaceGroup);
        }
        // The cube handed in is left as it was.
        EXPECT_EQ(cube->faceCount(), 6);
    }
}

TEST(MeshModifierKernelTest, SmoothingKeepsAnOpenBoundaryAndFacesOfManyCorners)
{
    // A 40-gon prism: its caps have more corners than any fixed record holds.
    std::unique_ptr<GmGeom> prism(geomFromMesh(cylinderMesh(Vec3(0, 0, 0), 1.0, 1.0, 40)));
    std::unique_ptr<GmGeom> smooth(smooth_geom(*prism, 1));
    EXPECT_EQ(smooth->faceCount(), 40 * 4 + 2 * 40);
    ValidVolume(*smooth);

    // An open square sheet of two quads: its outline stays where it was.
    GmMesh sheet;
    sheet.points = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}};
    sheet.polygons = {{0, 1, 4, 3}, {1, 2, 5, 4}};
    std::unique_ptr<GmGeom> open(geomFromMesh(sheet, GmGeom::kDefaultTolerance, false));
    std::unique_ptr<GmGeom> smoothOpen(smooth_geom(*open, 1));
    EXPECT_EQ(smoothOpen->faceCount(), 8);
    const GmBox box = smoothOpen->get_bbox();
    EXPECT_NEAR(box.min.x, 0, 1e-5);
    EXPECT_NEAR(box.max.x, 2, 1e-5);
}

TEST(MeshModifierKernelTest, SimplifyMergesCoplanarTrianglesIntoOneFace)
{
    GmMesh square;
    square.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    square.polygons = {{0, 1, 2}, {0, 2, 3}};
    std::unique_ptr<GmGeom> two(geomFromMesh(square, GmGeom::kDefaultTolerance, false));
    std::unique_ptr<GmGeom> one(simplify_geom(*two, 0.03));
    ASSERT_EQ(one->faceCount(), 1);
    EXPECT_EQ(Quads(*one), 1);

    // A bent pair (a crease of 0.2) stays two faces.
    square.points[2].z = 0.2;
    square.points[3].z = 0.2;
    square.polygons = {{0, 1, 2, 3}, {0, 3, 2, 1}};
    square.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0.5}, {0, 1, 0.5}};
    GmMesh crease;
    crease.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 2, 0.5}, {0, 2, 0.5}};
    crease.polygons = {{0, 1, 2, 3}, {3, 2, 4, 5}};
    std::unique_ptr<GmGeom> bent(geomFromMesh(crease, GmGeom::kDefaultTolerance, false));
    std::unique_ptr<GmGeom> kept(simplify_geom(*bent, 0.03));
    EXPECT_EQ(kept->faceCount(), 2);

    // A cube cut into triangles comes back as six quads, still closed.
    GmMesh cube = boxMesh(Vec3(-1, -1, -1), Vec3(1, 1, 1));
    GmMesh triangles;
    triangles.points = cube.points;
    for (const std::vector<int> &q : cube.polygons) {
        triangles.polygons.push_back({q[0], q[1], q[2]});
        triangles.polygons.push_back({q[0], q[2], q[3]});
    }
    std::unique_ptr<GmGeom> cut(geomFromMesh(triangles));
    std::unique_ptr<GmGeom> merged(simplify_geom(*cut, 0.03));
    EXPECT_EQ(merged->faceCount(), 6);
    EXPECT_NEAR(ValidVolume(*merged), 8.0, 1e-9);
}

// A box drilled through has faces with holes; the rebuilding modifiers'
// mesh conversion keeps the holes open (it capped them).
TEST(MeshModifierKernelTest, RebuildingKeepsTheHolesOfDrilledFaces)
{
    std::unique_ptr<GmGeom> box(geomFromMesh(boxMesh(Vec3(0, 0, 0), Vec3(2, 2, 1))));
    std::unique_ptr<GmGeom> drill(geomFromMesh(boxMesh(Vec3(0.5, 0.5, -1), Vec3(1.5, 1.5, 2))));
    GmBooleanResult drilled = boolean_request(GmBoolOp::Difference, *box, *drill);
    ASSERT_TRUE(drilled.ok) << drilled.message;
    ASSERT_NEAR(drilled.geom->volume(), 3.0, 1e-9);
    struct Case {
        const char *what;
        std::unique_ptr<GmGeom> rebuilt;
    } cases[] = {
        {"mesh conversion", std::unique_ptr<GmGeom>(geomFromMesh(meshFromGeom(*drilled.geom)))},
        {"smoothing with no pass", std::unique_ptr<GmGeom>(smooth_geom(*drilled.geom, 0))},
        {"simplify", std::unique_ptr<GmGeom>(simplify_geom(*drilled.geom, 1e-6))},
    };
    for (Case &c : cases) {
        ASSERT_TRUE(c.rebuilt) << c.what;
        c.rebuilt->build_solids(1);
        GmValidityReport r = check_validity(*c.rebuilt);
        EXPECT_TRUE(r.ok) << c.what << ": " << r.text();
        EXPECT_NEAR(r.volume, 3.0, 1e-9) << c.what << ": the hole was capped";
        EXPECT_EQ(r.euler, std::vector<int>{0}) << c.what << ": a drilled box has genus 1";
    }
}

TEST(MeshModifierKernelTest, SliceCutsACubeIntoHalves)
{
    // The sheet through the middle, in the cube's xy plane.
    const Mat4 identity;
    const double d = std::sqrt(12.0);
    double halves[3] = {};
    for (int type : {1, 2}) {
        auto cube = Cube();
        std::unique_ptr<GmGeom> half(slice_geom(*cube, identity, d, type));
        halves[type] = ValidVolume(*half);
        EXPECT_NEAR(halves[type], 4.0, 1e-9) << "type " << type;
        const GmBox box = half->get_bbox();
        if (type == 1)
            EXPECT_NEAR(box.max.z, 0.0, 1e-5);
        else
            EXPECT_NEAR(box.min.z, 0.0, 1e-5);
    }
    // Type 0 keeps all of it, in two solids.
    auto cube = Cube();
    std::unique_ptr<GmGeom> split(slice_geom(*cube, identity, d, 0));
    const GmValidityReport report = check_validity(*split);
    EXPECT_TRUE(report.ok) << report.text();
    EXPECT_EQ(report.solids, 2);
    EXPECT_NEAR(report.volume, 8.0, 1e-9);
    // Other types give a copy.
    std::unique_ptr<GmGeom> same(slice_geom(*cube, identity, d, 7));
    EXPECT_NEAR(ValidVolume(*same), 8.0, 1e-9);
}

}  // namespace
}  // namespace solvane

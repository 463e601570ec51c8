// Every shape meant to bound a solid does, at its defaults and at extreme
// parameters: edges used twice in opposite directions, positive volume, no
// NaN; and sizes given negative or zero never turn a shape inside out.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGeoSphere.h"
#include "engine/nodes/geometry/SgNGon.h"
#include "engine/nodes/geometry/SgPrizm.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/nodes/geometry/SgTorusKnot.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"
#include "tests/engine/nodes/geometry/MeshCheck.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct ShapeCase {
    const char *name;
    std::function<SgRef<SgGeometricShape>()> make;
    // The analytic volume where the mesh should come close to it; 0 to skip.
    double volume = 0.0;
    double volumeTolerance = 0.0;
};

template <class T>
SgRef<SgGeometricShape> Make(const std::function<void(T &)> &set = nullptr)
{
    SgRef<T> shape = new T;
    if (set)
        set(*shape);
    return SgRef<SgGeometricShape>(shape.get());
}

std::vector<ShapeCase> ClosedShapes()
{
    return {
        {"box", [] { return Make<SgBox>(); }, 1.0, 1e-9},
        {"long thin box",
         [] {
             return Make<SgBox>([](SgBox &b) {
                 b.m_width.Set(300.0);
                 b.m_depth.Set(0.001);
                 b.m_height.Set(7.0);
             });
         },
         300.0 * 0.001 * 7.0, 1e-9},
        {"box with segments",
         [] {
             return Make<SgBox>([](SgBox &b) {
                 b.m_widthSegs.Set(7);
                 b.m_depthSegs.Set(3);
                 b.m_capSegments.Set(4);
             });
         },
         1.0, 1e-9},
        {"box on its base", [] { return Make<SgBox>([](SgBox &b) { b.m_zeroBase.Set(1); }); }, 1.0, 1e-9},
        {"cylinder", [] { return Make<SgCylinder>(); }, 0.0, 0.0},
        {"three-sided cylinder", [] { return Make<SgCylinder>([](SgCylinder &c) { c.m_slices.Set(3); }); }, 0.0, 0.0},
        {"fine cylinder", [] { return Make<SgCylinder>([](SgCylinder &c) { c.m_slices.Set(400); }); },
         kPi * 0.25 * 1.0, 1e-3},
        {"tiny cylinder", [] { return Make<SgCylinder>([](SgCylinder &c) { c.m_radius.Set(1e-4); }); }, 0.0, 0.0},
        {"cone", [] { return Make<SgCone>(); }, 0.0, 0.0},
        {"three-sided cone", [] { return Make<SgCone>([](SgCone &c) { c.m_slices.Set(3); }); }, 0.0, 0.0},
        {"sphere", [] { return Make<SgSphere>(); }, 0.0, 0.0},
        {"small sphere", [] { return Make<SgSphere>([](SgSphere &s) { s.m_radius.Set(0.01); }); }, 0.0, 0.0},
        {"large sphere", [] { return Make<SgSphere>([](SgSphere &s) { s.m_radius.Set(1e5); }); }, 0.0, 0.0},
        {"cut sphere", [] { return Make<SgSphere>([](SgSphere &s) { s.m_heightRatio.Set(0.5); }); }, 0.0, 0.0},
        {"fine sphere",
         [] {
             return Make<SgSphere>([](SgSphere &s) {
                 s.m_sides.Set(128);
                 s.m_segments.Set(64);
             });
         },
         4.0 / 3.0 * kPi, 1e-2},
        {"geodesic sphere", [] { return Make<SgGeoSphere>(); }, 0.0, 0.0},
        {"coarsest geodesic sphere", [] { return Make<SgGeoSphere>([](SgGeoSphere &s) { s.m_segments.Set(1); }); },
         0.0, 0.0},
        {"fine small geodesic sphere",
         [] {
             return Make<SgGeoSphere>([](SgGeoSphere &s) {
                 s.m_segments.Set(40);
                 s.m_radius.Set(0.01);
             });
         },
         4.0 / 3.0 * kPi * 1e-6, 1e-2},
        {"torus", [] { return Make<SgTorus>(); }, 0.0, 0.0},
        {"coarsest torus",
         [] {
             return Make<SgTorus>([](SgTorus &t) {
                 t.m_sides.Set(3);
                 t.m_segments.Set(3);
             });
         },
         0.0, 0.0},
        {"torus knot", [] { return Make<SgTorusKnot>(); }, 0.0, 0.0},
        // Winding numbers with a common factor trace their curve that many
        // times: the tube goes round once, not through itself.
        {"torus knot P 0 Q 3",
         [] {
             return Make<SgTorusKnot>([](SgTorusKnot &k) {
                 k.m_P.Set(0.0f);
                 k.m_Q.Set(3.0f);
             });
         },
         0.0, 0.0},
        {"torus knot P 2 Q 4",
         [] {
             return Make<SgTorusKnot>([](SgTorusKnot &k) {
                 k.m_P.Set(2.0f);
                 k.m_Q.Set(4.0f);
             });
         },
         0.0, 0.0},
        // Stars and rounded polygons stood up as prisms.
        {"star prism",
         [] {
             return Make<SgPrizm>([](SgPrizm &p) {
                 SgRef<SgNStar> star = new SgNStar;
                 star->m_radius1.Set(0.8);
                 star->m_radius.Set(1.8);
                 star->m_filetRadius.Set(0.15);
                 star->m_sides.Set(5);
                 p.m_height.Set(0.5);
                 p.SetPolyline(star.get(), SgExtrude::kProfileSlot, true);
             });
         },
         0.0, 0.0},
        {"sharp star prism",
         [] {
             return Make<SgPrizm>([](SgPrizm &p) {
                 SgRef<SgNStar> star = new SgNStar;
                 p.SetPolyline(star.get(), SgExtrude::kProfileSlot, true);
             });
         },
         0.0, 0.0},
        {"rounded square prism",
         [] {
             return Make<SgPrizm>([](SgPrizm &p) {
                 SgRef<SgNGon> gon = new SgNGon;
                 gon->m_sides.Set(4);
                 gon->m_filetRadius.Set(0.1);
                 gon->m_completeFiletSides.Set(20);
                 p.SetPolyline(gon.get(), SgExtrude::kProfileSlot, true);
             });
         },
         0.0, 0.0},
        // A size given negative is the size it names: the shape is not
        // turned inside out.
        {"box of negative width", [] { return Make<SgBox>([](SgBox &b) { b.m_width.Set(-2.0); }); }, 2.0, 1e-9},
        {"box of negative height", [] { return Make<SgBox>([](SgBox &b) { b.m_height.Set(-3.0); }); }, 3.0, 1e-9},
        {"sphere of negative radius", [] { return Make<SgSphere>([](SgSphere &s) { s.m_radius.Set(-1.0); }); }, 0.0,
         0.0},
        {"cylinder of negative radius",
         [] { return Make<SgCylinder>([](SgCylinder &c) { c.m_radius.Set(-0.5); }); }, 0.0, 0.0},
        {"cone of negative radius", [] { return Make<SgCone>([](SgCone &c) { c.m_bottomRadius.Set(-0.5); }); }, 0.0,
         0.0},
        {"geodesic sphere of negative radius",
         [] { return Make<SgGeoSphere>([](SgGeoSphere &s) { s.m_radius.Set(-1.0); }); }, 4.0 / 3.0 * kPi, 0.1},
        {"torus of negative radii",
         [] {
             return Make<SgTorus>([](SgTorus &t) {
                 t.m_radius1.Set(-1.0);
                 t.m_radius2.Set(-0.25);
             });
         },
         2.0 * kPi * kPi * 0.0625, 5e-2},
    };
}

class ClosedShapesTest : public ::testing::TestWithParam<ShapeCase> {
protected:
    void SetUp() override { InitExtrusionTests(); }
};

} // namespace

TEST_P(ClosedShapesTest, BoundsASolid)
{
    const ShapeCase &c = GetParam();
    SgRef<SgGeometricShape> shape = c.make();
    SgFaceSet *mesh = BuildMesh(shape.get());
    ASSERT_NE(mesh, nullptr) << c.name << " built nothing";
    const MeshCheck check = CheckMesh(*mesh);
    EXPECT_TRUE(check.IsSolid()) << c.name << ": " << check.Describe();
    if (c.volume > 0.0) {
        EXPECT_NEAR(check.volume, c.volume, c.volume * c.volumeTolerance) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryClosedShape, ClosedShapesTest, ::testing::ValuesIn(ClosedShapes()),
                         [](const ::testing::TestParamInfo<ShapeCase> &info) {
                             std::string name;
                             for (const char *p = info.param.name; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

namespace {

std::vector<Vec3> RegularPolygon(int sides, double radius, double turn)
{
    std::vector<Vec3> points;
    for (int i = 0; i < sides; ++i) {
        const double a = turn + 2.0 * kPi * i / sides;
        points.emplace_back(radius * std::cos(a), radius * std::sin(a), 0.0);
    }
    return points;
}

} // namespace

// A loft blends a profile into an end profile of another outline; both ends
// are capped, so the result is closed whatever the two outlines' lengths.
TEST(LoftTest, CappedLoftsBetweenAnyTwoOutlinesAreClosed)
{
    InitExtrusionTests();
    SgRef<SgPolyLine> path = MakePolyLine({{0, 0, 0}, {0, 0, 0.7}, {0, 0.2, 1.9}}, false);
    int failures = 0;
    for (int a = 3; a <= 9; ++a) {
        for (int b = 3; b <= 9; b += 2) {
            for (double radius : {0.37, 1.3, 2.9}) {
                SgRef<SgPolyLine> start = MakePolyLine(RegularPolygon(a, 0.5, 0.1 * a), true);
                SgRef<SgPolyLine> end = MakePolyLine(RegularPolygon(b, radius, 0.3), true);
                SgRef<SgFaceSet> mesh = new SgFaceSet;
                ExtrudeParams params;
                params.cap0 = 1;
                params.cap1 = 1;
                SgExtrude::extrude(mesh.get(), &params, start.get(), path.get(), nullptr, nullptr, 0.0, 30.0, 1,
                                   end.get(), nullptr, 0);
                const MeshCheck check = CheckMesh(*mesh);
                if (!check.IsSolid()) {
                    ++failures;
                    ADD_FAILURE() << a << "-gon into " << b << "-gon of radius " << radius << ": "
                                  << check.Describe();
                }
            }
        }
    }
    EXPECT_EQ(failures, 0);
}

// Shapes with a size of zero bound nothing: they build an empty result
// rather than flat, doubled or phantom faces.
TEST(DegenerateShapesTest, ZeroSizesBuildNothing)
{
    InitExtrusionTests();
    const std::vector<ShapeCase> cases = {
        {"torus of tube radius 0", [] { return Make<SgTorus>([](SgTorus &t) { t.m_radius2.Set(0.0); }); }},
        {"torus of ring radius 0", [] { return Make<SgTorus>([](SgTorus &t) { t.m_radius1.Set(0.0); }); }},
        {"knot without turns",
         [] {
             return Make<SgTorusKnot>([](SgTorusKnot &k) {
                 k.m_P.Set(0.0f);
                 k.m_Q.Set(0.0f);
             });
         }},
        {"sphere of radius 0", [] { return Make<SgSphere>([](SgSphere &s) { s.m_radius.Set(0.0); }); }},
        {"box of depth 0", [] { return Make<SgBox>([](SgBox &b) { b.m_depth.Set(0.0); }); }},
    };
    for (const ShapeCase &c : cases) {
        SgRef<SgGeometricShape> shape = c.make();
        SgFaceSet *mesh = BuildMesh(shape.get());
        EXPECT_TRUE(mesh == nullptr || mesh->GetFaceCount() == 0)
            << c.name << " built " << (mesh ? mesh->GetFaceCount() : 0) << " faces";
    }
}

// Tori and torus knots: a tube swept round a circle or a sampled knot.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/nodes/geometry/SgTorusKnot.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

namespace {

class TorusTest : public ::testing::Test {
protected:
    void SetUp() override { InitExtrusionTests(); }
};

// The centre of the tube nearest to p on a torus of ring radius r.
Vec3 TubeCentre(const Vec3 &p, double r)
{
    const double d = std::hypot(p.x, p.y);
    return Vec3(p.x / d * r, p.y / d * r, 0.0);
}

} // namespace

TEST_F(TorusTest, DefaultTorusIs32By20Quads)
{
    SgRef<SgTorus> torus = new SgTorus;
    SgFaceSet *mesh = BuildMesh(torus.get());
    ASSERT_NE(mesh, nullptr);
    const std::vector<MeshFace> faces = ReadFaces(*mesh);
    EXPECT_EQ(faces.size(), 640u);
    for (const MeshFace &face : faces) {
        EXPECT_EQ(face.loops[0].size(), 4u);
        EXPECT_NE(face.surface, 0) << "a torus has no caps";
    }
    for (int v = 0; v < mesh->GetVertexCount(); ++v) {
        const Vec3 p = mesh->m_vertices.GetValue(v);
        EXPECT_NEAR((p - TubeCentre(p, 1.0)).Length(), 0.25, 1e-9) << "vertex " << v;
    }
    EXPECT_TRUE(InwardFaces(*mesh, [](const Vec3 &c) { return TubeCentre(c, 1.0); }).empty());
}

TEST_F(TorusTest, KnotPathClosesForWholeWindingNumbers)
{
    struct Case {
        const char *name;
        float p;
        int type;
        float heightRatio;
        int closed;
        int points;
    };
    const Case cases[] = {
        {"default", 3.0f, 0, 2.0f, 1, 240},
        {"half turn", 2.5f, 0, 2.0f, 0, 241},
        {"type 1", 3.0f, 1, 2.0f, 1, 240},
        {"type 2", 3.0f, 2, 2.0f, 1, 240},
        {"unknown type", 3.0f, 7, 2.0f, 1, 240},
        {"flat", 3.0f, 0, 0.0f, 1, 240},
    };
    for (const Case &c : cases) {
        SgRef<SgTorusKnot> knot = new SgTorusKnot;
        knot->m_P.Set(c.p);
        knot->m_type.Set(c.type);
        knot->m_heightRatio.Set(c.heightRatio);
        SgFaceSet *mesh = BuildMesh(knot.get());
        ASSERT_NE(mesh, nullptr) << c.name;
        EXPECT_GT(mesh->GetFaceCount(), 0) << c.name;
        auto *path = dynamic_cast<SgPolyLine *>(knot->GetSlotNode(SgExtrude::kSpineSlot));
        ASSERT_NE(path, nullptr) << c.name;
        EXPECT_EQ(path->m_closed.Get(), c.closed) << c.name;
        EXPECT_EQ(path->m_coordinates.GetCount(), c.points) << c.name;
        int caps = 0;
        for (const MeshFace &face : ReadFaces(*mesh))
            caps += face.surface == 0;
        EXPECT_EQ(caps, c.closed ? 0 : 2) << c.name << ": an open knot is capped at both ends";
        if (c.heightRatio == 0.0f) {
            for (int i = 0; i < path->m_coordinates.GetCount(); ++i)
                EXPECT_EQ(path->m_coordinates.GetValue(i).z, 0.0) << c.name;
        }
    }
}

TEST_F(TorusTest, UnknownKnotTypeBuildsTheFirstFormula)
{
    SgRef<SgTorusKnot> first = new SgTorusKnot;
    SgRef<SgTorusKnot> unknown = new SgTorusKnot;
    unknown->m_type.Set(9);
    BuildMesh(first.get());
    BuildMesh(unknown.get());
    auto *a = dynamic_cast<SgPolyLine *>(first->GetSlotNode(SgExtrude::kSpineSlot));
    auto *b = dynamic_cast<SgPolyLine *>(unknown->GetSlotNode(SgExtrude::kSpineSlot));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->m_coordinates.GetValues(), b->m_coordinates.GetValues());
}

// A shape that cannot be built says so once, naming itself once.
TEST_F(TorusTest, TorusOfRadiusZeroIsLeftEmptyWithOneMessage)
{
    SgRef<SgTorus> torus = new SgTorus;
    torus->m_radius1.Set(0.0);
    SgDiagCapture capture;
    SgFaceSet *mesh = BuildMesh(torus.get());
    EXPECT_TRUE(mesh == nullptr || mesh->GetFaceCount() == 0);
    ASSERT_EQ(capture.Count("Geometry"), 1) << capture.GetText();
    const std::string text = capture.GetText();
    EXPECT_NE(text.find("SgTorus: a torus of radius 0 has no faces; the shape is left empty"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("SgTorus: SgTorus"), std::string::npos) << text;
}

// The extrusion mesh builder (rings, seams, caps, frames, mitres, scale,
// loft, smoothing groups) and the extrusion node around it (curve slots,
// the result cache, a failing build).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/ExtrudeBuilder.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgOffset.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/core/SgAttributeManager.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

namespace {

constexpr double kEps = 1e-9;

// One call of the builder on a fresh face set.
struct Sweep {
    SgRef<SgFaceSet> mesh = new SgFaceSet;
    ExtrudeParams params;

    SgFaceSet &Run(GenericPolyline *profile, GenericPolyline *path, int pathMode = 0, double twist = 0.0,
                   GenericPolyline *scale = nullptr, GenericPolyline *endProfile = nullptr, double crease = 30.0)
    {
        SgExtrude::extrude(mesh.get(), &params, profile, path, scale, nullptr, twist, crease, 1, endProfile, nullptr,
                           pathMode);
        return *mesh;
    }
};

Vec3 V(SgFaceSet &mesh, int i)
{
    return mesh.m_vertices.GetValue(i);
}

std::vector<int> Reversed(std::vector<int> v)
{
    std::reverse(v.begin(), v.end());
    return v;
}

// Distance of p from the line through a along d.
double DistanceToLine(const Vec3 &p, const Vec3 &a, const Vec3 &d)
{
    const Vec3 u = d.Normalized(0.0);
    const Vec3 w = p - a;
    return (w - u * w.Dot(u)).Length();
}

class ExtrudeBuilderTest : public ::testing::Test {
protected:
    void SetUp() override { InitExtrusionTests(); }

    SgRef<SgPolyLine> m_square = MakePolyLine(Square(0.5), true);
    SgRef<SgPolyLine> m_straight = MakePolyLine({{0, 0, 0}, {0, 0, 1}}, false);
};

} // namespace

TEST_F(ExtrudeBuilderTest, SquareAlongTwoPointsGivesSeamSidesAndTexturedCaps)
{
    Sweep sweep;
    SgFaceSet &mesh = sweep.Run(m_square.get(), m_straight.get());

    // Two rings of 5 (the seam vertex included) and two caps of 4 copies.
    ASSERT_EQ(mesh.GetVertexCount(), 18);
    EXPECT_EQ(mesh.m_texCoord.GetCount(), 18) << "one texture coordinate per vertex";
    ASSERT_EQ(mesh.m_vertexDuplication.GetCount(), 18) << "one duplicate entry per vertex";
    EXPECT_EQ(mesh.m_vertexDuplication.GetValue(4), 0) << "the seam vertex stands for ring vertex 0";
    EXPECT_EQ(V(mesh, 4), V(mesh, 0));
    EXPECT_FLOAT_EQ(mesh.m_texCoord.GetValue(4).y, 1.0f) << "the seam carries v = 1";

    const std::vector<MeshFace> faces = ReadFaces(mesh);
    std::multiset<int> sides;
    std::vector<MeshFace> caps;
    for (const MeshFace &face : faces) {
        if (face.surface == 0)
            caps.push_back(face);
        else
            sides.insert(face.surface);
    }
    EXPECT_EQ(sides, (std::multiset<int>{1, 2, 3, 4})) << "one side quad per square side, its own surface";
    EXPECT_EQ(sweep.params.nextSurfaceId, 6) << "1 path group x 5 profile groups were taken";
    ASSERT_EQ(caps.size(), 2u);
    for (const MeshFace &cap : caps) {
        ASSERT_EQ(cap.loops.size(), 1u);
        ASSERT_EQ(cap.loops[0].size(), 4u);
        for (int index : cap.loops[0]) {
            const int original = mesh.m_vertexDuplication.GetValue(index);
            EXPECT_NE(original, index) << "cap corners are copies of ring vertices";
            const Vec3 p = V(mesh, index);
            const Vec2f uv = mesh.m_texCoord.GetValue(index);
            EXPECT_FLOAT_EQ(uv.x, float(p.x)) << "cap texture is the profile's own x, y";
            EXPECT_FLOAT_EQ(uv.y, float(p.y));
        }
    }
    // The start cap runs as the profile, the end cap against it.
    std::vector<int> startOriginals;
    for (int index : caps[0].loops[0])
        startOriginals.push_back(mesh.m_vertexDuplication.GetValue(index));
    EXPECT_EQ(startOriginals, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_GT(V(mesh, caps[1].loops[0][0]).z, 0.5) << "the second cap closes the end";
    EXPECT_TRUE(InwardFaces(mesh, [](const Vec3 &) { return Vec3(0, 0, 0.5); }).empty())
        << "a square swept up +z faces outwards";
}

TEST_F(ExtrudeBuilderTest, WithoutTextureTheSeamAndCapsReuseRingVertices)
{
    Sweep sweep;
    sweep.params.textureMapType = 0;
    SgFaceSet &mesh = sweep.Run(m_square.get(), m_straight.get());
    EXPECT_EQ(mesh.GetVertexCount(), 8);
    EXPECT_EQ(mesh.m_texCoord.GetCount(), 0);
    std::vector<std::vector<int>> caps;
    for (const MeshFace &face : ReadFaces(mesh)) {
        if (face.surface == 0)
            caps.push_back(face.loops[0]);
        else
            EXPECT_LT(*std::max_element(face.loops[0].begin(), face.loops[0].end()), 8);
    }
    ASSERT_EQ(caps.size(), 2u);
    EXPECT_EQ(caps[0], (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(caps[1], (std::vector<int>{7, 6, 5, 4}));
}

TEST_F(ExtrudeBuilderTest, FlipReversesEveryFace)
{
    Sweep plain;
    Sweep flipped;
    flipped.params.flip = true;
    const std::vector<MeshFace> a = ReadFaces(plain.Run(m_square.get(), m_straight.get()));
    const std::vector<MeshFace> b = ReadFaces(flipped.Run(m_square.get(), m_straight.get()));
    ASSERT_EQ(a.size(), b.size());
    for (size_t f = 0; f < a.size(); ++f)
        EXPECT_EQ(b[f].All(), Reversed(a[f].All())) << "face " << f;
}

TEST_F(ExtrudeBuilderTest, CapSwitchesAndStoredRings)
{
    struct Case {
        const char *name;
        int cap0;
        int startCapType;
        int expectedCaps;
        size_t storedRings;
    };
    const Case cases[] = {
        {"both caps", 1, 0, 2, 0},
        {"cap0 off", 0, 0, 1, 0},
        {"start ring stored", 1, 2, 1, 1},
    };
    for (const Case &c : cases) {
        Sweep sweep;
        sweep.params.textureMapType = 0;
        sweep.params.cap0 = c.cap0;
        sweep.params.startCapType = c.startCapType;
        SgFaceSet &mesh = sweep.Run(m_square.get(), m_straight.get());
        int caps = 0;
        for (const MeshFace &face : ReadFaces(mesh))
            caps += face.surface == 0;
        EXPECT_EQ(caps, c.expectedCaps) << c.name;
        ASSERT_EQ(sweep.params.startRings.size(), c.storedRings) << c.name;
        if (c.storedRings) {
            EXPECT_EQ(sweep.params.startRings[0], (std::vector<int>{0, 1, 2, 3})) << c.name;
        }
    }
}

TEST_F(ExtrudeBuilderTest, ClosedPathMakesSeamRingAndNoCaps)
{
    SgRef<SgPolyLine> path = MakePolyLine({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}}, true);
    SgRef<SgPolyLine> small = MakePolyLine(Square(0.25), true);
    Sweep sweep;
    SgFaceSet &mesh = sweep.Run(small.get(), path.get());
    // Rings 1 .. 4 (ring 0 is the last one) of 5, and the seam copy of ring 1.
    EXPECT_EQ(mesh.GetVertexCount(), 4 * 5 + 5);
    const std::vector<MeshFace> faces = ReadFaces(mesh);
    EXPECT_EQ(faces.size(), 16u) << "4 strips of 4 quads";
    for (const MeshFace &face : faces)
        EXPECT_NE(face.surface, 0) << "a closed path gets no caps";
    int seam = 0;
    for (int v = 0; v < mesh.GetVertexCount(); ++v) {
        if (mesh.m_texCoord.GetValue(v).x > 1.0f) {
            ++seam;
            EXPECT_FLOAT_EQ(mesh.m_texCoord.GetValue(v).x, 1.25f) << "the seam ring continues u past 1";
            EXPECT_NE(mesh.m_vertexDuplication.GetValue(v), v) << "a seam vertex is a copy";
        }
    }
    EXPECT_EQ(seam, 5);
}

TEST_F(ExtrudeBuilderTest, ClosedPathWithOpenProfileClosesBothBoundaries)
{
    SgRef<SgPolyLine> path = MakePolyLine({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}}, true);
    SgRef<SgPolyLine> line = MakePolyLine({{0.5, 0, 0}, {1, 0, 0}}, false);
    Sweep sweep;
    sweep.params.textureMapType = 0;
    SgFaceSet &mesh = sweep.Run(line.get(), path.get());
    std::vector<MeshFace> boundaries;
    int sides = 0;
    for (const MeshFace &face : ReadFaces(mesh)) {
        if (face.surface == 0)
            boundaries.push_back(face);
        else
            ++sides;
    }
    EXPECT_EQ(sides, 4);
    ASSERT_EQ(boundaries.size(), 2u);
    for (const MeshFace &face : boundaries) {
        ASSERT_EQ(face.loops.size(), 1u);
        EXPECT_EQ(face.loops[0].size(), 4u) << "one vertex per ring";
    }
    EXPECT_EQ(mesh.GetFaceCount(), 6);
}

TEST_F(ExtrudeBuilderTest, CornerIsMitredOnlyWhenCorneredAndUntwisted)
{
    SgRef<SgPolyLine> path = MakePolyLine({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, false);
    SgRef<SgPolyLine> profile = MakePolyLine(Square(0.1), true);
    const Vec3 corner(1, 0, 0);
    struct Case {
        const char *name;
        int pathMode;
        double twist;
        bool mitred;
    };
    const Case cases[] = {
        {"cornered", ExtrudeBuilder::kPathCornered, 0.0, true},
        {"smooth", ExtrudeBuilder::kPathSmooth, 0.0, false},
        {"cornered with twist", ExtrudeBuilder::kPathCornered, 0.5, false},
    };
    for (const Case &c : cases) {
        Sweep sweep;
        sweep.params.textureMapType = 0;
        SgFaceSet &mesh = sweep.Run(profile.get(), path.get(), c.pathMode, c.twist);
        ASSERT_EQ(mesh.GetVertexCount(), 12) << c.name;
        const double q = std::sqrt(0.02);
        for (int v = 4; v < 8; ++v) {
            const Vec3 p = V(mesh, v);
            if (c.mitred) {
                // The section keeps its width along both legs.
                EXPECT_NEAR(DistanceToLine(p, Vec3(0, 0, 0), Vec3(1, 0, 0)), q, kEps) << c.name << " vertex " << v;
                EXPECT_NEAR(DistanceToLine(p, corner, Vec3(0, 1, 0)), q, kEps) << c.name << " vertex " << v;
            } else {
                EXPECT_NEAR((p - corner).Length(), q, kEps) << c.name << " vertex " << v;
            }
            if (c.twist == 0.0) {
                EXPECT_NEAR((p - corner).Dot(Vec3(1, 1, 0)), 0.0, kEps)
                    << c.name << ": the middle ring lies in the bisecting plane";
            }
        }
    }
}

TEST_F(ExtrudeBuilderTest, ReversedDirectionTurnsTheSectionWithoutMirroringIt)
{
    // Up two units, then back down one.
    SgRef<SgPolyLine> path = MakePolyLine({{0, 0, 0}, {0, 0, 2}, {0, 0, 1}}, false);
    SgRef<SgPolyLine> profile = MakePolyLine({{0, 0, 0}, {0.3, 0, 0}, {0, 0.1, 0}}, true);
    for (int mode : {int(ExtrudeBuilder::kPathCornered), int(ExtrudeBuilder::kPathSmooth)}) {
        Sweep sweep;
        sweep.params.textureMapType = 0;
        SgFaceSet &mesh = sweep.Run(profile.get(), path.get(), mode);
        ASSERT_EQ(mesh.GetVertexCount(), 9) << "mode " << mode;
        // Handedness of each ring about the direction of travel there.
        auto handedness = [&](int ring, const Vec3 &travel) {
            const Vec3 a = V(mesh, 3 * ring);
            const Vec3 b = V(mesh, 3 * ring + 1);
            const Vec3 c = V(mesh, 3 * ring + 2);
            return (b - a).Cross(c - a).Dot(travel);
        };
        const double first = handedness(0, Vec3(0, 0, 1));
        const double last = handedness(2, Vec3(0, 0, -1));
        EXPECT_GT(first * last, 0.0) << "mode " << mode << ": the swept-back section is a mirror image";
        for (int v = 3; v < 6; ++v) {
            EXPECT_TRUE(std::isfinite(V(mesh, v).x) && std::isfinite(V(mesh, v).y)) << "mode " << mode;
        }
        EXPECT_GT((V(mesh, 4) - V(mesh, 5)).Length(), 0.05) << "mode " << mode << ": the turning ring folded flat";
    }
}

TEST_F(ExtrudeBuilderTest, RotateType1KeepsProfileXHorizontal)
{
    std::vector<Vec3> helix;
    for (int i = 0; i <= 24; ++i)
        helix.emplace_back(std::cos(i * 0.4), std::sin(i * 0.4), 0.1 * i);
    // A vertical stretch in the middle has no horizontal turn.
    helix.insert(helix.begin() + 12, helix[11] + Vec3(0, 0, 1));
    for (size_t i = 13; i < helix.size(); ++i)
        helix[i].z += 1.0;
    SgRef<SgPolyLine> path = MakePolyLine(helix, false);
    SgRef<SgPolyLine> bar = MakePolyLine({{-0.1, 0, 0}, {0.1, 0, 0}}, false);
    Sweep sweep;
    sweep.params.textureMapType = 0;
    sweep.params.rotateType = 1;
    SgFaceSet &mesh = sweep.Run(bar.get(), path.get(), ExtrudeBuilder::kPathSmooth);
    ASSERT_EQ(mesh.GetVertexCount(), int(2 * helix.size()));
    for (int ring = 0; ring < int(helix.size()); ++ring) {
        const Vec3 a = V(mesh, 2 * ring);
        const Vec3 b = V(mesh, 2 * ring + 1);
        EXPECT_NEAR(a.z, b.z, 1e-9) << "ring " << ring << " tilts the profile's x axis";
        EXPECT_NEAR((a - b).Length(), 0.2, 1e-6) << "ring " << ring << " changed the profile's width";
    }
}

TEST_F(ExtrudeBuilderTest, TwistTurnsTheEndByTheWholeAngleWhateverTheMapping)
{
    // Four units long, so a mapping that keeps the texture's aspect
    // stretches u fourfold; the twist and the loft must not follow it.
    SgRef<SgPolyLine> path = MakePolyLine({{0, 0, 0}, {0, 0, 2}, {0, 0, 4}}, false);
    SgRef<SgPolyLine> bar = MakePolyLine({{-0.5, 0, 0}, {0.5, 0, 0}}, false);
    const double twist = 1.5707963267948966;
    for (int mapping : {0, 1, 2}) {
        Sweep sweep;
        sweep.params.textureMapType = mapping;
        SgFaceSet &mesh = sweep.Run(bar.get(), path.get(), ExtrudeBuilder::kPathSmooth, twist);
        ASSERT_EQ(mesh.GetVertexCount(), 6) << "mapping " << mapping;
        const Vec3 middle = V(mesh, 3) - V(mesh, 2);
        const Vec3 end = V(mesh, 5) - V(mesh, 4);
        EXPECT_NEAR(middle.x, std::cos(0.5 * twist), 1e-9) << "mapping " << mapping;
        EXPECT_NEAR(middle.y, -std::sin(0.5 * twist), 1e-9) << "mapping " << mapping;
        EXPECT_NEAR(end.x, 0.0, 1e-9) << "mapping " << mapping;
        EXPECT_NEAR(end.y, -1.0, 1e-9) << "mapping " << mapping << ": the end is not turned by the whole twist";
        if (mapping == 2) {
            EXPECT_FLOAT_EQ(mesh.m_texCoord.GetValue(4).x, 4.0f) << "u keeps the texture's aspect";
        }
    }
}

TEST_F(ExtrudeBuilderTest, RepeatedPathPointsAreSkipped)
{
    SgRef<SgPolyLine> path = MakePolyLine({{0, 0, 0}, {0, 0, 0}, {0, 0, 1}, {0, 0, 1}, {0, 0, 2}}, false);
    Sweep sweep;
    sweep.params.textureMapType = 0;
    SgFaceSet &mesh = sweep.Run(m_square.get(), path.get());
    ASSERT_EQ(mesh.GetVertexCount(), 12) << "three distinct path points, three rings";
    for (int v = 0; v < mesh.GetVertexCount(); ++v) {
        const Vec3 p = V(mesh, v);
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << "vertex " << v;
        EXPECT_NEAR(std::max(std::fabs(p.x), std::fabs(p.y)), 0.5, kEps) << "vertex " << v;
    }
}

TEST_F(ExtrudeBuilderTest, ScaleCurveKnotsBecomeRings)
{
    SgRef<SgPolyLine> path = MakePolyLine({{0, 0, 0}, {0, 0, 4}}, false);
    struct Case {
        const char *name;
        std::vector<Vec3> scale;
        std::vector<double> ringZ;
        std::vector<double> factor;
    };
    const std::vector<Case> cases = {
        {"knots at 0.25 and 0.5", {{0, 1, 0}, {0.25, 0.5, 0}, {0.5, 2, 0}, {1, 1, 0}}, {0, 1, 2, 4}, {1, 0.5, 2, 1}},
        {"one usable point", {{0, 3, 0}, {0.0005, 2, 0}}, {0, 4}, {1, 1}},
    };
    for (const Case &c : cases) {
        SgRef<SgPolyLine> scale = MakePolyLine(c.scale, false);
        Sweep sweep;
        sweep.params.textureMapType = 0;
        SgFaceSet &mesh = sweep.Run(m_square.get(), path.get(), 0, 0.0, scale.get());
        ASSERT_EQ(mesh.GetVertexCount(), int(4 * c.ringZ.size())) << c.name;
        for (size_t ring = 0; ring < c.ringZ.size(); ++ring) {
            const Vec3 p = V(mesh, int(4 * ring));
            EXPECT_NEAR(p.z, c.ringZ[ring], kEps) << c.name << " ring " << ring;
            EXPECT_NEAR(std::fabs(p.x), 0.5 * c.factor[ring], kEps) << c.name << " ring " << ring;
        }
    }
}

TEST_F(ExtrudeBuilderTest, CreaseAngleSplitsSmoothingGroups)
{
    std::vector<int> groups;
    const std::vector<Vec3> square = Square(1.0);
    EXPECT_EQ(AssignSmoothingGroups(square.data(), nullptr, 4, true, 30.0, groups), 5);
    EXPECT_EQ(groups, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(AssignSmoothingGroups(square.data(), nullptr, 4, true, 100.0, groups), 1);
    EXPECT_EQ(groups, (std::vector<int>{0, 0, 0, 0})) << "no corner beyond the crease angle";

    Sweep sweep;
    sweep.params.textureMapType = 0;
    sweep.params.nextSurfaceId = 7;
    SgFaceSet &mesh = sweep.Run(m_square.get(), m_straight.get(), 0, 0.0, nullptr, nullptr, 100.0);
    for (const MeshFace &face : ReadFaces(mesh)) {
        if (face.loops[0].size() == 4 && face.surface != 0) {
            EXPECT_EQ(face.surface, 7) << "one smooth surface when no corner is sharp";
        }
    }
    EXPECT_EQ(sweep.params.nextSurfaceId, 8);
}

TEST_F(ExtrudeBuilderTest, EndProfileIsResampledAndBlended)
{
    SgRef<SgPolyLine> path = MakePolyLine({{0, 0, 0}, {0, 0, 1}, {0, 0, 2}}, false);
    SgRef<SgPolyLine> triangle = MakePolyLine({{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}}, true);
    Sweep sweep;
    sweep.params.textureMapType = 0;
    sweep.params.cap0 = 0;
    sweep.params.cap1 = 0;
    SgFaceSet &mesh = sweep.Run(m_square.get(), path.get(), 0, 0.0, nullptr, triangle.get());
    const int count = mesh.GetVertexCount();
    ASSERT_EQ(count % 3, 0);
    const int perRing = count / 3;
    EXPECT_GE(perRing, 6) << "the common list holds the points of both outlines";
    for (int j = 0; j < perRing; ++j) {
        const Vec3 a = V(mesh, j);
        const Vec3 b = V(mesh, j + perRing);
        const Vec3 c = V(mesh, j + 2 * perRing);
        EXPECT_NEAR(std::max(std::fabs(a.x), std::fabs(a.y)), 0.5, kEps) << "the first ring is the square";
        EXPECT_NEAR(b.x, 0.5 * (a.x + c.x), kEps) << "the middle ring is half way";
        EXPECT_NEAR(b.y, 0.5 * (a.y + c.y), kEps);
        // The last ring lies on the triangle's outline.
        const bool onBase = std::fabs(c.y + 1) < kEps;
        const bool onRight = std::fabs(c.y - (1 - 2 * c.x)) < kEps;
        const bool onLeft = std::fabs(c.y - (1 + 2 * c.x)) < kEps;
        EXPECT_TRUE(onBase || onRight || onLeft) << "end vertex " << j << " is off the end profile";
    }
}

TEST_F(ExtrudeBuilderTest, ProfileLoopsShareOneCapPerEnd)
{
    std::vector<Vec3> hole = Square(0.5);
    std::reverse(hole.begin(), hole.end());
    SgRef<SgPolyLine> outline = MakePolyLine({Square(1.0), hole}, true);
    Sweep sweep;
    sweep.params.textureMapType = 0;
    SgFaceSet &mesh = sweep.Run(outline.get(), m_straight.get());
    int sides = 0;
    int caps = 0;
    for (const MeshFace &face : ReadFaces(mesh)) {
        if (face.surface == 0) {
            ++caps;
            ASSERT_EQ(face.loops.size(), 2u) << "a cap holds the outline and its hole";
            EXPECT_EQ(face.loops[0].size(), 4u);
            EXPECT_EQ(face.loops[1].size(), 4u);
        } else {
            ++sides;
        }
    }
    EXPECT_EQ(sides, 8);
    EXPECT_EQ(caps, 2);
}

TEST_F(ExtrudeBuilderTest, OpenProfileThatEndsWhereItStartsIsClosed)
{
    std::vector<Vec3> points = Square(0.5);
    points.push_back(points.front());
    SgRef<SgPolyLine> open = MakePolyLine(points, false);
    Sweep sweep;
    sweep.params.textureMapType = 0;
    SgFaceSet &mesh = sweep.Run(open.get(), m_straight.get());
    EXPECT_EQ(mesh.GetVertexCount(), 8) << "the repeated point is the seam";
    int caps = 0;
    for (const MeshFace &face : ReadFaces(mesh))
        caps += face.surface == 0;
    EXPECT_EQ(caps, 2);
}

TEST_F(ExtrudeBuilderTest, MissingCurvesAreRefused)
{
    Sweep sweep;
    EXPECT_THROW(sweep.Run(nullptr, m_straight.get()), SgInvalidArgument);
    EXPECT_THROW(sweep.Run(m_square.get(), nullptr), SgInvalidArgument);
    EXPECT_EQ(sweep.mesh->GetVertexCount(), 0);
}

// --- The node ----------------------------------------------------------------

namespace {

class ExtrudeNodeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitExtrusionTests();
        m_node->SetPolyline(m_profile.get(), SgExtrude::kProfileSlot, true);
        m_node->SetPolyline(m_spine.get(), SgExtrude::kSpineSlot, true);
    }

    SgRef<SgExtrude> m_node = new SgExtrude;
    SgRef<SgPolyLine> m_profile = MakePolyLine(Square(0.5), true);
    SgRef<SgPolyLine> m_spine = MakePolyLine({{0, 0, 0}, {0, 0, 1}}, false);
};

void SetCrease(SgAction *action, float degrees)
{
    CreaseAngleElement::Set(action->GetState(), nullptr, degrees);
}

} // namespace

TEST_F(ExtrudeNodeTest, RegisteredWithItsFieldsAndLoftCurveAttribute)
{
    const int id = SgFieldMngr::GetClassIDFromName("SgExtrude");
    ASSERT_EQ(id, SgExtrude::ClassID());
    SgRef<SgNode> node = SgNode::Create(id);
    ASSERT_TRUE(node);
    EXPECT_TRUE(node->IsDerivedFrom(SgGeometricShape::ClassID()));
    std::vector<std::string> names;
    for (int i = 0; i < node->GetFieldsCount(); ++i)
        names.emplace_back(node->GetFieldName(i));
    EXPECT_EQ(names, (std::vector<std::string>{"segments", "twistAngle", "cap0", "cap1", "textureMapType",
                                               "rotateType", "crossSection", "mainPart", "capping",
                                               "crossSectionType", "autoTriangulation"}));
    ASSERT_GE(SgExtrude::s_iLoftCurveAttribute, 0);
    SgAttributeManager *attributes = SgAttributeManager::GetAttributeManager();
    EXPECT_EQ(attributes->GetAttributeName(SgExtrude::s_iLoftCurveAttribute), "LoftCurve");
    EXPECT_EQ(attributes->GetAttributeType(SgExtrude::s_iLoftCurveAttribute), 4);
}

TEST_F(ExtrudeNodeTest, SlotsKeepTheirCurvesInTheSeparatorInOrder)
{
    SgSeparator *separator = m_node->GetSeparator();
    ASSERT_EQ(separator->GetChildsCount(), 2);
    EXPECT_EQ(separator->GetChild(0), m_profile.get());
    EXPECT_EQ(separator->GetChild(1), m_spine.get());

    SgRef<SgPolyLine> replacement = MakePolyLine(Square(0.2), true);
    m_node->SetPolyline(replacement.get(), SgExtrude::kProfileSlot, true);
    EXPECT_EQ(separator->GetChildsCount(), 2) << "the replaced profile left the separator";
    EXPECT_EQ(separator->GetChild(0), replacement.get());
    EXPECT_EQ(m_node->GetProfile(), replacement.get());

    // A node whose slots are empty (as read from a file) finds its curves
    // among the separator's children.
    SgRef<SgExtrude> read = new SgExtrude;
    read->GetSeparator()->AddChild(MakePolyLine(Square(0.5), true).get());
    read->GetSeparator()->AddChild(MakePolyLine({{0, 0, 0}, {0, 0, 3}}, false).get());
    EXPECT_EQ(read->GetProfile(), read->GetSeparator()->GetChild(0));
    EXPECT_EQ(read->GetSpine(), read->GetSeparator()->GetChild(1));
    SgFaceSet *mesh = BuildMesh(read.get());
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetFaceCount(), 6);
}

TEST_F(ExtrudeNodeTest, OffsetProfileIsBuiltWhenTheSweepNeedsIt)
{
    SgRef<SgOffset> offset = new SgOffset;
    offset->SetPolyline(MakePolyLine(Square(0.5), true).get(), 0, false);
    offset->m_offset.Set(0.1f);
    offset->m_cornerType.Set(int(SgOffset::kMiter));
    SgRef<SgExtrude> node = new SgExtrude;
    node->GetSeparator()->AddChild(offset.get());
    node->GetSeparator()->AddChild(MakePolyLine({{0, 0, 0}, {0, 0, 1}}, false).get());
    ASSERT_EQ(offset->GetResultCache(), nullptr);
    SgFaceSet *mesh = BuildMesh(node.get());
    ASSERT_NE(mesh, nullptr);
    ASSERT_GT(mesh->GetFaceCount(), 0) << "the offset profile was not built";
    EXPECT_NEAR(mesh->BoundingBox().GetMax().x, 0.6f, 1e-5);
    EXPECT_NEAR(mesh->BoundingBox().GetMin().y, -0.6f, 1e-5);
}

TEST_F(ExtrudeNodeTest, ResultIsReusedUntilAFieldCurveOrReadElementChanges)
{
    SgFaceSet *first = BuildMesh(m_node.get());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetFaceCount(), 6);
    EXPECT_EQ(BuildMesh(m_node.get()), first) << "a second traversal built again";

    m_node->m_cap0.Set(0);
    SgFaceSet *afterField = BuildMesh(m_node.get());
    ASSERT_NE(afterField, nullptr);
    EXPECT_EQ(afterField->GetFaceCount(), 5) << "the field change was not seen";

    const Vec3 taller[2] = {{0, 0, 0}, {0, 0, 5}};
    m_spine->m_coordinates.SetVals(2, taller);
    SgFaceSet *afterCurve = BuildMesh(m_node.get());
    ASSERT_NE(afterCurve, nullptr);
    EXPECT_FLOAT_EQ(afterCurve->BoundingBox().GetMax().z, 5.0f) << "the spine change was not seen";

    // The build read the crease angle: another one in force rebuilds.
    SgFaceSet *atDefault = BuildMesh(m_node.get());
    SgFaceSet *atOther = BuildMesh(m_node.get(), [](SgAction *a) { SetCrease(a, 100.0f); });
    ASSERT_NE(atOther, nullptr);
    EXPECT_NE(atOther, atDefault) << "a change of the crease angle in force did not rebuild";
    std::set<int> surfaces;
    for (const MeshFace &face : ReadFaces(*atOther))
        surfaces.insert(face.surface);
    EXPECT_EQ(surfaces, (std::set<int>{0, 1})) << "the crease angle in force was not used";
}

TEST_F(ExtrudeNodeTest, RebuildsGiveTheSameSurfaceIds)
{
    std::vector<int> before;
    for (const MeshFace &face : ReadFaces(*BuildMesh(m_node.get())))
        before.push_back(face.surface);
    m_node->m_segments.Set(11);
    std::vector<int> after;
    for (const MeshFace &face : ReadFaces(*BuildMesh(m_node.get())))
        after.push_back(face.surface);
    EXPECT_EQ(after, before) << "surface ids drifted from one build to the next";
}

TEST_F(ExtrudeNodeTest, FailingBuildLeavesAnEmptyResult)
{
    // Welding to rings that were never stored indexes past a list.
    ExtrudeParams params;
    params.startCapType = ExtrudeParams::kWeldRing;
    m_node->SetParams(params);
    SgFaceSet *mesh = BuildMesh(m_node.get());
    ASSERT_NE(mesh, nullptr) << "the failure escaped the action or left no result";
    EXPECT_EQ(mesh->GetVertexCount(), 0);
    EXPECT_EQ(mesh->GetFaceCount(), 0);
}

TEST_F(ExtrudeNodeTest, WithoutSpineTheResultIsEmpty)
{
    m_node->SetPolyline(nullptr, SgExtrude::kSpineSlot, true);
    SgFaceSet *mesh = BuildMesh(m_node.get());
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetVertexCount(), 0);
}

TEST(ExtrusionFamily, ClassesAreRegisteredWithTheirFieldsAndDefaults)
{
    InitExtrusionTests();
    const std::vector<std::string> extrude = {"segments",  "twistAngle",   "cap0",       "cap1",
                                              "textureMapType", "rotateType", "crossSection", "mainPart",
                                              "capping",   "crossSectionType", "autoTriangulation"};
    // A class lists its own fields first, then those of its bases.
    auto with = [](const std::vector<std::string> &base, std::vector<std::string> own) {
        own.insert(own.end(), base.begin(), base.end());
        return own;
    };
    const std::vector<std::string> prizm = with(extrude, {"height", "zeroBase", "capSegments"});
    const std::vector<std::string> revolve = with(extrude, {"sides"});
    const std::vector<std::string> torus = with(extrude, {"radius1", "radius2", "sides"});
    struct Case {
        const char *name;
        const char *parent;
        std::vector<std::string> fields;
        bool builtin;
        int segments; // -1: no such field
    };
    const std::vector<Case> cases = {
        {"SgExtrude", "SgGeometricShape", extrude, false, 10},
        {"SgPrizm", "SgExtrude", prizm, false, 1},
        {"SgBox", "SgPrizm", with(prizm, {"width", "depth", "widthSegs", "depthSegs"}), true, 1},
        {"SgCone", "SgPrizm", with(prizm, {"bottomRadius", "slices"}), true, 1},
        {"SgCylinder", "SgPrizm", with(prizm, {"radius", "slices"}), true, 1},
        {"SgPlane", "SgExtrude", with(extrude, {"width", "height", "widthSegs"}), true, 5},
        {"SgRevolve", "SgExtrude", revolve, false, 10},
        {"SgSphere", "SgRevolve", with(revolve, {"radius", "complexity", "heightRatio"}), true, 32},
        {"SgTorus", "SgExtrude", torus, true, 32},
        {"SgTorusKnot", "SgTorus", with(torus, {"P", "Q", "type", "ratio", "heightRatio"}), true, 240},
        {"SgCube", "SgShape", {"width", "height", "depth"}, false, -1},
        {"SgGeoSphere", "SgGeometricShape", {"radius", "segments", "smoothType"}, false, 5},
    };
    for (const Case &c : cases) {
        const int id = SgFieldMngr::GetClassIDFromName(c.name);
        ASSERT_NE(id, 0) << c.name << " is not registered";
        SgRef<SgNode> node = SgNode::Create(id);
        ASSERT_TRUE(node) << c.name;
        EXPECT_TRUE(node->IsDerivedFrom(SgFieldMngr::GetClassIDFromName(c.parent))) << c.name;
        std::vector<std::string> names;
        for (int i = 0; i < node->GetFieldsCount(); ++i)
            names.emplace_back(node->GetFieldName(i));
        EXPECT_EQ(names, c.fields) << c.name;
        EXPECT_EQ(node->IsBuiltinMacro(), c.builtin) << c.name;
        if (c.segments >= 0) {
            auto *segments = dynamic_cast<SgFInt *>(node->GetFieldAddressByName("segments"));
            ASSERT_NE(segments, nullptr) << c.name;
            EXPECT_EQ(segments->Get(), c.segments) << c.name;
        }
    }
}

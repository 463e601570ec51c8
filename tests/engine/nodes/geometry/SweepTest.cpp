#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/core/PolyVec.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/FaceSetGeomAdapter.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/Sweep.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"
#include "tests/engine/nodes/geometry/MeshCheck.h"

namespace {

class SweepTest : public ::testing::Test {
protected:
    void SetUp() override { InitExtrusionTests(); }
};

// Keeps what the sweep hands out: vertices in order, faces and quads.
class RecordingSink : public GenericGeom {
public:
    void *AddVertex(const Vec3 &p) override
    {
        vertices.push_back(p);
        return reinterpret_cast<void *>(vertices.size());
    }
    void *AddQuad(void *, void *, void *, void *) override { return reinterpret_cast<void *>(++quads); }
    void *AddFace(int, void **) override { return reinterpret_cast<void *>(++faces); }
    std::vector<Vec3> vertices;
    size_t quads = 0;
    size_t faces = 0;
};

// A face-set sink that also takes quads, so the side faces can be checked.
class QuadFaceSetSink : public FaceSetGeomAdapter {
public:
    using FaceSetGeomAdapter::FaceSetGeomAdapter;
    void *AddQuad(void *a, void *b, void *c, void *d) override
    {
        void *q[4] = {a, b, c, d};
        return AddFace(4, q);
    }
};

const std::vector<Vec3> kSection = {{1, 0, 0}, {0, 1, 0}};

bool Finite(const Vec3 &v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

} // namespace

TEST_F(SweepTest, RingsAlongStraightPath)
{
    PolyVec section(kSection.data(), 2, false);
    const Vec3 path[] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    PolyVec p(path, 3, false);
    RecordingSink sink;
    Sweep sweep;
    sweep.m_bRingsOnly = true;
    sweep.Build(&sink, &section, &p, nullptr);
    ASSERT_EQ(sink.vertices.size(), 6u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_LT((sink.vertices[size_t(2 * i)] - (path[i] + Vec3(0, 1, 0))).Length(), 1e-12) << i;
        EXPECT_LT((sink.vertices[size_t(2 * i + 1)] - (path[i] + Vec3(0, 0, 1))).Length(), 1e-12) << i;
    }
    EXPECT_EQ(sink.quads, 0u);
}

TEST_F(SweepTest, FramesStayProper)
{
    struct Case {
        const char *what;
        std::vector<Vec3> path;
        int corner;       // station checked
        double distance0; // distance of section point 0 from the path point there
        double distance1;
    };
    const Case cases[] = {
        {"mitred corner", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, 1, std::sqrt(2.0), 1.0},
        {"vertical start", {{0, 0, 0}, {0, 0, 1}, {0, 0, 2}}, 1, 1.0, 1.0},
        {"vertical start down", {{0, 0, 0}, {0, 0, -1}, {1, 0, -1}}, 0, 1.0, 1.0},
        {"reversal", {{0, 0, 0}, {1, 0, 0}, {0.5, 0, 0}}, 2, 1.0, 1.0},
    };
    for (const Case &c : cases) {
        PolyVec section(kSection.data(), 2, false);
        PolyVec p(c.path.data(), int(c.path.size()), false);
        RecordingSink sink;
        Sweep sweep;
        sweep.m_bRingsOnly = true;
        sweep.Build(&sink, &section, &p, nullptr);
        ASSERT_EQ(sink.vertices.size(), 2 * c.path.size()) << c.what;
        for (const Vec3 &v : sink.vertices)
            ASSERT_TRUE(Finite(v)) << c.what;
        const Vec3 &at = c.path[size_t(c.corner)];
        const Vec3 a = sink.vertices[size_t(2 * c.corner)] - at;
        const Vec3 b = sink.vertices[size_t(2 * c.corner + 1)] - at;
        EXPECT_NEAR(a.Length(), c.distance0, 1e-9) << c.what;
        EXPECT_NEAR(b.Length(), c.distance1, 1e-9) << c.what;
        // A proper frame: section x, section y and the path direction form a
        // right-handed set at the first station (no reflection).
        const Vec3 x0 = sink.vertices[0] - c.path[0];
        const Vec3 y0 = sink.vertices[1] - c.path[0];
        Vec3 along = c.path[1] - c.path[0];
        along.Normalize();
        EXPECT_NEAR(x0.Cross(y0).Dot(along), 1.0, 1e-9) << c.what;
    }
}

TEST_F(SweepTest, ClosedPathAndClosedSection)
{
    const std::vector<Vec3> square = {{-0.2, -0.2, 0}, {0.2, -0.2, 0}, {0.2, 0.2, 0}, {-0.2, 0.2, 0}};
    PolyVec section(square.data(), 4, true);
    const Vec3 ring[] = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
    PolyVec path(ring, 4, true);
    RecordingSink sink;
    Sweep sweep;
    sweep.Build(&sink, &section, &path, nullptr);
    // Stations 1..4 (station 0 of a closed path emits none), 4 points each.
    EXPECT_EQ(sink.vertices.size(), 16u);
    EXPECT_EQ(sink.quads, 16u);

    SgRef<SgFaceSet> mesh = new SgFaceSet;
    QuadFaceSetSink faces(*mesh);
    sweep.Build(&faces, &section, &path, nullptr);
    const MeshCheck check = CheckMesh(*mesh);
    EXPECT_TRUE(check.IsSolid()) << check.Describe();
}

TEST_F(SweepTest, OpenPathCappedTubeIsSolid)
{
    const std::vector<Vec3> square = {{-0.2, -0.2, 0}, {0.2, -0.2, 0}, {0.2, 0.2, 0}, {-0.2, 0.2, 0}};
    for (bool reversedSection : {false, true}) {
        std::vector<Vec3> s = square;
        if (reversedSection)
            std::reverse(s.begin(), s.end());
        PolyVec section(s.data(), 4, true);
        const Vec3 bent[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0.5}, {1, 1, 2}};
        PolyVec path(bent, 4, false);
        SgRef<SgFaceSet> mesh = new SgFaceSet;
        QuadFaceSetSink faces(*mesh);
        Sweep sweep;
        sweep.Build(&faces, &section, &path, nullptr);
        const MeshCheck check = CheckMesh(*mesh);
        EXPECT_TRUE(check.IsSolid()) << (reversedSection ? "clockwise " : "") << check.Describe();
    }
}

// A path that turns straight back on itself folds the tube flat onto
// itself: no solid can be made of it, so it is refused with a message.
TEST_F(SweepTest, APathThatTurnsStraightBackIsRefusedWithAMessage)
{
    const std::vector<Vec3> square = {{-0.2, -0.2, 0}, {0.2, -0.2, 0}, {0.2, 0.2, 0}, {-0.2, 0.2, 0}};
    PolyVec section(square.data(), 4, true);
    const std::vector<std::vector<Vec3>> paths = {
        {{0, 0, 0}, {1, 0, 0}, {0.5, 0, 0}},
        {{0, 0, 0}, {0, 0, 1}, {0, 0, 1}, {0, 0, -2}},
    };
    for (const std::vector<Vec3> &points : paths) {
        PolyVec path(points.data(), int(points.size()), false);
        SgDiagCapture diagnostics;
        RecordingSink sink;
        Sweep sweep;
        sweep.Build(&sink, &section, &path, nullptr);
        EXPECT_TRUE(sink.vertices.empty()) << points.size() << " points";
        EXPECT_EQ(diagnostics.Count(), 1) << diagnostics.GetText();
    }
    // A sharp turn short of straight back is still built.
    const Vec3 sharp[] = {{0, 0, 0}, {1, 0, 0}, {0, 0.1, 0}};
    PolyVec path(sharp, 3, false);
    RecordingSink sink;
    Sweep sweep;
    sweep.Build(&sink, &section, &path, nullptr);
    EXPECT_FALSE(sink.vertices.empty());
}

TEST_F(SweepTest, ScaleCurveWithoutSpan)
{
    PolyVec section(kSection.data(), 2, false);
    const Vec3 path[] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    PolyVec p(path, 3, false);
    const Vec3 flat[] = {{1, 2, 0}, {1, 3, 0}};
    PolyVec scale(flat, 2, false);
    RecordingSink sink;
    Sweep sweep;
    sweep.m_bRingsOnly = true;
    sweep.m_pScaleCurve = &scale;
    sweep.Build(&sink, &section, &p, nullptr);
    ASSERT_FALSE(sink.vertices.empty());
    for (const Vec3 &v : sink.vertices)
        EXPECT_TRUE(Finite(v));
}

TEST_F(SweepTest, EndSectionMorph)
{
    const std::vector<Vec3> small = {{-0.1, -0.1, 0}, {0.1, -0.1, 0}, {0.1, 0.1, 0}, {-0.1, 0.1, 0}};
    const std::vector<Vec3> large = {{-0.5, -0.5, 0}, {0.5, -0.5, 0}, {0.5, 0.5, 0}, {-0.5, 0.5, 0}};
    PolyVec a(small.data(), 4, true), b(large.data(), 4, true);
    const Vec3 path[] = {{0, 0, 0}, {0, 0, 0.5}, {0, 0, 1}};
    PolyVec p(path, 3, false);
    RecordingSink sink;
    Sweep sweep;
    sweep.m_bRingsOnly = true;
    sweep.Build(&sink, &a, &p, &b);
    ASSERT_FALSE(sink.vertices.empty());
    double first = 0, last = 0;
    for (const Vec3 &v : sink.vertices) {
        ASSERT_TRUE(Finite(v));
        if (v.z < 1e-9)
            first = std::max(first, std::fabs(v.x));
        if (v.z > 1 - 1e-9)
            last = std::max(last, std::fabs(v.x));
    }
    EXPECT_NEAR(first, 0.1, 1e-9);
    EXPECT_NEAR(last, 0.5, 1e-9);
}

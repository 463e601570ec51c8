#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "tests/engine/core/TestNodes.h"

namespace {

class SgCircleTest : public ::testing::Test {
protected:
    void SetUp() override { InitTestClasses(); }
};

} // namespace

TEST_F(SgCircleTest, ClassesAreRegisteredWithTheirFields)
{
    struct Case {
        const char *name;
        const char *parent;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"SgCircle", "SgGenPolyLine", {"radius", "segments", "samples", "outPoints"}},
        {"SgArc", "SgCircle", {"startAngle", "angle", "radius", "segments", "samples", "outPoints"}},
        {"SgHelix", "SgArc", {"height", "turns", "startAngle", "angle", "radius", "segments", "samples", "outPoints"}},
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
        std::vector<std::string> expected = c.fields;
        std::sort(names.begin(), names.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected) << c.name;
    }
    SgRef<SgHelix> helix = new SgHelix;
    EXPECT_EQ(helix->m_radius.Get(), 1.0);
    EXPECT_EQ(helix->m_segments.Get(), 32);
    EXPECT_EQ(helix->m_startAngle.Get(), 0.0);
    EXPECT_EQ(helix->m_angle.Get(), 360.0);
    EXPECT_EQ(helix->m_height.Get(), 0.0);
    EXPECT_EQ(helix->m_turns.Get(), 4.0);
}

TEST_F(SgCircleTest, SamplesCountsAndEnds)
{
    enum Kind { kCircle, kArc, kHelix };
    struct Case {
        const char *what;
        Kind kind;
        int segments;
        double angle;  // arc sweep in degrees, or helix turns
        double height; // helix only
        int count;
        Vec3 first;
        Vec3 last;
    };
    const double c45 = std::sqrt(0.5);
    const double kPi = 3.141592653589793;
    const Case cases[] = {
        {"default circle", kCircle, 32, 0, 0, 32, {1, 0, 0}, {std::cos(-kPi / 16), std::sin(-kPi / 16), 0}},
        {"one segment", kCircle, 1, 0, 0, 2, {1, 0, 0}, {-1, 0, 0}},
        {"no segments", kCircle, 0, 0, 0, 2, {1, 0, 0}, {-1, 0, 0}},
        {"negative segments", kCircle, -7, 0, 0, 2, {1, 0, 0}, {-1, 0, 0}},
        {"quarter arc", kArc, 32, 90, 0, 9, {1, 0, 0}, {0, 1, 0}},
        {"clockwise quarter arc", kArc, 32, -90, 0, 9, {1, 0, 0}, {0, -1, 0}},
        {"eighth arc", kArc, 8, 45, 0, 3, {1, 0, 0}, {c45, c45, 0}},
        {"empty arc", kArc, 32, 0, 0, 3, {1, 0, 0}, {1, 0, 0}},
        {"arc without segments", kArc, 0, 180, 0, 3, {1, 0, 0}, {-1, 0, 0}},
        {"flat helix", kHelix, 32, 4, 0, 131, {1, 0, 0}, {1, 0, 0}},
        {"rising helix", kHelix, 32, 4, 2, 131, {1, 0, -1}, {1, 0, 1}},
    };
    for (const Case &c : cases) {
        SgRef<SgCircle> curve;
        if (c.kind == kCircle) {
            curve = new SgCircle;
        } else if (c.kind == kArc) {
            SgRef<SgArc> arc = new SgArc;
            arc->m_angle.Set(c.angle);
            curve = arc.get();
        } else {
            SgRef<SgHelix> helix = new SgHelix;
            helix->m_turns.Set(c.angle);
            helix->m_height.Set(c.height);
            curve = helix.get();
        }
        curve->m_segments.Set(c.segments);
        curve->sample(-1);
        EXPECT_TRUE(curve->IsSampled()) << c.what;
        ASSERT_EQ(curve->GetSize(), c.count) << c.what;
        EXPECT_EQ(curve->LoopSize(0), c.count) << c.what;
        EXPECT_EQ(curve->IsClosed(), c.kind == kCircle) << c.what;
        EXPECT_TRUE(curve->IsCurved() && curve->IsRadial()) << c.what;
        const Vec3 *p = curve->GetLoop(0);
        const Vec3 &last = p[c.count - 1];
        EXPECT_NEAR(p[0].x, c.first.x, 1e-9) << c.what;
        EXPECT_NEAR(p[0].y, c.first.y, 1e-9) << c.what;
        EXPECT_NEAR(p[0].z, c.first.z, 1e-9) << c.what;
        EXPECT_NEAR(last.x, c.last.x, 1e-9) << c.what;
        EXPECT_NEAR(last.y, c.last.y, 1e-9) << c.what;
        EXPECT_NEAR(last.z, c.last.z, 1e-9) << c.what;
        for (int i = 0; i < c.count; ++i)
            ASSERT_NEAR(std::hypot(p[i].x, p[i].y), 1.0, 1e-12) << c.what << ": point " << i << " off the circle";
    }
}

TEST_F(SgCircleTest, RadiusAndStartAngleShapeTheSamples)
{
    SgRef<SgArc> arc = new SgArc;
    arc->m_radius.Set(2.5);
    arc->m_startAngle.Set(90.0);
    arc->m_angle.Set(180.0);
    arc->m_segments.Set(4);
    arc->sample(-1);
    ASSERT_EQ(arc->GetSize(), 3);
    EXPECT_NEAR(arc->GetData()[0].y, 2.5, 1e-12);
    EXPECT_NEAR(arc->GetData()[1].x, -2.5, 1e-12);
    EXPECT_NEAR(arc->GetData()[2].y, -2.5, 1e-12);

    // Resampling after an edit follows the new fields.
    arc->m_segments.Set(8);
    arc->sample(-1);
    EXPECT_EQ(arc->GetSize(), 5);
}

TEST_F(SgCircleTest, SampledCurvesFollowANewRadiusAndAngle)
{
    SgRef<SgCircle> circle = new SgCircle;
    SgRef<SgArc> arc = new SgArc;
    for (SgCircle *curve : {circle.get(), static_cast<SgCircle *>(arc.get())}) {
        SCOPED_TRACE(curve->GetClassName());
        curve->sample(0);
        ASSERT_TRUE(curve->IsSampled());
        // The creation tool sizes a sampled circle as the mouse drags.
        curve->m_radius.Set(1.23);
        ASSERT_GT(curve->GetSize(), 2);
        for (int i = 0; i < curve->GetSize(); ++i)
            EXPECT_NEAR(curve->GetData()[i].Length(), 1.23, 1e-12) << "sample " << i << " kept the old radius";
    }
    arc->m_angle.Set(90.0);
    const Vec3 last = arc->GetData()[arc->GetSize() - 1];
    EXPECT_NEAR(last.x, 0.0, 1e-12) << "the arc's end stayed where the old angle put it";
    EXPECT_NEAR(last.y, 1.23, 1e-12);
}

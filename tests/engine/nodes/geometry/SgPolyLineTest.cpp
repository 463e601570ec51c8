#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgPolyLineArc.h"
#include "engine/nodes/geometry/SgPolygon.h"
#include "platform/SgError.h"
#include "tests/engine/core/TestNodes.h"

namespace {

const std::vector<Vec3> kSquare = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

class SgPolyLineTest : public ::testing::Test {
protected:
    void SetUp() override { InitTestClasses(); }

    // A polyline node over the given loops, open unless `closed`.
    static SgRef<SgPolyLine> Make(const std::vector<std::vector<Vec3>> &loops, bool closed)
    {
        SgRef<SgPolyLine> line = new SgPolyLine;
        for (const std::vector<Vec3> &loop : loops)
            line->AddLoop(int(loop.size()), loop.data());
        line->m_closed.Set(closed ? 1 : 0);
        return line;
    }

    static std::vector<Vec3> Loop(SgPolyLine &line, int i)
    {
        const Vec3 *p = line.GetLoop(i);
        return std::vector<Vec3>(p, p + line.LoopSize(i));
    }
};

void ExpectNear(const Vec3 &actual, const Vec3 &expected, const std::string &what)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-12) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-12) << what;
    EXPECT_NEAR(actual.z, expected.z, 1e-12) << what;
}

} // namespace

TEST_F(SgPolyLineTest, ClassesAreRegisteredWithTheirFields)
{
    struct Case {
        const char *name;
        const char *parent;
        std::vector<std::string> fields;
    };
    const std::vector<std::string> base = {"samples", "outPoints"};
    const std::vector<std::string> polyline = {"coordinates", "jumps", "closed", "samples", "outPoints"};
    const Case cases[] = {
        {"SgGenPolyLine", "SgShape", base},
        {"SgPolyLine", "SgGenPolyLine", polyline},
        {"SgPolygon", "SgPolyLine", polyline},
        {"SgPolyLineArc", "SgPolyLine", {"arcs", "baldge", "coordinates", "jumps", "closed", "samples", "outPoints"}},
        {"SgPolygonArc", "SgPolyLineArc", {"arcs", "baldge", "coordinates", "jumps", "closed", "samples", "outPoints"}},
    };
    for (const Case &c : cases) {
        const int id = SgFieldMngr::GetClassIDFromName(c.name);
        ASSERT_NE(id, 0) << c.name << " is not registered";
        SgRef<SgNode> node = SgNode::Create(id);
        ASSERT_TRUE(node) << c.name << " has no creator";
        EXPECT_TRUE(node->IsDerivedFrom(SgFieldMngr::GetClassIDFromName(c.parent))) << c.name << " under " << c.parent;
        std::vector<std::string> names;
        for (int i = 0; i < node->GetFieldsCount(); ++i)
            names.emplace_back(node->GetFieldName(i));
        std::sort(names.begin(), names.end());
        std::vector<std::string> expected = c.fields;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected) << c.name;
        EXPECT_TRUE(static_cast<SgShape *>(node.get())->IsGenPolyLine()) << c.name;
    }
}

TEST_F(SgPolyLineTest, NewPolylineIsOneEmptyOpenLoop)
{
    SgRef<SgPolyLine> line = new SgPolyLine;
    EXPECT_EQ(line->NumLoops(), 1);
    EXPECT_EQ(line->GetSize(), 0);
    EXPECT_EQ(line->LoopSize(0), 0);
    EXPECT_FALSE(line->IsClosed());
    EXPECT_EQ(line->GetNumSamples(), 1);
    EXPECT_THROW(line->sample(3), SgInvalidArgument) << "nothing to sample";
    EXPECT_FALSE(line->IsSampled()) << "a refused sampling changes nothing";
}

TEST_F(SgPolyLineTest, AddLoopStartsANewLoopAfterTheFirst)
{
    SgRef<SgPolyLine> line = Make({{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{5, 5, 5}, {6, 6, 6}}}, false);
    EXPECT_EQ(line->m_coordinates.GetCount(), 5);
    ASSERT_EQ(line->m_jumps.GetCount(), 1);
    EXPECT_EQ(line->m_jumps.GetValue(0), 3);
    EXPECT_EQ(line->NumLoops(), 2);
    EXPECT_EQ(line->OrigLoopSize(0), 3);
    EXPECT_EQ(line->OrigLoopSize(1), 2);
    EXPECT_EQ(line->GetLoop(1), line->GetCoordinates() + 3);
    EXPECT_THROW(line->GetLoop(2), SgInvalidArgument);
    EXPECT_THROW(line->OrigLoopSize(-1), SgInvalidArgument);
}

TEST_F(SgPolyLineTest, ClosedSquareSampledThreeTimesGivesThirteenSamples)
{
    SgRef<SgPolyLine> line = Make({kSquare}, true);
    line->m_samples.Set(3);
    line->sample(-1);
    ASSERT_EQ(line->GetSize(), 13);
    EXPECT_EQ(line->LoopSize(0), 12);
    EXPECT_EQ(line->GetSubdivision(), 3);
    const Vec3 *s = line->GetData();
    ExpectNear(s[12], s[0], "the last sample closes the loop");
    ExpectNear(s[1], Vec3(1.0 / 3, 0, 0), "first subdivision");
    ExpectNear(s[3], kSquare[1], "every third sample is a corner");
    ExpectNear(s[11], Vec3(0, 1.0 / 3, 0), "last subdivision before the closing point");

    line->sample(1);
    EXPECT_FALSE(line->IsSampled());
    EXPECT_EQ(line->GetSize(), 4) << "subdivision 1 hands out the stored points again";
    EXPECT_EQ(line->GetData(), line->GetCoordinates());
}

TEST_F(SgPolyLineTest, SubdivisionIsClampedToOneThroughAThousand)
{
    struct Case {
        int samples;
        int subdivision;
        int size;
    };
    const Case cases[] = {{0, 1, 2}, {-5, 1, 2}, {5000, 1000, 1001}, {7, 7, 8}};
    for (const Case &c : cases) {
        SgRef<SgPolyLine> line = Make({{{0, 0, 0}, {2, 0, 0}}}, false);
        line->m_samples.Set(c.samples);
        line->sample(-1);
        EXPECT_TRUE(line->IsSampled()) << "samples " << c.samples;
        EXPECT_EQ(line->GetSubdivision(), c.subdivision) << "samples " << c.samples;
        ASSERT_EQ(line->GetSize(), c.size) << "samples " << c.samples;
        ExpectNear(line->GetData()[0], Vec3(0, 0, 0), "first sample");
        ExpectNear(line->GetData()[c.size - 1], Vec3(2, 0, 0), "last sample ends the line");
    }
}

TEST_F(SgPolyLineTest, EachOpenLoopKeepsItsOwnStartAndEndWhenSampled)
{
    const std::vector<Vec3> a = {{0, 0, 0}, {3, 0, 0}, {3, 3, 0}};
    const std::vector<Vec3> b = {{10, 0, 0}, {10, 6, 0}};
    SgRef<SgPolyLine> line = Make({a, b}, false);
    line->sample(3);
    ASSERT_EQ(line->NumLoops(), 2);
    const std::vector<Vec3> first = Loop(*line, 0);
    const std::vector<Vec3> second = Loop(*line, 1);
    ASSERT_EQ(first.size(), 7u);
    ASSERT_EQ(second.size(), 4u);
    ExpectNear(first.front(), a.front(), "loop 0 starts on its first point");
    ExpectNear(first[3], a[1], "loop 0 passes its middle corner");
    ExpectNear(first.back(), a.back(), "loop 0 ends on its own last point");
    ExpectNear(second.front(), b.front(), "loop 1 starts on its first point");
    ExpectNear(second[1], Vec3(10, 2, 0), "loop 1 is subdivided");
    ExpectNear(second.back(), b.back(), "loop 1 ends on its own last point");
    EXPECT_EQ(line->GetSize(), 13);
}

TEST_F(SgPolyLineTest, ClosedLoopsAreSampledOneAfterAnother)
{
    const std::vector<Vec3> inner = {{0.25, 0.25, 0}, {0.75, 0.25, 0}, {0.5, 0.75, 0}};
    SgRef<SgPolyLine> line = Make({kSquare, inner}, true);
    line->sample(2);
    EXPECT_EQ(line->GetSize(), 15);
    EXPECT_EQ(line->LoopSize(0), 8);
    EXPECT_EQ(line->LoopSize(1), 6);
    ExpectNear(line->GetLoop(1)[0], inner[0], "loop 1 begins at twice its stored start");
    ExpectNear(line->GetLoop(1)[5], Vec3(0.375, 0.5, 0), "loop 1 closes back towards its first point");
}

TEST_F(SgPolyLineTest, JumpsThatDoNotSplitTheCoordinatesAreRefused)
{
    struct Case {
        const char *what;
        std::vector<int> jumps;
    };
    const Case cases[] = {
        {"a jump past the coordinates", {7}},
        {"a jump at the end", {4}},
        {"descending jumps", {3, 1}},
        {"a repeated jump", {2, 2}},
        {"a negative jump", {-1}},
        {"an empty first loop", {0}},
    };
    for (const Case &c : cases) {
        SgRef<SgPolyLine> line = Make({kSquare}, false);
        line->m_jumps.SetVals(int(c.jumps.size()), c.jumps.data());
        const int loops = line->NumLoops();
        bool refused = false;
        for (int i = 0; i < loops; ++i) {
            try {
                line->GetLoop(i);
                line->LoopSize(i);
            } catch (const SgInvalidArgument &) {
                refused = true;
            }
        }
        EXPECT_TRUE(refused) << c.what << " was read as a loop";
        EXPECT_THROW(line->sample(2), SgInvalidArgument) << c.what;
        EXPECT_FALSE(line->IsSampled()) << c.what;
    }
}

TEST_F(SgPolyLineTest, EditingThePointsDropsStaleSamples)
{
    SgRef<SgPolyLine> line = Make({kSquare}, true);
    line->sample(4);
    ASSERT_TRUE(line->IsSampled());
    const std::vector<Vec3> more(50, Vec3(2, 2, 2));
    line->AddLoop(int(more.size()), more.data());
    EXPECT_FALSE(line->IsSampled()) << "samples of the old points would be read with the new layout";
    EXPECT_EQ(line->GetSize(), 54);
    EXPECT_EQ(line->LoopSize(1), 50);
    EXPECT_EQ(line->GetLoop(1)[49], Vec3(2, 2, 2));
}

TEST_F(SgPolyLineTest, OversizedSamplingIsRefusedBeforeAllocating)
{
    const std::vector<Vec3> many(5000, Vec3(1, 2, 3));
    SgRef<SgPolyLine> line = Make({many}, true);
    EXPECT_THROW(line->sample(1000), SgCapacityError);
    EXPECT_FALSE(line->IsSampled());
    EXPECT_EQ(line->GetSize(), 5000);
}

TEST_F(SgPolyLineTest, ClosedFlagOfThePolygonClasses)
{
    SgRef<SgPolygon> polygon = new SgPolygon;
    EXPECT_EQ(polygon->m_closed.Get(), 1);
    polygon->m_closed.Set(0);
    EXPECT_TRUE(polygon->IsClosed()) << "a polygon stays closed";
    EXPECT_TRUE(polygon->IsPlanar());

    SgRef<SgPolygonArc> arc = new SgPolygonArc;
    EXPECT_FALSE(arc->IsClosed());
    arc->m_closed.Set(1);
    EXPECT_TRUE(arc->IsClosed()) << "a polygon arc follows \"closed\"";
    EXPECT_TRUE(arc->IsPlanar());

    SgRef<SgPolyLineArc> lineArc = new SgPolyLineArc;
    EXPECT_FALSE(lineArc->IsPlanar());
}

TEST_F(SgPolyLineTest, CopyTakesTheSourcesReadablePoints)
{
    SgRef<SgCircle> circle = new SgCircle;
    circle->m_segments.Set(8);
    circle->sample(-1);
    SgRef<SgPolyLine> copy = new SgPolyLine(circle.get());
    EXPECT_TRUE(copy->IsClosed());
    EXPECT_EQ(copy->NumLoops(), 1);
    ASSERT_EQ(copy->GetSize(), 8);
    EXPECT_EQ(copy->GetData()[2], circle->GetData()[2]);

    SgRef<SgPolyLine> two = Make({kSquare, {{5, 5, 0}, {6, 5, 0}, {6, 6, 0}}}, false);
    two->sample(2);
    SgRef<SgPolyLine> sampledCopy = new SgPolyLine(two.get());
    EXPECT_EQ(sampledCopy->NumLoops(), 2);
    EXPECT_EQ(sampledCopy->OrigLoopSize(0), 7);
    EXPECT_EQ(sampledCopy->OrigLoopSize(1), 5);
    EXPECT_EQ(sampledCopy->GetLoop(1)[4], Vec3(6, 6, 0));
}

TEST_F(SgPolyLineTest, CopySampleToOutPublishesWhatTheCurveHandsOut)
{
    SgRef<SgPolyLine> line = Make({kSquare, {{5, 5, 0}, {6, 5, 0}}}, false);
    line->copySampleToOut();
    EXPECT_EQ(line->m_outPoints.GetCount(), 4) << "unsampled: the first loop's stored points";

    line->m_samples.Set(2);
    line->sample(-1);
    line->copySampleToOut();
    EXPECT_EQ(line->m_outPoints.GetCount(), line->GetSize()) << "sampled: every sample";
}

TEST_F(SgPolyLineTest, BoundingBoxCoversTheReadablePoints)
{
    SgRef<SgPolyLine> line = Make({{{-1, 2, 3}, {4, -5, 6}}}, false);
    const Range<Vec3f> box = line->BoundingBox();
    EXPECT_EQ(box.GetMin(), Vec3f(-1, -5, 3));
    EXPECT_EQ(box.GetMax(), Vec3f(4, 2, 6));
    SgRef<SgPolyLine> empty = new SgPolyLine;
    EXPECT_EQ(empty->BoundingBox().GetMax(), Vec3f(0, 0, 0)) << "no points: the zero box";
}

TEST_F(SgPolyLineTest, PointListConstructorKeepsACopy)
{
    std::vector<Vec3> points = {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    SgRef<SgGenPolyLine> curve = new SgGenPolyLine(points.data(), 3);
    points.assign(3, Vec3(9, 9, 9));
    ASSERT_EQ(curve->GetSize(), 3);
    EXPECT_EQ(curve->GetLoop(0)[2], Vec3(3, 0, 0));
}

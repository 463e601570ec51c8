#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgOffset.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/core/StateTestSupport.h"

namespace {

const std::vector<Vec3> kUnitSquare = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

class SgOffsetTest : public ::testing::Test {
protected:
    void SetUp() override { InitStateTestClasses(); }

    static SgRef<SgPolyLine> Curve(const std::vector<Vec3> &points, bool closed)
    {
        SgRef<SgPolyLine> line = new SgPolyLine;
        line->AddLoop(int(points.size()), points.data());
        line->m_closed.Set(closed ? 1 : 0);
        return line;
    }

    static SgRef<SgOffset> Offset(SgGenPolyLine *source, float distance, int corner, int dualSide)
    {
        SgRef<SgOffset> offset = new SgOffset;
        offset->SetPolyline(source, 0, false);
        offset->m_offset.Set(distance);
        offset->m_cornerType.Set(corner);
        offset->m_dualSide.Set(dualSide);
        return offset;
    }

    // Traverses the node once and returns its result polyline.
    static SgPolyLine *Build(SgOffset &offset)
    {
        StateTestAction action;
        EXPECT_TRUE(action.Apply(&offset)) << action.GetError();
        return dynamic_cast<SgPolyLine *>(offset.GetResultCache());
    }

    // Signed area in the xy plane summed over every loop: holes count
    // against the outline that holds them.
    static double Area(SgPolyLine &line)
    {
        double area = 0.0;
        if (line.GetSize() == 0)
            return 0.0;
        for (int i = 0; i < line.NumLoops(); ++i) {
            const Vec3 *p = line.GetLoop(i);
            const int n = line.LoopSize(i);
            for (int k = 0; k < n; ++k) {
                const Vec3 &a = p[k];
                const Vec3 &b = p[(k + 1) % n];
                area += 0.5 * (a.x * b.y - b.x * a.y);
            }
        }
        return area;
    }
};

} // namespace

TEST_F(SgOffsetTest, ClassIsRegisteredWithItsFields)
{
    const int id = SgFieldMngr::GetClassIDFromName("SgOffset");
    ASSERT_NE(id, 0);
    SgRef<SgNode> node = SgNode::Create(id);
    ASSERT_TRUE(node);
    EXPECT_TRUE(node->IsDerivedFrom(SgGeometricShape::ClassID()));
    std::vector<std::string> names;
    for (int i = 0; i < node->GetFieldsCount(); ++i)
        names.emplace_back(node->GetFieldName(i));
    EXPECT_EQ(names, (std::vector<std::string>{"offset", "cornerType", "dualSide", "useZValue"}));
    auto *offset = static_cast<SgOffset *>(node.get());
    EXPECT_FLOAT_EQ(offset->m_offset.Get(), 0.1f);
    EXPECT_EQ(offset->m_cornerType.Get(), 2);
    EXPECT_EQ(offset->m_dualSide.Get(), 0);
    EXPECT_EQ(offset->m_useZValue.Get(), 0);
}

TEST_F(SgOffsetTest, OutlinesAndBandsHaveTheExpectedArea)
{
    struct Case {
        const char *what;
        std::vector<Vec3> source;
        bool closed;
        float distance;
        int corner;
        int dualSide;
        int loops;
        double area;
        double tolerance;
    };
    const double kPi = 3.141592653589793;
    const double chamfer = 0.1 * (std::sqrt(2.0) - 1.0);
    const std::vector<Vec3> far = {{100000, 0, 0}, {100001, 0, 0}, {100001, 1, 0}, {100000, 1, 0}};
    const Case cases[] = {
        {"mitred outset", kUnitSquare, true, 0.1f, 2, 0, 1, 1.44, 1e-4},
        {"round outset", kUnitSquare, true, 0.1f, 1, 0, 1, 1.4 + kPi * 0.01, 1e-4},
        {"square outset", kUnitSquare, true, 0.1f, 0, 0, 1, 1.44 - 4 * chamfer * chamfer, 1e-4},
        {"mitred inset", kUnitSquare, true, -0.1f, 2, 0, 1, 0.64, 1e-4},
        {"both sides of a closed outline", kUnitSquare, true, 0.1f, 2, 1, 2, 1.44 - 0.64, 1e-4},
        {"open line, square ends", {{0, 0, 0}, {1, 0, 0}}, false, 0.1f, 2, 0, 1, 1.2 * 0.2, 1e-4},
        {"open line, butt ends", {{0, 0, 0}, {1, 0, 0}}, false, 0.1f, 2, 1, 1, 1.0 * 0.2, 1e-4},
        {"far beyond 8192 units", far, true, 0.1f, 2, 0, 1, 1.44, 1e-4},
        {"an unknown corner type mitres", kUnitSquare, true, 0.1f, 7, 0, 1, 1.44, 1e-4},
    };
    for (const Case &c : cases) {
        SgRef<SgPolyLine> source = Curve(c.source, c.closed);
        SgRef<SgOffset> offset = Offset(source.get(), c.distance, c.corner, c.dualSide);
        SgDiagCapture capture;
        SgPolyLine *result = Build(*offset);
        const std::string log = capture.GetText();
        ASSERT_NE(result, nullptr) << c.what;
        EXPECT_EQ(result->NumLoops(), c.loops) << c.what;
        EXPECT_NEAR(Area(*result), c.area, c.tolerance) << c.what;
        EXPECT_TRUE(result->IsClosed()) << c.what << ": every result loop is closed";
        for (int i = 0; i < result->GetSize(); ++i)
            ASSERT_EQ(result->GetData()[i].z, 0.0) << c.what << ": point " << i;
        EXPECT_EQ(log.empty(), c.corner >= 0 && c.corner <= 2) << c.what << ": " << log;
    }
}

TEST_F(SgOffsetTest, CircleSourceIsSampledFirst)
{
    SgRef<SgCircle> circle = new SgCircle;
    circle->m_segments.Set(64);
    SgRef<SgOffset> offset = Offset(circle.get(), 0.5f, 1, 0);
    SgPolyLine *result = Build(*offset);
    ASSERT_NE(result, nullptr);
    ASSERT_GT(result->GetSize(), 64);
    EXPECT_NEAR(Area(*result), 3.141592653589793 * 1.5 * 1.5, 0.02);
}

TEST_F(SgOffsetTest, HeightsComeFromTheNearestSourcePoint)
{
    const std::vector<Vec3> sloped = {{0, 0, 0}, {1, 0, 0}, {1, 1, 1}, {0, 1, 1}};
    SgRef<SgPolyLine> source = Curve(sloped, true);
    SgRef<SgOffset> offset = Offset(source.get(), 0.1f, 2, 0);
    offset->m_useZValue.Set(1);
    SgPolyLine *result = Build(*offset);
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(result->GetSize(), 4);
    for (int i = 0; i < 4; ++i) {
        const Vec3 &p = result->GetData()[i];
        EXPECT_EQ(p.z, p.y > 0.5 ? 1.0 : 0.0) << "corner (" << p.x << ", " << p.y << ")";
    }
}

TEST_F(SgOffsetTest, FailuresLeaveAnEmptyResultAndALogLine)
{
    struct Case {
        const char *what;
        std::vector<Vec3> source;
        int samples;
        bool withSource;
        bool logged;
    };
    const Case cases[] = {
        {"no source", {}, 1, false, false},
        {"a source point past the integer range", {{0, 0, 0}, {1e13, 0, 0}, {0, 1, 0}}, 1, true, true},
        {"a source that cannot be sampled", {}, 3, true, true},
        {"a source with no points", {}, 1, true, false},
    };
    for (const Case &c : cases) {
        SgRef<SgPolyLine> source = Curve(c.source, true);
        source->m_samples.Set(c.samples);
        SgRef<SgOffset> offset = Offset(c.withSource ? source.get() : nullptr, 0.1f, 2, 0);
        SgDiagCapture capture;
        SgPolyLine *result = Build(*offset);
        const std::string log = capture.GetText();
        ASSERT_NE(result, nullptr) << c.what << ": an empty result is still a result";
        EXPECT_EQ(result->GetSize(), 0) << c.what;
        EXPECT_EQ(log.find("SgOffset") != std::string::npos, c.logged) << c.what << ": " << log;
    }
}

TEST_F(SgOffsetTest, ResultIsReusedUntilAFieldOrTheSourceChanges)
{
    SgRef<SgPolyLine> source = Curve(kUnitSquare, true);
    SgRef<SgOffset> offset = Offset(source.get(), 0.1f, 2, 0);
    SgRef<SgShape> first = Build(*offset);
    ASSERT_TRUE(first);
    EXPECT_EQ(Build(*offset), first.get()) << "a second traversal builds again";

    offset->m_offset.Set(0.2f);
    SgRef<SgShape> second = Build(*offset);
    ASSERT_TRUE(second);
    EXPECT_NE(second.get(), first.get()) << "a field change keeps the old result";
    EXPECT_NEAR(Area(*static_cast<SgPolyLine *>(second.get())), 1.96, 1e-4);

    source->m_coordinates.SetValue(2, Vec3(2, 2, 0));
    SgPolyLine *third = Build(*offset);
    ASSERT_NE(third, nullptr);
    EXPECT_NE(third, second.get()) << "a change of the source keeps the old result";
    EXPECT_GT(Area(*third), 1.96 + 0.5);
}

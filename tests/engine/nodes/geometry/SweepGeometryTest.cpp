#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/nodes/geometry/SweepGeometry.h"
#include "platform/SgDiagHandler.h"
#include "platform/SgError.h"

namespace {

constexpr double kPi = 3.141592653589793;

std::vector<Vec3> Along(const std::vector<double> &xs)
{
    std::vector<Vec3> points;
    for (double x : xs)
        points.emplace_back(x, 0.0, 0.0);
    return points;
}

double AngleOf(const Vec3 &p) { return std::atan2(p.y, p.x); }

} // namespace

TEST(SweepGeometry, ArcLengthParamsMeasureThePath)
{
    struct Case {
        const char *what;
        std::vector<Vec3> points;
        double total;
        std::vector<double> params;
    };
    const Case cases[] = {
        {"three coincident points", {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, 0.0, {0, 0, 0}},
        {"one point", {{1, 2, 3}}, 0.0, {0}},
        {"a bent path", {{0, 0, 0}, {3, 0, 0}, {3, 4, 0}}, 7.0, {0, 3.0 / 7, 1}},
    };
    for (const Case &c : cases) {
        std::vector<double> params(c.points.size(), -1.0);
        EXPECT_DOUBLE_EQ(PolylineLength(int(c.points.size()), c.points.data()), c.total) << c.what;
        EXPECT_DOUBLE_EQ(ArcLengthParams(int(c.points.size()), c.points.data(), params.data()), c.total) << c.what;
        for (size_t i = 0; i < params.size(); ++i)
            EXPECT_NEAR(params[i], c.params[i], 1e-15) << c.what << ", parameter " << i;
    }
}

TEST(SweepGeometry, NormalizeScaleCurveDropsCrowdedPointsAndClampsScales)
{
    struct Case {
        const char *what;
        std::vector<Vec3> points;
        std::vector<CurveSample> expected;
    };
    const Case cases[] = {
        {"a crowded point and a zero scale", {{0, 2, 0}, {0.0005, 3, 0}, {1, 0, 0}}, {{0, 2}, {1, 0.001}}},
        {"positions from 2 to 6", {{2, 0, 0}, {4, 1, 0}, {6, 2, 0}}, {{0, 0}, {0.5, 1}, {1, 2}}},
        {"one point", {{5, 7, 0}}, {{0, 7}}},
        {"positions that do not advance", {{1, 2, 0}, {3, 3, 0}, {1, 4, 0}}, {{0, 2}}},
    };
    for (const Case &c : cases) {
        std::vector<CurveSample> out(c.points.size());
        const int n = NormalizeScaleCurve(int(c.points.size()), c.points.data(), out.data());
        ASSERT_EQ(n, int(c.expected.size())) << c.what;
        for (int i = 0; i < n; ++i) {
            EXPECT_DOUBLE_EQ(out[size_t(i)].t, c.expected[size_t(i)].t) << c.what << ", sample " << i;
            EXPECT_DOUBLE_EQ(out[size_t(i)].value, c.expected[size_t(i)].value) << c.what << ", sample " << i;
        }
    }
}

TEST(SweepGeometry, ResampleAlongSamplesPlacesTheStations)
{
    struct Case {
        const char *what;
        std::vector<double> path; // x positions
        std::vector<CurveSample> samples;
        bool curved;
        std::vector<double> xs;     // expected output positions
        std::vector<double> values; // expected values there
    };
    const Case cases[] = {
        {"a station inside a segment", {0, 10}, {{0, 1}, {0.5, 3}, {1, 5}}, false, {0, 5, 10}, {1, 3, 5}},
        {"a station next to a path point", {0, 5, 10}, {{0, 1}, {0.5004, 3}, {1, 5}}, false, {0, 5, 10},
         {1, 1 + 2 * 0.5 / 0.5004, 5}},
        {"a zero-length inner segment", {0, 5, 5, 10}, {{0, 0}, {1, 1}}, false, {0, 5, 10}, {0, 0.5, 1}},
        {"a zero-length last segment", {0, 10, 10}, {{0, 0}, {1, 1}}, false, {0, 10}, {0, 1}},
        {"a one-point path", {3}, {{0, 4}, {1, 6}}, false, {3}, {4}},
        {"a path without length", {2, 2, 2}, {{0, 4}, {1, 6}}, false, {2}, {4}},
        {"points after the last station", {0, 8, 10}, {{0, 0}, {0.5, 1}}, false, {0, 5, 8, 10}, {0, 1, 1, 1}},
        {"a station past the end", {0, 10}, {{0, 0}, {1.0000001, 2}}, false, {0, 10}, {0, 2 / 1.0000001}},
        {"two close stations, straight", {0, 10}, {{0, 0}, {0.3, 1}, {0.3005, 2}, {1, 3}}, false,
         {0, 3, 3.005, 10}, {0, 1, 2, 3}},
        {"a station near a corner, straight", {0, 2.5, 10}, {{0, 0}, {0.2, 1}, {1, 2}}, false, {0, 2, 2.5, 10},
         {0, 1, 1.0625, 2}},
        {"a station near a corner, curved", {0, 2.5, 10}, {{0, 0}, {0.2, 1}, {1, 2}}, true, {0, 2.5, 10},
         {0, 1.0625, 2}},
    };
    for (const Case &c : cases) {
        const std::vector<Vec3> path = Along(c.path);
        const int n = int(path.size());
        const int m = int(c.samples.size());
        std::vector<Vec3> points(size_t(n + m));
        std::vector<CurveSample> values(size_t(n + m));
        const int count = ResampleAlongSamples(n, path.data(), m, c.samples.data(), points.data(), values.data(),
                                               c.curved);
        ASSERT_EQ(count, int(c.xs.size())) << c.what;
        for (int i = 0; i < count; ++i) {
            EXPECT_NEAR(points[size_t(i)].x, c.xs[size_t(i)], 1e-9) << c.what << ", point " << i;
            EXPECT_NEAR(values[size_t(i)].value, c.values[size_t(i)], 1e-9) << c.what << ", value " << i;
        }
    }
}

TEST(SweepGeometry, ResampleAlongSamplesCarriesBothValuesOfTriples)
{
    const std::vector<Vec3> path = Along({0, 4});
    const CurveSample2 samples[] = {{0, 1, 10}, {0.25, 2, 20}, {1, 3, 30}};
    Vec3 points[5];
    CurveSample2 values[5];
    ASSERT_EQ(ResampleAlongSamples(2, path.data(), 3, samples, points, values, false), 3);
    EXPECT_DOUBLE_EQ(points[1].x, 1.0);
    EXPECT_DOUBLE_EQ(values[1].value1, 2.0);
    EXPECT_DOUBLE_EQ(values[1].value2, 20.0);
    EXPECT_DOUBLE_EQ(values[2].value2, 30.0);
    EXPECT_THROW(ResampleAlongSamples(2, path.data(), 0, samples, points, values, false), SgInvalidArgument);
}

TEST(SweepGeometry, MergeParamSamplesPutsBothFunctionsOnOneGrid)
{
    struct Case {
        const char *what;
        std::vector<CurveSample> a;
        std::vector<CurveSample> b;
        std::vector<CurveSample2> expected;
    };
    const Case cases[] = {
        {"interleaved stations",
         {{0, 1}, {0.5, 2}, {1, 3}},
         {{0, 10}, {0.25, 20}, {1, 30}},
         {{0, 1, 10}, {0.25, 1.5, 20}, {0.5, 2, 20 + 10 * 0.25 / 0.75}, {1, 3, 30}}},
        {"the second function ends first", {{0, 1}, {0.99, 2}, {1, 3}}, {{0, 10}, {1, 30}},
         {{0, 1, 10}, {0.99, 2, 29.8}, {1, 3, 30}}},
        {"the first function ends first", {{0, 1}, {0.9, 2}}, {{0, 10}, {1, 30}},
         {{0, 1, 10}, {0.9, 2, 28}, {1, 2, 30}}},
    };
    for (const Case &c : cases) {
        std::vector<CurveSample2> out(c.a.size() + c.b.size());
        const int count = MergeParamSamples(int(c.a.size()), c.a.data(), int(c.b.size()), c.b.data(), out.data());
        ASSERT_EQ(count, int(c.expected.size())) << c.what;
        for (int i = 0; i < count; ++i) {
            const CurveSample2 &got = out[size_t(i)];
            const CurveSample2 &want = c.expected[size_t(i)];
            EXPECT_NEAR(got.t, want.t, 1e-12) << c.what << ", triple " << i;
            EXPECT_NEAR(got.value1, want.value1, 1e-12) << c.what << ", triple " << i;
            EXPECT_NEAR(got.value2, want.value2, 1e-12) << c.what << ", triple " << i;
        }
    }
}

TEST(SweepGeometry, ReorderSectionByAngleStartsAtTheSmallestAngle)
{
    // Clockwise about the origin.
    std::vector<Vec3> square = {{1, 1, 0}, {1, -1, 0}, {-1, -1, 0}, {-1, 1, 0}};
    std::vector<double> angles(4);
    SectionAngles(4, square.data(), angles.data(), Vec3(), 2);
    EXPECT_DOUBLE_EQ(angles[2], -0.75 * kPi);

    std::vector<Vec3> kept = square;
    std::vector<double> keptAngles = angles;
    EXPECT_EQ(ReorderSectionByAngle(4, keptAngles.data(), kept.data(), 0), -1) << "clockwise";
    EXPECT_EQ(kept, (std::vector<Vec3>{{-1, -1, 0}, {-1, 1, 0}, {1, 1, 0}, {1, -1, 0}}));

    EXPECT_EQ(ReorderSectionByAngle(4, angles.data(), square.data(), 1), 1);
    EXPECT_EQ(square, (std::vector<Vec3>{{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}}))
        << "the wanted orientation reverses the section";
    EXPECT_TRUE(std::is_sorted(angles.begin(), angles.end()));
}

TEST(SweepGeometry, MatchSectionsPairsPointsOnOneRay)
{
    std::vector<Vec3> square = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    std::vector<Vec3> octagon;
    for (int k = 0; k < 8; ++k)
        octagon.emplace_back(2 * std::cos(k * kPi / 4), 2 * std::sin(k * kPi / 4), 0);

    struct Case {
        const char *what;
        bool reversed;
    };
    for (const Case &c : {Case{"counter-clockwise", false}, Case{"clockwise", true}}) {
        std::vector<Vec3> a = square;
        std::vector<Vec3> b = octagon;
        if (c.reversed) {
            std::reverse(a.begin(), a.end());
            std::reverse(b.begin(), b.end());
        }
        std::vector<Vec3> outA;
        std::vector<Vec3> outB;
        const int count = MatchSections(4, 8, a.data(), b.data(), outA, outB);
        ASSERT_EQ(count, 8) << c.what;
        double turned = 0.0;
        for (int i = 0; i < count; ++i) {
            const Vec3 &p = outA[size_t(i)];
            const Vec3 &q = outB[size_t(i)];
            EXPECT_NEAR(p.Cross(q).z, 0.0, 1e-12) << c.what << ": pair " << i << " is not on one ray";
            EXPECT_GT(p.Dot(q), 0.0) << c.what << ": pair " << i;
            EXPECT_NEAR(q.Length(), 2.0, 1e-12) << c.what << ": pair " << i << " left the octagon";
            if (i > 0) {
                double step = AngleOf(q) - AngleOf(outB[size_t(i - 1)]);
                step = std::remainder(step, 2 * kPi);
                turned += step;
            }
        }
        EXPECT_NEAR(AngleOf(outA[0]), -0.75 * kPi, 1e-12) << c.what << ": starts at the smallest angle";
        EXPECT_NEAR(turned, (c.reversed ? -1 : 1) * 1.75 * kPi, 1e-9) << c.what << ": runs the section's way";
    }
}

TEST(SweepGeometry, MatchSectionsOfDegenerateSections)
{
    const Vec3 one[] = {{1, 0, 0}};
    const Vec3 other[] = {{0, 1, 0}};
    std::vector<Vec3> outA;
    std::vector<Vec3> outB;
    EXPECT_EQ(MatchSections(0, 1, one, other, outA, outB), 0);
    EXPECT_EQ(MatchSections(1, 1, one, one, outA, outB), 1);
    SgDiagCapture capture;
    const int count = MatchSections(1, 1, one, other, outA, outB);
    EXPECT_GE(count, 1);
    for (const Vec3 &p : outA)
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
}

TEST(SweepGeometry, MinimalRotationIsAProperRotation)
{
    struct Case {
        const char *what;
        Vec3 a;
        Vec3 b;
    };
    const Case cases[] = {
        {"a quarter turn", {1, 0, 0}, {0, 1, 0}},
        {"an oblique turn", {1, 2, 3}, {-2, 0.5, 1}},
        {"the same direction", {0, 0, 1}, {0, 0, 2}},
        {"reversed along z", {0, 0, 1}, {0, 0, -1}},
        {"reversed along x", {3, 0, 0}, {-1, 0, 0}},
        {"reversed obliquely", {1, 1, 1}, {-2, -2, -2}},
        {"nearly reversed", {0, 0, 1}, {1e-7, 0, -1}},
    };
    for (const Case &c : cases) {
        Vec3 a = c.a;
        Vec3 b = c.b;
        Mat3 r;
        EXPECT_TRUE(MinimalRotation(a, b, r));
        EXPECT_NEAR(a.Length(), 1.0, 1e-12) << c.what << ": a is normalised in place";
        EXPECT_NEAR(r.Determinant(), 1.0, 1e-9) << c.what << ": a reflection would mirror the section";
        const Mat3 rtr = r.Transpose() * r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                EXPECT_NEAR(rtr[i][j], i == j ? 1.0 : 0.0, 1e-9) << c.what;
        const Vec3 moved = r * a;
        EXPECT_NEAR((moved - b).Length(), 0.0, 1e-6) << c.what << ": a is not carried onto b";
    }

    Vec3 zero;
    Vec3 up(0, 0, 1);
    Mat3 r = Mat3::Zero();
    MinimalRotation(zero, up, r);
    EXPECT_TRUE(r == Mat3::Identity()) << "a zero direction turns nothing (and collapses nothing)";
}

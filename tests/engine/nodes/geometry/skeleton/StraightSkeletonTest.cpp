// Roofs over outlines: the cases whose shape is known, and properties over
// generated outlines (planar faces at their edges' slopes, covering the
// footprint, closed with it); an outline the skeleton cannot do is reported,
// never a crash, a hang or a wrong roof.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "engine/nodes/geometry/skeleton/StraightSkeleton.h"
#include "tests/engine/nodes/geometry/skeleton/RoofTestSupport.h"

namespace {

std::vector<Vec3> Rectangle(double w, double h)
{
    return {{0, 0, 0}, {w, 0, 0}, {w, 0, h}, {0, 0, h}};
}

int FacesOfSize(const RoofMesh &roof, size_t size)
{
    int count = 0;
    for (size_t f = 0; f + 1 < roof.faces.size(); ++f)
        count += roof.faces[f].size() == size;
    return count;
}

} // namespace

TEST(StraightSkeletonTest, ASquareGivesFourTrianglesMeetingAtOnePeak)
{
    const RoofMesh roof = BuildRoof(Rectangle(2.0, 2.0), {45.0});
    ASSERT_EQ(CheckRoof(roof, Rectangle(2.0, 2.0), {45.0}), "");
    EXPECT_NEAR(roof.height, 1.0, 1e-6);
    EXPECT_EQ(roof.faces.size(), 5u);
    EXPECT_EQ(FacesOfSize(roof, 3), 4);
    EXPECT_EQ(roof.faces.back().size(), 4u) << "the footprint";
    // One peak, shared by the four faces.
    EXPECT_EQ(roof.vertices.size(), 5u);
    const Vec3 peak = *std::max_element(roof.vertices.begin(), roof.vertices.end(),
                                        [](const Vec3 &a, const Vec3 &b) { return a.z < b.z; });
    EXPECT_NEAR(peak.x, 1.0, 1e-9);
    EXPECT_NEAR(peak.y, 1.0, 1e-9);
}

TEST(StraightSkeletonTest, ARectangleGivesTwoTrapezoidsAndTwoTrianglesUnderARidge)
{
    for (bool reversed : {false, true}) {
        std::vector<Vec3> outline = Rectangle(3.0, 1.0);
        if (reversed)
            std::reverse(outline.begin(), outline.end());
        const RoofMesh roof = BuildRoof(outline, {45.0});
        ASSERT_EQ(CheckRoof(roof, outline, {45.0}), "") << "reversed " << reversed;
        EXPECT_NEAR(roof.height, 0.5, 1e-6);
        EXPECT_EQ(FacesOfSize(roof, 4), 2);
        EXPECT_EQ(FacesOfSize(roof, 3), 2);
        int ridge = 0;
        for (const Vec3 &v : roof.vertices)
            if (std::fabs(v.z - 0.5) < 1e-6) {
                ++ridge;
                EXPECT_NEAR(v.y, 0.5, 1e-6);
            }
        EXPECT_EQ(ridge, 2) << "the ridge's two ends, at x 0.5 and 2.5";
    }
}

TEST(StraightSkeletonTest, AnLShapeHasExactlyOneSplitEvent)
{
    // Arms of different widths: the reflex corner meets the long edge's
    // wavefront, not one of its corners.
    const std::vector<Vec3> outline = {{0, 0, 0}, {4, 0, 0}, {4, 0, 1}, {2, 0, 1}, {2, 0, 3}, {0, 0, 3}};
    const RoofMesh roof = BuildRoof(outline, {45.0});
    ASSERT_EQ(CheckRoof(roof, outline, {45.0}), "");
    EXPECT_EQ(roof.report.splitEvents, 1);
}

TEST(StraightSkeletonTest, SlopesPerEdgeRepeatTheLastAndClampAtTheEnds)
{
    const std::vector<Vec3> outline = Rectangle(3.0, 2.0);
    // Each edge its own pitch; then fewer values than edges.
    for (const std::vector<double> &slopes : std::vector<std::vector<double>>{
             {30.0, 60.0, 45.0, 20.0}, {30.0, 60.0}, {89.5, 45.0}, {}}) {
        const RoofMesh roof = BuildRoof(outline, slopes);
        EXPECT_EQ(CheckRoof(roof, outline, slopes), "") << slopes.size() << " slopes";
    }
    // No slopes at all means 45 degrees.
    const RoofMesh plain = BuildRoof(Rectangle(2.0, 2.0), {});
    EXPECT_NEAR(plain.height, 1.0, 1e-6);
}

TEST(StraightSkeletonTest, AStraightRunWithTwoSlopesGetsACornerOffTheLine)
{
    // Edge 0 and edge 1 run along one line with different pitches.
    const std::vector<Vec3> outline = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 0, 2}, {0, 0, 2}};
    const RoofMesh roof = BuildRoof(outline, {30.0, 50.0, 45.0});
    ASSERT_GE(roof.height, 0.0) << roof.report.error;
    EXPECT_EQ(roof.faces.size(), 7u) << "the nudge corner adds an edge of its own";
    // One slope for a straight run: no corner is added, the faces meet
    // along a line straight inward.
    const RoofMesh same = BuildRoof(outline, {45.0});
    EXPECT_EQ(CheckRoof(same, outline, {45.0}), "");
}

TEST(StraightSkeletonTest, TextureCoordinatesGiveEveryFaceItsOwnCopies)
{
    const RoofMesh roof = BuildRoof(Rectangle(3.0, 1.0), {45.0}, true);
    ASSERT_GE(roof.height, 0.0);
    size_t corners = 0;
    for (const std::vector<int> &face : roof.faces)
        corners += face.size();
    EXPECT_EQ(roof.vertices.size(), corners);
    EXPECT_EQ(roof.texCoords, int(corners));
    // Copies chain to the previous copy of their point.
    int chained = 0;
    for (size_t i = 0; i < roof.previousCopies.size(); ++i) {
        const int previous = roof.previousCopies[i];
        if (previous < 0)
            continue;
        ++chained;
        EXPECT_LT(previous, int(i));
        EXPECT_LT((roof.vertices[i] - roof.vertices[size_t(previous)]).Length(), 1e-12);
    }
    EXPECT_EQ(chained, int(corners) - 6) << "every point's copies but its first";
}

TEST(StraightSkeletonTest, OutlinesItCannotDoAreReportedNotBuilt)
{
    struct Case {
        const char *name;
        std::vector<Vec3> outline;
    };
    const Case cases[] = {
        {"two points", {{0, 0, 0}, {1, 0, 0}}},
        {"all on one line", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}},
        {"repeated points only", {{1, 0, 1}, {1, 0, 1}, {1, 0, 1}, {1, 0, 1}}},
        {"a spike back on itself", {{0, 0, 0}, {2, 0, 0}, {1, 0, 0}, {1, 0, 1}}},
        {"not a number", {{0, 0, 0}, {1, 0, 0}, {NAN, 0, 1}}},
        // Outlines that cross themselves have no roof: refused, not roofed
        // as if they did not.
        {"a five-pointed star drawn in one stroke",
         {{0, 0, 1}, {0.951, 0, -0.309}, {-0.588, 0, 0.809}, {0.588, 0, 0.809}, {-0.951, 0, -0.309}}},
        {"a floor plan whose wing crosses its hall",
         {{0, 0, 0}, {10, 0, 0}, {10, 0, 10}, {0, 0, 10}, {0, 0, 5}, {12, 0, 5}, {12, 0, 6}, {0, 0, 6}}},
        {"a floor plan whose wing loops back over itself",
         {{0, 0, 0}, {4, 0, 0}, {4, 0, 3}, {1, 0, 3}, {1, 0, -1}, {3, 0, -1}, {3, 0, 2}, {0, 0, 2}}},
        {"a corner that touches another wall",
         {{0, 0, 0}, {4, 0, 0}, {4, 0, 4}, {2, 0, 4}, {2, 0, 0}, {1, 0, 2}, {0, 0, 2}}},
    };
    for (const Case &c : cases) {
        const RoofMesh roof = BuildRoof(c.outline, {45.0});
        EXPECT_LT(roof.height, 0.0) << c.name;
        EXPECT_TRUE(roof.faces.empty()) << c.name;
        EXPECT_FALSE(roof.report.error.empty()) << c.name;
    }
    // Repeated points are one point.
    const RoofMesh twice = BuildRoof({{0, 0, 0}, {0, 0, 0}, {2, 0, 0}, {2, 0, 2}, {0, 0, 2}}, {45.0});
    EXPECT_NEAR(twice.height, 1.0, 1e-6);
}

// Properties over generated outlines; the pass rate per kind and size is
// printed for the record, and every failure is a reported one.
TEST(StraightSkeletonTest, GeneratedOutlinesGiveSoundRoofs)
{
    using Maker = std::vector<Vec3> (*)(int, unsigned);
    const std::pair<const char *, Maker> kinds[] = {{"convex", ConvexOutline},
                                                    {"star", StarOutline},
                                                    {"collinear", CollinearOutline},
                                                    {"spiral", SpiralOutline},
                                                    {"rectilinear", RectilinearOutline}};
    const int sizes[] = {10, 30, 100, 300, 1000};
    int silentFailures = 0, reportedFailures = 0;
    for (const auto &[kind, make] : kinds) {
        for (int size : sizes) {
            const int runs = size >= 1000 ? 4 : size >= 300 ? 8 : size >= 100 ? 20 : 40;
            int passed = 0, tried = 0;
            std::string firstFailure;
            for (int run = 0; run < runs; ++run) {
                const unsigned seed = unsigned(1 + run + 1000 * size);
                const std::vector<Vec3> outline = make(size, seed);
                // Coarse spirals may cross themselves: only simple outlines count.
                if (!IsSimpleOutline(outline))
                    continue;
                ++tried;
                // Equal slopes in even runs, a pitch per edge in odd ones.
                std::vector<double> slopes = {40.0};
                if (run % 2) {
                    slopes.clear();
                    for (size_t j = 0; j < outline.size(); ++j)
                        slopes.push_back(25.0 + double((j * 7 + seed) % 40));
                }
                const RoofMesh roof = BuildRoof(outline, slopes);
                const std::string problem = CheckRoof(roof, outline, slopes);
                if (problem.empty()) {
                    ++passed;
                    continue;
                }
                if (roof.height >= 0.0)
                    ++silentFailures;
                else
                    ++reportedFailures;
                if (firstFailure.empty())
                    firstFailure = problem;
            }
            std::printf("roof %-11s %5d corners: %d of %d pass%s%s\n", kind, size, passed, tried,
                        firstFailure.empty() ? "" : "; first failure: ", firstFailure.c_str());
        }
    }
    EXPECT_EQ(silentFailures, 0) << "roofs built but wrong";
    // Every generated outline is done today; a change that loses one shows.
    EXPECT_EQ(reportedFailures, 0) << "outlines the skeleton could not do";
}

namespace {

// Outline points written with 13 significant digits and read back, as a
// file or a user would give them: straight runs are then straight only
// within rounding.
std::vector<Vec3> Rounded(const std::vector<Vec3> &outline)
{
    std::vector<Vec3> out;
    for (const Vec3 &p : outline) {
        char x[64], z[64];
        std::snprintf(x, sizeof x, "%.13g", p.x);
        std::snprintf(z, sizeof z, "%.13g", p.z);
        out.emplace_back(std::strtod(x, nullptr), 0.0, std::strtod(z, nullptr));
    }
    return out;
}

std::vector<Vec3> Moved(std::vector<Vec3> outline, double dx, double dz)
{
    for (Vec3 &p : outline) {
        p.x += dx;
        p.z += dz;
    }
    return outline;
}

// A w x h rectangle with a corner every unit along its edges, turned by
// `angle` about the origin and moved to (cx, cz).
std::vector<Vec3> DottedRectangle(int w, int h, double angle, double cx, double cz)
{
    std::vector<Vec3> plain;
    for (int i = 0; i < w; ++i)
        plain.emplace_back(i, 0.0, 0.0);
    for (int i = 0; i < h; ++i)
        plain.emplace_back(w, 0.0, i);
    for (int i = w; i > 0; --i)
        plain.emplace_back(i, 0.0, h);
    for (int i = h; i > 0; --i)
        plain.emplace_back(0.0, 0.0, i);
    std::vector<Vec3> out;
    const double c = std::cos(angle), s = std::sin(angle);
    for (const Vec3 &p : plain)
        out.emplace_back(cx + c * p.x - s * p.z, 0.0, cz + s * p.x + c * p.z);
    return out;
}

// The rise per unit run of a 45 degree pitch as the roof builder takes it
// (pi in single precision): a little over 1, which shows at heights of a few
// tens.
double Rise45()
{
    return std::tan(45.0 / 180.0 * double(3.1415927410125732f));
}

// "" when every roof point of a convex outline at 45 degrees stands at the
// lowest of the edges' roof planes there (the roof of a convex outline is
// their lower envelope).
std::string CheckConvexHeights(const RoofMesh &roof, const std::vector<Vec3> &outline, double tolerance)
{
    double area = 0.0;
    const size_t n = outline.size();
    for (size_t i = 0; i < n; ++i)
        area += outline[i].x * outline[(i + 1) % n].z - outline[(i + 1) % n].x * outline[i].z;
    const double side = area > 0.0 ? 1.0 : -1.0;
    for (const Vec3 &v : roof.vertices) {
        double lowest = HUGE_VAL;
        for (size_t i = 0; i < n; ++i) {
            const Vec3 &p = outline[i], &q = outline[(i + 1) % n];
            const double len = std::hypot(q.x - p.x, q.z - p.z);
            if (len == 0.0)
                continue;
            // Inward distance from the edge's line, in the output plan (x, y).
            const double d = side * ((q.x - p.x) * (v.y - p.z) - (q.z - p.z) * (v.x - p.x)) / len;
            lowest = std::min(lowest, d);
        }
        lowest *= Rise45();
        if (std::fabs(v.z - lowest) > tolerance) {
            char text[160];
            std::snprintf(text, sizeof text, "point (%.9g, %.9g) at height %.9g, the roof planes say %.9g", v.x, v.y,
                          v.z, lowest);
            return text;
        }
    }
    return "";
}

// "" when every roof point of an axis-parallel outline at 45 degrees stands
// at its distance from the outline measured in squares (the largest
// axis-parallel square about it that stays inside): the wavefront of such an
// outline is its inset by squares.
std::string CheckRectilinearHeights(const RoofMesh &roof, const std::vector<Vec3> &outline, double tolerance)
{
    const size_t n = outline.size();
    for (const Vec3 &v : roof.vertices) {
        double nearest = HUGE_VAL;
        for (size_t i = 0; i < n; ++i) {
            const Vec3 &p = outline[i], &q = outline[(i + 1) % n];
            const double dx = std::max({0.0, std::min(p.x, q.x) - v.x, v.x - std::max(p.x, q.x)});
            const double dz = std::max({0.0, std::min(p.z, q.z) - v.y, v.y - std::max(p.z, q.z)});
            nearest = std::min(nearest, std::max(dx, dz));
        }
        nearest *= Rise45();
        if (std::fabs(v.z - nearest) > tolerance) {
            char text[160];
            std::snprintf(text, sizeof text, "point (%.9g, %.9g) at height %.9g, its square distance says %.9g", v.x,
                          v.y, v.z, nearest);
            return text;
        }
    }
    return "";
}

// The same for an axis-parallel outline `plain` turned by `angle` about the
// origin and moved by (dx, dz) before it was built.
std::string CheckTurnedRectilinearHeights(const RoofMesh &roof, const std::vector<Vec3> &plain, double angle,
                                          double dx, double dz, double tolerance)
{
    RoofMesh back = roof;
    const double c = std::cos(angle), s = std::sin(angle);
    for (Vec3 &v : back.vertices) {
        const double x = v.x - dx, y = v.y - dz;
        v = Vec3(c * x + s * y, -s * x + c * y, v.z);
    }
    return CheckRectilinearHeights(back, plain, tolerance);
}

double MaxHeight(const RoofMesh &roof)
{
    double top = -HUGE_VAL;
    for (const Vec3 &v : roof.vertices)
        top = std::max(top, v.z);
    return top;
}

} // namespace

TEST(StraightSkeletonTest, OutlinesThatOnceFailedBuildAtTheirHeight)
{
    struct Case {
        const char *name;
        std::vector<Vec3> outline;
        double height;
        bool rectilinear;
    };
    const Case cases[] = {
        {"a 10 x 4 rectangle with a corner every unit, turned, 13 digits",
         {{2.39089544322, 0, 16.96842336095},       {1.435325228182, 0, 17.26318693423},
          {0.4797550131439, 0, 17.55795050751},     {-0.475815201894, 0, 17.85271408079},
          {-1.431385416932, 0, 18.14747765407},     {-2.38695563197, 0, 18.44224122735},
          {-3.342525847008, 0, 18.73700480062},     {-4.298096062046, 0, 19.0317683739},
          {-5.253666277084, 0, 19.32653194718},     {-6.209236492122, 0, 19.62129552046},
          {-7.16480670716, 0, 19.91605909374},      {-7.459570280439, 0, 18.9604888787},
          {-7.754333853718, 0, 18.00491866367},     {-8.049097426997, 0, 17.04934844863},
          {-8.343861000276, 0, 16.09377823359},     {-7.388290785239, 0, 15.79901466031},
          {-6.432720570201, 0, 15.50425108703},     {-5.477150355163, 0, 15.20948751375},
          {-4.521580140125, 0, 14.91472394047},     {-3.566009925087, 0, 14.61996036719},
          {-2.610439710049, 0, 14.32519679391},     {-1.654869495011, 0, 14.03043322063},
          {-0.6992992799728, 0, 13.73566964736},    {0.2562709350652, 0, 13.44090607408},
          {1.211841150103, 0, 13.1461425008},       {1.506604723382, 0, 14.10171271584},
          {1.801368296661, 0, 15.05728293087},      {2.096131869941, 0, 16.01285314591}},
         2.0, false},
        {"a 30-corner floor plan",
         {{12, 0, 17}, {13, 0, 17}, {13, 0, 16}, {15, 0, 16}, {15, 0, 14}, {14, 0, 14}, {14, 0, 15}, {13, 0, 15},
          {13, 0, 13}, {15, 0, 13}, {15, 0, 11}, {16, 0, 11}, {16, 0, 14}, {17, 0, 14}, {17, 0, 15}, {16, 0, 15},
          {16, 0, 16}, {20, 0, 16}, {20, 0, 17}, {19, 0, 17}, {19, 0, 19}, {18, 0, 19}, {18, 0, 21}, {17, 0, 21},
          {17, 0, 20}, {16, 0, 20}, {16, 0, 19}, {14, 0, 19}, {14, 0, 18}, {12, 0, 18}},
         1.5, true},
    };
    for (const Case &c : cases) {
        // Where they stand and far off, as surveyed coordinates are.
        for (double offset : {0.0, 1e6}) {
            const std::vector<Vec3> outline = Moved(c.outline, offset, -offset);
            const RoofMesh roof = BuildRoof(outline, {45.0});
            const std::string where = std::string(c.name) + (offset > 0.0 ? ", moved by 1e6" : "");
            const std::string problem = CheckRoof(roof, outline, {45.0});
            EXPECT_EQ(problem, "") << where;
            if (!problem.empty())
                continue;
            EXPECT_NEAR(roof.height, c.height, 1e-6) << where;
            EXPECT_NEAR(MaxHeight(roof), c.height, 1e-6) << where;
            const double tolerance = 1e-6 * (1.0 + offset * 1e-3);
            EXPECT_EQ(c.rectilinear ? CheckRectilinearHeights(roof, outline, tolerance)
                                    : CheckConvexHeights(roof, outline, tolerance),
                      "")
                << where;
        }
    }
}

TEST(StraightSkeletonTest, TurnedRectanglesWithCornersAlongTheirEdgesKeepTheirHeight)
{
    int wrong = 0, refused = 0, tried = 0;
    std::string first;
    for (double offset : {0.0, 1e3, 1e6}) {
        for (int k = 0; k < 200; ++k) {
            const double angle = 2.0 * M_PI * k / 200.0 + 0.001 * k;
            const std::vector<Vec3> outline = Moved(Rounded(DottedRectangle(10, 4, angle, 2.4, 17.0)), offset, offset);
            const RoofMesh roof = BuildRoof(outline, {45.0});
            ++tried;
            std::string problem = CheckRoof(roof, outline, {45.0});
            if (problem.empty())
                problem = CheckConvexHeights(roof, outline, 1e-6 * (1.0 + offset * 1e-3));
            if (problem.empty() && std::fabs(roof.height - 2.0) > 1e-6)
                problem = "height " + std::to_string(roof.height);
            if (problem.empty())
                continue;
            (roof.height < 0.0 ? refused : wrong) += 1;
            if (first.empty())
                first = "offset " + std::to_string(offset) + ", turn " + std::to_string(k) + ": " + problem;
        }
    }
    EXPECT_EQ(wrong + refused, 0) << wrong << " wrong and " << refused << " refused of " << tried << "; first: "
                                  << first;
}

TEST(StraightSkeletonTest, GridBlobFloorPlansOfAnySizeBuild)
{
    int failed = 0, refused = 0, tried = 0;
    std::string first;
    int fewest = 1 << 30, most = 0;
    // From a dozen corners to over a thousand; few of the large ones, as
    // the suite also runs unoptimised (the benchmark takes more).
    for (int cells : {8, 20, 50, 120, 250, 600, 1500, 4000, 16000}) {
        const int runs = cells >= 16000 ? 1 : cells >= 1500 ? 2 : cells >= 250 ? 4 : 10;
        double seconds = 0.0;
        int corners = 0;
        for (int run = 0; run < runs; ++run) {
            for (double offset : {0.0, 1e6}) {
                const std::vector<Vec3> outline = Moved(GridBlobOutline(cells, unsigned(7 + run + 100 * cells)),
                                                        offset, offset);
                fewest = std::min(fewest, int(outline.size()));
                most = std::max(most, int(outline.size()));
                corners += int(outline.size());
                ++tried;
                const auto began = std::chrono::steady_clock::now();
                const RoofMesh roof = BuildRoof(outline, {45.0});
                seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
                std::string problem = CheckRoof(roof, outline, {45.0});
                if (problem.empty())
                    problem = CheckRectilinearHeights(roof, outline, 1e-6 * (1.0 + offset * 1e-3));
                if (problem.empty())
                    continue;
                (roof.height < 0.0 ? refused : failed) += 1;
                if (first.empty())
                    first = std::to_string(outline.size()) + " corners, offset " + std::to_string(offset) + ": " +
                            problem;
            }
        }
        std::printf("grid blob roofs of %4d cells: %6.1f corners on average, %.2f ms each\n", cells,
                    double(corners) / (2 * runs), 1e3 * seconds / (2 * runs));
    }
    EXPECT_LE(fewest, 16);
    EXPECT_GE(most, 1000);
    EXPECT_EQ(failed, 0) << failed << " of " << tried << " floor plans built wrong; first: " << first;
    // Simple floor plans are all done: a refusal is a fault too.
    EXPECT_EQ(refused, 0) << refused << " of " << tried << " floor plans refused; first: " << first;
}

TEST(StraightSkeletonTest, AGridFloorPlanTurnedAndWrittenWith13DigitsKeepsItsHeight)
{
    // Turned, its corridors' walls are parallel only within rounding: two
    // traces that nearly run level meet far above the roof, and such an
    // event once overflowed the height order and was taken first.
    const std::vector<Vec3> plain = {{8, 0, 7},   {10, 0, 7},  {10, 0, 9},  {12, 0, 9}, {12, 0, 11}, {11, 0, 11},
                                     {11, 0, 10}, {10, 0, 10}, {10, 0, 11}, {9, 0, 11}, {9, 0, 8},   {8, 0, 8}};
    const double angle = 0.1, dx = 3.3, dz = -1.7;
    const std::vector<Vec3> turned = {
        {10.5611994057, 0, 6.063696490121},  {12.55120773625, 0, 6.263363323414}, {12.35154090296, 0, 8.253371653971},
        {14.34154923351, 0, 8.453038487264}, {14.14188240022, 0, 10.44304681782}, {13.14687823494, 0, 10.34321340117},
        {13.24671165159, 0, 9.348209235895}, {12.25170748631, 0, 9.248375819249}, {12.15187406967, 0, 10.24337998453},
        {11.15686990439, 0, 10.14354656788}, {11.45637015433, 0, 7.158534072046}, {10.46136598905, 0, 7.058700655399}};
    const RoofMesh roof = BuildRoof(turned, {45.0});
    ASSERT_EQ(CheckRoof(roof, turned, {45.0}), "");
    EXPECT_NEAR(roof.height, 0.5, 1e-6) << "every wing is one cell wide";
    EXPECT_EQ(CheckTurnedRectilinearHeights(roof, plain, angle, dx, dz, 1e-6), "");
}

TEST(StraightSkeletonTest, TurnedGridFloorPlansWrittenWith13DigitsBuild)
{
    // Walls that were parallel are so only within rounding: nearly
    // collinear edges must still join as one roof plane would, not as two
    // planes meeting along a line that runs off almost level.
    int wrong = 0, refused = 0, tried = 0;
    std::string first;
    for (int cells : {8, 20, 50, 120, 250, 600, 1500}) {
        for (int run = 0; run < 3; ++run) {
            const std::vector<Vec3> plain = GridBlobOutline(cells, unsigned(7 + run + 100 * cells));
            const double angle = 0.1 + 0.37 * run + 0.01 * cells, dx = 3.3, dz = -1.7;
            std::vector<Vec3> turned;
            const double c = std::cos(angle), s = std::sin(angle);
            for (const Vec3 &p : plain)
                turned.emplace_back(dx + c * p.x - s * p.z, 0.0, dz + s * p.x + c * p.z);
            turned = Rounded(turned);
            const RoofMesh roof = BuildRoof(turned, {45.0});
            ++tried;
            std::string problem = CheckRoof(roof, turned, {45.0});
            if (problem.empty())
                problem = CheckTurnedRectilinearHeights(roof, plain, angle, dx, dz, 1e-6);
            if (problem.empty())
                continue;
            (roof.height < 0.0 ? refused : wrong) += 1;
            if (first.empty())
                first = std::to_string(plain.size()) + " corners, turned " + std::to_string(angle) + ": " + problem;
        }
    }
    EXPECT_EQ(wrong + refused, 0) << wrong << " wrong and " << refused << " refused of " << tried
                                  << "; first: " << first;
}

TEST(StraightSkeletonTest, FlatAndVeryLongOutlinesAreClosedOrRefused)
{
    struct Case {
        const char *name;
        std::vector<Vec3> outline;
        std::vector<double> slopes;
        double height; // when built
    };
    const Case cases[] = {
        {"every edge flat", Rectangle(4.0, 2.0), {0.5}, 0.0},
        {"a gable: flat ends", Rectangle(4.0, 2.0), {0.5, 45.0, 0.5, 45.0}, 1.0},
        {"a 1e7 x 1 rectangle", Rectangle(1e7, 1.0), {45.0}, 0.5},
        {"a 1e7 x 1 rectangle far off", Moved(Rectangle(1e7, 1.0), 1e6, 1e6), {45.0}, 0.5},
    };
    for (const Case &c : cases) {
        const RoofMesh roof = BuildRoof(c.outline, c.slopes);
        if (roof.height < 0.0) {
            EXPECT_FALSE(roof.report.error.empty()) << c.name;
            EXPECT_TRUE(roof.faces.empty()) << c.name;
            continue;
        }
        EXPECT_EQ(CheckRoof(roof, c.outline, c.slopes), "") << c.name;
        EXPECT_NEAR(roof.height, c.height, 1e-6) << c.name;
    }
}

TEST(StraightSkeletonTest, SmallFloorPlansAreNeverBuiltWrong)
{
    // Small blobs of unit cells: corridors one cell wide, notches and
    // corners that collide several at one point at one height. Each is built,
    // and built right.
    int wrong = 0, refused = 0, tried = 0;
    std::string first;
    for (int cells = 10; cells <= 60; cells += 2) {
        for (unsigned seed = 1; seed <= 40; ++seed) {
            const std::vector<Vec3> outline = GridBlobOutline(cells, seed);
            const RoofMesh roof = BuildRoof(outline, {45.0});
            ++tried;
            std::string problem = CheckRoof(roof, outline, {45.0});
            if (problem.empty())
                problem = CheckRectilinearHeights(roof, outline, 1e-6);
            if (problem.empty())
                continue;
            (roof.height < 0.0 ? refused : wrong) += 1;
            if (first.empty())
                first = std::to_string(cells) + " cells, seed " + std::to_string(seed) + ": " + problem;
        }
    }
    EXPECT_EQ(wrong, 0) << wrong << " of " << tried << " built wrong; first: " << first;
    EXPECT_EQ(refused, 0) << refused << " of " << tried << " refused; first: " << first;
}

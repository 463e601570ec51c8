#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/actions/SgFindAction.h"
#include "engine/actions/SgOpenAction.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/core/CPolygon.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgSysFont.h"
#include "engine/nodes/geometry/SgText.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"
#include "tests/engine/nodes/geometry/MeshCheck.h"

namespace {

class SgTextTest : public ::testing::Test {
protected:
    void SetUp() override { InitExtrusionTests(); }
};

// Twice the signed area of a loop in XY (positive counter-clockwise).
double Area2(const Vec3 *p, int n)
{
    double a = 0;
    for (int i = 0; i < n; ++i) {
        const Vec3 &q = p[(i + 1) % n];
        a += p[i].x * q.y - q.x * p[i].y;
    }
    return a;
}

} // namespace

TEST_F(SgTextTest, GlyphsNestTheirHoles)
{
    struct Case {
        char c;
        int boundaries;
        int holesOfFirst;
    };
    const Case cases[] = {{'O', 1, 1}, {'B', 1, 2}, {'i', 2, 0}, {'l', 1, 0}, {'8', 1, 2}, {' ', 0, 0}};
    for (const Case &c : cases) {
        SgSysFont font("", 1000, 400, false, 0);
        std::vector<HoledPolygon> out(SgSysFont::kMaxBoundaries);
        const int n = font.CharOutline(c.c, 3, out.data());
        ASSERT_EQ(n, c.boundaries) << "'" << c.c << "'";
        EXPECT_GT(font.GetPen().x, 0.2) << "'" << c.c << "' advances the pen";
        if (n == 0)
            continue;
        EXPECT_EQ(out[0].NumLoops(), c.holesOfFirst + 1) << "'" << c.c << "'";
        // Outer boundaries and holes run opposite ways, and each hole lies
        // inside its boundary.
        for (int b = 0; b < n; ++b) {
            const double outer = Area2(out[size_t(b)].GetLoop(0), out[size_t(b)].LoopSize(0));
            for (int h = 1; h < out[size_t(b)].NumLoops(); ++h) {
                const double hole = Area2(out[size_t(b)].GetLoop(h), out[size_t(b)].LoopSize(h));
                EXPECT_LT(outer * hole, 0) << "'" << c.c << "' hole " << h;
                CPolygon boundary(out[size_t(b)].GetLoop(0), out[size_t(b)].LoopSize(0));
                EXPECT_NE(boundary.PointInside(out[size_t(b)].GetLoop(h)[0]), 0) << "'" << c.c << "'";
            }
        }
    }
}

TEST_F(SgTextTest, PenLaysGlyphsSideBySideAndFallsBack)
{
    SgSysFont font("No Such Face At All", 1000, 700, true, 0);
    std::vector<HoledPolygon> out(SgSysFont::kMaxBoundaries);
    ASSERT_EQ(font.CharOutline('l', 3, out.data()), 1);
    EXPECT_FALSE(font.FamilyName().empty());
    const double firstRight = [&] {
        double m = -1e9;
        for (const Vec3 &p : out[0].GetPoints())
            m = std::max(m, p.x);
        return m;
    }();
    const double pen = font.GetPen().x;
    EXPECT_GE(pen, firstRight);
    std::vector<HoledPolygon> second(SgSysFont::kMaxBoundaries);
    ASSERT_EQ(font.CharOutline('l', 3, second.data()), 1);
    double left = 1e9;
    for (const Vec3 &p : second[0].GetPoints())
        left = std::min(left, p.x);
    EXPECT_GE(left, pen - 1e-9);
    // A capacity of one keeps one boundary of a two-part glyph.
    std::vector<HoledPolygon> one(1);
    EXPECT_EQ(font.CharOutline('i', 3, one.data(), 1), 1);
}

TEST_F(SgTextTest, CurveStepsSetTheResolution)
{
    std::vector<int> counts;
    for (int steps : {1, 3, 8}) {
        SgSysFont font("", 1000, 400, false, 0);
        std::vector<HoledPolygon> out(SgSysFont::kMaxBoundaries);
        ASSERT_EQ(font.CharOutline('O', steps, out.data()), 1);
        counts.push_back(out[0].GetSize());
    }
    EXPECT_LT(counts[0], counts[1]);
    EXPECT_LT(counts[1], counts[2]);
}

TEST_F(SgTextTest, NumberFormats)
{
    struct Case {
        const char *text;
        const char *format;
        double factor;
        const char *expected;
    };
    const Case cases[] = {
        {"12", "%.1f", 2.0, "24.0"},
        {"0", "%.1f", 2.0, "0"},
        {"12", "", 2.0, "12"},
        {"7", "%d m", 3.0, "21 m"},
        {"7", "%5.2e", 1.0, "7.00e+00"},
        {"7", "%s", 1.0, "7"},
        {"7", "%n", 1.0, "7"},
        {"7", "%d %d", 1.0, "7"},
        {"7", "%999999f", 1.0, "7"},
        {"7", "100%% %g", 1.0, "100% 7"},
        {"abc", "%g", 1.0, "abc"},
        {"123456789012345678901", "%g", 1.0, "123456789012345678901"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SgBText::FormatNumber(c.text, c.format, c.factor), c.expected) << c.text << " " << c.format;
}

TEST_F(SgTextTest, RightToLeftReordering)
{
    // Hebrew bytes (0xE0..) reversed, the Latin word keeps its order.
    const std::string hebrew = "\xE0\xE1 abc \xE2";
    EXPECT_EQ(SgBText::ReorderRightToLeft(hebrew, 177), "\xE2 abc \xE1\xE0");
    EXPECT_EQ(SgBText::ReorderRightToLeft(hebrew, 0), hebrew);
    EXPECT_EQ(SgBText::ReorderRightToLeft("abc", 177), "abc");
}

TEST_F(SgTextTest, ExtrudedTextIsClosed)
{
    // The profile's y runs across the glyph plane (its z would run along the
    // outline): a depth of 0.2 gives a solid of the glyphs' area times 0.2,
    // towards the viewer or away from it as the sign says.
    for (const char *text : {"O", "B", "i", "Hi 8"}) {
        double area = 0.0;
        SgSysFont font("", 1000, 400, false, 0);
        for (const char *c = text; *c; ++c) {
            std::vector<HoledPolygon> out(SgSysFont::kMaxBoundaries);
            const int n = font.CharOutline(*c, 3, out.data());
            for (int b = 0; b < n; ++b)
                for (int l = 0; l < out[size_t(b)].NumLoops(); ++l)
                    area += 0.5 * std::fabs(Area2(out[size_t(b)].GetLoop(l), out[size_t(b)].LoopSize(l))) *
                            (l == 0 ? 1.0 : -1.0);
        }
        for (double depth : {0.2, -0.2}) {
            SgRef<SgText> node = new SgText;
            node->m_text.Set(text);
            node->SetPolyline(MakePolyLine(std::vector<Vec3>{{0, 0, 0}, {0, depth, 0}}, false).get(),
                              SgExtrude::kProfileSlot, true);
            SgFaceSet *mesh = BuildMesh(node.get());
            ASSERT_NE(mesh, nullptr) << text;
            const MeshCheck check = CheckMesh(*mesh);
            EXPECT_TRUE(check.IsSolid()) << text << " depth " << depth << ": " << check.Describe();
            EXPECT_NEAR(check.volume, area * 0.2, area * 0.2 * 0.01) << text << " depth " << depth;
            const Range<Vec3f> box = mesh->BoundingBox();
            EXPECT_NEAR(depth > 0 ? box.GetMax().z : box.GetMin().z, depth, 1e-6) << text;
        }
    }
    SgRef<SgText> empty = new SgText;
    SgFaceSet *mesh = BuildMesh(empty.get());
    EXPECT_TRUE(mesh == nullptr || mesh->m_vertices.GetCount() == 0);
}

// Text is UTF-8: a character written in two bytes is one glyph, the same
// one its byte in the Western code page gives, so that older files read as
// before.
TEST_F(SgTextTest, Utf8CharactersAreOneGlyphEach)
{
    auto meshOf = [](const char *text) {
        SgRef<SgText> node = new SgText;
        node->m_text.Set(text);
        node->SetPolyline(MakePolyLine(std::vector<Vec3>{{0, 0, 0}, {0, 0.2, 0}}, false).get(),
                          SgExtrude::kProfileSlot, true);
        SgFaceSet *mesh = BuildMesh(node.get());
        return std::make_pair(node, mesh);
    };
    struct Case {
        const char *utf8;
        const char *western;
    };
    const Case cases[] = {{"\xC3\xA9", "\xE9"}, {"a\xC3\x84" "b", "a\xC4" "b"}, {"\xE2\x82\xAC 1", "\x80 1"}};
    for (const Case &c : cases) {
        const auto [utf8Node, utf8] = meshOf(c.utf8);
        const auto [westernNode, western] = meshOf(c.western);
        ASSERT_NE(utf8, nullptr) << c.utf8;
        ASSERT_NE(western, nullptr) << c.utf8;
        EXPECT_EQ(utf8->m_vertices.GetCount(), western->m_vertices.GetCount()) << c.utf8;
        const Range<Vec3f> a = utf8->BoundingBox();
        const Range<Vec3f> b = western->BoundingBox();
        EXPECT_NEAR(a.GetMax().x, b.GetMax().x, 1e-6) << c.utf8;
        EXPECT_NEAR(a.GetMax().y, b.GetMax().y, 1e-6) << c.utf8;
    }
}

// The text of the curves scene is a solid of the depth its profile gives,
// in front of the grid's plane: a profile drawn along z (which runs along
// the outline) made flat glyphs wrapped in ribbons, drawn as dark streaks.
TEST_F(SgTextTest, CurvesSceneTextIsASolidOfItsDepth)
{
    std::ifstream in(FENNIX_TEST_DATA "/curves_text_star_fillet_caps.kvrx");
    ASSERT_TRUE(in.good());
    Vrml1InStream stream(in, "curves_text_star_fillet_caps.kvrx");
    SgRef<SgSeparator> root = new SgSeparator;
    ASSERT_TRUE(SgOpenAction::ReadScene(stream, *root));
    SgBoundingBoxAction boxes;
    ASSERT_TRUE(boxes.Apply(root.get()));
    auto *text = dynamic_cast<SgGeometricShape *>(FindNodeByClassID::Lookup(SgText::ClassID(), root.get()));
    ASSERT_NE(text, nullptr);
    auto *mesh = dynamic_cast<SgFaceSet *>(text->GetResultCache());
    ASSERT_NE(mesh, nullptr);
    const MeshCheck check = CheckMesh(*mesh);
    EXPECT_TRUE(check.IsSolid()) << check.Describe();
    const Range<Vec3f> box = mesh->BoundingBox();
    EXPECT_NEAR(box.GetMin().z, 0.0, 1e-6);
    EXPECT_NEAR(box.GetMax().z, 0.4, 1e-6);
    const double face = (box.GetMax().x - box.GetMin().x) * (box.GetMax().y - box.GetMin().y);
    EXPECT_GT(check.volume, 0.1 * face * 0.4) << "glyphs cover a good part of their box, times the depth";
}

// A closed profile sweeps a tube about each outline, a solid whichever way
// the profile runs.
TEST_F(SgTextTest, ClosedProfilesMakeSolidsEitherWay)
{
    const std::vector<Vec3> ccw = {{0, 0, 0}, {0.02, 0, 0}, {0.02, 0.1, 0}, {0, 0.1, 0}};
    const std::vector<Vec3> cw(ccw.rbegin(), ccw.rend());
    const std::vector<Vec3> *profiles[] = {&ccw, &cw};
    for (const std::vector<Vec3> *p : profiles) {
        const std::vector<Vec3> &profile = *p;
        SgRef<SgText> node = new SgText;
        node->m_text.Set("O");
        node->SetPolyline(MakePolyLine(profile, true).get(), SgExtrude::kProfileSlot, true);
        SgFaceSet *mesh = BuildMesh(node.get());
        ASSERT_NE(mesh, nullptr);
        const MeshCheck check = CheckMesh(*mesh);
        EXPECT_TRUE(check.IsSolid()) << (p == &ccw ? "counter-clockwise" : "clockwise") << ": "
                                     << check.Describe();
    }
}

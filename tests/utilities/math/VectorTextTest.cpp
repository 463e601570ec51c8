#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <sstream>
#include <string>

#include "utilities/math/Color.h"
#include "utilities/math/Mat4.h"
#include "utilities/math/Rotation.h"
#include "utilities/math/Vec2.h"
#include "utilities/math/Vec2f.h"
#include "utilities/math/Vec2i.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "utilities/math/Vec4.h"
#include "utilities/math/Vec4f.h"

namespace {

template <class T>
std::string Text(const T &value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}

// Reads a value from text; reports whether the stream is still usable and
// what it left behind.
template <class T>
bool Read(const std::string &text, T &value, std::string *rest = nullptr)
{
    std::istringstream in(text);
    in >> value;
    bool ok = !in.fail();
    if (rest != nullptr) {
        in.clear();
        *rest = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return ok;
}

} // namespace

TEST(VectorText, WritesParenthesisedListsWithoutBlanks)
{
    EXPECT_EQ(Text(Vec3(1, 2.5, -3)), "(1,2.5,-3)");
    EXPECT_EQ(Text(Vec2(0.1, 2500000)), "(0.1,2.5e+06)");
    EXPECT_EQ(Text(Vec2f(0.1f, 1.5f)), "(0.1,1.5)");
    EXPECT_EQ(Text(Vec2i(-4, 7)), "(-4,7)");
    EXPECT_EQ(Text(Vec3f(0.3f, 0, -1)), "(0.3,0,-1)");
    EXPECT_EQ(Text(Vec4(1, 2, 3, 4)), "(1,2,3,4)");
    EXPECT_EQ(Text(Vec4f(1, 2, 3, 0.5f)), "(1,2,3,0.5)");
    EXPECT_EQ(Text(Color()), "(0,0,0,1)");
    EXPECT_EQ(Text(Color(1, 0.5, 0.25, 0.75)), "(1,0.5,0.25,0.75)");
    EXPECT_EQ(Text(Rotation(Vec3(0, 1, 0), 1.5708)), "(0,1,0) 1.5708");
    EXPECT_EQ(Text(Rotation(Vec3(0, 1, 0), std::numbers::pi / 2)), "(0,1,0) 1.5707963267948966");
}

TEST(VectorText, Mat4IdentityIsWrittenRowByRow)
{
    EXPECT_EQ(Text(Mat4()), "{ (1,0,0,0) ; (0,1,0,0) ; (0,0,1,0) ; (0,0,0,1) }");
}

TEST(VectorText, WrittenValuesReadBackExactly)
{
    const Vec3 v3(1234.5678, std::numbers::pi, std::numbers::pi / 2);
    Vec3 r3;
    ASSERT_TRUE(Read(Text(v3), r3));
    EXPECT_EQ(r3, v3) << Text(v3);

    const Vec3f v3f(1234.5678f, float(std::numbers::pi), 0.1f);
    Vec3f r3f;
    ASSERT_TRUE(Read(Text(v3f), r3f));
    EXPECT_EQ(r3f, v3f) << Text(v3f);

    const Vec4 v4(std::numbers::pi, -0.0, 1e-300, 7);
    Vec4 r4;
    ASSERT_TRUE(Read(Text(v4), r4));
    EXPECT_EQ(r4, v4) << Text(v4);

    const Color c(1.0 / 3.0, 0.1, 1, 0.2);
    Color rc;
    ASSERT_TRUE(Read(Text(c), rc));
    EXPECT_EQ(rc, c) << Text(c);

    // The axis is stored as read: normalising it again would move its last bits.
    const Rotation rot(Vec3(1, 2, 3), std::numbers::pi / 3);
    Rotation rrot;
    ASSERT_TRUE(Read(Text(rot), rrot));
    EXPECT_EQ(rrot, rot) << Text(rot);

    const Vec2 v2(std::numbers::pi, 0.1);
    Vec2 r2;
    ASSERT_TRUE(Read(Text(v2), r2));
    EXPECT_EQ(r2, v2) << Text(v2);
}

TEST(VectorText, Vec3AcceptsBlanksCommasAndBareLists)
{
    struct Case {
        const char *text;
        Vec3 expected;
        const char *rest;
    };
    const Case cases[] = {
        {"(1, 2.5, -3)", {1, 2.5, -3}, ""},
        {"1 2.5 -3", {1, 2.5, -3}, ""},
        {"  ( 1 2.5 -3 )  next", {1, 2.5, -3}, "  next"},
        {"1,2.5,-3]", {1, 2.5, -3}, "]"},
        {"\n(1,\n2.5,\n-3\n)", {1, 2.5, -3}, ""},
    };
    for (const Case &c : cases) {
        Vec3 v;
        std::string rest;
        EXPECT_TRUE(Read(c.text, v, &rest)) << '"' << c.text << '"';
        EXPECT_EQ(v, c.expected) << '"' << c.text << "\" read as " << Text(v);
        EXPECT_EQ(rest, c.rest) << '"' << c.text << '"';
    }
}

TEST(VectorText, Vec4WithoutWGetsInfinity)
{
    Vec4 v;
    std::string rest;
    ASSERT_TRUE(Read("(1,2,3)", v, &rest));
    EXPECT_EQ(v.XYZ(), Vec3(1, 2, 3));
    EXPECT_EQ(v.w, std::numeric_limits<double>::infinity());

    ASSERT_TRUE(Read("1 2 3 4", v));
    EXPECT_EQ(v, Vec4(1, 2, 3, 4));

    // Without parentheses the stream is left where w was looked for.
    ASSERT_TRUE(Read("1 2 3 ]", v, &rest));
    EXPECT_EQ(v.w, std::numeric_limits<double>::infinity());
    EXPECT_EQ(rest, "]");

    // And an infinite w is left out, so it reads back as it was.
    EXPECT_EQ(Text(v), "(1,2,3)");
}

TEST(VectorText, ColorWithoutAlphaKeepsTheAlphaItHad)
{
    Color c;
    ASSERT_TRUE(Read("(1,0,0)", c));
    EXPECT_EQ(c, Color(1, 0, 0, 1));

    Color half(0, 0, 0, 0.5);
    ASSERT_TRUE(Read("(0, 1, 0)", half));
    EXPECT_EQ(half, Color(0, 1, 0, 0.5));

    ASSERT_TRUE(Read("(0,0,1,0.25)", half));
    EXPECT_EQ(half, Color(0, 0, 1, 0.25));

    ASSERT_TRUE(Read("(1,1,1,)", half));
    EXPECT_EQ(half, Color(1, 1, 1, 0.25));
}

TEST(VectorText, TwoComponentReadersShareTheGrammar)
{
    Vec2 v2;
    ASSERT_TRUE(Read("(1.5, -2)", v2));
    EXPECT_EQ(v2, Vec2(1.5, -2));
    Vec2f v2f;
    ASSERT_TRUE(Read("3 4", v2f));
    EXPECT_EQ(v2f, Vec2f(3, 4));
    Vec2i v2i;
    ASSERT_TRUE(Read("(640,480)", v2i));
    EXPECT_EQ(v2i, Vec2i(640, 480));
    EXPECT_FALSE(Read("(1.5, -2", v2));
    EXPECT_FALSE(Read("(1.5 x)", v2f));
}

TEST(VectorText, RotationReadsAxisThenAngle)
{
    Rotation r;
    ASSERT_TRUE(Read("(0,1,0) 1.5708", r));
    EXPECT_EQ(r.GetAxis(), Vec3(0, 1, 0));
    EXPECT_EQ(r.GetAngle(), 1.5708);
    ASSERT_TRUE(Read("0 0 1 3", r));
    EXPECT_EQ(r.GetAngle(), 3.0);
    EXPECT_FALSE(Read("(0,1,0)", r));
}

// Every cut-short text fails cleanly (failbit, no hang) and keeps the
// components read before the cut.
TEST(VectorText, TruncatedTextsFailCleanly)
{
    auto check = [](const std::string &full, auto value) {
        for (size_t n = 0; n < full.size(); ++n) {
            std::string cut = full.substr(0, n);
            auto v = value;
            EXPECT_FALSE(Read(cut, v)) << "read \"" << cut << "\" as " << Text(v);
        }
        auto v = value;
        EXPECT_TRUE(Read(full, v)) << full;
    };
    check("(1.5,2,-3e2)", Vec3());
    check("(1.5,2,-3e2)", Vec3f());
    check("(1.5,2,-3e2,4)", Vec4());
    check("(1,0.5,0)", Color());
    check("(0,0,1) 5", Rotation());
    check("(1,2)", Vec2());
    check("(1,2)", Vec2i());
}

TEST(VectorText, FailedReadKeepsComponentsReadBeforeIt)
{
    Vec3 v(7, 8, 9);
    EXPECT_FALSE(Read("(1, 2, x)", v));
    EXPECT_EQ(v.x, 1.0);
    EXPECT_EQ(v.y, 2.0);
    EXPECT_EQ(v.z, 0.0) << "a failed number extraction stores 0";
}

TEST(VectorValues, InterpolateComputesInDoubleAndStoresTheType)
{
    EXPECT_EQ(Interpolate(Vec3(0, 0, 0), Vec3(2, 4, 6), 0.25), Vec3(0.5, 1, 1.5));
    EXPECT_EQ(Interpolate(Vec2f(0, 1), Vec2f(1, 0), 0.5), Vec2f(0.5f, 0.5f));
    EXPECT_EQ(Interpolate(Color(0, 0, 0, 0), Color(1, 1, 1, 1), 0.5), Color(0.5, 0.5, 0.5, 0.5))
        << "alpha takes part";
    Rotation opposite = Interpolate(Rotation(Vec3(0, 0, 1), 1), Rotation(Vec3(0, 0, -1), 3), 0.5);
    EXPECT_EQ(opposite.GetAxis(), Vec3(0, 0, 0)) << "a zero axis stays unnormalised";
    EXPECT_EQ(opposite.GetAngle(), 2.0);
}

TEST(VectorValues, ColorDefaultsToOpaqueBlack)
{
    Color c;
    EXPECT_EQ(c.r, 0.0f);
    EXPECT_EQ(c.a, 1.0f);
    EXPECT_NE(Color(1, 0, 0, 1), Color(1, 0, 0, 0.5)) << "alpha compares";
}

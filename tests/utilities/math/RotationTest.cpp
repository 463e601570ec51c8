#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/utilities/math/MatrixTestUtil.h"
#include "utilities/math/Rotation.h"

using std::numbers::pi;

using mathtest::Near;

TEST(Rotation, DefaultIsIdentityAboutZ)
{
    Rotation r;
    EXPECT_EQ(r.GetAxis(), Vec3(0, 0, 1));
    EXPECT_EQ(r.GetAngle(), 0.0);
    EXPECT_TRUE(r.GetMatrix().IsIdentity());
}

TEST(Rotation, OfIdentityMatrixIsAxisZAngleZero)
{
    Rotation r{Mat3()};
    EXPECT_EQ(r.GetAxis(), Vec3(0, 0, 1));
    EXPECT_EQ(r.GetAngle(), 0.0);
}

TEST(Rotation, AxisIsNormalisedAndQuarterTurnMapsXToY)
{
    Rotation r(Vec3(0, 0, 2), pi / 2);
    EXPECT_EQ(r.GetAxis(), Vec3(0, 0, 1));
    EXPECT_TRUE(Near(r.Rotate(Vec3(1, 0, 0)), Vec3(0, 1, 0)));
    EXPECT_TRUE(Near(r.GetMatrix().MultPoint(Vec3(1, 0, 0)), Vec3(0, 1, 0)));
}

TEST(Rotation, ShortAxisIsStoredUnchanged)
{
    Rotation r(Vec3(0, 0, 1e-6), 1.0);
    EXPECT_EQ(r.GetAxis(), Vec3(0, 0, 1e-6));
}

// An axis without direction must not collapse everything to the origin.
TEST(Rotation, DegenerateAxisGivesTheIdentityMatrix)
{
    for (const Vec3 &axis : {Vec3(0, 0, 0), Vec3(0, 0, 1e-7), Vec3(1e-9, -1e-9, 0)}) {
        Rotation r(axis, 1.0);
        EXPECT_TRUE(r.GetMatrix().IsIdentity()) << "axis " << axis << ": " << r.GetMatrix();
        EXPECT_EQ(r.Rotate(Vec3(1, 2, 3)), Vec3(1, 2, 3));
        Mat3 untouched = Mat3::Zero();
        EXPECT_FALSE(RotationAboutAxis(axis, 1.0, untouched));
        EXPECT_EQ(untouched, Mat3::Zero());
    }
}

// The rotation comes back from its matrix, through both branches of the
// extraction (positive trace for small angles, the largest diagonal near pi,
// where the equivalent rotation about the negated axis may come back).
TEST(Rotation, MatrixRoundTripRecoversAxisAndAngle)
{
    struct Case {
        Vec3 axis;
        double angle;
    };
    const Case cases[] = {
        {{0, 0, 1}, pi / 2}, {{1, 0, 0}, 0.3},      {{0, 1, 0}, 2.0},
        {{1, 1, 1}, 3.0},    {{1, -2, 0.5}, pi - 1e-3}, {{0, 0, 1}, pi},
        {{0, 1, 0}, pi},     {{1, 0, 0}, pi},
    };
    for (const Case &c : cases) {
        Rotation original(c.axis, c.angle);
        Rotation back{original.GetMatrix()};
        if (c.angle < pi / 2) {
            EXPECT_NEAR(back.GetAngle(), c.angle, 1e-9) << "axis " << c.axis;
        }
        EXPECT_TRUE(Near(back.GetMatrix(), original.GetMatrix(), 1e-9)) << "axis " << c.axis;
    }
}

TEST(Rotation, FromTinyMatrixAngleIsExactIdentity)
{
    Rotation r{Rotation(Vec3(1, 0, 0), 1e-10).GetMatrix()};
    EXPECT_EQ(r.GetAxis(), Vec3(0, 0, 1));
    EXPECT_EQ(r.GetAngle(), 0.0);
}

TEST(Rotation, BetweenTwoDirections)
{
    struct Case {
        Vec3 from;
        Vec3 to;
    };
    const Case cases[] = {
        {{1, 0, 0}, {0, 1, 0}},   {{1, 2, 3}, {-3, 0.5, 2}}, {{0, 0, 2}, {0, 0, -5}},
        {{1, 1, 0}, {-1, -1, 0}}, {{1, 0, 0}, {1, 1e-6, 0}},
    };
    for (const Case &c : cases) {
        Rotation r(c.from, c.to);
        EXPECT_NEAR(r.GetAxis().Length(), 1.0, 1e-12) << c.from << " to " << c.to;
        EXPECT_TRUE(Near(r.Rotate(c.from.Normalized()), c.to.Normalized(), 1e-9)) << c.from << " to " << c.to;
    }
    Rotation same(Vec3(0, 3, 0), Vec3(0, 1, 0));
    EXPECT_EQ(same.GetAxis(), Vec3(1, 0, 0));
    EXPECT_EQ(same.GetAngle(), 0.0);
    Rotation opposite(Vec3(0, 0, 1), Vec3(0, 0, -1));
    EXPECT_NEAR(opposite.GetAngle(), pi, 1e-12);
    EXPECT_NEAR(opposite.GetAxis().Dot(Vec3(0, 0, 1)), 0.0, 1e-12) << "axis across the target";
}

TEST(Rotation, ComposesThroughMatricesAndInverts)
{
    Rotation a(Vec3(0, 0, 1), 0.5);
    Rotation b(Vec3(0, 0, 1), 0.25);
    Rotation ab = a * b;
    EXPECT_NEAR(ab.GetAngle(), 0.75, 1e-12);
    EXPECT_TRUE(Near(ab.GetAxis(), Vec3(0, 0, 1)));

    Rotation c(Vec3(1, 2, 3), 1.1);
    EXPECT_TRUE(Near((c * c.Inverse()).GetMatrix(), Mat4(), 1e-12));
    EXPECT_EQ(c.Inverse().GetAngle(), -1.1);
}

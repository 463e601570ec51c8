#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "tests/utilities/math/MatrixTestUtil.h"
#include "platform/SgError.h"
#include "utilities/math/Transform3.h"

using std::numbers::pi;

using mathtest::Near;

TEST(Transform3, DefaultIsIdentityOfTranslationKind)
{
    Transform3 t;
    EXPECT_TRUE(t.GetMatrix().IsIdentity());
    EXPECT_TRUE(t.GetMatrix().IsDeterminantKnown());
    EXPECT_EQ(t.Determinant(), 1.0);
    EXPECT_EQ(t.GetKind(), Transform3::TRANSLATION);
}

TEST(Transform3, ZeroTranslationReclassifiesAsIdentity)
{
    Transform3 t(Vec3(0, 0, 0));
    t.Reclassify();
    EXPECT_EQ(t.GetKind(), Transform3::IDENTITY);
}

// Each constructor names its kind, and reclassifying the matrix agrees.
TEST(Transform3, KindsFollowTheMatrix)
{
    struct Case {
        const char *name;
        Transform3 transform;
        Transform3::Kind kind;
    };
    const Case cases[] = {
        {"translation", Transform3(Vec3(1, 2, 3)), Transform3::TRANSLATION},
        {"scale", Transform3(Vec3(2, 3, 4), Vec3(1, 0, 0)), Transform3::SCALE_TRANSLATION},
        {"rotation", Transform3(Rotation(Vec3(1, 1, 0), 0.7)), Transform3::AFFINE},
        {"rotation and translation", Transform3(Rotation(Vec3(0, 0, 1), 2), Vec3(1, 1, 1)), Transform3::AFFINE},
        {"axis and angle", Transform3(Vec3(0, 1, 0), 0.5), Transform3::AFFINE},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.transform.GetKind(), c.kind) << c.name;
        Transform3 reclassified = c.transform;
        reclassified.Reclassify();
        EXPECT_EQ(reclassified.GetKind(), c.kind) << c.name;
    }
}

// The fast paths must give what the full product gives, also when the kind
// came from a product of transforms.
TEST(Transform3, FastPathsAgreeWithTheFullProduct)
{
    const Transform3 transforms[] = {
        Transform3(),
        Transform3(Vec3(1, -2, 3)),
        Transform3(Vec3(2, 0.5, -1), Vec3(4, 5, 6)),
        Transform3(Vec3(1, 2, 3), 0.9),
        Transform3(Vec3(1, -2, 3)) * Transform3(Vec3(2, 0.5, -1), Vec3(4, 5, 6)),
        Transform3(Vec3(2, 2, 2), Vec3()) * Transform3(Rotation(Vec3(0, 0, 1), 1), Vec3(1, 0, 0)),
        Transform3(Vec3(2, 0.5, -1), Vec3(4, 5, 6)).Inverse(),
    };
    const std::vector<Vec3> points = {{0, 0, 0}, {1, 2, 3}, {-4.5, 0.25, 1e3}};
    for (const Transform3 &t : transforms) {
        std::vector<Vec3> inPlace = points;
        t.TransformPoints(inPlace.data(), inPlace.data(), int(inPlace.size()));
        std::vector<float> packed(3 * points.size());
        t.TransformPoints(points.data(), packed.data(), int(points.size()));
        for (size_t i = 0; i < points.size(); ++i) {
            Vec3 expected = t.GetMatrix().MultPoint(points[i]);
            EXPECT_TRUE(Near(t.TransformPoint(points[i]), expected, 1e-9)) << "kind " << t.GetKind();
            EXPECT_TRUE(Near(inPlace[i], expected, 1e-9)) << "kind " << t.GetKind();
            EXPECT_TRUE(Near(Vec3(packed[3 * i], packed[3 * i + 1], packed[3 * i + 2]), expected, 1e-3));
        }
    }
}

// A tiny rotation is still a rotation: the fast paths may not drop it.
TEST(Transform3, NearIdentityRotationStaysGeneral)
{
    Transform3 t(Rotation(Vec3(0, 0, 1), 1e-5));
    t.Reclassify();
    EXPECT_EQ(t.GetKind(), Transform3::AFFINE);
    EXPECT_TRUE(Near(t.TransformPoint(Vec3(1000, 0, 0)), Vec3(1000 * std::cos(1e-5), 1000 * std::sin(1e-5), 0)));
}

TEST(Transform3, DegenerateAxisGivesIdentityNotZero)
{
    Transform3 t(Vec3(0, 0, 1e-7), pi / 2);
    EXPECT_TRUE(t.GetMatrix().IsIdentity()) << t.GetMatrix();
    EXPECT_EQ(t.TransformPoint(Vec3(1, 2, 3)), Vec3(1, 2, 3));
}

TEST(Transform3, SplitsIntoScaleRotationAndTranslation)
{
    Rotation rotation(Vec3(1, 2, 2), 0.8);
    Mat4 m = rotation.GetMatrix();
    const Vec3 scale(2, 3, 0.5);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            m[row][col] *= scale[col];
        }
    }
    m[0][3] = 7;
    Transform3 t(m);
    EXPECT_TRUE(Near(t.GetScale(), scale));
    EXPECT_TRUE(Near(t.GetRotation().GetMatrix(), rotation.GetMatrix()));
    EXPECT_EQ(t.GetTranslation(), Vec3(7, 0, 0));

    double xy = 1;
    double xz = 1;
    double yz = 1;
    EXPECT_TRUE(Near(t.Decompose(xy, xz, yz), scale));
    EXPECT_NEAR(xy, 0.0, 1e-12);
    EXPECT_NEAR(xz, 0.0, 1e-12);
    EXPECT_NEAR(yz, 0.0, 1e-12);
}

TEST(Transform3, DecomposeFindsShearAndSurvivesCollapsedAxes)
{
    const double rows[4][4] = {{1, 0.5, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    double xy = 0;
    double xz = 0;
    double yz = 0;
    EXPECT_TRUE(Near(Transform3(Mat4(rows)).Decompose(xy, xz, yz), Vec3(1, 1, 1)));
    EXPECT_NEAR(xy, 0.5, 1e-12);

    Vec3 flat = Transform3(Vec3(1, 0, 0), Vec3()).Decompose(xy, xz, yz);
    EXPECT_EQ(flat, Vec3(1, 0, 0));
    EXPECT_FALSE(std::isnan(xy) || std::isnan(xz) || std::isnan(yz));
}

TEST(Transform3, InverseUndoesAndSingularThrows)
{
    Transform3 t = Transform3(Rotation(Vec3(0, 1, 1), 1.2), Vec3(3, 2, 1)) * Transform3(Vec3(2, 2, 2), Vec3());
    Vec3 p(1, -1, 4);
    EXPECT_TRUE(Near(t.Inverse().TransformPoint(t.TransformPoint(p)), p, 1e-12));
    EXPECT_THROW(Transform3(Vec3(1, 0, 1), Vec3()).Inverse(), SgMathError);
}

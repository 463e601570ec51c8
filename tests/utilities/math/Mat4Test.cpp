#include <gtest/gtest.h>

#include <cmath>

#include "tests/utilities/math/MatrixTestUtil.h"
#include "platform/SgError.h"
#include "utilities/math/Mat4.h"

using mathtest::Near;

namespace {

Mat4 General()
{
    const double rows[4][4] = {{2, 1, 0, 3}, {0, 3, 1, -1}, {1, 0, 4, 2}, {0, 0, 0, 1}};
    return Mat4(rows);
}

} // namespace

TEST(Mat4, InverseOfIdentityIsIdentity)
{
    EXPECT_TRUE(Mat4().Inverse().IsIdentity()) << Mat4().Inverse();
}

TEST(Mat4, InverseTimesMatrixIsIdentity)
{
    Mat4 m = General();
    EXPECT_TRUE(Near(m * m.Inverse(), Mat4()));
    EXPECT_TRUE(Near(m.Inverse() * m, Mat4()));
    EXPECT_FALSE(m.Inverse().IsDeterminantKnown()) << "a built matrix has no known determinant";
}

TEST(Mat4, SingularMatrixThrowsTheInverseText)
{
    Mat4 zeroRow = General();
    for (int j = 0; j < 4; ++j) {
        zeroRow[2][j] = 0.0;
    }
    // Two rows that differ only in the last bits of one element.
    Mat4 nearlyFlat = General();
    for (int j = 0; j < 4; ++j)
        nearlyFlat[1][j] = nearlyFlat[0][j];
    nearlyFlat[1][0] += 1e-15;
    const Mat4 cases[] = {zeroRow, Mat4::Zero(), nearlyFlat};
    for (const Mat4 &m : cases) {
        try {
            m.Inverse();
            ADD_FAILURE() << "no exception for " << m;
        } catch (const SgMathError &e) {
            EXPECT_STREQ(e.what(), "inverse: Non-singular matrix");
        }
    }
}

TEST(Mat4, DeterminantIsCachedAndCopiedUntilAnElementChanges)
{
    Mat4 m = General();
    EXPECT_FALSE(m.IsDeterminantKnown());
    double det = m.Determinant();
    EXPECT_DOUBLE_EQ(det, 25.0);  // the last row is (0, 0, 0, 1): the upper 3x3 decides
    EXPECT_TRUE(m.IsDeterminantKnown());
    EXPECT_EQ(m.Determinant(), det);

    Mat4 copy = m;
    EXPECT_TRUE(copy.IsDeterminantKnown());
    EXPECT_EQ(copy.Determinant(), det);

    copy[0][0] = 4.0;  // writing through the row forgets the cache
    EXPECT_FALSE(copy.IsDeterminantKnown());
    EXPECT_NE(copy.Determinant(), det);
    copy.Set(0, 0, 2.0);
    EXPECT_EQ(copy.Determinant(), det);
}

TEST(Mat4, ProductsFollowRowTimesColumn)
{
    Mat4 m = General();
    Vec4 v(1, 2, 3, 1);
    // Matrix times column vector uses the rows, vector times matrix the columns.
    EXPECT_EQ(m * v, Vec4(2 + 2 + 0 + 3, 0 + 6 + 3 - 1, 1 + 0 + 12 + 2, 1));
    EXPECT_EQ(v * m, m.Transpose() * v);
    EXPECT_EQ(m.MultPoint(Vec3(1, 2, 3)), (m * v).XYZ());
    Mat4 scaled = m.ScaledTranspose(Vec4(1, 2, 3, 4));
    EXPECT_EQ(scaled[1][0], 1 * m[0][1]);
    EXPECT_EQ(scaled[0][1], 2 * m[1][0]);
    EXPECT_EQ(scaled[3][2], 3 * m[2][3]);
}

TEST(Mat4, MinorDropsOneRowAndColumn)
{
    Mat3 minor = General().Minor(1, 2);
    const double expected[3][3] = {{2, 1, 3}, {1, 0, 2}, {0, 0, 1}};
    EXPECT_EQ(minor, Mat3(expected));
    EXPECT_FALSE(minor.IsDeterminantKnown());
}

TEST(Mat4, FromMat3FillsTheUpperLeft)
{
    const double rows[3][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    Mat4 m{Mat3(rows)};
    EXPECT_EQ(m.GetRow(1), Vec4(4, 5, 6, 0));
    EXPECT_EQ(m.GetRow(3), Vec4(0, 0, 0, 1));
    EXPECT_EQ(m.GetMat3(), Mat3(rows));
}

// Singularity is judged against the matrix's own scale: a model in microns
// or in kilometres inverts as well as one in metres, whatever its placement.
TEST(Mat4, UniformlyTinyOrHugeMatricesInvert)
{
    for (double scale : {1e-5, 1e-9, 1e5}) {
        for (double shift : {0.0, 1e9}) {
            const double rows[4][4] = {{scale, 0, 0, shift}, {0, scale, 0, 2}, {0, 0, scale, 3}, {0, 0, 0, 1}};
            const Mat4 m(rows);
            EXPECT_FALSE(m.IsSingular()) << "scale " << scale << ", shift " << shift;
            const Mat4 inverse = m.Inverse();
            for (int i = 0; i < 3; ++i) {
                EXPECT_NEAR(inverse[i][i], 1.0 / scale, 1e-12 / scale) << "scale " << scale << ", shift " << shift;
                EXPECT_NEAR(inverse[i][3], -rows[i][3] / scale, 1e-12 * std::fabs(rows[i][3] / scale))
                    << "scale " << scale << ", shift " << shift;
            }
        }
    }
    EXPECT_FALSE((Mat4() * 1e-4).IsSingular()) << "a uniform 4x4 scale is invertible";
}

// Each axis is judged on its own: very different scales along the axes are
// invertible; an axis flattened or folded onto another is not.
TEST(Mat4, SingularityIsJudgedPerAxis)
{
    struct Case {
        const char *what;
        double rows[4][4];
        bool singular;
    };
    const Case cases[] = {
        {"microns along x, kilometres along z", {{1e-5, 0, 0, 1}, {0, 1, 0, 2}, {0, 0, 1e4, 3}, {0, 0, 0, 1}}, false},
        {"one axis 1e-9 of the others", {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1e-9, 0}, {0, 0, 0, 1}}, false},
        {"a flat axis", {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 1}}, true},
        {"two columns all but parallel", {{1, 1, 0, 0}, {0, 1e-13, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}, true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Mat4(c.rows).IsSingular(), c.singular) << c.what;
}

#include "utilities/math/Mat4.h"

#include "platform/SgError.h"

#include <algorithm>
#include <cmath>
#include <ostream>

namespace {

// Below this ratio of the determinant to the product of the column lengths
// (1 for any axis scales, whatever they are, 0 for a flat matrix) the columns
// are too close to dependent for an inverse worth the name; an axis this much
// shorter than the longest is flat.
constexpr double kSingularRatio = 1e-12;

} // namespace

Mat4::Mat4()
    : m_a{{1.0, 0.0, 0.0, 0.0}, {0.0, 1.0, 0.0, 0.0}, {0.0, 0.0, 1.0, 0.0}, {0.0, 0.0, 0.0, 1.0}},
      m_detKnown(1), m_det(1.0)
{
}

Mat4::Mat4(const double (&rows)[4][4])
{
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m_a[i][j] = rows[i][j];
        }
    }
}

Mat4::Mat4(const Mat3 &m)
    : m_a{{m[0][0], m[0][1], m[0][2], 0.0},
          {m[1][0], m[1][1], m[1][2], 0.0},
          {m[2][0], m[2][1], m[2][2], 0.0},
          {0.0, 0.0, 0.0, 1.0}}
{
}

Mat4 Mat4::Zero()
{
    Mat4 m;
    for (auto &row : m.m_a) {
        for (double &e : row) {
            e = 0.0;
        }
    }
    m.m_detKnown = 0;
    return m;
}

Mat4::Mat4(const Mat4 &o) : m_detKnown(o.m_detKnown), m_det(o.m_detKnown ? o.m_det : 0.0)
{
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m_a[i][j] = o.m_a[i][j];
        }
    }
}

Mat4 &Mat4::operator=(const Mat4 &o)
{
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m_a[i][j] = o.m_a[i][j];
        }
    }
    m_detKnown = o.m_detKnown;
    m_det = o.m_detKnown ? o.m_det : 0.0;
    return *this;
}

Mat3 Mat4::GetMat3() const
{
    const double rows[3][3] = {{m_a[0][0], m_a[0][1], m_a[0][2]},
                               {m_a[1][0], m_a[1][1], m_a[1][2]},
                               {m_a[2][0], m_a[2][1], m_a[2][2]}};
    return Mat3(rows);
}

Mat4 Mat4::operator*(double s) const
{
    Mat4 r{Uninitialised{}};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m_a[i][j] = m_a[i][j] * s;
        }
    }
    return r;
}

Mat4 Mat4::operator*(const Mat4 &o) const
{
    Mat4 r{Uninitialised{}};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m_a[i][j] = m_a[i][0] * o.m_a[0][j] + m_a[i][1] * o.m_a[1][j] + m_a[i][2] * o.m_a[2][j]
                        + m_a[i][3] * o.m_a[3][j];
        }
    }
    return r;
}

Vec4 Mat4::operator*(const Vec4 &v) const
{
    return {GetRow(0).Dot(v), GetRow(1).Dot(v), GetRow(2).Dot(v), GetRow(3).Dot(v)};
}

Vec4 operator*(const Vec4 &v, const Mat4 &m)
{
    return {v.Dot(m.GetColumn(0)), v.Dot(m.GetColumn(1)), v.Dot(m.GetColumn(2)), v.Dot(m.GetColumn(3))};
}

Vec3 Mat4::MultPoint(const Vec3 &p) const
{
    return {m_a[0][0] * p.x + m_a[0][1] * p.y + m_a[0][2] * p.z + m_a[0][3],
            m_a[1][0] * p.x + m_a[1][1] * p.y + m_a[1][2] * p.z + m_a[1][3],
            m_a[2][0] * p.x + m_a[2][1] * p.y + m_a[2][2] * p.z + m_a[2][3]};
}

Vec3 Mat4::MultDirection(const Vec3 &d) const
{
    return {m_a[0][0] * d.x + m_a[0][1] * d.y + m_a[0][2] * d.z,
            m_a[1][0] * d.x + m_a[1][1] * d.y + m_a[1][2] * d.z,
            m_a[2][0] * d.x + m_a[2][1] * d.y + m_a[2][2] * d.z};
}

Mat4 Mat4::ScaledTranspose(const Vec4 &v) const
{
    Mat4 r{Uninitialised{}};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m_a[j][i] = v[i] * m_a[i][j];
        }
    }
    return r;
}

Mat4 Mat4::Transpose() const
{
    Mat4 r{Uninitialised{}};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m_a[i][j] = m_a[j][i];
        }
    }
    return r;
}

Mat3 Mat4::Minor(int r, int c) const
{
    double rows[3][3];
    for (int i = 0, mi = 0; i < 4; ++i) {
        if (i == r) {
            continue;
        }
        for (int j = 0, mj = 0; j < 4; ++j) {
            if (j != c) {
                rows[mi][mj++] = m_a[i][j];
            }
        }
        ++mi;
    }
    return Mat3(rows);
}

double Mat4::Determinant() const
{
    if (!m_detKnown) {
        m_det = m_a[0][0] * Minor(0, 0).Determinant() - m_a[0][1] * Minor(0, 1).Determinant()
              + m_a[0][2] * Minor(0, 2).Determinant() - m_a[0][3] * Minor(0, 3).Determinant();
        m_detKnown = 1;
    }
    return m_det;
}

Mat4 Mat4::Inverse() const
{
    if (IsSingular())
        throw SgMathError("inverse: Non-singular matrix");
    const double det = Determinant();
    double scale = 1.0 / det;
    Mat4 r{Uninitialised{}};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            // The adjugate is the transposed cofactor matrix.
            double cofactor = Minor(i, j).Determinant();
            r.m_a[j][i] = ((i + j) % 2 == 0 ? cofactor : -cofactor) * scale;
        }
    }
    return r;
}

bool Mat4::IsSingular() const
{
    const double det = Determinant();
    if (!std::isfinite(det) || det == 0.0)
        return true;
    // An affine matrix is as singular as its linear part; its translation
    // must not make a huge placement look flat.
    const bool affine = m_a[3][0] == 0.0 && m_a[3][1] == 0.0 && m_a[3][2] == 0.0 && m_a[3][3] == 1.0;
    const int n = affine ? 3 : 4;
    // Per axis: each column is measured against its own length, so a matrix
    // that scales one axis by 1e-5 and another by 1e4 inverts as well as the
    // identity, while one whose columns lean onto each other does not; and
    // an axis shorter than kSingularRatio of the longest counts as flat.
    double lengths = 1.0;
    double longest = 0.0;
    double shortest = HUGE_VAL;
    for (int j = 0; j < n; ++j) {
        double sum = 0.0;
        for (int i = 0; i < n; ++i)
            sum += m_a[i][j] * m_a[i][j];
        const double length = std::sqrt(sum);
        lengths *= length;
        longest = std::max(longest, length);
        shortest = std::min(shortest, length);
    }
    return !(shortest >= kSingularRatio * longest) || !(std::fabs(det) >= kSingularRatio * lengths);
}

bool Mat4::IsIdentity() const
{
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (m_a[i][j] != (i == j ? 1.0 : 0.0)) {
                return false;
            }
        }
    }
    return true;
}

bool Mat4::operator==(const Mat4 &o) const
{
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (m_a[i][j] != o.m_a[i][j]) {
                return false;
            }
        }
    }
    return true;
}

std::ostream &operator<<(std::ostream &os, const Mat4 &m)
{
    os << "{ ";
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            os << " ; ";
        }
        os << m.GetRow(i);
    }
    os << " }";
    return os;
}

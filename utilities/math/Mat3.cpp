#include "utilities/math/Mat3.h"

Mat3::Mat3()
    : m_a{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}}, m_detKnown(1), m_det(1.0)
{
}

Mat3::Mat3(const double (&rows)[3][3])
{
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            m_a[i][j] = rows[i][j];
        }
    }
}

Mat3 Mat3::Zero()
{
    Mat3 m;
    for (auto &row : m.m_a) {
        for (double &e : row) {
            e = 0.0;
        }
    }
    m.m_detKnown = 0;
    return m;
}

double Mat3::Determinant() const
{
    if (!m_detKnown) {
        m_det = m_a[0][0] * (m_a[1][1] * m_a[2][2] - m_a[1][2] * m_a[2][1])
              - m_a[0][1] * (m_a[1][0] * m_a[2][2] - m_a[1][2] * m_a[2][0])
              + m_a[0][2] * (m_a[1][0] * m_a[2][1] - m_a[1][1] * m_a[2][0]);
        m_detKnown = 1;
    }
    return m_det;
}

Mat3 Mat3::operator*(const Mat3 &o) const
{
    Mat3 r{Uninitialised{}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r.m_a[i][j] = m_a[i][0] * o.m_a[0][j] + m_a[i][1] * o.m_a[1][j] + m_a[i][2] * o.m_a[2][j];
        }
    }
    return r;
}

Vec3 Mat3::operator*(const Vec3 &v) const
{
    return {m_a[0][0] * v.x + m_a[0][1] * v.y + m_a[0][2] * v.z,
            m_a[1][0] * v.x + m_a[1][1] * v.y + m_a[1][2] * v.z,
            m_a[2][0] * v.x + m_a[2][1] * v.y + m_a[2][2] * v.z};
}

Mat3 Mat3::Transpose() const
{
    Mat3 r{Uninitialised{}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r.m_a[i][j] = m_a[j][i];
        }
    }
    return r;
}

bool Mat3::operator==(const Mat3 &o) const
{
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (m_a[i][j] != o.m_a[i][j]) {
                return false;
            }
        }
    }
    return true;
}

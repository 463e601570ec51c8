#include "utilities/math/Rotation.h"

#include "utilities/math/NumberText.h"

#include <algorithm>
#include <cmath>
#include <istream>
#include <numbers>
#include <ostream>

namespace {

// An axis shorter than this has no usable direction for a matrix.
constexpr double MIN_MATRIX_AXIS = 1e-6;
// Extracted angles below this are rounding noise of an identity.
constexpr double NEGLIGIBLE_ANGLE = 1e-7;
// A matrix rotating by at most this much is taken as the identity.
constexpr double IDENTITY_ANGLE = 1e-9;
// Below this the cross product of two unit directions no longer gives a
// direction: they are parallel or opposite.
constexpr double PARALLEL_CROSS = 1e-12;

} // namespace

bool RotationAboutAxis(const Vec3 &axis, double angle, Mat3 &m)
{
    double length = axis.Length();
    if (!(length >= MIN_MATRIX_AXIS)) {
        return false;
    }
    const double x = axis.x / length;
    const double y = axis.y / length;
    const double z = axis.z / length;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double t = 1.0 - c;
    const double rows[3][3] = {
        {(1.0 - x * x) * c + x * x, x * y * t - z * s, x * z * t + y * s},
        {x * y * t + z * s, (1.0 - y * y) * c + y * y, y * z * t - x * s},
        {x * z * t - y * s, y * z * t + x * s, (1.0 - z * z) * c + z * z},
    };
    m = Mat3(rows);
    return true;
}

Rotation::Rotation(const Vec3 &axis, double angle) { SetValue(axis, angle); }

Rotation::Rotation(const Mat3 &m)
{
    double q[3] = {0.0, 0.0, 0.0};
    double w = 1.0;
    double trace = m[0][0] + m[1][1] + m[2][2];
    if (trace > 0.0) {
        double r = std::sqrt(trace + 1.0);
        w = r / 2.0;
        double k = 0.5 / r;
        q[0] = (m[2][1] - m[1][2]) * k;
        q[1] = (m[0][2] - m[2][0]) * k;
        q[2] = (m[1][0] - m[0][1]) * k;
    } else {
        int i = 0;
        if (m[2][2] > std::max(m[0][0], m[1][1])) {
            i = 2;
        } else if (m[0][0] < m[1][1]) {
            i = 1;
        }
        int j = (i + 1) % 3;
        int k = (j + 1) % 3;
        // A matrix that is no rotation may drive this below zero.
        double r = std::sqrt(std::max(0.0, m[i][i] - (m[j][j] + m[k][k]) + 1.0));
        q[i] = r / 2.0;
        if (r != 0.0) {
            r = 0.5 / r;
        }
        w = (m[k][j] - m[j][k]) * r;
        q[j] = (m[i][j] + m[j][i]) * r;
        q[k] = (m[i][k] + m[k][i]) * r;
    }
    w = std::clamp(w, -1.0, 1.0);
    m_angle = 2.0 * std::acos(w);
    m_axis = std::fabs(m_angle) < NEGLIGIBLE_ANGLE ? Vec3(0.0, 0.0, 1.0) : Vec3(q[0], q[1], q[2]);
    m_axis.Normalize(MIN_AXIS_LENGTH);
}

Rotation::Rotation(const Mat4 &m) : Rotation(m.GetMat3())
{
    if (std::fabs(m_angle) <= IDENTITY_ANGLE) {
        m_axis = Vec3(0.0, 0.0, 1.0);
        m_angle = 0.0;
    }
}

Rotation::Rotation(const Vec3 &from, const Vec3 &to)
{
    double lengths = from.Length() * to.Length();
    if (!(lengths > 0.0)) {
        return;  // a zero direction turns nowhere: the identity
    }
    Vec3 axis = from.Cross(to) / lengths;
    double sine = axis.Length();
    m_angle = std::atan2(sine, from.Dot(to) / lengths);
    if (sine > PARALLEL_CROSS) {
        m_axis = axis / sine;
    } else if (m_angle >= std::numbers::pi / 2.0) {
        // Opposite: any axis across the target direction turns it by pi.
        Vec3 ref(1.0, 0.0, 0.0);
        if (std::fabs(to.y) <= std::fabs(to.x) && std::fabs(to.y) <= std::fabs(to.z)) {
            ref = Vec3(0.0, 1.0, 0.0);
        } else if (std::fabs(to.z) <= std::fabs(to.x)) {
            ref = Vec3(0.0, 0.0, 1.0);
        }
        m_axis = to.Cross(ref);
        m_axis.Normalize(0.0);
    } else {
        m_axis = Vec3(1.0, 0.0, 0.0);
        m_angle = 0.0;
    }
}

void Rotation::SetValue(const Vec3 &axis, double angle)
{
    m_axis = axis;
    m_axis.Normalize(MIN_AXIS_LENGTH);
    m_angle = angle;
}

Mat3 Rotation::GetMat3() const
{
    Mat3 m;  // stays the identity for an axis without direction
    RotationAboutAxis(m_axis, m_angle, m);
    return m;
}

Mat4 Rotation::GetMatrix() const { return Mat4(GetMat3()); }

Vec3 Rotation::Rotate(const Vec3 &v) const { return GetMat3() * v; }

Rotation Rotation::Inverse() const
{
    Rotation r;
    r.m_axis = m_axis;
    r.m_angle = -m_angle;
    return r;
}

Rotation Rotation::operator*(const Rotation &o) const { return Rotation(GetMatrix() * o.GetMatrix()); }

Rotation Interpolate(const Rotation &a, const Rotation &b, double t)
{
    return Rotation(Interpolate(a.GetAxis(), b.GetAxis(), t), (1.0 - t) * a.GetAngle() + t * b.GetAngle());
}

std::ostream &operator<<(std::ostream &os, const Rotation &r)
{
    os << r.GetAxis();
    os.put(' ');
    WriteNumber(os, r.GetAngle());
    return os;
}

std::istream &operator>>(std::istream &is, Rotation &r)
{
    if (is >> r.m_axis) {
        ReadNumber(is, r.m_angle);
    }
    return is;
}

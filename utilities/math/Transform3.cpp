#include "utilities/math/Transform3.h"

#include <cmath>

namespace {

// A fast path is taken only when the elements it ignores are this close to
// what it assumes, so that it gives the full product's result to rounding.
constexpr double KIND_TOLERANCE = 1e-14;
// Scales below this are treated as collapsed: nothing is divided by them.
constexpr double MIN_SCALE = 1e-5;

bool Near(double value, double expected) { return std::fabs(value - expected) <= KIND_TOLERANCE; }

Mat4 WithTranslation(Mat4 m, const Vec3 &t)
{
    m.Set(0, 3, t.x);
    m.Set(1, 3, t.y);
    m.Set(2, 3, t.z);
    return m;
}

} // namespace

Transform3::Transform3(const Rotation &r) : m_matrix(r.GetMatrix()), m_kind(AFFINE) {}

Transform3::Transform3(const Rotation &r, const Vec3 &translation)
    : m_matrix(WithTranslation(r.GetMatrix(), translation)), m_kind(AFFINE)
{
}

Transform3::Transform3(const Vec3 &scale, const Vec3 &translation)
    : m_matrix(WithTranslation(Mat4(), translation)), m_kind(SCALE_TRANSLATION)
{
    m_matrix.Set(0, 0, scale.x);
    m_matrix.Set(1, 1, scale.y);
    m_matrix.Set(2, 2, scale.z);
}

Transform3::Transform3(const Vec3 &translation)
    : m_matrix(WithTranslation(Mat4(), translation)), m_kind(TRANSLATION)
{
}

Transform3::Transform3(const Vec3 &axis, double angle)
{
    Mat3 rotation;
    if (RotationAboutAxis(axis, angle, rotation)) {
        m_matrix = Mat4(rotation);
        m_kind = AFFINE;
    }
    // Otherwise the axis has no direction and the transform stays the identity.
}

Transform3::Transform3(const Mat4 &m) : m_matrix(m) { Reclassify(); }

void Transform3::SetMatrix(const Mat4 &m)
{
    m_matrix = m;
    Reclassify();
}

void Transform3::Reclassify()
{
    const Mat4 &m = m_matrix;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (i != j && !Near(m[i][j], 0.0)) {
                m_kind = AFFINE;
                return;
            }
        }
    }
    if (!Near(m[0][0], 1.0) || !Near(m[1][1], 1.0) || !Near(m[2][2], 1.0)) {
        m_kind = SCALE_TRANSLATION;
    } else if (Near(m[0][3], 0.0) && Near(m[1][3], 0.0) && Near(m[2][3], 0.0)) {
        m_kind = IDENTITY;
    } else {
        m_kind = TRANSLATION;
    }
}

Vec3 Transform3::TransformPoint(const Vec3 &p) const
{
    const Mat4 &m = m_matrix;
    switch (m_kind) {
    case TRANSLATION:
        return {p.x + m[0][3], p.y + m[1][3], p.z + m[2][3]};
    case SCALE_TRANSLATION:
        return {p.x * m[0][0] + m[0][3], p.y * m[1][1] + m[1][3], p.z * m[2][2] + m[2][3]};
    case IDENTITY:
        return p;
    default:
        return m.MultPoint(p);
    }
}

Vec3 Transform3::TransformVector(const Vec3 &v) const
{
    const Mat4 &m = m_matrix;
    switch (m_kind) {
    case TRANSLATION:
    case IDENTITY:
        return v;
    case SCALE_TRANSLATION:
        return {v.x * m[0][0], v.y * m[1][1], v.z * m[2][2]};
    default:
        return m.MultDirection(v);
    }
}

void Transform3::TransformPoints(const Vec3 *src, Vec3 *dst, int n) const
{
    const Mat4 &m = m_matrix;
    switch (m_kind) {
    case TRANSLATION: {
        const Vec3 t(m[0][3], m[1][3], m[2][3]);
        for (int i = 0; i < n; ++i) {
            dst[i] = src[i] + t;
        }
        break;
    }
    case SCALE_TRANSLATION: {
        const Vec3 s(m[0][0], m[1][1], m[2][2]);
        const Vec3 t(m[0][3], m[1][3], m[2][3]);
        for (int i = 0; i < n; ++i) {
            dst[i] = Vec3(src[i].x * s.x + t.x, src[i].y * s.y + t.y, src[i].z * s.z + t.z);
        }
        break;
    }
    case IDENTITY:
        if (dst != src) {
            for (int i = 0; i < n; ++i) {
                dst[i] = src[i];
            }
        }
        break;
    default:
        for (int i = 0; i < n; ++i) {
            dst[i] = m.MultPoint(src[i]);
        }
        break;
    }
}

void Transform3::TransformPoints(const Vec3 *src, float *dst, int n) const
{
    for (int i = 0; i < n; ++i) {
        Vec3 p = TransformPoint(src[i]);
        dst[3 * i] = float(p.x);
        dst[3 * i + 1] = float(p.y);
        dst[3 * i + 2] = float(p.z);
    }
}

Vec3 Transform3::GetScale() const
{
    const Mat4 &m = m_matrix;
    return {Vec3(m[0][0], m[1][0], m[2][0]).Length(), Vec3(m[0][1], m[1][1], m[2][1]).Length(),
            Vec3(m[0][2], m[1][2], m[2][2]).Length()};
}

Rotation Transform3::GetRotation() const
{
    Vec3 scale = GetScale();
    Mat3 r = m_matrix.GetMat3();
    for (int col = 0; col < 3; ++col) {
        if (scale[col] >= MIN_SCALE) {
            for (int row = 0; row < 3; ++row) {
                r[row][col] /= scale[col];
            }
        }
    }
    return Rotation(r);
}

Vec3 Transform3::GetTranslation() const { return {m_matrix[0][3], m_matrix[1][3], m_matrix[2][3]}; }

void Transform3::SetTranslation(const Vec3 &t)
{
    m_matrix = WithTranslation(m_matrix, t);
    if (m_kind == IDENTITY) {
        m_kind = TRANSLATION;
    }
}

Vec3 Transform3::Decompose(double &shearXY, double &shearXZ, double &shearYZ) const
{
    Vec3 c0 = m_matrix.GetMat3().GetColumn(0);
    Vec3 c1 = m_matrix.GetMat3().GetColumn(1);
    Vec3 c2 = m_matrix.GetMat3().GetColumn(2);
    Vec3 scale;
    scale.x = c0.Normalize(MIN_SCALE);
    shearXY = c0.Dot(c1);
    c1 -= c0 * shearXY;
    scale.y = c1.Normalize(MIN_SCALE);
    if (scale.y >= MIN_SCALE) {
        shearXY /= scale.y;
    }
    shearXZ = c0.Dot(c2);
    c2 -= c0 * shearXZ;
    shearYZ = c1.Dot(c2);
    c2 -= c1 * shearYZ;
    scale.z = c2.Normalize(MIN_SCALE);
    if (scale.z >= MIN_SCALE) {
        shearXZ /= scale.z;
        shearYZ /= scale.z;
    }
    return scale;
}

Transform3 Transform3::Inverse() const
{
    // The inverse of each kind is of the same kind.
    return Transform3(m_matrix.Inverse(), m_kind);
}

Transform3 Transform3::operator*(const Transform3 &o) const
{
    Kind kind = AFFINE;
    if (m_kind == IDENTITY) {
        kind = o.m_kind;
    } else if (o.m_kind == IDENTITY) {
        kind = m_kind;
    } else if (m_kind == TRANSLATION && o.m_kind == TRANSLATION) {
        kind = TRANSLATION;
    } else if (m_kind != AFFINE && o.m_kind != AFFINE) {
        kind = SCALE_TRANSLATION;
    }
    return Transform3(m_matrix * o.m_matrix, kind);
}

#pragma once
// A rotation as a unit axis and an angle in radians (right-handed). The
// identity is axis (0, 0, 1), angle 0.
#include "utilities/math/Mat3.h"
#include "utilities/math/Mat4.h"
#include "utilities/math/Vec3.h"

#include <iosfwd>
#include "utilities/BrannicExport.h"

class BRANNIC_API Rotation {
public:
    // Axis lengths below this are kept as they are rather than normalised.
    static constexpr double MIN_AXIS_LENGTH = 1e-5;

    Rotation() = default;
    // The axis is normalised unless shorter than MIN_AXIS_LENGTH.
    Rotation(const Vec3 &axis, double angle);
    // From the rotation part of a matrix (quaternion extraction).
    explicit Rotation(const Mat3 &m);
    // From the upper-left 3x3; an angle of at most 1e-9 gives the identity.
    explicit Rotation(const Mat4 &m);
    // The rotation that turns direction from into direction to.
    Rotation(const Vec3 &from, const Vec3 &to);
    virtual ~Rotation() = default;

    Rotation(const Rotation &) = default;
    Rotation &operator=(const Rotation &) = default;

    // The axis is normalised unless shorter than MIN_AXIS_LENGTH.
    void SetValue(const Vec3 &axis, double angle);
    const Vec3 &GetAxis() const { return m_axis; }
    double GetAngle() const { return m_angle; }

    Mat3 GetMat3() const;
    Mat4 GetMatrix() const;
    // The vector turned by this rotation.
    Vec3 Rotate(const Vec3 &v) const;

    // Same axis, angle negated.
    Rotation Inverse() const;
    // Through the matrices: this rotation's matrix times o's.
    Rotation operator*(const Rotation &o) const;

    // Axis and angle exactly equal, as stored.
    bool operator==(const Rotation &o) const { return m_axis == o.m_axis && m_angle == o.m_angle; }

private:
    friend std::istream &operator>>(std::istream &is, Rotation &r);

    Vec3 m_axis{0.0, 0.0, 1.0};
    double m_angle = 0.0;
};

// Fills m with the rotation by angle about axis (normalised first). An axis
// shorter than 1e-6 has no direction: returns false and leaves m unchanged.
BRANNIC_API bool RotationAboutAxis(const Vec3 &axis, double angle, Mat3 &m);

// Axis components and angle linearly; the axis is then normalised unless
// shorter than Rotation::MIN_AXIS_LENGTH (opposite axes meet at zero).
BRANNIC_API Rotation Interpolate(const Rotation &a, const Rotation &b, double t);

// The axis in Vec3 form, one blank, the angle: "(0,1,0) 1.5708".
BRANNIC_API std::ostream &operator<<(std::ostream &os, const Rotation &r);
// The Vec3 form, then the angle. The axis is kept as read (not normalised
// again), so that a written rotation reads back bit for bit.
BRANNIC_API std::istream &operator>>(std::istream &is, Rotation &r);

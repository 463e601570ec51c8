#pragma once
// A homogeneous point or a matrix row in double precision.
#include "utilities/math/Vec3.h"

#include <cmath>
#include <iosfwd>
#include "utilities/BrannicExport.h"

struct BRANNIC_API Vec4 {
    static constexpr int SIZE = 4;

    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double w = 0.0;

    constexpr Vec4() = default;
    constexpr Vec4(double x_, double y_, double z_, double w_) : x(x_), y(y_), z(z_), w(w_) {}
    constexpr Vec4(const Vec3 &v, double w_) : x(v.x), y(v.y), z(v.z), w(w_) {}

    constexpr double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    constexpr double &operator[](int i) { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }

    // The first three components, without dividing by w.
    constexpr Vec3 XYZ() const { return {x, y, z}; }

    constexpr Vec4 operator+(const Vec4 &o) const { return {x + o.x, y + o.y, z + o.z, w + o.w}; }
    constexpr Vec4 operator-(const Vec4 &o) const { return {x - o.x, y - o.y, z - o.z, w - o.w}; }
    constexpr Vec4 operator-() const { return {-x, -y, -z, -w}; }
    constexpr Vec4 operator*(double s) const { return {x * s, y * s, z * s, w * s}; }
    constexpr Vec4 operator/(double s) const { return {x / s, y / s, z / s, w / s}; }
    constexpr Vec4 &operator+=(const Vec4 &o) { x += o.x; y += o.y; z += o.z; w += o.w; return *this; }
    constexpr Vec4 &operator-=(const Vec4 &o) { x -= o.x; y -= o.y; z -= o.z; w -= o.w; return *this; }
    constexpr Vec4 &operator*=(double s) { x *= s; y *= s; z *= s; w *= s; return *this; }
    constexpr Vec4 &operator/=(double s) { x /= s; y /= s; z /= s; w /= s; return *this; }
    constexpr bool operator==(const Vec4 &o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }

    // All four components take part.
    constexpr double Dot(const Vec4 &o) const { return x * o.x + y * o.y + z * o.z + w * o.w; }
    constexpr double Length2() const { return Dot(*this); }
    double Length() const { return std::sqrt(Length2()); }
};

constexpr Vec4 operator*(double s, const Vec4 &v) { return v * s; }

constexpr Vec4 Interpolate(const Vec4 &a, const Vec4 &b, double t)
{
    return {(1.0 - t) * a.x + t * b.x, (1.0 - t) * a.y + t * b.y, (1.0 - t) * a.z + t * b.z,
            (1.0 - t) * a.w + t * b.w};
}

// A w of +infinity is left out, since the reader turns a missing w into
// +infinity: the value reads back as it was.
BRANNIC_API std::ostream &operator<<(std::ostream &os, const Vec4 &v);
// Three or four numbers; a missing w becomes +infinity.
BRANNIC_API std::istream &operator>>(std::istream &is, Vec4 &v);

#pragma once
// A homogeneous point in single precision.
#include "utilities/math/Vec4.h"

#include <iosfwd>
#include "utilities/BrannicExport.h"

struct BRANNIC_API Vec4f {
    static constexpr int SIZE = 4;

    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    constexpr Vec4f() = default;
    constexpr Vec4f(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    constexpr explicit Vec4f(const Vec4 &v) : x(float(v.x)), y(float(v.y)), z(float(v.z)), w(float(v.w)) {}
    constexpr explicit operator Vec4() const { return {x, y, z, w}; }

    constexpr float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    constexpr float &operator[](int i) { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }

    constexpr Vec4f operator+(const Vec4f &o) const { return {x + o.x, y + o.y, z + o.z, w + o.w}; }
    constexpr Vec4f operator-(const Vec4f &o) const { return {x - o.x, y - o.y, z - o.z, w - o.w}; }
    constexpr Vec4f operator*(float s) const { return {x * s, y * s, z * s, w * s}; }
    constexpr bool operator==(const Vec4f &o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
    constexpr float Dot(const Vec4f &o) const { return x * o.x + y * o.y + z * o.z + w * o.w; }
};

constexpr Vec4f Interpolate(const Vec4f &a, const Vec4f &b, double t)
{
    return {float((1.0 - t) * a.x + t * b.x), float((1.0 - t) * a.y + t * b.y),
            float((1.0 - t) * a.z + t * b.z), float((1.0 - t) * a.w + t * b.w)};
}

BRANNIC_API std::ostream &operator<<(std::ostream &os, const Vec4f &v);
// Four numbers, the same grammar as Vec4 without the optional w.
BRANNIC_API std::istream &operator>>(std::istream &is, Vec4f &v);

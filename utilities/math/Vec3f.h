#pragma once
// A point or normal in single precision: vertex data, bounding boxes.
#include "utilities/math/Vec3.h"

#include <cmath>
#include <iosfwd>
#include "utilities/BrannicExport.h"

struct BRANNIC_API Vec3f {
    static constexpr int SIZE = 3;

    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr Vec3f() = default;
    constexpr Vec3f(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    constexpr explicit Vec3f(const Vec3 &v) : x(float(v.x)), y(float(v.y)), z(float(v.z)) {}
    constexpr explicit operator Vec3() const { return {x, y, z}; }

    constexpr float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    constexpr float &operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }

    constexpr Vec3f operator+(const Vec3f &o) const { return {x + o.x, y + o.y, z + o.z}; }
    constexpr Vec3f operator-(const Vec3f &o) const { return {x - o.x, y - o.y, z - o.z}; }
    constexpr Vec3f operator-() const { return {-x, -y, -z}; }
    constexpr Vec3f operator*(float s) const { return {x * s, y * s, z * s}; }
    constexpr Vec3f operator/(float s) const { return {x / s, y / s, z / s}; }
    constexpr Vec3f &operator+=(const Vec3f &o) { x += o.x; y += o.y; z += o.z; return *this; }
    constexpr Vec3f &operator-=(const Vec3f &o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    constexpr Vec3f &operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
    constexpr Vec3f &operator/=(float s) { x /= s; y /= s; z /= s; return *this; }
    constexpr bool operator==(const Vec3f &o) const { return x == o.x && y == o.y && z == o.z; }

    constexpr float Dot(const Vec3f &o) const { return x * o.x + y * o.y + z * o.z; }
    constexpr Vec3f Cross(const Vec3f &o) const
    {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    constexpr float Length2() const { return x * x + y * y + z * z; }
    float Length() const { return std::sqrt(Length2()); }
    // Unit length unless shorter than minLength; returns the former length.
    float Normalize(float minLength = 1e-5f)
    {
        float len = Length();
        if (len >= minLength && len > 0.0f) {
            *this /= len;
        }
        return len;
    }
};

constexpr Vec3f operator*(float s, const Vec3f &v) { return v * s; }

// Computed in double and stored as float.
constexpr Vec3f Interpolate(const Vec3f &a, const Vec3f &b, double t)
{
    return {float((1.0 - t) * a.x + t * b.x), float((1.0 - t) * a.y + t * b.y),
            float((1.0 - t) * a.z + t * b.z)};
}

BRANNIC_API std::ostream &operator<<(std::ostream &os, const Vec3f &v);
BRANNIC_API std::istream &operator>>(std::istream &is, Vec3f &v);

#pragma once
// A point or direction in double precision; the workhorse of the geometry code.
#include <cmath>
#include <iosfwd>
#include "utilities/BrannicExport.h"

struct BRANNIC_API Vec3 {
    static constexpr int SIZE = 3;

    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr Vec3() = default;
    constexpr Vec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}

    constexpr double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    constexpr double &operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }

    constexpr Vec3 operator+(const Vec3 &o) const { return {x + o.x, y + o.y, z + o.z}; }
    constexpr Vec3 operator-(const Vec3 &o) const { return {x - o.x, y - o.y, z - o.z}; }
    constexpr Vec3 operator-() const { return {-x, -y, -z}; }
    constexpr Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    constexpr Vec3 operator/(double s) const { return {x / s, y / s, z / s}; }
    constexpr Vec3 &operator+=(const Vec3 &o) { x += o.x; y += o.y; z += o.z; return *this; }
    constexpr Vec3 &operator-=(const Vec3 &o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    constexpr Vec3 &operator*=(double s) { x *= s; y *= s; z *= s; return *this; }
    constexpr Vec3 &operator/=(double s) { x /= s; y /= s; z /= s; return *this; }

    // Exact, component by component as stored (a NaN equals nothing).
    constexpr bool operator==(const Vec3 &o) const { return x == o.x && y == o.y && z == o.z; }

    constexpr double Dot(const Vec3 &o) const { return x * o.x + y * o.y + z * o.z; }
    constexpr Vec3 Cross(const Vec3 &o) const
    {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    constexpr double Length2() const { return x * x + y * y + z * z; }
    double Length() const { return std::sqrt(Length2()); }

    // Scales to unit length unless shorter than minLength, which leaves the
    // vector as it is; returns the length it had.
    double Normalize(double minLength = 1e-5)
    {
        double len = Length();
        if (len >= minLength && len > 0.0) {
            *this /= len;
        }
        return len;
    }
    Vec3 Normalized(double minLength = 1e-5) const
    {
        Vec3 v = *this;
        v.Normalize(minLength);
        return v;
    }
};

constexpr Vec3 operator*(double s, const Vec3 &v) { return v * s; }

// (1 - t) a + t b per component; t = 0 gives a.
constexpr Vec3 Interpolate(const Vec3 &a, const Vec3 &b, double t)
{
    return {(1.0 - t) * a.x + t * b.x, (1.0 - t) * a.y + t * b.y, (1.0 - t) * a.z + t * b.z};
}

BRANNIC_API std::ostream &operator<<(std::ostream &os, const Vec3 &v);
BRANNIC_API std::istream &operator>>(std::istream &is, Vec3 &v);

#pragma once
// A 2D point or direction in double precision.
#include <cmath>
#include <iosfwd>
#include "utilities/BrannicExport.h"

struct BRANNIC_API Vec2 {
    static constexpr int SIZE = 2;

    double x = 0.0;
    double y = 0.0;

    constexpr Vec2() = default;
    constexpr Vec2(double x_, double y_) : x(x_), y(y_) {}

    constexpr double operator[](int i) const { return i == 0 ? x : y; }
    constexpr double &operator[](int i) { return i == 0 ? x : y; }

    constexpr Vec2 operator+(const Vec2 &o) const { return {x + o.x, y + o.y}; }
    constexpr Vec2 operator-(const Vec2 &o) const { return {x - o.x, y - o.y}; }
    constexpr Vec2 operator-() const { return {-x, -y}; }
    constexpr Vec2 operator*(double s) const { return {x * s, y * s}; }
    constexpr Vec2 operator/(double s) const { return {x / s, y / s}; }
    constexpr Vec2 &operator+=(const Vec2 &o) { x += o.x; y += o.y; return *this; }
    constexpr Vec2 &operator-=(const Vec2 &o) { x -= o.x; y -= o.y; return *this; }
    constexpr Vec2 &operator*=(double s) { x *= s; y *= s; return *this; }
    constexpr Vec2 &operator/=(double s) { x /= s; y /= s; return *this; }
    constexpr bool operator==(const Vec2 &o) const { return x == o.x && y == o.y; }

    constexpr double Dot(const Vec2 &o) const { return x * o.x + y * o.y; }
    // The z component of the 3D cross product.
    constexpr double Cross(const Vec2 &o) const { return x * o.y - y * o.x; }
    constexpr double Length2() const { return x * x + y * y; }
    double Length() const { return std::sqrt(Length2()); }
    // Unit length unless shorter than minLength; returns the former length.
    double Normalize(double minLength = 1e-5)
    {
        double len = Length();
        if (len >= minLength && len > 0.0) {
            *this /= len;
        }
        return len;
    }
};

constexpr Vec2 operator*(double s, const Vec2 &v) { return v * s; }

constexpr Vec2 Interpolate(const Vec2 &a, const Vec2 &b, double t)
{
    return {(1.0 - t) * a.x + t * b.x, (1.0 - t) * a.y + t * b.y};
}

BRANNIC_API std::ostream &operator<<(std::ostream &os, const Vec2 &v);
BRANNIC_API std::istream &operator>>(std::istream &is, Vec2 &v);

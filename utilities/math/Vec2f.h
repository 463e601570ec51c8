#pragma once
// A 2D vector in single precision (texture coordinates and the like).
#include "utilities/math/Vec2.h"

#include <cmath>
#include <iosfwd>
#include "utilities/BrannicExport.h"

struct BRANNIC_API Vec2f {
    static constexpr int SIZE = 2;

    float x = 0.0f;
    float y = 0.0f;

    constexpr Vec2f() = default;
    constexpr Vec2f(float x_, float y_) : x(x_), y(y_) {}
    constexpr explicit Vec2f(const Vec2 &v) : x(float(v.x)), y(float(v.y)) {}
    constexpr explicit operator Vec2() const { return {x, y}; }

    constexpr float operator[](int i) const { return i == 0 ? x : y; }
    constexpr float &operator[](int i) { return i == 0 ? x : y; }

    constexpr Vec2f operator+(const Vec2f &o) const { return {x + o.x, y + o.y}; }
    constexpr Vec2f operator-(const Vec2f &o) const { return {x - o.x, y - o.y}; }
    constexpr Vec2f operator-() const { return {-x, -y}; }
    constexpr Vec2f operator*(float s) const { return {x * s, y * s}; }
    constexpr Vec2f operator/(float s) const { return {x / s, y / s}; }
    constexpr Vec2f &operator+=(const Vec2f &o) { x += o.x; y += o.y; return *this; }
    constexpr Vec2f &operator-=(const Vec2f &o) { x -= o.x; y -= o.y; return *this; }
    constexpr bool operator==(const Vec2f &o) const { return x == o.x && y == o.y; }

    constexpr float Dot(const Vec2f &o) const { return x * o.x + y * o.y; }
    constexpr float Length2() const { return x * x + y * y; }
    float Length() const { return std::sqrt(Length2()); }
};

constexpr Vec2f operator*(float s, const Vec2f &v) { return v * s; }

// Computed in double and stored as float.
constexpr Vec2f Interpolate(const Vec2f &a, const Vec2f &b, double t)
{
    return {float((1.0 - t) * a.x + t * b.x), float((1.0 - t) * a.y + t * b.y)};
}

BRANNIC_API std::ostream &operator<<(std::ostream &os, const Vec2f &v);
BRANNIC_API std::istream &operator>>(std::istream &is, Vec2f &v);

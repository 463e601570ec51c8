#pragma once
// A window point in pixels; Range<Vec2i> is a window rectangle.
#include <iosfwd>
#include "utilities/BrannicExport.h"

struct BRANNIC_API Vec2i {
    static constexpr int SIZE = 2;

    int x = 0;
    int y = 0;

    constexpr Vec2i() = default;
    constexpr Vec2i(int x_, int y_) : x(x_), y(y_) {}

    constexpr int operator[](int i) const { return i == 0 ? x : y; }
    constexpr int &operator[](int i) { return i == 0 ? x : y; }

    constexpr Vec2i operator+(const Vec2i &o) const { return {x + o.x, y + o.y}; }
    constexpr Vec2i operator-(const Vec2i &o) const { return {x - o.x, y - o.y}; }
    constexpr Vec2i operator-() const { return {-x, -y}; }
    constexpr Vec2i operator*(int s) const { return {x * s, y * s}; }
    constexpr Vec2i operator/(int s) const { return {x / s, y / s}; }
    constexpr Vec2i &operator+=(const Vec2i &o) { x += o.x; y += o.y; return *this; }
    constexpr Vec2i &operator-=(const Vec2i &o) { x -= o.x; y -= o.y; return *this; }
    constexpr bool operator==(const Vec2i &o) const { return x == o.x && y == o.y; }
};

BRANNIC_API std::ostream &operator<<(std::ostream &os, const Vec2i &v);
BRANNIC_API std::istream &operator>>(std::istream &is, Vec2i &v);

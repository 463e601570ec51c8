#pragma once
// An RGBA colour in single precision. All four components compare,
// interpolate and write, so a saved alpha is never lost.
#include <iosfwd>
#include "utilities/BrannicExport.h"

struct BRANNIC_API Color {
    static constexpr int SIZE = 4;

    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 1.0f;

    constexpr Color() = default;
    constexpr Color(double r_, double g_, double b_, double a_ = 1.0)
        : r(float(r_)), g(float(g_)), b(float(b_)), a(float(a_))
    {
    }

    constexpr float operator[](int i) const { return i == 0 ? r : (i == 1 ? g : (i == 2 ? b : a)); }
    constexpr float &operator[](int i) { return i == 0 ? r : (i == 1 ? g : (i == 2 ? b : a)); }

    constexpr bool operator==(const Color &o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

// Per component (alpha included), computed in double and stored as float.
constexpr Color Interpolate(const Color &c0, const Color &c1, double t)
{
    return {(1.0 - t) * c0.r + t * c1.r, (1.0 - t) * c0.g + t * c1.g, (1.0 - t) * c0.b + t * c1.b,
            (1.0 - t) * c0.a + t * c1.a};
}

// "(r,g,b,a)".
BRANNIC_API std::ostream &operator<<(std::ostream &os, const Color &c);
// Three or four numbers; without the fourth, alpha keeps the value it had.
BRANNIC_API std::istream &operator>>(std::istream &is, Color &c);

#include "solids/GmPredicates.h"

#include <cmath>

namespace solvane {

namespace {
// a - b = x + y exactly.
void TwoDiff(double a, double b, double &x, double &y)
{
    x = a - b;
    const double bv = a - x;
    const double av = x + bv;
    y = (a - av) + (bv - b);
}

// a + b = x + y exactly.
void TwoSum(double a, double b, double &x, double &y)
{
    x = a + b;
    const double bv = x - a;
    const double av = x - bv;
    y = (a - av) + (b - bv);
}

// An exact sum kept as non-overlapping parts of increasing magnitude.
struct Expansion {
    double part[40];
    int count = 0;

    void add(double b)
    {
        double q = b;
        for (int i = 0; i < count; ++i) {
            double sum, low;
            TwoSum(q, part[i], sum, low);
            part[i] = low;
            q = sum;
        }
        part[count++] = q;
    }
    double value() const
    {
        double v = 0.0;
        for (int i = 0; i < count; ++i) {
            v += part[i];
        }
        return v;
    }
};

// The exact sign of (a0 + a1)(b0 + b1) - (c0 + c1)(d0 + d1).
double ExactDeterminant(double a0, double a1, double b0, double b1, double c0, double c1, double d0, double d1)
{
    Expansion e;
    const double left[2] = {a0, a1}, right[2] = {b0, b1}, upper[2] = {c0, c1}, lower[2] = {d0, d1};
    for (double p : left) {
        for (double q : right) {
            const double hi = p * q;
            e.add(hi);
            e.add(std::fma(p, q, -hi));
        }
    }
    for (double p : upper) {
        for (double q : lower) {
            const double hi = p * q;
            e.add(-hi);
            e.add(-std::fma(p, q, -hi));
        }
    }
    return e.value();
}
}  // namespace

double orient2d(double ax, double ay, double bx, double by, double cx, double cy)
{
    const double left = (ax - cx) * (by - cy);
    const double right = (ay - cy) * (bx - cx);
    const double det = left - right;
    // The bound on the rounding error of the evaluation above.
    const double bound = 3.3306690738754716e-16 * (std::abs(left) + std::abs(right));
    if (det > bound || -det > bound) {
        return det;
    }
    double acx, acxTail, bcy, bcyTail, acy, acyTail, bcx, bcxTail;
    TwoDiff(ax, cx, acx, acxTail);
    TwoDiff(by, cy, bcy, bcyTail);
    TwoDiff(ay, cy, acy, acyTail);
    TwoDiff(bx, cx, bcx, bcxTail);
    return ExactDeterminant(acx, acxTail, bcy, bcyTail, acy, acyTail, bcx, bcxTail);
}

}  // namespace solvane

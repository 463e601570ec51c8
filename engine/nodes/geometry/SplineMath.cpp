#include "engine/nodes/geometry/SplineMath.h"

#include <cmath>
#include <vector>

namespace spline {

namespace {

// The weight of point i divided by 3; past the list the last weight holds and
// an empty list means 1.
double W(int count, const float *weights, int i)
{
    if (count <= 0 || !weights)
        return 1.0 / 3.0;
    return double(weights[i < count ? i : count - 1]) / 3.0;
}

Vec3 Bernstein(const Vec3 &a, const Vec3 &b, const Vec3 &c, const Vec3 &d, double t)
{
    const double s = 1.0 - t;
    return a * (s * s * s) + b * (3.0 * t * s * s) + c * (3.0 * t * t * s) + d * (t * t * t);
}

} // namespace

int ToBezier(int kind, bool closed, int n, const Vec3 *P, int wc, const float *wts, Vec3 *out,
             const Vec3 *handles)
{
    const int segments = closed ? n : n - 1;
    if (n <= 0)
        return 0;
    const int m3 = 3 * n;
    // Curves through handles without handles: straight segments.
    if (kind == kHandles && !handles)
        kind = kPolyline;
    if (kind == kPolyline || (n == 2 && !(kind == kHandles && !closed))) {
        for (int i = 0; i < n; ++i) {
            const Vec3 &q = P[(i + 1) % n];
            out[3 * i] = P[i];
            out[3 * i + 1] = P[i] * (2.0 / 3.0) + q * (1.0 / 3.0);
            out[3 * i + 2] = P[i] * (1.0 / 3.0) + q * (2.0 / 3.0);
            out[3 * i + 3] = q;
        }
        return segments;
    }
    if (kind == kHandles) {
        for (int i = 0; i < n; ++i) {
            out[3 * i] = P[i];
            out[3 * i + 1] = P[i] + handles[2 * i + 1];
            out[3 * i + 2] = P[(i + 1) % n] + handles[(2 * i + 2) % (2 * n)];
        }
        out[m3] = closed ? out[0] : P[n - 1];
        return segments;
    }
    std::vector<Vec3> C(P, P + n);
    if (kind == kInterpolating) {
        double w = W(wc, wts, wc > 0 ? wc - 1 : 0);
        // 1 - w = 0 would scale the correction without bound.
        if (std::fabs(1.0 - w) < 1e-9)
            w = 1.0 / 3.0;
        const int first = closed ? 0 : 1;
        const int last = closed ? n - 1 : n - 2;
        for (int sweep = 0; sweep < 30; ++sweep)
            for (int i = first; i <= last; ++i) {
                const Vec3 mid = (C[(i - 1 + n) % n] + C[(i + 1) % n]) * 0.5;
                C[i] = mid + (P[i] - mid) / (1.0 - w);
            }
    }
    for (int i = 0; i < n; ++i) {
        const double wa = W(wc, wts, i);
        const double wb = W(wc, wts, (i + 1) % n);
        const Vec3 &a = C[i];
        const Vec3 &b = C[(i + 1) % n];
        out[3 * i + 1] = a + (b - a) * wa;
        out[3 * i + 2] = b + (a - b) * wb;
    }
    for (int k = 0; k < n; ++k)
        out[3 * k] = (out[(3 * k - 1 + m3) % m3] + out[3 * k + 1]) * 0.5;
    out[m3] = out[0];
    if (!closed) {
        const double w1 = W(wc, wts, 1);
        const Vec3 T = C[0] * w1 + C[1] * (1.0 - w1);
        out[0] = C[0];
        out[1] = (C[0] + T) * 0.5;
        out[2] = T;
        const int e = 3 * (n - 1);
        const double w2 = W(wc, wts, n - 2);
        const Vec3 U = C[n - 2] * (1.0 - w2) + C[n - 1] * w2;
        // With three points the two ends share out[3]; both halves of the
        // pinning then meet there.
        out[3] = (T + out[4]) * 0.5;
        out[e] = C[n - 1];
        out[e - 1] = (C[n - 1] + U) * 0.5;
        out[e - 2] = U;
        out[e - 3] = (out[e - 4] + U) * 0.5;
    }
    return segments;
}

void SampleSegments(int n, int s, const Vec3 *control, Vec3 *out, bool closed, int segments)
{
    if (n <= 0 || s <= 0 || segments <= 0)
        return;
    const int m3 = 3 * n;
    std::vector<double> b(size_t(s) * 4);
    for (int k = 0; k < s; ++k) {
        const double t = double(k) / s;
        const double u = 1.0 - t;
        b[4 * k] = u * u * u;
        b[4 * k + 1] = 3.0 * t * u * u;
        b[4 * k + 2] = 3.0 * t * t * u;
        b[4 * k + 3] = t * t * t;
    }
    int w = 0;
    for (int g = 0; g < segments; ++g) {
        const Vec3 &p0 = control[(3 * g) % m3];
        const Vec3 &p1 = control[(3 * g + 1) % m3];
        const Vec3 &p2 = control[(3 * g + 2) % m3];
        // The open curve's last segment ends on control[3 n - 3 + 3], which
        // is the point stored past the ring.
        const Vec3 &p3 = closed ? control[(3 * g + 3) % m3] : control[3 * g + 3];
        for (int k = 0; k < s; ++k)
            out[w++] = p0 * b[4 * k] + p1 * b[4 * k + 1] + p2 * b[4 * k + 2] + p3 * b[4 * k + 3];
    }
    if (!closed)
        out[w] = control[3 * segments];
}

Vec3 EvalPoint(int n, double t, const Vec3 *control, bool closed)
{
    if (n <= 0)
        return Vec3();
    const int segments = closed ? n : n - 1;
    if (segments <= 0)
        return control[0];
    const double u = t * segments;
    int g = int(std::trunc(u));
    if (g >= segments)
        g = segments - 1;
    if (g < 0)
        g = 0;
    const double f = u - g;
    const int m3 = 3 * n;
    const auto at = [&](int i) -> const Vec3 & { return closed ? control[i % m3] : control[i]; };
    return Bernstein(at(3 * g), at(3 * g + 1), at(3 * g + 2), at(3 * g + 3), f);
}

double ArcLength(int n, int subdiv, const Vec3 *control, bool closed, int segments, double *cumulative,
                 const Vec3 &scale)
{
    if (n <= 0 || segments <= 0 || subdiv <= 0)
        return 0.0;
    const int m = 3 * subdiv;
    const double h = 1.0 / m;
    const int m3 = 3 * n;
    const auto at = [&](int i) -> const Vec3 & { return closed ? control[i % m3] : control[i]; };
    double length = 0.0;
    int c = 0;
    if (cumulative)
        cumulative[c++] = 0.0;
    std::vector<double> f(size_t(m) + 1);
    for (int g = 0; g < segments; ++g) {
        const Vec3 d0 = at(3 * g + 1) - at(3 * g);
        const Vec3 d1 = at(3 * g + 2) - at(3 * g + 1);
        const Vec3 d2 = at(3 * g + 3) - at(3 * g + 2);
        for (int k = 0; k <= m; ++k) {
            const double t = double(k) / m;
            const double u = 1.0 - t;
            const Vec3 d = d0 * (3.0 * u * u) + d1 * (6.0 * u * t) + d2 * (3.0 * t * t);
            f[size_t(k)] = std::sqrt(scale.x * scale.x * d.x * d.x + scale.y * scale.y * d.y * d.y +
                                     scale.z * scale.z * d.z * d.z);
        }
        for (int k = 0; k + 3 <= m; k += 3) {
            length += (f[k] + 3.0 * f[k + 1] + 3.0 * f[k + 2] + f[k + 3]) * 0.375 * h;
            if (cumulative)
                cumulative[c++] = length;
        }
    }
    return length;
}

} // namespace spline

#include "solids/surfaces/DTMMap.h"

#include <algorithm>
#include <cmath>

#include "platform/SgDiagnostics.h"

DTMMap::DTMMap(const Range<Vec3f> &rectangle, double cell, double sigma)
{
    if (!(cell > 0.0) || !std::isfinite(cell)) {
        SgDiagWarning("Solvane", "DTMMap: cell size %g is not positive; 0.1 is used", cell);
        cell = 0.1;
    }
    m_x0 = rectangle.GetMin().x;
    m_y0 = rectangle.GetMin().y;
    const double w = std::max(0.0, double(rectangle.GetMax().x) - m_x0);
    const double h = std::max(0.0, double(rectangle.GetMax().y) - m_y0);
    while ((std::floor(w / cell) + 1) * (std::floor(h / cell) + 1) > double(kMaxNodes)) {
        SgDiagWarning("Solvane", "DTMMap: cells of %g make more than %ld grid nodes; %g is used", cell, kMaxNodes,
                      cell * 2);
        cell *= 2;
    }
    m_cell = cell;
    m_sigma = std::isfinite(sigma) ? std::fabs(sigma) : 0.0;
    // Rounded as the grid is read: a side of 20 cells of 0.1 is 20 cells.
    m_nx = int(std::floor(w / cell + 1e-9));
    m_ny = int(std::floor(h / cell + 1e-9));
    m_radius = std::min(int(3.0 * m_sigma / cell + 1e-9), std::max(m_nx, m_ny));
    InitSample();
}

void DTMMap::InitSample()
{
    const size_t nodes = size_t(m_nx + 1) * size_t(m_ny + 1);
    m_heightSums.assign(nodes, 0.0);
    m_weightSums.assign(nodes, 0.0);
    m_heights.assign(nodes, kNoData);
    const int r = m_radius, side = 2 * r + 1;
    m_kernel.assign(size_t(side) * size_t(side), 1.0);
    const double denominator = 2.0 * m_sigma * m_sigma;
    for (int j = -r; j <= r; ++j)
        for (int i = -r; i <= r; ++i) {
            const double d2 = (i * m_cell) * (i * m_cell) + (j * m_cell) * (j * m_cell);
            m_kernel[size_t(j + r) * size_t(side) + size_t(i + r)] = denominator > 0 ? std::exp(-d2 / denominator) : 1.0;
        }
}

void DTMMap::AddPoint(const Vec3 &p)
{
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
        return;
    const double fi = std::floor((p.x - m_x0) / m_cell), fj = std::floor((p.y - m_y0) / m_cell);
    if (fi < -m_radius || fj < -m_radius || fi > m_nx + m_radius || fj > m_ny + m_radius)
        return;
    const int i = int(fi), j = int(fj), r = m_radius, side = 2 * r + 1;
    for (int b = -r; b <= r; ++b) {
        const int y = j + b;
        if (y < 0 || y > m_ny)
            continue;
        for (int a = -r; a <= r; ++a) {
            const int x = i + a;
            if (x < 0 || x > m_nx)
                continue;
            const double k = m_kernel[size_t(b + r) * size_t(side) + size_t(a + r)];
            const size_t at = size_t(y) * size_t(m_nx + 1) + size_t(x);
            m_heightSums[at] += p.z * k;
            m_weightSums[at] += k;
        }
    }
}

void DTMMap::SampleGrid()
{
    for (size_t at = 0; at < m_heights.size(); ++at)
        m_heights[at] = m_weightSums[at] > 0.0 ? m_heightSums[at] / m_weightSums[at] : kNoData;
}

Vec3 DTMMap::Evaluate(double u, double v) const
{
    const double ex = m_nx * m_cell, ey = m_ny * m_cell;
    const double x = m_x0 + ex * u, y = m_y0 + ey * v;
    const double fx = ex * u / m_cell, fy = ey * v / m_cell;
    const int i = std::clamp(int(std::floor(fx)), 0, std::max(m_nx - 1, 0));
    const int j = std::clamp(int(std::floor(fy)), 0, std::max(m_ny - 1, 0));
    const double tx = std::clamp(fx - i, 0.0, 1.0), ty = std::clamp(fy - j, 0.0, 1.0);
    const int i1 = std::min(i + 1, m_nx), j1 = std::min(j + 1, m_ny);
    const double h00 = Height(i, j), h10 = Height(i1, j), h01 = Height(i, j1), h11 = Height(i1, j1);
    double z = kNoData;
    if (std::isfinite(h00) && std::isfinite(h10) && std::isfinite(h01) && std::isfinite(h11))
        z = ((1 - tx) * h00 + tx * h10) * (1 - ty) + ((1 - tx) * h01 + tx * h11) * ty;
    return Vec3(float(x), float(y), std::isfinite(z) ? double(float(z)) : z);
}

BoxFunc::BoxFunc(const Range<Vec3f> &rectangle)
    : m_x0(rectangle.GetMin().x), m_y0(rectangle.GetMin().y),
      m_w(double(rectangle.GetMax().x) - rectangle.GetMin().x), m_h(double(rectangle.GetMax().y) - rectangle.GetMin().y)
{
}

Vec3 BoxFunc::Evaluate(double u, double v) const
{
    const double a = v * 0.65 + u;
    const double ramp = (u - 0.6 * v < 0) ? 0.0 : (a < 1 ? a : a - (a - 1) * 0.4);
    const double base = std::max(0.5 - (0.3 * u + 0.5 * v), ramp);
    double z = base;
    if (u > 0.7 && u < 0.8 && v > 0.7 && v < 0.8)
        z = 0.2;
    else if (u > 0.2 && u < 0.3 && v > 0.1 && v < 0.16)
        z = base - 0.2;
    return Vec3(m_x0 + m_w * u, m_y0 + m_h * v, z);
}

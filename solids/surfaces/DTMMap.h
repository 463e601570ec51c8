#pragma once
// A terrain map: scattered measured points gathered into a grid by Gaussian
// weights, read back as heights by bilinear interpolation. A grid node that
// received no point has no data (NaN), and so has every place next to one;
// a measured height of 0 is data like any other.
#include <vector>

#include "solids/surfaces/PointUVFunc.h"
#include "utilities/math/Range.h"
#include "utilities/math/Vec3f.h"
#include "solids/SolvaneExport.h"

class SOLVANE_API DTMMap : public PointUVFunc {
public:
    // More grid nodes than this are refused: the cell size is raised until
    // the grid fits, with a diagnostic.
    static constexpr long kMaxNodes = 16L * 1024 * 1024;

    // Over the rectangle's x and y, cells of size `cell`, Gaussian radius
    // `sigma` (both in scene units; a cell of 0 or less, or not finite, is
    // refused and 0.1 used).
    DTMMap(const Range<Vec3f> &rectangle, double cell, double sigma);

    // Clears the sums and recomputes the kernel.
    void InitSample();
    void AddPoint(const Vec3 &p);
    // Turns the sums into heights.
    void SampleGrid();
    Vec3 Evaluate(double u, double v) const override;

    int NodesX() const { return m_nx + 1; }
    int NodesY() const { return m_ny + 1; }
    int KernelRadius() const { return m_radius; }
    double Height(int i, int j) const { return m_heights[size_t(j) * size_t(m_nx + 1) + size_t(i)]; }
    double CellSize() const { return m_cell; }

private:
    double m_x0 = 0, m_y0 = 0;
    double m_cell = 0.1;
    double m_sigma = 0.1;
    int m_nx = 0, m_ny = 0;
    int m_radius = 0;
    std::vector<double> m_kernel;
    std::vector<double> m_heightSums;
    std::vector<double> m_weightSums;
    std::vector<double> m_heights;
};

// The built-in test relief over a rectangle: a tilted plane with a step,
// a raised square near (0.75, 0.75) and a dip near (0.25, 0.13).
class SOLVANE_API BoxFunc : public PointUVFunc {
public:
    explicit BoxFunc(const Range<Vec3f> &rectangle);
    Vec3 Evaluate(double u, double v) const override;

private:
    double m_x0, m_y0, m_w, m_h;
};

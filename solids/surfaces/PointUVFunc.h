#pragma once
// A surface given over unit parameters: (u, v) in [0, 1] x [0, 1] to a point.
// A point whose z is not finite (NaN) has no data: surfaces built from it
// leave a hole there. Height 0 is a height like any other.
#include <cmath>
#include <limits>

#include "utilities/math/Vec3.h"
#include "solids/SolvaneExport.h"

class SOLVANE_API PointUVFunc {
public:
    static constexpr double kNoData = std::numeric_limits<double>::quiet_NaN();
    static bool HasData(const Vec3 &p) { return std::isfinite(p.z); }

    virtual ~PointUVFunc() = default;
    virtual Vec3 Evaluate(double u, double v) const = 0;
};

#include "engine/core/DxSplineR3Func.h"

#include <vector>

#include "platform/SgDiagnostics.h"

void DxSplineR3Func::Evaluate()
{
    int n = m_input.GetSource() ? m_input.GetSize() : 0;
    if (n > R3Spline::kMaxPoints) {
        if (!m_bCapacityReported)
            SgDiagWarning("Geometry", "DxSplineR3Func: %d control points; a curve takes the first %d", n,
                          R3Spline::kMaxPoints);
        m_bCapacityReported = true;
        n = R3Spline::kMaxPoints;
    }
    std::vector<Vec3> weighted(static_cast<size_t>(n > 0 ? n : 0));
    // C(n - 1, i) by the running product, so Bernstein sums need no more.
    double c = 1.0;
    for (int i = 0; i < n; ++i) {
        weighted[static_cast<size_t>(i)] = m_input.Get(i) * c;
        const int m = n - i - 1 == 0 ? 1 : n - i - 1;
        c = c * m / (i + 1);
    }
    R3Spline &spline = m_splines[m_nNext];
    spline.SetWeightedPoints(weighted.empty() ? nullptr : weighted.data(), n);
    R3Func *result = &spline;
    m_output.set(&result);
    m_nNext = (m_nNext + 1) % kRing;
}

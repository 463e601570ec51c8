#include "solids/modifiers/DxCurveSplineR3Func.h"

#include <vector>

#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "platform/SgDiagnostics.h"

namespace {

// The points of the curve's first loop, sampled.
std::vector<Vec3> CurvePoints(SgNode *node)
{
    std::vector<Vec3> points;
    if (!node || !node->IsDerivedFrom(SgGenPolyLine::ClassID()))
        return points;
    auto *curve = static_cast<SgGenPolyLine *>(node);
    curve->sample(-1);
    const Vec3 *loop = curve->NumLoops() > 0 ? curve->GetLoop(0) : nullptr;
    const int n = loop ? curve->LoopSize(0) : 0;
    points.assign(loop, loop + (n > 0 ? n : 0));
    return points;
}

} // namespace

DxCurveSplineR3Func::DxCurveSplineR3Func() = default;
DxCurveSplineR3Func::~DxCurveSplineR3Func() = default;

void DxCurveSplineR3Func::SetCurve(SgGenPolyLine *curve)
{
    m_curve = curve;
    m_output.Invalidate();
}

void DxCurveSplineR3Func::Evaluate()
{
    std::vector<Vec3> points = CurvePoints(m_curve.get());
    const int n = int(points.size());
    if (n > R3Spline::kMaxPoints) {
        SgDiagWarning("Modifiers",
                      "DxCurveSplineR3Func: a curve of %d points is thinned to the %d a Bezier path holds", n,
                      R3Spline::kMaxPoints);
        std::vector<Vec3> thinned;
        for (int i = 0; i < R3Spline::kMaxPoints; ++i)
            thinned.push_back(points[size_t(double(i) * (n - 1) / (R3Spline::kMaxPoints - 1) + 0.5)]);
        points.swap(thinned);
    }
    // Weighted by C(m - 1, i), built up incrementally.
    const int m = int(points.size());
    double c = 1.0;
    for (int i = 0; i < m; ++i) {
        points[size_t(i)] = points[size_t(i)] * c;
        c = c * (m - 1 - i) / (i + 1);
    }
    R3Spline &slot = m_ring[size_t(m_current)];
    slot.SetWeightedPoints(points.data(), m);
    R3Func *value = &slot;
    m_output.set(&value);
    m_current = (m_current + 1) % kRing;
}

DxGenPolylineR3Func::DxGenPolylineR3Func() = default;
DxGenPolylineR3Func::~DxGenPolylineR3Func() = default;

void DxGenPolylineR3Func::SetCurve(SgGenPolyLine *curve)
{
    m_curve = curve;
    m_output.Invalidate();
}

void DxGenPolylineR3Func::Evaluate()
{
    const std::vector<Vec3> points = CurvePoints(m_curve.get());
    bool closed = false;
    if (m_curve && m_curve->IsDerivedFrom(SgGenPolyLine::ClassID()))
        closed = static_cast<SgGenPolyLine *>(m_curve.get())->IsClosed();
    auto function = std::make_unique<R3GenPolyFunc>(points.data(), int(points.size()), closed);
    m_ring[size_t(m_current)] = std::move(function);
    R3Func *value = m_ring[size_t(m_current)].get();
    m_output.set(&value);
    m_current = (m_current + 1) % kRing;
}

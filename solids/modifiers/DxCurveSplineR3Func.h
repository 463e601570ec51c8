#pragma once
// Dataflow modules that turn a curve node into a path function for the path
// modifier's "pathFunc": DxCurveSplineR3Func as the Bezier curve over the
// curve's points (at most R3Spline::kMaxPoints of them: a longer curve is thinned
// evenly, first and last kept, with a diagnostic), DxGenPolylineR3Func as the
// polyline through them parametrised by arc length. Each keeps its last five
// results, so a reader still holding one of them reads a live object while
// the module evaluates again.
#include <array>
#include <memory>

#include "engine/core/DxOutput.h"
#include "engine/core/RxFunc.h"
#include "engine/core/SgRef.h"
#include "solids/modifiers/R3GenPolyFunc.h"
#include "solids/SolvaneExport.h"

class SgGenPolyLine;
class SgNode;

class SOLVANE_API DxCurveSplineR3Func : public DxModule {
public:
    static constexpr int kRing = 5;

    DxCurveSplineR3Func();
    ~DxCurveSplineR3Func() override;

    // The curve read on every evaluation (held by reference); null empties
    // the function.
    void SetCurve(SgGenPolyLine *curve);
    void Evaluate() override;

    DxOutput<R3Func *> m_output{this};

private:
    SgRef<SgNode> m_curve;
    std::array<R3Spline, kRing> m_ring;
    int m_current = 0;
};

class SOLVANE_API DxGenPolylineR3Func : public DxModule {
public:
    static constexpr int kRing = 5;

    DxGenPolylineR3Func();
    ~DxGenPolylineR3Func() override;

    void SetCurve(SgGenPolyLine *curve);
    void Evaluate() override;

    DxOutput<R3Func *> m_output{this};

private:
    SgRef<SgNode> m_curve;
    std::array<std::unique_ptr<R3GenPolyFunc>, kRing> m_ring;
    int m_current = 0;
};

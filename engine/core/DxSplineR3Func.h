#pragma once
// The dataflow module that turns an array of control points into a Bezier
// curve object: what a path-driven node (the wrapper) reads as its path.
#include "engine/core/DxInput.h"
#include "engine/core/DxOutput.h"
#include "engine/core/RxFunc.h"
#include "engine/core/NodaraExport.h"

class NODARA_API DxSplineR3Func : public DxModule {
public:
    // Curves kept in turn, so that a reader holding the pointer it read sees
    // an unchanged curve until this many further evaluations.
    static constexpr int kRing = 5;

    // The output points at the next curve of the ring, filled from the
    // input's points with their binomial weights. Points past the curve's
    // capacity (R3Spline::kMaxPoints) are left out with a diagnostic.
    void Evaluate() override;

    DxInput<Vec3> m_input{this};
    DxOutput<R3Func *> m_output{this};

private:
    R3Spline m_splines[kRing];
    int m_nNext = 0;
    bool m_bCapacityReported = false;
};

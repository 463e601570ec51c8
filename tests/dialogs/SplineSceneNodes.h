#pragma once
// The two nodes a custom spline scene declares, by which the custom spline
// dialog finds its fields: "SplineParams<name>" (av, bv, c and the field
// after c) and "SplineLen<name>" (a, the whole curve's length).
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"

class SgSplineParamsTest : public SgNode {
    SG_CLASS_HEADER(SgSplineParamsTest, SgFieldMngr)
    SgSplineParamsTest();
    SgFDouble av, bv, c, d;

protected:
    ~SgSplineParamsTest() override = default;
};

class SgSplineLenTest : public SgNode {
    SG_CLASS_HEADER(SgSplineLenTest, SgFieldMngr)
    SgSplineLenTest();
    SgFDouble a;

protected:
    ~SgSplineLenTest() override = default;
};

// Registers both classes once (after the engine's start-up).
void RegisterSplineSceneNodes();

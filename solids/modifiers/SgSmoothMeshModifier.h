#pragma once
// Rebuilds a shape as a solid smoothed by "iterations" subdivision passes
// (every face becomes quads around its face point). 0 passes, or a negative
// count, gives the shape as a solid unsmoothed.
#include "engine/core/SgModifier.h"
#include "engine/core/SgTField.h"
#include "solids/SolvaneExport.h"

class SOLVANE_API SgSmoothMeshModifier : public SgModifier {
    SG_CLASS_HEADER(SgSmoothMeshModifier, SgFieldMngr)

    SgSmoothMeshModifier();

    // A new solid node holding the rebuilt solid; null (the shape unchanged)
    // when the shape gives no solid.
    SgShape *ApplyModifier(SgAction *action, SgShape *input, Transform3 *transform, bool last) override;

    SgFInt m_iterations;

protected:
    ~SgSmoothMeshModifier() override = default;
};

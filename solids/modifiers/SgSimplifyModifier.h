#pragma once
// Rebuilds a shape as a solid whose coplanar neighbouring faces (within
// "epsilon") are merged into one.
#include "engine/core/SgModifier.h"
#include "engine/core/SgTField.h"
#include "solids/SolvaneExport.h"

class SOLVANE_API SgSimplifyModifier : public SgModifier {
    SG_CLASS_HEADER(SgSimplifyModifier, SgFieldMngr)

    SgSimplifyModifier();

    // A new solid node holding the rebuilt solid; null (the shape unchanged)
    // when the shape gives no solid.
    SgShape *ApplyModifier(SgAction *action, SgShape *input, Transform3 *transform, bool last) override;

    SgFDouble m_epsilon;

protected:
    ~SgSimplifyModifier() override = default;
};

#pragma once
// Rebuilds a shape as a solid whose faces that are not planar within
// "epsilon" are cut into triangles.
#include "engine/core/SgModifier.h"
#include "engine/core/SgTField.h"
#include "solids/SolvaneExport.h"

class SOLVANE_API SgTriangulateModifier : public SgModifier {
    SG_CLASS_HEADER(SgTriangulateModifier, SgFieldMngr)

    SgTriangulateModifier();

    // A new solid node holding the rebuilt solid; null (the shape unchanged)
    // when the shape gives no solid.
    SgShape *ApplyModifier(SgAction *action, SgShape *input, Transform3 *transform, bool last) override;

    SgFDouble m_epsilon;

protected:
    ~SgTriangulateModifier() override = default;
};

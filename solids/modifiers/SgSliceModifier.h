#pragma once
// Cuts a shape with a flat sheet placed by its gizmo (the gizmo's z = 0
// plane): "sliceType" 0 splits the shape along the sheet and keeps both
// sides, 1 cuts away the side the gizmo's +z points to, 2 the other side.
// The shape is rebuilt as a solid node; its gizmo shows the sheet edge-on.
#include "solids/modifiers/SgObjSpaceModifier.h"
#include "solids/SolvaneExport.h"

class SOLVANE_API SgSliceModifier : public SgObjSpaceModifier {
    SG_CLASS_HEADER(SgSliceModifier, SgFieldMngr)

    SgSliceModifier();

    // A new solid node with the sliced solid; null (the shape unchanged)
    // when the shape gives no solid or the cut cannot be made soundly, the
    // latter with a diagnostic.
    SgShape *ApplyModifier(SgAction *action, SgShape *input, Transform3 *transform, bool last) override;
    // The base's group, with a thin box across the sheet in place of the
    // wire box, the control modifier naming that box.
    SgGroup *CreateGizmoGroup(SgObject *object, bool fitToObject, bool centred) override;

    SgFInt m_sliceType;
    SgFVec3f m_rectSize;

protected:
    ~SgSliceModifier() override = default;
};

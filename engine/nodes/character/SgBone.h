#pragma once
// The visible bone of a skeleton: a prism along the object's +Z axis that
// starts at z = 0 and tapers to nothing at both ends, at its widest a tenth
// of the way up. "skinTransform" keeps the bind pose of the bone object's
// transform while a skin is bound to the skeleton (see CharAnimControl).
#include "engine/core/SgVecField.h"
#include "engine/nodes/geometry/SgPrizm.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgBone : public SgPrizm {
    SG_CLASS_HEADER(SgBone, SgFieldMngr)

    SgBone();

    // Rebuilds the rectangular profile from "width" and "depth" and the
    // fixed taper curve, then extrudes as a prism does.
    void DoExtrude(SgFaceSet *faceSet, SgAction *action) override;

    // The transform node "skinTransform" holds; null when the field was
    // cleared or holds another class.
    SgNode *GetSkinTransform() const;

    SgFDouble m_width;
    SgFDouble m_depth;
    // Kept for scene files; nothing in the skinning reads them.
    SgVFDouble m_innerLimit;
    SgVFDouble m_outerLimit;
    SgFNodePtr m_skinTransform;

protected:
    ~SgBone() override = default;
};

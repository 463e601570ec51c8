#pragma once
// A cone: a circle of "bottomRadius" with "slices" sides swept up "height"
// and shrunk to a point along the way by its scale curve; the caps are
// fans of "capSegments" rings.
#include "engine/nodes/geometry/SgPrizm.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgCone : public SgPrizm {
    SG_CLASS_HEADER(SgCone, SgFieldMngr)

    SgCone();

    void DoExtrude(SgFaceSet *faceSet, SgAction *action) override;
    // From the fields, without building; it follows "zeroBase".
    Range<Vec3f> BoundingBox() override { return RoundBox(m_bottomRadius.Get()); }

    SgFDouble m_bottomRadius;
    SgFInt m_slices;

protected:
    ~SgCone() override = default;
};

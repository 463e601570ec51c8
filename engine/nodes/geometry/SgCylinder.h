#pragma once
// A cylinder: a circle of "radius" with "slices" sides swept up "height";
// the caps are fans of "capSegments" rings.
#include "engine/nodes/geometry/SgPrizm.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgCylinder : public SgPrizm {
    SG_CLASS_HEADER(SgCylinder, SgFieldMngr)

    SgCylinder();

    void DoExtrude(SgFaceSet *faceSet, SgAction *action) override;
    // From the fields, without building; it follows "zeroBase".
    Range<Vec3f> BoundingBox() override { return RoundBox(m_radius.Get()); }

    SgFDouble m_radius;
    SgFInt m_slices;

protected:
    ~SgCylinder() override = default;
};

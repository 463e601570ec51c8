#pragma once
// A box: a rectangle of "width" by "depth" swept up "height", each side of
// the rectangle divided into "widthSegs" or "depthSegs" parts, its caps
// filled with a grid of matching cells.
#include "engine/nodes/geometry/SgPrizm.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgBox : public SgPrizm {
    SG_CLASS_HEADER(SgBox, SgFieldMngr)

    SgBox();

    void DoExtrude(SgFaceSet *faceSet, SgAction *action) override;
    // From the fields, without building; it follows "zeroBase".
    Range<Vec3f> BoundingBox() override;

    SgFDouble m_width;
    SgFDouble m_depth;
    SgFInt m_widthSegs;
    SgFInt m_depthSegs;

protected:
    ~SgBox() override = default;
};

#pragma once
// A flat rectangle of "width" by "height" in the xy plane, centred on the
// origin: a straight profile along x swept along a straight spine along y,
// divided into "widthSegs" by "segments" cells.
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgPlane : public SgExtrude {
    SG_CLASS_HEADER(SgPlane, SgFieldMngr)

    // Sizes are taken as at least this.
    static constexpr double kMinSize = 0.001;

    SgPlane();

    void DoExtrude(SgFaceSet *faceSet, SgAction *action) override;

    SgFDouble m_width;
    SgFDouble m_height;
    SgFInt m_widthSegs;

protected:
    ~SgPlane() override = default;
};

#pragma once
// An open polyline whose inner corners are rounded with the radii of
// "filetRadius", taken in turn for each rounded corner.
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgFiletPolyLine : public SgGenPolyLine {
    SG_CLASS_HEADER(SgFiletPolyLine, SgFieldMngr)

    SgFiletPolyLine();
    // The argument is not used. Fewer than 3 points or an empty radius list
    // (no size rather than a negative one, which a reader could index by)
    // give an empty curve (the latter with a diagnostic).
    void sample(int subdivision) override;

    SgVFVec3 m_coordinates;
    SgVFInt m_jumps;
    SgVFDouble m_filetRadius;

protected:
    ~SgFiletPolyLine() override = default;
};

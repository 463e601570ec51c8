#pragma once
// A torus knot: the tube of a torus swept along a (P, Q) knot that winds P
// times about the z axis and Q times through the hole, sampled into
// "segments" points before every build. Whole P and Q close the knot.
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgTorusKnot : public SgTorus {
    SG_CLASS_HEADER(SgTorusKnot, SgFieldMngr)

    // A path whose ends lie closer than this is closed.
    static constexpr double kClosingDistance = 0.001;

    SgTorusKnot();

    void DoExtrude(SgFaceSet *faceSet, SgAction *action) override;

    SgFFloat m_P;
    SgFFloat m_Q;
    // 0, 1 or 2: the knot formula; any other value takes 0.
    SgFInt m_type;
    // The knot's minor radius as a fraction of "radius1".
    SgFFloat m_ratio;
    // The height of the knot's excursion along z, in minor radii.
    SgFFloat m_heightRatio;

protected:
    ~SgTorusKnot() override = default;
};

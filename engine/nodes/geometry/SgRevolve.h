#pragma once
// A lathe: the profile curve, in its own xy plane, turned a full circle
// about the z axis in "sides" steps. The profile's x is the distance from
// the axis; "segments" subdivides the profile.
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgRevolve : public SgExtrude {
    SG_CLASS_HEADER(SgRevolve, SgFieldMngr)

    // The radius of the circle the profile is carried along: the sweep
    // needs a path with a direction, and the profile is moved out by as
    // much, so that its x = 0 lies on the axis.
    static constexpr double kPathRadius = 0.005;

    SgRevolve();

    void DoExtrude(SgFaceSet *faceSet, SgAction *action) override;

    SgFInt m_sides;

protected:
    ~SgRevolve() override = default;
    // The revolution with the given number of sides (at least 3).
    void BuildRevolution(SgFaceSet *faceSet, SgAction *action, int sides);
};

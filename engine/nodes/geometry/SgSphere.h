#pragma once
// A sphere turned from an arc: its rings and meridians both take
// "segments". "heightRatio" keeps that fraction of the sphere's height,
// from the top pole down, and closes the cut with a flat cap.
#include "engine/nodes/geometry/SgRevolve.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgSphere : public SgRevolve {
    SG_CLASS_HEADER(SgSphere, SgFieldMngr)

    SgSphere();

    void DoExtrude(SgFaceSet *faceSet, SgAction *action) override;
    // From the fields, without building: from the top pole down to the cut
    // that "heightRatio" places.
    Range<Vec3f> BoundingBox() override;

    SgFDouble m_radius;
    // Kept for files; not used.
    SgFInt m_complexity;
    SgFDouble m_heightRatio;

protected:
    ~SgSphere() override = default;
};

#pragma once
// A torus: a circle of "radius2" with "sides" sides swept round a circle of
// "radius1" with "segments" sides, about the z axis.
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgTorus : public SgExtrude {
    SG_CLASS_HEADER(SgTorus, SgFieldMngr)

    SgTorus();

    void DoExtrude(SgFaceSet *faceSet, SgAction *action) override;

    SgFDouble m_radius1;
    SgFDouble m_radius2;
    SgFInt m_sides;

protected:
    ~SgTorus() override = default;
    // Brings the tube circle (slot 0) to "radius2" and "sides".
    void PrepareTube();
};

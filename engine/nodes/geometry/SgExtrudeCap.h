#pragma once
// A sweep whose open ends are finished with shaped caps: quarter or half
// arcs of a given radius swept around the body's end rings, starting
// exactly on them, so the caps share the body's vertices.
#include <vector>

#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgExtrudeCap : public SgExtrude {
    SG_CLASS_HEADER(SgExtrudeCap, SgFieldMngr)

    // Steps per quarter arc beyond this are taken as it.
    static constexpr int kMaxCapSteps = 1000;
    // The highest cap type that names a shape (a half arc).
    static constexpr int kLastCapType = 13;

    SgExtrudeCap();
    void DoExtrude(SgFaceSet *faceSet, SgAction *action) override;

    // The arc of a cap type (2..13) with its radius and steps per quarter:
    // (0,0,0) and then one point per step. Steps below 0 count as 0.
    static std::vector<Vec3> CapArc(int capType, double radius, int steps);
    // The type itself when it names a cap, else the flat cap (said).
    int CheckedCapType(int type) const;

    SgFInt m_capType1;
    SgFInt m_capType2;
    SgFDouble m_capRadius1;
    SgFDouble m_capRadius2;
    SgFInt m_capSteps1;
    SgFInt m_capSteps2;

protected:
    ~SgExtrudeCap() override = default;
};

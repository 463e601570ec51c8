#include "engine/nodes/geometry/SgCone.h"

#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgPolyLine.h"

SG_CLASS_SOURCE(SgCone, SgPrizm, SgFieldMngr, "SgCone")

SgCone::SgCone()
{
    AddField(m_bottomRadius, "bottomRadius", 0.5);
    AddField(m_slices, "slices", 36);
    SetQuietly(m_capping, 1);
    SetBuiltinMacro(true);
    InstallCurve(new SgCircle, kProfileSlot);
    // Full size at the base, next to nothing at the top.
    auto *scale = new SgPolyLine;
    const Vec3 points[2] = {{0.0, 1.0, 0.0}, {1.0, 0.0001, 0.0}};
    scale->DisableUndo();
    scale->AddLoop(2, points);
    InstallCurve(scale, kScaleSlot);
}

void SgCone::DoExtrude(SgFaceSet *faceSet, SgAction *action)
{
    PrepareCircleProfile(m_bottomRadius.Get(), m_slices.Get());
    SgPrizm::DoExtrude(faceSet, action);
}

#include "engine/nodes/geometry/SgCylinder.h"

#include "engine/nodes/geometry/SgCircle.h"

SG_CLASS_SOURCE(SgCylinder, SgPrizm, SgFieldMngr, "SgCylinder")

SgCylinder::SgCylinder()
{
    AddField(m_radius, "radius", 0.5);
    AddField(m_slices, "slices", 36);
    SetQuietly(m_capping, 1);
    SetBuiltinMacro(true);
    InstallCurve(new SgCircle, kProfileSlot);
}

void SgCylinder::DoExtrude(SgFaceSet *faceSet, SgAction *action)
{
    PrepareCircleProfile(m_radius.Get(), m_slices.Get());
    SgPrizm::DoExtrude(faceSet, action);
}

#include "engine/nodes/geometry/SgTorus.h"

#include "engine/nodes/geometry/SgCircle.h"
#include "platform/SgError.h"

SG_CLASS_SOURCE(SgTorus, SgExtrude, SgFieldMngr, "SgTorus")

namespace {

// Writes a circle's fields only when they change, so an unchanged torus
// sends no notices while it builds.
void SetCircle(SgCircle *circle, double radius, int segments)
{
    if (!circle)
        return;
    if (circle->m_radius.Get() != radius)
        circle->m_radius.Set(radius);
    if (circle->m_segments.Get() != segments)
        circle->m_segments.Set(segments);
}

} // namespace

SgTorus::SgTorus()
{
    AddField(m_radius1, "radius1", 1.0);
    AddField(m_radius2, "radius2", 0.25);
    AddField(m_sides, "sides", 20);
    SetQuietly(m_segments, 32);
    SetBuiltinMacro(true);
    InstallCurve(new SgCircle, kProfileSlot);
    InstallCurve(new SgCircle, kSpineSlot);
}

void SgTorus::PrepareTube()
{
    SetCircle(dynamic_cast<SgCircle *>(GetSlotNode(kProfileSlot)), m_radius2.Get(),
              ClampedCount(this, "sides", m_sides.Get(), 3));
}

void SgTorus::DoExtrude(SgFaceSet *faceSet, SgAction *action)
{
    // Without a ring or a tube the sweep collapses onto a circle or a point
    // and leaves only flat caps behind.
    if (m_radius1.Get() == 0.0 || m_radius2.Get() == 0.0)
        throw SgInvalidArgument("SgTorus: a torus of radius 0 has no faces");
    PrepareTube();
    SetCircle(dynamic_cast<SgCircle *>(GetSlotNode(kSpineSlot)), m_radius1.Get(),
              ClampedCount(this, "segments", m_segments.Get(), 3));
    SgExtrude::DoExtrude(faceSet, action);
}

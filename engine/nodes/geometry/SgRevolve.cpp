#include "engine/nodes/geometry/SgRevolve.h"

#include <cmath>
#include <vector>

#include "engine/core/PolyVec.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/ExtrudeBuilder.h"
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/nodes/geometry/SgPolyLine.h"

SG_CLASS_SOURCE(SgRevolve, SgExtrude, SgFieldMngr, "SgRevolve")

namespace {
constexpr double kTwoPi = 6.283185307179586;
} // namespace

SgRevolve::SgRevolve()
{
    AddField(m_sides, "sides", 32);
    m_twistAngle.SetIgnored(true);
}

void SgRevolve::DoExtrude(SgFaceSet *faceSet, SgAction *action)
{
    BuildRevolution(faceSet, action, m_sides.Get());
}

void SgRevolve::BuildRevolution(SgFaceSet *faceSet, SgAction *action, int sides)
{
    const double crease = CreaseAngle(action);
    const int s = ClampedCount(this, "sides", sides, 3);
    const int segments = ClampedCount(this, "segments", m_segments.Get(), 1);
    SgGenPolyLine *profile = GetProfile();
    if (!profile || !faceSet)
        return;

    PolyVec circle;
    circle.SetClosed(true);
    circle.Reserve(s);
    for (int k = 0; k < s; ++k) {
        const double angle = kTwoPi * k / s;
        circle.AddPoint(Vec3(kPathRadius * std::cos(angle), kPathRadius * std::sin(angle), 0.0));
    }

    profile->sample(segments);
    SgRef<SgPolyLine> shifted = new SgPolyLine;
    shifted->DisableUndo();
    const Vec3 offset(kPathRadius, 0.0, 0.0);
    for (int i = 0; i < profile->NumLoops(); ++i) {
        const int n = profile->LoopSize(i);
        const Vec3 *points = n > 0 ? profile->GetLoop(i) : nullptr;
        if (!points)
            continue;
        std::vector<Vec3> moved(points, points + n);
        for (Vec3 &p : moved)
            p += offset;
        shifted->AddLoop(n, moved.data());
    }
    shifted->m_closed.Set(profile->IsClosed() ? 1 : 0);

    ExtrudeParams params = m_params;
    params.cap0 = m_cap0.Get();
    params.cap1 = m_cap1.Get();
    // The circle is a plain point list, which does not count as curved:
    // the sweep is made smooth explicitly.
    extrude(faceSet, &params, shifted.get(), &circle, nullptr, nullptr, 0.0, crease, m_segments.Get(), nullptr,
            nullptr, ExtrudeBuilder::kPathSmooth);
}

#include "engine/nodes/geometry/SgSphere.h"

#include <algorithm>
#include <cmath>

#include "engine/nodes/geometry/SgCircle.h"
#include "platform/SgError.h"

SG_CLASS_SOURCE(SgSphere, SgRevolve, SgFieldMngr, "SgSphere")

namespace {
constexpr double kRadiansToDegrees = 57.29577951308232;
// Height ratios are kept in this range: at least a sliver of the sphere.
constexpr double kMinHeightRatio = 0.0001;
// Above this the whole sphere is built, bottom pole included.
constexpr double kWholeSphere = 0.99999;
} // namespace

SgSphere::SgSphere()
{
    AddField(m_radius, "radius", 1.0);
    AddField(m_complexity, "complexity", 2);
    AddField(m_heightRatio, "heightRatio", 1.0);
    m_complexity.SetIgnored(true);
    m_sides.SetIgnored(true);
    SetQuietly(m_segments, 32);
    SetBuiltinMacro(true);
    InstallCurve(new SgArc, kProfileSlot);
}

namespace {

// The share of the height that is kept, as the build takes it.
double KeptHeight(double ratio)
{
    if (!(ratio < 1.0))
        ratio = 1.0;
    if (!(ratio > kMinHeightRatio))
        ratio = kMinHeightRatio;
    return ratio;
}

} // namespace

Range<Vec3f> SgSphere::BoundingBox()
{
    const double r = std::fabs(m_radius.Get());
    const double h = KeptHeight(m_heightRatio.Get());
    const double low = r * (1.0 - 2.0 * h);
    // Below the equator the cut is the widest ring; above it the equator is.
    const double across = h >= 0.5 ? r : std::sqrt(std::max(0.0, r * r - low * low));
    return Range<Vec3f>(Vec3f(float(-across), float(-across), float(low)), Vec3f(float(across), float(across), float(r)));
}

void SgSphere::DoExtrude(SgFaceSet *faceSet, SgAction *action)
{
    const double h = KeptHeight(m_heightRatio.Get());
    const int segments = ClampedCount(this, "segments", m_segments.Get(), 3);

    if (auto *arc = dynamic_cast<SgArc *>(GetSlotNode(kProfileSlot))) {
        // A radius given negative names the same sphere.
        const double radius = std::fabs(m_radius.Get());
        const double angle = std::acos(1.0 - 2.0 * h) * kRadiansToDegrees;
        if (arc->m_radius.Get() != radius)
            arc->m_radius.Set(radius);
        if (arc->m_startAngle.Get() != 90.0)
            arc->m_startAngle.Set(90.0);
        if (arc->m_angle.Get() != angle)
            arc->m_angle.Set(angle);
        if (arc->m_segments.Get() != segments)
            arc->m_segments.Set(segments);
    }
    // Rings and meridians take one count; the ignored field is only kept in
    // step for the file.
    SetQuietly(m_sides, segments);

    ExtrudeParams params;
    params.textureMapType = 1;
    params.startCapType = ExtrudeParams::kPoleCap;
    params.endCapType = h > kWholeSphere ? ExtrudeParams::kPoleCap : ExtrudeParams::kFlatCap;
    SetParams(params);
    BuildRevolution(faceSet, action, segments);
}

#include "engine/nodes/geometry/SgPrizm.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/CrossSectionFunction.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgPolyLine.h"

SG_CLASS_SOURCE(SgPrizm, SgExtrude, SgFieldMngr, "SgPrizm")

namespace {

// Puts back what a build lent the parameter record, also when it throws.
class LentParams {
public:
    explicit LentParams(ExtrudeParams &params) : m_params(params) {}
    ~LentParams()
    {
        m_params.pathOverride = nullptr;
        m_params.crossSectionFunction = nullptr;
    }
    LentParams(const LentParams &) = delete;
    LentParams &operator=(const LentParams &) = delete;

private:
    ExtrudeParams &m_params;
};

} // namespace

SgPrizm::SgPrizm()
{
    AddField(m_height, "height", 1.0);
    AddField(m_zeroBase, "zeroBase", static_cast<unsigned short>(0));
    AddField(m_capSegments, "capSegments", 1);
    SetQuietly(m_segments, 1);
}

double SgPrizm::GetSpineHeight() const
{
    return std::max(std::fabs(m_height.Get()), kMinHeight);
}

double SgPrizm::GetBaseZ() const
{
    return m_zeroBase.Get() != 0 ? 0.0 : -0.5 * GetSpineHeight();
}

void SgPrizm::DoExtrude(SgFaceSet *faceSet, SgAction *action)
{
    LentParams lent(m_params);
    const double h = GetSpineHeight();
    const double base = GetBaseZ();
    const int n = ClampedCount(this, "segments", m_segments.Get(), 1);

    SgRef<SgPolyLine> spine = new SgPolyLine;
    spine->DisableUndo();
    std::vector<Vec3> points;
    points.reserve(size_t(n) + 1);
    for (int i = 0; i <= n; ++i)
        points.emplace_back(0.0, 0.0, base + i * h / n);
    spine->m_coordinates.SetVals(int(points.size()), points.data());
    m_params.pathOverride = spine.get();

    RadialCrossSectionFunction radial(ClampedCount(this, "capSegments", m_capSegments.Get(), 0));
    if (m_capping.Get() == 1)
        m_params.crossSectionFunction = &radial;
    SgExtrude::DoExtrude(faceSet, action);
}

void SgPrizm::PrepareCircleProfile(double radius, int slices)
{
    auto *circle = dynamic_cast<SgCircle *>(GetSlotNode(kProfileSlot));
    if (!circle)
        return;
    const int segments = ClampedCount(this, "slices", slices, 3);
    if (circle->m_radius.Get() != radius)
        circle->m_radius.Set(radius);
    if (circle->m_segments.Get() != segments)
        circle->m_segments.Set(segments);
}

void SgPrizm::SpineRange(float &low, float &high) const
{
    const double base = GetBaseZ();
    low = float(base);
    high = float(base + GetSpineHeight());
}

Range<Vec3f> SgPrizm::RoundBox(double radius) const
{
    const float r = float(std::fabs(radius));
    float low = 0.0f;
    float high = 0.0f;
    SpineRange(low, high);
    return Range<Vec3f>(Vec3f(-r, -r, low), Vec3f(r, r, high));
}

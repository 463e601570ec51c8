#include "engine/nodes/geometry/SgPlane.h"

#include <cmath>
#include <vector>

#include "engine/nodes/geometry/SgPolyLine.h"

SG_CLASS_SOURCE(SgPlane, SgExtrude, SgFieldMngr, "SgPlane")

namespace {

double AtLeast(double value, double minimum)
{
    const double size = std::fabs(value);
    return size > minimum ? size : minimum;
}

// Gives the polyline exactly these points, as one open loop; a polyline
// that has them already is not touched.
void SetPoints(SgPolyLine *line, const std::vector<Vec3> &points)
{
    if (!line)
        return;
    if (line->m_jumps.GetCount() > 0)
        line->m_jumps.RemoveAll();
    if (line->m_coordinates.GetValues() != points)
        line->m_coordinates.SetVals(int(points.size()), points.data());
}

} // namespace

SgPlane::SgPlane()
{
    AddField(m_width, "width", 1.0);
    AddField(m_height, "height", 1.0);
    AddField(m_widthSegs, "widthSegs", 5);
    SetQuietly(m_segments, 5);
    SetBuiltinMacro(true);
    InstallCurve(new SgPolyLine, kSpineSlot);
    InstallCurve(new SgPolyLine, kProfileSlot);
}

void SgPlane::DoExtrude(SgFaceSet *faceSet, SgAction *action)
{
    const double h = AtLeast(m_height.Get(), kMinSize);
    const double w = AtLeast(m_width.Get(), kMinSize);
    const int n = ClampedCount(this, "segments", m_segments.Get(), 1);
    const int m = ClampedCount(this, "widthSegs", m_widthSegs.Get(), 1);

    std::vector<Vec3> spine;
    for (int i = 0; i <= n; ++i)
        spine.emplace_back(0.0, i * h / n - 0.5 * h, 0.0);
    SetPoints(dynamic_cast<SgPolyLine *>(GetSlotNode(kSpineSlot)), spine);

    std::vector<Vec3> profile;
    for (int j = 0; j <= m; ++j)
        profile.emplace_back(0.5 * w - j * w / m, 0.0, 0.0);
    SetPoints(dynamic_cast<SgPolyLine *>(GetSlotNode(kProfileSlot)), profile);

    SgExtrude::DoExtrude(faceSet, action);
}

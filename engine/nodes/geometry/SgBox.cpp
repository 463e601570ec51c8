#include "engine/nodes/geometry/SgBox.h"

#include <cmath>
#include <vector>

#include "engine/nodes/geometry/CrossSectionFunction.h"
#include "engine/nodes/geometry/SgPolygon.h"
#include "platform/SgError.h"

SG_CLASS_SOURCE(SgBox, SgPrizm, SgFieldMngr, "SgBox")

SgBox::SgBox()
{
    AddField(m_width, "width", 1.0);
    AddField(m_depth, "depth", 1.0);
    AddField(m_widthSegs, "widthSegs", 1);
    AddField(m_depthSegs, "depthSegs", 1);
    SetQuietly(m_capping, 2);
    SetQuietly(m_capSegments, 0);
    SetBuiltinMacro(true);
    InstallCurve(new SgPolygon, kProfileSlot);
}

void SgBox::DoExtrude(SgFaceSet *faceSet, SgAction *action)
{
    // A size given negative names the same box; a box of no width or depth
    // bounds nothing, and its flat faces would lie back to back.
    const double hw = 0.5 * std::fabs(m_width.Get());
    const double hd = 0.5 * std::fabs(m_depth.Get());
    if (!(hw > 0.0) || !(hd > 0.0))
        throw SgInvalidArgument("SgBox: a box of width or depth 0 has no faces");
    const int w = ClampedCount(this, "widthSegs", m_widthSegs.Get(), 1);
    const int d = ClampedCount(this, "depthSegs", m_depthSegs.Get(), 1);

    if (auto *profile = dynamic_cast<SgPolyLine *>(GetSlotNode(kProfileSlot))) {
        // Counter-clockwise from the corner (-hw, -hd), each side's start
        // and its inner division points.
        std::vector<Vec3> points;
        points.reserve(size_t(2 * (w + d)));
        const Vec3 corners[4] = {{-hw, -hd, 0.0}, {hw, -hd, 0.0}, {hw, hd, 0.0}, {-hw, hd, 0.0}};
        for (int side = 0; side < 4; ++side) {
            const Vec3 &from = corners[side];
            const Vec3 &to = corners[(side + 1) % 4];
            const int parts = side % 2 == 0 ? w : d;
            for (int k = 0; k < parts; ++k)
                points.push_back(Interpolate(from, to, double(k) / parts));
        }
        if (profile->m_jumps.GetCount() > 0)
            profile->m_jumps.RemoveAll();
        if (profile->m_coordinates.GetValues() != points)
            profile->m_coordinates.SetVals(int(points.size()), points.data());
    }

    GridCrossSectionFunction grid(w, d);
    if (m_capping.Get() == 2)
        m_params.crossSectionFunction = &grid;
    SgPrizm::DoExtrude(faceSet, action);
}

Range<Vec3f> SgBox::BoundingBox()
{
    const float x = float(0.5 * std::fabs(m_width.Get()));
    const float y = float(0.5 * std::fabs(m_depth.Get()));
    float low = 0.0f;
    float high = 0.0f;
    SpineRange(low, high);
    return Range<Vec3f>(Vec3f(-x, -y, low), Vec3f(x, y, high));
}

#include "engine/nodes/geometry/SgExtrudeCap.h"

#include <algorithm>
#include <cmath>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/ExtrudeBuilder.h"
#include "engine/nodes/geometry/GeometryLog.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgPolygon.h"
#include "utilities/math/Angles.h"

SG_CLASS_SOURCE(SgExtrudeCap, SgExtrude, SgFieldMngr, "SgExtrudeCap")

namespace {
constexpr double kHalfPi = 1.5707963267948966;
} // namespace

SgExtrudeCap::SgExtrudeCap()
{
    AddField(m_capType1, "capType1", 2);
    AddField(m_capType2, "capType2", 2);
    AddField(m_capRadius1, "capRadius1", 0.2);
    AddField(m_capRadius2, "capRadius2", 0.2);
    AddField(m_capSteps1, "capSteps1", 4);
    AddField(m_capSteps2, "capSteps2", 4);
}

std::vector<Vec3> SgExtrudeCap::CapArc(int capType, double radius, int steps)
{
    steps = std::clamp(steps, 0, kMaxCapSteps);
    const bool half = capType >= 8;
    const int shape = half ? capType - 6 : capType;
    const int count = half ? 2 * steps : steps;
    std::vector<Vec3> arc;
    arc.reserve(size_t(count) + 1);
    arc.emplace_back(0.0, 0.0, 0.0);
    for (int k = 1; k <= count; ++k) {
        const double a = k * kHalfPi / steps;
        const double c = radius * (1.0 - std::cos(a));
        const double d = radius * std::sin(a);
        switch (shape) {
        case 2: arc.emplace_back(c, d, 0.0); break;
        case 3: arc.emplace_back(d, c, 0.0); break;
        case 4: arc.emplace_back(d, -c, 0.0); break;
        case 5: arc.emplace_back(c, -d, 0.0); break;
        case 6: arc.emplace_back(-d, c, 0.0); break;
        case 7: arc.emplace_back(-c, d, 0.0); break;
        default: arc.emplace_back(0.0, 0.0, 0.0); break;
        }
    }
    return arc;
}

int SgExtrudeCap::CheckedCapType(int type) const
{
    // 0 none, 1 flat, 2..7 quarter arcs, 8..13 half arcs; any other number
    // would give an arc of one repeated point and an open end.
    if (type >= 0 && type <= kLastCapType)
        return type;
    GeometryLog(ReportMngr::LEVEL_WARN, "%s: cap type %d is none of 0..%d; the end gets a flat cap", GetClassName(),
                type, kLastCapType);
    return 1;
}

void SgExtrudeCap::DoExtrude(SgFaceSet *faceSet, SgAction *action)
{
    // The profile first: a node read from a file fills its slots then.
    SgGenPolyLine *profile = GetProfile();
    SgGenPolyLine *spine = GetSpine();
    if (!spine || !faceSet)
        return;
    if (spine->IsClosed()) {
        SgExtrude::DoExtrude(faceSet, action);
        return;
    }
    if (!profile)
        return;
    SgGenPolyLine *scale = GetScale();
    SgGenPolyLine *endProfile = GetEndProfile();
    auto *scale2 = dynamic_cast<SgGenPolyLine *>(GetSlotNode(kScale2Slot));
    const double crease = CreaseAngle(action);
    const double twist = m_twistAngle.Get() * kDegree;

    ExtrudeParams params;
    params.textureMapType = m_textureMapType.Get();
    const int type1 = CheckedCapType(m_capType1.Get());
    const int type2 = CheckedCapType(m_capType2.Get());
    if (type1 == 0)
        params.cap0 = 0;
    else if (type1 != 1)
        params.startCapType = ExtrudeParams::kStoreRing;
    if (type2 == 0)
        params.cap1 = 0;
    else if (type2 != 1)
        params.endCapType = ExtrudeParams::kStoreRing;

    extrude(faceSet, &params, profile, spine, scale, scale2, twist, crease, m_segments.Get(), endProfile, nullptr,
            ExtrudeBuilder::kPathAuto);

    for (int end = 0; end < 2; ++end) {
        const int type = end == 0 ? type1 : type2;
        if (type <= 1)
            continue;
        const double radius = end == 0 ? m_capRadius1.Get() : m_capRadius2.Get();
        int steps = end == 0 ? m_capSteps1.Get() : m_capSteps2.Get();
        if (steps < 0 || steps > kMaxCapSteps) {
            GeometryLog(ReportMngr::LEVEL_WARN, "%s: cap steps %d are outside 0..%d and are clamped", GetClassName(),
                        steps, kMaxCapSteps);
            steps = std::clamp(steps, 0, kMaxCapSteps);
        }
        const std::vector<std::vector<int>> &rings = end == 0 ? params.startRings : params.endRings;
        // An end whose ring was not stored has nothing to cap.
        bool any = false;
        for (const std::vector<int> &ring : rings)
            any = any || ring.size() >= 3;
        if (!any)
            continue;
        params.startCapType = ExtrudeParams::kWeldRing;
        params.endCapType = ExtrudeParams::kFlatCap;

        SgRef<SgPolyLine> arc = new SgPolyLine;
        arc->DisableUndo();
        const std::vector<Vec3> points = CapArc(type, radius, steps);
        arc->m_coordinates.SetVals(int(points.size()), points.data());

        SgRef<SgPolygon> ring = new SgPolygon;
        ring->DisableUndo();
        std::vector<std::vector<int>> used;
        for (const std::vector<int> &list : rings) {
            if (list.size() < 3)
                continue;
            std::vector<Vec3> loop;
            loop.reserve(list.size());
            for (int index : list)
                loop.push_back(faceSet->m_vertices.GetValue(index, false));
            ring->AddLoop(int(loop.size()), loop.data());
            used.push_back(list);
        }
        params.axis = ring->GetNormal(0);
        params.useAxis = true;
        params.startRings = used;
        if (end == 1)
            params.flip = true;
        extrude(faceSet, &params, arc.get(), ring.get(), nullptr, nullptr, 0.0, crease, 1, nullptr, nullptr,
                ExtrudeBuilder::kPathAuto);
    }
}

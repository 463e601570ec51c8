#include "engine/nodes/geometry/SgTorusKnot.h"

#include <cmath>
#include <numeric>
#include <vector>

#include "engine/nodes/geometry/SgPolyLine.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"
#include "utilities/math/Angles.h"

SG_CLASS_SOURCE(SgTorusKnot, SgTorus, SgFieldMngr, "SgTorusKnot")

namespace {
} // namespace

SgTorusKnot::SgTorusKnot()
{
    AddField(m_P, "P", 3.0f);
    AddField(m_Q, "Q", 5.0f);
    AddField(m_type, "type", 0);
    AddField(m_ratio, "ratio", 0.5f);
    AddField(m_heightRatio, "heightRatio", 2.0f);
    SetQuietly(m_segments, 240);
    InstallCurve(new SgPolyLine, kSpineSlot);
}

void SgTorusKnot::DoExtrude(SgFaceSet *faceSet, SgAction *action)
{
    if (m_P.Get() == 0.0f && m_Q.Get() == 0.0f)
        throw SgInvalidArgument("SgTorusKnot: a knot of no turns (P and Q 0) has no faces");
    if (m_radius1.Get() == 0.0 || m_radius2.Get() == 0.0)
        throw SgInvalidArgument("SgTorusKnot: a knot of radius 0 has no faces");
    PrepareTube();
    auto *path = dynamic_cast<SgPolyLine *>(GetSlotNode(kSpineSlot));
    if (path) {
        const int n = ClampedCount(this, "segments", m_segments.Get(), 3);
        const double bigR = m_radius1.Get();
        const double r = double(m_ratio.Get()) * bigR;
        const double hz = double(m_heightRatio.Get()) * r;
        const double p = m_P.Get();
        const double q = m_Q.Get();
        int type = m_type.Get();
        if (type < 0 || type > 2) {
            SgDiagWarning("Geometry", "%s: knot \"type\" %d is not 0, 1 or 2; 0 is used", GetClassName(), type);
            type = 0;
        }
        // Whole winding numbers with a common factor g trace a curve that
        // closes after 1/g of the turn, g times over: the tube would run
        // through itself. One trace is sampled instead.
        double share = 1.0;
        if (p == std::round(p) && q == std::round(q) && std::abs(p) < 1e6 && std::abs(q) < 1e6) {
            const long g = std::gcd(long(std::abs(p)), long(std::abs(q)));
            if (g > 1)
                share = 1.0 / double(g);
        }
        std::vector<Vec3> points;
        points.reserve(size_t(n) + 1);
        const double step = share / n;
        for (int i = 0; i <= n; ++i) {
            const double t = (i * step + i * step) * kPi;
            const double a = q * t;
            const double b = p * t;
            switch (type) {
            case 1: {
                const double w = bigR + r * std::cos(a);
                points.emplace_back(w * std::sin(b), w * std::cos(b), hz * std::sin(a));
                break;
            }
            case 2:
                points.emplace_back(r * std::cos(a) + bigR * std::cos(b), r * std::sin(a) + bigR * std::sin(b),
                                    hz * std::sin(a + b));
                break;
            default:
                points.emplace_back(r * std::sin(a - b) + bigR * std::sin(b), r * std::cos(a - b) - bigR * std::cos(b),
                                    hz * std::sin(a));
                break;
            }
        }
        const bool closed = (points.front() - points.back()).Length() < kClosingDistance;
        if (closed)
            points.pop_back();
        if (path->m_jumps.GetCount() > 0)
            path->m_jumps.RemoveAll();
        if (path->m_coordinates.GetValues() != points)
            path->m_coordinates.SetVals(int(points.size()), points.data());
        if (path->m_closed.Get() != (closed ? 1 : 0))
            path->m_closed.Set(closed ? 1 : 0);
    }
    SgExtrude::DoExtrude(faceSet, action);
}

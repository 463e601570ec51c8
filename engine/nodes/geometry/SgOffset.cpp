#include "engine/nodes/geometry/SgOffset.h"

#include <polyclipping/clipper.hpp>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"
#include "utilities/math/Angles.h"

SG_CLASS_SOURCE(SgOffset, SgGeometricShape, SgFieldMngr, "SgOffset")

namespace {

// Corners are rounded with an arc tolerance of this many integer units...
constexpr double kArcTolerance = 0.25;
// ...unless that takes more points than this for a full turn, as it does for
// distances of some hundreds of units; the tolerance then grows with the
// distance instead.
constexpr double kMaxRoundSteps = 65536.0;
constexpr double kMiterLimit = 2.0;

bool InRange(double v)
{
    return std::isfinite(v) && std::fabs(v) <= SgOffset::kMaxCoordinate;
}

// Height and squared xy distance of the point of a loop (taken as closed)
// nearest to p. Starts from the loop's first point; a later candidate wins
// only when strictly nearer, so of two equally near segments the first in
// loop order gives the height.
double NearestHeight(const std::vector<Vec3> &loop, const Vec3 &p, double &bestDistance2)
{
    auto dist2 = [](double dx, double dy) { return dx * dx + dy * dy; };
    double bestZ = loop[0].z;
    bestDistance2 = dist2(p.x - loop[0].x, p.y - loop[0].y);
    const size_t n = loop.size();
    for (size_t i = 0; i < n; ++i) {
        const Vec3 &a = loop[i];
        const Vec3 &b = loop[(i + 1) % n];
        const double ex = b.x - a.x;
        const double ey = b.y - a.y;
        const double length2 = ex * ex + ey * ey;
        double d2 = 0.0;
        double z = 0.0;
        // A segment without xy extent is its end point.
        const double t = length2 > 0.0 ? (ex * (p.x - a.x) + ey * (p.y - a.y)) / length2 : 2.0;
        if (t < 0.0)
            continue;
        if (t <= 1.0) {
            d2 = dist2(p.x - (a.x + t * ex), p.y - (a.y + t * ey));
            z = a.z + t * (b.z - a.z);
        } else {
            d2 = dist2(p.x - b.x, p.y - b.y);
            z = b.z;
        }
        if (d2 < bestDistance2) {
            bestDistance2 = d2;
            bestZ = z;
        }
    }
    return bestZ;
}

} // namespace

SgOffset::SgOffset()
{
    AddField(m_offset, "offset", 0.1f);
    AddField(m_cornerType, "cornerType", int(kMiter));
    AddField(m_dualSide, "dualSide", 0);
    AddField(m_useZValue, "useZValue", 0);
}

void SgOffset::DoAction(SgAction *action)
{
    DoBuildAction<SgPolyLine>(action, [this](SgPolyLine *out, SgAction *a) { DoOffset(out, a); });
}

void SgOffset::SetPolyline(SgGenPolyLine *curve, int, bool)
{
    SgSeparator *separator = GetSeparator();
    separator->Clear();
    if (curve)
        separator->AddChild(curve);
}

SgGenPolyLine *SgOffset::GetPolyline(int)
{
    SgSeparator *separator = GetSeparator();
    if (!separator || separator->GetChildsCount() == 0)
        return nullptr;
    return dynamic_cast<SgGenPolyLine *>(separator->GetChild(0));
}

void SgOffset::DoOffset(SgPolyLine *out, SgAction *)
{
    SgGenPolyLine *source = GetPolyline(0);
    if (!source || !out)
        return;
    source->sample(-1);
    const bool closed = source->IsClosed();
    const int loops = source->NumLoops();

    // Coordinates stay 64-bit integers all the way: no 32-bit step narrows
    // the range a source may span.
    std::vector<std::vector<Vec3>> sourceLoops(size_t(loops > 0 ? loops : 0));
    ClipperLib::Paths paths(sourceLoops.size());
    for (int i = 0; i < loops; ++i) {
        const int n = source->LoopSize(i);
        const Vec3 *points = n > 0 ? source->GetLoop(i) : nullptr;
        if (!points)
            continue;
        std::vector<Vec3> &loop = sourceLoops[size_t(i)];
        loop.assign(points, points + n);
        ClipperLib::Path &path = paths[size_t(i)];
        path.reserve(size_t(n));
        for (const Vec3 &p : loop) {
            if (!InRange(p.x) || !InRange(p.y))
                throw SgInvalidArgument("SgOffset: source point (" + std::to_string(p.x) + ", " +
                                        std::to_string(p.y) + ") lies outside the offset range of +/-" +
                                        std::to_string(kMaxCoordinate) + " units");
            path.emplace_back(ClipperLib::cInt(p.x * kScale), ClipperLib::cInt(p.y * kScale));
        }
    }

    // The distance is scaled in single precision, as the field holds it.
    const float distance = m_offset.Get(true);
    if (!InRange(distance))
        throw SgInvalidArgument("SgOffset: \"offset\" " + std::to_string(distance) +
                                " lies outside the offset range");
    const double delta = double(distance * 1024.0f * 256.0f);

    int corner = m_cornerType.Get(true);
    if (corner < kSquare || corner > kMiter) {
        SgDiagWarning("Geometry", "SgOffset: \"cornerType\" %d is not 0, 1 or 2; mitred corners are used", corner);
        corner = kMiter;
    }
    const ClipperLib::JoinType join = corner == kSquare ? ClipperLib::jtSquare
                                      : corner == kRound ? ClipperLib::jtRound
                                                         : ClipperLib::jtMiter;
    const bool dual = m_dualSide.Get(true) != 0;
    const ClipperLib::EndType end = closed ? (dual ? ClipperLib::etClosedLine : ClipperLib::etClosedPolygon)
                                           : (dual ? ClipperLib::etOpenButt : ClipperLib::etOpenSquare);

    double arcTolerance = kArcTolerance;
    const double radius = std::fabs(delta);
    if (radius > 0.0 && kPi / std::acos(1.0 - kArcTolerance / radius) > kMaxRoundSteps)
        arcTolerance = radius * (1.0 - std::cos(kPi / kMaxRoundSteps));

    ClipperLib::Paths solution;
    try {
        ClipperLib::ClipperOffset offsetter(kMiterLimit, arcTolerance);
        offsetter.AddPaths(paths, join, end);
        offsetter.Execute(solution, delta);
    } catch (const ClipperLib::clipperException &error) {
        throw SgError(std::string("SgOffset: ") + error.what());
    }

    const bool useZ = m_useZValue.Get(true) != 0;
    std::vector<Vec3> points;
    for (size_t k = 0; k < solution.size(); ++k) {
        const ClipperLib::Path &path = solution[k];
        points.clear();
        points.reserve(path.size());
        for (const ClipperLib::IntPoint &q : path)
            points.emplace_back(double(q.X) * kInverseScale, double(q.Y) * kInverseScale, 0.0);
        if (points.empty())
            continue;
        if (useZ) {
            // An outline past the source's loop count takes its heights from
            // the source loop nearest to its first point.
            const std::vector<Vec3> *loop = k < sourceLoops.size() ? &sourceLoops[k] : nullptr;
            if (!loop || loop->empty()) {
                double best = std::numeric_limits<double>::infinity();
                for (const std::vector<Vec3> &candidate : sourceLoops) {
                    if (candidate.empty())
                        continue;
                    double d2 = 0.0;
                    NearestHeight(candidate, points[0], d2);
                    if (d2 < best) {
                        best = d2;
                        loop = &candidate;
                    }
                }
            }
            if (loop && !loop->empty()) {
                double d2 = 0.0;
                for (Vec3 &p : points)
                    p.z = NearestHeight(*loop, p, d2);
            }
        }
        out->AddLoop(int(points.size()), points.data());
        out->m_closed.Set(1);
    }
}

#include "engine/nodes/geometry/Sweep.h"

#include <algorithm>
#include <vector>

#include "engine/core/GenericPolyline.h"
#include "engine/core/GeomUtil.h"
#include "engine/nodes/geometry/GenericGeom.h"
#include "engine/nodes/geometry/GeometryLog.h"
#include "engine/nodes/geometry/SweepGeometry.h"
#include "utilities/math/Mat3.h"

namespace {

std::vector<Vec3> LoopPoints(GenericPolyline *curve, int loop)
{
    const int n = curve->LoopSize(loop);
    if (n <= 0)
        return {};
    const Vec3 *p = curve->GetLoop(loop);
    return std::vector<Vec3>(p, p + n);
}

// The index of the first point where the path turns straight back on itself
// (the directions before and after it opposite), -1 when it never does.
// Repeated points are passed over.
int TurnsStraightBack(const std::vector<Vec3> &points)
{
    Vec3 before;
    bool haveBefore = false;
    for (size_t i = 1; i < points.size(); ++i) {
        Vec3 d = points[i] - points[i - 1];
        const double length = d.Length();
        if (!(length > 1e-12))
            continue;
        d = d / length;
        // Within about a thousandth of a radian of straight back.
        if (haveBefore && before.Dot(d) < -1.0 + 5e-7)
            return int(i - 1);
        before = d;
        haveBefore = true;
    }
    return -1;
}

// The scale curve as samples along the path (x the position, y the scale);
// none without a curve.
std::vector<CurveSample2> SweepScaleSamples(GenericPolyline *scaleCurve)
{
    std::vector<CurveSample2> samples;
    if (!scaleCurve || scaleCurve->GetSize() <= 0)
        return samples;
    const std::vector<Vec3> points = LoopPoints(scaleCurve, 0);
    std::vector<CurveSample> normalised(points.size() + 1);
    const int m = NormalizeScaleCurve(int(points.size()), points.data(), normalised.data());
    for (int k = 0; k < m; ++k)
        samples.push_back({normalised[size_t(k)].t, normalised[size_t(k)].value, normalised[size_t(k)].value});
    return samples;
}

// The points of one path loop (closed: back to its first) and the scale of
// each, resampled where the scale curve has points of its own. False for a
// loop that gives no tube: empty, or turning straight back on itself.
bool SweepPathLoop(GenericPolyline *path, int loop, bool ringsOnly, const std::vector<CurveSample2> &scaleSamples,
                   GenericPolyline *scaleCurve, std::vector<Vec3> &points, std::vector<double> &scale)
{
    points = LoopPoints(path, loop);
    if (points.empty())
        return false;
    if (path->IsClosed())
        points.push_back(points[0]);
    // Straight back, the tube folds flat onto itself: nothing solid can
    // be made of that loop (its rings alone are still proper frames).
    if (const int at = ringsOnly ? -1 : TurnsStraightBack(points); at >= 0) {
        GeometryLog(ReportMngr::LEVEL_WARN,
                    "Sweep: the path turns straight back on itself at its point %d; that part is not built", at);
        return false;
    }
    scale.assign(points.size(), 1.0);
    if (!scaleSamples.empty()) {
        std::vector<Vec3> outP(points.size() + scaleSamples.size() + 10);
        std::vector<CurveSample2> outS(outP.size());
        const int n = ResampleAlongSamples(int(points.size()), points.data(), int(scaleSamples.size()),
                                           scaleSamples.data(), outP.data(), outS.data(), scaleCurve->IsCurved());
        points.assign(outP.begin(), outP.begin() + n);
        scale.resize(size_t(n));
        for (int i = 0; i < n; ++i)
            scale[size_t(i)] = outS[size_t(i)].value1;
    }
    return !points.empty();
}

// The points of one section loop (closed: back to its first) and, when the
// end section has that loop, its points matched one to one (`morph`).
// False for an empty loop.
bool SweepSectionLoop(GenericPolyline *section, GenericPolyline *endSection, int loop, std::vector<Vec3> &start,
                      std::vector<Vec3> &end, bool &morph)
{
    start = LoopPoints(section, loop);
    end.clear();
    if (start.empty())
        return false;
    morph = endSection && loop < endSection->NumLoops() && endSection->LoopSize(loop) > 0;
    if (morph) {
        end = LoopPoints(endSection, loop);
        std::vector<Vec3> a, b;
        MatchSections(int(start.size()), int(end.size()), start.data(), end.data(), a, b);
        start = a;
        end = b;
        if (endSection->IsClosed() && !end.empty())
            end.push_back(end[0]);
    }
    if (section->IsClosed())
        start.push_back(start[0]);
    if (morph && end.size() < start.size())
        end.resize(start.size(), end.empty() ? Vec3() : end.back());
    return true;
}

// Whether a closed section (its last point its first) runs clockwise in its
// plane: its signed area is negative.
bool SweepRunsClockwise(const std::vector<Vec3> &section)
{
    double area2 = 0.0;
    for (size_t j = 0; j + 1 < section.size(); ++j)
        area2 += section[j].x * section[j + 1].y - section[j + 1].x * section[j].y;
    return area2 < 0.0;
}

// The two faces that close a tube of an open section along a closed path:
// one along each edge of the section, broken where a path loop ends.
void SweepBoundaryFaces(GenericGeom *sink, std::vector<void *> &boundaryA, std::vector<void *> &boundaryB,
                        const std::vector<int> &breaks)
{
    const int k = int(boundaryA.size());
    void *fa = sink->AddFace(k, boundaryA.data());
    void *fb = sink->AddFace(k, boundaryB.data());
    sink->MarkFace(fa, 1);
    for (int b : breaks) {
        sink->BreakFace(fa, b);
        sink->BreakFace(fb, b);
    }
}

} // namespace

void Sweep::Build(GenericGeom *sink, GenericPolyline *section, GenericPolyline *path, GenericPolyline *endSection)
{
    if (!sink || !section || !path)
        return;
    section->sample(5);
    path->sample(5);
    if (m_pScaleCurve)
        m_pScaleCurve->sample(5);
    if (endSection)
        endSection->sample(5);

    const std::vector<CurveSample2> scaleSamples = SweepScaleSamples(m_pScaleCurve);

    std::vector<void *> boundaryA, boundaryB;
    std::vector<int> breaks;
    bool lastPathClosed = false;
    bool lastSectionClosed = true;
    bool breaksOverflow = false;
    const int pathLoops = path->NumLoops();
    const int sectionLoops = section->NumLoops();
    for (int L = 0; L < pathLoops; ++L) {
        std::vector<Vec3> P;
        std::vector<double> scale;
        if (!SweepPathLoop(path, L, m_bRingsOnly, scaleSamples, m_pScaleCurve, P, scale))
            continue;
        const int np = int(P.size());
        for (int m = 0; m < sectionLoops; ++m) {
            std::vector<Vec3> S, E;
            bool morph = false;
            if (!SweepSectionLoop(section, endSection, m, S, E, morph))
                continue;
            const bool pathClosed = np > 1 && P.back() == P.front();
            const int ns = int(S.size());
            const bool sectionClosed = ns >= 2 && S.back() == S.front();
            lastPathClosed = pathClosed;
            lastSectionClosed = sectionClosed;
            // A closed section that runs clockwise in its plane would give
            // faces pointing into the tube; its joins are turned round.
            const bool inward = sectionClosed && SweepRunsClockwise(S);
            std::vector<double> tP(static_cast<size_t>(np)), tS(static_cast<size_t>(ns));
            ArcLengthParams(np, P.data(), tP.data());
            ArcLengthParams(ns, S.data(), tS.data());

            auto sectionAt = [&](int j, double t) { return morph ? S[size_t(j)] * (1.0 - t) + E[size_t(j)] * t : S[size_t(j)]; };

            Mat3 F = Mat3::Identity();
            std::vector<void *> cur(static_cast<size_t>(ns)), prev(static_cast<size_t>(ns)), first(static_cast<size_t>(ns));
            std::vector<Vec3> prevC(static_cast<size_t>(ns)), prevN(static_cast<size_t>(ns));
            for (int i = 0; i < np; ++i) {
                const bool update = i < np - 1 || pathClosed;
                if (update && np > 1) {
                    Vec3 incoming = i == 0 ? Vec3(0, 0, 1) : P[size_t(i)] - P[size_t(i) - 1];
                    Vec3 outgoing = i == np - 1 ? P[1] - P[0] : P[size_t(i) + 1] - P[size_t(i)];
                    Mat3 M;
                    MinimalRotation(incoming, outgoing, M);
                    if (i == 0) {
                        // outgoing is normalised now; a vertical start has no
                        // heading and keeps the section's own spin.
                        Vec3 up(0, 1, 0);
                        Vec3 heading(-outgoing.x, -outgoing.y, 0.0);
                        Mat3 spin;
                        MinimalRotation(up, heading, spin);
                        M = M * spin;
                    }
                    F = M * F;
                }
                const int next = i == np - 1 ? (pathClosed ? 1 : i) : i + 1;
                const double tNext = tP[size_t(next)];
                for (int j = 0; j < ns; ++j) {
                    const Vec3 s = sectionAt(j, tP[size_t(i)]);
                    const Vec3 C = P[size_t(i)] + F * s;
                    const Vec3 N = P[size_t(next)] + F * sectionAt(j, tNext);
                    Vec3 X = C;
                    if (i > 0 && (i < np - 1 || pathClosed)) {
                        if (!IntersectLines(C, N, prevC[size_t(j)], prevN[size_t(j)], X, 1e-6))
                            X = (prevN[size_t(j)] + C) * 0.5;
                    }
                    prevC[size_t(j)] = C;
                    prevN[size_t(j)] = N;
                    if (i == 0 && pathClosed)
                        continue;
                    if (sectionClosed && j == ns - 1) {
                        cur[size_t(j)] = cur[0];
                    } else {
                        const double sigma = scale[size_t(i)];
                        const Vec3 v = P[size_t(i)] + (X - P[size_t(i)]) * sigma;
                        cur[size_t(j)] = sink->AddVertex(v);
                        const float uv[2] = {float(tP[size_t(i)]), float(tS[size_t(j)])};
                        sink->SetTexCoord(uv);
                    }
                    const bool joins = pathClosed ? i > 1 : i > 0;
                    if (!m_bRingsOnly && joins && j >= 1) {
                        if (inward)
                            sink->AddQuad(prev[size_t(j) - 1], prev[size_t(j)], cur[size_t(j)], cur[size_t(j) - 1]);
                        else
                            sink->AddQuad(cur[size_t(j) - 1], cur[size_t(j)], prev[size_t(j)], prev[size_t(j) - 1]);
                    }
                }
                if (i == 0 && pathClosed)
                    continue;
                if (pathClosed && i == 1)
                    first = cur;
                if (pathClosed && i == np - 1 && !m_bRingsOnly)
                    for (int j = 1; j < ns; ++j) {
                        if (inward)
                            sink->AddQuad(cur[size_t(j) - 1], cur[size_t(j)], first[size_t(j)], first[size_t(j) - 1]);
                        else
                            sink->AddQuad(first[size_t(j) - 1], first[size_t(j)], cur[size_t(j)], cur[size_t(j) - 1]);
                    }
                if (i > 0 && !sectionClosed && pathClosed) {
                    boundaryA.push_back(cur[0]);
                    boundaryB.push_back(cur[size_t(ns) - 1]);
                }
                if (m_bRingsOnly) {
                    if (ns > 1)
                        sink->AddFace(ns - 1, cur.data());
                } else if (!pathClosed && sectionClosed && ns >= 3 && np > 1 && (i == 0 || i == np - 1)) {
                    // Only the two end rings are capped, the first one turned
                    // round, so the tube is closed with every face outward.
                    std::vector<void *> ring(cur.begin(), cur.begin() + (ns - 1));
                    if ((i == 0) == inward)
                        std::reverse(ring.begin(), ring.end());
                    void *f = sink->AddFace(ns - 1, ring.data());
                    if (i == np - 1)
                        sink->MarkFace(f, 1);
                }
                prev = cur;
            }
            if (pathClosed && !sectionClosed && pathLoops > 1 && L != pathLoops - 1) {
                if (int(breaks.size()) < kMaxLoopBreaks)
                    breaks.push_back(int(boundaryA.size()));
                else
                    breaksOverflow = true;
            }
        }
    }
    if (breaksOverflow)
        GeometryLog(ReportMngr::LEVEL_WARN, "Sweep: more than %d path loops; further loop breaks are left out",
                    kMaxLoopBreaks);
    if (lastPathClosed && !lastSectionClosed && !boundaryA.empty())
        SweepBoundaryFaces(sink, boundaryA, boundaryB, breaks);
}

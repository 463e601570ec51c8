#include "engine/nodes/geometry/ExtrudeBuilder.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/core/GenericPolyline.h"
#include "engine/core/GeomUtil.h"
#include "engine/nodes/geometry/CrossSectionFunction.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "platform/SgError.h"
#include "utilities/math/Rotation.h"
#include "utilities/math/Vec2f.h"
#include "utilities/math/Angles.h"

namespace {

// Directions whose angle has a smaller sine than this are parallel.
constexpr double kParallelSine = 1e-5;
// A unit direction whose horizontal part is shorter than this (squared)
// counts as vertical when the first frame is set up.
constexpr double kVerticalLimit = 0.0001;
// Mitre lines whose directions span a smaller cross product do not meet.
constexpr double kMitreTolerance = 0.01;
// Consecutive path points nearer than this are one point: the segment
// between them has no direction to turn the frame to.
constexpr double kMinSegment = 1e-10;
// Arc-length parameters of a profile and its end profile closer than this
// are one.
constexpr double kParamTolerance = 1e-9;

std::vector<Vec3> CopyLoop(GenericPolyline &curve, int loop)
{
    const int size = curve.LoopSize(loop);
    Vec3 *points = size > 0 ? curve.GetLoop(loop) : nullptr;
    if (!points)
        return {};
    return std::vector<Vec3>(points, points + size);
}

void DropRepeats(std::vector<Vec3> &points)
{
    points.erase(std::unique(points.begin(), points.end()), points.end());
}

// Drops the points that lie within kMinSegment of the point kept before
// them, from the path and from its samples alike. The path still ends on
// its own last point: a short last segment moves the point before it.
void DropShortSegments(std::vector<Vec3> &points, std::vector<CurveSample2> &samples)
{
    if (points.size() < 2)
        return;
    const bool sampled = samples.size() == points.size();
    size_t kept = 1;
    for (size_t i = 1; i < points.size(); ++i) {
        const bool last = i + 1 == points.size();
        size_t to = kept;
        if ((points[i] - points[kept - 1]).Length() <= kMinSegment) {
            if (!last || kept < 2)
                continue;
            to = kept - 1;
        }
        points[to] = points[i];
        if (sampled)
            samples[to] = samples[i];
        kept = to + 1;
    }
    points.resize(kept);
    if (sampled)
        samples.resize(kept);
}

Vec3 PointAtParam(const std::vector<Vec3> &points, const std::vector<double> &params, double t)
{
    if (t <= params.front())
        return points.front();
    if (t >= params.back())
        return points.back();
    const size_t i = size_t(std::upper_bound(params.begin(), params.end(), t) - params.begin());
    const double span = params[i] - params[i - 1];
    if (!(span > 0.0))
        return points[i];
    return Interpolate(points[i - 1], points[i], (t - params[i - 1]) / span);
}

// Both point lists evaluated at the union of their arc-length parameters,
// so that point j of one corresponds to point j of the other. The ends are
// kept exactly, so a closed list stays closed.
void ResampleToCommon(std::vector<Vec3> &a, std::vector<Vec3> &b)
{
    std::vector<double> ta(a.size());
    std::vector<double> tb(b.size());
    ArcLengthParams(int(a.size()), a.data(), ta.data());
    ArcLengthParams(int(b.size()), b.data(), tb.data());
    std::vector<double> all(ta);
    all.insert(all.end(), tb.begin(), tb.end());
    std::sort(all.begin(), all.end());
    std::vector<double> grid;
    for (double t : all) {
        if (grid.empty() || t - grid.back() > kParamTolerance)
            grid.push_back(t);
    }
    // The two lists' last parameters may differ by rounding; the merged one
    // must reach both, or a closed list would end on an interpolated point
    // that misses its first one and the loop (and its caps) would open.
    if (!grid.empty())
        grid.back() = all.back();
    std::vector<Vec3> ra;
    std::vector<Vec3> rb;
    ra.reserve(grid.size());
    rb.reserve(grid.size());
    for (double t : grid) {
        ra.push_back(PointAtParam(a, ta, t));
        rb.push_back(PointAtParam(b, tb, t));
    }
    a.swap(ra);
    b.swap(rb);
}

// The usable part of a scale curve as (position 0 .. 1, factor); empty
// when the curve has no points or its positions span no length.
std::vector<CurveSample> ScaleSamples(GenericPolyline &curve)
{
    const int n = curve.GetSize();
    const Vec3 *points = n > 0 ? curve.GetData() : nullptr;
    if (!points || !(points[n - 1].x != points[0].x))
        return {};
    std::vector<CurveSample> samples(static_cast<size_t>(n));
    samples.resize(size_t(NormalizeScaleCurve(n, points, samples.data())));
    if (samples.size() == 1)
        samples = {{0.0, 1.0}, {1.0, 1.0}};
    return samples;
}

int RingEntry(const std::vector<std::vector<int>> &rings, size_t list, size_t at, const char *which)
{
    if (list >= rings.size() || at >= rings[list].size())
        throw SgInvalidArgument(std::string("SgExtrude::extrude: the stored ") + which + " ring list " +
                                std::to_string(list) + " has no entry " + std::to_string(at) + " to weld to");
    return rings[list][at];
}

} // namespace

void RotationBetween(Vec3 &a, Vec3 &b, Mat3 &out, double factor)
{
    const double la = a.Length();
    const double lb = b.Length();
    if (!(la > 0.0) || !(lb > 0.0)) {
        out = Mat3::Identity();
        return;
    }
    a /= la;
    b /= lb;
    const Vec3 c = b.Cross(a);
    const double s = c.Length();
    const double d = a.Dot(b);
    if (s >= kParallelSine) {
        RotationAboutAxis(c, -factor * std::atan2(s, d), out);
        return;
    }
    if (d >= 0.0) {
        out = Mat3::Identity();
        return;
    }
    // Opposite: turn about an axis across a. Negating every coordinate
    // would carry a onto b as well, but it mirrors the section.
    int least = 0;
    for (int i = 1; i < 3; ++i) {
        if (std::fabs(a[i]) < std::fabs(a[least]))
            least = i;
    }
    Vec3 e;
    e[least] = 1.0;
    RotationAboutAxis(a.Cross(e), factor * kPi, out);
}

int DuplicateVertex(SgFaceSet *faceSet, int k)
{
    if (!faceSet)
        throw SgInvalidArgument("DuplicateVertex: no face set");
    const int count = faceSet->GetVertexCount();
    if (k < 0 || k >= count)
        throw SgInvalidArgument("DuplicateVertex: vertex " + std::to_string(k) + " outside 0.." +
                                std::to_string(count - 1));
    SgVFInt &duplication = faceSet->m_vertexDuplication;
    while (duplication.GetCount() < count)
        duplication.AddVal1(duplication.GetCount());
    const int original = duplication.GetValue(k, false);
    const Vec3 position = faceSet->m_vertices.GetValue(original, false);
    const int index = faceSet->m_vertices.AddVal1(position);
    duplication.AddVal1(original);
    return index;
}

int AssignSmoothingGroups(const Vec3 *points, const Vec3 *other, int count, bool closed, double creaseAngle,
                          std::vector<int> &groups)
{
    const int segments = std::max(closed ? count : count - 1, 0);
    groups.assign(size_t(segments), 0);
    if (!points || count < 1)
        return 1;
    std::vector<int> a;
    std::vector<int> b;
    FindSharpCorners(points, count, closed, creaseAngle, a);
    if (other)
        FindSharpCorners(other, count, closed, creaseAngle, b);
    // Both lists in one, the smaller head first (the first list's on a
    // tie); a corner of both counts twice.
    std::vector<int> corners;
    corners.reserve(a.size() + b.size());
    size_t ia = 0;
    size_t ib = 0;
    while (ia < a.size() || ib < b.size()) {
        if (ib >= b.size() || (ia < a.size() && a[ia] <= b[ib]))
            corners.push_back(a[ia++]);
        else
            corners.push_back(b[ib++]);
    }
    int group = 0;
    int segment = 0;
    for (int corner : corners) {
        // A closed line reports its vertex 0 last: the corner that ends it.
        const int end = corner == 0 ? count : corner;
        for (; segment < end && segment < segments; ++segment)
            groups[size_t(segment)] = group;
        ++group;
    }
    // A closed line's last run joins its first.
    for (; segment < segments; ++segment)
        groups[size_t(segment)] = closed ? 0 : group;
    return int(corners.size()) + 1;
}

ExtrudeBuilder::ExtrudeBuilder(SgFaceSet *faceSet, ExtrudeParams *params, GenericPolyline *profile,
                               GenericPolyline *path, GenericPolyline *scale, GenericPolyline *scale2, double twist,
                               double creaseAngle, int segments, GenericPolyline *endProfile, int pathMode)
    : m_pFaceSet(faceSet), m_pParams(params), m_pProfile(profile), m_pPath(path), m_pScale(scale),
      m_pScale2(scale2), m_pEndProfile(endProfile), m_dTwist(twist), m_dCrease(creaseAngle),
      m_iSegments(segments), m_iPathMode(pathMode)
{
    if (!faceSet || !params)
        throw SgInvalidArgument("SgExtrude::extrude: no face set or no parameters to build with");
    if (!profile || !path)
        throw SgInvalidArgument("SgExtrude::extrude: a sweep needs a profile and a path");
}

void ExtrudeBuilder::Build()
{
    ExtrudeParams &params = *m_pParams;
    SgFaceSet &mesh = *m_pFaceSet;
    m_iOrientation = params.flip ? -1 : 1;
    m_bSkipStart = params.cap0 == 0 || params.startCapType == ExtrudeParams::kStoreRing ||
                   params.startCapType == ExtrudeParams::kWeldRing;
    m_bSkipEnd = params.cap1 == 0 || params.endCapType == ExtrudeParams::kStoreRing ||
                 params.endCapType == ExtrudeParams::kWeldRing;
    m_bTexture = params.textureMapType != 0;

    m_pProfile->sample(-1);
    m_pPath->sample(-1);
    if (m_pScale)
        m_pScale->sample(-1);
    if (m_pScale2)
        m_pScale2->sample(-1);
    m_bCornered = !m_pPath->IsCurved();
    if (m_iPathMode == kPathCornered)
        m_bCornered = true;
    else if (m_iPathMode != kPathAuto)
        m_bCornered = false;
    m_bCurvedScale = (m_pScale && m_pScale->IsCurved()) || (m_pScale2 && m_pScale2->IsCurved());

    // Everything is copied before the end profile is sampled: it may be one
    // of the other curves.
    std::vector<std::vector<Vec3>> pathLoops;
    for (int i = 0; i < m_pPath->NumLoops(); ++i)
        pathLoops.push_back(CopyLoop(*m_pPath, i));
    const bool pathClosed = m_pPath->IsClosed();
    PrepareScaleTable();
    PrepareProfileLoops();

    // One duplicate entry per vertex, and one texture coordinate per vertex
    // or none, whatever the face set held before.
    while (mesh.m_vertexDuplication.GetCount() < mesh.GetVertexCount())
        mesh.m_vertexDuplication.AddVal1(mesh.m_vertexDuplication.GetCount());
    if (m_bTexture) {
        while (mesh.m_texCoord.GetCount() < mesh.GetVertexCount())
            mesh.m_texCoord.AddVal1(Vec2f());
    }
    mesh.m_vertices.StartEdit();
    mesh.m_vertexDuplication.StartEdit();
    mesh.m_texCoord.StartEdit();

    for (std::vector<Vec3> &points : pathLoops) {
        PathLoop path;
        if (!PreparePathLoop(points, pathClosed, path))
            continue;
        CapLoops startCaps;
        CapLoops endCaps;
        for (const ProfileLoop &profile : m_profileLoops)
            Sweep(path, profile, startCaps, endCaps);
        InsertCollected(startCaps, m_iOrientation);
        InsertCollected(endCaps, -m_iOrientation);
    }
    BoundaryCaps();

    if (mesh.m_texCoord.GetCount() > 0) {
        while (mesh.m_texCoord.GetCount() < mesh.GetVertexCount())
            mesh.m_texCoord.AddVal1(Vec2f());
    }
    mesh.m_vertices.EndEdit();
    mesh.m_vertexDuplication.EndEdit();
    mesh.m_texCoord.EndEdit();
}

void ExtrudeBuilder::PrepareScaleTable()
{
    if (!m_pScale)
        return;
    const std::vector<CurveSample> a = ScaleSamples(*m_pScale);
    if (a.empty())
        return;
    const std::vector<CurveSample> b = m_pScale2 ? ScaleSamples(*m_pScale2) : std::vector<CurveSample>();
    if (b.empty()) {
        for (const CurveSample &sample : a)
            m_scaleTable.push_back({sample.t, sample.value, sample.value});
        return;
    }
    m_scaleTable.resize(a.size() + b.size());
    m_scaleTable.resize(size_t(MergeParamSamples(int(a.size()), a.data(), int(b.size()), b.data(),
                                                 m_scaleTable.data())));
}

void ExtrudeBuilder::PrepareProfileLoops()
{
    const int loops = m_pProfile->NumLoops();
    const bool closed = m_pProfile->IsClosed();
    for (int k = 0; k < loops; ++k) {
        ProfileLoop loop;
        loop.index = k;
        loop.points = CopyLoop(*m_pProfile, k);
        if (loop.points.empty())
            continue;
        if (closed)
            loop.points.push_back(loop.points.front());
        DropRepeats(loop.points);
        m_profileLoops.push_back(std::move(loop));
    }
    if (m_pEndProfile) {
        m_pEndProfile->sample(m_iSegments);
        const int endLoops = m_pEndProfile->NumLoops();
        const bool endClosed = m_pEndProfile->IsClosed();
        for (ProfileLoop &loop : m_profileLoops) {
            if (loop.index >= endLoops)
                continue;
            std::vector<Vec3> end = CopyLoop(*m_pEndProfile, loop.index);
            if (end.empty())
                continue;
            if (endClosed)
                end.push_back(end.front());
            DropRepeats(end);
            ResampleToCommon(loop.points, end);
            loop.end = std::move(end);
        }
    }
    for (ProfileLoop &loop : m_profileLoops) {
        const int m = int(loop.points.size());
        loop.closed = m >= 2 && loop.points.back() == loop.points.front();
        loop.params.resize(size_t(m));
        loop.length = ArcLengthParams(m, loop.points.data(), loop.params.data());
        loop.groupCount = AssignSmoothingGroups(loop.points.data(), loop.end.empty() ? nullptr : loop.end.data(),
                                                loop.closed ? m - 1 : m, loop.closed, m_dCrease, loop.groups);
    }
}

bool ExtrudeBuilder::PreparePathLoop(std::vector<Vec3> &points, bool closed, PathLoop &path)
{
    if (points.empty())
        return false;
    if (closed)
        points.push_back(points.front());
    if (!m_scaleTable.empty()) {
        const size_t room = points.size() + m_scaleTable.size();
        path.points.resize(room);
        path.scale.resize(room);
        const int count = ResampleAlongSamples(int(points.size()), points.data(), int(m_scaleTable.size()),
                                               m_scaleTable.data(), path.points.data(), path.scale.data(),
                                               m_bCurvedScale);
        path.points.resize(size_t(count));
        path.scale.resize(size_t(count));
    } else {
        path.points = points;
    }
    DropShortSegments(path.points, path.scale);
    const int n = int(path.points.size());
    if (n < 1)
        return false;
    path.looped = n >= 2 && path.points.front() == path.points.back();
    path.fraction.resize(size_t(n));
    path.length = ArcLengthParams(n, path.points.data(), path.fraction.data());
    std::vector<Vec3> companion;
    for (const CurveSample2 &sample : path.scale)
        companion.emplace_back(sample.t, sample.value1, sample.value2);
    path.groupCount = AssignSmoothingGroups(path.points.data(), companion.empty() ? nullptr : companion.data(),
                                            path.looped ? n - 1 : n, path.looped, m_dCrease, path.groups);
    return true;
}

Mat3 ExtrudeBuilder::StartFrame(const Vec3 &axis, const Vec3 &outgoing, bool looped) const
{
    const ExtrudeParams &params = *m_pParams;
    Vec3 b = looped ? outgoing : outgoing * 2.0;
    if (params.rotateType == 1)
        b.z = 0.0;
    if (params.useAxis) {
        const Vec3 x = b.Cross(params.axis);
        const Vec3 y = params.axis * double(m_iOrientation);
        Mat3 frame;
        for (int r = 0; r < 3; ++r) {
            frame.Set(r, 0, x[r]);
            frame.Set(r, 1, y[r]);
            frame.Set(r, 2, b[r]);
        }
        return frame;
    }
    Mat3 frame;
    if (outgoing.x * outgoing.x + outgoing.y * outgoing.y < kVerticalLimit) {
        // Straight up or down: the whole turn from the axis, so that the
        // first ring lies across the first segment (a half turn, not a
        // mirror image, when the path starts against the axis).
        Vec3 from = axis;
        Vec3 to = outgoing;
        RotationBetween(from, to, frame, 1.0);
        return frame;
    }
    Vec3 up(0.0, 1.0, 0.0);
    Vec3 away(-outgoing.x, -outgoing.y, -0.0);
    Mat3 turnAbout;
    RotationBetween(up, away, turnAbout, 1.0);
    Vec3 from = axis;
    Vec3 toward = b;
    Mat3 tilt;
    RotationBetween(from, toward, tilt, 1.0);
    return tilt * turnAbout;
}

Vec3 ExtrudeBuilder::SectionPoint(const PathLoop &path, const ProfileLoop &profile, int ring, int j) const
{
    Vec3 q = profile.points[size_t(j)];
    if (!profile.end.empty())
        q = Interpolate(q, profile.end[size_t(j)], path.fraction[size_t(ring)]);
    if (!path.scale.empty()) {
        q.x *= path.scale[size_t(ring)].value1;
        q.y *= path.scale[size_t(ring)].value2;
    }
    return q;
}

int ExtrudeBuilder::AddVertex(const Vec3 &p, int duplicateOf, bool texture, float u, float v)
{
    const int index = m_pFaceSet->m_vertices.AddVal1(p);
    m_pFaceSet->m_vertexDuplication.AddVal1(duplicateOf);
    if (texture)
        m_pFaceSet->m_texCoord.AddVal1(Vec2f(u, v));
    return index;
}

int ExtrudeBuilder::Representative(int vertex)
{
    SgVFInt &duplication = m_pFaceSet->m_vertexDuplication;
    if (vertex < 0 || vertex >= duplication.GetCount())
        return vertex;
    return duplication.GetValue(vertex, false);
}

// What one sweep carries from ring to ring: the frame, this ring's and the
// last ring's vertices and section points, the seam of a looped path and
// the poles the ends weld to.
struct ExtrudeBuilder::SweepRings {
    SweepRings(const PathLoop &pathLoop, const ProfileLoop &profileLoop, const ExtrudeParams &params)
        : path(pathLoop), profile(profileLoop), n(int(pathLoop.points.size())), m(int(profileLoop.points.size())),
          u(pathLoop.fraction), base(params.nextSurfaceId), ring(size_t(m), -1), prev(size_t(m), -1), at(size_t(m)),
          ahead(size_t(m)), prevAt(size_t(m)), prevAhead(size_t(m))
    {
        // Texture u: the path fraction, stretched to keep the texture's
        // aspect with mapping type 2. The blend and the twist keep the plain
        // fraction, so they run from start to end whatever the mapping.
        if (params.textureMapType == 2 && profile.length > 0.0) {
            for (double &value : u)
                value *= path.length / profile.length;
        }
    }

    int Surface(int pathSegment, int profileSegment) const
    {
        return base + path.groups[size_t(pathSegment)] * profile.groupCount + profile.groups[size_t(profileSegment)];
    }

    void Advance()
    {
        prev.swap(ring);
        prevAt.swap(at);
        prevAhead.swap(ahead);
    }

    const PathLoop &path;
    const ProfileLoop &profile;
    const int n;
    const int m;
    std::vector<double> u;
    const int base;
    Mat3 frame;
    // The ring being placed, its turn and whether the path goes on from it.
    int i = 0;
    bool hasOut = false;
    Mat3 turn;
    std::vector<int> ring;
    std::vector<int> prev;
    std::vector<int> seam;
    std::vector<Vec3> at;
    std::vector<Vec3> ahead;
    std::vector<Vec3> prevAt;
    std::vector<Vec3> prevAhead;
    int firstPole = -1;
    int lastPole = -1;
    int boundaryRings = 0;
};

void ExtrudeBuilder::Sweep(const PathLoop &path, const ProfileLoop &profile, CapLoops &startCaps,
                           CapLoops &endCaps)
{
    if (path.points.empty() || profile.points.empty())
        return;
    SweepRings rings(path, profile, *m_pParams);
    m_pParams->nextSurfaceId += path.groupCount * profile.groupCount;
    for (rings.i = 0; rings.i < rings.n; ++rings.i) {
        TurnFrame(rings);
        PlaceRing(rings);
        // A smooth path's ring lies in the plane that bisects the turn.
        if (!m_bCornered && rings.i > 0 && rings.hasOut)
            rings.frame = rings.turn * rings.frame;
        FinishRing(rings, startCaps, endCaps);
        rings.Advance();
    }
    if (rings.boundaryRings > 0)
        m_boundarySizes.push_back(rings.boundaryRings);
}

void ExtrudeBuilder::TurnFrame(SweepRings &rings) const
{
    const ExtrudeParams &params = *m_pParams;
    const PathLoop &path = rings.path;
    const int i = rings.i;
    const int n = rings.n;
    const double factor = m_bCornered ? 1.0 : 0.5;
    rings.hasOut = i < n - 1 || (path.looped && n >= 2);
    Vec3 incoming = i == 0 ? params.axis : path.points[size_t(i)] - path.points[size_t(i - 1)];
    Vec3 outgoing = i < n - 1     ? path.points[size_t(i + 1)] - path.points[size_t(i)]
                    : rings.hasOut ? path.points[1] - path.points[0]
                                   : incoming;
    rings.turn = Mat3();
    if (rings.hasOut) {
        RotationBetween(incoming, outgoing, rings.turn, factor);
        if (params.rotateType == 1) {
            // A vertical segment has no horizontal part: no turn.
            Vec3 a(incoming.x, incoming.y, 0.0);
            Vec3 b(outgoing.x, outgoing.y, 0.0);
            RotationBetween(a, b, rings.turn, factor);
        }
        rings.frame = (i == 0 ? StartFrame(incoming, outgoing, path.looped) : rings.turn) * rings.frame;
    } else {
        incoming.Normalize(0.0);
        outgoing.Normalize(0.0);
    }
    if (i >= 1 && m_dTwist != 0.0) {
        // A path that doubles back exactly has no twist axis there: the
        // frame stays as it is.
        Mat3 twist;
        if (RotationAboutAxis(incoming + outgoing, (path.fraction[size_t(i - 1)] - path.fraction[size_t(i)]) * m_dTwist,
                              twist))
            rings.frame = twist * rings.frame;
    }
}

void ExtrudeBuilder::PlaceRing(SweepRings &rings)
{
    ExtrudeParams &params = *m_pParams;
    SgFaceSet &mesh = *m_pFaceSet;
    const PathLoop &path = rings.path;
    const ProfileLoop &profile = rings.profile;
    const int i = rings.i;
    const int n = rings.n;
    const int m = rings.m;
    const bool looped = path.looped;
    const bool mitre = m_bCornered && m_dTwist == 0.0;
    const int next = i < n - 1 ? i + 1 : rings.hasOut ? 1 : -1;
    const bool makesVertices = !(looped && i == 0);
    for (int j = 0; j < m; ++j) {
        const Vec3 p = path.points[size_t(i)] + rings.frame * SectionPoint(path, profile, i, j);
        Vec3 vertex = p;
        if (m_bCornered) {
            Vec3 &ahead = rings.ahead[size_t(j)];
            ahead = next >= 0 ? path.points[size_t(next)] + rings.frame * SectionPoint(path, profile, next, j) : p;
            if (mitre && i >= 1 && rings.hasOut) {
                const Vec3 &before = rings.prevAt[size_t(j)];
                const Vec3 &reached = rings.prevAhead[size_t(j)];
                Vec3 crossing;
                if (IntersectLines(p, ahead, before, reached, crossing, kMitreTolerance))
                    vertex = crossing;
                else if ((ahead - p).Dot(reached - before) >= 0.0)
                    vertex = (p + reached) * 0.5;
                // Lines that run back along each other have no mitre;
                // their midpoint would fold the ring flat.
            }
        }
        rings.at[size_t(j)] = p;
        if (!makesVertices)
            continue;

        std::vector<int> &ring = rings.ring;
        if (profile.closed && j == m - 1 && !m_bTexture) {
            ring[size_t(j)] = ring[0];
        } else {
            const int index = mesh.GetVertexCount();
            int duplicate = index;
            if (profile.closed && j == m - 1)
                duplicate = Representative(ring[0]);
            if (i >= 1) {
                if (i == 1 && j == 0)
                    rings.firstPole = index;
                if (i == 1 && j == m - 1)
                    rings.lastPole = index;
                if (params.startCapType == ExtrudeParams::kPoleCap && j == 0)
                    duplicate = Representative(rings.firstPole);
                if (params.endCapType == ExtrudeParams::kPoleCap && j == m - 1 && rings.lastPole >= 0)
                    duplicate = Representative(rings.lastPole);
                if (params.startCapType == ExtrudeParams::kWeldRing && j == 0)
                    duplicate = Representative(
                        RingEntry(params.startRings, size_t(profile.index), size_t(i % (n - 1)), "start"));
                if (params.endCapType == ExtrudeParams::kWeldRing && j == m - 1)
                    duplicate = Representative(RingEntry(params.endRings, 0, size_t(i % n), "end"));
            }
            ring[size_t(j)] =
                AddVertex(vertex, duplicate, m_bTexture, float(rings.u[size_t(i)]), float(profile.params[size_t(j)]));
        }
        if (params.mainPart && j >= 1 && i >= (looped ? 2 : 1))
            mesh.InsertFace1(ring[size_t(j - 1)], ring[size_t(j)], rings.prev[size_t(j)], rings.prev[size_t(j - 1)],
                             rings.Surface(i - 1, j - 1), params.autoTriangulation, params.flip);
    }
}

void ExtrudeBuilder::FinishRing(SweepRings &rings, CapLoops &startCaps, CapLoops &endCaps)
{
    ExtrudeParams &params = *m_pParams;
    SgFaceSet &mesh = *m_pFaceSet;
    const PathLoop &path = rings.path;
    const ProfileLoop &profile = rings.profile;
    const std::vector<int> &ring = rings.ring;
    const int i = rings.i;
    const int n = rings.n;
    const int m = rings.m;
    const int s = m_iOrientation;
    if (path.looped) {
        if (i == 1) {
            rings.seam = ring;
            if (m_bTexture) {
                const float seamU = float(rings.u[1] + rings.u[size_t(n - 1)]);
                for (int j = 0; j < m; ++j) {
                    rings.seam[size_t(j)] = DuplicateVertex(m_pFaceSet, ring[size_t(j)]);
                    mesh.m_texCoord.AddVal1(Vec2f(seamU, float(profile.params[size_t(j)])));
                }
            }
        }
        const std::vector<int> &seam = rings.seam;
        if (i == n - 1 && i >= 1 && params.mainPart && m > 1 && !seam.empty()) {
            for (int j = 1; j < m; ++j)
                mesh.InsertFace1(seam[size_t(j - 1)], seam[size_t(j)], ring[size_t(j)], ring[size_t(j - 1)],
                                 rings.Surface(0, j - 1), params.autoTriangulation, params.flip);
        }
        if (!profile.closed && i >= 1) {
            m_startBoundary.push_back(ring[0]);
            m_endBoundary.push_back(ring[size_t(m - 1)]);
            ++rings.boundaryRings;
        }
    } else if (profile.closed && m >= 3) {
        const std::vector<int> loop(ring.begin(), ring.begin() + (m - 1));
        if (i == 0 && params.startCapType == ExtrudeParams::kStoreRing)
            params.startRings.push_back(loop);
        if (i == n - 1 && params.endCapType == ExtrudeParams::kStoreRing)
            params.endRings.push_back(loop);
        if (i == 0 && !m_bSkipStart)
            Cap(profile, loop, path.points[size_t(i)], s, false, startCaps);
        if (i == n - 1 && !m_bSkipEnd)
            Cap(profile, loop, path.points[size_t(i)], -s, true, endCaps);
        if (i > 0 && i < n - 1 && params.crossSection) {
            const int count = m - 1;
            if (params.crossSectionType != 0 && params.crossSectionFunction) {
                params.crossSectionFunction->SetTextureFlag(m_bTexture);
                params.crossSectionFunction->Fill(m_pFaceSet, loop.data(), count, s, path.points[size_t(i)]);
            } else {
                mesh.InsertFace(loop.data(), s, &count, 0);
            }
        }
    }
}

void ExtrudeBuilder::Cap(const ProfileLoop &profile, const std::vector<int> &ring, const Vec3 &centre,
                         int orientation, bool atEnd, CapLoops &collected)
{
    SgFaceSet &mesh = *m_pFaceSet;
    std::vector<int> corners(ring);
    if (m_bTexture) {
        // The cap's texture is planar in the profile's own x and y: its
        // corners are new vertices, recorded as duplicates of the ring's.
        const std::vector<Vec3> &source = atEnd && !profile.end.empty() ? profile.end : profile.points;
        for (size_t j = 0; j < corners.size(); ++j) {
            corners[j] = DuplicateVertex(m_pFaceSet, ring[j]);
            mesh.m_texCoord.AddVal1(Vec2f(float(source[j].x), float(source[j].y)));
        }
    }
    const int count = int(corners.size());
    if (m_profileLoops.size() > 1 || m_pProfile->NumLoops() > 1) {
        collected.indexes.insert(collected.indexes.end(), corners.begin(), corners.end());
        collected.sizes.push_back(count);
        return;
    }
    const ExtrudeParams &params = *m_pParams;
    if (params.capping != 0 && params.crossSectionFunction) {
        params.crossSectionFunction->SetTextureFlag(m_bTexture);
        params.crossSectionFunction->Fill(m_pFaceSet, corners.data(), count, orientation, centre);
        return;
    }
    mesh.InsertFace(corners.data(), orientation, &count, 0);
}

void ExtrudeBuilder::InsertCollected(const CapLoops &collected, int orientation)
{
    if (collected.sizes.empty())
        return;
    m_pFaceSet->InsertFace(collected.indexes.data(), int(collected.sizes.size()) * orientation,
                           collected.sizes.data(), 0);
}

void ExtrudeBuilder::BoundaryCaps()
{
    if (m_boundarySizes.empty())
        return;
    const ExtrudeParams &params = *m_pParams;
    SgFaceSet &mesh = *m_pFaceSet;
    const int loops = int(m_boundarySizes.size());
    auto close = [&](std::vector<int> list, int orientation) {
        if (m_bTexture) {
            for (int &index : list) {
                index = DuplicateVertex(m_pFaceSet, index);
                const Vec3 p = mesh.m_vertices.GetValue(index, false);
                mesh.m_texCoord.AddVal1(Vec2f(float(p.x), float(p.y)));
            }
        }
        mesh.InsertFace(list.data(), loops * orientation, m_boundarySizes.data(), 0);
    };
    if (params.startCapType != ExtrudeParams::kPoleCap && !m_bSkipStart)
        close(m_startBoundary, -m_iOrientation);
    if (params.endCapType != ExtrudeParams::kPoleCap && !m_bSkipEnd)
        close(m_endBoundary, m_iOrientation);
}

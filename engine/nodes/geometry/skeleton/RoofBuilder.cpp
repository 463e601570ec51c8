#include "engine/nodes/geometry/skeleton/RoofBuilder.h"

#include <algorithm>
#include <cmath>

#include "engine/nodes/geometry/skeleton/StraightSkeleton.h"

namespace {

// Degrees to radians the way roof pitches always have been: with pi in
// single precision, so 90 comes out slightly steeper than a right angle.
double PitchRadians(double degrees)
{
    if (degrees > 89.0)
        degrees = 90.0;
    else if (degrees < 1.0)
        degrees = 0.0;
    return degrees / 180.0 * double(3.1415927410125732f);
}

Vec3 Unit(const Vec3 &v)
{
    const double length = v.Length();
    return length < 1e-5 ? v : v * (1.0 / length);
}

} // namespace

double BuildStraightSkeletonRoof(const std::vector<Vec3> &outline, const double *slopes, int count, void *user,
                                 SkeletonAddVertexFunc addVertex, SkeletonAddFaceFunc addFace,
                                 SkeletonAddTexCoordFunc addTexCoord, RoofBuildReport *report)
{
    RoofBuildReport local;
    RoofBuildReport &out = report ? *report : local;
    out = RoofBuildReport();
    const int n = int(outline.size());
    if (n < 3 || !addVertex || !addFace) {
        out.error = n < 3 ? "fewer than three outline points" : "no function to store the roof";
        return -1.0;
    }
    const double base = outline[0].y;
    auto slopeOf = [&](int j) {
        if (!slopes || count < 1)
            return PitchRadians(45.0);
        return PitchRadians(slopes[std::min(j, count - 1)]);
    };

    // Records: every outline point, and before a point where the outline
    // goes straight on but the slope changes, a corner a little off the
    // line, so that the two roof planes (which meet only in the base line)
    // get a corner to part at.
    SkeletonContour contour;
    for (int j = 0; j < n; ++j) {
        const Vec3 &pp = outline[size_t((j - 1 + n) % n)], &p = outline[size_t(j)], &q = outline[size_t((j + 1) % n)];
        const double a = slopeOf(j), b = slopeOf((j - 1 + n) % n);
        const double cross = (q.z - pp.z) * (p.x - pp.x) - (p.z - pp.z) * (q.x - pp.x);
        const double straight = (q.x - p.x) * (p.x - pp.x) + (q.z - p.z) * (p.z - pp.z);
        // Straight within rounding: points put on a line by arithmetic are
        // rarely exactly on it.
        const double lengths = std::hypot(q.x - pp.x, q.z - pp.z) * std::hypot(p.x - pp.x, p.z - pp.z);
        if (a != b && std::fabs(cross) <= 1e-9 * lengths && straight > 0.0) {
            const double ex = q.x - p.x, ez = q.z - p.z;
            const double shorter = std::min(std::hypot(ex, ez), std::hypot(p.x - pp.x, p.z - pp.z));
            const double reach = std::min(0.01, 0.01 * shorter);
            Vec3 d = a > b ? Vec3(ez, 0.0, -ex) : Vec3(-ez, 0.0, ex);
            d = Unit(d);
            contour.push_back({Vec3(p.x + reach * d.x, 0.0, p.z + reach * d.z), std::min(a, b)});
        }
        contour.push_back({Vec3(p.x, 0.0, p.z), a});
    }

    std::vector<SkeletonContour> contours{contour};
    CStraightSkeleton skeleton;
    if (!skeleton.Compute(contours)) {
        out.error = skeleton.GetError();
        return -1.0;
    }
    out.splitEvents = skeleton.GetStatistics().splitEvents;
    out.edgeEvents = skeleton.GetStatistics().edgeEvents;
    const std::vector<Vec3> &nodes = skeleton.GetNodes();
    const std::vector<CStraightSkeleton::Face> &faces = skeleton.GetFaces();
    const bool reversed = skeleton.WasReversed();

    // Output frame: plan (x, z) to (x, y), height to z above the base.
    auto place = [&](int node) {
        const Vec3 &p = nodes[size_t(node)];
        return Vec3(p.x, p.z, p.y + base);
    };
    // The last index stored for each node: without texture coordinates the
    // faces share their vertices.
    std::vector<int> stored(nodes.size(), -1);
    auto store = [&](int node) {
        const Vec3 position = place(node);
        if (!addTexCoord && stored[size_t(node)] >= 0)
            return stored[size_t(node)];
        const int index = addVertex(user, &position, addTexCoord ? stored[size_t(node)] : -1);
        stored[size_t(node)] = index;
        return index;
    };

    double top = 0.0;
    std::vector<int> indices;
    std::vector<int> footprintNodes;
    for (const CStraightSkeleton::Face &face : faces) {
        // Counter-clockwise seen from above.
        std::vector<int> loop = face.nodes;
        if (reversed) {
            // Base end first, then the base start and up the roof.
            std::reverse(loop.begin(), loop.end());
            std::rotate(loop.begin(), loop.end() - 2, loop.end());
        }
        indices.clear();
        int highest = loop[0];
        for (int node : loop) {
            const double height = nodes[size_t(node)].y;
            if (height > nodes[size_t(highest)].y)
                highest = node;
            top = std::max(top, height);
            indices.push_back(store(node));
        }
        footprintNodes.push_back(face.nodes[0]);
        addFace(user, indices.data(), int(indices.size()));
        ++out.faces;
        if (addTexCoord) {
            // u along the edge, v up the face from it.
            const Vec3 p = place(loop[0]), q = place(loop[1]);
            const Vec3 e = Unit(q - p);
            Vec3 rise = place(highest) - p;
            rise = rise - e * rise.Dot(e);
            if (rise.Length() < 1e-9)
                rise = Vec3(-e.y, e.x, 0.0);
            const Vec3 w = Unit(rise);
            for (int node : loop) {
                const Vec3 d = place(node) - p;
                const Vec2f uv(float(e.Dot(d)), float(w.Dot(d)));
                addTexCoord(user, &uv);
            }
        }
    }
    // The footprint, seen from below: the outline clockwise from above.
    indices.clear();
    std::vector<int> footprint = footprintNodes;
    if (!reversed)
        std::reverse(footprint.begin(), footprint.end());
    for (int node : footprint)
        indices.push_back(store(node));
    addFace(user, indices.data(), int(indices.size()));
    if (addTexCoord) {
        for (int node : footprint) {
            const Vec3 p = place(node);
            const Vec2f uv(float(p.x), float(p.y));
            addTexCoord(user, &uv);
        }
    }
    return top;
}

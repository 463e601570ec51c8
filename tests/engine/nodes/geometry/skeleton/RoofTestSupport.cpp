#include "tests/engine/nodes/geometry/skeleton/RoofTestSupport.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "platform/SgRandom.h"
#include "tests/engine/nodes/geometry/MeshCheck.h"

namespace {

int AddVertex(void *user, const Vec3 *position, int previousCopy)
{
    auto *mesh = static_cast<RoofMesh *>(user);
    mesh->vertices.push_back(*position);
    mesh->previousCopies.push_back(previousCopy);
    return int(mesh->vertices.size()) - 1;
}

void AddFace(void *user, const int *indices, int count)
{
    static_cast<RoofMesh *>(user)->faces.emplace_back(indices, indices + count);
}

void AddTexCoord(void *user, const Vec2f *)
{
    ++static_cast<RoofMesh *>(user)->texCoords;
}

double Uniform(SgRandomSequence &random)
{
    return double(random.Next()) / double(SG_RAND_MAX);
}

double PlanArea(const std::vector<Vec3> &outline)
{
    double area = 0.0;
    const size_t n = outline.size();
    for (size_t i = 0; i < n; ++i) {
        const Vec3 &a = outline[i], &b = outline[(i + 1) % n];
        area += a.x * b.z - b.x * a.z;
    }
    return area / 2.0;
}

} // namespace

RoofMesh BuildRoof(const std::vector<Vec3> &outline, const std::vector<double> &slopesDegrees, bool texCoords)
{
    RoofMesh mesh;
    mesh.height = BuildStraightSkeletonRoof(outline, slopesDegrees.data(), int(slopesDegrees.size()), &mesh,
                                            AddVertex, AddFace, texCoords ? AddTexCoord : nullptr, &mesh.report);
    return mesh;
}

std::vector<Vec3> ConvexOutline(int count, unsigned seed)
{
    SgRandomSequence random(seed);
    std::vector<double> angles;
    for (int i = 0; i < count; ++i)
        angles.push_back(Uniform(random) * 2.0 * M_PI);
    std::sort(angles.begin(), angles.end());
    angles.erase(std::unique(angles.begin(), angles.end()), angles.end());
    const double a = 1.0 + Uniform(random), b = 0.5 + Uniform(random);
    std::vector<Vec3> outline;
    for (double t : angles)
        outline.emplace_back(a * std::cos(t), 0.0, b * std::sin(t));
    return outline;
}

std::vector<Vec3> StarOutline(int count, unsigned seed)
{
    SgRandomSequence random(seed);
    std::vector<Vec3> outline;
    for (int i = 0; i < count; ++i) {
        const double t = (i + 0.15 + 0.7 * Uniform(random)) * 2.0 * M_PI / count;
        const double r = 0.35 + 0.65 * Uniform(random);
        outline.emplace_back(r * std::cos(t), 0.0, r * std::sin(t));
    }
    return outline;
}

std::vector<Vec3> CollinearOutline(int count, unsigned seed)
{
    const int corners = std::max(3, count / 3);
    const std::vector<Vec3> star = StarOutline(corners, seed);
    std::vector<Vec3> outline;
    for (int i = 0; i < corners && int(outline.size()) < count; ++i) {
        const Vec3 &a = star[size_t(i)], &b = star[size_t((i + 1) % corners)];
        outline.push_back(a);
        // Two points on the edge where there is room for them.
        if (int(outline.size()) + (corners - i - 1) + 2 <= count) {
            outline.push_back(a + (b - a) * (1.0 / 3.0));
            outline.push_back(a + (b - a) * (2.0 / 3.0));
        }
    }
    return outline;
}

std::vector<Vec3> SpiralOutline(int count, unsigned seed)
{
    SgRandomSequence random(seed);
    const int side = std::max(2, count / 2);
    const double turns = 1.5 * 2.0 * M_PI;
    // The arms lie 2 pi b apart; the band is at most 0.6 of that wide.
    const double a = 1.0, b = 0.5;
    std::vector<Vec3> outer, inner;
    for (int i = 0; i < side; ++i) {
        const double t = turns * i / (side - 1);
        const double r = a + b * t;
        const double half = (0.15 + 0.15 * Uniform(random)) * 2.0 * M_PI * b;
        outer.emplace_back((r + half) * std::cos(t), 0.0, (r + half) * std::sin(t));
        inner.emplace_back((r - half) * std::cos(t), 0.0, (r - half) * std::sin(t));
    }
    std::vector<Vec3> outline(outer.begin(), outer.end());
    outline.insert(outline.end(), inner.rbegin(), inner.rend());
    return outline;
}

std::vector<Vec3> RectilinearOutline(int count, unsigned seed)
{
    // A staircase up the lower right and back along the top and left.
    SgRandomSequence random(seed);
    const int steps = std::max(1, (count - 4) / 2);
    std::vector<Vec3> outline;
    double x = 0.0, z = 0.0;
    outline.emplace_back(x, 0.0, z);
    for (int i = 0; i < steps; ++i) {
        x += 0.2 + Uniform(random);
        outline.emplace_back(x, 0.0, z);
        z += 0.2 + Uniform(random);
        outline.emplace_back(x, 0.0, z);
    }
    const double top = z + 0.5 + Uniform(random);
    outline.emplace_back(x, 0.0, top);
    outline.emplace_back(0.0, 0.0, top);
    return outline;
}

bool IsSimpleOutline(const std::vector<Vec3> &outline)
{
    const size_t n = outline.size();
    auto orient = [](const Vec3 &a, const Vec3 &b, const Vec3 &c) {
        const double d = (b.x - a.x) * (c.z - a.z) - (b.z - a.z) * (c.x - a.x);
        // Points put on a line by arithmetic are on it within rounding.
        const double size = std::fabs(b.x - a.x) + std::fabs(b.z - a.z) + std::fabs(c.x - a.x) + std::fabs(c.z - a.z);
        return d > 1e-12 * size * size ? 1 : d < -1e-12 * size * size ? -1 : 0;
    };
    for (size_t i = 0; i < n; ++i) {
        const Vec3 &a = outline[i], &b = outline[(i + 1) % n];
        for (size_t j = i + 1; j < n; ++j) {
            if (j == i + 1 || (i == 0 && j == n - 1))
                continue;
            const Vec3 &c = outline[j], &d = outline[(j + 1) % n];
            const int o1 = orient(a, b, c), o2 = orient(a, b, d), o3 = orient(c, d, a), o4 = orient(c, d, b);
            if (o1 != o2 && o3 != o4)
                return false;
            if (o1 == 0 && o2 == 0 && o3 == 0 && o4 == 0) {
                // On one line: they meet only when their spans overlap.
                const bool alongX = std::fabs(b.x - a.x) >= std::fabs(b.z - a.z);
                auto lo = [alongX](const Vec3 &p, const Vec3 &q) { return alongX ? std::min(p.x, q.x) : std::min(p.z, q.z); };
                auto hi = [alongX](const Vec3 &p, const Vec3 &q) { return alongX ? std::max(p.x, q.x) : std::max(p.z, q.z); };
                if (lo(a, b) <= hi(c, d) && lo(c, d) <= hi(a, b))
                    return false;
            }
        }
    }
    return true;
}

std::string CheckRoof(const RoofMesh &roof, const std::vector<Vec3> &outline, const std::vector<double> &slopes)
{
    std::ostringstream out;
    if (roof.height < 0.0)
        return "not built: " + roof.report.error;
    const int n = int(outline.size());
    // Corners added where a straight run changes slope add a face each.
    const int faceCount = int(roof.faces.size()) - 1;
    if (faceCount < n) {
        out << faceCount << " faces for " << n << " edges";
        return out.str();
    }
    // Measured about the outline's own centre: far from the origin a
    // tolerance from the coordinates' size would let a unit edge match its
    // neighbour.
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minZ = HUGE_VAL, maxZ = -HUGE_VAL;
    for (const Vec3 &p : outline) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minZ = std::min(minZ, p.z);
        maxZ = std::max(maxZ, p.z);
    }
    const double scale = std::max(maxX - minX, maxZ - minZ);
    const double far = std::max({std::fabs(minX), std::fabs(maxX), std::fabs(minZ), std::fabs(maxZ)});
    const double tolerance = 1e-6 * std::max(scale, 1.0) + 1e-12 * far;
    const bool ccw = PlanArea(outline) > 0.0;
    double planSum = 0.0;
    int unmatched = 0;
    for (int f = 0; f < faceCount; ++f) {
        const std::vector<int> &face = roof.faces[size_t(f)];
        // The edge the face stands on: the one its first two corners span.
        const Vec3 a = roof.vertices[size_t(face[0])], b = roof.vertices[size_t(face[1])];
        int edge = -1;
        for (int j = 0; j < n && edge < 0; ++j) {
            const Vec3 &p = outline[size_t(j)], &q = outline[size_t((j + 1) % n)];
            if ((std::hypot(p.x - a.x, p.z - a.y) < tolerance && std::hypot(q.x - b.x, q.z - b.y) < tolerance) ||
                (std::hypot(q.x - a.x, q.z - a.y) < tolerance && std::hypot(p.x - b.x, p.z - b.y) < tolerance))
                edge = j;
        }
        if (edge < 0) {
            // A face on an added corner's edges (the corner and the edge
            // leading to it): planar is all it must be.
            if (++unmatched > 2 * (faceCount - n)) {
                out << "face " << f << " stands on no outline edge";
                return out.str();
            }
            const Vec3 o = roof.vertices[size_t(face[0])];
            Vec3 normal(0, 0, 0);
            for (size_t k = 0; k < face.size(); ++k) {
                const Vec3 &v = roof.vertices[size_t(face[k])], &w = roof.vertices[size_t(face[(k + 1) % face.size()])];
                normal = normal + (v - o).Cross(w - o);
            }
            const double length = normal.Length();
            for (int index : face) {
                if (length > 0.0 && std::fabs((roof.vertices[size_t(index)] - o).Dot(normal) / length) > tolerance) {
                    out << "face " << f << " (an added corner's) is not planar";
                    return out.str();
                }
            }
            double area = 0.0;
            for (size_t k = 0; k < face.size(); ++k) {
                const Vec3 &v = roof.vertices[size_t(face[k])], &w = roof.vertices[size_t(face[(k + 1) % face.size()])];
                area += v.x * w.y - w.x * v.y;
            }
            planSum += area / 2.0;
            continue;
        }
        double degrees = slopes.empty() ? 45.0 : slopes[size_t(std::min(edge, int(slopes.size()) - 1))];
        degrees = degrees > 89.0 ? 90.0 : degrees < 1.0 ? 0.0 : degrees;
        const double t = std::fabs(std::tan(degrees / 180.0 * double(3.1415927410125732f)));
        // Inward normal of the edge in the output plan (x, y).
        const Vec3 &p = outline[size_t(edge)], &q = outline[size_t((edge + 1) % n)];
        double ux = q.x - p.x, uy = q.z - p.z;
        const double len = std::hypot(ux, uy);
        ux /= len;
        uy /= len;
        const double nx = ccw ? -uy : uy, ny = ccw ? ux : -ux;
        double area = 0.0;
        for (size_t k = 0; k < face.size(); ++k) {
            const Vec3 &v = roof.vertices[size_t(face[k])];
            const double expected = t * ((v.x - p.x) * nx + (v.y - p.z) * ny);
            if (std::fabs(v.z - expected) > tolerance * std::max(1.0, t)) {
                out << "face " << f << " (edge " << edge << ") leaves its plane by " << v.z - expected;
                return out.str();
            }
            const Vec3 &w = roof.vertices[size_t(face[(k + 1) % face.size()])];
            area += v.x * w.y - w.x * v.y;
        }
        if (area < -tolerance) {
            out << "face " << f << " faces downwards";
            return out.str();
        }
        planSum += area / 2.0;
    }
    // The footprint as built (with any added corners), seen from above.
    double footprint = 0.0;
    const std::vector<int> &base = roof.faces.back();
    for (size_t k = 0; k < base.size(); ++k) {
        const Vec3 &v = roof.vertices[size_t(base[k])], &w = roof.vertices[size_t(base[(k + 1) % base.size()])];
        footprint -= (v.x * w.y - w.x * v.y) / 2.0;
    }
    if (std::fabs(footprint - std::fabs(PlanArea(outline))) > 0.02 * std::sqrt(std::fabs(PlanArea(outline))) + 1e-9) {
        out << "the footprint's area " << footprint << " is not the outline's " << std::fabs(PlanArea(outline));
        return out.str();
    }
    if (std::fabs(planSum - footprint) > 1e-6 * std::max(footprint, 1.0)) {
        out << "faces cover " << planSum << " of " << footprint;
        return out.str();
    }
    SgRef<SgFaceSet> mesh = new SgFaceSet;
    mesh->m_vertices.SetVals(int(roof.vertices.size()), roof.vertices.data());
    for (const std::vector<int> &face : roof.faces) {
        // Face sets run their loops clockwise seen from outside.
        std::vector<int> loop(face.rbegin(), face.rend());
        mesh->InsertFace(loop.data(), int(loop.size()), 1);
    }
    const MeshCheck check = CheckMesh(*mesh, 1e-7);
    if (!check.IsClosed() || !(check.volume >= 0.0)) {
        out << "not closed: " << check.Describe();
        return out.str();
    }
    return "";
}

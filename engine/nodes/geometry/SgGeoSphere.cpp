#include "engine/nodes/geometry/SgGeoSphere.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "platform/SgDiagnostics.h"

SG_CLASS_SOURCE(SgGeoSphere, SgGeometricShape, SgFieldMngr, "SgGeoSphere")

namespace {

constexpr double kA = 0.5257311121191336;
constexpr double kB = 0.8506508083520399;
// Vectors shorter than this fraction of the radius are not pushed onto the
// sphere: they have no direction. (Relative, so a sphere of the smallest
// radius is still round.)
constexpr double kMinProjected = 1e-05;

const Vec3 kIcosahedron[12] = {
    {-kA, 0.0, kB}, {kA, 0.0, kB},  {-kA, 0.0, -kB}, {kA, 0.0, -kB}, {0.0, kB, kA},  {0.0, kB, -kA},
    {0.0, -kB, kA}, {0.0, -kB, -kA}, {kB, kA, 0.0},  {-kB, kA, 0.0}, {kB, -kA, 0.0}, {-kB, -kA, 0.0},
};

const int kFaces[20][3] = {
    {0, 4, 1},  {0, 9, 4},  {9, 5, 4},  {4, 5, 8},  {4, 8, 1},  {8, 10, 1}, {8, 3, 10}, {5, 3, 8},  {5, 2, 3},  {2, 7, 3},
    {7, 10, 3}, {7, 6, 10}, {7, 11, 6}, {11, 0, 6}, {0, 1, 6},  {6, 1, 10}, {9, 0, 11}, {9, 11, 2}, {9, 2, 5},  {7, 2, 11},
};

Vec3 OnSphere(const Vec3 &v, double radius)
{
    const double length = v.Length();
    return length >= kMinProjected * radius ? v * (radius / length) : v;
}

} // namespace

SgGeoSphere::SgGeoSphere()
{
    AddField(m_radius, "radius", 1.0);
    AddField(m_segments, "segments", 5);
    AddField(m_smoothType, "smoothType", 1);
}

void SgGeoSphere::DoAction(SgAction *action)
{
    DoBuildAction<SgFaceSet>(action, [this](SgFaceSet *mesh, SgAction *) { BuildMesh(mesh); });
}

void SgGeoSphere::BuildMesh(SgFaceSet *faceSet)
{
    if (!faceSet)
        return;
    int n = SgExtrude::ClampedCount(this, "segments", m_segments.Get(), 1);
    if (n > kMaxSegments) {
        SgDiagWarning("Geometry", "%s: \"segments\" %d is above %d; %d is used", GetClassName(), n, kMaxSegments,
                      kMaxSegments);
        n = kMaxSegments;
    }
    // A radius given negative names its size, as for the other shapes.
    const double radius = std::max(std::abs(m_radius.Get()), kMinRadius);
    const double step = 1.0 / n;
    const int smoothType = m_smoothType.Get();

    SgVFVec3 &vertices = faceSet->m_vertices;
    const int first = faceSet->GetVertexCount();
    vertices.StartEdit();
    for (const Vec3 &corner : kIcosahedron)
        vertices.AddVal1(corner * radius);

    // Per directed edge: created yet, and the last vertex created along it.
    bool done[12][12] = {};
    int last[12][12] = {};
    // grid[s * (n + 1) + j], 0 <= j <= s <= n.
    std::vector<int> grid(size_t(n + 1) * size_t(n + 1), -1);
    auto g = [&](int s, int j) -> int & { return grid[size_t(s) * size_t(n + 1) + size_t(j)]; };
    struct Triangle {
        int a, b, c, surface;
    };
    std::vector<Triangle> triangles;
    triangles.reserve(size_t(20) * size_t(n) * size_t(n));
    int surface = smoothType != 0 ? 1 : 0;

    for (const auto &face : kFaces) {
        const int i0 = face[0];
        const int i1 = face[1];
        const int i2 = face[2];
        const Vec3 p0 = kIcosahedron[i0] * radius;
        const Vec3 p1 = kIcosahedron[i1] * radius;
        const Vec3 p2 = kIcosahedron[i2] * radius;
        const Vec3 d01 = (p1 - p0) * step;
        const Vec3 d12 = (p2 - p1) * step;
        const Vec3 d20 = (p0 - p2) * step;
        g(0, 0) = first + i0;
        g(n, 0) = first + i1;
        g(n, n) = first + i2;

        // Cell k (1 .. n - 1) of each edge, walking from its first corner.
        auto edge = [&](int p, int q, const Vec3 &from, const Vec3 &d, auto &&cell) {
            if (!done[q][p]) {
                for (int k = 1; k < n; ++k)
                    cell(k) = vertices.AddVal1(OnSphere(from + d * double(k), radius));
                if (n > 1)
                    last[p][q] = cell(n - 1);
            } else {
                // The neighbour made them walking the other way; their
                // indexes are consecutive.
                for (int k = 1; k < n; ++k)
                    cell(k) = last[q][p] - (k - 1);
            }
            done[p][q] = true;
        };
        edge(i0, i1, p0, d01, [&](int k) -> int & { return g(k, 0); });
        edge(i1, i2, p1, d12, [&](int k) -> int & { return g(n, k); });
        edge(i2, i0, p2, d20, [&](int k) -> int & { return g(n - k, n - k); });

        for (int s = 2; s < n; ++s) {
            for (int j = 1; j < s; ++j)
                g(s, j) = vertices.AddVal1(OnSphere(p0 + d01 * double(s) + d12 * double(j), radius));
        }
        for (int s = 0; s < n; ++s) {
            for (int j = 0; j <= s; ++j)
                triangles.push_back({g(s, j), g(s + 1, j), g(s + 1, j + 1), surface});
            for (int j = 0; j < s; ++j)
                triangles.push_back({g(s, j), g(s + 1, j + 1), g(s, j + 1), surface});
        }
        if (smoothType == 2)
            ++surface;
    }
    vertices.EndEdit();
    for (const Triangle &t : triangles)
        faceSet->InsertFace3(t.a, t.b, t.c, t.surface);
}

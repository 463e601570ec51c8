#include "solids/modifiers/GmMeshModifiers.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <numeric>
#include <set>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "solids/GmAttributes.h"
#include "solids/GmMeshBuilder.h"

namespace solvane {

namespace {

uint64_t EdgeKey(int a, int b)
{
    const uint64_t lo = uint64_t(std::min(a, b)), hi = uint64_t(std::max(a, b));
    return (hi << 32) | lo;
}

GmGeom *FromMesh(const GmMesh &mesh, double tolerance)
{
    return geomFromMesh(mesh, tolerance, true);
}

// What the mesh conversion tagged (the "SmoothTag" attribute): nodes held in
// place (2) or on a crease (1), and crease edges; per pass, in arrays of the
// pass's own.
struct SmoothTags {
    std::vector<uint8_t> node;
    std::set<uint64_t> creases;
};

// One subdivision pass over a polygon mesh. Open boundaries and creases stay
// sharp; held nodes stay where they are.
GmMesh SmoothPass(const GmMesh &in, SmoothTags &tags)
{
    const int nodeCount = int(in.points.size());
    struct EdgeData {
        int a = 0, b = 0;
        std::vector<int> faces;
        int point = -1;
    };
    std::unordered_map<uint64_t, EdgeData> edges;
    std::vector<std::vector<uint64_t>> faceEdges(in.polygons.size());
    for (size_t f = 0; f < in.polygons.size(); ++f) {
        const std::vector<int> &poly = in.polygons[f];
        const size_t k = poly.size();
        for (size_t i = 0; i < k; ++i) {
            const int a = poly[i], b = poly[(i + 1) % k];
            EdgeData &e = edges[EdgeKey(a, b)];
            e.a = std::min(a, b);
            e.b = std::max(a, b);
            e.faces.push_back(int(f));
            faceEdges[f].push_back(EdgeKey(a, b));
        }
    }

    GmMesh out;
    // Face points.
    std::vector<int> facePoint(in.polygons.size(), -1);
    std::vector<Vec3> faceSum(size_t(nodeCount), Vec3(0, 0, 0));
    std::vector<int> faceCount(size_t(nodeCount), 0);
    for (size_t f = 0; f < in.polygons.size(); ++f) {
        const std::vector<int> &poly = in.polygons[f];
        if (poly.size() < 3)
            continue;
        Vec3 c(0, 0, 0);
        for (int n : poly)
            c += in.points[size_t(n)];
        c = c * (1.0 / double(poly.size()));
        facePoint[f] = int(out.points.size());
        out.points.push_back(c);
        for (int n : poly) {
            faceSum[size_t(n)] += c;
            ++faceCount[size_t(n)];
        }
    }
    // Sharp edges: those of one face and the creases; their ends are sharp
    // nodes unless held.
    tags.node.resize(size_t(nodeCount), 0);
    auto sharp = [&](uint64_t key, const EdgeData &e) { return e.faces.size() == 1 || tags.creases.count(key) > 0; };
    std::vector<uint8_t> boundary(size_t(nodeCount), 0);
    for (const auto &[key, e] : edges) {
        if (sharp(key, e))
            boundary[size_t(e.a)] = boundary[size_t(e.b)] = 1;
    }
    for (int v = 0; v < nodeCount; ++v)
        boundary[size_t(v)] = std::max(boundary[size_t(v)], tags.node[size_t(v)] >= 1 ? uint8_t(1) : uint8_t(0));
    // Edge points, and the neighbour sums of the vertex rule.
    std::vector<Vec3> neighbourSum(size_t(nodeCount), Vec3(0, 0, 0));
    std::vector<int> edgeCount(size_t(nodeCount), 0);
    std::vector<Vec3> boundarySum(size_t(nodeCount), Vec3(0, 0, 0));
    std::vector<int> boundaryCount(size_t(nodeCount), 0);
    for (auto &[key, e] : edges) {
        const Vec3 &p1 = in.points[size_t(e.a)];
        const Vec3 &p2 = in.points[size_t(e.b)];
        Vec3 point;
        if (sharp(key, e)) {
            point = (p1 + p2) * 0.5;
            boundarySum[size_t(e.a)] += p2;
            boundarySum[size_t(e.b)] += p1;
            ++boundaryCount[size_t(e.a)];
            ++boundaryCount[size_t(e.b)];
        } else {
            Vec3 sum = p1 + p2;
            for (int f : e.faces)
                sum += out.points[size_t(facePoint[size_t(f)])];
            point = sum * (1.0 / double(e.faces.size() + 2));
        }
        e.point = int(out.points.size());
        out.points.push_back(point);
        neighbourSum[size_t(e.a)] += p2;
        neighbourSum[size_t(e.b)] += p1;
        ++edgeCount[size_t(e.a)];
        ++edgeCount[size_t(e.b)];
    }
    // Vertex points.
    std::vector<int> vertexPoint(size_t(nodeCount), -1);
    for (int v = 0; v < nodeCount; ++v) {
        if (edgeCount[size_t(v)] == 0)
            continue;
        const Vec3 &p = in.points[size_t(v)];
        Vec3 moved;
        const int m = boundaryCount[size_t(v)];
        if (tags.node[size_t(v)] == 2 || m > 2) {
            // Held, or where three sharp edges meet: a corner stays.
            moved = p;
        } else if (boundary[size_t(v)] && m > 1) {
            moved = p * 0.5 + boundarySum[size_t(v)] * (0.5 / m);
        } else if (boundary[size_t(v)]) {
            moved = p;
        } else {
            const double n = edgeCount[size_t(v)];
            const Vec3 f = faceCount[size_t(v)] > 0 ? faceSum[size_t(v)] * (1.0 / faceCount[size_t(v)]) : p;
            const Vec3 q = neighbourSum[size_t(v)] * (1.0 / n);
            // The average of the face points and of the edge midpoints
            // weighted as the classic rule: (F + 2R + (n - 3) P) / n.
            const Vec3 r = (q + p) * 0.5;
            moved = (f + r * 2.0 + p * (n - 3.0)) * (1.0 / n);
        }
        vertexPoint[size_t(v)] = int(out.points.size());
        out.points.push_back(moved);
    }
    // The tags of the new mesh: vertex points keep their node's, a sharp
    // edge's point and its two halves are sharp.
    SmoothTags next;
    next.node.assign(out.points.size(), 0);
    for (int v = 0; v < nodeCount; ++v)
        if (vertexPoint[size_t(v)] >= 0)
            next.node[size_t(vertexPoint[size_t(v)])] = tags.node[size_t(v)];
    for (const auto &[key, e] : edges) {
        if (!tags.creases.count(key))
            continue;
        next.node[size_t(e.point)] = 1;
        next.creases.insert(EdgeKey(vertexPoint[size_t(e.a)], e.point));
        next.creases.insert(EdgeKey(e.point, vertexPoint[size_t(e.b)]));
    }
    tags = std::move(next);

    // Faces: one quad per corner.
    for (size_t f = 0; f < in.polygons.size(); ++f) {
        const std::vector<int> &poly = in.polygons[f];
        const size_t k = poly.size();
        if (k < 3 || facePoint[f] < 0)
            continue;
        for (size_t i = 0; i < k; ++i) {
            const int prev = poly[(i + k - 1) % k], corner = poly[i], next = poly[(i + 1) % k];
            const int ePrev = edges[EdgeKey(prev, corner)].point;
            const int eNext = edges[EdgeKey(corner, next)].point;
            out.polygons.push_back({ePrev, vertexPoint[size_t(corner)], eNext, facePoint[f]});
        }
    }
    return out;
}

} // namespace

GmGeom *smooth_geom(GmGeom &source, int passes, int *passesMade)
{
    GmMesh mesh = meshFromGeom(source);
    // The conversion's tags, read from the nodes and edges in the order the
    // mesh numbers the nodes.
    SmoothTags tags;
    const AttrId tag = attribute_registry().check_name("SmoothTag", ATTR_BITFIELD);
    if (!tag.isNull()) {
        std::unordered_map<const GmNode *, int> index;
        for (GmNode *node : source.liveNodes()) {
            index[node] = int(tags.node.size());
            tags.node.push_back(uint8_t(tag.get(node->attributes)));
        }
        for (GmEdge *edge : source.liveEdges()) {
            if (tag.get(edge->attributes) == 1 && index.count(edge->node1) && index.count(edge->node2))
                tags.creases.insert(EdgeKey(index[edge->node1], index[edge->node2]));
        }
    }
    int made = 0;
    for (; made < std::max(passes, 0); ++made) {
        // A pass makes one face per face corner.
        size_t corners = 0;
        for (const auto &polygon : mesh.polygons)
            corners += polygon.size();
        if (corners > kMaxSmoothFaces)
            break;
        mesh = SmoothPass(mesh, tags);
    }
    if (passesMade)
        *passesMade = made;
    GmGeom *result = FromMesh(mesh, source.tolerance());
    if (made > 0) {
        for (GmFace *face : result->liveFaces())
            face->setGroup(kSmoothFaceGroup);
    }
    return result;
}

GmGeom *simplify_geom(GmGeom &source, double epsilon)
{
    GmMesh mesh = meshFromGeom(source);
    const size_t faceCount = mesh.polygons.size();
    // Planes of the faces (Newell).
    std::vector<Vec3> normal(faceCount);
    std::vector<double> offset(faceCount);
    for (size_t f = 0; f < faceCount; ++f) {
        Vec3 n(0, 0, 0);
        const std::vector<int> &poly = mesh.polygons[f];
        for (size_t i = 0; i < poly.size(); ++i) {
            const Vec3 &a = mesh.points[size_t(poly[i])];
            const Vec3 &b = mesh.points[size_t(poly[(i + 1) % poly.size()])];
            n += Vec3((a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y));
        }
        const double length = n.Length();
        normal[f] = length > 0 ? n * (1.0 / length) : Vec3(0, 0, 0);
        offset[f] = poly.empty() ? 0.0 : normal[f].Dot(mesh.points[size_t(poly[0])]);
    }
    auto coplanar = [&](size_t f, size_t g) {
        if ((normal[f] - normal[g]).Length() > epsilon || normal[f].Length() == 0.0)
            return false;
        for (int n : mesh.polygons[g])
            if (std::fabs(normal[f].Dot(mesh.points[size_t(n)]) - offset[f]) > epsilon)
                return false;
        return true;
    };
    // Directed edges of each face; an interior edge joins the face that uses
    // it one way with the face that uses it the other way.
    std::map<std::pair<int, int>, size_t> directed;
    for (size_t f = 0; f < faceCount; ++f) {
        const std::vector<int> &poly = mesh.polygons[f];
        for (size_t i = 0; i < poly.size(); ++i)
            directed[{poly[i], poly[(i + 1) % poly.size()]}] = f;
    }
    std::vector<size_t> parent(faceCount);
    std::iota(parent.begin(), parent.end(), size_t(0));
    std::function<size_t(size_t)> root = [&](size_t f) { return parent[f] == f ? f : parent[f] = root(parent[f]); };
    for (const auto &[edge, f] : directed) {
        auto back = directed.find({edge.second, edge.first});
        if (back == directed.end())
            continue;
        const size_t g = back->second;
        if (f != g && coplanar(root(f), g) && coplanar(f, g))
            parent[root(f)] = root(g);
    }
    // Each group's outline: its directed edges whose reverse is not in the
    // group, chained into loops.
    std::map<size_t, std::vector<size_t>> groups;
    for (size_t f = 0; f < faceCount; ++f)
        groups[root(f)].push_back(f);
    GmMesh out;
    out.points = mesh.points;
    for (const auto &[r, members] : groups) {
        if (members.size() == 1) {
            out.polygons.push_back(mesh.polygons[members[0]]);
            continue;
        }
        std::map<int, int> next;
        bool branching = false;
        for (size_t f : members) {
            const std::vector<int> &poly = mesh.polygons[f];
            for (size_t i = 0; i < poly.size(); ++i) {
                const int a = poly[i], b = poly[(i + 1) % poly.size()];
                auto back = directed.find({b, a});
                if (back != directed.end() && root(back->second) == r)
                    continue;
                if (next.count(a))
                    branching = true;
                next[a] = b;
            }
        }
        std::vector<int> loop;
        if (!branching && !next.empty()) {
            int at = next.begin()->first;
            for (size_t steps = 0; steps <= next.size(); ++steps) {
                loop.push_back(at);
                auto it = next.find(at);
                if (it == next.end()) {
                    loop.clear();
                    break;
                }
                at = it->second;
                if (at == loop.front())
                    break;
            }
        }
        if (loop.size() == next.size() && loop.size() >= 3) {
            out.polygons.push_back(loop);
        } else {
            for (size_t f : members)
                out.polygons.push_back(mesh.polygons[f]);
        }
    }
    GmGeom *result = FromMesh(out, source.tolerance());
    carry_node_attributes(source, *result);
    return result;
}

void carry_node_attributes(GmGeom &from, GmGeom &to)
{
    std::map<std::tuple<double, double, double>, uint32_t> words;
    for (GmNode *node : from.liveNodes())
        words.emplace(std::make_tuple(node->position.x, node->position.y, node->position.z), node->attributes);
    for (GmNode *node : to.liveNodes()) {
        auto found = words.find(std::make_tuple(node->position.x, node->position.y, node->position.z));
        if (found != words.end())
            node->attributes = found->second;
    }
}

GmGeom *slice_geom(GmGeom &source, const Mat4 &sheetToShape, double size, int type)
{
    auto copy = [&] {
        auto *r = new GmGeom(source, true);
        r->build_solids(0);
        return r;
    };
    if (type < 0 || type > 2)
        return copy();
    // The half space on the sheet's +z side as a box in the sheet's frame,
    // as deep as the sheet is wide: it holds all of the shape on that side.
    const double h = size / 2;
    GmMesh slab = boxMesh(Vec3(-h, -h, 0), Vec3(h, h, size));
    Mat3 linear;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            linear[r][c] = sheetToShape[r][c];
    transformMesh(slab, linear, Vec3(sheetToShape[0][3], sheetToShape[1][3], sheetToShape[2][3]));
    std::unique_ptr<GmGeom> cutter(geomFromMesh(slab, source.tolerance(), true));
    std::unique_ptr<GmGeom> result(copy());
    switch (type) {
    case 1:
        result->subtract(cutter.get());
        break;
    case 2:
        result->intersect(cutter.get());
        break;
    default: {
        std::unique_ptr<GmGeom> other(copy());
        other->intersect(cutter.get());
        result->subtract(cutter.get());
        result->glue(other.get());
        break;
    }
    }
    return result.release();
}

}  // namespace solvane

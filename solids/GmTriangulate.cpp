#include "solids/GmTriangulate.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "solids/GmGeom.h"
#include "solids/GmPredicates.h"
#include "solids/GmTopology.h"

namespace solvane {

namespace {
using P2 = GmPoint2;

bool Same(const P2 &a, const P2 &b)
{
    return a.x == b.x && a.y == b.y;
}

// Exact in sign: an ear is not taken on a rounded turn.
double Cross(const P2 &o, const P2 &a, const P2 &b)
{
    return orient2d(o.x, o.y, a.x, a.y, b.x, b.y);
}

// Ear clipping of a simple polygon given counter-clockwise; returns index
// triples.
std::vector<int> EarClip(const std::vector<P2> &pts)
{
    std::vector<int> idx(pts.size());
    for (size_t i = 0; i < pts.size(); ++i) {
        idx[i] = static_cast<int>(i);
    }
    std::vector<int> tris;
    size_t guard = 0;
    while (idx.size() > 3 && guard++ < pts.size() * pts.size() + 10) {
        bool clipped = false;
        size_t n = idx.size();
        for (size_t i = 0; i < n; ++i) {
            int a = idx[(i + n - 1) % n], b = idx[i], c = idx[(i + 1) % n];
            if (Cross(pts[static_cast<size_t>(a)], pts[static_cast<size_t>(b)], pts[static_cast<size_t>(c)]) <= 0.0) {
                continue;
            }
            bool empty = true;
            for (int k : idx) {
                if (k == a || k == b || k == c) {
                    continue;
                }
                const P2 &p = pts[static_cast<size_t>(k)];
                // The two ends of a bridge lie twice on the polygon: a
                // copy of a corner does not block the ear.
                if (Same(p, pts[static_cast<size_t>(a)]) || Same(p, pts[static_cast<size_t>(b)]) ||
                    Same(p, pts[static_cast<size_t>(c)])) {
                    continue;
                }
                if (Cross(pts[static_cast<size_t>(a)], pts[static_cast<size_t>(b)], p) >= 0.0 &&
                    Cross(pts[static_cast<size_t>(b)], pts[static_cast<size_t>(c)], p) >= 0.0 &&
                    Cross(pts[static_cast<size_t>(c)], pts[static_cast<size_t>(a)], p) >= 0.0) {
                    empty = false;
                    break;
                }
            }
            if (!empty) {
                continue;
            }
            tris.insert(tris.end(), {a, b, c});
            idx.erase(idx.begin() + static_cast<long>(i));
            clipped = true;
            break;
        }
        if (!clipped) {
            // No ear (numerically degenerate): fan the rest.
            for (size_t i = 1; i + 1 < idx.size(); ++i) {
                tris.insert(tris.end(), {idx[0], idx[i], idx[i + 1]});
            }
            return tris;
        }
    }
    if (idx.size() == 3) {
        tris.insert(tris.end(), {idx[0], idx[1], idx[2]});
    }
    return tris;
}
double SignedArea(const std::vector<P2> &l)
{
    double a = 0.0;
    for (size_t i = 0; i < l.size(); ++i) {
        const P2 &p = l[i], &q = l[(i + 1) % l.size()];
        a += p.x * q.y - q.x * p.y;
    }
    return a / 2.0;
}

// Whether the open segments ab and cd cross.
bool Crosses(const P2 &a, const P2 &b, const P2 &c, const P2 &d)
{
    const double d1 = Cross(a, b, c), d2 = Cross(a, b, d), d3 = Cross(c, d, a), d4 = Cross(c, d, b);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}
}  // namespace

std::vector<int> triangulate_polygon(const std::vector<std::vector<P2>> &loops)
{
    std::vector<P2> pts;
    std::vector<std::vector<int>> rings;  // indices into pts, outer CCW, holes CW
    for (size_t li = 0; li < loops.size(); ++li) {
        std::vector<int> ring;
        for (const P2 &p : loops[li]) {
            ring.push_back(static_cast<int>(pts.size()));
            pts.push_back(p);
        }
        const double area = SignedArea(loops[li]);
        if ((li == 0) != (area > 0.0)) {
            std::reverse(ring.begin(), ring.end());
        }
        rings.push_back(std::move(ring));
    }
    if (rings.empty() || rings[0].size() < 3) {
        return {};
    }
    std::vector<int> merged = rings[0];
    // Holes farthest along x first: each bridge then runs outwards past
    // holes already joined.
    std::vector<size_t> holes;
    for (size_t h = 1; h < rings.size(); ++h) {
        if (rings[h].size() >= 3) {
            holes.push_back(h);
        }
    }
    auto maxX = [&](size_t h) {
        double m = -HUGE_VAL;
        for (int i : rings[h]) {
            m = std::max(m, pts[static_cast<size_t>(i)].x);
        }
        return m;
    };
    std::sort(holes.begin(), holes.end(), [&](size_t a, size_t b) { return maxX(a) > maxX(b); });
    for (size_t hi = 0; hi < holes.size(); ++hi) {
        const std::vector<int> &hole = rings[holes[hi]];
        size_t m = 0;
        for (size_t i = 1; i < hole.size(); ++i) {
            if (pts[static_cast<size_t>(hole[i])].x > pts[static_cast<size_t>(hole[m])].x) {
                m = i;
            }
        }
        const P2 M = pts[static_cast<size_t>(hole[m])];
        // The nearest vertex of the polygon so far that M sees past every
        // edge (of the polygon and of the holes still to join).
        std::vector<size_t> order(merged.size());
        for (size_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        auto dist = [&](size_t i) {
            const P2 &p = pts[static_cast<size_t>(merged[i])];
            return (p.x - M.x) * (p.x - M.x) + (p.y - M.y) * (p.y - M.y);
        };
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return dist(a) < dist(b); });
        auto blocked = [&](const P2 &P) {
            auto ringBlocks = [&](const std::vector<int> &r) {
                for (size_t i = 0; i < r.size(); ++i) {
                    const P2 &c = pts[static_cast<size_t>(r[i])], &d = pts[static_cast<size_t>(r[(i + 1) % r.size()])];
                    if (Crosses(M, P, c, d)) {
                        return true;
                    }
                }
                return false;
            };
            if (ringBlocks(merged)) {
                return true;
            }
            for (size_t hj = hi; hj < holes.size(); ++hj) {
                if (ringBlocks(rings[holes[hj]])) {
                    return true;
                }
            }
            return false;
        };
        size_t at = order.front();
        for (size_t i : order) {
            if (!blocked(pts[static_cast<size_t>(merged[i])])) {
                at = i;
                break;
            }
        }
        std::vector<int> joined(merged.begin(), merged.begin() + static_cast<long>(at) + 1);
        for (size_t k = 0; k <= hole.size(); ++k) {
            joined.push_back(hole[(m + k) % hole.size()]);
        }
        joined.insert(joined.end(), merged.begin() + static_cast<long>(at), merged.end());
        merged = std::move(joined);
    }
    std::vector<P2> flat;
    for (int i : merged) {
        flat.push_back(pts[static_cast<size_t>(i)]);
    }
    std::vector<int> tris = EarClip(flat);
    for (int &t : tris) {
        t = merged[static_cast<size_t>(t)];
    }
    // The triangles run the way the outer boundary was given.
    if (SignedArea(loops[0]) < 0.0) {
        for (size_t i = 0; i + 2 < tris.size(); i += 3) {
            std::swap(tris[i + 1], tris[i + 2]);
        }
    }
    return tris;
}

GmTriangulateStats triangulate(GmGeom &g, double tolerance)
{
    GmTriangulateStats stats;
    struct Record {
        GmFace *face;
        GmNode *a;
        GmNode *b;
    };
    std::vector<Record> work;
    for (GmFace *f : g.liveFaces()) {
        if (f->ref_count == 3 || f->loops.empty()) {
            continue;
        }
        std::vector<GmNode *> nodes;
        for (GmLoop *l : f->loops) {
            for (GmNode *n : loop_nodes(l)) {
                nodes.push_back(n);
            }
        }
        bool planar = true;
        for (GmNode *n : nodes) {
            if (std::abs(f->normal.Dot(n->position) - f->d) > tolerance) {
                planar = false;
                break;
            }
        }
        if (planar) {
            continue;
        }
        if (f->loops.size() == 1 && f->ref_count == 4) {
            work.push_back({f, nodes[0], nodes[2]});
        } else {
            work.push_back({f, nullptr, nullptr});
        }
    }
    for (const Record &r : work) {
        GmFace *f = r.face;
        if (r.a) {
            GmFace *f1 = nullptr, *f2 = nullptr;
            if (GmEdge *e = split_face(g, f, r.a, r.b, &f1, &f2)) {
                e->attributes = f->attributes;
                ++stats.split;
            }
            continue;
        }
        if (f->loops.size() != 1) {
            ++stats.leftAlone;
            continue;
        }
        std::vector<GmNode *> nodes = loop_nodes(f->loops[0]);
        GmAxes ax = axes_by_dominant(f->normal);
        bool swap = f->normal[ax.w] < 0.0;
        std::vector<P2> pts;
        for (GmNode *n : nodes) {
            const Vec3 &p = n->position;
            pts.push_back(swap ? P2{p[ax.v], p[ax.u]} : P2{p[ax.u], p[ax.v]});
        }
        std::vector<int> tris = EarClip(pts);
        for (size_t i = 0; i + 2 < tris.size(); i += 3) {
            GmNode *t[3] = {nodes[static_cast<size_t>(tris[i])], nodes[static_cast<size_t>(tris[i + 1])],
                            nodes[static_cast<size_t>(tris[i + 2])]};
            GmFace *nf = g.add_polygon(3, t, true);
            nf->attributes = f->attributes;
            face_plane(nf);
        }
        g.remove_face(f);
        ++stats.tessellated;
    }
    return stats;
}

}  // namespace solvane

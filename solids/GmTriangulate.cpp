#include "solids/GmTriangulate.h"

#include <cmath>
#include <vector>

#include "solids/GmGeom.h"
#include "solids/GmTopology.h"

namespace solvane {

namespace {
struct P2 {
    double x, y;
};

double Cross(const P2 &o, const P2 &a, const P2 &b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
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
}  // namespace

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

#include "solids/GmImprint.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>

#include "solids/GmError.h"
#include "solids/GmOctree.h"
#include "solids/GmPredicates.h"
#include "solids/GmTopology.h"

namespace solvane {

// ---------------------------------------------------------------- pool

// Cells of 16 tolerances: the ball around a point crosses into a second
// cell along an axis one time in eight, so a lookup mostly reads one cell
// (with cells of 4 tolerances, three and a half on average). Points that
// close together are rare, so cells stay nearly single.
GmVertexPool::GmVertexPool(double tolerance)
    : m_tol(tolerance), m_tol2(tolerance * tolerance), m_cell(tolerance * 16.0)
{
}

uint64_t GmVertexPool::key(int64_t x, int64_t y, int64_t z) const
{
    uint64_t h = static_cast<uint64_t>(x) * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<uint64_t>(y) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
    h ^= static_cast<uint64_t>(z) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
    return h;
}

namespace {
// Slot of a cell key: the high bits of a multiplicative hash, so that keys
// differing in their low bits only still spread.
size_t SlotOf(uint64_t key, size_t mask)
{
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
}
}  // namespace

int GmVertexPool::head(uint64_t key) const
{
    if (m_slots.empty()) {
        return -1;
    }
    const size_t mask = m_slots.size() - 1;
    for (size_t s = SlotOf(key, mask);; s = (s + 1) & mask) {
        if (m_slots[s].head < 0) {
            return -1;
        }
        if (m_slots[s].key == key) {
            return m_slots[s].head;
        }
    }
}

void GmVertexPool::grow()
{
    std::vector<Slot, GmLargeAllocator<Slot>> old = std::move(m_slots);
    m_slots.assign(std::max<size_t>(1024, old.size() * 2), Slot{});
    const size_t mask = m_slots.size() - 1;
    for (const Slot &o : old) {
        if (o.head < 0) {
            continue;
        }
        size_t s = SlotOf(o.key, mask);
        while (m_slots[s].head >= 0) {
            s = (s + 1) & mask;
        }
        m_slots[s] = o;
    }
}

void GmVertexPool::link(uint64_t key, int id)
{
    if ((m_slotsUsed + 1) * 2 > m_slots.size()) {
        grow();
    }
    const size_t mask = m_slots.size() - 1;
    size_t s = SlotOf(key, mask);
    while (m_slots[s].head >= 0 && m_slots[s].key != key) {
        s = (s + 1) & mask;
    }
    if (m_slots[s].head < 0) {
        m_slots[s].key = key;
        ++m_slotsUsed;
    }
    m_next.push_back(m_slots[s].head);
    m_slots[s].head = id;
}

void GmVertexPool::reserve(size_t points)
{
    m_points.reserve(points);
    m_next.reserve(points);
    while (m_slots.size() < std::max<size_t>(1024, points * 2)) {
        grow();
    }
}

void GmVertexPool::freeze()
{
    std::vector<Slot, GmLargeAllocator<Slot>>().swap(m_slots);
    std::vector<int>().swap(m_next);
    m_slotsUsed = 0;
}

int GmVertexPool::add(const Vec3 &p)
{
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
        throw GmOperationFailed("imprint: a point is not finite");
    }
    // Only the cells that the tolerance ball around p touches: one cell
    // mostly, at most eight.
    int64_t lo[3], hi[3];
    for (int k = 0; k < 3; ++k) {
        lo[k] = static_cast<int64_t>(std::floor((p[k] - m_tol) / m_cell));
        hi[k] = static_cast<int64_t>(std::floor((p[k] + m_tol) / m_cell));
    }
    int best = -1;
    for (int64_t x = lo[0]; x <= hi[0]; ++x) {
        for (int64_t y = lo[1]; y <= hi[1]; ++y) {
            for (int64_t z = lo[2]; z <= hi[2]; ++z) {
                for (int i = head(key(x, y, z)); i >= 0; i = m_next[static_cast<size_t>(i)]) {
                    if ((m_points[static_cast<size_t>(i)] - p).Length2() < m_tol2 && (best < 0 || i < best)) {
                        best = i;
                    }
                }
            }
        }
    }
    if (best >= 0) {
        return best;
    }
    int id = static_cast<int>(m_points.size());
    m_points.push_back(p);
    link(key(static_cast<int64_t>(std::floor(p.x / m_cell)), static_cast<int64_t>(std::floor(p.y / m_cell)),
             static_cast<int64_t>(std::floor(p.z / m_cell))),
         id);
    return id;
}

// ---------------------------------------------------------------- helpers

namespace {

struct P2 {
    double x = 0.0, y = 0.0;
};

double Cross2(const P2 &a, const P2 &b) { return a.x * b.y - a.y * b.x; }
P2 Sub(const P2 &a, const P2 &b) { return {a.x - b.x, a.y - b.y}; }

// Projection that drops the dominant axis of the normal, turned so that a
// loop counter-clockwise about the normal is counter-clockwise in 2D.
struct Proj {
    int u = 0, v = 1, w = 2;
    bool swap = false;
    explicit Proj(const Vec3 &n)
    {
        GmAxes ax = axes_by_dominant(n);
        u = ax.u;
        v = ax.v;
        w = ax.w;
        swap = n[w] < 0.0;
    }
    P2 operator()(const Vec3 &p) const { return swap ? P2{p[v], p[u]} : P2{p[u], p[v]}; }
};

double SignedArea2D(const std::vector<P2> &pts)
{
    double a = 0.0;
    for (size_t i = 0; i < pts.size(); ++i) {
        a += Cross2(pts[i], pts[(i + 1) % pts.size()]);
    }
    return a / 2.0;
}

bool InsideLoop2D(const std::vector<P2> &loop, const P2 &p)
{
    bool inside = false;
    for (size_t i = 0, n = loop.size(); i < n; ++i) {
        const P2 &a = loop[i];
        const P2 &b = loop[(i + 1) % n];
        if ((a.y > p.y) != (b.y > p.y)) {
            // The edge crosses p's row to the right of p when p lies on its
            // left going up (on its right going down): an exact sign, not
            // a rounded crossing abscissa.
            const double side = orient2d(a.x, a.y, b.x, b.y, p.x, p.y);
            if (b.y > a.y ? side > 0.0 : side < 0.0) {
                inside = !inside;
            }
        }
    }
    return inside;
}

double SegDist2D(const P2 &p, const P2 &a, const P2 &b)
{
    P2 d = Sub(b, a);
    double l2 = d.x * d.x + d.y * d.y;
    double t = l2 > 0.0 ? ((p.x - a.x) * d.x + (p.y - a.y) * d.y) / l2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    double dx = a.x + t * d.x - p.x, dy = a.y + t * d.y - p.y;
    return std::sqrt(dx * dx + dy * dy);
}

// Distance of p from segment ab in 3D and the parameter of its foot.
double SegDist3D(const Vec3 &p, const Vec3 &a, const Vec3 &b, double *param)
{
    Vec3 d = b - a;
    double l2 = d.Length2();
    double t = l2 > 0.0 ? (p - a).Dot(d) / l2 : 0.0;
    *param = t;
    double tc = std::clamp(t, 0.0, 1.0);
    return (a + d * tc - p).Length();
}

struct Cross {
    double t;
    int id;
};

}  // namespace

uint64_t GmImprint::edgeKey(int a, int b)
{
    if (a > b) {
        std::swap(a, b);
    }
    return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
}

bool GmImprint::isCutEdge(int a, int b) const
{
    if (static_cast<size_t>(a) >= m_onCut.size() || static_cast<size_t>(b) >= m_onCut.size() ||
        !m_onCut[static_cast<size_t>(a)] || !m_onCut[static_cast<size_t>(b)]) {
        return false;
    }
    return m_cutEdges.count(edgeKey(a, b)) != 0;
}

// ---------------------------------------------------------------- set-up

namespace {
struct Frame {
    Vec3 origin;
    double tolerance;
};

Frame FrameOf(const GmGeom &a, const GmGeom &b)
{
    GmBox box;
    for (const GmGeom *g : {&a, &b}) {
        for (GmNode *n : g->liveNodes()) {
            box.extend(n->position);
        }
    }
    if (box.empty()) {
        return Frame{Vec3(), a.tolerance()};
    }
    double size = 0.0;
    for (int i = 0; i < 3; ++i) {
        size = std::max(size, box.max[i] - box.min[i]);
    }
    // The pair's own size, never the operands' tolerances (see GmGeom).
    return Frame{(box.min + box.max) * 0.5, size > 0.0 ? GmGeom::ToleranceForSize(size) : a.tolerance()};
}
}  // namespace

GmImprint::GmImprint(GmGeom &a, GmGeom &b, double toleranceScale)
    : m_a(a),
      m_b(b),
      m_origin(FrameOf(a, b).origin),
      m_tol(FrameOf(a, b).tolerance * toleranceScale),
      m_pool(m_tol)
{
}

void GmImprint::extract(GmGeom &g, int operand)
{
    // Pool index of each node by node id, -1 until met: a flat table, as
    // every use of every face looks its node up.
    uint32_t maxId = 0;
    for (GmNode *n : g.liveNodes()) {
        maxId = std::max(maxId, n->id);
    }
    std::vector<int> nodeIds(static_cast<size_t>(maxId) + 1, -1);
    // Sized once: grown by doubling, the largest arrays of the imprint
    // would leave their earlier copies as holes in the heap.
    m_faces[operand].reserve(m_faces[operand].size() + static_cast<size_t>(g.faceCount()));
    GmPolyFaces &faces = m_faces[operand];
    for (GmFace *f : g.liveFaces()) {
        // Filled where it stays (a face found degenerate is taken back):
        // the record is written once, not built aside and moved.
        GmPolyFace &pf = faces.emplace_back();
        pf.operand = operand;
        pf.attributes = f->attributes;
        pf.group = f->group();
        pf.mark = f->mark;
        pf.sourceId = f->id;
        bool degenerate = false;
        for (size_t li = 0; li < f->loops.size(); ++li) {
            GmLoop *l = f->loops[li];
            if (l->uses.size() < 3) {
                if (li == 0) {
                    degenerate = true;
                }
                continue;  // isolated nodes and chains carry no area
            }
            std::vector<int> ids;
            ids.reserve(l->uses.size());
            for (const GmEdgeRef *u : l->uses) {
                const GmNode *n = u->start();
                if (n->id >= nodeIds.size()) {
                    nodeIds.resize(static_cast<size_t>(n->id) + 1, -1);  // a node the live list does not hold
                }
                int &id = nodeIds[n->id];
                if (id < 0) {
                    id = m_pool.add(n->position - m_origin);
                }
                if (ids.empty() || ids.back() != id) {
                    ids.push_back(id);
                }
            }
            while (ids.size() > 1 && ids.front() == ids.back()) {
                ids.pop_back();
            }
            if (ids.size() < 3) {
                if (li == 0) {
                    degenerate = true;
                }
                continue;
            }
            pf.loops.push_back(std::move(ids));
        }
        if (degenerate || pf.loops.empty()) {
            faces.pop_back();
            continue;  // fewer than 3 uses: healed away before the imprint
        }
        Vec3 n;
        Vec3 centroid;
        const auto &outer = pf.loops[0];
        for (size_t i = 0; i < outer.size(); ++i) {
            const Vec3 &a = m_pool[outer[i]];
            const Vec3 &b = m_pool[outer[(i + 1) % outer.size()]];
            n.x += (a.y - b.y) * (a.z + b.z);
            n.y += (a.z - b.z) * (a.x + b.x);
            n.z += (a.x - b.x) * (a.y + b.y);
            centroid += a;
        }
        double len = n.Length();
        if (len / 2.0 <= m_tol * m_tol || len < 1e-300) {
            faces.pop_back();
            continue;  // zero area: healed away before the imprint
        }
        pf.normal = n / len;
        pf.d = pf.normal.Dot(centroid / static_cast<double>(outer.size()));
        for (const auto &l : pf.loops) {
            for (int id : l) {
                pf.box.extend(m_pool[id]);
            }
        }
        pf.box = pf.box.widened(m_tol);
    }
}

// ---------------------------------------------------------------- pairs

void GmImprint::intersectPair(int ia, int ib)
{
    GmPolyFace &fa = m_faces[0][static_cast<size_t>(ia)];
    GmPolyFace &fb = m_faces[1][static_cast<size_t>(ib)];
    auto signsOf = [&](const GmPolyFace &f, const GmPolyFace &plane, bool *allZero, bool *anyNeg, bool *anyNonNeg) {
        *allZero = true;
        *anyNeg = false;
        *anyNonNeg = false;
        for (const auto &l : f.loops) {
            for (int id : l) {
                double s = plane.normal.Dot(m_pool[id]) - plane.d;
                int sign = std::abs(s) < m_tol ? 0 : (s > 0 ? 1 : -1);
                if (sign != 0) {
                    *allZero = false;
                }
                if (sign < 0) {
                    *anyNeg = true;
                } else {
                    *anyNonNeg = true;
                }
            }
        }
    };
    bool zA, negA, posA, zB, negB, posB;
    signsOf(fa, fb, &zA, &negA, &posA);
    signsOf(fb, fa, &zB, &negB, &posB);
    if (zA || zB) {
        coplanarPair(fa, fb);
        meetingsOf(fa).coplanar.push_back(ib);
        meetingsOf(fb).coplanar.push_back(ia);
        return;
    }
    if (!(negA && posA) || !(negB && posB)) {
        return;
    }
    Vec3 L = fa.normal.Cross(fb.normal);
    double len = L.Length();
    if (len < 1e-12) {
        return;
    }
    L /= len;
    auto crossings = [&](const GmPolyFace &f, const GmPolyFace &plane) {
        std::vector<Cross> out;
        for (const auto &l : f.loops) {
            for (size_t i = 0; i < l.size(); ++i) {
                int p = l[i], q = l[(i + 1) % l.size()];
                if (p > q) {
                    std::swap(p, q);  // canonical order: both faces of an edge agree
                }
                double sp = plane.normal.Dot(m_pool[p]) - plane.d;
                double sq = plane.normal.Dot(m_pool[q]) - plane.d;
                int gp = std::abs(sp) < m_tol ? 0 : (sp > 0 ? 1 : -1);
                int gq = std::abs(sq) < m_tol ? 0 : (sq > 0 ? 1 : -1);
                if ((gp < 0) == (gq < 0)) {
                    continue;
                }
                int id;
                if (gp == 0) {
                    id = p;
                } else if (gq == 0) {
                    id = q;
                } else {
                    Vec3 P = m_pool[p], Q = m_pool[q];
                    id = m_pool.add(P + (Q - P) * (sp / (sp - sq)));
                }
                out.push_back({m_pool[id].Dot(L), id});
            }
        }
        std::sort(out.begin(), out.end(), [](const Cross &a, const Cross &b) {
            return a.t != b.t ? a.t < b.t : a.id < b.id;
        });
        return out;
    };
    std::vector<Cross> ca = crossings(fa, fb);
    std::vector<Cross> cb = crossings(fb, fa);
    if ((ca.size() & 1) || (cb.size() & 1)) {
        throw GmOperationFailed("imprint: odd number of plane crossings");
    }
    size_t i = 0, j = 0;
    while (i + 1 < ca.size() && j + 1 < cb.size()) {
        const Cross &s = ca[i].t > cb[j].t ? ca[i] : cb[j];
        const Cross &e = ca[i + 1].t < cb[j + 1].t ? ca[i + 1] : cb[j + 1];
        if (e.t > s.t && s.id != e.id) {
            meetingsOf(fa).cuts.push_back({s.id, e.id});
            meetingsOf(fb).cuts.push_back({s.id, e.id});
        }
        if (ca[i + 1].t < cb[j + 1].t) {
            i += 2;
        } else {
            j += 2;
        }
    }
}

void GmImprint::coplanarPair(GmPolyFace &f, GmPolyFace &g)
{
    Proj proj(f.normal);
    // Clips the segment (u, v) to polygon P (closed: boundary included).
    auto clip = [&](int u, int v, const GmPolyFace &P, std::vector<std::pair<int, int>> &out) {
        P2 a = proj(m_pool[u]), b = proj(m_pool[v]);
        P2 d = Sub(b, a);
        double segLen = std::sqrt(d.x * d.x + d.y * d.y);
        if (segLen <= 0.0) {
            return;
        }
        std::vector<Cross> params{{0.0, u}, {1.0, v}};
        std::vector<std::vector<P2>> loops2;
        for (const auto &l : P.loops) {
            std::vector<P2> pts;
            for (int id : l) {
                pts.push_back(proj(m_pool[id]));
            }
            loops2.push_back(std::move(pts));
            for (size_t k = 0; k < l.size(); ++k) {
                int x = l[k], y = l[(k + 1) % l.size()];
                P2 x2 = proj(m_pool[x]), y2 = proj(m_pool[y]);
                P2 e = Sub(y2, x2);
                double eLen = std::sqrt(e.x * e.x + e.y * e.y);
                // Vertices of P on the segment.
                for (int z : {x, y}) {
                    double t;
                    if (SegDist3D(m_pool[z], m_pool[u], m_pool[v], &t) < m_tol && t > 0.0 && t < 1.0) {
                        params.push_back({t, z});
                    }
                }
                double den = Cross2(d, e);
                if (std::abs(den) <= 1e-15 * segLen * eLen) {
                    continue;
                }
                P2 w = Sub(x2, a);
                double t = Cross2(w, e) / den;
                double s = Cross2(w, d) / den;
                double et = m_tol / segLen, es = m_tol / std::max(eLen, 1e-300);
                if (t < -et || t > 1.0 + et || s < -es || s > 1.0 + es) {
                    continue;
                }
                int id;
                if (s * eLen < m_tol) {
                    id = x;
                } else if ((1.0 - s) * eLen < m_tol) {
                    id = y;
                } else if (t * segLen < m_tol) {
                    id = u;
                } else if ((1.0 - t) * segLen < m_tol) {
                    id = v;
                } else {
                    id = m_pool.add(m_pool[x] + (m_pool[y] - m_pool[x]) * s);
                }
                params.push_back({std::clamp(t, 0.0, 1.0), id});
            }
        }
        std::sort(params.begin(), params.end(), [](const Cross &p, const Cross &q) {
            return p.t != q.t ? p.t < q.t : p.id < q.id;
        });
        for (size_t k = 0; k + 1 < params.size(); ++k) {
            int p = params[k].id, q = params[k + 1].id;
            if (p == q) {
                continue;
            }
            Vec3 mid3 = (m_pool[p] + m_pool[q]) * 0.5;
            P2 mid = proj(mid3);
            bool on = false;
            for (const auto &l : loops2) {
                for (size_t z = 0; z < l.size() && !on; ++z) {
                    if (SegDist2D(mid, l[z], l[(z + 1) % l.size()]) < m_tol) {
                        on = true;
                    }
                }
            }
            bool inside = on;
            if (!inside && InsideLoop2D(loops2[0], mid)) {
                inside = true;
                for (size_t h = 1; h < loops2.size(); ++h) {
                    if (InsideLoop2D(loops2[h], mid)) {
                        inside = false;
                    }
                }
            }
            if (inside) {
                out.push_back({p, q});
            }
        }
    };
    for (const auto &l : g.loops) {
        for (size_t k = 0; k < l.size(); ++k) {
            clip(l[k], l[(k + 1) % l.size()], f, meetingsOf(f).cuts);
        }
    }
    for (const auto &l : f.loops) {
        for (size_t k = 0; k < l.size(); ++k) {
            clip(l[k], l[(k + 1) % l.size()], g, meetingsOf(g).cuts);
        }
    }
}

GmFaceMeetings &GmImprint::meetingsOf(GmPolyFace &f)
{
    std::vector<GmFaceMeetings> &met = m_met[f.operand];
    if (f.met < 0) {
        f.met = static_cast<int32_t>(met.size());
        met.emplace_back();
    }
    return met[static_cast<size_t>(f.met)];
}

const std::vector<int> &GmImprint::coplanarOf(int operand, int face) const
{
    static const std::vector<int> none;
    const int met = m_faces[operand][static_cast<size_t>(face)].met;
    return met < 0 ? none : m_met[operand][static_cast<size_t>(met)].coplanar;
}

// ---------------------------------------------------------------- arrangement

namespace {

// The planar graph of one cut face: its boundary and cut segments, split
// at every pool node on them, then traced into cycles.
struct ArrFaceGraph {
    struct Seg {
        int a, b;
        bool cut;
    };
    struct Cycle {
        std::vector<int> ids;
        double area;
        int comp;
    };
    explicit ArrFaceGraph(const Vec3 &normal) : proj(normal) {}
    Proj proj;
    std::vector<Seg> segs;
    std::vector<int> ids;                    // every node a segment may pass
    std::unordered_map<uint64_t, bool> edges;  // key -> cut
    std::vector<uint64_t> edgeOrder;
    std::unordered_map<int, std::vector<int>> adj;
    std::vector<int> verts;
    std::unordered_map<int, P2> pos;
    std::vector<Cycle> cycles;
};

// The face's loops and its cuts as segments, and the nodes of both with
// the crossings of every cut with the other segments.
void ArrCollectSegments(ArrFaceGraph &g, const GmPolyFace &f, const std::vector<std::pair<int, int>> &cuts,
                        GmVertexPool &pool, double tol)
{
    for (const auto &l : f.loops) {
        for (size_t i = 0; i < l.size(); ++i) {
            g.segs.push_back({l[i], l[(i + 1) % l.size()], false});
        }
    }
    for (const auto &c : cuts) {
        if (c.first != c.second) {
            g.segs.push_back({c.first, c.second, true});
        }
    }
    for (const ArrFaceGraph::Seg &s : g.segs) {
        g.ids.push_back(s.a);
        g.ids.push_back(s.b);
    }
    const std::vector<ArrFaceGraph::Seg> &segs = g.segs;
    const size_t nSegs = segs.size();
    for (size_t i = 0; i < nSegs; ++i) {
        if (!segs[i].cut) {
            continue;
        }
        P2 a = g.proj(pool[segs[i].a]), b = g.proj(pool[segs[i].b]);
        P2 d = Sub(b, a);
        double dl = std::sqrt(d.x * d.x + d.y * d.y);
        for (size_t j = 0; j < nSegs; ++j) {
            if (j == i || (segs[j].cut && j < i)) {
                continue;
            }
            const ArrFaceGraph::Seg &o = segs[j];
            if (o.a == segs[i].a || o.a == segs[i].b || o.b == segs[i].a || o.b == segs[i].b) {
                continue;
            }
            P2 x = g.proj(pool[o.a]), y = g.proj(pool[o.b]);
            if (std::max(x.x, y.x) < std::min(a.x, b.x) || std::min(x.x, y.x) > std::max(a.x, b.x) ||
                std::max(x.y, y.y) < std::min(a.y, b.y) || std::min(x.y, y.y) > std::max(a.y, b.y)) {
                continue;
            }
            P2 e = Sub(y, x);
            double el = std::sqrt(e.x * e.x + e.y * e.y);
            double den = Cross2(d, e);
            if (std::abs(den) <= 1e-15 * dl * el) {
                continue;
            }
            P2 w = Sub(x, a);
            double t = Cross2(w, e) / den;
            double s = Cross2(w, d) / den;
            if (t * dl <= tol || (1.0 - t) * dl <= tol || s * el <= tol || (1.0 - s) * el <= tol) {
                continue;  // at an end: the split below finds it
            }
            Vec3 A = pool[segs[i].a], B = pool[segs[i].b];
            g.ids.push_back(pool.add(A + (B - A) * t));
        }
    }
    std::sort(g.ids.begin(), g.ids.end());
    g.ids.erase(std::unique(g.ids.begin(), g.ids.end()), g.ids.end());
}

// Every segment split at the nodes on it, into edges (a cut wins over a
// boundary edge on the same nodes).
void ArrSplitSegments(ArrFaceGraph &g, const GmVertexPool &pool, double tol)
{
    auto addEdge = [&](int a, int b, bool cut) {
        if (a == b) {
            return;
        }
        uint64_t k = GmImprint::edgeKey(a, b);
        auto it = g.edges.find(k);
        if (it == g.edges.end()) {
            g.edges.emplace(k, cut);
            g.edgeOrder.push_back(k);
        } else if (cut) {
            it->second = true;
        }
    };
    for (const ArrFaceGraph::Seg &s : g.segs) {
        const Vec3 &A = pool[s.a];
        const Vec3 &B = pool[s.b];
        GmBox sb;
        sb.extend(A);
        sb.extend(B);
        sb = sb.widened(tol);
        std::vector<Cross> on;
        for (int x : g.ids) {
            if (x == s.a || x == s.b) {
                continue;
            }
            const Vec3 &X = pool[x];
            if (X.x < sb.min.x || X.x > sb.max.x || X.y < sb.min.y || X.y > sb.max.y || X.z < sb.min.z || X.z > sb.max.z) {
                continue;
            }
            double t;
            if (SegDist3D(X, A, B, &t) < tol && t > 0.0 && t < 1.0) {
                on.push_back({t, x});
            }
        }
        std::sort(on.begin(), on.end(), [](const Cross &p, const Cross &q) { return p.t != q.t ? p.t < q.t : p.id < q.id; });
        int prev = s.a;
        for (const Cross &c : on) {
            addEdge(prev, c.id, s.cut);
            prev = c.id;
        }
        addEdge(prev, s.b, s.cut);
    }
}

// The adjacency of the edges, with dangling cut ends pruned away.
void ArrPruneDangling(ArrFaceGraph &g)
{
    auto &adj = g.adj;
    for (uint64_t k : g.edgeOrder) {
        int a = static_cast<int>(k >> 32), b = static_cast<int>(k & 0xFFFFFFFFu);
        adj[a].push_back(b);
        adj[b].push_back(a);
    }
    std::vector<int> stack;
    for (auto &[v, nb] : adj) {
        if (nb.size() == 1) {
            stack.push_back(v);
        }
    }
    std::sort(stack.begin(), stack.end());
    while (!stack.empty()) {
        int v = stack.back();
        stack.pop_back();
        auto &nb = adj[v];
        if (nb.size() != 1) {
            continue;
        }
        int w = nb[0];
        nb.clear();
        auto &nw = adj[w];
        nw.erase(std::remove(nw.begin(), nw.end(), v), nw.end());
        g.edges.erase(GmImprint::edgeKey(v, w));
        if (nw.size() == 1) {
            stack.push_back(w);
        }
    }
}

// The neighbours of every node in counter-clockwise order.
void ArrOrderNeighbours(ArrFaceGraph &g, const GmVertexPool &pool)
{
    for (auto &[v, nb] : g.adj) {
        if (!nb.empty()) {
            g.verts.push_back(v);
        }
    }
    std::sort(g.verts.begin(), g.verts.end());
    for (int v : g.verts) {
        g.pos[v] = g.proj(pool[v]);
    }
    for (int v : g.verts) {
        auto &nb = g.adj[v];
        P2 c = g.pos[v];
        // By angle from -pi up to pi, decided by exact signs: two nearly
        // collinear edges keep their true order, so regions trace closed.
        auto half = [&](const P2 &p) {
            // 0: below the node's row; 1: on it to the right or above; 2:
            // on it to the left (the angle pi).
            if (p.y < c.y) {
                return 0;
            }
            if (p.y > c.y || p.x > c.x) {
                return 1;
            }
            return 2;
        };
        std::sort(nb.begin(), nb.end(), [&](int a, int b) {
            const P2 &pa = g.pos[a], &pb = g.pos[b];
            const int ha = half(pa), hb = half(pb);
            if (ha != hb) {
                return ha < hb;
            }
            const double turn = orient2d(c.x, c.y, pa.x, pa.y, pb.x, pb.y);
            if (turn != 0.0) {
                return turn > 0.0;
            }
            return a < b;
        });
    }
}

// The cycles of the graph, traced with the interior on the left.
void ArrTraceCycles(ArrFaceGraph &g)
{
    std::unordered_set<uint64_t> used;
    auto dirKey = [](int a, int b) {
        return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
    };
    for (int v : g.verts) {
        for (int w : g.adj[v]) {
            if (used.count(dirKey(v, w))) {
                continue;
            }
            ArrFaceGraph::Cycle c;
            int a = v, b = w;
            size_t guard = 0;
            while (!used.count(dirKey(a, b))) {
                used.insert(dirKey(a, b));
                c.ids.push_back(a);
                auto &nb = g.adj[b];
                auto it = std::find(nb.begin(), nb.end(), a);
                size_t idx = static_cast<size_t>(it - nb.begin());
                int next = nb[(idx + nb.size() - 1) % nb.size()];
                a = b;
                b = next;
                if (++guard > 4 * g.edges.size() + 8) {
                    throw GmOperationFailed("imprint: face arrangement does not close");
                }
            }
            std::vector<P2> pts;
            for (int id : c.ids) {
                pts.push_back(g.pos[id]);
            }
            c.area = SignedArea2D(pts);
            c.comp = -1;
            g.cycles.push_back(std::move(c));
        }
    }
}

// Each cycle's connected component of the graph (by its least node).
void ArrLabelComponents(ArrFaceGraph &g)
{
    std::unordered_map<int, int> parent;
    auto findRoot = [&](int x) {
        int r = x;
        while (parent[r] != r) {
            r = parent[r];
        }
        while (parent[x] != r) {
            int nx = parent[x];
            parent[x] = r;
            x = nx;
        }
        return r;
    };
    for (int v : g.verts) {
        parent[v] = v;
    }
    for (int v : g.verts) {
        for (int w : g.adj[v]) {
            int ra = findRoot(v), rb = findRoot(w);
            if (ra != rb) {
                parent[std::max(ra, rb)] = std::min(ra, rb);
            }
        }
    }
    for (ArrFaceGraph::Cycle &c : g.cycles) {
        c.comp = findRoot(c.ids[0]);
    }
}

// For every negative cycle (a hole), the smallest positive cycle of
// another component around it: holes[c] lists the holes of cycle c.
std::vector<std::vector<size_t>> ArrAssignHoles(const ArrFaceGraph &g, double areaFloor)
{
    const auto &cycles = g.cycles;
    std::vector<std::vector<P2>> cyclePts(cycles.size());
    for (size_t i = 0; i < cycles.size(); ++i) {
        for (int id : cycles[i].ids) {
            cyclePts[i].push_back(g.pos.at(id));
        }
    }
    std::vector<std::vector<size_t>> holes(cycles.size());
    for (size_t h = 0; h < cycles.size(); ++h) {
        if (cycles[h].area >= 0.0) {
            continue;
        }
        const P2 &probe = cyclePts[h][0];
        long best = -1;
        for (size_t c = 0; c < cycles.size(); ++c) {
            if (cycles[c].area <= areaFloor || cycles[c].comp == cycles[h].comp) {
                continue;
            }
            if (best >= 0 && cycles[c].area >= cycles[static_cast<size_t>(best)].area) {
                continue;
            }
            if (InsideLoop2D(cyclePts[c], probe)) {
                best = static_cast<long>(c);
            }
        }
        if (best >= 0) {
            holes[static_cast<size_t>(best)].push_back(h);
        }
    }
    return holes;
}

}  // namespace

void GmImprint::arrange(int operand, int fi)
{
    GmPolyFace &f = m_faces[operand][static_cast<size_t>(fi)];
    if (f.met < 0 || m_met[operand][static_cast<size_t>(f.met)].cuts.empty()) {
        GmPiece whole;
        whole.face = fi;
        whole.sharesFace = true;
        m_pieces[operand].push_back(std::move(whole));
        return;
    }
    ArrFaceGraph g(f.normal);
    ArrCollectSegments(g, f, m_met[operand][static_cast<size_t>(f.met)].cuts, m_pool, m_tol);
    ArrSplitSegments(g, m_pool, m_tol);
    ArrPruneDangling(g);
    for (uint64_t k : g.edgeOrder) {
        auto it = g.edges.find(k);
        if (it != g.edges.end() && it->second) {
            m_cutEdges.insert(k);
            m_cutNodes.push_back(static_cast<int>(k >> 32));
            m_cutNodes.push_back(static_cast<int>(k & 0xFFFFFFFFu));
        }
    }
    ArrOrderNeighbours(g, m_pool);
    ArrTraceCycles(g);
    ArrLabelComponents(g);
    // Regions: positive cycles with the negative cycles they hold as holes;
    // those inside the original face are its pieces.
    const double areaFloor = m_tol * m_tol;
    const std::vector<std::vector<size_t>> holes = ArrAssignHoles(g, areaFloor);
    for (size_t c = 0; c < g.cycles.size(); ++c) {
        if (g.cycles[c].area <= areaFloor) {
            continue;
        }
        GmPiece piece;
        piece.face = fi;
        piece.loops.push_back(g.cycles[c].ids);
        for (size_t h : holes[c]) {
            piece.loops.push_back(g.cycles[h].ids);
        }
        Vec3 p = interiorPoint(piece, f);
        if (insideFace(f, p)) {
            m_pieces[operand].push_back(std::move(piece));
        }
    }
}

Vec3 GmImprint::interiorPoint(const GmPiece &piece, const GmPolyFace &face) const
{
    Proj proj(face.normal);
    std::vector<std::vector<P2>> loops;
    for (const auto &l : piece.loopsIn(face)) {
        std::vector<P2> pts;
        for (int id : l) {
            pts.push_back(proj(m_pool[id]));
        }
        loops.push_back(std::move(pts));
    }
    const auto &outer = loops[0];
    size_t n = outer.size();
    P2 result = outer[0];
    bool found = false;
    double bestScore = -1.0;
    for (size_t i = 0; i < n && !found; ++i) {
        const P2 &a = outer[(i + n - 1) % n];
        const P2 &b = outer[i];
        const P2 &c = outer[(i + 1) % n];
        double cr = Cross2(Sub(b, a), Sub(c, b));
        if (cr <= 0.0) {
            continue;  // reflex or flat corner
        }
        // The vertex inside triangle abc farthest from line ac, if any.
        const P2 *q = nullptr;
        double qDist = -1.0;
        P2 ac = Sub(c, a);
        double acLen = std::sqrt(ac.x * ac.x + ac.y * ac.y);
        for (const auto &l : loops) {
            for (const P2 &p : l) {
                if ((&l == &outer) && (&p == &a || &p == &b || &p == &c)) {
                    continue;
                }
                double c1 = Cross2(Sub(b, a), Sub(p, a));
                double c2 = Cross2(Sub(c, b), Sub(p, b));
                double c3 = Cross2(Sub(a, c), Sub(p, c));
                if (c1 > 0.0 && c2 > 0.0 && c3 > 0.0) {
                    double dist = std::abs(Cross2(ac, Sub(p, a))) / acLen;
                    if (dist > qDist) {
                        qDist = dist;
                        q = &p;
                    }
                }
            }
        }
        P2 cand;
        double score;
        if (!q) {
            cand = {(a.x + b.x + c.x) / 3.0, (a.y + b.y + c.y) / 3.0};
            score = cr;  // prefer fat ears: far from the boundary
        } else {
            cand = {(b.x + q->x) / 2.0, (b.y + q->y) / 2.0};
            score = 0.0;
        }
        if (score > bestScore) {
            bestScore = score;
            result = cand;
            if (!q && i > 8) {
                found = true;  // good enough on big loops
            }
        }
    }
    // Back to 3D on the face plane.
    double pu = proj.swap ? result.y : result.x;
    double pv = proj.swap ? result.x : result.y;
    Vec3 p;
    p[proj.u] = pu;
    p[proj.v] = pv;
    const Vec3 &N = face.normal;
    p[proj.w] = (face.d - N[proj.u] * pu - N[proj.v] * pv) / N[proj.w];
    return p;
}

bool GmImprint::insideFace(const GmPolyFace &face, const Vec3 &p) const
{
    Proj proj(face.normal);
    P2 q = proj(p);
    for (size_t li = 0; li < face.loops.size(); ++li) {
        std::vector<P2> pts;
        for (int id : face.loops[li]) {
            pts.push_back(proj(m_pool[id]));
        }
        bool in = InsideLoop2D(pts, q);
        if (li == 0 && !in) {
            return false;
        }
        if (li > 0 && in) {
            return false;
        }
    }
    return true;
}

double GmImprint::winding(int operand, const Vec3 &p) const
{
    double total = 0.0;
    for (const GmPolyFace &f : m_faces[operand]) {
        for (const auto &l : f.loops) {
            Vec3 a = m_pool[l[0]] - p;
            double la = a.Length();
            for (size_t i = 1; i + 1 < l.size(); ++i) {
                Vec3 b = m_pool[l[i]] - p;
                Vec3 c = m_pool[l[i + 1]] - p;
                double lb = b.Length(), lc = c.Length();
                double num = a.Dot(b.Cross(c));
                double den = la * lb * lc + a.Dot(b) * lc + b.Dot(c) * la + c.Dot(a) * lb;
                total += 2.0 * std::atan2(num, den);
            }
        }
    }
    return total / (4.0 * M_PI);
}

// ---------------------------------------------------------------- T-junctions

namespace {
// Removes repeated neighbours and there-and-back spikes from a cyclic loop.
void CleanLoop(std::vector<int> &loop)
{
    bool changed = true;
    while (changed && loop.size() >= 2) {
        changed = false;
        std::vector<int> out;
        for (size_t i = 0; i < loop.size(); ++i) {
            if (loop[i] != loop[(i + 1) % loop.size()]) {
                out.push_back(loop[i]);
            }
        }
        if (out.size() != loop.size()) {
            changed = true;
        }
        loop = std::move(out);
        for (size_t i = 0; loop.size() >= 3 && i < loop.size(); ++i) {
            size_t n = loop.size();
            if (loop[(i + n - 1) % n] == loop[(i + 1) % n]) {
                // u v u: drop v and the second u.
                size_t a = i, b = (i + 1) % n;
                if (a > b) {
                    std::swap(a, b);
                }
                loop.erase(loop.begin() + static_cast<long>(b));
                loop.erase(loop.begin() + static_cast<long>(a));
                changed = true;
                break;
            }
        }
    }
}
}  // namespace

namespace {
// A coarse grid over a box marking the cells that some of the given boxes
// touch. A box that touches no marked cell overlaps none of them: the
// cut nodes lie along curves, and most edges of the pieces, far from them,
// are told so by a few bit tests instead of a tree query each.
class CellOccupancy {
public:
    static constexpr int kCells = 64;  // per axis: 32 KB of bits

    CellOccupancy(const GmBox &all, const std::vector<GmBox> &boxes) : m_box(all), m_bits(kCells * kCells * kCells / 64, 0)
    {
        for (int k = 0; k < 3; ++k) {
            const double size = all.max[k] - all.min[k];
            m_scale[k] = size > 0.0 ? kCells / size : 0.0;
        }
        for (const GmBox &b : boxes) {
            Range r = rangeOf(b);
            for (int x = r.lo[0]; x <= r.hi[0]; ++x) {
                for (int y = r.lo[1]; y <= r.hi[1]; ++y) {
                    for (int z = r.lo[2]; z <= r.hi[2]; ++z) {
                        const size_t i = cell(x, y, z);
                        m_bits[i >> 6] |= uint64_t{1} << (i & 63);
                    }
                }
            }
        }
    }

    // Whether the box touches a marked cell (the box overlaps the grid's).
    bool any(const GmBox &b) const
    {
        Range r = rangeOf(b);
        for (int x = r.lo[0]; x <= r.hi[0]; ++x) {
            for (int y = r.lo[1]; y <= r.hi[1]; ++y) {
                for (int z = r.lo[2]; z <= r.hi[2]; ++z) {
                    const size_t i = cell(x, y, z);
                    if (m_bits[i >> 6] & (uint64_t{1} << (i & 63))) {
                        return true;
                    }
                }
            }
        }
        return false;
    }

private:
    struct Range {
        int lo[3], hi[3];
    };
    // Cells by a monotone map, clamped to the grid: boxes that overlap get
    // ranges that overlap.
    int index(double v, int k) const
    {
        const double c = std::floor((v - m_box.min[k]) * m_scale[k]);
        return c <= 0.0 ? 0 : (c >= kCells - 1 ? kCells - 1 : static_cast<int>(c));
    }
    Range rangeOf(const GmBox &b) const
    {
        Range r;
        for (int k = 0; k < 3; ++k) {
            r.lo[k] = index(b.min[k], k);
            r.hi[k] = index(b.max[k], k);
        }
        return r;
    }
    static size_t cell(int x, int y, int z)
    {
        return (static_cast<size_t>(x) * kCells + static_cast<size_t>(y)) * kCells + static_cast<size_t>(z);
    }
    GmBox m_box;
    double m_scale[3] = {0.0, 0.0, 0.0};
    std::vector<uint64_t> m_bits;
};
}  // namespace

namespace {

// A node of the cut near an edge of a piece's loop.
struct TjHit {
    size_t edge;
    double t;
    double dist;
    int id;
};

// The cut nodes, searchable by box: an octree over their tolerance boxes
// with the coarse occupancy grid in front of it.
class TjCutNodeSearch {
public:
    TjCutNodeSearch(const std::vector<int> &cutNodes, const GmVertexPool &pool, double tol)
        : m_cutNodes(cutNodes), m_pool(pool), m_tol(tol), m_boxes(BoxesOf(cutNodes, pool, tol, m_all)),
          m_tree(m_all, m_boxes), m_occupied(m_all, m_boxes)
    {
    }

    // Whether a box may hold a cut node (false: it holds none).
    bool near(const GmBox &b) const { return m_occupied.any(b); }

    // The cut nodes near each edge of a loop.
    std::vector<TjHit> hitsOf(const std::vector<int> &loop)
    {
        std::vector<TjHit> hits;
        for (size_t i = 0; i < loop.size(); ++i) {
            int a = loop[i], b = loop[(i + 1) % loop.size()];
            const Vec3 &pa = m_pool[a], &pb = m_pool[b];
            GmBox eb;  // the edge's box widened by the tolerance
            for (int k = 0; k < 3; ++k) {
                eb.min[k] = std::min(pa[k], pb[k]) - m_tol;
                eb.max[k] = std::max(pa[k], pb[k]) + m_tol;
            }
            if (!eb.overlaps(m_all) || !m_occupied.any(eb)) {
                continue;
            }
            m_tree.query(eb, m_found);
            for (int k : m_found) {
                int x = m_cutNodes[static_cast<size_t>(k)];
                if (x == a || x == b) {
                    continue;
                }
                double t;
                double dist = SegDist3D(m_pool[x], m_pool[a], m_pool[b], &t);
                if (dist < m_tol && t > 0.0 && t < 1.0) {
                    hits.push_back({i, t, dist, x});
                }
            }
        }
        return hits;
    }

private:
    static std::vector<GmBox> BoxesOf(const std::vector<int> &cutNodes, const GmVertexPool &pool, double tol,
                                      GmBox &all)
    {
        std::vector<GmBox> boxes;
        for (int id : cutNodes) {
            GmBox b;
            b.extend(pool[id]);
            b = b.widened(tol);
            all.extend(b);
            boxes.push_back(b);
        }
        return boxes;
    }
    const std::vector<int> &m_cutNodes;
    const GmVertexPool &m_pool;
    double m_tol;
    GmBox m_all;
    std::vector<GmBox> m_boxes;
    GmOctree m_tree;
    CellOccupancy m_occupied;
    std::vector<int> m_found;
};

// The hits of every loop of the pieces, in piece order (most loops have
// none: they are kept apart, `slot` telling for each loop where its hits
// are or -1). A node within the tolerance of two edges of one loop that
// meet at a node v cannot be told from v: it is aliased to v.
struct TjLoopHits {
    std::vector<std::vector<TjHit>> hits;
    std::vector<int32_t> slot;
};

TjLoopHits TjFindHits(GmImprint &im, TjCutNodeSearch &search, double tol, std::unordered_map<int, int> &alias)
{
    TjLoopHits out;
    for (int op = 0; op < 2; ++op) {
        for (GmPiece &piece : im.pieces(op)) {
            // A piece's nodes lie in its face's box (widened by the
            // tolerance) up to the tolerance points merge by, and its edges'
            // boxes are widened by one more: a face box clear of the cut
            // cells by three tolerances has no cut node near any edge.
            const bool nearCut = search.near(im.faces(op)[static_cast<size_t>(piece.face)].box.widened(3.0 * tol));
            for (const auto &loop : im.loopsOf(op, piece)) {
                std::vector<TjHit> hits = nearCut ? search.hitsOf(loop) : std::vector<TjHit>();
                if (hits.empty()) {
                    out.slot.push_back(-1);
                    continue;
                }
                for (size_t i = 0; i < hits.size(); ++i) {
                    for (size_t j = i + 1; j < hits.size(); ++j) {
                        if (hits[i].id != hits[j].id || hits[i].edge == hits[j].edge) {
                            continue;
                        }
                        size_t n = loop.size();
                        size_t e1 = hits[i].edge, e2 = hits[j].edge;
                        int shared = -1;
                        if ((e1 + 1) % n == e2) {
                            shared = loop[e2];
                        } else if ((e2 + 1) % n == e1) {
                            shared = loop[e1];
                        }
                        if (shared >= 0 && !alias.count(hits[i].id)) {
                            alias[hits[i].id] = shared;
                        }
                    }
                }
                out.slot.push_back(static_cast<int32_t>(out.hits.size()));
                out.hits.push_back(std::move(hits));
            }
        }
    }
    return out;
}

int TjResolve(const std::unordered_map<int, int> &alias, int id)
{
    for (int guard = 0; guard < 8; ++guard) {
        auto it = alias.find(id);
        if (it == alias.end()) {
            break;
        }
        id = it->second;
    }
    return id;
}

// Puts the aliases into the pieces' loops (and cleans them; a piece whose
// outer loop collapses goes). Returns, per loop of the pieces after it,
// the index of its hits found before when the loop came through
// unchanged, else -1 (to be found again).
std::vector<long> TjApplyAliases(GmImprint &im, const std::unordered_map<int, int> &alias)
{
    std::vector<long> hitsAt;
    std::vector<uint8_t> aliased(static_cast<size_t>(im.pool().size()), 0);
    for (const auto &[from, to] : alias) {
        aliased[static_cast<size_t>(from)] = 1;
    }
    // Whether aliasing or cleaning changes the loop: only such loops are
    // copied and rebuilt, the rest (nearly all) stay as they are.
    auto changes = [&](const std::vector<int> &l) {
        const size_t n = l.size();
        for (size_t i = 0; i < n; ++i) {
            if (aliased[static_cast<size_t>(l[i])] || l[i] == l[(i + 1) % n] ||
                (n >= 3 && l[(i + n - 1) % n] == l[(i + 1) % n])) {
                return true;
            }
        }
        return false;
    };
    long original = 0;
    for (int op = 0; op < 2; ++op) {
        GmPieces kept;
        kept.reserve(im.pieces(op).size());
        for (GmPiece &piece : im.pieces(op)) {
            bool touched = false;
            for (const auto &l : im.loopsOf(op, piece)) {
                touched = touched || changes(l);
            }
            if (!touched) {
                for (size_t li = 0; li < im.loopsOf(op, piece).size(); ++li) {
                    hitsAt.push_back(original++);
                }
                kept.push_back(std::move(piece));
                continue;
            }
            if (piece.sharesFace) {
                piece.loops = im.loopsOf(op, piece);
                piece.sharesFace = false;
            }
            std::vector<std::vector<int>> loops;
            std::vector<long> at;
            for (size_t li = 0; li < piece.loops.size(); ++li) {
                const long index = original++;
                if (!changes(piece.loops[li])) {
                    loops.push_back(std::move(piece.loops[li]));
                    at.push_back(index);
                    continue;
                }
                std::vector<int> l = piece.loops[li];
                for (int &id : l) {
                    id = TjResolve(alias, id);
                }
                CleanLoop(l);
                if (l.size() >= 3) {
                    loops.push_back(std::move(l));
                    at.push_back(-1);
                } else if (li == 0) {
                    loops.clear();
                    at.clear();
                    original += static_cast<long>(piece.loops.size() - li - 1);
                    break;
                }
            }
            if (!loops.empty()) {
                piece.loops = std::move(loops);
                hitsAt.insert(hitsAt.end(), at.begin(), at.end());
                kept.push_back(std::move(piece));
            }
        }
        im.pieces(op) = std::move(kept);
    }
    return hitsAt;
}

// Puts each hit node (not aliased away) into the one edge of the loop
// nearest to it, in order along the edge.
void TjInsertHits(std::vector<int> &loop, const std::vector<TjHit> &hits, const std::unordered_map<int, int> &alias)
{
    std::unordered_map<int, size_t> best;
    for (size_t i = 0; i < hits.size(); ++i) {
        if (alias.count(hits[i].id)) {
            continue;
        }
        auto it = best.find(hits[i].id);
        if (it == best.end() || hits[i].dist < hits[it->second].dist) {
            best[hits[i].id] = i;
        }
    }
    std::vector<std::vector<TjHit>> perEdge(loop.size());
    for (auto &[id, i] : best) {
        if (std::find(loop.begin(), loop.end(), id) == loop.end()) {
            perEdge[hits[i].edge].push_back(hits[i]);
        }
    }
    std::vector<int> out;
    for (size_t i = 0; i < loop.size(); ++i) {
        out.push_back(loop[i]);
        auto &h = perEdge[i];
        std::sort(h.begin(), h.end(), [](const TjHit &p, const TjHit &q) { return p.t < q.t; });
        for (const TjHit &x : h) {
            out.push_back(x.id);
        }
    }
    loop = std::move(out);
}

}  // namespace

void GmImprint::fixTJunctions()
{
    std::sort(m_cutNodes.begin(), m_cutNodes.end());
    m_cutNodes.erase(std::unique(m_cutNodes.begin(), m_cutNodes.end()), m_cutNodes.end());
    if (m_cutNodes.empty()) {
        return;
    }
    TjCutNodeSearch search(m_cutNodes, m_pool, m_tol);
    // Aliased nodes become their node everywhere (both operands), so that
    // neighbouring faces agree on where they lie.
    std::unordered_map<int, int> alias;
    TjLoopHits loopHits = TjFindHits(*this, search, m_tol, alias);
    std::vector<long> hitsAt;
    if (!alias.empty()) {
        hitsAt = TjApplyAliases(*this, alias);
        std::unordered_set<uint64_t> cut;
        for (uint64_t k : m_cutEdges) {
            int a = TjResolve(alias, static_cast<int>(k >> 32)), b = TjResolve(alias, static_cast<int>(k & 0xFFFFFFFFu));
            if (a != b) {
                cut.insert(edgeKey(a, b));
            }
        }
        m_cutEdges = std::move(cut);
    }
    size_t loopAt = 0;
    for (int op = 0; op < 2; ++op) {
        for (GmPiece &piece : m_pieces[op]) {
            const size_t loopCount = loopsOf(op, piece).size();
            for (size_t li = 0; li < loopCount; ++li) {
                const long at = alias.empty() ? static_cast<long>(loopAt) : hitsAt[loopAt];
                ++loopAt;
                std::vector<TjHit> hits;
                if (at < 0) {
                    hits = search.hitsOf(loopsOf(op, piece)[li]);
                } else if (loopHits.slot[static_cast<size_t>(at)] >= 0) {
                    hits = std::move(loopHits.hits[static_cast<size_t>(loopHits.slot[static_cast<size_t>(at)])]);
                }
                if (hits.empty()) {
                    continue;
                }
                if (piece.sharesFace) {
                    piece.loops = loopsOf(op, piece);  // its own copy, to take the nodes
                    piece.sharesFace = false;
                }
                TjInsertHits(piece.loops[li], hits, alias);
            }
        }
    }
}

void GmImprint::releaseWork()
{
    for (int op = 0; op < 2; ++op) {
        GmPolyFaces().swap(m_faces[op]);
        GmPieces().swap(m_pieces[op]);
        std::vector<GmFaceMeetings>().swap(m_met[op]);
    }
    std::unordered_set<uint64_t>().swap(m_cutEdges);
    std::vector<uint8_t>().swap(m_onCut);
    std::vector<int>().swap(m_cutNodes);
    m_pool.freeze();
}

// ---------------------------------------------------------------- run

void GmImprint::run()
{
    // The operands' nodes, with some room for the cut points.
    m_pool.reserve(static_cast<size_t>(m_a.nodeCount()) + static_cast<size_t>(m_b.nodeCount()) + 1024);
    extract(m_a, 0);
    extract(m_b, 1);
    GmBox boxA, boxB;
    for (const auto &f : m_faces[0]) {
        boxA.extend(f.box);
    }
    for (const auto &f : m_faces[1]) {
        boxB.extend(f.box);
    }
    if (!boxA.empty() && !boxB.empty() && boxA.overlaps(boxB)) {
        // The search box: the overlap of both boxes, widened by the tolerance.
        GmBox search;
        for (int i = 0; i < 3; ++i) {
            search.min[i] = std::max(boxA.min[i], boxB.min[i]) - m_tol;
            search.max[i] = std::min(boxA.max[i], boxB.max[i]) + m_tol;
        }
        std::vector<GmBox> boxes;
        boxes.reserve(m_faces[1].size());
        for (const auto &f : m_faces[1]) {
            boxes.push_back(f.box);
        }
        GmOctree tree(search, boxes);
        std::vector<int> candidates;
        for (size_t ia = 0; ia < m_faces[0].size(); ++ia) {
            if (!m_faces[0][ia].box.overlaps(search)) {
                continue;
            }
            tree.query(m_faces[0][ia].box, candidates);
            for (int ib : candidates) {
                ++m_pairs;
                intersectPair(static_cast<int>(ia), ib);
            }
        }
    }
    for (int op = 0; op < 2; ++op) {
        m_pieces[op].reserve(m_faces[op].size());
        for (size_t i = 0; i < m_faces[op].size(); ++i) {
            arrange(op, static_cast<int>(i));
        }
    }
    fixTJunctions();
    m_onCut.assign(static_cast<size_t>(m_pool.size()), 0);
    for (uint64_t k : m_cutEdges) {
        m_onCut[static_cast<size_t>(k >> 32)] = 1;
        m_onCut[static_cast<size_t>(k & 0xFFFFFFFFu)] = 1;
    }
}

}  // namespace solvane

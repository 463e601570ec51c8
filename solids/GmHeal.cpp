#include "solids/GmHeal.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "solids/GmGeom.h"
#include "solids/GmTopology.h"

namespace solvane {

namespace {

uint64_t DirKey(int a, int b)
{
    return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
}

struct Proj2 {
    int u, v;
    bool swap;
    explicit Proj2(const Vec3 &n)
    {
        GmAxes ax = axes_by_dominant(n);
        u = ax.u;
        v = ax.v;
        swap = n[ax.w] < 0.0;
    }
    std::pair<double, double> operator()(const Vec3 &p) const
    {
        return swap ? std::make_pair(p[v], p[u]) : std::make_pair(p[u], p[v]);
    }
};

double Area2D(const std::vector<int> &loop, const Proj2 &proj, const std::function<const Vec3 &(int)> &pos)
{
    double a = 0.0;
    for (size_t i = 0; i < loop.size(); ++i) {
        auto p = proj(pos(loop[i]));
        auto q = proj(pos(loop[(i + 1) % loop.size()]));
        a += p.first * q.second - p.second * q.first;
    }
    return a / 2.0;
}

bool Inside2D(const std::vector<int> &loop, const Proj2 &proj, const std::function<const Vec3 &(int)> &pos,
              std::pair<double, double> p)
{
    bool inside = false;
    for (size_t i = 0; i < loop.size(); ++i) {
        auto a = proj(pos(loop[i]));
        auto b = proj(pos(loop[(i + 1) % loop.size()]));
        if ((a.second > p.second) != (b.second > p.second)) {
            double x = a.first + (p.second - a.second) * (b.first - a.first) / (b.second - a.second);
            if (x > p.first) {
                inside = !inside;
            }
        }
    }
    return inside;
}

// The neighbours of every node over the loops of a soup, as flat arrays
// (a counting sort by node): each use of an edge (a, b) lists b under a and
// a under b, in the order of the loops. How often b is listed under a is the
// number of uses of the edge; the first listings, in order, are the node's
// distinct neighbours. A soup holds every face of a boolean's result: a
// hash map entry per edge or a vector per node costs more than the work.
class NeighbourTable {
public:
    explicit NeighbourTable(const std::vector<GmSoupFace> &faces)
    {
        size_t nodes = 0;
        for (const auto &f : faces) {
            for (const auto &l : f.loops) {
                for (int id : l) {
                    nodes = std::max(nodes, static_cast<size_t>(id) + 1);
                }
            }
        }
        m_start.assign(nodes + 1, 0);
        auto forEachUse = [&](auto &&visit) {
            for (const auto &f : faces) {
                for (const auto &l : f.loops) {
                    for (size_t i = 0; i < l.size(); ++i) {
                        visit(l[i], l[(i + 1) % l.size()]);
                    }
                }
            }
        };
        forEachUse([&](int a, int b) {
            ++m_start[static_cast<size_t>(a) + 1];
            ++m_start[static_cast<size_t>(b) + 1];
        });
        for (size_t k = 0; k < nodes; ++k) {
            m_start[k + 1] += m_start[k];
        }
        m_listed.resize(m_start[nodes]);
        std::vector<uint32_t> fill(m_start.begin(), m_start.end() - 1);
        forEachUse([&](int a, int b) {
            m_listed[fill[static_cast<size_t>(a)]++] = b;
            m_listed[fill[static_cast<size_t>(b)]++] = a;
        });
    }
    size_t nodes() const { return m_start.size() - 1; }
    // Uses of the undirected edge (a, b).
    int uses(int a, int b) const
    {
        if (a < 0 || static_cast<size_t>(a) >= nodes()) {
            return 0;
        }
        int n = 0;
        for (uint32_t i = m_start[static_cast<size_t>(a)]; i < m_start[static_cast<size_t>(a) + 1]; ++i) {
            n += m_listed[i] == b;
        }
        return n;
    }
    // The distinct neighbours of a node in the order first met.
    void distinct(int a, std::vector<int> &out) const
    {
        out.clear();
        for (uint32_t i = m_start[static_cast<size_t>(a)]; i < m_start[static_cast<size_t>(a) + 1]; ++i) {
            if (std::find(out.begin(), out.end(), m_listed[i]) == out.end()) {
                out.push_back(m_listed[i]);
            }
        }
    }

private:
    std::vector<uint32_t> m_start;
    std::vector<int> m_listed;
};

// Merges one group of faces; returns false (group left alone) when the
// remaining boundary cannot be traced into loops.
bool MergeGroup(std::vector<GmSoupFace *> &group, const NeighbourTable &useCount,
                const std::function<const Vec3 &(int)> &pos, std::vector<GmSoupFace> &merged)
{
    std::unordered_map<uint64_t, int> directed;
    std::vector<std::pair<int, int>> order;
    for (GmSoupFace *f : group) {
        for (const auto &l : f->loops) {
            for (size_t i = 0; i < l.size(); ++i) {
                int a = l[i], b = l[(i + 1) % l.size()];
                directed[DirKey(a, b)] += 1;
                order.push_back({a, b});
            }
        }
    }
    std::map<int, std::vector<int>> outs;
    std::unordered_set<uint64_t> removedKeys;
    int removed = 0;
    for (auto [a, b] : order) {
        bool inner = directed.count(DirKey(b, a)) && useCount.uses(a, b) == 2;
        if (inner) {
            ++removed;
            continue;
        }
        outs[a].push_back(b);
    }
    if (removed == 0) {
        return false;
    }
    Proj2 proj(group[0]->normal);
    std::unordered_set<uint64_t> used;
    std::vector<std::vector<int>> cycles;
    for (auto &[start, list] : outs) {
        for (int first : list) {
            if (used.count(DirKey(start, first))) {
                continue;
            }
            std::vector<int> cyc;
            int a = start, b = first;
            size_t guard = 0;
            while (!used.count(DirKey(a, b))) {
                used.insert(DirKey(a, b));
                cyc.push_back(a);
                auto &cand = outs[b];
                int next = -1;
                double bestAngle = 10.0;
                auto pb = proj(pos(b));
                auto pa = proj(pos(a));
                double back = std::atan2(pa.second - pb.second, pa.first - pb.first);
                for (int c : cand) {
                    bool closing = b == start && c == first;
                    if (used.count(DirKey(b, c)) && !closing) {
                        continue;
                    }
                    auto pc = proj(pos(c));
                    double th = std::atan2(pc.second - pb.second, pc.first - pb.first);
                    double cw = back - th;
                    while (cw <= 0.0) {
                        cw += 2.0 * M_PI;
                    }
                    while (cw > 2.0 * M_PI) {
                        cw -= 2.0 * M_PI;
                    }
                    if (cw < bestAngle) {
                        bestAngle = cw;
                        next = c;
                    }
                }
                if (next < 0) {
                    return false;
                }
                a = b;
                b = next;
                if (++guard > order.size() + 4) {
                    return false;
                }
            }
            if (a != start || b != first) {
                return false;  // the walk must end where it began
            }
            cycles.push_back(std::move(cyc));
        }
    }
    std::vector<double> areas;
    for (const auto &c : cycles) {
        areas.push_back(Area2D(c, proj, pos));
    }
    std::vector<std::vector<size_t>> holes(cycles.size());
    for (size_t h = 0; h < cycles.size(); ++h) {
        if (areas[h] >= 0.0) {
            continue;
        }
        long best = -1;
        for (size_t c = 0; c < cycles.size(); ++c) {
            if (areas[c] <= 0.0) {
                continue;
            }
            if (best >= 0 && areas[c] >= areas[static_cast<size_t>(best)]) {
                continue;
            }
            // A node of the hole not on the outer loop tells.
            for (int id : cycles[h]) {
                if (std::find(cycles[c].begin(), cycles[c].end(), id) != cycles[c].end()) {
                    continue;
                }
                if (Inside2D(cycles[c], proj, pos, proj(pos(id)))) {
                    best = static_cast<long>(c);
                }
                break;
            }
        }
        if (best < 0) {
            return false;
        }
        holes[static_cast<size_t>(best)].push_back(h);
    }
    for (size_t c = 0; c < cycles.size(); ++c) {
        if (areas[c] <= 0.0) {
            continue;
        }
        GmSoupFace f = *group[0];
        f.loops.clear();
        f.loops.push_back(cycles[c]);
        for (size_t h : holes[c]) {
            f.loops.push_back(cycles[h]);
        }
        merged.push_back(std::move(f));
    }
    return true;
}

}  // namespace

void heal_soup(std::vector<GmSoupFace> &faces, const std::function<const Vec3 &(int)> &pos, double tol)
{
    // Merge pieces of one origin: the faces in the order of their keys (and
    // of their index within one key); most keys hold one face.
    std::vector<size_t> order(faces.size());
    std::iota(order.begin(), order.end(), 0);
    auto keyOf = [&](size_t i) { return std::make_tuple(faces[i].origin, faces[i].attributes, faces[i].mark); };
    auto before = [&](size_t x, size_t y) { return keyOf(x) < keyOf(y); };
    if (!std::is_sorted(order.begin(), order.end(), before)) {  // a boolean gives them in order
        std::stable_sort(order.begin(), order.end(), before);
    }
    std::vector<GmSoupFace> result;
    result.reserve(faces.size());
    std::vector<bool> consumed(faces.size(), false);
    {
        const NeighbourTable useCount(faces);
        for (size_t from = 0; from < order.size();) {
            size_t to = from + 1;
            while (to < order.size() && keyOf(order[to]) == keyOf(order[from])) {
                ++to;
            }
            if (to - from >= 2) {
                std::vector<GmSoupFace *> group;
                for (size_t k = from; k < to; ++k) {
                    group.push_back(&faces[order[k]]);
                }
                std::vector<GmSoupFace> merged;
                if (MergeGroup(group, useCount, pos, merged)) {
                    for (size_t k = from; k < to; ++k) {
                        consumed[order[k]] = true;
                    }
                    for (auto &m : merged) {
                        result.push_back(std::move(m));
                    }
                }
            }
            from = to;
        }
    }
    for (size_t i = 0; i < faces.size(); ++i) {
        if (!consumed[i]) {
            result.push_back(std::move(faces[i]));
        }
    }
    faces = std::move(result);
    // Nodes between two collinear edges that nothing else meets.
    std::vector<int> list, nu;
    for (int round = 0; round < 4; ++round) {
        const NeighbourTable nb(faces);
        std::vector<uint8_t> drop(nb.nodes(), 0);
        bool dropped = false;
        for (size_t v = 0; v < nb.nodes(); ++v) {
            nb.distinct(static_cast<int>(v), list);
            if (list.size() != 2 || drop[static_cast<size_t>(list[0])] || drop[static_cast<size_t>(list[1])]) {
                continue;
            }
            int u = list[0], w = list[1];
            nb.distinct(u, nu);
            if (std::find(nu.begin(), nu.end(), w) != nu.end()) {
                continue;  // u and w are joined already
            }
            Vec3 a = pos(u), b = pos(w), p = pos(static_cast<int>(v));
            Vec3 d = b - a;
            double l2 = d.Length2();
            if (l2 <= 0.0) {
                continue;
            }
            double t = (p - a).Dot(d) / l2;
            if (t <= 0.0 || t >= 1.0) {
                continue;
            }
            if ((a + d * t - p).Length() < tol) {
                drop[v] = 1;
                dropped = true;
            }
        }
        if (!dropped) {
            break;
        }
        for (auto &f : faces) {
            for (auto &l : f.loops) {
                l.erase(std::remove_if(l.begin(), l.end(), [&](int id) { return drop[static_cast<size_t>(id)] != 0; }),
                        l.end());
            }
        }
    }
}

int remove_degenerate_faces(GmGeom &g)
{
    int n = 0;
    for (GmFace *f : g.liveFaces()) {
        if (f->loops.empty() || f->loops[0]->uses.size() < 3 || face_area(f) <= g.tolerance2()) {
            g.remove_face(f);
            ++n;
        }
    }
    return n;
}

void heal(GmGeom &g, int mode)
{
    if (mode == 2) {
        for (GmNode *n : g.liveNodes()) {
            n->mate = nullptr;
        }
        for (GmEdge *e : g.liveEdges()) {
            e->mate = nullptr;
        }
        for (GmFace *f : g.liveFaces()) {
            f->mate = nullptr;
        }
        return;
    }
    bool hadSolids = g.solidCount() > 0;
    std::vector<GmNode *> nodes = g.liveNodes();
    std::unordered_map<const GmNode *, int> index;
    std::vector<Vec3> points;
    for (GmNode *n : nodes) {
        index[n] = static_cast<int>(points.size());
        points.push_back(n->position);
    }
    std::vector<GmSoupFace> soup;
    for (GmFace *f : g.liveFaces()) {
        GmSoupFace s;
        for (GmLoop *l : f->loops) {
            std::vector<int> ids;
            for (GmNode *n : loop_nodes(l)) {
                ids.push_back(index.at(n));
            }
            if (ids.size() >= 3) {
                s.loops.push_back(std::move(ids));
            }
        }
        if (s.loops.empty()) {
            continue;
        }
        s.normal = f->normal;
        s.origin = f->origin ? f->origin->id : f->id;
        s.attributes = mode == 0 ? 0 : f->attributes;
        s.mark = mode == 0 ? 1 : f->mark;
        s.group = f->group();
        soup.push_back(std::move(s));
    }
    heal_soup(soup, [&](int i) -> const Vec3 & { return points[static_cast<size_t>(i)]; }, g.tolerance());
    GmGeom fresh(g.extent(), g.tolerance());
    std::vector<GmNode *> made(points.size(), nullptr);
    for (auto &s : soup) {
        std::vector<std::vector<GmNode *>> loops;
        for (auto &l : s.loops) {
            std::vector<GmNode *> ln;
            for (int id : l) {
                if (!made[static_cast<size_t>(id)]) {
                    made[static_cast<size_t>(id)] = fresh.add_node(points[static_cast<size_t>(id)], true, nullptr, false);
                }
                ln.push_back(made[static_cast<size_t>(id)]);
            }
            loops.push_back(std::move(ln));
        }
        GmFace *f = fresh.add_face_loops(loops, s.mark != 0);
        f->attributes = s.attributes;
        f->setGroup(s.group);
    }
    remove_degenerate_faces(fresh);
    if (hadSolids) {
        fresh.build_solids(1);
    }
    g.assign(fresh);
}

}  // namespace solvane

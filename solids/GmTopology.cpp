#include "solids/GmTopology.h"

#include <algorithm>
#include <cmath>

#include "solids/GmError.h"
#include "solids/GmGeom.h"

namespace solvane {

GmAxes axes_by_thresholds(const Vec3 &n)
{
    if (std::abs(n.z) > 0.5) {
        return {0, 1, 2};
    }
    if (std::abs(n.y) > 0.5) {
        return {2, 0, 1};
    }
    return {1, 2, 0};
}

GmAxes axes_by_dominant(const Vec3 &n)
{
    double ax = std::abs(n.x), ay = std::abs(n.y), az = std::abs(n.z);
    if (ax > ay && ax > az) {
        return {1, 2, 0};
    }
    if (ay > az) {
        return {2, 0, 1};
    }
    return {0, 1, 2};
}

std::vector<GmNode *> loop_nodes(const GmLoop *loop)
{
    std::vector<GmNode *> out;
    out.reserve(loop->uses.size());
    for (const GmEdgeRef *u : loop->uses) {
        out.push_back(u->start());
    }
    return out;
}

Vec3 loop_newell(const GmLoop *loop)
{
    // Newell's sum straight over the uses: no scratch buffer, no limit.
    // Taken about the loop's first point: far from the origin the sums of
    // absolute coordinates would cancel away the normal's digits.
    Vec3 n;
    if (loop->uses.empty()) {
        return n;
    }
    const Vec3 o = loop->uses.front()->start()->position;
    for (const GmEdgeRef *u : loop->uses) {
        const Vec3 a = u->start()->position - o;
        const Vec3 b = u->end()->position - o;
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

void face_plane(GmFace *f)
{
    if (f->loops.empty() || f->loops[0]->uses.size() < 3) {
        f->normal = Vec3(1.0, 0.0, 0.0);
        f->d = 0.0;
        if (!f->loops.empty()) {
            f->loops[0]->area = 0.0;
            f->loops[0]->area_valid = true;
        }
        f->area_valid = false;
        return;
    }
    GmLoop *first = f->loops[0];
    Vec3 n = loop_newell(first);
    double len = n.Length();
    if (len >= 1e-17) {
        f->normal = n / len;
        first->area = len / 2.0;
        first->area_valid = true;
    } else {
        // No area: a degenerate face, removed by the healing before any
        // imprint. It keeps a unit normal.
        f->normal = Vec3(1.0, 0.0, 0.0);
        first->area = 0.0;
        first->area_valid = true;
    }
    f->anchor = first->uses[0]->start()->position;
    f->d = f->normal.Dot(f->anchor);
    f->area_valid = false;
}

double loop_area(GmLoop *loop)
{
    if (loop->area_valid) {
        return loop->area;
    }
    if (loop->uses.size() <= 2) {
        loop->area = 0.0;
    } else {
        loop->area = loop_newell(loop).Dot(loop->face->normal) / 2.0;
    }
    loop->area_valid = true;
    return loop->area;
}

double face_area(GmFace *f)
{
    if (f->area_valid) {
        return f->area;
    }
    double a = 0.0;
    for (GmLoop *l : f->loops) {
        a += loop_area(l);
    }
    f->area = a;
    f->area_valid = true;
    return a;
}

double face_moment(GmFace *f, const Vec3 &c)
{
    // The plane's distance from c times the area: the volume of the cone
    // from c over the face, times 3. Exact for c anywhere; accurate for c
    // near the face, whatever the absolute coordinates.
    if (f->loops.empty() || f->loops[0]->uses.empty()) {
        return 0.0;
    }
    return face_area(f) * f->normal.Dot(f->anchor - c);
}

double shell_volume(const GmShell *shell)
{
    // About a corner of the shell: near it, whatever the coordinates.
    Vec3 c;
    for (const GmFaceRef *r : shell->faces) {
        if (!r->face->removed && !r->face->loops.empty() && !r->face->loops[0]->uses.empty()) {
            c = r->face->loops[0]->uses.front()->start()->position;
            break;
        }
    }
    double v = 0.0;
    for (const GmFaceRef *r : shell->faces) {
        if (r->face->removed) {
            continue;
        }
        const double m = face_moment(r->face, c);
        v += r->side == 1 ? m : -m;
    }
    return v / 3.0;
}

Vec3 oriented_normal(const GmFace *f)
{
    if (f->front && !f->back) {
        return -f->normal;
    }
    return f->normal;
}

bool point_in_loop(const GmLoop *loop, const Vec3 &p)
{
    GmAxes ax = axes_by_thresholds(loop->face->normal);
    double pu = p[ax.u], pv = p[ax.v];
    bool inside = false;
    for (const GmEdgeRef *u : loop->uses) {
        const Vec3 &a = u->start()->position;
        const Vec3 &b = u->end()->position;
        double au = a[ax.u], av = a[ax.v], bu = b[ax.u], bv = b[ax.v];
        if ((au > pu) != (bu > pu)) {
            double v = av + (pu - au) * (bv - av) / (bu - au);
            if (v >= pv) {
                inside = !inside;
            }
        }
    }
    return inside;
}

bool point_in_face(const GmFace *f, const Vec3 &p)
{
    if (f->loops.empty() || !point_in_loop(f->loops[0], p)) {
        return false;
    }
    for (size_t i = 1; i < f->loops.size(); ++i) {
        if (f->loops[i]->uses.size() == 1) {
            break;
        }
        if (point_in_loop(f->loops[i], p)) {
            return false;
        }
    }
    return true;
}

GmEdge *find_edge(const GmNode *a, const GmNode *b)
{
    for (GmEdge *e : a->edges) {
        if (e->removed) {
            continue;
        }
        if ((e->node1 == a && e->node2 == b) || (e->node2 == a && e->node1 == b)) {
            return e;
        }
    }
    return nullptr;
}

GmEdge *find_edge_dir(const GmNode *a, const GmNode *b, bool *reversed)
{
    GmEdge *e = find_edge(a, b);
    if (e && reversed) {
        *reversed = !(e->node1 == a && e->node2 == b);
    }
    return e;
}

GmLoop *make_loop(GmGeom &g, GmFace *f, const std::vector<GmNode *> &nodes)
{
    GmLoop *loop = g.new_loop(f);
    size_t n = nodes.size();
    // Sized once: growing one use at a time allocates and frees on the way,
    // for every loop and edge of a rebuilt solid.
    loop->uses.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        bool rev = false;
        GmEdge *e = find_edge_dir(nodes[i], nodes[(i + 1) % n], &rev);
        if (!e) {
            internal_error("build_loops : consecutive nodes are not joined by an edge");
        }
        GmEdgeRef *u = g.new_edge_ref(e, loop, rev);
        loop->uses.push_back(u);
        if (e->uses.empty()) {
            e->uses.reserve(2);  // an edge of a closed surface has two uses
        }
        e->uses.push_back(u);
        e->usesSorted = false;
        ++f->ref_count;
    }
    f->loops.push_back(loop);
    f->area_valid = false;
    return loop;
}

void build_loops(GmGeom &g, GmFace *f, const std::vector<GmNode *> &nodes)
{
    size_t i = 0;
    bool firstBuilt = false;
    while (i < nodes.size()) {
        size_t j = i + 1;
        while (j < nodes.size() && find_edge(nodes[j - 1], nodes[j])) {
            ++j;
        }
        std::vector<GmNode *> run(nodes.begin() + static_cast<long>(i), nodes.begin() + static_cast<long>(j));
        make_loop(g, f, run);
        if (f->loops.size() == 1) {
            firstBuilt = true;
        }
        i = j;
    }
    if (firstBuilt) {
        face_plane(f);
    }
}

std::pair<GmEdge *, GmEdge *> split_edge(GmGeom &g, GmEdge *e, GmNode *m)
{
    GmEdge *e1 = g.add_edge(e->node1, m, e->mark, false);
    GmEdge *e2 = g.add_edge(m, e->node2, e->mark, false);
    e1->attributes = e2->attributes = e->attributes;
    e1->origin = e2->origin = e;
    g.split_pieces().push_back(e1);
    g.split_pieces().push_back(e2);
    for (GmEdgeRef *u : std::vector<GmEdgeRef *>(e->uses.begin(), e->uses.end())) {
        GmLoop *l = u->loop;
        auto it = std::find(l->uses.begin(), l->uses.end(), u);
        size_t pos = static_cast<size_t>(it - l->uses.begin());
        GmEdgeRef *a = g.new_edge_ref(u->reversed ? e2 : e1, l, u->reversed);
        GmEdgeRef *b = g.new_edge_ref(u->reversed ? e1 : e2, l, u->reversed);
        l->uses[pos] = a;
        l->uses.insert(l->uses.begin() + static_cast<long>(pos) + 1, b);
        a->edge->uses.push_back(a);
        b->edge->uses.push_back(b);
        l->face->ref_count += 1;
        l->area_valid = false;
        l->face->area_valid = false;
    }
    e->uses.clear();
    g.remove_edge(e);
    return {e1, e2};
}

void remove_shell(GmFace *f, GmShell *shell)
{
    for (GmFaceRef **side : {&f->front, &f->back}) {
        if (*side && (*side)->shell == shell) {
            *side = nullptr;
            return;
        }
    }
    internal_error("GmFace::remove_shell : face doesn't contain this shell");
}

GmShell *face_shell(const GmFace *f)
{
    if (f->front && f->front->shell) {
        return f->front->shell;
    }
    if (f->back && f->back->shell) {
        return f->back->shell;
    }
    return nullptr;
}

void transfer_shell_uses(GmGeom &g, GmFace *from, GmFace *g1, GmFace *g2)
{
    for (GmFaceRef **side : {&from->front, &from->back}) {
        GmFaceRef *r = *side;
        if (!r) {
            continue;
        }
        GmShell *sh = r->shell;
        int s = r->side;
        auto &fs = sh->faces;
        fs.erase(std::remove(fs.begin(), fs.end(), r), fs.end());
        *side = nullptr;
        for (GmFace *t : {g1, g2}) {
            GmFaceRef *nr = g.add_face_use(sh, t, s);
            (s == 0 ? t->front : t->back) = nr;
        }
    }
}

GmEdge *split_face(GmGeom &g, GmFace *f, GmNode *a, GmNode *b, GmFace **f1, GmFace **f2)
{
    if (a == b || find_edge(a, b)) {
        return nullptr;
    }
    // Only the same-loop case: find the loop holding both nodes.
    for (size_t li = 0; li < f->loops.size(); ++li) {
        std::vector<GmNode *> nodes = loop_nodes(f->loops[li]);
        auto ia = std::find(nodes.begin(), nodes.end(), a);
        auto ib = std::find(nodes.begin(), nodes.end(), b);
        if (ia == nodes.end() || ib == nodes.end()) {
            continue;
        }
        size_t pa = static_cast<size_t>(ia - nodes.begin());
        size_t pb = static_cast<size_t>(ib - nodes.begin());
        std::vector<GmNode *> partA, partB;
        for (size_t k = pa;; k = (k + 1) % nodes.size()) {
            partA.push_back(nodes[k]);
            if (k == pb) {
                break;
            }
        }
        for (size_t k = pb;; k = (k + 1) % nodes.size()) {
            partB.push_back(nodes[k]);
            if (k == pa) {
                break;
            }
        }
        if (partA.size() < 3 || partB.size() < 3) {
            return nullptr;
        }
        GmEdge *e = g.add_edge(a, b, f->mark, false);
        GmFace *n1 = g.clone_face(f);
        GmFace *n2 = g.clone_face(f);
        make_loop(g, n1, partA);
        make_loop(g, n2, partB);
        if (li == 0) {
            // Holes go to the piece whose outer loop holds them.
            for (size_t k = 1; k < f->loops.size(); ++k) {
                std::vector<GmNode *> hn = loop_nodes(f->loops[k]);
                GmFace *target = point_in_loop(n1->loops[0], hn[0]->position) ? n1 : n2;
                make_loop(g, target, hn);
            }
        }
        face_plane(n1);
        face_plane(n2);
        transfer_shell_uses(g, f, n1, n2);
        g.remove_face(f);
        if (f1) {
            *f1 = n1;
        }
        if (f2) {
            *f2 = n2;
        }
        return e;
    }
    return nullptr;
}

void move_upper_dependencies(GmEdge *from, GmEdge *to, bool flip)
{
    for (GmEdgeRef *u : from->uses) {
        if (u->edge != from) {
            internal_error("move_upper_dependencies(edge) : found inconsistent face-egde connection");
        }
        u->edge = to;
        if (flip) {
            u->reversed = !u->reversed;
        }
        to->uses.push_back(u);
    }
    from->uses.clear();
    to->usesSorted = false;
}

void move_upper_dependencies(GmNode *from, GmNode *to)
{
    for (GmEdge *e : from->edges) {
        if (e->node1 != from && e->node2 != from) {
            internal_error("move_upper_dependencies(node) : found inconsistent egde-node connection");
        }
        if (e->node1 == from) {
            e->node1 = to;
        }
        if (e->node2 == from) {
            e->node2 = to;
        }
        to->edges.push_back(e);
    }
    from->edges.clear();
}

}  // namespace solvane

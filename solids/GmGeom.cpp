#include "solids/GmGeom.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>

#include "solids/GmAttributes.h"
#include "solids/GmError.h"
#include "solids/GmTopology.h"

namespace solvane {

// ---------------------------------------------------------------- GmBox

void GmBox::extend(const Vec3 &p)
{
    for (int i = 0; i < 3; ++i) {
        min[i] = std::min(min[i], p[i]);
        max[i] = std::max(max[i], p[i]);
    }
}

void GmBox::extend(const GmBox &b)
{
    if (!b.empty()) {
        extend(b.min);
        extend(b.max);
    }
}

GmBox GmBox::widened(double t) const
{
    GmBox r = *this;
    for (int i = 0; i < 3; ++i) {
        r.min[i] -= t;
        r.max[i] += t;
    }
    return r;
}

// ---------------------------------------------------------------- GmGeom

namespace {
std::atomic<long> g_liveGeoms{0};
}

long GmGeom::liveCount()
{
    return g_liveGeoms.load();
}

GmGeom::GmGeom(double tolerance) : m_tolerance(tolerance), m_tolerance2(tolerance * tolerance)
{
    ++g_liveGeoms;
    m_extent.min = Vec3(-2.2, -2.2, -2.2);
    m_extent.max = Vec3(2.2, 2.2, 2.2);
    init();
}

GmGeom::GmGeom(const GmBox &extent, double tolerance)
    : m_tolerance(tolerance), m_tolerance2(tolerance * tolerance), m_extent(extent)
{
    ++g_liveGeoms;
    init();
}

namespace {
// Coordinates a tolerance is at least this fraction of: below it, points
// the doubles still tell apart would be too few to measure by.
constexpr double kGmCoordinatePrecision = 1e-13;
}  // namespace

double GmGeom::ToleranceForSize(double size)
{
    const double tolerance = kDefaultTolerance * size / kReferenceSize;
    return std::isfinite(tolerance) && tolerance > 0.0 ? tolerance : kDefaultTolerance;
}

double GmGeom::ToleranceFor(const GmBox &box)
{
    if (box.empty()) {
        return kDefaultTolerance;
    }
    double size = 0.0, reach = 0.0;
    for (int i = 0; i < 3; ++i) {
        size = std::max(size, box.max[i] - box.min[i]);
        reach = std::max({reach, std::abs(box.min[i]), std::abs(box.max[i])});
    }
    return std::max(ToleranceForSize(size), kGmCoordinatePrecision * reach);
}

void GmGeom::init()
{
    if (!(m_tolerance > 0.0)) {
        internal_error("GmGeom : tolerance must be positive");
    }
    // Grid cells a little larger than the tolerance, so that a lookup looks
    // at the 27 cells around the point.
    m_gridCell = m_tolerance * 4.0;
}

GmGeom::GmGeom(const GmGeom &src, bool unlink)
    : m_tolerance(src.m_tolerance), m_tolerance2(src.m_tolerance2), m_extent(src.m_extent)
{
    ++g_liveGeoms;
    init();
    copyFrom(src, unlink);
}

void GmGeom::assign(const GmGeom &src)
{
    if (&src == this) {
        return;
    }
    clear();
    m_tolerance = src.m_tolerance;
    m_tolerance2 = src.m_tolerance2;
    m_extent = src.m_extent;
    init();
    m_grid.clear();
    m_gridBuilt = false;
    copyFrom(src, true);
}

void GmGeom::copyFrom(const GmGeom &src, bool unlink)
{
    GmGeom &source = const_cast<GmGeom &>(src);
    std::unordered_map<const GmNode *, GmNode *> nodeMap;
    std::unordered_map<const GmFace *, GmFace *> faceMap;
    for (GmNode *n : source.liveNodes()) {
        GmNode *c = add_node(n->position, n->mark, nullptr, false);
        c->attributes = n->attributes;
        nodeMap[n] = c;
        if (!unlink) {
            n->mate = c;
            c->mate = n;
        }
    }
    for (GmEdge *e : source.liveEdges()) {
        GmEdge *c = add_edge(nodeMap[e->node1], nodeMap[e->node2], e->mark, false, false);
        c->attributes = e->attributes;
    }
    // Groups are renumbered densely in face order: the copy's groups never
    // grow with the number of copies made in the process.
    std::map<uint32_t, uint32_t> groups;
    for (GmFace *f : source.liveFaces()) {
        std::vector<std::vector<GmNode *>> loops;
        for (GmLoop *l : f->loops) {
            std::vector<GmNode *> ln;
            for (GmNode *n : loop_nodes(l)) {
                ln.push_back(nodeMap[n]);
            }
            loops.push_back(std::move(ln));
        }
        GmFace *c = add_face_loops(loops, f->mark);
        c->attributes = f->attributes;
        c->normal = f->normal;
        c->d = f->d;
        c->anchor = f->anchor;
        if (f->group() != 0) {
            auto it = groups.find(f->group());
            if (it == groups.end()) {
                it = groups.emplace(f->group(), nextGroup()).first;
            }
            c->setGroup(it->second);
        }
        faceMap[f] = c;
        if (!unlink) {
            f->mate = c;
            c->mate = f;
        }
    }
    for (GmSolid *s : source.liveSolids()) {
        GmSolid *last = nullptr;
        for (GmShell *sh : s->shells) {
            GmShell *ns = new_shell();
            for (GmFaceRef *r : sh->faces) {
                if (r->face->removed) {
                    continue;
                }
                add_face_use(ns, faceMap[r->face], r->side);
            }
            ns->volume = sh->volume;
            ns->reference = sh->reference;
            ns->hasReference = sh->hasReference;
            last = insert(ns);
        }
        if (last) {
            last->attributes = s->attributes;
        }
    }
    m_groupCounter = std::max<uint32_t>(m_groupCounter, static_cast<uint32_t>(groups.size()));
}

GmGeom::~GmGeom()
{
    --g_liveGeoms;
}

void GmGeom::takeOver(GmGeom &&src)
{
    if (&src == this) {
        return;
    }
    swapContents(src);
    GmGeom emptied(src.m_extent, src.m_tolerance);
    src.swapContents(emptied);
    uint32_t groups = 0;
    for (GmFace *f : m_faces) {
        groups = std::max(groups, f->group());
    }
    m_groupCounter = std::max(m_groupCounter, groups);
}

void GmGeom::swapContents(GmGeom &o)
{
    std::swap(m_tolerance, o.m_tolerance);
    std::swap(m_tolerance2, o.m_tolerance2);
    std::swap(m_extent, o.m_extent);
    std::swap(m_bbox, o.m_bbox);
    std::swap(m_bboxValid, o.m_bboxValid);
    std::swap(m_nextId, o.m_nextId);
    std::swap(m_groupCounter, o.m_groupCounter);
    m_nodeStore.swap(o.m_nodeStore);
    m_edgeStore.swap(o.m_edgeStore);
    m_faceStore.swap(o.m_faceStore);
    m_solidStore.swap(o.m_solidStore);
    m_loopStore.swap(o.m_loopStore);
    m_edgeRefStore.swap(o.m_edgeRefStore);
    m_faceRefStore.swap(o.m_faceRefStore);
    m_shellStore.swap(o.m_shellStore);
    m_nodes.swap(o.m_nodes);
    m_edges.swap(o.m_edges);
    m_faces.swap(o.m_faces);
    m_solids.swap(o.m_solids);
    m_retiredSolids.swap(o.m_retiredSolids);
    m_splitPieces.swap(o.m_splitPieces);
    m_registry.swap(o.m_registry);
    std::swap(m_liveNodes, o.m_liveNodes);
    std::swap(m_liveEdges, o.m_liveEdges);
    std::swap(m_liveFaces, o.m_liveFaces);
    std::swap(m_liveSolids, o.m_liveSolids);
    std::swap(m_gridCell, o.m_gridCell);
    std::swap(m_gridBuilt, o.m_gridBuilt);
    m_grid.swap(o.m_grid);
}

size_t GmGeom::storedRecords() const
{
    return m_nodeStore.size() + m_edgeStore.size() + m_faceStore.size() + m_solidStore.size() +
           m_loopStore.size() + m_edgeRefStore.size() + m_faceRefStore.size() + m_shellStore.size();
}

namespace {
// The grid cell of a coordinate; a point so far out that its cell number
// passes 64 bits shares the last cell instead of overflowing.
int64_t GmGridIndex(double v)
{
    constexpr double kLimit = 4.0e18;
    const double cell = std::floor(v);
    return static_cast<int64_t>(std::clamp(cell, -kLimit, kLimit));
}
}  // namespace

uint64_t GmGeom::gridKey(int64_t ix, int64_t iy, int64_t iz) const
{
    uint64_t h = static_cast<uint64_t>(ix) * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<uint64_t>(iy) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
    h ^= static_cast<uint64_t>(iz) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
    return h;
}

void GmGeom::build_grid()
{
    m_grid.clear();
    m_gridBuilt = true;
    for (GmNode *n : m_nodes) {
        if (!n->removed) {
            register_in_grid(n);
        }
    }
}

void GmGeom::register_in_grid(GmNode *n)
{
    if (!m_gridBuilt) {
        return;
    }
    const Vec3 &p = n->position;
    int64_t ix = GmGridIndex(p.x / m_gridCell);
    int64_t iy = GmGridIndex(p.y / m_gridCell);
    int64_t iz = GmGridIndex(p.z / m_gridCell);
    m_grid[gridKey(ix, iy, iz)].push_back(n);
}

void GmGeom::unregister_from_grid(GmNode *n)
{
    if (!m_gridBuilt) {
        return;
    }
    const Vec3 &p = n->position;
    int64_t ix = GmGridIndex(p.x / m_gridCell);
    int64_t iy = GmGridIndex(p.y / m_gridCell);
    int64_t iz = GmGridIndex(p.z / m_gridCell);
    auto it = m_grid.find(gridKey(ix, iy, iz));
    if (it != m_grid.end()) {
        auto &v = it->second;
        v.erase(std::remove(v.begin(), v.end(), n), v.end());
    }
}

GmNode *GmGeom::add_node(const Vec3 &p, bool mark, bool *found, bool lookup)
{
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
        internal_error("GmGeom::add_node : position is not finite");
    }
    if (lookup && m_liveNodes > 0) {
        if (!m_gridBuilt) {
            build_grid();
        }
        int64_t lo[3], hi[3];
        for (int k = 0; k < 3; ++k) {
            lo[k] = GmGridIndex((p[k] - m_tolerance) / m_gridCell);
            hi[k] = GmGridIndex((p[k] + m_tolerance) / m_gridCell);
        }
        GmNode *best = nullptr;
        for (int64_t x = lo[0]; x <= hi[0]; ++x) {
            for (int64_t y = lo[1]; y <= hi[1]; ++y) {
                for (int64_t z = lo[2]; z <= hi[2]; ++z) {
                    auto it = m_grid.find(gridKey(x, y, z));
                    if (it == m_grid.end()) {
                        continue;
                    }
                    for (GmNode *n : it->second) {
                        if (!n->removed && (n->position - p).Length2() < m_tolerance2 &&
                            (!best || n->id < best->id)) {
                            best = n;
                        }
                    }
                }
            }
        }
        if (best) {
            if (found) {
                *found = true;
            }
            return best;
        }
    }
    m_nodeStore.emplace_back();
    GmNode *n = &m_nodeStore.back();
    n->kind = GM_NODE;
    n->id = m_nextId++;
    n->mark = mark ? 1 : 0;
    n->position = p;
    m_nodes.push_back(n);
    ++m_liveNodes;
    register_in_grid(n);
    if (m_bboxValid) {
        m_bbox.extend(p);
    }
    if (found) {
        *found = false;
    }
    return n;
}

GmEdge *GmGeom::add_edge(GmNode *a, GmNode *b, bool mark, bool lookup, bool refuseShort)
{
    if (lookup) {
        if (GmEdge *e = find_edge(a, b)) {
            return e;
        }
    }
    if (refuseShort && a != b && (a->position - b->position).Length2() < m_tolerance2) {
        return nullptr;
    }
    m_edgeStore.emplace_back();
    GmEdge *e = &m_edgeStore.back();
    e->kind = GM_EDGE;
    e->id = m_nextId++;
    e->mark = mark ? 1 : 0;
    e->origin = e;
    e->node1 = a;
    e->node2 = b;
    // Rings start with room for a few edges: most nodes get several, and
    // growing from one allocates three times on the way.
    for (GmNode *n : {a, b}) {
        if (n->edges.empty()) {
            n->edges.reserve(4);
        }
    }
    a->edges.push_back(e);
    if (b != a) {
        b->edges.push_back(e);
    }
    m_edges.push_back(e);
    ++m_liveEdges;
    return e;
}

static GmFace *NewFace(GmStore<GmFace> &store, uint32_t &nextId)
{
    store.emplace_back();
    GmFace *f = &store.back();
    f->kind = GM_FACE;
    f->id = nextId++;
    f->origin = f;
    return f;
}

GmFace *GmGeom::add_face(const std::vector<GmNode *> &nodes, bool mark)
{
    GmFace *f = NewFace(m_faceStore, m_nextId);
    f->mark = mark ? 1 : 0;
    m_faces.push_back(f);
    ++m_liveFaces;
    build_loops(*this, f, nodes);
    return f;
}

GmFace *GmGeom::add_face_loops(const std::vector<std::vector<GmNode *>> &loops, bool mark)
{
    GmFace *f = NewFace(m_faceStore, m_nextId);
    f->mark = mark ? 1 : 0;
    m_faces.push_back(f);
    ++m_liveFaces;
    for (const auto &l : loops) {
        if (l.empty()) {
            continue;
        }
        for (size_t i = 0; i < l.size(); ++i) {
            GmNode *a = l[i];
            GmNode *b = l[(i + 1) % l.size()];
            if (!find_edge(a, b)) {
                add_edge(a, b, true, false, false);
            }
        }
        make_loop(*this, f, l);
    }
    face_plane(f);
    return f;
}

GmFace *GmGeom::add_triangle(GmNode *a, GmNode *b, GmNode *c, bool mark)
{
    GmNode *nodes[3] = {a, b, c};
    return add_polygon(3, nodes, mark);
}

GmFace *GmGeom::add_polygon(int n, GmNode *const *nodes, bool mark)
{
    std::vector<GmNode *> seq(nodes, nodes + n);
    for (int i = 0; i < n; ++i) {
        if (!find_edge(seq[i], seq[(i + 1) % n])) {
            add_edge(seq[i], seq[(i + 1) % n], true, false, false);
        }
    }
    return add_face(seq, mark);
}

GmFace *GmGeom::clone_face(GmFace *f)
{
    GmFace *c = NewFace(m_faceStore, m_nextId);
    c->mark = f->mark;
    c->normal = f->normal;
    c->d = f->d;
    c->anchor = f->anchor;
    c->attributes = f->attributes;
    c->setGroup(f->group());
    c->origin = f;
    m_faces.push_back(c);
    ++m_liveFaces;
    m_splitPieces.push_back(c);
    return c;
}

GmFace *GmGeom::flip_edge(GmFace *f1, GmFace *f2, GmEdge *e)
{
    auto apex = [&](GmFace *f) -> GmNode * {
        if (f->ref_count != 3 || f->loops.size() != 1) {
            return nullptr;
        }
        GmNode *last = nullptr;
        for (GmNode *n : loop_nodes(f->loops[0])) {
            if (n != e->node1 && n != e->node2) {
                last = n;
            }
        }
        return last;
    };
    GmNode *a1 = apex(f1);
    GmNode *a2 = apex(f2);
    if (!a1 || !a2 || a1 == a2 || find_edge(a1, a2)) {
        return nullptr;
    }
    GmNode *n1 = e->node1, *n2 = e->node2;
    // Keep the orientation of f1: its loop runs n1 -> n2 or n2 -> n1.
    bool forward = false;
    for (GmEdgeRef *u : f1->loops[0]->uses) {
        if (u->edge == e) {
            forward = !u->reversed;
        }
    }
    remove_face(f1);
    remove_face(f2);
    remove_edge(e);
    add_edge(a1, a2, true, false);
    if (forward) {
        // f1 = (n1, n2, a1), f2 = (n2, n1, a2)
        add_triangle(a1, n1, a2, true);
        return add_triangle(a2, n2, a1, true);
    }
    add_triangle(a1, a2, n1, true);
    return add_triangle(a2, a1, n2, true);
}

GmShell *GmGeom::new_shell()
{
    m_shellStore.emplace_back();
    GmShell *s = &m_shellStore.back();
    s->id = m_nextId++;
    return s;
}

GmLoop *GmGeom::new_loop(GmFace *f)
{
    m_loopStore.emplace_back();
    GmLoop *l = &m_loopStore.back();
    l->face = f;
    return l;
}

GmEdgeRef *GmGeom::new_edge_ref(GmEdge *e, GmLoop *l, bool reversed)
{
    m_edgeRefStore.push_back(GmEdgeRef{e, l, reversed});
    return &m_edgeRefStore.back();
}

GmFaceRef *GmGeom::add_face_use(GmShell *shell, GmFace *face, int side)
{
    m_faceRefStore.emplace_back();
    GmFaceRef *r = &m_faceRefStore.back();
    r->face = face;
    r->shell = shell;
    r->side = side;
    shell->faces.push_back(r);
    if (!shell->hasReference && !face->loops.empty() && !face->loops[0]->uses.empty()) {
        shell->reference = face->loops[0]->uses.front()->start()->position;
        shell->hasReference = true;
    }
    double contribution = face_moment(face, shell->reference);
    shell->volume += side == 1 ? contribution : -contribution;
    return r;
}

GmSolid *GmGeom::new_solid()
{
    m_solidStore.emplace_back();
    GmSolid *s = &m_solidStore.back();
    s->kind = GM_SOLID;
    s->id = m_nextId++;
    s->mark = 1;
    m_solids.push_back(s);
    ++m_liveSolids;
    return s;
}

void GmGeom::add_shell_to_solid(GmSolid *solid, GmShell *shell)
{
    solid->shells.push_back(shell);
    shell->solid = solid;
    for (GmFaceRef *r : shell->faces) {
        (r->side == 0 ? r->face->front : r->face->back) = r;
    }
}

GmSolid *GmGeom::insert(GmShell *shell)
{
    GmSolid *s = new_solid();
    add_shell_to_solid(s, shell);
    if (shell->origin1 && shell->origin1->solid) {
        s->attributes = shell->origin1->solid->attributes;
    } else if (shell->origin2 && shell->origin2->solid) {
        s->attributes = shell->origin2->solid->attributes;
    }
    return s;
}

// ---------------------------------------------------------------- removal

void GmGeom::remove_node(GmNode *n)
{
    if (n->removed) {
        return;
    }
    for (GmEdge *e : std::vector<GmEdge *>(n->edges.begin(), n->edges.end())) {
        remove_edge(e);
    }
    unregister_from_grid(n);
    n->removed = 1;
    --m_liveNodes;
}

void GmGeom::remove_edge(GmEdge *e)
{
    if (e->removed) {
        return;
    }
    for (GmNode *n : {e->node1, e->node2}) {
        auto &ring = n->edges;
        ring.erase(std::remove(ring.begin(), ring.end(), e), ring.end());
    }
    e->removed = 1;
    --m_liveEdges;
}

void GmGeom::remove_face(GmFace *f)
{
    if (f->removed) {
        return;
    }
    for (GmLoop *l : f->loops) {
        for (GmEdgeRef *u : l->uses) {
            auto &uses = u->edge->uses;
            uses.erase(std::remove(uses.begin(), uses.end(), u), uses.end());
            u->edge->usesSorted = false;
        }
    }
    for (GmFaceRef **side : {&f->front, &f->back}) {
        if (GmFaceRef *r = *side) {
            auto &fs = r->shell->faces;
            fs.erase(std::remove(fs.begin(), fs.end(), r), fs.end());
            *side = nullptr;
        }
    }
    f->removed = 1;
    --m_liveFaces;
}

void GmGeom::remove_solid(GmSolid *s)
{
    if (s->removed) {
        return;
    }
    for (GmShell *sh : s->shells) {
        for (GmFaceRef *r : sh->faces) {
            GmFace *f = r->face;
            for (GmFaceRef **side : {&f->front, &f->back}) {
                if (*side && (*side)->shell == sh) {
                    *side = nullptr;
                }
            }
        }
        sh->solid = nullptr;
    }
    s->shells.clear();
    s->removed = 1;
    --m_liveSolids;
}

void GmGeom::remove_dangling(int what)
{
    switch (what) {
    case 0:
        for (GmNode *n : liveNodes()) {
            if (n->edges.empty()) {
                remove_node(n);
            }
        }
        break;
    case 1:
        for (GmEdge *e : liveEdges()) {
            if (e->uses.empty()) {
                remove_edge(e);
            }
        }
        break;
    case 2:
        for (GmFace *f : liveFaces()) {
            if (!f->front && !f->back) {
                remove_face(f);
            }
        }
        break;
    case 3:
        for (GmSolid *s : liveSolids()) {
            remove_solid(s);
        }
        break;
    default:
        break;
    }
}

void GmGeom::retireSolids()
{
    for (GmSolid *s : liveSolids()) {
        remove_solid(s);
        m_retiredSolids.push_back(s);
    }
    for (GmFace *f : liveFaces()) {
        f->front = nullptr;
        f->back = nullptr;
    }
}

template <typename T>
static void Compact(std::vector<T *> &v)
{
    v.erase(std::remove_if(v.begin(), v.end(), [](T *e) { return e->removed != 0; }), v.end());
}

void GmGeom::purge()
{
    Compact(m_nodes);
    Compact(m_edges);
    Compact(m_faces);
    Compact(m_solids);
    m_retiredSolids.clear();
}

void GmGeom::clear()
{
    for (GmSolid *s : liveSolids()) {
        remove_solid(s);
    }
    for (GmFace *f : liveFaces()) {
        remove_face(f);
    }
    for (GmEdge *e : liveEdges()) {
        remove_edge(e);
    }
    for (GmNode *n : liveNodes()) {
        remove_node(n);
    }
    purge();
    m_splitPieces.clear();
    m_registry.clear();
    m_bboxValid = false;
}

void GmGeom::release_pieces()
{
    for (GmBaseElm *e : m_splitPieces) {
        if (e->kind == GM_FACE) {
            static_cast<GmFace *>(e)->origin = static_cast<GmFace *>(e);
        } else if (e->kind == GM_EDGE) {
            static_cast<GmEdge *>(e)->origin = static_cast<GmEdge *>(e);
        }
    }
    m_splitPieces.clear();
}

// ---------------------------------------------------------------- registry

void GmGeom::register_pair(GmBaseElm *a, GmGeom &other, GmBaseElm *b)
{
    a->mate = b;
    b->mate = a;
    m_registry.push_back(a);
    other.m_registry.push_back(b);
}

void GmGeom::register_self(GmBaseElm *a)
{
    a->mate = a;
    m_registry.push_back(a);
}

void GmGeom::clean_registry(bool clearIt)
{
    std::vector<GmBaseElm *> byKind[4];
    for (GmBaseElm *e : m_registry) {
        if (e->kind <= GM_SOLID) {
            byKind[e->kind].push_back(e);
        }
    }
    if (clearIt) {
        m_registry.clear();
    }
    for (GmBaseElm *e : byKind[GM_SOLID]) {
        e->mate = nullptr;
        remove_solid(static_cast<GmSolid *>(e));
    }
    for (GmBaseElm *e : byKind[GM_FACE]) {
        e->mate = nullptr;
        auto *f = static_cast<GmFace *>(e);
        if (!f->front && !f->back) {
            remove_face(f);
        } else {
            f->mark = 0;
        }
    }
    for (GmBaseElm *e : byKind[GM_EDGE]) {
        e->mate = nullptr;
        auto *ed = static_cast<GmEdge *>(e);
        if (ed->uses.empty()) {
            remove_edge(ed);
        } else {
            ed->mark = 0;
        }
    }
    for (GmBaseElm *e : byKind[GM_NODE]) {
        e->mate = nullptr;
        auto *n = static_cast<GmNode *>(e);
        if (n->edges.empty()) {
            remove_node(n);
        } else {
            n->mark = 0;
        }
    }
}

// ---------------------------------------------------------------- geometry

void GmGeom::set_position(GmNode *n, const Vec3 &p)
{
    unregister_from_grid(n);
    n->position = p;
    register_in_grid(n);
    m_bboxValid = false;
}

void GmGeom::transform(const Mat3 &m, const Vec3 *t)
{
    double det = m.Determinant();
    if (!(std::abs(det) > 0.0) || !std::isfinite(det)) {
        internal_error("GmGeom::transform : singular matrix");
    }
    // The tolerance follows the scale: the longest a unit length becomes
    // (a turn leaves it as it is).
    double stretch = 0.0;
    for (int c = 0; c < 3; ++c) {
        stretch = std::max(stretch, (m * Vec3(c == 0 ? 1.0 : 0.0, c == 1 ? 1.0 : 0.0, c == 2 ? 1.0 : 0.0)).Length());
    }
    double reach = 0.0;
    for (GmNode *n : liveNodes()) {
        Vec3 p = m * n->position;
        if (t) {
            p += *t;
        }
        n->position = p;
        reach = std::max({reach, std::abs(p.x), std::abs(p.y), std::abs(p.z)});
    }
    if (std::isfinite(stretch) && std::abs(stretch - 1.0) > 1e-9) {
        m_tolerance = std::max(m_tolerance * stretch, kGmCoordinatePrecision * reach);
        m_tolerance2 = m_tolerance * m_tolerance;
        m_gridCell = m_tolerance * 4.0;
    }
    m_grid.clear();
    for (GmNode *n : liveNodes()) {
        register_in_grid(n);
    }
    if (det < 0.0) {
        // A mirror turns every loop around. The loops are reversed so that
        // faces keep pointing out of their solids and the shells keep their
        // sides; the volume stays positive.
        for (GmFace *f : liveFaces()) {
            for (GmLoop *l : f->loops) {
                std::reverse(l->uses.begin(), l->uses.end());
                for (GmEdgeRef *u : l->uses) {
                    u->reversed = !u->reversed;
                }
                l->area_valid = false;
            }
            f->area_valid = false;
        }
    }
    m_bboxValid = false;
    update();
}

void GmGeom::translate(const Vec3 &t)
{
    transform(Mat3::Identity(), &t);
}

void GmGeom::update()
{
    for (GmFace *f : liveFaces()) {
        for (GmLoop *l : f->loops) {
            l->area_valid = false;
        }
        f->area_valid = false;
        face_plane(f);
    }
    for (GmSolid *s : liveSolids()) {
        for (GmShell *sh : s->shells) {
            sh->volume = shell_volume(sh);
        }
    }
}

void GmGeom::compute_bbox()
{
    m_bbox = GmBox();
    for (GmNode *n : liveNodes()) {
        m_bbox.extend(n->position);
    }
    m_bbox = m_bbox.widened(m_tolerance);
    m_bboxValid = true;
}

const GmBox &GmGeom::get_bbox()
{
    if (!m_bboxValid) {
        compute_bbox();
    }
    return m_bbox;
}

double GmGeom::volume()
{
    double v = 0.0;
    for (GmSolid *s : liveSolids()) {
        for (GmShell *sh : s->shells) {
            v += shell_volume(sh);
        }
    }
    return v;
}

double GmGeom::area()
{
    double a = 0.0;
    for (GmFace *f : liveFaces()) {
        a += face_area(f);
    }
    return a;
}

void GmGeom::mergeSolids()
{
    std::vector<GmSolid *> solids = liveSolids();
    if (solids.size() < 2) {
        return;
    }
    GmSolid *first = solids[0];
    for (size_t i = 1; i < solids.size(); ++i) {
        for (GmShell *sh : solids[i]->shells) {
            first->shells.push_back(sh);
            sh->solid = first;
        }
        solids[i]->shells.clear();
    }
    for (size_t i = solids.size() - 1; i >= 1; --i) {
        solids[i]->removed = 1;
        --m_liveSolids;
    }
}

int GmGeom::shellCount() const
{
    int n = 0;
    for (GmSolid *s : liveSolids()) {
        n += static_cast<int>(s->shells.size());
    }
    return n;
}

template <typename T>
static std::vector<T *> Live(const std::vector<T *> &v)
{
    std::vector<T *> out;
    out.reserve(v.size());
    for (T *e : v) {
        if (!e->removed) {
            out.push_back(e);
        }
    }
    return out;
}

std::vector<GmNode *> GmGeom::liveNodes() const { return Live(m_nodes); }
std::vector<GmEdge *> GmGeom::liveEdges() const { return Live(m_edges); }
std::vector<GmFace *> GmGeom::liveFaces() const { return Live(m_faces); }
std::vector<GmSolid *> GmGeom::liveSolids() const { return Live(m_solids); }

}  // namespace solvane

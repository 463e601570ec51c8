#include "engine/nodes/geometry/skeleton/StraightSkeleton.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <queue>
#include <tuple>
#include <unordered_map>

#include "platform/SgDiagnostics.h"

namespace {

// Plan x, plan y and height.
struct P3 {
    double x = 0.0, y = 0.0, h = 0.0;
    P3() = default;
    P3(double x_, double y_, double h_) : x(x_), y(y_), h(h_) {}
    P3 operator+(const P3 &o) const { return {x + o.x, y + o.y, h + o.h}; }
    P3 operator-(const P3 &o) const { return {x - o.x, y - o.y, h - o.h}; }
    P3 operator*(double s) const { return {x * s, y * s, h * s}; }
    double Dot(const P3 &o) const { return x * o.x + y * o.y + h * o.h; }
    P3 Cross(const P3 &o) const { return {y * o.h - h * o.y, h * o.x - x * o.h, x * o.y - y * o.x}; }
    double Length() const { return std::sqrt(Dot(*this)); }
    bool Finite() const { return std::isfinite(x) && std::isfinite(y) && std::isfinite(h); }
};

double Cross2(double ax, double ay, double bx, double by)
{
    return ax * by - ay * bx;
}

// A key for a cell of a plan grid, or for a pair of indices.
unsigned long long PairKey(long long a, long long b)
{
    return (static_cast<unsigned long long>(a) << 32) ^ (static_cast<unsigned long long>(b) & 0xffffffffULL);
}

unsigned long long CellKey(double x, double y, double size, int dx = 0, int dy = 0)
{
    return PairKey(static_cast<long long>(std::floor(x / size)) + dx,
                   static_cast<long long>(std::floor(y / size)) + dy);
}

// A contour edge and its roof plane N . p = d, with N = (t n, -1) for the
// inward normal n and t = |tan slope|: the plane holds the edge at height 0
// and rises inward at the slope.
struct Edge {
    P3 a, b;       // base ends, height 0
    double ux, uy; // unit direction
    double nx, ny; // inward unit normal
    double t;
    P3 N;
    double d;
};

// A place where a reflex corner's trace reaches an edge's plane.
struct SplitCandidate {
    double h;
    int edge;
    P3 point;
    bool operator<(const SplitCandidate &o) const { return h != o.h ? h < o.h : edge < o.edge; }
};

struct Vertex {
    // The lowest split candidates not tried yet, in order; when they run out
    // and more were left out, the search runs again above the last one.
    std::vector<SplitCandidate> candidates;
    size_t nextCandidate = 0;
    bool allCandidates = false;
    P3 pos;
    int left = -1, right = -1; // edges
    Vertex *prev = nullptr, *next = nullptr;
    P3 dir; // unit trace direction, rising (or level along a ridge)
    bool active = true;
    bool reflex = false;
    int node = -1;
    int lav = 0;
    // Place in the list of the resolution round `round`.
    long round = -1;
    int slot = -1;
};

struct Event {
    double h;
    // h on a grid fine enough to tell events apart but coarse enough that
    // events met at one height by different computations count as one
    // height: then edge events go before split events (a reflex corner that
    // reaches a ridge end is met by that end, not split against its edge).
    long long level;
    // Within one height, how far along ridges (level traces) the event
    // lies: a level trace passes all its events at one height, nearest
    // first.
    double travel;
    long seq;
    int type; // 0 edge, 1 split
    Vertex *a;
    Vertex *b;
    int edge;
    P3 point;
    // For a split event, the candidate's own height (h is never below the
    // height already reached): where the search for the next one resumes,
    // so that candidates of that very height are not lost to rounding.
    double from = 0.0;
    bool operator<(const Event &o) const
    {
        // The priority queue keeps the greatest on top: the lowest event.
        if (level != o.level)
            return level > o.level;
        if (travel != o.travel)
            return travel > o.travel;
        if (type != o.type)
            return type > o.type;
        return seq > o.seq;
    }
};

struct Arc {
    int from, to;
    int faceA, faceB;
};

class Solver {
public:
    Solver(const std::vector<P3> &corners, const std::vector<double> &slopes, double scale)
        : m_scale(scale), m_tol(1e-9 * scale), m_near(1e-7 * scale)
    {
        const int n = int(corners.size());
        m_edges.resize(size_t(n));
        for (int i = 0; i < n; ++i) {
            Edge &e = m_edges[size_t(i)];
            e.a = corners[size_t(i)];
            e.b = corners[size_t((i + 1) % n)];
            const double dx = e.b.x - e.a.x, dy = e.b.y - e.a.y;
            const double len = std::hypot(dx, dy);
            e.ux = dx / len;
            e.uy = dy / len;
            e.nx = -e.uy;
            e.ny = e.ux;
            e.t = std::fabs(std::tan(slopes[size_t(i)]));
            // A vertical wall would need an infinite tangent: a very steep
            // plane stands in for it (a right angle in radians is never
            // exactly pi/2 anyway).
            if (!(e.t <= 1e8))
                e.t = 1e8;
            e.N = P3(e.t * e.nx, e.t * e.ny, -1.0);
            e.d = e.t * (e.nx * e.a.x + e.ny * e.a.y);
        }
    }

    bool Run(std::string &error, CStraightSkeleton::Statistics &stats);
    std::vector<P3> m_nodePositions;
    std::vector<Arc> m_arcs;

private:
    P3 TraceDirection(int l, int r) const;
    static double LevelTravel(const Vertex *v, const P3 &p)
    {
        return v->dir.h == 0.0 ? std::hypot(p.x - v->pos.x, p.y - v->pos.y) : 0.0;
    }
    // Whether two edges have one roof plane (collinear, one slope).
    bool PlanesAlike(int i, int j) const
    {
        const Edge &a = m_edges[size_t(i)], &b = m_edges[size_t(j)];
        return a.N.Cross(b.N).Length() <= 1e-12 * a.N.Length() * b.N.Length() &&
               std::fabs(a.d * b.N.h - b.d * a.N.h) <= 1e-12 * (std::fabs(a.d) + std::fabs(b.d) + m_scale);
    }
    // Whether a point lies on a vertex's trace line (within rounding).
    bool OnTrace(const Vertex *v, const P3 &p) const
    {
        const P3 q = p - v->pos;
        return q.Cross(v->dir).Length() <= 1e-7 * m_scale + 1e-7 * q.Length();
    }
    long long Level(double h) const
    {
        // Traces that nearly run level meet far above the roof: such heights
        // keep their order rather than overflow the grid.
        const double level = h / (1e-12 * m_scale);
        constexpr long long kFar = 4000000000000000000LL;
        return std::fabs(level) < 4e18 ? std::llround(level) : level > 0.0 ? kFar : -kFar;
    }
    bool IsReflex(int l, int r) const
    {
        const Edge &a = m_edges[size_t(l)], &b = m_edges[size_t(r)];
        return Cross2(a.ux, a.uy, b.ux, b.uy) < -1e-12;
    }
    Vertex *NewVertex(const P3 &pos, int l, int r, int node);
    int NewNode(const P3 &p)
    {
        m_nodePositions.push_back(p);
        return int(m_nodePositions.size()) - 1;
    }
    void AddArc(Vertex *v, int node)
    {
        m_arcs.push_back({v->node, node, v->left, v->right});
    }
    // Where the traces of two neighbours meet, ahead of both.
    bool TraceMeeting(const Vertex *x, const Vertex *y, P3 &out) const;
    void PushEdgeEvent(Vertex *x);
    // The lowest place above (hmin, emin) where v's trace reaches the plane
    // of an edge it may split.
    void PushSplitEvent(Vertex *v, double hmin, int emin);
    void PushEvents(Vertex *v);
    bool InSegment(const Vertex *x, const P3 &p) const;
    int LavSize(Vertex *v, int label);
    bool HandleEdge(const Event &e);
    bool HandleSplit(const Event &e);
    // Where a vertex's trace stands at height h (its place now for a level
    // trace).
    P3 At(const Vertex *v, double h) const
    {
        if (v->dir.h <= 0.0)
            return v->pos;
        return v->pos + v->dir * ((h - v->pos.h) / v->dir.h);
    }
    void Push(const Event &e) { m_queue.push(e); }
    // Whether an event can be handled on its own: nothing else of the
    // wavefront stands at its point, and the corner it makes is no ridge
    // between two edges that meet head-on.
    bool IsPlain(const Event &e);
    // The active corner whose wavefront edge a split event lands on, or none.
    Vertex *SplitTarget(const Event &e) const;
    bool Apart(const Vertex *v, const P3 &p, double h) const
    {
        const P3 q = At(v, h);
        return std::hypot(q.x - p.x, q.y - p.y) > m_near;
    }
    // Whether a corner between these edges would join two edges that run
    // head-on over each other (they bound nothing between them).
    bool HeadOn(int l, int r) const
    {
        const Edge &a = m_edges[size_t(l)], &b = m_edges[size_t(r)];
        return a.ux * b.ux + a.uy * b.uy < -1.0 + 1e-12;
    }
    // Everything that happens at height h in the parts of the wavefront that
    // the events touch, taken at once: the wavefront is cut where its
    // corners meet or land on its edges, edges that run over each other
    // head-on cancel into ridges, and the corners are rejoined round each
    // meeting point. False, with `error` set, when the wavefront there is
    // not a set of closed loops that can be joined up.
    bool Resolve(const std::vector<Event> &events, double h, std::string &error);
    // Its steps, in order; the false ones set the round's error.
    struct ResolveRound;
    bool GatherRoundCorners(const std::vector<Event> &events, ResolveRound &r);
    bool PlaceRoundCorners(const std::vector<Event> &events, ResolveRound &r);
    void MarkEventfulCorners(const std::vector<Event> &events, ResolveRound &r) const;
    bool CutWavefront(ResolveRound &r);
    void GroupPlaces(ResolveRound &r) const;
    bool CutEdgesAtPlaces(ResolveRound &r, bool &again);
    void FindPlacesOnEdge(ResolveRound &r, const Vertex *v, double length, bool ends, bool &again);
    // The skeleton node of a place, made when first asked for.
    int PlaceNode(ResolveRound &r, int k);
    bool CancelHeadOnPieces(ResolveRound &r);
    void EndCornersAtPlaces(ResolveRound &r);
    bool JoinCornersRoundPlaces(ResolveRound &r);
    bool RelinkPieces(ResolveRound &r);
    bool RequeueAfterRound(const std::vector<Event> &events, ResolveRound &r);
    void CloseSmallLav(Vertex *v);

    double m_scale;
    double m_tol;
    // Places closer than this at one height are one place.
    double m_near;
    long m_round = 0;
    std::vector<Edge> m_edges;
    std::deque<Vertex> m_vertices;
    std::vector<std::vector<Vertex *>> m_byEdge; // active vertices by right edge
    std::priority_queue<Event> m_queue;
    long m_seq = 0;
    int m_lavCount = 1;
    double m_height = 0.0;
    CStraightSkeleton::Statistics *m_stats = nullptr;
};

P3 Solver::TraceDirection(int l, int r) const
{
    const Edge &a = m_edges[size_t(l)], &b = m_edges[size_t(r)];
    P3 d = a.N.Cross(b.N);
    const double size = a.N.Length() * b.N.Length();
    if (d.Length() <= 1e-9 * size) {
        // One plane (collinear edges of one slope): straight inward, up the
        // plane. Within rounding of the input too (walls written with a
        // dozen digits): two planes that nearly coincide meet along a line
        // that runs off almost level, and a corner on it would race along
        // the wall.
        d = P3(a.nx, a.ny, a.t);
    } else if (std::fabs(d.h) <= 1e-12 * d.Length()) {
        // Level (a ridge between parallel edges): along the ridge away from
        // where the edges turned.
        d.h = 0.0;
        const double wx = b.ux - a.ux, wy = b.uy - a.uy;
        if (d.x * wx + d.y * wy < 0.0)
            d = d * -1.0;
    } else if (d.h < 0.0) {
        d = d * -1.0;
    }
    const double len = d.Length();
    return len > 0.0 ? d * (1.0 / len) : P3(a.nx, a.ny, 0.0);
}

Vertex *Solver::NewVertex(const P3 &pos, int l, int r, int node)
{
    m_vertices.emplace_back();
    Vertex *v = &m_vertices.back();
    v->pos = pos;
    v->left = l;
    v->right = r;
    v->dir = TraceDirection(l, r);
    v->reflex = IsReflex(l, r);
    v->node = node;
    m_byEdge[size_t(r)].push_back(v);
    return v;
}

bool Solver::TraceMeeting(const Vertex *x, const Vertex *y, P3 &out) const
{
    // Both traces lie in the plane of the edge between them. Where x's trace
    // reaches the plane of y's other edge is where they meet: a crossing of
    // a line with a fixed plane, well conditioned even when the two traces
    // run nearly alike.
    auto reach = [this](const Vertex *v, int plane, P3 &point) {
        const Edge &e = m_edges[size_t(plane)];
        const double along = e.N.Dot(v->dir);
        if (std::fabs(along) < 1e-12 * e.N.Length())
            return false;
        const double s = (e.d - e.N.Dot(v->pos)) / along;
        if (!(s >= -m_tol))
            return false;
        point = v->pos + v->dir * std::max(s, 0.0);
        return point.Finite();
    };
    // Neighbours already at one place (two corners of a split, or a split
    // that landed on a corner) meet where they stand.
    if ((x->pos - y->pos).Length() <= m_tol * 10.0) {
        out = (x->pos + y->pos) * 0.5;
        return true;
    }
    auto ahead = [this](const Vertex *v, const P3 &p) { return (p - v->pos).Dot(v->dir) >= -m_tol * 10.0; };
    const bool sameLeft = PlanesAlike(x->left, y->right);
    P3 p;
    if (!sameLeft && reach(x, y->right, p) && ahead(y, p) && OnTrace(y, p)) {
        out = p;
        return true;
    }
    if (!sameLeft && reach(y, x->left, p) && ahead(x, p) && OnTrace(x, p)) {
        out = p;
        return true;
    }
    // Closest points of the two lines, for traces that no other plane cuts
    // (along a common plane).
    const P3 w = x->pos - y->pos;
    const double a = x->dir.Dot(x->dir), b = x->dir.Dot(y->dir), c = y->dir.Dot(y->dir);
    const double d = x->dir.Dot(w), e = y->dir.Dot(w);
    const double den = a * c - b * b;
    if (den <= 1e-14)
        return false;
    const double s = (b * e - c * d) / den;
    const double t = (a * e - b * d) / den;
    if (s < -m_tol || t < -m_tol)
        return false;
    const P3 px = x->pos + x->dir * std::max(s, 0.0);
    const P3 py = y->pos + y->dir * std::max(t, 0.0);
    if ((px - py).Length() > 1e-6 * m_scale)
        return false;
    out = (px + py) * 0.5;
    return out.Finite();
}

void Solver::PushEdgeEvent(Vertex *x)
{
    Vertex *y = x->next;
    if (!y || y == x)
        return;
    P3 p;
    if (!TraceMeeting(x, y, p))
        return;
    const double h = std::max(p.h, m_height);
    Push({h, Level(h), LevelTravel(x, p) + LevelTravel(y, p), m_seq++, 0, x, y, x->right, p});
}

void Solver::PushSplitEvent(Vertex *v, double hmin, int emin)
{
    if (!v->reflex)
        return;
    auto above = [&](double h, int e) { return h > hmin || (h == hmin && e > emin); };
    for (;;) {
        while (v->nextCandidate < v->candidates.size()) {
            const SplitCandidate &c = v->candidates[v->nextCandidate++];
            if (!above(c.h, c.edge))
                continue;
            const double h = std::max(c.h, m_height);
            Push({h, Level(h), LevelTravel(v, c.point), m_seq++, 1, v, nullptr, c.edge, c.point, c.h});
            return;
        }
        if (v->allCandidates)
            return;
        // Every edge's plane, once: the lowest few are kept in order, so
        // that a candidate found stale costs no new search.
        constexpr size_t kKept = 24;
        std::vector<SplitCandidate> found;
        for (int i = 0; i < int(m_edges.size()); ++i) {
            if (i == v->left || i == v->right)
                continue;
            const Edge &e = m_edges[size_t(i)];
            const double along = e.N.Dot(v->dir);
            if (std::fabs(along) < 1e-12)
                continue;
            const double s = (e.d - e.N.Dot(v->pos)) / along;
            if (!(s > m_tol))
                continue;
            const P3 p = v->pos + v->dir * s;
            if (!p.Finite())
                continue;
            // In front of the edge's base.
            if ((p.x - e.a.x) * e.nx + (p.y - e.a.y) * e.ny < -m_tol)
                continue;
            if (!above(p.h, i))
                continue;
            found.push_back({p.h, i, p});
        }
        v->allCandidates = found.size() <= kKept;
        if (!v->allCandidates) {
            std::nth_element(found.begin(), found.begin() + kKept, found.end());
            found.resize(kKept);
        }
        std::sort(found.begin(), found.end());
        if (found.empty())
            return;
        v->candidates = std::move(found);
        v->nextCandidate = 0;
        hmin = -HUGE_VAL;
        emin = -1;
    }
}

void Solver::PushEvents(Vertex *v)
{
    PushEdgeEvent(v->prev);
    PushEdgeEvent(v);
    PushSplitEvent(v, -HUGE_VAL, -1);
}

bool Solver::InSegment(const Vertex *x, const P3 &p) const
{
    const Vertex *y = x->next;
    const Edge &e = m_edges[size_t(x->right)];
    // The side of each end's trace that the edge lies on.
    auto inside = [&](const Vertex *end, double refx, double refy) {
        const double px = end->dir.x, py = end->dir.y;
        const double plan = std::hypot(px, py);
        const double qx = p.x - end->pos.x, qy = p.y - end->pos.y;
        if (plan < 1e-9) // a vertical trace: along the edge instead
            return qx * refx + qy * refy >= -m_tol * 10.0;
        const double side = Cross2(px, py, qx, qy) / plan;
        const double ref = Cross2(px, py, refx, refy);
        return side * (ref >= 0.0 ? 1.0 : -1.0) >= -m_tol * 10.0;
    };
    return inside(x, e.ux, e.uy) && inside(y, -e.ux, -e.uy);
}

int Solver::LavSize(Vertex *v, int label)
{
    int size = 0;
    Vertex *w = v;
    do {
        w->lav = label;
        ++size;
        w = w->next;
        if (size > int(m_vertices.size()) + 1)
            return -1; // a broken list
    } while (w != v);
    return size;
}

void Solver::CloseSmallLav(Vertex *v)
{
    // Two corners left: they face each other across a ridge.
    Vertex *w = v->next;
    m_arcs.push_back({v->node, w->node, v->right, v->left});
    v->active = w->active = false;
}

Vertex *Solver::SplitTarget(const Event &ev) const
{
    const Vertex *v = ev.a;
    for (Vertex *w : m_byEdge[size_t(ev.edge)]) {
        if (!w->active || w->right != ev.edge || w->lav != v->lav || w == v || w->next == v)
            continue;
        if (InSegment(w, ev.point))
            return w;
    }
    return nullptr;
}

bool Solver::IsPlain(const Event &ev)
{
    const P3 &p = ev.point;
    if (ev.type == 0) {
        Vertex *x = ev.a, *y = ev.b, *z = x->prev;
        if (z == y || z->prev == y)
            return true;
        return Apart(z, p, ev.h) && Apart(y->next, p, ev.h) && !HeadOn(x->left, y->right);
    }
    Vertex *v = ev.a;
    Vertex *x = SplitTarget(ev);
    if (!x)
        return true;
    return Apart(x, p, ev.h) && Apart(x->next, p, ev.h) && Apart(v->prev, p, ev.h) && Apart(v->next, p, ev.h) &&
           !HeadOn(v->left, ev.edge) && !HeadOn(ev.edge, v->right);
}

// What the steps of one Resolve hand on: the corners of the loops the
// events touch (slot i of each corner), where they stand now, the places
// where they meet, and the pieces of the wavefront edges between places.
struct Solver::ResolveRound {
    struct Place {
        double x = 0.0, y = 0.0;
        int members = 0;
        int corner = -1; // one of them
        bool onEdge = false;
        int node = -1;
        bool eventful = false;
        std::vector<int> in, out; // pieces that end and start here
    };
    struct Piece {
        int from, to, edge;
        Vertex *first, *last; // the corners at its ends that stay, if any
        bool gone = false;
    };

    ResolveRound(long roundNumber, double height, std::string &errorText)
        : round(roundNumber), h(height), error(errorText)
    {
    }

    bool Fail(const char *text)
    {
        error = text;
        return false;
    }
    int Root(int i)
    {
        while (parent[size_t(i)] != i)
            i = parent[size_t(i)] = parent[size_t(parent[size_t(i)])];
        return i;
    }
    // A place where anything happens: corners meet there or land on an edge.
    bool Active(int k) const { return places[size_t(k)].members > 1 || places[size_t(k)].onEdge; }
    const Place &PlaceOfCorner(const Vertex *v) const { return places[size_t(placeOf[size_t(v->slot)])]; }

    const long round;
    const double h;
    std::string &error;
    std::vector<Vertex *> corners;
    size_t count = 0;
    std::vector<double> px, py;
    std::vector<int> parent;
    std::vector<char> eventful;
    std::vector<Place> places;
    std::vector<int> placeOf, placeOfRoot;
    std::vector<Piece> pieces;
    int vanished = 0;
    // The cell size of the search for places along edges.
    double coarse = 0.0;
    // Places by cell; those near the events by cell, and as a list.
    std::unordered_map<unsigned long long, std::vector<int>> byCell, fewByCell;
    std::vector<int> few;
    std::vector<std::pair<double, int>> hits;
    // The corners made round the places, and the new corner at each end of
    // each piece.
    std::vector<Vertex *> made;
    std::vector<Vertex *> startOf, endOf;
    // The corners whose loops changed: their events are looked for again.
    std::vector<Vertex *> touched;
};

bool Solver::Resolve(const std::vector<Event> &events, double h, std::string &error)
{
    ResolveRound r(++m_round, h, error);
    if (!GatherRoundCorners(events, r))
        return false;
    if (r.count == 0)
        return true;
    if (!PlaceRoundCorners(events, r))
        return false;
    MarkEventfulCorners(events, r);
    if (!CutWavefront(r) || !CancelHeadOnPieces(r))
        return false;
    EndCornersAtPlaces(r);
    if (!JoinCornersRoundPlaces(r) || !RelinkPieces(r))
        return false;
    return RequeueAfterRound(events, r);
}

// The loops the events touch, each corner once.
bool Solver::GatherRoundCorners(const std::vector<Event> &events, ResolveRound &r)
{
    for (const Event &ev : events) {
        for (Vertex *start : {ev.a, ev.b}) {
            if (!start || !start->active || start->round == r.round)
                continue;
            Vertex *w = start;
            do {
                if (!w || !w->active || w->round == r.round)
                    return r.Fail("the wavefront's corner lists broke");
                w->round = r.round;
                w->slot = int(r.corners.size());
                r.corners.push_back(w);
                w = w->next;
            } while (w != start);
        }
    }
    r.count = r.corners.size();
    return true;
}

// Where each corner stands now. A corner along a level ridge is somewhere
// on its way only at the height it was made at.
bool Solver::PlaceRoundCorners(const std::vector<Event> &events, ResolveRound &r)
{
    const size_t count = r.count;
    r.px.assign(count, 0.0);
    r.py.assign(count, 0.0);
    for (size_t i = 0; i < count; ++i) {
        if (r.corners[i]->dir.h <= 0.0 && std::fabs(r.corners[i]->pos.h - r.h) > m_near)
            return r.Fail("a corner along a level ridge was left behind");
        const P3 q = At(r.corners[i], r.h);
        if (!q.Finite())
            return r.Fail("a corner of the wavefront ran off to infinity");
        r.px[i] = q.x;
        r.py[i] = q.y;
    }
    // The events' own corners stand where the events put them: a corner
    // that moves fast in plan (between edges that nearly run on in one
    // line) is found there more surely than from its height.
    for (const Event &ev : events)
        for (Vertex *v : {ev.a, ev.b})
            if (v && v->active && v->round == r.round) {
                r.px[size_t(v->slot)] = ev.point.x;
                r.py[size_t(v->slot)] = ev.point.y;
            }
    return true;
}

// Corners at the events' points may land on edges anywhere; a corner away
// from them lands on an edge only as the far end of an edge that runs
// head-on over it. Elsewhere corners and edges that come within the
// tolerance of each other (a sharp spike's sides near its tip) are left to
// the events still to come.
void Solver::MarkEventfulCorners(const std::vector<Event> &events, ResolveRound &r) const
{
    const double reach = 10.0 * m_near;
    std::unordered_map<unsigned long long, std::vector<const Event *>> eventsAt;
    for (const Event &ev : events)
        eventsAt[CellKey(ev.point.x, ev.point.y, reach)].push_back(&ev);
    r.eventful.assign(r.count, 0);
    for (size_t i = 0; i < r.count; ++i)
        for (int dx = -1; dx <= 1 && !r.eventful[i]; ++dx)
            for (int dy = -1; dy <= 1 && !r.eventful[i]; ++dy) {
                const auto it = eventsAt.find(CellKey(r.px[i], r.py[i], reach, dx, dy));
                if (it == eventsAt.end())
                    continue;
                for (const Event *ev : it->second)
                    if (std::hypot(ev->point.x - r.px[i], ev->point.y - r.py[i]) <= reach)
                        r.eventful[i] = 1;
            }
}

// Corners that meet are at one place wherever they are; a corner elsewhere
// that lands on an edge comes in where edges that meet head-on reach it (a
// corridor closing along its length): the places are made again until no
// more do.
bool Solver::CutWavefront(ResolveRound &r)
{
    r.parent.assign(r.count, 0);
    r.placeOf.assign(r.count, -1);
    r.placeOfRoot.assign(r.count, -1);
    double perimeter = 0.0;
    for (size_t i = 0; i < r.count; ++i) {
        const size_t j = size_t(r.corners[i]->next->slot);
        perimeter += std::hypot(r.px[j] - r.px[i], r.py[j] - r.py[i]);
    }
    r.coarse = std::max(4.0 * m_near, perimeter / double(r.count));
    for (bool again = true; again;) {
        again = false;
        GroupPlaces(r);
        if (!CutEdgesAtPlaces(r, again))
            return false;
    }
    return true;
}

// Corners within the tolerance of each other stand at one place, at their
// mean.
void Solver::GroupPlaces(ResolveRound &r) const
{
    const size_t count = r.count;
    for (size_t i = 0; i < count; ++i)
        r.parent[i] = int(i);
    std::unordered_map<unsigned long long, std::vector<int>> fine;
    fine.reserve(count);
    for (size_t i = 0; i < count; ++i)
        fine[CellKey(r.px[i], r.py[i], m_near)].push_back(int(i));
    for (size_t i = 0; i < count; ++i)
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                const auto it = fine.find(CellKey(r.px[i], r.py[i], m_near, dx, dy));
                if (it == fine.end())
                    continue;
                for (int j : it->second)
                    if (std::hypot(r.px[size_t(j)] - r.px[i], r.py[size_t(j)] - r.py[i]) <= m_near)
                        r.parent[size_t(r.Root(j))] = r.Root(int(i));
            }
    r.places.clear();
    std::fill(r.placeOfRoot.begin(), r.placeOfRoot.end(), -1);
    for (size_t i = 0; i < count; ++i) {
        const int root = r.Root(int(i));
        if (r.placeOfRoot[size_t(root)] < 0) {
            r.placeOfRoot[size_t(root)] = int(r.places.size());
            r.places.emplace_back();
            r.places.back().corner = int(i);
        }
        ResolveRound::Place &place = r.places[size_t(r.placeOfRoot[size_t(root)])];
        r.placeOf[i] = r.placeOfRoot[size_t(root)];
        place.eventful = place.eventful || r.eventful[i] != 0 || place.members > 0;
        place.x += r.px[i];
        place.y += r.py[i];
        ++place.members;
    }
    for (ResolveRound::Place &place : r.places) {
        place.x /= place.members;
        place.y /= place.members;
    }
}

// The wavefront edges as they stand, cut at every place that lies on one
// between its ends (a corner landing on it). Edges whose ends stand at one
// place have shrunk to nothing. An edge away from the events can only have
// places at the events land on it, or the far end of an edge from an event:
// looking for those alone keeps a pass over a large wavefront with a few
// events short.
bool Solver::CutEdgesAtPlaces(ResolveRound &r, bool &again)
{
    std::vector<char> nearEvent(r.places.size(), 0);
    for (size_t i = 0; i < r.count; ++i)
        if (r.places[size_t(r.placeOf[i])].eventful) {
            nearEvent[size_t(r.placeOf[i])] = 1;
            nearEvent[size_t(r.placeOf[size_t(r.corners[i]->prev->slot)])] = 1;
            nearEvent[size_t(r.placeOf[size_t(r.corners[i]->next->slot)])] = 1;
        }
    r.byCell.clear();
    r.fewByCell.clear();
    r.few.clear();
    r.byCell.reserve(r.places.size());
    for (size_t k = 0; k < r.places.size(); ++k) {
        const unsigned long long key = CellKey(r.places[k].x, r.places[k].y, r.coarse);
        r.byCell[key].push_back(int(k));
        if (nearEvent[k]) {
            r.fewByCell[key].push_back(int(k));
            r.few.push_back(int(k));
        }
    }
    // A handful are tried against each edge directly.
    if (r.few.size() <= 16)
        r.fewByCell.clear();
    r.pieces.clear();
    r.vanished = 0;
    for (size_t i = 0; i < r.count; ++i) {
        Vertex *v = r.corners[i];
        const int a = r.placeOf[i], b = r.placeOf[size_t(v->next->slot)];
        if (a == b) {
            ++r.vanished;
            continue;
        }
        const Edge &e = m_edges[size_t(v->right)];
        const ResolveRound::Place &A = r.places[size_t(a)], &B = r.places[size_t(b)];
        const double length = (B.x - A.x) * e.ux + (B.y - A.y) * e.uy;
        const bool ends = A.eventful || B.eventful;
        if (!(length > m_near) || std::fabs(e.ux * (B.y - A.y) - e.uy * (B.x - A.x)) > 10.0 * m_near) {
            if (ends)
                return r.Fail("a wavefront edge turned round");
            // Nothing happens to it now; what it is about to do is an event
            // still to come.
            r.pieces.push_back({a, b, v->right, v, v->next});
            continue;
        }
        FindPlacesOnEdge(r, v, length, ends, again);
        int from = a;
        Vertex *first = v;
        for (const auto &hit : r.hits) {
            r.places[size_t(hit.second)].onEdge = true;
            r.pieces.push_back({from, hit.second, v->right, first, nullptr});
            from = hit.second;
            first = nullptr;
        }
        r.pieces.push_back({from, b, v->right, first, v->next});
    }
    return true;
}

// The places on the edge that leaves corner v, in order along it: sampled
// along the edge in cells of the coarse grid, or tried directly when only a
// handful are near the events.
void Solver::FindPlacesOnEdge(ResolveRound &r, const Vertex *v, double length, bool ends, bool &again)
{
    const int a = r.placeOf[size_t(v->slot)], b = r.placeOf[size_t(v->next->slot)];
    const Edge &e = m_edges[size_t(v->right)];
    const ResolveRound::Place &A = r.places[size_t(a)];
    r.hits.clear();
    const bool direct = !ends && r.fewByCell.empty();
    const auto &lookIn = ends ? r.byCell : r.fewByCell;
    const int samples = direct ? 0 : int(std::ceil(length / (0.5 * r.coarse))) + 1;
    for (int s = 0; s <= samples; ++s) {
        const double t = samples > 0 ? length * s / samples : 0.0;
        const double qx = A.x + e.ux * t, qy = A.y + e.uy * t;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                const std::vector<int> *list = &r.few;
                if (!direct) {
                    const auto it = lookIn.find(CellKey(qx, qy, r.coarse, dx, dy));
                    if (it == lookIn.end())
                        continue;
                    list = &it->second;
                } else if (dx != 0 || dy != 0) {
                    continue;
                }
                for (int k : *list) {
                    if (k == a || k == b)
                        continue;
                    const ResolveRound::Place &K = r.places[size_t(k)];
                    const double rx = K.x - A.x, ry = K.y - A.y;
                    const double along = rx * e.ux + ry * e.uy, off = e.ux * ry - e.uy * rx;
                    if (!(std::fabs(off) <= m_near && along > m_near && along < length - m_near))
                        continue;
                    if (!K.eventful) {
                        // Away from the events only the end of an edge that
                        // runs head-on over this one from an event, or over
                        // this one from its ends, lands on it (elsewhere, a
                        // sharp spike's tip is near its sides without
                        // touching them).
                        const Vertex *w = r.corners[size_t(K.corner)];
                        auto from = [&](const Vertex *u) { return ends || r.PlaceOfCorner(u).eventful; };
                        if (!(HeadOn(w->left, v->right) && from(w->prev)) &&
                            !(HeadOn(w->right, v->right) && from(w->next)))
                            continue;
                        r.eventful[size_t(K.corner)] = 1;
                        again = true;
                    }
                    r.hits.emplace_back(along, k);
                }
            }
    }
    std::sort(r.hits.begin(), r.hits.end());
    r.hits.erase(std::unique(r.hits.begin(), r.hits.end()), r.hits.end());
}

int Solver::PlaceNode(ResolveRound &r, int k)
{
    ResolveRound::Place &place = r.places[size_t(k)];
    if (place.node < 0)
        place.node = NewNode(P3(place.x, place.y, r.h));
    return place.node;
}

// Pieces that run over each other head-on bound nothing between them: they
// meet along a ridge.
bool Solver::CancelHeadOnPieces(ResolveRound &r)
{
    std::unordered_map<unsigned long long, std::vector<int>> byEnds;
    for (size_t k = 0; k < r.pieces.size(); ++k) {
        std::vector<int> &same = byEnds[PairKey(r.pieces[k].from, r.pieces[k].to)];
        same.push_back(int(k));
        if (same.size() > 1)
            return r.Fail("two wavefront edges run over each other the same way");
    }
    for (size_t k = 0; k < r.pieces.size(); ++k) {
        ResolveRound::Piece &piece = r.pieces[k];
        if (piece.gone)
            continue;
        const auto it = byEnds.find(PairKey(piece.to, piece.from));
        if (it == byEnds.end() || r.pieces[size_t(it->second[0])].gone)
            continue;
        ResolveRound::Piece &other = r.pieces[size_t(it->second[0])];
        if (!r.Active(piece.from) || !r.Active(piece.to))
            return r.Fail("wavefront edges meet head-on at a corner that does not move");
        piece.gone = other.gone = true;
        m_arcs.push_back({PlaceNode(r, piece.from), PlaceNode(r, piece.to), piece.edge, other.edge});
    }
    return true;
}

// Corners at a place where anything happens end there.
void Solver::EndCornersAtPlaces(ResolveRound &r)
{
    for (size_t i = 0; i < r.count; ++i) {
        if (!r.Active(r.placeOf[i]))
            continue;
        AddArc(r.corners[i], PlaceNode(r, r.placeOf[i]));
        r.corners[i]->active = false;
        if (r.corners[i]->reflex && r.places[size_t(r.placeOf[i])].onEdge)
            ++m_stats->splitEvents;
    }
    m_stats->edgeEvents += r.vanished;
}

// Round each such place the pieces that leave and the pieces that come in
// alternate (the inside lies clockwise of each one coming in, up to the next
// one leaving); each pair is a new corner.
bool Solver::JoinCornersRoundPlaces(ResolveRound &r)
{
    for (size_t k = 0; k < r.pieces.size(); ++k) {
        const ResolveRound::Piece &piece = r.pieces[k];
        if (piece.gone)
            continue;
        if (r.Active(piece.from))
            r.places[size_t(piece.from)].out.push_back(int(k));
        else if (!piece.first)
            return r.Fail("the wavefront's corner lists broke");
        if (r.Active(piece.to))
            r.places[size_t(piece.to)].in.push_back(int(k));
        else if (!piece.last)
            return r.Fail("the wavefront's corner lists broke");
    }
    r.startOf.assign(r.pieces.size(), nullptr);
    r.endOf.assign(r.pieces.size(), nullptr);
    for (size_t k = 0; k < r.places.size(); ++k) {
        ResolveRound::Place &place = r.places[k];
        if (!r.Active(int(k)))
            continue;
        if (place.in.empty() && place.out.empty()) {
            ++m_stats->peakEvents;
            continue;
        }
        if (place.in.size() != place.out.size())
            return r.Fail("the wavefront does not close round a meeting point");
        struct Spoke {
            double angle;
            int piece;
            bool in;
        };
        std::vector<Spoke> spokes;
        for (int q : place.out) {
            const Edge &e = m_edges[size_t(r.pieces[size_t(q)].edge)];
            spokes.push_back({std::atan2(e.uy, e.ux), q, false});
        }
        for (int q : place.in) {
            const Edge &e = m_edges[size_t(r.pieces[size_t(q)].edge)];
            spokes.push_back({std::atan2(-e.uy, -e.ux), q, true});
        }
        // Clockwise.
        std::sort(spokes.begin(), spokes.end(), [](const Spoke &a, const Spoke &b) { return a.angle > b.angle; });
        const size_t n = spokes.size();
        for (size_t j = 0; j < n; ++j) {
            const Spoke &s = spokes[j], &t = spokes[(j + 1) % n];
            double gap = s.angle - t.angle;
            if (gap <= 0.0)
                gap += 2.0 * M_PI;
            if (gap < 1e-9 || s.in == t.in)
                return r.Fail("the wavefront folds over itself at a meeting point");
            if (!s.in)
                continue;
            const int l = r.pieces[size_t(s.piece)].edge, rightEdge = r.pieces[size_t(t.piece)].edge;
            if (l != rightEdge && HeadOn(l, rightEdge))
                return r.Fail("wavefront edges meet head-on at a new corner");
            Vertex *c = NewVertex(P3(place.x, place.y, r.h), l, rightEdge, l == rightEdge ? -1 : PlaceNode(r, int(k)));
            r.endOf[size_t(s.piece)] = c;
            r.startOf[size_t(t.piece)] = c;
            r.made.push_back(c);
        }
    }
    return true;
}

// Each piece runs from its new corner (or the old one that stays) to the
// next; a corner between two pieces of one edge is none: the edge goes on.
// The loops touched are labelled anew, and those of two corners or one are
// closed.
bool Solver::RelinkPieces(ResolveRound &r)
{
    for (size_t k = 0; k < r.pieces.size(); ++k) {
        if (r.pieces[k].gone)
            continue;
        Vertex *s = r.startOf[k] ? r.startOf[k] : r.pieces[k].first;
        Vertex *t = r.endOf[k] ? r.endOf[k] : r.pieces[k].last;
        if (!s || !t)
            return r.Fail("the wavefront's corner lists broke");
        s->next = t;
        t->prev = s;
    }
    std::vector<Vertex *> &touched = r.touched;
    for (Vertex *c : r.made) {
        if (c->left != c->right) {
            touched.push_back(c);
            continue;
        }
        if (c->next == c || c->prev == c)
            return r.Fail("the wavefront's corner lists broke");
        c->prev->next = c->next;
        c->next->prev = c->prev;
        c->active = false;
        touched.push_back(c->prev);
        touched.push_back(c->next);
    }
    const int firstLabel = m_lavCount;
    for (Vertex *c : touched) {
        if (!c->active || c->lav >= firstLabel)
            continue;
        const int size = LavSize(c, m_lavCount++);
        if (size < 0)
            return r.Fail("the wavefront's corner lists broke");
        if (size == 2)
            CloseSmallLav(c);
        else if (size == 1)
            c->active = false;
    }
    return true;
}

// New events of the corners touched and made; a corner that stays where its
// split was looked for goes on to its next candidate.
bool Solver::RequeueAfterRound(const std::vector<Event> &events, ResolveRound &r)
{
    for (Vertex *c : r.touched) {
        if (!c->active)
            continue;
        PushEdgeEvent(c->prev);
        PushEdgeEvent(c);
    }
    for (Vertex *c : r.made)
        if (c->active)
            PushSplitEvent(c, -HUGE_VAL, -1);
    for (const Event &ev : events)
        if (ev.type == 1 && ev.a->active)
            PushSplitEvent(ev.a, ev.from, ev.edge);
    return true;
}

bool Solver::HandleEdge(const Event &ev)
{
    Vertex *x = ev.a, *y = ev.b;
    if (!x->active || !y->active || x->next != y)
        return true;
    Vertex *z = x->prev;
    const P3 &p = ev.point;
    if (z->prev == y) {
        // The last three corners of this part meet at one peak.
        ++m_stats->peakEvents;
        const int node = NewNode(p);
        AddArc(x, node);
        AddArc(y, node);
        AddArc(z, node);
        x->active = y->active = z->active = false;
        return true;
    }
    if (z == y) {
        CloseSmallLav(x);
        return true;
    }
    ++m_stats->edgeEvents;
    const int node = NewNode(p);
    AddArc(x, node);
    AddArc(y, node);
    x->active = y->active = false;
    Vertex *c = NewVertex(p, x->left, y->right, node);
    c->lav = x->lav;
    c->prev = z;
    c->next = y->next;
    z->next = c;
    y->next->prev = c;
    PushEvents(c);
    return true;
}

bool Solver::HandleSplit(const Event &ev)
{
    Vertex *v = ev.a;
    if (!v->active)
        return true;
    const P3 &p = ev.point;
    Vertex *x = SplitTarget(ev);
    if (!x) {
        // The edge had moved on: the next candidate further up.
        PushSplitEvent(v, ev.from, ev.edge);
        return true;
    }
    Vertex *y = x->next;
    ++m_stats->splitEvents;
    const int node = NewNode(p);
    AddArc(v, node);
    v->active = false;
    Vertex *v1 = NewVertex(p, v->left, ev.edge, node);
    Vertex *v2 = NewVertex(p, ev.edge, v->right, node);
    Vertex *before = v->prev, *after = v->next;
    before->next = v1;
    v1->prev = before;
    v1->next = y;
    y->prev = v1;
    x->next = v2;
    v2->prev = x;
    v2->next = after;
    after->prev = v2;
    for (Vertex *u : {v1, v2}) {
        const int size = LavSize(u, m_lavCount++);
        if (size < 0)
            return false;
        if (size == 2)
            CloseSmallLav(u);
        else if (size == 1)
            u->active = false;
        else
            PushEvents(u);
    }
    return true;
}

bool Solver::Run(std::string &error, CStraightSkeleton::Statistics &stats)
{
    m_stats = &stats;
    const int n = int(m_edges.size());
    m_byEdge.assign(size_t(n), {});
    for (int i = 0; i < n; ++i)
        m_nodePositions.push_back(m_edges[size_t(i)].a);
    std::vector<Vertex *> corners;
    for (int i = 0; i < n; ++i)
        corners.push_back(NewVertex(m_edges[size_t(i)].a, (i - 1 + n) % n, i, i));
    for (int i = 0; i < n; ++i) {
        corners[size_t(i)]->prev = corners[size_t((i - 1 + n) % n)];
        corners[size_t(i)]->next = corners[size_t((i + 1) % n)];
        if (!corners[size_t(i)]->dir.Finite()) {
            error = "a corner has no direction to move in";
            return false;
        }
    }
    for (Vertex *v : corners) {
        PushEdgeEvent(v);
        PushSplitEvent(v, -HUGE_VAL, -1);
    }
    // Each event removes a corner or splits a part; stale ones are dropped.
    // A run that goes on far beyond that has lost its way.
    const long limit = 50L * n + 1000L + 4L * long(n) * long(n) / 10;
    long steps = 0;
    // Events at one height (within rounding) are taken together: floor
    // plans on a grid have many, and one taken alone would see the others
    // half done. An event alone with nothing else at its point is handled
    // by itself.
    const double together = 1e-10 * m_scale;
    std::vector<Event> cluster, live, rest;
    while (!m_queue.empty()) {
        cluster.assign(1, m_queue.top());
        m_queue.pop();
        const double h = cluster[0].h;
        while (!m_queue.empty() && m_queue.top().h <= h + together) {
            cluster.push_back(m_queue.top());
            m_queue.pop();
        }
        steps += long(cluster.size());
        if (steps > limit) {
            error = "the events did not run out within " + std::to_string(limit) + " steps";
            return false;
        }
        live.clear();
        for (const Event &ev : cluster) {
            m_height = std::max(m_height, ev.h);
            if (ev.type == 0 ? ev.a->active && ev.b->active && ev.a->next == ev.b : ev.a->active)
                live.push_back(ev);
        }
        // Events alone at their point are handled one by one; the rest,
        // and any that the ones before have touched, together.
        std::unordered_map<unsigned long long, std::vector<size_t>> at;
        const double cell = 10.0 * m_near;
        for (size_t k = 0; k < live.size(); ++k)
            at[CellKey(live[k].point.x, live[k].point.y, cell)].push_back(k);
        // A split event of an edge event's own corner at its point, onto an
        // edge that merely ends there, is that edge event seen once more.
        auto landsInside = [&](const Event &split) {
            const Vertex *x = SplitTarget(split);
            return x && Apart(x, split.point, split.h) && Apart(x->next, split.point, split.h);
        };
        auto alone = [&](const Event &ev) {
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy) {
                    const auto it = at.find(CellKey(ev.point.x, ev.point.y, cell, dx, dy));
                    if (it == at.end())
                        continue;
                    for (size_t k : it->second) {
                        const Event &o = live[k];
                        if (&o == &ev)
                            continue;
                        if (ev.type == 0 && o.type == 0 && o.a == ev.a && o.b == ev.b)
                            continue;
                        if (ev.type == 0 && o.type == 1 && (o.a == ev.a || o.a == ev.b) && !landsInside(o))
                            continue;
                        return false;
                    }
                }
            return true;
        };
        rest.clear();
        for (const Event &ev : live) {
            const bool current = ev.type == 0 ? ev.a->active && ev.b->active && ev.a->next == ev.b : ev.a->active;
            if (!current)
                continue;
            if (!alone(ev) || !IsPlain(ev)) {
                rest.push_back(ev);
                continue;
            }
            if (!(ev.type == 0 ? HandleEdge(ev) : HandleSplit(ev))) {
                error = "the wavefront's corner lists broke";
                return false;
            }
        }
        live.clear();
        for (const Event &ev : rest)
            if (ev.type == 0 ? ev.a->active && ev.b->active && ev.a->next == ev.b : ev.a->active)
                live.push_back(ev);
        // Taken where the last of them has happened.
        double top = h;
        for (const Event &ev : live)
            top = std::max(top, ev.h);
        if (!live.empty() && !Resolve(live, top, error))
            return false;
    }
    stats.steps = int(steps);
    int left = 0;
    for (const Vertex &v : m_vertices)
        left += v.active;
    if (left > 0) {
        error = std::to_string(left) + " corners were left over when the events ran out";
        return false;
    }
    return true;
}

} // namespace

bool CStraightSkeleton::Fail(const std::string &text)
{
    m_error = text;
    m_nodes.clear();
    m_faces.clear();
    return false;
}

namespace {

// Whether corners strictly between `from` and `to` (working order, cyclic)
// all lie within `eps` of the chord from corner `from` to corner `to`, in
// order along it.
bool OnChord(const std::vector<P3> &corners, int from, int to, double eps)
{
    const int n = int(corners.size());
    const P3 &a = corners[size_t(from)], &b = corners[size_t(to)];
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    if (len <= eps)
        return false;
    const double ux = (b.x - a.x) / len, uy = (b.y - a.y) / len;
    double last = 0.0;
    for (int k = (from + 1) % n; k != to; k = (k + 1) % n) {
        const P3 &p = corners[size_t(k)];
        const double along = (p.x - a.x) * ux + (p.y - a.y) * uy;
        const double off = Cross2(ux, uy, p.x - a.x, p.y - a.y);
        if (std::fabs(off) > eps || along <= last + eps || along >= len - eps)
            return false;
        last = along;
    }
    return true;
}

double DistanceToSegment(const P3 &p, const P3 &a, const P3 &b)
{
    const double ux = b.x - a.x, uy = b.y - a.y, len2 = ux * ux + uy * uy;
    double t = len2 > 0.0 ? ((p.x - a.x) * ux + (p.y - a.y) * uy) / len2 : 0.0;
    t = std::min(1.0, std::max(0.0, t));
    return std::hypot(p.x - a.x - t * ux, p.y - a.y - t * uy);
}

// Whether two edges that are not neighbours cross or touch (within `eps`).
bool EdgesMeet(const P3 &a, const P3 &b, const P3 &c, const P3 &d, double eps)
{
    if (DistanceToSegment(a, c, d) <= eps || DistanceToSegment(b, c, d) <= eps ||
        DistanceToSegment(c, a, b) <= eps || DistanceToSegment(d, a, b) <= eps)
        return true;
    const double o1 = Cross2(b.x - a.x, b.y - a.y, c.x - a.x, c.y - a.y);
    const double o2 = Cross2(b.x - a.x, b.y - a.y, d.x - a.x, d.y - a.y);
    const double o3 = Cross2(d.x - c.x, d.y - c.y, a.x - c.x, a.y - c.y);
    const double o4 = Cross2(d.x - c.x, d.y - c.y, b.x - c.x, b.y - c.y);
    return ((o1 > 0.0 && o2 < 0.0) || (o1 < 0.0 && o2 > 0.0)) && ((o3 > 0.0 && o4 < 0.0) || (o3 < 0.0 && o4 > 0.0));
}

// The first pair of edges (working order) that are not neighbours and cross
// or touch, or (-1, -1). Edges are bucketed on a grid about as fine as the
// mean edge, coarser where long edges would fill too many cells; each pair
// is tried in the first cell the two share.
std::pair<int, int> SelfCrossing(const std::vector<P3> &corners, double eps)
{
    const int n = int(corners.size());
    double perimeter = 0.0;
    for (int i = 0; i < n; ++i)
        perimeter += std::hypot(corners[size_t((i + 1) % n)].x - corners[size_t(i)].x,
                                corners[size_t((i + 1) % n)].y - corners[size_t(i)].y);
    struct Range {
        long long x0, y0, x1, y1;
    };
    std::vector<Range> ranges(static_cast<size_t>(n));
    double cell = std::max(perimeter / n, 16.0 * eps);
    for (;;) {
        double total = 0.0;
        for (int i = 0; i < n; ++i) {
            const P3 &a = corners[size_t(i)], &b = corners[size_t((i + 1) % n)];
            Range &r = ranges[size_t(i)];
            r.x0 = static_cast<long long>(std::floor((std::min(a.x, b.x) - eps) / cell));
            r.x1 = static_cast<long long>(std::floor((std::max(a.x, b.x) + eps) / cell));
            r.y0 = static_cast<long long>(std::floor((std::min(a.y, b.y) - eps) / cell));
            r.y1 = static_cast<long long>(std::floor((std::max(a.y, b.y) + eps) / cell));
            total += double(r.x1 - r.x0 + 1) * double(r.y1 - r.y0 + 1);
        }
        if (total <= 32.0 * n + 1024.0)
            break;
        cell *= 2.0;
    }
    std::unordered_map<unsigned long long, std::vector<int>> grid;
    for (int i = 0; i < n; ++i) {
        const Range &r = ranges[size_t(i)];
        for (long long x = r.x0; x <= r.x1; ++x)
            for (long long y = r.y0; y <= r.y1; ++y)
                grid[PairKey(x, y)].push_back(i);
    }
    for (int i = 0; i < n; ++i) {
        const Range &r = ranges[size_t(i)];
        for (long long x = r.x0; x <= r.x1; ++x)
            for (long long y = r.y0; y <= r.y1; ++y) {
                for (int j : grid[PairKey(x, y)]) {
                    if (j <= i || j == i + 1 || (i == 0 && j == n - 1))
                        continue;
                    const Range &q = ranges[size_t(j)];
                    if (x != std::max(r.x0, q.x0) || y != std::max(r.y0, q.y0))
                        continue;
                    if (EdgesMeet(corners[size_t(i)], corners[size_t((i + 1) % n)], corners[size_t(j)],
                                  corners[size_t((j + 1) % n)], eps))
                        return {i, j};
                }
            }
    }
    return {-1, -1};
}

} // namespace

namespace {

// What the steps of CStraightSkeleton::Compute hand on, from the contour as
// given to the faces and nodes that come out. The outline is worked about
// its own centre (cx, cz) and measured against its own size there, so that
// an outline far from the origin (surveyed coordinates) is treated as the
// same outline near it.
struct SkeletonWork {
    int n = 0;
    size_t count = 0;
    double cx = 0.0, cz = 0.0, scale = 0.0;
    // Corners closer than this are one.
    double tol = 0.0;
    // Nodes closer than this are one.
    double merge = 0.0;
    bool reversed = false;
    // Worked counter-clockwise: corner k of the working order is contour
    // corner map[k]; working edge k is contour edge edgeOf[k].
    std::vector<int> map, edgeOf;
    std::vector<P3> corners;
    std::vector<double> slopes;
    // The working corners the wavefront starts from (one per straight run).
    std::vector<int> solverCorners;
    int m = 0;
    // The n working corners, then the skeleton's inner nodes.
    std::vector<P3> nodes;
    // Per working edge of the wavefront, its roof face's loop of nodes.
    std::vector<std::vector<int>> loops;
    // Per face over a straight run, where the cuts from its dropped corners
    // meet its top.
    std::vector<std::vector<int>> cuts;
    // New nodes of the cuts, by the side they lie on.
    std::map<std::pair<int, int>, std::vector<int>> onSide;
    // The faces made: working edge and loop, and in the contour's numbering.
    std::vector<std::pair<int, std::vector<int>>> made;
    std::vector<CStraightSkeleton::Face> faces;
};

// Checks the contour, reduces corners at one place to one, and finds its
// centre, size and way round. An empty text when it can be worked.
std::string SkeletonMeasureContour(SkeletonContour &contour, SkeletonWork &work)
{
    for (const SkeletonPoint &p : contour)
        if (!std::isfinite(p.position.x) || !std::isfinite(p.position.z) || !std::isfinite(p.slope))
            return "a corner or slope is not a number";
    if (contour.empty())
        return "fewer than three distinct corners";
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minZ = HUGE_VAL, maxZ = -HUGE_VAL;
    for (const SkeletonPoint &p : contour) {
        minX = std::min(minX, p.position.x);
        maxX = std::max(maxX, p.position.x);
        minZ = std::min(minZ, p.position.z);
        maxZ = std::max(maxZ, p.position.z);
    }
    work.cx = 0.5 * (minX + maxX);
    work.cz = 0.5 * (minZ + maxZ);
    work.scale = std::max(0.5 * (maxX - minX), 0.5 * (maxZ - minZ));
    if (!(work.scale > 0.0) || !std::isfinite(work.scale))
        return "fewer than three distinct corners";
    work.tol = 1e-9 * work.scale;
    work.merge = 1e-7 * work.scale;
    const double tol = work.tol;
    SkeletonContour kept;
    for (const SkeletonPoint &p : contour) {
        if (!kept.empty() && std::fabs(p.position.x - kept.back().position.x) < tol &&
            std::fabs(p.position.z - kept.back().position.z) < tol)
            continue;
        kept.push_back(p);
    }
    while (kept.size() > 1 && std::fabs(kept.back().position.x - kept.front().position.x) < tol &&
           std::fabs(kept.back().position.z - kept.front().position.z) < tol)
        kept.pop_back();
    contour = kept;
    const int n = int(contour.size());
    if (n < 3)
        return "fewer than three distinct corners";
    double area = 0.0;
    for (int i = 0; i < n; ++i) {
        const Vec3 &a = contour[size_t(i)].position, &b = contour[size_t((i + 1) % n)].position;
        area += (a.x - work.cx) * (b.z - work.cz) - (b.x - work.cx) * (a.z - work.cz);
    }
    if (std::fabs(area) <= 1e-12 * work.scale * work.scale)
        return "the outline encloses no area";
    work.n = n;
    work.count = static_cast<size_t>(n);
    work.reversed = area < 0.0;
    return {};
}

// The corners in working order, in plan about the centre; refuses an
// outline that turns straight back or crosses itself.
std::string SkeletonWorkingOrder(const SkeletonContour &contour, SkeletonWork &work)
{
    const int n = work.n;
    work.map.assign(work.count, 0);
    work.edgeOf.assign(work.count, 0);
    work.corners.assign(work.count, P3());
    work.slopes.assign(work.count, 0.0);
    for (int k = 0; k < n; ++k) {
        work.map[size_t(k)] = work.reversed ? n - 1 - k : k;
        // Reversed, working edge k runs from contour corner n-1-k to n-2-k:
        // contour edge n-2-k the other way.
        work.edgeOf[size_t(k)] = work.reversed ? (2 * n - 2 - k) % n : k;
        const Vec3 &p = contour[size_t(work.map[size_t(k)])].position;
        work.corners[size_t(k)] = P3(p.x - work.cx, p.z - work.cz, 0.0);
        work.slopes[size_t(k)] = contour[size_t(work.edgeOf[size_t(k)])].slope;
    }
    const std::vector<P3> &corners = work.corners;
    // A corner that turns straight back makes no polygon.
    for (int k = 0; k < n; ++k) {
        const P3 &a = corners[size_t((k - 1 + n) % n)], &b = corners[size_t(k)], &c = corners[size_t((k + 1) % n)];
        const double ux = b.x - a.x, uy = b.y - a.y, vx = c.x - b.x, vy = c.y - b.y;
        const double cross = Cross2(ux, uy, vx, vy), dot = ux * vx + uy * vy;
        if (std::fabs(cross) <= 1e-12 * std::hypot(ux, uy) * std::hypot(vx, vy) && dot < 0.0)
            return "the outline turns straight back on itself at a corner";
    }
    // An outline that crosses or touches itself bounds no one area to roof.
    const std::pair<int, int> crossing = SelfCrossing(corners, work.tol);
    if (crossing.first >= 0)
        return "the outline crosses itself (its edges " + std::to_string(work.edgeOf[size_t(crossing.first)]) +
               " and " + std::to_string(work.edgeOf[size_t(crossing.second)]) + ")";
    return {};
}

// Straight runs of one slope are one edge for the wavefront: corners within
// rounding of a line (points written with a dozen digits, or turned) would
// otherwise make roof planes that differ by the rounding and events that
// meet anywhere along the run. The run's faces are cut apart again
// afterwards, straight up the roof from each dropped corner.
std::string SkeletonStraightRuns(SkeletonWork &work)
{
    const int n = work.n;
    const std::vector<double> &slopes = work.slopes;
    const double straightTol = 1e-9 * work.scale;
    int start = -1;
    for (int k = 0; k < n && start < 0; ++k) {
        const int prev = (k - 1 + n) % n, next = (k + 1) % n;
        if (slopes[size_t(prev)] != slopes[size_t(k)] || !OnChord(work.corners, prev, next, straightTol))
            start = k;
    }
    if (start < 0)
        return "the outline has no corner off a straight line";
    work.solverCorners = {start};
    for (int run = start, i = (start + 1) % n; i != start; i = (i + 1) % n) {
        const int next = (i + 1) % n;
        if (slopes[size_t(i)] == slopes[size_t(run)] && OnChord(work.corners, run, next, straightTol))
            continue;
        work.solverCorners.push_back(i);
        run = i;
    }
    work.m = int(work.solverCorners.size());
    if (work.m < 3)
        return "the outline encloses no area";
    return {};
}

// Nodes at one place are one node: events at one point (a peak reached from
// several sides) each made their own. The node each solver node became.
std::vector<int> SkeletonMergeNodes(const std::vector<P3> &positions, SkeletonWork &work)
{
    const double merge = work.merge;
    std::vector<int> same(positions.size());
    std::map<std::tuple<long long, long long, long long>, std::vector<int>> grid;
    std::vector<P3> &nodes = work.nodes;
    nodes = work.corners;
    for (size_t i = 0; i < positions.size(); ++i) {
        const P3 &p = positions[i];
        const long long gx = std::llround(p.x / (merge * 4)), gy = std::llround(p.y / (merge * 4)),
                        gh = std::llround(p.h / (merge * 4));
        int found = -1;
        for (long long dx = -1; dx <= 1 && found < 0; ++dx)
            for (long long dy = -1; dy <= 1 && found < 0; ++dy)
                for (long long dh = -1; dh <= 1 && found < 0; ++dh) {
                    auto it = grid.find({gx + dx, gy + dy, gh + dh});
                    if (it == grid.end())
                        continue;
                    for (int j : it->second) {
                        if ((nodes[size_t(j)] - p).Length() <= merge) {
                            found = j;
                            break;
                        }
                    }
                }
        // Contour corners stay themselves.
        if (i < size_t(work.m)) {
            same[i] = work.solverCorners[i];
        } else if (found >= 0) {
            same[i] = found;
            continue;
        } else {
            same[i] = int(nodes.size());
            nodes.push_back(p);
        }
        grid[{gx, gy, gh}].push_back(same[i]);
    }
    return same;
}

// Each face: its edge, then round the arcs that have its edge on one side.
std::string SkeletonWalkFaces(const std::vector<Arc> &arcs, const std::vector<int> &same, SkeletonWork &work)
{
    const int m = work.m;
    std::vector<std::vector<std::pair<int, int>>> faceArcs(static_cast<size_t>(m));
    for (const Arc &arc : arcs) {
        const int a = same[size_t(arc.from)], b = same[size_t(arc.to)];
        if (a == b)
            continue;
        for (int f : {arc.faceA, arc.faceB}) {
            auto &list = faceArcs[size_t(f)];
            const std::pair<int, int> key(std::min(a, b), std::max(a, b));
            if (std::find(list.begin(), list.end(), key) == list.end())
                list.push_back(key);
        }
    }
    work.loops.assign(static_cast<size_t>(m), {});
    for (int q = 0; q < m; ++q) {
        const int first = work.solverCorners[size_t(q)], second = work.solverCorners[size_t((q + 1) % m)];
        std::unordered_map<int, std::vector<int>> next;
        next[first].push_back(second);
        next[second].push_back(first);
        for (const auto &[a, b] : faceArcs[size_t(q)]) {
            next[a].push_back(b);
            next[b].push_back(a);
        }
        std::vector<int> &loop = work.loops[size_t(q)];
        loop = {first, second};
        int previous = first, current = second;
        const size_t cap = faceArcs[size_t(q)].size() + 2;
        while (current != first) {
            auto it = next.find(current);
            if (it == next.end() || it->second.size() != 2)
                return "the roof face on edge " + std::to_string(first) + " cannot be walked round";
            const int step = it->second[0] == previous ? it->second[1] : it->second[0];
            previous = current;
            current = step;
            if (current != first)
                loop.push_back(current);
            if (loop.size() > cap + 2)
                return "the roof face on edge " + std::to_string(first) + " does not close";
        }
    }
    return {};
}

// Faces over straight runs are cut straight up the roof from each dropped
// corner. The faces are monotone along their edge, so each cut leaves the
// top of the face at one point: a node there, or a new one on the face's
// side that the neighbouring face shares.
std::string SkeletonCutStraightRuns(SkeletonWork &work)
{
    const int n = work.n, m = work.m;
    std::vector<P3> &nodes = work.nodes;
    work.cuts.assign(static_cast<size_t>(m), {});
    for (int q = 0; q < m; ++q) {
        const int first = work.solverCorners[size_t(q)], second = work.solverCorners[size_t((q + 1) % m)];
        if ((first + 1) % n == second)
            continue;
        const std::vector<int> &loop = work.loops[size_t(q)];
        const P3 &a = nodes[size_t(first)], &b = nodes[size_t(second)];
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        const double ux = (b.x - a.x) / len, uy = (b.y - a.y) / len;
        auto along = [&](int node) {
            const P3 &p = nodes[size_t(node)];
            return (p.x - a.x) * ux + (p.y - a.y) * uy;
        };
        // The top, from the run's end back to its start.
        std::vector<int> top(loop.begin() + 1, loop.end());
        top.push_back(first);
        for (int d = (first + 1) % n; d != second; d = (d + 1) % n) {
            const double s = along(d);
            int cut = -1;
            for (size_t k = 0; k + 1 < top.size() && cut < 0; ++k) {
                const double s0 = along(top[k]), s1 = along(top[k + 1]);
                if (std::fabs(s0 - s) <= work.tol) {
                    cut = top[k];
                } else if (std::fabs(s1 - s) <= work.tol) {
                    cut = top[k + 1];
                } else if (s0 > s && s > s1) {
                    const P3 &p0 = nodes[size_t(top[k])], &p1 = nodes[size_t(top[k + 1])];
                    const P3 x = p0 + (p1 - p0) * ((s0 - s) / (s0 - s1));
                    std::vector<int> &here =
                        work.onSide[{std::min(top[k], top[k + 1]), std::max(top[k], top[k + 1])}];
                    for (int node : here)
                        if ((nodes[size_t(node)] - x).Length() <= work.merge)
                            cut = node;
                    if (cut < 0) {
                        cut = int(nodes.size());
                        nodes.push_back(x);
                        here.push_back(cut);
                    }
                }
            }
            if (cut < 0)
                return "the roof face over the straight run at corner " + std::to_string(d) + " cannot be cut";
            work.cuts[size_t(q)].push_back(cut);
        }
    }
    if (work.onSide.empty())
        return {};
    // The new nodes go into every face that has their side, in order along it.
    for (std::vector<int> &loop : work.loops) {
        std::vector<int> with;
        for (size_t k = 0; k < loop.size(); ++k) {
            const int u = loop[k], v = loop[(k + 1) % loop.size()];
            with.push_back(u);
            auto it = work.onSide.find({std::min(u, v), std::max(u, v)});
            if (it == work.onSide.end())
                continue;
            std::vector<int> extra = it->second;
            const P3 &from = nodes[size_t(u)];
            std::sort(extra.begin(), extra.end(), [&](int i, int j) {
                return (nodes[size_t(i)] - from).Length() < (nodes[size_t(j)] - from).Length();
            });
            with.insert(with.end(), extra.begin(), extra.end());
        }
        loop = std::move(with);
    }
    return {};
}

// A face in the contour's numbering and way round, on working edge k.
void SkeletonStoreFace(int k, const std::vector<int> &loop, SkeletonWork &work)
{
    work.made.emplace_back(k, loop);
    CStraightSkeleton::Face &face = work.faces[size_t(work.edgeOf[size_t(k)])];
    face.edge = work.edgeOf[size_t(k)];
    face.nodes.clear();
    for (int node : loop)
        face.nodes.push_back(node < work.n ? work.map[size_t(node)] : node);
    if (work.reversed) {
        // Same way round as the contour: start, end, then the rest back.
        std::reverse(face.nodes.begin(), face.nodes.end());
        std::rotate(face.nodes.begin(), face.nodes.end() - 2, face.nodes.end());
    }
}

// One face per contour edge: a face over a straight run is split at its cuts.
std::string SkeletonStoreFaces(SkeletonWork &work)
{
    const int n = work.n, m = work.m;
    work.faces.assign(work.count, CStraightSkeleton::Face());
    for (int q = 0; q < m; ++q) {
        const std::vector<int> &loop = work.loops[size_t(q)];
        const int first = work.solverCorners[size_t(q)];
        if (work.cuts[size_t(q)].empty()) {
            SkeletonStoreFace(first, loop, work);
            continue;
        }
        // The top from the run's end back to its start, and where each cut
        // meets it: the cuts come in order along it, last corner first.
        std::vector<int> top(loop.begin() + 1, loop.end());
        top.push_back(first);
        std::vector<size_t> at = {top.size() - 1};
        for (int cut : work.cuts[size_t(q)]) {
            const auto it = std::find(top.begin(), top.end(), cut);
            const size_t index = size_t(it - top.begin());
            if (it == top.end() || index > at.back())
                return "the roof face over the straight run at corner " + std::to_string(first) +
                       " is not monotone along its edge";
            at.push_back(index);
        }
        at.push_back(0);
        int from = first;
        for (size_t j = 0; j + 1 < at.size(); ++j) {
            const int to = j + 2 < at.size() ? (from + 1) % n : work.solverCorners[size_t((q + 1) % m)];
            std::vector<int> piece = {from, to};
            for (size_t k = at[j + 1]; k <= at[j]; ++k)
                if (top[k] != from && top[k] != to)
                    piece.push_back(top[k]);
            SkeletonStoreFace(from, piece, work);
            from = to;
        }
    }
    return {};
}

// What comes out is checked before it is handed on: every face point in its
// edge's roof plane, and every side between two faces shared by exactly
// those two, once each way. A wavefront that went wrong in some unforeseen
// meeting of events is refused here rather than built.
std::string SkeletonCheckFaces(const SkeletonWork &work)
{
    const int n = work.n;
    std::map<std::pair<int, int>, int> sides;
    for (const auto &[k, loop] : work.made) {
        const P3 &a = work.corners[size_t(k)], &b = work.corners[size_t((k + 1) % n)];
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        const double nx = -(b.y - a.y) / len, ny = (b.x - a.x) / len;
        const double t = std::fabs(std::tan(work.slopes[size_t(k)]));
        for (size_t i = 0; i < loop.size(); ++i) {
            const P3 &q = work.nodes[size_t(loop[i])];
            if (t < 1e6 && std::fabs(q.h - t * (nx * (q.x - a.x) + ny * (q.y - a.y))) > 1e-7 * work.scale * (1.0 + t))
                return "the roof face on edge " + std::to_string(k) + " leaves its plane";
            ++sides[{loop[i], loop[(i + 1) % loop.size()]}];
        }
    }
    for (const auto &[side, uses] : sides) {
        const bool base = side.first < n && side.second == (side.first + 1) % n;
        const auto back = sides.find({side.second, side.first});
        if (uses != 1 || (!base && (back == sides.end() || back->second != 1)) || (base && back != sides.end()))
            return "the roof faces do not close round the skeleton";
    }
    return {};
}

} // namespace

bool CStraightSkeleton::Compute(std::vector<SkeletonContour> &contours)
{
    m_nodes.clear();
    m_faces.clear();
    m_error.clear();
    m_stats = Statistics();
    m_bReversed = false;
    if (contours.empty())
        return Fail("no contour");
    if (contours.size() > 1)
        SgDiagWarning("Geometry", "Straight skeleton: %d inner contours (holes) are not taken; the outer one is",
                      int(contours.size()) - 1);
    SkeletonContour &contour = contours[0];
    SkeletonWork work;
    std::string error = SkeletonMeasureContour(contour, work);
    if (error.empty()) {
        m_bReversed = work.reversed;
        error = SkeletonWorkingOrder(contour, work);
    }
    if (error.empty())
        error = SkeletonStraightRuns(work);
    if (!error.empty())
        return Fail(error);

    std::vector<P3> runCorners;
    std::vector<double> runSlopes;
    for (int corner : work.solverCorners) {
        runCorners.push_back(work.corners[size_t(corner)]);
        runSlopes.push_back(work.slopes[size_t(corner)]);
    }
    Solver solver(runCorners, runSlopes, work.scale);
    if (!solver.Run(error, m_stats))
        return Fail(error);
    const std::vector<int> same = SkeletonMergeNodes(solver.m_nodePositions, work);
    error = SkeletonWalkFaces(solver.m_arcs, same, work);
    if (error.empty())
        error = SkeletonCutStraightRuns(work);
    if (error.empty())
        error = SkeletonStoreFaces(work);
    if (error.empty())
        error = SkeletonCheckFaces(work);
    if (!error.empty())
        return Fail(error);
    m_faces = std::move(work.faces);
    m_nodes.resize(work.nodes.size());
    for (size_t i = 0; i < work.nodes.size(); ++i)
        m_nodes[i] = Vec3(work.nodes[i].x + work.cx, work.nodes[i].h, work.nodes[i].y + work.cz);
    for (int k = 0; k < work.n; ++k) {
        const Vec3 &p = contour[size_t(work.map[size_t(k)])].position;
        m_nodes[size_t(work.map[size_t(k)])] = Vec3(p.x, 0.0, p.z);
    }
    return true;
}

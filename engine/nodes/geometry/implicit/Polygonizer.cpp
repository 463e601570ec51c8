#include "engine/nodes/geometry/implicit/Polygonizer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <memory>

#include "engine/core/SgBlockAllocator.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgRandom.h"

const char *const kPolygonizeAborted = "aborted";
const char *const kPolygonizeLimit = "limit";

namespace {

constexpr int kCentreBuckets = 32768;
constexpr int kCornerBuckets = 32768;
constexpr int kEdgeBuckets = 65536;
constexpr int kStartTries = 2000;
constexpr int kBisections = 10;
constexpr int kFalsePositionSteps = 2;
constexpr double kEdgeMargin = 1e-3;

thread_local PolygonizeStats t_stats;

// Faces and the edges of a cube, corners numbered by their offsets: bit 2 +x,
// bit 1 +y, bit 0 +z.
enum Face { L = 0, R = 1, B = 2, T = 3, N = 4, F = 5 };
constexpr int kCorner1[12] = {0, 2, 0, 1, 4, 6, 4, 5, 0, 1, 2, 3};
constexpr int kCorner2[12] = {1, 3, 2, 3, 5, 7, 6, 7, 4, 5, 6, 7};
constexpr int kLeftFace[12] = {B, L, L, F, R, T, N, R, N, B, T, F};
constexpr int kRightFace[12] = {L, T, N, L, B, R, R, F, B, F, N, T};

int NextClockwiseEdge(int edge, int face)
{
    switch (edge) {
    case 0: return face == L ? 3 : 8;
    case 1: return face == L ? 2 : 11;
    case 2: return face == L ? 0 : 10;
    case 3: return face == L ? 1 : 9;
    case 4: return face == R ? 6 : 9;
    case 5: return face == R ? 7 : 10;
    case 6: return face == R ? 5 : 8;
    case 7: return face == R ? 4 : 11;
    case 8: return face == B ? 4 : 2;
    case 9: return face == B ? 0 : 7;
    case 10: return face == T ? 1 : 6;
    default: return face == T ? 5 : 3;
    }
}

int OtherFace(int edge, int face)
{
    return face == kLeftFace[edge] ? kRightFace[edge] : kLeftFace[edge];
}

// Per case index, its polygons, each a list of edges. Built once; a
// function-local static is built once even with several threads.
using CubeTable = std::vector<std::vector<std::vector<int>>>;

CubeTable BuildCubeTable()
{
    CubeTable table(256);
    for (int index = 0; index < 256; ++index) {
        bool done[12] = {};
        bool inside[8];
        for (int c = 0; c < 8; ++c)
            inside[c] = (index >> c) & 1;
        for (int e = 0; e < 12; ++e) {
            if (done[e] || inside[kCorner1[e]] == inside[kCorner2[e]])
                continue;
            std::vector<int> polygon;
            const int start = e;
            int edge = e;
            int face = inside[kCorner1[e]] ? kRightFace[e] : kLeftFace[e];
            // 12 edges: a walk longer than that would be a broken table.
            for (int guard = 0; guard < 24; ++guard) {
                edge = NextClockwiseEdge(edge, face);
                done[edge] = true;
                if (inside[kCorner1[edge]] != inside[kCorner2[edge]]) {
                    polygon.insert(polygon.begin(), edge);
                    if (edge == start)
                        break;
                    face = OtherFace(edge, face);
                }
            }
            table[index].insert(table[index].begin(), std::move(polygon));
        }
    }
    return table;
}

const CubeTable &GetCubeTable()
{
    static const CubeTable table = BuildCubeTable();
    return table;
}

struct Corner {
    int i, j, k;
    double x, y, z;
    double value;
};

struct Cube {
    int i, j, k;
    Corner *corners[8];
    Cube *next;
};

struct CentreEntry {
    int i, j, k;
    CentreEntry *next;
};

struct CornerEntry {
    int i, j, k;
    double value;
    CornerEntry *next;
};

struct EdgeEntry {
    int i1, j1, k1, i2, j2, k2;
    int vertex;
    EdgeEntry *next;
};

// Lattice indices mixed over all their bits: a fine lattice has far more
// cubes than any few low bits can tell apart.
inline size_t Hash(int i, int j, int k)
{
    uint64_t h = uint64_t(uint32_t(i)) * 0x9E3779B97F4A7C15ull;
    h ^= uint64_t(uint32_t(j)) * 0xC2B2AE3D27D4EB4Full + (h >> 29);
    h ^= uint64_t(uint32_t(k)) * 0x165667B19E3779F9ull + (h >> 32);
    return size_t(h ^ (h >> 31));
}

inline size_t EdgeHash(int i1, int j1, int k1, int i2, int j2, int k2)
{
    return Hash(i1, j1, k1) * 31u + Hash(i2, j2, k2);
}

// A chained hash table whose records live in the run's block allocator; it
// doubles its bucket array when it holds twice as many records as buckets.
template <class Entry>
class LatticeTable {
public:
    explicit LatticeTable(size_t buckets) : m_buckets(buckets, nullptr) {}
    Entry *&Bucket(size_t hash) { return m_buckets[hash & (m_buckets.size() - 1)]; }
    void Added(size_t (*hashOf)(const Entry &))
    {
        if (++m_count <= 2 * m_buckets.size())
            return;
        std::vector<Entry *> larger(m_buckets.size() * 2, nullptr);
        for (Entry *head : m_buckets) {
            while (head) {
                Entry *next = head->next;
                Entry *&slot = larger[hashOf(*head) & (larger.size() - 1)];
                head->next = slot;
                slot = head;
                head = next;
            }
        }
        m_buckets.swap(larger);
    }

private:
    std::vector<Entry *> m_buckets;
    size_t m_count = 0;
};

class Run {
public:
    Run(const PolygonizerField &field, double cellSize, int bound, const PolygonizerTriangleSink &triangles,
        const PolygonizeLimits &limits)
        : m_field(field), m_size(cellSize), m_bound(bound), m_triangles(triangles), m_limits(limits),
          m_centres(kCentreBuckets), m_corners(kCornerBuckets), m_edges(kEdgeBuckets)
    {
    }

    // Null, "aborted" or "limit".
    const char *Seed(const float *seed, int mode);
    const PolygonizerVertices &Vertices() const { return m_vertices; }
    // Whether the surface crossed the bound somewhere (and is open there).
    bool Cut() const { return m_cut; }

private:
    double Field(double x, double y, double z)
    {
        ++t_stats.fieldEvaluations;
        const double p[3] = {x, y, z};
        return m_field(p);
    }
    // A point near the seed whose field has the wanted sign.
    bool Find(bool inside, const float *seed, double *point, double *value);
    bool SetCentre(int i, int j, int k);
    Corner *MakeCorner(int i, int j, int k);
    Cube *NewCube(int i, int j, int k);
    int EdgeVertex(const Corner *a, const Corner *b);
    // False when a sink call said stop.
    bool DoCube(const Cube *cube);
    bool DoTetrahedra(const Cube *cube);
    bool DoTetrahedron(const Corner *a, const Corner *b, const Corner *c, const Corner *d);
    bool Triangle(int a, int b, int c)
    {
        ++t_stats.triangles;
        return m_triangles(a, b, c, m_vertices) != 0;
    }
    void TestFace(int i, int j, int k, Cube *old, int bit, int c1, int c2, int c3, int c4);
    bool OverLimit();

    const PolygonizerField &m_field;
    double m_size;
    int m_bound;
    const PolygonizerTriangleSink &m_triangles;
    const PolygonizeLimits &m_limits;
    BlocksAllocator m_allocator;
    LatticeTable<CentreEntry> m_centres;
    LatticeTable<CornerEntry> m_corners;
    LatticeTable<EdgeEntry> m_edges;
    PolygonizerVertices m_vertices;
    SgRandomSequence m_random{1};
    Cube *m_stack = nullptr;
    bool m_haveOrigin = false;
    bool m_cut = false;
    double m_origin[3] = {0.0, 0.0, 0.0};
};

bool Run::Find(bool inside, const float *seed, double *point, double *value)
{
    double range = m_size;
    for (int attempt = 0; attempt < kStartTries; ++attempt) {
        for (int a = 0; a < 3; ++a) {
            const double u = double(m_random.Next() & 32767) / 32767.0;
            point[a] = double(seed[a]) + range * (u - 0.5);
        }
        *value = Field(point[0], point[1], point[2]);
        if ((*value > 0.0) == inside)
            return true;
        range += 0.2 * m_size;
    }
    return false;
}

bool Run::SetCentre(int i, int j, int k)
{
    CentreEntry *&bucket = m_centres.Bucket(Hash(i, j, k));
    for (CentreEntry *e = bucket; e; e = e->next)
        if (e->i == i && e->j == j && e->k == k)
            return true;
    auto *entry = static_cast<CentreEntry *>(m_allocator.Allocate(sizeof(CentreEntry)));
    *entry = {i, j, k, bucket};
    bucket = entry;
    m_centres.Added([](const CentreEntry &e) { return Hash(e.i, e.j, e.k); });
    return false;
}

Corner *Run::MakeCorner(int i, int j, int k)
{
    auto *c = static_cast<Corner *>(m_allocator.Allocate(sizeof(Corner)));
    c->i = i;
    c->j = j;
    c->k = k;
    c->x = m_origin[0] + (double(i) - 0.5) * m_size;
    c->y = m_origin[1] + (double(j) - 0.5) * m_size;
    c->z = m_origin[2] + (double(k) - 0.5) * m_size;
    CornerEntry *&bucket = m_corners.Bucket(Hash(i, j, k));
    for (CornerEntry *e = bucket; e; e = e->next) {
        if (e->i == i && e->j == j && e->k == k) {
            c->value = e->value;
            return c;
        }
    }
    c->value = Field(c->x, c->y, c->z);
    auto *entry = static_cast<CornerEntry *>(m_allocator.Allocate(sizeof(CornerEntry)));
    *entry = {i, j, k, c->value, bucket};
    bucket = entry;
    m_corners.Added([](const CornerEntry &e) { return Hash(e.i, e.j, e.k); });
    return c;
}

Cube *Run::NewCube(int i, int j, int k)
{
    auto *cube = static_cast<Cube *>(m_allocator.Allocate(sizeof(Cube)));
    cube->i = i;
    cube->j = j;
    cube->k = k;
    for (Corner *&c : cube->corners)
        c = nullptr;
    cube->next = nullptr;
    ++t_stats.cubes;
    return cube;
}

int Run::EdgeVertex(const Corner *a, const Corner *b)
{
    // The smaller corner first, so both cubes of an edge find one entry.
    if (a->i > b->i || (a->i == b->i && (a->j > b->j || (a->j == b->j && a->k > b->k))))
        std::swap(a, b);
    EdgeEntry *&bucket = m_edges.Bucket(EdgeHash(a->i, a->j, a->k, b->i, b->j, b->k));
    for (EdgeEntry *e = bucket; e; e = e->next)
        if (e->i1 == a->i && e->j1 == a->j && e->k1 == a->k && e->i2 == b->i && e->j2 == b->j && e->k2 == b->k)
            return e->vertex;

    // False position between the inside and the outside end.
    const Corner *in = a->value > 0.0 ? a : b;
    const Corner *out = in == a ? b : a;
    double pin[3] = {in->x, in->y, in->z}, pout[3] = {out->x, out->y, out->z};
    double vin = in->value, vout = out->value;
    double p[3];
    // Kept off the ends: a vertex on a corner would be one place for several
    // edges, and a field that jumps (or answers NaN) still gives a point of
    // the edge.
    auto place = [&]() {
        const double d = vin - vout;
        double t = -vout / d;
        if (!std::isfinite(t))
            t = 0.5;
        t = std::clamp(t, kEdgeMargin, 1.0 - kEdgeMargin);
        for (int n = 0; n < 3; ++n)
            p[n] = pout[n] + (pin[n] - pout[n]) * t;
    };
    place();
    for (int step = 0; step < kFalsePositionSteps; ++step) {
        const double v = Field(p[0], p[1], p[2]);
        if (v > 0.0) {
            std::copy(p, p + 3, pin);
            vin = v;
        } else {
            std::copy(p, p + 3, pout);
            vout = v;
        }
        place();
    }
    // Off the edge's own ends too, however far the refinement went towards
    // one: two edges of a corner must not give one place.
    {
        const double o[3] = {out->x, out->y, out->z};
        const double e[3] = {in->x - out->x, in->y - out->y, in->z - out->z};
        const double length2 = e[0] * e[0] + e[1] * e[1] + e[2] * e[2];
        double s = ((p[0] - o[0]) * e[0] + (p[1] - o[1]) * e[1] + (p[2] - o[2]) * e[2]) / length2;
        if (!std::isfinite(s))
            s = 0.5;
        s = std::clamp(s, kEdgeMargin, 1.0 - kEdgeMargin);
        for (int n = 0; n < 3; ++n)
            p[n] = o[n] + e[n] * s;
    }
    PolygonizerVertex vertex{{p[0], p[1], p[2]}, {0.0, 0.0, 0.0}};
    if (m_vertices.size() == m_vertices.capacity())
        m_vertices.reserve(m_vertices.empty() ? 10 : 2 * m_vertices.size());
    m_vertices.push_back(vertex);
    auto *entry = static_cast<EdgeEntry *>(m_allocator.Allocate(sizeof(EdgeEntry)));
    *entry = {a->i, a->j, a->k, b->i, b->j, b->k, int(m_vertices.size()) - 1, bucket};
    bucket = entry;
    const int index = entry->vertex;
    m_edges.Added([](const EdgeEntry &e) { return EdgeHash(e.i1, e.j1, e.k1, e.i2, e.j2, e.k2); });
    return index;
}

bool Run::DoCube(const Cube *cube)
{
    int index = 0;
    for (int c = 0; c < 8; ++c)
        if (cube->corners[c]->value > 0.0)
            index |= 1 << c;
    for (const std::vector<int> &polygon : GetCubeTable()[size_t(index)]) {
        int a = -1, b = -1, count = 0;
        for (int edge : polygon) {
            const int c = EdgeVertex(cube->corners[kCorner1[edge]], cube->corners[kCorner2[edge]]);
            if (++count > 2 && !Triangle(a, b, c))
                return false;
            if (count < 3)
                a = b;
            b = c;
        }
    }
    return true;
}

bool Run::DoTetrahedron(const Corner *a, const Corner *b, const Corner *c, const Corner *d)
{
    const bool ia = a->value > 0.0, ib = b->value > 0.0, ic = c->value > 0.0, id = d->value > 0.0;
    const int pattern = (ia ? 8 : 0) + (ib ? 4 : 0) + (ic ? 2 : 0) + (id ? 1 : 0);
    if (pattern == 0 || pattern == 15)
        return true;
    int e1 = 0, e2 = 0, e3 = 0, e4 = 0, e5 = 0, e6 = 0;
    if (ia != ib)
        e1 = EdgeVertex(a, b);
    if (ia != ic)
        e2 = EdgeVertex(a, c);
    if (ia != id)
        e3 = EdgeVertex(a, d);
    if (ib != ic)
        e4 = EdgeVertex(b, c);
    if (ib != id)
        e5 = EdgeVertex(b, d);
    if (ic != id)
        e6 = EdgeVertex(c, d);
    switch (pattern) {
    case 1: return Triangle(e5, e6, e3);
    case 2: return Triangle(e2, e6, e4);
    case 3: return Triangle(e3, e5, e4) && Triangle(e3, e4, e2);
    case 4: return Triangle(e1, e4, e5);
    case 5: return Triangle(e3, e1, e4) && Triangle(e3, e4, e6);
    case 6: return Triangle(e1, e2, e6) && Triangle(e1, e6, e5);
    case 7: return Triangle(e1, e2, e3);
    case 8: return Triangle(e1, e3, e2);
    case 9: return Triangle(e1, e5, e6) && Triangle(e1, e6, e2);
    case 10: return Triangle(e1, e3, e6) && Triangle(e1, e6, e4);
    case 11: return Triangle(e1, e5, e4);
    case 12: return Triangle(e3, e2, e4) && Triangle(e3, e4, e5);
    case 13: return Triangle(e6, e2, e4);
    case 14: return Triangle(e5, e3, e6);
    default: return true;
    }
}

bool Run::DoTetrahedra(const Cube *cube)
{
    static constexpr int kTetrahedra[6][4] = {{0, 2, 4, 1}, {6, 2, 1, 4}, {6, 2, 3, 1},
                                              {6, 4, 1, 5}, {6, 1, 3, 5}, {6, 3, 7, 5}};
    for (const auto &t : kTetrahedra)
        if (!DoTetrahedron(cube->corners[t[0]], cube->corners[t[1]], cube->corners[t[2]], cube->corners[t[3]]))
            return false;
    return true;
}

void Run::TestFace(int i, int j, int k, Cube *old, int bit, int c1, int c2, int c3, int c4)
{
    const bool inside = old->corners[c1]->value > 0.0;
    if ((old->corners[c2]->value > 0.0) == inside && (old->corners[c3]->value > 0.0) == inside &&
        (old->corners[c4]->value > 0.0) == inside)
        return;
    if (std::abs(i) > m_bound || std::abs(j) > m_bound || std::abs(k) > m_bound) {
        m_cut = true;
        return;
    }
    if (SetCentre(i, j, k))
        return;
    Cube *cube = NewCube(i, j, k);
    for (int c : {c1, c2, c3, c4})
        cube->corners[c ^ bit] = old->corners[c];
    for (int n = 0; n < 8; ++n)
        if (!cube->corners[n])
            cube->corners[n] = MakeCorner(i + ((n >> 2) & 1), j + ((n >> 1) & 1), k + (n & 1));
    cube->next = m_stack;
    m_stack = cube;
}

bool Run::OverLimit()
{
    if (t_stats.cubes > m_limits.maxCubes) {
        SgDiagWarning("Geometry",
                      "Polygonize: more than %ld lattice cubes; the surface is left unfinished (a larger cell "
                      "size or a smaller bound keeps it within the cap)",
                      m_limits.maxCubes);
        return true;
    }
    const std::size_t bytes = m_allocator.GetHeldBytes() + m_vertices.capacity() * sizeof(PolygonizerVertex);
    if (bytes > m_limits.maxBytes) {
        SgDiagWarning("Geometry",
                      "Polygonize: the lattice needs more than %zu bytes; the surface is left unfinished (a larger "
                      "cell size keeps it within the cap)",
                      m_limits.maxBytes);
        return true;
    }
    return false;
}

const char *Run::Seed(const float *seed, int mode)
{
    double in[3], out[3], vin = 0.0, vout = 0.0;
    if (!Find(true, seed, in, &vin) || !Find(false, seed, out, &vout))
        return nullptr;
    double p[3];
    for (int n = 0; n < 3; ++n)
        p[n] = (in[n] + out[n]) / 2.0;
    for (int step = 0; step < kBisections; ++step) {
        const double v = Field(p[0], p[1], p[2]);
        double *end = v > 0.0 ? in : out;
        std::copy(p, p + 3, end);
        for (int n = 0; n < 3; ++n)
            p[n] = (in[n] + out[n]) / 2.0;
    }
    if (!m_haveOrigin) {
        for (int n = 0; n < 3; ++n)
            m_origin[n] = (std::floor(p[n] / m_size) + 0.5) * m_size;
        m_haveOrigin = true;
    }
    int index[3];
    for (int n = 0; n < 3; ++n) {
        const double cell = std::floor((p[n] - m_origin[n] + m_size / 2.0) / m_size);
        // A seed far outside the lattice is not one of its cubes: that part
        // of the surface is left out, which the run reports.
        if (!(std::abs(cell) <= double(m_bound))) {
            m_cut = true;
            return nullptr;
        }
        index[n] = int(cell);
    }
    if (SetCentre(index[0], index[1], index[2]))
        return nullptr;
    Cube *start = NewCube(index[0], index[1], index[2]);
    for (int n = 0; n < 8; ++n)
        start->corners[n] = MakeCorner(index[0] + ((n >> 2) & 1), index[1] + ((n >> 1) & 1), index[2] + (n & 1));
    m_stack = start;
    long sinceCheck = 0;
    while (m_stack) {
        Cube *cube = m_stack;
        const bool goOn = mode ? DoCube(cube) : DoTetrahedra(cube);
        if (!goOn)
            return kPolygonizeAborted;
        m_stack = cube->next;
        const int i = cube->i, j = cube->j, k = cube->k;
        TestFace(i - 1, j, k, cube, 4, 0, 1, 2, 3);
        TestFace(i + 1, j, k, cube, 4, 4, 5, 6, 7);
        TestFace(i, j - 1, k, cube, 2, 0, 1, 4, 5);
        TestFace(i, j + 1, k, cube, 2, 2, 3, 6, 7);
        TestFace(i, j, k - 1, cube, 1, 0, 2, 4, 6);
        TestFace(i, j, k + 1, cube, 1, 1, 3, 5, 7);
        if (++sinceCheck >= 4096) {
            sinceCheck = 0;
            if (OverLimit())
                return kPolygonizeLimit;
        }
    }
    return OverLimit() ? kPolygonizeLimit : nullptr;
}

} // namespace

PolygonizeStats LastPolygonizeStats()
{
    return t_stats;
}

const char *Polygonize(const PolygonizerField &field, double cellSize, int bound, const float *seeds,
                       int seedCount, const PolygonizerTriangleSink &triangleSink,
                       const PolygonizerVertexSink &vertexSink, int mode, const PolygonizeLimits &limits)
{
    t_stats = PolygonizeStats();
    if (!(cellSize > 0.0) || !std::isfinite(cellSize)) {
        SgDiagError("Geometry", "Polygonize: cell size %g is not a positive length; nothing is made", cellSize);
        if (vertexSink)
            vertexSink(PolygonizerVertices());
        return nullptr;
    }
    if (bound < 0)
        bound = 0;
    Run run(field, cellSize, bound, triangleSink, limits);
    for (int s = 0; s < seedCount && seeds; ++s) {
        const char *result = run.Seed(seeds + 3 * s, mode);
        if (result == kPolygonizeAborted)
            return result;
        if (result == kPolygonizeLimit) {
            t_stats.vertices = int(run.Vertices().size());
            if (vertexSink)
                vertexSink(run.Vertices());
            return result;
        }
    }
    if (run.Cut())
        SgDiagWarning("Geometry",
                      "Polygonize: the surface reaches more than %d cells from the lattice origin and is left open "
                      "there: the surface is incomplete (a larger cell size or bound closes it)",
                      bound);
    t_stats.vertices = int(run.Vertices().size());
    if (vertexSink)
        vertexSink(run.Vertices());
    return nullptr;
}

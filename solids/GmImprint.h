#pragma once
// Imprint of intersecting solids, built soundly: the faces of
// both geometries are cut along their intersection so that the pieces of A
// and of B meet along shared edges, node for node.
//
// Nodes of both operands and every intersection point go into one vertex
// pool that merges points closer than the tolerance, so that a point found
// from A's side and from B's side is one node. Candidate face pairs come
// from the octree. A face pair in general position is cut along
// the overlap of the two sections with the other face's plane (vertex
// signs against the tolerance, on-plane vertices perturbed to the positive
// side); a coplanar pair is cut along each other's edges. Each cut face is
// then rebuilt as the planar arrangement of its boundary and its cuts:
// segments are split at every pool node on them and at their crossings,
// regions are traced with the interior on the left, holes are given to the
// smallest region around them, and the regions inside the original face
// become the pieces. A last pass puts into every piece edge the cut nodes
// lying on it, so that no T-junction remains.
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "solids/GmGeom.h"
#include "solids/GmLargeAllocator.h"
#include "solids/SolvaneExport.h"

namespace solvane {

class SOLVANE_API GmVertexPool {
public:
    explicit GmVertexPool(double tolerance);
    // The index of the first point closer than the tolerance, or a new one.
    int add(const Vec3 &p);
    const Vec3 &operator[](int i) const { return m_points[static_cast<size_t>(i)]; }
    int size() const { return static_cast<int>(m_points.size()); }
    double tolerance() const { return m_tol; }
    // Drops the lookup grid: no point can be added after it.
    void freeze();
    // Room for this many points without growing the grid on the way.
    void reserve(size_t points);

private:
    uint64_t key(int64_t x, int64_t y, int64_t z) const;
    // The first point of the cell chain under the key, or -1.
    int head(uint64_t key) const;
    void link(uint64_t key, int id);
    void grow();
    double m_tol;
    double m_tol2;
    double m_cell;
    std::vector<Vec3, GmLargeAllocator<Vec3>> m_points;
    // The lookup grid as flat arrays, not a node map with a vector per
    // cell: an imprint adds a point per node of both operands, and a
    // node-based map pays an allocation and a cache miss for each.
    // Open addressing on the cell key; the points of one cell are chained
    // through m_next.
    struct Slot {
        uint64_t key = 0;
        int head = -1;  // -1: free slot
    };
    std::vector<Slot, GmLargeAllocator<Slot>> m_slots;  // key and head side by side: one cache line per probe
    std::vector<int> m_next;    // per point: the next point of its cell, or -1
    size_t m_slotsUsed = 0;
};

// A face of an operand as loops of pool indices.
struct SOLVANE_API GmPolyFace {
    std::vector<std::vector<int>> loops;
    Vec3 normal;
    double d = 0.0;
    GmBox box;
    int operand = 0;
    uint32_t attributes = 0;
    uint32_t group = 0;
    uint8_t mark = 1;
    uint32_t sourceId = 0;  // id of the face it came from
    // Index of its cuts and coplanar faces in the imprint's side table, or
    // -1 while nothing met it. Most faces of a large pair meet nothing: the
    // two lists live apart so that the record, one per input face, stays at
    // two cache lines.
    int32_t met = -1;
};

// What the other operand left on a face: cut segments (pool indices) and
// the faces of the other operand coplanar with it.
struct SOLVANE_API GmFaceMeetings {
    std::vector<std::pair<int, int>> cuts;
    std::vector<int> coplanar;
};

// A piece of a face after the imprint.
struct SOLVANE_API GmPiece {
    std::vector<std::vector<int>> loops;  // outer loop first, holes after
    int face = 0;                         // index of its GmPolyFace (own operand)
    // A face nothing cut is its own piece: its loops are the face's and are
    // not copied (loops stays empty) until a pass changes them.
    bool sharesFace = false;

    const std::vector<std::vector<int>> &loopsIn(const GmPolyFace &f) const { return sharesFace ? f.loops : loops; }
};

// A record per input face and about one piece per face: the arrays that
// reach megabytes on large pairs.
using GmPolyFaces = std::vector<GmPolyFace, GmLargeAllocator<GmPolyFace>>;
using GmPieces = std::vector<GmPiece, GmLargeAllocator<GmPiece>>;

class SOLVANE_API GmImprint {
public:
    // The imprint works about the centre of both operands' nodes, with the
    // tolerance of their size (GmGeom::ToleranceForSize), so that nothing depends on where the
    // pair stands: the pool holds coordinates relative to origin().
    // `toleranceScale` coarsens the tolerance for a second try.
    GmImprint(GmGeom &a, GmGeom &b, double toleranceScale = 1.0);

    const Vec3 &origin() const { return m_origin; }
    double tolerance() const { return m_tol; }
    // A pool point back where the operands stand.
    Vec3 world(int id) const { return m_pool[id] + m_origin; }

    // Cuts both operands. Throws GmOperationFailed on data it cannot handle.
    void run();

    GmVertexPool &pool() { return m_pool; }
    GmPolyFaces &faces(int operand) { return m_faces[operand]; }
    GmPieces &pieces(int operand) { return m_pieces[operand]; }
    // The loops of a piece of the operand (its face's when it shares them).
    const std::vector<std::vector<int>> &loopsOf(int operand, const GmPiece &piece) const
    {
        return piece.loopsIn(m_faces[operand][static_cast<size_t>(piece.face)]);
    }
    // Undirected pool edges that lie on the other operand's surface.
    bool isCutEdge(int a, int b) const;
    static uint64_t edgeKey(int a, int b);

    // Point strictly inside a piece (its plane is that of its face).
    Vec3 interiorPoint(const GmPiece &piece, const GmPolyFace &face) const;
    // Whether a point of the face's plane lies inside the face (strictly).
    bool insideFace(const GmPolyFace &face, const Vec3 &p) const;
    // Winding number of the operand's original surface about p.
    double winding(int operand, const Vec3 &p) const;
    int pairCount() const { return m_pairs; }
    // The faces of the other operand coplanar with a face (by its index).
    const std::vector<int> &coplanarOf(int operand, int face) const;
    // Lets the faces, pieces and cuts go once what is kept has been copied
    // out; the pool's points stay.
    void releaseWork();

private:
    void extract(GmGeom &g, int operand);
    void intersectPair(int ia, int ib);
    void coplanarPair(GmPolyFace &f, GmPolyFace &g);
    void arrange(int operand, int face);
    void fixTJunctions();
    GmFaceMeetings &meetingsOf(GmPolyFace &f);

    GmGeom &m_a;
    GmGeom &m_b;
    Vec3 m_origin;
    double m_tol;
    GmVertexPool m_pool;
    GmPolyFaces m_faces[2];
    GmPieces m_pieces[2];
    std::vector<GmFaceMeetings> m_met[2];
    std::unordered_set<uint64_t> m_cutEdges;
    // Per pool point: whether a cut edge ends there. Most edges have an end
    // that is not on the cut, and are told so without a hash lookup.
    std::vector<uint8_t> m_onCut;
    std::vector<int> m_cutNodes;
    int m_pairs = 0;
};

}  // namespace solvane

#pragma once
// The boundary-representation container with its storage
//: element records live in chunked stores owned by the geometry and are
// never freed one by one; removal flags an element and hides it from the live
// lists, and all memory goes at once with the geometry.
#include <cmath>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "solids/GmElements.h"
#include "solids/GmStore.h"
#include "utilities/math/Mat3.h"
#include "utilities/math/Vec3.h"
#include "solids/SolvaneExport.h"

namespace solvane {

struct SOLVANE_API GmBox {
    // Empty until extended: a finite sentinel would clip boxes of models
    // that stand farther out than it.
    Vec3 min{HUGE_VAL, HUGE_VAL, HUGE_VAL};
    Vec3 max{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    bool empty() const { return min.x > max.x; }
    void extend(const Vec3 &p);
    void extend(const GmBox &b);
    // Equality allowed. Inline: the octree asks it for every candidate.
    bool overlaps(const GmBox &b) const
    {
        return !(max.x < b.min.x || b.max.x < min.x || max.y < b.min.y || b.max.y < min.y || max.z < b.min.z ||
                 b.max.z < min.z);
    }
    GmBox widened(double t) const;
};

class SOLVANE_API GmGeom {
public:
    // Tolerances are lengths relative to the size of what they measure, so
    // that a part of 20 micrometres cuts as one of 20 metres: a solid gets
    // kDefaultTolerance per kReferenceSize of its largest side when it is
    // built (ToleranceFor), its tolerance follows a scale it is given
    // (transform), and a boolean cuts with the tolerance of the pair's own
    // size (GmImprint), worked out from that size and never from the
    // operands' tolerances: those already carry their sizes, and scaling
    // them again by the pair's size counted the scale twice (a pair 1e-5
    // across then cut at 1e-16 and lost its faces). A tolerance is never
    // finer than the doubles of its coordinates can tell apart.
    static constexpr double kDefaultTolerance = 1e-6;
    static constexpr double kReferenceSize = 2.0;
    static double ToleranceForSize(double size);
    // Given where a tolerance is asked for: the one of the solid's own size.
    static constexpr double kToleranceOfItsSize = 0.0;
    // The tolerance of a solid whose points span `box` (kDefaultTolerance
    // for an empty one).
    static double ToleranceFor(const GmBox &box);

    explicit GmGeom(double tolerance = kDefaultTolerance);
    GmGeom(const GmBox &extent, double tolerance);
    // Copy; with unlink false the mates of source nodes and
    // faces name their copies and the other way round.
    GmGeom(const GmGeom &source, bool unlink = true);
    GmGeom &operator=(const GmGeom &) = delete;
    virtual ~GmGeom();
    // Geometries alive in the process: what tests of ownership count.
    static long liveCount();
    // Empties this geometry and copies the source into it.
    void assign(const GmGeom &source);
    // Drops everything this geometry holds (its storage included) and takes
    // the source's elements over without copying; the source is left empty.
    // The booleans build into a fresh geometry and hand it over this way,
    // so memory follows the result, not the history of operations.
    void takeOver(GmGeom &&source);
    // Element records held, live or removed: what the geometry's memory
    // grows with.
    size_t storedRecords() const;

    // ---- booleans ----
    // Each leaves the result in this geometry (the receiver, A) and returns
    // it; B is left as it was. A request that cannot give a sound result
    // throws GmOperationFailed (or GmInternalError) and leaves A unchanged.
    GmGeom *intersect(GmGeom *b);
    GmGeom *subtract(GmGeom *b);
    GmGeom *unite(GmGeom *b);
    // Both geometries cut along each other and kept apart.
    GmGeom *combine(GmGeom *b);
    // B's elements move into A; coincident faces are fused into one that
    // both solids use; shells are rebuilt two-sided.
    GmGeom *glue(GmGeom *b);
    bool canInteract(const GmGeom *b) const;

    double tolerance() const { return m_tolerance; }
    double tolerance2() const { return m_tolerance2; }
    const GmBox &extent() const { return m_extent; }

    // ---- builders ----
    // With lookup, the first live node closer than the tolerance is returned
    // (found set); the search goes through a hash grid, never a linear scan.
    GmNode *add_node(const Vec3 &p, bool mark = true, bool *found = nullptr, bool lookup = true);
    GmEdge *add_edge(GmNode *a, GmNode *b, bool mark = true, bool lookup = true, bool refuseShort = false);
    // The sequence is cut into loops wherever two consecutive nodes are not
    // joined by an edge (build_loops).
    GmFace *add_face(const std::vector<GmNode *> &nodes, bool mark = true);
    // One loop per sequence; missing edges are added (mark 1).
    GmFace *add_face_loops(const std::vector<std::vector<GmNode *>> &loops, bool mark = true);
    GmFace *add_triangle(GmNode *a, GmNode *b, GmNode *c, bool mark = true);
    GmFace *add_polygon(int n, GmNode *const *nodes, bool mark = true);
    GmFace *clone_face(GmFace *f);
    // For two triangles sharing e: replaces them by the two triangles on the
    // other diagonal and returns the second; null for any other faces.
    virtual GmFace *flip_edge(GmFace *f1, GmFace *f2, GmEdge *e);
    GmShell *new_shell();
    GmLoop *new_loop(GmFace *f);
    GmEdgeRef *new_edge_ref(GmEdge *e, GmLoop *l, bool reversed);
    GmFaceRef *add_face_use(GmShell *shell, GmFace *face, int side);
    GmSolid *insert(GmShell *shell);
    GmSolid *new_solid();
    void add_shell_to_solid(GmSolid *solid, GmShell *shell);
    // Rebuilds shells from face connectivity and makes solids:
    // mode 0 two-sided, keeping shells of positive volume; mode 1 one-sided on
    // the back side, where each negative shell (a cavity) joins the smallest
    // positive shell around it; mode 3 one-sided on the front side. Returns
    // the number of solids made. `planesCurrent` skips recomputing every face
    // plane first, for a geometry just built whose nodes have not moved.
    int build_solids(int mode = 0, bool planesCurrent = false);

    // ---- removal ----
    void remove_node(GmNode *n);
    void remove_edge(GmEdge *e);
    void remove_face(GmFace *f);
    void remove_solid(GmSolid *s);
    void remove_dangling(int what);
    void retireSolids();
    // Drops removed elements from the live lists (their records stay).
    void purge();
    // Removes every element.
    void clear();

    // ---- geometry ----
    void set_position(GmNode *n, const Vec3 &p);
    void transform(const Mat3 &m, const Vec3 *t = nullptr);
    void translate(const Vec3 &t);
    void compute_bbox();
    const GmBox &get_bbox();
    // Recomputes every face plane and loop area.
    void update();
    double volume();  // sum over the shells of all solids
    double area();    // sum of face areas
    void mergeSolids();

    // ---- element lists (live elements, creation order) ----
    std::vector<GmNode *> liveNodes() const;
    std::vector<GmEdge *> liveEdges() const;
    std::vector<GmFace *> liveFaces() const;
    std::vector<GmSolid *> liveSolids() const;
    int nodeCount() const { return m_liveNodes; }
    int edgeCount() const { return m_liveEdges; }
    int faceCount() const { return m_liveFaces; }
    int solidCount() const { return m_liveSolids; }
    int shellCount() const;

    // Faces and edges made by splitting or cloning.
    std::vector<GmBaseElm *> &split_pieces() { return m_splitPieces; }
    void release_pieces();

    // ---- element registry ----
    // Links a (of this geometry) and b (of other) as mates and records each
    // in its geometry's registry.
    void register_pair(GmBaseElm *a, GmGeom &other, GmBaseElm *b);
    // a becomes its own mate and is recorded.
    void register_self(GmBaseElm *a);
    // Clears the mates of the registered elements, removes registered solids,
    // and faces without shell use, edges without loop use and nodes without
    // edges; survivors lose their mark. Empties the registry when `clear`.
    void clean_registry(bool clear);
    const std::vector<GmBaseElm *> &registry() const { return m_registry; }

    // Smoothing groups are renumbered per geometry on copy, so the 22-bit
    // group field never overflows in long sessions.
    uint32_t nextGroup() { return ++m_groupCounter; }

private:
    friend class GmShellBuilder;
    void register_in_grid(GmNode *n);
    void unregister_from_grid(GmNode *n);
    void build_grid();
    uint64_t gridKey(int64_t ix, int64_t iy, int64_t iz) const;
    void init();
    void copyFrom(const GmGeom &source, bool unlink);
    void swapContents(GmGeom &other);

    double m_tolerance;
    double m_tolerance2;
    GmBox m_extent;
    GmBox m_bbox;
    bool m_bboxValid = false;
    uint32_t m_nextId = 1;
    uint32_t m_groupCounter = 0;

    GmStore<GmNode> m_nodeStore;
    GmStore<GmEdge> m_edgeStore;
    GmStore<GmFace> m_faceStore;
    GmStore<GmSolid> m_solidStore;
    GmStore<GmLoop> m_loopStore;
    GmStore<GmEdgeRef> m_edgeRefStore;
    GmStore<GmFaceRef> m_faceRefStore;
    GmStore<GmShell> m_shellStore;

    std::vector<GmNode *> m_nodes;
    std::vector<GmEdge *> m_edges;
    std::vector<GmFace *> m_faces;
    std::vector<GmSolid *> m_solids;
    std::vector<GmSolid *> m_retiredSolids;
    std::vector<GmBaseElm *> m_splitPieces;
    std::vector<GmBaseElm *> m_registry;
    int m_liveNodes = 0;
    int m_liveEdges = 0;
    int m_liveFaces = 0;
    int m_liveSolids = 0;

    double m_gridCell;
    // Built at the first lookup: geometries filled without lookups (copies,
    // boolean results) never pay for it.
    bool m_gridBuilt = false;
    std::unordered_map<uint64_t, std::vector<GmNode *>> m_grid;
};

}  // namespace solvane

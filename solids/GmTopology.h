#pragma once
// Topology and geometry operations of the kernel: face planes,
// loop and face areas, point-in-face tests, loop building, edge and face
// splitting, shell-use bookkeeping.
#include <vector>

#include "solids/GmElements.h"
#include "solids/SolvaneExport.h"

namespace solvane {

class GmGeom;

struct SOLVANE_API GmAxes {
    int u, v, w;
};
// Projection axes by thresholds (|n.z| > 0.5, then |n.y| > 0.5).
SOLVANE_API GmAxes axes_by_thresholds(const Vec3 &n);
// Projection axes dropping the dominant component (ties to the later axis).
SOLVANE_API GmAxes axes_by_dominant(const Vec3 &n);

// The start nodes of a loop's uses, in order.
SOLVANE_API std::vector<GmNode *> loop_nodes(const GmLoop *loop);
// Newell's vector of a loop (twice its vector area).
SOLVANE_API Vec3 loop_newell(const GmLoop *loop);

// Plane of the face from its first loop. A face whose first loop has fewer
// than 3 uses or no area keeps the unit normal (1,0,0), d 0 and area 0: it is
// degenerate and the healing removes it.
SOLVANE_API void face_plane(GmFace *f);
SOLVANE_API double loop_area(GmLoop *loop);
SOLVANE_API double face_area(GmFace *f);
// Area times the signed distance of the face's plane from c: a third of
// it is the signed volume of the cone from c over the face. Volumes are
// sums of these about a point near the solid, never about the origin.
SOLVANE_API double face_moment(GmFace *f, const Vec3 &c);
// The signed volume a shell encloses (its faces' uses by side).
SOLVANE_API double shell_volume(const GmShell *shell);
SOLVANE_API Vec3 oriented_normal(const GmFace *f);

SOLVANE_API bool point_in_loop(const GmLoop *loop, const Vec3 &p);
SOLVANE_API bool point_in_face(const GmFace *f, const Vec3 &p);

SOLVANE_API GmEdge *find_edge(const GmNode *a, const GmNode *b);
// Also tells whether the edge runs from b to a.
SOLVANE_API GmEdge *find_edge_dir(const GmNode *a, const GmNode *b, bool *reversed);

// Appends loops to the face from the node sequence, cutting it wherever two
// consecutive nodes are not joined by an edge.
SOLVANE_API void build_loops(GmGeom &g, GmFace *f, const std::vector<GmNode *> &nodes);
// One closed loop from the sequence; every pair must be joined by an edge.
SOLVANE_API GmLoop *make_loop(GmGeom &g, GmFace *f, const std::vector<GmNode *> &nodes);

// Splits the edge at node m into (node1, m) and (m, node2); every use of the
// edge is replaced by two uses keeping its direction. Returns the two pieces.
SOLVANE_API std::pair<GmEdge *, GmEdge *> split_edge(GmGeom &g, GmEdge *e, GmNode *m);

// Splits a face along a new edge between two nodes of the same loop (the
// outer loop of a face without holes, or any loop whose corners admit the
// diagonal). Shells that used the face use both pieces on the same side.
// Returns the new edge, or null when the split is not possible.
SOLVANE_API GmEdge *split_face(GmGeom &g, GmFace *f, GmNode *a, GmNode *b, GmFace **f1 = nullptr, GmFace **f2 = nullptr);

// Clears whichever side link of the face belongs to the shell; internal
// error when none does.
SOLVANE_API void remove_shell(GmFace *f, GmShell *shell);
SOLVANE_API void transfer_shell_uses(GmGeom &g, GmFace *from, GmFace *g1, GmFace *g2);
// The shell of the face's front use, else of its back use, else null.
SOLVANE_API GmShell *face_shell(const GmFace *f);

// Moves every use of edge `from` to edge `to`, reversed when flip is set.
SOLVANE_API void move_upper_dependencies(GmEdge *from, GmEdge *to, bool flip);
// Gives every edge of `from`'s ring the node `to` in its place.
SOLVANE_API void move_upper_dependencies(GmNode *from, GmNode *to);

}  // namespace solvane

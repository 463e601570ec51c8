#pragma once
// Triangulation of non-planar faces, without GL: four-sided
// faces are cut on the diagonal from their first to their third node by the
// kernel's face splitting; other non-planar faces of one loop are cut into
// triangles by ear clipping in the plane of the face (any number of nodes,
// no fixed buffer). Faces with holes that are not planar are left as they
// are and counted.
namespace solvane {

class GmGeom;

struct GmTriangulateStats {
    int split = 0;        // quadrilaterals cut on a diagonal
    int tessellated = 0;  // faces replaced by triangles
    int leftAlone = 0;    // non-planar faces with holes, left as they are
};

GmTriangulateStats triangulate(GmGeom &g, double tolerance);

}  // namespace solvane

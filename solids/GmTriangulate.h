#pragma once
// Triangulation of non-planar faces, without GL: four-sided
// faces are cut on the diagonal from their first to their third node by the
// kernel's face splitting; other non-planar faces of one loop are cut into
// triangles by ear clipping in the plane of the face (any number of nodes,
// no fixed buffer). Faces with holes that are not planar are left as they
// are and counted.
#include <vector>
#include "solids/SolvaneExport.h"

namespace solvane {

class GmGeom;

struct SOLVANE_API GmPoint2 {
    double x, y;
};

// Triangles of a plane polygon with holes: loops[0] the outer boundary,
// the others holes, in any direction. Each hole is joined to the boundary
// by a bridge to a vertex it can see, then ears are clipped. Returns index
// triples into the loops' vertices numbered one loop after the other.
SOLVANE_API std::vector<int> triangulate_polygon(const std::vector<std::vector<GmPoint2>> &loops);

struct SOLVANE_API GmTriangulateStats {
    int split = 0;        // quadrilaterals cut on a diagonal
    int tessellated = 0;  // faces replaced by triangles
    int leftAlone = 0;    // non-planar faces with holes, left as they are
};

SOLVANE_API GmTriangulateStats triangulate(GmGeom &g, double tolerance);

}  // namespace solvane

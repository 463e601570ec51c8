#pragma once
// Geometry from meshes: indexed polygons become nodes, edges and faces, with
// solids built from them; and the test and benchmark fixtures (boxes at any
// place, UV spheres, cylinders).
#include <memory>
#include <string>
#include <vector>

#include "solids/GmGeom.h"
#include "solids/SolvaneExport.h"

namespace solvane {

struct SOLVANE_API GmMesh {
    std::vector<Vec3> points;
    std::vector<std::vector<int>> polygons;  // counter-clockwise seen from outside
};

// Builds faces from the polygons (nodes merged within the tolerance through
// the hash grid, by default the one of the mesh's size) and then solids
// (build_solids mode 1). Polygons with fewer than 3 distinct nodes are left
// out. The caller owns the result.
SOLVANE_API GmGeom *geomFromMesh(const GmMesh &mesh, double tolerance = GmGeom::kToleranceOfItsSize, bool buildSolids = true);

// The faces of a geometry as a mesh (loops after the first are left out).
SOLVANE_API GmMesh meshFromGeom(GmGeom &g);

SOLVANE_API GmMesh boxMesh(const Vec3 &min, const Vec3 &max);
// A UV sphere: `segments` around the axis, segments/2 rings (at least 2).
SOLVANE_API GmMesh uvSphereMesh(const Vec3 &centre, double radius, int segments);
// A closed cylinder along z from z0 to z1.
SOLVANE_API GmMesh cylinderMesh(const Vec3 &baseCentre, double radius, double height, int segments);

// Applies an affine map to every point (orientation kept when det < 0 by
// reversing the polygons).
SOLVANE_API void transformMesh(GmMesh &mesh, const Mat3 &m, const Vec3 &t);

}  // namespace solvane

namespace solvane {

// The request boundary of mesh conversion: kernel errors become a failure
// result; the caller keeps no half-built geometry.
struct SOLVANE_API GmMeshResult {
    bool ok = false;
    std::unique_ptr<GmGeom> geom;
    std::string message;
};
SOLVANE_API GmMeshResult geom_from_mesh_request(const GmMesh &mesh, double tolerance = GmGeom::kToleranceOfItsSize);

}  // namespace solvane

#pragma once
// Shared by the tests of the swept shapes: curves from point lists, one
// traversal that builds a shape, and the faces of a mesh read back loop by
// loop.
#include <functional>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "utilities/math/Vec3.h"

struct MeshFace {
    std::vector<std::vector<int>> loops;
    int surface = 0;

    // The indexes of every loop, one after the other.
    std::vector<int> All() const;
};

// Starts the engine and the state test classes once.
void InitExtrusionTests();

SgRef<SgPolyLine> MakePolyLine(const std::vector<Vec3> &points, bool closed);
SgRef<SgPolyLine> MakePolyLine(const std::vector<std::vector<Vec3>> &loops, bool closed);
// The square of half side `h` about the origin in the xy plane,
// counter-clockwise seen from +z, starting at (-h, -h).
std::vector<Vec3> Square(double h);

// Traverses the node once (after `before`, when given, which may change
// the state) and returns the shape's result as a face set.
SgFaceSet *BuildMesh(SgGeometricShape *shape);
SgFaceSet *BuildMesh(SgGeometricShape *shape, const std::function<void(SgAction *)> &before);

std::vector<MeshFace> ReadFaces(SgFaceSet &mesh);
Vec3 Centroid(SgFaceSet &mesh, const MeshFace &face);
// The faces whose normal points towards `inside(centroid)` rather than
// away from it: the index of each.
std::vector<int> InwardFaces(SgFaceSet &mesh, const std::function<Vec3(const Vec3 &)> &inside);

#pragma once
// A hipped roof over a closed outline: one sloped face standing on every
// outline edge, meeting its neighbours along the straight skeleton, plus the
// flat footprint underneath. The builder hands vertices, faces and texture
// coordinates to functions of its caller, so it knows nothing of the mesh it
// fills.
//
// Frame: the outline's x and z are its plan; its first point's y is the
// base height. The roof comes out with the plan in x, y and heights along
// +z above the base. Faces run counter-clockwise seen from outside the roof
// (above for the roof faces, below for the footprint).
#include <string>
#include <vector>

#include "utilities/math/Vec2f.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

// Stores a vertex and returns its index; previousCopy is -1 or the index
// returned for the previous copy of the same skeleton point (faces get
// copies of their own when texture coordinates are made).
using SkeletonAddVertexFunc = int (*)(void *user, const Vec3 *position, int previousCopy);
// Stores one face of `count` indices.
using SkeletonAddFaceFunc = void (*)(void *user, const int *indices, int count);
// Stores the texture coordinate of the vertex stored last for a face.
using SkeletonAddTexCoordFunc = void (*)(void *user, const Vec2f *uv);

struct NODARA_API RoofBuildReport {
    // Empty when the roof was built; else why not.
    std::string error;
    int faces = 0;
    int splitEvents = 0;
    int edgeEvents = 0;
};

// Slopes in degrees: outline edge j (from point j to point j + 1) rises at
// slopes[min(j, count - 1)]; above 89 acts as 90, below 1 as 0. No slopes
// (count < 1) means 45 for every edge. Returns the greatest height above the
// base, or -1.0 when no roof could be made (then no function was called and
// the report says why).
NODARA_API double BuildStraightSkeletonRoof(const std::vector<Vec3> &outline, const double *slopes, int count, void *user,
                                 SkeletonAddVertexFunc addVertex, SkeletonAddFaceFunc addFace,
                                 SkeletonAddTexCoordFunc addTexCoord, RoofBuildReport *report = nullptr);

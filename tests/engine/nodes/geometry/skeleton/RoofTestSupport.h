#pragma once
// Roofs built into plain arrays, outlines generated for property runs, and
// the properties every roof must have.
#include <string>
#include <vector>

#include "engine/nodes/geometry/skeleton/RoofBuilder.h"
#include "tests/engine/nodes/geometry/skeleton/FloorPlanOutlines.h"
#include "utilities/math/Vec3.h"

struct RoofMesh {
    std::vector<Vec3> vertices;
    std::vector<std::vector<int>> faces; // the last is the footprint
    std::vector<int> previousCopies;
    int texCoords = 0;
    double height = -1.0;
    RoofBuildReport report;
};

// Outline points in the plan (x, z), y 0.
RoofMesh BuildRoof(const std::vector<Vec3> &outline, const std::vector<double> &slopesDegrees,
                   bool texCoords = false);

// Generated simple outlines of `count` corners, counter-clockwise in (x, z).
std::vector<Vec3> ConvexOutline(int count, unsigned seed);
// Star-shaped about the origin, with radii between 0.35 and 1: concave.
std::vector<Vec3> StarOutline(int count, unsigned seed);
// A star outline with extra corners on its edges: straight runs.
std::vector<Vec3> CollinearOutline(int count, unsigned seed);
// A band wound one and a half times round a spiral, its width varying at
// random: concave and not star-shaped, so the wavefront splits again and
// again.
std::vector<Vec3> SpiralOutline(int count, unsigned seed);
// A staircase-like outline of axis-parallel edges.
std::vector<Vec3> RectilinearOutline(int count, unsigned seed);

// Whether no two edges of the outline cross or touch, but neighbours at their
// shared corner.
bool IsSimpleOutline(const std::vector<Vec3> &outline);

// "" when the roof has every property: one face per outline edge (plus the
// footprint), each planar in its edge's roof plane and at its slope, their
// plan areas adding up to the outline's, and the whole closed with the
// footprint and facing outwards. Else what is wrong.
std::string CheckRoof(const RoofMesh &roof, const std::vector<Vec3> &outline, const std::vector<double> &slopes);

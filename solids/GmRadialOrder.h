#pragma once
// Radial order of the loop uses around an edge and the
// neighbour of a face use across an edge that the shell building follows.
#include "solids/GmElements.h"
#include "solids/SolvaneExport.h"

namespace solvane {

// The diamond angle of (a, b) in [0, 4), counter-clockwise from the positive
// first axis; 0 for a vector shorter than 1e-4.
SOLVANE_API double diamond_angle(double a, double b);

// Sorts the edge's uses by the angle of each face's inward tangent about the
// edge (node1 to node2); ties by face id, so that the order never depends on
// addresses. Does nothing when already sorted.
SOLVANE_API void sort_radial(GmEdge *e);

// The use that continues a shell across the edge from use u on the given
// side (0 front, 1 back), and the side on which the neighbour is used. Null
// for a self-loop edge or an edge with a single use.
SOLVANE_API GmEdgeRef *radial_neighbour(GmEdgeRef *u, int side, int *neighbourSide);

}  // namespace solvane

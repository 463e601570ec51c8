#pragma once
// The kernel side of the modifiers that rebuild a shape as a solid: the
// subdivision smoother, coplanar face merging and the slice by a sheet. Each
// takes a geometry and gives a new one that the caller owns; the input is
// never changed. Per-node smoothing data lives in arrays of the pass, never
// in the elements' attribute words.
#include "solids/GmGeom.h"
#include "utilities/math/Mat4.h"
#include "solids/SolvaneExport.h"

namespace solvane {

// The face group of every face a smoothing pass makes.
constexpr uint32_t kSmoothFaceGroup = 1234;

// `passes` subdivision passes: every face of k corners becomes k quads
// around its face point; new points are averages of face, edge and vertex
// points, open boundaries kept sharp. 0 passes gives a copy; a negative
// count is taken as 0. Faces of any number of corners are subdivided.
// Smoothing multiplies the faces by about four a pass: passes that would
// take the mesh past this many faces are not made (a quarter of a million
// faces takes about a hundred megabytes through conversion and drawing).
constexpr size_t kMaxSmoothFaces = size_t(1) << 18;
// `passesMade`, when given, receives the number of passes made (fewer than
// asked when the next would pass kMaxSmoothFaces).
SOLVANE_API GmGeom *smooth_geom(GmGeom &source, int passes, int *passesMade = nullptr);

// Merges faces across shared edges while their planes agree: unit normals
// closer than `epsilon` and each corner within `epsilon` of the other's
// plane. A group of faces whose outline is not one loop is left as it was.
SOLVANE_API GmGeom *simplify_geom(GmGeom &source, double epsilon);

// Gives each node of `to` the attribute word of the node of `from` at the
// same position (marks such as the smoothing tags), for the rebuilds that
// keep the source's points but make new nodes for them.
SOLVANE_API void carry_node_attributes(GmGeom &from, GmGeom &to);

// Cuts the geometry by the square sheet of side `size` centred at the origin
// of the sheet's frame in its z = 0 plane, placed by `sheetToShape`. type 0:
// split along the sheet, both sides kept apart; 1: the side the sheet's
// normal (+z) points to cut away; 2: the other side cut away; others: a copy.
// Throws the kernel's errors when a boolean cannot be made soundly.
SOLVANE_API GmGeom *slice_geom(GmGeom &source, const Mat4 &sheetToShape, double size, int type);

}  // namespace solvane

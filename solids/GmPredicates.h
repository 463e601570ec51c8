#pragma once
#include "solids/SolvaneExport.h"
// Orientation of three plane points with the exact sign: where a sign
// decides topology (the order of edges around a node, which side of an
// edge a point lies on), rounding must not flip it. A cheap floating-point
// evaluation is taken when its error bound allows; otherwise the
// determinant is summed exactly from error-free products and sums.
namespace solvane {

// Twice the signed area of the triangle abc: positive when a, b, c turn
// counter-clockwise, negative clockwise, 0 exactly when they are collinear.
// The magnitude is approximate, the sign exact.
SOLVANE_API double orient2d(double ax, double ay, double bx, double by, double cx, double cy);

}  // namespace solvane

#pragma once
// Rounding the corners of a point list with circular arcs tangent to both
// edges, the arc's step count following how sharply the path turns.
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

// Points FilletPolyline writes at most for one corner (arc points plus the
// gap) with the given steps per turn.
NODARA_API int FilletPointsPerCorner(double stepsPerTurn, int gap);

// Writes the filleted points into out (sized by the caller; see
// FilletPolyline's bound above) and returns the slots used, gaps included,
// or -1 for fewer than 3 points, no radius or a non-positive step count.
// arcCounts, when given, receives per radius position the steps of the last
// arc made with it.
NODARA_API int FilletPolyline(int n, const Vec3 *points, Vec3 *out, int radiusCount, const double *radii, int gap,
                   bool closed, double stepsPerTurn, int *arcCounts);

#pragma once
// Piecewise cubic curves in Bezier form: conversion of a point list (and its
// weights or handles) to three control points per segment, uniform sampling,
// evaluation at a parameter and arc length. Shared by the spline curve nodes
// and by anything that walks a spline by length.
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

namespace spline {

enum Kind { kPolyline = 0, kApproximating = 1, kInterpolating = 2, kHandles = 3 };

// Control points a curve of n points needs: 3 n + 1.
inline int ControlCount(int n) { return 3 * n + 1; }

// Fills out[0 .. 3 n] and returns the segment count (n closed, n - 1 open).
// An empty weight list counts as weight 1; a weight of 3 (which would make
// the interpolating relaxation divide by zero) is taken as 1 there. Handles
// are read only for kHandles and must hold 2 n entries.
NODARA_API int ToBezier(int kind, bool closed, int n, const Vec3 *points, int weightCount, const float *weights,
             Vec3 *out, const Vec3 *handles);

// Writes s points per segment (plus the last control point when open).
NODARA_API void SampleSegments(int n, int s, const Vec3 *control, Vec3 *out, bool closed, int segments);

// The point at t in 0..1 over the whole curve.
NODARA_API Vec3 EvalPoint(int n, double t, const Vec3 *control, bool closed);

// Length by Simpson's 3/8 rule with 3 n sub-intervals per segment, each axis
// scaled; cumulative, when given, receives segments * n + 1 running lengths.
NODARA_API double ArcLength(int n, int subdiv, const Vec3 *control, bool closed, int segments, double *cumulative,
                 const Vec3 &scale);

} // namespace spline

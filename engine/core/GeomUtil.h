#pragma once
// Plane, line and polygon routines shared by the tools and geometry nodes.
// Each tolerance is the one the callers were tuned with; none divides by a
// length that may be zero.
#include "engine/core/Line.h"
#include "engine/core/Plane.h"
#include "utilities/math/Vec3.h"

#include <vector>
#include "engine/core/NodaraExport.h"

class GenericPolyline;

// The infinite line through the Line's points against the plane. False when
// the line runs parallel to it (|normal . direction| < 1e-11).
NODARA_API bool Intersect(const Line &line, const Plane &plane, Vec3 &point);

// Closest points of the infinite lines a and b. For parallel lines
// (|det| < 1e-14) returns false with onA the projection of b's start onto a
// and onB b's start.
NODARA_API bool ClosestPoints(const Line &a, const Line &b, Vec3 &onA, Vec3 &onB);

// Closest points of the lines p0-p1 and p2-p3 when they come within
// sqrt(maxDistance2) of each other. Returns 0 for parallel lines (squared
// cross product below 1e-28), for lines farther apart than the limit, and for
// a degenerate system (then onFirst is p2 projected onto the first line and
// onSecond is p2); otherwise 1 with both points.
NODARA_API int ClosestPointsWithin(const Vec3 &p0, const Vec3 &p1, const Vec3 &p2, const Vec3 &p3,
                        double maxDistance2, Vec3 &onFirst, Vec3 &onSecond);

// Crossing of the coplanar lines a-b and c-d, solved in the coordinate plane
// where their cross product is largest (z first, then y, then x on ties).
// Returns 0 when that component is not above eps, else 1 with the point on a-b.
NODARA_API int IntersectLines(const Vec3 &a, const Vec3 &b, const Vec3 &c, const Vec3 &d, Vec3 &out, double eps);

// The infinite line through the Line's points against a sphere. False when
// they miss (or the line has no direction); else the two points, first the
// one farther along the line's direction.
NODARA_API bool IntersectSphere(const Line &line, const Vec3 &centre, double radius, Vec3 &first, Vec3 &second);

// The point lies within 1e-7 of the infinite line (squared distance < 1e-14).
NODARA_API bool IsPointOnLine(const Line &line, const Vec3 &p);

// Index of the component of largest magnitude, a tie going to the later axis.
NODARA_API int DominantAxis(const Vec3 &normal);
// The two axes that span the plane across the dominant one, in cyclic order,
// and the dominant axis last: x gives (1, 2, 0), y (2, 0, 1), z (0, 1, 2).
NODARA_API void GetProjectionAxes(const Vec3 &normal, int &u, int &v, int &w);

// Normal of one polygon loop over points stored as consecutive x, y, z
// doubles, visited through count indices (null: the points in order). The
// normal points so that the loop runs clockwise seen from it. Fewer than 3
// points give (0, 0, 1); the result is unit length unless shorter than 1e-5,
// when it is returned as computed (collinear points give a zero vector).
NODARA_API Vec3 ComputeFaceNormal(const double *points, const int *indices, int count);
// The same rule over a loop of a polyline, read through GetLoopPoint; a loop
// outside the polyline gives (0, 0, 1).
NODARA_API Vec3 ComputeFaceNormal(GenericPolyline &polyline, int loop);

// Twice the signed area of the closed polygon projected along an axis
// (0 x, 1 y, 2 z), positive for clockwise order seen from that axis; 0 for no
// points.
NODARA_API double ProjectedPolygonArea(const Vec3 *points, int n, int axis);

// Indices of the vertices where the direction turns by more than
// angleDegrees. A closed line tests vertices 1 .. n-1 and then 0, an open one
// 1 .. n-2. Returns how many were found; `corners` must hold n entries.
NODARA_API int FindSharpCorners(const Vec3 *points, int n, bool closed, double angleDegrees, int *corners);
NODARA_API int FindSharpCorners(const Vec3 *points, int n, bool closed, double angleDegrees, std::vector<int> &corners);

#pragma once
// Functions on point arrays shared by the builders that move a section along
// a path: lengths and arc-length parameters, scale curves, resampling of a
// path at the stations of a sampled function, merging of two sampled
// functions, matching two closed sections by angle, and the rotation that
// carries one direction onto another. Arrays belong to the caller; each
// function states how much room its output needs.
#include <vector>

#include "utilities/math/Mat3.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

// A sampled function of normalised arc length t (0 .. 1).
struct NODARA_API CurveSample {
    double t = 0.0;
    double value = 0.0;
};
// Two functions sampled at the same parameters.
struct NODARA_API CurveSample2 {
    double t = 0.0;
    double value1 = 0.0;
    double value2 = 0.0;
};

// Sum of the n - 1 segment lengths; 0 for n < 2.
NODARA_API double PolylineLength(int n, const Vec3 *points);

// params[i] = length up to point i over the total (over 1 when the total is
// 0), so params[0] = 0 and the last is 1 on a path of some length. Returns
// the total length. `params` holds n values.
NODARA_API double ArcLengthParams(int n, const Vec3 *points, double *params);

// A scale curve given as points (x position, y scale) becomes samples with
// positions normalised to 0 .. 1 from the first to the last point. A point
// less than 0.001 beyond the last kept one is dropped; scales below 0.001
// are raised to it, except the first. Returns the count written (at most n;
// 1 when n < 2 or when the positions span no length, 0 when n < 1).
NODARA_API int NormalizeScaleCurve(int n, const Vec3 *points, CurveSample *out);

// Inserts into the path the points where the sampled function changes
// (samples[k].t, for k >= 1, as a fraction of the path's length) and gives
// every output point the function's value there. Zero-length segments are
// dropped (a zero-length last segment takes the place of the point before
// it); a sample within the tolerance of a path point is not inserted. The
// tolerance is 0.001, or with `curved` half the smaller of the sample
// spacing and the segment's share of the length. outPoints and outSamples
// need room for n + m entries; returns the count written (0 for n < 1). m
// must be at least 1 (SgInvalidArgument).
NODARA_API int ResampleAlongSamples(int n, const Vec3 *points, int m, const CurveSample *samples, Vec3 *outPoints,
                         CurveSample *outSamples, bool curved);
NODARA_API int ResampleAlongSamples(int n, const Vec3 *points, int m, const CurveSample2 *samples, Vec3 *outPoints,
                         CurveSample2 *outSamples, bool curved);

// Both functions on one parameter grid: a parameter of a within 0.02 of one
// of b stands for both. Where one runs out, the other goes on with the last
// value of the first. `out` needs room for na + nb entries; returns the
// count written.
NODARA_API int MergeParamSamples(int na, const CurveSample *a, int nb, const CurveSample *b, CurveSample2 *out);

// The angle of each point about the centre in the plane of the coordinates
// (k + 1) mod 3 and (k + 2) mod 3: atan2 of the second over the first.
NODARA_API void SectionAngles(int n, const Vec3 *points, double *angles, const Vec3 &centre, int k);

// Rotates both arrays so that the smallest angle comes first; with `wanted`
// 1 or -1 the arrays are first reversed when their orientation (1 when the
// points run counter-clockwise about the centre, -1 clockwise, as told by
// the neighbours of the smallest angle) differs from it. Returns the
// orientation the arrays have afterwards.
NODARA_API int ReorderSectionByAngle(int n, double *angles, Vec3 *points, int wanted);

// Point lists of equal length that correspond by angle about the origin (in
// the xy plane): both start at their smallest angle and run the same way;
// where one section has a point the other lacks, the partner is where the
// other section's edge crosses the ray towards it. Returns the count
// (outA and outB need room for na + nb + 1 points).
NODARA_API int MatchSections(int na, int nb, const Vec3 *a, const Vec3 *b, Vec3 *outA, Vec3 *outB);
NODARA_API int MatchSections(int na, int nb, const Vec3 *a, const Vec3 *b, std::vector<Vec3> &outA,
                  std::vector<Vec3> &outB);

// The rotation R (R * v rotates v) that carries direction a onto direction
// b about the axis across both; a and b are normalised in place. Opposite
// directions give a half turn about an axis across a, so a section swept
// back the way it came is turned, never mirrored; a zero direction gives the
// identity. Returns true.
NODARA_API bool MinimalRotation(Vec3 &a, Vec3 &b, Mat3 &rotation);

#pragma once
// A continuation polygoniser: turns the zero set of a scalar field into
// triangles. From a start cube at each seed the cube lattice grows outward
// through the faces the surface crosses; each corner's field is evaluated
// once (corner-value table), each cube visited once (centre table, shared by
// all seeds) and each surface vertex made once (edge table). Inside is where
// the field is above 0.
//
// The lattice planes lie on multiples of the cell size around an origin
// fixed at the first seed that finds the surface. The start search draws
// from a private random sequence seeded with 1 at every run, so the same
// field and seeds give the same mesh in every run and every process.
//
// Work is bounded: no cube beyond `bound` cells from the lattice origin on
// any axis is visited (a larger surface is cut open there, and one
// "Geometry" diagnostic says the surface is incomplete), and the cube
// count and the working memory are capped (PolygonizeLimits); a run that
// reaches a cap stops, says so in one "Geometry" diagnostic, and hands what
// it made so far to the vertex sink.
#include <cstddef>
#include <functional>
#include <vector>
#include "engine/core/NodaraExport.h"

struct NODARA_API PolygonizerVertex {
    double position[3];
    // Always (0, 0, 0): the caller computes its own normals.
    double normal[3];
};

using PolygonizerVertices = std::vector<PolygonizerVertex>;

// The field at a point.
using PolygonizerField = std::function<double(const double *point)>;
// Takes a triangle of vertex indices; returning 0 aborts the run.
using PolygonizerTriangleSink = std::function<int(int i1, int i2, int i3, const PolygonizerVertices &vertices)>;
// Takes every vertex made, once, after the last seed.
using PolygonizerVertexSink = std::function<void(const PolygonizerVertices &vertices)>;

struct NODARA_API PolygonizeLimits {
    // The most cubes one run visits.
    long maxCubes = 4000000;
    // The most bytes of lattice records and vertices one run holds.
    std::size_t maxBytes = std::size_t(1) << 30;
};

enum PolygonizeMode { kPolygonizeTetrahedra = 0, kPolygonizeCubes = 1 };

// Results other than null.
extern NODARA_API const char *const kPolygonizeAborted; // "aborted": the triangle sink said stop
extern NODARA_API const char *const kPolygonizeLimit;   // "limit": a cap of PolygonizeLimits was reached

// Null on success. `seeds` holds seedCount points of three floats. The field
// and sinks are called on the calling thread only.
NODARA_API const char *Polygonize(const PolygonizerField &field, double cellSize, int bound, const float *seeds,
                       int seedCount, const PolygonizerTriangleSink &triangleSink,
                       const PolygonizerVertexSink &vertexSink, int mode,
                       const PolygonizeLimits &limits = PolygonizeLimits());

// Statistics of the last run on this thread, for benchmarks and tests.
struct NODARA_API PolygonizeStats {
    long cubes = 0;
    long fieldEvaluations = 0;
    int vertices = 0;
    int triangles = 0;
};
NODARA_API PolygonizeStats LastPolygonizeStats();

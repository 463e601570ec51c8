#pragma once
// The weighted straight skeleton of a simple polygon whose every edge
// carries its own slope: each edge rises inward as a roof plane, and the
// skeleton is what the polygon's corners trace while the wavefront (the
// outline at a given height) shrinks. The result is one roof face per edge:
// the edge's base and the skeleton points above it, each with its height.
//
// The wavefront is followed from event to event in height order: an edge
// event when an edge of the wavefront shrinks to nothing, a split event
// when a reflex corner runs into an edge of the wavefront and cuts it in
// two. Every event point is the meeting of traces with the fixed roof
// planes, so no error builds up from step to step. Corners between two
// collinear edges of one slope move straight inward. Events of one height
// (within rounding; floor plans on a grid are full of these: corridors
// closing along their length, reflex corners meeting head-on, edge and split
// events at one point) are taken together: the wavefront is cut where its
// corners meet or land on its edges, edges running head-on over each other
// cancel into ridges, and the corners are rejoined round each meeting point.
// An event alone at its point is handled by itself. The faces that come out
// are checked (in their planes, closing round the skeleton) before they are
// handed on.
//
// The work is bounded: a polygon whose events do not run out within a
// number of steps proportional to its size is reported as failed, as is one
// whose faces cannot be walked round; a failure is a message in GetError,
// never a half result.
#include <string>
#include <vector>

#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

// An outline corner: plan position (x, z; y is not read) and the slope in
// radians of the edge that runs from it to the next corner of its contour.
struct NODARA_API SkeletonPoint {
    Vec3 position;
    double slope = 0.0;
};
using SkeletonContour = std::vector<SkeletonPoint>;

class NODARA_API CStraightSkeleton {
public:
    // A roof face: the corners of the contour edge it stands on come first
    // (start, end), then the skeleton nodes above, so the loop runs
    // counter-clockwise seen from above when the contour does.
    struct Face {
        int edge = 0;
        std::vector<int> nodes;
    };
    struct Statistics {
        int edgeEvents = 0;
        int splitEvents = 0;
        int peakEvents = 0;
        int steps = 0;
    };

    CStraightSkeleton() = default;
    virtual ~CStraightSkeleton() = default;

    // Runs the skeleton of the first contour (the outer boundary; further
    // contours are holes, which this skeleton does not take: they are
    // ignored with a message). Consecutive corners at one place in plan are
    // reduced to the first of them in the caller's contours. The contour may
    // run either way round. False, with GetError set, when it cannot be
    // done: fewer than three distinct corners, a corner that turns back on
    // its edge, or events that do not resolve.
    bool Compute(std::vector<SkeletonContour> &contours);

    // Node positions: plan x and z, height in y. The contour's corners are
    // nodes 0 .. n-1 in contour order.
    const std::vector<Vec3> &GetNodes() const { return m_nodes; }
    // One face per contour edge, in contour order (edge i runs from corner
    // i to corner i + 1).
    const std::vector<Face> &GetFaces() const { return m_faces; }
    const std::string &GetError() const { return m_error; }
    const Statistics &GetStatistics() const { return m_stats; }
    // Whether the contour as given ran clockwise in plan (x, z) seen from
    // +y; the faces then run clockwise too.
    bool WasReversed() const { return m_bReversed; }

private:
    bool Fail(const std::string &text);

    std::vector<Vec3> m_nodes;
    std::vector<Face> m_faces;
    std::string m_error;
    Statistics m_stats;
    bool m_bReversed = false;
};

#pragma once
// What an extrusion node decides for the mesh builder (SgExtrude::extrude):
// cap styles, texture mapping, frame rule, which parts to emit. The builder
// changes only the next surface id and appends to the two ring lists; the
// nodes build from a copy, so rebuilding a node gives the same mesh.
#include <vector>

#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class CrossSectionFunction;
class SgGenPolyLine;

struct NODARA_API ExtrudeParams {
    // How one end of the sweep is finished.
    enum CapType : int {
        kFlatCap = 0,
        // The end's profile point is one vertex shared by every ring (a pole).
        kPoleCap = 1,
        // No cap; the end ring's vertex indexes go to the ring list.
        kStoreRing = 2,
        // No cap; the end's profile point is welded to a stored ring vertex.
        kWeldRing = 3,
    };

    ExtrudeParams() = default;
    ExtrudeParams(const ExtrudeParams &) = default;
    ExtrudeParams &operator=(const ExtrudeParams &) = default;
    virtual ~ExtrudeParams() = default;

    // 0: none; 1: u along the path, v along the profile, each 0 .. 1 by arc
    // length; 2: as 1 with u stretched by path length over profile length.
    int textureMapType = 1;
    int startCapType = kFlatCap;
    int endCapType = kFlatCap;
    // One list per profile loop.
    std::vector<std::vector<int>> startRings;
    std::vector<std::vector<int>> endRings;
    // Build the first frame from `axis` instead of the path's start.
    bool useAxis = false;
    // The direction the profile's own z axis points along before the sweep.
    Vec3 axis{0.0, 0.0, 1.0};
    // Reverses every face.
    bool flip = false;
    int nextSurfaceId = 1;
    // 0: the frame follows the path in 3D; 1: it turns only about the
    // vertical, so the profile's x axis stays horizontal.
    int rotateType = 0;
    // A face across every inner ring.
    bool crossSection = false;
    // The side faces.
    bool mainPart = true;
    // Non-zero: single-loop caps come from crossSectionFunction.
    int capping = 0;
    int cap0 = 1;
    int cap1 = 1;
    // Not owned.
    CrossSectionFunction *crossSectionFunction = nullptr;
    // Non-zero: inner slices also come from crossSectionFunction.
    int crossSectionType = 0;
    // Passed to every side quad: 0 keep, 1 split when bent, 2 always split.
    int autoTriangulation = 1;
    // A spine the node uses instead of its own for one build; not owned and
    // not read by the builder.
    SgGenPolyLine *pathOverride = nullptr;
};

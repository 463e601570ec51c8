#pragma once
// Moves a section polyline along a path polyline into a geometry sink: one
// ring of vertices per path point, each ring the section in a frame that
// follows the path by minimal rotations and meets the next at a mitre.
// Optionally morphs into an end section, scales each ring by a scale curve,
// or emits only the rings as faces.
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class GenericGeom;
class GenericPolyline;

class NODARA_API Sweep {
public:
    // Loop breaks recorded for the boundary faces of a closed path with an
    // open section; further breaks are left out with a diagnostic.
    static constexpr int kMaxLoopBreaks = 32;

    Sweep() = default;
    virtual ~Sweep() = default;

    // The end section may be null. Samples the curves (5 per segment) first.
    void Build(GenericGeom *sink, GenericPolyline *section, GenericPolyline *path, GenericPolyline *endSection);

    bool m_bRingsOnly = false;
    // Not owned; x positions along the path, y the scale there.
    GenericPolyline *m_pScaleCurve = nullptr;
};

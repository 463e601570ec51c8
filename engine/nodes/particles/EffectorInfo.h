#pragma once
// One dynamic effect met by the lights pass, as the particle emitters use
// it: the lights pass records the effect and its world matrix; each emitter
// step fills the emitter-relative matrices and the time step, the effect's
// InitDynamics its parameters.
#include "utilities/math/Mat4.h"
#include "utilities/math/Transform3.h"
#include "engine/core/NodaraExport.h"

class SgNode;

struct NODARA_API EffectorInfo {
    Mat4 transform;                  // the accumulated transform at the effect
    SgNode *effect = nullptr;
    double dt = 0.0;                 // the emitter's time step
    Transform3 relative;             // R: effect frame to emitter frame
    Transform3 inverseRelative;      // R⁻¹
    double params[6] = {};           // P0 .. P5, set by InitDynamics
    double extra[3] = {};            // Q0 .. Q2, set by InitDynamics
    // The emitter's slot holding R⁻¹ of the previous step (a moving plate
    // is followed from there); null before the emitter's first step.
    const Transform3 *previousInverse = nullptr;
    int particle = -1;               // the particle under an impact test
};

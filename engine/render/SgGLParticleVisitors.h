#pragma once
#include "engine/core/NodaraExport.h"
// The render action's visitors for particle emitters and dynamic effects.
// An emitter steps its simulation when drawn (the effect records come from
// the lights pass of the same frame) and shows its live particles as points
// and its emission rectangle as an outline; an effect shows the outline of
// its region.
class SgAction;
class SgNode;

struct NODARA_API SgGLParticleVisitors {
    // Size of a drawn particle, in pixels.
    static constexpr float kParticleSize = 3.0f;

    static void VisitEmitter(SgAction *action, SgNode *node);
    static void VisitDynamicEffect(SgAction *action, SgNode *node);
    // Enters the visitors in the render action's table and gives emitters
    // the frame's effect records.
    static void Install(void (**table)(SgAction *, SgNode *));
    // A line outline of the box of half sizes a, b, c about the origin.
    static void DrawBoxOutline(double a, double b, double c);
};

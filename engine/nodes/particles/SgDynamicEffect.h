#pragma once
// Base of the effects that act on the particles of the emitters drawn after
// them. Each effect has a region of influence in its local frame: everywhere
// ("shape" 0), a box (1) or an ellipsoid (2) of "dimension", inverted with
// "exclude". The lights pass records every effect met; an emitter calls
// InitDynamics once per step and EvalDynamics per particle.
#include "engine/core/SgShape.h"
#include "engine/core/SgTField.h"
#include "engine/nodes/particles/EffectorInfo.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgDynamicEffect : public SgShape {
    SG_CLASS_HEADER(SgDynamicEffect, SgFieldMngr)

    // Flags EvalDynamics returns.
    enum Result : int {
        kAcceleration = 1,   // third vector
        kNewVelocity = 2,    // fourth vector
        kNewPosition = 4,    // fifth vector
        kOffset = 8,         // fifth vector
        kDestroy = 16,
    };

    SgDynamicEffect();

    // Reads the current transform (so that caches depend on it), nothing more.
    void DoAction(SgAction *action) override;
    Range<Vec3f> BoundingBox() override;

    // For a particle at `position` with `velocity`; for impact effects the
    // first two are the positions before and after the step. The base has no
    // effect.
    virtual int EvalDynamics(const Vec3 &position, const Vec3 &velocity, Vec3 &acceleration, Vec3 &velocityOut,
                             Vec3 &positionOut, EffectorInfo *info);
    virtual void InitDynamics(EffectorInfo *) {}
    virtual bool IsImpact() const { return false; }

    // Effects that a step cannot take as an acceleration or offset without
    // blowing up (friction, a = -k v, past k dt of about 1; a turn, whose
    // offsets push particles outwards) act exactly over the step instead:
    // the emitter asks for their damping rate, then turns the particle.
    virtual bool ActsOverTheStep() const { return false; }
    virtual double Damping(const EffectorInfo *, const Vec3 &) const { return 0.0; }
    // Turns the emitter-space position and velocity by what the effect does
    // over the step; false when the particle is outside its region.
    virtual bool Turn(const EffectorInfo *, Vec3 &, Vec3 &) const { return false; }

    // Whether the region holds the emitter-space point. A region of no
    // extent along an axis holds nothing.
    bool Included(const EffectorInfo *info, const Vec3 &position) const;

    SgFVec3 m_dimension;
    SgFInt m_shape;
    SgFInt m_exclude;

protected:
    ~SgDynamicEffect() override = default;
};

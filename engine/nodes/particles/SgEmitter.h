#pragma once
// Emits point particles from a "width" x "height" rectangle in its local XY
// plane along +Z and moves them under the dynamic effects met before it.
// The simulation follows the "time" field: each drawing that reaches the
// emitter births the particles due by then and integrates every live one
// over the step since the previous drawing (a multistep scheme using up to
// three earlier steps). Time at or before "startEmission" starts again, so a
// replay repeats the same particles.
#include <cstdint>
#include <vector>

#include "engine/core/SgShape.h"
#include "engine/core/SgTField.h"
#include "engine/nodes/particles/EffectorInfo.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgEmitter : public SgShape {
    SG_CLASS_HEADER(SgEmitter, SgFieldMngr)

    // Effects an emitter takes into account; further ones are left out with
    // a warning.
    static constexpr int kMaxEffects = 32;
    // The most particles one emitter holds; a larger capacity is refused.
    static constexpr int kMaxParticles = 10000000;
    // The last time before any step has run.
    static constexpr double kNoTime = 10000.0;
    // The first step of an emitter whose time is past the start catches up
    // from the start in steps of this, at most kMaxCatchUpSteps of them.
    static constexpr double kCatchUpStep = 0.1;
    static constexpr int kMaxCatchUpSteps = 1000;
    // The catch-up makes fewer, longer steps when its steps times the
    // particles it will hold would pass this.
    static constexpr double kMaxCatchUpWork = 2e7;
    // What one particle costs: its four positions, velocities and
    // accelerations of history, its step count and its alive flag.
    static constexpr int64_t kParticleBytes = 12 * int64_t(sizeof(Vec3)) + int64_t(sizeof(uint16_t)) + 1;
    // The memory all emitters of the process hold particles in together, and
    // the particles it holds; births past it are refused with a message.
    static constexpr int64_t kLiveParticleMemory = int64_t(48) << 20;
    static constexpr int64_t kMaxLiveParticles = kLiveParticleMemory / kParticleBytes;

    // Where the emitter finds the effect records of the traversal (the render
    // action's, installed by the render library); none: no effects. The
    // source is asked with whatever action steps the emitter, null included.
    using EffectorsFn = std::vector<EffectorInfo> *(*)(SgAction *action);
    static void SetEffectorsSource(EffectorsFn fn) { s_pfnEffectors = fn; }

    SgEmitter();

    // One step of the simulation to the "time" field (see the class note).
    // The first step records its time, unless that time is past
    // "startEmission": then the steps from the start are made at once.
    void DoAction(SgAction *action) override;
    // A change of the birth rate, the start or the stop starts the particles
    // again at the next step.
    void OnChange(SgField *field) override;
    // The emission rectangle.
    Range<Vec3f> BoundingBox() override;

    // Births the particles due by t.
    void Generate(double t);
    // Empties the system: capacity from the fields (allocated anew when it
    // grows), generator reseeded unless "seed" is 0, nobody born.
    void InitAnimation();
    // One integration step of dt for every live particle under the `count`
    // effect records.
    void Integrate(int count, EffectorInfo *records, double dt);
    // The acceleration (flags 1) and offset (flags 8) sums of the non-impact
    // effects at a given state; the or-ed flags are returned.
    static int EvalAcceleration(const Vec3 &position, const Vec3 &velocity, int count, EffectorInfo *records,
                                Vec3 &acceleration, Vec3 &scratch, Vec3 &offset);
    // The same for particle i at its predicted position.
    int EvalAcceleration(int i, int count, EffectorInfo *records, Vec3 &acceleration, Vec3 &scratch, Vec3 &offset);
    // Frees the particle arrays.
    void Clean();
    void PreprocessDynamics() {}

    // The particles born so far, their positions (emitter frame) and alive
    // flags; the arrays hold at least GetSize() entries and grow with the
    // births, up to GetCapacity(), what the fields allow.
    int GetSize() const { return m_born; }
    int GetCapacity() const { return m_capacity; }
    int GetAllocated() const { return m_allocated; }
    // The particles every emitter holds now, against kMaxLiveParticles.
    static int64_t GetLiveParticles() { return s_liveParticles; }
    // Sets the budget (0: kMaxLiveParticles); returns the previous one. For
    // tests, which cannot afford ten million particles.
    static int64_t SetLiveParticleBudget(int64_t budget);
    const Vec3 *GetPoints() const { return m_position[0].data(); }
    const unsigned char *GetLife() const { return m_alive.data(); }
    const Vec3 *GetVelocities() const { return m_velocity[0].data(); }
    double GetLastTime() const { return m_lastTime; }
    // The steps the last catch-up made (0: none ran).
    int GetCatchUpSteps() const { return m_catchUpSteps; }
    // The particle moves all steps of this emitter have made so far (each
    // step moves every particle born and held): the work the steps cost.
    int64_t GetParticleMoves() const { return m_particleMoves; }

    SgFFloat m_birthRate;
    SgFFloat m_startEmission;
    SgFFloat m_stopEmission;
    SgFFloat m_speed;
    SgFFloat m_lifeTime;
    SgFFloat m_width;
    SgFFloat m_height;
    SgFDouble m_time;
    SgFInt m_seed;

protected:
    ~SgEmitter() override;

private:
    // The capacity the fields ask for; 0, with a warning, for a negative or
    // too large one.
    int RequestedCapacity();
    void ShiftHistory();
    // The step of a particle under effects that act over the whole step
    // (friction, turns); false when none acts on it.
    bool StepExactly(size_t i, int count, EffectorInfo *records, double dt);
    // Births to t and one integration step from the last time to t.
    void StepTo(double t, int count, EffectorInfo *records, const Transform3 &inverse);
    // Makes the arrays hold at least n particles, keeping those born.
    void Grow(int n);
    // Sets the number born, keeping the process-wide count in step.
    void SetBorn(int born);

    static EffectorsFn s_pfnEffectors;
    static int64_t s_liveParticles;
    static int64_t s_liveBudget;

    Transform3 m_effectSlots[kMaxEffects];
    int m_capacity = 0;
    int m_born = 0;
    int m_allocated = 0;
    double m_lastTime = kNoTime;
    double m_previousTime = kNoTime;
    double m_earlierTime = kNoTime;
    bool m_resetPending = false;
    bool m_toldTooManyEffects = false;
    // A capacity refused, or births refused for the process-wide budget:
    // told once until the fields change.
    bool m_toldCapacity = false;
    bool m_toldBudget = false;
    int m_catchUpSteps = 0;
    int64_t m_particleMoves = 0;
    // [0] current, [1] new, [2] previous, [3] the one before.
    std::vector<Vec3> m_position[4];
    std::vector<Vec3> m_velocity[4];
    // [0] newest, then the three before it.
    std::vector<Vec3> m_acceleration[4];
    std::vector<uint16_t> m_steps;
    std::vector<unsigned char> m_alive;
};

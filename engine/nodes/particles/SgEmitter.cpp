#include "engine/nodes/particles/SgEmitter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <utility>

#include "engine/core/SgStateAccessors.h"
#include "engine/nodes/particles/SgDynamicEffect.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgRandom.h"

SG_CLASS_SOURCE(SgEmitter, SgShape, SgFieldMngr, "SgEmitter")

SgEmitter::EffectorsFn SgEmitter::s_pfnEffectors = nullptr;
int64_t SgEmitter::s_liveParticles = 0;
int64_t SgEmitter::s_liveBudget = SgEmitter::kMaxLiveParticles;

int64_t SgEmitter::SetLiveParticleBudget(int64_t budget)
{
    return std::exchange(s_liveBudget, budget > 0 ? budget : kMaxLiveParticles);
}

namespace {

enum { kCurrent = 0, kNew = 1, kPrevious = 2, kEarlier = 3 };

SgDynamicEffect *EffectOf(const EffectorInfo &record)
{
    return dynamic_cast<SgDynamicEffect *>(record.effect);
}

} // namespace

SgEmitter::SgEmitter()
{
    AddField(m_birthRate, "birthRate", 10.0f);
    AddField(m_startEmission, "startEmission", 0.0f);
    AddField(m_stopEmission, "stopEmission", 100.0f);
    AddField(m_speed, "speed", 2.0f);
    AddField(m_lifeTime, "lifeTime", 10.0f);
    AddField(m_width, "width", 1.0f);
    AddField(m_height, "height", 1.0f);
    AddField(m_time, "time", 0.0);
    AddField(m_seed, "seed", 1);
}

SgEmitter::~SgEmitter()
{
    Clean();
}

void SgEmitter::OnChange(SgField *field)
{
    if (field == &m_birthRate || field == &m_startEmission || field == &m_stopEmission) {
        m_resetPending = true;
        m_toldCapacity = false;
        m_toldBudget = false;
    }
    SgShape::OnChange(field);
}

Range<Vec3f> SgEmitter::BoundingBox()
{
    const float w = m_width.Get(true) / 2, h = m_height.Get(true) / 2;
    return Range<Vec3f>(Vec3f(-w, -h, 0), Vec3f(w, h, 0));
}

int SgEmitter::RequestedCapacity()
{
    const float span = m_stopEmission.Get(true) - m_startEmission.Get(true);
    const double wanted = double(m_birthRate.Get(true)) * double(span);
    if (std::isnan(wanted) || wanted < 0.0) {
        if (std::exchange(m_toldCapacity, true))
            return 0;
        SgDiagWarning("Particles", "emitter %s: birth rate %g over %g time units gives no particle capacity; nothing is emitted",
                      GetName().c_str(), double(m_birthRate.Get(true)), double(span));
        return 0;
    }
    if (wanted > double(kMaxParticles)) {
        if (std::exchange(m_toldCapacity, true))
            return 0;
        SgDiagWarning("Particles", "emitter %s: %g particles are more than the %d an emitter holds; nothing is emitted",
                      GetName().c_str(), wanted, kMaxParticles);
        return 0;
    }
    return int(wanted);
}

void SgEmitter::SetBorn(int born)
{
    s_liveParticles += int64_t(born) - int64_t(m_born);
    m_born = born;
}

void SgEmitter::Grow(int n)
{
    if (n <= m_allocated)
        return;
    const size_t size = size_t(n);
    for (int k = 0; k < 4; ++k) {
        m_position[k].resize(size, Vec3(0, 0, 0));
        m_velocity[k].resize(size, Vec3(0, 0, 0));
        m_acceleration[k].resize(size, Vec3(0, 0, 0));
    }
    m_steps.resize(size, 0);
    m_alive.resize(size, 0);
    m_allocated = n;
}

void SgEmitter::Clean()
{
    SetBorn(0);
    if (m_allocated <= 0)
        return;
    for (int k = 0; k < 4; ++k) {
        std::vector<Vec3>().swap(m_position[k]);
        std::vector<Vec3>().swap(m_velocity[k]);
        std::vector<Vec3>().swap(m_acceleration[k]);
    }
    std::vector<uint16_t>().swap(m_steps);
    std::vector<unsigned char>().swap(m_alive);
    m_allocated = 0;
}

void SgEmitter::InitAnimation()
{
    m_resetPending = false;
    m_capacity = RequestedCapacity();
    if (const int seed = m_seed.Get(true))
        SgSrand(unsigned(seed));
    // The arrays grow with the births: what was allocated before is kept
    // and cleared, nothing more is allocated here.
    const size_t n = size_t(m_allocated);
    std::fill_n(m_alive.begin(), n, 0);
    std::fill_n(m_steps.begin(), n, 0);
    for (int k : {int(kCurrent), int(kPrevious), int(kEarlier)})
        std::fill_n(m_velocity[k].begin(), n, Vec3(0, 0, 0));
    SetBorn(0);
}

void SgEmitter::Generate(double t)
{
    if (m_lastTime == kNoTime) {
        m_lastTime = t;
        return;
    }
    const double start = m_startEmission.Get(true);
    if (t <= start || m_resetPending)
        InitAnimation();
    if (t >= m_stopEmission.Get(true))
        return;
    if (m_capacity == 0)
        InitAnimation();
    // Never past the capacity: the fields may ask for more than it holds
    // until the next reset.
    const double wanted = std::floor(double(m_birthRate.Get(true)) * (t - start));
    int due = wanted > 0.0 ? int(std::min(wanted, double(m_capacity))) : 0;
    if (due > m_born && s_liveParticles + (due - m_born) > s_liveBudget) {
        due = m_born + int(std::max<int64_t>(0, s_liveBudget - s_liveParticles));
        if (!std::exchange(m_toldBudget, true))
            SgDiagWarning("Particles",
                          "emitter %s: the scene holds %lld particles (%lld MB of particles), the most it may; no more are born",
                          GetName().c_str(), static_cast<long long>(s_liveBudget),
                          static_cast<long long>((s_liveBudget * kParticleBytes) >> 20));
    }
    if (due > m_allocated) {
        // Doubling keeps the copies few; the capacity and what the budget
        // still lets this emitter hold bound the last growth, so memory is
        // checked before it is taken.
        const int64_t doubled = std::max<int64_t>(int64_t(due), int64_t(m_allocated) * 2);
        const int64_t mostDue = int64_t(m_born) + std::max<int64_t>(0, s_liveBudget - s_liveParticles);
        try {
            Grow(int(std::max<int64_t>(due, std::min({doubled, int64_t(m_capacity), mostDue}))));
        } catch (const std::bad_alloc &) {
            Grow(due);
        }
    }
    const double width = m_width.Get(true), height = m_height.Get(true), speed = m_speed.Get(true);
    for (int i = m_born; i < due; ++i) {
        const int r1 = SgRand();
        const int r2 = SgRand();
        m_position[kCurrent][size_t(i)] =
            Vec3(r1 * width / SG_RAND_MAX - width / 2, r2 * height / SG_RAND_MAX - height / 2, 0);
        m_velocity[kCurrent][size_t(i)] = Vec3(0, 0, speed);
        m_steps[size_t(i)] = 0;
        m_alive[size_t(i)] = 1;
    }
    if (due > m_born)
        SetBorn(due);
}

int SgEmitter::EvalAcceleration(const Vec3 &position, const Vec3 &velocity, int count, EffectorInfo *records,
                                Vec3 &acceleration, Vec3 &scratch, Vec3 &offset)
{
    acceleration = Vec3(0, 0, 0);
    scratch = Vec3(0, 0, 0);
    offset = Vec3(0, 0, 0);
    int flags = 0;
    for (int i = 0; i < count; ++i) {
        SgDynamicEffect *effect = EffectOf(records[i]);
        if (!effect || effect->IsImpact() || effect->ActsOverTheStep())
            continue;
        Vec3 a(0, 0, 0), v(0, 0, 0), o(0, 0, 0);
        const int result = effect->EvalDynamics(position, velocity, a, v, o, &records[i]);
        flags |= result;
        if (result & SgDynamicEffect::kAcceleration)
            acceleration = acceleration + a;
        else if (result & SgDynamicEffect::kOffset)
            offset = offset + o;
    }
    return flags;
}

int SgEmitter::EvalAcceleration(int i, int count, EffectorInfo *records, Vec3 &acceleration, Vec3 &scratch,
                                Vec3 &offset)
{
    const double dt = count > 0 ? records[0].dt : 0.0;
    const Vec3 &v = m_velocity[kCurrent][size_t(i)];
    return EvalAcceleration(m_position[kCurrent][size_t(i)] + v * dt, v, count, records, acceleration, scratch,
                            offset);
}

void SgEmitter::Integrate(int count, EffectorInfo *records, double dt)
{
    const int n = std::min(m_born, m_allocated);
    m_particleMoves += n;
    const double lifeTime = m_lifeTime.Get(true);
    std::vector<Vec3> &p = m_position[kCurrent], &pp = m_position[kPrevious], &ppp = m_position[kEarlier];
    std::vector<Vec3> &pn = m_position[kNew];
    std::vector<Vec3> &v = m_velocity[kCurrent], &vp = m_velocity[kPrevious], &vpp = m_velocity[kEarlier];
    std::vector<Vec3> &vn = m_velocity[kNew];
    std::vector<Vec3> &a0 = m_acceleration[0], &a1 = m_acceleration[1], &a2 = m_acceleration[2],
                      &a3 = m_acceleration[3];
    for (int k = 0; k < n; ++k) {
        const size_t i = size_t(k);
        if (!m_alive[i])
            continue;
        const int s = m_steps[i];
        if (s * dt > lifeTime)
            m_alive[i] = 0;
        if (m_steps[i] < std::numeric_limits<uint16_t>::max())
            m_steps[i] = uint16_t(s + 1);
        Vec3 acceleration, scratch, offset;
        int flags;
        if (s == 0) {
            pn[i] = p[i];
            vn[i] = v[i];
            flags = EvalAcceleration(p[i], v[i], count, records, acceleration, scratch, offset);
        } else {
            flags = EvalAcceleration(k, count, records, acceleration, scratch, offset);
        }
        if (flags & SgDynamicEffect::kDestroy) {
            m_alive[i] = 0;
            pn[i] = p[i];
            vn[i] = v[i];
            continue;
        }
        a0[i] = (flags & SgDynamicEffect::kAcceleration) ? acceleration : Vec3(0, 0, 0);
        if (s == 0)
            continue;
        if (StepExactly(i, count, records, dt)) {
            // nothing more: the step is made
        } else if (s == 1) {
            vn[i] = v[i] + (a0[i] + a1[i]) * (dt * 0.5);
            pn[i] = p[i] + (v[i] + vn[i]) * (dt * 0.5);
        } else if (s == 2) {
            vn[i] = vp[i] + (a2[i] + a1[i] * 4.0 + a0[i]) * (0.333333 * dt);
            pn[i] = pp[i] + (vp[i] + v[i] * 4.0 + vn[i]) * (0.333333 * dt);
        } else {
            vn[i] = vpp[i] + (a3[i] + (a2[i] + a1[i]) * 3.0 + a0[i]) * (0.375 * dt);
            pn[i] = ppp[i] + (vpp[i] + (vp[i] + v[i]) * 3.0 + vn[i]) * (0.375 * dt);
        }
        pn[i] = pn[i] + offset;
        for (int e = 0; e < count; ++e) {
            SgDynamicEffect *effect = EffectOf(records[e]);
            if (!effect || !effect->IsImpact())
                continue;
            records[e].particle = k;
            Vec3 unused, velocityOut = vn[i], positionOut = pn[i];
            const int hit = effect->EvalDynamics(p[i], pn[i], unused, velocityOut, positionOut, &records[e]);
            if (hit & SgDynamicEffect::kNewVelocity) {
                m_steps[i] = 1;
                vn[i] = velocityOut;
            }
            if (hit & SgDynamicEffect::kNewPosition) {
                m_steps[i] = 1;
                pn[i] = positionOut;
            }
            if (hit & (SgDynamicEffect::kNewVelocity | SgDynamicEffect::kNewPosition)) {
                const int again = EvalAcceleration(pn[i], vn[i], count, records, acceleration, scratch, offset);
                if (again & SgDynamicEffect::kDestroy)
                    m_alive[i] = 0;
                else
                    a0[i] = (again & SgDynamicEffect::kAcceleration) ? acceleration : Vec3(0, 0, 0);
            }
        }
    }
    ShiftHistory();
}

bool SgEmitter::StepExactly(size_t i, int count, EffectorInfo *records, double dt)
{
    double damping = 0.0;
    bool turns = false;
    const Vec3 &p = m_position[kCurrent][i];
    for (int e = 0; e < count; ++e) {
        SgDynamicEffect *effect = EffectOf(records[e]);
        if (!effect || !effect->ActsOverTheStep())
            continue;
        if (effect->Included(&records[e], p)) {
            damping += effect->Damping(&records[e], p);
            turns = true;
        }
    }
    if (!turns)
        return false;
    // One step of dv/dt = a - k v solved exactly, with a the other effects'
    // acceleration held over the step: speeds decay and never change sign,
    // however strong the friction or long the step.
    const Vec3 &v = m_velocity[kCurrent][i];
    const Vec3 &a = m_acceleration[0][i];
    Vec3 &vn = m_velocity[kNew][i];
    Vec3 &pn = m_position[kNew][i];
    if (damping * dt > 1e-9) {
        const double decay = std::exp(-damping * dt);
        const double gone = (1.0 - decay) / damping; // the integral of the decay over the step
        vn = v * decay + a * gone;
        pn = p + v * gone + a * ((dt - gone) / damping);
    } else {
        vn = v + a * dt;
        pn = p + (v + vn) * (dt * 0.5);
    }
    for (int e = 0; e < count; ++e)
        if (SgDynamicEffect *effect = EffectOf(records[e]); effect && effect->ActsOverTheStep())
            effect->Turn(&records[e], pn, vn);
    return true;
}

void SgEmitter::ShiftHistory()
{
    // Positions: the earlier buffer is reused for the next new positions.
    std::swap(m_position[kEarlier], m_position[kPrevious]);   // earlier <- previous
    std::swap(m_position[kPrevious], m_position[kCurrent]);   // previous <- current
    std::swap(m_position[kCurrent], m_position[kNew]);        // current <- new, new <- old earlier
    std::swap(m_velocity[kEarlier], m_velocity[kPrevious]);
    std::swap(m_velocity[kPrevious], m_velocity[kCurrent]);
    std::swap(m_velocity[kCurrent], m_velocity[kNew]);
    // Accelerations: the newest becomes the previous one.
    std::swap(m_acceleration[3], m_acceleration[2]);
    std::swap(m_acceleration[2], m_acceleration[1]);
    std::swap(m_acceleration[1], m_acceleration[0]);
}

void SgEmitter::DoAction(SgAction *action)
{
    const double t = m_time.Get(true);
    if (t == m_lastTime)
        return;
    std::vector<EffectorInfo> *found = s_pfnEffectors ? s_pfnEffectors(action) : nullptr;
    int count = found ? int(found->size()) : 0;
    if (count > kMaxEffects) {
        if (!m_toldTooManyEffects)
            SgDiagWarning("Particles", "emitter %s: %d dynamic effects; only the first %d act on its particles",
                          GetName().c_str(), count, kMaxEffects);
        m_toldTooManyEffects = true;
        count = kMaxEffects;
    }
    EffectorInfo *records = count > 0 ? found->data() : nullptr;
    const Transform3 placement(action ? GetActionTransform(action) : Mat4());
    const Transform3 inverse = placement.IsSingular() ? Transform3() : placement.Inverse();

    // A scene opened at a time past the start shows the particles of that
    // time: the steps from the start are made now, in small ones.
    const double start = m_startEmission.Get(true);
    if (m_lastTime == kNoTime && t > start) {
        StepTo(start, count, records, inverse);
        // The work of the catch-up is about its steps times the particles
        // held at the end: fewer, longer steps for crowded emitters.
        const double span = std::min(t, double(m_stopEmission.Get(true))) - start;
        const double held = std::max(1.0, std::min(double(kMaxParticles), double(m_birthRate.Get(true)) * span));
        const double most = std::max(1.0, std::min(double(kMaxCatchUpSteps), std::floor(kMaxCatchUpWork / held)));
        const int steps = int(std::min(std::ceil((t - start) / kCatchUpStep), most));
        m_catchUpSteps = steps;
        for (int k = 1; k < steps; ++k)
            StepTo(start + (t - start) * k / steps, count, records, inverse);
    }
    StepTo(t, count, records, inverse);
}

void SgEmitter::StepTo(double t, int count, EffectorInfo *records, const Transform3 &inverse)
{
    Generate(t);
    const double dt = t - m_lastTime;
    for (int i = 0; i < count; ++i) {
        EffectorInfo &record = records[i];
        record.relative = inverse * Transform3(record.transform);
        record.inverseRelative = record.relative.IsSingular() ? Transform3() : record.relative.Inverse();
        record.dt = dt;
        record.previousInverse = &m_effectSlots[i];
        if (SgDynamicEffect *effect = EffectOf(record))
            effect->InitDynamics(&record);
    }
    if (t > m_lastTime) {
        Integrate(count, records, dt);
        for (int i = 0; i < count; ++i)
            m_effectSlots[i] = records[i].inverseRelative;
    }
    m_earlierTime = m_previousTime;
    m_previousTime = m_lastTime;
    m_lastTime = t;
}

// Particles: births and motion of an emitter, the effects that act on its
// particles, and the guarded cases (capacities, too many effects, divisions
// by zero in the effects).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/nodes/particles/SgAttractor.h"
#include "engine/nodes/particles/SgDeflector.h"
#include "engine/nodes/particles/SgDestructor.h"
#include "engine/nodes/particles/SgEmitter.h"
#include "engine/nodes/particles/SgFriction.h"
#include "engine/nodes/particles/SgRotation.h"
#include "engine/nodes/particles/SgPointAttractor.h"
#include "engine/nodes/particles/SgWind.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/nodes/geometry/ExtrusionTestSupport.h"

namespace {

// The effect records the emitters see while a test runs (instead of the
// render action's).
std::vector<EffectorInfo> g_records;
std::vector<EffectorInfo> *TestRecords(SgAction *)
{
    return &g_records;
}

class ParticlesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitExtrusionTests();
        g_records.clear();
        SgEmitter::SetEffectorsSource(&TestRecords);
    }
    void TearDown() override
    {
        g_records.clear();
        SgEmitter::SetEffectorsSource(m_previous);
    }
    // Steps the emitter to each time in turn.
    static void Run(SgEmitter &emitter, std::initializer_list<double> times)
    {
        for (double t : times) {
            emitter.m_time.Set(t);
            emitter.DoAction(nullptr);
        }
    }

private:
    SgEmitter::EffectorsFn m_previous = nullptr;
};

EffectorInfo RecordFor(SgDynamicEffect *effect, const Transform3 &placement = Transform3(), double dt = 1.0)
{
    EffectorInfo info;
    info.effect = effect;
    info.transform = placement.GetMatrix();
    info.relative = placement;
    info.inverseRelative = placement.Inverse();
    info.dt = dt;
    effect->InitDynamics(&info);
    return info;
}

} // namespace

TEST_F(ParticlesTest, DefaultsGiveAThousandPlacesAndTenBirthsPerTimeUnit)
{
    SgRef<SgEmitter> emitter = new SgEmitter;
    emitter->DoAction(nullptr);
    EXPECT_EQ(emitter->GetCapacity(), 0) << "the first step only records its time";
    emitter->m_time.Set(2.5);
    emitter->DoAction(nullptr);
    EXPECT_EQ(emitter->GetCapacity(), 1000);
    EXPECT_EQ(emitter->GetSize(), 25);
    for (int i = 0; i < 25; ++i) {
        const Vec3 &p = emitter->GetPoints()[i];
        EXPECT_TRUE(std::abs(p.x) <= 0.5 && std::abs(p.y) <= 0.5 && p.z == 0.0) << "particle " << i;
    }
}

TEST_F(ParticlesTest, AFirstStepPastTheStartCatchesUp)
{
    // A scene opened at time 2.5 shows the particles of that time at once.
    SgRef<SgEmitter> emitter = new SgEmitter;
    emitter->m_time.Set(2.5);
    emitter->DoAction(nullptr);
    EXPECT_EQ(emitter->GetSize(), 25);
    EXPECT_NEAR(emitter->GetPoints()[0].z, 2.0 * (2.5 - 0.1), 1e-3) << "the first one, born at 0.1, has moved";
}

TEST_F(ParticlesTest, AParticleWithoutEffectsRestsOneStepThenMovesAtItsSpeed)
{
    SgRef<SgEmitter> emitter = new SgEmitter;
    emitter->m_birthRate.Set(1.0f);
    emitter->DoAction(nullptr);
    std::vector<double> heights;
    for (double t : {1.0, 2.0, 3.0, 4.0, 5.0}) {
        emitter->m_time.Set(t);
        emitter->DoAction(nullptr);
        heights.push_back(emitter->GetPoints()[0].z);
    }
    // Born at t = 1, resting in the step it is born in, then 2 a unit (the
    // two-step rule's factor 0.333333 costs a few millionths).
    const double expected[] = {0.0, 2.0, 4.0, 6.0, 8.0};
    for (size_t i = 0; i < heights.size(); ++i)
        EXPECT_NEAR(heights[i], expected[i], 1e-5) << "after step " << i;
}

TEST_F(ParticlesTest, CapacitiesFollowTheFieldsAndBadOnesAreRefused)
{
    struct Case {
        float birthRate;
        float start;
        float stop;
        int capacity;
        bool warned;
    };
    const Case cases[] = {
        {0.0f, 0.0f, 100.0f, 0, false},
        {-5.0f, 0.0f, 100.0f, 0, true},
        {10.0f, 50.0f, 0.0f, 0, true},
        {1e9f, 0.0f, 100.0f, 0, true},
        {4.0f, 0.0f, 10.0f, 40, false},
    };
    for (const Case &c : cases) {
        SgDiagCapture capture;
        SgRef<SgEmitter> emitter = new SgEmitter;
        emitter->m_birthRate.Set(c.birthRate);
        emitter->m_startEmission.Set(c.start);
        emitter->m_stopEmission.Set(c.stop);
        emitter->DoAction(nullptr);
        emitter->m_time.Set(0.5);
        emitter->DoAction(nullptr);
        EXPECT_EQ(emitter->GetCapacity(), c.capacity) << "birth rate " << c.birthRate;
        EXPECT_LE(emitter->GetSize(), emitter->GetCapacity());
        EXPECT_EQ(capture.Count("Particles") > 0, c.warned) << capture.GetText();
    }
}

TEST_F(ParticlesTest, ChangingTheBirthRateStartsAgainWithoutWritingPastTheArrays)
{
    SgRef<SgEmitter> emitter = new SgEmitter;
    emitter->DoAction(nullptr);
    emitter->m_time.Set(50.0);
    emitter->DoAction(nullptr);
    EXPECT_EQ(emitter->GetSize(), 500);
    emitter->m_birthRate.Set(30.0f);
    emitter->m_time.Set(60.0);
    emitter->DoAction(nullptr);
    EXPECT_EQ(emitter->GetCapacity(), 3000) << "a larger capacity is allocated anew";
    EXPECT_EQ(emitter->GetSize(), 1800);
    // Running time back to the start repeats the same particles.
    emitter->m_time.Set(0.0);
    emitter->DoAction(nullptr);
    emitter->m_time.Set(1.0);
    emitter->DoAction(nullptr);
    const Vec3 first = emitter->GetPoints()[0];
    emitter->m_time.Set(0.0);
    emitter->DoAction(nullptr);
    emitter->m_time.Set(1.0);
    emitter->DoAction(nullptr);
    EXPECT_EQ(emitter->GetPoints()[0].x, first.x);
    EXPECT_EQ(emitter->GetPoints()[0].y, first.y);
}

TEST_F(ParticlesTest, RegionsIncludeByShapeAndExclude)
{
    SgRef<SgDestructor> effect = new SgDestructor;
    effect->m_dimension.Set(Vec3(2, 2, 2));
    struct Case {
        int shape;
        int exclude;
        Vec3 point;
        bool included;
    };
    const Case cases[] = {
        {1, 0, {0.99, 0, 0}, true}, {1, 0, {1, 0, 0}, false}, {1, 1, {0.99, 0, 0}, false},
        {1, 1, {1, 0, 0}, true},    {2, 0, {0.6, 0.6, 0.6}, false}, {2, 0, {0.5, 0.5, 0.5}, true},
        {0, 0, {50, 0, 0}, true},   {0, 1, {0, 0, 0}, false},
    };
    for (const Case &c : cases) {
        effect->m_shape.Set(c.shape);
        effect->m_exclude.Set(c.exclude);
        EffectorInfo info = RecordFor(effect.get());
        EXPECT_EQ(effect->Included(&info, c.point), c.included)
            << "shape " << c.shape << " exclude " << c.exclude << " at " << c.point.x << ", " << c.point.y;
    }
    // A region of no extent holds nothing and divides by nothing.
    effect->m_dimension.Set(Vec3(0, 0, 0));
    effect->m_exclude.Set(0);
    for (int shape : {1, 2}) {
        effect->m_shape.Set(shape);
        EffectorInfo info = RecordFor(effect.get());
        EXPECT_FALSE(effect->Included(&info, Vec3(0, 0, 0))) << "shape " << shape;
    }
}

TEST_F(ParticlesTest, AttractorsAndWindGiveTheirAccelerations)
{
    Vec3 a, scratch, offset;
    // Turned upside down, the default attractor pulls along +Z; moving it
    // changes nothing.
    SgRef<SgAttractor> gravity = new SgAttractor;
    EffectorInfo turned = RecordFor(gravity.get(), Transform3(Rotation(Vec3(1, 0, 0), M_PI), Vec3(3, 4, 5)));
    ASSERT_EQ(gravity->EvalDynamics(Vec3(0, 0, 0), Vec3(0, 0, 0), a, scratch, offset, &turned), 1);
    EXPECT_NEAR(a.z, 10.0, 1e-9);
    EXPECT_NEAR(a.x, 0.0, 1e-9);

    // A point attractor pulls with k / r^2 toward its centre, and gives
    // nothing at the centre itself.
    SgRef<SgPointAttractor> point = new SgPointAttractor;
    EffectorInfo at = RecordFor(point.get(), Transform3(Vec3(0, 0, 2)));
    ASSERT_EQ(point->EvalDynamics(Vec3(0, 0, 0), Vec3(0, 0, 0), a, scratch, offset, &at), 1);
    EXPECT_NEAR(a.z, 10.0 / 4.0, 1e-9);
    a = Vec3(7, 7, 7);
    EXPECT_EQ(point->EvalDynamics(Vec3(0, 0, 2), Vec3(0, 0, 0), a, scratch, offset, &at), 0);

    // Wind of 10 pulls a particle at rest toward 10 along its axis and
    // leaves one already at 10 alone.
    SgRef<SgWind> wind = new SgWind;
    EffectorInfo blowing = RecordFor(wind.get());
    wind->EvalDynamics(Vec3(0, 0, 0), Vec3(0, 0, 0), a, scratch, offset, &blowing);
    EXPECT_NEAR(a.z, 10.0, 1e-9);
    wind->EvalDynamics(Vec3(0, 0, 0), Vec3(0, 0, 10), a, scratch, offset, &blowing);
    EXPECT_NEAR(a.z, 0.0, 1e-9);
}

TEST_F(ParticlesTest, DeflectorBouncesByElasticityAndFriction)
{
    SgRef<SgDeflector> plate = new SgDeflector;
    plate->m_dimension.Set(Vec3(4, 4, 1));
    struct Case {
        float elasticity;
        float friction;
        Vec3 before;
        Vec3 after;
        int flags;
        Vec3 velocity;
    };
    const Case cases[] = {
        // Head on at speed 2: half the normal speed back.
        {50, 0, {0, 0, 1}, {0, 0, -1}, 6, {0, 0, 1}},
        {100, 0, {0, 0, 1}, {0, 0, -1}, 6, {0, 0, 2}},
        // Slanting: the tangential speed kept, or lost with friction 100.
        {50, 0, {0, 0, 1}, {1, 0, -1}, 6, {1, 0, 1}},
        {50, 100, {0, 0, 1}, {1, 0, -1}, 6, {0, 0, 1}},
        // Outside the plate, on one side, or moving in its plane: no bounce.
        {50, 0, {3, 0, 1}, {3, 0, -1}, 0, {}},
        {50, 0, {0, 0, 2}, {0, 0, 1}, 0, {}},
        {50, 0, {0, 0, 0}, {1, 0, 0}, 0, {}},
    };
    for (const Case &c : cases) {
        plate->m_elasticityPercent.Set(c.elasticity);
        plate->m_friction.Set(c.friction);
        EffectorInfo info = RecordFor(plate.get());
        Vec3 unused, velocity, position;
        const int flags = plate->EvalDynamics(c.before, c.after, unused, velocity, position, &info);
        EXPECT_EQ(flags, c.flags) << "elasticity " << c.elasticity << " from z " << c.before.z;
        if (flags != 6)
            continue;
        EXPECT_NEAR(velocity.x, c.velocity.x, 1e-9);
        EXPECT_NEAR(velocity.z, c.velocity.z, 1e-9);
        EXPECT_GT(position.z, 0.0) << "back on the side it came from";
    }
    // A plate of no size is missed beside its centre.
    plate->m_dimension.Set(Vec3(0, 0, 0));
    EffectorInfo none = RecordFor(plate.get());
    Vec3 unused, velocity, position;
    EXPECT_EQ(plate->EvalDynamics(Vec3(0.1, 0, 1), Vec3(0.1, 0, -1), unused, velocity, position, &none), 0);
}

TEST_F(ParticlesTest, EmitterStepsUnderEffectsAndRefusesMoreThanItsSlots)
{
    // Particles falling onto a plate below the emitter bounce back up.
    SgRef<SgEmitter> emitter = new SgEmitter;
    emitter->m_speed.Set(-1.0f);
    emitter->m_birthRate.Set(1.0f);
    SgRef<SgDeflector> plate = new SgDeflector;
    plate->m_dimension.Set(Vec3(10, 10, 1));
    plate->m_elasticityPercent.Set(50.0f);
    EffectorInfo record;
    record.effect = plate.get();
    record.transform = Transform3(Vec3(0, 0, -1.5)).GetMatrix();
    g_records.push_back(record);
    Run(*emitter, {0, 1, 2, 3, 4, 5});
    EXPECT_GT(emitter->GetPoints()[0].z, -1.5) << "the first particle never passes the plate";
    EXPECT_GT(emitter->GetVelocities()[0].z, 0.0) << "it bounced";

    // Forty effects: the first 32 act, the rest are left out with one warning.
    SgRef<SgAttractor> gravity = new SgAttractor;
    g_records.clear();
    for (int i = 0; i < 40; ++i) {
        EffectorInfo pull;
        pull.effect = gravity.get();
        g_records.push_back(pull);
    }
    SgDiagCapture capture;
    SgRef<SgEmitter> crowded = new SgEmitter;
    Run(*crowded, {0, 1, 2, 3});
    EXPECT_EQ(capture.Count("Particles"), 1) << capture.GetText();
    EXPECT_TRUE(capture.Contains("40 dynamic effects")) << capture.GetText();
    // 32 pulls of 10 from t = 2 to 3 on a particle moving up at 2.
    EXPECT_LT(crowded->GetVelocities()[0].z, 2.0 - 32 * 10 * 0.5);
}

// Friction and rotation act exactly over each step: strong friction stops
// particles within speed / strength of where they start, and a rotation
// keeps each particle at its distance from the axis, at any step length.
TEST_F(ParticlesTest, FrictionAndRotationStayBoundedAtLongSteps)
{
    struct Case {
        const char *what;
        float strength;
        double bound;
    };
    const Case cases[] = {
        {"friction 15", 15.0f, 3.0 / 15.0},
        {"friction 50", 50.0f, 3.0 / 50.0},
        {"friction 1", 1.0f, 3.0},
    };
    for (const Case &c : cases) {
        g_records.clear();
        SgRef<SgFriction> friction = new SgFriction;
        friction->m_strength.Set(c.strength);
        g_records.push_back(RecordFor(friction.get()));
        SgRef<SgEmitter> emitter = new SgEmitter;
        emitter->m_birthRate.Set(20.0f);
        emitter->m_speed.Set(3.0f);
        for (int k = 0; k <= 40; ++k)
            Run(*emitter, {0.1 * k});
        double highest = 0;
        for (int i = 0; i < emitter->GetSize(); ++i)
            highest = std::max(highest, std::abs(emitter->GetPoints()[size_t(i)].z));
        EXPECT_LE(highest, c.bound + 1e-6) << c.what;
        EXPECT_GT(highest, 0.0) << c.what << ": particles still move off";
    }

    // A turn about the emitter's axis at the default speed: the particles
    // born on the emitter's square stay within its half diagonal.
    g_records.clear();
    SgRef<SgRotation> rotation = new SgRotation;
    g_records.push_back(RecordFor(rotation.get()));
    SgRef<SgEmitter> emitter = new SgEmitter;
    emitter->m_speed.Set(0.5f);
    for (int k = 0; k <= 40; ++k)
        Run(*emitter, {0.1 * k});
    double farthest = 0;
    for (int i = 0; i < emitter->GetSize(); ++i) {
        const Vec3 &p = emitter->GetPoints()[size_t(i)];
        farthest = std::max(farthest, std::hypot(p.x, p.y));
    }
    EXPECT_GT(emitter->GetSize(), 10);
    EXPECT_LE(farthest, std::sqrt(0.5) + 1e-6);
}

// The arrays grow with the births rather than holding the whole capacity
// from the start, and a refused capacity is told once however many steps
// meet it.
TEST_F(ParticlesTest, ArraysGrowWithTheBirthsAndARefusalIsToldOnce)
{
    SgRef<SgEmitter> emitter = new SgEmitter;
    emitter->m_birthRate.Set(100000.0f);
    emitter->m_stopEmission.Set(100.0f);
    Run(*emitter, {0.0, 0.5});
    EXPECT_EQ(emitter->GetCapacity(), 10000000);
    EXPECT_EQ(emitter->GetSize(), 50000);
    EXPECT_GE(emitter->GetAllocated(), 50000);
    EXPECT_LE(emitter->GetAllocated(), 100000) << "not the whole capacity";
    Run(*emitter, {1.0});
    EXPECT_EQ(emitter->GetSize(), 100000);
    EXPECT_LE(emitter->GetAllocated(), 200000);

    SgDiagCapture capture;
    SgRef<SgEmitter> refused = new SgEmitter;
    refused->m_birthRate.Set(-5.0f);
    refused->m_time.Set(4.1);
    refused->DoAction(nullptr); // a catch-up of 41 steps
    Run(*refused, {4.2, 4.3});
    EXPECT_EQ(capture.Count("Particles"), 1) << capture.GetText();
}

// The catch-up of a crowded emitter is bounded by its particles times its
// steps, and the process-wide budget refuses births past it, once.
TEST_F(ParticlesTest, CatchUpWorkAndTheParticleBudgetAreBounded)
{
    // More particles than the default budget holds: the catch-up bound is what is pinned here.
    const int64_t defaultBudget = SgEmitter::SetLiveParticleBudget(1000000);
    SgRef<SgEmitter> crowded = new SgEmitter;
    crowded->m_birthRate.Set(10000.0f);
    crowded->m_time.Set(99.0);
    crowded->DoAction(nullptr);
    EXPECT_EQ(crowded->GetSize(), 990000);
    // The work itself, counted where the particles move: unbounded, the
    // thousand short steps over all of them made about 5e8 moves.
    EXPECT_LE(double(crowded->GetParticleMoves()), SgEmitter::kMaxCatchUpWork);
    EXPECT_LE(double(crowded->GetCatchUpSteps()) * crowded->GetSize(), SgEmitter::kMaxCatchUpWork);
    EXPECT_GE(crowded->GetCatchUpSteps(), 10) << "still steps shorter than the particles' life";
    crowded = nullptr;

    const int64_t previous = SgEmitter::SetLiveParticleBudget(SgEmitter::GetLiveParticles() + 150);
    SgDiagCapture capture;
    SgRef<SgEmitter> first = new SgEmitter;
    SgRef<SgEmitter> second = new SgEmitter;
    first->m_birthRate.Set(100.0f);
    second->m_birthRate.Set(100.0f);
    for (double t : {0.0, 1.0, 2.0, 3.0}) {
        Run(*first, {t});
        Run(*second, {t});
    }
    EXPECT_EQ(first->GetSize() + second->GetSize(), 150) << "the budget holds across emitters";
    EXPECT_EQ(capture.Count("Particles"), 2) << "once for each emitter refused: " << capture.GetText();
    EXPECT_TRUE(capture.Contains("no more are born")) << capture.GetText();
    first = nullptr;
    second = nullptr;
    SgEmitter::SetLiveParticleBudget(previous);
    SgEmitter::SetLiveParticleBudget(defaultBudget);
}

// Busy emitters share a budget sized by memory: what they allocate together
// stays within it, and the one refused says what was capped.
TEST_F(ParticlesTest, BusyEmittersStayWithinTheParticleMemory)
{
    ASSERT_LE(SgEmitter::kMaxLiveParticles * SgEmitter::kParticleBytes, SgEmitter::kLiveParticleMemory);
    SgDiagCapture capture;
    std::vector<SgRef<SgEmitter>> emitters;
    int64_t allocated = 0;
    for (int i = 0; i < 3; ++i) {
        SgRef<SgEmitter> emitter = new SgEmitter;
        emitter->m_birthRate.Set(100000.0f);
        emitter->m_time.Set(99.0);
        emitter->DoAction(nullptr);
        allocated += emitter->GetAllocated();
        emitters.push_back(emitter);
    }
    EXPECT_EQ(SgEmitter::GetLiveParticles(), SgEmitter::kMaxLiveParticles);
    EXPECT_LE(allocated * SgEmitter::kParticleBytes, SgEmitter::kLiveParticleMemory)
        << allocated << " particles allocated";
    EXPECT_TRUE(capture.Contains("MB of particles")) << capture.GetText();
}

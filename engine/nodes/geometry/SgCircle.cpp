#include "engine/nodes/geometry/SgCircle.h"

#include <cmath>

#include "platform/SgDiagnostics.h"
#include "utilities/math/Angles.h"

namespace {
constexpr double kTwoPi = 6.283185307179586;
} // namespace

SG_CLASS_SOURCE(SgCircle, SgGenPolyLine, SgFieldMngr, "SgCircle")
SG_CLASS_SOURCE(SgArc, SgCircle, SgFieldMngr, "SgArc")
SG_CLASS_SOURCE(SgHelix, SgArc, SgFieldMngr, "SgHelix")

SgCircle::SgCircle()
{
    AddField(m_radius, "radius", 1.0);
    AddField(m_segments, "segments", 32);
}

void SgCircle::sample(int)
{
    m_dStartAngle = 0.0;
    m_dSweep = kTwoPi;
    m_dHeight = 0.0;
    SampleArc();
}

void SgCircle::OnChange(SgField *field)
{
    if (m_bSampled && field != &m_outPoints && field != &m_samples)
        sample(0);
    SgGenPolyLine::OnChange(field);
}

void SgCircle::SampleArc()
{
    const int segments = m_segments.Get(true);
    if (segments < 1)
        SgDiagWarning("Geometry", "%s: \"segments\" %d is below 1; the curve takes 2", GetClassName(),
                      segments);
    const double radius = m_radius.Get(true);
    const double fraction = std::fabs(m_dSweep) / kTwoPi;
    const bool closed = IsClosed();

    // The interval count is worked out in double precision: a long helix or
    // a huge "segments" must not wrap around the int range.
    double intervals = closed ? double(segments) : std::trunc((segments + 0.5) * fraction);
    if (!(intervals >= 2.0))
        intervals = 2.0;
    const double limit = double(kMaxSamplePoints - 1);
    if (intervals > limit) {
        SgDiagWarning("Geometry", "%s: %.17g intervals are more than a curve holds; it takes %.17g",
                      GetClassName(), intervals, limit);
        intervals = limit;
    }
    const int k = int(intervals);
    const int count = closed ? k : k + 1;
    AllocSamples(count);

    const double step = m_dSweep / k;
    const double dz = m_dHeight / k;
    double angle = m_dStartAngle;
    double z = -0.5 * m_dHeight;
    Vec3 *out = SampleData();
    for (int i = 0; i < count; ++i) {
        out[i] = Vec3(radius * std::cos(angle), radius * std::sin(angle), z);
        angle += step;
        z += dz;
    }
    m_nSampleCount = count;
    m_bSampled = true;
}

SgArc::SgArc()
{
    AddField(m_startAngle, "startAngle", 0.0);
    AddField(m_angle, "angle", 360.0);
}

void SgArc::sample(int)
{
    m_dStartAngle = m_startAngle.Get(true) * kDegree;
    m_dSweep = m_angle.Get(true) * kDegree;
    m_dHeight = 0.0;
    SampleArc();
}

SgHelix::SgHelix()
{
    AddField(m_height, "height", 0.0);
    AddField(m_turns, "turns", 4.0);
}

void SgHelix::sample(int)
{
    m_dStartAngle = m_startAngle.Get(true) * kDegree;
    m_dHeight = m_height.Get(true);
    m_dSweep = 2.0 * m_turns.Get(true) * 3.141592653589793;
    SampleArc();
}

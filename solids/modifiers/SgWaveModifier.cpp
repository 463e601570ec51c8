#include "solids/modifiers/SgWaveModifier.h"

#include <algorithm>
#include <cmath>

SG_CLASS_SOURCE(SgWaveModifier, SgDeformModifier, SgFieldMngr, "SgWaveModifier")

SgWaveModifier::SgWaveModifier()
{
    AddField(m_amplitude1, "amplitude1", 1.0);
    AddField(m_amplitude2, "amplitude2", 1.0);
    AddField(m_waveLength, "waveLength", 2.0);
    AddField(m_phase, "phase", 0.0);
    AddField(m_decay, "decay", 0.0);
    AddField(m_waveType, "waveType", 0);
}

void SgWaveModifier::DeformPoints(int count, Vec3 *in, Vec3 *out)
{
    const double length = m_waveLength.Get(true);
    const double a1 = m_amplitude1.Get(true), a2 = m_amplitude2.Get(true);
    const double phase = 2.0 * M_PI * m_phase.Get(true);
    // A wave of no length has no defined shape: the points stay.
    const double w = length != 0.0 ? 2.0 * M_PI / length : 0.0;
    for (int i = 0; i < count; ++i) {
        const Vec3 p = in[i];
        if (w == 0.0) {
            out[i] = p;
            continue;
        }
        const double y2 = p.y * p.y;
        const double r2 = p.x * p.x + y2;
        const double r = std::sqrt(r2);
        double a = a2;
        if (y2 >= 1e-20) {
            const double t = y2 / r2;
            a = (1.0 - t) * a2 + t * a1;
        }
        out[i] = Vec3(p.x, p.y, p.z + a * std::sin(r * w + phase));
    }
}

#include "solids/modifiers/SgTwistModifier.h"

#include <algorithm>
#include <cmath>

SG_CLASS_SOURCE(SgTwistModifier, SgDeformModifier, SgFieldMngr, "SgTwistModifier")

SgTwistModifier::SgTwistModifier()
{
    AddField(m_angle, "angle", 0.0);
}

void SgTwistModifier::DeformPoints(int count, Vec3 *in, Vec3 *out)
{
    const double h = m_boxSize.Get(true).z;
    // A flat box has no height to spread the angle over: nothing turns.
    const double k = h != 0.0 ? m_angle.Get(true) / h : 0.0;
    for (int i = 0; i < count; ++i) {
        const Vec3 p = in[i];
        const double theta = p.z * k;
        const double c = std::cos(theta), s = std::sin(theta);
        out[i] = Vec3(p.x * c - p.y * s, p.x * s + p.y * c, p.z);
    }
}

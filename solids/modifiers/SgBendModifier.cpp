#include "solids/modifiers/SgBendModifier.h"

#include <algorithm>
#include <cmath>

SG_CLASS_SOURCE(SgBendModifier, SgDeformModifier, SgFieldMngr, "SgBendModifier")

SgBendModifier::SgBendModifier()
{
    AddField(m_angle, "angle", 0.0);
}

void SgBendModifier::DeformPoints(int count, Vec3 *in, Vec3 *out)
{
    const double theta = m_angle.Get(true);
    const Vec3f box = m_boxSize.Get(true);
    const double lz = box.z;
    // No bend, or no height to bend over: the points stay.
    if (std::fabs(theta) < 1e-6 || lz == 0.0) {
        if (in != out)
            std::copy(in, in + std::max(count, 0), out);
        return;
    }
    const double sign = theta > 0 ? 1.0 : -1.0;
    const double r = lz / theta;
    const double cx = sign * box.x * 0.5 + r;
    for (int i = 0; i < count; ++i) {
        const Vec3 p = in[i];
        const double phi = (p.z / lz + 0.5) * theta;
        const double d = cx - p.x;
        out[i] = Vec3(cx - std::cos(phi) * d, p.y, std::sin(phi) * d - lz * 0.5);
    }
}

#include "solids/modifiers/SgMeltModifier.h"

#include <algorithm>
#include <cmath>

SG_CLASS_SOURCE(SgMeltModifier, SgDeformModifier, SgFieldMngr, "SgMeltModifier")

SgMeltModifier::SgMeltModifier()
{
    AddField(m_amount, "amount", 0.0);
    AddField(m_solidity, "solidity", 1.0);
    AddField(m_spredPcnt, "spredPcnt", 0.0);
}

void SgMeltModifier::DeformPoints(int count, Vec3 *in, Vec3 *out)
{
    const double s = m_spredPcnt.Get(true) / 100.0 + 1.0;
    const double amount = m_amount.Get(true);
    for (int i = 0; i < count; ++i) {
        const Vec3 p = in[i];
        const double r = std::sqrt(p.x * p.x + p.y * p.y);
        out[i] = Vec3(p.x * s, p.y * s, std::max(0.001, p.z - r * amount));
    }
}

#include "engine/nodes/geometry/SgPointSet.h"

SG_CLASS_SOURCE(SgPointSet, SgShape, SgFieldMngr, "SgPointSet")

SgPointSet::SgPointSet()
{
    AddField(m_startIndex, "startIndex", 0);
    AddField(m_numPoints, "numPoints", -1);
}

bool SgPointSet::GetPointRange(int available, int &first, int &count) const
{
    first = m_startIndex.Get(true);
    count = 0;
    if (first < 0 || available <= 0 || first >= available)
        return false;
    const int rest = available - first;
    const int wanted = m_numPoints.Get(true);
    // Any negative count reads as "all the rest".
    count = wanted < 0 || wanted > rest ? rest : wanted;
    return count > 0;
}

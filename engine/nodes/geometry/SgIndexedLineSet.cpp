#include "engine/nodes/geometry/SgIndexedLineSet.h"

SG_CLASS_SOURCE(SgIndexedLineSet, SgShape, SgFieldMngr, "SgIndexedLineSet")

SgIndexedLineSet::SgIndexedLineSet()
{
    AddField(m_coordIndex, "coordIndex");
    AddField(m_colorPerVertex, "colorPerVertex", 0);
}

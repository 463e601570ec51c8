#include "engine/core/SgShape.h"

#include "engine/core/SgModifiersCache.h"

SG_CLASS_SOURCE(SgShape, SgNode, SgFieldMngr, "SgShape")

SgShape::~SgShape()
{
    delete m_pModifierCache;
    m_pModifierCache = nullptr;
    m_pPointCache = nullptr;
}

void SgShape::OnChange(SgField *field)
{
    if (m_pModifierCache)
        m_pModifierCache->Truncate(0);
    SgNode::OnChange(field);
}

Range<Vec3f> SgShape::BoundingBox()
{
    return Range<Vec3f>(Vec3f(0.0f, 0.0f, 0.0f), Vec3f(0.0f, 0.0f, 0.0f));
}

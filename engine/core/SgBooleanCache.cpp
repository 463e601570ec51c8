#include "engine/core/SgBooleanCache.h"

#include "engine/core/SgShape.h"

SgBooleanCache::~SgBooleanCache()
{
    DestroyCache();
}

void SgBooleanCache::DestroyCache()
{
    m_pShape.reset();
}

void SgBooleanCache::SetShape(SgShape *shape)
{
    if (shape != m_pShape.get())
        m_pShape = shape;
}

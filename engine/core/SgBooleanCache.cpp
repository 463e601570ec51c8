#include "engine/core/SgBooleanCache.h"

#include "engine/core/SgShape.h"

SgBooleanCache::~SgBooleanCache()
{
    DestroyCache();
}

void SgBooleanCache::DestroyCache()
{
    if (SgShape *shape = m_pShape) {
        m_pShape = nullptr;
        SgFieldMngr::Release(shape);
    }
}

void SgBooleanCache::SetShape(SgShape *shape)
{
    if (shape == m_pShape)
        return;
    if (shape)
        shape->AddRef();
    DestroyCache();
    m_pShape = shape;
}

#include "engine/render/SgGLRenderCache.h"

#include "platform/gl/GLContext.h"

SgGLRenderCache::~SgGLRenderCache()
{
    SgGLRenderCache::DestroyCache();
}

bool SgGLRenderCache::InCurrentContext() const
{
    return m_pContext == GLContext::GetCurrent();
}

void SgGLRenderCache::DestroyCache()
{
    if (m_nListID != 0 && InCurrentContext())
        glDeleteLists(m_nListID, 1);
    m_nListID = 0;
    m_pContext = nullptr;
    SetValid(false);
}

GLuint SgGLRenderCache::EnsureList()
{
    if (m_nListID != 0 && !InCurrentContext()) {
        // The list belongs to a context that is not current: it cannot be
        // deleted from here, and its id means nothing in this one.
        m_nListID = 0;
        SetValid(false);
    }
    if (m_nListID == 0) {
        m_nListID = glGenLists(1);
        m_pContext = GLContext::GetCurrent();
    }
    return m_nListID;
}

#pragma once
// A separator's drawing compiled into an OpenGL display list. A list lives in
// the context that compiled it: in any other context the cache counts as
// missing, and its list is deleted only while that context is current (a
// context that goes away takes its lists with it).
#include <GL/gl.h>

#include "engine/core/SgCache.h"

class GLContext;

class SgGLRenderCache : public SgCache {
public:
    SgGLRenderCache() = default;
    ~SgGLRenderCache() override;

    // Deletes the list (when its context is current) and forgets it; the
    // cache is then invalid.
    void DestroyCache() override;

    GLuint GetListID() const { return m_nListID; }
    // Whether the list, if any, belongs to the context current now.
    bool InCurrentContext() const;
    // A list id in the current context, generated when the cache has none
    // (or has one of another context, which is forgotten); 0 when GL gives
    // none.
    GLuint EnsureList();

    // Set while the list is being compiled or the subtree walked for it.
    bool IsInUse() const { return m_bInUse; }
    void SetInUse(bool inUse) { m_bInUse = inUse; }

private:
    GLuint m_nListID = 0;
    GLContext *m_pContext = nullptr;
    bool m_bInUse = false;
};

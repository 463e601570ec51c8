#pragma once
// A separator's drawing compiled into an OpenGL display list. A list lives in
// the context that compiled it: in any other context the cache counts as
// missing, and its list is deleted only while that context is current (a
// context that goes away takes its lists with it).
#include <GL/gl.h>

#include <cstdint>
#include <vector>

#include "engine/core/SgCache.h"
#include "engine/core/NodaraExport.h"

class GLContext;

class NODARA_API SgGLRenderCache : public SgCache {
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

    // Set when the separator was drawn without a list: met again while the
    // cache stays valid (nothing below changed), it gets its list then.
    bool WasSeen() const { return m_bSeen; }
    void MarkSeen()
    {
        m_bSeen = true;
        SetValid(true);
    }

    // A list calls the lists of the separators below it by their ids. Each
    // compiled list is numbered; a list notes the numbers of the lists it
    // calls, and counts as broken once one of them, or one they call, is gone
    // (a separator below cleared its caches without its parents hearing of
    // it), so that it is compiled again rather than called with a hole in it.
    void BeginCompiledList();
    void NoteCall(const SgGLRenderCache &inner);
    bool CallsLiveLists() const;

private:
    std::uint64_t m_nSerial = 0;
    std::vector<std::uint64_t> m_calls;
    GLuint m_nListID = 0;
    GLContext *m_pContext = nullptr;
    bool m_bInUse = false;
    bool m_bSeen = false;
};

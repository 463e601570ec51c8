#include "engine/render/SgGLRenderCache.h"

#include <unordered_map>

#include "platform/gl/GLContext.h"

namespace {

// The lists that exist, by number; made once and kept to the end of the
// process, since caches are destroyed as late as the nodes that hold them.
std::unordered_map<std::uint64_t, const SgGLRenderCache *> &LiveLists()
{
    static auto *live = new std::unordered_map<std::uint64_t, const SgGLRenderCache *>;
    return *live;
}

} // namespace

SgGLRenderCache::~SgGLRenderCache()
{
    SgGLRenderCache::DestroyCache();
}

bool SgGLRenderCache::InCurrentContext() const
{
    return m_pContext == GLContext::GetCurrent();
}

void SgGLRenderCache::BeginCompiledList()
{
    static std::uint64_t s_next = 1;
    if (m_nSerial != 0)
        LiveLists().erase(m_nSerial);
    m_nSerial = s_next++;
    LiveLists()[m_nSerial] = this;
    m_calls.clear();
}

void SgGLRenderCache::NoteCall(const SgGLRenderCache &inner)
{
    if (inner.m_nSerial != 0)
        m_calls.push_back(inner.m_nSerial);
}

bool SgGLRenderCache::CallsLiveLists() const
{
    // The lists called are asked in turn: a hole anywhere below shows.
    const auto &live = LiveLists();
    for (std::uint64_t serial : m_calls) {
        const auto found = live.find(serial);
        if (found == live.end() || !found->second->CallsLiveLists())
            return false;
    }
    return true;
}

void SgGLRenderCache::DestroyCache()
{
    if (m_nSerial != 0)
        LiveLists().erase(m_nSerial);
    m_nSerial = 0;
    m_calls.clear();
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

#include "engine/core/CacheEntry.h"

#include <string>

#include "engine/core/SgCache.h"
#include "platform/SgError.h"

CacheEntry::~CacheEntry()
{
    // Kept caches survive Clear, not the entry that owns them.
    Clear();
    for (SgCache *&cache : m_caches) {
        delete cache;
        cache = nullptr;
    }
}

SgCache *&CacheEntry::GetCache()
{
    if (m_caches.empty())
        throw SgInvalidArgument("CacheEntry::GetCache: the entry holds no cache slot");
    return m_caches.front();
}

SgCache *CacheEntry::GetCacheAt(int i) const
{
    if (i < 0 || i >= GetSize())
        throw SgInvalidArgument("CacheEntry: no cache slot " + std::to_string(i));
    return m_caches[i];
}

void CacheEntry::Clear()
{
    for (SgCache *&cache : m_caches) {
        if (cache && !cache->ClearCache()) {
            delete cache;
            cache = nullptr;
        }
    }
}

void CacheEntry::Invalidate()
{
    for (SgCache *cache : m_caches) {
        if (cache)
            cache->SetValid(false);
    }
}

void CacheEntry::SetMaxCaches(int n)
{
    if (n < 0)
        throw SgInvalidArgument("CacheEntry::SetMaxCaches: negative count " + std::to_string(n));
    for (int i = n; i < GetSize(); ++i)
        delete m_caches[i];
    m_caches.resize(n, nullptr);
    m_nMaxCaches = n;
}

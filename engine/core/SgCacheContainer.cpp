#include "engine/core/SgCacheContainer.h"

#include <string>

#include "engine/core/CacheEntry.h"
#include "platform/SgError.h"

int SgCacheContainer::s_iCacheSlots = 0;

SgCacheContainer::SgCacheContainer()
    : m_pEntries(s_iCacheSlots > 0 ? new CacheEntry[s_iCacheSlots] : nullptr),
      m_nEntries(s_iCacheSlots)
{
    for (int i = 0; i < m_nEntries; ++i)
        m_pEntries[i].SetMaxCaches(1);
}

SgCacheContainer::~SgCacheContainer() = default;

CacheEntry &SgCacheContainer::GetEntry(int slot)
{
    if (slot < 0 || slot >= m_nEntries)
        throw SgInvalidArgument("SgCacheContainer: no entry for cache slot " + std::to_string(slot));
    return m_pEntries[slot];
}

void SgCacheContainer::SetMaxCaches(int slot, int n)
{
    GetEntry(slot).SetMaxCaches(n);
}

SgCache *&SgCacheContainer::GetCache(int slot)
{
    return GetEntry(slot).GetCache();
}

void SgCacheContainer::ClearCaches(int slot)
{
    GetEntry(slot).Clear();
}

void SgCacheContainer::ClearCaches()
{
    for (int i = 0; i < m_nEntries; ++i)
        m_pEntries[i].Clear();
}

void SgCacheContainer::InvalidateCaches()
{
    for (int i = 0; i < m_nEntries; ++i)
        m_pEntries[i].Invalidate();
}

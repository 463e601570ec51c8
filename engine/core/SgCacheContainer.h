#pragma once
// The result caches a separator keeps, one entry per cache slot. A slot is a
// number handed out once per kind of cached result (procedural-shape results,
// boxes, display lists); a container has an entry for every slot handed out
// before it was built.
#include <memory>
#include "engine/core/NodaraExport.h"

class CacheEntry;
class SgCache;

class NODARA_API SgCacheContainer {
public:
    SgCacheContainer();
    // Separators are never copied together with their caches.
    SgCacheContainer(const SgCacheContainer &) = delete;
    SgCacheContainer &operator=(const SgCacheContainer &) = delete;

    // Takes the next cache slot; users take theirs once, at start-up.
    static int NewCacheSlot() { return s_iCacheSlots++; }
    static int GetCacheSlotCount() { return s_iCacheSlots; }

    int GetEntryCount() const { return m_nEntries; }
    // Entries of slots handed out after the container was built do not
    // exist: asking for one throws SgInvalidArgument.
    CacheEntry &GetEntry(int slot);
    void SetMaxCaches(int slot, int n);
    // The first cache of the slot's entry, for the caller to read or store into.
    SgCache *&GetCache(int slot);
    // Releases the results of one entry, or of every entry in entry order;
    // caches without the keep flag are deleted.
    void ClearCaches(int slot);
    void ClearCaches();
    // Marks every cache invalid; the contents stay until rebuilt.
    void InvalidateCaches();
    static void InitCaches() {}

protected:
    // The caches live inside a counted separator, which only its count frees:
    // not even this base may delete it. The entries delete their caches.
    virtual ~SgCacheContainer();

private:
    std::unique_ptr<CacheEntry[]> m_pEntries;
    int m_nEntries;

    static int s_iCacheSlots;
};

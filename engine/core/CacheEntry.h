#pragma once
// The caches of one cache slot of a container: an array of caches, each null
// until a user stores one there. The entry owns what is stored.
#include <vector>
#include "engine/core/NodaraExport.h"

class SgCache;

class NODARA_API CacheEntry {
public:
    CacheEntry() = default;
    CacheEntry(const CacheEntry &) = delete;
    CacheEntry &operator=(const CacheEntry &) = delete;
    // Deletes every cache, kept ones included.
    ~CacheEntry();

    // The first cache slot, for the caller to read or store into. Throws
    // SgInvalidArgument when the entry has no slot.
    SgCache *&GetCache();
    // Releases every cache's result; caches without the keep flag are deleted
    // and their slots become null.
    void Clear();
    // Marks every cache invalid; results stay until rebuilt.
    void Invalidate();

    int GetMaxCaches() const { return m_nMaxCaches; }
    // Resizes the array to n slots (new ones null, dropped ones deleted).
    void SetMaxCaches(int n);
    int GetSize() const { return static_cast<int>(m_caches.size()); }
    SgCache *GetCacheAt(int i) const;

private:
    int m_nMaxCaches = 0;
    std::vector<SgCache *> m_caches;
};

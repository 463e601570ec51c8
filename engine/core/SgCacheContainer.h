#pragma once
// Holds the per-context result caches of a subtree. The caches themselves
// arrive with the render actions; until then the container holds none.
class SgCacheContainer {
public:
    SgCacheContainer() = default;
    SgCacheContainer(const SgCacheContainer &) = delete;
    SgCacheContainer &operator=(const SgCacheContainer &) = delete;
    // Destroys the whole object when reached through this base.
    virtual ~SgCacheContainer();

    // Marks every cache invalid; the contents stay until rebuilt.
    void InvalidateCaches() {}
    // Drops every cache entry.
    void ClearCaches() {}
};

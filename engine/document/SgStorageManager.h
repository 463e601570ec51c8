#pragma once
// The document's table of persistent node identities: it maps the id that a
// scene file carries to the record kept for that node, so that ids can be
// resolved to nodes. The table owns its entries, not the records they point at.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/NodeID.h"
#include "engine/core/NodaraExport.h"

class SgFieldMngr;

// What the table keeps for one id.
struct NODARA_API NodeInfo {
    NodeID id;
    SgFieldMngr *object = nullptr;
};

class NODARA_API SgStorageManager {
public:
    static constexpr unsigned kDefaultBuckets = 17;
    static constexpr int kBlockEntries = 10;

    SgStorageManager() = default;
    SgStorageManager(const SgStorageManager &) = delete;
    SgStorageManager &operator=(const SgStorageManager &) = delete;
    ~SgStorageManager();

    // An existing entry of the id takes the new value; else a new entry heads its bucket.
    void SetAt(const NodeID &id, NodeInfo *info);
    // Null when the id has no entry.
    NodeInfo *Lookup(const NodeID &id) const;
    // False when the id had no entry.
    bool RemoveKey(const NodeID &id);
    void RemoveAll();
    int GetCount() const { return m_iCount; }

    static unsigned HashKey(const NodeID &id);
    // The bucket an id falls into.
    static unsigned BucketOf(const NodeID &id) { return HashKey(id) % kDefaultBuckets; }
    // The ids of one bucket, newest first (an empty table has no buckets yet).
    std::vector<NodeID> GetBucket(unsigned bucket) const;

    // Block hooks for id records.
    static unsigned char *allocate(unsigned int size);
    static void reuse(unsigned char *block);

private:
    struct Entry {
        Entry *next = nullptr;
        unsigned hash = 0;
        NodeID id;
        NodeInfo *value = nullptr;
    };

    Entry *Find(const NodeID &id) const;
    Entry *NewEntry();

    std::vector<Entry *> m_buckets;
    // Entries come from blocks of kBlockEntries; freed entries wait in a chain.
    std::vector<std::unique_ptr<Entry[]>> m_blocks;
    Entry *m_pFree = nullptr;
    int m_iCount = 0;
};

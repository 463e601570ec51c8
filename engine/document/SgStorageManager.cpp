#include "engine/document/SgStorageManager.h"

SgStorageManager::~SgStorageManager()
{
    RemoveAll();
}

unsigned SgStorageManager::HashKey(const NodeID &id)
{
    // Unsigned 32-bit product: wraps by definition, never overflows.
    return static_cast<uint32_t>(id.first) * static_cast<uint32_t>(id.second);
}

SgStorageManager::Entry *SgStorageManager::Find(const NodeID &id) const
{
    if (m_buckets.empty())
        return nullptr;
    const unsigned hash = HashKey(id);
    for (Entry *entry = m_buckets[hash % m_buckets.size()]; entry; entry = entry->next) {
        if (entry->hash == hash && entry->id == id)
            return entry;
    }
    return nullptr;
}

SgStorageManager::Entry *SgStorageManager::NewEntry()
{
    if (!m_pFree) {
        m_blocks.push_back(std::make_unique<Entry[]>(kBlockEntries));
        Entry *block = m_blocks.back().get();
        for (int i = kBlockEntries - 1; i >= 0; --i) {
            block[i].next = m_pFree;
            m_pFree = &block[i];
        }
    }
    Entry *entry = m_pFree;
    m_pFree = entry->next;
    *entry = Entry{};
    return entry;
}

void SgStorageManager::SetAt(const NodeID &id, NodeInfo *info)
{
    if (Entry *existing = Find(id)) {
        existing->value = info;
        return;
    }
    if (m_buckets.empty())
        m_buckets.assign(kDefaultBuckets, nullptr);
    Entry *entry = NewEntry();
    entry->hash = HashKey(id);
    entry->id = id;
    entry->value = info;
    Entry *&head = m_buckets[entry->hash % m_buckets.size()];
    entry->next = head;
    head = entry;
    ++m_iCount;
}

NodeInfo *SgStorageManager::Lookup(const NodeID &id) const
{
    const Entry *entry = Find(id);
    return entry ? entry->value : nullptr;
}

bool SgStorageManager::RemoveKey(const NodeID &id)
{
    if (m_buckets.empty())
        return false;
    const unsigned hash = HashKey(id);
    for (Entry **link = &m_buckets[hash % m_buckets.size()]; *link; link = &(*link)->next) {
        Entry *entry = *link;
        if (entry->hash == hash && entry->id == id) {
            *link = entry->next;
            entry->next = m_pFree;
            m_pFree = entry;
            --m_iCount;
            return true;
        }
    }
    return false;
}

void SgStorageManager::RemoveAll()
{
    m_buckets.clear();
    m_blocks.clear();
    m_pFree = nullptr;
    m_iCount = 0;
}

std::vector<NodeID> SgStorageManager::GetBucket(unsigned bucket) const
{
    std::vector<NodeID> ids;
    if (bucket >= m_buckets.size())
        return ids;
    for (const Entry *entry = m_buckets[bucket]; entry; entry = entry->next)
        ids.push_back(entry->id);
    return ids;
}

unsigned char *SgStorageManager::allocate(unsigned int size)
{
    return new unsigned char[size];
}

void SgStorageManager::reuse(unsigned char *block)
{
    delete[] block;
}

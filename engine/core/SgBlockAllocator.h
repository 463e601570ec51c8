#pragma once
// A bump allocator for records that all die together: memory comes from large
// blocks, single frees do nothing, and a bulk release returns everything at
// once. The traversal state allocates its elements this way.
#include <cstddef>
#include "engine/core/NodaraExport.h"

class NODARA_API MemoryAllocator {
public:
    virtual void *Allocate(std::size_t size) = 0;
    // Records live until the allocator releases them all.
    virtual void Free(void *) {}
    virtual ~MemoryAllocator() = default;
};

class NODARA_API BlocksAllocator : public MemoryAllocator {
public:
    static constexpr int kDefaultBlockSize = 20480;

    explicit BlocksAllocator(int blockSize = kDefaultBlockSize);
    BlocksAllocator(const BlocksAllocator &) = delete;
    BlocksAllocator &operator=(const BlocksAllocator &) = delete;
    ~BlocksAllocator() override;

    // Requests bigger than a block's data area get a block of their own.
    void *Allocate(std::size_t size) override;
    // Frees every block after the first and starts over in the first one;
    // everything handed out before is invalid afterwards. Does nothing while
    // the release flag is cleared.
    void ReleaseAll();

    // A point in the allocation sequence to come back to.
    struct Mark {
        const void *block = nullptr;
        const char *free = nullptr;
        int oversized = 0;
    };
    Mark GetMark() const { return {m_pCurrent, m_pCurrent->free, m_nOversized}; }
    // Gives back everything handed out since the mark, which must not be
    // used any more; requests then fill the same memory again. Regular
    // blocks stay for reuse, so memory is bounded by the most ever in use at
    // once. Does nothing while the release flag is cleared.
    void Rewind(const Mark &mark);
    // Bytes held in blocks, whether in use or kept for reuse.
    std::size_t GetHeldBytes() const;

    int GetReleaseFlag() const { return m_iRelease; }
    void SetReleaseFlag(int flag) { m_iRelease = flag; }
    int GetBlockSize() const { return m_iBlockSize; }
    // Bytes a regular block offers to callers.
    std::size_t GetBlockCapacity() const;
    int GetBlockCount() const;

private:
    struct alignas(alignof(std::max_align_t)) Header {
        char *free;
        char *end;
        Header *next;
    };

    Header *NewBlock(std::size_t dataSize);
    static char *DataStart(Header *block) { return reinterpret_cast<char *>(block + 1); }

    int m_iBlockSize;
    int m_iRelease = 1;
    Header *m_pFirst = nullptr;
    Header *m_pCurrent = nullptr;   // regular blocks run from m_pFirst in allocation order
    Header *m_pOversized = nullptr; // the latest oversized block first
    int m_nOversized = 0;
};

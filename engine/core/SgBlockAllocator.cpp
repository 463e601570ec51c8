#include "engine/core/SgBlockAllocator.h"

#include <cstdint>
#include <new>
#include <string>

#include "platform/SgError.h"

BlocksAllocator::BlocksAllocator(int blockSize)
    : m_iBlockSize(blockSize > static_cast<int>(sizeof(Header)) ? blockSize : static_cast<int>(sizeof(Header)))
{
    m_pFirst = m_pCurrent = NewBlock(GetBlockCapacity());
}

BlocksAllocator::~BlocksAllocator()
{
    m_iRelease = 1;
    ReleaseAll();
    ::operator delete(m_pFirst);
}

std::size_t BlocksAllocator::GetBlockCapacity() const
{
    return static_cast<std::size_t>(m_iBlockSize) - sizeof(Header);
}

BlocksAllocator::Header *BlocksAllocator::NewBlock(std::size_t dataSize)
{
    if (dataSize > static_cast<std::size_t>(PTRDIFF_MAX) - sizeof(Header))
        throw SgOutOfMemory("BlocksAllocator::Allocate : out of memory");
    void *raw = ::operator new(sizeof(Header) + dataSize, std::nothrow);
    if (!raw)
        throw SgOutOfMemory("BlocksAllocator::Allocate : out of memory");
    auto *block = ::new (raw) Header;
    block->free = DataStart(block);
    block->end = block->free + dataSize;
    block->next = nullptr;
    return block;
}

void *BlocksAllocator::Allocate(std::size_t size)
{
    if (size <= static_cast<std::size_t>(m_pCurrent->end - m_pCurrent->free)) {
        char *result = m_pCurrent->free;
        m_pCurrent->free += size;
        return result;
    }
    if (size > GetBlockCapacity()) {
        // An oversized block is full at once; the current block keeps serving.
        Header *block = NewBlock(size);
        block->next = m_pOversized;
        m_pOversized = block;
        ++m_nOversized;
        block->free += size;
        return DataStart(block);
    }
    // A block left behind by a rewind is filled again before a new one is made.
    Header *block = m_pCurrent->next;
    if (block) {
        block->free = DataStart(block);
    } else {
        block = NewBlock(GetBlockCapacity());
        m_pCurrent->next = block;
    }
    m_pCurrent = block;
    char *result = block->free;
    block->free += size;
    return result;
}

void BlocksAllocator::Rewind(const Mark &mark)
{
    if (!m_iRelease || !mark.block)
        return;
    while (m_pOversized && m_nOversized > mark.oversized) {
        Header *next = m_pOversized->next;
        ::operator delete(m_pOversized);
        m_pOversized = next;
        --m_nOversized;
    }
    m_pCurrent = static_cast<Header *>(const_cast<void *>(mark.block));
    m_pCurrent->free = const_cast<char *>(mark.free);
}

void BlocksAllocator::ReleaseAll()
{
    if (!m_iRelease)
        return;
    Header *block = m_pFirst->next;
    while (block) {
        Header *next = block->next;
        ::operator delete(block);
        block = next;
    }
    while (m_pOversized) {
        Header *next = m_pOversized->next;
        ::operator delete(m_pOversized);
        m_pOversized = next;
    }
    m_nOversized = 0;
    m_pFirst->next = nullptr;
    m_pFirst->free = DataStart(m_pFirst);
    m_pCurrent = m_pFirst;
}

std::size_t BlocksAllocator::GetHeldBytes() const
{
    std::size_t bytes = 0;
    for (Header *block = m_pFirst; block; block = block->next)
        bytes += sizeof(Header) + static_cast<std::size_t>(block->end - DataStart(block));
    for (Header *block = m_pOversized; block; block = block->next)
        bytes += sizeof(Header) + static_cast<std::size_t>(block->end - DataStart(block));
    return bytes;
}

int BlocksAllocator::GetBlockCount() const
{
    int count = 0;
    for (Header *block = m_pFirst; block; block = block->next)
        ++count;
    return count + m_nOversized;
}

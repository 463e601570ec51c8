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
    const bool oversized = size > GetBlockCapacity();
    Header *block = NewBlock(oversized ? size : GetBlockCapacity());
    // New blocks go right behind the current one so that the bulk release
    // finds every block by walking from the first.
    block->next = m_pCurrent->next;
    m_pCurrent->next = block;
    char *result = block->free;
    block->free += size;
    // An oversized block is full at once; the current block keeps serving.
    if (!oversized)
        m_pCurrent = block;
    return result;
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
    m_pFirst->next = nullptr;
    m_pFirst->free = DataStart(m_pFirst);
    m_pCurrent = m_pFirst;
}

int BlocksAllocator::GetBlockCount() const
{
    int count = 0;
    for (Header *block = m_pFirst; block; block = block->next)
        ++count;
    return count;
}

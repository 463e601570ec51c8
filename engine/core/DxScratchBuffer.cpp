#include "engine/core/DxScratchBuffer.h"

#include <new>

#include "platform/SgError.h"

Vec3 *DxScratchBuffer::Reserve(int count)
{
    if (m_pData && m_nCapacity >= count)
        return m_pData.get();
    if (count < 1)
        return m_pData.get();
    m_pData.reset();
    m_nCapacity = 0;
    m_pData.reset(new (std::nothrow) Vec3[static_cast<std::size_t>(count)]);
    if (!m_pData)
        throw SgOutOfMemory("DxScratchBuffer::Reserve : out of memory");
    m_nCapacity = count;
    return m_pData.get();
}

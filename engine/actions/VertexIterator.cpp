#include "engine/actions/VertexIterator.h"

#include "engine/nodes/geometry/SgFaceSet.h"

const Vec3 *VertexIterator::GetNormal(int &info) const
{
    info = 0;
    return nullptr;
}

ArrayIterator::ArrayIterator(const Vec3 *points, int count)
    : m_bValid(points != nullptr), m_nCount(points && count > 0 ? count : 0)
{
    if (m_nCount > 0)
        m_points.assign(points, points + m_nCount);
}

const Vec3 *ArrayIterator::GetPoint() const
{
    if (m_nIndex < 0 || m_nIndex >= m_nCount)
        return nullptr;
    return &m_points[static_cast<size_t>(m_nIndex)];
}

ArrayFilterIterator::ArrayFilterIterator(const Vec3 *points, const unsigned char *flags, int count)
    : ArrayIterator(points, count)
{
    if (flags && m_nCount > 0)
        m_flags.assign(flags, flags + m_nCount);
    else
        m_flags.assign(static_cast<size_t>(m_nCount), 0);
}

ArrayFilterIterator::ArrayFilterIterator(const Vec3 *points, const bool *flags, int count)
    : ArrayIterator(points, count)
{
    m_flags.assign(static_cast<size_t>(m_nCount), 0);
    for (int i = 0; flags && i < m_nCount; ++i)
        m_flags[static_cast<size_t>(i)] = flags[i] ? 1 : 0;
}

void ArrayFilterIterator::SkipCleared()
{
    while (m_nIndex < m_nCount && !m_flags[static_cast<size_t>(m_nIndex)])
        ++m_nIndex;
}

void ArrayFilterIterator::First()
{
    m_nIndex = 0;
    SkipCleared();
}

void ArrayFilterIterator::Next()
{
    if (m_nIndex < m_nCount)
        ++m_nIndex;
    SkipCleared();
}

FaceSetVertexIterator::FaceSetVertexIterator(SgFaceSet *faceSet)
    : ArrayIterator(faceSet ? faceSet->GetDeformedPoints() : nullptr, faceSet ? faceSet->GetVertexCount() : 0),
      m_bHasFaceSet(faceSet != nullptr)
{
    if (!faceSet || !faceSet->HasVertexNormals())
        return;
    m_normals.reserve(static_cast<size_t>(m_nCount));
    for (int i = 0; i < m_nCount; ++i) {
        const SgFaceSet::VertexNormalRecord &record = faceSet->GetVertexNormalRecord(i);
        m_normals.push_back({record.count, Vec3(record.normals[0]).Normalized(0.0)});
    }
}

const Vec3 *FaceSetVertexIterator::GetNormal(int &info) const
{
    info = 0;
    if (m_nIndex < 0 || m_nIndex >= static_cast<int>(m_normals.size()))
        return nullptr;
    const VertexNormal &entry = m_normals[static_cast<size_t>(m_nIndex)];
    info = entry.count;
    return &entry.normal;
}

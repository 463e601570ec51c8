#include "engine/actions/VertexIterator.h"

#include "engine/nodes/geometry/SgFaceSet.h"

const Vec3 *VertexIterator::GetNormal(int &info) const
{
    info = 0;
    return nullptr;
}

const Vec3f *VertexIterator::GetNormalList(int &count) const
{
    count = 0;
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
    if (!faceSet)
        return;
    const std::vector<int> &table = faceSet->m_vertexDuplication.GetValues();
    if (m_nCount > 0 && !table.empty()) {
        m_representatives.resize(static_cast<size_t>(m_nCount));
        for (int i = 0; i < m_nCount; ++i) {
            // An entry missing or pointing nowhere leaves the vertex its own.
            const int r = static_cast<size_t>(i) < table.size() ? table[static_cast<size_t>(i)] : i;
            m_representatives[static_cast<size_t>(i)] = r >= 0 && r < m_nCount ? r : i;
        }
    }
    if (!faceSet->HasVertexNormals())
        return;
    static_assert(SgFaceSet::VertexNormalRecord::kMaxSurfaces == 4, "one sum per surface slot");
    m_normals.reserve(static_cast<size_t>(m_nCount));
    for (int i = 0; i < m_nCount; ++i) {
        const SgFaceSet::VertexNormalRecord &record = faceSet->GetVertexNormalRecord(i);
        VertexNormal entry{record.count, Vec3(record.normals[0]).Normalized(0.0), {}};
        for (int k = 0; k < 4; ++k)
            entry.sums[k] = record.normals[k];
        m_normals.push_back(entry);
    }
}

void FaceSetVertexIterator::SkipDuplicates()
{
    if (m_representatives.empty())
        return;
    while (m_nIndex < m_nCount && m_representatives[static_cast<size_t>(m_nIndex)] != m_nIndex)
        ++m_nIndex;
}

void FaceSetVertexIterator::First()
{
    m_nIndex = 0;
    SkipDuplicates();
}

void FaceSetVertexIterator::Next()
{
    if (m_nIndex < m_nCount)
        ++m_nIndex;
    SkipDuplicates();
}

const Vec3f *FaceSetVertexIterator::GetNormalList(int &count) const
{
    count = 0;
    if (m_nIndex < 0 || m_nIndex >= static_cast<int>(m_normals.size()))
        return nullptr;
    const VertexNormal &entry = m_normals[static_cast<size_t>(m_nIndex)];
    count = entry.count < 0 ? 0 : (entry.count > 4 ? 4 : entry.count);
    return count > 0 ? entry.sums : nullptr;
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

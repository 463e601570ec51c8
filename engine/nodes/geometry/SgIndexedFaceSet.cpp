#include "engine/nodes/geometry/SgIndexedFaceSet.h"

#include <iterator>
#include <vector>

#include "engine/core/SgElementClasses.h"
#include "engine/nodes/properties/SgCoordinate3.h"

SG_CLASS_SOURCE(SgIndexedFaceSet, SgShape, SgFieldMngr, "SgIndexedFaceSet")

SgIndexedFaceSet::SgIndexedFaceSet()
{
    AddField(m_coordIndex, "coordIndex");
    AddField(m_normalIndex, "normalIndex");
    AddField(m_materialIndex, "materialIndex");
    AddField(m_colorIndex, "colorIndex");
    AddField(m_textureCoordIndex, "textureCoordIndex");
    AddField(m_coord, "coord");
    AddField(m_texCoord, "texCoord");
    AddField(m_solid, "solid", 1);
    AddField(m_convex, "convex", 1);
}

SgIndexedFaceSet::~SgIndexedFaceSet() = default;

void SgIndexedFaceSet::OnChange(SgField *field)
{
    m_pNormalGenerator.reset();
    SgShape::OnChange(field);
}

void SgIndexedFaceSet::Invalidate()
{
    // Reached when the coordinate node before this one, or the one in
    // "coord", changes.
    m_pNormalGenerator.reset();
    SgShape::Invalidate();
}

SgVecField<Vec3, 7> *SgIndexedFaceSet::GetCoordinates(SgState *state, int)
{
    SgVecField<Vec3, 7> *inForce = nullptr;
    if (state) {
        inForce = PointElement::Get(state);
        if (inForce && inForce->GetCount() > 0)
            return inForce;
    }
    if (auto *coordinates = dynamic_cast<SgCoordinate3 *>(m_coord.Get(true).get()))
        return &coordinates->m_point;
    return inForce;
}

Vec3 *SgIndexedFaceSet::GetDrawnPoints(SgState *state, int &count)
{
    SgVecField<Vec3, 7> *coordinates = GetCoordinates(state);
    Vec3 *points = GetDeformedPoints(state);
    count = points && coordinates ? coordinates->GetCount() : 0;
    return count > 0 ? points : nullptr;
}

Vec3 *SgIndexedFaceSet::GetDeformedPoints(SgState *state)
{
    if (Vec3 *points = GetPointCache())
        return points;
    SgVecField<Vec3, 7> *coordinates = GetCoordinates(state);
    if (!coordinates)
        return nullptr;
    coordinates->EvaluateAll();
    std::vector<Vec3> *values = coordinates->GetValueArray();
    return values->empty() ? nullptr : values->data();
}

SgNormalGenerator *SgIndexedFaceSet::getNormalGenerator()
{
    if (!m_pNormalGenerator) {
        m_pNormalGenerator = std::make_unique<SgNormalGenerator>();
        m_pNormalGenerator->SetPlace(GetReadPlace());
    }
    return m_pNormalGenerator.get();
}

SgNormalGenerator *SgIndexedFaceSet::getNormalGenerator(int indexCount, const int *indexes, int coordCount,
                                                        const Vec3 *coordinates)
{
    if (m_pNormalGenerator && (m_pNormalGenerator->FaceNormalsDone() || m_pNormalGenerator->VertexNormalsDone()) &&
        !m_pNormalGenerator->HasInput(indexCount, indexes, coordCount, coordinates))
        m_pNormalGenerator.reset();
    SgNormalGenerator *generator = getNormalGenerator();
    generator->SetInput(indexCount, indexes, coordCount, coordinates);
    return generator;
}

Vec3 SgIndexedFaceSet::GetNormal(int face, Vec3 &normal)
{
    normal = Vec3(0.0, 0.0, 1.0);
    if (m_pNormalGenerator && m_pNormalGenerator->FaceNormalsDone() && face >= 0 &&
        face < m_pNormalGenerator->GetFaceCount())
        normal = Vec3(m_pNormalGenerator->GetFace(face).normal);
    return normal;
}

int SgIndexedFaceSet::Validate()
{
    const std::vector<int> &coordIndex = m_coordIndex.GetValues();
    const size_t total = coordIndex.size();
    // Meshes as read are nearly always whole: a look for a face to drop
    // comes first, and only a mesh that has one is copied without it.
    bool anyDropped = false;
    for (size_t start = 0; start < total && !anyDropped;) {
        size_t end = start;
        while (end < total && coordIndex[end] >= 0)
            ++end;
        const bool stray = end < total && coordIndex[end] != -1;
        anyDropped = stray || (end > start && end - start < 3);
        start = end + 1;
    }
    if (!anyDropped)
        return 0;
    SgVFInt *parallel[] = {&m_textureCoordIndex, &m_normalIndex, &m_materialIndex, &m_colorIndex};
    std::vector<std::vector<int>> kept(std::size(parallel));
    std::vector<bool> follows(std::size(parallel));
    for (size_t a = 0; a < std::size(parallel); ++a)
        follows[a] = parallel[a]->GetCount() == static_cast<int>(total) && total > 0;
    std::vector<int> keptCoords;
    keptCoords.reserve(total);
    int dropped = 0;
    size_t start = 0;
    while (start < total) {
        size_t end = start;
        bool bad = false;
        while (end < total && coordIndex[end] != -1) {
            bad = bad || coordIndex[end] < 0;
            ++end;
        }
        const size_t corners = end - start;
        const size_t stop = end < total ? end + 1 : end; // the -1, when there is one
        if (corners > 0) {
            if (bad || corners < 3) {
                ++dropped;
            } else {
                keptCoords.insert(keptCoords.end(), coordIndex.begin() + static_cast<std::ptrdiff_t>(start),
                                  coordIndex.begin() + static_cast<std::ptrdiff_t>(end));
                keptCoords.push_back(-1);
                for (size_t a = 0; a < std::size(parallel); ++a) {
                    if (!follows[a])
                        continue;
                    const std::vector<int> &values = parallel[a]->GetValues();
                    kept[a].insert(kept[a].end(), values.begin() + static_cast<std::ptrdiff_t>(start),
                                   values.begin() + static_cast<std::ptrdiff_t>(end));
                    kept[a].push_back(-1);
                }
            }
        }
        start = stop;
    }
    if (dropped == 0)
        return 0;
    m_coordIndex.SetVals(static_cast<int>(keptCoords.size()), keptCoords.data());
    for (size_t a = 0; a < std::size(parallel); ++a)
        if (follows[a])
            parallel[a]->SetVals(static_cast<int>(kept[a].size()), kept[a].data());
    return dropped;
}

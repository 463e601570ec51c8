#include "engine/nodes/geometry/SgIndexedFaceSet.h"

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
    if (!m_pNormalGenerator)
        m_pNormalGenerator = std::make_unique<SgNormalGenerator>();
    return m_pNormalGenerator.get();
}

Vec3 SgIndexedFaceSet::GetNormal(int face, Vec3 &normal)
{
    normal = Vec3(0.0, 0.0, 1.0);
    if (m_pNormalGenerator && m_pNormalGenerator->FaceNormalsDone() && face >= 0 &&
        face < m_pNormalGenerator->GetFaceCount())
        normal = Vec3(m_pNormalGenerator->GetFace(face).normal);
    return normal;
}

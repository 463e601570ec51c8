#include "engine/actions/SgPickedPoint.h"

#include <cmath>

#include "engine/actions/SgGetTransformAction.h"
#include "engine/core/SgShape.h"
#include "platform/SgDiagnostics.h"

SgPickedPoint::SgPickedPoint()
{
    m_Indices.fill(-1);
}

SgPickedPoint::SgPickedPoint(const SgPickedPoint &other)
{
    CopyCommon(other);
    m_bNormalComputed = other.m_bNormalComputed;
}

SgPickedPoint &SgPickedPoint::operator=(const SgPickedPoint &other)
{
    if (this != &other)
        CopyCommon(other);
    return *this;
}

void SgPickedPoint::CopyCommon(const SgPickedPoint &other)
{
    m_Indices = other.m_Indices;
    m_Path = other.m_Path;
    m_LocalPoint = other.m_LocalPoint;
    m_Point = other.m_Point;
    m_Normal = other.m_Normal;
    m_dValue1 = other.m_dValue1;
    m_dDistance = other.m_dDistance;
    m_dDepthMax = other.m_dDepthMax;
    m_bPointSet = other.m_bPointSet;
}

bool SgPickedPoint::SetIndices(const int *indices, int count)
{
    if (count < 0 || count > kMaxIndices || (count > 0 && !indices)) {
        SgDiagError("Pick", "SgPickedPoint: %d pick indices refused; a hit holds at most %d", count,
                    kMaxIndices);
        return false;
    }
    m_Indices.fill(-1);
    for (int i = 0; i < count; ++i)
        m_Indices[i] = indices[i];
    return true;
}

bool SgPickedPoint::SetIndex(int slot, int value)
{
    if (slot < 0 || slot >= kMaxIndices) {
        SgDiagError("Pick", "SgPickedPoint: pick index slot %d refused; a hit holds at most %d", slot,
                    kMaxIndices);
        return false;
    }
    m_Indices[slot] = value;
    return true;
}

int SgPickedPoint::GetIndex(int slot) const
{
    return slot >= 0 && slot < kMaxIndices ? m_Indices[slot] : -1;
}

Vec3 SgPickedPoint::GetNormal()
{
    m_bNormalComputed = true;
    SgPath p = m_Path;
    p.ExtendToShape();
    SgNode *last = p.IsEmpty() ? nullptr : p.GetLastElement();
    if (!last || !last->IsShape()) {
        SgDiagTellUser(SgDiagLevel::Error, "Pick", "SgPickedPoint::GetNormal() - failed", "Error");
        return Vec3(0.0, 0.0, 1.0);
    }
    Vec3 localPoint = m_LocalPoint;
    m_LocalNormal = static_cast<SgShape *>(last)->GetNormal(m_Indices[0], localPoint);

    p.LeaveToObject();
    const Transform3 world = SgGetTransformAction::PathMatrix(p);
    // A normal stays perpendicular to the surface: it maps by the inverse
    // transpose, here through two tangents a, b with a x b = n, since
    // (L a) x (L b) = det(L) L^-T (a x b).
    Vec3 normal = m_LocalNormal;
    if (const double n = normal.Length(); n > 0.0) {
        normal /= n;
        const Vec3 helper = std::fabs(normal.x) < 0.6 ? Vec3(1.0, 0.0, 0.0) : Vec3(0.0, 1.0, 0.0);
        const Vec3 a = helper.Cross(normal).Normalized(0.0);
        const Vec3 b = normal.Cross(a);
        normal = world.TransformVector(a).Cross(world.TransformVector(b));
        if (world.Determinant() < 0.0)
            normal = -normal;
    }
    const double length = normal.Length();
    if (length > 0.0)
        normal /= length;
    m_Normal = normal;
    return normal;
}

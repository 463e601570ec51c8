#include "engine/nodes/geometry/SgPolygon.h"

#include "engine/core/CPolygon.h"

SG_CLASS_SOURCE(SgPolygon, SgPolyLine, SgFieldMngr, "SgPolygon")

SgPolygon::SgPolygon()
{
    m_closed.Set(1);
}

CPolygon *SgPolygon::FromSgPolygon()
{
    m_coordinates.EvaluateAll();
    auto *polygon = new CPolygon;
    const std::vector<Vec3> &points = *m_coordinates.GetValueArray();
    polygon->Reserve(int(points.size()));
    for (const Vec3 &p : points)
        polygon->AddPoint(p);
    return polygon;
}

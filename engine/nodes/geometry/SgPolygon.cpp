#include "engine/nodes/geometry/SgPolygon.h"

SG_CLASS_SOURCE(SgPolygon, SgPolyLine, SgFieldMngr, "SgPolygon")

SgPolygon::SgPolygon()
{
    m_closed.Set(1);
}

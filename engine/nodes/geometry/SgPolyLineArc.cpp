#include "engine/nodes/geometry/SgPolyLineArc.h"

SG_CLASS_SOURCE(SgPolyLineArc, SgPolyLine, SgFieldMngr, "SgPolyLineArc")
SG_CLASS_SOURCE(SgPolygonArc, SgPolyLineArc, SgFieldMngr, "SgPolygonArc")

SgPolyLineArc::SgPolyLineArc()
{
    AddField(m_arcs, "arcs");
    AddField(m_baldge, "baldge");
}

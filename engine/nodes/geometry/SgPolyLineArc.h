#pragma once
// Polyline nodes that also carry arc data ("arcs" and "baldge"): kept and
// written with the node, while sampling reads the points as straight
// segments.
#include "engine/core/SgVecField.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgPolyLineArc : public SgPolyLine {
    SG_CLASS_HEADER(SgPolyLineArc, SgFieldMngr)

    SgPolyLineArc();

    SgVFInt m_arcs;
    SgVFDouble m_baldge;

protected:
    ~SgPolyLineArc() override = default;
};

// The planar variant; it follows "closed" like its base.
class NODARA_API SgPolygonArc : public SgPolyLineArc {
    SG_CLASS_HEADER(SgPolygonArc, SgFieldMngr)

    SgPolygonArc() = default;

    bool IsPlanar() const override { return true; }

protected:
    ~SgPolygonArc() override = default;
};

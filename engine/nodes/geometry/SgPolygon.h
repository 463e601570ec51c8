#pragma once
// A polyline node whose loops are always closed and planar.
#include "engine/nodes/geometry/SgPolyLine.h"

class SgPolygon : public SgPolyLine {
    SG_CLASS_HEADER(SgPolygon, SgFieldMngr)

    SgPolygon();

    // Closed whatever "closed" says later.
    bool IsClosed() const override { return true; }
    bool IsPlanar() const override { return true; }

protected:
    ~SgPolygon() override = default;
};

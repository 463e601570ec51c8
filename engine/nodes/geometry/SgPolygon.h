#pragma once
// A polyline node whose loops are always closed and planar.
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/core/NodaraExport.h"

class CPolygon;

class NODARA_API SgPolygon : public SgPolyLine {
    SG_CLASS_HEADER(SgPolygon, SgFieldMngr)

    SgPolygon();

    // Closed whatever "closed" says later.
    bool IsClosed() const override { return true; }
    bool IsPlanar() const override { return true; }
    // A new polygon (the caller owns it) of every stored point, all loops in
    // order; its plane is the default one until CalcPlane() runs.
    CPolygon *FromSgPolygon();

protected:
    ~SgPolygon() override = default;
};

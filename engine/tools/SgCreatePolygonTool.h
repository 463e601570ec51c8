#pragma once
// Draws a filled polygon on the work plane: a polyline tool whose points are
// projected on the plane and whose finished outline becomes an `SgPolygon`.
// An outline of fewer than three points makes nothing: the object is taken
// out of the scene again.
#include "engine/tools/SgCreatePolyLineTool.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgCreatePolygonTool : public SgCreatePolyLineTool {
    SG_CLASS_HEADER(SgCreatePolygonTool, SgFieldMngr)

    SgCreatePolygonTool();
    explicit SgCreatePolygonTool(const Plane &plane);

    void Finish(SgHandleEventAction *action) override;

protected:
    ~SgCreatePolygonTool() override = default;
};

#pragma once
// A coordinate cross of three coloured arrows that the editor shows: a helper
// object whose content is built from a polyline arm, a cone arrow head and
// a billboard that keeps the cross at a fixed size on the screen. The cross
// itself is built with the shape nodes it is made of.
#include "engine/nodes/object/SgHelper.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgAxis : public SgHelper {
    SG_CLASS_HEADER(SgAxis, SgFieldMngr)

    SgAxis() = default;

    // Builds the cross in the axis: a billboard, then the objects "X-Axis"
    // (red), "Y-Axis" (green) and "Z-Axis" (blue), which share one arm and
    // one arrow head; the Y and Z objects are turned from the X direction.
    // The axis itself is made unselectable.
    void Create(double armLength, double arrowRadius, double arrowHeight);

    // The parts, as new objects that the caller takes over. An arm is a
    // line from the origin along x; an arrow head a cone along z; a centre a
    // sphere about the origin.
    static SgObject *CreateArm(double length);
    static SgObject *CreateArrow(double radius, double height);
    static SgObject *CreateCenter(double radius);

protected:
    ~SgAxis() override = default;
};

#pragma once
// A coordinate cross of three coloured arrows that the editor shows: a helper
// object whose content is built from a polyline arm, a cone arrow head and
// a billboard that keeps the cross at a fixed size on the screen. The cross
// itself is built with the shape nodes it is made of.
#include "engine/core/SgHelper.h"

class SgAxis : public SgHelper {
    SG_CLASS_HEADER(SgAxis, SgFieldMngr)

    SgAxis() = default;
    ~SgAxis() override = default;
};

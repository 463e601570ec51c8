#pragma once
// The part of a line between its two points: a pick ray runs from the near to
// the far clipping plane.
#include "engine/core/Line.h"
#include "engine/core/NodaraExport.h"

class NODARA_API Segment : public Line {
public:
    Segment() = default;
    Segment(const Vec3 &start, const Vec3 &end) : Line(start, end) {}
};

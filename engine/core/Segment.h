#pragma once
// The part of a line between its two points: a pick ray runs from the near to
// the far clipping plane.
#include "engine/core/Line.h"

class Segment : public Line {
public:
    Segment() = default;
    Segment(const Vec3 &start, const Vec3 &end) : Line(start, end) {}
};

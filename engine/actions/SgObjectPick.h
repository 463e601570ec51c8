#pragma once
// What a pick on a user-level object gives a drag. They read the pick record
// of engine/actions/SgPickedPoint.h, so they sit in its layer rather than on
// the object, which lies below it.
#include <memory>

#include "engine/nodes/object/SgObject.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class SgPickedPoint;

// Drag constraints from a pick: the bottom face of the picked shape's box
// (measured from the picked object down), the slide direction (0, 0, 1) and
// offset 0. False for a hit without a path.
NODARA_API bool QueryDragUpon(SgPickedPoint &hit, SgObject::SlidingType &sliding, Vec3 &direction,
                   std::unique_ptr<CPolygon> &polygon, double &offset);
// The face polygon of the picked shape: a polygon node's outline, a face of a
// face set, or the face of the shape's box that the first pick index names.
// Null when the index is out of range or nothing was picked.
NODARA_API std::unique_ptr<CPolygon> ExtractPolygon(SgPickedPoint &hit);

#include "engine/core/GenericPolyline.h"

#include "engine/core/GeomUtil.h"

Vec3 GenericPolyline::GetNormal(int loop) { return ComputeFaceNormal(*this, loop); }

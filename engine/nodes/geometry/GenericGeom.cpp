#include "engine/nodes/geometry/GenericGeom.h"

const Vec3 GenericGeom::s_origin(0.0, 0.0, 0.0);

GenericGeom::~GenericGeom() = default;

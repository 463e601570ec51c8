#pragma once
// Box geometry builder.
#include "solids/GmGeom.h"
#include "solids/SolvaneExport.h"

namespace solvane {

// An axis-aligned box centred on the origin, as nodes, edges and faces (no
// solid: build_solids makes it). The caller owns the result.
SOLVANE_API GmGeom *makeBox(double sizeX, double sizeY, double sizeZ, const GmBox &extent = GmBox{{-2.2, -2.2, -2.2}, {2.2, 2.2, 2.2}},
                double tolerance = GmGeom::kDefaultTolerance);

}  // namespace solvane

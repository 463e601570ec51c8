#pragma once
// A solid's faces as the engine's polygon mesh: what "convert to mesh" makes
// of a shape that evaluates to a solid (a boolean's result).
#include "engine/core/SgRef.h"
#include "facade/DrevonExport.h"

class SgFaceSet;

namespace solvane {
class GmGeom;
}

namespace drevon {

// One face per live face of the solid, its holes as further loops, each
// turned so that its normal points out of the material. Null when the
// solid has no face the mesh can hold.
DREVON_API SgRef<SgFaceSet> SolidToFaceSet(const solvane::GmGeom &geom);

} // namespace drevon

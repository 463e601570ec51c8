#pragma once
// Face simplification and healing, in the form the booleans
// need: pieces cut from one original face that stay side by side are merged
// back, nodes left in the middle of straight edges are removed, and
// degenerate faces (fewer than 3 uses, zero area) are removed before any
// imprint and after every rebuild.
#include <cstdint>
#include <functional>
#include <vector>

#include "solids/GmElements.h"
#include "solids/SolvaneExport.h"

namespace solvane {

class GmGeom;

// A face as loops of point indices (the form the booleans build from).
struct SOLVANE_API GmSoupFace {
    std::vector<std::vector<int>> loops;
    Vec3 normal;
    uint64_t origin = 0;  // faces of one origin may merge
    uint32_t attributes = 0;
    uint32_t group = 0;
    uint8_t mark = 1;
};

// Merges faces of one origin (and equal mark and attributes) across the
// edges that only they use, and removes nodes between two collinear edges
// that no other edge meets.
SOLVANE_API void heal_soup(std::vector<GmSoupFace> &faces, const std::function<const Vec3 &(int)> &position, double tolerance);

// Removes faces with fewer than 3 uses in their outer loop or no area.
SOLVANE_API int remove_degenerate_faces(GmGeom &g);

// heal: mode 2 clears the mates only; otherwise the faces that
// share an origin are merged back and redundant nodes removed (mode 1 only
// between equal marks and attribute words), and the solids are rebuilt when
// there were any.
SOLVANE_API void heal(GmGeom &g, int mode);

}  // namespace solvane

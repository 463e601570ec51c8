#pragma once
// Shell building from face connectivity: face uses reachable
// across edges (in radial order where more than two faces meet) are gathered
// into shells, with their signed volume.
#include <vector>

#include "solids/GmElements.h"
#include "solids/SolvaneExport.h"

namespace solvane {

class GmGeom;

class SOLVANE_API GmShellBuilder {
public:
    explicit GmShellBuilder(GmGeom &g) : m_g(g) {}

    // Every face gives its front use and then its back use.
    std::vector<GmShell *> buildTwoSided();
    // Every face gives the use of the given side (0 front, 1 back).
    std::vector<GmShell *> buildOneSided(int side);

private:
    std::vector<GmShell *> build(bool twoSided, int side);
    GmGeom &m_g;
};

// Generalised winding number of a closed set of face uses about p: about 1
// inside a shell of positive volume, 0 outside.
SOLVANE_API double winding_number(const std::vector<GmFaceRef *> &faces, const Vec3 &p);

}  // namespace solvane

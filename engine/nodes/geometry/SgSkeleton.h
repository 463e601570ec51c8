#pragma once
// A hipped roof over the profile curve: every edge of the profile's outer
// loop becomes a roof face rising inward at its own pitch, the faces meet
// along the outline's straight skeleton, and a flat footprint closes the
// underside. The roof stands on the profile's XY plane and rises along +Z.
// Everything but the mesh (the profile slot, the result cache, the action
// handling) is the extrusion's.
//
// "slope" holds a pitch in degrees per profile edge (edge j runs from point
// j to point j + 1); the last value serves the edges beyond the list, and
// an empty list means 45 for every edge. Above 89 acts as a wall, below 1
// as flat.
#include <string>

#include "engine/core/SgVecField.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgSkeleton : public SgExtrude {
    SG_CLASS_HEADER(SgSkeleton, SgFieldMngr)

    SgSkeleton();

    // Appends the roof to the face set: one face per profile edge and the
    // footprint, each with its own vertex copies (linked through
    // "vertexDuplication") and texture coordinates. A profile the roof
    // cannot be built over (fewer than three distinct points, one that
    // turns back on itself) leaves the face set as it was, with a
    // "Geometry" diagnostic.
    void DoExtrude(SgFaceSet *faceSet, SgAction *action) override;
    // Why the last build made no roof over some loop of the profile (or over
    // none); empty when it roofed every loop it should. Exports fail on it
    // rather than write less than is drawn.
    const std::string &GetBuildFailure() const { return m_buildFailure; }

    // The builder's functions, the face set as their user data.
    static int AddRoofVertex(void *user, const Vec3 *position, int previousCopy);
    static void AddRoofFace(void *user, const int *indices, int count);
    static void AddRoofTexCoord(void *user, const Vec2f *uv);

    SgVFDouble m_slope;

protected:
    ~SgSkeleton() override;

private:
    std::string m_buildFailure;
};

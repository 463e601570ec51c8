#pragma once
// A plain box of three sizes centred on the origin; it builds no mesh of
// its own.
#include "engine/core/SgTField.h"
#include "engine/core/SgShape.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgCube : public SgShape {
    SG_CLASS_HEADER(SgCube, SgFieldMngr)

    SgCube();

    // Copies "width", "height" and "depth".
    SgCube &operator=(const SgCube &other);

    // "width" along x, "depth" along y, "height" along z.
    Range<Vec3f> BoundingBox() override;
    // The unit normal of face 0 to 5: -x, +x, -y, +y, -z, +z; (0, 0, 1) for
    // any other face. Also stored in `normal`.
    Vec3 GetNormal(int face, Vec3 &normal) override;

    SgFDouble m_width;
    SgFDouble m_height;
    SgFDouble m_depth;

protected:
    ~SgCube() override = default;
};

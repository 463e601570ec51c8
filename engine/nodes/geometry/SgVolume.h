#pragma once
// A voxel volume's place in the scene: the box it occupies and its voxel
// counts. It builds no mesh; it reports its box.
#include "engine/core/SgShape.h"
#include "engine/core/SgTField.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgVolume : public SgShape {
    SG_CLASS_HEADER(SgVolume, SgFieldMngr)

    SgVolume();
    // Centred on the origin: "width" along x, "depth" along y, "height"
    // along z.
    Range<Vec3f> BoundingBox() override;

    SgFDouble m_width;
    SgFDouble m_height;
    SgFDouble m_depth;
    SgFVec3 m_dims;

protected:
    ~SgVolume() override = default;
};

#pragma once
// An extrusion along a straight vertical spine of "height", built for each
// mesh from the fields: centred on z = 0, or standing on it with
// "zeroBase". Closed profiles get caps of concentric rings ("capping" 1,
// "capSegments" rings) or a single polygon.
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgPrizm : public SgExtrude {
    SG_CLASS_HEADER(SgPrizm, SgFieldMngr)

    // Heights are taken as at least this: a prism of no height has no
    // direction to sweep along.
    static constexpr double kMinHeight = 0.0001;

    SgPrizm();

    void DoExtrude(SgFaceSet *faceSet, SgAction *action) override;

    // The height the spine gets: |"height"|, at least kMinHeight.
    double GetSpineHeight() const;
    // The z where the spine starts: 0 with "zeroBase", else minus half the
    // spine height.
    double GetBaseZ() const;

    SgFDouble m_height;
    SgFUShort m_zeroBase;
    SgFInt m_capSegments;

protected:
    ~SgPrizm() override = default;
    // Brings the profile circle (slot 0) to the given radius and slice
    // count; a circle's field is written only when its value changes.
    void PrepareCircleProfile(double radius, int slices);
    // The box of a round prism of that radius, from the fields alone.
    Range<Vec3f> RoundBox(double radius) const;
    // The z range the spine covers, as the low and high corner's z.
    void SpineRange(float &low, float &high) const;
};

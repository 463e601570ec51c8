#pragma once
#include "engine/core/NodaraExport.h"
// What a scan found below a separator: one bit per kind of node that the
// drawing passes treat specially. The scan action fills one per separator
// and one for the whole traversal.
class SgSeparator;

class NODARA_API SgScanCache {
public:
    enum Flag {
        kLight = 1,
        kBillboard = 2,
        kTransparentMaterial = 4,  // a first diffuse colour with alpha below 1
        kConditionalBillboard = 8, // a billboard with "conditionalDisplay" 1
        kTransformSensor = 16,
        kDynamicEffect = 32,
    };

    int m_nFlags = 0;

    // The word the last scan stored for the separator; 0 for one that no scan
    // reached.
    static int GetFlags(const SgSeparator *separator);
    static void SetFlags(SgSeparator *separator, int flags);
};

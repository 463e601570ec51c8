#pragma once
#include "engine/core/NodaraExport.h"
// What each texture unit of one group holds: the unit node and the function,
// transform and texture that address the unit. The editing dialogs fill one
// with scanTextureUnits to show and edit the units.
class SgGroup;
class SgTexture2D;
class SgTexture2Transform;
class SgTextureFunction;
class SgTextureUnit;

struct NODARA_API TextureBundle {
    static constexpr int kUnits = 8;

    // The nodes are the group's; the bundle holds no references.
    struct Unit {
        SgTextureUnit *unit = nullptr;
        SgTextureFunction *function = nullptr;
        SgTexture2Transform *transform = nullptr;
        SgTexture2D *texture = nullptr;
    };

    Unit units[kUnits];

    void Clear();
};

// Sorts the texture nodes among the group's children (exact classes only)
// into the bundle by the unit in force where each stands, and returns the
// highest unit named plus one (1 when no unit node names one). A unit node
// whose unit lies outside the bundle is passed over with a diagnostic, and
// the unit in force stays. A null group leaves the bundle empty (result 1);
// without a bundle nothing is scanned and the result is 0.
NODARA_API int scanTextureUnits(SgGroup *group, TextureBundle *bundle);

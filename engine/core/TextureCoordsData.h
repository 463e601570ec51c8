#pragma once
#include "engine/core/NodaraExport.h"
// The texture-coordinate sources in force at a point of a traversal: per
// texture unit the mapping function, the coordinate array that supplies the
// unit and the transform node of the mapping. The vertex arrays read it when
// they set up their texture units.
class SgField;
class SgNode;

struct NODARA_API TextureCoordsUnit {
    int funcType = 0;           // the texture-function type that ran for the unit
    int coordCount = 0;         // coordinates in the source
    SgField *source = nullptr;  // the texture-coordinate array field that supplied them
    SgNode *transform = nullptr; // the mapping's transform node; null when none
};

struct NODARA_API TextureCoordsData {
    // Texture units a vertex array can set up.
    static constexpr int kMaxUnits = 8;

    TextureCoordsUnit units[kMaxUnits];
    int unitCount = 1;

    // Each setter raises the unit count to unit + 1 when it was smaller. A
    // unit outside 0..kMaxUnits-1 is refused (false) and nothing changes.
    bool SetFunction(int unit, int funcType, SgNode *transform);
    bool SetSource(int unit, int coordCount, SgField *source);
};

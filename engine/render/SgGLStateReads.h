#pragma once
// The state reads of the shape visitors, kept in a source of their own: the
// element classes and the vertex-array builder each define a texture
// coordinate record of the same name, so no source can see both. The
// visitors include the builder and reach the elements through these.
#include "engine/core/SgVecField.h"
#include "utilities/math/Vec2f.h"
#include "engine/core/NodaraExport.h"

class SgAction;
class SgNode;
class SgShape;

class NODARA_API SgGLStateReads {
public:
    static constexpr int kMaxUnits = 8;

    // Where one texture unit's coordinates come from: `mode` as the builder
    // counts it (0 the unit's own or the shape's coordinates by vertex, 3 and
    // up computed from the points, -1 none), the array when the state holds
    // one.
    struct TextureSource {
        int mode = -1;
        int count = 0;
        const Vec2f *coords = nullptr;
    };

    static int MaterialBinding(SgAction *action);
    // Degrees; faces meeting at a smaller angle are smoothed together.
    static float CreaseAngle(SgAction *action);
    // The coordinates in force (a coordinate node met earlier); the class's
    // empty default when none.
    static SgVecField<Vec3, 7> *Points(SgAction *action);
    // The layer table's flags in force; null or empty when no layer table
    // was met.
    static SgVecField<int, 1> *LayerFlags(SgAction *action);
    // The units in force, at most kMaxUnits; returns how many.
    static int TextureSources(SgAction *action, TextureSource (&units)[kMaxUnits]);
    static void SetDrawOver(SgAction *action, SgNode *node, int value);
};

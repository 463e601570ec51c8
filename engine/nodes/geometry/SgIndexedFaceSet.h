#pragma once
// A mesh as the scene files give it: faces as runs of coordinate indexes
// ended by -1, with optional per-index normal, material, colour and texture
// indexes. The coordinates are those in force in the traversal state (a
// coordinate node met earlier) or, when the state holds none, the node in
// its own "coord" field.
//
// The indexes come from files and are not trusted: the normal generator
// leaves out every face that names a coordinate that does not exist, and
// its face records are what readers walk.
#include <memory>

#include "engine/core/SgTField.h"
#include "engine/core/SgVecField.h"
#include "engine/nodes/geometry/SgNormalGenerator.h"
#include "engine/core/SgShape.h"

class SgState;

class SgIndexedFaceSet : public SgShape {
    SG_CLASS_HEADER(SgIndexedFaceSet, SgFieldMngr)

    SgIndexedFaceSet();

    // The normals describe the mesh as it was: an edit of the node, or of
    // the coordinates before it, drops them.
    void OnChange(SgField *field) override;
    void Invalidate() override;

    // The state's coordinates when they hold points; otherwise the "point"
    // field of the coordinate node in "coord"; otherwise the state's (empty)
    // field, or null without a state. The int is not used.
    SgVecField<Vec3, 7> *GetCoordinates(SgState *state, int = 0);
    // The point cache when a modifier hung one on the node, otherwise the
    // coordinates (pulled through their module first); null when there are
    // none.
    Vec3 *GetDeformedPoints(SgState *state);
    // Made on first use and kept until the mesh changes.
    SgNormalGenerator *getNormalGenerator();

    SgVFInt m_coordIndex;
    SgVFInt m_normalIndex;
    SgVFInt m_materialIndex;
    SgVFInt m_colorIndex;
    SgVFInt m_textureCoordIndex;
    SgFNodePtr m_coord;
    SgFNodePtr m_texCoord;
    SgFInt m_solid;
    SgFInt m_convex;

protected:
    ~SgIndexedFaceSet() override;

private:
    std::unique_ptr<SgNormalGenerator> m_pNormalGenerator;
};

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
#include "engine/core/NodaraExport.h"

class SgState;

class NODARA_API SgIndexedFaceSet : public SgShape {
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
    // The points drawing, picking and the normals take under this state
    // (GetDeformedPoints) and their number (that of GetCoordinates); null
    // and 0 when there are none.
    Vec3 *GetDrawnPoints(SgState *state, int &count);
    // Made on first use and kept until the mesh changes.
    SgNormalGenerator *getNormalGenerator();
    // The generator kept now, or null; makes none.
    SgNormalGenerator *FindNormalGenerator() const { return m_pNormalGenerator.get(); }
    // The generator with this input: made anew when the one kept was given
    // other arrays (a shared mesh drawn under other coordinates), so that
    // its faces are checked against, and its normals follow, the points in
    // effect.
    SgNormalGenerator *getNormalGenerator(int indexCount, const int *indexes, int coordCount,
                                          const Vec3 *coordinates);
    // Drops the faces that no coordinates could make: runs of fewer than
    // three corners and runs holding a negative index other than the -1
    // that ends them; per-corner index arrays as long as "coordIndex" lose
    // the same entries. Indexes past the coordinates are left: the
    // coordinates are known only where the mesh is drawn. For meshes from
    // files. Returns the number of faces dropped.
    int Validate();
    // The normal of a drawn face (faces counted as the normal generator
    // keeps them, as a pick names them) of the mesh as last drawn; (0, 0, 1)
    // before it was drawn or for an index that names no face.
    Vec3 GetNormal(int face, Vec3 &normal) override;

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

#pragma once
// Deforms a shape by a lattice of control points over its gizmo box: each
// point, in the box's unit parameters, goes to the Bernstein-weighted blend
// of the control points (a trivariate Bezier volume of degrees "width",
// "length" and "height" along x, y and z).
//
// Control points come from the lattice node ("latticeGizmo", a face set whose
// vertices they are), else from "controlPoints" (offsets from
// "latticeOrigin"), else the lattice at rest, which leaves every point where
// it is. Either list is read layer by layer along z; within a layer the
// boundary ring first, counter-clockwise from (0, 0), then the interior row
// by row.
#include <vector>

#include "engine/core/SgVecField.h"
#include "solids/modifiers/SgDeformModifier.h"
#include "solids/SolvaneExport.h"

class SgFaceSet;

class SOLVANE_API SgFFDBoxModifier : public SgDeformModifier {
    SG_CLASS_HEADER(SgFFDBoxModifier, SgFieldMngr)

    // The binomial table covers degrees 0 to 12; larger ones are clamped.
    static constexpr int kMaxDegree = 12;

    SgFFDBoxModifier();

    void DeformPoints(int count, Vec3 *in, Vec3 *out) override;
    // Leaves its own lattice gizmo alone: the lattice's points are the
    // control points, drawn where they are. (Gizmo groups stored in files
    // keep this modifier on the stack over their lattice.)
    SgShape *ApplyModifier(SgAction *action, SgShape *input, Transform3 *transform, bool last) override;

    // The lattice gizmo: the lattice at rest over the box as a face set of
    // layer grids, stored in "latticeGizmo", with a control modifier that
    // keeps every other modifier off it; "controlPoints" is sampled from it.
    SgGroup *CreateGizmoGroup(SgObject *object, bool fitToObject, bool centred) override;
    // Empties "controlPoints" (`clear`) or appends the lattice node's points
    // less "latticeOrigin".
    void SampleLattice(bool clear);

    // Degrees in use (x, y, z), each within 1 .. kMaxDegree.
    void Degrees(int &n, int &m, int &l) const;
    // (j, k) of each point of one layer in stored order.
    static std::vector<std::pair<int, int>> LayerOrder(int n, int m);
    // The control points at rest, in stored order.
    std::vector<Vec3> RestLattice() const;

    SgFDouble m_tension;
    SgFDouble m_continuity;
    SgFNodePtr m_latticeGizmo;
    SgFInt m_width;
    SgFInt m_length;
    SgFInt m_height;
    SgFVec3 m_latticeOrigin;
    SgVFVec3f m_controlPoints;

protected:
    ~SgFFDBoxModifier() override = default;
};

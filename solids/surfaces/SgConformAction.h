#pragma once
// The conform shape's private traversal: it records the last shape met (with
// its model matrix) and, for a point set, the coordinates in force; on the
// conform node itself it runs the build.
#include "engine/core/SgAction.h"
#include "utilities/math/Mat4.h"
#include "solids/SolvaneExport.h"

class SgShape;
template <class T, int Id>
class SgVecField;

class SOLVANE_API SgConformAction : public SgAction {
    SG_ACTION_HEADER(SgConformAction)

    SgConformAction();

    SgShape *m_pLastShape = nullptr;
    Mat4 m_lastMatrix;
    SgVecField<Vec3, 7> *m_pLastPoints = nullptr;

    static void VisitShape(SgAction *action, SgNode *node);
    static void VisitPointSet(SgAction *action, SgNode *node);
    static void VisitConform(SgAction *action, SgNode *node);
};

#pragma once
// Turns a sub-graph into one solid. Its main client is the boolean shape:
// evaluating a boolean collects one solid per operand (child of the
// boolean's internal separator), combines them by the node's "operation"
// (0 union, 1 intersection, 2 difference, 3 subtract from the last,
// 4 combination), wraps the result in a new SgSolvane and caches it on the
// node, where it stays while the state it was built in still holds.
//
// Solids handed between visitors (the result) belong to whoever takes them;
// the boolean evaluation deletes every operand after combining it.
#include <memory>
#include <vector>

#include "engine/core/SgAction.h"
#include "solids/SolvaneExport.h"

class SgShape;

namespace solvane {
class GmGeom;
}

class SOLVANE_API SgGeomAction : public SgAction {
    SG_ACTION_HEADER(SgGeomAction)

    SgGeomAction();
    ~SgGeomAction() override;

    // The solid of the last visitor, owned by the caller that takes it.
    solvane::GmGeom *TakeResult();
    solvane::GmGeom *GetResult() const { return m_pResult; }
    // Null: ends any collecting, empties the collected list and clears the
    // result (deleting a result nobody took). Otherwise the solid becomes the
    // result and, while collecting, joins the collected list.
    void SetResult(solvane::GmGeom *geom);
    // With `enabled` false or no solid, clears the result (and deletes the
    // solid). Else builds solids by the state's shape type when asked
    // (0 and 1: closed shells of positive volume; 3 and 4: one solid per
    // shell), moves the solid by the state's transform and makes it the
    // result.
    void AcceptGeometry(bool enabled, solvane::GmGeom *geom, bool applyShapeType);

    // Set before Apply: face sets then yield the shape their modifiers made.
    bool m_bShapeResult = false;
    SgShape *GetShapeResult() const { return m_pShapeResult; }

    // A boolean of at least this many operands says how far it got, one
    // operand at a time (a window shows it on its status line).
    static constexpr int kProgressFromOperands = 8;

    // Evaluates the boolean node (unless its cached result still holds) and
    // returns its cached solid, owned by the node; null when it has none.
    static solvane::GmGeom *EvaluateBoolean(SgNode *boolean);

    // Unites the solids by balanced halving into a new solid. The inputs are
    // taken over, not copied (each is left empty): a copy of every input and
    // of every half would be held beside the halves being united.
    static std::unique_ptr<solvane::GmGeom> UnionAll(std::vector<std::unique_ptr<solvane::GmGeom>> &solids);

    // Counts for tests and benchmarks: boolean evaluations that combined
    // their operands, and operand traversals they made.
    static int GetEvaluationCount() { return s_nEvaluations; }
    static int GetOperandVisitCount() { return s_nOperandVisits; }

    static void VisitBoolean(SgAction *action, SgNode *node);
    static void VisitSolvane(SgAction *action, SgNode *node);
    static void VisitCube(SgAction *action, SgNode *node);
    static void VisitFaceSet(SgAction *action, SgNode *node);
    static void VisitIndexedFaceSet(SgAction *action, SgNode *node);
    static void VisitGizmoGroup(SgAction *action, SgNode *node);
    static void VisitScatter(SgAction *action, SgNode *node);

private:
    void ClearCollected();
    // The steps of a boolean's evaluation: each operand made into a solid
    // of its own, then the solids combined by the node's operation and
    // stored on the node.
    void EvaluateOperands(SgNode *boolean);
    std::unique_ptr<solvane::GmGeom> MakeOperandSolid(SgNode *operand);

    solvane::GmGeom *m_pResult = nullptr;
    SgShape *m_pShapeResult = nullptr;
    bool m_bCopyOperands = false;
    bool m_bCollect = false;
    std::vector<solvane::GmGeom *> m_collected;

    static int s_nEvaluations;
    static int s_nOperandVisits;
};

#pragma once
// The Boolean combination node: a procedural shape whose operands are the
// children of its internal separator, in child order, combined by
// "operation" (0 union, 1 intersection, 2 difference from the first operand,
// 3 difference from the last). The node only holds the settings; an action
// chosen by "booleanEngine" computes the result into the node's result cache:
// the solid library's Boolean action for engines 0 and 1, the metaball action
// (engine/actions/SgMetaBallsAction.h) for engine 2.
//
// The engine table is filled at start-up by each library for its own engines
// (RegisterEngine): the metaball action by the engine's action block, the
// solid library's action by the solid library. A host without a library has
// its engines unregistered; a node that names one builds nothing and says so.
//
// Drawing: the render action's visitor (engine/render/SgGLShapeVisitors.cpp)
// wraps its GL attribute changes around the three steps below
// (TraverseOperands, Evaluate, TraverseResult); this class issues no GL.
#include "engine/core/SgTField.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgBoolean : public SgGeometricShape {
    SG_CLASS_HEADER(SgBoolean, SgFieldMngr)

    enum Operation { kUnion = 0, kIntersection = 1, kDifferenceFromFirst = 2, kDifferenceFromLast = 3 };
    enum Engine { kSolidEngine = 0, kSolidEngineAlt = 1, kMetaballEngine = 2 };
    static constexpr int kEngineCount = 3;
    static constexpr int kOperationCount = 4;
    // Caps on the metaball settings, whatever a file says: the lattice
    // spacing is kept at or above kMinCellSize, the lattice bound at or below
    // kMaxCellsBound (the polygoniser caps its cube count and memory too).
    static constexpr double kMinCellSize = 1e-4;
    static constexpr int kMaxCellsBound = 2000;

    // Action class ids by engine; 0 where no library registered one.
    static int s_iBoolAactions[kEngineCount];
    // A library's start-up registers the action that evaluates an engine.
    // Returns false (with a diagnostic) for an engine outside the table or an
    // action id of 0.
    static bool RegisterEngine(int engine, int actionClassId);
    // For tests and for a library going away.
    static void UnregisterEngine(int engine);
    static bool IsEngineRegistered(int engine);
    static bool IsValidEngine(int engine) { return engine >= 0 && engine < kEngineCount; }
    static bool IsValidOperation(int operation) { return operation >= 0 && operation < kOperationCount; }

    explicit SgBoolean(int operation = 0);

    // The action class of the engine in "booleanEngine"; 0 when the value is
    // outside the table or nothing registered it.
    int GetActionID() const override;
    // Forwarded to the internal separator.
    int DeleteChild(SgNode *child);

    void DoAction(SgAction *action) override;
    // A value outside 0..3 ("operation") or outside the table
    // ("booleanEngine") is refused with a diagnostic: the field keeps its
    // previous value.
    void OnChange(SgField *field) override;
    // A node whose engine nobody chose (no file, no caller) takes the one
    // the host of the first document it joins chooses for that document.
    void SetDocument(SgDocument *document) override;

    // The steps of DoAction, for visitors that wrap them.
    // Exploded display: the operands, traversed with the accumulated
    // modifiers reset. Does nothing unless the exploded flag is set.
    void TraverseOperands(SgAction *action);
    // Runs the engine's action over the node (when the cache does not
    // already hold a valid result) and returns the result, or null. Never
    // throws: a failure of the engine is one "Geometry" diagnostic.
    SgShape *Evaluate(SgAction *action);
    // The result as the modifier stack in force makes it, traversed with the
    // calling action.
    void TraverseResult(SgAction *action);

    // The metaball settings as the engine uses them (capped).
    double GetCellSize() const;
    int GetMaxCells() const;
    // The operation, or -1 (with a diagnostic once per value) when invalid.
    int GetValidOperation() const;

    SgFInt m_operation;
    SgFInt m_booleanEngine;
    SgFDouble m_cellSize;
    SgFInt m_maxCells;

protected:
    ~SgBoolean() override;

private:
    int m_iLastOperation = 0;
    int m_iLastEngine = 1;
    // Set by any change of "booleanEngine" but the document's own choice.
    bool m_bEngineChosen = false;
    bool m_bTakingDocumentEngine = false;
    mutable int m_iReportedOperation = 0x7fffffff;
    mutable int m_iReportedEngine = 0x7fffffff;
};

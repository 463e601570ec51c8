#include "engine/nodes/geometry/SgBoolean.h"

#include <exception>

#include "engine/core/SgAction.h"
#include "engine/core/SgDocumentLink.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgModifierStackDisabler.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgState.h"
#include "engine/core/SgStateAccessors.h"
#include "platform/SgDiagnostics.h"

SG_CLASS_SOURCE(SgBoolean, SgGeometricShape, SgFieldMngr, "SgBoolean")

int SgBoolean::s_iBoolAactions[SgBoolean::kEngineCount] = {0, 0, 0};

bool SgBoolean::RegisterEngine(int engine, int actionClassId)
{
    if (!IsValidEngine(engine)) {
        SgDiagError("Geometry", "SgBoolean: there is no engine %d (engines are 0..%d); not registered", engine,
                    kEngineCount - 1);
        return false;
    }
    if (actionClassId == 0) {
        SgDiagError("Geometry", "SgBoolean: engine %d: an action id of 0 is no action; not registered", engine);
        return false;
    }
    s_iBoolAactions[engine] = actionClassId;
    return true;
}

void SgBoolean::UnregisterEngine(int engine)
{
    if (IsValidEngine(engine))
        s_iBoolAactions[engine] = 0;
}

bool SgBoolean::IsEngineRegistered(int engine)
{
    return IsValidEngine(engine) && s_iBoolAactions[engine] != 0;
}

SgBoolean::SgBoolean(int operation)
{
    if (!IsValidOperation(operation)) {
        SgDiagWarning("Geometry", "SgBoolean: operation %d is not 0..3; the node unites its operands", operation);
        operation = kUnion;
    }
    const int engine = kSolidEngineAlt;
    AddField(m_operation, "operation", operation);
    AddField(m_booleanEngine, "booleanEngine", engine);
    AddField(m_cellSize, "cellSize", 0.085);
    AddField(m_maxCells, "maxCells", 100);
    m_iLastOperation = operation;
    m_iLastEngine = engine;
}

SgBoolean::~SgBoolean()
{
    ClearResultCache();
}

int SgBoolean::GetActionID() const
{
    const int engine = m_booleanEngine.Get();
    if (!IsValidEngine(engine)) {
        if (m_iReportedEngine != engine) {
            m_iReportedEngine = engine;
            SgDiagWarning("Geometry", "SgBoolean '%s': booleanEngine %d is not an engine (0..%d); nothing is built",
                          GetName().c_str(), engine, kEngineCount - 1);
        }
        return 0;
    }
    if (!s_iBoolAactions[engine]) {
        if (m_iReportedEngine != engine) {
            m_iReportedEngine = engine;
            SgDiagWarning("Geometry",
                          "SgBoolean '%s': no library registered booleanEngine %d in this program; nothing is built",
                          GetName().c_str(), engine);
        }
        return 0;
    }
    return s_iBoolAactions[engine];
}

int SgBoolean::GetValidOperation() const
{
    const int operation = m_operation.Get();
    if (IsValidOperation(operation))
        return operation;
    if (m_iReportedOperation != operation) {
        m_iReportedOperation = operation;
        SgDiagWarning("Geometry",
                      "SgBoolean '%s': operation %d is not 0..3 (union, intersection, difference from the first or "
                      "the last operand); nothing is built",
                      GetName().c_str(), operation);
    }
    return -1;
}

double SgBoolean::GetCellSize() const
{
    const double size = m_cellSize.Get();
    // NaN fails the comparison too.
    if (!(size >= kMinCellSize))
        return kMinCellSize;
    return size;
}

int SgBoolean::GetMaxCells() const
{
    const int cells = m_maxCells.Get();
    if (cells < 1)
        return 1;
    return cells > kMaxCellsBound ? kMaxCellsBound : cells;
}

int SgBoolean::DeleteChild(SgNode *child)
{
    SgSeparator *separator = GetSeparator();
    return separator ? separator->DeleteChild(child) : 0;
}

void SgBoolean::OnChange(SgField *field)
{
    if (field == &m_operation) {
        const int operation = m_operation.Get();
        if (!IsValidOperation(operation)) {
            SgDiagWarning("Geometry",
                          "SgBoolean '%s': operation %d refused (0 union, 1 intersection, 2 and 3 difference); it "
                          "stays %d",
                          GetName().c_str(), operation, m_iLastOperation);
            const int kept = m_iLastOperation;
            m_operation.SetValuePtr(&kept, -1, false, true);
            return;
        }
        m_iLastOperation = operation;
    } else if (field == &m_booleanEngine) {
        const int engine = m_booleanEngine.Get();
        if (!IsValidEngine(engine)) {
            SgDiagWarning("Geometry", "SgBoolean '%s': booleanEngine %d refused (engines are 0..%d); it stays %d",
                          GetName().c_str(), engine, kEngineCount - 1, m_iLastEngine);
            const int kept = m_iLastEngine;
            m_booleanEngine.SetValuePtr(&kept, -1, false, true);
            return;
        }
        // An engine no library registered is reported when the node is
        // evaluated (GetActionID): files are read before every library may
        // have started.
        m_iLastEngine = engine;
        if (!m_bTakingDocumentEngine)
            m_bEngineChosen = true;
    }
    SgGeometricShape::OnChange(field);
}

void SgBoolean::SetDocument(SgDocument *document)
{
    // Chosen before joining, so that the choice is no edit of the document.
    if (document && document != GetDocument() && !m_bEngineChosen) {
        m_bEngineChosen = true;
        const int given = SgDocumentLink::ShapeActionId(document, this);
        if (given >= 0 && !IsValidEngine(given)) {
            SgDiagWarning("Geometry", "SgBoolean: the host's engine %d is not 0..%d; engine %d is used", given,
                          kEngineCount - 1, m_booleanEngine.Get());
        } else if (given >= 0) {
            m_bTakingDocumentEngine = true;
            m_booleanEngine.SetValuePtr(&given, -1, false, false);
            m_bTakingDocumentEngine = false;
        }
    }
    SgGeometricShape::SetDocument(document);
}

void SgBoolean::TraverseOperands(SgAction *action)
{
    SgSeparator *separator = GetSeparator();
    if (!action || !IsExploded() || !separator)
        return;
    SgState *state = action->GetState();
    action->PushState();
    try {
        SgModifierStack empty;
        ModifierStackElement::Reset(state, separator, empty);
        separator->SgGroup::DoAction(action);
    } catch (...) {
        action->PopState();
        throw;
    }
    action->PopState();
}

SgShape *SgBoolean::Evaluate(SgAction *action)
{
    if (!action)
        return nullptr;
    SgState *state = action->GetState();
    const int id = GetActionID();
    if (!id || GetValidOperation() < 0) {
        ExtendStateContext(state);
        return nullptr;
    }
    SgAction *engine = SgAction::Create(id);
    if (!engine) {
        SgDiagError("Geometry", "SgBoolean '%s': the action of booleanEngine %d could not be made; nothing is built",
                    GetName().c_str(), m_booleanEngine.Get());
        return nullptr;
    }
    SgState *inner = engine->GetState();
    try {
        inner->Init(state);
        engine->PushState();
        SgModifierStack empty;
        ModifierStackElement::Reset(inner, this, empty);
        // Apply reports a failure of the traversal itself.
        engine->Apply(this);
        engine->PopState();
    } catch (const std::exception &error) {
        SgDiagError("Geometry", "SgBoolean '%s': %s; nothing is built", GetName().c_str(), error.what());
    }
    SgShape *result = GetResultCache();
    ExtendStateContext(state);
    state->RestoreDepth();
    SgAction::Destroy(engine);
    return result;
}

void SgBoolean::TraverseResult(SgAction *action)
{
    if (!action || !GetResultCache())
        return;
    TraverseShapeResult(action, this);
}

void SgBoolean::DoAction(SgAction *action)
{
    if (!action)
        return;
    if (IsExploded()) {
        TraverseOperands(action);
        if (IsExploded() && action->GetClassID() == GetBoundingBoxActionClassID())
            return;
    }
    Evaluate(action);
    TraverseResult(action);
}

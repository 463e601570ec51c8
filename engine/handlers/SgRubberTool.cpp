#include "engine/handlers/SgRubberTool.h"

#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgDocumentLink.h"
#include "engine/nodes/properties/SgTransform.h"

SG_CLASS_SOURCE(SgRubberTool, SgTool, SgFieldMngr, "SgRubberTool")

SgRubberTool::SgRubberTool() : SgTool(Plane(Vec3(0.0, 0.0, 1.0), 0.0)) {}

SgRubberTool::SgRubberTool(const Plane &) : SgRubberTool() {}

SgRubberTool::~SgRubberTool() = default;

void SgRubberTool::Init(SgPath &path, SgTransform *)
{
    m_ObjectPath = path;
    m_ShapePath = path;
    m_ShapePath.ExtendToShape();
    SgSeparator *end = path.IsEmpty() ? nullptr : path.GetObject(true);
    if (end && end->IsDerivedFrom(SgObject::ClassID())) {
        auto *object = static_cast<SgObject *>(end);
        m_pTransform = object->GetTransform(true);
    }
    m_bInitialized = true;
}

void SgRubberTool::Start(SgHandleEventAction *action, PickedPointQuery *query)
{
    if (m_iStarted)
        return;
    SgTool::Start(action, query);
    CreateObjectGroup();
    if (!m_pTempSeparator)
        return;
    // Rubber geometry belongs to no document between draws, so nothing done
    // to it reaches the undo list or a viewer's scene manager.
    m_pTempSeparator->ReleaseDocument();
    if (!m_bInitialized && m_pEditSeparator && !m_ObjectPath.IsEmpty()) {
        SgNode *holder = m_ObjectPath.GetLastElement();
        if (holder && holder->IsGroup()) {
            static_cast<SgGroup *>(holder)->AddChildAfter(m_pEditSeparator, this);
            m_ObjectPath.Append(m_pEditSeparator);
            SgDocumentLink::SetUndoRecording(GetDocumentHack(), false);
        }
    }
}

void SgRubberTool::Finish(SgHandleEventAction *action)
{
    if (!m_iStarted)
        return;
    m_pTempSeparator.reset();
    if (m_pEditSeparator) {
        SgDocumentLink::SetUndoRecording(GetDocumentHack(), true);
    }
    SgTool::Finish(action);
}

void SgRubberTool::SetTempSeparator(SgSeparator *separator)
{
    m_pTempSeparator = separator;
    if (!separator)
        return;
    separator->DisableUndo();
    separator->SetDocument(GetDocumentHack());
}

#include "engine/handlers/SgRubberTool.h"

#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgDocumentLink.h"
#include "engine/handlers/SgToolLink.h"
#include "engine/nodes/properties/SgTransform.h"

SG_CLASS_SOURCE(SgRubberTool, SgTool, SgFieldMngr, "SgRubberTool")

SgRubberTool::SgRubberTool() : SgTool(Plane(Vec3(0.0, 0.0, 1.0), 0.0)) {}

SgRubberTool::SgRubberTool(const Plane &) : SgRubberTool() {}

SgRubberTool::~SgRubberTool()
{
    RestoreUndo();
}

void SgRubberTool::RestoreUndo()
{
    SgDocument *document = m_pUndoOffDocument;
    m_pUndoOffDocument = nullptr;
    if (document)
        SgDocumentLink::SetUndoRecording(document, true);
}

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
    int x = 0;
    int y = 0;
    const bool live = SgToolLink::EventPoint(action, x, y);
    if (!m_bInitialized && live) {
        // The path to the group that holds the tool.
        SgPath path;
        if (SgToolLink::CurrentPath(action, path) && !path.IsEmpty()) {
            path.DeleteLast();
            m_ObjectPath = path;
        }
    }
    if (SgDocument *document = SgToolLink::Document(SgToolLink::Viewer(action)))
        SetDocumentHack(document);
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
            // Recording stops before the object joins the scene: the finished
            // object is recorded once, whole, in its own key point, and a
            // record of this addition would be an undo step of its own.
            if (SgDocument *document = GetDocumentHack()) {
                SgDocumentLink::SetUndoRecording(document, false);
                m_pUndoOffDocument = document;
            }
            static_cast<SgGroup *>(holder)->AddChildAfter(m_pEditSeparator, this);
            m_ObjectPath.Append(m_pEditSeparator);
        }
    }
}

void SgRubberTool::Finish(SgHandleEventAction *action)
{
    if (!m_iStarted)
        return;
    m_pTempSeparator.reset();
    int x = 0;
    int y = 0;
    if (SgToolLink::EventPoint(action, x, y)) {
        if (SgToolLink::Grabbing(action) == this) {
            SgToolLink::SetGrabbing(action, nullptr);
            SetToolActive(false);
        }
        SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    }
    if (m_pEditSeparator) {
        SgDocument *document = SgToolLink::Document(SgToolLink::Viewer(action));
        if (!document)
            document = GetDocumentHack();
        if (document && document != m_pUndoOffDocument)
            SgDocumentLink::SetUndoRecording(document, true);
    }
    RestoreUndo();
    SgTool::Finish(action);
}

void SgRubberTool::DrawRubber(SgHandleEventAction *action)
{
    SgViewer *viewer = SgToolLink::Viewer(action);
    SgRef<SgSeparator> temp = m_pTempSeparator;
    if (!temp || !m_pEditSeparator) {
        SgToolLink::Redraw(viewer, true);
        return;
    }
    SgObject *edit = m_pEditSeparator;
    edit->AddChild(temp.get());
    temp->ReleaseDocument();
    // The rubber geometry leaves the scene again whatever the redraw does.
    struct Leave {
        SgObject *edit;
        SgSeparator *temp;
        ~Leave() { edit->DeleteChild(temp); }
    } leave{edit, temp.get()};
    SgToolLink::Redraw(viewer, true);
}

void SgRubberTool::SetTempSeparator(SgSeparator *separator)
{
    m_pTempSeparator = separator;
    if (!separator)
        return;
    separator->DisableUndo();
    separator->SetDocument(GetDocumentHack());
}

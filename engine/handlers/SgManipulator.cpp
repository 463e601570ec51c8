#include "engine/handlers/SgManipulator.h"

#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgRef.h"
#include "engine/handlers/SgRubberTool.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"

SG_CLASS_SOURCE(SgManipulator, SgGroup, SgFieldMngr, "SgManipulator")

SgManipulator::SgManipulator(SgPath &path, int toolClass, int mode, SgHandleEventAction *)
{
    DisableUndo();
    SgSeparator *end = path.IsEmpty() ? nullptr : path.GetObject(true);
    if (!end || !end->IsDerivedFrom(SgObject::ClassID()) || toolClass <= 0)
        return;
    auto *object = static_cast<SgObject *>(end);
    SgRef<SgNode> created = SgNode::Create(toolClass);
    if (!created || !created->IsDerivedFrom(SgRubberTool::ClassID()))
        return;
    m_pTool = static_cast<SgRubberTool *>(created.get());
    m_pTool->DisableUndo();
    m_pTool->SetMode(mode);
    m_pTool->SetDocumentHack(object->GetDocument());
    AddChild(m_pTool);
    SgUndoRecordingPause pause(object->GetDocument());
    m_pTool->Init(path, nullptr);
    SgNode *transform = object->FindFirstNode(SgTransform::ClassID(), 0, nullptr, false);
    object->AddPropertyNodeAfter(this, transform, true);
    m_pTool->CreateObjectGroup();
}

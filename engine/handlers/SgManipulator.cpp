#include "engine/handlers/SgManipulator.h"
#include "engine/core/SgNamedClass.h"

#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgRef.h"
#include "engine/handlers/SgRubberTool.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgBehavior.h"
#include "engine/nodes/properties/SgTransform.h"

SG_CLASS_SOURCE(SgManipulator, SgGroup, SgFieldMngr, "SgManipulator")

namespace {

const SgNamedClass kMoveTool(SgNamedClass::kNode, "SgMoveTool");
const SgNamedClass kHandleBoxTool(SgNamedClass::kNode, "SgHandleBoxTool");
const SgNamedClass kConstraintTool(SgNamedClass::kNode, "SgConstraintTool");

// What an object's behaviour node asks for instead of the requested tool.
enum BehaviorTool : int { kRequested = 0, kCentreMove = 1, kConstraint = 2, kHandleBox = 3 };

// The tool class the object's behaviour node names, or the requested one;
// `mask` takes the handle mask the behaviour asks for (0 for none) and
// `showOnly` whether the tool may only show the object, not drag it.
int ChosenToolClass(SgObject *object, int requested, unsigned &mask, bool &showOnly)
{
    mask = 0;
    showOnly = false;
    SgNode *found = object->FindFirstNode(SgBehavior::ClassID(), {}, nullptr, false);
    if (!found)
        return requested;
    // The tools live in a higher layer: they are named through the class
    // registry, not included.
    switch (static_cast<SgBehavior *>(found)->m_selectionTool.Get(true)) {
    case kCentreMove:
        // The move tool with its centre cube only.
        mask = 1u << 7;
        return kMoveTool.ClassID();
    case kHandleBox:
        return kHandleBoxTool.ClassID();
    case kConstraint:
        // The object shows its bounding box and stays where it is.
        showOnly = true;
        return kConstraintTool.ClassID();
    default:
        return requested;
    }
}

} // namespace

SgManipulator::SgManipulator(SgPath &path, int toolClass, int mode, SgHandleEventAction *action)
{
    DisableUndo();
    SgSeparator *end = path.IsEmpty() ? nullptr : path.GetObject(true);
    if (!end || !end->IsDerivedFrom(SgObject::ClassID()) || toolClass <= 0)
        return;
    auto *object = static_cast<SgObject *>(end);
    // A manipulator built outside an event (by a program, not a click)
    // keeps the requested tool.
    unsigned mask = 0;
    bool showOnly = false;
    if (action) {
        const int chosen = ChosenToolClass(object, toolClass, mask, showOnly);
        if (chosen > 0)
            toolClass = chosen;
    }
    SgRef<SgNode> created = SgNode::Create(toolClass);
    if (!created || !created->IsDerivedFrom(SgRubberTool::ClassID()))
        return;
    m_pTool = static_cast<SgRubberTool *>(created.get());
    m_pTool->DisableUndo();
    m_pTool->SetMode(mode);
    if (mask)
        m_pTool->SetHandleMask(mask);
    m_pTool->SetDocumentHack(object->GetDocument());
    AddChild(m_pTool);
    SgUndoRecordingPause pause(object->GetDocument());
    m_pTool->Init(path, nullptr);
    // After Init, which allows the drag again.
    if (showOnly)
        m_pTool->SetDragAllowed(false);
    SgNode *transform = object->FindFirstNode(SgTransform::ClassID(), {}, nullptr, false);
    object->AddPropertyNodeAfter(this, transform, true);
    m_pTool->CreateObjectGroup();
}

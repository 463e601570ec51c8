#include "engine/handlers/SgSelectionHandler.h"
#include "engine/core/SgNamedClass.h"

#include "engine/core/SgDocumentLink.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "engine/core/SgApplyAction.h"
#include "engine/core/SgDocumentLink.h"
#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/actions/SgPickedPoint.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/handlers/SgManipulator.h"
#include "engine/handlers/SgRubberTool.h"
#include "engine/handlers/SgToolLink.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/nodes/character/SgBone.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "platform/SgError.h"
#include "utilities/math/Color.h"

SG_CLASS_SOURCE(SgSelectionHandler, SgEventHandler, SgFieldMngr, "SgSelectionHandler")

namespace {

// The selected object a path designates, as the object it is.
SgObject *FindSelected(const SgPath &path)
{
    return AsSgObject(path.FindSelected());
}

const SgNamedClass kSelectionMoveTool(SgNamedClass::kNode, "SgMoveTool");

const SgNamedClass kSelectionConstraintTool(SgNamedClass::kNode, "SgConstraintTool");
const SgNamedClass kParametricObject(SgNamedClass::kNode, "SgParametricObject");

bool IsManipulator(SgNode *node)
{
    const int manipulator = SgManipulator::ClassID();
    return manipulator && node->IsDerivedFrom(manipulator);
}

struct ApplyAllData {
    SelectOp *op;
    int parametricObject;
};

void ApplyAllVisit(SgAction *action, SgNode *node, void *data)
{
    auto &apply = *static_cast<ApplyAllData *>(data);
    const int classId = node->GetClassID();
    if (classId != SgObject::ClassID() && !(apply.parametricObject && classId == apply.parametricObject))
        return;
    if (classId == SgObject::ClassID()) {
        // A Boolean shown by its operands is edited through them, not as a whole.
        SgNode *boolean = static_cast<SgObject *>(node)->GetBoolean();
        if (boolean && boolean->IsGeometricShape() && static_cast<SgGeometricShape *>(boolean)->IsExploded())
            return;
    }
    // The flag ends the object's own child loop before its first child; an
    // object without children would leave it set for its parent instead.
    if (apply.op->m_iRecurse == 0 && node->GetNumChildren() > 0)
        action->m_bLeaveSeparator = true;
    (*apply.op)(node);
}

struct CollectData {
    std::vector<SgPath> paths;
};

void CollectObjects(SgAction *action, SgNode *node, void *data)
{
    if (node->GetClassID() == SgObject::ClassID())
        static_cast<CollectData *>(data)->paths.push_back(action->GetCurrentPath());
}

} // namespace

void ApplyOnUnselctedOp::operator()(SgNode *node)
{
    SgObject *object = AsSgObject(node);
    if (m_pOp && !(object && object->isSelected()))
        (*m_pOp)(node);
}

SgSelectionHandler::SgSelectionHandler()
    : m_pMaterial(new SgMaterial), m_iSelectionValue(MoveToolClassID())
{
    // The highlight is editing state: none of its edits is ever recorded.
    m_pMaterial->DisableUndo();
    m_pMaterial->m_diffuseColor.SetValue(0, Color(0, 0, 1, 1));
    SetPickFilterCB(&MostTopObject);
}

SgSelectionHandler::~SgSelectionHandler() = default;

SgSelectionHandler::ChangeBatch::~ChangeBatch()
{
    if (--m_handler.m_iChangeDepth > 0)
        return;
    if (m_handler.m_bKeepAliveStale)
        m_handler.KeepSelectedAlive();
    if (!m_handler.m_bSelectionChanged)
        return;
    m_handler.m_bSelectionChanged = false;
    SgDocumentLink::SelectionChanged(m_handler.GetDocument());
}

int SgSelectionHandler::MoveToolClassID()
{
    return kSelectionMoveTool.ClassID();
}

void SgSelectionHandler::SetPickFilterCB(PathCB cb)
{
    m_pfnPickFilter = cb;
    if (cb)
        m_fixup = [this, cb](SgPath &path) { cb(path, this); };
    else
        m_fixup = nullptr;
}

void SgSelectionHandler::RunMember(MemberCB cb, SgPath &path, int a, int b)
{
    if (cb)
        (this->*cb)(path, a, b);
}

// ---- Selection -------------------------------------------------------------------

void SgSelectionHandler::Select(const SgPath &given, int flag)
{
    ChangeBatch batch(*this);
    SgPath path = given;
    if (path.IsEmpty()) {
        if (m_ePolicy == kReplace || (m_ePolicy == kByModifier && !m_bCtrlDown)) {
            DeselectAll();
            m_pContextParent.reset();
        }
        return;
    }
    if (!IsSelectable(path))
        return;
    if (flag == 0) {
        if (!IsSelected(path))
            DoSelect(path);
        return;
    }
    int mode = m_ePolicy;
    if (m_ePolicy == kByModifier)
        mode = m_bCtrlDown ? kToggle : kReplace;
    if (mode == kReplace) {
        DeselectAll();
        DoSelect(path);
    } else if (mode == kToggle) {
        if (IsSelected(path))
            Deselect(path, true);
        else
            DoSelect(path);
    }
}

void SgSelectionHandler::Select(SgPathList &list, int flag)
{
    ChangeBatch batch(*this);
    // A copy: the callbacks may change the list given (it may be the selection).
    const SgPathList paths(list);
    for (POSITION pos = paths.GetFirst(); pos;)
        Select(paths.GetNext(pos), flag);
}

void SgSelectionHandler::Select(SgNode *node, int flag)
{
    if (!node)
        return;
    SgPathList paths;
    SgPath tail;
    paths.PathsFromNode(node, tail, nullptr);
    Select(paths, flag);
}

void SgSelectionHandler::DoSelect(SgPath path)
{
    ChangeBatch batch(*this);
    if (m_fixup)
        m_fixup(path);
    if (path.IsEmpty())
        throw SgInvalidArgument("SgSelectionHandler::DoSelect: a path without nodes");
    SgObject *object = AsSgObject(path.GetObject(true));
    if (!object)
        return;
    object->setSelected(true);
    if (m_pfnStart)
        m_pfnStart(path, m_pStartData);
    m_SelectedPaths.Add(path);
    m_bSelectionChanged = true;
    KeepSelectedAlive();
    // A tool per selected object costs its making and its drawing in every
    // frame: past the bound, further objects are selected without one.
    if (m_SelectedPaths.GetCount() <= kMaxSelectionTools)
        RunMember(m_pfnSelection, path, m_iSelectionValue, m_iTransformToolFrame);
    MouseClickEvent(path, 0, 0);
    if (m_pfnFinish)
        m_pfnFinish(path, m_pFinishData);
}

void SgSelectionHandler::Deselect(SgPath &path, bool lookUp)
{
    ChangeBatch batch(*this);
    SgPath designated = path;
    POSITION match = nullptr;
    if (lookUp) {
        for (POSITION pos = m_SelectedPaths.GetFirst(); pos;) {
            const POSITION here = pos;
            SgPath entry = m_SelectedPaths.GetNext(pos);
            if (entry.SelectCompare(path)) {
                match = here;
                designated = entry;
                break;
            }
        }
    }
    RunMember(m_pfnDeselection, designated, 0, 0);
    // The callback may have changed the list: the entry is found again.
    bool removed = false;
    if (match) {
        for (POSITION pos = m_SelectedPaths.GetFirst(); pos;) {
            const POSITION here = pos;
            m_SelectedPaths.GetNext(pos);
            if (here == match) {
                m_SelectedPaths.RemoveAt(here);
                m_bSelectionChanged = true;
                removed = true;
                break;
            }
        }
    }
    if (!removed) {
        const int before = m_SelectedPaths.GetCount();
        m_SelectedPaths.Remove(designated);
        m_bSelectionChanged |= m_SelectedPaths.GetCount() != before;
    }
    if (SgObject *object = FindSelected(designated))
        object->setSelected(false);
    KeepSelectedAlive();
}

void SgSelectionHandler::DeselectAll()
{
    ChangeBatch batch(*this);
    // Each round removes the first entry; the bound guards against a
    // deselection callback that keeps adding paths.
    for (int rounds = m_SelectedPaths.GetCount(); rounds > 0 && !m_SelectedPaths.IsEmpty(); --rounds) {
        SgPath first = m_SelectedPaths.GetAt(m_SelectedPaths.GetFirst());
        Deselect(first, false);
    }
    m_bSelectionChanged |= !m_SelectedPaths.IsEmpty();
    m_SelectedPaths.RemoveAll();
    KeepSelectedAlive();
}

int SgSelectionHandler::IsSelected(SgPath &path)
{
    return FindSelected(path) != nullptr;
}

bool SgSelectionHandler::IsSelectable(const SgPath &path)
{
    if (path.IsEmpty())
        throw SgInvalidArgument("SgSelectionHandler::IsSelectable: a path without nodes");
    SgSeparator *end = path.GetObject(true);
    if (!end)
        return false;
    SgObject *object = AsSgObject(end);
    SgNode *last = path[path.GetCount() - 1];
    return object && object->IsSelectable() && last && last->IsSelectable() && object->Selectable();
}

bool SgSelectionHandlerInterfaceBase::IsSelectable(SgPath &path)
{
    return SgSelectionHandler::IsSelectable(path);
}

bool SgSelectionHandler::_PickedPointFilter(SgPickedPoint &hit)
{
    return !hit.m_Path.IsEmpty() && IsSelectable(hit.m_Path);
}

void SgSelectionHandler::ReselectAll()
{
    ChangeBatch batch(*this);
    const SgPathList saved(m_SelectedPaths);
    DeselectAll();
    for (POSITION pos = saved.GetFirst(); pos;)
        DoSelect(saved.GetNext(pos));
}

void SgSelectionHandler::SelectAll(SgSeparator *root)
{
    ChangeBatch batch(*this);
    if (!root)
        return;
    // Collected first: selecting may attach tools, which must not change the
    // graph under the traversal.
    CollectData found;
    SgApplyAction collect(&CollectObjects, &found);
    collect.Apply(root);
    for (SgPath &path : found.paths) {
        if (!IsSelected(path))
            Select(path, 0);
    }
}

void SgSelectionHandler::SelectInvert(SgSeparator *root)
{
    ChangeBatch batch(*this);
    if (!root)
        return;
    CollectData found;
    SgApplyAction collect(&CollectObjects, &found);
    collect.Apply(root);
    // An object below one that this pass already turned follows that one:
    // its path designates the same selection, and turning it again would
    // undo the first turn.
    std::unordered_set<const SgNode *> turned;
    for (SgPath &path : found.paths) {
        const bool follows = std::any_of(path.GetNodes().begin(), path.GetNodes().end(),
                                         [&](const SgNode *node) { return turned.count(node) > 0; });
        if (follows)
            continue;
        turned.insert(path.GetLastElement());
        if (IsSelected(path))
            Deselect(path, true);
        else
            Select(path, 0);
    }
}

void SgSelectionHandler::FixSelectionPath(SgPath &path)
{
    path.ExtendToShape();
}

int SgSelectionHandler::GetSelectedObjects(int max, SgObject **objects, SgPath *paths)
{
    if (max < 1)
        return 0;
    int stored = 0;
    for (POSITION pos = m_SelectedPaths.GetFirst(); pos && stored < max; ++stored) {
        SgPath path = m_SelectedPaths.GetNext(pos);
        if (objects)
            objects[stored] = path.IsEmpty() ? nullptr : AsSgObject(path.GetLastElement());
        if (paths)
            paths[stored] = path;
    }
    return stored;
}

// ---- Apply family ------------------------------------------------------------------

void SgSelectionHandler::ApplyToSelection(SelectOp *op)
{
    if (!op)
        return;
    const SgPathList saved(m_SelectedPaths);
    for (POSITION pos = saved.GetFirst(); pos;) {
        SgPath path = saved.GetNext(pos);
        path.CutToObject(0, true, false);
        if (!path.IsEmpty())
            (*op)(path.GetLastElement());
    }
}

void SgSelectionHandler::ApplyToAll(SelectOp *op)
{
    SgNode *scene = GetFirstFather();
    if (!scene)
        throw SgInvalidArgument("SgSelectionHandler::ApplyToAll: the handler is in no scene");
    if (!op)
        return;
    ApplyAllData data{op, kParametricObject.ClassID()};
    SgApplyAction apply(&ApplyAllVisit, &data);
    apply.Apply(scene);
}

void SgSelectionHandler::ApplyToUnSelected(SelectOp *op)
{
    ApplyOnUnselctedOp unselected(op);
    ApplyToAll(&unselected);
}

// ---- Deletion ------------------------------------------------------------------------

void SgSelectionHandler::Delete(SgPath &path)
{
    SgSeparator *object = path.IsEmpty() ? nullptr : path.GetObject(true);
    const int at = object ? path.GetPosition(object) : -1;
    if (at < 1)
        throw SgInvalidArgument("SgSelectionHandler::Delete: the path holds no object below a node");
    SgNode *parent = path[at - 1];
    // Held across the deselection, which lets go of the selection's reference.
    SgRef<SgNode> keep(object->GetRefCount() > 0 ? object : nullptr);
    Deselect(path, true);
    if (parent && parent->IsGroup())
        static_cast<SgGroup *>(parent)->DeleteChild(object);
}

void SgSelectionHandler::Delete(SgPathList &paths)
{
    ChangeBatch batch(*this);
    const SgPathList saved(paths);
    // However many objects go, they come back with one undo.
    SgKeyPoint keyPoint(saved.IsEmpty() ? nullptr : saved.GetAt(saved.GetFirst()).FindDocInPath());
    for (POSITION pos = saved.GetFirst(); pos;) {
        SgPath path = saved.GetNext(pos);
        Delete(path);
    }
}

void SgSelectionHandler::Delete()
{
    ChangeBatch batch(*this);
    SgPathList saved(m_SelectedPaths);
    Delete(saved);
}

// ---- Path fix-ups ----------------------------------------------------------------------

void SgSelectionHandler::MostTopObject(SgPath &path, void *data)
{
    auto *handler = static_cast<SgSelectionHandler *>(data);
    SgNode *context = handler ? handler->GetContextParent() : nullptr;
    const int contextAt = context ? path.GetPosition(context) : -1;
    if (contextAt >= 0) {
        int top = -1;
        for (int k = path.GetCount() - 1; k > contextAt; --k) {
            if (path[k] && path[k]->IsObject())
                top = k;
        }
        if (top >= 0)
            path.Truncate(top + 1);
        path.CutToRoot(0);
        return;
    }
    path.CutToObject(0, false, true);
    if (handler)
        handler->m_pContextParent.reset();
    path.CutToRoot(0);
}

void SgSelectionHandler::LowestObject(SgPath &path, void *)
{
    path.CutToObject(0, true, true);
    path.CutToRoot(0);
}

// ---- Selection and deselection callbacks -------------------------------------------------

void SgSelectionHandler::TransformTool(SgPath &path, int kind, int frame)
{
    if (path.IsEmpty())
        return;
    SgPath toolPath = path;
    // The tool picks and projects along paths from the viewer's pick root.
    if (!m_FirstPickPath.IsEmpty() && toolPath.GetFirstElement() != m_FirstPickPath.GetFirstElement())
        toolPath.Insert(0, m_FirstPickPath.GetFirstElement());
    SgRef<SgManipulator> manipulator = new SgManipulator(toolPath, kind, frame, m_pCurrentAction);
    if (manipulator->GetTool())
        m_pCurrentTool = manipulator->GetTool();
}

void SgSelectionHandler::BoundBoxTool(SgPath &path, int, int)
{
    if (path.IsEmpty())
        return;
    SgPath toolPath = path;
    SgRef<SgManipulator> manipulator =
        new SgManipulator(toolPath, kSelectionConstraintTool.ClassID(), 0, nullptr);
    if (SgRubberTool *tool = manipulator->GetTool())
        tool->SetDragAllowed(false);
}

void SgSelectionHandler::RemoveTool(SgPath &path, int, int)
{
    if (path.IsEmpty())
        return;
    m_pHeldManipulator.reset();
    SgObject *object = AsSgObject(path.GetObject(true));
    if (!object)
        return;
    SgNode *manipulator = object->FindFirstNodeCond(&IsManipulator);
    if (!manipulator)
        return;
    // Kept until the next call: the manipulator's tool may be handling the
    // event that caused this deselection.
    m_pHeldManipulator = manipulator;
    if (m_pCurrentTool && static_cast<SgNode *>(static_cast<SgManipulator *>(manipulator)->GetTool()) ==
                              static_cast<SgNode *>(m_pCurrentTool))
        m_pCurrentTool = nullptr;
    SgUndoRecordingPause pause(object->GetDocument());
    object->DeletePropertyNode(manipulator);
}

void SgSelectionHandler::MouseClickEvent(SgPath &path, int, int)
{
    if (m_clickListeners.GetCount() == 0)
        return;
    SgSeparator *object = path.IsEmpty() ? nullptr : path.GetObject(true);
    const std::string name = object ? object->GetName() : std::string();
    m_clickListeners.Notify(path, name.c_str());
}

void SgSelectionHandler::HighlightSelect(SgPath &path, int, int)
{
    SgObject *object = path.IsEmpty() ? nullptr : AsSgObject(path.GetObject(true));
    if (!object)
        return;
    SgRef<SgGroup> highlight = new SgGroup;
    highlight->DisableUndo();
    if (m_pDrawStyle)
        highlight->AddChild(m_pDrawStyle.get());
    // Overriding, so that the object's own material below does not win.
    m_pMaterial->SetOveride(true);
    highlight->AddChild(m_pMaterial.get());
    SgRef<SgManipulator> manipulator = new SgManipulator;
    manipulator->DisableUndo();
    manipulator->AddChild(highlight.get());
    SgNode *transform = object->FindFirstNode(SgTransform::ClassID(), {}, nullptr, false);
    SgUndoRecordingPause pause(object->GetDocument());
    object->AddPropertyNodeAfter(manipulator.get(), transform, true);
}

// ---- Grouping ------------------------------------------------------------------------------

bool SgSelectionHandler::ActivateDragAndDrop()
{
    if (!m_pCurrentTool || m_SelectedPaths.GetCount() == 0 || !m_pCurrentTool->IsDerivedFrom(SgRubberTool::ClassID()))
        return false;
    return static_cast<SgRubberTool *>(m_pCurrentTool)->StartDragAndDrop();
}

SgPath SgSelectionHandler::GroupSelection()
{
    ChangeBatch batch(*this);
    SgPath path = m_FirstPickPath;
    if (m_SelectedPaths.GetCount() == 0)
        return path;
    path = m_SelectedPaths.GetAt(m_SelectedPaths.GetFirst());
    if (path.IsEmpty())
        return path;
    const int at = path.GetObjectPos();
    if (at < 1 || !path[at - 1] || !path[at - 1]->IsGroup())
        throw SgInvalidArgument("SgSelectionHandler::GroupSelection: the selected object has no parent on its path");
    auto *parent = static_cast<SgGroup *>(path[at - 1]);
    SgNode *first = path[at];
    const SgPathList saved(m_SelectedPaths);

    SgKeyPoint keyPoint(parent->IsUndoEnabled() ? parent->GetDocument() : nullptr);
    SgRef<SgObject> group = new SgObject(true, true);
    parent->AddChildBefore(group.get(), first);
    group->SetName("Objects Group");
    while (path.GetCount() > at)
        path.DeleteLast();
    path.Append(group.get());

    DeselectAll();
    std::vector<SgTransform *> transforms;
    for (POSITION pos = saved.GetFirst(); pos;) {
        SgPath member = saved.GetNext(pos);
        SgObject *object = AsSgObject(member.GetObject(true));
        if (!object || object == group.get())
            continue;
        member.CutToObject(0, true, false);
        if (!group->AddToGroup(member))
            continue;
        SgNode *transform = object->FindFirstNode(SgTransform::ClassID(), {}, nullptr, false);
        if (!transform)
            transform = object->CreatePropertyNode(SgTransform::ClassID());
        if (transform)
            transforms.push_back(static_cast<SgTransform *>(transform));
    }

    SgPath groupOnly(*group);
    bool hasBox = false;
    const Range<Vec3f> box = SgBoundingBoxAction::CalcBoundingBox(groupOnly, &hasBox);
    if (hasBox) {
        const Vec3f &lo = box.GetMin();
        const Vec3f &hi = box.GetMax();
        const Vec3 centre((double(lo[0]) + hi[0]) * 0.5, (double(lo[1]) + hi[1]) * 0.5, (double(lo[2]) + hi[2]) * 0.5);
        group->GetTransform(true)->m_translation.Set(centre);
        // The members give up what the group takes, so none moves in the world.
        for (SgTransform *transform : transforms)
            transform->m_translation.Set(transform->m_translation.Get(true) - centre);
    }
    if (SgSeparator *holder = group->GetGroupHolder(true))
        holder->SetName("Group Holder");
    // The group joins the layer new objects join.
    group->m_layer.Set(SgDocumentLink::CurrentLayer(parent->GetDocument()));
    Select(path, 1);
    return path;
}

namespace {
// The undo key point of an edit under `parent`: only when the parent records.
SgDocument *KeyPointDocument(SgNode *parent)
{
    return parent && parent->IsUndoEnabled() ? parent->GetDocument() : nullptr;
}
} // namespace

void SgSelectionHandler::UnGroupSelection()
{
    ChangeBatch batch(*this);
    if (m_SelectedPaths.GetCount() == 0)
        return;
    const SgPathList saved(m_SelectedPaths);
    // Every group taken apart comes back with one undo.
    SgKeyPoint command(saved.GetAt(saved.GetFirst()).FindDocInPath());
    DeselectAll();
    for (POSITION pos = saved.GetFirst(); pos;) {
        SgPath path = saved.GetNext(pos);
        if (!path.IsGroup()) {
            Select(path, 0);
            continue;
        }
        SgObject *group = AsSgObject(path.GetObject(true));
        const int at = group ? path.GetPosition(group) : -1;
        if (at < 1 || !path[at - 1] || !path[at - 1]->IsGroup())
            throw SgInvalidArgument("SgSelectionHandler::UnGroupSelection: the group has no parent on its path");
        auto *parent = static_cast<SgGroup *>(path[at - 1]);
        // Held until the parent lets it go at the end.
        SgRef<SgObject> keep(group);
        SgKeyPoint keyPoint(KeyPointDocument(parent));
        const SgPathList members = group->Ungroup();
        path.Truncate(at);
        for (POSITION member = members.GetFirst(); member;) {
            SgPath placed = members.GetNext(member);
            if (placed.IsEmpty())
                continue;
            SgPath selected = path;
            selected.Append(placed.GetLastElement());
            DoSelect(selected);
        }
        parent->DeleteChild(group);
    }
}

void SgSelectionHandler::AttachToGroupSelection(bool keep)
{
    ChangeBatch batch(*this);
    if (m_SelectedPaths.GetCount() < 2)
        return;
    SgPathList saved(m_SelectedPaths);
    DeselectAll();
    std::vector<SgPath> paths;
    for (POSITION pos = saved.GetFirst(); pos;) {
        SgPath path = saved.GetNext(pos);
        path.CutToObject(0, true, false);
        // A path that ends at no object ends the operation before anything
        // is moved: no half-made attachment.
        if (path.IsEmpty() || !AsSgObject(path.GetLastElement()))
            return;
        paths.push_back(path);
    }
    SgPath target = paths.front();
    SgObject *first = target.IsEmpty() ? nullptr : AsSgObject(target.GetLastElement());
    if (!first)
        return;
    // Closed on every way out below, the early stop included.
    SgKeyPoint keyPoint(KeyPointDocument(first));
    // A group, a skeleton's bone or a Boolean takes the objects in itself.
    const int boneClass = SgBone::ClassID();
    const int booleanClass = SgBoolean::ClassID();
    SgNode *real = first->FindRealObject();
    SgNode *lastChild = nullptr;
    if (real && real->IsGroup()) {
        auto *content = static_cast<SgGroup *>(real);
        if (content->GetNumChildren() > 0)
            lastChild = content->GetChild(content->GetNumChildren() - 1);
    }
    const int lastClass = lastChild ? lastChild->GetClassID() : 0;
    const bool takesAsItIs =
        first->IsObjectsGroup() || (lastClass != 0 && (lastClass == boneClass || lastClass == booleanClass));
    if (!takesAsItIs) {
        // A new object takes the first one's place and transform; the first
        // one goes into it with an identity transform.
        SgGroup *parent = target.GetCount() > 1 && target[target.GetCount() - 2]->IsGroup()
                              ? static_cast<SgGroup *>(target[target.GetCount() - 2])
                              : nullptr;
        if (!parent)
            throw SgInvalidArgument("SgSelectionHandler::AttachToGroupSelection: the object has no parent on its path");
        SgRef<SgObject> keepFirst(first);
        SgRef<SgTransform> transform(first->GetTransform(true));
        SgRef<SgObject> wrapper = new SgObject(false, true);
        parent->AddChildAfter(wrapper.get(), first);
        first->DeletePropertyNode(transform.get());
        wrapper->AddPropertyNode(transform.get(), true);
        wrapper->AddChild(first);
        parent->DeleteChild(first);
        first->GetTransform(true);
        target.DeleteLast();
        target.Append(wrapper.get());
    }
    for (size_t i = 1; i < paths.size(); ++i) {
        SgPath &path = paths[i];
        SgObject *object = path.IsEmpty() ? nullptr : AsSgObject(path.GetLastElement());
        if (!object)
            return;
        object->AttachToGroup(target, keep);
    }
}

void SgSelectionHandler::DetachGroupSelection()
{
    ChangeBatch batch(*this);
    if (m_SelectedPaths.GetCount() == 0)
        return;
    SgGroup *root = GetFirstFather() && GetFirstFather()->IsGroup() ? static_cast<SgGroup *>(GetFirstFather()) : nullptr;
    const SgPathList saved(m_SelectedPaths);
    SgKeyPoint keyPoint(GetDocumentHack());
    DeselectAll();
    for (POSITION pos = saved.GetFirst(); pos;) {
        SgPath path = saved.GetNext(pos);
        path.CutToObject(0, true, false);
        if (!path.IsEmpty() && path.GetLastElement()->IsObject())
            SgObject::DetachFromGroup(path, root);
    }
}

// ---- Clicks -------------------------------------------------------------------------------

namespace {
// Pixels around the cursor within which a click hits thin geometry.
constexpr double kClickPickRadius = 5.0;

SgPath PickedPath(SgHandleEventAction *action)
{
    SgPickedPoint hit;
    if (!SgToolLink::PickNearest(action, kClickPickRadius, nullptr, hit))
        return SgPath();
    return hit.m_Path;
}
} // namespace

int SgSelectionHandler::OnLButtonDown(SgHandleEventAction *action)
{
    m_bCtrlDown = SgToolLink::CtrlDown(action);
    m_FirstPickPath = PickedPath(action);
    return 1;
}

int SgSelectionHandler::OnLButtonUp(SgHandleEventAction *action)
{
    if (m_bSubObject)
        return 0;
    m_bCtrlDown = SgToolLink::CtrlDown(action);
    const SgPath picked = PickedPath(action);
    if (!(picked == m_FirstPickPath))
        return 1;
    m_pCurrentAction = action;
    m_LastPickPath = picked;
    Select(picked, 1);
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
    return 1;
}

// ---- Highlight -------------------------------------------------------------------------

void SgSelectionHandler::SetMaterial(const SgMaterial &material)
{
    *m_pMaterial = material;
}

void SgSelectionHandler::SetColor(const Color &color)
{
    m_pMaterial->m_diffuseColor.SetValue(0, color);
}

void SgSelectionHandler::SetDrawStyle(const SgDrawStyle &style)
{
    if (!m_pDrawStyle)
        m_pDrawStyle = new SgDrawStyle;
    *m_pDrawStyle = style;
    m_pDrawStyle->DisableUndo();
}

// ---- Navigation --------------------------------------------------------------------------

void SgSelectionHandler::SetContextParent(SgObject *parent)
{
    m_pContextParent = parent;
}

// ---- Lifetime of selected nodes ------------------------------------------------------------

void SgSelectionHandler::KeepSelectedAlive()
{
    // Inside a batch the old set stays (it holds at least what is still
    // selected but for the paths added meanwhile, which the scene holds);
    // the set is taken once when the batch ends, so selecting n objects in
    // one go costs n, not n squared.
    if (m_iChangeDepth > 0) {
        m_bKeepAliveStale = true;
        return;
    }
    m_bKeepAliveStale = false;
    // The groups that hold this handler: a reference on them would keep the
    // scene alive through its own child.
    std::unordered_set<const SgNode *> holders;
    std::vector<const SgNode *> pending{this};
    while (!pending.empty()) {
        const SgNode *node = pending.back();
        pending.pop_back();
        for (SgNode *father : node->GetFatherList()) {
            if (holders.insert(father).second)
                pending.push_back(father);
        }
    }
    std::unordered_set<const SgNode *> seen;
    std::vector<SgRef<SgNode>> keep;
    for (POSITION pos = m_SelectedPaths.GetFirst(); pos;) {
        const SgPath path = m_SelectedPaths.GetNext(pos);
        for (SgNode *node : path.GetNodes()) {
            // An uncounted node (never owned yet) cannot be kept
            // this way: a reference would free it when it is let go.
            if (!node || node->GetRefCount() <= 0 || holders.count(node) || !seen.insert(node).second)
                continue;
            keep.emplace_back(node);
        }
    }
    // The new set is taken before the old one goes, so no node kept by both
    // passes through a count of zero.
    m_keepAlive.swap(keep);
}

#include "engine/actions/SgCopyAction.h"
#include "engine/core/SgNamedClass.h"

#include <algorithm>
#include <utility>

#include "engine/core/SgField.h"
#include "engine/core/SgGenVecField.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagnostics.h"

SG_ACTION_SOURCE(SgCopyAction, "SgCopyAction")

namespace {

// The manipulator belongs to the tools library, which may register it after
// the start-up or not at all.
const SgNamedClass kManipulator(SgNamedClass::kNode, "SgManipulator");

bool IsManipulator(const SgNode *node)
{
    const int manipulator = kManipulator.ClassID();
    return manipulator && node->GetClassID() == manipulator;
}

// Groups whose constructor builds default children (the transform and inner
// group of helper objects) get the source's children instead.
void RemoveDefaultChildren(SgGroup *group)
{
    auto *separator = dynamic_cast<SgSeparator *>(group);
    while (group->GetOwnChildCount() > 0) {
        SgNode *first = group->GetChildList().front();
        // An object's own list is reached through its property operations:
        // its child operations act on the content.
        const int removed = separator ? separator->DeletePropertyNode(first) : group->DeleteChild(first);
        if (!removed)
            break;
    }
}

} // namespace

void SgCopyAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitNode);
    SetVisitor(s_pfnMethodsMap, SgGroup::ClassID(), VisitGroup);
    SetVisitor(s_pfnMethodsMap, SgGeometricShape::ClassID(), VisitGeometricShape);
    BuildVisitorsMap_(s_iClassID);
}

bool SgCopyAction::Apply(SgNode *node)
{
    m_pResult = nullptr;
    const bool copied = SgAction::Apply(node);
    // The guards deleted what was built; nothing of it may be handed out.
    if (!copied)
        m_pResult = nullptr;
    return copied;
}

void SgCopyAction::copyFields(SgFieldMngr *src, SgFieldMngr *&dst)
{
    if (!src)
        return;
    if (!dst) {
        dst = SgFieldMngr::Create(src->GetClassID());
        if (!dst)
            return;
    }
    const int count = std::min(src->GetFieldsCount(), dst->GetFieldsCount());
    for (int i = 0; i < count; ++i) {
        SgField *from = src->GetFieldAddress(i);
        SgField *to = dst->GetFieldAddress(i);
        if (!from || !to || from == to || from->GetClassID() != to->GetClassID())
            continue;
        if (auto *array = dynamic_cast<SgGenVecField *>(from)) {
            // Whole: a shorter source must not leave the copy's own further
            // values behind.
            array->EvaluateAll();
            to->SetValuePtr(from->GetValuePtr(-1, true), -1, true, false);
        } else {
            to->SetValuePtr(from->GetValuePtr(0, true), -1, true, false);
        }
    }
}

SgNode *SgCopyAction::CopyNode(SgNode *node)
{
    // A plain object gets its transform and inner group from the source,
    // not from its constructor.
    SgFieldMngr *made = node->GetClassID() == SgObject::ClassID() ? new SgObject(false, false)
                                                                  : SgFieldMngr::Create(node->GetClassID());
    SgAdopt<SgFieldMngr> guard(made);
    copyFields(node, made);
    auto *copy = dynamic_cast<SgNode *>(made);
    if (!copy) {
        SgDiagWarning("CopyAction", "SgCopyAction: nodes of class %s cannot be made; %s%s is not copied",
                      node->GetClassName(), node->GetName().empty() ? "the node" : "node ",
                      node->GetName().c_str());
        return nullptr;
    }
    copy->SetName(node->GetName().c_str());
    guard.release();
    return copy;
}

SgNode *SgCopyAction::CopyOf(SgNode *node)
{
    m_pResult = nullptr;
    m_CurrentPath.Append(node);
    Traverse(node);
    m_CurrentPath.DeleteLast();
    return m_pResult;
}

namespace {

// Whether the group is the content of a clone, whose first child is the
// object the clone shows: copies of the clone show that same object.
bool IsShownByClone(SgGroup *content)
{
    for (SgNode *father : content->GetFatherList()) {
        auto *object = father->IsObject() && father->IsClone() ? dynamic_cast<SgObject *>(father) : nullptr;
        if (object && object->GetInnerGroup() == content)
            return true;
    }
    return false;
}

} // namespace

void SgCopyAction::CopyChildren(SgGroup *source, SgGroup *copy)
{
    auto *object = copy->IsObject() ? dynamic_cast<SgSeparator *>(copy) : nullptr;
    auto *sourceObject = dynamic_cast<SgObject *>(source);
    auto *copyObject = dynamic_cast<SgObject *>(copy);
    SgNode *lastOwn = nullptr;
    // By index: copying sets fields, whose notices must not leave the loop
    // on a dangling entry should the list change.
    for (size_t i = 0; i < source->GetChildList().size(); ++i) {
        SgNode *child = source->GetChildList()[i];
        if (!child || child->IsTool() || IsManipulator(child))
            continue;
        SgNode *added = nullptr;
        if (child->GetName() == kNonCloneName || (i == 0 && IsShownByClone(source))) {
            if (copy->AddChild(child))
                added = child;
        } else {
            SgNode *childCopy = CopyOf(child);
            if (!childCopy)
                continue;
            SgAdopt<SgNode> guard(childCopy);
            bool placed;
            // Property nodes go into an object's own list in the order the
            // source has them: the order of modifiers and transforms is
            // the order they act in.
            if (object && child->IsPropertyNode())
                placed = object->AddPropertyNodeAfter(childCopy, lastOwn);
            else
                placed = copy->AddChild(childCopy);
            if (placed)
                added = childCopy;
            if (placed && copyObject && sourceObject && child == sourceObject->GetTransform(false))
                copyObject->SetTransform(static_cast<SgTransform *>(childCopy));
        }
        if (added && object && object->IndexOf(added) >= 0)
            lastOwn = added;
    }
}

void SgCopyAction::VisitNode(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgCopyAction *>(action);
    self->m_pResult = CopyNode(node);
}

void SgCopyAction::VisitGroup(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgCopyAction *>(action);
    self->m_pResult = nullptr;
    if (self->m_bSkipSceneRoots && node->IsRoot())
        return;
    SgNode *copy = CopyNode(node);
    if (!copy)
        return;
    SgAdopt<SgNode> guard(copy);
    auto *group = static_cast<SgGroup *>(copy);
    RemoveDefaultChildren(group);
    self->CopyChildren(static_cast<SgGroup *>(node), group);
    self->m_pResult = guard.release();
}

void SgCopyAction::VisitGeometricShape(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgCopyAction *>(action);
    self->m_pResult = nullptr;
    SgNode *copy = CopyNode(node);
    if (!copy)
        return;
    SgAdopt<SgNode> guard(copy);
    SgSeparator *inner = static_cast<SgGeometricShape *>(node)->GetSeparator();
    SgSeparator *innerCopy = static_cast<SgGeometricShape *>(copy)->GetSeparator();
    if (inner && innerCopy) {
        innerCopy->Clear();
        for (size_t i = 0; i < inner->GetChildList().size(); ++i) {
            SgNode *childCopy = self->CopyOf(inner->GetChildList()[i]);
            if (!childCopy)
                continue;
            SgAdopt<SgNode> childGuard(childCopy);
            innerCopy->AddChild(childCopy);
        }
    }
    self->m_pResult = guard.release();
}

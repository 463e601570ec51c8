#include "engine/actions/SgNodeNavigation.h"

#include "engine/core/SgPathList.h"
#include "engine/actions/SgSelectionHandlerInterface.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/geometry/SgGeometricShape.h"

namespace {

// The Boolean (a user-built procedural shape) the object holds, if any.
SgGeometricShape *BooleanOf(SgObject *object)
{
    SgNode *boolean = object ? object->GetBoolean() : nullptr;
    return boolean && boolean->IsGeometricShape() ? static_cast<SgGeometricShape *>(boolean) : nullptr;
}

// Puts the handler's path fix-up back however the step ends.
class FixupRestorer {
public:
    explicit FixupRestorer(SgSelectionHandlerInterface *handler)
        : m_pHandler(handler), m_fixup(handler->GetPathFixup())
    {
        m_pHandler->SetPathFixup(nullptr);
    }
    ~FixupRestorer() { m_pHandler->SetPathFixup(m_fixup); }
    FixupRestorer(const FixupRestorer &) = delete;
    FixupRestorer &operator=(const FixupRestorer &) = delete;

private:
    SgSelectionHandlerInterface *m_pHandler;
    SgSelectionHandlerInterface::PathFixup m_fixup;
};

} // namespace

void SgNodeNavigation::GetParent(const SgPath &path, SgPath &out) const
{
    out = path;
    out.CutToObject(-1, true, false);
    out.CutToObject(0, true, false);
}

SgNode *SgNodeNavigation::GetSibling(SgPath &path, bool next) const
{
    SgSeparator *object = path.GetObject(true);
    SgPath p = path;
    p.CutToObject(-1, true, false);
    if (p.IsEmpty() || !object)
        return nullptr;
    SgNode *last = p.GetLastElement();
    SgNode *container = last->IsRoot() ? last : p.GetObject(true);
    if (!container || !container->IsGroup())
        return nullptr;
    // An object's children are its content, which its child view walks.
    const SgGroup *siblings = static_cast<SgGroup *>(container);
    SgGroup::Position at = siblings->GetChildPosition(object);
    if (!at)
        return nullptr;
    if (next)
        siblings->GetChildNext(at);
    else
        siblings->GetChildPrev(at);
    SgNode *neighbour = siblings->GetChildAt(at);
    return neighbour && neighbour->IsObject() ? neighbour : nullptr;
}

void SgNodeNavigation::GetSon(SgPath &path, SgPath &out) const
{
    SgObject *object = AsSgObject(path.GetObject(true));
    if (!object)
        return;
    SgNode *boolean = nullptr;
    if (!object->IsObjectsGroup()) {
        boolean = object->GetBoolean();
        if (!boolean)
            return;
    }
    SgGroup::Position position = object->GetChildFirst();
    SgNode *first = object->GetChildNext(position);
    if (!first)
        return;
    SgPath result = path;
    result.CutToObject(0, true, false);
    result.Append(object->GetGroupHolder(false));
    if (boolean)
        result.Append(boolean);
    result.Append(first);
    out = result;
}

template <class Step>
void SgNodeNavigation::InFrame(Step &&step)
{
    SgSelectionHandlerInterface *handler = m_pSelectionHandler;
    if (!handler)
        return;
    {
        FixupRestorer restore(handler);
        handler->ClearCurrentManipulator();
        SgPath selected = step(*handler);
        if (!selected.IsEmpty()) {
            selected.CutToObject(-1, true, false);
            handler->SetContextParent(AsSgObject(selected.GetObject(true)));
        }
    }
    handler->ClearCurrentManipulator();
}

void SgNodeNavigation::NavigateToParent(SgPath &path)
{
    InFrame([&](SgSelectionHandlerInterface &handler) {
        SgPath q;
        GetParent(path, q);
        if (q.IsEmpty() || q.GetLastElement()->IsRoot())
            return SgPath();
        handler.Deselect(path, true);
        if (SgObject *object = AsSgObject(path.GetObject(true))) {
            // Leaving a Boolean shows its result again instead of its operands.
            if (SgGeometricShape *boolean = BooleanOf(object))
                boolean->SetExploded(false);
            object->FinishAutoCenterAlign();
            if (s_pfnExpand)
                s_pfnExpand(object, false);
        }
        handler.Select(q, kSelectMode);
        return q;
    });
}

void SgNodeNavigation::NavigateToSibling(SgPath &path, bool next)
{
    InFrame([&](SgSelectionHandlerInterface &handler) {
        SgNode *sibling = GetSibling(path, next);
        if (!sibling)
            return SgPath();
        SgPath q = path;
        q.CutToObject(0, true, false);
        q.ReplaceLast(sibling);
        if (!q.GetObject(true)) {
            handler.SetContextParent(nullptr);
            return SgPath();
        }
        handler.Deselect(path, true);
        handler.Select(q, kSelectMode);
        return q;
    });
}

void SgNodeNavigation::NavigateToSon(SgPath &path)
{
    InFrame([&](SgSelectionHandlerInterface &handler) {
        SgPath q;
        GetSon(path, q);
        if (q.IsEmpty())
            return SgPath();
        handler.Deselect(path, true);
        if (SgObject *object = AsSgObject(path.GetObject(true))) {
            object->StartAutoCenterAlign();
            // Entering a Boolean shows its operands.
            if (SgGeometricShape *boolean = BooleanOf(object))
                boolean->SetExploded(true);
            if (s_pfnExpand)
                s_pfnExpand(object, true);
        }
        handler.Select(q, kSelectMode);
        return q;
    });
}

void SgNodeNavigation::NavigateToParent(const SgPathList &paths)
{
    const SgPathList copy(paths);
    for (POSITION pos = copy.GetFirst(); pos;) {
        SgPath path = copy.GetNext(pos);
        NavigateToParent(path);
    }
}

void SgNodeNavigation::NavigateToSibling(const SgPathList &paths, bool next)
{
    const SgPathList copy(paths);
    for (POSITION pos = copy.GetFirst(); pos;) {
        SgPath path = copy.GetNext(pos);
        NavigateToSibling(path, next);
    }
}

void SgNodeNavigation::NavigateToSon(const SgPathList &paths)
{
    const SgPathList copy(paths);
    for (POSITION pos = copy.GetFirst(); pos;) {
        SgPath path = copy.GetNext(pos);
        NavigateToSon(path);
    }
}

SgNodeNavigation::ExpandHook SgNodeNavigation::s_pfnExpand = nullptr;

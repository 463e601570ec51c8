// What the standard actions do with parametric models and instances.
#include "engine/actions/SgCopyAction.h"
#include "engine/actions/SgNodeNavigation.h"
#include "engine/core/SgRef.h"
#include "engine/engines/SgParametric.h"

namespace {

// A copy of an instance shares the model; its own property nodes are
// copied, its content comes from the model.
void CopyParametricObject(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgCopyAction *>(action);
    self->m_pResult = nullptr;
    auto *source = dynamic_cast<SgParametricObject *>(node);
    if (!source)
        return;
    auto *copy = new SgParametricObject(true, true);
    SgAdopt<SgNode> guard(copy);
    copy->SetModel(source->GetModel());
    SgFieldMngr *target = copy;
    SgCopyAction::copyFields(source, target);
    for (SgNode *child : std::vector<SgNode *>(source->GetChildList())) {
        if (child == source->GetInnerGroup() || !child->IsPropertyNode())
            continue;
        SgCopyAction childCopy;
        if (childCopy.Apply(child) && childCopy.GetResult())
            copy->AddPropertyNode(childCopy.GetResult(), true);
    }
    self->m_pResult = guard.release();
}

void ExpandModel(SgObject *object, bool expanded)
{
    if (auto *model = dynamic_cast<SgParametricModel *>(object))
        model->m_bShowAsTemplate = expanded;
}

} // namespace

void SgInstallParametricActions()
{
    SgAction::SetVisitor(SgCopyAction::ClassID(), SgParametricObject::ClassID(), &CopyParametricObject);
    SgNodeNavigation::SetExpandHook(&ExpandModel);
}

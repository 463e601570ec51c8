// What the standard actions do with parametric models and instances.
#include "engine/actions/SgCopyAction.h"
#include "engine/actions/SgNodeNavigation.h"
#include "engine/core/SgRef.h"
#include "engine/engines/SgEngine.h"
#include "engine/engines/SgParametric.h"

namespace {

// The object's own fields: an instance lists its parameters as its fields,
// so the generic field copy does not reach these.
void CopyObjectFields(SgObject *source, SgObject *copy)
{
    copy->m_hide.Set(source->m_hide.Get(true));
    copy->m_layer.Set(source->m_layer.Get(true));
    copy->m_link.Set(source->m_link.Get(true));
    copy->m_selectMode.Set(source->m_selectMode.Get(true));
}

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
    CopyObjectFields(source, copy);
    for (SgNode *child : std::vector<SgNode *>(source->GetChildList())) {
        if (child == source->GetInnerGroup() || !child->IsPropertyNode())
            continue;
        SgCopyAction childCopy;
        if (childCopy.Apply(child) && childCopy.GetResult())
            copy->AddPropertyNode(childCopy.GetResult(), true);
    }
    self->m_pResult = guard.release();
}

// The child positions that lead from `root` to `target`, through groups and
// the internal separators of shapes (-1 standing for the latter).
bool PositionOf(SgNode *root, const SgNode *target, std::vector<int> &at, int depth = 0)
{
    if (root == target)
        return true;
    if (depth > 256)
        return false;
    if (root->IsGroup()) {
        const std::vector<SgNode *> &children = static_cast<SgGroup *>(root)->GetChildList();
        for (size_t i = 0; i < children.size(); ++i) {
            at.push_back(int(i));
            if (children[i] && PositionOf(children[i], target, at, depth + 1))
                return true;
            at.pop_back();
        }
    } else if (SgGroup *held = root->GetHeldGroup()) {
        at.push_back(-1);
        if (PositionOf(held, target, at, depth + 1))
            return true;
        at.pop_back();
    }
    return false;
}

SgNode *NodeAt(SgNode *root, const std::vector<int> &at)
{
    SgNode *node = root;
    for (int i : at) {
        if (!node)
            return nullptr;
        if (i < 0) {
            node = node->GetHeldGroup();
            continue;
        }
        if (!node->IsGroup())
            return nullptr;
        const std::vector<SgNode *> &children = static_cast<SgGroup *>(node)->GetChildList();
        node = size_t(i) < children.size() ? children[size_t(i)] : nullptr;
    }
    return node;
}

// The field of the copy that stands where `field` stands in the source: the
// same field of the node at the same place. Null (with a diagnostic) for a
// field outside the model or a copy that differs there.
SgField *FieldOfCopy(SgParametricModel *source, SgParametricModel *copy, SgField *field)
{
    auto *container = field ? dynamic_cast<SgNode *>(field->GetContainer()) : nullptr;
    std::vector<int> at;
    if (!container || !PositionOf(source, container, at)) {
        EngineReport("SgParametricModel: a formula or parameter of the copied model drives a field outside the "
                     "model; the copy leaves it out");
        return nullptr;
    }
    SgNode *twin = NodeAt(copy, at);
    if (!twin || twin->GetClassID() != container->GetClassID())
        return nullptr;
    for (int i = 0; i < container->GetFieldsCount(); ++i)
        if (container->GetFieldAddress(i) == field)
            return twin->GetFieldAddress(i);
    return nullptr;
}

// A copy of a model is a model of its own: its parameters, their
// connections and its formulas drive the copied nodes, not the source's.
void CopyParametricModel(SgAction *action, SgNode *node)
{
    auto *source = dynamic_cast<SgParametricModel *>(node);
    // The copy's formulas run where the source's do, in its document's
    // interpreter, not in whichever is in force while copying.
    LispContextScope context(source ? source->GetLispContext() : LispCurrentContext());
    SgCopyAction::VisitGroup(action, node);
    auto *self = static_cast<SgCopyAction *>(action);
    auto *copy = dynamic_cast<SgParametricModel *>(self->m_pResult);
    if (!copy || !source)
        return;
    for (const auto &param : source->m_params) {
        if (!param->m_pValue || !copy->addParam(param->m_name, param->m_iType, nullptr))
            continue;
        SgPMParam *twin = copy->getParam(param->m_name);
        const bool whole = param->m_pValue->IsVector();
        twin->m_pValue->SetValuePtr(param->m_pValue->GetValuePtr(whole ? -1 : 0, true), whole ? -1 : 0, false,
                                    false);
        for (const SgConnectionPoint &point : param->m_points)
            if (SgField *field = FieldOfCopy(source, copy, point.field))
                twin->connect(field, point.index);
    }
    for (const auto &target : source->m_targets)
        if (SgField *field = FieldOfCopy(source, copy, target->field))
            copy->addScript(field, target->script.c_str());
    copy->m_iControlPoints = source->m_iControlPoints;
    for (int k = 0; k < 3; ++k)
        copy->m_controlPointScripts[k] = source->m_controlPointScripts[k];
    DxLispScript::buildScriptEngine(copy);
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
    SgAction::SetVisitor(SgCopyAction::ClassID(), SgParametricModel::ClassID(), &CopyParametricModel);
    SgNodeNavigation::SetExpandHook(&ExpandModel);
}

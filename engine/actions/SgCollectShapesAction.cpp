#include "engine/actions/SgCollectShapesAction.h"

#include <algorithm>

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgState.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgVecField.h"
#include "engine/nodes/particles/SgEmitter.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/geometry/SgScatter.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgFont.h"
#include "engine/nodes/properties/SgFormat.h"
#include "engine/core/SgModifier.h"
#include "engine/core/SgModifierStackDisabler.h"
#include "engine/nodes/properties/SgTransform.h"

SG_ACTION_SOURCE(SgCollectShapesAction, "SgCollectShapesAction")

void SgCollectShapesAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitNothing);
    SetVisitor(s_pfnMethodsMap, SgGroup::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgSeparator::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgGizmoGroup::ClassID(), VisitGizmoGroup);
    SetVisitor(s_pfnMethodsMap, SgTransform::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgCoordinate3::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgFont::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgFormat::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgModifier::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgGeometricShape::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgFaceSet::ClassID(), VisitFaceSet);
    SetVisitor(s_pfnMethodsMap, SgGenPolyLine::ClassID(), VisitPolyLine);
    SetVisitor(s_pfnMethodsMap, SgPointSet::ClassID(), VisitPointSet);
    SetVisitor(s_pfnMethodsMap, SgEmitter::ClassID(), VisitEmitter);
    BuildVisitorsMap_(s_iClassID);

    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<ModifierStackElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<PointElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<NormalElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<CreaseAngleElement>(s_aiEnabledElements, s_iEnabledCount);
    // Text shapes build their outlines from the font and number format.
    EnableElement<FontNameElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<FontCharsetElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<FontStyleElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<FontSizeElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<NumberFormatElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<NumberFactorElement>(s_aiEnabledElements, s_iEnabledCount);
    // The scatter node (a lower layer) places copies at what this pass collects.
    SgScatter::SetCollectFunction(&CollectForScatter);
}

bool SgCollectShapesAction::CollectForScatter(SgAction *action, SgNode *scatter, SgNode *target,
                                              std::vector<SgScatter::Item> &items)
{
    SgState *state = action ? action->GetState() : nullptr;
    if (!state || !target)
        return false;
    SgCollectShapesAction collect;
    bool collected = false;
    // The places are taken relative to the scatter node: the transform
    // starts over there, in a level of the caller's state of its own.
    state->Push();
    try {
        Mat4 identity;
        TransformElement::Reset(state, scatter, identity);
        collect.GetState()->Init(state);
        collected = collect.Apply(target);
        // Before the level goes: the shared elements made there die with it.
        state->RestoreDepth();
    } catch (...) {
        state->RestoreDepth();
        state->Pop();
        throw;
    }
    state->Pop();
    if (!collected)
        return false;
    for (int i = 0; i < collect.m_Items.GetSize(); ++i) {
        const CollectedItem &from = *collect.m_Items[i];
        if (!from.iterator)
            continue;
        VertexIterator &it = *from.iterator;
        SgScatter::Item &item = items.emplace_back();
        item.radial = from.radial;
        item.hasNormals = it.HasNormals();
        for (it.First(); it.More(); it.Next()) {
            const Vec3 *p = it.GetPoint();
            if (!p)
                break;
            SgScatter::Place &place = item.places.emplace_back();
            place.local = *p;
            place.world = from.transform.TransformPoint(*p);
            const Vec3f *normals = item.hasNormals ? it.GetNormalList(place.normals) : nullptr;
            for (int k = 0; normals && k < place.normals; ++k)
                place.normalSum += Vec3(normals[k]);
        }
    }
    return true;
}

SgCollectShapesAction::SgCollectShapesAction() : m_Items(kInitialItems)
{
    InitState();
}

SgCollectShapesAction::~SgCollectShapesAction()
{
    for (int i = 0; i < m_Items.GetSize(); ++i)
        delete m_Items[i];
}

void SgCollectShapesAction::AddItem(std::unique_ptr<VertexIterator> iterator, bool radial)
{
    auto item = std::make_unique<CollectedItem>();
    item->transform = Transform3(TransformElement::Get(GetState()));
    item->iterator = std::move(iterator);
    item->radial = radial;
    m_Items.Append(item.get());
    item.release();
}

void SgCollectShapesAction::VisitFaceSet(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgCollectShapesAction *>(action);
    auto *faceSet = static_cast<SgFaceSet *>(node);
    SgState *state = action->GetState();
    // A copy: a modifier that traverses while it runs may change the element.
    const SgModifierStack stack = ModifierStackElement::Get(state);
    SgShape *drawn = stack.Process(action, faceSet);
    auto *mesh = dynamic_cast<SgFaceSet *>(drawn);
    if (!mesh) {
        // A modifier that makes another kind of shape: collect that shape as
        // its class is collected.
        if (drawn) {
            SgModifierStackDisabler disabled(state);
            action->Traverse(drawn);
        }
        return;
    }
    mesh->EvaluateFaceNormals(true);
    mesh->EvaluateVertexNormals();
    self->AddItem(std::make_unique<FaceSetVertexIterator>(mesh), false);
}

void SgCollectShapesAction::VisitPolyLine(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgCollectShapesAction *>(action);
    auto *curve = static_cast<SgGenPolyLine *>(node);
    curve->sample(-1);
    self->AddItem(std::make_unique<ArrayIterator>(curve->GetData(), curve->GetSize()), curve->IsRadial());
}

void SgCollectShapesAction::VisitPointSet(SgAction *action, SgNode *)
{
    auto *self = static_cast<SgCollectShapesAction *>(action);
    SgVecField<Vec3, 7> *points = PointElement::Get(action->GetState());
    if (!points)
        return;
    const std::vector<Vec3> &values = points->GetValues();
    self->AddItem(std::make_unique<ArrayIterator>(values.data(), static_cast<int>(values.size())), false);
}

void SgCollectShapesAction::VisitEmitter(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgCollectShapesAction *>(action);
    auto *emitter = static_cast<SgEmitter *>(node);
    // The live particles only: born, and not yet dead.
    const int count = std::min(emitter->GetSize(), emitter->GetCapacity());
    self->AddItem(std::make_unique<ArrayFilterIterator>(emitter->GetPoints(), emitter->GetLife(), count), false);
}

void SgCollectShapesAction::VisitGizmoGroup(SgAction *action, SgNode *node)
{
    auto *group = static_cast<SgGroup *>(node);
    SgPath &path = action->m_CurrentPath;
    // By index: a visitor may edit the group while it runs.
    for (int i = 0; i < group->GetOwnChildCount(); ++i) {
        if (action->m_nTerminate)
            return;
        SgNode *child = group->GetChild(i);
        if (!child || !child->AffectsState())
            continue;
        path.Append(child);
        action->Traverse(child);
        path.DeleteLast();
    }
}

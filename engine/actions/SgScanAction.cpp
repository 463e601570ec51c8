#include "engine/actions/SgScanAction.h"

#include <algorithm>

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgModifier.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgNormalGenerator.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "utilities/ParallelUtil.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/nodes/properties/SgTransformSensor.h"
#include "engine/nodes/particles/SgDynamicEffect.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgScatter.h"
#include "utilities/math/Transform3.h"

SG_ACTION_SOURCE(SgScanAction, "SgScanAction")

namespace {

// Below this many index entries in all the meshes waiting, starting threads
// costs about what it saves.
constexpr long long kThreadedIndexes = 20000;

} // namespace

void SgScanAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    SetVisitor(s_pfnMethodsMap, SgNode::ClassID(), VisitNothing);
    SetVisitor(s_pfnMethodsMap, SgGroup::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgSeparator::ClassID(), VisitSeparator);
    SetVisitor(s_pfnMethodsMap, SgTransform::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgLight::ClassID(), VisitLight);
    SetVisitor(s_pfnMethodsMap, SgBillboard::ClassID(), VisitBillboard);
    SetVisitor(s_pfnMethodsMap, SgMaterial::ClassID(), VisitMaterial);
    SetVisitor(s_pfnMethodsMap, SgTransformSensor::ClassID(), VisitTransformSensor);
    SetVisitor(s_pfnMethodsMap, SgDynamicEffect::ClassID(), VisitDynamicEffect);
    SetVisitor(s_pfnMethodsMap, SgBoolean::ClassID(), VisitShapeSeparator);
    SetVisitor(s_pfnMethodsMap, SgScatter::ClassID(), VisitNothing);
    // What the vertex normals depend on.
    SetVisitor(s_pfnMethodsMap, SgCoordinate3::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgShapeHints::ClassID(), VisitDefault);
    SetVisitor(s_pfnMethodsMap, SgIndexedFaceSet::ClassID(), VisitIndexedFaceSet);
    SetVisitor(s_pfnMethodsMap, SgModifier::ClassID(), VisitModifier);
    SetVisitorByName(s_pfnMethodsMap, "SgParametricObject", VisitParametricObject);
    BuildVisitorsMap_(s_iClassID);

    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<PointElement>(s_aiEnabledElements, s_iEnabledCount);
    EnableElement<CreaseAngleElement>(s_aiEnabledElements, s_iEnabledCount);
}

bool SgScanAction::Apply(SgNode *node)
{
    m_cache.m_nFlags = 0;
    m_nModifiers = 0;
    m_nParametric = 0;
    m_nPrepared = 0;
    m_pending.clear();
    m_nPendingIndexes = 0;
    m_met.clear();
    const bool ok = SgAction::Apply(node);
    PrepareNormals();
    return ok;
}

void SgScanAction::PrepareNormals()
{
    std::vector<SgNormalGenerator *> pending;
    // A mesh changed by what the scan evaluated after meeting it has
    // dropped that generator (and perhaps the arrays it was given).
    for (const Pending &waiting : m_pending)
        if (waiting.mesh->FindNormalGenerator() == waiting.normals)
            pending.push_back(waiting.normals);
    m_pending.clear();
    const long long indexes = m_nPendingIndexes;
    m_nPendingIndexes = 0;
    m_met.clear();
    // One mesh, or a few small ones, gain nothing: the drawing makes them.
    if (pending.size() < 2 || indexes < kThreadedIndexes)
        return;
    // The largest first, so that no thread is left with a large one at the
    // end; the order changes nothing else.
    std::stable_sort(pending.begin(), pending.end(), [](const SgNormalGenerator *a, const SgNormalGenerator *b) {
        return a->GetInputIndexCount() > b->GetInputIndexCount();
    });
    // A failure leaves that mesh's normals to the drawing, which reports it.
    ParallelUtil::ForEach(static_cast<int>(pending.size()),
                          [&](int i) { pending[static_cast<size_t>(i)]->PrepareVertexNormals(); });
    m_nPrepared = static_cast<int>(pending.size());
}

void SgScanAction::VisitSeparator(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgScanAction *>(action);
    auto *separator = static_cast<SgSeparator *>(node);
    // A modifier reaches the shapes after it in its separator only.
    struct KeepModifiers {
        int &count;
        int saved;
        ~KeepModifiers() { count = saved; }
    } keep{self->m_nModifiers, self->m_nModifiers};
    const int saved = self->m_cache.m_nFlags;
    self->m_cache.m_nFlags = 0;
    if (separator->IsRoot()) {
        // A scene root places its content in world space whatever lies
        // above it (a view's own transforms); the frame keeps that reset
        // from the root's later siblings.
        action->PushState();
        TransformElementReset(action->GetState(), separator);
        separator->DoAction(action);
        action->PopState();
    } else {
        separator->DoAction(action);
    }
    SgScanCache::SetFlags(separator, self->m_cache.m_nFlags);
    self->m_cache.m_nFlags |= saved;
}

void SgScanAction::VisitLight(SgAction *action, SgNode *)
{
    static_cast<SgScanAction *>(action)->m_cache.m_nFlags |= SgScanCache::kLight;
}

void SgScanAction::VisitBillboard(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgScanAction *>(action);
    self->m_cache.m_nFlags |= SgScanCache::kBillboard;
    if (static_cast<SgBillboard *>(node)->m_conditionalDisplay.Get(true) == 1)
        self->m_cache.m_nFlags |= SgScanCache::kConditionalBillboard;
}

void SgScanAction::VisitMaterial(SgAction *action, SgNode *node)
{
    auto *material = static_cast<SgMaterial *>(node);
    const std::vector<Color> &diffuse = material->m_diffuseColor.GetValues();
    if (!diffuse.empty() && diffuse.front().a < 1.0f)
        static_cast<SgScanAction *>(action)->m_cache.m_nFlags |= SgScanCache::kTransparentMaterial;
}

void SgScanAction::VisitTransformSensor(SgAction *action, SgNode *node)
{
    static_cast<SgScanAction *>(action)->m_cache.m_nFlags |= SgScanCache::kTransformSensor;
    auto *sensor = static_cast<SgTransformSensor *>(node);
    const Transform3 world(TransformElement::Get(action->GetState()));
    sensor->m_translationOut.Set(world.GetTranslation());
    sensor->m_rotationOut.Set(world.GetRotation());
}

void SgScanAction::VisitDynamicEffect(SgAction *action, SgNode *)
{
    static_cast<SgScanAction *>(action)->m_cache.m_nFlags |= SgScanCache::kDynamicEffect;
}

void SgScanAction::VisitShapeSeparator(SgAction *action, SgNode *node)
{
    auto *shape = dynamic_cast<SgGeometricShape *>(node);
    SgSeparator *inner = shape ? shape->GetSeparator() : nullptr;
    if (!inner)
        return;
    action->m_CurrentPath.Append(inner);
    action->Traverse(inner);
    action->m_CurrentPath.DeleteLast();
}

void SgScanAction::VisitModifier(SgAction *action, SgNode *)
{
    ++static_cast<SgScanAction *>(action)->m_nModifiers;
}

void SgScanAction::VisitParametricObject(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgScanAction *>(action);
    ++self->m_nParametric;
    struct Leave {
        int &count;
        ~Leave() { --count; }
    } leave{self->m_nParametric};
    VisitSeparator(action, node);
}

void SgScanAction::VisitIndexedFaceSet(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgScanAction *>(action);
    if (!self->m_bPrepareNormals || self->m_nModifiers > 0 || self->m_nParametric > 0)
        return;
    auto *mesh = static_cast<SgIndexedFaceSet *>(node);
    // A mesh used twice is prepared for its first use only: one thread
    // each.
    if (!self->m_met.insert(mesh).second)
        return;
    // The input exactly as the drawing takes it, so that the drawing finds
    // the normals made for it.
    SgState *state = action->GetState();
    int pointCount = 0;
    Vec3 *points = mesh->GetDrawnPoints(state, pointCount);
    const std::vector<int> &coordIndex = mesh->m_coordIndex.GetValues();
    if (!points || coordIndex.empty())
        return;
    SgNormalGenerator *normals =
        mesh->getNormalGenerator(static_cast<int>(coordIndex.size()), coordIndex.data(), pointCount, points);
    const float *crease = CreaseAngleElement::Get(state);
    normals->SetCreaseAngle(crease ? *crease : CreaseAngleElement::s_DefaultValue);
    if (normals->VertexNormalsDone())
        return;
    self->m_pending.push_back({SgRef<SgIndexedFaceSet>(mesh), normals});
    self->m_nPendingIndexes += static_cast<long long>(coordIndex.size());
}

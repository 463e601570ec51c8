#include "engine/actions/SgScanAction.h"

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/nodes/properties/SgTransformSensor.h"
#include "utilities/math/Transform3.h"

SG_ACTION_SOURCE(SgScanAction, "SgScanAction")

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
    SetVisitorByName(s_pfnMethodsMap, "SgDynamicEffect", VisitDynamicEffect);
    SetVisitorByName(s_pfnMethodsMap, "SgBoolean", VisitShapeSeparator);
    SetVisitorByName(s_pfnMethodsMap, "SgScatter", VisitNothing);
    BuildVisitorsMap_(s_iClassID);

    EnableElement<TransformElement>(s_aiEnabledElements, s_iEnabledCount);
}

bool SgScanAction::Apply(SgNode *node)
{
    m_cache.m_nFlags = 0;
    return SgAction::Apply(node);
}

void SgScanAction::VisitSeparator(SgAction *action, SgNode *node)
{
    auto *self = static_cast<SgScanAction *>(action);
    auto *separator = static_cast<SgSeparator *>(node);
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

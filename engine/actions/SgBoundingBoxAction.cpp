#include "engine/actions/SgBoundingBoxAction.h"

#include <algorithm>
#include <cmath>

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgState.h"
#include "engine/core/SgCacheContainer.h"
#include "engine/core/SgField.h"
#include "engine/core/SgGroup.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgVecField.h"
#include "engine/nodes/geometry/SgCircle.h"
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/core/SgShape.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgFont.h"
#include "engine/nodes/properties/SgFormat.h"
#include "engine/nodes/properties/SgLayers.h"
#include "engine/core/SgModifier.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/core/SgModifierStack.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/nodes/geometry/SgExtrude.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgCylinder.h"
#include "engine/nodes/geometry/SgCone.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/geometry/SgTorus.h"
#include "engine/nodes/geometry/SgTorusKnot.h"

SG_ACTION_SOURCE(SgBoundingBoxAction, "SgBoundingBoxAction")

int SgBoundingBoxAction::s_iCacheSlot = -1;

namespace {

// A numeric field of a node by name, whatever number type it holds; the
// fallback when the node has no such field. Primitives are read this way so
// that the action does not depend on their headers.
double FieldNumber(SgNode *node, const char *name, double fallback = 0.0)
{
    SgField *field = node->GetFieldAddressByName(name);
    if (!field || field->IsVector())
        return fallback;
    const void *value = field->GetValuePtr(0, true);
    if (!value)
        return fallback;
    switch (field->GetTypeId()) {
    case SgFieldInt:
        return *static_cast<const int *>(value);
    case SgFieldFloat:
        return *static_cast<const float *>(value);
    case SgFieldUShort:
        return *static_cast<const unsigned short *>(value);
    case SgFieldDouble:
        return *static_cast<const double *>(value);
    default:
        return fallback;
    }
}

// The box centred on the origin with the given half sizes.
Range<Vec3f> CentredBox(double hx, double hy, double hz)
{
    return Range<Vec3f>(Vec3f(Vec3(-hx, -hy, -hz)), Vec3f(Vec3(hx, hy, hz)));
}

SgBoundingBoxAction *Self(SgAction *action)
{
    return static_cast<SgBoundingBoxAction *>(action);
}

// Whether modifiers act on the shapes here: then a shape's fields no longer
// tell its extent, only what the modifiers make of it does.
bool ModifiersAct(SgAction *action)
{
    const SgModifierStack &stack = ModifierStackElement::Get(action->GetState());
    return stack.size() > 0 && !stack.Disabled();
}

// The modifiers in force run over the shape; what they made instead of it
// is measured in its place.
bool MeasureModified(SgAction *action, SgShape *shape)
{
    return SgModifierStack::TraverseModified(action, shape);
}

} // namespace

void SgBoundingBoxAction::InitClass()
{
    if (!RegisterActionClass(s_iClassID, s_lpszClassName, &Creator, s_pfnMethodsMap))
        return;
    VisitorFn *table = s_pfnMethodsMap;
    SetVisitor(table, SgNode::ClassID(), VisitNothing);
    SetVisitor(table, SgGroup::ClassID(), VisitDefault);
    SetVisitor(table, SgDrawStyle::ClassID(), VisitDefault);
    SetVisitor(table, SgCoordinate3::ClassID(), VisitDefault);
    SetVisitor(table, SgExtrude::ClassID(), VisitDefault);
    SetVisitor(table, SgFont::ClassID(), VisitDefault);
    SetVisitor(table, SgFormat::ClassID(), VisitDefault);
    SetVisitor(table, SgLayers::ClassID(), VisitDefault);
    SetVisitor(table, SgShapeHints::ClassID(), VisitDefault);
    SetVisitor(table, SgGeometricShape::ClassID(), VisitDefault);
    SetVisitor(table, SgModifier::ClassID(), VisitDefault);

    SetVisitor(table, SgShape::ClassID(), VisitShape);
    SetVisitor(table, SgTransform::ClassID(), VisitTransform);
    SetVisitor(table, SgSeparator::ClassID(), VisitSeparator);
    SetVisitor(table, SgCube::ClassID(), VisitCube);
    SetVisitor(table, SgCylinder::ClassID(), VisitCylinder);
    SetVisitor(table, SgCone::ClassID(), VisitCone);
    SetVisitor(table, SgSphere::ClassID(), VisitSphere);
    SetVisitor(table, SgTorus::ClassID(), VisitTorus);
    SetVisitor(table, SgTorusKnot::ClassID(), VisitTorusKnot);
    SetVisitor(table, SgCircle::ClassID(), VisitCircle);
    SetVisitor(table, SgGenPolyLine::ClassID(), VisitGenPolyLine);
    // A helix rises along z: the flat circle box would cut it off.
    SetVisitor(table, SgHelix::ClassID(), VisitGenPolyLine);
    SetVisitor(table, SgPolyLine::ClassID(), VisitPolyLine);
    SetVisitor(table, SgPointSet::ClassID(), VisitPointSet);
    SetVisitor(table, SgIndexedFaceSet::ClassID(), VisitIndexedFaceSet);
    SetVisitor(table, SgFaceSet::ClassID(), VisitFaceSet);
    // Manipulators, axes and tools hung into objects are drawn at a size
    // that follows the view: they are no part of the object's extent. (A
    // modifier's gizmo group is: it is the box the modifier deforms within.)
    for (const char *name : {"SgManipulator", "SgAxis", "SgEventHandler"})
        SetVisitorByName(table, name, VisitNothing);
    BuildVisitorsMap_(s_iClassID);

    int *list = s_aiEnabledElements;
    int &count = s_iEnabledCount;
    EnableShapeBuildElements(list, count);
    EnableElement<LayerFlagsElement>(list, count);

    s_iCacheSlot = SgCacheContainer::NewCacheSlot();
}

SgBoundingBoxAction::SgBoundingBoxAction()
{
    InitState();
}

bool SgBoundingBoxAction::IsEmptyBox(const Range<Vec3f> &box)
{
    const Vec3f &lo = box.GetMin();
    const Vec3f &hi = box.GetMax();
    return !(lo.x < hi.x) && !(lo.y < hi.y) && !(lo.z < hi.z);
}

void SgBoundingBoxAction::Add(const Vec3 &q)
{
    const Vec3f p(q);
    Vec3f lo = m_Box.GetMin();
    Vec3f hi = m_Box.GetMax();
    lo = Vec3f(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
    hi = Vec3f(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    m_Box.SetValue(lo, hi);
}

namespace {

bool IsFinite(const Vec3 &p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

bool IsFinite(const Vec3f &p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

} // namespace

void SgBoundingBoxAction::Extend(const Range<Vec3f> &box)
{
    if (!IsFinite(box.GetMin()) || !IsFinite(box.GetMax())) {
        m_bSkippedNonFinite = true;
        return;
    }
    if (IsEmptyBox(box))
        return;
    // Read through the element so that enclosing caches record the dependency.
    const Mat4 &m = TransformElement::Get(m_pState);
    const Vec3f &lo = box.GetMin();
    const Vec3f &hi = box.GetMax();
    Vec3 corners[8];
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3 p((corner & 1) ? hi.x : lo.x, (corner & 2) ? hi.y : lo.y, (corner & 4) ? hi.z : lo.z);
        corners[corner] = m.MultPoint(p);
        // One bad corner spoils the whole box: a part of it would claim a
        // size the shape does not have, and min and max never recover from
        // a NaN.
        if (!IsFinite(corners[corner])) {
            m_bSkippedNonFinite = true;
            return;
        }
    }
    for (const Vec3 &q : corners) {
        if (!m_bHasBox) {
            m_Box.SetValue(Vec3f(q), Vec3f(q));
            m_bHasBox = true;
        }
        Add(q);
    }
}

void SgBoundingBoxAction::Extend(const Vec3 &point)
{
    const Mat4 &m = TransformElement::Get(m_pState);
    const Vec3 q = m.MultPoint(point);
    if (!IsFinite(q)) {
        m_bSkippedNonFinite = true;
        return;
    }
    if (!m_bHasBox) {
        const Vec3f lo(q);
        m_Box.SetValue(lo, Vec3f(lo.x + kPointExtent, lo.y + kPointExtent, lo.z + kPointExtent));
        m_bHasBox = true;
        return;
    }
    Add(q);
}

bool SgBoundingBoxAction::ApplyToPathList(const SgPathList &paths)
{
    bool ok = true;
    for (POSITION pos = paths.GetFirst(); pos;) {
        const SgPath path = paths.GetNext(pos);
        if (path.IsEmpty())
            continue;
        PushState();
        ok = ApplyToPath(path) && ok;
        PopState();
    }
    return ok;
}

Range<Vec3f> SgBoundingBoxAction::CalcBoundingBox(const SgPath &path, bool *hasBox)
{
    SgBoundingBoxAction action;
    if (!path.IsEmpty())
        action.ApplyToPath(path);
    if (hasBox)
        *hasBox = action.HasBox();
    return action.m_Box;
}

bool SgBoundingBoxAction::MeasuresObject(SgNode *object)
{
    if (object->IsDerivedFrom(SgObject::ClassID()) && static_cast<SgObject *>(object)->IsHelper())
        return false;
    if (GetPathCode() == kInTarget && FieldNumber(object, "link") != 0 && !m_bIncludeLinked) {
        const bool isTargetEnd = m_CurrentPath.GetCount() == m_TargetPath.GetCount() &&
                                 m_CurrentPath.GetLastElement() == m_TargetPath.GetNodes().back();
        if (!(m_bIncludeLinkedTarget && isTargetEnd))
            return false;
    }
    if (m_bSelectableOnly && FieldNumber(object, "selectMode", 1) == 0)
        return false;
    return true;
}

// --- Visitors ----------------------------------------------------------------

void SgBoundingBoxAction::VisitShape(SgAction *action, SgNode *node)
{
    Self(action)->Extend(static_cast<SgShape *>(node)->BoundingBox());
}

void SgBoundingBoxAction::VisitTransform(SgAction *action, SgNode *node)
{
    if (Self(action)->m_bLocalToTarget && action->GetPathCode() != kInTarget)
        return;
    node->DoAction(action);
}

void SgBoundingBoxAction::VisitSeparator(SgAction *action, SgNode *node)
{
    if (!node->IsSelectable())
        return;
    if (node->IsObject() && !Self(action)->MeasuresObject(node))
        return;
    node->DoAction(action);
}

void SgBoundingBoxAction::VisitCube(SgAction *action, SgNode *node)
{
    Self(action)->Extend(CentredBox(FieldNumber(node, "width") / 2, FieldNumber(node, "depth") / 2,
                                    FieldNumber(node, "height") / 2));
}

// Cylinders, cones and spheres give their boxes from their fields without
// building, and where their fields place the mesh ("zeroBase" stands it on
// its base, "heightRatio" cuts a sphere from the top down).
void SgBoundingBoxAction::VisitCylinder(SgAction *action, SgNode *node)
{
    if (ModifiersAct(action)) {
        node->DoAction(action);
        return;
    }
    Self(action)->Extend(static_cast<SgShape *>(node)->BoundingBox());
}

void SgBoundingBoxAction::VisitCone(SgAction *action, SgNode *node)
{
    if (ModifiersAct(action)) {
        node->DoAction(action);
        return;
    }
    Self(action)->Extend(static_cast<SgShape *>(node)->BoundingBox());
}

void SgBoundingBoxAction::VisitSphere(SgAction *action, SgNode *node)
{
    if (ModifiersAct(action)) {
        node->DoAction(action);
        return;
    }
    Self(action)->Extend(static_cast<SgShape *>(node)->BoundingBox());
}

void SgBoundingBoxAction::VisitTorus(SgAction *action, SgNode *node)
{
    if (ModifiersAct(action)) {
        node->DoAction(action);
        return;
    }
    const double r1 = FieldNumber(node, "radius1");
    const double r2 = FieldNumber(node, "radius2");
    Self(action)->Extend(CentredBox(r1 + r2, r1 + r2, r2));
}

void SgBoundingBoxAction::VisitTorusKnot(SgAction *action, SgNode *node)
{
    if (ModifiersAct(action)) {
        node->DoAction(action);
        return;
    }
    const double r1 = FieldNumber(node, "radius1");
    const double r2 = FieldNumber(node, "radius2");
    const double a = FieldNumber(node, "ratio") * r1;
    const double xy = r1 + r2 + a;
    Self(action)->Extend(CentredBox(xy, xy, FieldNumber(node, "heightRatio") * a + r2));
}

void SgBoundingBoxAction::VisitCircle(SgAction *action, SgNode *node)
{
    const double r = static_cast<SgCircle *>(node)->m_radius.Get(true);
    Self(action)->Extend(CentredBox(r, r, kCircleHalfThickness));
}

void SgBoundingBoxAction::VisitGenPolyLine(SgAction *action, SgNode *node)
{
    if (MeasureModified(action, static_cast<SgShape *>(node)))
        return;
    auto *curve = static_cast<SgGenPolyLine *>(node);
    curve->sample(-1);
    const Vec3 *points = curve->GetData();
    const int n = points ? curve->GetSize() : 0;
    for (int i = 0; i < n; ++i)
        Self(action)->Extend(points[i]);
}

void SgBoundingBoxAction::VisitPolyLine(SgAction *action, SgNode *node)
{
    if (MeasureModified(action, static_cast<SgShape *>(node)))
        return;
    auto *polyline = static_cast<SgPolyLine *>(node);
    const Vec3 *points = polyline->GetCoordinates();
    const int n = points ? polyline->m_coordinates.GetCount() : 0;
    for (int i = 0; i < n; ++i)
        Self(action)->Extend(points[i]);
}

void SgBoundingBoxAction::VisitPointSet(SgAction *action, SgNode *)
{
    SgVecField<Vec3, 7> *points = PointElement::Get(action->GetState());
    if (!points)
        return;
    for (const Vec3 &p : points->GetValues())
        Self(action)->Extend(p);
}

void SgBoundingBoxAction::VisitIndexedFaceSet(SgAction *action, SgNode *node)
{
    auto *mesh = static_cast<SgIndexedFaceSet *>(node);
    if (MeasureModified(action, mesh))
        return;
    SgVecField<Vec3, 7> *points = mesh->GetCoordinates(action->GetState());
    if (!points)
        return;
    // Moved points, when a deformer hung them on the mesh.
    const Vec3 *moved = mesh->GetPointCache();
    const int n = points->GetCount();
    for (int i = 0; i < n; ++i)
        Self(action)->Extend(moved ? moved[i] : points->GetValues()[size_t(i)]);
}

void SgBoundingBoxAction::VisitFaceSet(SgAction *action, SgNode *node)
{
    auto *faceSet = static_cast<SgFaceSet *>(node);
    if (MeasureModified(action, faceSet))
        return;
    const Vec3 *moved = faceSet->GetPointCache();
    if (!moved) {
        Self(action)->Extend(faceSet->BoundingBox());
        return;
    }
    Range<Vec3f> box;
    const int n = faceSet->GetVertexCount();
    for (int i = 0; i < n; ++i) {
        const Vec3f p(moved[i]);
        if (i == 0)
            box = Range<Vec3f>(p, p);
        else
            box.Extend(p);
    }
    if (n > 0)
        Self(action)->Extend(box);
}

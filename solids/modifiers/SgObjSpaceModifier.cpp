#include "solids/modifiers/SgObjSpaceModifier.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgGizmoGroup.h"
#include "engine/core/SgModifierStack.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgSpline.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"

SG_CLASS_SOURCE(SgObjSpaceModifier, SgModifier, SgFieldMngr, "SgObjSpaceModifier")

SgObjSpaceModifier::SgObjSpaceModifier()
{
    AddField(m_boxSize, "boxSize", Vec3f(1.0f, 1.0f, 1.0f));
    AddField(m_gizmoTransform, "gizmoTransform");
    AddField(m_localTransform, "localTransform", static_cast<unsigned short>(0));
}

void SgObjSpaceModifier::DoAction(SgAction *action)
{
    m_active.Get(true);
    SgState *state = action->GetState();
    SgModifierStack one;
    one.Push(this, Transform3(TransformElement::Get(state)));
    ModifierStackElement::Set(state, this, one);
}

namespace {

// An inverse, or false when the matrix is too near singular for one: a
// modifier run from inside a drawing must not throw.
bool Invert(const Mat4 &m, Mat4 &inverse)
{
    try {
        inverse = m.Inverse();
        return true;
    } catch (const SgError &) {
        return false;
    }
}

Mat4 WithUnitCorner(Mat4 m)
{
    m[3][3] = 1.0;
    return m;
}

} // namespace

bool SgObjSpaceModifier::GizmoFrames(const Mat4 &model, const Transform3 &placement, Mat4 &toGizmo, Mat4 &fromGizmo)
{
    const char *what = nullptr;
    Mat4 placementInverse;
    if (!Invert(WithUnitCorner(placement.GetMatrix()), placementInverse))
        what = "the placement of the modifier";
    Mat4 local = WithUnitCorner(placementInverse * WithUnitCorner(model));
    if (!what) {
        if (SgTransform *gizmo = GetGizmoTransform()) {
            Mat4 gizmoInverse;
            if (Invert(WithUnitCorner(gizmo->GetMatrix().GetMatrix()), gizmoInverse))
                local = gizmoInverse * local;
            else
                what = "the gizmo transform";
        }
    }
    if (!what && !Invert(local, fromGizmo))
        what = "the shape's frame in gizmo space";
    if (what) {
        SgDiagWarning("Modifiers", "%s%s%s: %s is singular; the shape is left undeformed", GetClassName(),
                      GetName().empty() ? "" : " ", GetName().c_str(), what);
        return false;
    }
    toGizmo = local;
    return true;
}

SgShape *SgObjSpaceModifier::ApplyModifier(SgAction *, SgShape *, Transform3 *, bool)
{
    return nullptr;
}

SgTransform *SgObjSpaceModifier::GetGizmoTransform() const
{
    SgNode *node = m_gizmoTransform.Get(true).get();
    if (node && node->IsDerivedFrom(SgTransform::ClassID()))
        return static_cast<SgTransform *>(node);
    return nullptr;
}

SgNode *SgObjSpaceModifier::AddGizmo(SgNode *node)
{
    if (!node || !node->IsDerivedFrom(SgObject::ClassID()))
        return nullptr;
    auto *object = static_cast<SgObject *>(node);
    // Held while it changes places: the object may hold the only reference.
    SgRef<SgObjSpaceModifier> self(this);
    SgRef<SgGroup> group(CreateGizmoGroup(object, false, true));
    if (!group)
        return nullptr;
    if (!object->AddPropertyNodeAfter(group.get(), this))
        return nullptr;
    object->DeletePropertyNode(this);
    return group.get();
}

Range<Vec3f> SgObjSpaceModifier::GizmoBox(SgObject *object, bool fitToObject, bool centred, Vec3 &translation)
{
    Range<Vec3f> box;
    if (fitToObject && object) {
        box = object->GetBoundingBox(false, object->GetGroupHolder(false));
        m_boxSize.Set(box.GetMax() - box.GetMin());
    } else {
        const Vec3f half = m_boxSize.Get(true) * 0.5f;
        box = Range<Vec3f>(Vec3f(-half.x, -half.y, -half.z), half);
    }
    const Vec3f &lo = box.GetMin();
    const Vec3f &hi = box.GetMax();
    translation = centred ? Vec3((lo.x + double(hi.x)) / 2, (lo.y + double(hi.y)) / 2, (lo.z + double(hi.z)) / 2)
                          : Vec3(lo.x, lo.y, lo.z);
    return box;
}

SgTransform *SgObjSpaceModifier::EnsureGizmoTransform(const Vec3 &translation)
{
    if (SgTransform *existing = GetGizmoTransform())
        return existing;
    SgRef<SgTransform> transform(new SgTransform);
    transform->m_translation.Set(translation);
    m_gizmoTransform.Set(NodePtr(transform.get()));
    return transform.get();
}

SgGroup *SgObjSpaceModifier::CreateGizmoGroup(SgObject *object, bool fitToObject, bool centred)
{
    Vec3 translation;
    GizmoBox(object, fitToObject, centred, translation);
    SgTransform *transform = EnsureGizmoTransform(translation);

    SgRef<SgObject> gizmo(new SgObject(false, true));
    gizmo->AddPropertyNode(transform, false);
    SgRef<SgDrawStyle> style(new SgDrawStyle);
    style->m_style.Set(2);
    style->m_lineWidth.Set(1.0f);
    gizmo->AddPropertyNode(style.get(), false);

    // The box in gizmo space: from the origin, or around it.
    const Vec3f s = m_boxSize.Get(true);
    const Range<Vec3f> box = centred ? Range<Vec3f>(Vec3f(-s.x / 2, -s.y / 2, -s.z / 2), Vec3f(s.x / 2, s.y / 2, s.z / 2))
                                     : Range<Vec3f>(Vec3f(0.0f, 0.0f, 0.0f), s);
    CreateWireBox(box, gizmo.get());

    SgRef<SgControlModifier> control(new SgControlModifier);
    control->m_action.Set(static_cast<int>(SgControlModifier::kKeepReferenced));
    control->m_refNode.Set(NodePtr(this));
    gizmo->AddPropertyNodeAfter(control.get(), style.get());

    // Handed on unowned: the caller adopts it.
    SgAdopt<SgGizmoGroup> group(new SgGizmoGroup);
    group.get()->AddChild(this);
    group.get()->AddChild(gizmo.get());
    return group.release();
}

SgObject *SgObjSpaceModifier::CreateWireBox(const Range<Vec3f> &box, SgObject *into)
{
    SgAdopt<SgObject> made(into ? nullptr : new SgObject(true, true));
    SgObject *target = into ? into : made.get();
    const double x0 = box.GetMin().x, y0 = box.GetMin().y, z0 = box.GetMin().z;
    const double x1 = box.GetMax().x, y1 = box.GetMax().y, z1 = box.GetMax().z;
    const std::vector<std::vector<Vec3>> runs = {
        {{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0}, {x0, y0, z0},
         {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}, {x0, y0, z1}},
        {{x1, y0, z0}, {x1, y0, z1}},
        {{x1, y1, z1}, {x1, y1, z0}},
        {{x0, y1, z0}, {x0, y1, z1}},
    };
    for (const std::vector<Vec3> &run : runs) {
        SgRef<SgBSpline> curve(new SgBSpline);
        curve->m_curveType.Set(0);
        curve->m_samples.Set(60);
        curve->m_coordinates.GetValueArray()->assign(run.begin(), run.end());
        target->AddChild(curve.get());
    }
    if (into)
        return into;
    return made.release();
}

#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/geometry/SgExtrude.h"

#include <algorithm>
#include <cmath>

#include "engine/core/Image2.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/nodes/geometry/SgPolygon.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/nodes/properties/SgTexture2Transform.h"
#include "engine/nodes/properties/SgTextureEnable.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"
#include "utilities/StringUtil.h"

SG_CLASS_SOURCE(SgObject, SgSeparator, SgFieldMngr, "SgObject")

SgObject::SgObject(bool withTransform, bool withGroup)
{
    AddField(m_hide, "hide", 0);
    AddField(m_layer, "layer", 0);
    AddField(m_link, "link", 0);
    AddField(m_selectMode, "selectMode", 1);
    SetObject(true);

    if (withTransform) {
        m_pTransform = new SgTransform;
        SgGroup::AddChild(m_pTransform);
    }
    if (withGroup) {
        m_pInnerGroup = new SgSeparator;
        SgGroup::AddChild(m_pInnerGroup);
        m_pInnerGroup->SetHolder(true);
    }
    AssignID();
}

// The own list, transform and inner group among its children, goes with the
// group part.
SgObject::~SgObject() = default;

void SgObject::DoAction(SgAction *action)
{
    m_hide.Get(true);
    SgSeparator::DoAction(action);
}

void SgObject::NotifyFathers(SgNode *from)
{
    if (m_bNotifyPropagation) {
        SgSeparator::NotifyFathers(from);
        return;
    }
    if (from && from->ChangeReachesLaterSiblings()) {
        const int at = SgGroup::IndexOf(from);
        if (at >= 0) {
            const std::vector<SgNode *> later(GetChildList().begin() + at + 1, GetChildList().end());
            for (SgNode *sibling : later)
                sibling->NotifySons(this);
        }
    }
    ClearAllCaches();
    Invalidate();
}

void SgObject::EnableNotifyPropagation(bool notifyNow)
{
    m_bNotifyPropagation = true;
    if (notifyNow)
        SgSeparator::NotifyFathers(this);
}

// --- Content ---------------------------------------------------------------

bool SgObject::AddChild(SgNode *child)
{
    if (m_pInnerGroup)
        return m_pInnerGroup->AddChild(child);
    if (!SgGroup::AddChild(child))
        return false;
    if (child->GetClassID() == SgSeparator::ClassID())
        m_pInnerGroup = static_cast<SgSeparator *>(child);
    if (m_pInnerGroup)
        m_pInnerGroup->SetHolder(true);
    if (child->GetClassID() == SgTransform::ClassID())
        m_pTransform = static_cast<SgTransform *>(child);
    return true;
}

bool SgObject::AddChildBefore(SgNode *child, SgNode *sibling)
{
    if (m_pInnerGroup)
        return m_pInnerGroup->AddChildBefore(child, sibling);
    return SgGroup::AddChildBefore(child, sibling);
}

bool SgObject::AddChildAfter(SgNode *child, SgNode *sibling)
{
    if (m_pInnerGroup)
        return m_pInnerGroup->AddChildAfter(child, sibling);
    return SgGroup::AddChildAfter(child, sibling);
}

int SgObject::DeleteChild(SgNode *child)
{
    if (m_pInnerGroup)
        return m_pInnerGroup->DeleteChild(child);
    return DeleteOwnChild(child);
}

int SgObject::RemoveChild(SgNode *child)
{
    // Called for the own list only (a dying child unlinking itself).
    const int removed = SgGroup::RemoveChild(child);
    if (removed)
        Forget(child);
    return removed;
}

int SgObject::DeleteOwnChild(SgNode *node)
{
    const std::vector<SgNode *> &own = GetChildList();
    const auto entries = std::count(own.begin(), own.end(), node);
    if (!node || entries == 0)
        return 0;
    // Decided before the deletion, which may release the last reference.
    if (entries == 1)
        ForgetPointersTo(node);
    return SgGroup::DeleteChild(node);
}

void SgObject::Forget(SgNode *node)
{
    if (node && SgGroup::IndexOf(node) < 0)
        ForgetPointersTo(node);
}

void SgObject::ForgetPointersTo(const SgNode *node)
{
    if (node == m_pTransform)
        m_pTransform = nullptr;
    if (node == m_pInnerGroup)
        m_pInnerGroup = nullptr;
}

int SgObject::GetChildsCount() const
{
    return m_pInnerGroup ? m_pInnerGroup->GetChildsCount() : GetOwnChildCount();
}

const SgGroup *SgObject::WalkedGroup() const
{
    if (!m_pInnerGroup)
        return this;
    const SgSeparator *holder = GetGroupHolder(true);
    return holder ? holder : m_pInnerGroup;
}

const SgGroup *SgObject::ViewedList(const Position &position) const
{
    const SgGroup *owner = OwnerOf(position);
    if (!owner)
        return nullptr;
    if (!m_pInnerGroup)
        return owner == this ? owner : nullptr;
    return owner == m_pInnerGroup || owner == WalkedGroup() ? owner : nullptr;
}

SgGroup::Position SgObject::GetChildFirst() const
{
    return WalkedGroup()->GetFirst();
}

SgGroup::Position SgObject::GetChildLast() const
{
    const SgGroup *group = m_pInnerGroup ? static_cast<const SgGroup *>(m_pInnerGroup) : this;
    return group->GetLast();
}

SgGroup::Position SgObject::GetChildPosition(SgNode *child) const
{
    return WalkedGroup()->GetPosition(child);
}

SgNode *SgObject::GetChildNext(Position &position) const
{
    const SgGroup *list = ViewedList(position);
    if (!list) {
        position = Position();
        return nullptr;
    }
    return list->GetNext(position);
}

SgNode *SgObject::GetChildPrev(Position &position) const
{
    const SgGroup *list = ViewedList(position);
    if (!list) {
        position = Position();
        return nullptr;
    }
    return list->GetPrev(position);
}

SgNode *SgObject::GetChildAt(Position position) const
{
    const SgGroup *list = ViewedList(position);
    return list ? list->GetAt(position) : nullptr;
}

SgNode *SgObject::FindFirstChildNode(int classId, Position start, const char *name) const
{
    return WalkedGroup()->FindFirstNode(classId, start, name, false);
}

bool SgObject::IsObjectsGroup() const
{
    if (!m_pInnerGroup)
        return false;
    const std::vector<SgNode *> &children = m_pInnerGroup->GetChildList();
    const bool holdsGroup = children.size() > 1 || (children.size() == 1 && children.front()->IsObject());
    if (!holdsGroup)
        return false;
    for (SgNode *child : children) {
        if (child->IsDerivedFrom(SgObject::ClassID()))
            return true;
    }
    return false;
}

SgNode *SgObject::GetBoolean() const
{
    if (!m_pInnerGroup || m_pInnerGroup->GetChildsCount() == 0)
        return nullptr;
    SgNode *first = m_pInnerGroup->GetChild(0);
    if (!first->IsGeometricShape() || first->IsBuiltinMacro())
        return nullptr;
    const int extrudeId = SgExtrude::ClassID();
    if (extrudeId && first->IsDerivedFrom(extrudeId))
        return nullptr;
    return first;
}

void SgObject::DetachManipulator()
{
    SgDocument *document = GetDocument();
    if (!document || !s_pfnDeselect)
        return;
    SgPathList paths;
    SgPath tail;
    paths.PathsFromNode(this, tail, nullptr);
    if (paths.IsEmpty())
        return;
    SgPath first = paths.GetAt(paths.GetFirst());
    s_pfnDeselect(document, first);
}

SgSeparator *SgObject::GetGroupHolder(bool deep) const
{
    if (!deep || !m_pInnerGroup || m_pInnerGroup->GetChildsCount() == 0)
        return m_pInnerGroup;
    SgNode *first = m_pInnerGroup->GetChild(0);
    if (first->IsGeometricShape() && s_pfnShapeHolder) {
        if (SgSeparator *holder = s_pfnShapeHolder(first))
            return holder;
    }
    return m_pInnerGroup;
}

SgNode *SgObject::FindLastShape() const
{
    if (!m_pInnerGroup || m_pInnerGroup->GetChildsCount() == 0)
        return nullptr;
    return m_pInnerGroup->GetChild(m_pInnerGroup->GetChildsCount() - 1);
}

// --- Property nodes --------------------------------------------------------

SgNode *SgObject::FindPropertyNode(int classId) const
{
    return SgGroup::FindFirstNode(classId, {}, nullptr, false);
}

SgNode *SgObject::FindOwnDerived(int classId) const
{
    return SgGroup::FindFirstNode(classId, {}, nullptr, true);
}

bool SgObject::InsertAfterTransform(SgNode *node)
{
    for (SgNode *child : GetChildList()) {
        if (child->GetClassID() == SgTransform::ClassID())
            return SgGroup::AddChildAfter(node, child);
    }
    return SgGroup::AddChildBefore(node, nullptr);
}

SgNode *SgObject::CreatePropertyNode(int classId)
{
    if (SgNode *existing = FindPropertyNode(classId))
        return existing;
    // Asked by class first: a container made for a class that is no node
    // would outlive the refusal.
    SgRef<SgNode> node;
    if (SgFieldMngr::Family().IsDerivedFrom(classId, SgNode::ClassID()))
        node = SgNode::Create(classId);
    if (!node) {
        SgDiagError("Object", "CreatePropertyNode: class id %d makes no node", classId);
        return nullptr;
    }
    if (!AddPropertyNode(node.get(), false))
        return nullptr;
    return node.get();
}

bool SgObject::AddPropertyNode(SgNode *node, bool replace)
{
    if (!node) {
        SgDiagError("Object", "AddPropertyNode: no node given");
        return false;
    }
    // The caller may hold no reference of its own.
    SgRef<SgNode> keep(node);
    SgNode *existing = FindPropertyNode(node->GetClassID());
    if (existing && replace && existing != node) {
        DeleteOwnChild(existing);
        existing = nullptr;
    }
    if (existing != node && !InsertAfterTransform(node))
        return false;
    if (node->GetClassID() == SgTransform::ClassID())
        SetTransform(static_cast<SgTransform *>(node));
    return true;
}

bool SgObject::AddPropertyNodeAfter(SgNode *node, SgNode *anchor, bool replace)
{
    if (!node) {
        SgDiagError("Object", "AddPropertyNodeAfter: no node given");
        return false;
    }
    // Replacing the node by itself moves it: it must survive its deletion.
    SgRef<SgNode> keep(node);
    if (replace) {
        if (SgNode *existing = FindPropertyNode(node->GetClassID()))
            DeleteOwnChild(existing);
    }
    if (anchor && anchor != node && SgGroup::IndexOf(anchor) >= 0)
        return SgGroup::AddChildAfter(node, anchor);
    return SgGroup::AddChildBefore(node, m_pInnerGroup);
}

int SgObject::DeletePropertyNode(SgNode *node)
{
    return DeleteOwnChild(node);
}

// --- Transform -------------------------------------------------------------

SgTransform *SgObject::GetTransform(bool create)
{
    if (!m_pTransform && create) {
        SgRef<SgTransform> transform = new SgTransform;
        if (SgGroup::AddChildBefore(transform.get(), nullptr))
            m_pTransform = transform.get();
    }
    return m_pTransform;
}

void SgObject::SetTransform(SgTransform *transform)
{
    if (transform) {
        m_pTransform = transform;
        return;
    }
    if (SgNode *own = FindPropertyNode(SgTransform::ClassID()))
        m_pTransform = static_cast<SgTransform *>(own);
}

SgField *SgObject::TransformField(const char *name) const
{
    return m_pTransform ? m_pTransform->GetFieldAddressByName(name) : nullptr;
}

bool SgObject::SetTransformField(const char *name, const void *value, const char *operation)
{
    SgField *field = TransformField(name);
    if (!field) {
        SgDiagError("Object", "%s: the object has no transform", operation);
        return false;
    }
    field->SetValuePtr(value, -1, true, false);
    return true;
}

namespace {
// The value of a transform field through its port, or `fallback` for an
// object without a transform.
template <class T>
T ReadField(SgField *field, const T &fallback)
{
    if (!field)
        return fallback;
    const void *value = field->GetValuePtr(0, true);
    return value ? *static_cast<const T *>(value) : fallback;
}
} // namespace

bool SgObject::SetMove(const Vec3 &translation)
{
    return SetTransformField("translation", &translation, "SetMove");
}

Vec3 SgObject::GetMove() const
{
    return ReadField(TransformField("translation"), Vec3(0.0, 0.0, 0.0));
}

bool SgObject::SetScale(const Vec3 &scale)
{
    return SetTransformField("scaleFactor", &scale, "SetScale");
}

Vec3 SgObject::GetScale() const
{
    return ReadField(TransformField("scaleFactor"), Vec3(1.0, 1.0, 1.0));
}

bool SgObject::SetCenter(const Vec3 &center)
{
    return SetTransformField("center", &center, "SetCenter");
}

Vec3 SgObject::GetCenter() const
{
    return ReadField(TransformField("center"), Vec3(0.0, 0.0, 0.0));
}

bool SgObject::SetRotation(const Rotation &rotation)
{
    return SetTransformField("rotation", &rotation, "SetRotation");
}

std::array<double, 4> SgObject::GetRatation() const
{
    const Rotation rotation = ReadField(TransformField("rotation"), Rotation());
    const Vec3 &axis = rotation.GetAxis();
    return {axis.x, axis.y, axis.z, rotation.GetAngle()};
}

// --- Textures and lights ---------------------------------------------------

SgTexture2D *SgObject::GetTexture2D() const
{
    return static_cast<SgTexture2D *>(FindPropertyNode(SgTexture2D::ClassID()));
}

SgTexture2Transform *SgObject::GetTextureTransform() const
{
    return static_cast<SgTexture2Transform *>(FindPropertyNode(SgTexture2Transform::ClassID()));
}

SgTexture2D *SgObject::AddTexture2D(const char *name, bool whiteMaterial)
{
    SgRef<SgTexture2D> texture = new SgTexture2D;
    if (name && *name) {
        Image2 image;
        if (!s_pfnTextureLoader || !s_pfnTextureLoader(GetDocument(), name, image)) {
            // Keep the name: the texture manager resolves it when it draws.
            image = Image2();
            image.SetImagePath(name);
            if (s_pfnTextureLoader)
                SgDiagWarning("Object", "AddTexture2D: the image \"%s\" could not be loaded", name);
        }
        texture->m_filename = image;
    }
    return InstallTexture(texture.get(), whiteMaterial);
}

SgTexture2D *SgObject::AddTexture2D(const Image2 *image, bool whiteMaterial)
{
    SgRef<SgTexture2D> texture = new SgTexture2D;
    if (image)
        texture->m_filename = *image;
    return InstallTexture(texture.get(), whiteMaterial);
}

SgTexture2D *SgObject::InstallTexture(SgTexture2D *texture, bool whiteMaterial)
{
    if (!AddPropertyNodeAfter(texture, nullptr, true))
        return nullptr;
    if (whiteMaterial) {
        SgRef<SgMaterial> material = new SgMaterial;
        const Color white(1.0, 1.0, 1.0, 1.0);
        material->m_ambientColor.SetValue(0, white);
        material->m_diffuseColor.SetValue(0, white);
        material->m_specularColor.SetValue(0, white);
        material->m_shininess.SetValue(0, 1.0f);
        AddPropertyNode(material.get(), true);
    }
    return texture;
}

SgTexture2Transform *SgObject::AddTextureTransform()
{
    SgRef<SgTexture2Transform> transform = new SgTexture2Transform;
    bool added;
    if (SgTexture2D *texture = GetTexture2D())
        added = SgGroup::AddChildBefore(transform.get(), texture);
    else
        added = AddPropertyNode(transform.get(), true);
    return added ? transform.get() : nullptr;
}

SgTextureEnable *SgObject::EnabledTexture(bool on)
{
    auto *enable = static_cast<SgTextureEnable *>(FindPropertyNode(SgTextureEnable::ClassID()));
    if (!enable) {
        SgRef<SgTextureEnable> created = new SgTextureEnable;
        if (!AddPropertyNodeAfter(created.get(), GetTexture2D(), false))
            return nullptr;
        enable = created.get();
    }
    enable->m_bEnable = static_cast<unsigned short>(on ? 1 : 0);
    return enable;
}

SgLight *SgObject::GetLight() const
{
    return static_cast<SgLight *>(FindOwnDerived(SgLight::ClassID()));
}

SgLight *SgObject::AddLight(SgLight *light, int lightClassId)
{
    SgRef<SgNode> keep(light);
    if (!light && lightClassId > 0) {
        SgRef<SgNode> made;
        if (SgFieldMngr::Family().IsDerivedFrom(lightClassId, SgLight::ClassID()))
            made = SgNode::Create(lightClassId);
        if (!made) {
            SgDiagError("Object", "AddLight: class id %d makes no light", lightClassId);
            return nullptr;
        }
        keep = made;
        light = static_cast<SgLight *>(made.get());
    }
    if (SgLight *existing = GetLight())
        DeleteOwnChild(existing);
    if (!light)
        return nullptr;
    SgNode *camera = FindOwnDerived(SgCamera::ClassID());
    if (!AddPropertyNodeAfter(light, camera, true))
        return nullptr;
    return light;
}

// --- Constraints -----------------------------------------------------------

void SgObject::SetConstraintPolygon(CPolygon *polygon)
{
    if (polygon != m_pConstraintPolygon.get())
        m_pConstraintPolygon.reset(polygon);
}

void SgObject::SetConstraint(CPolygon *polygon, SlidingType sliding, int constraint)
{
    SetConstraintPolygon(polygon);
    m_eSliding = sliding;
    m_iConstraint = constraint;
}

SgObject::ShapeHolderFn SgObject::s_pfnShapeHolder = nullptr;
SgObject::DeselectFn SgObject::s_pfnDeselect = nullptr;
SgObject::TextureImageLoader SgObject::s_pfnTextureLoader = nullptr;

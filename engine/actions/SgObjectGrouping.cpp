// The user-level object's grouping, attaching, alignment and measuring
// members. They measure with the standard actions, which know every node class
// and so sit a layer above the object; the rest of the object is in
// engine/nodes/object/SgObject.cpp.
#include "engine/nodes/object/SgObject.h"

#include <algorithm>
#include <cmath>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/actions/SgGetTransformAction.h"
#include "engine/actions/SgObjectPick.h"
#include "engine/actions/SgPickedPoint.h"
#include "engine/core/Image2.h"
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

namespace {

// Column lengths below this carry no direction.
constexpr double kMinAxisLength = 1e-12;
// Groups refuse cycles; this only bounds a walk up a corrupt fathers list.
constexpr int kMaxGraphDepth = 100000;

// The first father that holds the node as a child (node-pointer fields make
// fathers too, which hold no children).
SgGroup *FirstGroupFather(const SgNode *node)
{
    for (SgNode *father : node->GetFatherList()) {
        if (father->IsGroup())
            return static_cast<SgGroup *>(father);
    }
    return nullptr;
}

// Puts a node back into the group it was taken out of, before the sibling
// that followed it (at the end when none did).
void PutBack(SgGroup *group, SgNode *next, SgNode *node)
{
    if (next && group->IndexOf(next) >= 0)
        group->AddChildBefore(node, next);
    else
        group->AddChild(node);
}

// The chain of first group fathers from a root down to the node, started at
// `from` when that lies on it.
SgPath GroupChain(SgNode *node, SgNode *from)
{
    SgPath path;
    path.Append(node);
    for (int depth = 0; depth < kMaxGraphDepth; ++depth) {
        if (node == from)
            break;
        SgGroup *father = FirstGroupFather(node);
        if (!father)
            break;
        path.InsertFirst(father);
        node = father;
    }
    if (from) {
        const int at = path.GetPosition(from);
        if (at > 0) {
            SgPath cut;
            for (int i = at; i < path.GetCount(); ++i)
                cut.Append(path[i]);
            return cut;
        }
    }
    return path;
}

// The path from the scene side down to `node` after it was placed below
// `parent`: the path to the parent continued through the parent's content.
SgPath PathBelow(const SgPath &toParent, SgNode *parent, SgNode *node)
{
    SgPathList branches;
    SgPath tail;
    branches.PathsFromNode(node, tail, parent);
    SgPath path = toParent;
    if (!path.IsEmpty())
        path.DeleteLast();
    if (branches.IsEmpty()) {
        path.Append(parent);
        path.Append(node);
        return path;
    }
    path.Append(branches.GetAt(branches.GetFirst()));
    return path;
}

// Under a parent that flattens an axis no placement keeps the child where
// the user sees it: the operation is refused, and the user told.
bool RefuseSingularParent(const Transform3 &parentWorld, const char *operation)
{
    if (!parentWorld.IsSingular())
        return false;
    SgDiagTellUser(SgDiagLevel::Warning, "Object",
                   "The object cannot be placed under a group that is scaled to nothing along an axis: it would "
                   "move. Give the group a scale first.",
                   operation);
    return true;
}

// The group that holds one more entry of the node than `before` lists.
SgGroup *AddedFather(SgNode *node, const std::vector<SgNode *> &before)
{
    for (SgNode *father : node->GetFatherList()) {
        if (!father->IsGroup())
            continue;
        const auto now = std::count(node->GetFatherList().begin(), node->GetFatherList().end(), father);
        if (now > std::count(before.begin(), before.end(), father))
            return static_cast<SgGroup *>(father);
    }
    return nullptr;
}

bool IsClassNamed(const SgNode *node, const char *className)
{
    const int id = SgFieldMngr::GetClassIDFromName(className);
    return id && node->IsDerivedFrom(id);
}

// --- Exact placement -----------------------------------------------------------
// A transform's linear part is SO R S SO^-1. Any invertible linear map A
// splits so: its polar form A = Q P (Q orthogonal, P symmetric positive
// definite) and the eigenvectors V of P give SO = V, S = eigenvalues and
// R = V^T Q V; a mirror (det Q = -1) turns one axis of S negative.

double Det3(const double a[3][3])
{
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
}

// The inverse's transpose, by cofactors over the determinant.
void InverseTranspose3(const double a[3][3], double det, double out[3][3])
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
            out[r][c] = (a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1]) / det;
        }
    }
}

// The orthogonal polar factor by the scaled Newton iteration, which
// converges quadratically for every invertible matrix. False when the matrix
// is (numerically) singular.
bool PolarFactor(const double a[3][3], double q[3][3])
{
    double scale = 0.0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            scale = std::max(scale, std::fabs(a[r][c]));
    if (!(scale > 0.0) || !std::isfinite(scale))
        return false;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            q[r][c] = a[r][c] / scale;
    for (int iteration = 0; iteration < 100; ++iteration) {
        const double det = Det3(q);
        if (!std::isfinite(det) || std::fabs(det) < 1e-30)
            return false;
        double inverseT[3][3];
        InverseTranspose3(q, det, inverseT);
        const double gamma = std::cbrt(1.0 / std::fabs(det));
        double change = 0.0;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                const double next = 0.5 * (gamma * q[r][c] + inverseT[r][c] / gamma);
                change = std::max(change, std::fabs(next - q[r][c]));
                q[r][c] = next;
            }
        }
        if (change < 1e-15)
            return true;
    }
    return true;
}

// Eigenvalues and eigenvectors (columns of v, a rotation) of a symmetric
// matrix by cyclic Jacobi rotations.
void SymmetricEigen(double m[3][3], double values[3], double v[3][3])
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            v[r][c] = r == c ? 1.0 : 0.0;
    for (int sweep = 0; sweep < 64; ++sweep) {
        const double off = m[0][1] * m[0][1] + m[0][2] * m[0][2] + m[1][2] * m[1][2];
        const double diagonal = m[0][0] * m[0][0] + m[1][1] * m[1][1] + m[2][2] * m[2][2];
        if (off <= 1e-32 * diagonal)
            break;
        for (int p = 0; p < 2; ++p) {
            for (int k = p + 1; k < 3; ++k) {
                if (m[p][k] == 0.0)
                    continue;
                const double theta = (m[k][k] - m[p][p]) / (2.0 * m[p][k]);
                const double t = (theta >= 0.0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
                const double cs = 1.0 / std::sqrt(t * t + 1.0), sn = t * cs;
                for (int i = 0; i < 3; ++i) {
                    const double mip = m[i][p], mik = m[i][k];
                    m[i][p] = cs * mip - sn * mik;
                    m[i][k] = sn * mip + cs * mik;
                }
                for (int i = 0; i < 3; ++i) {
                    const double mpi = m[p][i], mki = m[k][i];
                    m[p][i] = cs * mpi - sn * mki;
                    m[k][i] = sn * mpi + cs * mki;
                }
                for (int i = 0; i < 3; ++i) {
                    const double vip = v[i][p], vik = v[i][k];
                    v[i][p] = cs * vip - sn * vik;
                    v[i][k] = sn * vip + cs * vik;
                }
            }
        }
    }
    for (int i = 0; i < 3; ++i)
        values[i] = m[i][i];
    // Eigenvectors keep any sign: make the frame right-handed.
    if (Det3(v) < 0.0) {
        for (int r = 0; r < 3; ++r)
            v[r][2] = -v[r][2];
    }
}

struct Placement {
    Rotation scaleOrientation;
    Rotation rotation;
    Vec3 scale;
};

// The exact split of an invertible linear part; false for a singular one.
bool SplitLinear(const Mat3 &linear, Placement &out)
{
    double a[3][3], q[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            a[r][c] = linear[r][c];
    if (!PolarFactor(a, q))
        return false;
    // P = Q^T A, symmetrised against rounding.
    double p[3][3];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 3; ++k)
                sum += q[k][r] * a[k][c];
            p[r][c] = sum;
        }
    }
    for (int r = 0; r < 3; ++r) {
        for (int c = r + 1; c < 3; ++c)
            p[r][c] = p[c][r] = 0.5 * (p[r][c] + p[c][r]);
    }
    double values[3], v[3][3];
    SymmetricEigen(p, values, v);
    const bool mirror = Det3(q) < 0.0;
    // R = V^T Q V (D): with a mirror the last axis of V takes the sign.
    double r3[3][3];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            double sum = 0.0;
            for (int i = 0; i < 3; ++i)
                for (int k = 0; k < 3; ++k)
                    sum += v[i][r] * q[i][k] * v[k][c];
            r3[r][c] = mirror && c == 2 ? -sum : sum;
        }
    }
    out.scale = Vec3(values[0], values[1], mirror ? -values[2] : values[2]);
    out.rotation = Rotation(Mat3(r3));
    out.scaleOrientation = Rotation(Mat3(v));
    if (out.rotation.GetAngle() == 0.0)
        out.rotation = Rotation();
    if (out.scaleOrientation.GetAngle() == 0.0)
        out.scaleOrientation = Rotation();
    return true;
}

// Whether the linear part is a rotation times axis scales in the scale
// orientation's frame: then that frame can stay.
bool FitsScaleOrientation(const Mat3 &b)
{
    for (int i = 0; i < 3; ++i) {
        for (int j = i + 1; j < 3; ++j) {
            const Vec3 ci = b.GetColumn(i), cj = b.GetColumn(j);
            if (std::fabs(ci.Dot(cj)) > 1e-12 * ci.Length() * cj.Length())
                return false;
        }
    }
    return true;
}

} // namespace

Transform3 SgObject::LocalMatrix()
{
    return m_pTransform ? m_pTransform->GetMatrix() : Transform3();
}

void SgObject::PlaceBy(const Transform3 &matrix)
{
    SgTransform *transform = m_pTransform;
    if (!transform) {
        if (matrix.GetMatrix().IsIdentity())
            return;
        transform = GetTransform(true);
        if (!transform)
            return;
    }
    if (transform->IsGeneral()) {
        transform->SetMatrix(matrix);
        return;
    }
    const Vec3 center = transform->m_center.IsIgnored() ? Vec3(0.0, 0.0, 0.0) : transform->m_center.Get(true);
    const Rotation orientation =
        transform->m_scaleOrientation.IsIgnored() ? Rotation() : transform->m_scaleOrientation.Get(true);
    const bool pivotIsOffset = !transform->m_matrixConfig.IsIgnored() &&
                               transform->m_matrixConfig.Get(true) == SgTransform::kPivotOffsetConfig;

    // The matrix is T(t + k c) SO R S SO^-1 T(-c): in the scale orientation's
    // frame its linear part is R S, a rotation times axis scales. When the
    // present frame cannot hold it (a turned parent scaled unevenly gives
    // shear there), the exact split picks the frame as well.
    const Vec3 translation = matrix.TransformPoint(center) - center * (pivotIsOffset ? 1.0 : 0.0);
    const Mat3 so = orientation.GetMat3();
    const Mat3 b = so.Transpose() * matrix.GetMatrix().GetMat3() * so;
    Placement exact;
    if (!FitsScaleOrientation(b) && SplitLinear(matrix.GetMatrix().GetMat3(), exact)) {
        transform->m_scaleOrientation.SetValuePtr(&exact.scaleOrientation, -1, true, false);
        transform->m_rotation.SetValuePtr(&exact.rotation, -1, true, false);
        transform->m_scaleFactor.SetValuePtr(&exact.scale, -1, true, false);
        transform->m_translation.SetValuePtr(&translation, -1, true, false);
        return;
    }
    double length[3];
    for (int i = 0; i < 3; ++i)
        length[i] = b.GetColumn(i).Length();
    // The longest column fixes the first axis, the next one the second (its
    // shear, if any, is dropped); the third follows by handedness, so that a
    // mirror shows as a negative scale and a flat axis as a zero one.
    int order[3] = {0, 1, 2};
    std::sort(order, order + 3, [&](int i, int j) { return length[i] > length[j]; });
    Vec3 first(0.0, 0.0, 0.0);
    if (length[order[0]] > kMinAxisLength)
        first = b.GetColumn(order[0]) / length[order[0]];
    else
        first[order[0]] = 1.0;
    Vec3 second = b.GetColumn(order[1]);
    second -= first * second.Dot(first);
    if (second.Length() <= kMinAxisLength) {
        // Any direction across the first will do.
        int least = 0;
        for (int i = 1; i < 3; ++i) {
            if (std::fabs(first[i]) < std::fabs(first[least]))
                least = i;
        }
        second = Vec3(0.0, 0.0, 0.0);
        second[least] = 1.0;
        second -= first * second.Dot(first);
    }
    second /= second.Length();
    Vec3 axis[3];
    axis[order[0]] = first;
    axis[order[1]] = second;
    const bool cyclic = order[1] == (order[0] + 1) % 3;
    axis[order[2]] = cyclic ? first.Cross(second) : second.Cross(first);

    Mat3 r;
    Vec3 scale;
    for (int i = 0; i < 3; ++i) {
        scale[i] = b.GetColumn(i).Dot(axis[i]);
        for (int row = 0; row < 3; ++row)
            r[row][i] = axis[i][row];
    }
    Rotation rotation(r);
    if (rotation.GetAngle() == 0.0)
        rotation = Rotation();

    transform->m_rotation.SetValuePtr(&rotation, -1, true, false);
    transform->m_scaleFactor.SetValuePtr(&scale, -1, true, false);
    transform->m_translation.SetValuePtr(&translation, -1, true, false);
}

bool SgObject::AddToGroup(SgPath &path)
{
    const int at = path.GetObjectPos();
    if (at < 1)
        throw SgInvalidArgument("AddToGroup: the path names no object below a parent");
    SgNode *node = path[at];
    SgNode *parent = path[at - 1];
    SgRef<SgNode> keep(node);
    if (!AddChild(node))
        return false;
    if (parent->IsGroup())
        static_cast<SgGroup *>(parent)->DeleteChild(node);
    return true;
}

bool SgObject::LinkToGroup(SgPath &path)
{
    const int at = path.GetObjectPos();
    if (at < 1)
        throw SgInvalidArgument("LinkToGroup: the path names no object below a parent");
    return AddChild(path[at]);
}

bool SgObject::AttachToGroup(SgPath &path, bool link)
{
    if (path.IsEmpty())
        throw SgInvalidArgument("AttachToGroup: the target path is empty");
    SgNode *targetNode = path.GetLastElement();
    if (!targetNode || !targetNode->IsGroup()) {
        SgDiagError("Object", "AttachToGroup: the target is no group");
        return false;
    }
    auto *target = static_cast<SgGroup *>(targetNode);
    SgRef<SgObject> keep(this);

    // Where the user sees the object now, measured from the same node the
    // target path starts at.
    const Transform3 world = SgGetTransformAction::PathMatrix(GroupChain(this, path[0])) * LocalMatrix();
    SgGroup *oldParent = FirstGroupFather(this);
    const std::vector<SgNode *> fathersBefore = GetFatherList();

    // The target's last child as its child view sees it: an object's last
    // content child.
    SgNode *last = target->GetChildAt(target->GetChildLast());
    bool added = false;
    bool bone = false;
    if (last && IsClassNamed(last, "SgBone")) {
        added = target->AddChildBefore(this, nullptr);
        bone = true;
    } else if (last && last->IsGeometricShape() && IsClassNamed(last, "SgBoolean")) {
        SgSeparator *operands = static_cast<SgGeometricShape *>(last)->GetSeparator();
        added = operands && operands->AddChildAfter(this, nullptr);
    } else {
        added = target->AddChild(this);
    }
    if (!added)
        return false;
    SgNode *oldNext = oldParent ? oldParent->GetChild(oldParent->IndexOf(this) + 1) : nullptr;
    if (oldParent)
        oldParent->DeleteChild(this);

    // Measured with the object in its new place only, so that the path finds
    // that place; a refusal puts it back where it was.
    const Transform3 parentWorld = SgGetTransformAction::PathMatrix(PathBelow(path, target, this));
    if (RefuseSingularParent(parentWorld, "Attach")) {
        if (SgGroup *newParent = AddedFather(this, fathersBefore)) {
            newParent->DeleteChild(this);
            if (oldParent)
                PutBack(oldParent, oldNext, this);
        }
        return false;
    }
    PlaceBy(parentWorld.Inverse() * world);
    if (link || bone)
        m_link = 1;
    return true;
}

bool SgObject::DetachFromGroup(SgPath &path, SgGroup *newParent)
{
    if (path.GetCount() < 2)
        throw SgInvalidArgument("DetachFromGroup: the path names no object below a group");
    SgObject *object = AsSgObject(path.GetLastElement());
    SgNode *group = path[path.GetCount() - 2];
    if (!object || !group->IsGroup() || !newParent) {
        SgDiagError("Object", "DetachFromGroup: the path must end at an object in a group, and a new parent "
                              "must be given");
        return false;
    }
    SgRef<SgObject> keep(object);
    const Transform3 world = SgGetTransformAction::PathMatrix(path) * object->LocalMatrix();
    const std::vector<SgNode *> fathersBefore = object->GetFatherList();
    if (!newParent->AddChild(object))
        return false;
    auto *oldParent = static_cast<SgGroup *>(group);
    SgNode *oldNext = oldParent->GetChild(oldParent->IndexOf(object) + 1);
    oldParent->DeleteChild(object);

    // The new parent measured from the same node the path starts at.
    SgPath toParent;
    const int at = path.GetPosition(newParent);
    if (at >= 0) {
        for (int i = 0; i <= at; ++i)
            toParent.Append(path[i]);
    } else {
        toParent = GroupChain(newParent, path[0]);
    }
    const Transform3 parentWorld = SgGetTransformAction::PathMatrix(PathBelow(toParent, newParent, object));
    if (RefuseSingularParent(parentWorld, "Detach")) {
        if (SgGroup *added = AddedFather(object, fathersBefore)) {
            added->DeleteChild(object);
            PutBack(oldParent, oldNext, object);
        }
        return false;
    }
    object->PlaceBy(parentWorld.Inverse() * world);
    if (object->m_link.Get(true) == 1)
        object->m_link = 0;
    return true;
}

SgPathList SgObject::Ungroup()
{
    SgPathList placed;
    if (!m_pInnerGroup)
        return placed;
    std::vector<SgGroup *> parents;
    for (SgNode *father : GetFatherList()) {
        if (father->IsGroup() && std::find(parents.begin(), parents.end(), father) == parents.end())
            parents.push_back(static_cast<SgGroup *>(father));
    }
    if (parents.empty()) {
        SgDiagError("Object", "Ungroup: the object has no parent to take its content");
        return placed;
    }
    // The content would take a placement that flattens it for good.
    if (LocalMatrix().IsSingular()) {
        SgDiagTellUser(SgDiagLevel::Warning, "Object",
                       "The group cannot be ungrouped: it is scaled to nothing along an axis. Give it a scale "
                       "first.",
                       "Ungroup");
        return placed;
    }
    SgRef<SgObject> keep(this);
    // A node held twice by the content is placed once.
    std::vector<SgRef<SgNode>> children;
    for (SgNode *child : m_pInnerGroup->GetChildList()) {
        const auto held = [child](const SgRef<SgNode> &ref) { return ref.get() == child; };
        if (std::none_of(children.begin(), children.end(), held))
            children.emplace_back(child);
    }
    // Each object gets this object's placement once, however many parents
    // take it: every parent shows the same object.
    const Transform3 group = LocalMatrix();
    for (const SgRef<SgNode> &child : children) {
        if (SgObject *object = AsSgObject(child.get()))
            object->PlaceBy(group * object->LocalMatrix());
    }
    for (SgGroup *parent : parents) {
        SgNode *after = this;
        for (const SgRef<SgNode> &child : children) {
            if (!child->IsObject())
                continue;
            if (!parent->AddChildAfter(child.get(), after))
                continue;
            after = child.get();
            SgPath path = GroupChain(parent, nullptr);
            path.Append(child.get());
            placed.Add(path);
        }
    }
    for (const SgRef<SgNode> &child : children) {
        while (m_pInnerGroup->DeleteChild(child.get())) {
        }
    }
    return placed;
}

bool SgObject::ReplaceChild(SgObject *object)
{
    if (!m_pInnerGroup || !object || m_pInnerGroup->WouldMakeCycle(object)) {
        SgDiagError("Object", "ReplaceChild: the object needs an inner group and a new child it does not hold "
                              "above itself");
        return false;
    }
    SgRef<SgObject> keep(object);
    m_pInnerGroup->Clear();
    return m_pInnerGroup->AddChild(object);
}

// --- Alignment and drag constraints -------------------------------------------

bool SgObject::ContentBox(Range<Vec3f> &box)
{
    SgBoundingBoxAction action;
    // Transforms off the measured branch (the object's own) stay out: the
    // box is in the frame "center" is given in.
    action.m_bLocalToTarget = true;
    SgPath path(*this);
    if (m_pInnerGroup) {
        path.Append(m_pInnerGroup);
        action.ApplyToPath(path);
    } else {
        const std::vector<SgNode *> own = GetChildList();
        for (SgNode *child : own) {
            if (child == m_pTransform)
                continue;
            SgPath branch = path;
            branch.Append(child);
            action.PushState();
            action.ApplyToPath(branch);
            action.PopState();
        }
    }
    box = action.m_Box;
    return action.HasBox();
}

bool SgObject::AlignToCenter()
{
    Range<Vec3f> box;
    if (!m_pTransform || m_pTransform->IsGeneral() || !ContentBox(box))
        return false;
    const Vec3f mid = box.GetCenter();
    const Vec3 center(mid.x, mid.y, mid.z);
    // Same rotation, scale and orientation about the new pivot: only the
    // translation makes up for the move, so the matrix stays as it was.
    const Transform3 matrix = m_pTransform->GetMatrix();
    const bool pivotIsOffset = !m_pTransform->m_matrixConfig.IsIgnored() &&
                               m_pTransform->m_matrixConfig.Get(true) == SgTransform::kPivotOffsetConfig;
    const Vec3 translation = matrix.TransformPoint(center) - center * (pivotIsOffset ? 1.0 : 0.0);
    m_pTransform->m_center.SetValuePtr(&center, -1, true, false);
    m_pTransform->m_translation.SetValuePtr(&translation, -1, true, false);
    return true;
}

bool SgObject::IsAlignedToCenter()
{
    Range<Vec3f> box;
    if (!ContentBox(box))
        return true;
    const Vec3f mid = box.GetCenter();
    return (GetCenter() - Vec3(mid.x, mid.y, mid.z)).Length() < kAlignTolerance;
}

bool QueryDragUpon(SgPickedPoint &hit, SgObject::SlidingType &, Vec3 &direction,
                   std::unique_ptr<CPolygon> &polygon, double &offset)
{
    if (hit.m_Path.IsEmpty())
        return false;
    direction = Vec3(0.0, 0.0, 1.0);
    offset = 0.0;
    SgPath path = hit.m_Path;
    path.LeaveToObject();
    Range<Vec3f> box = SgBoundingBoxAction::CalcBoundingBox(path);
    polygon = SgObject::ConvertToPolygon(box, Range<Vec3f>::Z_MIN);
    return true;
}

std::unique_ptr<CPolygon> ExtractPolygon(SgPickedPoint &hit)
{
    if (hit.m_Path.IsEmpty())
        return nullptr;
    SgNode *node = hit.m_Path.GetLastElement();
    if (node && node->IsGeometricShape())
        node = static_cast<SgGeometricShape *>(node)->GetResultCache();
    if (!node || !node->IsShape())
        return nullptr;
    const int index = hit.m_Indices[0];
    if (node->IsDerivedFrom(SgPolygon::ClassID())) {
        auto *outline = static_cast<SgPolygon *>(node);
        try {
            const Vec3 *points = outline->GetCoordinates();
            const int n = points ? outline->OrigLoopSize(0) : 0;
            return n > 0 ? std::make_unique<CPolygon>(points, n) : nullptr;
        } catch (const SgError &error) {
            SgDiagWarning("Object", "ExtractPolygon: %s", error.what());
            return nullptr;
        }
    }
    if (node->IsDerivedFrom(SgFaceSet::ClassID())) {
        auto *faces = static_cast<SgFaceSet *>(node);
        if (index < 0 || index >= faces->GetFaceCount())
            return nullptr;
        return SgObject::ConvertToPolygon(faces, index);
    }
    if (index < 0 || index >= Range<Vec3f>::BOX3_FACES)
        return nullptr;
    return SgObject::ConvertToPolygon(static_cast<SgShape *>(node)->BoundingBox(),
                            static_cast<Range<Vec3f>::BOX3_SIZE>(index));
}

SgPolyLine *SgObject::GetObjectPolyline() const
{
    // The content's own first child, not the first entry of a shape's
    // separator that the first/next walk would reach.
    const SgGroup *content = m_pInnerGroup ? static_cast<const SgGroup *>(m_pInnerGroup) : this;
    SgNode *child = content->GetChild(0);
    return child && child->IsDerivedFrom(SgPolyLine::ClassID()) ? static_cast<SgPolyLine *>(child) : nullptr;
}

std::unique_ptr<CPolygon> SgObject::ConvertToPolygon(const Range<Vec3f> &box, Range<Vec3f>::BOX3_SIZE extent)
{
    // Bit 0 of a corner code takes the maximum x, bit 1 the maximum y, bit 2
    // the maximum z.
    static const int kCorners[Range<Vec3f>::BOX3_FACES][4] = {
        {6, 4, 0, 2}, {3, 1, 5, 7}, {5, 1, 0, 4}, {6, 2, 3, 7}, {2, 0, 1, 3}, {7, 5, 4, 6},
    };
    if (extent < 0 || extent >= Range<Vec3f>::BOX3_FACES)
        return nullptr;
    const Vec3f &lo = box.GetMin();
    const Vec3f &hi = box.GetMax();
    Vec3 points[4];
    for (int i = 0; i < 4; ++i) {
        const int code = kCorners[extent][i];
        points[i] = Vec3((code & 1) ? hi.x : lo.x, (code & 2) ? hi.y : lo.y, (code & 4) ? hi.z : lo.z);
    }
    return std::make_unique<CPolygon>(points, 4);
}

std::unique_ptr<CPolygon> SgObject::ConvertToPolygon(SgFaceSet *faceSet, int face)
{
    if (!faceSet || face < 0 || face >= faceSet->GetFaceCount())
        return nullptr;
    // The face's outline is not taken over yet: drag tools fit the polygon
    // they need from the face set themselves.
    return std::make_unique<CPolygon>();
}

Range<Vec3f> SgObject::GetBoundingBox(bool own, SgNode *node)
{
    SgNode *start = own || !node ? this : node;
    return SgBoundingBoxAction::CalcBoundingBox(SgPath(*start));
}

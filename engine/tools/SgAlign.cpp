#include "engine/tools/SgAlign.h"

#include <cmath>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/actions/SgGetTransformAction.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagnostics.h"

namespace {

// The smallest share of the world axis an object's own axis must carry to
// slide along it: below it the move would run off to infinity.
constexpr double kMinAxisShare = 1e-6;

SgObject *ObjectOf(const SgPath &path)
{
    return dynamic_cast<SgObject *>(path.GetObject(true));
}

// The path cut back to its object.
SgPath ToObject(const SgPath &path)
{
    SgPath cut(path);
    SgSeparator *object = path.GetObject(true);
    const int at = object ? path.GetPosition(object) : -1;
    if (at >= 0)
        cut.Truncate(at + 1);
    return cut;
}

// The path from the object down to the first node named `name` below it;
// false when there is none.
bool FindNamed(SgNode *node, const char *name, SgPath &path, int depth)
{
    if (!node || depth > 64)
        return false;
    path.Append(node);
    if (depth > 0 && node->GetName() == name)
        return true;
    for (int i = 0; i < node->GetNumChildren(); ++i)
        if (FindNamed(node->GetChild(i), name, path, depth + 1))
            return true;
    path.DeleteLast();
    return false;
}

// Where a tip node stands: the transform at it, and for a tip object its
// own transform too (a path ending at an object stops before it).
Transform3 TipMatrix(const SgPath &path)
{
    Transform3 matrix = SgGetTransformAction::PathMatrix(path);
    if (auto *object = dynamic_cast<SgObject *>(path[path.GetCount() - 1]))
        if (SgTransform *transform = object->GetTransform())
            matrix = matrix * transform->GetMatrix();
    return matrix;
}

// The world positions of the object's two tips; false for an object
// without both.
bool Tips(const SgPath &path, Vec3 &tip1, Vec3 &tip2)
{
    SgObject *object = ObjectOf(path);
    if (!object)
        return false;
    SgPath above = ToObject(path);
    above.DeleteLast();
    SgPath first(above), second(above);
    // FindNamed appends the object itself first.
    if (!FindNamed(object, "Tip1", first, 0) || !FindNamed(object, "Tip2", second, 0))
        return false;
    tip1 = TipMatrix(first).TransformPoint(Vec3(0, 0, 0));
    tip2 = TipMatrix(second).TransformPoint(Vec3(0, 0, 0));
    return true;
}

// Whether the path's object has a place to align by: tips, or geometry
// with a box. An empty box would give coordinates of +-3.4e38.
bool HasPlace(const SgPath &path)
{
    Vec3 tip1, tip2;
    return Tips(path, tip1, tip2) || !SgBoundingBoxAction::IsEmptyBox(SgAlign::GetBoundingBox(path));
}

bool Valid(int point, int axis)
{
    return point >= 0 && point <= 3 && axis >= 0 && axis <= 2;
}

} // namespace

Range<Vec3f> SgAlign::GetBoundingBox(const SgPath &path)
{
    return SgBoundingBoxAction::CalcBoundingBox(ToObject(path));
}

Transform3 SgAlign::GetObjectMatrix(const SgPath &path)
{
    SgObject *object = ObjectOf(path);
    SgTransform *transform = object ? object->GetTransform() : nullptr;
    return transform ? transform->GetMatrix() : Transform3();
}

double SgAlign::AlignCoordinate(const SgPath &path, AlignPoint point, AlignAxis axis)
{
    Vec3 tip1, tip2;
    if (Tips(path, tip1, tip2)) {
        switch (point) {
        case kMin: return tip1[axis];
        case kMax: return tip2[axis];
        case kCenter: return (tip1[axis] + tip2[axis]) * 0.5;
        default:
            return TipMatrix(ToObject(path)).TransformPoint(Vec3(0, 0, 0))[axis];
        }
    }
    const Range<Vec3f> box = GetBoundingBox(path);
    const double low = box.GetMin()[axis], high = box.GetMax()[axis];
    switch (point) {
    case kMin: return low;
    case kMax: return high;
    default: return (low + high) * 0.5;
    }
}

bool SgAlign::Align(const SgPath &object, const SgPath &reference, AlignPoint objectPoint, AlignPoint referencePoint,
                    AlignAxis axis, bool useRotation)
{
    SgObject *target = ObjectOf(object);
    if (!target || !ObjectOf(reference) || !Valid(objectPoint, axis) || !Valid(referencePoint, axis))
        return false;
    for (const SgPath *path : {&object, &reference}) {
        if (!HasPlace(*path)) {
            const std::string &name = ObjectOf(*path)->GetName();
            SgDiagWarning("Align", "the %s%s%s has no geometry: nothing is aligned",
                          path == &object ? "object" : "reference", name.empty() ? "" : " ", name.c_str());
            return false;
        }
    }
    const double delta = AlignCoordinate(reference, referencePoint, axis) - AlignCoordinate(object, objectPoint, axis);
    // The transform at the object, before its own: its parent's space,
    // where the translation field lives.
    const Transform3 parentWorld = SgGetTransformAction::PathMatrix(ToObject(object));
    SgTransform *existing = target->GetTransform();
    Vec3 move(0, 0, 0);
    if (useRotation) {
        // The object slides along its own axis (the axis turned by its
        // rotation) until its point reaches the reference's coordinate on
        // the world axis: a turned arrow moves along its own length.
        Vec3 unit(0, 0, 0);
        unit[axis] = 1.0;
        const Vec3 own = existing ? existing->m_rotation.Get(true).Rotate(unit) : unit;
        const Vec3 world = parentWorld.TransformVector(own);
        const double along = world[axis];
        if (!(std::abs(along) > kMinAxisShare * world.Length())) {
            SgDiagWarning("Align", "the object's own %c axis runs across the %c axis: it cannot be aligned along it",
                          "xyz"[axis], "xyz"[axis]);
            return false;
        }
        move = own * (delta / along);
    } else {
        move[axis] = delta;
        if (!parentWorld.IsSingular())
            move = parentWorld.Inverse().TransformVector(move);
    }
    SgTransform *transform = target->GetTransform(true);
    if (!transform)
        return false;
    transform->m_translation.Set(transform->m_translation.Get(true) + move);
    return true;
}

bool SgAlign::Align(const SgPathList &objects, const SgPath &reference, AlignPoint objectPoint,
                    AlignPoint referencePoint, AlignAxis axis, bool useRotation)
{
    bool all = true;
    for (POSITION at = objects.GetFirst(); at;)
        all = Align(objects.GetNext(at), reference, objectPoint, referencePoint, axis, useRotation) && all;
    return all;
}

bool SgAlign::AlignOrientation(const SgPath &object, const SgPath &reference, AlignPoint objectPoint,
                               AlignPoint referencePoint, AlignAxis axis, bool useRotation)
{
    SgObject *target = ObjectOf(object);
    SgObject *model = ObjectOf(reference);
    if (!target || !model)
        return false;
    SgTransform *transform = target->GetTransform(true);
    if (!transform)
        return false;
    Vec3 a1, a2, b1, b2;
    if (Tips(object, a1, a2) && Tips(reference, b1, b2)) {
        const Rotation turn(a2 - a1, b2 - b1);
        transform->m_rotation.Set(turn * transform->m_rotation.Get(true));
    } else {
        SgTransform *modelTransform = model->GetTransform();
        transform->m_rotation.Set(modelTransform ? modelTransform->m_rotation.Get(true) : Rotation());
    }
    return Align(object, reference, objectPoint, referencePoint, axis, useRotation);
}

bool SgAlign::AlignOrientation(const SgPathList &objects, const SgPath &reference, AlignPoint objectPoint,
                               AlignPoint referencePoint, AlignAxis axis, bool useRotation)
{
    bool all = true;
    for (POSITION at = objects.GetFirst(); at;)
        all = AlignOrientation(objects.GetNext(at), reference, objectPoint, referencePoint, axis, useRotation) && all;
    return all;
}

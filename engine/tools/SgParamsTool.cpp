#include "engine/tools/SgParamsTool.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <sstream>
#include <string>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgPath.h"
#include "engine/engines/SgLispScript.h"
#include "engine/engines/SgParametric.h"
#include "engine/engines/lisp/LispCore.h"
#include "engine/engines/lisp/LispEvaluator.h"
#include "engine/engines/lisp/LispReader.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgToolLink.h"
#include "engine/nodes/geometry/SgPointSet.h"
#include "engine/nodes/geometry/SgSkeleton.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/tools/SgToolFields.h"
#include "engine/viewer/SgViewer.h"
#include "platform/SgDiagnostics.h"

SG_CLASS_SOURCE(SgParamsTool, SgTransformTool, SgFieldMngr, "SgParamsTool")

namespace {
using SgToolFields::GetDouble;
using SgToolFields::SetDouble;

constexpr double kHandlePointSize = 6.0;
// The handle line and the view ray meet only when their closest points are
// nearer than this.
constexpr double kClosestLimit = 1e40;
constexpr double kDegrees = 180.0 / std::numbers::pi;

// Heights measured from the base (zeroBase) or from the middle.
double K(SgNode *s)
{
    return GetDouble(s, "zeroBase") == 0.0 ? 2.0 : 1.0;
}
Vec3 Zero(SgNode *, int)
{
    return Vec3();
}

Vec3 BoxPosition(SgNode *s, int i)
{
    switch (i) {
    case 0: return {GetDouble(s, "width") / 2, 0, 0};
    case 1: return {0, GetDouble(s, "depth") / 2, 0};
    default: return {0, 0, GetDouble(s, "height") / K(s)};
    }
}
void BoxSet(SgNode *s, int i, double d)
{
    if (i == 0)
        SetDouble(s, "width", 2 * d);
    else if (i == 1)
        SetDouble(s, "depth", 2 * d);
    else if (i == 2)
        SetDouble(s, "height", K(s) * d);
}

Vec3 PlanePosition(SgNode *s, int i)
{
    return i == 0 ? Vec3(GetDouble(s, "width") / 2, 0, 0) : Vec3(0, GetDouble(s, "height") / 2, 0);
}
void PlaneSet(SgNode *s, int i, double d)
{
    SetDouble(s, i == 0 ? "width" : "height", 2 * d);
}

Vec3 TorusPosition(SgNode *s, int i)
{
    const double r1 = GetDouble(s, "radius1");
    return Vec3(i == 0 ? r1 : r1 + GetDouble(s, "radius2"), 0, 0);
}
void TorusSet(SgNode *s, int i, double d)
{
    if (i == 0)
        SetDouble(s, "radius1", d);
    else
        SetDouble(s, "radius2", std::abs(d - GetDouble(s, "radius1")));
}

Vec3 CylinderPosition(SgNode *s, int i)
{
    return i == 0 ? Vec3(GetDouble(s, "radius"), 0, 0) : Vec3(0, 0, GetDouble(s, "height") / K(s));
}
void CylinderSet(SgNode *s, int i, double d)
{
    if (i == 0)
        SetDouble(s, "radius", d);
    else
        SetDouble(s, "height", K(s) * d);
}

Vec3 HelixPosition(SgNode *s, int i)
{
    return i == 0 ? Vec3(GetDouble(s, "radius"), 0, 0) : Vec3(0, 0, GetDouble(s, "height"));
}
void HelixSet(SgNode *s, int i, double d)
{
    SetDouble(s, i == 0 ? "radius" : "height", d);
}

// The fillet handle of a polygon corner: t r (cos a, sin a, 0). A radius of
// 0 puts it at the centre instead of dividing by zero.
Vec3 FilletHandle(double r, double fillet, double angle)
{
    const double t = r != 0.0 ? (r - fillet) / r : 0.0;
    return Vec3(std::cos(angle), std::sin(angle), 0) * (t * r);
}
double Sides(SgNode *s)
{
    return std::max(3.0, GetDouble(s, "sides"));
}
// Fillet radii stay within 0..radius.
void SetFillet(SgNode *s, const char *field, double radius, double d)
{
    SetDouble(s, field, std::clamp(radius - d, 0.0, std::max(0.0, radius)));
}

Vec3 NGonPosition(SgNode *s, int i)
{
    const double r = GetDouble(s, "radius");
    if (i == 0)
        return {r, 0, 0};
    return FilletHandle(r, GetDouble(s, "filetRadius"), 2 * std::numbers::pi / Sides(s));
}
void NGonSet(SgNode *s, int i, double d)
{
    if (i == 0)
        SetDouble(s, "radius", d);
    else
        SetFillet(s, "filetRadius", GetDouble(s, "radius"), d);
}

Vec3 StarPosition(SgNode *s, int i)
{
    const double r = GetDouble(s, "radius");
    const double r1 = GetDouble(s, "radius1");
    switch (i) {
    case 0: return {r, 0, 0};
    case 1: return {r1, 0, 0};
    case 2: return FilletHandle(r, GetDouble(s, "filetRadius"), 2 * std::numbers::pi / Sides(s));
    default: return FilletHandle(r1, GetDouble(s, "filetRadius1"), std::numbers::pi / Sides(s));
    }
}
void StarSet(SgNode *s, int i, double d)
{
    switch (i) {
    case 0: SetDouble(s, "radius", d); break;
    case 1: SetDouble(s, "radius1", d); break;
    case 2: SetFillet(s, "filetRadius", GetDouble(s, "radius"), d); break;
    default: SetFillet(s, "filetRadius1", GetDouble(s, "radius1"), d); break;
    }
}

Vec3 RadiusPosition(SgNode *s, int)
{
    return {GetDouble(s, "radius"), 0, 0};
}
void RadiusSet(SgNode *s, int, double d)
{
    SetDouble(s, "radius", d);
}

Vec3 ArcPosition(SgNode *s, int i)
{
    const double start = GetDouble(s, "startAngle");
    const double sweep = GetDouble(s, "angle");
    const double t = (i == 0 ? start + sweep / 2 : i == 1 ? start : start + sweep) / kDegrees;
    return Vec3(std::cos(t), std::sin(t), 0) * GetDouble(s, "radius");
}
void ArcSet(SgNode *s, int i, double d)
{
    // The end handles sit at the radius: a distance along their line sets no
    // angle (their drag turns them about the centre, ArcTurn).
    if (i == 0)
        SetDouble(s, "radius", d);
}

// The value of `angle` plus or minus whole turns that lies nearest to `near`.
double Unwrap(double angle, double near)
{
    return angle + 360.0 * std::round((near - angle) / 360.0);
}

// An end handle of the arc turned to the direction `a` (degrees, in the
// arc's plane): the start handle moves the start and keeps the end where it
// is; the end handle moves the end. Each follows the cursor continuously
// (no jump by a whole turn) and the sweep stays within one turn either way.
void ArcTurn(SgNode *s, int i, double a)
{
    const double start = GetDouble(s, "startAngle");
    const double sweep = GetDouble(s, "angle");
    if (i == 1) {
        const double end = start + sweep;
        const double newStart = Unwrap(a, start);
        SetDouble(s, "startAngle", newStart);
        SetDouble(s, "angle", std::clamp(end - newStart, -360.0, 360.0));
    } else if (i == 2) {
        SetDouble(s, "angle", std::clamp(Unwrap(a, start + sweep) - start, -360.0, 360.0));
    }
}

double ConeBase(SgNode *s)
{
    return GetDouble(s, "zeroBase") == 0.0 ? -GetDouble(s, "height") / 2 : 0.0;
}
Vec3 ConePosition(SgNode *s, int i)
{
    return i == 0 ? Vec3(GetDouble(s, "bottomRadius"), 0, ConeBase(s)) : Vec3(0, 0, GetDouble(s, "height") / K(s));
}
Vec3 ConeOrigin(SgNode *s, int i)
{
    // The rim point is measured from the centre of the cone's base.
    return i == 0 ? Vec3(0, 0, ConeBase(s)) : Vec3();
}
void ConeSet(SgNode *s, int i, double d)
{
    if (i == 0)
        SetDouble(s, "bottomRadius", d);
    else
        SetDouble(s, "height", K(s) * d);
}

Vec3 PrismPosition(SgNode *s, int)
{
    return {0, 0, GetDouble(s, "height") / K(s)};
}
void PrismSet(SgNode *s, int, double d)
{
    SetDouble(s, "height", std::abs(K(s) * d));
}

// The roof's ridge: a handle at its height, dragged up or down to pitch
// the first slope (the first edge's, and that of every edge when only one
// is given). The pitch keeps the roof's half width w = h / tan(slope).
constexpr double kDefaultSlope = 45.0;
constexpr double kMinSlope = 0.1;
double RoofHeight(SgNode *s)
{
    // Measured by a box pass, which builds the roof when a change dropped it.
    SgBoundingBoxAction measure;
    measure.Apply(s);
    if (!measure.HasBox())
        return 0.0;
    const Range<Vec3f> &box = measure.m_Box;
    return box.GetMax().z >= box.GetMin().z ? box.GetMax().z - box.GetMin().z : 0.0;
}
Vec3 SkeletonPosition(SgNode *s, int)
{
    return {0, 0, RoofHeight(s)};
}
void SkeletonSet(SgNode *s, int, double d)
{
    auto *skeleton = static_cast<SgSkeleton *>(s);
    const double slope = skeleton->m_slope.GetCount() > 0 ? skeleton->m_slope.GetValue(0) : kDefaultSlope;
    const double tangent = std::tan(slope / kDegrees);
    // A flat roof has no half width to keep: any drag lifts it to the floor.
    const double w = std::abs(tangent) > kParallel ? RoofHeight(s) / tangent : 0.0;
    const double pitch = w > 0.0 ? std::max(kMinSlope, std::atan2(d, w) * kDegrees) : kMinSlope;
    skeleton->m_slope.SetValuePtr(&pitch, 0, true, false);
}

// Parametric objects: the model's control points, through its three
// control-point functions (position, origin, drag) in the embedded LISP.
SgParametricModel *ModelOf(SgNode *s)
{
    auto *object = dynamic_cast<SgParametricObject *>(s);
    return object ? object->GetModel() : nullptr;
}

int ParametricCount(SgNode *s)
{
    SgParametricModel *model = ModelOf(s);
    return model ? std::max(0, model->m_iControlPoints) : 0;
}

// Calls a control-point function with the object, the handle and either the
// object's parameter values (position, origin) or the dragged distance.
value_t CallControlPoint(SgNode *s, int lambda, int handle, const double *distance)
{
    SgParametricModel *model = ModelOf(s);
    auto *object = static_cast<SgParametricObject *>(s);
    if (!model || model->m_controlPointLambdas[lambda].IsNil() || model->m_controlPointLambdas[lambda].IsError())
        return value_t::Error();
    LispFormulaScope scope(model->GetLispContext(), LispFormulaWorkUnit());
    if (scope.Refused())
        return value_t::Error();
    value_t *mark = LispArgTop();
    bool pushed = LispPushArg(model->m_controlPointLambdas[lambda]) && LispPushArg(LispNodeValue(object)) &&
                  LispPushArg(value_t::Int(handle));
    int count = 3;
    if (distance) {
        pushed = pushed && LispPushArg(value_t::Double(*distance));
        ++count;
    } else {
        for (const auto &param : model->m_params) {
            SgField *field = object->getField(param->getParamName().c_str());
            std::ostringstream text;
            if (field)
                field->WriteToStream(text);
            pushed = pushed && LispPushArg(field ? LispReadFromString(text.str().c_str()) : value_t::Nil());
            ++count;
        }
    }
    value_t result = pushed ? LispApply(mark, count) : value_t::Error();
    LispSetArgTop(mark);
    return result;
}

Vec3 ParametricPoint(SgNode *s, int lambda, int handle)
{
    Vec3 point;
    const value_t result = CallControlPoint(s, lambda, handle, nullptr);
    if (result.IsError() || !LispValueToVec3(result, point))
        return Vec3();
    return point;
}

Vec3 ParametricPosition(SgNode *s, int i)
{
    return ParametricPoint(s, 0, i);
}
Vec3 ParametricOrigin(SgNode *s, int i)
{
    return ParametricPoint(s, 1, i);
}
void ParametricSet(SgNode *s, int i, double d)
{
    const value_t result = CallControlPoint(s, 2, i, &d);
    if (result.IsError())
        SgDiagWarning("ParamsTool", "the drag of control point %d failed in its model's formula", i);
}

const SgParamsTool::Row kRows[] = {
    {"SgBox", 3, BoxPosition, Zero, BoxSet, {"width", "depth", "height"}},
    {"SgPlane", 2, PlanePosition, Zero, PlaneSet, {"width", "height"}},
    {"SgTorus", 2, TorusPosition, Zero, TorusSet, {"radius1", "radius2"}},
    {"SgCylinder", 2, CylinderPosition, Zero, CylinderSet, {"radius", "height"}},
    {"SgHelix", 2, HelixPosition, Zero, HelixSet, {"radius", "height"}},
    {"SgNGon", 2, NGonPosition, Zero, NGonSet, {"radius", "filetRadius"}},
    {"SgNStar", 4, StarPosition, Zero, StarSet, {"radius", "radius1", "filetRadius", "filetRadius1"}},
    {"SgSphere", 1, RadiusPosition, Zero, RadiusSet, {"radius"}},
    {"SgCircle", 1, RadiusPosition, Zero, RadiusSet, {"radius"}},
    {"SgArc", 3, ArcPosition, Zero, ArcSet, {"radius", "startAngle", "angle"}},
    {"SgCone", 2, ConePosition, ConeOrigin, ConeSet, {"bottomRadius", "height"}},
    {"SgBone", 3, BoxPosition, Zero, BoxSet, {"width", "depth", "height"}},
    {"SgPrizm", 2, PrismPosition, Zero, PrismSet, {"height"}},
    {"SgSkeleton", 1, SkeletonPosition, Zero, SkeletonSet, {"slope"}},
    {"SgParametricObject", -1, ParametricPosition, ParametricOrigin, ParametricSet, {}},
    {nullptr, 0, nullptr, nullptr, nullptr, {}},
};

} // namespace

SgParamsTool::SgParamsTool()
{
    // The handles sit on the shape's own points: the gizmo keeps the
    // object's scale rather than a size on the screen.
    m_bScreenSized = false;
}

SgNode *SgParamsTool::FindParamShape(const SgPath &source)
{
    SgPath path = source;
    if (path.IsEmpty())
        return nullptr;
    path.CutToObject(0, true, false);
    if (!path.IsEmpty() && path.GetLastElement()->IsDerivedFrom(SgParametricObject::ClassID()))
        return path.GetLastElement();
    path.ExtendToShape();
    SgNode *node = path.IsEmpty() ? nullptr : path.GetLastElement();
    if (node && node->IsSeparator() && node->GetNumChildren() > 0)
        node = node->GetChild(node->GetNumChildren() - 1);
    return node && node->IsShape() ? node : nullptr;
}

const SgParamsTool::Row *SgParamsTool::FindRow(SgNode *shape)
{
    if (!shape)
        return nullptr;
    if (shape->IsDerivedFrom(SgParametricObject::ClassID()))
        return &kRows[std::size(kRows) - 2];
    for (const Row *row = kRows; row->className; ++row)
        if (std::string_view(row->className) == shape->GetClassName())
            return row;
    return nullptr;
}

bool SgParamsTool::AcceptsPath(SgPath &path)
{
    SgNode *shape = FindParamShape(path);
    const Row *row = FindRow(shape);
    m_iShapeKind = row ? static_cast<int>(row - kRows) : -1;
    return row != nullptr;
}

Vec3 SgParamsTool::GetHandlePosition(int handle)
{
    SgNode *shape = FindParamShape(m_ObjectPath);
    const Row *row = FindRow(shape);
    const int count = row ? (row->handles >= 0 ? row->handles : ParametricCount(shape)) : 0;
    return handle >= 0 && handle < count ? row->position(shape, handle) : Vec3();
}

void SgParamsTool::CreateHandles()
{
    m_iHandleCount = 0;
    m_pHandleSet = nullptr;
    SgNode *shape = FindParamShape(m_ObjectPath);
    const Row *row = FindRow(shape);
    m_iShapeKind = row ? static_cast<int>(row - kRows) : -1;
    if (!row || !m_pGizmo)
        return;
    int count = row->handles >= 0 ? row->handles : ParametricCount(shape);
    if (count > kHandleCount) {
        // Said once per tool, not at every rebuild of a drag.
        if (!m_bToldBound)
            SgDiagWarning("ParamsTool", "%s has %d handles; only the first %d can be dragged", shape->GetClassName(),
                          count, kHandleCount);
        m_bToldBound = true;
        count = kHandleCount;
    }
    auto *marker = Quiet(new SgSeparator);
    auto *style = Quiet(new SgDrawStyle);
    style->m_pointSize.Set(static_cast<float>(kHandlePointSize));
    marker->AddChild(style);
    auto *point = Quiet(new SgCoordinate3);
    const Vec3 origin;
    point->m_point.SetVals(1, &origin);
    marker->AddChild(point);
    marker->AddChild(Quiet(new SgPointSet));
    m_pHandleSet = Quiet(new SgSeparator);
    for (int i = 0; i < count; ++i) {
        auto *handle = Quiet(new SgSeparator);
        auto *transform = Quiet(new SgTransform);
        transform->m_translation.Set(row->position(shape, i));
        handle->AddChild(transform);
        handle->AddChild(marker);
        m_pHandleSet->AddChild(handle);
        m_handles[i] = handle;
    }
    for (int i = count; i < kHandleCount; ++i)
        m_handles[i] = nullptr;
    m_iHandleCount = count;
    m_pGizmo->AddChild(m_pHandleSet);
}

void SgParamsTool::RebuildHandles()
{
    if (m_pGizmo && m_pHandleSet)
        m_pGizmo->DeleteChild(m_pHandleSet);
    m_pHandleSet = nullptr;
    const int current = m_iCurrentHandle;
    CreateHandles();
    // The dragged handle stays the current one in the new set.
    m_iCurrentHandle = current < m_iHandleCount ? current : -1;
}

bool SgParamsTool::SetHandleDistance(int handle, double distance)
{
    SgNode *shape = FindParamShape(m_ObjectPath);
    const Row *row = FindRow(shape);
    const int count = row ? (row->handles >= 0 ? row->handles : ParametricCount(shape)) : 0;
    if (handle < 0 || handle >= count)
        return false;
    row->set(shape, handle, distance);
    RebuildHandles();
    NotifyChange(ReportDocument(nullptr), 0);
    return true;
}

void SgParamsTool::NotifyChange(SgDocument *document, int)
{
    SgNode *shape = FindParamShape(m_ObjectPath);
    const Row *row = FindRow(shape);
    if (!document || !row)
        return;
    constexpr int kMaxReported = 4;
    SgField *fields[kMaxReported] = {};
    double values[kMaxReported] = {};
    int count = 0;
    if (shape->IsDerivedFrom(SgParametricObject::ClassID())) {
        auto *object = static_cast<SgParametricObject *>(shape);
        const int n = std::min(kMaxReported, object->GetFieldsCount());
        for (int i = 0; i < n; ++i) {
            const char *name = object->GetFieldName(i);
            SgField *field = name ? object->getField(name) : nullptr;
            if (!field)
                continue;
            double value = 0.0;
            SgField::CastNumericFieldToDouble(field, &value);
            fields[count] = field;
            values[count++] = value;
        }
    } else {
        for (const char *name : row->fields) {
            SgField *field = name ? SgToolFields::Find(shape, name) : nullptr;
            if (!field)
                continue;
            fields[count] = field;
            // An array field (the roof's slopes) reports its first value.
            auto *array = dynamic_cast<SgVFDouble *>(field);
            values[count++] = array ? (array->GetCount() > 0 ? array->GetValue(0) : 0.0) : GetDouble(shape, name);
        }
    }
    if (count > 0)
        document->ReportFieldEdit(values, count, SgDocument::kEditDoubleFields, count, fields, 0, 0);
}

void SgParamsTool::DragStep(SgHandleEventAction *action, int x, int y)
{
    SgNode *shape = FindParamShape(m_ObjectPath);
    const Row *row = FindRow(shape);
    const int h = m_iCurrentHandle;
    const int count = row ? (row->handles >= 0 ? row->handles : ParametricCount(shape)) : 0;
    if (h < 0 || h >= count)
        return;
    SgPath shapePath = m_ObjectPath;
    if (shape->IsDerivedFrom(SgParametricObject::ClassID())) {
        // A model's control points are in the instance's own frame: the
        // path goes on to the instance's transform.
        if (SgTransform *transform = static_cast<SgParametricObject *>(shape)->GetTransform(false))
            shapePath.Append(transform);
    } else {
        shapePath.ExtendToShape();
    }
    Vec3 rayStart;
    Vec3 rayEnd;
    if (!SgToolLink::ObjectRay(action, x, y, shapePath, rayStart, rayEnd))
        return;
    if (row->set == ArcSet && h > 0) {
        // The arc's ends turn about its centre in its plane (z = 0).
        const Vec3 v = rayEnd - rayStart;
        if (std::abs(v.z) <= kParallel * v.Length())
            return;
        const Vec3 p = rayStart + v * (-rayStart.z / v.z);
        if (p.x == 0.0 && p.y == 0.0)
            return;
        ArcTurn(shape, h, std::atan2(p.y, p.x) * kDegrees);
        RebuildHandles();
        SgToolLink::Redraw(SgToolLink::Viewer(action), true);
        return;
    }
    const Vec3 a = row->position(shape, h);
    const Vec3 b = row->origin(shape, h);
    // The point of the handle's line nearest to the view ray.
    const Vec3 u = a - b;
    const Vec3 v = rayEnd - rayStart;
    const Vec3 w = b - rayStart;
    const double uu = u.Dot(u);
    const double uv = u.Dot(v);
    const double vv = v.Dot(v);
    const double denominator = uu * vv - uv * uv;
    // A handle line along the view ray leaves the parameter as it is.
    if (uu <= 0.0 || std::abs(denominator) <= kParallel * uu * vv)
        return;
    const Vec3 p = b + u * ((uv * v.Dot(w) - vv * u.Dot(w)) / denominator);
    if (!std::isfinite(p.x) || (p - b).Length() > kClosestLimit)
        return;
    row->set(shape, h, (p - b).Length());
    RebuildHandles();
    SgToolLink::Redraw(SgToolLink::Viewer(action), true);
}

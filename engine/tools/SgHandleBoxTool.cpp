#include "engine/tools/SgHandleBoxTool.h"

#include <cmath>

#include "engine/core/SgSeparator.h"
#include "engine/handlers/SgToolLink.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgTransform.h"

SG_CLASS_SOURCE(SgHandleBoxTool, SgTransformTool, SgFieldMngr, "SgHandleBoxTool")

namespace {

constexpr const char *kArmNames[3] = {"SCALE_X", "SCALE_Y", "SCALE_Z"};
// Draw style of the wire box.
constexpr int kStyleLines = 2;
// Thickness of an arm's bar.
constexpr double kArmThickness = 0.01;
// On-screen size of a corner cube or arm tip: pixels per unit of kHandleCube.
constexpr float kHandlePixels = 100.0f;


// A cube's "depth" runs along y and its "height" along z.
SgCube *Box(double x, double y, double z)
{
    auto *cube = Quiet(new SgCube);
    cube->m_width.Set(x);
    cube->m_depth.Set(y);
    cube->m_height.Set(z);
    return cube;
}

SgTransform *Place(const Vec3 &at)
{
    auto *place = Quiet(new SgTransform);
    place->m_translation.Set(at);
    return place;
}

// A billboard that keeps what follows it at a fixed size on the screen.
SgBillboard *ScreenSized()
{
    auto *billboard = Quiet(new SgBillboard);
    billboard->m_sizeType.Set(1);
    billboard->m_size.Set(kHandlePixels);
    return billboard;
}

Vec3 ToVec3(const Vec3f &v)
{
    return Vec3(v[0], v[1], v[2]);
}

} // namespace

SgHandleBoxTool::SgHandleBoxTool()
{
    // The box fits the object: only its corner cubes and arm tips keep their
    // size on the screen.
    m_bScreenSized = false;
}

Vec3 SgHandleBoxTool::GetCorner(int k) const
{
    const Vec3 lo = ToVec3(m_box.GetMin());
    const Vec3 hi = ToVec3(m_box.GetMax());
    return Vec3((k & 1) ? hi[0] : lo[0], (k & 2) ? hi[1] : lo[1], (k & 4) ? hi[2] : lo[2]);
}

double SgHandleBoxTool::GetArmHalfLength(int axis) const
{
    if (axis < 0 || axis > 2)
        return 0.0;
    return kArmFactor * (m_box.GetMax()[axis] - m_box.GetMin()[axis]) * 0.5;
}

void SgHandleBoxTool::CreateHandles()
{
    // The box, grown on every side by a share of its diagonal so that it
    // does not lie on the object's faces.
    Vec3 lo = ToVec3(m_objectBox.GetMin());
    Vec3 hi = ToVec3(m_objectBox.GetMax());
    const double margin = float((hi - lo).Length() * kMargin);
    lo -= Vec3(margin, margin, margin);
    hi += Vec3(margin, margin, margin);
    m_box = Range<Vec3f>(Vec3f(lo), Vec3f(hi));
    const Vec3 centre = (lo + hi) * 0.5;
    const Vec3 extent = hi - lo;

    auto *box = Quiet(new SgSeparator);
    box->AddChild(Place(centre));
    auto *wire = Quiet(new SgDrawStyle);
    wire->m_style.Set(kStyleLines);
    box->AddChild(wire);
    box->AddChild(Box(extent[0], extent[1], extent[2]));
    m_handles[kBoxSlot] = box;
    m_pGizmo->AddChild(box);

    auto *corners = Quiet(new SgSeparator);
    for (int k = 0; k < 8; ++k) {
        auto *corner = Quiet(new SgSeparator);
        corner->AddChild(Place(GetCorner(k)));
        corner->AddChild(ScreenSized());
        corner->AddChild(Box(kHandleCube, kHandleCube, kHandleCube));
        corners->AddChild(corner);
    }
    m_handles[kCornerSlot] = corners;
    m_pGizmo->AddChild(corners);

    for (int axis = 0; axis < 3; ++axis) {
        const double half = GetArmHalfLength(axis);
        Vec3 v(0, 0, 0);
        v[axis] = half;
        Vec3 size(kArmThickness, kArmThickness, kArmThickness);
        size[axis] = 2.0 * half;
        auto *arm = Quiet(new SgSeparator);
        arm->SetName(kArmNames[axis]);
        arm->AddChild(Place(centre));
        arm->AddChild(Box(size[0], size[1], size[2]));
        for (const Vec3 &end : {v, v * -1.0}) {
            auto *tip = Quiet(new SgSeparator);
            tip->AddChild(Place(end));
            tip->AddChild(ScreenSized());
            tip->AddChild(Box(kHandleCube, kHandleCube, kHandleCube));
            arm->AddChild(tip);
        }
        m_handles[axis] = arm;
        m_pGizmo->AddChild(arm);
    }
}

void SgHandleBoxTool::BeginDrag(SgHandleEventAction *action, int x, int y)
{
    m_bHaveStart = GetTransform() && m_bStartInvertible;
    // The box moves in the plane through the press that faces the viewer.
    Vec3 start;
    Vec3 dir;
    if (m_bHaveStart && m_iCurrentHandle == kBoxSlot)
        m_bHaveStart = ParentRay(action, x, y, start, dir);
    m_viewNormal = dir;
}

void SgHandleBoxTool::DragStep(SgHandleEventAction *action, int x, int y)
{
    SgTransform *transform = GetTransform();
    if (!transform || !m_bHaveStart)
        return;
    const Vec3 centre = (ToVec3(m_box.GetMin()) + ToVec3(m_box.GetMax())) * 0.5;
    const int h = m_iCurrentHandle;
    if (h >= 0 && h <= 2) {
        Vec3 axis(0, 0, 0);
        axis[h] = 1.0;
        Vec3 s = m_startScale;
        s[h] *= DragScaleFactor(action, x, y, centre, axis, h);
        transform->m_scaleFactor.Set(s);
    } else if (h == kBoxSlot) {
        Vec3 point;
        if (!PlanePoint(action, x, y, m_originParent, m_viewNormal, point))
            return;
        transform->m_translation.Set(m_startTranslation + (point - m_originParent));
    } else if (h == kCornerSlot) {
        const double factor = DragScaleFactor(action, x, y, centre, m_originLocal - centre, -1);
        transform->m_scaleFactor.Set(m_startScale * factor);
    }
}

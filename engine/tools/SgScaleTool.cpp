#include "engine/tools/SgScaleTool.h"

#include <algorithm>
#include <cmath>

#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/properties/SgTransform.h"

SG_CLASS_SOURCE(SgScaleTool, SgTransformTool, SgFieldMngr, "SgScaleTool")

void SgScaleTool::CreateHandles()
{
    // The centre cube scales uniformly; it takes the uniform slot.
    BuildCubeHandle(kUniform, kTipSize);
    BuildStandardHandles(true);
}

void SgScaleTool::SetArmLength(int axis, double length)
{
    if (axis < 0 || axis > 2 || !m_tipPlaces[axis] || !m_armPlaces[axis] || !m_armBoxes[axis])
        return;
    const double armStart = kTipSize * 0.5;
    const double armEnd = std::max(length - kTipSize * 0.5, armStart);
    m_tipPlaces[axis]->m_translation.Set(Vec3(length, 0, 0));
    m_armPlaces[axis]->m_translation.Set(Vec3((armStart + armEnd) * 0.5, 0, 0));
    m_armBoxes[axis]->m_width.Set(armEnd - armStart);
}

double SgScaleTool::GetArmLength(int axis) const
{
    if (axis < 0 || axis > 2 || !m_tipPlaces[axis])
        return 0.0;
    return m_tipPlaces[axis]->m_translation.Get(true)[0];
}

int SgScaleTool::OnLButtonUp(SgHandleEventAction *action)
{
    const int answer = SgTransformTool::OnLButtonUp(action);
    for (int i = 0; i < 3; ++i)
        SetArmLength(i, kArmLength);
    return answer;
}

void SgScaleTool::BeginDrag(SgHandleEventAction *, int, int)
{
    m_bHaveStart = GetTransform() && m_bStartInvertible;
}

void SgScaleTool::DragStep(SgHandleEventAction *action, int x, int y)
{
    SgTransform *transform = GetTransform();
    if (!transform || !m_bHaveStart)
        return;
    const Vec3 s0 = m_startScale;
    Vec3 s = s0;
    bool computed = false;
    const int h = m_iCurrentHandle;
    if (h >= 0 && h <= 2) {
        // The drag along the arm, in the object's own frame, against the
        // object's extent on that axis.
        Vec3 axis(0, 0, 0);
        axis[h] = 1.0;
        const Vec3 origin = ToParent(Vec3(0, 0, 0));
        const Vec3 along = ToParent(axis) - origin;
        double t0 = 0.0;
        double t = 0.0;
        const double b = ScaleExtent(m_objectBox, h);
        if (b > 0.0 && LineParameter(action, m_iStartX, m_iStartY, origin, along, t0) &&
            LineParameter(action, x, y, origin, along, t)) {
            // An arm dragged past the far side gives a positive factor: the
            // object is never mirrored.
            const double factor = std::max(std::fabs((b + (t - t0)) / b), kMinScaleStep);
            s[h] = s0[h] * factor;
            computed = true;
        }
    } else if (h >= kPlaneX && h <= kUniform) {
        const double dx = x - m_iStartX;
        const double factor = std::max(std::fabs((dx + kPixelsPerDoubling) / kPixelsPerDoubling), kMinScaleStep);
        s = s0 * factor;
        // A plane square keeps the axis normal to it.
        if (h != kUniform)
            s[h - kPlaneX] = s0[h - kPlaneX];
        computed = true;
    }
    if (computed)
        transform->m_scaleFactor.Set(s);
    // The arms show the drag's factor on each axis.
    for (int i = 0; i < 3; ++i)
        SetArmLength(i, s0[i] != 0.0 ? s[i] / s0[i] * kArmLength : kArmLength);
}

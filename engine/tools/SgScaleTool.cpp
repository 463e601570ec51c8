#include "engine/tools/SgScaleTool.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/properties/SgTransform.h"
#include "utilities/math/Mat3.h"
#include "utilities/math/Rotation.h"

namespace {
// Rotation sweeps of the symmetric eigen solver; 3 x 3 converges in a few.
constexpr int kJacobiSweeps = 50;

Mat3 Diagonal(const Vec3 &d)
{
    Mat3 m = Mat3::Zero();
    for (int i = 0; i < 3; ++i)
        m[i][i] = d[i];
    return m;
}

// A symmetric matrix as V diag(values) V^T, V a rotation (its columns the
// eigenvectors), by Jacobi rotations.
void SymmetricEigen(Mat3 a, Mat3 &v, Vec3 &values)
{
    v = Mat3::Identity();
    for (int sweep = 0; sweep < kJacobiSweeps; ++sweep) {
        const double off = a[0][1] * a[0][1] + a[0][2] * a[0][2] + a[1][2] * a[1][2];
        if (off <= 1e-30)
            break;
        for (int p = 0; p < 2; ++p)
            for (int q = p + 1; q < 3; ++q) {
                if (a[p][q] == 0.0)
                    continue;
                const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
                const double t = (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const double c = 1 / std::sqrt(t * t + 1);
                const double sn = t * c;
                Mat3 j = Mat3::Identity();
                j[p][p] = c;
                j[q][q] = c;
                j[p][q] = sn;
                j[q][p] = -sn;
                a = j.Transpose() * a * j;
                v = v * j;
            }
    }
    values = Vec3(a[0][0], a[1][1], a[2][2]);
    if (v.Determinant() < 0.0)
        for (int r = 0; r < 3; ++r)
            v[r][2] = -v[r][2];
}
} // namespace

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
    if (GetMode() != 0 && m_iCurrentHandle != kUniform && !transform->IsGeneral()) {
        FrameStep(action, x, y);
        return;
    }
    const Vec3 s0 = m_startScale;
    Vec3 s = s0;
    bool computed = false;
    const int h = m_iCurrentHandle;
    if (h >= 0 && h <= 2) {
        // The drag along the arm, in the object's own frame, against the
        // object's extent on that axis.
        Vec3 axis(0, 0, 0);
        axis[h] = 1.0;
        // The arm runs through the pivot, where the gizmo stands.
        const Vec3 origin = ToParent(m_startCenter);
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

void SgScaleTool::NotifyChange(SgDocument *document, int mode)
{
    SgTransform *transform = GetTransform();
    if (!document || !transform)
        return;
    const Vec3 scale = transform->m_scaleFactor.Get(true);
    const double values[3] = {scale.x, scale.y, scale.z};
    SgField *field = &transform->m_scaleFactor;
    document->ReportFieldEdit(values, 3, SgDocument::kEditFieldValue, 1, &field, 0, mode);
}

bool SgScaleTool::FrameStep(SgHandleEventAction *action, int x, int y)
{
    SgTransform *transform = GetTransform();
    const int h = m_iCurrentHandle;
    // The object's turn and scale at the press: L0 = SO R S SO^-1.
    const Mat3 so = m_startOrientation.GetMat3();
    const Mat3 l0 = so * m_startRotation.GetMat3() * Diagonal(m_startScale) * so.Transpose();
    Vec3 factors(1, 1, 1);
    Vec3 axes[3];
    for (int i = 0; i < 3; ++i)
        axes[i] = FrameAxis(action, i);
    if (h >= 0 && h <= 2) {
        // The object's extent along the frame's axis, against the drag along it.
        const Vec3 &a = axes[h];
        double lo = 1e300;
        double hi = -1e300;
        double diagonal = 0.0;
        if (SgBoundingBoxAction::IsEmptyBox(m_objectBox))
            return false;
        for (int c = 0; c < 8; ++c) {
            const Vec3 p((c & 1) ? m_objectBox.GetMax().x : m_objectBox.GetMin().x,
                         (c & 2) ? m_objectBox.GetMax().y : m_objectBox.GetMin().y,
                         (c & 4) ? m_objectBox.GetMax().z : m_objectBox.GetMin().z);
            const double along = a.Dot(l0 * p);
            lo = std::min(lo, along);
            hi = std::max(hi, along);
        }
        diagonal = (l0 * Vec3(m_objectBox.GetMax().x - m_objectBox.GetMin().x,
                              m_objectBox.GetMax().y - m_objectBox.GetMin().y,
                              m_objectBox.GetMax().z - m_objectBox.GetMin().z))
                       .Length();
        double b = hi - lo;
        // A flat extent is never the divisor.
        if (diagonal > 200.0 * b)
            b = diagonal;
        // The arm runs through the pivot, where the gizmo stands.
        const Vec3 origin = ToParent(m_startCenter);
        double t0 = 0.0;
        double t = 0.0;
        if (b <= 0.0 || !LineParameter(action, m_iStartX, m_iStartY, origin, a, t0) ||
            !LineParameter(action, x, y, origin, a, t))
            return false;
        factors[h] = std::max(std::fabs((b + (t - t0)) / b), kMinScaleStep);
    } else if (h >= kPlaneX && h < kPlaneX + 3) {
        const double dx = x - m_iStartX;
        const double f = std::max(std::fabs((dx + kPixelsPerDoubling) / kPixelsPerDoubling), kMinScaleStep);
        factors = Vec3(f, f, f);
        factors[h - kPlaneX] = 1.0;
    } else {
        return false;
    }
    // K = I + sum (f_k - 1) a_k a_k^T stretches along the frame's axes.
    Mat3 k = Mat3::Identity();
    for (int i = 0; i < 3; ++i)
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                k[r][c] += (factors[i] - 1.0) * axes[i][r] * axes[i][c];
    const Mat3 l = k * l0;
    // Polar decomposition L = U P, P = V D V^T: then SO = V, R = V^T U V, S = D.
    Mat3 v;
    Vec3 squares;
    SymmetricEigen(l.Transpose() * l, v, squares);
    Vec3 d;
    for (int i = 0; i < 3; ++i)
        d[i] = std::sqrt(std::max(squares[i], 0.0));
    if (d[0] <= 0.0 || d[1] <= 0.0 || d[2] <= 0.0)
        return false;
    const Mat3 u = l * v * Diagonal(Vec3(1 / d[0], 1 / d[1], 1 / d[2])) * v.Transpose();
    transform->m_scaleOrientation.Set(Rotation(v));
    transform->m_rotation.Set(Rotation(v.Transpose() * u * v));
    transform->m_scaleFactor.Set(d);
    return true;
}

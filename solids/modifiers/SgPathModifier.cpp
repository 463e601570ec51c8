#include "solids/modifiers/SgPathModifier.h"

#include <cmath>
#include <memory>

#include "engine/core/PolyVec.h"
#include "engine/core/RxFunc.h"
#include "engine/nodes/geometry/PathWrapper.h"
#include "engine/nodes/geometry/SgGenPolyLine.h"
#include "engine/nodes/geometry/SgSpline.h"
#include "engine/nodes/object/SgObject.h"
#include "platform/SgDiagnostics.h"

SG_CLASS_SOURCE(SgPathModifier, SgDeformModifier, SgFieldMngr, "SgPathModifier")

namespace {

// Amplitude, phase and period from the first three parameters; a short list
// keeps the function's own values, a period of 0 is not taken.
void RefreshParams(RxFunc *function, const SgVFFloat &params)
{
    if (!function)
        return;
    const std::vector<float> &p = params.GetValues();
    if (p.size() > 0)
        function->setAmp(p[0]);
    if (p.size() > 1)
        function->setPhase(p[1]);
    if (p.size() > 2 && p[2] != 0.0f)
        function->setPeriod(p[2]);
}

} // namespace

SgPathModifier::SgPathModifier()
{
    AddField(m_accumulate, "accumulate", static_cast<unsigned short>(0));
    AddField(m_scaleFunc, "scaleFunc");
    AddField(m_scaleParams, "scaleParams");
    AddField(m_rotationFunc, "rotationFunc");
    AddField(m_rotationParams, "rotationParams");
    AddField(m_offsetFunc, "offsetFunc");
    AddField(m_pathCurve, "pathCurve");
    AddField(m_offsetParams, "offsetParams");
    AddField(m_pathFunc, "pathFunc");
    AddField(m_offsetConst, "offsetConst", 0.0);
    AddField(m_scaleConst, "scaleConst", 1.0);
    AddField(m_rotationConst, "rotationConst", 0.0);
    AddField(m_phase, "phase", 0.0);
    AddField(m_axis, "axis", 0);
}

void SgPathModifier::DeformPoints(int count, Vec3 *in, Vec3 *out)
{
    if (count <= 0)
        return;
    R2Func *offset = m_offsetFunc.IsIgnored() ? nullptr : m_offsetFunc.Get(true).get();
    R2Func *scale = m_scaleFunc.IsIgnored() ? nullptr : m_scaleFunc.Get(true).get();
    R1Func *rotation = m_rotationFunc.IsIgnored() ? nullptr : m_rotationFunc.Get(true).get();
    RefreshParams(offset, m_offsetParams);
    RefreshParams(scale, m_scaleParams);
    RefreshParams(rotation, m_rotationParams);

    const double o = m_offsetConst.Get(true);
    const double k = m_scaleConst.Get(true);
    const double r0 = m_rotationConst.Get(true);
    const double phase = m_phase.Get(true);
    int a = m_axis.Get(true);
    if (a < 0 || a > 2) {
        SgDiagWarning("Modifiers", "SgPathModifier: axis %d is not 0, 1 or 2; x is used", a);
        a = 0;
    }
    const int b = (a + 1) % 3, c = (a + 2) % 3;

    // The path: the curve node's first loop, else the function sampled.
    std::unique_ptr<PathWrapper> path;
    PolyVec points;
    SgNode *node = m_pathCurve.Get(true).get();
    if (node && node->IsDerivedFrom(SgGenPolyLine::ClassID())) {
        auto *curve = static_cast<SgGenPolyLine *>(node);
        curve->sample(-1);
        const Vec3 *loop = curve->NumLoops() > 0 ? curve->GetLoop(0) : nullptr;
        const int n = loop ? curve->LoopSize(0) : 0;
        for (int i = 0; i < n; ++i)
            points.AddPoint(loop[i]);
    } else if (R3Func *function = m_pathFunc.Get(true)) {
        function->Sample(points, 0.0, 1.0, 0.005);
    }
    if (points.GetSize() > 0)
        path = std::make_unique<PathWrapper>(points);

    const bool constRoll = std::fabs(r0) > 1e-10;
    const double cosR = constRoll ? std::cos(r0) : 1.0;
    const double sinR = constRoll ? std::sin(r0) : 0.0;
    for (int i = 0; i < count; ++i) {
        const Vec3 p = in[i];
        const double t = p[a] * k + o;
        double u = p[b], v = p[c];
        const double s = t - phase;
        if (scale) {
            const Vec2 f = (*scale)(s);
            u *= f.x;
            v *= f.y;
        }
        if (rotation) {
            const double theta = (*rotation)(s) + r0;
            const double cs = std::cos(theta), sn = std::sin(theta);
            const double nu = u * cs - v * sn, nv = v * cs + u * sn;
            u = nu;
            v = nv;
        } else if (constRoll) {
            const double nu = u * cosR - v * sinR, nv = v * cosR + u * sinR;
            u = nu;
            v = nv;
        }
        if (offset) {
            const Vec2 d = (*offset)(s);
            u += d.x;
            v += d.y;
        }
        out[i] = path ? (*path)(Vec3(t, u, v)) : Vec3(t, u, v);
    }
}

// The module goes before the fields: its output unlinks "pathFunc" as it goes.
SgPathModifier::~SgPathModifier() = default;

void SgPathModifier::bendToPath(SgNode *curve)
{
    if (!curve || !curve->IsDerivedFrom(SgGenPolyLine::ClassID()))
        return;
    if (!m_pathModule) {
        m_pathModule = std::make_unique<DxCurveSplineR3Func>();
        m_pathModule->m_output.Connect(static_cast<DxInBase &>(m_pathFunc));
    }
    m_pathModule->SetCurve(static_cast<SgGenPolyLine *>(curve));
    m_pathModule->InvalidateOutputs(false);
}

void SgPathModifier::bendToPathNew(SgNode *curve)
{
    if (curve && curve->IsDerivedFrom(SgGenPolyLine::ClassID()))
        static_cast<SgGenPolyLine *>(curve)->sample(-1);
}

void SgPathModifier::wrapAlongSpline(SgObject *object, SgGenPolyLine *spline)
{
    if (!object)
        return;
    SgPathModifier *modifier = nullptr;
    SgRef<SgPathModifier> made;
    if (SgNode *found = object->FindPropertyNode(SgPathModifier::ClassID())) {
        modifier = static_cast<SgPathModifier *>(found);
    } else {
        made = new SgPathModifier;
        modifier = made.get();
        object->AddPropertyNode(modifier, false);
    }
    modifier->m_pathCurve.Set(NodePtr(spline));
    modifier->m_rotationConst.Set(1.5707963267948966);
    SgRef<SgGroup> group(modifier->CreateGizmoGroup(object, true, false));
    if (group && object->AddPropertyNodeAfter(group.get(), modifier))
        object->DeletePropertyNode(modifier);
}

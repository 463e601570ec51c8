#include "engine/nodes/geometry/SgWrapper.h"

#include <cmath>
#include <functional>
#include <memory>

#include "engine/core/DxSplineR3Func.h"
#include "engine/core/PolyVec.h"
#include "engine/core/RxFunc.h"
#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/nodes/geometry/GeometryLog.h"
#include "engine/nodes/geometry/PathWrapper.h"
#include "engine/nodes/geometry/SgSpline.h"
#include "engine/nodes/object/SgObject.h"

SG_CLASS_SOURCE(SgWrapper, SgModifier, SgFieldMngr, "SgWrapper")

namespace {

// Amplitude, phase and period of a unit sine: what the functions get when
// their parameters are left as made.
const float kDefaultParams[3] = {1.0f, 0.0f, 6.2831855f};

// Copies the three parameters into the function; a short list keeps the
// function's own values for what it lacks, and a period of 0 is refused.
void RefreshParams(RxFunc *function, SgVFFloat &params, const char *field)
{
    if (!function)
        return;
    params.EvaluateAll();
    const int n = params.GetCount();
    if (n < 3)
        GeometryLog(ReportMngr::LEVEL_WARN, "SgWrapper: \"%s\" holds %d of its 3 values; the rest keep theirs", field,
                    n);
    if (n > 0)
        function->setAmp(params.GetValue(0, false));
    if (n > 1)
        function->setPhase(params.GetValue(1, false));
    if (n > 2) {
        const double period = params.GetValue(2, false);
        if (period == 0.0)
            GeometryLog(ReportMngr::LEVEL_WARN, "SgWrapper: a period of 0 in \"%s\" is not used", field);
        else
            function->setPeriod(period);
    }
}

struct WrapSettings {
    const R2Func *scale = nullptr;
    const R1Func *rotation = nullptr;
    const R2Func *offset = nullptr;
    const R3Func *path = nullptr;
    double offsetConst = 0.0;
    double scaleConst = 1.0;
    double rotationConst = 0.0;
    int axis = 0;
};

void Wrap(const WrapSettings &w, int count, const Vec3 *in, Vec3 *out, const std::function<double()> &phase)
{
    if (w.axis < 0 || w.axis > 2) {
        GeometryLog(ReportMngr::LEVEL_WARN, "SgWrapper: axis %d is not 0, 1 or 2; points are left as they are", w.axis);
        for (int i = 0; i < count; ++i)
            out[i] = in[i];
        return;
    }
    const int a = w.axis, b = (a + 1) % 3, c = (a + 2) % 3;
    std::unique_ptr<PathWrapper> frame;
    if (w.path) {
        PolyVec sampled;
        w.path->Sample(sampled, 0.0, 1.0, 0.005);
        frame = std::make_unique<PathWrapper>(sampled);
    }
    const bool constTurn = std::fabs(w.rotationConst) > 1e-10;
    const double cosC = constTurn ? std::cos(w.rotationConst) : 1.0;
    const double sinC = constTurn ? std::sin(w.rotationConst) : 0.0;
    for (int i = 0; i < count; ++i) {
        const Vec3 p = in[i];
        const double t = p[a] * w.scaleConst + w.offsetConst;
        double u = p[b], v = p[c];
        const double s = t - phase();
        if (w.scale) {
            const Vec2 k = (*w.scale)(s);
            u *= k.x;
            v *= k.y;
        }
        if (w.rotation) {
            const double theta = (*w.rotation)(s) + w.rotationConst;
            const double cs = std::cos(theta), sn = std::sin(theta);
            const double nu = u * cs - v * sn, nv = v * cs + u * sn;
            u = nu;
            v = nv;
        } else if (constTurn) {
            const double nu = u * cosC - v * sinC, nv = v * cosC + u * sinC;
            u = nu;
            v = nv;
        }
        if (w.offset) {
            const Vec2 d = (*w.offset)(s);
            u += d.x;
            v += d.y;
        }
        out[i] = frame ? (*frame)(Vec3(t, u, v)) : Vec3(t, u, v);
    }
}

} // namespace

SgWrapper::SgWrapper()
{
    AddField(m_wrapperOn, "wrapperOn", static_cast<unsigned short>(5));
    AddField(m_accumulate, "accumulate", static_cast<unsigned short>(0));
    AddField(m_scaleFunc, "scaleFunc");
    AddField(m_scaleParams, "scaleParams");
    AddField(m_rotationFunc, "rotationFunc");
    AddField(m_rotationParams, "rotationParams");
    AddField(m_offsetFunc, "offsetFunc");
    AddField(m_offsetParams, "offsetParams");
    AddField(m_pathFunc, "pathFunc");
    AddField(m_offsetConst, "offsetConst", 0.0);
    AddField(m_scaleConst, "scaleConst", 1.0);
    AddField(m_rotationConst, "rotationConst", 0.0);
    AddField(m_phase, "phase", 0.0);
    AddField(m_axis, "axis", 0);
    // The parameter refresh reads three values.
    for (SgVFFloat *params : {&m_scaleParams, &m_rotationParams, &m_offsetParams})
        params->GetValueArray()->assign(kDefaultParams, kDefaultParams + 3);
}

SgWrapper::~SgWrapper() = default;

SgShape *SgWrapper::ApplyModifier(SgAction *, SgShape *, Transform3 *, bool)
{
    return nullptr;
}

void SgWrapper::DoAction(SgAction *action)
{
    SgState *state = action ? action->GetState() : nullptr;
    if (!state)
        return;
    if (!m_wrapperOn.IsIgnored())
        WrapOnElement::Set(state, this, int(m_wrapperOn.Get(true)));
    if (!m_offsetFunc.IsIgnored()) {
        R2Func *f = m_offsetFunc.Get(true).get();
        RefreshParams(f, m_offsetParams, "offsetParams");
        OffsetFuncElement::Set(state, this, f);
    }
    if (!m_scaleFunc.IsIgnored()) {
        R2Func *f = m_scaleFunc.Get(true).get();
        RefreshParams(f, m_scaleParams, "scaleParams");
        ScaleFuncElement::Set(state, this, f);
    }
    if (!m_rotationFunc.IsIgnored()) {
        R1Func *f = m_rotationFunc.Get(true).get();
        RefreshParams(f, m_rotationParams, "rotationParams");
        RotationFuncElement::Set(state, this, f);
    }
    PathFuncElement::Set(state, this, m_pathFunc.Get(true));
    if (!m_offsetConst.IsIgnored())
        OffsetConstElement::Set(state, this, m_offsetConst.Get(true));
    if (!m_scaleConst.IsIgnored())
        ScaleConstElement::Set(state, this, m_scaleConst.Get(true));
    if (!m_rotationConst.IsIgnored())
        RotationConstElement::Set(state, this, m_rotationConst.Get(true));
    PhaseElement::Set(state, this, m_phase.Get(true));
    if (!m_axis.IsIgnored())
        WrapAxisElement::Set(state, this, m_axis.Get(true));
}

void SgWrapper::ApplyWrap(SgShape *, SgState *state, int count, const Vec3 *in, Vec3 *out)
{
    if (!state || count <= 0)
        return;
    const int *on = WrapOnElement::Get(state);
    if (!on || *on == 0)
        return;
    WrapSettings w;
    w.offset = OffsetFuncElement::Get(state);
    w.scale = ScaleFuncElement::Get(state);
    w.rotation = RotationFuncElement::Get(state);
    w.path = PathFuncElement::Get(state);
    if (const double *v = OffsetConstElement::Get(state))
        w.offsetConst = *v;
    if (const double *v = ScaleConstElement::Get(state))
        w.scaleConst = *v;
    if (const double *v = RotationConstElement::Get(state))
        w.rotationConst = *v;
    if (const int *v = WrapAxisElement::Get(state))
        w.axis = *v;
    const double phase = PhaseElement::Get(state);
    Wrap(w, count, in, out, [phase] { return phase; });
}

void SgWrapper::DeformPoints(int count, const Vec3 *in, Vec3 *out)
{
    if (count <= 0)
        return;
    WrapSettings w;
    R2Func *scale = m_scaleFunc.Get(true).get();
    R1Func *rotation = m_rotationFunc.Get(true).get();
    R2Func *offset = m_offsetFunc.Get(true).get();
    if (!m_scaleFunc.IsIgnored())
        RefreshParams(scale, m_scaleParams, "scaleParams");
    if (!m_rotationFunc.IsIgnored())
        RefreshParams(rotation, m_rotationParams, "rotationParams");
    if (!m_offsetFunc.IsIgnored())
        RefreshParams(offset, m_offsetParams, "offsetParams");
    w.scale = scale;
    w.rotation = rotation;
    w.offset = offset;
    w.path = m_pathFunc.Get(true);
    w.offsetConst = m_offsetConst.Get(true);
    w.scaleConst = m_scaleConst.Get(true);
    w.rotationConst = m_rotationConst.Get(true);
    w.axis = m_axis.Get(true);
    Wrap(w, count, in, out, [this] { return m_phase.Get(true); });
}

void SgWrapper::bendToPath(SgNode *node)
{
    if (!node || !node->IsDerivedFrom(SgSpline::ClassID()))
        return;
    auto *curve = static_cast<SgSpline *>(node);
    // The old module goes first: its output lets go of "pathFunc".
    m_pPathModule.reset();
    auto module = std::make_unique<DxSplineR3Func>();
    if (!curve->m_coordinates.AsOutput().Connect(module->m_input) ||
        !module->m_output.Connect(m_pathFunc.AsInput()))
        return;
    m_pPathModule = std::move(module);
    m_pPathModule->InvalidateOutputs(true);
    m_pathFunc.AsInput().OnValueChange();
}

bool SgWrapper::wrapAlongSpline(SgObject *object, SgSpline *spline)
{
    if (!object || !spline) {
        GeometryLog(ReportMngr::LEVEL_WARN, "SgWrapper: wrapping needs an object and a spline");
        return false;
    }
    auto *wrapper = static_cast<SgWrapper *>(object->FindPropertyNode(SgWrapper::ClassID()));
    if (!wrapper) {
        SgRef<SgWrapper> made = new SgWrapper;
        if (!object->AddPropertyNode(made.get(), true))
            return false;
        wrapper = made.get();
    }
    wrapper->m_rotationConst.Set(1.5707963267948966);
    wrapper->bendToPath(spline);
    return true;
}

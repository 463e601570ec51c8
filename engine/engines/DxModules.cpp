#include "engine/engines/DxModules.h"

#include <algorithm>

#include "engine/engines/SgEngine.h"

namespace {

bool IsComponent(int index)
{
    return index >= 0 && index <= 2;
}

} // namespace

void DxDiv::Evaluate()
{
    const double value = m_a.Get() / m_b.Get();
    m_output.set(&value);
}

void DxMul::Evaluate()
{
    const double value = m_a.Get() * m_b.Get();
    m_output.set(&value);
}

void DxTest::Evaluate()
{
    const double value = m_a.Get() + m_b.Get();
    m_output.set(&value);
}

void DxLoop::Evaluate()
{
    const double a = m_a.Get();
    const double value = a + a;
    m_output.set(&value);
}

void DxDouble::Evaluate()
{
    m_output.set(&m_value);
}

void DxDouble::SetValue(double value)
{
    m_value = value;
    InvalidateOutputs(false);
}

DxLock::DxLock(int index)
{
    SetIndex(index);
}

bool DxLock::SetIndex(int index)
{
    if (!IsComponent(index)) {
        EngineReport("DxLock: component index %d refused (0 to 2)", index);
        return false;
    }
    m_iIndex = index;
    InvalidateOutputs(false);
    return true;
}

void DxLock::Evaluate()
{
    const double value = m_input.Get()[m_iIndex];
    m_output.set(&value);
}

DxMoveConstraint::DxMoveConstraint(int index)
{
    SetIndex(index);
}

bool DxMoveConstraint::SetIndex(int index)
{
    if (!IsComponent(index)) {
        EngineReport("DxMoveConstraint: component index %d refused (0 to 2)", index);
        return false;
    }
    m_iIndex = index;
    InvalidateOutputs(false);
    return true;
}

void DxMoveConstraint::Evaluate()
{
    m_iLatch = 1;
    m_stored = m_input.Get();
    m_iLatch = 0;
    m_stored[m_iIndex] = 0.0;
    m_output.set(&m_stored);
}

void DxSpline::Evaluate()
{
    const int n = m_points.GetSource() ? m_points.GetSize() : 0;
    Vec3 sum(0.0, 0.0, 0.0);
    if (n > 0) {
        const double t = m_t.Get();
        std::vector<double> powers(static_cast<size_t>(n));
        powers[0] = 1.0;
        for (int k = 1; k < n; ++k)
            powers[k] = powers[k - 1] * (1.0 - t);
        double c = 1.0;
        for (int i = 0; i < n; ++i) {
            const Vec3 &p = m_points.Get(i);
            const double w = c * powers[n - 1 - i];
            sum = Vec3(sum.x + p.x * w, sum.y + p.y * w, sum.z + p.z * w);
            const int k = n - 1 - i;
            c = c * t * (k == 0 ? 1 : k) / (i + 1);
        }
    }
    m_output.set(&sum);
}

const void *DxConstraint::GetFieldValue()
{
    return m_pField ? m_pField->GetValuePtr(0, false) : nullptr;
}

double DxConstraintMovement::GetMinVal(int i) const
{
    return IsComponent(i) ? m_min[i] : -1.7976931348623157e308;
}

double DxConstraintMovement::GetMaxVal(int i) const
{
    return IsComponent(i) ? m_max[i] : 1.7976931348623157e308;
}

bool DxConstraintMovement::SetMinVal(int i, double value)
{
    if (!IsComponent(i)) {
        EngineReport("DxConstraintMovement: component %d refused (0 to 2)", i);
        return false;
    }
    m_min[i] = value;
    return true;
}

bool DxConstraintMovement::SetMaxVal(int i, double value)
{
    if (!IsComponent(i)) {
        EngineReport("DxConstraintMovement: component %d refused (0 to 2)", i);
        return false;
    }
    m_max[i] = value;
    return true;
}

bool DxConstraintMovement::SetLimit(int i, double min, double max)
{
    return SetMinVal(i, min) && SetMaxVal(i, max);
}

void DxMove::Evaluate()
{
    Vec3 value(0.0, 0.0, 0.0);
    if (const void *stored = GetFieldValue())
        value = *static_cast<const Vec3 *>(stored);
    for (int i = 0; i < 3; ++i) {
        // The lower limit first, so that crossed limits leave the upper one.
        value[i] = std::min(std::max(value[i], GetMinVal(i)), GetMaxVal(i));
    }
    m_output.set(&value);
}

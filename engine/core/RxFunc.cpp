#include "engine/core/RxFunc.h"

#include <cmath>
#include <numbers>

#include "engine/core/PolyVec.h"

int RxFunc::s_iClassID = 0;
const char *const RxFunc::s_lpszClassName = "RxFunc";

SG_CLASS_SOURCE(R1Func, RxFunc, RxFunc, "R1Func")
SG_CLASS_SOURCE(R2Func, RxFunc, RxFunc, "R2Func")
SG_CLASS_SOURCE(R3Func, RxFunc, RxFunc, "R3Func")
SG_CLASS_SOURCE(SinFunc, R1Func, RxFunc, "SinFunc")
SG_CLASS_SOURCE(Sin2Func, R2Func, RxFunc, "Sin2Func")
SG_CLASS_SOURCE(SinBias2Func, R2Func, RxFunc, "SinBias2Func")

RxFunc::Family_t &RxFunc::Family()
{
    static Family_t family("RxFunc", GetBase());
    return family;
}

RxFunc *RxFunc::Creator()
{
    return new (std::nothrow) RxFunc;
}

int RxFunc::AssignClassID()
{
    if (!s_iClassID)
        s_iClassID = Family().TakeID();
    return s_iClassID;
}

void RxFunc::InitClass()
{
    RegisterClass(AssignClassID(), AssignClassID(), s_lpszClassName, &RxFunc::Creator);
}

void RxFunc::RegisterClass(int id, int, const char *name, RxFunc *(*creator)())
{
    if (id)
        Family().Register(id, name, creator);
}

void RxFunc::InitClasses()
{
    // The ids files and tests know these classes by.
    R1Func::AssignClassID();
    R2Func::AssignClassID();
    R3Func::AssignClassID();
    RxFunc::AssignClassID();
    Sin2Func::AssignClassID();
    SinBias2Func::AssignClassID();
    SinFunc::AssignClassID();
    // R3Func is not created by name: its objects belong to the modules that fill them.
    RxFunc::InitClass();
    R1Func::InitClass();
    R2Func::InitClass();
    SinFunc::InitClass();
    Sin2Func::InitClass();
    SinBias2Func::InitClass();
}

RxFunc::RxFunc()
{
    setPeriod(2.0 * std::numbers::pi);
}

void RxFunc::setPeriod(double period)
{
    m_dPeriod = period;
    m_dFrequency = period != 0.0 ? 2.0 / period * std::numbers::pi : 0.0;
    m_dHalfPeriod = period * 0.5;
}

void R3Func::Sample(PolyVec &out, double from, double to, double step) const
{
    const double span = to - from;
    const double count = step > 0.0 && std::isfinite(step) ? (0.95 * step + span) / step : 0.0;
    // A step of 0, or one that would ask for more points than an int counts,
    // gives only the end point.
    const int n = count >= 1.0 && count < 1e7 ? static_cast<int>(count) : 0;
    if (n > 0) {
        const double d = span / n;
        for (int i = 0; i < n; ++i)
            out.AddPoint((*this)(from + i * d));
    }
    out.AddPoint((*this)(to));
}

double SinFunc::operator()(double t) const
{
    return m_dAmplitude * std::sin(m_dFrequency * t + m_dPhase);
}

Vec2 Sin2Func::operator()(double t) const
{
    return Vec2(m_dAmplitude * std::sin(m_dFrequency * t + m_dPhase), m_dAmplitude * 0.0);
}

Vec2 SinBias2Func::operator()(double t) const
{
    const double s = m_dAmplitude * (std::sin(t) + 1.0) + 1.0;
    return Vec2(s, s);
}

void R3Spline::SetWeightedPoints(const Vec3 *points, int count)
{
    m_iCount = count < 0 ? 0 : (count > kMaxPoints ? kMaxPoints : count);
    for (int i = 0; i < m_iCount; ++i)
        m_points[i] = points[i];
}

Vec3 R3Spline::operator()(double t) const
{
    if (m_iCount < 1)
        return Vec3(0, 0, 0);
    double oneMinus[kMaxPoints];
    oneMinus[0] = 1.0;
    for (int k = 1; k < m_iCount; ++k)
        oneMinus[k] = oneMinus[k - 1] * (1.0 - t);
    Vec3 sum(0, 0, 0);
    double tPower = 1.0;
    for (int i = 0; i < m_iCount; ++i) {
        sum = sum + m_points[i] * (tPower * oneMinus[m_iCount - 1 - i]);
        tPower *= t;
    }
    return sum;
}

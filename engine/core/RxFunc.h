#pragma once
// Function objects: small polymorphic values mapping a real parameter to a
// number (R1Func), a 2-vector (R2Func) or a 3-vector (R3Func). Fields hold them
// and write them as their class name; they are created by that name.
#include <typeinfo>

#include "engine/core/SgClassFamily.h"
#include "engine/core/SgClassMacros.h"
#include "utilities/math/Vec2.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class PolyVec;

class NODARA_API RxFunc {
public:
    using Family_t = SgClassFamily<RxFunc>;

    static int ClassID() { return s_iClassID; }
    static const char *ClassName() { return s_lpszClassName; }
    static int ClassOffset() { return s_iClassID - GetBase(); }
    static RxFunc *Creator();
    static void InitClass();
    static int AssignClassID();
    virtual int GetClassID() const { return s_iClassID; }
    // The C++ type the class macros were written for; a subclass without
    // them answers for its parent.
    virtual const std::type_info &RegisteredType() const { return typeid(RxFunc); }
    virtual int GetOffset() const { return s_iClassID - GetBase(); }
    virtual const char *GetClassName() const { return s_lpszClassName; }

    // A new function object is a unit sine: amplitude 1, phase 0, period 2 pi.
    RxFunc();
    virtual ~RxFunc() = default;

    void setAmp(double amplitude) { m_dAmplitude = amplitude; }
    void setPhase(double phase) { m_dPhase = phase; }
    // A period of 0 gives a frequency of 0 rather than a division by zero.
    void setPeriod(double period);

    double getAmp() const { return m_dAmplitude; }
    double getPhase() const { return m_dPhase; }
    double getPeriod() const { return m_dPeriod; }
    double getFrequency() const { return m_dFrequency; }
    double getHalfPeriod() const { return m_dHalfPeriod; }

    static Family_t &Family();
    static int GetBase() { return 4000; }
    static int GetClassCount() { return Family().GetClassCount(); }
    static const char *ClassName(int offset) { return Family().ClassName(offset); }
    static int GetClassIDFromName(const char *name) { return Family().GetClassIDFromName(name); }
    static RxFunc *Create(int classId) { return Family().Create(classId); }
    static void Destroy(RxFunc *function) { delete function; }
    static void RegisterClass(int id, int parentId, const char *name, RxFunc *(*creator)());
    // Ids in their fixed order, then the classes that can be created by name.
    static void InitClasses();

protected:
    double m_dAmplitude = 1.0;
    double m_dPhase = 0.0;
    double m_dPeriod;
    double m_dFrequency = 1.0;
    double m_dHalfPeriod;
    double m_dReserved[5] = {};

private:
    static int s_iClassID;
    static const char *const s_lpszClassName;
};

class NODARA_API R1Func : public RxFunc {
    SG_CLASS_HEADER(R1Func, RxFunc)
    virtual double operator()(double) const { return 0.0; }
};

class NODARA_API R2Func : public RxFunc {
    SG_CLASS_HEADER(R2Func, RxFunc)
    virtual Vec2 operator()(double) const { return Vec2(0, 0); }
};

class NODARA_API R3Func : public RxFunc {
    SG_CLASS_HEADER(R3Func, RxFunc)
    // Appends points from `from` to `to` at about `step` spacing, `to` always last.
    virtual void Sample(PolyVec &out, double from, double to, double step) const;
    virtual Vec3 operator()(double) const { return Vec3(0, 0, 0); }
};

class NODARA_API SinFunc : public R1Func {
    SG_CLASS_HEADER(SinFunc, RxFunc)
    double operator()(double t) const override;
};

class NODARA_API Sin2Func : public R2Func {
    SG_CLASS_HEADER(Sin2Func, RxFunc)
    Vec2 operator()(double t) const override;
};

class NODARA_API SinBias2Func : public R2Func {
    SG_CLASS_HEADER(SinBias2Func, RxFunc)
    Vec2 operator()(double t) const override;
};

// A Bezier curve of up to 32 weighted control points; answers as an R3Func.
class NODARA_API R3Spline : public R3Func {
public:
    static constexpr int kMaxPoints = 32;

    // Keeps the first 32 points of a longer list.
    void SetWeightedPoints(const Vec3 *points, int count);
    int GetCount() const { return m_iCount; }
    Vec3 operator()(double t) const override;

private:
    Vec3 m_points[kMaxPoints];
    int m_iCount = 0;
};

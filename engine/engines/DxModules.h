#pragma once
// Small plain modules: arithmetic over doubles, vector components, a Bezier
// point and the clamped movement that limits a transform's translation.
#include "engine/core/DxInput.h"
#include "engine/core/DxOutput.h"
#include "engine/core/SgField.h"
#include "engine/nodes/properties/SgTransform.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

// a / b (IEEE: b = 0 gives an infinity or NaN).
class NODARA_API DxDiv : public DxModule {
public:
    void Evaluate() override;
    DxInput<double> m_a{this};
    DxInput<double> m_b{this};
    DxOutput<double> m_output{this};
};

// a * b.
class NODARA_API DxMul : public DxModule {
public:
    void Evaluate() override;
    DxInput<double> m_a{this};
    DxInput<double> m_b{this};
    DxOutput<double> m_output{this};
};

// a + b.
class NODARA_API DxTest : public DxModule {
public:
    void Evaluate() override;
    DxInput<double> m_a{this};
    DxInput<double> m_b{this};
    DxOutput<double> m_output{this};
};

// 2 a.
class NODARA_API DxLoop : public DxModule {
public:
    void Evaluate() override;
    DxInput<double> m_a{this};
    DxOutput<double> m_output{this};
};

// A constant.
class NODARA_API DxDouble : public DxModule {
public:
    explicit DxDouble(double value = 0.0) : m_value(value) {}
    void Evaluate() override;
    void SetValue(double value);
    DxOutput<double> m_output{this};

private:
    double m_value;
};

// One component of a vector. Indexes outside 0..2 are refused with a
// diagnostic (the index stays as it was; the constructor falls back to 0).
class NODARA_API DxLock : public DxModule {
public:
    explicit DxLock(int index = 0);
    void Evaluate() override;
    bool SetIndex(int index);
    int GetIndex() const { return m_iIndex; }
    DxInput<Vec3> m_input{this};
    DxOutput<double> m_output{this};

private:
    int m_iIndex = 0;
};

// The input vector with one component zeroed.
class NODARA_API DxMoveConstraint : public DxModule {
public:
    explicit DxMoveConstraint(int index = 0);
    void Evaluate() override;
    bool SetIndex(int index);
    int GetIndex() const { return m_iIndex; }
    DxInput<Vec3> m_input{this};
    DxOutput<Vec3> m_output{this};

private:
    Vec3 m_stored{0.0, 0.0, 0.0};
    int m_iLatch = 0;
    int m_iIndex = 0;
};

// The point at t of the Bezier curve over the control points.
class NODARA_API DxSpline : public DxModule {
public:
    void Evaluate() override;
    DxInput<Vec3> m_points{this};
    DxInput<double> m_t{this};
    DxOutput<Vec3> m_output{this};
};

// A module bound to a field it constrains (not owned).
class NODARA_API DxConstraint : public DxModule {
public:
    explicit DxConstraint(SgField *field = nullptr) : m_pField(field) {}
    virtual const void *GetFieldValue();

private:
    SgField *m_pField;
};

// Per-component limits; unbounded at first.
class NODARA_API DxConstraintMovement : public DxConstraint {
public:
    explicit DxConstraintMovement(SgField *field = nullptr) : DxConstraint(field) {}
    double GetMinVal(int i) const;
    double GetMaxVal(int i) const;
    // Components outside 0..2 are refused with a diagnostic.
    bool SetMinVal(int i, double value);
    bool SetMaxVal(int i, double value);
    bool SetLimit(int i, double min, double max);

private:
    Vec3 m_min{-1.7976931348623157e308, -1.7976931348623157e308, -1.7976931348623157e308};
    Vec3 m_max{1.7976931348623157e308, 1.7976931348623157e308, 1.7976931348623157e308};
};

// The constrained field's stored value clamped to the limits; the transform
// node wires it between its translation's output and input.
class NODARA_API DxMove : public DxConstraintMovement, public SgTransform::LimitModule {
public:
    explicit DxMove(SgField *field = nullptr) : DxConstraintMovement(field) {}
    void Evaluate() override;

    DxInBase &GetInput() override { return m_input; }
    DxOutBase &GetOutput() override { return m_output; }
    void SetLimit(int axis, double min, double max) override { DxConstraintMovement::SetLimit(axis, min, max); }
    double GetMinVal(int axis) const override { return DxConstraintMovement::GetMinVal(axis); }
    double GetMaxVal(int axis) const override { return DxConstraintMovement::GetMaxVal(axis); }

    DxInput<Vec3> m_input{this};
    DxOutput<Vec3> m_output{this};
};

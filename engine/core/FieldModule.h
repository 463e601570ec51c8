#pragma once
// The module that makes a single-value field a dataflow node: its input may
// drive the field, its output exposes the field's effective value. A driven
// field keeps its stored value; only reads with evaluation see the driven one.
#include <string>

#include "engine/core/DxInput.h"
#include "engine/core/DxOutput.h"
#include "engine/core/SgTField.h"
#include "engine/core/SgVecField.h"
#include "engine/core/NodaraExport.h"

// What does not depend on the value type: the pull with its cycle guard.
class NODARA_API FieldModuleBase : public GeneicFieldModule {
public:
    explicit FieldModuleBase(SgField *field) : GeneicFieldModule(field) {}

    // Single value: sets the output from the input's source when connected,
    // else from the field's stored value. Array: the output exposes the
    // field's own array; a connected source resizes the field and fills it,
    // quietly and without undo. A field that is driven, through other modules,
    // by itself would pull forever: the cycle is reported once, and every
    // field on it shows its own stored value, whichever was read first.
    void GenEvaluate(DxInBase *input, DxOutBase *output, int elementSize);

private:
    void ReportCycle() const;
    void EvaluateArray(DxInBase *input, DxOutBase *output, int elementSize);
    void MarkCycleFrom();

    bool m_bEvaluating = false;
    // Set while a pull through this module came back round to it.
    bool m_bInCycle = false;
    bool m_bCycleReported = false;
};

template <class T, int N>
class NODARA_API FieldModule : public FieldModuleBase {
public:
    explicit FieldModule(SgField *field) : FieldModuleBase(field)
    {
        if (auto *array = dynamic_cast<SgVecField<T, N> *>(field))
            m_output.SetValuesArray(array->GetValueArray());
    }

    void Evaluate() override { GenEvaluate(&m_input, &m_output, static_cast<int>(sizeof(T))); }
    DxOutBase *GetOutput() override { return &m_output; }
    DxInBase *GetInput() override { return &m_input; }

    static DxModule *Create(SgField *field) { return new FieldModule(field); }

private:
    // Both register with this module: the base constructor made it current.
    DxInput<T> m_input{this};
    DxOutput<T> m_output{this};
};

// Supplies the field modules of single-value and array fields; idempotent.
NODARA_API void RegisterFieldModules();

extern template class NODARA_API FieldModule<int, SgFieldInt>;
extern template class NODARA_API FieldModule<float, SgFieldFloat>;
extern template class NODARA_API FieldModule<unsigned short, SgFieldUShort>;
extern template class NODARA_API FieldModule<double, SgFieldDouble>;
extern template class NODARA_API FieldModule<Vec2, SgFieldVec2>;
extern template class NODARA_API FieldModule<Vec3, SgFieldVec3>;
extern template class NODARA_API FieldModule<Vec4, SgFieldVec4>;
extern template class NODARA_API FieldModule<Vec2f, SgFieldVec2f>;
extern template class NODARA_API FieldModule<Color, SgFieldColor>;
extern template class NODARA_API FieldModule<Rotation, SgFieldRotation>;
extern template class NODARA_API FieldModule<Image2, SgFieldImage>;
extern template class NODARA_API FieldModule<std::string, SgFieldString>;
extern template class NODARA_API FieldModule<Vec3f, SgFieldVec3f>;
extern template class NODARA_API FieldModule<NodePtr, SgFieldNodePtr>;
extern template class NODARA_API FieldModule<CountPtr<R1Func>, SgFieldR1FuncRef>;
extern template class NODARA_API FieldModule<CountPtr<R2Func>, SgFieldR2FuncRef>;
extern template class NODARA_API FieldModule<R3Func *, SgFieldR3FuncRef>;

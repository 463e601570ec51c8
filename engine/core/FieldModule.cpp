#include "engine/core/FieldModule.h"

#include "platform/SgDiagnostics.h"

void FieldModuleBase::ReportCycle() const
{
    SgField *field = GetFieldContainer();
    const char *name = field ? field->GetFieldName() : nullptr;
    const SgFieldMngr *container = field ? field->GetContainer() : nullptr;
    SgDiagWarning("Dataflow", "Evaluation cycle: field \"%s\"%s%s is driven by itself; its stored value is used",
                  name ? name : "?", container ? " of " : "", container ? container->GetClassName() : "");
}

void FieldModuleBase::GenEvaluate(DxInBase *input, DxOutBase *output, int elementSize)
{
    SgField *field = GetFieldContainer();
    if (m_bEvaluating) {
        ReportCycle();
        if (field && field->IsVector())
            output->Validate(); // the output already shows the field's own array
        else
            output->set(field ? field->GetValuePtr(0, false) : nullptr);
        return;
    }
    m_bEvaluating = true;
    try {
        if (field && field->IsVector()) {
            EvaluateArray(input, output, elementSize);
        } else {
            const void *value = input->GetSource() ? input->GetData() : nullptr;
            if (!value && field)
                value = field->GetValuePtr(0, false);
            output->set(value);
        }
    } catch (...) {
        m_bEvaluating = false;
        throw;
    }
    m_bEvaluating = false;
}

void FieldModuleBase::EvaluateArray(DxInBase *input, DxOutBase *output, int elementSize)
{
    output->Validate();
    if (!input->GetSource())
        return;
    auto *field = static_cast<SgGenVecField *>(GetFieldContainer());
    // The size first: reading it evaluates the source when it is not valid.
    const int count = input->GetSize();
    const auto *data = static_cast<const char *>(input->GetData());
    field->SetSize(data ? count : 0);
    for (int i = 0; data && i < count; ++i)
        field->SetValuePtr(data + static_cast<size_t>(i) * elementSize, i, false, true);
}

template class FieldModule<int, SgFieldInt>;
template class FieldModule<float, SgFieldFloat>;
template class FieldModule<unsigned short, SgFieldUShort>;
template class FieldModule<double, SgFieldDouble>;
template class FieldModule<Vec2, SgFieldVec2>;
template class FieldModule<Vec3, SgFieldVec3>;
template class FieldModule<Vec4, SgFieldVec4>;
template class FieldModule<Vec2f, SgFieldVec2f>;
template class FieldModule<Color, SgFieldColor>;
template class FieldModule<Rotation, SgFieldRotation>;
template class FieldModule<Image2, SgFieldImage>;
template class FieldModule<std::string, SgFieldString>;
template class FieldModule<Vec3f, SgFieldVec3f>;
template class FieldModule<NodePtr, SgFieldNodePtr>;
template class FieldModule<CountPtr<R1Func>, SgFieldR1FuncRef>;
template class FieldModule<CountPtr<R2Func>, SgFieldR2FuncRef>;
template class FieldModule<R3Func *, SgFieldR3FuncRef>;

namespace {
template <class T, int N>
void RegisterSingle()
{
    SgField::SetModuleFactory(N, false, &FieldModule<T, N>::Create);
    SgField::SetModuleFactory(N, true, &FieldModule<T, N>::Create);
}
} // namespace

void RegisterFieldModules()
{
    RegisterSingle<int, SgFieldInt>();
    RegisterSingle<float, SgFieldFloat>();
    RegisterSingle<unsigned short, SgFieldUShort>();
    RegisterSingle<double, SgFieldDouble>();
    RegisterSingle<Vec2, SgFieldVec2>();
    RegisterSingle<Vec3, SgFieldVec3>();
    RegisterSingle<Vec4, SgFieldVec4>();
    RegisterSingle<Vec2f, SgFieldVec2f>();
    RegisterSingle<Color, SgFieldColor>();
    RegisterSingle<Rotation, SgFieldRotation>();
    RegisterSingle<Image2, SgFieldImage>();
    RegisterSingle<std::string, SgFieldString>();
    RegisterSingle<Vec3f, SgFieldVec3f>();
    RegisterSingle<NodePtr, SgFieldNodePtr>();
    RegisterSingle<CountPtr<R1Func>, SgFieldR1FuncRef>();
    RegisterSingle<CountPtr<R2Func>, SgFieldR2FuncRef>();
    RegisterSingle<R3Func *, SgFieldR3FuncRef>();
}

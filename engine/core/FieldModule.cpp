#include "engine/core/FieldModule.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/SgDiagnostics.h"

namespace {

// The field modules whose evaluation is under way, innermost last.
thread_local std::vector<FieldModuleBase *> t_evaluating;

} // namespace

void FieldModuleBase::ReportCycle() const
{
    SgField *field = GetFieldContainer();
    const char *name = field ? field->GetFieldName() : nullptr;
    const SgFieldMngr *container = field ? field->GetContainer() : nullptr;
    std::string text = std::string("Evaluation cycle: field \"") + (name ? name : "?") + "\"";
    if (container)
        text += std::string(" of ") + container->GetClassName();
    text += " is driven by itself; every field on the cycle keeps its stored value";
    SgDiagWarning("Dataflow", "%s", text.c_str());
}

void FieldModuleBase::MarkCycleFrom()
{
    // Every module pulled since this one's evaluation began lies on the cycle.
    auto at = std::find(t_evaluating.begin(), t_evaluating.end(), this);
    bool reported = true;
    for (auto it = at; it != t_evaluating.end(); ++it)
        reported = reported && (*it)->m_bCycleReported;
    if (!reported)
        ReportCycle();
    for (auto it = at; it != t_evaluating.end(); ++it) {
        (*it)->m_bInCycle = true;
        (*it)->m_bCycleReported = true;
    }
}

void FieldModuleBase::GenEvaluate(DxInBase *input, DxOutBase *output, int elementSize)
{
    SgField *field = GetFieldContainer();
    if (m_bEvaluating) {
        MarkCycleFrom();
        if (field && field->IsVector())
            output->Validate(); // the output already shows the field's own array
        else
            output->set(field ? field->GetValuePtr(0, false) : nullptr);
        return;
    }
    m_bEvaluating = true;
    m_bInCycle = false;
    m_pPulledFrom = input->GetSource();
    t_evaluating.push_back(this);
    struct Leave {
        FieldModuleBase *module;
        ~Leave()
        {
            module->m_bEvaluating = false;
            t_evaluating.pop_back();
        }
    } leave{this};
    if (field && field->IsVector()) {
        EvaluateArray(input, output, elementSize);
    } else {
        const void *value = input->GetSource() ? input->GetData() : nullptr;
        if (!value || m_bInCycle) {
            if (field)
                value = field->GetValuePtr(0, false);
        }
        output->set(value);
    }
    if (!m_bInCycle)
        m_bCycleReported = false;
}

void FieldModuleBase::EvaluateArray(DxInBase *input, DxOutBase *output, int elementSize)
{
    if (!input->GetSource()) {
        output->Validate();
        return;
    }
    auto *field = static_cast<SgGenVecField *>(GetFieldContainer());
    // The size first: reading it evaluates the source when it is not valid,
    // and may come back round to this field.
    const int count = input->GetSize();
    const auto *data = static_cast<const char *>(input->GetData());
    output->Validate();
    if (m_bInCycle)
        return;
    field->SetSize(data ? count : 0);
    for (int i = 0; data && i < count; ++i)
        field->SetValuePtr(data + static_cast<size_t>(i) * elementSize, i, false, true);
    output->Validate();
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

#include "engine/core/DxModule.h"

#include <algorithm>

#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"

DxModule *DxModule::CurrentModule = nullptr;

DxModule::DxModule()
{
    CurrentModule = this;
}

DxModule::~DxModule()
{
    // Outputs are members of the module or its owner; they outlive this list
    // only long enough to be destroyed themselves, so drop their back links.
    if (CurrentModule == this)
        CurrentModule = nullptr;
}

void DxModule::InvalidateOutputs(bool)
{
    for (DxOutBase *output : m_outputs)
        output->Invalidate(false);
}

void DxModule::OnInputChange(DxInBase *)
{
    InvalidateOutputs(true);
}

void DxModule::AddOutput(DxOutBase *output)
{
    if (output)
        m_outputs.push_back(output);
}

void DxModule::RemoveOutput(DxOutBase *output)
{
    auto it = std::find(m_outputs.begin(), m_outputs.end(), output);
    if (it != m_outputs.end())
        m_outputs.erase(it);
}

int DxModule::FindOutputPos(const DxOutBase *output) const
{
    auto it = std::find(m_outputs.begin(), m_outputs.end(), output);
    return it == m_outputs.end() ? -1 : static_cast<int>(it - m_outputs.begin());
}

DxOutBase *DxModule::GetOutput(int position) const
{
    if (position < 0 || position >= nOutputs())
        return nullptr;
    return m_outputs[position];
}

DxInBase::DxInBase() : m_pOwner(DxModule::CurrentModule) {}

// A copy reads from the same source but is not entered in its input list.
DxInBase::DxInBase(const DxInBase &other) : m_pOwner(other.m_pOwner), m_pSource(other.m_pSource) {}

DxInBase &DxInBase::operator=(const DxInBase &other)
{
    if (this != &other) {
        Disconnect();
        m_pOwner = other.m_pOwner;
        m_pSource = other.m_pSource;
    }
    return *this;
}

DxInBase::~DxInBase()
{
    Disconnect();
}

void DxInBase::Disconnect()
{
    if (!m_pSource)
        return;
    auto &inputs = m_pSource->m_inputs;
    auto it = std::find(inputs.begin(), inputs.end(), this);
    if (it != inputs.end())
        inputs.erase(it);
    m_pSource = nullptr;
}

void DxInBase::OnValueChange()
{
    if (m_pOwner)
        m_pOwner->OnInputChange(this);
}

DxOutBase::DxOutBase() : m_pOwner(DxModule::CurrentModule) {}

DxOutBase::~DxOutBase()
{
    // No input may keep reading from an output that is gone.
    for (DxInBase *input : m_inputs)
        input->m_pSource = nullptr;
    m_inputs.clear();
}

void DxOutBase::Connect(DxInBase &input)
{
    if (input.m_pSource)
        input.Disconnect();
    m_inputs.push_back(&input);
    input.m_pSource = this;
}

void DxOutBase::Invalidate(bool)
{
    if (m_iState == 0)
        return;
    m_iState = 0;
    // An input may disconnect itself while it is told; walk a snapshot.
    const std::vector<DxInBase *> inputs = m_inputs;
    for (DxInBase *input : inputs)
        input->OnValueChange();
}

void DxOutBase::EvaluateIfNeeded()
{
    if (m_iState < 1 && m_pOwner)
        m_pOwner->Evaluate();
}

GeneicFieldModule::GeneicFieldModule(SgField *field) : m_pField(field)
{
    SetModuleKind(kField);
}

void GeneicFieldModule::InvalidateOutputs(bool fromInput)
{
    if (fromInput && m_pField)
        m_pField->NotifyParent();
    DxModule::InvalidateOutputs(fromInput);
    if (m_pField && m_pField->GetContainer())
        m_pField->GetContainer()->UpdateSceneManager(nullptr);
}

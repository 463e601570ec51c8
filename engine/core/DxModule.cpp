#include "engine/core/DxModule.h"

#include <algorithm>
#include <string>
#include <utility>

#include "engine/core/DxPortType.h"
#include "platform/SgDiagnostics.h"
#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"

namespace {

// A module that is also a counted container (an engine, made by a file, a
// script or a caller who may let it go at once) is owned by what reads it:
// every input entered in one of its outputs' reader lists holds one reference,
// so the engine lives as long as a field or engine it drives, and goes with
// the last of them. What the engine reads from holds nothing on it, so a node
// that drives the engine that drives it forms no cycle of references; a cycle
// of engines alone is refused where connections are made.
SgFieldMngr *CountedModule(DxModule *module)
{
    return module ? dynamic_cast<SgFieldMngr *>(module) : nullptr;
}

} // namespace

DxModule::DxModule() = default;

DxModule::~DxModule() = default;

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

DxInBase::DxInBase(DxModule *owner) : m_pOwner(owner) {}

// A copy reads from the same source but is not entered in its input list.
DxInBase::DxInBase(const DxInBase &other) : m_pOwner(other.m_pOwner), m_pSource(other.m_pSource) {}

DxInBase &DxInBase::operator=(const DxInBase &other)
{
    if (this != &other) {
        Unlink();
        m_pOwner = other.m_pOwner;
        m_pSource = other.m_pSource;
    }
    return *this;
}

DxInBase::~DxInBase()
{
    Unlink();
}

void DxInBase::Disconnect()
{
    Unlink();
}

void DxInBase::KeepSourceAlive(SgFieldMngr *source)
{
    if (source != m_keptSource.get())
        m_keptSource = SgRef<SgFieldMngr>(source);
}

void DxInBase::LetGoOfKeptSource()
{
    // Moved out first: the release may free a node that reaches this port.
    SgRef<SgFieldMngr> kept = std::move(m_keptSource);
}

void DxInBase::Unlink()
{
    if (!m_pSource) {
        LetGoOfKeptSource();
        return;
    }
    DxOutBase *source = std::exchange(m_pSource, nullptr);
    auto &inputs = source->m_inputs;
    auto it = std::find(inputs.begin(), inputs.end(), this);
    if (it == inputs.end())
        return; // a copy that was never entered holds nothing
    inputs.erase(it);
    // Let go of last, in this order (the hold on the engine, then the kept
    // source): either may free the source's engine or node.
    SgRef<SgFieldMngr> kept = std::move(m_keptSource);
    SgRef<SgFieldMngr> hold = std::move(m_sourceHold);
}

void DxInBase::OnValueChange()
{
    if (m_pOwner)
        m_pOwner->OnInputChange(this);
}

DxOutBase::DxOutBase(DxModule *owner) : m_pOwner(owner) {}

DxOutBase::~DxOutBase()
{
    // No input may keep reading from an output that is gone.
    for (DxInBase *input : m_inputs)
        input->m_pSource = nullptr;
    m_inputs.clear();
}

// The name of a port's value type for a diagnostic.
static std::string PortTypeName(int type)
{
    switch (type) {
    case SgFieldInt: return "int";
    case SgFieldFloat: return "float";
    case SgFieldUShort: return "unsigned short";
    case SgFieldDouble: return "double";
    case SgFieldVec2: return "Vec2";
    case SgFieldVec3: return "Vec3";
    case SgFieldVec4: return "Vec4";
    case SgFieldVec2f: return "Vec2f";
    case SgFieldColor: return "Color";
    case SgFieldRotation: return "Rotation";
    case SgFieldImage: return "image";
    case SgFieldString: return "string";
    case SgFieldVec3f: return "Vec3f";
    case SgFieldNodePtr: return "node pointer";
    case SgFieldR1FuncRef: return "R1 function";
    case SgFieldR2FuncRef: return "R2 function";
    case SgFieldR3FuncRef: return "R3 function";
    default: return "value type " + std::to_string(type);
    }
}

bool DxOutBase::Connect(DxInBase &input)
{
    const int from = GetPortType();
    const int to = input.GetPortType();
    if (from != 0 && to != 0 && from != to) {
        SgDiagError("Dataflow", "%s", ("Connect: an output of " + PortTypeName(from) + " cannot drive an input of " +
                            PortTypeName(to)).c_str());
        return false;
    }
    // The new hold comes first: the input may already read from this module,
    // whose last reference letting go of the old link would otherwise free.
    SgRef<SgFieldMngr> hold(CountedModule(m_pOwner));
    if (input.m_pSource)
        input.Unlink();
    m_inputs.push_back(&input);
    input.m_pSource = this;
    input.m_sourceHold = std::move(hold);
    return true;
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

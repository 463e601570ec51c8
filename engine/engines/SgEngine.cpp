#include "engine/engines/SgEngine.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "engine/core/SgDocumentLink.h"
#include "engine/core/SgNode.h"
#include "platform/SgError.h"
#include "platform/SgDiagnostics.h"

SG_CLASS_SOURCE(SgEngine, SgFieldMngr, SgFieldMngr, "SgEngine")
SG_CLASS_SOURCE(SgComposeVector<Vec3>, SgEngine, SgFieldMngr, "SgComposeVectorVec3")
SG_CLASS_SOURCE(SgApplyVector, SgEngine, SgFieldMngr, "SgApplyVector")
SG_CLASS_SOURCE(SgInputEngine, SgNode, SgFieldMngr, "SgInputEngine")

void EngineReport(const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    SgDiagWarning("Engines", "%s", text);
}

// --- Composer and averaging engine ---------------------------------------------------

SgComposeVector<Vec3>::SgComposeVector(int n) : m_iCount(n)
{
    AddField(m_input1, "input1");
    AddField(m_input2, "input2");
    m_values.resize(n > 0 ? static_cast<size_t>(n) : 0);
    m_output.SetValuesArray(&m_values);
}

void SgComposeVector<Vec3>::Evaluate()
{
    if (m_values.size() < 2)
        throw SgInvalidArgument("a vector composer needs room for two vectors");
    // An input that nothing feeds leaves its element as it was.
    if (m_input1.GetSource())
        m_values[0] = m_input1.Get();
    if (m_input2.GetSource())
        m_values[1] = m_input2.Get();
    m_output.Validate();
}

SgApplyVector::SgApplyVector(int value) : m_iValue(value)
{
    AddField(m_input1, "input1");
    AddField(m_input2, "input2");
}

void SgApplyVector::Evaluate()
{
    const int n = m_input1.GetSource() ? m_input1.GetSize() : 0;
    Vec3 sum(0.0, 0.0, 0.0);
    for (int i = 0; i < n; ++i) {
        const Vec3 &p = m_input1.Get(i);
        sum.x += p.x;
        sum.y += p.y;
        sum.z += p.z;
    }
    if (n > 0) {
        const double k = 1.0 / n;
        sum = Vec3(sum.x * k, sum.y * k, sum.z * k);
    }
    m_output.set(&sum);
}

SgInputEngine::SgInputEngine()
{
    AddField(m_a, "a", 0.0);
    AddField(m_b, "b", 0.0);
    AddField(m_c, "c", 0.0);
    AddField(m_d, "d", 0.0);
    AddField(m_e, "e", 0.0);
    AddField(m_av, "av");
    AddField(m_bv, "bv");
    AddField(m_cv, "cv");
    AddField(m_dv, "dv");
    AddField(m_ev, "ev");
    AddField(m_i, "i");
    AddField(m_j, "j");
    AddField(m_k, "k");
    AddField(m_l, "l");
    AddField(m_m, "m");
    AddField(m_n, "n");
    AddField(m_s1, "s1", std::string());
    AddField(m_s2, "s2", std::string());
}

// --- Wiring ---------------------------------------------------------------------------

bool DxReachesDownstream(DxModule *from, DxModule *to)
{
    if (!from || !to)
        return false;
    std::set<DxModule *> seen;
    std::vector<DxModule *> pending{from};
    while (!pending.empty()) {
        DxModule *module = pending.back();
        pending.pop_back();
        if (module == to)
            return true;
        if (!seen.insert(module).second)
            continue;
        for (int i = 0; i < module->nOutputs(); ++i) {
            for (DxInBase *input : module->GetOutput(i)->GetFunOut()) {
                if (input->GetOwner())
                    pending.push_back(input->GetOwner());
            }
        }
    }
    return false;
}

namespace {

// The module that a field's input port belongs to, without taking the field
// as a port (which would mark its node connected).
DxModule *InputOwner(SgFieldMngr *container, SgField *field)
{
    if (!container->IsNode()) {
        auto *input = dynamic_cast<DxInBase *>(field);
        return input ? input->GetOwner() : nullptr;
    }
    return field->GetModule();
}

} // namespace

bool PlugTo1(SgFieldMngr *source, const char *sourceName, SgFieldMngr *destination,
             const char *destinationName)
{
    if (!source || !destination || !sourceName || !destinationName) {
        EngineReport("PlugTo1: nothing to connect (a container or a name is missing)");
        return false;
    }
    SgField *sourceField = nullptr;
    DxOutBase *engineOutput = nullptr;
    int sourceType = 0;
    if (source->IsNode()) {
        sourceField = source->GetFieldAddressByName(sourceName);
        if (!sourceField) {
            EngineReport("PlugTo1: %s has no field \"%s\"", source->GetClassName(), sourceName);
            return false;
        }
        sourceType = sourceField->GetTypeId();
    } else {
        auto *module = dynamic_cast<DxModule *>(source);
        int position = -1;
        const char *end = sourceName + std::strlen(sourceName);
        const auto parsed = std::from_chars(sourceName, end, position);
        if (parsed.ec != std::errc() || parsed.ptr != end || !module ||
            !(engineOutput = module->GetOutput(position))) {
            EngineReport("PlugTo1: %s has no output \"%s\" (outputs are named by their number)",
                         source->GetClassName(), sourceName);
            return false;
        }
        sourceType = engineOutput->GetPortType();
    }

    SgField *field = destination->GetFieldAddressByName(destinationName);
    if (!field) {
        EngineReport("PlugTo1: %s has no field \"%s\"", destination->GetClassName(), destinationName);
        return false;
    }
    DxInBase *engineInput = nullptr;
    int targetType = 0;
    if (destination->IsNode()) {
        targetType = field->GetTypeId();
    } else if ((engineInput = dynamic_cast<DxInBase *>(field))) {
        targetType = engineInput->GetPortType();
    } else {
        EngineReport("PlugTo1: %s.%s is no input of its engine", destination->GetClassName(), destinationName);
        return false;
    }
    if (sourceField == field) {
        EngineReport("PlugTo1: a field cannot drive itself");
        return false;
    }
    if (sourceType == 0 || sourceType != targetType) {
        EngineReport("PlugTo1: %s.%s holds another type of value than %s.%s", source->GetClassName(), sourceName,
                     destination->GetClassName(), destinationName);
        return false;
    }
    // A source downstream of the destination would make evaluation chase
    // itself: refuse it before any port is taken.
    DxModule *sourceModule = engineOutput ? engineOutput->GetModule() : sourceField->GetModule();
    DxModule *targetModule = InputOwner(destination, field);
    if (sourceModule && targetModule && DxReachesDownstream(targetModule, sourceModule)) {
        EngineReport("PlugTo1: connecting %s.%s to %s.%s would close a dataflow cycle", source->GetClassName(),
                     sourceName, destination->GetClassName(), destinationName);
        return false;
    }
    DxOutBase *output = sourceField ? &sourceField->AsOutput() : engineOutput;
    DxInBase *input = engineInput ? engineInput : &field->AsInput();
    output->Connect(*input);
    // A node of a document that now reads from engines made elsewhere takes
    // them into the document (its formulas run in its interpreter).
    if (destination->IsNode()) {
        auto *node = static_cast<SgNode *>(destination);
        SgDocumentLink::NodeJoined(node->GetDocument(), node);
    }
    input->OnValueChange();
    return true;
}

SgComposeVector<Vec3> *composeVec3()
{
    return new SgComposeVector<Vec3>(2);
}

namespace {

int ForEachConnected(SgFieldMngr *container, ConnectedEngineCallback callback, void *data,
                     std::set<SgFieldMngr *> &visited)
{
    int result = 0;
    const bool isNode = container->IsNode();
    const int count = container->GetFieldsCount();
    for (int i = 0; i < count; ++i) {
        SgField *field = container->GetFieldAddress(i);
        if (!field)
            continue;
        DxOutBase *source = nullptr;
        if (isNode) {
            source = field->GetModuleSource();
        } else if (auto *input = dynamic_cast<DxInBase *>(field)) {
            source = input->GetSource();
        }
        DxModule *owner = source ? source->GetModule() : nullptr;
        if (!owner)
            continue;
        if (owner->GetModuleKind() == DxModule::kField) {
            result = callback(container, data);
        } else if (owner->GetModuleKind() == DxModule::kEngine) {
            auto *engine = dynamic_cast<SgFieldMngr *>(owner);
            // An engine reached twice (shared or in a cycle) is walked once.
            if (!engine || !visited.insert(engine).second)
                continue;
            result = callback(engine, data);
            result = ForEachConnected(engine, callback, data, visited);
        }
    }
    return result;
}

} // namespace

int ForEachConnectedEngine(SgFieldMngr *container, ConnectedEngineCallback callback, void *data)
{
    if (!container || !callback)
        return 0;
    std::set<SgFieldMngr *> visited{container};
    return ForEachConnected(container, callback, data, visited);
}

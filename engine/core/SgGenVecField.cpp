#include "engine/core/SgGenVecField.h"

#include <string>

#include "engine/core/DxModule.h"
#include "engine/core/SgFieldMngr.h"
#include "platform/SgError.h"

SgGenVecField &SgGenVecField::operator=(const SgGenVecField &other)
{
    // The modules stay: each serves the field that created it.
    SgField::operator=(other);
    return *this;
}

SgGenVecField::~SgGenVecField()
{
    DeleteModules();
}

void SgGenVecField::DeleteModules()
{
    // Taken out of the list first: a module's ports may reach back into the
    // field while they disconnect.
    std::vector<ModuleEntry> modules;
    modules.swap(m_modules);
    for (const ModuleEntry &entry : modules)
        delete entry.module;
}

void SgGenVecField::NotifyParent()
{
    if (m_iNoticeSuspend == 0)
        SgField::NotifyParent();
}

void SgGenVecField::SetSize(int) {}

int SgGenVecField::FindModule(int index) const
{
    for (size_t i = 0; i < m_modules.size(); ++i) {
        if (m_modules[i].index == index)
            return static_cast<int>(i);
    }
    return -1;
}

DxModule *SgGenVecField::GetModule() const
{
    return m_modules.empty() ? nullptr : m_modules.front().module;
}

GeneicFieldModule *SgGenVecField::GetFieldModule() const
{
    return dynamic_cast<GeneicFieldModule *>(GetModule());
}

void SgGenVecField::EvaluateAll()
{
    if (m_modules.empty() || m_modules.front().index == -1 || !m_modules.front().module)
        return;
    // A pull copies the source only when it changed since the last one:
    // reading a driven array element by element must not copy it each time.
    DxModule *module = m_modules.front().module;
    auto *fieldModule = dynamic_cast<GeneicFieldModule *>(module);
    if (!fieldModule || fieldModule->IsStale())
        module->Evaluate();
}

void SgGenVecField::InvalidateModule()
{
    const int position = FindModule(0);
    if (position >= 0 && m_modules[position].module)
        m_modules[position].module->InvalidateOutputs(false);
}

GeneicFieldModule *SgGenVecField::ModuleForPort(bool output)
{
    if (FindModule(0) < 0) {
        DxModule *module = CreateModule();
        auto *fieldModule = dynamic_cast<GeneicFieldModule *>(module);
        if (!fieldModule) {
            delete module;
            throw SgError(std::string("field of class ") + GetClassName() +
                          " cannot be taken as a dataflow port");
        }
        m_modules.push_back({0, fieldModule});
        // Only the creation marks the container: later conversions find the module.
        if (output && GetContainer())
            GetContainer()->SetConnected(true);
    }
    return static_cast<GeneicFieldModule *>(m_modules[FindModule(0)].module);
}

DxOutBase &SgGenVecField::AsOutput()
{
    return *ModuleForPort(true)->GetOutput();
}

DxInBase &SgGenVecField::AsInput()
{
    return *ModuleForPort(false)->GetInput();
}

#include "engine/core/SgField.h"

#include <map>

#include "engine/core/DxModule.h"
#include "engine/core/SgDocumentLink.h"
#include "engine/core/SgFieldChange.h"
#include "platform/SgDiagnostics.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "platform/SgError.h"

int SgField::s_iClassID = 0;
const char *const SgField::s_lpszClassName = "SgField";

SgField::Family_t &SgField::Family()
{
    static Family_t family("SgField", GetBase());
    return family;
}

int SgField::AssignClassID()
{
    if (!s_iClassID)
        s_iClassID = Family().TakeID();
    return s_iClassID;
}

void SgField::RegisterClass(int id, int, const char *name, SgField *(*creator)())
{
    // Field classes keep no parent links: kinds are never tested among them.
    if (id)
        Family().Register(id, name, creator);
}

// A copy stands free: it is no member of the original's container, so its
// writes record nothing and notify nobody, and its death leaves the links
// the original keeps (undo records, fathers of referenced nodes) alone.
SgField::SgField(const SgField &other) : m_bIgnored(other.m_bIgnored), m_bOutputOnly(other.m_bOutputOnly) {}

SgField &SgField::operator=(const SgField &other)
{
    if (this != &other) {
        // The container stays: a field assigned into a node keeps belonging to it.
        m_bIgnored = other.m_bIgnored;
        m_bOutputOnly = other.m_bOutputOnly;
    }
    return *this;
}

SgField::~SgField()
{
    RemoveModule();
}

void SgField::SetValuePtr(const void *, int, bool, bool) {}

const void *SgField::GetValuePtr(int, bool)
{
    return nullptr;
}

void SgField::WriteToStream(std::ostream &, int, int) {}
void SgField::ReadFromStream(std::istream &, bool) {}
void SgField::DeleteValues(int, int) {}
void SgField::ReadElementFromStream(std::istream &, int, bool, bool) {}
void SgField::Interpolate(SgField *, SgField *, double, SgField *) {}

void SgField::ReportInterpolationRefused(const char *className, SgField *a, SgField *b, SgField *result)
{
    auto name = [](SgField *field) { return field ? field->GetClassName() : "nothing"; };
    SgDiagError("Field", "interpolation of %s needs two operands and a result of that class, not %s, %s and %s; "
                         "the result is left as it is",
                className, name(a), name(b), name(result));
}

bool SgField::Compare(SgField *, SgField *)
{
    return true;
}

bool SgField::SetContainer(SgFieldMngr *container, bool record)
{
    m_pContainer = container;
    if (!record || !container)
        return true;
    const auto offset = reinterpret_cast<const char *>(this) - reinterpret_cast<const char *>(container);
    return container->AddFieldOffset(static_cast<int>(offset));
}

void SgField::RemoveModule()
{
    delete m_pModule;
    m_pModule = nullptr;
}

void SgField::NotifyParent()
{
    if (m_pContainer && !m_bIgnored && !m_bOutputOnly)
        m_pContainer->OnChange(this);
}

void SgField::PreUpdate(bool)
{
    if (m_pContainer)
        m_pContainer->UpdateSceneManager(nullptr);
}

void SgField::PostUpdate(bool quiet)
{
    if (m_pContainer)
        m_pContainer->UpdateSceneManager(nullptr);
    if (quiet)
        return;
    if (m_pModule)
        m_pModule->InvalidateOutputs(false);
    NotifyParent();
}

static GeneicFieldModule *RequireModule(SgField &field, DxModule *module)
{
    auto *fieldModule = dynamic_cast<GeneicFieldModule *>(module);
    if (!fieldModule)
        throw SgError(std::string("field of class ") + field.GetClassName() +
                      " cannot be taken as a dataflow port");
    return fieldModule;
}

DxOutBase &SgField::AsOutput()
{
    if (!m_pModule)
        m_pModule = CreateModule();
    GeneicFieldModule *module = RequireModule(*this, m_pModule);
    if (m_pContainer)
        m_pContainer->SetConnected(true);
    return *module->GetOutput();
}

DxInBase &SgField::AsInput()
{
    if (!m_pModule)
        m_pModule = CreateModule();
    return *RequireModule(*this, m_pModule)->GetInput();
}

const char *SgField::GetFieldName() const
{
    if (!m_pContainer)
        return nullptr;
    const int count = m_pContainer->GetFieldsCount();
    for (int i = 0; i < count; ++i) {
        if (m_pContainer->GetFieldAddress(i) == this)
            return m_pContainer->GetFieldName(i);
    }
    return nullptr;
}

int SgField::CastNumericFieldToDouble(SgField *field, double *out)
{
    if (auto *d = dynamic_cast<SgTField<double, SgFieldDouble> *>(field)) {
        *out = d->Get(true);
        return 3;
    }
    if (auto *f = dynamic_cast<SgTField<float, SgFieldFloat> *>(field)) {
        *out = f->Get(true);
        return 2;
    }
    if (auto *i = dynamic_cast<SgTField<int, SgFieldInt> *>(field)) {
        *out = i->Get(true);
        return 1;
    }
    return 0;
}

namespace {
std::map<std::pair<int, bool>, SgField::ModuleFactory> &ModuleFactories()
{
    static std::map<std::pair<int, bool>, SgField::ModuleFactory> factories;
    return factories;
}
} // namespace

void SgField::SetModuleFactory(int typeId, bool vector, ModuleFactory factory)
{
    ModuleFactories()[{typeId, vector}] = factory;
}

SgField::ModuleFactory SgField::GetModuleFactory(int typeId, bool vector)
{
    auto it = ModuleFactories().find({typeId, vector});
    return it == ModuleFactories().end() ? nullptr : it->second;
}

SgNode *SgField::UndoRecordingNode() const
{
    SgFieldMngr *container = GetContainer();
    if (!container || !container->IsNode())
        return nullptr;
    auto *node = static_cast<SgNode *>(container);
    return node->IsUndoEnabled() ? node : nullptr;
}

void SgField::RecordChange(std::unique_ptr<SgFieldChange> change)
{
    SgNode *node = UndoRecordingNode();
    if (node && change)
        SgDocumentLink::RecordFieldChange(node->GetDocument(), this, std::move(change));
}

std::size_t SgField::UndoBufferBytes(const void *) const
{
    return 0;
}

void SgField::RecordUndo(void *before, void *after, void (*release)(void *))
{
    SgNode *node = UndoRecordingNode();
    if (!node) {
        release(before);
        release(after);
        return;
    }
    SgDocumentLink::RecordField(node->GetDocument(), this, before, after, release);
}

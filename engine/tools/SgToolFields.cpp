#include "engine/tools/SgToolFields.h"

#include <cmath>
#include <cstdint>

#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/document/SgDocument.h"

namespace SgToolFields {

EditRecord::EditRecord() : m_pOuter(s_pCurrent)
{
    s_pCurrent = this;
}

EditRecord::~EditRecord()
{
    s_pCurrent = m_pOuter;
}

void EditRecord::Note(SgField *field, double value)
{
    EditRecord *record = s_pCurrent;
    if (!record || !field)
        return;
    for (int i = 0; i < record->m_iCount; ++i)
        if (record->m_fields[i] == field) {
            record->m_values[i] = value;
            return;
        }
    if (record->m_iCount < kMaxFields) {
        record->m_fields[record->m_iCount] = field;
        record->m_values[record->m_iCount++] = value;
    }
}

void EditRecord::Report(SgDocument *document, int mode) const
{
    if (document && m_iCount > 0)
        document->ReportFieldEdit(m_values, m_iCount, SgDocument::kEditDoubleFields, m_iCount, m_fields, 0, mode);
}

SgField *Find(SgFieldMngr *node, const char *name)
{
    return node ? node->GetFieldAddressByName(name) : nullptr;
}

double GetDouble(SgFieldMngr *node, const char *name)
{
    SgField *field = Find(node, name);
    if (!field || field->IsVector())
        return 0.0;
    if (field->GetTypeId() == SgFieldUShort)
        return *static_cast<const std::uint16_t *>(field->GetValuePtr(-1, true));
    double value = 0.0;
    return SgField::CastNumericFieldToDouble(field, &value) ? value : 0.0;
}

bool SetDouble(SgFieldMngr *node, const char *name, double value)
{
    SgField *field = Find(node, name);
    if (!field || field->IsVector())
        return false;
    const bool numeric = field->GetTypeId() == SgFieldDouble || field->GetTypeId() == SgFieldFloat ||
                         field->GetTypeId() == SgFieldInt || field->GetTypeId() == SgFieldUShort;
    if (numeric)
        EditRecord::Note(field, value);
    switch (field->GetTypeId()) {
    case SgFieldDouble:
        field->SetValuePtr(&value, -1, true, false);
        return true;
    case SgFieldFloat: {
        const float f = static_cast<float>(value);
        field->SetValuePtr(&f, -1, true, false);
        return true;
    }
    case SgFieldInt: {
        const int i = static_cast<int>(std::lround(value));
        field->SetValuePtr(&i, -1, true, false);
        return true;
    }
    case SgFieldUShort: {
        const auto u = static_cast<std::uint16_t>(std::lround(value));
        field->SetValuePtr(&u, -1, true, false);
        return true;
    }
    default:
        return false;
    }
}

} // namespace SgToolFields

SgToolFields::EditRecord *SgToolFields::EditRecord::s_pCurrent = nullptr;

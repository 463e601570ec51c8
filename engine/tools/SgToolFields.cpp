#include "engine/tools/SgToolFields.h"

#include <cmath>
#include <cstdint>

#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"

namespace SgToolFields {

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

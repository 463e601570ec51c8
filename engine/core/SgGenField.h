#pragma once
// Base of every single-value field.
#include "engine/core/SgField.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgGenField : public SgField {
public:
    bool IsVector() const override { return false; }
};

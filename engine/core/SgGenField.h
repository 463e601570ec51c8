#pragma once
// Base of every single-value field.
#include "engine/core/SgField.h"

class SgGenField : public SgField {
public:
    bool IsVector() const override { return false; }
};

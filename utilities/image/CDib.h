#pragma once
#include "utilities/BrannicExport.h"
// A device-independent bitmap handle. It has no contents of its own; it is
// kept so that interfaces naming it stay whole.

class BRANNIC_API CDib {
public:
    virtual ~CDib() = default;
};

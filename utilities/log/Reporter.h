#pragma once
#include "utilities/BrannicExport.h"
// A sink of the report manager: receives every report that passes its
// package's threshold, already formatted.

class BRANNIC_API Reporter {
public:
    virtual ~Reporter();
    virtual void send(int level, const char *message, const char *file, int line) = 0;
};

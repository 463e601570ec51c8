#pragma once
// The persistent id under which scene files and the storage manager know an
// object across runs: (seconds of the calendar time, random part plus a counter).
// (0, 0) means that no id has been given yet.
#include <cstdint>
#include "engine/core/NodaraExport.h"

struct NODARA_API NodeID {
    int32_t first = 0;
    int32_t second = 0;

    bool IsNull() const { return first == 0 && second == 0; }
    friend bool operator==(const NodeID &, const NodeID &) = default;
};

#pragma once
// What `fennix --describe` says of each method and property for a script's
// author: its parameters' names and meanings and what its result means. The
// dispatch table (FennixDispatch) keeps the ids, names and types.
#include <string>
#include <utility>
#include <vector>
#include "control/FennixExport.h"

namespace fennix {

struct FENNIX_API DispDoc {
    std::string about;
    std::vector<std::pair<std::string, std::string>> params;  // name, meaning
    std::string result;                                        // "" for none
};

// The entry's words; null for a name the table does not hold.
FENNIX_API const DispDoc *FindDoc(const std::string &name);

} // namespace fennix

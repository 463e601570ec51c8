#pragma once
// Base64 with the standard alphabet, "=" padding and no line breaks.
#include <string>
#include "control/FennixExport.h"

namespace fennix {

FENNIX_API std::string Base64Encode(const std::string &bytes);
// False for text that is no Base64.
FENNIX_API bool Base64Decode(const std::string &text, std::string &bytes);

} // namespace fennix

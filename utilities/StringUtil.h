#pragma once
// The one case-insensitive comparison of the system. It folds ASCII letters
// only, so that the result never depends on the locale: names, keywords and
// file names compare the same on every machine.
#include <string_view>
#include "utilities/BrannicExport.h"

// Like strcmp after folding A-Z to a-z: negative, 0 or positive. A null
// pointer sorts before every string and equals another null pointer.
BRANNIC_API int SgStrICmp(const char *a, const char *b);

// True when both texts are equal after folding A-Z to a-z.
BRANNIC_API bool SgIEquals(std::string_view a, std::string_view b);

// A-Z folded to a-z, every other byte unchanged.
constexpr char SgAsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

#include "utilities/StringUtil.h"

int SgStrICmp(const char *a, const char *b)
{
    if (a == nullptr || b == nullptr)
        return (a != nullptr) - (b != nullptr);
    for (;; ++a, ++b) {
        // Compared as unsigned bytes, as strcmp does, so that UTF-8 text sorts
        // after ASCII.
        unsigned char ca = static_cast<unsigned char>(SgAsciiLower(*a));
        unsigned char cb = static_cast<unsigned char>(SgAsciiLower(*b));
        if (ca != cb || ca == '\0')
            return ca - cb;
    }
}

bool SgIEquals(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (SgAsciiLower(a[i]) != SgAsciiLower(b[i]))
            return false;
    }
    return true;
}

#include "engine/core/SgVecField.h"

#include <sstream>

namespace SgVecFieldText {

namespace {
bool EndsFunctionWord(int c)
{
    return c == std::char_traits<char>::eof() || c == ' ' || c == '\t' || c == '\n' || c == '\r' ||
           c == '\v' || c == '\f' || c == SgSceneText::kListSeparator || c == SgSceneText::kListOpen ||
           c == SgSceneText::kListClose;
}
} // namespace

bool ReadFunctionWord(std::istream &in, std::string &word)
{
    word.clear();
    int c = PeekNonBlank(in);
    std::streambuf *buffer = in.rdbuf();
    while (!EndsFunctionWord(c)) {
        if (static_cast<int>(word.size()) >= kMaxFunctionWord) {
            in.setstate(std::ios::failbit);
            return false;
        }
        word.push_back(static_cast<char>(c));
        c = buffer->snextc();
    }
    if (c == std::char_traits<char>::eof())
        in.setstate(std::ios::eofbit);
    if (word.empty()) {
        in.setstate(std::ios::failbit);
        return false;
    }
    return true;
}

namespace {
template <class Ref>
bool ReadFunctionRef(std::istream &in, Ref &value)
{
    std::string word;
    if (!ReadFunctionWord(in, word))
        return false;
    if (word == kNullFunctionWord) {
        value = Ref();
        return true;
    }
    std::istringstream text(word);
    return SgFieldValue::Read(text, value);
}
} // namespace

bool ReadFunctionElement(std::istream &in, CountPtr<R1Func> &value)
{
    return ReadFunctionRef(in, value);
}

bool ReadFunctionElement(std::istream &in, CountPtr<R2Func> &value)
{
    return ReadFunctionRef(in, value);
}

const char *Unwritable(const std::string &text, size_t maxLength)
{
    // The quoted form has no escapes, and the reader takes only so much.
    if (text.find('"') != std::string::npos)
        return "holds a double quote and cannot be written between quotes";
    if (text.size() > maxLength)
        return "is longer than its reader takes";
    return nullptr;
}

} // namespace SgVecFieldText


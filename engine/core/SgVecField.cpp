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

// The class ids live here alone; the instantiation units leave them out.
template <class T, int N>
int SgVecField<T, N>::s_iClassID = 0;

template int SgVecField<int, SgFieldInt>::s_iClassID;
template int SgVecField<float, SgFieldFloat>::s_iClassID;
template int SgVecField<unsigned short, SgFieldUShort>::s_iClassID;
template int SgVecField<double, SgFieldDouble>::s_iClassID;
template int SgVecField<Vec2, SgFieldVec2>::s_iClassID;
template int SgVecField<Vec3, SgFieldVec3>::s_iClassID;
template int SgVecField<Vec4, SgFieldVec4>::s_iClassID;
template int SgVecField<Vec2f, SgFieldVec2f>::s_iClassID;
template int SgVecField<Color, SgFieldColor>::s_iClassID;
template int SgVecField<Rotation, SgFieldRotation>::s_iClassID;
template int SgVecField<Image2, SgFieldImage>::s_iClassID;
template int SgVecField<std::string, SgFieldString>::s_iClassID;
template int SgVecField<Vec3f, SgFieldVec3f>::s_iClassID;
template int SgVecField<NodePtr, SgFieldNodePtr>::s_iClassID;
template int SgVecField<CountPtr<R1Func>, SgFieldR1FuncRef>::s_iClassID;
template int SgVecField<CountPtr<R2Func>, SgFieldR2FuncRef>::s_iClassID;
template int SgVecField<R3Func *, SgFieldR3FuncRef>::s_iClassID;

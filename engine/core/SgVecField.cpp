#include "engine/core/SgVecField.h"

#include <limits>

namespace SgVecFieldText {

namespace {
bool EndsFunctionWord(int c)
{
    return c == std::char_traits<char>::eof() || c == ' ' || c == '\t' || c == '\n' || c == '\r' ||
           c == '\v' || c == '\f' || c == ',' || c == '[' || c == ']';
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

void SkipComment(std::istream &in)
{
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
}

void Consume(std::istream &in)
{
    in.rdbuf()->sbumpc();
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

template class SgVecField<int, SgFieldInt>;
template class SgVecField<float, SgFieldFloat>;
template class SgVecField<unsigned short, SgFieldUShort>;
template class SgVecField<double, SgFieldDouble>;
template class SgVecField<Vec2, SgFieldVec2>;
template class SgVecField<Vec3, SgFieldVec3>;
template class SgVecField<Vec4, SgFieldVec4>;
template class SgVecField<Vec2f, SgFieldVec2f>;
template class SgVecField<Color, SgFieldColor>;
template class SgVecField<Rotation, SgFieldRotation>;
template class SgVecField<Image2, SgFieldImage>;
template class SgVecField<std::string, SgFieldString>;
template class SgVecField<Vec3f, SgFieldVec3f>;
template class SgVecField<NodePtr, SgFieldNodePtr>;
template class SgVecField<CountPtr<R1Func>, SgFieldR1FuncRef>;
template class SgVecField<CountPtr<R2Func>, SgFieldR2FuncRef>;
template class SgVecField<R3Func *, SgFieldR3FuncRef>;

#include "engine/core/SgFieldValue.h"

#include <cstring>
#include <istream>
#include <ostream>
#include <utility>

#include "engine/core/SgNode.h"
#include "utilities/math/NumberText.h"

namespace SgFieldValue {

bool Equal(const Image2 &a, const Image2 &b)
{
    return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight() &&
           a.GetDepth() == b.GetDepth() && a.GetType() == b.GetType() &&
           a.GetData() == b.GetData() && a.GetPath() == b.GetPath();
}

double Interpolate(double a, double b, double t)
{
    return (1.0 - t) * a + t * b;
}

float Interpolate(float a, float b, double t)
{
    return static_cast<float>((1.0 - t) * a + t * b);
}

template <class I>
static I TruncateInto(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lo = static_cast<double>(std::numeric_limits<I>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<I>::max());
    if (value <= lo)
        return std::numeric_limits<I>::min();
    if (value >= hi)
        return std::numeric_limits<I>::max();
    return static_cast<I>(value); // truncates toward zero
}

int Interpolate(int a, int b, double t)
{
    return TruncateInto<int>((1.0 - t) * a + t * b);
}

unsigned short Interpolate(unsigned short a, unsigned short b, double t)
{
    return TruncateInto<unsigned short>((1.0 - t) * a + t * b);
}

const NodePtr &Interpolate(const NodePtr &a, const NodePtr &, double)
{
    return a;
}

void Write(std::ostream &out, int value)
{
    WriteNumber(out, value);
}

void Write(std::ostream &out, unsigned short value)
{
    WriteNumber(out, static_cast<int>(value));
}

void Write(std::ostream &out, float value)
{
    WriteNumber(out, value);
}

void Write(std::ostream &out, double value)
{
    WriteNumber(out, value);
}

int Format(char *buffer, int value)
{
    return FormatInteger(buffer, value);
}

int Format(char *buffer, unsigned short value)
{
    return FormatInteger(buffer, static_cast<int>(value));
}

int Format(char *buffer, float value)
{
    char number[NUMBER_TEXT_SIZE];
    const int length = FormatNumber(number, value);
    std::memcpy(buffer, number, static_cast<size_t>(length));
    return length;
}

int Format(char *buffer, double value)
{
    char number[NUMBER_TEXT_SIZE];
    const int length = FormatNumber(number, value);
    std::memcpy(buffer, number, static_cast<size_t>(length));
    return length;
}

int Format(char *buffer, const Vec2 &value)
{
    const double c[2] = {value.x, value.y};
    return FormatTuple(buffer, c, 2);
}

int Format(char *buffer, const Vec2f &value)
{
    const float c[2] = {value.x, value.y};
    return FormatTuple(buffer, c, 2);
}

int Format(char *buffer, const Vec3 &value)
{
    const double c[3] = {value.x, value.y, value.z};
    return FormatTuple(buffer, c, 3);
}

int Format(char *buffer, const Vec3f &value)
{
    const float c[3] = {value.x, value.y, value.z};
    return FormatTuple(buffer, c, 3);
}

void Write(std::ostream &out, const std::string &value)
{
    // Plain text reads back as the rest of its line; a text that would not
    // (empty, over lines, or starting with a blank or a quote) is quoted.
    const bool plain = !value.empty() && value.find_first_of("\r\n") == std::string::npos &&
                       value.front() != '"' && value.front() != ' ' && value.front() != '\t';
    if (plain)
        out << value;
    else
        WriteQuotedText(out, value);
}

void Write(std::ostream &out, const Image2 &value)
{
    out << '"' << value.GetPath() << '"';
}

void Write(std::ostream &, const NodePtr &) {}

void Write(std::ostream &, R3Func *) {}

void Write(std::ostream &out, const CountPtr<R1Func> &value)
{
    if (value.get())
        out << value->GetClassName();
}

void Write(std::ostream &out, const CountPtr<R2Func> &value)
{
    if (value.get())
        out << value->GetClassName();
}

bool Read(std::istream &in, int &value)
{
    return ReadNumber(in, value) && !in.fail();
}

bool Read(std::istream &in, unsigned short &value)
{
    return ReadNumber(in, value) && !in.fail();
}

bool Read(std::istream &in, float &value)
{
    return ReadNumber(in, value) && !in.fail();
}

bool Read(std::istream &in, double &value)
{
    return ReadNumber(in, value) && !in.fail();
}

bool Read(std::istream &in, std::string &value)
{
    const int first = PeekNonBlank(in);
    if (first == std::char_traits<char>::eof()) {
        in.setstate(std::ios::failbit);
        return false;
    }
    if (first == '"')
        return ReadQuotedText(in, value);
    std::streambuf *buffer = in.rdbuf();
    std::string text;
    for (;;) {
        const int c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            break;
        }
        if (c == '\n')
            break;
        text.push_back(static_cast<char>(c));
    }
    // A line written on Windows ends in a carriage return that is no part of the text.
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    value = std::move(text);
    return true;
}

void WriteQuotedText(std::ostream &out, std::string_view text)
{
    out.put('"');
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        // A backslash is doubled only where it would otherwise start an
        // escape (before a quote or a backslash, or before the closing
        // quote), so paths keep their spelling.
        if (c == '"' || (c == '\\' && (i + 1 == text.size() || text[i + 1] == '"' || text[i + 1] == '\\')))
            out.put('\\');
        out.put(c);
    }
    out.put('"');
}

bool ReadQuotedText(std::istream &in, std::string &text)
{
    if (PeekNonBlank(in) != '"') {
        in.setstate(std::ios::failbit);
        return false;
    }
    std::streambuf *buffer = in.rdbuf();
    buffer->sbumpc();
    std::string result;
    for (;;) {
        const int c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            // A quote that never closes is no text: nothing is taken for it.
            in.setstate(std::ios::eofbit | std::ios::failbit);
            return false;
        }
        if (c == '"') {
            if (buffer->sgetc() != '"')
                break;
            buffer->sbumpc();
        } else if (c == '\\' && (buffer->sgetc() == '"' || buffer->sgetc() == '\\')) {
            result.push_back(static_cast<char>(buffer->sbumpc()));
            continue;
        }
        result.push_back(static_cast<char>(c));
    }
    text = std::move(result);
    return true;
}

bool Read(std::istream &in, Image2 &value)
{
    std::string path;
    if (!Image2::GetStringFromStream(in, path))
        return false;
    value = Image2();
    value.SetImagePath(path);
    return true;
}

bool Read(std::istream &, NodePtr &value)
{
    value.reset();
    return true;
}

bool Read(std::istream &, R3Func *&)
{
    return false;
}

template <class F>
static bool ReadFunction(std::istream &in, CountPtr<F> &value)
{
    std::string word;
    if (!(in >> word))
        return false;
    const int id = RxFunc::GetClassIDFromName(word.c_str());
    value = CountPtr<F>();
    if (id > 0) {
        RxFunc *object = RxFunc::Create(id);
        if (auto *typed = dynamic_cast<F *>(object))
            value = CountPtr<F>(typed);
        else
            delete object; // a function of another kind does not fit this field
    }
    return true;
}

bool Read(std::istream &in, CountPtr<R1Func> &value)
{
    return ReadFunction(in, value);
}

bool Read(std::istream &in, CountPtr<R2Func> &value)
{
    return ReadFunction(in, value);
}

// A node-pointer field that points at its own node holds no count on it:
// otherwise the node would keep itself alive after the last outside owner let
// go. Such a slot is let go of without a Release.
void ForgetSelf(NodePtr &slot, SgNode *owner)
{
    owner->DeleteFather(owner);
    slot.release();
}

void Store(NodePtr &slot, const NodePtr &value, SgFieldMngr *container)
{
    if (container && container->IsNode()) {
        auto *owner = static_cast<SgNode *>(container);
        if (slot.get() == owner) {
            if (value.get() == owner)
                return;
            ForgetSelf(slot, owner);
        }
        owner->AddNodeFieldChild(value.get());
        if (value.get() == owner) {
            if (slot)
                slot->DeleteFather(owner);
            const NodePtr previous = std::exchange(slot, value);
            owner->DropSelfReference();
            if (previous && previous != value)
                previous->LeaveDocumentIfDetached();
            return;
        }
        if (slot && slot != value) {
            const NodePtr previous = slot;
            slot = value;
            previous->DeleteFather(owner);
            previous->LeaveDocumentIfDetached();
            return;
        }
        if (slot)
            slot->DeleteFather(owner);
    }
    slot = value;
}

void Detach(NodePtr &slot, SgFieldMngr *container)
{
    // The node may outlive this field; it must not keep a father that is gone.
    if (slot && slot.get() == container) {
        ForgetSelf(slot, static_cast<SgNode *>(container));
        return;
    }
    if (slot && container && container->IsNode()) {
        slot->DeleteFather(static_cast<SgNode *>(container));
        slot->LeaveDocumentIfDetached();
    }
    slot.reset();
}

} // namespace SgFieldValue

#include "engine/core/SgSceneText.h"

#include <cstring>
#include <istream>
#include <ostream>

#include "utilities/math/NumberText.h"

namespace SgSceneText {

namespace {
constexpr int kEnd = std::char_traits<char>::eof();
} // namespace

void SkipComment(std::streambuf &buffer)
{
    for (;;) {
        const int c = buffer.sbumpc();
        if (c == kEnd || c == '\n')
            return;
    }
}

void SkipComment(std::istream &in)
{
    std::streambuf *buffer = in.rdbuf();
    for (;;) {
        const int c = buffer->sbumpc();
        if (c == kEnd) {
            in.setstate(std::ios::eofbit);
            return;
        }
        if (c == '\n')
            return;
    }
}

bool ReadList(std::istream &in, ReadElementFunc readElement, void *data, bool nestedOpenSkipped)
{
    return ReadList(in, readElement, nullptr, data, nestedOpenSkipped);
}

bool ReadList(std::istream &in, ReadElementFunc readElement, ScanElementFunc scanElement, void *data,
              bool nestedOpenSkipped)
{
    if (!scanElement) {
        // No element is read in place: each step goes through the stream.
        Detail::Step step = Detail::OpenList(in, readElement, data);
        while (step == Detail::Step::Element)
            step = Detail::StreamStep(in, readElement, data, nestedOpenSkipped);
        return step == Detail::Step::Closed;
    }
    return ReadListScanning(
        in, readElement, [scanElement, data](const char *&p, const char *end) { return scanElement(p, end, data); },
        data, nestedOpenSkipped);
}

namespace Detail {

// The in-place reader reads as the element readers do on a good stream that
// skips blanks; any other stream goes the stream's way throughout.
bool CanReadInPlace(std::istream &in)
{
    return (in.flags() & std::ios::skipws) && in.rdbuf();
}

Step OpenList(std::istream &in, ReadElementFunc readElement, void *data)
{
    const int c = PeekNonBlank(in);
    if (c == kEnd) {
        in.setstate(std::ios::failbit);
        return Step::Failed;
    }
    if (c != kListOpen)
        return readElement(in, data) ? Step::Closed : Step::Failed;
    in.rdbuf()->sbumpc();
    return Step::Element;
}

Step StreamStep(std::istream &in, ReadElementFunc readElement, void *data, bool nestedOpenSkipped)
{
    const int c = PeekNonBlank(in);
    if (c == kEnd) {
        in.setstate(std::ios::failbit);
        return Step::Failed;
    }
    if (c == kComment) {
        SkipComment(in);
    } else if (c == kListSeparator || (c == kListOpen && nestedOpenSkipped)) {
        in.rdbuf()->sbumpc();
    } else if (c == kListClose) {
        in.rdbuf()->sbumpc();
        return Step::Closed;
    } else if (!readElement(in, data)) {
        in.setstate(std::ios::failbit);
        return Step::Failed;
    }
    return Step::Element;
}

} // namespace Detail

namespace {

thread_local BadElementScope *t_badElements = nullptr;

bool IsElementEnd(int c)
{
    return c == kEnd || c == ' ' || (c >= '\t' && c <= '\r') || c == kListSeparator || c == kListClose ||
           c == kListOpen || c == kComment || c == '}';
}

} // namespace

bool AtElementEnd(std::istream &in)
{
    std::streambuf *buffer = in.rdbuf();
    return !buffer || IsElementEnd(buffer->sgetc());
}

BadElementScope::BadElementScope() : m_previous(t_badElements)
{
    t_badElements = this;
}

BadElementScope::~BadElementScope()
{
    t_badElements = m_previous;
}

bool SkipBadElement(std::istream &in, bool parenthesised, bool tuple)
{
    BadElementScope *scope = t_badElements;
    std::streambuf *buffer = in.rdbuf();
    if (!scope || !buffer)
        return false;
    in.clear();
    constexpr size_t kShown = 40;
    std::string text;
    auto take = [&] {
        const int c = buffer->sbumpc();
        if (text.size() < kShown)
            text.push_back(static_cast<char>(c));
    };
    int c = buffer->sgetc();
    while (c == ' ' || (c >= '\t' && c <= '\r'))
        c = buffer->snextc();
    if (c == '}' || c == kEnd)
        return false;
    for (c = buffer->sgetc(); c != kEnd && c != '}' && c != kListClose; c = buffer->sgetc()) {
        if (parenthesised) {
            take();
            if (c == ')')
                break;
        } else if (tuple ? c == kListSeparator : IsElementEnd(c)) {
            break;
        } else {
            take();
        }
    }
    if (scope->m_count++ == 0)
        scope->m_first = text.empty() ? std::string(1, static_cast<char>(c)) : text;
    // A bad element that took nothing must not stop the list where it is.
    if (text.empty() && c != kEnd && c != kListClose && c != '}' && c != kListSeparator)
        buffer->sbumpc();
    return true;
}

void WriteListOpen(std::ostream &out)
{
    out.put(kListOpen);
}

void WriteListSeparator(std::ostream &out)
{
    out.write(kListSeparatorText, kListSeparatorLength);
}

void WriteListClose(std::ostream &out)
{
    out.put(kListClose);
}

} // namespace SgSceneText

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

namespace {

enum class InPlace { ListClosed, Undecided };

// Reads the list in place as far as the buffered characters tell: elements,
// separators, nested opens and whole comments. Stops before the first thing
// that needs the stream (a comment or element running past the buffered
// characters, a malformed element), leaving the stream there.
InPlace ReadListInPlace(std::streambuf *buffer, ScanElementFunc scanElement, void *data, bool nestedOpenSkipped)
{
    const char *p = BufferedBegin(buffer);
    const char *end = BufferedEnd(buffer);
    InPlace result = InPlace::Undecided;
    for (;;) {
        while (p < end && (*p == ' ' || *p == '\n' || *p == '\t' || *p == '\r' || *p == '\v' || *p == '\f'))
            ++p;
        if (p == end)
            break;
        const char c = *p;
        if (c == kComment) {
            const void *lineEnd = std::memchr(p, '\n', static_cast<size_t>(end - p));
            if (!lineEnd)
                break;
            p = static_cast<const char *>(lineEnd) + 1;
        } else if (c == kListSeparator || (c == kListOpen && nestedOpenSkipped)) {
            ++p;
        } else if (c == kListClose) {
            ++p;
            result = InPlace::ListClosed;
            break;
        } else if (!scanElement(p, end, data)) {
            break;
        }
    }
    TakeBuffered(buffer, p);
    return result;
}

} // namespace

bool ReadList(std::istream &in, ReadElementFunc readElement, ScanElementFunc scanElement, void *data,
              bool nestedOpenSkipped)
{
    // The in-place reader reads as the element readers do on a good stream
    // that skips blanks; any other stream goes the stream's way throughout.
    if (scanElement && (!(in.flags() & std::ios::skipws) || !in.rdbuf()))
        scanElement = nullptr;
    int c = PeekNonBlank(in);
    if (c == kEnd) {
        in.setstate(std::ios::failbit);
        return false;
    }
    if (c != kListOpen)
        return readElement(in, data);
    std::streambuf *buffer = in.rdbuf();
    buffer->sbumpc();
    for (;;) {
        if (scanElement && in.good() && ReadListInPlace(buffer, scanElement, data, nestedOpenSkipped) == InPlace::ListClosed)
            return true;
        c = PeekNonBlank(in);
        if (c == kEnd) {
            in.setstate(std::ios::failbit);
            return false;
        }
        if (c == kComment) {
            SkipComment(in);
        } else if (c == kListSeparator || (c == kListOpen && nestedOpenSkipped)) {
            buffer->sbumpc();
        } else if (c == kListClose) {
            buffer->sbumpc();
            return true;
        } else if (!readElement(in, data)) {
            in.setstate(std::ios::failbit);
            return false;
        }
    }
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

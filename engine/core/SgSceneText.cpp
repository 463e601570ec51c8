#include "engine/core/SgSceneText.h"

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

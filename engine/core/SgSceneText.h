#pragma once
// The punctuation every piece of scene text shares: "#" starts a comment that
// runs to the line end, and a list is "[" elements "]" with "," between them
// (written " , "). The array fields, the scene reader and the scene writer all
// read and write lists through these, so that a field's own text and the
// field as it stands in a scene file never drift apart.
#include <cstring>
#include <istream>
#include <string>

#include "utilities/math/NumberText.h"
#include "engine/core/NodaraExport.h"

namespace SgSceneText {

inline constexpr char kComment = '#';
inline constexpr char kListOpen = '[';
inline constexpr char kListClose = ']';
inline constexpr char kListSeparator = ',';
// What the writer puts between two elements of a list.
inline constexpr char kListSeparatorText[] = " , ";
inline constexpr int kListSeparatorLength = 3;

// Takes the rest of a comment line, the line end included. The stream form
// sets eofbit when the text ends inside the comment.
NODARA_API void SkipComment(std::streambuf &buffer);
NODARA_API void SkipComment(std::istream &in);

// Reads one element from `in` and keeps it; false (failbit set) when no
// element stands there.
using ReadElementFunc = bool (*)(std::istream &in, void *data);

// A list, or a bare element standing for a list of one. Comments and
// separators between the elements are skipped. With nestedOpenSkipped an inner
// "[" is passed over like a separator (array fields take "[1, [2, 3]" as three
// elements); otherwise it must read as an element. The first "]" ends the list. A list that does not close
// fails: whatever readElement kept must then be dropped by the caller. Failures
// leave failbit set.
NODARA_API bool ReadList(std::istream &in, ReadElementFunc readElement, void *data, bool nestedOpenSkipped);

// Reads one element in place from the characters [p, end) that the stream
// holds ahead of its read position, moving p past it; false, taking nothing,
// when it cannot tell there (see ScanNumber), and readElement decides.
using ScanElementFunc = bool (*)(const char *&p, const char *end, void *data);

// The same list, read in place while the elements and what stands between
// them lie in the buffered characters; comments that end there too. Exactly
// what the form above reads, with the same failures at the same places.
NODARA_API bool ReadList(std::istream &in, ReadElementFunc readElement, ScanElementFunc scanElement, void *data,
              bool nestedOpenSkipped);

// The same with the element scanner inlined into the loop, for arrays whose
// elements are numbers: `scanElement(p, end)` as ScanElementFunc without the
// data pointer.
template <class Scan>
NODARA_API bool ReadListScanning(std::istream &in, ReadElementFunc readElement, Scan &&scanElement, void *data,
                      bool nestedOpenSkipped);

// An element of a list ends at a blank, a separator, the list's bracket, a
// comment or the block's close: "1.2.3" is no two numbers. True at the end of
// the text too.
NODARA_API bool AtElementEnd(std::istream &in);

// While a scope lives on this thread, a list element that does not read is
// passed over (and counted) instead of failing the whole list: a scene file
// keeps the good values of a long array around one bad number. Without a
// scope a bad element fails the list, as field text typed by hand should.
class NODARA_API BadElementScope {
public:
    BadElementScope();
    ~BadElementScope();
    BadElementScope(const BadElementScope &) = delete;
    BadElementScope &operator=(const BadElementScope &) = delete;

    int GetCount() const { return m_count; }
    // The text of the first element passed over.
    const std::string &GetFirst() const { return m_first; }

private:
    friend bool SkipBadElement(std::istream &in, bool parenthesised, bool tuple);
    BadElementScope *m_previous;
    int m_count = 0;
    std::string m_first;
};

// Passes over the rest of an element that did not read and counts it in the
// scope: through the ")" of an element that opened with "(", to the next ","
// or "]" for the rest of a bare tuple, to the end of the word for a number.
// False (nothing taken) without a scope, or at a "}" that ends a block.
NODARA_API bool SkipBadElement(std::istream &in, bool parenthesised, bool tuple);

NODARA_API void WriteListOpen(std::ostream &out);
NODARA_API void WriteListSeparator(std::ostream &out);
NODARA_API void WriteListClose(std::ostream &out);

} // namespace SgSceneText

// ---- The list reader's inline part ----------------------------------------------

namespace SgSceneText::Detail {

enum class Step { Element, Closed, Failed };

// Takes the "[" of a list, or reads the bare element that stands for a list
// of one (Closed) or fails.
NODARA_API Step OpenList(std::istream &in, ReadElementFunc readElement, void *data);
// One step of the list through the stream: a comment, a separator, the
// closing "]" or an element.
NODARA_API Step StreamStep(std::istream &in, ReadElementFunc readElement, void *data, bool nestedOpenSkipped);
// Whether the stream can be read in place at all.
NODARA_API bool CanReadInPlace(std::istream &in);

// Reads the list in place as far as the buffered characters tell: elements,
// separators, nested opens and whole comments. Stops before the first thing
// that needs the stream (a comment or element running past the buffered
// characters, a malformed element), leaving the stream there. True when the
// list closed.
template <class Scan>
bool ReadInPlace(std::streambuf *buffer, Scan &scanElement, bool nestedOpenSkipped)
{
    const char *p = BufferedBegin(buffer);
    const char *const end = BufferedEnd(buffer);
    bool closed = false;
    for (;;) {
        p = NumberTextDetail::SkipBlanks(p, end);
        if (p == end)
            break;
        const char c = *p;
        if (c == kListSeparator || (c == kListOpen && nestedOpenSkipped)) {
            ++p;
        } else if (c == kListClose) {
            ++p;
            closed = true;
            break;
        } else if (c == kComment) {
            const void *lineEnd = std::memchr(p, '\n', static_cast<size_t>(end - p));
            if (!lineEnd)
                break;
            p = static_cast<const char *>(lineEnd) + 1;
        } else if (!scanElement(p, end)) {
            break;
        }
    }
    TakeBuffered(buffer, p);
    return closed;
}

} // namespace SgSceneText::Detail

template <class Scan>
bool SgSceneText::ReadListScanning(std::istream &in, ReadElementFunc readElement, Scan &&scanElement, void *data,
                                   bool nestedOpenSkipped)
{
    switch (Detail::OpenList(in, readElement, data)) {
    case Detail::Step::Element:
        break;
    case Detail::Step::Closed:
        return true;
    case Detail::Step::Failed:
        return false;
    }
    const bool inPlace = Detail::CanReadInPlace(in);
    std::streambuf *buffer = in.rdbuf();
    for (;;) {
        if (inPlace && in.good() && Detail::ReadInPlace(buffer, scanElement, nestedOpenSkipped))
            return true;
        switch (Detail::StreamStep(in, readElement, data, nestedOpenSkipped)) {
        case Detail::Step::Element:
            break;
        case Detail::Step::Closed:
            return true;
        case Detail::Step::Failed:
            return false;
        }
    }
}

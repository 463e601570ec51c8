// The tokenizer and the reader. Numbers follow the dialect's own grammar
// (optional sign, digits with at most one point, optional exponent), so the
// C library's extras (inf, nan, hexadecimal) stay symbols and "1,2" is no number.
#include <cctype>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <new>
#include <locale.h>
#include <string>

#include "engine/engines/lisp/LispReader.h"
#include "engine/engines/lisp/LispState.h"

namespace {

constexpr const char *kSymbolCharacters =
    "abcdefghijklmnopqrstuvwxyz0123456789~!@#$%^&*_-+=|:?/.<>ABCDEFGHIJKLMNOPQRSTUVWXYZ";

bool IsSymbolText(const std::string &text)
{
    for (char c : text)
        if (c == '\0' || !std::strchr(kSymbolCharacters, c))
            return false;
    return true;
}

bool IsBlank(int c)
{
    return c != 0 && std::isspace(c);
}

// Reading does not depend on the host's locale: the point is always '.'.
double ParseDouble(const std::string &text)
{
    static locale_t s_cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return strtod_l(text.c_str(), nullptr, s_cLocale);
}

bool ParseNumber(const std::string &text, value_t *out)
{
    size_t i = 0;
    const size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    bool integral = true;
    int64_t magnitude = 0;
    while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (magnitude <= (int64_t{1} << 40))
            magnitude = magnitude * 10 + (text[i] - '0');
        ++i;
        ++digits;
    }
    if (i < n && text[i] == '.') {
        integral = false;
        ++i;
        while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        integral = false;
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        size_t exponentDigits = 0;
        while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return false;
    }
    if (i != n)
        return false;
    if (integral) {
        int64_t value = text[0] == '-' ? -magnitude : magnitude;
        // An integer beyond 32 bits reads as the double of the same value.
        if (value >= INT32_MIN && value <= INT32_MAX) {
            *out = value_t::Int(static_cast<int32_t>(value));
            return true;
        }
    }
    *out = value_t::Double(ParseDouble(text));
    return true;
}

LispReadStatus ReadList(LispStream *stream, value_t *out);

// Lists open while reading, and how many were open when the nesting limit
// stopped the read (-1: it did not), so that the rest of the expression can
// be passed over whole.
int s_openLists = 0;
int s_openAtDepthLimit = -1;
// Lists still open where the first syntax error of the expression was found
// (-1: none yet): the rest of the top-level form goes with it.
int s_openAtError = -1;

void NoteError(int open)
{
    if (s_openAtError < 0)
        s_openAtError = open;
}

struct OpenList {
    OpenList() { ++s_openLists; }
    ~OpenList() { --s_openLists; }
    OpenList(const OpenList &) = delete;
    OpenList &operator=(const OpenList &) = delete;
};

// Takes characters up to the end of the string whose opening quote was taken.
void SkipString(LispStream *stream)
{
    int c;
    while ((c = LispStreamGet(stream)) != 0 && c != '"') {
    }
}

// Passes over what is left of an expression that the nesting limit cut:
// with lists open, everything up to the parenthesis that closes the
// outermost; otherwise the quotes and then the one item they quote.
void SkipRestOfExpression(LispStream *stream, int open)
{
    if (open == 0) {
        for (;;) {
            while (IsBlank(LispStreamPeek(stream)))
                LispStreamGet(stream);
            if (LispStreamPeek(stream) != '\'')
                break;
            LispStreamGet(stream);
        }
        const int c = LispStreamPeek(stream);
        if (c == '"') {
            LispStreamGet(stream);
            SkipString(stream);
            return;
        }
        if (c != '(') {
            // An atom: up to what ends a token.
            for (int d = c; d != 0 && !IsBlank(d) && d != '(' && d != ')' && d != '"' && d != '\'';
                 d = LispStreamPeek(stream))
                LispStreamGet(stream);
            return;
        }
    }
    int c;
    while ((c = LispStreamGet(stream)) != 0) {
        if (c == '"') {
            SkipString(stream);
        } else if (c == '(') {
            ++open;
        } else if (c == ')' && --open <= 0) {
            return;
        }
    }
}

LispReadStatus ReadExpression(LispStream *stream, value_t *out)
{
    LispDepth depth;
    if (!depth.Ok()) {
        LispPrintf("\nExpression nested too deeply.");
        if (s_openAtDepthLimit < 0)
            s_openAtDepthLimit = s_openLists;
        return LispReadStatus::Failed;
    }
    int token = 0;
    value_t value;
    if (!LispReadToken(stream, &token, &value)) {
        if (token == LispTokenEnd)
            return LispReadStatus::End;
        NoteError(s_openLists);
        return LispReadStatus::Failed;
    }
    switch (token) {
    case LispTokenQuote: {
        value_t quoted;
        if (ReadExpression(stream, &quoted) != LispReadStatus::Ok)
            return LispReadStatus::Failed;
        value_t pair = LispMakeCons(value_t::Symbol(LispQuotIndex()), quoted);
        if (pair.IsError()) {
            NoteError(s_openLists);
            return LispReadStatus::Failed;
        }
        *out = pair;
        return LispReadStatus::Ok;
    }
    case LispTokenClose:
        // The parenthesis closed the innermost list open.
        NoteError(s_openLists > 0 ? s_openLists - 1 : 0);
        LispPrintf("Extra right parantesis.");
        return LispReadStatus::Failed;
    case LispTokenOpen:
        return ReadList(stream, out);
    default:
        *out = value;
        return LispReadStatus::Ok;
    }
}

LispReadStatus ReadList(LispStream *stream, value_t *out)
{
    OpenList open;
    value_t head;
    LispGuard guard(head);
    LispCell *last = nullptr;
    bool dotted = false;
    bool dotFirst = false;
    for (;;) {
        while (IsBlank(LispStreamPeek(stream)))
            LispStreamGet(stream);
        if (dotted)
            break;
        int c = LispStreamPeek(stream);
        if (c == ')')
            break;
        if (c == 0) {
            LispPrintf("\nMissing right parenthesis.");
            return LispReadStatus::Failed;
        }
        value_t element;
        if (ReadExpression(stream, &element) != LispReadStatus::Ok)
            return LispReadStatus::Failed;
        if (element.tag == LispSymbol && element.u.i == LispDotIndex()) {
            if (!last) {
                dotFirst = true;
                break;
            }
            value_t tail;
            if (ReadExpression(stream, &tail) != LispReadStatus::Ok)
                return LispReadStatus::Failed;
            last->cdr = tail;
            dotted = true;
            continue;
        }
        value_t cell = LispMakeCons(element, value_t::Nil());
        if (cell.IsError()) {
            NoteError(s_openLists);
            return LispReadStatus::Failed;
        }
        if (last)
            last->cdr = cell;
        else
            head = cell;
        last = cell.Cell();
    }
    if (!dotFirst && LispStreamPeek(stream) == ')') {
        LispStreamGet(stream);
        *out = head;
        return LispReadStatus::Ok;
    }
    NoteError(s_openLists);
    LispPrintf("\nIllegal dot expretion.");
    return LispReadStatus::Failed;
}

} // namespace

int LispReadToken(LispStream *stream, int *token, value_t *value)
{
    while (IsBlank(LispStreamPeek(stream)))
        LispStreamGet(stream);
    int c = LispStreamGet(stream);
    if (c == 0) {
        *token = LispTokenEnd;
        return 0;
    }
    if (c == '"') {
        std::string text;
        while ((c = LispStreamPeek(stream)) != 0 && c != '"') {
            text.push_back(static_cast<char>(c));
            LispStreamGet(stream);
        }
        if (c == 0) {
            LispPrintf("\nNon terminating string: %s .", text.c_str());
            *token = LispTokenError;
            return 0;
        }
        LispStreamGet(stream);
        *value = LispMakeString(text);
        if (value->IsError()) {
            *token = LispTokenError;
            return 0;
        }
        *token = LispString;
        return 1;
    }
    if (c == '\'' || c == '(' || c == ')') {
        *token = c == '\'' ? LispTokenQuote : c;
        return 1;
    }
    std::string text(1, static_cast<char>(c));
    while ((c = LispStreamPeek(stream)) != 0 && !std::isspace(c) && c != '(' && c != ')' && c != '"' &&
           c != '\'') {
        text.push_back(static_cast<char>(c));
        LispStreamGet(stream);
    }
    if (ParseNumber(text, value)) {
        *token = static_cast<int>(value->tag);
        return 1;
    }
    if (IsSymbolText(text)) {
        *value = LispSymbolValue(text.c_str());
        if (value->IsError()) {
            *token = LispTokenError;
            return 0;
        }
        *token = static_cast<int>(value->tag);
        return 1;
    }
    LispPrintf("\nIlegel symbol: %s .", text.c_str());
    *token = LispTokenError;
    return 0;
}

LispReadStatus LispReadExpression(LispStream *stream, value_t *result)
{
    if (!stream)
        return LispReadStatus::Failed;
    LispInit();
    // The reader keeps no state of its own beyond its guards: a refused
    // allocation ends the read, not the process.
    try {
        while (IsBlank(LispStreamPeek(stream)))
            LispStreamGet(stream);
        stream->m_expressionLine = stream->m_line;
        s_openLists = 0;
        s_openAtDepthLimit = -1;
        s_openAtError = -1;
        const LispReadStatus status = ReadExpression(stream, result);
        if (status == LispReadStatus::Failed && s_openAtDepthLimit >= 0)
            SkipRestOfExpression(stream, s_openAtDepthLimit);
        else if (status == LispReadStatus::Failed && s_openAtError > 0)
            SkipRestOfExpression(stream, s_openAtError);
        return status;
    } catch (const std::bad_alloc &) {
        LispWrite("\nOut of memory.");
        return LispReadStatus::Failed;
    }
}

int LispRead(LispStream *stream, value_t *result)
{
    return LispReadExpression(stream, result) == LispReadStatus::Ok ? 1 : 0;
}

bool LispIsSymbolName(const char *text)
{
    if (!text || !*text)
        return false;
    const std::string name(text);
    value_t number;
    if (!IsSymbolText(name) || ParseNumber(name, &number))
        return false;
    return strcasecmp(text, "nil") != 0;
}

value_t LispReadFromString(const char *text)
{
    LispInit();
    LispStream *stream = LispOpenStream(text, LispStream::StringKind);
    if (!stream) {
        if (text)
            LispWrite("\nOut of memory.");
        return value_t::Nil();
    }
    value_t result;
    if (LispReadExpression(stream, &result) != LispReadStatus::Ok)
        result = value_t::Nil();
    LispCloseStream(stream);
    return result;
}

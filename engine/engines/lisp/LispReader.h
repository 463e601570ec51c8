#pragma once
// Text to values: character streams over strings and files, the tokenizer
// and the reader with its list, dot and quote syntax.
#include "engine/engines/lisp/LispValue.h"
#include "engine/core/NodaraExport.h"

struct LispStream;

// Token codes of the tokenizer; atoms return their value's tag.
enum LispToken : int {
    LispTokenOpen = 40,
    LispTokenClose = 41,
    LispTokenQuote = LispQuoteToken,
    LispTokenEnd = LispEndToken,
    LispTokenError = LispError
};

enum class LispReadStatus { Ok, End, Failed };

// kind 0: a string stream over a copy of the text; kind 1: the named file.
// Null for any other kind or a file that cannot be opened (a folder cannot;
// errno tells why). The opener closes it.
NODARA_API LispStream *LispOpenStream(const char *pathOrText, int kind);
// A file stream over an open descriptor (standard input for the host); null
// when there is no memory for it.
NODARA_API LispStream *LispOpenDescriptorStream(int descriptor, bool ownsDescriptor);
// The errno of a read that failed (the stream then reads as ended), else 0.
NODARA_API int LispStreamError(const LispStream *stream);
// The line (from 1) on which the expression LispReadExpression read last
// began, so that a syntax error can be placed; 0 before any.
NODARA_API int LispExpressionLine(const LispStream *stream);
// The reader takes a NUL byte for the end of the text. When a file stream
// read as ended at one rather than at the end of its data, the line (from 1)
// of that byte; otherwise 0.
NODARA_API int LispStreamNulLine(const LispStream *stream);
NODARA_API int LispCloseStream(LispStream *stream);
NODARA_API int LispStreamGet(LispStream *stream);
NODARA_API int LispStreamPeek(LispStream *stream);

// One token: 1, or 0 at the end of input or after a token error.
NODARA_API int LispReadToken(LispStream *stream, int *token, value_t *value);
// One expression: 1, or 0 when nothing could be read.
NODARA_API int LispRead(LispStream *stream, value_t *result);
// One expression, telling the end of the input from a syntax error.
NODARA_API LispReadStatus LispReadExpression(LispStream *stream, value_t *result);
// The first expression of the text, or NIL when nothing was read.
NODARA_API value_t LispReadFromString(const char *text);
// Whether the text reads back as one symbol (not a number, not NIL): what a
// name that formulas use as a variable must be.
NODARA_API bool LispIsSymbolName(const char *text);

#pragma once
// Values back to text: the plain printer and the indenting printer behind
// `print_struct`. Both are bounded, so a cyclic or very long list prints as a
// cut text ending in "..." instead of running away.
#include <cstddef>
#include <string>

#include "engine/engines/lisp/LispValue.h"
#include "engine/core/NodaraExport.h"

// What `print` and `prints` write at most.
constexpr size_t kLispPrintLimit = 100000;

NODARA_API std::string LispPrintToString(value_t v, size_t limit = kLispPrintLimit);
// Writes the printed form into buffer (at most size - 1 characters and the
// NUL); returns the end of the written text.
NODARA_API char *LispPrint(char *buffer, size_t size, value_t v);

NODARA_API std::string LispPrettyPrintToString(value_t v, int indent, size_t limit = kLispPrintLimit);
NODARA_API char *LispPrettyPrint(char *buffer, size_t size, value_t v, int indent);

// LISP text as a scene file brings it: every expression read and evaluated
// as a formula is, in the sandbox and within the formula budgets, on a fresh
// interpreter so that each input replays alone.
#include <string>

#include "engine/engines/lisp/Lisp.h"
#include "fuzz/FuzzEntries.h"

namespace fuzzentry {

int Lisp(const uint8_t *data, size_t size)
{
    Start();
    LispSetOutput([](std::string_view) {});
    LispReset();
    const std::string text(reinterpret_cast<const char *>(data), size);
    LispStream *stream = LispOpenStream(text.c_str(), 0);
    if (!stream)
        return 0;
    // One unit of work per input: its expressions share the unit's budget,
    // as the formulas of one load do.
    static uint64_t unit = 0;
    ++unit;
    value_t expression;
    while (LispReadExpression(stream, &expression) == LispReadStatus::Ok) {
        LispFormulaScope scope(LispCurrentContext(), unit);
        if (scope.Refused())
            break;
        LispPrintToString(LispEvalTopLevel(expression));
    }
    LispCloseStream(stream);
    return 0;
}

} // namespace fuzzentry

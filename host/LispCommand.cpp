#include "host/LispCommand.h"

#include <cstdio>

#include "engine/engines/lisp/Lisp.h"

int RunLispCommand(const char *file)
{
    LispInit();
    LispStream *stream = file ? LispOpenStream(file, 1) : LispOpenDescriptorStream(0, false);
    if (!stream) {
        std::fprintf(stderr, "fennix: cannot open %s\n", file);
        return 1;
    }
    int status = 0;
    for (;;) {
        value_t expression;
        LispReadStatus read = LispReadExpression(stream, &expression);
        if (read == LispReadStatus::End)
            break;
        if (read == LispReadStatus::Failed) {
            status = 1;
            break;
        }
        value_t result = LispEvalTopLevel(expression);
        // Messages end without a line break; the value starts its own line.
        if (!LispOutputAtLineStart())
            LispWrite("\n");
        LispWrite(LispPrintToString(result));
        LispWrite("\n");
        if (LispQuitRequested())
            break;
    }
    if (!LispOutputAtLineStart())
        LispWrite("\n");
    LispCloseStream(stream);
    std::fflush(stdout);
    return status;
}

#include "host/LispCommand.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/engines/lisp/Lisp.h"

namespace {

const char *Name(const char *file)
{
    return file ? file : "standard input";
}

// A whole decimal number, nothing after it.
bool ParseCount(const char *text, uint64_t &out)
{
    if (!text || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char *end = nullptr;
    unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0')
        return false;
    out = value;
    return true;
}

// Messages end without a line break; whatever comes next starts its own line.
void EndLine()
{
    if (!LispOutputAtLineStart())
        LispWrite("\n");
}

} // namespace

int RunLispCommand(const char *file)
{
    LispInit();
    LispStream *stream = file ? LispOpenStream(file, 1) : LispOpenDescriptorStream(0, false);
    if (!stream) {
        std::fprintf(stderr, "fennix: cannot open %s: %s\n", Name(file), std::strerror(errno));
        return 1;
    }
    int status = 0;
    for (;;) {
        value_t expression;
        LispReadStatus read = LispReadExpression(stream, &expression);
        if (read == LispReadStatus::End)
            break;
        if (read == LispReadStatus::Failed) {
            // The reader has passed over the rest of the top-level form;
            // the next expression starts after it.
            EndLine();
            std::fflush(stdout);
            std::fprintf(stderr, "fennix: %s:%d: syntax error; reading goes on\n", Name(file),
                         LispExpressionLine(stream));
            status = 1;
            continue;
        }
        value_t result = LispEvalTopLevel(expression);
        EndLine();
        LispWrite(LispPrintToString(result));
        LispWrite("\n");
        std::fflush(stdout);
        if (LispQuitRequested())
            break;
    }
    EndLine();
    std::fflush(stdout);
    if (int line = LispStreamNulLine(stream)) {
        std::fprintf(stderr, "fennix: %s:%d: a NUL byte ends the text there; what follows it is not read\n",
                     Name(file), line);
        status = 1;
    }
    if (int error = LispStreamError(stream)) {
        std::fprintf(stderr, "fennix: cannot read %s: %s\n", Name(file), std::strerror(error));
        status = 1;
    }
    LispCloseStream(stream);
    return status;
}

int RunLispCommandLine(int argc, char **argv)
{
    const char *file = nullptr;
    uint64_t steps = kLispNoStepLimit;
    uint64_t heap = kLispDefaultHeapLimit;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--steps") == 0 && i + 1 < argc && ParseCount(argv[i + 1], steps)) {
            ++i;
        } else if (std::strcmp(argv[i], "--heap") == 0 && i + 1 < argc && ParseCount(argv[i + 1], heap)) {
            ++i;
        } else if (!file && argv[i][0] != '-') {
            file = argv[i];
        } else {
            std::fprintf(stderr, "usage: fennix --lisp [--steps N] [--heap BYTES] [FILE]\n");
            return 2;
        }
    }
    LispInit();
    LispSetStepLimit(steps);
    LispSetHeapLimit(static_cast<size_t>(heap));
    return RunLispCommand(file);
}

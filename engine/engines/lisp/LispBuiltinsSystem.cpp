// Output, files, the collector, the argument selectors and the clock.
#include <ctime>
#include <string>
#include <unistd.h>

#include "engine/engines/lisp/LispBuiltins.h"
#include "engine/engines/lisp/LispEvaluator.h"
#include "engine/engines/lisp/LispPrinter.h"
#include "engine/engines/lisp/LispReader.h"
#include "engine/engines/lisp/LispState.h"
#include "utilities/FileUtil.h"

namespace {

// A file that loads itself must end before the descriptors run out.
constexpr int kMaxLoadNesting = 32;


LispStream *StreamOf(value_t v)
{
    return v.tag == LispStreamRef ? static_cast<LispStream *>(v.u.p) : nullptr;
}

// One level of `load`: its stream closes and its nesting ends however the
// load ends.
class LoadLevel {
public:
    explicit LoadLevel(LispStream *stream) : m_stream(stream) { ++Lisp().m_loadNesting; }
    ~LoadLevel()
    {
        --Lisp().m_loadNesting;
        LispCloseStream(m_stream);
    }
    LoadLevel(const LoadLevel &) = delete;
    LoadLevel &operator=(const LoadLevel &) = delete;

private:
    LispStream *m_stream;
};

template <int N>
value_t Selector(value_t *args, int argc)
{
    if (N < argc)
        return args[N];
    LispPrintf("\nARG%d needs at least %d arguments.", N, N + 1);
    return value_t::Error();
}

} // namespace

// Printing costs a step for each character written.
static bool ChargePrinted(const std::string &text)
{
    return LispCharge(static_cast<int64_t>(text.size()));
}

value_t BuiltinPrint(value_t *args, int)
{
    const std::string text = LispPrintToString(args[0]);
    if (!ChargePrinted(text))
        return value_t::Error();
    LispWrite(text);
    return args[0];
}

value_t BuiltinPrints(value_t *args, int)
{
    const std::string text = LispPrintToString(args[0]);
    if (!ChargePrinted(text))
        return value_t::Error();
    return LispMakeString(text);
}

value_t BuiltinPrintStruct(value_t *args, int)
{
    const std::string text = LispPrettyPrintToString(args[0], 0);
    if (!ChargePrinted(text))
        return value_t::Error();
    LispWrite(text);
    return args[0];
}

value_t BuiltinLoad(value_t *args, int)
{
    if (!LispAllowedOutsideSandbox("LOAD"))
        return value_t::Error();
    const char *name = LispStringText(args[0]);
    if (!name)
        return Fail("\nArgument 1 to LOAD is not a string.");
    LispState &s = Lisp();
    if (s.m_loadNesting >= kMaxLoadNesting)
        return Fail("\nLISP ERROR: LOAD nested too deeply.");
    LispStream *stream = LispOpenStream(name, 1);
    if (!stream)
        return value_t::Nil();
    LoadLevel level(stream);
    value_t result;
    value_t expression;
    LispGuard guard(result, expression);
    // A syntax error ends the load, keeping what was evaluated so far.
    while (!s.m_abort && LispReadExpression(stream, &expression) == LispReadStatus::Ok) {
        if (!LispGlobalValue(LispLoadVerboseIndex()).IsNil()) {
            LispWrite("\n");
            LispWrite(LispPrintToString(expression));
        }
        result = LispEval(expression);
    }
    return result;
}

value_t BuiltinGc(value_t *, int)
{
    // A collection walks every cell and every heap record.
    LispState &s = Lisp();
    if (!LispCharge(static_cast<int64_t>(s.m_fill) + static_cast<int64_t>(s.m_heapCount)))
        return value_t::Error();
    // Scene formulas collect without printing statistics.
    return LispCollect(!s.m_quietCollections);
}

value_t BuiltinBtrace(value_t *args, int argc)
{
    LispState &s = Lisp();
    int number = static_cast<int>(LispValueStackDepth());
    for (value_t *v = s.m_valueTop; v > s.m_valueStack.get(); --number) {
        --v;
        if (!LispCharge(1))
            return value_t::Error();
        LispPrintf("\n%d: ", number);
        LispWrite(LispPrintToString(*v));
    }
    return argc == 0 ? value_t::Nil() : args[0];
}

value_t BuiltinOpen(value_t *args, int)
{
    if (!LispAllowedOutsideSandbox("OPEN"))
        return value_t::Error();
    const char *name = LispStringText(args[0]);
    if (!name)
        return value_t::Nil();
    size_t bytes = sizeof(LispStream) + LispStream::kFileBufferSize;
    if (!LispReserveHeap(bytes))
        return value_t::Error();
    try {
        LispAllocationFaultPoint();
    } catch (const std::bad_alloc &) {
        return LispOutOfMemory();
    }
    LispStream *stream = LispOpenStream(name, 1);
    if (!stream)
        return value_t::Nil();
    stream->m_collectable = true;
    LispRegisterHeap(stream, bytes);
    return value_t::Pointer(LispStreamRef, stream);
}

value_t BuiltinClose(value_t *args, int)
{
    LispStream *stream = StreamOf(args[0]);
    if (!stream)
        return Fail("\nArgument 1 to CLOSE is not a file stream.");
    if (stream->m_kind != 1)
        return value_t::Nil();
    LispCloseStream(stream);
    return LispT();
}

value_t BuiltinRead(value_t *args, int)
{
    LispStream *stream = StreamOf(args[0]);
    if (!stream)
        return Fail("\nArgument 1 to READ is not a file stream.");
    value_t result;
    if (LispReadExpression(stream, &result) != LispReadStatus::Ok)
        return value_t::Nil();
    return result;
}

value_t BuiltinFileRemove(value_t *args, int)
{
    if (!LispAllowedOutsideSandbox("FILE-REMOVE"))
        return value_t::Error();
    const char *name = LispStringText(args[0]);
    if (!name)
        return Fail("\nArgument 1 to FILE-REMOVE is not a string.");
    if (::unlink(FileUtil::NativePath(name).c_str()) == 0)
        return LispT();
    LispPrintf("\nLISP ERROR: Cannot delete file %s .", name);
    return value_t::Nil();
}

value_t BuiltinQuit(value_t *, int)
{
    if (!LispAllowedOutsideSandbox("QUIT"))
        return value_t::Error();
    // The host decides what quitting means; here the evaluation unwinds.
    LispState &s = Lisp();
    s.m_quitRequested = true;
    s.m_abort = true;
    return LispT();
}

value_t BuiltinCpuTime(value_t *, int argc)
{
    LispState &s = Lisp();
    clock_t now = std::clock();
    float seconds = static_cast<float>(static_cast<double>(now - s.m_lastCpu) / CLOCKS_PER_SEC);
    s.m_lastCpu = now;
    if (argc > 0)
        LispPrintf("\nCPU time = %f", static_cast<double>(seconds));
    return value_t::Double(seconds);
}

#define LISP_SELECTOR(n)                                                                           \
    value_t BuiltinArg##n(value_t *args, int argc)                                                 \
    {                                                                                              \
        return Selector<n>(args, argc);                                                            \
    }
LISP_SELECTOR(0)
LISP_SELECTOR(1)
LISP_SELECTOR(2)
LISP_SELECTOR(3)
LISP_SELECTOR(4)
LISP_SELECTOR(5)
LISP_SELECTOR(6)
LISP_SELECTOR(7)
LISP_SELECTOR(8)
LISP_SELECTOR(9)
LISP_SELECTOR(10)
LISP_SELECTOR(11)
LISP_SELECTOR(12)
#undef LISP_SELECTOR

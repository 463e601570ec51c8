#pragma once
// The interpreter's data core: one process-wide set of areas (cells, symbols,
// stacks) with plain functions over them. Every failure prints its message
// through the output sink and returns the ERROR value; nothing is thrown.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "engine/engines/lisp/LispValue.h"
#include "engine/core/NodaraExport.h"

struct Vec3;
struct LispState;

// An interpreter of its own: cells, symbols, globals, functions and heap.
// The process has one (the trusted interpreter of the host's own scripts);
// each document makes another for the formulas of its scenes, so one file
// can neither fill nor change what another's formulas see.
using LispContextRef = std::shared_ptr<LispState>;

// Fixed sizes that scripts may rely on (a script that fits today must fit tomorrow).
constexpr int kLispCellCount = 40000;
constexpr int kLispSymbolCapacity = 4000;
constexpr int kLispValueStackSize = 50000;
constexpr int kLispArgStackSize = 800000;
constexpr int kLispMacroStackSize = 1000;
constexpr int kLispCompileTableSize = 1000;

// A built-in receives its evaluated arguments as a vector on the argument stack.
using LispBuiltinFn = value_t (*)(value_t *args, int argc);
// A special form receives its argument list unevaluated.
using LispSpecialFormFn = value_t (*)(value_t args);

struct NODARA_API LispFunctionRecord {
    uint32_t kind = LispBuiltin;            // LispBuiltin, LispSpecialForm, LispFunction or LispMacro
    LispBuiltinFn handler = nullptr;        // built-ins
    LispSpecialFormFn formHandler = nullptr; // special forms
    value_t lambda;                         // functions and macros: their compiled lambda
    int minArgs = 0;
};

// ---- Start-up -------------------------------------------------------------

// Builds every area, the constants, the special forms and the built-ins, then
// runs the start-up hooks. Idempotent.
NODARA_API void LispInit();
NODARA_API bool LispIsStarted();
// Back to the state right after LispInit (used by tests). The output sink and
// the start-up hooks stay; values held by root nodes are dropped; the heap
// and step limits go back to their defaults.
NODARA_API void LispReset();
// Registration callbacks run at the end of every start (field functions,
// prelude macros). A hook added after the start runs at once as well.
NODARA_API void LispAddStartupHook(void (*hook)());

// ---- Contexts -------------------------------------------------------------

// A new interpreter whose heap may hold at most heapLimit bytes; it starts
// when first entered.
NODARA_API LispContextRef LispNewContext(size_t heapLimit);
// The interpreter in force, and the process's own.
NODARA_API const LispContextRef &LispCurrentContext();
NODARA_API const LispContextRef &LispProcessContext();
// Gives back everything the context holds: values kept by objects that
// outlive it read NIL, its heap is released. Entering it again starts it
// afresh. The process's own interpreter is never closed.
NODARA_API void LispCloseContext(const LispContextRef &context);
NODARA_API bool LispContextIsOpen(const LispContextRef &context);
// The next formula of the context begins a new unit of work (a load).
NODARA_API void LispStartWorkUnit(const LispContextRef &context);

// Puts the context in force for the scope's lifetime (a null one means the
// process's own): root nodes made now belong to it. It starts when first
// used (LispInit, or a formula scope).
class NODARA_API LispContextScope {
public:
    explicit LispContextScope(const LispContextRef &context);
    ~LispContextScope();
    LispContextScope(const LispContextScope &) = delete;
    LispContextScope &operator=(const LispContextScope &) = delete;

private:
    LispContextRef m_previous;
};

// ---- Output ---------------------------------------------------------------

using LispOutputSink = std::function<void(std::string_view)>;
// Where the interpreter's messages and `print` output go; an empty sink means
// standard output.
NODARA_API void LispSetOutput(LispOutputSink sink);
NODARA_API void LispWrite(std::string_view text);
NODARA_API void LispPrintf(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Whether the last character written was a line break (or nothing was written).
NODARA_API bool LispOutputAtLineStart();

// ---- Symbols --------------------------------------------------------------

// Finds or creates the symbol of the upper-cased name; -1 (after the message)
// when the table is full.
NODARA_API int LispIntern(const char *name);
// NIL for the name nil in any case, ERROR when the table is full, else a symbol.
NODARA_API value_t LispSymbolValue(const char *name);
NODARA_API const char *LispSymbolName(int index);
NODARA_API value_t LispGlobalValue(int index);
NODARA_API void LispSetGlobalValue(int index, value_t value);
NODARA_API LispFunctionRecord *LispSymbolFunction(int index);
NODARA_API int LispSymbolCount();
// The constants kept beside the areas.
NODARA_API value_t LispT();
NODARA_API int LispNilIndex();
NODARA_API int LispQuotIndex();
NODARA_API int LispLambdaIndex();
NODARA_API int LispLetIndex();
NODARA_API int LispDotIndex();
NODARA_API int LispOtherwiseIndex();
NODARA_API int LispLoadVerboseIndex();

// ---- Cells, strings, arrays -----------------------------------------------

// A cell, collecting once when the area and the free list are exhausted; null
// when nothing is left. A collection can run inside: hold values across it
// on a stack or the root chain.
NODARA_API LispCell *LispAllocCons();
NODARA_API value_t LispMakeCons(value_t car, value_t cdr);
NODARA_API value_t LispMakeString(const char *text);
NODARA_API value_t LispMakeString(std::string_view text);
// The text of a string value, null for any other value.
NODARA_API const char *LispStringText(value_t v);
// (make-array n): n an integer or a double truncated.
NODARA_API value_t LispMakeArray(value_t count);
// Element count and storage of an array value; -1 and null for anything else.
NODARA_API int LispArrayCount(value_t v);
NODARA_API value_t *LispArrayElements(value_t v);
NODARA_API int32_t LispToInt(value_t v);
NODARA_API float LispToFloat(value_t v);
NODARA_API double LispToDouble(value_t v);
// Elements 0, 1, 2 of an array as doubles (integers widened); false, out
// untouched, unless the value is an array of at least three numbers.
NODARA_API bool LispValueToVec3(value_t v, Vec3 &out);
// One collection with statistics; T when the counts agree.
NODARA_API value_t LispCollectGarbage();
// Tests: a silent collection before every cell allocation, so that a value
// held anywhere without a root is caught at once.
NODARA_API void LispSetCollectOnEveryAllocation(bool on);
// Cells handed out from the area so far, and cells on the free list.
NODARA_API int LispCellsUsed();
NODARA_API int LispFreeCells();

// ---- Function records -----------------------------------------------------

NODARA_API void LispRegisterFunction(const char *name, LispBuiltinFn handler, int arity);
NODARA_API void LispRegisterSpecialForm(const char *name, LispSpecialFormFn handler);
// Replaces the name's record by a new one; null when the name cannot be interned.
NODARA_API LispFunctionRecord *LispDefineFunctionRecord(const char *name, uint32_t kind, LispBuiltinFn handler,
                                             int minArgs);

// ---- Stacks ---------------------------------------------------------------

// Callers outside the interpreter that apply a function push it and its
// arguments here, call LispApply and set the top back.
NODARA_API bool LispPushArg(value_t v);
NODARA_API value_t *LispArgTop();
NODARA_API void LispSetArgTop(value_t *top);
NODARA_API size_t LispArgStackDepth();
NODARA_API size_t LispValueStackDepth();

// ---- Root chain -----------------------------------------------------------

// Keeps a value that an object outside the interpreter holds across calls
// alive through collections. Nodes may be destroyed in any order.
class NODARA_API LispRootNode {
public:
    // Linked into the interpreter in force, whose owner the node shares.
    explicit LispRootNode(value_t *slot);
    ~LispRootNode();
    LispRootNode(const LispRootNode &) = delete;
    LispRootNode &operator=(const LispRootNode &) = delete;

    value_t *Slot() const { return m_slot; }
    LispRootNode *Next() const { return m_next; }
    // Moves the node into another interpreter (null: the process's own);
    // the slot's value, which belonged to the old one, becomes NIL. The
    // owner compiles again what it needs there.
    void Rebind(const LispContextRef &context);
    // The interpreter the slot's value belongs to: the one to evaluate in.
    const LispContextRef &Context() const { return m_context; }

private:
    friend struct LispState;
    friend class LispCollector;
    value_t *m_slot;
    LispContextRef m_context;
    LispRootNode *m_prev = nullptr;
    LispRootNode *m_next = nullptr;
    bool m_linked = false;
};

// ---- Limits ---------------------------------------------------------------

// Bytes held on the heap by strings, array storage, lambda and closure
// records, stream records and property lists. Allocations count toward a
// collection (one runs once as many bytes were allocated as were live after
// the last one, at least a few megabytes) and toward a cap: an allocation that
// would pass the cap after a collection, or that the system refuses, prints
// its message and ends the top-level evaluation in progress with ERROR.
NODARA_API size_t LispHeapBytes();
constexpr size_t kLispDefaultHeapLimit = size_t{1} << 30;
NODARA_API void LispSetHeapLimit(size_t bytes);
NODARA_API size_t LispHeapLimit();

// Steps are function calls and applications, body forms and clauses run by
// the special forms, passes of `while` and the nodes `equal` compares. Each
// top-level evaluation (an evaluation entered from outside the interpreter)
// may take this many; past them it prints its message and ends with ERROR,
// and the next evaluation starts afresh. 0 (the default) sets no limit.
constexpr uint64_t kLispNoStepLimit = 0;
NODARA_API void LispSetStepLimit(uint64_t steps);
NODARA_API uint64_t LispStepLimit();

// What code from a scene file gets (LispFormulaScope): each evaluation its
// steps and heap above what the last collection left; all formulas of a
// context in one unit of work (a traversal, a load) a shared budget of
// steps; a document's context a heap cap.
constexpr size_t kLispFormulaHeapAllowance = size_t{16} << 20;
constexpr uint64_t kLispFormulaStepLimit = 10'000'000;
constexpr uint64_t kLispWorkUnitStepLimit = 60'000'000;
constexpr size_t kLispDocumentHeapLimit = size_t{64} << 20;
// The unit of work of an evaluation that has its own budget only (compiling).
constexpr uint64_t kLispOwnBudget = UINT64_MAX;
// What one evaluation may print; the rest is dropped and said to be.
constexpr size_t kLispFormulaOutputCap = 4096;

// Tests: the count-th heap allocation from now fails as if the system had no
// memory left (0: the next one); -1 turns this off.
NODARA_API void LispFailHeapAllocationAfter(int count);

// ---- Sandbox and quit -----------------------------------------------------

// Code that comes from scene files runs sandboxed: no file removal, no opening
// of files, no `load`, no `quit`, and no `defun` or `defmacro` of a name that
// has a definition made outside the sandbox (built-ins, special forms, the
// prelude macros, the host's and the user's functions). Lambdas, functions
// and macros made in the sandbox stay sandboxed wherever they run. T cannot
// be changed, in or out of the sandbox.
NODARA_API void LispSetSandbox(bool on);
NODARA_API bool LispIsSandboxed();

class NODARA_API LispSandboxScope {
public:
    LispSandboxScope() : m_was(LispIsSandboxed()) { LispSetSandbox(true); }
    ~LispSandboxScope() { LispSetSandbox(m_was); }
    LispSandboxScope(const LispSandboxScope &) = delete;
    LispSandboxScope &operator=(const LispSandboxScope &) = delete;

private:
    bool m_was;
};

// Output of the interpreter goes, for the capture's lifetime, to one
// diagnostic (package "Lisp") when the outermost capture ends, cut at
// kLispFormulaOutputCap characters.
class NODARA_API LispOutputCapture {
public:
    LispOutputCapture();
    ~LispOutputCapture();
    LispOutputCapture(const LispOutputCapture &) = delete;
    LispOutputCapture &operator=(const LispOutputCapture &) = delete;

    // Forgets what was captured so far (said before, and to be said once).
    void Drop();

private:
    LispState *m_state;
};

// A scene formula's evaluation: in its context, sandboxed, its output
// captured, automatic collections silent, with the step limit and a heap cap
// of what the last collection left plus the allowance (never above the cap
// in force). Outside an evaluation the steps also come out of the context's
// budget for the unit of work (any number that changes when a new unit
// begins); when that is used up the scope is refused (said once per unit)
// and the caller runs nothing. Entered during an evaluation, the budget of
// that evaluation shrinks to the step limit for the scope's lifetime.
class NODARA_API LispFormulaScope {
public:
    LispFormulaScope(const LispContextRef &context, uint64_t workUnit,
                     size_t heapAllowance = kLispFormulaHeapAllowance, uint64_t steps = kLispFormulaStepLimit);
    // In the interpreter in force, unit of work 0.
    explicit LispFormulaScope(size_t heapAllowance = kLispFormulaHeapAllowance,
                              uint64_t steps = kLispFormulaStepLimit);
    ~LispFormulaScope();
    LispFormulaScope(const LispFormulaScope &) = delete;
    LispFormulaScope &operator=(const LispFormulaScope &) = delete;

    bool Refused() const { return m_refused; }
    void DropOutput() { m_capture.Drop(); }

private:
    LispContextScope m_context;
    LispOutputCapture m_capture;
    LispSandboxScope m_sandbox;
    size_t m_heapLimit;
    uint64_t m_stepLimit;
    int64_t m_outerSteps;
    int64_t m_innerSteps;
    int64_t m_workSteps = 0;
    bool m_nested;
    bool m_quiet;
    bool m_refused = false;
    bool m_counted = false;
};

// `quit` never ends the process: it stops the evaluation in progress and
// leaves this flag for the host, which decides. Cleared by LispEvalTopLevel.
NODARA_API bool LispQuitRequested();

#pragma once
// Internal to the interpreter: its process-wide state, the heap records that
// values point to, and the guards that keep temporaries alive and bound the
// recursion. Nothing outside engine/engines/lisp includes this header.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <utility>
#include <memory>
#include <string>
#include <vector>

#include <sys/mman.h>

#include "engine/engines/lisp/LispCore.h"
#include "engine/core/NodaraExport.h"

// ---- Heap records ---------------------------------------------------------

// Strings, lambda and closure records, array storage and opened streams live
// on the heap; the collector traces them from the values that point to them
// and releases them only when nothing reaches them any more.
enum class LispHeapKind : uint8_t { String, Lambda, Closure, ArrayStorage, Stream };

struct NODARA_API LispHeapObject {
    LispHeapObject *m_next = nullptr;
    size_t m_bytes = 0; // what it counts toward the heap's total
    LispHeapKind m_kind;
    bool m_marked = false;
    // Its number in the order of making: what the printer shows for it, the
    // same from run to run and telling nothing of where it lies.
    uint32_t m_serial = 0;

    explicit LispHeapObject(LispHeapKind kind) : m_kind(kind) {}
};

// The text follows the header in the same block, so a string value's payload
// is a plain NUL-terminated byte string.
struct NODARA_API LispHeapString : LispHeapObject {
    LispHeapString() : LispHeapObject(LispHeapKind::String) {}
    char *Text() { return reinterpret_cast<char *>(this + 1); }
    static LispHeapString *FromText(const char *text)
    {
        return const_cast<LispHeapString *>(reinterpret_cast<const LispHeapString *>(text) - 1);
    }
};

// A lambda's body as a tree of direct calls, made at its first call.
struct LispCodeTree;
NODARA_API void LispDeleteCodeTree(LispCodeTree *tree);

struct NODARA_API LispLambda : LispHeapObject {
    LispLambda() : LispHeapObject(LispHeapKind::Lambda) {}
    ~LispLambda() { LispDeleteCodeTree(m_code); }
    LispLambda(const LispLambda &) = delete;
    LispLambda &operator=(const LispLambda &) = delete;
    int m_paramCount = 0;
    value_t m_body;
    std::vector<int> m_references; // compile-time indexes of every variable reference
    int m_capturedCount = 0;       // values below its parameters that it needs at run time
    bool m_sandboxed = false;      // made in the sandbox: runs sandboxed wherever it is called
    LispCodeTree *m_code = nullptr; // m_body compiled, once it has run
};

struct NODARA_API LispClosureRecord : LispHeapObject {
    LispClosureRecord() : LispHeapObject(LispHeapKind::Closure) {}
    LispLambda *m_lambda = nullptr;
    std::vector<value_t> m_captured;
};

struct NODARA_API LispArrayStorage : LispHeapObject {
    LispArrayStorage() : LispHeapObject(LispHeapKind::ArrayStorage) {}
    std::vector<value_t> m_elements;
};

// A character stream over a string or a file descriptor.
struct NODARA_API LispStream : LispHeapObject {
    enum Kind { StringKind = 0, FileKind = 1, ClosedKind = -1 };
    static constexpr size_t kFileBufferSize = 16384;

    LispStream() : LispHeapObject(LispHeapKind::Stream) {}
    int m_kind = ClosedKind;
    std::vector<char> m_buffer;
    size_t m_position = 0;
    size_t m_end = 0;
    bool m_endFlag = false;
    int m_descriptor = -1;
    bool m_ownsDescriptor = false;
    bool m_collectable = false; // owned by the collector (a stream value), else by its opener
    int m_error = 0;            // errno of a failed read of a file stream, else 0
    int m_line = 1;             // line of the next character
    int m_expressionLine = 0;   // line where the last expression read began
};

NODARA_API void LispReleaseStreamResources(LispStream *stream);
NODARA_API void LispDeleteHeapObject(LispHeapObject *object);

// Makes room for a heap record of `bytes`: collects when enough was allocated
// since the last collection (or before every allocation in the tests' mode)
// and, when the record would pass the heap cap, collects and checks again.
// False after the message (the evaluation in progress unwinds) when it still
// would. A collection can run inside: hold values across it on a stack or a guard.
NODARA_API bool LispReserveHeap(size_t bytes);
// The tests' simulated failure of the system allocator: throws std::bad_alloc
// when its turn has come.
NODARA_API void LispAllocationFaultPoint();
// Prints the message of an allocation the system refused and starts unwinding
// the evaluation in progress; ERROR.
NODARA_API value_t LispOutOfMemory();
// Adds a record made after LispReserveHeap to the heap's list and total.
NODARA_API void LispRegisterHeap(LispHeapObject *object, size_t bytes);

// Storage of a fixed count of elements whose zero bits are a valid value, in
// pages of its own: pages never touched cost no memory, and Clear gives the
// touched ones back to the system, which hands out zeroed pages again on the
// next touch. A reset therefore costs what was used, not the whole area.
template <class T>
class NODARA_API LispZeroedArray {
public:
    LispZeroedArray() = default;
    explicit LispZeroedArray(size_t count) : m_bytes(count * sizeof(T))
    {
        void *pages = mmap(nullptr, m_bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED)
            throw std::bad_alloc();
        m_data = static_cast<T *>(pages);
    }
    ~LispZeroedArray()
    {
        if (m_data)
            munmap(m_data, m_bytes);
    }
    LispZeroedArray(LispZeroedArray &&other) noexcept : m_data(other.m_data), m_bytes(other.m_bytes)
    {
        other.m_data = nullptr;
        other.m_bytes = 0;
    }
    LispZeroedArray &operator=(LispZeroedArray &&other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_bytes, other.m_bytes);
        return *this;
    }
    // All elements back to zero bits.
    void Clear()
    {
        if (m_data && madvise(m_data, m_bytes, MADV_DONTNEED) != 0)
            std::memset(static_cast<void *>(m_data), 0, m_bytes);
    }
    T *get() const { return m_data; }
    T &operator[](size_t i) const { return m_data[i]; }
    explicit operator bool() const { return m_data != nullptr; }

private:
    T *m_data = nullptr;
    size_t m_bytes = 0;
};

// The big areas of a reset interpreter, kept for the next start.
struct NODARA_API LispSpareAreas {
    LispZeroedArray<LispCell> cells;
    LispZeroedArray<value_t> valueStack;
    LispZeroedArray<value_t> argStack;
};

// ---- Symbols --------------------------------------------------------------

struct NODARA_API LispPropertyEntry {
    int32_t property;
    value_t value;
};

struct NODARA_API LispSymbolEntry {
    bool m_used = false;
    std::string m_name;
    value_t m_value;
    std::unique_ptr<LispFunctionRecord> m_function;
    std::unique_ptr<std::vector<LispPropertyEntry>> m_plist;
};

// ---- The state ------------------------------------------------------------

// Bounds of the C++ recursion: evaluation, compilation, reading and printing
// recurse, and a script from a file must not be able to overflow the host's
// stack (8 MB by default; sanitizer builds use much larger frames).
constexpr int kLispMaxDepth = 6000;
constexpr size_t kLispMaxStackBytes = 3u << 20;
// How much of the calling thread's stack below `frame` evaluation may take:
// kLispMaxStackBytes, or less on a thread whose stack is smaller.
NODARA_API size_t LispStackRoomBelow(uintptr_t frame);

// Heap bytes allocated between two collections at the least, however little
// is live: collecting is not worth it for less.
constexpr size_t kLispMinCollectionBytes = size_t{8} << 20;

class LispGuard;

struct NODARA_API LispState {
    bool m_started = false;
    // What a reset kept of the areas below, zeroed, for the next start.
    LispSpareAreas m_spare;

    // The big areas come from calloc: pages a context never touches cost no
    // memory, and all-zero bits are NIL.
    LispZeroedArray<LispCell> m_cells;
    std::vector<uint8_t> m_marks;
    int m_fill = 0;
    LispCell *m_freeList = nullptr;
    int m_freeCount = 0;

    std::unique_ptr<LispSymbolEntry[]> m_symbols;
    int m_symbolCount = 0;

    LispZeroedArray<value_t> m_valueStack;
    value_t *m_valueTop = nullptr;
    LispZeroedArray<value_t> m_argStack;
    value_t *m_argTop = nullptr;
    value_t *m_argEnd = nullptr;
    std::unique_ptr<value_t[]> m_macroStack;
    value_t *m_macroTop = nullptr;
    int m_compileVars[kLispCompileTableSize] = {};

    LispRootNode *m_roots = nullptr;
    LispGuard *m_guards = nullptr; // innermost guard of the interpreter's own C++ locals
    LispHeapObject *m_heap = nullptr;
    size_t m_heapCount = 0;
    uint32_t m_heapSerial = 0;             // serials given to heap records so far
    size_t m_heapBytes = 0;               // held by records and property lists
    size_t m_heapLimit = kLispDefaultHeapLimit;
    size_t m_contextHeapLimit = kLispDefaultHeapLimit; // what the context was made with; survives a reset
    size_t m_liveAfterCollection = 0;      // heap bytes the last collection left
    size_t m_allocatedSinceCollection = 0; // record bytes since the last collection
    size_t m_collectionThreshold = 0;      // set by each collection
    int m_failAllocationAfter = -1;        // the tests' simulated allocator failure
    std::vector<value_t> m_markWork;       // the collector's work list, kept between runs

    uint64_t m_stepLimit = kLispNoStepLimit;
    int64_t m_stepsLeft = INT64_MAX; // of the top-level evaluation in progress

    // The budget that all formulas of this context share in one unit of work
    // (a traversal of the scene, a load), on top of each evaluation's own.
    uint64_t m_workUnit = 0;
    bool m_workUnitStarted = false;
    int64_t m_workStepsLeft = 0;
    bool m_workExhaustedReported = false;

    // Output of formulas: kept per evaluation, up to a cap, and handed to the
    // diagnostics as one message when the evaluation ends.
    int m_captureNesting = 0;
    std::string m_captured;
    bool m_capturedCut = false;
    bool m_forceCapture = false;
    bool m_quietCollections = false; // no statistics from automatic collections
    int m_formulaScopes = 0;         // outermost formula scopes open: they hold the budget
    int m_allocationsCharged = 0;    // formula scopes open, nested or not: allocations cost steps

    int m_nilIndex = 0;
    int m_quotIndex = 0;
    int m_lambdaIndex = 0;
    int m_letIndex = 0;
    int m_tIndex = 0;
    int m_dotIndex = 0;
    int m_otherwiseIndex = 0;
    int m_loadVerboseIndex = 0;
    int m_sandboxedIndex = -1;

    int m_depth = 0;
    uintptr_t m_stackBase = 0;
    size_t m_stackRoom = kLispMaxStackBytes; // of the outermost level's thread
    bool m_abort = false; // unwinding after quit or a blown bound
    // Counts the function records made: a call that evaluated its arguments
    // looks its record up again only when one of them defined a function.
    uint64_t m_definitions = 0;
    bool m_quitRequested = false;
    bool m_sandbox = false;
    int m_loadNesting = 0;
    bool m_collectEveryAllocation = false;
    clock_t m_lastCpu = 0;

    // The interpreter in force: the process's own unless a context scope
    // put another one in.
    static LispState *s_current;
    static LispState s_process;
};

inline LispState &Lisp()
{
    return *LispState::s_current;
}

// ---- Guards ---------------------------------------------------------------

// Registers locals of the interpreter's C++ code with the collector for the
// guard's lifetime, so a collection inside an allocation sees them. Guards
// are locals themselves and so end in the reverse order of their start: they
// form a chain through the C++ stack, which costs no allocation.
class NODARA_API LispGuard {
public:
    static constexpr int kMaxValues = 4;

    template <typename... V> explicit LispGuard(V &...values) : m_count(sizeof...(V))
    {
        static_assert(sizeof...(V) >= 1 && sizeof...(V) <= kMaxValues, "one to four values");
        // Only the slots in use are written: a guard is made on every call,
        // and zeroing the rest costs more than the guard itself.
        int i = 0;
        ((m_values[i++] = &values), ...);
        LispState &s = Lisp();
        m_outer = s.m_guards;
        s.m_guards = this;
    }
    ~LispGuard() { Lisp().m_guards = m_outer; }
    LispGuard(const LispGuard &) = delete;
    LispGuard &operator=(const LispGuard &) = delete;

    LispGuard *Outer() const { return m_outer; }
    int Count() const { return m_count; }
    value_t *Value(int i) const { return m_values[i]; }

private:
    value_t *m_values[kMaxValues];
    int m_count;
    LispGuard *m_outer;
};

// Holds a value on the argument stack, which the collector marks, for its
// lifetime: the cell a loop of the evaluator walks stays alive even when the
// code being evaluated cuts the list. Cheaper than a guard where every call
// counts. Ok() is false when the stack is full (the message is printed and
// the evaluation unwinds).
class NODARA_API LispArgSlot {
public:
    explicit LispArgSlot(value_t v) : m_slot(Lisp().m_argTop)
    {
        LispState &s = Lisp();
        m_ok = m_slot < s.m_argEnd;
        if (m_ok) {
            *m_slot = v;
            s.m_argTop = m_slot + 1;
        } else {
            LispPushArg(v);
        }
    }
    ~LispArgSlot() { Lisp().m_argTop = m_slot; }
    LispArgSlot(const LispArgSlot &) = delete;
    LispArgSlot &operator=(const LispArgSlot &) = delete;

    bool Ok() const { return m_ok; }
    void Set(value_t v) { *m_slot = v; }

private:
    value_t *m_slot;
    bool m_ok;
};

// One level of C++ recursion. Ok() is false when the depth or the stack used
// since the outermost level is beyond its bound.
class NODARA_API LispDepth {
public:
    LispDepth()
    {
        LispState &s = Lisp();
        uintptr_t frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
        if (s.m_depth++ == 0) {
            s.m_stackBase = frame;
            s.m_stackRoom = LispStackRoomBelow(frame);
        }
        size_t used = s.m_stackBase > frame ? s.m_stackBase - frame : frame - s.m_stackBase;
        m_ok = s.m_depth <= kLispMaxDepth && used < s.m_stackRoom;
    }
    ~LispDepth()
    {
        LispState &s = Lisp();
        if (--s.m_depth == 0) {
            s.m_abort = false;
            s.m_stackBase = 0;
        }
    }
    LispDepth(const LispDepth &) = delete;
    LispDepth &operator=(const LispDepth &) = delete;

    bool Ok() const { return m_ok; }

private:
    bool m_ok;
};

// ---- Steps ----------------------------------------------------------------

// The budget as a count down: what a limit gives a fresh evaluation.
inline int64_t LispStepsFor(uint64_t limit)
{
    return limit == kLispNoStepLimit || limit > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX
                                                                                 : static_cast<int64_t>(limit);
}

// Prints the message once and starts unwinding; false.
NODARA_API bool LispOutOfSteps();

// Charges work of `count` steps (cells walked, characters printed, elements
// made); false (after the message) when the budget does not cover it.
inline bool LispCharge(int64_t count)
{
    LispState &s = Lisp();
    if ((s.m_stepsLeft -= count) >= 0)
        return true;
    return LispOutOfSteps();
}

// What a formula's allocations cost in steps. Fresh memory costs the system
// page faults and zeroing, several steps' worth for each element an array
// holds; a cell comes from the area the collector reuses and costs one.
constexpr size_t kLispFormulaBytesPerStep = 4;
constexpr int64_t kLispFormulaStepsPerCell = 1;

// Charges an allocation of `bytes` of heap (a cell when 0) to the budget of
// the formulas in progress; true outside formulas. False after the message.
inline bool LispChargeAllocation(size_t bytes)
{
    if (Lisp().m_allocationsCharged <= 0)
        return true;
    return LispCharge(bytes == 0 ? kLispFormulaStepsPerCell
                                 : static_cast<int64_t>(std::min<size_t>(bytes / kLispFormulaBytesPerStep, INT64_MAX)));
}

// Takes one step of the budget; false (after the message) when none is left.
inline bool LispStep()
{
    LispState &s = Lisp();
    if (--s.m_stepsLeft >= 0)
        return true;
    return LispOutOfSteps();
}

// Starts a top-level evaluation: no unwinding left over, a full step budget.
inline void LispBeginTopLevel()
{
    LispState &s = Lisp();
    s.m_abort = false;
    // A formula scope's budget covers all the evaluations inside it.
    if (s.m_formulaScopes == 0)
        s.m_stepsLeft = LispStepsFor(s.m_stepLimit);
}

// ---- Helpers shared by the interpreter's files ----------------------------

// The special form that evaluates its argument sandboxed; a blank keeps the
// reader from ever producing its name.
constexpr const char *kLispSandboxedFormName = "sandboxed expansion";

// One collection; the statistics are printed when report is set.
NODARA_API value_t LispCollect(bool report);
// Prints the message and starts unwinding the evaluation in progress.
NODARA_API value_t LispAbort(const char *message);
// A head or argument as messages show it: printed, cut to what a message holds.
NODARA_API std::string LispMessageText(value_t v);
// car and cdr as the special forms take pieces: a non-cons prints the
// built-ins' message and gives ERROR.
NODARA_API value_t LispCarOf(value_t v);
NODARA_API value_t LispCdrOf(value_t v);
// The element after the first, NIL when absent (no message).
NODARA_API value_t LispSecondOrNil(value_t v);
NODARA_API bool LispEq(value_t a, value_t b);
// Compiles (let bindings body) into a direct call of a compiled lambda.
NODARA_API value_t LispCompileLet(value_t args, int depth, std::vector<int> &references);
NODARA_API bool LispPushValue(value_t v);
NODARA_API void LispRegisterSpecialForms();
// The special forms that a lambda's compiled body runs in line while their
// names still stand for them.
NODARA_API value_t LispFormQuot(value_t args);
NODARA_API value_t LispFormAnd(value_t args);
NODARA_API value_t LispFormOr(value_t args);
NODARA_API value_t LispFormProgn(value_t args);
NODARA_API value_t LispFormIf(value_t args);
NODARA_API value_t LispFormSetq(value_t args);
NODARA_API void LispRegisterBuiltinTable();
// Refuses an operation in sandbox mode (message printed); false when refused.
NODARA_API bool LispAllowedOutsideSandbox(const char *operation);
// Refuses a change of the global value of T or NIL (message printed); false
// when refused.
NODARA_API bool LispMayChangeGlobal(int index);

#include "engine/engines/lisp/LispCore.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "engine/engines/lisp/LispPrinter.h"
#include "engine/engines/lisp/LispState.h"
#include "platform/SgDiagnostics.h"
#include "utilities/math/Vec3.h"

LispState LispState::s_process;
LispState *LispState::s_current = &LispState::s_process;

namespace {

// Output and hooks belong to the host, not to the interpreter's state: a
// reset keeps them.
LispOutputSink s_sink;
bool s_atLineStart = true;
std::vector<void (*)()> s_startupHooks;

// An array bigger than this is refused rather than left to exhaust the heap.
constexpr int kMaxArrayElements = 1 << 22;

// Messages hold a head or an argument cut to this many characters.
constexpr size_t kMessageValueLimit = 160;

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Truncation toward zero that stays defined for values outside the integers.
bool DoubleToInt(double d, int32_t *out)
{
    if (!(d > -2147483649.0 && d < 2147483648.0))
        return false;
    *out = static_cast<int32_t>(d);
    return true;
}

void ClearRootedSlots()
{
    for (LispRootNode *node = Lisp().m_roots; node; node = node->Next())
        *node->Slot() = value_t::Nil();
}

// The current context as shared ownership: the process's own interpreter
// is never deleted.
const LispContextRef &ProcessContext()
{
    static const LispContextRef process(&LispState::s_process, [](LispState *) {});
    return process;
}

LispContextRef &CurrentContextRef()
{
    static LispContextRef current = ProcessContext();
    return current;
}

// Everything the current state holds goes: rooted slots read NIL, the heap
// is released, the areas are zeroed (kept for the next start when keepAreas
// is set, else released). Root nodes stay linked (their owners unlink them)
// and the context's own limit stays.
void ClearState(bool keepAreas)
{
    LispState &s = Lisp();
    // Rooted values point into the areas about to go; their owners live on
    // and see NIL.
    ClearRootedSlots();
    LispRootNode *roots = s.m_roots;
    const size_t contextLimit = s.m_contextHeapLimit;
    for (LispHeapObject *object = s.m_heap; object;) {
        LispHeapObject *next = object->m_next;
        LispDeleteHeapObject(object);
        object = next;
    }
    LispSpareAreas spare;
    if (keepAreas) {
        spare.cells = s.m_cells ? std::move(s.m_cells) : std::move(s.m_spare.cells);
        spare.valueStack = s.m_valueStack ? std::move(s.m_valueStack) : std::move(s.m_spare.valueStack);
        spare.argStack = s.m_argStack ? std::move(s.m_argStack) : std::move(s.m_spare.argStack);
        spare.cells.Clear();
        spare.valueStack.Clear();
        spare.argStack.Clear();
    }
    s = LispState{};
    s.m_spare = std::move(spare);
    s.m_roots = roots;
    s.m_contextHeapLimit = contextLimit;
    s.m_heapLimit = contextLimit;
}

} // namespace

// ---- Start-up -------------------------------------------------------------

void LispInit()
{
    LispState &s = Lisp();
    if (s.m_started)
        return;
    s.m_cells = s.m_spare.cells ? std::move(s.m_spare.cells) : LispZeroedArray<LispCell>(kLispCellCount);
    s.m_marks.assign(kLispCellCount, 0);
    s.m_fill = 0;
    s.m_freeList = nullptr;
    s.m_freeCount = 0;
    s.m_symbols = std::make_unique<LispSymbolEntry[]>(kLispSymbolCapacity);
    s.m_symbolCount = 0;

    s.m_nilIndex = LispIntern("NIL");
    s.m_quotIndex = LispIntern("QUOT");
    s.m_lambdaIndex = LispIntern("LAMBDA");
    s.m_letIndex = LispIntern("LET");
    s.m_tIndex = LispIntern("T");
    s.m_dotIndex = LispIntern(".");
    s.m_otherwiseIndex = LispIntern("OTHERWISE");
    s.m_loadVerboseIndex = LispIntern("LOAD_VERBOSE");
    s.m_symbols[s.m_loadVerboseIndex].m_value = LispT();

    s.m_valueStack =
        s.m_spare.valueStack ? std::move(s.m_spare.valueStack) : LispZeroedArray<value_t>(kLispValueStackSize);
    s.m_valueTop = s.m_valueStack.get();
    s.m_argStack = s.m_spare.argStack ? std::move(s.m_spare.argStack) : LispZeroedArray<value_t>(kLispArgStackSize);
    s.m_argTop = s.m_argStack.get();
    s.m_argEnd = s.m_argStack.get() + kLispArgStackSize;
    s.m_macroStack = std::make_unique<value_t[]>(kLispMacroStackSize);
    s.m_macroTop = s.m_macroStack.get();
    s.m_guards = nullptr;
    s.m_collectionThreshold = kLispMinCollectionBytes;
    s.m_stepsLeft = LispStepsFor(s.m_stepLimit);

    // (set T T): T evaluates to itself.
    s.m_symbols[s.m_tIndex].m_value = LispT();
    s.m_started = true;

    LispRegisterSpecialForms();
    LispRegisterBuiltinTable();
    for (auto hook : s_startupHooks)
        hook();
}

bool LispIsStarted()
{
    return Lisp().m_started;
}

void LispReset()
{
    // The next start reuses the areas: a reset costs the pages used.
    ClearState(true);
    LispInit();
}

// ---- Contexts -------------------------------------------------------------

LispContextRef LispNewContext(size_t heapLimit)
{
    auto context = std::make_shared<LispState>();
    context->m_contextHeapLimit = heapLimit;
    context->m_heapLimit = heapLimit;
    return context;
}

const LispContextRef &LispCurrentContext()
{
    return CurrentContextRef();
}

const LispContextRef &LispProcessContext()
{
    return ProcessContext();
}

LispContextScope::LispContextScope(const LispContextRef &context)
    : m_previous(CurrentContextRef())
{
    const LispContextRef &target = context ? context : ProcessContext();
    CurrentContextRef() = target;
    LispState::s_current = target.get();
}

LispContextScope::~LispContextScope()
{
    CurrentContextRef() = std::move(m_previous);
    LispState::s_current = CurrentContextRef().get();
}

void LispCloseContext(const LispContextRef &context)
{
    if (!context || context.get() == &LispState::s_process)
        return;
    LispState *previous = LispState::s_current;
    // A context in the middle of an evaluation is left alone: its frames
    // still point into it.
    if (context->m_depth > 0)
        return;
    LispState::s_current = context.get();
    ClearState(false);
    LispState::s_current = previous;
}

void LispStartWorkUnit(const LispContextRef &context)
{
    if (context)
        context->m_workUnitStarted = false;
}

bool LispContextIsOpen(const LispContextRef &context)
{
    return context && context->m_started;
}

void LispAddStartupHook(void (*hook)())
{
    s_startupHooks.push_back(hook);
    if (Lisp().m_started)
        hook();
}

// ---- Output ---------------------------------------------------------------

void LispSetOutput(LispOutputSink sink)
{
    s_sink = std::move(sink);
    s_atLineStart = true;
}

void LispWrite(std::string_view text)
{
    if (text.empty())
        return;
    LispState &s = Lisp();
    if (s.m_captureNesting > 0) {
        // A formula's output: kept up to the cap, the rest counted as cut;
        // the reason an evaluation was stopped is always kept.
        if (s.m_forceCapture) {
            s.m_captured.append(text);
            return;
        }
        const size_t room = kLispFormulaOutputCap > s.m_captured.size() ? kLispFormulaOutputCap - s.m_captured.size() : 0;
        if (text.size() > room)
            s.m_capturedCut = true;
        s.m_captured.append(text.substr(0, room));
        return;
    }
    if (s_sink)
        s_sink(text);
    else
        std::fwrite(text.data(), 1, text.size(), stdout);
    s_atLineStart = text.back() == '\n';
}

void LispPrintf(const char *format, ...)
{
    char small[256];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (length < 0) {
        va_end(again);
        return;
    }
    if (static_cast<size_t>(length) < sizeof small) {
        va_end(again);
        LispWrite(std::string_view(small, static_cast<size_t>(length)));
        return;
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    text.resize(static_cast<size_t>(length));
    LispWrite(text);
}

bool LispOutputAtLineStart()
{
    return s_atLineStart;
}

// ---- Symbols --------------------------------------------------------------

int LispIntern(const char *name)
{
    LispState &s = Lisp();
    if (!s.m_symbols)
        LispInit();
    std::string upper(name);
    for (char &c : upper)
        c = UpperAscii(c);
    uint32_t h = 0;
    for (char c : upper)
        h = (h << 1) ^ static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
    int64_t signedHash = static_cast<int32_t>(h);
    int start = static_cast<int>((signedHash < 0 ? -signedHash : signedHash) % kLispSymbolCapacity);
    // Probing goes upward and does not wrap: the last entries fill first.
    for (int i = start; i < kLispSymbolCapacity; ++i) {
        LispSymbolEntry &entry = s.m_symbols[i];
        if (!entry.m_used) {
            entry.m_used = true;
            entry.m_name = std::move(upper);
            entry.m_value = value_t::Nil();
            ++s.m_symbolCount;
            return i;
        }
        if (entry.m_name == upper)
            return i;
    }
    LispPrintf("\nCannot allocate more symbols.");
    return -1;
}

value_t LispSymbolValue(const char *name)
{
    int index = LispIntern(name);
    if (index < 0)
        return value_t::Error();
    if (index == Lisp().m_nilIndex)
        return value_t::Nil();
    return value_t::Symbol(index);
}

const char *LispSymbolName(int index)
{
    if (index < 0 || index >= kLispSymbolCapacity || !Lisp().m_symbols[index].m_used)
        return "";
    return Lisp().m_symbols[index].m_name.c_str();
}

value_t LispGlobalValue(int index)
{
    return Lisp().m_symbols[index].m_value;
}

void LispSetGlobalValue(int index, value_t value)
{
    Lisp().m_symbols[index].m_value = value;
}

LispFunctionRecord *LispSymbolFunction(int index)
{
    return Lisp().m_symbols[index].m_function.get();
}

int LispSymbolCount()
{
    return Lisp().m_symbolCount;
}

value_t LispT()
{
    return value_t::Symbol(Lisp().m_tIndex);
}

int LispNilIndex()
{
    return Lisp().m_nilIndex;
}

int LispQuotIndex()
{
    return Lisp().m_quotIndex;
}

int LispLambdaIndex()
{
    return Lisp().m_lambdaIndex;
}

int LispLetIndex()
{
    return Lisp().m_letIndex;
}

int LispDotIndex()
{
    return Lisp().m_dotIndex;
}

int LispOtherwiseIndex()
{
    return Lisp().m_otherwiseIndex;
}

int LispLoadVerboseIndex()
{
    return Lisp().m_loadVerboseIndex;
}

// ---- Cells, strings, arrays -----------------------------------------------

LispCell *LispAllocCons()
{
    LispState &s = Lisp();
    if (!s.m_cells)
        LispInit();
    if (s.m_collectEveryAllocation)
        LispCollect(false);
    if (s.m_fill < kLispCellCount)
        return &s.m_cells[s.m_fill++];
    if (!s.m_freeList)
        LispCollect(!s.m_quietCollections);
    if (!s.m_freeList)
        return nullptr;
    LispCell *cell = s.m_freeList;
    s.m_freeList = cell->cdr.IsCons() ? cell->cdr.Cell() : nullptr;
    --s.m_freeCount;
    return cell;
}

value_t LispMakeCons(value_t car, value_t cdr)
{
    LispState &s = Lisp();
    if (s.m_allocationsCharged > 0 && !LispChargeAllocation(0))
        return value_t::Error();
    LispCell *cell;
    if ((s.m_fill < kLispCellCount || s.m_freeList) && !s.m_collectEveryAllocation) {
        cell = LispAllocCons();
    } else {
        // This allocation collects: the two halves are not reachable yet.
        LispGuard guard(car, cdr);
        cell = LispAllocCons();
    }
    if (!cell) {
        LispPrintf("\nCons array is full.");
        return value_t::Error();
    }
    cell->car = car;
    cell->cdr = cdr;
    return value_t::Pointer(LispCons, cell);
}

value_t LispMakeString(std::string_view text)
{
    size_t bytes = sizeof(LispHeapString) + text.size() + 1;
    if (!LispReserveHeap(bytes))
        return value_t::Error();
    void *memory = nullptr;
    try {
        LispAllocationFaultPoint();
        memory = ::operator new(bytes);
    } catch (const std::bad_alloc &) {
        return LispOutOfMemory();
    }
    auto *object = new (memory) LispHeapString();
    std::memcpy(object->Text(), text.data(), text.size());
    object->Text()[text.size()] = '\0';
    LispRegisterHeap(object, bytes);
    return value_t::Pointer(LispString, object->Text());
}

value_t LispMakeString(const char *text)
{
    return LispMakeString(std::string_view(text ? text : ""));
}

const char *LispStringText(value_t v)
{
    return v.tag == LispString ? static_cast<const char *>(v.u.p) : nullptr;
}

value_t LispMakeArray(value_t count)
{
    int32_t n = 0;
    if (count.tag == LispInteger)
        n = count.u.i;
    else if (count.tag != LispDouble || !DoubleToInt(count.u.d, &n)) {
        LispPrintf("\nArg 1 to MAKE-ARRAY is not a number.");
        return value_t::Error();
    }
    if (n < 0 || n > kMaxArrayElements) {
        LispPrintf("\nCannot make an array of %d elements.", n);
        return value_t::Error();
    }
    size_t bytes = sizeof(LispArrayStorage) + static_cast<size_t>(n) * sizeof(value_t);
    if (!LispReserveHeap(bytes))
        return value_t::Error();
    std::unique_ptr<LispArrayStorage> storage;
    try {
        LispAllocationFaultPoint();
        storage = std::make_unique<LispArrayStorage>();
        storage->m_elements.resize(static_cast<size_t>(n));
    } catch (const std::bad_alloc &) {
        return LispOutOfMemory();
    }
    // The cell's allocation may collect: the storage joins the heap's list
    // only once the cell holds it.
    LispCell *cell = LispAllocCons();
    if (!cell) {
        LispPrintf("\nCons array is full.");
        return value_t::Error();
    }
    LispArrayStorage *registered = storage.release();
    LispRegisterHeap(registered, bytes);
    cell->car = value_t::Pointer(LispArrayData, registered);
    cell->cdr = value_t::Int(n);
    return value_t::Pointer(LispArray, cell);
}

static LispArrayStorage *ArrayStorage(value_t v)
{
    if (v.tag != LispArray || !v.u.p)
        return nullptr;
    const value_t &head = v.Cell()->car;
    if (head.tag != LispArrayData)
        return nullptr;
    return static_cast<LispArrayStorage *>(head.u.p);
}

int LispArrayCount(value_t v)
{
    LispArrayStorage *storage = ArrayStorage(v);
    return storage ? static_cast<int>(storage->m_elements.size()) : -1;
}

value_t *LispArrayElements(value_t v)
{
    LispArrayStorage *storage = ArrayStorage(v);
    return storage ? storage->m_elements.data() : nullptr;
}

int32_t LispToInt(value_t v)
{
    if (v.tag == LispInteger)
        return v.u.i;
    int32_t n = 0;
    if (v.tag == LispDouble && DoubleToInt(std::trunc(v.u.d), &n))
        return n;
    return 0;
}

double LispToDouble(value_t v)
{
    if (v.tag == LispDouble)
        return v.u.d;
    if (v.tag == LispInteger)
        return v.u.i;
    return 0.0;
}

bool LispValueToVec3(value_t v, Vec3 &out)
{
    const value_t *elements = LispArrayElements(v);
    if (!elements || LispArrayCount(v) < 3)
        return false;
    for (int i = 0; i < 3; ++i)
        if (!elements[i].IsNumber())
            return false;
    out = Vec3(LispToDouble(elements[0]), LispToDouble(elements[1]), LispToDouble(elements[2]));
    return true;
}

float LispToFloat(value_t v)
{
    return static_cast<float>(LispToDouble(v));
}

void LispSetCollectOnEveryAllocation(bool on)
{
    Lisp().m_collectEveryAllocation = on;
}

int LispCellsUsed()
{
    return Lisp().m_fill;
}

int LispFreeCells()
{
    return Lisp().m_freeCount;
}

void LispRegisterHeap(LispHeapObject *object, size_t bytes)
{
    LispState &s = Lisp();
    object->m_next = s.m_heap;
    object->m_bytes = bytes;
    object->m_serial = ++s.m_heapSerial;
    s.m_heap = object;
    ++s.m_heapCount;
    s.m_heapBytes += bytes;
    s.m_allocatedSinceCollection += bytes;
}

bool LispReserveHeap(size_t bytes)
{
    LispState &s = Lisp();
    if (!s.m_cells)
        LispInit();
    if (!LispChargeAllocation(bytes))
        return false;
    bool collected = false;
    if (s.m_collectEveryAllocation || s.m_allocatedSinceCollection + bytes > s.m_collectionThreshold) {
        LispCollect(false);
        collected = true;
    }
    auto passes = [&] { return s.m_heapBytes > s.m_heapLimit || bytes > s.m_heapLimit - s.m_heapBytes; };
    if (passes() && !collected)
        LispCollect(false);
    if (!passes())
        return true;
    char message[128];
    std::snprintf(message, sizeof message, "\nHeap limit of %zu bytes reached.", s.m_heapLimit);
    LispAbort(message);
    return false;
}

void LispAllocationFaultPoint()
{
    LispState &s = Lisp();
    if (s.m_failAllocationAfter < 0)
        return;
    if (s.m_failAllocationAfter-- == 0)
        throw std::bad_alloc();
}

value_t LispOutOfMemory()
{
    return LispAbort("\nOut of memory.");
}

void LispFailHeapAllocationAfter(int count)
{
    Lisp().m_failAllocationAfter = count < 0 ? -1 : count;
}

size_t LispHeapBytes()
{
    return Lisp().m_heapBytes;
}

void LispSetHeapLimit(size_t bytes)
{
    Lisp().m_heapLimit = bytes;
}

size_t LispHeapLimit()
{
    return Lisp().m_heapLimit;
}

void LispSetStepLimit(uint64_t steps)
{
    Lisp().m_stepLimit = steps;
}

uint64_t LispStepLimit()
{
    return Lisp().m_stepLimit;
}

bool LispOutOfSteps()
{
    LispState &s = Lisp();
    // Stays exhausted until the next top-level evaluation, without wrapping.
    s.m_stepsLeft = -1;
    if (!s.m_abort) {
        char message[96];
        std::snprintf(message, sizeof message, "\nStep limit of %llu reached.",
                      static_cast<unsigned long long>(s.m_stepLimit));
        LispAbort(message);
    }
    return false;
}

LispOutputCapture::LispOutputCapture() : m_state(&Lisp())
{
    if (m_state->m_captureNesting++ == 0) {
        m_state->m_captured.clear();
        m_state->m_capturedCut = false;
    }
}

LispOutputCapture::~LispOutputCapture()
{
    LispState &s = *m_state;
    if (--s.m_captureNesting > 0)
        return;
    std::string text;
    text.swap(s.m_captured);
    // Messages begin with a line break of their own; the diagnostic is one
    // message without them.
    const size_t first = text.find_first_not_of("\n");
    const size_t last = text.find_last_not_of("\n");
    if (first != std::string::npos)
        text = text.substr(first, last - first + 1);
    else
        text.clear();
    if (s.m_capturedCut) {
        text += "\n(printed output cut after " + std::to_string(kLispFormulaOutputCap) + " characters)";
        s.m_capturedCut = false;
    }
    if (!text.empty())
        SgDiagWarning("Lisp", "%s", text.c_str());
}

void LispOutputCapture::Drop()
{
    m_state->m_captured.clear();
    m_state->m_capturedCut = false;
}

namespace {

// The budget a formula of this unit of work may still take, refilled when a
// new unit begins.
int64_t WorkStepsLeft(LispState &s, uint64_t workUnit)
{
    if (!s.m_workUnitStarted || s.m_workUnit != workUnit) {
        s.m_workUnitStarted = true;
        s.m_workUnit = workUnit;
        s.m_workStepsLeft = static_cast<int64_t>(kLispWorkUnitStepLimit);
        s.m_workExhaustedReported = false;
    }
    return s.m_workStepsLeft;
}

} // namespace

LispFormulaScope::LispFormulaScope(const LispContextRef &context, uint64_t workUnit, size_t heapAllowance,
                                   uint64_t steps)
    : m_context(context)
{
    LispInit();
    LispState &s = Lisp();
    m_heapLimit = s.m_heapLimit;
    m_stepLimit = s.m_stepLimit;
    m_quiet = s.m_quietCollections;
    s.m_quietCollections = true;
    // Inside an evaluation no new budget begins: the running one shrinks.
    m_nested = s.m_depth > 0;
    // The allowance counts from what is live: when earlier evaluations may
    // have left more garbage than an allowance, a collection tells, so that
    // garbage never becomes allowance.
    if (!m_nested && s.m_heapBytes - std::min(s.m_heapBytes, s.m_liveAfterCollection) > heapAllowance)
        LispCollect(false);
    size_t live = s.m_heapBytes;
    size_t allowed = live + heapAllowance < live ? SIZE_MAX : live + heapAllowance;
    s.m_heapLimit = std::min(s.m_heapLimit, allowed);
    m_outerSteps = s.m_stepsLeft;
    int64_t budget = LispStepsFor(steps);
    if (!m_nested && workUnit != kLispOwnBudget) {
        m_counted = true;
        m_workSteps = WorkStepsLeft(s, workUnit);
        budget = std::min(budget, m_workSteps);
        if (budget <= 0) {
            m_refused = true;
            if (!s.m_workExhaustedReported) {
                s.m_workExhaustedReported = true;
                SgDiagWarning("Lisp",
                              "The formulas of this scene used up the work allowed for one pass (%llu steps); the "
                              "rest of them are not run until the next pass",
                              static_cast<unsigned long long>(kLispWorkUnitStepLimit));
            }
        }
    }
    s.m_stepLimit = steps;
    ++s.m_allocationsCharged;
    m_innerSteps = m_nested ? std::min(m_outerSteps, budget) : budget;
    s.m_stepsLeft = m_innerSteps;
    if (!m_nested)
        ++s.m_formulaScopes;
}

LispFormulaScope::LispFormulaScope(size_t heapAllowance, uint64_t steps)
    : LispFormulaScope(LispCurrentContext(), 0, heapAllowance, steps)
{
}

LispFormulaScope::~LispFormulaScope()
{
    LispState &s = Lisp();
    s.m_heapLimit = m_heapLimit;
    s.m_stepLimit = m_stepLimit;
    s.m_quietCollections = m_quiet;
    --s.m_allocationsCharged;
    const int64_t used = m_innerSteps - std::max<int64_t>(s.m_stepsLeft, 0);
    if (m_nested) {
        s.m_stepsLeft = s.m_stepsLeft < 0 ? -1 : m_outerSteps - used;
    } else {
        --s.m_formulaScopes;
        if (m_counted)
            s.m_workStepsLeft = m_workSteps - used;
        s.m_stepsLeft = LispStepsFor(s.m_stepLimit);
    }
}

void LispDeleteHeapObject(LispHeapObject *object)
{
    switch (object->m_kind) {
    case LispHeapKind::String: {
        auto *string = static_cast<LispHeapString *>(object);
        string->~LispHeapString();
        ::operator delete(static_cast<void *>(string));
        break;
    }
    case LispHeapKind::Lambda:
        delete static_cast<LispLambda *>(object);
        break;
    case LispHeapKind::Closure:
        delete static_cast<LispClosureRecord *>(object);
        break;
    case LispHeapKind::ArrayStorage:
        delete static_cast<LispArrayStorage *>(object);
        break;
    case LispHeapKind::Stream: {
        auto *stream = static_cast<LispStream *>(object);
        LispReleaseStreamResources(stream);
        delete stream;
        break;
    }
    }
}

// ---- Function records -----------------------------------------------------

LispFunctionRecord *LispDefineFunctionRecord(const char *name, uint32_t kind, LispBuiltinFn handler,
                                             int minArgs)
{
    int index = LispIntern(name);
    if (index < 0)
        return nullptr;
    // The previous record goes; its lambda lives on while anything reaches it.
    auto record = std::make_unique<LispFunctionRecord>();
    record->kind = kind;
    record->handler = handler;
    record->minArgs = minArgs;
    LispFunctionRecord *result = record.get();
    LispState &s = Lisp();
    s.m_symbols[index].m_function = std::move(record);
    ++s.m_definitions;
    return result;
}

void LispRegisterFunction(const char *name, LispBuiltinFn handler, int arity)
{
    LispDefineFunctionRecord(name, LispBuiltin, handler, arity);
}

void LispRegisterSpecialForm(const char *name, LispSpecialFormFn handler)
{
    LispFunctionRecord *record = LispDefineFunctionRecord(name, LispSpecialForm, nullptr, 0);
    if (record)
        record->formHandler = handler;
}

// ---- Stacks ---------------------------------------------------------------

bool LispPushArg(value_t v)
{
    LispState &s = Lisp();
    if (s.m_argTop >= s.m_argEnd) {
        LispAbort("\nArgument stack is full.");
        return false;
    }
    *s.m_argTop++ = v;
    return true;
}

bool LispPushValue(value_t v)
{
    LispState &s = Lisp();
    if (s.m_valueTop - s.m_valueStack.get() >= kLispValueStackSize) {
        LispAbort("\nValue stack is full.");
        return false;
    }
    *s.m_valueTop++ = v;
    return true;
}

value_t *LispArgTop()
{
    return Lisp().m_argTop;
}

void LispSetArgTop(value_t *top)
{
    LispState &s = Lisp();
    if (top >= s.m_argStack.get() && top <= s.m_argStack.get() + kLispArgStackSize)
        s.m_argTop = top;
}

size_t LispArgStackDepth()
{
    return static_cast<size_t>(Lisp().m_argTop - Lisp().m_argStack.get());
}

size_t LispValueStackDepth()
{
    return static_cast<size_t>(Lisp().m_valueTop - Lisp().m_valueStack.get());
}

// ---- Root chain -----------------------------------------------------------

LispRootNode::LispRootNode(value_t *slot) : m_slot(slot), m_context(CurrentContextRef())
{
    LispState &s = *m_context;
    m_next = s.m_roots;
    if (m_next)
        m_next->m_prev = this;
    s.m_roots = this;
    m_linked = true;
}

LispRootNode::~LispRootNode()
{
    if (!m_linked)
        return;
    if (m_prev)
        m_prev->m_next = m_next;
    else
        m_context->m_roots = m_next;
    if (m_next)
        m_next->m_prev = m_prev;
}

void LispRootNode::Rebind(const LispContextRef &context)
{
    const LispContextRef &target = context ? context : ProcessContext();
    if (target == m_context)
        return;
    if (m_linked) {
        if (m_prev)
            m_prev->m_next = m_next;
        else
            m_context->m_roots = m_next;
        if (m_next)
            m_next->m_prev = m_prev;
    }
    *m_slot = value_t::Nil();
    m_context = target;
    m_prev = nullptr;
    m_next = m_context->m_roots;
    if (m_next)
        m_next->m_prev = this;
    m_context->m_roots = this;
    m_linked = true;
}

// ---- Sandbox and quit -----------------------------------------------------

void LispSetSandbox(bool on)
{
    Lisp().m_sandbox = on;
}

bool LispIsSandboxed()
{
    return Lisp().m_sandbox;
}

bool LispAllowedOutsideSandbox(const char *operation)
{
    if (!Lisp().m_sandbox)
        return true;
    LispPrintf("\nLISP ERROR: %s is not allowed in this script.", operation);
    return false;
}

bool LispMayChangeGlobal(int index)
{
    LispState &s = Lisp();
    if (index != s.m_tIndex && index != s.m_nilIndex)
        return true;
    LispPrintf("\nLISP ERROR: %s cannot be changed.", LispSymbolName(index));
    return false;
}

bool LispQuitRequested()
{
    return Lisp().m_quitRequested;
}

// ---- Helpers --------------------------------------------------------------

value_t LispAbort(const char *message)
{
    LispState &s = Lisp();
    s.m_forceCapture = true;
    LispWrite(message);
    s.m_forceCapture = false;
    Lisp().m_abort = true;
    return value_t::Error();
}

std::string LispMessageText(value_t v)
{
    return LispPrintToString(v, kMessageValueLimit);
}

value_t LispCarOf(value_t v)
{
    if (v.IsCons())
        return v.Cell()->car;
    LispPrintf("\nCannot calculate CAR of an atom.");
    return value_t::Error();
}

value_t LispCdrOf(value_t v)
{
    if (v.IsCons())
        return v.Cell()->cdr;
    LispPrintf("\nCannot calculate CDR of an atom.");
    return value_t::Error();
}

value_t LispSecondOrNil(value_t v)
{
    if (v.IsCons() && v.Cell()->cdr.IsCons())
        return v.Cell()->cdr.Cell()->car;
    return value_t::Nil();
}

bool LispEq(value_t a, value_t b)
{
    if (a.tag != b.tag)
        return false;
    switch (a.tag) {
    case LispNil:
        return true;
    case LispDouble:
        return a.u.d == b.u.d;
    case LispSymbol:
    case LispInteger:
    case LispStackVar:
        return a.u.i == b.u.i;
    default:
        return a.u.raw == b.u.raw;
    }
}

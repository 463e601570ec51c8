// Mark and sweep over the cell area and the heap records. Marking is
// iterative (a long or deep list needs no C++ recursion) and traces
// everything a value reaches: closures' captured values and lambda bodies
// included, so a record is released only when nothing refers to it.
//
// The work list grows with what is reachable; should the system refuse it
// memory, the marks are cleared and nothing is swept (freeing what was not
// yet marked would free live values).
#include <algorithm>
#include <new>
#include <vector>

#include "engine/engines/lisp/LispState.h"
#include "platform/SgDiagnostics.h"

namespace {

constexpr size_t kMaxKeptWork = size_t{1} << 16;

} // namespace

class LispCollector {
public:
    LispCollector() : m_work(Lisp().m_markWork) {}
    value_t Run(bool report);

private:
    int Mark(value_t v);
    int MarkRange(const value_t *from, const value_t *to);
    int MarkRoots(int &symbols, int &stack, int &args, int &frame);
    void ClearMarks();
    void Sweep();

    std::vector<value_t> &m_work;
    int m_collected = 0;
    int m_arrayElements = 0;
    int m_closuresCollected = 0;
};

int LispCollector::Mark(value_t root)
{
    LispState &s = Lisp();
    LispCell *cells = s.m_cells.get();
    int marked = 0;
    m_work.push_back(root);
    while (!m_work.empty()) {
        value_t v = m_work.back();
        m_work.pop_back();
        switch (v.tag) {
        case LispCons:
        case LispArray:
        case LispTag16: {
            LispCell *cell = v.Cell();
            if (cell < cells || cell >= cells + s.m_fill)
                break;
            size_t index = static_cast<size_t>(cell - cells);
            if (s.m_marks[index])
                break;
            s.m_marks[index] = 1;
            ++marked;
            if (v.tag == LispTag16)
                break;
            if (v.tag == LispCons)
                m_work.push_back(cell->cdr);
            m_work.push_back(cell->car);
            break;
        }
        case LispArrayData: {
            auto *storage = static_cast<LispArrayStorage *>(v.u.p);
            if (storage->m_marked)
                break;
            storage->m_marked = true;
            m_work.insert(m_work.end(), storage->m_elements.begin(), storage->m_elements.end());
            break;
        }
        case LispString:
            LispHeapString::FromText(static_cast<const char *>(v.u.p))->m_marked = true;
            break;
        case LispLexClosure: {
            auto *lambda = static_cast<LispLambda *>(v.u.p);
            if (lambda->m_marked)
                break;
            lambda->m_marked = true;
            m_work.push_back(lambda->m_body);
            break;
        }
        case LispClosure: {
            auto *closure = static_cast<LispClosureRecord *>(v.u.p);
            if (closure->m_marked)
                break;
            closure->m_marked = true;
            m_work.push_back(value_t::Pointer(LispLexClosure, closure->m_lambda));
            m_work.insert(m_work.end(), closure->m_captured.begin(), closure->m_captured.end());
            break;
        }
        case LispStreamRef: {
            auto *stream = static_cast<LispStream *>(v.u.p);
            if (stream->m_collectable)
                stream->m_marked = true;
            break;
        }
        default:
            break;
        }
    }
    return marked;
}

int LispCollector::MarkRange(const value_t *from, const value_t *to)
{
    int marked = 0;
    for (const value_t *v = from; v < to; ++v)
        marked += Mark(*v);
    return marked;
}

void LispCollector::Sweep()
{
    LispState &s = Lisp();
    for (int i = 0; i < s.m_fill; ++i) {
        if (s.m_marks[i]) {
            s.m_marks[i] = 0;
            continue;
        }
        LispCell &cell = s.m_cells[i];
        if (cell.car.tag == LispFreeCell)
            continue;
        if (cell.car.tag == LispArrayData) {
            auto *storage = static_cast<LispArrayStorage *>(cell.car.u.p);
            if (!storage->m_marked)
                m_arrayElements += static_cast<int>(storage->m_elements.size());
        }
        cell.car = value_t{};
        cell.car.tag = LispFreeCell;
        cell.cdr = s.m_freeList ? value_t::Pointer(LispCons, s.m_freeList) : value_t::Nil();
        s.m_freeList = &cell;
        ++m_collected;
    }
    s.m_freeCount += m_collected;

    LispHeapObject **link = &s.m_heap;
    while (LispHeapObject *object = *link) {
        if (object->m_marked) {
            object->m_marked = false;
            link = &object->m_next;
            continue;
        }
        *link = object->m_next;
        if (object->m_kind == LispHeapKind::Lambda)
            ++m_closuresCollected;
        s.m_heapBytes -= object->m_bytes;
        LispDeleteHeapObject(object);
        --s.m_heapCount;
    }
}

void LispCollector::ClearMarks()
{
    LispState &s = Lisp();
    m_work.clear();
    std::fill(s.m_marks.begin(), s.m_marks.end(), 0);
    for (LispHeapObject *object = s.m_heap; object; object = object->m_next)
        object->m_marked = false;
}

int LispCollector::MarkRoots(int &symbols, int &stack, int &args, int &frame)
{
    LispState &s = Lisp();
    for (int i = 0; i < kLispSymbolCapacity; ++i) {
        LispSymbolEntry &entry = s.m_symbols[i];
        if (!entry.m_used)
            continue;
        symbols += Mark(entry.m_value);
        if (entry.m_function &&
            (entry.m_function->kind == LispFunction || entry.m_function->kind == LispMacro))
            symbols += Mark(entry.m_function->lambda);
        if (entry.m_plist)
            for (const LispPropertyEntry &property : *entry.m_plist)
                symbols += Mark(property.value);
    }
    stack = MarkRange(s.m_valueStack.get(), s.m_valueTop);
    args = MarkRange(s.m_argStack.get(), s.m_argTop);
    args += MarkRange(s.m_macroStack.get(), s.m_macroTop);
    for (const LispGuard *guard = s.m_guards; guard; guard = guard->Outer())
        for (int i = 0; i < guard->Count(); ++i)
            args += Mark(*guard->Value(i));
    for (LispRootNode *node = s.m_roots; node; node = node->m_next)
        frame += Mark(*node->m_slot);
    return symbols + stack + args + frame;
}

value_t LispCollector::Run(bool report)
{
    LispState &s = Lisp();
    int symbols = 0;
    int stack = 0;
    int args = 0;
    int frame = 0;
    int total;
    try {
        total = MarkRoots(symbols, stack, args, frame);
    } catch (const std::bad_alloc &) {
        ClearMarks();
        LispPrintf("\nOut of memory for the collection.");
        return value_t::Nil();
    }

    Sweep();
    s.m_liveAfterCollection = s.m_heapBytes;
    // The next collection comes once as much again has been allocated.
    s.m_allocatedSinceCollection = 0;
    s.m_collectionThreshold = std::max(s.m_heapBytes, kLispMinCollectionBytes);
    // A work list that grew for a huge structure is not kept.
    if (m_work.capacity() > kMaxKeptWork)
        std::vector<value_t>().swap(m_work);

    bool consistent = s.m_freeCount + total == s.m_fill;
    if (!report)
        return consistent ? LispT() : value_t::Nil();
    // The statistics go to the diagnostics as one message: on the
    // interpreter's own output they would run into the next value printed.
    if (consistent) {
        SgDiagInfo("Lisp",
                   "Marked Cons: %d (Stack %d, Args %d, Symbols %d, Frame %d)\nCOLLECTED:\n  Cons collected: %d"
                   "\n  Array elements: %d\n  Aux objects:    %d\n  Closures marked - %d,  collected - %d"
                   "\nFree Cons     :   %d\nTotal used Cons:  %d\nGC OK.",
                   total, stack, args, symbols, frame, m_collected, m_arrayElements, 0, symbols,
                   m_closuresCollected, s.m_freeCount, s.m_fill);
        return LispT();
    }
    SgDiagError("Lisp", "GC FAIL. %d cons marked and %d free do not add up to the %d in use", total, s.m_freeCount,
                s.m_fill);
    return value_t::Nil();
}

value_t LispCollect(bool report)
{
    LispCollector collector;
    return collector.Run(report);
}

value_t LispCollectGarbage()
{
    return LispCollect(true);
}

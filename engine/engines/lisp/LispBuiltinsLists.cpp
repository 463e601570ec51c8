// Built-ins over lists, symbols, property lists and arrays, and the mapping
// and evaluation functions.
#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "engine/engines/lisp/LispBuiltins.h"
#include "engine/engines/lisp/LispEvaluator.h"
#include "engine/engines/lisp/LispState.h"

value_t Fail(const char *message)
{
    LispWrite(message);
    return value_t::Error();
}

namespace {

// `map` takes the elements of at most this many lists in step.
constexpr int kMaxMapLists = 30;


value_t Truth(bool b)
{
    return b ? LispT() : value_t::Nil();
}

// 1 equal, 0 not, -1 nested too deeply to tell, -2 out of steps (shared
// structure can make the comparison exponential).
int Equal(value_t a, value_t b)
{
    LispDepth depth;
    if (!depth.Ok())
        return -1;
    // No list is longer than the cell area: past twice its size both lists
    // are cyclic and have agreed all the way around.
    for (int steps = 0; steps <= 2 * kLispCellCount; ++steps) {
        if (LispEq(a, b))
            return 1;
        if (!a.IsCons() || !b.IsCons())
            return 0;
        if (!LispStep())
            return -2;
        int cars = Equal(a.Cell()->car, b.Cell()->car);
        if (cars != 1)
            return cars;
        a = a.Cell()->cdr;
        b = b.Cell()->cdr;
    }
    return 1;
}

value_t EqualValue(value_t a, value_t b)
{
    int result = Equal(a, b);
    if (result == -2)
        return value_t::Error();
    if (result < 0)
        return Fail("\nRecursion too deep.");
    return Truth(result == 1);
}

constexpr size_t kFirstPropertyCapacity = 10;

size_t PropertyListBytes(const std::vector<LispPropertyEntry> *list)
{
    return list ? sizeof(*list) + list->capacity() * sizeof(LispPropertyEntry) : 0;
}

std::vector<LispPropertyEntry> *PropertyList(value_t symbol)
{
    return Lisp().m_symbols[symbol.u.i].m_plist.get();
}

// An array index: an integer, or a double truncated.
bool ArrayIndex(value_t array, value_t index, int32_t *out)
{
    double d;
    if (index.tag == LispInteger)
        d = index.u.i;
    else if (index.tag == LispDouble)
        d = std::trunc(index.u.d);
    else
        return false;
    if (!(d >= 0 && d < LispArrayCount(array)))
        return false;
    *out = static_cast<int32_t>(d);
    return true;
}

} // namespace

value_t BuiltinCar(value_t *args, int)
{
    return LispCarOf(args[0]);
}

value_t BuiltinCdr(value_t *args, int)
{
    return LispCdrOf(args[0]);
}

value_t BuiltinCadr(value_t *args, int)
{
    if (args[0].IsCons() && args[0].Cell()->cdr.IsCons())
        return args[0].Cell()->cdr.Cell()->car;
    return Fail("\nCannot calculate CADR of exp.");
}

value_t BuiltinCons(value_t *args, int)
{
    return LispMakeCons(args[0], args[1]);
}

value_t BuiltinReplca(value_t *args, int)
{
    if (!args[0].IsCons())
        return Fail("\nCannot calculate REPLCA of an atom.");
    args[0].Cell()->car = args[1];
    return args[0];
}

value_t BuiltinReplcd(value_t *args, int)
{
    if (!args[0].IsCons())
        return Fail("\nCannot calculate REPLCD of an atom.");
    args[0].Cell()->cdr = args[1];
    return args[0];
}

value_t BuiltinConsp(value_t *args, int)
{
    return Truth(args[0].tag == LispCons);
}

value_t BuiltinIntegerp(value_t *args, int)
{
    return Truth(args[0].tag == LispInteger);
}

value_t BuiltinFloatp(value_t *args, int)
{
    return Truth(args[0].tag == LispDouble);
}

value_t BuiltinSymbolp(value_t *args, int)
{
    return Truth(args[0].tag == LispSymbol || args[0].tag == LispNil);
}

value_t BuiltinAtom(value_t *args, int)
{
    return Truth(args[0].tag != LispCons);
}

value_t BuiltinStringp(value_t *args, int)
{
    return Truth(args[0].tag == LispString);
}

value_t BuiltinSymbolName(value_t *args, int)
{
    if (args[0].tag == LispNil)
        return LispMakeString("NIL");
    if (args[0].tag != LispSymbol)
        return value_t::Nil();
    return LispMakeString(LispSymbolName(args[0].u.i));
}

value_t BuiltinNull(value_t *args, int)
{
    return Truth(args[0].IsNil());
}

value_t BuiltinNth(value_t *args, int)
{
    if (args[0].tag != LispInteger)
        return Fail("Arg 1 to NTH is not integer.");
    int32_t n = args[0].u.i < 0 ? 0 : args[0].u.i;
    value_t x = args[1];
    for (int32_t i = 0; i < n && x.IsCons(); ++i) {
        // Around a cyclic list for ever so long.
        if (!LispStep())
            return value_t::Error();
        x = x.Cell()->cdr;
    }
    if (!x.IsCons())
        return Fail("Nth element does not exixsts.");
    return x.Cell()->car;
}

value_t BuiltinLen(value_t *args, int)
{
    if (args[0].tag == LispArray)
        return value_t::Int(LispArrayCount(args[0]));
    int count = 0;
    for (value_t x = args[0]; x.IsCons(); x = x.Cell()->cdr) {
        // More cells than the area holds: the list runs in a circle.
        if (++count > kLispCellCount)
            return Fail("\nCannot calculate LEN of a circular list.");
    }
    // Walking the list is work, however few calls it takes.
    if (!LispCharge(count))
        return value_t::Error();
    return value_t::Int(count);
}

value_t BuiltinSet(value_t *args, int)
{
    if (args[0].tag != LispSymbol)
        return Fail("Arg No 1 to SET is not a symbol.");
    if (!LispMayChangeGlobal(args[0].u.i))
        return value_t::Error();
    LispSetGlobalValue(args[0].u.i, args[1]);
    return args[1];
}

value_t BuiltinEq(value_t *args, int)
{
    return Truth(LispEq(args[0], args[1]));
}

value_t BuiltinEqual(value_t *args, int)
{
    return EqualValue(args[0], args[1]);
}

value_t BuiltinNotEqual(value_t *args, int)
{
    value_t equal = EqualValue(args[0], args[1]);
    if (equal.IsError())
        return equal;
    return Truth(equal.IsNil());
}

value_t BuiltinAssoc(value_t *args, int)
{
    int steps = 0;
    value_t found;
    for (value_t x = args[1]; x.IsCons() && steps <= kLispCellCount; x = x.Cell()->cdr, ++steps) {
        value_t element = x.Cell()->car;
        if (element.IsCons() && LispEq(element.Cell()->car, args[0])) {
            found = element;
            break;
        }
    }
    if (!LispCharge(steps))
        return value_t::Error();
    return found;
}

value_t BuiltinPut(value_t *args, int)
{
    if (args[0].tag != LispSymbol)
        return Fail("Arg 1 to PUT is not a symbol.");
    if (args[1].tag != LispSymbol)
        return Fail("Arg 2 to PUT is not a symbol.");
    LispState &s = Lisp();
    auto &plist = s.m_symbols[args[0].u.i].m_plist;
    if (plist && !LispCharge(static_cast<int64_t>(plist->size())))
        return value_t::Error();
    if (plist) {
        for (LispPropertyEntry &entry : *plist) {
            if (entry.property == args[1].u.i) {
                entry.value = args[2];
                return args[2];
            }
        }
    }
    // Property lists count toward the heap's cap; they live as long as their
    // symbol. A full list doubles its capacity.
    size_t before = PropertyListBytes(plist.get());
    size_t more = !plist ? sizeof(std::vector<LispPropertyEntry>) + kFirstPropertyCapacity * sizeof(LispPropertyEntry)
                  : plist->size() == plist->capacity() ? plist->capacity() * sizeof(LispPropertyEntry)
                                                       : 0;
    if (more > 0 && !LispReserveHeap(more))
        return value_t::Error();
    try {
        if (more > 0)
            LispAllocationFaultPoint();
        if (!plist) {
            auto made = std::make_unique<std::vector<LispPropertyEntry>>();
            made->reserve(kFirstPropertyCapacity);
            plist = std::move(made);
        }
        plist->push_back({args[1].u.i, args[2]});
    } catch (const std::bad_alloc &) {
        return LispOutOfMemory();
    }
    s.m_heapBytes += PropertyListBytes(plist.get()) - before;
    return args[2];
}

value_t BuiltinGet(value_t *args, int)
{
    if (args[0].tag != LispSymbol)
        return Fail("Arg 1 to GET is not asymbol.");
    if (args[1].tag != LispSymbol)
        return Fail("Arg 2 to GET is not asymbol.");
    auto *plist = PropertyList(args[0]);
    if (plist && !LispCharge(static_cast<int64_t>(plist->size())))
        return value_t::Error();
    if (plist)
        for (const LispPropertyEntry &entry : *plist)
            if (entry.property == args[1].u.i)
                return entry.value;
    return value_t::Nil();
}

value_t BuiltinPlist(value_t *args, int)
{
    if (args[0].tag != LispSymbol)
        return Fail("Arg 1 to PLIST is not asymbol.");
    value_t result;
    LispGuard guard(result);
    auto *plist = PropertyList(args[0]);
    if (!plist)
        return result;
    if (!LispCharge(static_cast<int64_t>(plist->size())))
        return value_t::Error();
    // Index by position: the list may not move, but allocation may collect.
    for (size_t i = 0; i < plist->size(); ++i) {
        LispPropertyEntry entry = (*plist)[i];
        if (entry.value.IsNil())
            continue;
        value_t pair = LispMakeCons(value_t::Symbol(entry.property), entry.value);
        if (pair.IsError())
            return pair;
        result = LispMakeCons(pair, result);
        if (result.IsError())
            return result;
    }
    return result;
}

value_t BuiltinMapcar(value_t *args, int)
{
    value_t *mark = LispArgTop();
    value_t head = LispMakeCons(value_t::Nil(), value_t::Nil());
    if (head.IsError() || !LispPushArg(head))
        return value_t::Error();
    LispCell *last = head.Cell();
    value_t result = head;
    // The function may cut the list: the cell being walked stays guarded.
    value_t x = args[1];
    LispGuard guard(x);
    for (; x.IsCons(); x = x.Cell()->cdr) {
        value_t *slot = LispArgTop();
        if (!LispPushArg(args[0]) || !LispPushArg(x.Cell()->car)) {
            result = value_t::Error();
            break;
        }
        value_t r = LispApply(slot, 2);
        LispSetArgTop(slot);
        if (r.IsError()) {
            result = Fail("\nMAPCAR failed.");
            break;
        }
        value_t cell = LispMakeCons(r, value_t::Nil());
        if (cell.IsError()) {
            result = cell;
            break;
        }
        last->cdr = cell;
        last = cell.Cell();
    }
    LispSetArgTop(mark);
    return result.IsError() ? result : head.Cell()->cdr;
}

value_t BuiltinMap(value_t *args, int argc)
{
    int lists = argc - 1;
    if (lists < 1)
        return Fail("\nMAP needs at least one list.");
    if (lists > kMaxMapLists)
        return Fail("\nToo many lists for MAP.");
    value_t *mark = LispArgTop();
    // The cells being walked stand on the argument stack: the function may cut the lists.
    value_t *cursors = mark;
    for (int i = 0; i < lists; ++i)
        if (!LispPushArg(args[i + 1])) {
            LispSetArgTop(mark);
            return value_t::Error();
        }
    value_t head = LispMakeCons(value_t::Nil(), value_t::Nil());
    if (head.IsError() || !LispPushArg(head)) {
        LispSetArgTop(mark);
        return value_t::Error();
    }
    LispCell *last = head.Cell();
    value_t result = head;
    for (;;) {
        bool exhausted = false;
        for (int i = 0; i < lists; ++i)
            exhausted = exhausted || !cursors[i].IsCons();
        if (exhausted)
            break;
        value_t *slot = LispArgTop();
        bool pushed = LispPushArg(args[0]);
        for (int i = 0; i < lists && pushed; ++i)
            pushed = LispPushArg(cursors[i].Cell()->car);
        if (!pushed) {
            result = value_t::Error();
            break;
        }
        value_t r = LispApply(slot, lists + 1);
        LispSetArgTop(slot);
        if (r.IsError()) {
            result = Fail("\nMAP failed.");
            break;
        }
        value_t cell = LispMakeCons(r, value_t::Nil());
        if (cell.IsError()) {
            result = cell;
            break;
        }
        last->cdr = cell;
        last = cell.Cell();
        for (int i = 0; i < lists; ++i)
            cursors[i] = cursors[i].Cell()->cdr;
    }
    LispSetArgTop(mark);
    return result.IsError() ? result : head.Cell()->cdr;
}

value_t BuiltinEval(value_t *args, int)
{
    return LispEval(args[0]);
}

value_t BuiltinList(value_t *args, int argc)
{
    value_t result;
    for (int i = argc - 1; i >= 0; --i) {
        result = LispMakeCons(args[i], result);
        if (result.IsError())
            return result;
    }
    return result;
}

value_t BuiltinMakeArray(value_t *args, int)
{
    // Each element made is work (and memory) the call alone does not show.
    if (args[0].IsNumber() && !LispCharge(std::max<int64_t>(0, static_cast<int64_t>(LispToDouble(args[0])))))
        return value_t::Error();
    return LispMakeArray(args[0]);
}

value_t BuiltinAset(value_t *args, int)
{
    value_t *elements = LispArrayElements(args[0]);
    if (!elements)
        return Fail("\nArg 1 to SET_ARRAY is not array.");
    int32_t index;
    if (!ArrayIndex(args[0], args[1], &index))
        return Fail("\nArg 2 to SET_ARRAY is not an index of the array.");
    elements[index] = args[2];
    return args[2];
}

value_t BuiltinAref(value_t *args, int)
{
    value_t *elements = LispArrayElements(args[0]);
    if (!elements)
        return Fail("\nArg 1 to AREF is not array.");
    int32_t index;
    if (!ArrayIndex(args[0], args[1], &index))
        return Fail("\nArg 2 to AREF is not an index of the array.");
    return elements[index];
}

value_t BuiltinApply(value_t *args, int argc)
{
    return LispApply(args, argc);
}

value_t BuiltinMacroexpand(value_t *args, int)
{
    return LispMacroExpand(args[0]);
}

#pragma once
// The LISP value: a type tag word and an 8-byte payload, passed by value
// everywhere. Kept free of every other dependency so that dataflow ports can
// carry it as a plain value.
#include <cstdint>
#include "engine/core/NodaraExport.h"

// The numbers are fixed: the printer shows some of them, the reader's token
// codes share the space, and scripts saved with models were written against them.
enum LispTag : uint32_t {
    LispNil = 0,
    LispSymbol = 1,
    LispCons = 2,
    LispInteger = 3,
    LispDouble = 4,
    LispString = 5,
    LispLexClosure = 6,
    LispClosure = 7,
    LispStackVar = 8,
    LispStreamRef = 10,
    LispArray = 11,
    LispArrayData = 15,
    LispTag16 = 16,
    LispNodeRef = 17,
    LispError = 20,
    LispQuoteToken = 22,
    LispEndToken = 23,
    LispFreeCell = 24,
    LispBuiltin = 26,
    LispSpecialForm = 27,
    LispFunction = 28,
    LispMacro = 29,
    LispAuxObject = 100
};

struct LispCell;

struct NODARA_API value_t {
    uint32_t tag = LispNil;
    union Payload {
        int64_t raw;
        int32_t i;
        double d;
        void *p;
    } u{0};

    static value_t Nil() { return value_t{}; }
    static value_t Error() { return Make(LispError); }
    static value_t Int(int32_t i)
    {
        value_t v = Make(LispInteger);
        v.u.i = i;
        return v;
    }
    static value_t Double(double d)
    {
        value_t v = Make(LispDouble);
        v.u.d = d;
        return v;
    }
    static value_t Symbol(int32_t index)
    {
        value_t v = Make(LispSymbol);
        v.u.i = index;
        return v;
    }
    static value_t StackVar(int32_t offset)
    {
        value_t v = Make(LispStackVar);
        v.u.i = offset;
        return v;
    }
    static value_t Pointer(uint32_t tag, void *p)
    {
        value_t v = Make(tag);
        v.u.p = p;
        return v;
    }

    bool IsNil() const { return tag == LispNil; }
    bool IsError() const { return tag == LispError; }
    bool IsCons() const { return tag == LispCons; }
    bool IsNumber() const { return tag == LispInteger || tag == LispDouble; }
    LispCell *Cell() const { return static_cast<LispCell *>(u.p); }

    // Identity: the same tag and the same payload bits (what a port compares
    // to see a change), not the dialect's `eq`.
    friend bool operator==(const value_t &a, const value_t &b) { return a.tag == b.tag && a.u.raw == b.u.raw; }

private:
    static value_t Make(uint32_t t)
    {
        value_t v;
        v.tag = t;
        return v;
    }
};

// Two values, car then cdr: every cons and every array head.
struct NODARA_API LispCell {
    value_t car;
    value_t cdr;
};

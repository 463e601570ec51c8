#pragma once
// Internal to the interpreter: the built-in functions in their registration
// order, as one table (name, handler, minimum argument count).
#include "engine/engines/lisp/LispValue.h"
#include "engine/core/NodaraExport.h"

#define LISP_BUILTIN_TABLE(X)                                                                      \
    X("car", BuiltinCar, 1)                                                                        \
    X("cdr", BuiltinCdr, 1)                                                                        \
    X("cadr", BuiltinCadr, 1)                                                                      \
    X("cons", BuiltinCons, 2)                                                                      \
    X("replca", BuiltinReplca, 2)                                                                  \
    X("replcd", BuiltinReplcd, 2)                                                                  \
    X("consp", BuiltinConsp, 1)                                                                    \
    X("integerp", BuiltinIntegerp, 1)                                                              \
    X("floatp", BuiltinFloatp, 1)                                                                  \
    X("symbolp", BuiltinSymbolp, 1)                                                                \
    X("atom", BuiltinAtom, 1)                                                                      \
    X("stringp", BuiltinStringp, 1)                                                                \
    X("symbol-name", BuiltinSymbolName, 1)                                                         \
    X("null", BuiltinNull, 1)                                                                      \
    X("nth", BuiltinNth, 2)                                                                        \
    X("len", BuiltinLen, 1)                                                                        \
    X("set", BuiltinSet, 2)                                                                        \
    X("+", BuiltinPlus, 2)                                                                         \
    X("-", BuiltinMinus, 1)                                                                        \
    X("*", BuiltinTimes, 2)                                                                        \
    X("div", BuiltinDiv, 2)                                                                        \
    X("/", BuiltinDivide, 2)                                                                       \
    X("<", BuiltinLess, 2)                                                                         \
    X(">", BuiltinGreater, 2)                                                                      \
    X("<=", BuiltinLessEqual, 2)                                                                   \
    X(">=", BuiltinGreaterEqual, 2)                                                                \
    X("eq", BuiltinEq, 2)                                                                          \
    X("equal", BuiltinEqual, 2)                                                                    \
    X("!=", BuiltinNotEqual, 2)                                                                    \
    X("assoc", BuiltinAssoc, 2)                                                                    \
    X("put", BuiltinPut, 3)                                                                        \
    X("get", BuiltinGet, 2)                                                                        \
    X("plist", BuiltinPlist, 1)                                                                    \
    X("mapcar", BuiltinMapcar, 2)                                                                  \
    X("map", BuiltinMap, 1)                                                                        \
    X("eval", BuiltinEval, 1)                                                                      \
    X("list", BuiltinList, 0)                                                                      \
    X("print", BuiltinPrint, 1)                                                                    \
    X("prints", BuiltinPrints, 1)                                                                  \
    X("make-array", BuiltinMakeArray, 1)                                                           \
    X("aset", BuiltinAset, 3)                                                                      \
    X("aref", BuiltinAref, 2)                                                                      \
    X("print_struct", BuiltinPrintStruct, 1)                                                       \
    X("apply", BuiltinApply, 1)                                                                    \
    X("load", BuiltinLoad, 1)                                                                      \
    X("macroexpand", BuiltinMacroexpand, 1)                                                        \
    X("gc", BuiltinGc, 0)                                                                          \
    X("btrace", BuiltinBtrace, 0)                                                                  \
    X("open", BuiltinOpen, 1)                                                                      \
    X("close", BuiltinClose, 1)                                                                    \
    X("read", BuiltinRead, 1)                                                                      \
    X("file-remove", BuiltinFileRemove, 1)                                                         \
    X("quit", BuiltinQuit, 0)                                                                      \
    X("exp", BuiltinExp, 1)                                                                        \
    X("expt", BuiltinExpt, 2)                                                                      \
    X("log", BuiltinLog, 1)                                                                        \
    X("log10", BuiltinLog10, 1)                                                                    \
    X("sqrt", BuiltinSqrt, 1)                                                                      \
    X("abs", BuiltinAbs, 1)                                                                        \
    X("sin", BuiltinSin, 1)                                                                        \
    X("cos", BuiltinCos, 1)                                                                        \
    X("tan", BuiltinTan, 1)                                                                        \
    X("sinh", BuiltinSinh, 1)                                                                      \
    X("cosh", BuiltinCosh, 1)                                                                      \
    X("tanh", BuiltinTanh, 1)                                                                      \
    X("atan", BuiltinAtan, 1)                                                                      \
    X("acos", BuiltinAcos, 1)                                                                      \
    X("asin", BuiltinAsin, 1)                                                                      \
    X("arg0", BuiltinArg0, 1)                                                                      \
    X("arg1", BuiltinArg1, 1)                                                                      \
    X("arg2", BuiltinArg2, 1)                                                                      \
    X("arg3", BuiltinArg3, 1)                                                                      \
    X("arg4", BuiltinArg4, 1)                                                                      \
    X("arg5", BuiltinArg5, 1)                                                                      \
    X("arg6", BuiltinArg6, 1)                                                                      \
    X("arg7", BuiltinArg7, 1)                                                                      \
    X("arg8", BuiltinArg8, 1)                                                                      \
    X("arg9", BuiltinArg9, 1)                                                                      \
    X("arg10", BuiltinArg10, 1)                                                                    \
    X("arg11", BuiltinArg11, 1)                                                                    \
    X("arg12", BuiltinArg12, 1)                                                                    \
    X("cpu-time", BuiltinCpuTime, 0)

#define LISP_DECLARE_BUILTIN(name, handler, arity) value_t handler(value_t *args, int argc);
LISP_BUILTIN_TABLE(LISP_DECLARE_BUILTIN)
#undef LISP_DECLARE_BUILTIN

// Writes the message and gives the error value: how a built-in refuses its
// arguments.
NODARA_API value_t Fail(const char *message);

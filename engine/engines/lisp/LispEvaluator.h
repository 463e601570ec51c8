#pragma once
// Evaluation: lambdas are compiled when they are made (parameters become
// stack variables addressed from the top of the value stack), nested lambdas
// capture the outer values they reach into closures, macros expand over the
// unevaluated argument forms. At its first call a lambda's body also becomes
// a tree of direct calls, which charges the steps and depth the forms do.
#include <vector>

#include "engine/engines/lisp/LispValue.h"
#include "engine/core/NodaraExport.h"

NODARA_API value_t LispEval(value_t x);
// Evaluates a whole expression from outside the interpreter (host, prelude).
NODARA_API value_t LispEvalTopLevel(value_t x);
// v[0] is the function, v[1 .. count - 1] its arguments.
NODARA_API value_t LispApply(value_t *v, int count);

NODARA_API value_t LispMakeLambda(value_t params, value_t body, int depth, std::vector<int> *outerReferences);
NODARA_API value_t LispCompile(value_t x, int depth, std::vector<int> &references);
NODARA_API value_t LispMakeClosure(value_t lambda);

NODARA_API value_t LispMacroExpand(value_t x);
NODARA_API value_t LispExpandOnce(value_t x);
NODARA_API bool LispContainsMacroCall(value_t x);

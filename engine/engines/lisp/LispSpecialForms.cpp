// The fourteen special forms. Each receives its argument list unevaluated.
#include <vector>

#include "engine/engines/lisp/LispEvaluator.h"
#include "engine/engines/lisp/LispState.h"

namespace {

// A pass of `while` that runs more body forms than this is refused.
constexpr int kMaxWhileBodies = 30;

value_t Piece(value_t list, int n)
{
    for (int i = 0; i < n; ++i) {
        list = LispCdrOf(list);
        if (list.IsError())
            return list;
    }
    return LispCarOf(list);
}

value_t Rest(value_t list)
{
    return list.IsCons() ? list.Cell()->cdr : value_t::Nil();
}

value_t First(value_t list)
{
    return list.IsCons() ? list.Cell()->car : value_t::Nil();
}

value_t Quot(value_t args)
{
    return args;
}

// Every loop below takes a step per pass (a cyclic list of forms must end)
// and keeps the cell it walks guarded (a form may cut the list it stands in).

value_t And(value_t args)
{
    value_t result;
    LispArgSlot walked(args);
    if (!walked.Ok())
        return value_t::Error();
    for (value_t x = args; x.IsCons(); x = x.Cell()->cdr) {
        walked.Set(x);
        if (!LispStep())
            return value_t::Error();
        result = LispEval(x.Cell()->car);
        if (result.IsNil())
            return result;
    }
    return result;
}

value_t Or(value_t args)
{
    LispArgSlot walked(args);
    if (!walked.Ok())
        return value_t::Error();
    for (value_t x = args; x.IsCons(); x = x.Cell()->cdr) {
        walked.Set(x);
        if (!LispStep())
            return value_t::Error();
        value_t result = LispEval(x.Cell()->car);
        if (!result.IsNil())
            return result;
    }
    return value_t::Nil();
}

value_t Cond(value_t args)
{
    value_t x = args;
    value_t clause;
    LispGuard guard(x, clause);
    for (; x.IsCons(); x = x.Cell()->cdr) {
        if (!LispStep())
            return value_t::Error();
        clause = x.Cell()->car;
        if (clause.IsNil())
            return clause;
        if (!clause.IsCons())
            return LispCarOf(clause);
        if (!LispEval(clause.Cell()->car).IsNil())
            return LispEval(LispSecondOrNil(clause));
    }
    return value_t::Nil();
}

value_t Case(value_t args)
{
    value_t key = Piece(args, 0);
    if (key.IsError())
        return key;
    // The key's evaluation may cut the clauses from the form.
    value_t clauses = Rest(args);
    LispGuard clausesGuard(clauses);
    key = LispEval(key);
    LispGuard guard(key);
    for (value_t x = clauses; x.IsCons(); x = x.Cell()->cdr) {
        if (!LispStep())
            return value_t::Error();
        value_t clause = x.Cell()->car;
        if (!clause.IsCons())
            return LispCarOf(clause);
        value_t keys = clause.Cell()->car;
        if (keys.IsNil())
            return keys;
        bool match = false;
        if (keys.IsCons()) {
            for (value_t k = keys; k.IsCons() && !match; k = k.Cell()->cdr) {
                if (!LispStep())
                    return value_t::Error();
                match = LispEq(k.Cell()->car, key);
            }
        } else {
            match = LispEq(keys, key) || (keys.tag == LispSymbol && keys.u.i == LispOtherwiseIndex());
        }
        if (match)
            return LispEval(LispSecondOrNil(clause));
    }
    return value_t::Nil();
}

value_t Prog1(value_t args)
{
    if (!args.IsCons())
        return value_t::Nil();
    value_t x = args;
    value_t first;
    LispGuard guard(x, first);
    first = LispEval(x.Cell()->car);
    if (first.IsError())
        return first;
    for (x = x.Cell()->cdr; x.IsCons(); x = x.Cell()->cdr) {
        if (!LispStep())
            return value_t::Error();
        value_t v = LispEval(x.Cell()->car);
        if (v.IsError())
            return v;
    }
    return first;
}

value_t Progn(value_t args)
{
    value_t result;
    LispArgSlot walked(args);
    if (!walked.Ok())
        return value_t::Error();
    for (value_t x = args; x.IsCons(); x = x.Cell()->cdr) {
        walked.Set(x);
        if (!LispStep())
            return value_t::Error();
        result = LispEval(x.Cell()->car);
        if (result.IsError())
            return result;
    }
    return result;
}

value_t Let(value_t args)
{
    std::vector<int> references;
    value_t compiled = LispCompileLet(args, 0, references);
    if (compiled.IsError())
        return compiled;
    LispGuard guard(compiled);
    return LispEval(compiled);
}

value_t If(value_t args)
{
    if (!args.IsCons()) {
        LispPrintf("\nIllegal IF special form.");
        return value_t::Error();
    }
    value_t test;
    {
        // The test may cut the branches from the form.
        LispArgSlot held(args);
        if (!held.Ok())
            return value_t::Error();
        test = LispEval(args.Cell()->car);
    }
    if (test.IsError())
        return test;
    value_t branches = args.Cell()->cdr;
    if (!test.IsNil())
        return LispEval(First(branches));
    return LispEval(First(Rest(branches)));
}

value_t While(value_t args)
{
    if (!args.IsCons()) {
        LispPrintf("\nIllegal WHILE special form.");
        return value_t::Error();
    }
    value_t result;
    value_t x;
    LispGuard guard(result, args, x);
    for (;;) {
        if (!LispStep())
            return value_t::Error();
        value_t test = LispEval(args.Cell()->car);
        if (test.IsNil())
            break;
        // A failing test would otherwise loop for ever, printing its message.
        if (test.IsError())
            return test;
        int count = 0;
        for (x = args.Cell()->cdr; x.IsCons(); x = x.Cell()->cdr) {
            value_t v = LispEval(x.Cell()->car);
            if (v.IsError())
                return v;
            result = v;
            if (++count > kMaxWhileBodies) {
                LispWrite("Too many bodies");
                return value_t::Error();
            }
        }
    }
    return result;
}

value_t Setq(value_t args)
{
    value_t variable = Piece(args, 0);
    value_t expression = variable.IsError() ? variable : Piece(args, 1);
    value_t value = LispEval(expression);
    if (value.IsError())
        return value;
    if (variable.tag == LispSymbol) {
        if (!LispMayChangeGlobal(variable.u.i))
            return value_t::Error();
        LispSetGlobalValue(variable.u.i, value);
        return value;
    }
    if (variable.tag == LispStackVar) {
        size_t depth = LispValueStackDepth();
        if (variable.u.i >= 0 || depth < static_cast<size_t>(-static_cast<int64_t>(variable.u.i))) {
            LispPrintf("\nIllegal stack variable.");
            return value_t::Error();
        }
        Lisp().m_valueTop[variable.u.i] = value;
        return value;
    }
    LispPrintf("\narg No 1 to SETQ is not a variable.");
    return value_t::Error();
}

value_t Lambda(value_t args)
{
    value_t params = Piece(args, 0);
    value_t body = params.IsError() ? params : Piece(args, 1);
    // The body's macros may run collections: both pieces stay guarded.
    LispGuard guard(params, body);
    if (!body.IsError())
        body = LispMacroExpand(body);
    if (params.IsError() || body.IsError()) {
        LispPrintf("\nIllegal LAMBDA expresion.");
        return value_t::Error();
    }
    return LispMakeLambda(params, body, 0, nullptr);
}

// In the sandbox a name may be defined only when it has no definition or one
// made in the sandbox as well.
bool MayDefine(int index)
{
    if (!LispIsSandboxed())
        return true;
    const LispFunctionRecord *record = LispSymbolFunction(index);
    if (!record)
        return true;
    if ((record->kind == LispFunction || record->kind == LispMacro) &&
        static_cast<const LispLambda *>(record->lambda.u.p)->m_sandboxed)
        return true;
    LispPrintf("\nLISP ERROR: %s may not be redefined in this script.", LispSymbolName(index));
    return false;
}

// defun and defmacro: (name params body) becomes a function or macro record.
value_t Define(value_t args, uint32_t kind, const char *illegal)
{
    value_t name = Piece(args, 0);
    if (name.tag != LispSymbol) {
        LispPrintf("%s", illegal);
        return value_t::Error();
    }
    if (!MayDefine(name.u.i))
        return value_t::Error();
    value_t params = Piece(args, 1);
    value_t body = params.IsError() ? params : Piece(args, 2);
    // The body's macros may run collections: both pieces stay guarded.
    LispGuard guard(params, body);
    if (kind == LispFunction && !body.IsError())
        body = LispMacroExpand(body);
    value_t lambda = LispMakeLambda(params, body, 0, nullptr);
    if (lambda.IsError())
        return lambda;
    LispFunctionRecord *record = LispDefineFunctionRecord(LispSymbolName(name.u.i), kind, nullptr, 0);
    if (!record)
        return value_t::Error();
    record->lambda = lambda;
    record->minArgs = static_cast<LispLambda *>(lambda.u.p)->m_paramCount;
    return lambda;
}

value_t Defun(value_t args)
{
    return Define(args, LispFunction, "\nIllegal DEFUN statement.");
}

value_t Defmacro(value_t args)
{
    return Define(args, LispMacro, "\nIllegal MACRO statement.");
}

} // namespace

namespace {

// (<sandboxed> form): the form evaluated in the sandbox. Expansions of
// macros made in the sandbox are wrapped in it where trusted code expands
// them; its name cannot be read, so no script calls or redefines it.
value_t Sandboxed(value_t args)
{
    value_t form = LispCarOf(args);
    if (form.IsError())
        return form;
    LispSandboxScope sandbox;
    return LispEval(form);
}

} // namespace

value_t LispFormQuot(value_t args)
{
    return Quot(args);
}

value_t LispFormAnd(value_t args)
{
    return And(args);
}

value_t LispFormOr(value_t args)
{
    return Or(args);
}

value_t LispFormProgn(value_t args)
{
    return Progn(args);
}

value_t LispFormIf(value_t args)
{
    return If(args);
}

value_t LispFormSetq(value_t args)
{
    return Setq(args);
}

void LispRegisterSpecialForms()
{
    LispRegisterSpecialForm("quot", LispFormQuot);
    LispRegisterSpecialForm("and", LispFormAnd);
    LispRegisterSpecialForm("or", LispFormOr);
    LispRegisterSpecialForm("cond", Cond);
    LispRegisterSpecialForm("case", Case);
    LispRegisterSpecialForm("prog1", Prog1);
    LispRegisterSpecialForm("progn", LispFormProgn);
    LispRegisterSpecialForm("let", Let);
    LispRegisterSpecialForm("if", LispFormIf);
    LispRegisterSpecialForm("while", While);
    LispRegisterSpecialForm("setq", LispFormSetq);
    LispRegisterSpecialForm("lambda", Lambda);
    LispRegisterSpecialForm("defun", Defun);
    LispRegisterSpecialForm("defmacro", Defmacro);
    LispRegisterSpecialForm(kLispSandboxedFormName, Sandboxed);
    Lisp().m_sandboxedIndex = LispIntern(kLispSandboxedFormName);
}

// Evaluation, application, lambda compilation, closures and macro expansion.
//
// A running lambda's frame sits on the value stack: its captured values
// (closures only) and then its parameters; compiled stack variables read
// relative to the top. Every call therefore pushes exactly its parameter
// count, whatever number of arguments was given, so the addressing of the
// body and of the lambdas nested in it stays right.
#include "engine/engines/lisp/LispEvaluator.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <new>

#include "engine/engines/lisp/LispState.h"

namespace {

// Expansion passes before a macro that keeps expanding into itself is refused.
constexpr int kMaxExpansionPasses = 1000;

value_t Undefined(value_t head)
{
    LispPrintf("\nFunction %s is undefined.", LispMessageText(head).c_str());
    return value_t::Error();
}

value_t MoreParameters(value_t head)
{
    LispPrintf("\nMore parameters required to %s.", LispMessageText(head).c_str());
    return value_t::Error();
}

value_t RecursionTooDeep()
{
    return LispAbort("\nRecursion too deep.");
}

LispLambda *LambdaOf(value_t v)
{
    return static_cast<LispLambda *>(v.u.p);
}

// The hot path (LispEval, EvalCall, EvalArguments, RunLambda, EvalBody) is
// declared inline so that it compiles into few functions; what is rare
// stays out of it.
#define LISP_COLD __attribute__((noinline))

inline value_t EvalForm(value_t x);

// The body of a lambda made in the sandbox, called from outside it.
LISP_COLD value_t EvalSandboxed(value_t body)
{
    LispSandboxScope sandbox;
    return LispEval(body);
}

inline value_t EvalBody(const LispLambda *lambda)
{
    if (lambda->m_sandboxed && !Lisp().m_sandbox)
        return EvalSandboxed(lambda->m_body);
    return EvalForm(lambda->m_body);
}

// Runs a lambda's body with the first parameter-count values of args as its
// parameters. The caller keeps the lambda reachable.
inline value_t RunLambda(LispLambda *lambda, const value_t *args)
{
    LispState &s = Lisp();
    value_t *frame = s.m_valueTop;
    int count = lambda->m_paramCount;
    if (frame + count > s.m_valueStack.get() + kLispValueStackSize)
        return LispAbort("\nValue stack is full.");
    std::copy(args, args + count, frame);
    s.m_valueTop = frame + count;
    value_t result = EvalBody(lambda);
    s.m_valueTop = frame;
    return result;
}

// Evaluates the argument forms left to right onto the argument stack; their
// count, or -1 when one of them failed. An argument's slot holds the cell
// being walked until it holds the argument's value: an argument may cut the
// list it stands in.
inline int EvalArguments(value_t forms)
{
    LispState &s = Lisp();
    int count = 0;
    for (value_t x = forms; x.IsCons(); x = x.Cell()->cdr) {
        value_t *slot = s.m_argTop;
        if (slot >= s.m_argEnd) {
            LispPushArg(x); // the message, and unwinding
            return -1;
        }
        *slot = x;
        s.m_argTop = slot + 1;
        value_t v = EvalForm(x.Cell()->car);
        if (v.IsError())
            return -1;
        *slot = v;
        ++count;
    }
    return count;
}

inline value_t EvalCall(value_t form);

// Runs an evaluation entered from outside the interpreter (no evaluation in
// progress): it starts afresh, with no unwinding left over and a full step
// budget, at depth one. The allocations of the interpreter's own C++ objects
// are not checked one by one: one the system refuses ends the evaluation
// here with ERROR and the stacks as they were.
template <typename Run>
LISP_COLD value_t Outermost(Run run)
{
    LispState &s = Lisp();
    LispBeginTopLevel();
    value_t *valueTop = s.m_valueTop;
    value_t *argTop = s.m_argTop;
    value_t *macroTop = s.m_macroTop;
    try {
        LispDepth depth;
        return run();
    } catch (const std::exception &) {
        s.m_valueTop = valueTop;
        s.m_argTop = argTop;
        s.m_macroTop = macroTop;
        LispWrite("\nOut of memory.");
        return value_t::Error();
    }
}

// The form stays guarded for the whole evaluation: the caller need not have
// rooted it.
LISP_COLD value_t EvalOutermost(value_t form)
{
    return Outermost([&] {
        LispGuard guard(form);
        return EvalCall(form);
    });
}

inline value_t EvalCall(value_t form)
{
    LispState &s = Lisp();
    if (s.m_depth == 0)
        return EvalOutermost(form);
    // Unwinding after quit or a blown bound.
    if (s.m_abort)
        return value_t::Error();
    LispDepth depth;
    if (!depth.Ok())
        return RecursionTooDeep();
    if (!LispStep())
        return value_t::Error();
    value_t head = form.Cell()->car;
    value_t forms = form.Cell()->cdr;

    if (head.tag == LispSymbol || head.tag == LispNil) {
        int index = head.tag == LispNil ? s.m_nilIndex : head.u.i;
        LispFunctionRecord *record = s.m_symbols[index].m_function.get();
        if (!record)
            return Undefined(head);
        if (record->kind == LispSpecialForm)
            return record->formHandler(forms);
        if (record->kind == LispMacro) {
            value_t expansion = LispMacroExpand(form);
            LispGuard guard(expansion);
            return LispEval(expansion);
        }
        value_t *base = s.m_argTop;
        const uint64_t definitions = s.m_definitions;
        int count = EvalArguments(forms);
        // The arguments may have redefined the function.
        if (s.m_definitions != definitions)
            record = s.m_symbols[index].m_function.get();
        value_t result;
        if (count < 0)
            result = value_t::Error();
        else if (!record || (record->kind != LispBuiltin && record->kind != LispFunction))
            result = Undefined(head);
        else if (count < record->minArgs)
            result = MoreParameters(head);
        else if (record->kind == LispBuiltin)
            result = record->handler(base, count);
        else {
            value_t lambda = record->lambda;
            LispGuard guard(lambda);
            result = RunLambda(LambdaOf(lambda), base);
        }
        s.m_argTop = base;
        return result;
    }

    if (head.tag == LispLexClosure) {
        // The arguments may replace the head in the form: the record stays guarded.
        LispGuard guard(head);
        LispLambda *lambda = LambdaOf(head);
        value_t *base = s.m_argTop;
        int count = EvalArguments(forms);
        value_t result;
        if (count < 0)
            result = value_t::Error();
        else if (count < lambda->m_paramCount)
            result = MoreParameters(head);
        else
            result = RunLambda(lambda, base);
        s.m_argTop = base;
        return result;
    }
    return Undefined(head);
}

value_t IllegalStackVariable()
{
    LispPrintf("\nIllegal stack variable.");
    return value_t::Error();
}

// The n-th element of a special form's piece list, through car and cdr with
// their messages.
value_t Piece(value_t list, int n)
{
    for (int i = 0; i < n; ++i) {
        list = LispCdrOf(list);
        if (list.IsError())
            return list;
    }
    return LispCarOf(list);
}

bool IsSymbol(value_t v, int index)
{
    return v.tag == LispSymbol && v.u.i == index;
}

LispFunctionRecord *MacroRecord(value_t head)
{
    if (head.tag != LispSymbol)
        return nullptr;
    LispFunctionRecord *record = LispSymbolFunction(head.u.i);
    return record && record->kind == LispMacro ? record : nullptr;
}

// Appends values to a list under construction; the head stays guarded.
class ListBuilder {
public:
    ListBuilder() : m_guard(m_head) {}
    bool Append(value_t v)
    {
        value_t cell = LispMakeCons(v, value_t::Nil());
        if (cell.IsError())
            return false;
        if (m_last)
            m_last->cdr = cell;
        else
            m_head = cell;
        m_last = cell.Cell();
        return true;
    }
    void SetTail(value_t tail)
    {
        if (m_last)
            m_last->cdr = tail;
        else
            m_head = tail;
    }
    value_t Head() const { return m_head; }

private:
    value_t m_head;
    LispGuard m_guard;
    LispCell *m_last = nullptr;
};

} // namespace

namespace {

// The evaluator's own calls come here directly, not through the library's
// exported (and so interposable) entry.
inline value_t EvalForm(value_t x)
{
    switch (x.tag) {
    case LispSymbol:
        return Lisp().m_symbols[x.u.i].m_value;
    case LispStackVar: {
        LispState &s = Lisp();
        if (x.u.i >= 0 || s.m_valueTop - s.m_valueStack.get() < -static_cast<int64_t>(x.u.i))
            return IllegalStackVariable();
        return s.m_valueTop[x.u.i];
    }
    case LispLexClosure:
        return LispMakeClosure(x);
    case LispCons:
        return EvalCall(x);
    default:
        return x;
    }
}

} // namespace

value_t LispEval(value_t x)
{
    return EvalForm(x);
}

value_t LispEvalTopLevel(value_t x)
{
    LispInit();
    LispState &s = Lisp();
    s.m_quitRequested = false;
    // Only an outermost evaluation may drop what the stacks still hold.
    if (s.m_depth == 0) {
        s.m_argTop = s.m_argStack.get();
        s.m_macroTop = s.m_macroStack.get();
        LispBeginTopLevel();
    }
    value_t *mark = s.m_valueTop;
    if (!LispPushValue(x))
        return value_t::Error();
    value_t result = LispEval(x);
    s.m_valueTop = mark;
    return result;
}

namespace {

LISP_COLD value_t ApplyOutermost(value_t *v, int count)
{
    return Outermost([&] { return LispApply(v, count); });
}

} // namespace

value_t LispApply(value_t *v, int count)
{
    LispState &s = Lisp();
    if (s.m_depth == 0)
        return ApplyOutermost(v, count);
    if (s.m_abort || count < 1)
        return value_t::Error();
    LispDepth depth;
    if (!depth.Ok())
        return RecursionTooDeep();
    if (!LispStep())
        return value_t::Error();
    value_t function = v[0];
    LispGuard guard(function);
    int given = count - 1;
    switch (function.tag) {
    case LispSymbol:
    case LispNil: {
        int index = function.tag == LispNil ? s.m_nilIndex : function.u.i;
        LispFunctionRecord *record = s.m_symbols[index].m_function.get();
        if (!record)
            return Undefined(function);
        if (given < record->minArgs)
            return MoreParameters(function);
        if (record->kind == LispBuiltin)
            return record->handler(v + 1, given);
        if (record->kind == LispFunction) {
            value_t lambda = record->lambda;
            LispGuard lambdaGuard(lambda);
            return RunLambda(LambdaOf(lambda), v + 1);
        }
        return value_t::Nil();
    }
    case LispLexClosure: {
        LispLambda *lambda = LambdaOf(function);
        if (given < lambda->m_paramCount)
            return MoreParameters(function);
        return RunLambda(lambda, v + 1);
    }
    case LispClosure: {
        auto *closure = static_cast<LispClosureRecord *>(function.u.p);
        LispLambda *lambda = closure->m_lambda;
        if (given < lambda->m_paramCount)
            return MoreParameters(function);
        value_t *frame = s.m_valueTop;
        size_t captured = closure->m_captured.size();
        if (frame + captured + lambda->m_paramCount > s.m_valueStack.get() + kLispValueStackSize)
            return LispAbort("\nValue stack is full.");
        std::copy(closure->m_captured.begin(), closure->m_captured.end(), frame);
        std::copy(v + 1, v + 1 + lambda->m_paramCount, frame + captured);
        s.m_valueTop = frame + captured + lambda->m_paramCount;
        value_t result = EvalBody(lambda);
        // Assignments to captured variables persist in the closure.
        std::copy(frame, frame + captured, closure->m_captured.begin());
        s.m_valueTop = frame;
        return result;
    }
    default:
        return value_t::Nil();
    }
}

value_t LispMakeLambda(value_t params, value_t body, int depth, std::vector<int> *outerReferences)
{
    LispState &s = Lisp();
    int count = 0;
    value_t x = params;
    for (; x.IsCons(); x = x.Cell()->cdr) {
        value_t parameter = x.Cell()->car;
        if (parameter.tag != LispSymbol && parameter.tag != LispNil) {
            LispPrintf("\nIllegal arglist for LAMBDA expresion.");
            return value_t::Error();
        }
        if (depth + count >= kLispCompileTableSize) {
            LispPrintf("\nToo many LAMBDA parameters in scope.");
            return value_t::Error();
        }
        // NIL holds its place but can never be referred to.
        s.m_compileVars[depth + count] = parameter.tag == LispSymbol ? parameter.u.i : -1;
        ++count;
    }
    if (!x.IsNil()) {
        LispPrintf("\nIllegal arglist for LAMBDA expresion.");
        return value_t::Error();
    }
    std::vector<int> references;
    value_t compiled = LispCompile(body, depth + count, references);
    if (compiled.IsError())
        return compiled;
    // Making room for the record may collect.
    LispGuard guard(compiled);
    size_t bytes = sizeof(LispLambda) + references.size() * sizeof(int);
    if (!LispReserveHeap(bytes))
        return value_t::Error();
    std::unique_ptr<LispLambda> made;
    try {
        LispAllocationFaultPoint();
        made = std::make_unique<LispLambda>();
        made->m_references = references;
        if (outerReferences)
            outerReferences->reserve(outerReferences->size() + references.size());
    } catch (const std::bad_alloc &) {
        return LispOutOfMemory();
    }
    LispLambda *lambda = made.release();
    lambda->m_paramCount = count;
    lambda->m_body = compiled;
    int captured = 0;
    for (int reference : references)
        captured = std::max(captured, depth - reference);
    lambda->m_capturedCount = captured;
    lambda->m_sandboxed = s.m_sandbox;
    LispRegisterHeap(lambda, bytes);
    if (outerReferences)
        outerReferences->insert(outerReferences->end(), references.begin(), references.end());
    return value_t::Pointer(LispLexClosure, lambda);
}

value_t LispCompile(value_t x, int depth, std::vector<int> &references)
{
    LispState &s = Lisp();
    if (x.tag == LispSymbol) {
        for (int k = depth - 1; k >= 0; --k) {
            if (s.m_compileVars[k] == x.u.i) {
                references.push_back(k);
                return value_t::StackVar(k - depth);
            }
        }
        return x;
    }
    if (!x.IsCons())
        return x;
    LispDepth level;
    if (!level.Ok())
        return RecursionTooDeep();
    value_t head = x.Cell()->car;
    if (IsSymbol(head, s.m_quotIndex))
        return x;
    if (IsSymbol(head, s.m_lambdaIndex)) {
        value_t params = Piece(x, 1);
        value_t body = params.IsError() ? params : Piece(x, 2);
        if (params.IsError() || body.IsError()) {
            LispPrintf("\nIllegal lambda expretion");
            return value_t::Error();
        }
        return LispMakeLambda(params, body, depth, &references);
    }
    if (IsSymbol(head, s.m_letIndex))
        return LispCompileLet(x.Cell()->cdr, depth, references);
    ListBuilder list;
    value_t rest = x;
    // Expanding the macros of a LET may change the list being walked.
    LispGuard guard(rest);
    for (; rest.IsCons(); rest = rest.Cell()->cdr) {
        value_t element = LispCompile(rest.Cell()->car, depth, references);
        if (element.IsError())
            return element;
        if (!list.Append(element))
            return value_t::Error();
    }
    if (!rest.IsNil()) {
        LispPrintf("\nIllegal atom in LAMBDA expresion.");
        return value_t::Error();
    }
    return list.Head();
}

value_t LispCompileLet(value_t args, int depth, std::vector<int> &references)
{
    LispState &s = Lisp();
    value_t bindings = Piece(args, 0);
    value_t body = bindings.IsError() ? bindings : Piece(args, 1);
    if (body.IsError())
        return body;
    value_t variables;
    value_t inits;
    value_t b = bindings;
    // The bindings' macros run while the bindings are walked.
    LispGuard guard(variables, inits, body, b);
    for (; b.IsCons(); b = b.Cell()->cdr) {
        value_t binding = b.Cell()->car;
        value_t variable = binding;
        value_t init;
        if (binding.IsCons()) {
            variable = binding.Cell()->car;
            init = LispSecondOrNil(binding);
        }
        if (variable.tag != LispSymbol) {
            LispPrintf("\nIllegal variable in LET form.");
            return value_t::Error();
        }
        init = LispMacroExpand(init);
        if (init.IsError())
            return init;
        // Consing onto the front reverses both lists alike.
        inits = LispMakeCons(init, inits);
        if (inits.IsError())
            return inits;
        variables = LispMakeCons(variable, variables);
        if (variables.IsError())
            return variables;
    }
    body = LispMacroExpand(body);
    if (body.IsError())
        return body;
    value_t form = LispMakeCons(body, value_t::Nil());
    if (!form.IsError())
        form = LispMakeCons(variables, form);
    if (!form.IsError())
        form = LispMakeCons(value_t::Symbol(s.m_lambdaIndex), form);
    if (!form.IsError())
        form = LispMakeCons(form, inits);
    if (form.IsError())
        return form;
    LispGuard formGuard(form);
    return LispCompile(form, depth, references);
}

value_t LispMakeClosure(value_t lambdaValue)
{
    LispState &s = Lisp();
    LispLambda *lambda = LambdaOf(lambdaValue);
    int captured = lambda->m_capturedCount;
    if (s.m_valueTop - s.m_valueStack.get() < captured) {
        LispPrintf("\nCannot capture the variables of a LAMBDA expresion here.");
        return value_t::Error();
    }
    // Making room may collect; the captured values are on the value stack.
    LispGuard guard(lambdaValue);
    size_t bytes = sizeof(LispClosureRecord) + static_cast<size_t>(captured) * sizeof(value_t);
    if (!LispReserveHeap(bytes))
        return value_t::Error();
    std::unique_ptr<LispClosureRecord> closure;
    try {
        LispAllocationFaultPoint();
        closure = std::make_unique<LispClosureRecord>();
        closure->m_captured.assign(s.m_valueTop - captured, s.m_valueTop);
    } catch (const std::bad_alloc &) {
        return LispOutOfMemory();
    }
    closure->m_lambda = lambda;
    LispClosureRecord *made = closure.release();
    LispRegisterHeap(made, bytes);
    return value_t::Pointer(LispClosure, made);
}

bool LispContainsMacroCall(value_t x)
{
    if (!x.IsCons())
        return false;
    LispDepth depth;
    if (!depth.Ok())
        return false;
    value_t head = x.Cell()->car;
    if (IsSymbol(head, Lisp().m_quotIndex))
        return false;
    if (MacroRecord(head))
        return true;
    if (!LispStep())
        return false;
    // A cyclic list is walked once around at most.
    int steps = 0;
    for (value_t e = x; e.IsCons() && steps <= kLispCellCount; e = e.Cell()->cdr, ++steps)
        if (LispContainsMacroCall(e.Cell()->car))
            return true;
    return false;
}

value_t LispExpandOnce(value_t x)
{
    LispState &s = Lisp();
    if (!x.IsCons())
        return x;
    LispDepth depth;
    if (!depth.Ok())
        return RecursionTooDeep();
    value_t head = x.Cell()->car;
    if (IsSymbol(head, s.m_quotIndex))
        return x;
    if (MacroRecord(head)) {
        value_t *mark = s.m_macroTop;
        int count = 0;
        // The arguments' macros run while the arguments are walked.
        value_t a = x.Cell()->cdr;
        LispGuard guard(a);
        for (; a.IsCons(); a = a.Cell()->cdr) {
            value_t expanded = LispExpandOnce(a.Cell()->car);
            if (expanded.IsError()) {
                s.m_macroTop = mark;
                return expanded;
            }
            if (s.m_macroTop - s.m_macroStack.get() >= kLispMacroStackSize) {
                s.m_macroTop = mark;
                return LispAbort("\nMacro argument stack is full.");
            }
            *s.m_macroTop++ = expanded;
            ++count;
        }
        // Expanding the arguments may have redefined the macro.
        LispFunctionRecord *record = MacroRecord(head);
        if (!record) {
            s.m_macroTop = mark;
            return x;
        }
        value_t lambda = record->lambda;
        LispGuard lambdaGuard(lambda);
        if (count < LambdaOf(lambda)->m_paramCount) {
            s.m_macroTop = mark;
            LispPrintf("\nToo few arguments for macro %s.", LispMessageText(head).c_str());
            return value_t::Error();
        }
        value_t expansion = RunLambda(LambdaOf(lambda), mark);
        s.m_macroTop = mark;
        // What a sandbox macro writes is the sandbox's code wherever it is
        // expanded: outside the sandbox it runs sandboxed.
        if (LambdaOf(lambda)->m_sandboxed && !s.m_sandbox && !expansion.IsError() && s.m_sandboxedIndex >= 0) {
            LispGuard expansionGuard(expansion);
            value_t tail = LispMakeCons(expansion, value_t::Nil());
            if (tail.IsError())
                return tail;
            return LispMakeCons(value_t::Symbol(s.m_sandboxedIndex), tail);
        }
        return expansion;
    }
    ListBuilder list;
    value_t rest = x;
    LispGuard guard(rest);
    for (; rest.IsCons(); rest = rest.Cell()->cdr) {
        value_t expanded = LispExpandOnce(rest.Cell()->car);
        if (expanded.IsError())
            return expanded;
        if (!list.Append(expanded))
            return value_t::Error();
    }
    list.SetTail(rest);
    return list.Head();
}

value_t LispMacroExpand(value_t x)
{
    LispGuard guard(x);
    for (int pass = 0; LispContainsMacroCall(x); ++pass) {
        if (pass >= kMaxExpansionPasses) {
            LispPrintf("\nMacro expansion does not end.");
            return value_t::Error();
        }
        x = LispExpandOnce(x);
        if (x.IsError())
            return x;
    }
    return x;
}

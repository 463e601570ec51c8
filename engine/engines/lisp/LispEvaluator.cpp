// Evaluation, application, lambda compilation, closures and macro expansion.
//
// A running lambda's frame sits on the value stack: its captured values
// (closures only) and then its parameters; compiled stack variables read
// relative to the top. Every call therefore pushes exactly its parameter
// count, whatever number of arguments was given, so the addressing of the
// body and of the lambdas nested in it stays right.
#include "engine/engines/lisp/LispEvaluator.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <memory>
#include <new>

#include "engine/engines/lisp/LispBuiltins.h"
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
struct Code;
inline value_t RunCode(const Code *code);
// A body's root: most bodies are an if on an arithmetic test, run straight.
inline value_t RunRoot(const Code *code);
const Code *CodeOf(LispLambda *lambda);

inline value_t RunBody(LispLambda *lambda)
{
    const Code *code = CodeOf(lambda);
    return code ? RunRoot(code) : EvalForm(lambda->m_body);
}

// The body of a lambda made in the sandbox, called from outside it.
LISP_COLD value_t EvalSandboxed(LispLambda *lambda)
{
    LispSandboxScope sandbox;
    return RunBody(lambda);
}

inline value_t EvalBody(LispLambda *lambda)
{
    if (lambda->m_sandboxed && !Lisp().m_sandbox)
        return EvalSandboxed(lambda);
    return RunBody(lambda);
}

// Runs a lambda's body with the first parameter-count values of args as its
// parameters. The caller keeps the lambda reachable.
__attribute__((always_inline)) inline value_t RunLambda(LispLambda *lambda, const value_t *args)
{
    LispState &s = Lisp();
    value_t *frame = s.m_valueTop;
    int count = lambda->m_paramCount;
    if (frame + count > s.m_valueStack.get() + kLispValueStackSize)
        return LispAbort("\nValue stack is full.");
    // Mostly one to three values: a plain loop beats a call to copy them.
    for (int i = 0; i < count; ++i)
        frame[i] = args[i];
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

// A call's forms as the plain walk evaluates them.
struct FormArguments {
    static LispFunctionRecord *Record(const LispState &s, int index) { return s.m_symbols[index].m_function.get(); }
    static int Evaluate(value_t forms) { return EvalArguments(forms); }
    static value_t Special(const LispFunctionRecord *record, value_t forms) { return record->formHandler(forms); }
    static value_t Builtin(const LispFunctionRecord *record, value_t *args, int count)
    {
        return record->handler(args, count);
    }
};

// A call of the form: its depth, its step, then the function its head names
// now, with the arguments (or the special form's pieces) evaluated by Args.
template <typename Args> inline value_t CallEntered(LispState &s, value_t form, const Args &args);

template <typename Args> inline value_t EvalCallWith(value_t form, const Args &args)
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
    return CallEntered(s, form, args);
}

// A call of what the symbol at index names, its count arguments evaluated
// from base on (count < 0: one failed). The record is the one looked up before
// the arguments, when the definitions were counted.
template <typename Args>
__attribute__((always_inline)) inline value_t ApplyEvaluated(LispState &s, value_t head, int index, const LispFunctionRecord *record,
                              uint64_t definitions, value_t *base, int count, const Args &args)
{
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
        result = args.Builtin(record, base, count);
    else {
        value_t lambda = record->lambda;
        LispGuard guard(lambda);
        result = RunLambda(LambdaOf(lambda), base);
    }
    s.m_argTop = base;
    return result;
}

// The call once its level and its step are taken.
template <typename Args> inline value_t CallEntered(LispState &s, value_t form, const Args &args)
{
    value_t head = form.Cell()->car;
    value_t forms = form.Cell()->cdr;

    if (head.tag == LispSymbol || head.tag == LispNil) {
        int index = head.tag == LispNil ? s.m_nilIndex : head.u.i;
        LispFunctionRecord *record = args.Record(s, index);
        if (!record)
            return Undefined(head);
        if (record->kind == LispSpecialForm)
            return args.Special(record, forms);
        if (record->kind == LispMacro) {
            value_t expansion = LispMacroExpand(form);
            LispGuard guard(expansion);
            return LispEval(expansion);
        }
        value_t *base = s.m_argTop;
        const uint64_t definitions = s.m_definitions;
        int count = args.Evaluate(forms);
        return ApplyEvaluated(s, head, index, record, definitions, base, count, args);
    }

    if (head.tag == LispLexClosure) {
        // The arguments may replace the head in the form: the record stays guarded.
        LispGuard guard(head);
        LispLambda *lambda = LambdaOf(head);
        value_t *base = s.m_argTop;
        int count = args.Evaluate(forms);
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

inline value_t EvalCall(value_t form)
{
    return EvalCallWith(form, FormArguments());
}

LISP_COLD value_t IllegalStackVariable()
{
    LispPrintf("\nIllegal stack variable.");
    return value_t::Error();
}

// A stack variable's offset reaches into the values on the stack.
inline bool StackVariableInFrame(const LispState &s, int32_t offset)
{
    return offset < 0 && s.m_valueTop - s.m_valueStack.get() >= -static_cast<int64_t>(offset);
}

inline value_t ReadStackVariable(const LispState &s, int32_t offset)
{
    if (!StackVariableInFrame(s, offset))
        return IllegalStackVariable();
    return s.m_valueTop[offset];
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
    case LispStackVar:
        return ReadStackVariable(Lisp(), x.u.i);
    case LispLexClosure:
        return LispMakeClosure(x);
    case LispCons:
        return EvalCall(x);
    default:
        return x;
    }
}

// ---- Compiled bodies ----------------------------------------------------------
//
// A lambda's body is walked as a tree of Code records, made at its first
// call: variables are read from their slots, arguments from the records made
// for them, and quot, and, or, progn, if and setq run in line. Only the walk
// changes: each call form still takes its depth and its step, looks up what
// its head names at the moment it runs (a record replaced since compiling
// is followed, and a special form's name that now names something else gets
// that), and the forms in line take the steps and argument slots of their
// handlers. What a body cannot know before it runs (macros, other special
// forms, a head redefined as a special form) goes the plain way.

// Body nesting compiled at the most; deeper forms are walked plainly, so the
// compiler's own recursion stays bounded.
constexpr int kMaxCodeNesting = 200;

enum class CodeKind : uint8_t {
    Constant,    // the form is its own value
    Global,      // a symbol's global value
    Stack,       // a compiled parameter
    Closure,     // a nested lambda, captured at each evaluation
    Walked,      // evaluated as plain forms
    Call,        // a call form; inLine tells what runs in line
    Arithmetic,  // a call of an arithmetic built-in on two variables or constants
    If,          // an if form
    IfArithmetic, // an if form whose test is an Arithmetic node
    Application, // a call of what was a function or a built-in when compiled
};

enum class InLine : uint8_t { None, Quot, And, Or, Progn, If, Setq };

// Built-ins whose work on two integers the call does itself.
enum class Arithmetic : uint8_t { None, Plus, Minus, Times, Less, Greater, LessEqual, GreaterEqual };

struct ArithmeticBuiltin {
    LispBuiltinFn handler;
    Arithmetic operation;
};

constexpr ArithmeticBuiltin kArithmeticBuiltins[] = {
    {BuiltinPlus, Arithmetic::Plus},       {BuiltinMinus, Arithmetic::Minus},
    {BuiltinTimes, Arithmetic::Times},     {BuiltinLess, Arithmetic::Less},
    {BuiltinGreater, Arithmetic::Greater}, {BuiltinLessEqual, Arithmetic::LessEqual},
    {BuiltinGreaterEqual, Arithmetic::GreaterEqual},
};

struct Code {
    CodeKind kind = CodeKind::Constant;
    InLine inLine = InLine::None;
    int32_t slot = 0;                 // Global: the symbol; Stack: the offset
    value_t form;                     // what it was compiled from
    value_t variable;                 // Setq: the variable
    LispSpecialFormFn handler = nullptr; // the special form run in line
    Arithmetic arithmetic = Arithmetic::None;
    LispBuiltinFn arithmeticHandler = nullptr; // the built-in that arithmetic stands for
    std::vector<const Code *> parts;  // the arguments, or the special form's pieces
    // The head's record as last looked up, good while no definition was made
    // since (the state's count of definitions is still the stamp).
    mutable LispFunctionRecord *record = nullptr;
    mutable uint64_t recordStamp = UINT64_MAX;
    // The count of definitions at which the head was last found to name what
    // the node's quick way stands for (see HeadStillFits).
    mutable uint64_t fitStamp = UINT64_MAX;
    // Arithmetic, IfArithmetic: the node's runner, made for its (test's) operation.
    value_t (*arithmeticRun)(const Code *) = nullptr;
};

template <Arithmetic operation> value_t RunArithmeticOf(const Code *code);
template <Arithmetic operation> value_t RunIfArithmeticOf(const Code *code);

// The runner of each operation, so that the operation is known where it
// runs: of the arithmetic node itself, or of an if whose test it is.
template <template <Arithmetic> class Runner>
value_t (*RunnerOfOperation(Arithmetic operation))(const Code *)
{
    switch (operation) {
    case Arithmetic::Plus:
        return Runner<Arithmetic::Plus>::Run;
    case Arithmetic::Minus:
        return Runner<Arithmetic::Minus>::Run;
    case Arithmetic::Times:
        return Runner<Arithmetic::Times>::Run;
    case Arithmetic::Less:
        return Runner<Arithmetic::Less>::Run;
    case Arithmetic::Greater:
        return Runner<Arithmetic::Greater>::Run;
    case Arithmetic::LessEqual:
        return Runner<Arithmetic::LessEqual>::Run;
    case Arithmetic::GreaterEqual:
        return Runner<Arithmetic::GreaterEqual>::Run;
    case Arithmetic::None:
        break;
    }
    return nullptr;
}

template <Arithmetic operation> struct ArithmeticNodeRunner {
    static value_t Run(const Code *code) { return RunArithmeticOf<operation>(code); }
};
template <Arithmetic operation> struct IfArithmeticNodeRunner {
    static value_t Run(const Code *code) { return RunIfArithmeticOf<operation>(code); }
};

} // namespace

struct LispCodeTree {
    std::deque<Code> codes;
    const Code *root = nullptr;
};

void LispDeleteCodeTree(LispCodeTree *tree)
{
    delete tree;
}

namespace {

class CodeCompiler {
public:
    explicit CodeCompiler(LispCodeTree &tree) : m_tree(tree) {}

    const Code *Compile(value_t x, int nesting)
    {
        Code &code = m_tree.codes.emplace_back();
        code.form = x;
        switch (x.tag) {
        case LispSymbol:
            code.kind = CodeKind::Global;
            code.slot = x.u.i;
            return &code;
        case LispStackVar:
            // An offset that could never be in a frame reads the plain way,
            // with its message.
            code.kind = x.u.i < 0 ? CodeKind::Stack : CodeKind::Walked;
            code.slot = x.u.i;
            return &code;
        case LispLexClosure:
            code.kind = CodeKind::Closure;
            return &code;
        case LispCons:
            if (nesting >= kMaxCodeNesting) {
                code.kind = CodeKind::Walked;
                return &code;
            }
            code.kind = CodeKind::Call;
            CompileCall(code, nesting + 1);
            return &code;
        default:
            return &code;
        }
    }

private:
    // Read without a call, an allocation or a collection.
    static bool IsPlainRead(const Code *code)
    {
        return code->kind == CodeKind::Constant || code->kind == CodeKind::Global || code->kind == CodeKind::Stack;
    }

    void CompileCall(Code &code, int nesting)
    {
        LispState &s = Lisp();
        value_t head = code.form.Cell()->car;
        value_t forms = code.form.Cell()->cdr;
        const LispFunctionRecord *record = nullptr;
        if (head.tag == LispSymbol || head.tag == LispNil)
            record = s.m_symbols[head.tag == LispNil ? s.m_nilIndex : head.u.i].m_function.get();
        if (!record || record->kind != LispSpecialForm) {
            for (value_t x = forms; x.IsCons(); x = x.Cell()->cdr)
                code.parts.push_back(Compile(x.Cell()->car, nesting));
            if (record && record->kind == LispBuiltin && code.parts.size() == 2) {
                for (const ArithmeticBuiltin &builtin : kArithmeticBuiltins) {
                    if (builtin.handler == record->handler) {
                        code.arithmetic = builtin.operation;
                        code.arithmeticHandler = builtin.handler;
                    }
                }
                if (code.arithmetic != Arithmetic::None && IsPlainRead(code.parts[0]) && IsPlainRead(code.parts[1])) {
                    code.kind = CodeKind::Arithmetic;
                    code.arithmeticRun = RunnerOfOperation<ArithmeticNodeRunner>(code.arithmetic);
                }
            }
            if (code.kind == CodeKind::Call && head.tag == LispSymbol && record &&
                (record->kind == LispBuiltin || record->kind == LispFunction))
                code.kind = CodeKind::Application;
            return;
        }
        // A special form runs in line only when its pieces are where its
        // handler takes them without a message.
        const LispSpecialFormFn handler = record->formHandler;
        if (handler == LispFormQuot) {
            code.inLine = InLine::Quot;
        } else if (handler == LispFormAnd || handler == LispFormOr || handler == LispFormProgn) {
            code.inLine = handler == LispFormAnd ? InLine::And : handler == LispFormOr ? InLine::Or : InLine::Progn;
            for (value_t x = forms; x.IsCons(); x = x.Cell()->cdr)
                code.parts.push_back(Compile(x.Cell()->car, nesting));
        } else if (handler == LispFormIf && forms.IsCons()) {
            code.inLine = InLine::If;
            value_t branches = forms.Cell()->cdr;
            value_t otherwise = branches.IsCons() ? branches.Cell()->cdr : value_t::Nil();
            code.parts.push_back(Compile(forms.Cell()->car, nesting));
            code.parts.push_back(Compile(branches.IsCons() ? branches.Cell()->car : value_t::Nil(), nesting));
            code.parts.push_back(Compile(otherwise.IsCons() ? otherwise.Cell()->car : value_t::Nil(), nesting));
        } else if (handler == LispFormSetq && forms.IsCons() && forms.Cell()->cdr.IsCons() &&
                   (forms.Cell()->car.tag == LispSymbol || forms.Cell()->car.tag == LispStackVar)) {
            code.inLine = InLine::Setq;
            code.variable = forms.Cell()->car;
            code.parts.push_back(Compile(forms.Cell()->cdr.Cell()->car, nesting));
        }
        if (code.inLine != InLine::None)
            code.handler = handler;
        if (code.inLine == InLine::If) {
            code.kind = CodeKind::If;
            if (code.parts[0]->kind == CodeKind::Arithmetic) {
                code.kind = CodeKind::IfArithmetic;
                code.arithmeticRun = RunnerOfOperation<IfArithmeticNodeRunner>(code.parts[0]->arithmetic);
            }
        }
    }

    LispCodeTree &m_tree;
};

LISP_COLD const Code *CompileBody(LispLambda *lambda)
{
    try {
        auto tree = std::make_unique<LispCodeTree>();
        CodeCompiler compiler(*tree);
        tree->root = compiler.Compile(lambda->m_body, 0);
        lambda->m_code = tree.release();
        return lambda->m_code->root;
    } catch (const std::bad_alloc &) {
        // The plain walk needs no more memory.
        return nullptr;
    }
}

inline const Code *CodeOf(LispLambda *lambda)
{
    if (lambda->m_code)
        return lambda->m_code->root;
    return CompileBody(lambda);
}

value_t RunInLine(const Code *code, value_t forms);

// A call's arguments from their compiled records, onto the argument stack
// as EvalArguments puts them.
// Two's complement wrapping, as the built-ins compute.
inline int32_t WrappingCodeResult(Arithmetic operation, int32_t a, int32_t b)
{
    const uint32_t x = static_cast<uint32_t>(a);
    const uint32_t y = static_cast<uint32_t>(b);
    return static_cast<int32_t>(operation == Arithmetic::Plus ? x + y : operation == Arithmetic::Minus ? x - y : x * y);
}

// The built-in's work on two integers, as it computes it.
inline value_t IntegerArithmetic(const LispState &s, Arithmetic operation, int32_t a, int32_t b)
{
    bool holds;
    switch (operation) {
    case Arithmetic::Less:
        holds = a < b;
        break;
    case Arithmetic::Greater:
        holds = a > b;
        break;
    case Arithmetic::LessEqual:
        holds = a <= b;
        break;
    case Arithmetic::GreaterEqual:
        holds = a >= b;
        break;
    default:
        return value_t::Int(WrappingCodeResult(operation, a, b));
    }
    return holds ? value_t::Symbol(s.m_tIndex) : value_t::Nil();
}

struct CompiledArguments {
    const Code *code;

    LispFunctionRecord *Record(const LispState &s, int index) const
    {
        if (code->recordStamp != s.m_definitions) {
            code->record = s.m_symbols[index].m_function.get();
            code->recordStamp = s.m_definitions;
        }
        return code->record;
    }

    value_t Builtin(const LispFunctionRecord *record, value_t *args, int count) const
    {
        if (code->arithmetic != Arithmetic::None && count == 2 && args[0].tag == LispInteger &&
            args[1].tag == LispInteger && record->handler == code->arithmeticHandler)
            return IntegerArithmetic(Lisp(), code->arithmetic, args[0].u.i, args[1].u.i);
        return record->handler(args, count);
    }

    int Evaluate(value_t forms) const
    {
        // Compiled as a special form's pieces: not the arguments.
        if (code->inLine != InLine::None)
            return EvalArguments(forms);
        return EvaluateParts();
    }

    __attribute__((always_inline)) int EvaluateParts() const
    {
        LispState &s = Lisp();
        int count = 0;
        for (const Code *part : code->parts) {
            value_t *slot = s.m_argTop;
            if (slot >= s.m_argEnd) {
                LispPushArg(part->form); // the message, and unwinding
                return -1;
            }
            value_t v;
            if (part->kind == CodeKind::Stack && StackVariableInFrame(s, part->slot)) {
                // A parameter read in its frame runs nothing that could
                // collect: its slot need not hold the form first.
                v = s.m_valueTop[part->slot];
            } else {
                *slot = part->form;
                s.m_argTop = slot + 1;
                v = RunCode(part);
                if (v.IsError())
                    return -1;
            }
            *slot = v;
            s.m_argTop = slot + 1;
            ++count;
        }
        return count;
    }

    value_t Special(const LispFunctionRecord *record, value_t forms) const
    {
        if (code->handler && record->formHandler == code->handler)
            return RunInLine(code, forms);
        return record->formHandler(forms);
    }
};

// Whether a compiled call may take its level and its step the quick way: not
// unwinding, within the depth and stack bounds, a step left. When not, the
// plain way takes them and gives the message. Each pair of bounds is one
// unsigned comparison: depth in 1..max-1, the frame below the base by less
// than the stack allowed.
inline bool QuickEntryOk(const LispState &s)
{
    const uintptr_t frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    return !s.m_abort && s.m_stepsLeft > 0 &&
           static_cast<unsigned>(s.m_depth - 1) < static_cast<unsigned>(kLispMaxDepth - 1) &&
           s.m_stackBase - frame - 1 < s.m_stackRoom - 1;
}

// Whether the head of a compiled Arithmetic, If or Application node still
// names what the node was made for. Records are replaced, never changed, and
// each replacement counts a definition: one check stands until the next.
LISP_COLD bool HeadFitsAfterDefinitions(const LispState &s, const Code *code)
{
    const value_t head = code->form.Cell()->car;
    if (head.tag != LispSymbol)
        return false;
    LispFunctionRecord *record = s.m_symbols[head.u.i].m_function.get();
    code->record = record;
    code->recordStamp = s.m_definitions;
    bool fits = false;
    if (record) {
        switch (code->kind) {
        case CodeKind::Arithmetic:
            fits = record->kind == LispBuiltin && record->handler == code->arithmeticHandler && record->minArgs <= 2;
            break;
        case CodeKind::If:
        case CodeKind::IfArithmetic:
            fits = record->kind == LispSpecialForm && record->formHandler == code->handler;
            break;
        case CodeKind::Application:
            fits = record->kind == LispFunction || record->kind == LispBuiltin;
            break;
        default:
            break;
        }
    }
    if (fits)
        code->fitStamp = s.m_definitions;
    return fits;
}

inline bool HeadStillFits(const LispState &s, const Code *code)
{
    return code->fitStamp == s.m_definitions || HeadFitsAfterDefinitions(s, code);
}

// One level of a call entered the quick way.
class QuickLevel {
public:
    explicit QuickLevel(LispState &s) : m_state(s) { ++s.m_depth; }
    ~QuickLevel() { --m_state.m_depth; }
    QuickLevel(const QuickLevel &) = delete;
    QuickLevel &operator=(const QuickLevel &) = delete;

private:
    LispState &m_state;
};

// The kinds of call stay functions of their own: RunCode, inlined wherever a
// value is read, then stays small.
#define LISP_CALL_NODE __attribute__((noinline))

LISP_CALL_NODE value_t RunCall(const Code *code)
{
    LispState &s = Lisp();
    if (!QuickEntryOk(s))
        return EvalCallWith(code->form, CompiledArguments{code});
    QuickLevel level(s);
    --s.m_stepsLeft;
    return CallEntered(s, code->form, CompiledArguments{code});
}

// An arithmetic built-in on two plain reads, when the head still names it:
// the reads can neither call, nor allocate, nor collect, so the values need
// the argument stack only when the built-in itself is called.
// A call whose head still names a function or a built-in: no look at the
// form beyond its head.
LISP_CALL_NODE value_t RunApplication(const Code *code)
{
    LispState &s = Lisp();
    if (!QuickEntryOk(s) || !HeadStillFits(s, code))
        return RunCall(code);
    const CompiledArguments args{code};
    const value_t head = code->form.Cell()->car;
    QuickLevel level(s);
    --s.m_stepsLeft;
    value_t *base = s.m_argTop;
    const uint64_t definitions = s.m_definitions;
    const int count = args.EvaluateParts();
    return ApplyEvaluated(s, head, head.u.i, code->record, definitions, base, count, args);
}

// A variable or a constant, its kind known to be one of the three.
inline value_t ReadPlain(const LispState &s, const Code *code)
{
    if (code->kind == CodeKind::Stack)
        return ReadStackVariable(s, code->slot);
    if (code->kind == CodeKind::Constant)
        return code->form;
    return s.m_symbols[code->slot].m_value;
}

// Reads a variable or a constant without a message: false when a stack
// variable lies outside the frame (the plain read gives the message).
inline bool ReadPlainQuietly(const LispState &s, const Code *code, value_t *out)
{
    if (code->kind == CodeKind::Stack) {
        // Compiled offsets are negative: only the bottom of the stack bounds them.
        if (s.m_valueTop - s.m_valueStack.get() < -static_cast<int64_t>(code->slot))
            return false;
        *out = s.m_valueTop[code->slot];
    } else if (code->kind == CodeKind::Constant) {
        *out = code->form;
    } else {
        *out = s.m_symbols[code->slot].m_value;
    }
    return true;
}

// The operands of an Arithmetic node as two integers read the quick way: its
// head still names the built-in, both reads lie in their frame and give
// integers. False when not (nothing said: the plain way says it).
inline bool QuickIntegerOperands(const LispState &s, const Code *code, int32_t *a, int32_t *b)
{
    value_t first;
    value_t second;
    if (!HeadStillFits(s, code) || !ReadPlainQuietly(s, code->parts[0], &first) ||
        !ReadPlainQuietly(s, code->parts[1], &second) || first.tag != LispInteger || second.tag != LispInteger)
        return false;
    *a = first.u.i;
    *b = second.u.i;
    return true;
}

// Everything but two integers read the quick way: the call's level, its step
// and the built-in, or the plain way with its messages.
LISP_COLD value_t RunArithmeticBuiltin(const Code *code)
{
    LispState &s = Lisp();
    if (!QuickEntryOk(s) || s.m_argEnd - s.m_argTop < 2 || !HeadStillFits(s, code))
        return RunCall(code);
    --s.m_stepsLeft;
    QuickLevel level(s);
    const value_t first = ReadPlain(s, code->parts[0]);
    if (first.IsError())
        return first;
    const value_t second = ReadPlain(s, code->parts[1]);
    if (second.IsError())
        return second;
    value_t *base = s.m_argTop;
    base[0] = first;
    base[1] = second;
    s.m_argTop = base + 2;
    value_t result = code->record->handler(base, 2);
    s.m_argTop = base;
    return result;
}

// Two integers need neither the argument stack nor a level: nothing runs
// inside that could see the level, and the entry check saw room for it. The
// rest goes on in a function of its own, so this one keeps no registers.
template <Arithmetic operation> LISP_CALL_NODE value_t RunArithmeticOf(const Code *code)
{
    const LispState &s = Lisp();
    int32_t a;
    int32_t b;
    // A leaf: the stack bound matters only to calls that go deeper.
    if (s.m_abort || s.m_stepsLeft <= 0 ||
        static_cast<unsigned>(s.m_depth - 1) >= static_cast<unsigned>(kLispMaxDepth - 1) ||
        s.m_argEnd - s.m_argTop < 2 || !QuickIntegerOperands(s, code, &a, &b))
        return RunArithmeticBuiltin(code);
    --Lisp().m_stepsLeft;
    return IntegerArithmetic(s, operation, a, b);
}

// An if form whose head still names the special form: its level, its step,
// the slot its handler holds while the test runs, then one branch.
LISP_CALL_NODE value_t RunIf(const Code *code)
{
    LispState &s = Lisp();
    if (!QuickEntryOk(s) || s.m_argTop >= s.m_argEnd || !HeadStillFits(s, code))
        return RunCall(code);
    QuickLevel level(s);
    --s.m_stepsLeft;
    value_t *slot = s.m_argTop;
    *slot = code->form.Cell()->cdr;
    s.m_argTop = slot + 1;
    const value_t test = RunCode(code->parts[0]);
    s.m_argTop = slot;
    if (test.IsError())
        return test;
    return RunCode(code->parts[test.IsNil() ? 2 : 1]);
}

// An if whose test is an Arithmetic node on two integers: the if's level,
// step and argument slot and the test's level and step are checked at once,
// each as RunIf and RunArithmeticOf would check it in turn; anything else
// goes RunIf's way. Such a test can neither call nor collect, so the slot
// that the if's handler holds while its test runs is counted but not
// written: nothing could look at it.
template <Arithmetic operation> LISP_CALL_NODE value_t RunIfArithmeticOf(const Code *code)
{
    LispState &s = Lisp();
    int32_t a;
    int32_t b;
    if (!QuickEntryOk(s) || s.m_stepsLeft < 2 || s.m_depth > kLispMaxDepth - 2 || s.m_argEnd - s.m_argTop < 3 ||
        !HeadStillFits(s, code) || !QuickIntegerOperands(s, code->parts[0], &a, &b))
        return RunIf(code);
    QuickLevel level(s);
    s.m_stepsLeft -= 2;
    const bool holds = !IntegerArithmetic(s, operation, a, b).IsNil();
    return RunCode(code->parts[holds ? 1 : 2]);
}

inline value_t RunCode(const Code *code)
{
    switch (code->kind) {
    case CodeKind::Constant:
        return code->form;
    case CodeKind::Global:
        return Lisp().m_symbols[code->slot].m_value;
    case CodeKind::Stack:
        return ReadStackVariable(Lisp(), code->slot);
    case CodeKind::Closure:
        return LispMakeClosure(code->form);
    case CodeKind::Walked:
        return EvalForm(code->form);
    case CodeKind::Arithmetic:
        return code->arithmeticRun(code);
    case CodeKind::If:
        return RunIf(code);
    case CodeKind::IfArithmetic:
        return code->arithmeticRun(code);
    case CodeKind::Application:
        return RunApplication(code);
    case CodeKind::Call:
        break;
    }
    return RunCall(code);
}

inline value_t RunRoot(const Code *code)
{
    if (code->kind == CodeKind::IfArithmetic)
        return code->arithmeticRun(code);
    return RunCode(code);
}

// The special forms as their handlers run them, over the compiled pieces:
// the same steps, the same argument slots, the same messages.
value_t RunInLine(const Code *code, value_t forms)
{
    const std::vector<const Code *> &parts = code->parts;
    switch (code->inLine) {
    case InLine::Quot:
        return forms;
    case InLine::And:
    case InLine::Or:
    case InLine::Progn: {
        value_t result;
        LispArgSlot walked(forms);
        if (!walked.Ok())
            return value_t::Error();
        for (const Code *part : parts) {
            if (!LispStep())
                return value_t::Error();
            result = RunCode(part);
            if (code->inLine == InLine::And ? result.IsNil()
                : code->inLine == InLine::Or ? !result.IsNil()
                                              : result.IsError())
                return result;
        }
        return code->inLine == InLine::Or ? value_t::Nil() : result;
    }
    case InLine::If: {
        value_t test;
        {
            LispArgSlot held(forms);
            if (!held.Ok())
                return value_t::Error();
            test = RunCode(parts[0]);
        }
        if (test.IsError())
            return test;
        return RunCode(test.IsNil() ? parts[2] : parts[1]);
    }
    case InLine::Setq: {
        value_t value = RunCode(parts[0]);
        if (value.IsError())
            return value;
        if (code->variable.tag == LispSymbol) {
            if (!LispMayChangeGlobal(code->variable.u.i))
                return value_t::Error();
            LispSetGlobalValue(code->variable.u.i, value);
            return value;
        }
        if (!StackVariableInFrame(Lisp(), code->variable.u.i))
            return IllegalStackVariable();
        Lisp().m_valueTop[code->variable.u.i] = value;
        return value;
    }
    case InLine::None:
        break;
    }
    return code->handler(forms);
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

// Code from files: bounded memory and time, a sandbox that holds, and every
// cell the interpreter still walks kept alive. Each case runs twice, the
// second time with a collection before every allocation.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/SgDiagHandler.h"
#include "tests/engine/engines/lisp/LispTestFixture.h"

namespace {

// Garbage enough to need several collections of the 40,000-cell area.
constexpr const char *kChurn =
    "(defun churn (k) (while (< 0 k) (progn (list 1 2 3 4 5 6 7 8) (setq k (- k 1)))))";

class LispLimitsTest : public LispTest {
protected:
    void TearDown() override
    {
        LispSetCollectOnEveryAllocation(false);
        LispFailHeapAllocationAfter(-1);
        LispTest::TearDown();
    }

    // Runs the case on a fresh interpreter, plainly and then collecting
    // before every allocation (m_every; loops may then run shorter).
    void BothWays(const std::function<void()> &body)
    {
        for (bool every : {false, true}) {
            m_every = every;
            SCOPED_TRACE(every ? "collecting before every allocation" : "collecting when needed");
            LispReset();
            TakeOutput();
            LispSetCollectOnEveryAllocation(every);
            body();
            LispSetCollectOnEveryAllocation(false);
            SgDiagCapture diagnostics;
            EXPECT_EQ(Run("(gc)"), "T");
            EXPECT_TRUE(diagnostics.Contains("GC OK.")) << diagnostics.GetText();
            EXPECT_EQ(LispArgStackDepth(), 0u);
            EXPECT_EQ(LispValueStackDepth(), 0u);
        }
    }

    bool Contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

    // n, or a hundredth of it while collecting before every allocation.
    std::string Count(int n) const { return std::to_string(m_every ? n / 100 : n); }

    bool m_every = false;
};

// ---- 1. Memory --------------------------------------------------------------

TEST_F(LispLimitsTest, HeapGarbageCountsTowardACollection)
{
    BothWays([&] {
        LispSetHeapLimit(size_t{256} << 20);
        // 64 MB of garbage a round: more than the cap after four rounds.
        EXPECT_EQ(Run("(setq i 0) (while (< i 12) (progn (make-array 4000000) (setq i (+ i 1))))"), "12");
        EXPECT_EQ(TakeOutput(), "");
        // Strings, closures and lambda records count as well.
        EXPECT_EQ(Run("(defun adder (n) (lambda (x) (+ x n)))"
                      "(setq big nil) (setq i 0) (while (< i 2000) (progn (setq big (cons i big)) (setq i (+ i 1))))"
                      "(setq s (prints big))"
                      "(setq i 0) (while (< i " + Count(50000) + ")"
                      "  (progn (prints s) (adder i) (lambda (y) y) (setq i (+ i 1))))"),
                  Count(50000));
        EXPECT_EQ(TakeOutput(), "");
        EXPECT_LT(LispHeapBytes(), size_t{256} << 20);
        EXPECT_EQ(Run("(apply (adder 2) 3)"), "5");
    });
}

TEST_F(LispLimitsTest, PassingTheHeapLimitIsAnErrorAndTheInterpreterGoesOn)
{
    BothWays([&] {
        LispSetHeapLimit(size_t{8} << 20);
        EXPECT_EQ(LispHeapLimit(), size_t{8} << 20);
        EXPECT_EQ(Run("(setq keep nil) (while t (setq keep (cons (make-array 100000) keep)))"), "ERROR");
        EXPECT_EQ(TakeOutput(), "\nHeap limit of 8388608 bytes reached.");
        EXPECT_LE(LispHeapBytes(), size_t{8} << 20);
        EXPECT_EQ(Run("(len keep)"), "5");
        EXPECT_EQ(Run("(make-array 1000000)"), "ERROR");
        EXPECT_EQ(TakeOutput(), "\nHeap limit of 8388608 bytes reached.");
        EXPECT_EQ(Run("(setq keep nil) (len (make-array 100000))"), "100000");
        EXPECT_EQ(Run("(put 'p 'q (prints '(1 2)))"), "\"(1 2)\"");
    });
}

TEST_F(LispLimitsTest, AnAllocationTheSystemRefusesIsAnError)
{
    const char *const refused[] = {
        "(make-array 10)",
        "(prints 'a)",
        "(symbol-name 'abc)",
        "(lambda (x) x)",
        "(defun f (x) x)",
        "(progn (defun adder (n) (lambda (x) (+ x n))) (adder 1))",
        "(put 'p 'q 1)",
    };
    BothWays([&] {
        for (const char *input : refused) {
            LispFailHeapAllocationAfter(0);
            EXPECT_EQ(Run(input), "ERROR") << input;
            EXPECT_TRUE(Contains(TakeOutput(), "\nOut of memory.")) << input;
            LispFailHeapAllocationAfter(-1);
            EXPECT_NE(Run(input), "ERROR") << input;
            TakeOutput();
        }
        // A string the reader makes.
        LispFailHeapAllocationAfter(0);
        EXPECT_TRUE(LispReadFromString("(a \"b\")").IsNil());
        EXPECT_TRUE(Contains(TakeOutput(), "\nOut of memory."));
        LispFailHeapAllocationAfter(-1);
        EXPECT_EQ(LispPrintToString(LispReadFromString("(a \"b\")")), "(A \"b\")");
        EXPECT_EQ(Run("(+ 1 2)"), "3");
    });
}

// A host's built-in whose own allocation fails.
value_t BuiltinThrowing(value_t *, int)
{
    throw std::bad_alloc();
}

TEST_F(LispLimitsTest, AnAllocationRefusedAnywhereInAnEvaluationEndsOnlyThatEvaluation)
{
    BothWays([&] {
        LispRegisterFunction("throwing", BuiltinThrowing, 0);
        Run("(defun deep (n) (if (< n 1) (list (throwing)) (list n (deep (- n 1)))))");
        EXPECT_EQ(Run("(let ((a (list 1 2))) (mapcar (lambda (x) (deep 50)) a))"), "ERROR");
        EXPECT_EQ(TakeOutput(), "\nOut of memory.");
        EXPECT_EQ(LispArgStackDepth(), 0u);
        EXPECT_EQ(LispValueStackDepth(), 0u);
        value_t *top = LispArgTop();
        LispPushArg(LispSymbolValue("deep"));
        LispPushArg(value_t::Int(3));
        EXPECT_TRUE(LispApply(top, 2).IsError());
        LispSetArgTop(top);
        EXPECT_EQ(TakeOutput(), "\nOut of memory.");
        EXPECT_EQ(Run("(deep 0)"), "ERROR");
        TakeOutput();
        EXPECT_EQ(Run("(list (+ 1 2) (prints 'x))"), "(3 \"X\")");
    });
}

// ---- 2. Sandbox -------------------------------------------------------------

TEST_F(LispLimitsTest, TheSandboxKeepsEveryDefinitionMadeOutsideIt)
{
    std::string path = testing::TempDir() + "lisp_sandbox_redefinition.lsp";
    BothWays([&] {
        std::ofstream(path) << "(+ 1 2)";
        // A prelude macro and a function of the host, defined outside.
        Run("(defmacro vec3 (x y z) (list 'let (list (list 'a '(make-array 3)))"
            "  (list 'progn (list 'aset 'a 0 x) (list 'aset 'a 1 y) (list 'aset 'a 2 z) 'a)))"
            "(defun helper (x) (list x x))");
        TakeOutput();
        {
            LispSandboxScope sandbox;
            const std::pair<const char *, const char *> refused[] = {
                {"(defun cadr (x) (file-remove \"" "x" "\"))", "CADR"},
                {"(defmacro if (a b c) a)", "IF"},
                {"(defun setq (a b) a)", "SETQ"},
                {"(defun defun (a b) a)", "DEFUN"},
                {"(defmacro vec3 (x y z) x)", "VEC3"},
                {"(defun helper (x) x)", "HELPER"},
                {"(defmacro helper (x) x)", "HELPER"},
            };
            for (const auto &[input, name] : refused) {
                EXPECT_EQ(Run(input), "ERROR") << input;
                EXPECT_EQ(TakeOutput(), std::string("\nLISP ERROR: ") + name + " may not be redefined in this script.");
            }
            // Names of its own it may define and define again.
            EXPECT_EQ(Run("(defun mine (x) (+ x 1)) (defun mine (x) (+ x 2)) (mine 1)"), "3");
            EXPECT_NE(Run("(defun remover () (file-remove \"" + path + "\"))"), "ERROR");
            EXPECT_NE(Run("(setq hook (lambda () (file-remove \"" + path + "\")))"), "ERROR");
            TakeOutput();
            // T and NIL stay what they are.
            EXPECT_EQ(Run("(set 't nil)"), "ERROR");
            EXPECT_EQ(TakeOutput(), "\nLISP ERROR: T cannot be changed.");
            EXPECT_EQ(Run("(setq t 5)"), "ERROR");
            EXPECT_EQ(TakeOutput(), "\nLISP ERROR: T cannot be changed.");
            EXPECT_EQ(Run("(aref (vec3 1 2 3) 2)"), "3");
        }
        EXPECT_EQ(Run("(cadr '(1 2))"), "2");
        EXPECT_EQ(Run("(if nil 1 2)"), "2");
        EXPECT_EQ(Run("(helper 4)"), "(4 4)");
        EXPECT_EQ(Run("t"), "T");
        // What the sandbox made runs sandboxed when trusted code calls it.
        EXPECT_EQ(Run("(remover)"), "ERROR");
        EXPECT_EQ(Run("(apply hook)"), "ERROR");
        EXPECT_EQ(TakeOutput(), "\nLISP ERROR: FILE-REMOVE is not allowed in this script."
                                "\nLISP ERROR: FILE-REMOVE is not allowed in this script.");
        EXPECT_FALSE(LispIsSandboxed());
        EXPECT_EQ(access(path.c_str(), F_OK), 0) << "sandboxed code removed a file";
        // Outside the sandbox definitions replace as before; T is kept there too.
        EXPECT_EQ(Run("(defun helper (x) x) (helper 4)"), "4");
        EXPECT_EQ(Run("(set 't nil)"), "ERROR");
        EXPECT_EQ(TakeOutput(), "\nLISP ERROR: T cannot be changed.");
        EXPECT_EQ(Run("(setq t nil)"), "ERROR");
        EXPECT_EQ(Run("(set nil 1)"), "ERROR");
        EXPECT_EQ(Run("(setq nil 1)"), "ERROR");
        TakeOutput();
        EXPECT_EQ(Run("t"), "T");
    });
    std::remove(path.c_str());
}

// A macro the sandbox made writes code: that code runs sandboxed too, where
// trusted code expands the macro, directly or inside what it compiles.
TEST_F(LispLimitsTest, AMacroMadeInTheSandboxExpandsIntoSandboxedCode)
{
    std::string path = testing::TempDir() + "lisp_sandbox_macro_victim.txt";
    BothWays([&] {
        std::ofstream(path) << "keep me";
        {
            LispSandboxScope sandbox;
            EXPECT_NE(Run("(defmacro tidy () (list 'file-remove \"" + path + "\"))"), "ERROR");
            EXPECT_NE(Run("(defmacro wrap (x) (list 'progn x))"), "ERROR");
        }
        TakeOutput();
        EXPECT_EQ(Run("(tidy)"), "ERROR");
        EXPECT_EQ(Run("(defun later () (tidy)) (later)"), "ERROR");
        EXPECT_EQ(Run("(eval (macroexpand '(tidy)))"), "ERROR");
        EXPECT_EQ(TakeOutput(), "\nLISP ERROR: FILE-REMOVE is not allowed in this script."
                                "\nLISP ERROR: FILE-REMOVE is not allowed in this script."
                                "\nLISP ERROR: FILE-REMOVE is not allowed in this script.");
        EXPECT_EQ(access(path.c_str(), F_OK), 0) << "a sandbox macro removed a file";
        // What such a macro wraps of trusted code is trusted code's all the
        // same: its values come through.
        EXPECT_EQ(Run("(wrap (+ 1 2))"), "3");
        EXPECT_EQ(Run("(defun add (a b) (wrap (+ a b))) (add 2 5)"), "7");
        EXPECT_FALSE(LispIsSandboxed());
    });
    std::remove(path.c_str());
}

// ---- 3. Cells being walked --------------------------------------------------

TEST_F(LispLimitsTest, ListsCutWhileTheyAreWalkedStayWhole)
{
    BothWays([&] {
        Run(kChurn);
        EXPECT_EQ(Run("(setq l (list 1 2 3))"
                      "(mapcar (lambda (x) (progn (if (eq x 2) (progn (replcd l nil) (gc) (churn " + Count(3000) + "))) x)) l)"),
                  "(1 2 3)");
        EXPECT_EQ(Run("(setq l (list 1 2 3)) (setq m (list 'a 'b 'c))"
                      "(map (lambda (x y) (progn (if (eq x 2) (progn (replcd l nil) (replcd m nil) (gc) (churn " + Count(3000) + ")))"
                      "  (list x y))) l m)"),
                  "((1 A) (2 B) (3 C))");
        // Argument evaluation, and the special forms' own walks.
        EXPECT_EQ(Run("(setq code (list 'list 1 '(progn (replcd (cdr code) nil) (gc) (churn " + Count(3000) + ") 2) 3))"
                      "(eval code)"),
                  "(1 2 3)");
        EXPECT_EQ(Run("(setq code (list 'progn 1 '(progn (replcd (cdr code) nil) (gc) (churn " + Count(3000) + ") 2) '(list 3 4)))"
                      "(eval code)"),
                  "(3 4)");
        EXPECT_EQ(Run("(setq code (list 'if '(progn (replcd code nil) (gc) (churn " + Count(3000) + ") t) '(list 5 6) 7))"
                      "(eval code)"),
                  "(5 6)");
        EXPECT_EQ(Run("(setq code (list 'cond (list '(progn (replca (cdr code) nil) (gc) (churn " + Count(3000) + ") t) '(list 8 9))))"
                      "(eval code)"),
                  "(8 9)");
        EXPECT_EQ(Run("(setq i 0) (setq code (list 'while '(< i 2)"
                      "  '(progn (replcd code nil) (gc) (churn " + Count(3000) + ") (setq i (+ i 1)))))"
                      "(eval code)"),
                  "2");
        TakeOutput();
    });
}

// ---- 4. A form read from a string ---------------------------------------------

TEST_F(LispLimitsTest, AFormReadFromAStringIsSafeToEvaluateByAnyPath)
{
    BothWays([&] {
        Run(kChurn);
        Run("(defmacro with-gc (x) (progn (gc) (churn " + Count(3000) + ") x))");
        TakeOutput();
        value_t lambda = LispEval(LispReadFromString("(lambda (a b) (with-gc (list a (prints b))))"));
        LispRootNode root(&lambda);
        EXPECT_EQ(lambda.tag, LispLexClosure) << TakeOutput();
        value_t defined = LispEval(LispReadFromString("(defun pair (a b) (with-gc (list a b)))"));
        EXPECT_EQ(defined.tag, LispLexClosure) << TakeOutput();
        value_t result = LispEval(LispReadFromString(("(progn (gc) (churn " + Count(3000) + ") (list (pair 1 2) (list 3 4)))").c_str()));
        EXPECT_EQ(LispPrintToString(result), "((1 2) (3 4))");
        value_t *top = LispArgTop();
        LispPushArg(lambda);
        LispPushArg(value_t::Int(1));
        LispPushArg(value_t::Int(2));
        EXPECT_EQ(LispPrintToString(LispApply(top, 3)), "(1 \"2\")");
        LispSetArgTop(top);
        EXPECT_EQ(LispPrintToString(LispEvalTopLevel(LispReadFromString("(pair \"x\" (with-gc 'y))"))),
                  "(\"x\" Y)");
        EXPECT_EQ(TakeOutput().find("Illegal"), std::string::npos);
    });
}

// ---- 5. Time ----------------------------------------------------------------

TEST_F(LispLimitsTest, EachTopLevelEvaluationHasAStepBudget)
{
    BothWays([&] {
        EXPECT_EQ(LispStepLimit(), kLispNoStepLimit);
        LispSetStepLimit(200000);
        const char *const endless[] = {
            "(while t 1)",
            "(progn (setq body (list 1)) (replcd body body) (eval (cons 'progn body)))",
            "(progn (setq c (list '(nil 1))) (replcd c c) (eval (cons 'cond c)))",
            "(progn (setq k (list 1)) (replcd k k) (eval (list 'case 2 (list k 1))))",
            "(progn (setq k (list 1)) (replcd k k) (nth 2000000000 k))",
            "(progn (defun spin (n) (if (< n 0) n (+ n 1))) (while t (spin 1)))",
        };
        for (const char *input : endless) {
            EXPECT_EQ(Run(input), "ERROR") << input;
            EXPECT_EQ(TakeOutput(), "\nStep limit of 200000 reached.") << input;
            EXPECT_EQ(Run("(+ 1 2)"), "3");
        }
        // equal over shared structure takes exponential time.
        Run("(defun shared (n) (let ((x '(a))) (progn (while (< 0 n) (progn (setq x (list x x)) (setq n (- n 1)))) x)))"
            "(setq x (shared 60)) (setq y (shared 60))");
        EXPECT_EQ(Run("(equal x y)"), "ERROR");
        EXPECT_EQ(TakeOutput(), "\nStep limit of 200000 reached.");
        EXPECT_EQ(Run("(!= x y)"), "ERROR");
        EXPECT_EQ(TakeOutput(), "\nStep limit of 200000 reached.");
        EXPECT_EQ(Run("(equal (shared 10) (shared 10))"), "T");
        // A budget is per top-level evaluation, not per interpreter.
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Run("(setq i 0) (while (< i 30000) (setq i (+ i 1)))"), "30000");
        LispSetStepLimit(kLispNoStepLimit);
        EXPECT_EQ(Run("(setq i 0) (while (< i 300000) (setq i (+ i 1)))"), "300000");
        EXPECT_EQ(TakeOutput(), "");
    });
}

// A call to a built-in that walks a long list, prints it or makes many
// elements costs what it walks, prints or makes: a hundred of them pass a
// budget that a hundred calls alone would not.
TEST_F(LispLimitsTest, BuiltInsChargeTheWorkTheyDo)
{
    BothWays([&] {
        Run("(setq l nil) (setq i 0) (while (< i 3000) (progn (setq l (cons (cons i i) l)) (setq i (+ i 1))))"
            );
        TakeOutput();
        LispSetStepLimit(100000);
        const char *const heavy[] = {
            "(len l)", "(assoc 'absent l)", "(prints l)", "(print l)", "(print_struct l)",
            "(gc)", "(make-array 3000)",
        };
        for (const char *call : heavy) {
            const std::string loop = std::string("(progn (setq i 0) (while (< i 100) (progn ") + call +
                                     " (setq i (+ i 1)))))";
            EXPECT_EQ(Run(loop), "ERROR") << call;
            const std::string said = TakeOutput();
            EXPECT_TRUE(Contains(said, "\nStep limit of 100000 reached.")) << call;
            EXPECT_EQ(Run("(+ 1 2)"), "3");
        }
        // Once, each is well within the budget.
        for (const char *call : heavy) {
            EXPECT_NE(Run(call), "ERROR") << call;
            TakeOutput();
        }
        LispSetStepLimit(kLispNoStepLimit);
    });
}

// A host's formula: its text evaluated in a formula scope with a small budget.
value_t BuiltinFormula(value_t *args, int)
{
    LispFormulaScope formula(size_t{1} << 20, 1000);
    return LispEval(args[0]);
}

TEST_F(LispLimitsTest, AFormulaScopeSandboxesAndLimits)
{
    BothWays([&] {
        // Each scope is one formula's evaluation: its output is one diagnostic.
        // Elements made count as steps: the heap cases get steps enough.
        auto inScope = [&](const char *text, std::string *said, uint64_t steps = 100000) {
            SgDiagCapture diagnostics;
            std::string result;
            {
                LispFormulaScope formula(size_t{4} << 20, steps);
                EXPECT_TRUE(LispIsSandboxed());
                EXPECT_EQ(LispStepLimit(), steps);
                EXPECT_LE(LispHeapLimit(), LispHeapBytes() + (size_t{4} << 20));
                result = Run(text);
            }
            EXPECT_EQ(TakeOutput(), "") << "a formula's output goes to the diagnostics";
            *said = diagnostics.GetText();
            return result;
        };
        std::string said;
        EXPECT_EQ(inScope("(while t 1)", &said), "ERROR");
        EXPECT_TRUE(Contains(said, "Step limit of 100000 reached.")) << said;
        EXPECT_EQ(inScope("(setq keep nil) (while (< (len keep) 100) (setq keep (cons (make-array 100000) keep)))",
                          &said, 100000000),
                  "ERROR");
        EXPECT_TRUE(Contains(said, "Heap limit of ")) << said;
        EXPECT_EQ(inScope("(setq keep nil) (len (make-array 100000))", &said, 1000000), "100000");
        EXPECT_EQ(inScope("(quit)", &said), "ERROR");
        EXPECT_FALSE(LispIsSandboxed());
        EXPECT_EQ(LispStepLimit(), kLispNoStepLimit);
        EXPECT_EQ(LispHeapLimit(), kLispDefaultHeapLimit);
        // Entered during an evaluation, the formula's budget bounds what it runs.
        SgDiagCapture diagnostics;
        LispRegisterFunction("formula", BuiltinFormula, 1);
        EXPECT_EQ(Run("(formula '(+ 1 2))"), "3");
        EXPECT_EQ(Run("(progn (formula '(while t 1)) (print 'not-reached))"), "ERROR");
        EXPECT_TRUE(diagnostics.Contains("Step limit of 1000 reached.")) << diagnostics.GetText();
        EXPECT_EQ(Run("(formula '(file-remove \"nothing\"))"), "ERROR");
        EXPECT_TRUE(diagnostics.Contains("LISP ERROR: FILE-REMOVE is not allowed in this script."))
            << diagnostics.GetText();
        diagnostics.Clear();
        EXPECT_EQ(Run("(progn (formula '(+ 1 2)) (setq i 0) (while (< i 300000) (setq i (+ i 1))))"), "300000");
        EXPECT_EQ(TakeOutput(), "");
        EXPECT_EQ(diagnostics.Count(), 0) << diagnostics.GetText();
        EXPECT_FALSE(LispIsSandboxed());
        EXPECT_EQ(Run("(+ 1 2)"), "3");
    });
}

// A formula's allocations are work too: making memory costs more than a
// step, so what a formula allocates comes out of its steps. Each row runs
// in a step budget its calls and passes alone fit in (checked outside any
// formula, where allocations cost nothing extra).
TEST_F(LispLimitsTest, AFormulasAllocationsComeOutOfItsSteps)
{
    const std::string longText(4000, 'x');
    struct Row {
        const char *what;
        std::string text;
        std::string value;
        uint64_t steps;
    };
    const std::vector<Row> rows = {
        {"arrays", "(progn (setq i 0) (while (< i 9) (progn (make-array 100000) (setq i (+ i 1)))))", "9", 1000000},
        {"conses", "(progn (setq i 0) (while (< i 20000) (progn (list 1 2 3 4 5 6 7 8 9 10) (setq i (+ i 1)))))",
         "20000", 250000},
        {"strings",
         "(progn (setq i 0) (setq s \"" + longText + "\") (while (< i 2000) (progn (prints s) (setq i (+ i 1)))))",
         "2000", 9000000},
        {"closures", "(progn (setq i 0) (while (< i 20000) (progn (lambda (x) x) (setq i (+ i 1)))))", "20000",
         200000},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        LispReset();
        LispSetStepLimit(row.steps);
        EXPECT_EQ(Run(row.text), row.value) << "the calls and passes fit the budget";
        EXPECT_EQ(TakeOutput(), "");
        LispSetStepLimit(kLispNoStepLimit);
        SgDiagCapture diagnostics;
        {
            LispFormulaScope formula(size_t{16} << 20, row.steps);
            EXPECT_EQ(Run(row.text), "ERROR");
        }
        EXPECT_TRUE(diagnostics.Contains("Step limit of " + std::to_string(row.steps) + " reached."))
            << diagnostics.GetText();
        // The next formula starts with its whole budget.
        {
            LispFormulaScope formula(size_t{16} << 20, row.steps);
            EXPECT_EQ(Run("(len (make-array 1000))"), "1000");
        }
        EXPECT_EQ(Run("(+ 1 2)"), "3");
    }
}

// Formulas entered during an evaluation: one that uses up its budget ends
// that evaluation; the next one, in the next evaluation, has its whole budget.
TEST_F(LispLimitsTest, AFormulaAfterOneThatUsedUpItsBudgetHasItsWholeBudget)
{
    LispRegisterFunction("formula", BuiltinFormula, 1);
    const char *const exhausting[] = {"(formula '(while t 1))", "(formula '(make-array 100000))",
                                      "(formula '(progn (setq i 0) (while t (setq i (cons i i)))))"};
    for (const char *first : exhausting) {
        SCOPED_TRACE(first);
        SgDiagCapture diagnostics;
        EXPECT_EQ(Run(first), "ERROR");
        EXPECT_TRUE(diagnostics.Contains("Step limit of 1000 reached.")) << diagnostics.GetText();
        diagnostics.Clear();
        // Some 700 of the 1000 steps: they fit only in a whole budget.
        EXPECT_EQ(Run("(formula '(progn (setq i 0) (while (< i 80) (progn (setq i (+ i 1)) (list i)))))"), "(80)");
        EXPECT_EQ(Run("(formula '(len (make-array 10)))"), "10");
        EXPECT_EQ(diagnostics.Count(), 0) << diagnostics.GetText();
        EXPECT_EQ(LispStepLimit(), kLispNoStepLimit);
        EXPECT_FALSE(LispIsSandboxed());
    }
}

} // namespace

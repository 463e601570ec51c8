#include <memory>
#include <regex>
#include <string>

#include "platform/SgDiagHandler.h"
#include "tests/engine/engines/lisp/LispTestFixture.h"

namespace {

// Garbage enough to need several collections of the 40,000-cell area.
constexpr const char *kChurn =
    "(defun churn (k) (while (< 0 k) (progn (list 1 2 3 4 5 6 7 8) (setq k (- k 1)))))";

TEST_F(LispTest, TheAreaFillsBeforeTheFirstCollection)
{
    SgDiagCapture diagnostics;
    int before = LispCellsUsed();
    for (int i = before; i < kLispCellCount; ++i)
        ASSERT_TRUE(LispMakeCons(value_t::Int(i), value_t::Nil()).IsCons());
    EXPECT_EQ(diagnostics.Count(), 0) << "a collection ran before the area was full";
    EXPECT_TRUE(LispMakeCons(value_t::Nil(), value_t::Nil()).IsCons());
    // The statistics are one diagnostic, never the interpreter's output,
    // where they would run into the next value printed.
    EXPECT_EQ(TakeOutput(), "");
    ASSERT_EQ(diagnostics.Count("Lisp"), 1) << diagnostics.GetText();
    const SgDiagnostic statistics = diagnostics.GetDiagnostics()[0];
    EXPECT_EQ(statistics.level, SgDiagLevel::Info);
    EXPECT_EQ(statistics.text.substr(0, 12), "Marked Cons:") << statistics.text;
    EXPECT_EQ(statistics.text.substr(statistics.text.size() - 7), "\nGC OK.") << statistics.text;
}

TEST_F(LispTest, FillingTheAreaWithReachableCellsIsRefused)
{
    EXPECT_EQ(Run("(setq l nil) (while t (setq l (cons 1 l)))"), "ERROR");
    std::string messages = TakeOutput();
    EXPECT_EQ(messages.substr(messages.size() - 20), "\nCons array is full.");
    SgDiagCapture diagnostics;
    EXPECT_EQ(Run("(gc)"), "T");
    EXPECT_EQ(TakeOutput(), "");
    EXPECT_TRUE(diagnostics.Contains("GC OK.")) << diagnostics.GetText();
    EXPECT_EQ(Run("(setq l nil) (len (list 1 2 3))"), "3");
}

TEST_F(LispTest, CollectionsKeepEverythingClosuresReach)
{
    Run(kChurn);
    Run("(defun adder (n) (lambda (x) (+ x n)))"
        "(setq add5 (adder 5))"
        "(setq arr (make-array 2)) (aset arr 0 (adder 7))"
        "(put 'p 'f (adder 3))"
        "(setq s (prints '(a b)))"
        "(defun curry3 (a) (lambda (b) (lambda (c) (list a (prints b) c))))"
        "(setq half (apply (curry3 (list 1 1)) \"two\"))"
        "(setq nested (list (list (adder 11))))");
    Run("(gc) (churn 20000) (gc)");
    TakeOutput();
    EXPECT_EQ(Run("(apply add5 1)"), "6");
    EXPECT_EQ(Run("(apply (aref arr 0) 1)"), "8");
    EXPECT_EQ(Run("(apply (get 'p 'f) 1)"), "4");
    EXPECT_EQ(Run("s"), "\"(A B)\"");
    EXPECT_EQ(Run("(apply half 3)"), "((1 1) \"\"two\"\" 3)");
    EXPECT_EQ(Run("(apply (car (car nested)) 1)"), "12");
    // Collections forced in the middle of closure calls and macro expansions.
    EXPECT_EQ(Run("(defun mapper (n lst) (mapcar (lambda (x) (progn (gc) (churn 100) (+ x n))) lst))"
                  "(mapper (+ 5 5) (list 1 2 3))"),
              "(11 12 13)");
    EXPECT_EQ(Run("(defmacro with-gc (x) (list 'progn '(gc) '(churn 6000) x))"
                  "(defun use (v) (with-gc (list v (prints v))))"
                  "(use (list 4 5))"),
              "((4 5) \"(4 5)\")");
    EXPECT_EQ(Run("(let ((a (list 1 2)) (b (prints 'q))) (progn (gc) (churn 6000) (list a b)))"), "((1 2) \"Q\")");
}

TEST_F(LispTest, CollectedClosuresAreReleased)
{
    Run(kChurn);
    Run("(defun adder (n) (lambda (x) (+ x n)))");
    Run("(setq i 0) (while (< i 200) (progn (adder i) (setq i (+ i 1))))");
    TakeOutput();
    SgDiagCapture diagnostics;
    Run("(gc)");
    EXPECT_TRUE(diagnostics.Contains("GC OK.")) << diagnostics.GetText();
    EXPECT_EQ(Run("(apply (adder 1) 1)"), "2");
}

TEST_F(LispTest, RootChainSurvivesNodesDestroyedOutOfOrder)
{
    value_t first = LispReadFromString("(1 2 3)");
    LispRootNode firstRoot(&first);
    value_t middle = LispMakeString("dropped");
    auto middleRoot = std::make_unique<LispRootNode>(&middle);
    value_t last = LispReadFromString("(\"kept\" 4)");
    auto lastRoot = std::make_unique<LispRootNode>(&last);
    middleRoot.reset();
    Run(kChurn);
    Run("(churn 20000) (gc)");
    TakeOutput();
    EXPECT_EQ(LispPrintToString(first), "(1 2 3)");
    EXPECT_EQ(LispPrintToString(last), "(\"kept\" 4)");
    lastRoot.reset();
    Run("(churn 10000)");
    EXPECT_EQ(LispPrintToString(first), "(1 2 3)");
}

TEST_F(LispTest, AResetClearsRootedValues)
{
    value_t held = LispReadFromString("(1 2)");
    LispRootNode root(&held);
    LispReset();
    EXPECT_TRUE(held.IsNil());
    held = LispReadFromString("(3 4)");
    Run(kChurn);
    Run("(churn 12000)");
    EXPECT_EQ(LispPrintToString(held), "(3 4)");
}

// A reset interpreter keeps its areas for the next start: whatever the last
// one left in them, a script after the reset runs as on a context never used.
TEST_F(LispTest, AResetLeavesNothingBehind)
{
    const std::string script =
        "(gc) (btrace) g (f 1) (make-array 3) (prints 'a)"
        "(defun deep (n) (if (< n 1) (progn (btrace) 0) (+ 1 (deep (- n 1))))) (deep 5)"
        "(setq l nil) (setq i 0) (while (< i 100) (progn (setq l (cons i l)) (setq i (+ i 1)))) (len l) (gc)";
    auto runAll = [&] {
        std::string shown = Run(script);
        return TakeOutput() + "|" + shown + "|" + std::to_string(LispHeapBytes());
    };
    std::string fresh;
    size_t freshHeap = 0; // what the start-up hooks made
    {
        const LispContextRef never = LispNewContext(kLispDefaultHeapLimit);
        {
            LispContextScope scope(never);
            LispInit();
            freshHeap = LispHeapBytes();
            fresh = runAll();
        }
        LispCloseContext(never);
    }
    // Leave something everywhere: cells, globals, functions, heap records,
    // deep frames on both stacks, and an evaluation cut short by a bound.
    Run(kChurn);
    Run("(churn 12000) (setq g (make-array 1000)) (defun f (x) (list x x))"
        "(defun deeper (n) (if (< n 1) 0 (+ 1 (deeper (- n 1))))) (deeper 1500) (deeper 100000)"
        "(apply 'list (make-array 5))");
    TakeOutput();
    for (int round = 0; round < 2; ++round) {
        LispReset();
        EXPECT_EQ(LispArgStackDepth(), 0u);
        EXPECT_EQ(LispValueStackDepth(), 0u);
        EXPECT_EQ(LispHeapBytes(), freshHeap);
        EXPECT_EQ(runAll(), fresh) << "round " << round;
    }
}

TEST_F(LispTest, AFullSymbolTableIsAnErrorNotAnIndex)
{
    // Probing does not wrap, so a name fails once every entry from its hash
    // position upward is taken, although entries below may still be free.
    std::string refused;
    for (int i = 0; refused.empty() && i < 4 * kLispSymbolCapacity; ++i) {
        std::string name = "SYMBOL-" + std::to_string(i);
        if (LispIntern(name.c_str()) < 0)
            refused = name;
    }
    ASSERT_FALSE(refused.empty()) << "no name was refused";
    EXPECT_LE(LispSymbolCount(), kLispSymbolCapacity);
    EXPECT_EQ(TakeOutput(), "\nCannot allocate more symbols.");
    EXPECT_TRUE(LispSymbolValue(refused.c_str()).IsError());
    TakeOutput();
    EXPECT_EQ(Run("(list " + refused + ")"), "");
    EXPECT_EQ(TakeOutput(), "\nCannot allocate more symbols.");
    EXPECT_EQ(Run("(+ 1 2)"), "3");
}

// Every expression's printed value, one per line, record addresses left out.
std::string RunEach(LispTest &, const std::string &text)
{
    LispStream *stream = LispOpenStream(text.c_str(), 0);
    std::string values;
    value_t expression;
    while (LispReadExpression(stream, &expression) == LispReadStatus::Ok)
        values += LispPrintToString(LispEvalTopLevel(expression)) + "\n";
    LispCloseStream(stream);
    return std::regex_replace(values, std::regex("CLOSURE(-+[0-9]+)+"), "CLOSURE");
}

TEST_F(LispTest, CollectingBeforeEveryAllocationChangesNoResult)
{
    // Each construct that builds structure while holding values of its own.
    const std::string script =
        "(defun adder (n) (lambda (x) (+ x n)))"
        "(defmacro twice (x) (list 'progn x x))"
        "(defmacro vec3 (x y z) (list 'let (list (list 'a '(make-array 3)))"
        "  (list 'progn (list 'aset 'a 0 x) (list 'aset 'a 1 y) (list 'aset 'a 2 z) 'a)))"
        "(defun pick (v) (list (aref v 0) (aref v 2)))"
        "(pick (vec3 \"s\" (prints 'q) (list 1 2)))"
        "(mapcar (adder 10) '(1 2 3))"
        "(map (lambda (a b) (list a (prints b))) '(1 2) '(x y))"
        "(let ((a (list \"one\" 2)) (b (prints '(3 4)))) (list b a (cons a b)))"
        "(put 'p 'k (list \"v\" 1)) (put 'p 'j (adder 2)) (plist 'p) (apply (get 'p 'j) 5)"
        "(defun counter () (let ((c 0)) (lambda () (setq c (+ c 1)))))"
        "(setq k (counter)) (apply k) (apply k)"
        "(twice (setq z (list \"z\" z)))"
        "(equal (list 1 (list 2 \"s\")) (list 1 (list 2 \"s\")))"
        "(macroexpand '(twice (list \"m\")))"
        "(defun curry3 (a) (lambda (b) (lambda (c) (list a b c))))"
        "(apply (apply (curry3 \"a\") (list 'b)) (prints 'c))"
        "'(\"quoted\" (nested \"strings\") . \"tail\")"
        "(eval (list 'list \"e\" (list 'prints ''f)))"
        "(symbol-name 'abc)"
        "(list (read-back))";
    const std::string prelude = "(defun read-back () (prints (list \"r\" 1.5)))";
    RunEach(*this, prelude);
    std::string plain = RunEach(*this, script);
    LispReset();
    RunEach(*this, prelude);
    LispSetCollectOnEveryAllocation(true);
    std::string collected = RunEach(*this, script);
    LispSetCollectOnEveryAllocation(false);
    TakeOutput();
    EXPECT_EQ(collected, plain);
    EXPECT_EQ(plain.find("ILLEGAL"), std::string::npos) << plain;
}

} // namespace

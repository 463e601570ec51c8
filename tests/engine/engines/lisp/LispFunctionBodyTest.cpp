// A function's body runs the same however the evaluator gets through it: the
// values, the messages, the steps it charges and the depth it may reach are
// those of the plain walk over the forms, also when what a body names changes
// between two calls.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/engine/engines/lisp/LispTestFixture.h"

namespace {

constexpr const char *kFib = "(defun fib (n) (if (< n 2) n (+ (fib (- n 1)) (fib (- n 2)))))";
constexpr const char *kTak = "(defun tak (x y z) (if (< y x) (tak (tak (- x 1) y z) (tak (- y 1) z x) (tak (- z 1) x y)) z))";

// The smallest n in [low, high) for which passes(n) holds, passes being false
// below some n and true from it on; high when it never holds.
template <typename Passes> uint64_t SmallestPassing(uint64_t low, uint64_t high, Passes passes)
{
    while (low < high) {
        const uint64_t middle = low + (high - low) / 2;
        if (passes(middle))
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

TEST_F(LispTest, FunctionBodiesFollowWhatTheirNamesMeanAtEachCall)
{
    ExpectTable({
        {kFib, "(fib 15)", "610", ""},
        {kTak, "(tak 18 12 6)", "7", ""},
        // A function the body calls, redefined between two calls.
        {"(defun g (x) (+ x 1)) (defun f (x) (g x)) (f 1)", "(progn (defun g (x) (* x 10)) (f 2))", "20", ""},
        // ... by a macro, and by nothing.
        {"(defun g (x) (+ x 1)) (defun f (x) (g x)) (f 1)", "(progn (defmacro g (x) (list '+ x 100)) (f 2))", "102", ""},
        {"(defun f (x) (undefined-yet x))", "(f 1)", "ERROR", "\nFunction UNDEFINED-YET is undefined."},
        {"(defun f (x) (later x)) (f 1)", "(progn (defun later (x) (list x x)) (f 3))", "(3 3)", ""},
        // A special form's name redefined as a function: the body calls it.
        {"(defun f (x) (if x 1 2)) (f nil)", "(progn (defun if (a b c) (list a b c)) (f nil))", "(NIL 1 2)", ""},
        // An if whose test is arithmetic: the test's name and the if's redefined, tests of other values.
        {"(defun f (n) (if (< n 2) 'small 'big)) (f 1)", "(progn (defun < (a b) nil) (f 1))", "BIG", ""},
        {"(defun f (n) (if (< n 2) 1 2)) (f 1)", "(progn (defun if (a b c) (list a b c)) (f 1))", "(T 1 2)", ""},
        {"(defun f (n) (if (< n 2) 'small 'big))", "(list (f 1.5) (f 2) (f -7))", "(SMALL BIG SMALL)", ""},
        {"(defun f (n) (if (< n 2) 'small 'big))", "(f 'a)", "ERROR", "\nArgument to < is not a number."},
        {"(defun f (n) (if (+ n 1) 'yes 'no))", "(f 1)", "YES", ""},
        // Redefined while the call's own arguments are evaluated.
        {"(defun g (x) x) (defun f (n) (g (progn (defun g (x) (* x 3)) n)))", "(f 5)", "15", ""},
        // Special forms in bodies, well and badly formed.
        {"(defun f (a b) (and a (or b 7)))", "(list (f nil 1) (f 1 nil) (f 1 2))", "(NIL 7 2)", ""},
        {"(defun f (a) (progn (setq a (+ a 1)) (setq g a) (list a g)))", "(f 4)", "(5 5)", ""},
        {"(defun f () (progn))", "(f)", "NIL", ""},
        {"(defun f () (if))", "(f)", "ERROR", "\nIllegal IF special form."},
        {"(defun f (x) (if x))", "(f 1)", "NIL", ""},
        {"(defun f () (setq))", "(f)", "ERROR", "\nCannot calculate CAR of an atom."},
        {"(defun f () (setq 5 1))", "(f)", "ERROR", "\narg No 1 to SETQ is not a variable."},
        {"(defun f () (setq t 1))", "(f)", "ERROR", "*"},
        {"(defun f () (and (car nil) 3))", "(f)", "3", "\nCannot calculate CAR of an atom."},
        {"(defun f () (or (car nil) 3))", "(f)", "ERROR", "\nCannot calculate CAR of an atom."},
        {"(defun f () (quot a b))", "(f)", "(A B)", ""},
        {"(defun f () '(1 2))", "(f)", "(1 2)", ""},
        {"(defun f (n) (let ((a n) (b 2)) (* a b)))", "(f 21)", "42", ""},
        {"(defun f (n) (while (< 0 n) (setq n (- n 1))))", "(f 5)", "0", ""},
        {"(defun f (x) (cond ((eq x 1) 'one) (t 'other)))", "(list (f 1) (f 2))", "(ONE OTHER)", ""},
        {"(defun adder (n) (lambda (x) (+ x n)))", "(apply (adder 5) 1)", "6", ""},
        {"(defun f (x) (+ x 1))", "(f 'a)", "ERROR", "\nArgument to '+' is not a number."},
        {"(defun f (x y) (+ x y))", "(f 1)", "ERROR", "\nMore parameters required to F."},
        {"(defun f (x) (- x 1.5))", "(f 2)", "0.500000", ""},
        // An arithmetic built-in redefined, or made a macro, after the body ran.
        {"(defun f (n) (< n 2)) (f 1)", "(progn (defun < (a b) (list 'less a b)) (f 1))", "(LESS 1 2)", ""},
        {"(defun f (n) (- n 2)) (f 1)", "(progn (defmacro - (a b) (list 'list a b)) (f 1))", "(1 2)", ""},
        {"(defun f (n) (+ n 1))", "(f 2147483647)", "-2147483648", ""},
        {"(defmacro m (x) (list 'list x x)) (defun f (y) (m y))", "(f 4)", "(4 4)", ""},
    });
}

// The smallest step budget each evaluation runs in: pinned, so a faster way
// through a body charges exactly what the walk over its forms charged.
TEST_F(LispTest, FunctionBodiesChargeTheStepsOfTheirForms)
{
    struct Row {
        const char *setup;
        const char *input;
        uint64_t steps;
    };
    const std::vector<Row> rows = {
        {kFib, "(fib 10)", 795},
        {kTak, "(tak 9 6 3)", 1098},
        {"(defun f (a b) (and a (or b (progn 1 2 3))))", "(list (f nil 1) (f 1 nil) (f 1 2))", 21},
        {"(defun f (n) (let ((a n)) (while (< 0 a) (setq a (- a 1)))))", "(f 50)", 205},
        {"(defun f (x) (cond ((eq x 1) (if x 'one)) (t (case x ((2 3) 'few) (otherwise 'many)))))",
         "(list (f 1) (f 2) (f 9))", 27},
        {"(defun adder (n) (lambda (x) (+ x n)))", "(apply (adder 5) 1)", 4},
    };
    for (const Row &row : rows) {
        LispReset();
        Run(row.setup);
        TakeOutput();
        const std::string expected = Run(row.input);
        const uint64_t steps = SmallestPassing(1, 1000000, [&](uint64_t budget) {
            LispSetStepLimit(budget);
            const bool passed = Run(row.input) == expected;
            TakeOutput();
            return passed;
        });
        LispSetStepLimit(kLispNoStepLimit);
        EXPECT_EQ(steps, row.steps) << row.input;
    }
}

// A recursion the depth bound stops, counted in calls of one function: its
// depth is that of the walk over its forms.
TEST_F(LispTest, FunctionBodiesReachTheDepthOfTheirForms)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's larger frames meet the stack bound first";
#endif
    Run("(defun down (n) (if (< n 1) 0 (+ 1 (down (- n 1)))))");
    const uint64_t failing = SmallestPassing(1, 100000, [&](uint64_t n) {
        const bool failed = Run("(down " + std::to_string(n) + ")") == "ERROR";
        const std::string messages = TakeOutput();
        EXPECT_EQ(messages, failed ? "\nRecursion too deep." : "");
        return failed;
    });
    // Three levels a call: the call, the if, the +.
    EXPECT_EQ(failing, 1999u);
}

} // namespace

#include <string>

#include "tests/engine/engines/lisp/LispTestFixture.h"

namespace {

TEST_F(LispTest, SpecialFormsEvaluateAsTheDialectDefines)
{
    ExpectTable({
        {"(defun f (x) (+ x 1))", "(f 2)", "3", ""},
        {"(defun f (x) (+ x 1))", "(f)", "ERROR", "\nMore parameters required to F."},
        {"", "(let ((a 1) (b 2)) (+ a b))", "3", ""},
        // The inits run from the last binding to the first.
        {"", "(let ((a (print 1)) (b (print 2))) a)", "1", "21"},
        {"", "(let (a (b 2)) (list a b))", "(NIL 2)", ""},
        {"", "(let ((5 1)) 1)", "ERROR", "\nIllegal variable in LET form."},
        {"", "((lambda (x) x) 1)", "ERROR", "\nFunction (LAMBDA (X) X) is undefined."},
        {"(defun g () ((lambda (x) x) 1))", "(g)", "1", ""},
        {"(setq f (lambda (x) (* x 2)))", "(apply f 4)", "8", ""},
        {"(defun adder (n) (lambda (x) (+ x n)))", "(apply (adder 5) 1)", "6", ""},
        {"(defmacro twice (x) (list 'progn x x))", "(twice (print 1))", "1", "11"},
        {"(defmacro twice (x) (list 'progn x x))", "(macroexpand '(twice 1))", "(PROGN 1 1)", ""},
        {"(defmacro two (a b) (list '+ a b))", "(two 1)", "ERROR", "\nToo few arguments for macro TWO."},
        {"(defmacro m (x) (list 'm x))", "(m 1)", "ERROR", "\nMacro expansion does not end."},
        {"", "(case 2 ((1 2) 'low) (otherwise 'high))", "LOW", ""},
        {"", "(case 9 ((1 2) 'low) (otherwise 'high))", "HIGH", ""},
        // Doubles compare by their whole value, not by a part of their bits.
        {"", "(case 1.25 ((1.75) 'a) (otherwise 'b))", "B", ""},
        {"", "(case 1.5 ((1.5) 'a) (otherwise 'b))", "A", ""},
        {"", "(case 'x (nil 1) (otherwise 2))", "NIL", ""},
        {"", "(if nil 1)", "NIL", ""},
        {"", "(if 1 2 3)", "2", ""},
        {"", "(if)", "ERROR", "\nIllegal IF special form."},
        {"", "(if (car nil) 1 2)", "ERROR", "\nCannot calculate CAR of an atom."},
        {"", "(cond ((eq 1 2) 3))", "NIL", ""},
        {"", "(cond ((eq 1 1) 3 4))", "3", ""},
        {"", "(cond ((car nil) 1))", "1", "\nCannot calculate CAR of an atom."},
        {"", "never-set", "NIL", ""},
        {"", "t", "T", ""},
        {"", "(and)", "NIL", ""},
        {"", "(and 1 nil 2)", "NIL", ""},
        {"", "(and 1 2)", "2", ""},
        {"", "(or)", "NIL", ""},
        {"", "(or nil 2)", "2", ""},
        {"", "(progn)", "NIL", ""},
        {"", "(progn 1 (car nil) (print 2))", "ERROR", "\nCannot calculate CAR of an atom."},
        {"", "(prog1 1 2)", "1", ""},
        {"", "(prog1)", "NIL", ""},
        {"", "(quot a)", "(A)", ""},
        {"", "(setq 5 1)", "ERROR", "\narg No 1 to SETQ is not a variable."},
        {"", "(setq x (car nil))", "ERROR", "\nCannot calculate CAR of an atom."},
        {"(setq i 0)", "(while (< i 3) (setq i (+ i 1)))", "3", ""},
        {"", "(while nil 1)", "NIL", ""},
        {"", "(while)", "ERROR", "\nIllegal WHILE special form."},
        {"", "(while (car nil) 1)", "ERROR", "\nCannot calculate CAR of an atom."},
        {"", "(defun 5 (x) x)", "ERROR", "\nIllegal DEFUN statement."},
        {"", "(defmacro \"m\" (x) x)", "ERROR", "\nIllegal MACRO statement."},
        {"", "(lambda (1) x)", "ERROR", "\nIllegal arglist for LAMBDA expresion."},
        {"", "(lambda)", "ERROR", "\nCannot calculate CAR of an atom.\nIllegal LAMBDA expresion."},
        {"", "(defun f (x) (+ x . 1))", "ERROR", "\nIllegal atom in LAMBDA expresion."},
        {"", "(undefined-fn 1)", "ERROR", "\nFunction UNDEFINED-FN is undefined."},
        {"", "(5 1)", "ERROR", "\nFunction 5 is undefined."},
    });
}

TEST_F(LispTest, WhileRefusesAPassOfMoreThanThirtyBodyForms)
{
    std::string loop = "(while t";
    for (int i = 0; i < 31; ++i)
        loop += " " + std::to_string(i);
    loop += ")";
    EXPECT_EQ(Run(loop), "ERROR");
    EXPECT_EQ(TakeOutput(), "Too many bodies");
    loop = "(progn (setq n 0) (while (< n 2) 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 "
           "23 24 25 26 27 28 29 (setq n (+ n 1))))";
    EXPECT_EQ(Run(loop), "2");
}

TEST_F(LispTest, ClosuresKeepAndUpdateTheirCapturedValues)
{
    Run("(defun make-counter () (let ((c 0)) (lambda () (setq c (+ c 1)))))"
        "(setq k (make-counter)) (setq other (make-counter)) (apply k)");
    EXPECT_EQ(Run("(apply k)"), "2");
    EXPECT_EQ(Run("(apply other)"), "1");
    Run("(defun curry3 (a) (lambda (b) (lambda (c) (list a b c))))");
    EXPECT_EQ(Run("(apply (apply (curry3 1) 2) 3)"), "(1 2 3)");
    EXPECT_EQ(Run("(defun scale (n lst) (mapcar (lambda (x) (* x n)) lst)) (scale 3 '(1 2 3))"), "(3 6 9)");
    // A let inside a closure reaches the closure's parameter and the outer one.
    EXPECT_EQ(Run("(defun f (n) (lambda (x) (let ((y 1)) (+ x y n)))) (apply (f 100) 10)"), "111");
    EXPECT_EQ(TakeOutput(), "");
}

TEST_F(LispTest, DirectLambdaCallsCheckTheirArgumentCount)
{
    // Too few: refused. Too many: the extra ones are dropped, so the body's
    // addressing of the enclosing parameters stays right.
    Run("(defun h () ((lambda (x y) (+ x y)) 1))");
    TakeOutput();
    EXPECT_EQ(Run("(h)"), "ERROR");
    EXPECT_EQ(TakeOutput().substr(0, 40), "\nMore parameters required to <LEX-CLOSUR");
    EXPECT_EQ(Run("(defun h2 (z) ((lambda (x) (+ x z)) 1 2)) (h2 10)"), "11");
    EXPECT_EQ(Run("(defun h3 (z) (apply (lambda (x) (+ x z)) 1 2)) (h3 10)"), "11");
}

TEST_F(LispTest, TopLevelEvaluationLeavesTheStacksEmpty)
{
    Run("(defun f (a b) (list a (car b)))");
    EXPECT_EQ(Run("(f 1 2)"), "ERROR");
    EXPECT_EQ(LispArgStackDepth(), 0u);
    EXPECT_EQ(LispValueStackDepth(), 0u);
    // cond takes an ERROR for true and goes on.
    EXPECT_EQ(Run("(cond ((car nil) (list 1 2)))"), "(1 2)");
    EXPECT_EQ(LispArgStackDepth(), 0u);
}

TEST_F(LispTest, BtracePrintsTheValueStackFromTheTop)
{
    Run("(defun bt (x y) (btrace))");
    TakeOutput();
    EXPECT_EQ(Run("(bt 7 8)"), "NIL");
    EXPECT_EQ(TakeOutput(), "\n3: 8\n2: 7\n1: (BT 7 8)");
}

TEST_F(LispTest, RedefiningAFunctionWhileItRunsKeepsItsBody)
{
    EXPECT_EQ(Run("(defun g (n) (progn (defun g (m) 0) (gc) (list 1 2) (+ n 1))) (g 5)"), "6");
    EXPECT_EQ(Run("(g 5)"), "0");
    // An argument that defines the function being called: the call runs
    // the definition its arguments left.
    EXPECT_EQ(Run("(defun k (x) 'old) (k (progn (defun k (x) (list 'new x)) 1))"), "(NEW 1)");
    EXPECT_EQ(Run("(defun k2 (x) 'old) (k2 (progn (defun k2 (x y) x) 1))"), "ERROR");
}

// Integers compare and add as integers (no rounding through doubles at the
// 32-bit edges); a double on either side makes the comparison a double one.
TEST_F(LispTest, ArithmeticKeepsIntegersExact)
{
    ExpectTable({
        {"", "(< 2147483646 2147483647)", "T", ""},
        {"", "(< -2147483648 -2147483647)", "T", ""},
        {"", "(>= 5 5)", "T", ""},
        {"", "(> 5 5.5)", "NIL", ""},
        {"", "(<= 5.5 6)", "T", ""},
        {"", "(+ 2147483647 1)", "-2147483648", ""},
        {"", "(- -2147483648 1)", "2147483647", ""},
        {"", "(- 7 2)", "5", ""},
        {"", "(+ 1 2.5)", "3.500000", ""},
        {"", "(< 1 'a)", "ERROR", "\nArgument to < is not a number."},
        {"", "(- 'a 1)", "ERROR", "\nArgument to '-' is not a number."},
    });
}

TEST_F(LispTest, StartupHooksRunOnEveryStart)
{
    // Hooks stay registered for the process, so counts are taken relative.
    static int s_runs = 0;
    const int before = s_runs;
    LispAddStartupHook([] {
        ++s_runs;
        LispRegisterFunction("hooked-twice", [](value_t *args, int) { return value_t::Int(2 * args[0].u.i); }, 1);
    });
    EXPECT_EQ(s_runs, before + 1) << "a hook added after start-up runs at once";
    EXPECT_EQ(Run("(hooked-twice 21)"), "42");
    const int beforeReset = s_runs;
    LispReset();
    EXPECT_GT(s_runs, beforeReset) << "a reset runs the hooks again";
    EXPECT_EQ(Run("(hooked-twice 4)"), "8");
}

} // namespace

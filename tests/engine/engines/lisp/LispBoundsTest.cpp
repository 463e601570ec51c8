#include <string>

#include "tests/engine/engines/lisp/LispTestFixture.h"

namespace {

TEST_F(LispTest, EndlessRecursionIsAnErrorAndTheNextEvaluationWorks)
{
    struct Case {
        const char *definition;
        const char *call;
    };
    const Case cases[] = {
        {"(defun inf (n) (+ 1 (inf (+ n 1))))", "(inf 0)"},
        {"(defun inf (n) (and (inf n) (inf n)))", "(inf 0)"},
        {"(defun inf (n) (apply 'inf n))", "(inf 0)"},
        {"(defun inf (n) (mapcar 'inf (list n)))", "(inf 0)"},
        {"(defun inf (n) (eval (list 'inf n)))", "(inf 0)"},
        {"(defmacro inf (n) (list 'inf (list 'inf n)))", "(macroexpand '(inf 0))"},
    };
    for (const Case &c : cases) {
        LispReset();
        Run(c.definition);
        TakeOutput();
        EXPECT_EQ(Run(c.call), "ERROR") << c.definition;
        std::string messages = TakeOutput();
        EXPECT_NE(messages.find("\nRecursion too deep."), std::string::npos) << c.definition << messages;
        EXPECT_EQ(Run("(+ 1 2)"), "3") << c.definition;
        EXPECT_EQ(LispArgStackDepth(), 0u);
        EXPECT_EQ(LispValueStackDepth(), 0u);
    }
}

TEST_F(LispTest, AFullValueStackIsAnError)
{
    std::string params;
    for (int i = 0; i < 40; ++i)
        params += " p" + std::to_string(i);
    Run("(defun wide (" + params + ") (wide " + params + "))");
    std::string call = "(wide";
    for (int i = 0; i < 40; ++i)
        call += " " + std::to_string(i);
    call += ")";
    TakeOutput();
    EXPECT_EQ(Run(call), "ERROR");
    EXPECT_EQ(TakeOutput(), "\nValue stack is full.");
    EXPECT_EQ(LispValueStackDepth(), 0u);
}

TEST_F(LispTest, DeepDataIsHandledWithoutOverflow)
{
    Run("(setq x nil) (setq i 0) (while (< i 30000) (progn (setq x (list x)) (setq i (+ i 1))))");
    TakeOutput();
    EXPECT_LE(Run("(prints x)").size(), kLispPrintLimit + 2);
    EXPECT_EQ(Run("(equal x x)"), "T");
    EXPECT_EQ(Run("(setq y (list 1 2)) (replcd (cdr y) y) (len y)"), "ERROR");
    EXPECT_EQ(TakeOutput(), "\nCannot calculate LEN of a circular list.");
    EXPECT_EQ(Run("(assoc 5 y)"), "NIL");
    EXPECT_EQ(Run("(equal y y)"), "T");
    EXPECT_EQ(Run("(eval x)"), "ERROR");
    EXPECT_EQ(Run("(gc)"), "T");
}

TEST_F(LispTest, StackVariablesNeverReadOutsideTheStack)
{
    EXPECT_TRUE(LispEval(value_t::StackVar(-5)).IsError());
    EXPECT_EQ(TakeOutput(), "\nIllegal stack variable.");
    EXPECT_EQ(Run("(+ 1 1)"), "2");
}

} // namespace

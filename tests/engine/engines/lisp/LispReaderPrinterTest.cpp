#include <string>
#include <vector>

#include "tests/engine/engines/lisp/LispTestFixture.h"

namespace {

class LispReaderTest : public LispTest {
protected:
    // Reads one expression without evaluating it; its printed form, "" when
    // the reader failed.
    std::string ReadBack(const std::string &text)
    {
        LispStream *stream = LispOpenStream(text.c_str(), 0);
        value_t v;
        LispReadStatus status = LispReadExpression(stream, &v);
        LispCloseStream(stream);
        return status == LispReadStatus::Ok ? LispPrintToString(v) : "";
    }

    // The text, then "(+ 1 2) 7": the first read fails with the message and
    // the next two give the two forms after the text, nothing of its inside.
    void ExpectFailedReadGoesOnAfter(const std::string &text, const std::string &message)
    {
        const std::string shown = text.substr(0, 40);
        LispStream *stream = LispOpenStream((text + " (+ 1 2) 7").c_str(), 0);
        value_t v;
        EXPECT_EQ(LispReadExpression(stream, &v), LispReadStatus::Failed) << shown;
        EXPECT_EQ(TakeOutput(), message) << shown;
        for (const char *next : {"(+ 1 2)", "7"}) {
            ASSERT_EQ(LispReadExpression(stream, &v), LispReadStatus::Ok) << shown;
            EXPECT_EQ(LispPrintToString(v), next) << shown;
        }
        LispCloseStream(stream);
    }
};

struct ReadCase {
    const char *text;
    const char *printed;
    const char *messages;
};

TEST_F(LispReaderTest, ReadsAndPrintsTheDialectsSyntax)
{
    const std::vector<ReadCase> cases = {
        {" 42 ", "42", ""},
        {"-7", "-7", ""},
        {"+5", "5", ""},
        {"3.0", "3.000000", ""},
        {"1.5", "1.500000", ""},
        {".5", "0.500000", ""},
        {"1.", "1.000000", ""},
        {"1e3", "1000.000000", ""},
        {"-2147483648", "-2147483648", ""},
        {"99999999999", "99999999999.000000", ""},
        {"abc", "ABC", ""},
        {"Abc", "ABC", ""},
        {"()", "NIL", ""},
        {"nil", "NIL", ""},
        {"NiL", "NIL", ""},
        {"'a", "(QUOT . A)", ""},
        {"'(1 2)", "(QUOT 1 2)", ""},
        {"(1 . 2)", "(1 . 2)", ""},
        {"(1 2 . 3)", "(1 2 . 3)", ""},
        {"(a (b c) . d)", "(A (B C) . D)", ""},
        {"\"a b\"", "\"a b\"", ""},
        // Not numbers in this dialect, whatever the C library would accept.
        {"12abc", "12ABC", ""},
        {"inf", "INF", ""},
        {"nan", "NAN", ""},
        {"0x10", "0X10", ""},
        {"1e", "1E", ""},
        {"1.2.3", "1.2.3", ""},
        {"-", "-", ""},
        {"1,2", "", "\nIlegel symbol: 1,2 ."},
        {"a;b", "", "\nIlegel symbol: a;b ."},
        {"\"abc", "", "\nNon terminating string: abc ."},
        {"(a b", "", "\nMissing right parenthesis."},
        {")", "", "Extra right parantesis."},
        {"(. a)", "", "\nIllegal dot expretion."},
        {"(a . b c)", "", "\nIllegal dot expretion."},
        {"(a .)", "", "Extra right parantesis."},
        {"", "", ""},
    };
    for (const ReadCase &c : cases) {
        std::string printed = ReadBack(c.text);
        EXPECT_EQ(printed, c.printed) << "reading " << c.text;
        EXPECT_EQ(TakeOutput(), c.messages) << "messages reading " << c.text;
    }
}

TEST_F(LispReaderTest, SymbolNamesAreInternedCaseInsensitively)
{
    int a = LispIntern("abc");
    EXPECT_EQ(LispIntern("ABC"), a);
    EXPECT_EQ(LispIntern("Abc"), a);
    EXPECT_STREQ(LispSymbolName(a), "ABC");
    EXPECT_EQ(LispSymbolValue("nIl").tag, static_cast<uint32_t>(LispNil));
}

TEST_F(LispReaderTest, TokensOfAnyLengthReadWhole)
{
    std::string name(5000, 'q');
    std::string text(7000, 'x');
    EXPECT_EQ(ReadBack(name), std::string(5000, 'Q'));
    EXPECT_EQ(ReadBack("\"" + text + "\""), "\"" + text + "\"");
    EXPECT_EQ(TakeOutput(), "");
}

TEST_F(LispReaderTest, DeepNestingFailsWithAMessageInsteadOfOverflowing)
{
    std::string text(200000, '(');
    EXPECT_EQ(ReadBack(text), "");
    EXPECT_EQ(TakeOutput(), "\nExpression nested too deeply.");
    std::string quotes(200000, '\'');
    EXPECT_EQ(ReadBack(quotes + "a"), "");
    EXPECT_EQ(TakeOutput(), "\nExpression nested too deeply.");
}

// An expression nested too deeply is one problem: the reader leaves the
// whole of it behind, so the next read starts after it instead of at each
// of its leftover pieces in turn.
TEST_F(LispReaderTest, TooDeepAnExpressionIsSkippedWhole)
{
    const std::string cases[] = {
        std::string(7000, '(') + std::string(7000, ')'),
        "(a " + std::string(7000, '(') + "b \")\" c" + std::string(7000, ')') + " d)",
        std::string(7000, '\'') + "x",
        std::string(7000, '\'') + "(a (b) \"(\")",
    };
    for (const std::string &text : cases)
        ExpectFailedReadGoesOnAfter(text, "\nExpression nested too deeply.");
}

// A syntax error anywhere inside a top-level form spoils the whole form:
// reading goes on after its end, never at a piece of its inside, which would
// then run as a form of its own.
TEST_F(LispReaderTest, ASyntaxErrorSkipsTheRestOfItsTopLevelForm)
{
    struct Case {
        const char *text;
        const char *message;
    };
    const Case cases[] = {
        {"(defun f (x) (progn (a . b c) (file-remove \"v.txt\") (g \")\") 2))", "\nIllegal dot expretion."},
        {"(progn (. a) (remove-me))", "\nIllegal dot expretion."},
        {"(progn (a .) (remove-me))", "Extra right parantesis."},
        {"(progn (a;b) (remove-me))", "\nIlegel symbol: a;b ."},
        {"(progn '(x (y . z w)) (remove-me))", "\nIllegal dot expretion."},
    };
    for (const Case &c : cases)
        ExpectFailedReadGoesOnAfter(c.text, c.message);
    // An error at the top level spoils only its own token.
    LispStream *stream = LispOpenStream(") a;b (+ 1 2)", 0);
    value_t v;
    EXPECT_EQ(LispReadExpression(stream, &v), LispReadStatus::Failed);
    EXPECT_EQ(LispReadExpression(stream, &v), LispReadStatus::Failed);
    TakeOutput();
    ASSERT_EQ(LispReadExpression(stream, &v), LispReadStatus::Ok);
    EXPECT_EQ(LispPrintToString(v), "(+ 1 2)");
    LispCloseStream(stream);
}

TEST_F(LispReaderTest, ReadFromStringGivesNilForNothingRead)
{
    EXPECT_EQ(LispReadFromString("   ").tag, static_cast<uint32_t>(LispNil));
    EXPECT_EQ(LispPrintToString(LispReadFromString("(+ 1 2) (ignored)")), "(+ 1 2)");
}

TEST_F(LispTest, PrinterShowsEachKindOfValue)
{
    ExpectTable({
        {"", "(prints 1.5)", "\"1.500000\"", ""},
        {"", "(prints \"a b\")", "\"\"a b\"\"", ""},
        {"", "(car nil)", "ERROR", "\nCannot calculate CAR of an atom."},
        {"", "(print '(1 \"s\" 2.5))", "(1 \"s\" 2.500000)", "(1 \"s\" 2.500000)"},
    });
    // The value column above cannot hold a prefix; check the shapes here.
    std::string lambda = Run("(defun add (x y) (+ x y))");
    EXPECT_EQ(lambda.substr(0, 13), "<LEX-CLOSURE-");
    EXPECT_NE(lambda.find(" (2) (+ V2 V1)>"), std::string::npos) << lambda;
    EXPECT_EQ(Run("(prints (make-array 3))").substr(0, 13), "\"<ARRAY-3ELM-");
    std::string closure = Run("(defun k (n) (lambda () n)) (k 1)");
    EXPECT_EQ(closure.substr(0, 9), "<CLOSURE-") << closure;
    // An identity tells values apart and stays with its value.
    Run("(setq a1 (make-array 2)) (setq a2 (make-array 2))");
    EXPECT_EQ(Run("a1"), Run("a1"));
    EXPECT_NE(Run("a1"), Run("a2"));
}

TEST_F(LispTest, CyclicAndVeryLongListsPrintBounded)
{
    Run("(setq x (list 1 2)) (replcd (cdr x) x)");
    std::string cyclic = Run("x");
    EXPECT_EQ(cyclic.size(), kLispPrintLimit);
    EXPECT_EQ(cyclic.substr(cyclic.size() - 3), "...");
    std::string printed = Run("(prints x)");
    EXPECT_LE(printed.size(), kLispPrintLimit + 2);

    Run("(setq y (list 1)) (replca y y)");
    std::string nested = Run("(prints y)");
    EXPECT_LE(nested.size(), kLispPrintLimit + 2);
    EXPECT_NE(nested.find("..."), std::string::npos);

    std::string pretty = LispPrettyPrintToString(LispGlobalValue(LispIntern("X")), 0);
    EXPECT_LE(pretty.size(), kLispPrintLimit);
    TakeOutput();
}

TEST_F(LispTest, PrintStructAlignsArgumentsUnderTheFirst)
{
    std::string list = "(a";
    std::string expected = "(A B";
    for (int i = 1; i < 40; ++i) {
        std::string name = "b" + std::to_string(i);
        list += " " + name;
        if (i > 1)
            expected += "\n   B" + std::to_string(i);
        else
            expected = "(A B1";
    }
    expected += ")";
    Run("(print_struct '" + list + "))");
    EXPECT_EQ(TakeOutput(), expected);
}

TEST_F(LispTest, PrintStructBreaksListsHeadedByAList)
{
    Run("(print_struct '((aaaaaaaaaa bbbbbbbbbb) (cccccccccc dddddddddd) eeeeeeeeee))");
    EXPECT_EQ(TakeOutput(), "((AAAAAAAAAA BBBBBBBBBB)\n (CCCCCCCCCC DDDDDDDDDD)\n EEEEEEEEEE)");
}

} // namespace

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "tests/engine/engines/lisp/LispTestFixture.h"
#include "utilities/math/Vec3.h"

namespace {

TEST_F(LispTest, ArithmeticMixesIntegersAndDoublesAndWraps)
{
    ExpectTable({
        {"", "(+ 1 2)", "3", ""},
        {"", "(+ 1 2.5)", "3.500000", ""},
        {"", "(+ 2147483647 1)", "-2147483648", ""},
        {"", "(* 65536 65536)", "0", ""},
        {"", "(- 5)", "-5", ""},
        {"", "(- -2147483648)", "-2147483648", ""},
        {"", "(- -2147483648 1)", "2147483647", ""},
        {"", "(- 10 3 2)", "5", ""},
        {"", "(* 2 3.0)", "6.000000", ""},
        {"", "(div 7 2)", "3", ""},
        {"", "(div -7 2)", "-3", ""},
        {"", "(div 7.0 2)", "3.500000", ""},
        {"", "(/ 7 2)", "3.500000", ""},
        {"", "(div 1 0)", "ERROR", "\nArgument to DIV is not a number."},
        {"", "(div -2147483648 -1)", "ERROR", "\nArgument to DIV is not a number."},
        {"", "(+ 1 'a)", "ERROR", "\nArgument to '+' is not a number."},
        {"", "(+ 1)", "ERROR", "\nMore parameters required to +."},
        {"", "(- 'a)", "ERROR", "\nArgument to '-' is not a number."},
        {"", "(* 2 \"x\")", "ERROR", "\nArgument to '*' is not a number."},
        {"", "(/ 1 'x)", "ERROR", "\nArgument to DIV is not a number."},
        {"", "(< 1 2.5)", "T", ""},
        {"", "(>= 2 2)", "T", ""},
        {"", "(> 1 2)", "NIL", ""},
        {"", "(<= 3 2)", "NIL", ""},
        {"", "(< 'a 1)", "ERROR", "\nArgument to < is not a number."},
        {"", "(>= 1 nil)", "ERROR", "\nArgument to >= is not a number."},
        {"", "(abs -3)", "3.000000", ""},
        {"", "(atan 0 1)", "1.570796", ""},
        {"", "(atan 1)", "0.785398", ""},
        {"", "(atan 1 'x)", "ERROR", "\nArg[2] to 'ARCTAN' is not a number."},
        {"", "(expt 2 10)", "1024.000000", ""},
        {"", "(sqrt 'x)", "ERROR", "\nArgument to 'SQRT' is not a number."},
        {"", "(acos 'x)", "ERROR", "\nArgument to 'ARC_COS' is not a number."},
        {"", "(expt 'x 1)", "ERROR", "\nArgument to 'expt' is not a number."},
        {"", "(exp 0)", "1.000000", ""},
        {"", "(log10 100)", "2.000000", ""},
    });
}

TEST_F(LispTest, ListAndSymbolBuiltinsFollowTheDialect)
{
    ExpectTable({
        {"", "(eq 'a 'a)", "T", ""},
        {"", "(eq 1 1.0)", "NIL", ""},
        {"", "(eq 1.5 1.5)", "T", ""},
        {"", "(eq \"a\" \"a\")", "NIL", ""},
        {"", "(equal '(1 (2)) '(1 (2)))", "T", ""},
        {"", "(equal '(1 (2)) '(1 (3)))", "NIL", ""},
        {"", "(!= '(1) '(2))", "T", ""},
        {"", "(car nil)", "ERROR", "\nCannot calculate CAR of an atom."},
        {"", "(cdr 5)", "ERROR", "\nCannot calculate CDR of an atom."},
        {"", "(cadr '(1))", "ERROR", "\nCannot calculate CADR of exp."},
        {"", "(cadr '(1 2))", "2", ""},
        {"", "(replca 1 2)", "ERROR", "\nCannot calculate REPLCA of an atom."},
        {"", "(replcd '(1 2) 3)", "(1 . 3)", ""},
        {"", "(nth 1 '(a b c))", "B", ""},
        {"", "(nth -3 '(a b))", "A", ""},
        {"", "(nth 5 '(a b))", "ERROR", "Nth element does not exixsts."},
        {"", "(nth 'x '(a))", "ERROR", "Arg 1 to NTH is not integer."},
        {"", "(len '(1 2 . 3))", "2", ""},
        {"", "(len nil)", "0", ""},
        {"", "(len 5)", "0", ""},
        {"", "(len (make-array 4))", "4", ""},
        {"", "(list)", "NIL", ""},
        {"", "(list 1 'a \"s\")", "(1 A \"s\")", ""},
        {"", "(assoc 'b '((a . 1) (b . 2)))", "(B . 2)", ""},
        {"", "(assoc 'c '((a . 1) 5))", "NIL", ""},
        {"(set 'x 5)", "x", "5", ""},
        {"", "(set 1 2)", "ERROR", "Arg No 1 to SET is not a symbol."},
        {"", "(symbol-name 'abc)", "\"ABC\"", ""},
        {"", "(symbol-name nil)", "\"NIL\"", ""},
        {"", "(symbol-name 5)", "NIL", ""},
        {"", "(list (consp '(1)) (integerp 1) (floatp 1.0) (stringp \"s\") (symbolp nil) (atom 1) (null nil))",
         "(T T T T T T T)", ""},
        {"", "(list (consp 1) (integerp 1.0) (floatp 1) (stringp 's) (symbolp 1) (atom '(1)) (null 0))",
         "(NIL NIL NIL NIL NIL NIL NIL)", ""},
        {"(put 'p 'k 1)", "(get 'p 'k)", "1", ""},
        {"(put 'p 'k 1)", "(plist 'p)", "((K . 1))", ""},
        {"(put 'p 'a 1) (put 'p 'b 2) (put 'p 'c nil) (put 'p 'a 3)", "(plist 'p)", "((B . 2) (A . 3))", ""},
        {"", "(get 'p 'missing)", "NIL", ""},
        {"", "(put 1 'k 1)", "ERROR", "Arg 1 to PUT is not a symbol."},
        {"", "(put 'p 2 1)", "ERROR", "Arg 2 to PUT is not a symbol."},
        {"", "(get 'p 2)", "ERROR", "Arg 2 to GET is not asymbol."},
        {"", "(plist 1)", "ERROR", "Arg 1 to PLIST is not asymbol."},
        {"", "(map '+ '(1 2 3) '(10 20))", "(11 22)", ""},
        {"", "(map 'car '(1))", "ERROR", "\nCannot calculate CAR of an atom.\nMAP failed."},
        {"", "(map '+)", "ERROR", "\nMAP needs at least one list."},
        {"", "(mapcar 'car '((1) (2)))", "(1 2)", ""},
        {"", "(mapcar 'car nil)", "NIL", ""},
        {"", "(mapcar 'car '(1))", "ERROR", "\nCannot calculate CAR of an atom.\nMAPCAR failed."},
        {"", "(eval '(+ 1 2))", "3", ""},
        {"", "(apply '+ 1 2)", "3", ""},
        {"", "(apply 'nofunction 1)", "ERROR", "\nFunction NOFUNCTION is undefined."},
        {"", "(apply 5 1)", "NIL", ""},
        {"", "(arg1 'x 'y 'z)", "Y", ""},
        {"", "(arg12 0 1 2 3 4 5 6 7 8 9 10 11 12)", "12", ""},
        {"", "(arg3 1 2)", "ERROR", "\nARG3 needs at least 4 arguments."},
    });
}

TEST_F(LispTest, ArraysCheckTheirIndexes)
{
    ExpectTable({
        {"(setq a (make-array 3))", "(progn (aset a 1 'x) (aref a 1))", "X", ""},
        {"(setq a (make-array 3))", "(aref a 2.9)", "NIL", ""},
        {"", "(aref (make-array 2) 2)", "ERROR", "\nArg 2 to AREF is not an index of the array."},
        {"", "(aref (make-array 2) -1)", "ERROR", "\nArg 2 to AREF is not an index of the array."},
        {"", "(aset (make-array 2) 2.5 1)", "ERROR", "\nArg 2 to SET_ARRAY is not an index of the array."},
        {"", "(aset (make-array 2) 'i 1)", "ERROR", "\nArg 2 to SET_ARRAY is not an index of the array."},
        {"", "(aset 1 0 0)", "ERROR", "\nArg 1 to SET_ARRAY is not array."},
        {"", "(aref '(1) 0)", "ERROR", "\nArg 1 to AREF is not array."},
        {"", "(make-array -1)", "ERROR", "\nCannot make an array of -1 elements."},
        {"", "(len (make-array 2.7))", "2", ""},
    });
}

TEST_F(LispTest, SandboxRefusesFilesLoadAndQuit)
{
    std::string path = testing::TempDir() + "lisp_sandbox_victim.lsp";
    std::ofstream(path) << "(+ 1 2)";
    struct Refusal {
        std::string input;
        const char *operation;
    };
    const Refusal refusals[] = {
        {"(open \"" + path + "\")", "OPEN"},
        {"(load \"" + path + "\")", "LOAD"},
        {"(file-remove \"" + path + "\")", "FILE-REMOVE"},
        {"(quit)", "QUIT"},
    };
    for (const Refusal &r : refusals) {
        LispSandboxScope sandbox;
        EXPECT_EQ(Run(r.input), "ERROR") << r.input;
        EXPECT_EQ(TakeOutput(), std::string("\nLISP ERROR: ") + r.operation + " is not allowed in this script.");
    }
    EXPECT_FALSE(LispIsSandboxed());
    EXPECT_FALSE(LispQuitRequested());
    EXPECT_EQ(access(path.c_str(), F_OK), 0) << "the sandboxed script removed a file";
    std::remove(path.c_str());
}

TEST_F(LispTest, QuitStopsTheEvaluationButNotTheProcess)
{
    EXPECT_EQ(Run("(progn (quit) (print 1))"), "ERROR");
    EXPECT_TRUE(LispQuitRequested());
    EXPECT_EQ(TakeOutput(), "");
    EXPECT_EQ(Run("(+ 1 2)"), "3");
    EXPECT_FALSE(LispQuitRequested());
}

TEST_F(LispTest, FilesLoadReadAndGo)
{
    // Longer than one 16,384-byte buffer of the file stream.
    std::string path = testing::TempDir() + "lisp_load_test.lsp";
    {
        std::ofstream file(path);
        file << "(setq counter 0)\n";
        for (int i = 0; i < 3000; ++i)
            file << "(setq counter (+ counter 1))\n";
    }
    EXPECT_EQ(Run("(setq load_verbose nil) (load \"" + path + "\")"), "3000");
    EXPECT_EQ(TakeOutput(), "");
    EXPECT_EQ(Run("(setq load_verbose t) (load \"" + path + "\")"), "3000");
    std::string echoed = TakeOutput();
    EXPECT_EQ(echoed.substr(0, 34), "\n(SETQ COUNTER 0)\n(SETQ COUNTER (+");

    Run("(setq s (open \"" + path + "\"))");
    EXPECT_EQ(Run("(read s)"), "(SETQ COUNTER 0)");
    EXPECT_EQ(Run("(close s)"), "T");
    EXPECT_EQ(Run("(close s)"), "NIL");
    EXPECT_EQ(Run("(read s)"), "NIL");
    EXPECT_EQ(Run("(read 5)"), "ERROR");
    EXPECT_EQ(Run("(open \"/nonexistent/file\")"), "NIL");
    EXPECT_EQ(Run("(load \"/nonexistent/file\")"), "NIL");
    EXPECT_EQ(Run("(load 5)"), "ERROR");
    TakeOutput();

    EXPECT_EQ(Run("(file-remove \"" + path + "\")"), "T");
    EXPECT_NE(access(path.c_str(), F_OK), 0);
    EXPECT_EQ(Run("(file-remove \"" + path + "\")"), "NIL");
    EXPECT_EQ(TakeOutput(), "\nLISP ERROR: Cannot delete file " + path + " .");
}

TEST_F(LispTest, CpuTimeIsASingleFloatInSeconds)
{
    // One float, not a list of ticks; with an argument the same value is
    // also printed, so a caller reading either sees one number.
    EXPECT_EQ(Run("(floatp (cpu-time))"), "T");
    const std::string seconds = Run("(cpu-time 1)");
    const std::string printed = TakeOutput();
    ASSERT_EQ(printed.substr(0, 12), "\nCPU time = ");
    EXPECT_GE(std::stod(seconds), 0.0);
    EXPECT_DOUBLE_EQ(std::stod(printed.substr(12)), std::stod(seconds)) << printed;
}

TEST_F(LispTest, ArraysOfThreeNumbersConvertToVectors)
{
    Run("(setq v (make-array 3)) (aset v 0 1) (aset v 1 2.5) (aset v 2 -3)");
    Vec3 out(9, 9, 9);
    ASSERT_TRUE(LispValueToVec3(LispGlobalValue(LispIntern("V")), out));
    EXPECT_EQ(out, Vec3(1, 2.5, -3));
    Run("(aset v 2 'z)");
    EXPECT_FALSE(LispValueToVec3(LispGlobalValue(LispIntern("V")), out));
    EXPECT_FALSE(LispValueToVec3(LispReadFromString("(1 2 3)"), out));
    EXPECT_EQ(out, Vec3(1, 2.5, -3)) << "a failed conversion changed its output";
}

} // namespace

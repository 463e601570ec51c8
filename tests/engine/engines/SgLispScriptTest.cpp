#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "engine/core/SgRef.h"
#include "engine/engines/SgEngine.h"
#include "engine/engines/SgLispScript.h"
#include "engine/nodes/properties/SgTransform.h"
#include "tests/engine/engines/lisp/LispTestFixture.h"

namespace {

class SgLispScriptTest : public LispTest {
protected:
    // A script fed with v0 = (1, 2, 3) and a0 = 2.5 from nodes of a bank.
    SgRef<SgLispScript> MakeScript(const char *text)
    {
        SgRef<SgLispScript> script = dynamic_cast<SgLispScript *>(
            SgFieldMngr::Create(SgFieldMngr::GetClassIDFromName("SgLispScript")));
        EXPECT_TRUE(script);
        m_text->m_string = std::string(text);
        m_bank->m_a = 2.5;
        m_vector->m_translation = Vec3(1, 2, 3);
        EXPECT_TRUE(PlugTo1(m_text.get(), "string", script.get(), "script"));
        EXPECT_TRUE(PlugTo1(m_bank.get(), "a", script.get(), "a0"));
        EXPECT_TRUE(PlugTo1(m_vector.get(), "translation", script.get(), "v0"));
        return script;
    }

    SgRef<SgStringInput> m_text = new SgStringInput;
    SgRef<SgInputEngine> m_bank = new SgInputEngine;
    SgRef<SgTransform> m_vector = new SgTransform;
};

TEST_F(SgLispScriptTest, SetoutWritesTheNumberedVectorOutput)
{
    SgRef<SgLispScript> script = MakeScript("(setout self 'outv1 v0)");
    EXPECT_EQ(script->m_outv[1].GetVal(0), Vec3(1, 2, 3));
    EXPECT_EQ(script->m_outv[0].GetVal(0), Vec3(0, 0, 0));
}

TEST_F(SgLispScriptTest, TheStringOutputKeepsThePrintedForm)
{
    SgRef<SgLispScript> script = MakeScript("(progn (setout self 'outv0 v0) (setout self 'outs a0))");
    EXPECT_EQ(script->m_outs.GetVal(0), "2.500000");
    EXPECT_EQ(script->m_outv[0].GetVal(0), Vec3(1, 2, 3));
}

TEST_F(SgLispScriptTest, AnOutputDrivesANodeField)
{
    SgRef<SgLispScript> script = MakeScript("(setout self 'outv2 (vec3 a0 1e-9 1234.56789))");
    SgRef<SgTransform> driven = new SgTransform;
    ASSERT_TRUE(PlugTo1(script.get(), "5", driven.get(), "translation"));
    EXPECT_EQ(driven->m_translation.Get(true), Vec3(2.5, 1e-9, 1234.56789)) << "doubles cross exactly";
    m_bank->m_a = 4.0;
    EXPECT_EQ(driven->m_translation.Get(true).x, 4.0) << "a changed input runs the script again";
    driven->m_translation.AsInput().Disconnect();
}

TEST_F(SgLispScriptTest, AChangedTextIsCompiledAgain)
{
    SgRef<SgLispScript> script = MakeScript("(setout self 'outv0 v0)");
    EXPECT_EQ(script->m_outv[0].GetVal(0), Vec3(1, 2, 3));
    m_text->m_string = std::string("(setout self 'outv0 (vec3 7 8 9))");
    EXPECT_EQ(script->m_outv[0].GetVal(0), Vec3(7, 8, 9));
}

struct BadScript {
    const char *name;
    const char *text;
};

class SgLispScriptFaultTest : public SgLispScriptTest, public ::testing::WithParamInterface<BadScript> {};

TEST_P(SgLispScriptFaultTest, IsReportedAndLeavesTheOutputsAndHostAlone)
{
    const std::string victim = ::testing::TempDir() + "fennix_formula_victim_" + GetParam().name + "_" + std::to_string(getpid());
    std::FILE *file = std::fopen(victim.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    std::string text = GetParam().text;
    const size_t at = text.find("VICTIM");
    if (at != std::string::npos)
        text.replace(at, 6, victim);
    SgRef<SgLispScript> script = MakeScript(text.c_str());
    EXPECT_EQ(script->m_outv[0].GetVal(0), Vec3(0, 0, 0)) << GetParam().name;
    EXPECT_TRUE(std::filesystem::exists(victim)) << GetParam().name;
    std::filesystem::remove(victim);
    // The interpreter goes on.
    EXPECT_EQ(Run("(+ 1 2)"), "3");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SgLispScriptFaultTest,
    ::testing::Values(BadScript{"SyntaxError", "(setout self 'outv0 (vec3 1 2 3)"},
                      BadScript{"FileRemove", "(progn (file-remove \"VICTIM\") (setout self 'outv0 (vec3 1 2 3)))"},
                      BadScript{"Quit", "(progn (quit) (setout self 'outv0 (vec3 1 2 3)))"},
                      BadScript{"EndlessWhile", "(progn (while t 1) (setout self 'outv0 (vec3 1 2 3)))"},
                      BadScript{"DeepRecursion",
                                "(progn (defun deep (n) (+ 1 (deep n))) (deep 1) (setout self 'outv0 v0))"},
                      BadScript{"RedefinesABuiltin", "(progn (defun car (x) x) (setout self 'outv0 (car v0)))"},
                      BadScript{"SetoutOfANonVector", "(setout self 'outv0 \"text\")"},
                      BadScript{"SetoutOfAnUnknownOutput", "(setout self 'outv7 v0)"}),
    [](const ::testing::TestParamInfo<BadScript> &info) { return info.param.name; });

TEST_F(SgLispScriptTest, FieldBuiltinsReadAndWriteExactlyAndRefuseUnknownNames)
{
    SgRef<SgInputEngine> bank = new SgInputEngine;
    SgRef<SgTransform> node = new SgTransform;
    bank->m_a = 1234.56789;
    node->m_translation = Vec3(1e-9, 2, 3);
    LispSetGlobalValue(LispIntern("BANK"), LispNodeValue(bank.get()));
    LispSetGlobalValue(LispIntern("NODE"), LispNodeValue(node.get()));
    EXPECT_EQ(Run("(setfield bank \"b\" (getfield bank \"a\"))"), "T");
    EXPECT_EQ(bank->m_b.Get(true), 1234.56789) << "a double crosses exactly";
    EXPECT_EQ(Run("(setfield bank \"c\" (aref (getfield node \"translation\") 0))"), "T");
    EXPECT_EQ(bank->m_c.Get(true), 1e-9);
    EXPECT_EQ(Run("(setfield bank \"s1\" \"hello\")"), "T");
    EXPECT_EQ(bank->m_s1.Get(true), "hello");
    EXPECT_EQ(Run("(setp center (vec3 4 5 6))"), "T") << "the prelude's setp writes a field of node";
    EXPECT_EQ(node->m_center.Get(true), Vec3(4, 5, 6));
    EXPECT_EQ(Run("(aref (par translation) 1)"), "2.000000") << "par reads one";
    EXPECT_EQ(Run("(param \"center\")") .substr(0, 6), "<ARRAY");
    const char *const refused[] = {"(getfield bank \"nosuch\")", "(getfield 3 \"a\")", "(getfield bank 'a)",
                                   "(setfield bank \"a\" \"text\")", "(setfield bank \"nosuch\" 1)",
                                   "(setout bank 'outv0 (vec3 1 2 3))"};
    for (const char *text : refused)
        EXPECT_EQ(Run(text), "NIL") << text;
    EXPECT_EQ(bank->m_a.Get(true), 1234.56789);
}

} // namespace

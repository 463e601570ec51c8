// Library start-up: every class it registers can be found and created by
// name, a second start-up changes nothing, and the interpreter comes up with
// the macros that formulas are written with.
#include <gtest/gtest.h>

#include <string>

#include "engine/SgNodara.h"
#include "engine/core/SgAction.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/engines/lisp/Lisp.h"
#include "utilities/log/ReportMngr.h"

namespace {

TEST(SgNodaraTest, SecondStartUpRegistersNothingMore)
{
    SgNodara::Init();
    const std::string before = SgNodara::RegistrationSummary();
    SgNodara::Init();
    EXPECT_EQ(SgNodara::RegistrationSummary(), before);
}

TEST(SgNodaraTest, EveryRegisteredContainerClassIsFoundByItsName)
{
    SgNodara::Init();
    for (int offset = 0; offset < SgFieldMngr::GetClassCount(); ++offset) {
        const char *name = SgFieldMngr::ClassName(offset);
        ASSERT_NE(name, nullptr) << "class id " << offset + SgFieldMngr::GetBase() << " has no name";
        EXPECT_EQ(SgFieldMngr::GetClassIDFromName(name), offset + SgFieldMngr::GetBase()) << name;
    }
}

// The packages the engine's modules log under exist once the library started.
TEST(SgNodaraTest, StartUpRegistersTheEnginesReportPackages)
{
    SgNodara::Init();
    ReportMngr *manager = ReportMngr::getInstance();
    ASSERT_NE(manager, nullptr);
    for (const std::string name : {"GLRenderAction", "Extrude", "ModifierStack"}) {
        bool found = false;
        for (int i = 0; i < manager->GetPackageCount() && !found; ++i)
            found = manager->GetPackageName(i) == name;
        EXPECT_TRUE(found) << name;
    }
}

// The classes a scene file names by keyword; the reader can only create what
// start-up registered with a creator.
TEST(SgNodaraTest, SceneKeywordClassesCanBeCreatedByName)
{
    SgNodara::Init();
    for (const char *name : {"SgGroup", "SgSeparator", "SgSwitch", "SgObject", "SgTransform", "SgCamera",
                             "SgMaterial", "SgMaterialBinding", "SgShapeHints", "SgTexture2D",
                             "SgTexture2Transform", "SgTextureCoordinate2", "SgCoordinate3", "SgNormal",
                             "SgDirLight", "SgPointLight", "SgSpotLight", "SgBackground", "SgIndexedFaceSet"}) {
        const int id = SgFieldMngr::GetClassIDFromName(name);
        ASSERT_NE(id, 0) << name << " is not registered";
        SgFieldMngr *object = SgFieldMngr::Create(id);
        EXPECT_NE(object, nullptr) << name << " has no creator";
        SgFieldMngr::Destroy(object);
    }
}

TEST(SgNodaraTest, SaveActionIsRegisteredWithItsVisitorTable)
{
    SgNodara::Init();
    ASSERT_NE(SgSaveAction::ClassID(), 0);
    EXPECT_NE(SgAction::GetVisitorTable(SgSaveAction::ClassID()), nullptr);
    SgAction *action = SgAction::Create(SgSaveAction::ClassID());
    EXPECT_NE(dynamic_cast<SgSaveAction *>(action), nullptr);
    SgAction::Destroy(action);
}

TEST(SgNodaraTest, InterpreterStartsWithThePreludeMacros)
{
    SgNodara::Init();
    // The field built-ins stand in as list builders, so that what the
    // macros expand to shows.
    const struct {
        const char *input;
        const char *value;
    } cases[] = {
        {"(let ((v (vec3 1 2.5 3))) (list (aref v 0) (aref v 1) (aref v 2)))", "(1 2.500000 3)"},
        {"(let ((node 5)) (param \"size\"))", "(5 \"size\")"},
        {"(let ((node 5)) (par size))", "(5 \"SIZE\")"},
        {"(let ((node 5)) (setp size 3))", "(5 \"SIZE\" 3)"},
    };
    // Also after a reset, which starts the interpreter again.
    for (int round = 0; round < 2; ++round) {
        LispEvalTopLevel(LispReadFromString("(defun getfield (n f) (list n f))"));
        LispEvalTopLevel(LispReadFromString("(defun setfield (n f v) (list n f v))"));
        for (const auto &c : cases)
            EXPECT_EQ(LispPrintToString(LispEvalTopLevel(LispReadFromString(c.input))), c.value)
                << c.input << ", round " << round;
        LispReset();
    }
}

} // namespace

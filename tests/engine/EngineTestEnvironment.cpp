// Every engine test runs with the engine started and the test classes
// registered: classes get their ids and field tables only after the start-up,
// and the ids must not depend on which test happens to run first.
#include "tests/engine/EngineTestEnvironment.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "engine/SgNodara.h"
#include "engine/core/SgAction.h"
#include "tests/engine/EngineTestClasses.h"
#include "tests/engine/actions/ActionTestNodes.h"
#include "tests/engine/actions/MeasureTestNodes.h"
#include "tests/engine/core/StateTestSupport.h"
#include "tests/engine/core/TestNodes.h"
#include "tests/engine/nodes/properties/EditorStateAction.h"
#include "tests/engine/nodes/properties/PlacementTestSupport.h"
#include "tests/engine/nodes/properties/PropertyStateAction.h"

namespace {

std::string s_startUpOutput;
std::string s_registrationOutput;
std::vector<std::string> s_unresolvedVisitorNames;

// Whatever the call writes to the standard output and error descriptors,
// through stdio, the iostreams or write(2).
template <class Fn>
std::string CapturedOutput(Fn &&call)
{
    std::FILE *sink = std::tmpfile();
    if (!sink) {
        call();
        return "(the output could not be captured: no temporary file)";
    }
    std::cout.flush();
    std::cerr.flush();
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = dup(STDOUT_FILENO);
    const int savedErr = dup(STDERR_FILENO);
    dup2(fileno(sink), STDOUT_FILENO);
    dup2(fileno(sink), STDERR_FILENO);
    call();
    std::cout.flush();
    std::cerr.flush();
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, STDOUT_FILENO);
    dup2(savedErr, STDERR_FILENO);
    close(savedOut);
    close(savedErr);
    std::string text;
    std::rewind(sink);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, sink)) > 0;)
        text.append(buffer, n);
    std::fclose(sink);
    // Shown again where it would have appeared, so that nothing is hidden.
    std::fputs(text.c_str(), stderr);
    return text;
}

class EngineEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (SgNodara::IsInitialized())
            return;
        s_startUpOutput = CapturedOutput([] { SgNodara::Init(); });
        s_unresolvedVisitorNames = SgAction::GetUnresolvedVisitorNames();
        s_registrationOutput = CapturedOutput([] { RegisterEngineTestClasses(); });
    }
};

[[maybe_unused]] ::testing::Environment *const s_environment =
    ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

} // namespace

const std::string &EngineStartUpOutput()
{
    return s_startUpOutput;
}

const std::string &TestClassRegistrationOutput()
{
    return s_registrationOutput;
}

const std::vector<std::string> &StartUpUnresolvedVisitorNames()
{
    return s_unresolvedVisitorNames;
}

void RegisterEngineTestClasses()
{
    InitTestClasses();
    InitStateTestClasses();
    RegisterSgActionTestClasses();
    RegisterCacheTestClasses();
    RegisterFieldMngrTestClasses();
    RegisterModifierStackTestClasses();
    RegisterVecFieldTestClasses();
    InitActionTestClasses();
    InitMeasureTestClasses();
    RegisterCollectShapesTestClasses();
    RegisterCopyTestClasses();
    RegisterReaderTestClasses();
    RegisterSaveTestClasses();
    RegisterGeometricShapeTestClasses();
    RegisterIndexedFaceSetTestClasses();
    InitPropertyTestClasses();
    InitPlacementTestClasses();
    InitEditorStateTestClasses();
    // Classes registered after the start-up take their visitors from their parents.
    SgAction::ReBuildVisitorsMaps();
}

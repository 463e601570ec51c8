// Every engine test runs with the engine started: classes get their ids and
// field tables only after the start-up, whichever test happens to run first.
#include <gtest/gtest.h>

#include "engine/SgNodara.h"

namespace {

class EngineEnvironment : public ::testing::Environment {
public:
    void SetUp() override { SgNodara::Init(); }
};

[[maybe_unused]] ::testing::Environment *const s_environment =
    ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

} // namespace

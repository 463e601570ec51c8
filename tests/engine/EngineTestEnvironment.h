#pragma once
// What the test process's engine start-up wrote to standard output and error:
// the library start-up itself, and the registration of the test classes.
#include <string>
#include <vector>

const std::string &EngineStartUpOutput();
const std::string &TestClassRegistrationOutput();
// The node class names the standard actions asked for by name during the
// start-up and found no class for (later tests may ask for more).
const std::vector<std::string> &StartUpUnresolvedVisitorNames();

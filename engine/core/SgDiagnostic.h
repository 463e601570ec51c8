#pragma once
// The object model's diagnostics: refusals and faults it reports while it goes
// on working. They reach the reporters of the "ObjectModel" package of the
// process-wide report manager; the package reports errors from start-up on.
#include <string>

namespace SgDiagnostic {

void Error(const std::string &text);

} // namespace SgDiagnostic

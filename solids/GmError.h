#pragma once
// Trouble reporting of the solid library. An internal error ends
// the request that raised it with a GmInternalError, which the boundary of
// that request (a boolean, a conversion) catches; nothing stops the process
// and no geometry code opens a modal box. Warnings go to the log and to an
// optional per-thread collector so that callers and tests can read them.
#include <string>
#include <vector>

#include "platform/SgError.h"
#include "solids/SolvaneExport.h"

namespace solvane {

class SOLVANE_API GmInternalError : public SgError {
public:
    // The text is the formatted "Internal Error: %s ".
    explicit GmInternalError(const std::string &message);
    const std::string &message() const { return m_message; }

private:
    std::string m_message;
};

// A boolean or another whole request that could not give a sound result.
class SOLVANE_API GmOperationFailed : public SgError {
public:
    explicit GmOperationFailed(const std::string &text) : SgError(text) {}
};

// Throws GmInternalError with the message.
[[noreturn]] SOLVANE_API void internal_error(const std::string &message);

// Logs the warning (package "Solvane", level WARN) and appends it to the
// current collector, if one is installed. Never stops anything.
SOLVANE_API void warning(const std::string &message);

// Collects the warnings issued on this thread while it lives.
class SOLVANE_API GmWarningCollector {
public:
    GmWarningCollector();
    ~GmWarningCollector();
    GmWarningCollector(const GmWarningCollector &) = delete;
    GmWarningCollector &operator=(const GmWarningCollector &) = delete;
    const std::vector<std::string> &warnings() const { return m_warnings; }

private:
    friend void warning(const std::string &message);
    std::vector<std::string> m_warnings;
    GmWarningCollector *m_previous;
};

}  // namespace solvane

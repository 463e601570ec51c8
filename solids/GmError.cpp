#include "solids/GmError.h"

#include <cstdio>

#include "platform/SgDiagnostics.h"

namespace solvane {

namespace {
thread_local GmWarningCollector *t_collector = nullptr;

std::string FormatInternal(const std::string &message)
{
    // Internal-error texts are cut to 239 characters.
    std::string text = "Internal Error: " + message + " ";
    if (text.size() > 239) {
        text.resize(239);
    }
    return text;
}

}  // namespace

GmInternalError::GmInternalError(const std::string &message)
    : SgError(FormatInternal(message)), m_message(message)
{
}

void internal_error(const std::string &message)
{
    throw GmInternalError(message);
}

void warning(const std::string &message)
{
    SgDiagWarning("Solvane", "%s", message.c_str());
    if (t_collector) {
        t_collector->m_warnings.push_back(message);
    }
}

GmWarningCollector::GmWarningCollector() : m_previous(t_collector)
{
    t_collector = this;
}

GmWarningCollector::~GmWarningCollector()
{
    t_collector = m_previous;
}

}  // namespace solvane

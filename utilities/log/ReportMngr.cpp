#include "utilities/log/ReportMngr.h"

#include <cstdarg>
#include <cstdio>
#include <new>

#include "platform/SgDiagnostics.h"
#include "utilities/StringUtil.h"
#include "utilities/log/Reporter.h"

namespace {

const char *const kLevelNames[] = {"ALL", "FINEST", "FINER", "FINE", "INFO",
                                   "WARN", "ERROR", "FATAL", "OFF"};

ReportMngr *s_instance = nullptr;
bool s_instanceMade = false;

// The package of the manager's own diagnostics.
constexpr const char *kDiagPackage = "ReportMngr";

} // namespace

ReportMngr *ReportMngr::getInstance()
{
    // Made once and never freed: clients may still log from their own
    // destructors while the process ends.
    if (!s_instanceMade) {
        s_instanceMade = true;
        s_instance = new (std::nothrow) ReportMngr();
    }
    return s_instance;
}

const char *ReportMngr::LevelName(int level)
{
    if (level < LEVEL_ALL || level > LEVEL_OFF)
        return nullptr;
    return kLevelNames[level];
}

ReportMngr::ReportMngr()
{
    for (int8_t &threshold : m_thresholds)
        threshold = LEVEL_OFF;
    for (int i = 0; i < kMaxReporters; ++i) {
        m_reporters[i] = nullptr;
        m_reporterTags[i] = 0;
    }
}

int ReportMngr::AddPackage(const char *name)
{
    if (name == nullptr) {
        SgDiagError(kDiagPackage, "ReportMngr::AddPackage: a package needs a name");
        return -1;
    }
    for (int i = 0; i < m_packageCount; ++i) {
        if (SgIEquals(m_packageNames[i], name))
            return i;
    }
    if (m_packageCount >= kMaxPackages) {
        SgDiagError(kDiagPackage, "ReportMngr::AddPackage: no room for package \"%s\" (%d packages)",
                    name, kMaxPackages);
        return -1;
    }
    m_packageNames[m_packageCount] = name;
    return m_packageCount++;
}

bool ReportMngr::HasThreshold(int package) const
{
    return package >= 0 && package < m_packageCount && package < kMaxThresholds;
}

int ReportMngr::EnableReport(int package, int level)
{
    if (!HasThreshold(package)) {
        SgDiagError(kDiagPackage, "ReportMngr::EnableReport: package %d has no threshold", package);
        return -1;
    }
    m_thresholds[package] = static_cast<int8_t>(level);
    return m_thresholds[package];
}

void ReportMngr::EnableReport(const char *name, int level)
{
    for (int i = 0; i < m_packageCount; ++i) {
        if (SgIEquals(m_packageNames[i], name ? name : ""))
            EnableReport(i, level);
    }
}

int ReportMngr::RegisterRepoter(Reporter *reporter, int tag)
{
    if (reporter == nullptr) {
        SgDiagError(kDiagPackage, "ReportMngr::RegisterRepoter: null reporter");
        return -1;
    }
    if (m_reporterCount >= kMaxReporters) {
        SgDiagError(kDiagPackage, "ReportMngr::RegisterRepoter: no room for another reporter (%d reporters)",
                    kMaxReporters);
        return -1;
    }
    m_reporters[m_reporterCount] = reporter;
    m_reporterTags[m_reporterCount] = tag;
    return m_reporterCount++;
}

int ReportMngr::Report(int package, int level, const char *file, int line, const char *format, ...)
{
    if (!HasThreshold(package)) {
        SgDiagError(kDiagPackage, "ReportMngr::Report: package %d has no threshold (from %s at %d)",
                    package, file ? file : "", line);
        return -1;
    }
    // The arguments are only formatted when someone will read the message.
    if (m_reporterCount == 0 || m_thresholds[package] > level)
        return 0;

    char message[kMaxMessage + 1] = "";
    if (format != nullptr) {
        va_list args;
        va_start(args, format);
        const int length = std::vsnprintf(message, sizeof message, format, args);
        va_end(args);
        if (length > kMaxMessage) {
            // A cut message would pass for the whole one.
            SgDiagError(kDiagPackage, "ReportMngr::Report: a message of %d characters is longer than %d (from %s at %d)",
                        length, kMaxMessage, file ? file : "", line);
            return -1;
        }
    }
    const char *source = file ? file : "";
    for (int i = 0; i < m_reporterCount; ++i)
        m_reporters[i]->send(level, message, source, line);
    return m_reporterCount;
}

const char *ReportMngr::GetPackageName(int package) const
{
    if (package < 0 || package >= m_packageCount)
        return nullptr;
    return m_packageNames[package].c_str();
}

int ReportMngr::GetThreshold(int package) const
{
    return HasThreshold(package) ? m_thresholds[package] : -1;
}

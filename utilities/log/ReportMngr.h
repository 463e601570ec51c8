#pragma once
// The process-wide logging hub. Modules register a package by name and keep
// its index; each package has a level threshold, and a report reaches every
// registered reporter when its level is at or above the threshold.
#include <cstdint>
#include <string>
#include "utilities/BrannicExport.h"

class Reporter;

class BRANNIC_API ReportMngr {
public:
    enum Level : int {
        LEVEL_ALL = 0,
        LEVEL_FINEST = 1,
        LEVEL_FINER = 2,
        LEVEL_FINE = 3,
        LEVEL_INFO = 4,
        LEVEL_WARN = 5,
        LEVEL_ERROR = 6,
        LEVEL_FATAL = 7,
        LEVEL_OFF = 8,
    };

    // Capacities that callers rely on; going past one is refused with -1 and an
    // error of the "ReportMngr" package (platform/SgDiagnostics.h).
    static constexpr int kMaxPackages = 150;
    static constexpr int kMaxThresholds = 100;
    static constexpr int kMaxReporters = 10;
    // Longer messages are refused.
    static constexpr int kMaxMessage = 1023;

    // The shared manager, made on the first call; null (from then on) when it
    // could not be allocated.
    static ReportMngr *getInstance();

    // "ALL" to "OFF" for levels 0 to 8; null for any other level.
    static const char *LevelName(int level);

    // A manager of one's own; the system uses getInstance().
    ReportMngr();
    ReportMngr(const ReportMngr &) = delete;
    ReportMngr &operator=(const ReportMngr &) = delete;

    // The index of the package of that name (letter case ignored), registering
    // it first when it is new. A new package starts with threshold LEVEL_OFF.
    // -1 when all kMaxPackages slots are taken or the name is null.
    int AddPackage(const char *name);

    // Sets the threshold of a package index; the level is kept as a signed
    // byte and the kept value is returned. -1 for an index that is not a
    // registered package below kMaxThresholds.
    int EnableReport(int package, int level);
    // Sets the threshold of every package of that name (letter case ignored).
    void EnableReport(const char *name, int level);

    // Adds a sink (not owned; it must outlive its use by the manager) with a
    // tag that is kept beside it. Returns its index, or -1 when the reporter
    // is null or all kMaxReporters slots are taken.
    int RegisterRepoter(Reporter *reporter, int tag);

    // Formats the message (printf rules) once and sends it to every reporter
    // when `level` reaches the package's threshold. Returns how many reporters
    // received it, or -1 (with a diagnostic) for a package index that cannot
    // have a threshold or a message longer than kMaxMessage characters, which
    // then reaches no reporter.
    int Report(int package, int level, const char *file, int line, const char *format, ...)
        __attribute__((format(printf, 6, 7)));

    int GetPackageCount() const { return m_packageCount; }
    int GetReporterCount() const { return m_reporterCount; }
    // The package's name as registered, or null for an unknown index.
    const char *GetPackageName(int package) const;
    // The package's threshold, or -1 for an index without one.
    int GetThreshold(int package) const;

private:
    bool HasThreshold(int package) const;

    // The names are copied, so that a name built at run time may go away
    // after registration.
    std::string m_packageNames[kMaxPackages];
    int8_t m_thresholds[kMaxThresholds];
    Reporter *m_reporters[kMaxReporters];
    int32_t m_reporterTags[kMaxReporters];
    int m_reporterCount = 0;
    int m_packageCount = 0;
};

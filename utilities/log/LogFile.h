#pragma once
// The file sink of the report manager: one line per report, flushed at once
// so the file is complete even when the process ends abruptly.
#include <cstdio>

#include "utilities/log/Reporter.h"
#include "utilities/BrannicExport.h"

class BRANNIC_API LogFile : public Reporter {
public:
    // Creates (or empties) the file; when it cannot be opened, an error is
    // reported through the diagnostics sink and every send does nothing.
    explicit LogFile(const char *path);
    ~LogFile() override;
    // One stream, one owner: a copy would close it twice.
    LogFile(const LogFile &) = delete;
    LogFile &operator=(const LogFile &) = delete;

    bool IsOpen() const { return m_file != nullptr; }

    void send(int level, const char *message, const char *file, int line) override;

private:
    std::FILE *m_file;
};

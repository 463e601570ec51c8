#include "utilities/log/LogFile.h"

#include <cerrno>
#include <cstring>

#include "platform/SgDiagnostics.h"
#include "utilities/log/ReportMngr.h"

LogFile::LogFile(const char *path)
    : m_file(path ? std::fopen(path, "w") : nullptr)
{
    if (m_file == nullptr)
        SgDiagError("LogFile", "LogFile: cannot open \"%s\": %s", path ? path : "",
                    path ? std::strerror(errno) : "no path");
}

LogFile::~LogFile()
{
    if (m_file != nullptr)
        std::fclose(m_file);
}

void LogFile::send(int level, const char *message, const char *file, int line)
{
    if (m_file == nullptr)
        return;
    const char *name = ReportMngr::LevelName(level);
    if (name != nullptr)
        std::fprintf(m_file, "%s: %s at %d >>>  %s\n", name, file ? file : "", line, message ? message : "");
    else
        std::fprintf(m_file, "%d: %s at %d >>>  %s\n", level, file ? file : "", line, message ? message : "");
    std::fflush(m_file);
}

#include "engine/nodes/geometry/GeometryLog.h"

#include <cstdarg>
#include <cstdio>

#include "platform/SgDiagnostics.h"

void GeometryLog(int level, const char *format, ...)
{
    char text[ReportMngr::kMaxMessage + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    const SgDiagLevel diag = level >= ReportMngr::LEVEL_ERROR  ? SgDiagLevel::Error
                             : level >= ReportMngr::LEVEL_WARN ? SgDiagLevel::Warning
                                                               : SgDiagLevel::Info;
    SgDiagReport(diag, "Geometry", "%s", text);
}

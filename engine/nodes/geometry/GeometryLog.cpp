#include "engine/nodes/geometry/GeometryLog.h"

#include <cstdarg>
#include <cstdio>

void GeometryLog(int level, const char *format, ...)
{
    ReportMngr *mngr = ReportMngr::getInstance();
    if (!mngr)
        return;
    static const int package = mngr->AddPackage("Geometry");
    if (package < 0)
        return;
    char text[ReportMngr::kMaxMessage + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    mngr->Report(package, level, __FILE__, __LINE__, "%s", text);
}

#include "engine/core/SgDiagnostic.h"

#include "utilities/log/ReportMngr.h"

namespace SgDiagnostic {

void Error(const std::string &text)
{
    ReportMngr *manager = ReportMngr::getInstance();
    if (!manager)
        return;
    static const int package = [manager] {
        const int index = manager->AddPackage("ObjectModel");
        manager->EnableReport(index, ReportMngr::LEVEL_ERROR);
        return index;
    }();
    if (package >= 0)
        manager->Report(package, ReportMngr::LEVEL_ERROR, __FILE__, __LINE__, "%s", text.c_str());
}

} // namespace SgDiagnostic

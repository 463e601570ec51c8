#pragma once
// Diagnostics of the geometry nodes go to the diagnostics sink under one
// package of their own; levels are the report manager's.
#include "utilities/log/ReportMngr.h"
#include "engine/core/NodaraExport.h"

NODARA_API void GeometryLog(int level, const char *format, ...) __attribute__((format(printf, 2, 3)));

#pragma once
// Diagnostics of the geometry nodes go to the report manager under one
// package of their own.
#include "utilities/log/ReportMngr.h"

void GeometryLog(int level, const char *format, ...) __attribute__((format(printf, 2, 3)));

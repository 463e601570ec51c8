#include "utilities/log/Reporter.h"

Reporter::~Reporter() = default;

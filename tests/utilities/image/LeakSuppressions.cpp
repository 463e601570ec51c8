#include "tests/platform/gl/OSMesaLeakSuppressions.h"

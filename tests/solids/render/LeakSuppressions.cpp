// The offscreen GL library keeps buffers for the life of the process.
#include "tests/platform/gl/OSMesaLeakSuppressions.h"

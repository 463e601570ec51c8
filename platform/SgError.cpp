#include "platform/SgError.h"

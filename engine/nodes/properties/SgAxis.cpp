#include "engine/nodes/properties/SgAxis.h"

SG_CLASS_SOURCE(SgAxis, SgHelper, SgFieldMngr, "SgAxis")

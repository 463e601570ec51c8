#include "engine/core/SgHelper.h"

SG_CLASS_SOURCE(SgHelper, SgObject, SgFieldMngr, "SgHelper")

#include "engine/nodes/object/SgHelper.h"

SG_CLASS_SOURCE(SgHelper, SgObject, SgFieldMngr, "SgHelper")

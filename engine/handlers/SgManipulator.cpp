#include "engine/handlers/SgManipulator.h"

SG_CLASS_SOURCE(SgManipulator, SgGroup, SgFieldMngr, "SgManipulator")

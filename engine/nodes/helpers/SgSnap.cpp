#include "engine/nodes/helpers/SgSnap.h"

SG_CLASS_SOURCE(SgSnap, SgNode, SgFieldMngr, "SgSnap")

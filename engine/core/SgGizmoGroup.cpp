#include "engine/core/SgGizmoGroup.h"

SG_CLASS_SOURCE(SgGizmoGroup, SgGroup, SgFieldMngr, "SgGizmoGroup")

#pragma once
// The command table moved to the control, whose frame builds its toolbars
// from it; the host's menus use the same table.
#include "control/HostCommandTable.h"

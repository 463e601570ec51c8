#include "engine/core/SgSwitch.h"

SG_CLASS_SOURCE(SgSwitch, SgGroup, SgFieldMngr, "SgSwitch")

SgSwitch::SgSwitch()
{
    AddField(m_whichChild, "whichChild", 0);
}

#include "engine/handlers/SgUserHandler.h"

SG_CLASS_SOURCE(SgUserHandler, SgEventHandler, SgFieldMngr, "SgUserHandler")

int SgUserHandler::HandleFunc(SgHandleEventAction *action)
{
    return m_pfnUser ? m_pfnUser(action, m_pUserData) : 0;
}

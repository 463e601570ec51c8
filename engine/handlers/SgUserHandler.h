#pragma once
// Hands every event to a plain callback of the embedding application; the
// message table of the base does not apply, the callback sees all events.
#include "engine/handlers/SgEventHandler.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgUserHandler : public SgEventHandler {
    SG_CLASS_HEADER(SgUserHandler, SgFieldMngr)

    using UserFunc = int (*)(SgHandleEventAction *action, void *data);

    SgUserHandler() = default;

    void SetUserFunc(UserFunc func, void *data)
    {
        m_pfnUser = func;
        m_pUserData = data;
    }
    // The callback's answer; 0 without a callback.
    int HandleFunc(SgHandleEventAction *action) override;

protected:
    ~SgUserHandler() override = default;

private:
    UserFunc m_pfnUser = nullptr;
    void *m_pUserData = nullptr;
};

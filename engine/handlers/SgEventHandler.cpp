#include "engine/handlers/SgEventHandler.h"

SG_CLASS_SOURCE(SgEventHandler, SgNode, SgFieldMngr, "SgEventHandler")

SgEventHandler::SgEventHandler()
{
    // What a handler changes on itself is editing state, never an edit of the scene.
    DisableUndo();
}

SgEventHandler::~SgEventHandler()
{
    if (s_pfnGone)
        s_pfnGone(this);
}

void SgEventHandler::SetDocumentHack(SgDocument *document)
{
    SgNode::ReleaseDocument();
    SgNode::SetDocument(document);
}

int SgEventHandler::HandleFunc(SgHandleEventAction *action)
{
    if (!s_pfnMessageReader || !action)
        return 0;
    return DispatchMessage(s_pfnMessageReader(action), action);
}

int SgEventHandler::DispatchMessage(int message, SgHandleEventAction *action)
{
    switch (message) {
    case kKeyDown:
        return OnKeyDown(action);
    case kKeyUp:
        return OnKeyUp(action);
    case kTimer:
        return OnTimer(action);
    case kMouseMove:
        return OnMouseMove(action);
    case kLButtonDown:
        return OnLButtonDown(action);
    case kLButtonUp:
        return OnLButtonUp(action);
    case kLButtonDblClk:
        return OnLButtonDblClk(action);
    case kRButtonDown:
        return OnRButtonDown(action);
    case kRButtonUp:
        return OnRButtonUp(action);
    case kRButtonDblClk:
        return OnRButtonDblClk(action);
    case kMButtonDblClk:
        return OnMButtonDblClk(action);
    default:
        return 0;
    }
}

SgEventHandler::MessageReader SgEventHandler::s_pfnMessageReader = nullptr;
SgEventHandler::GoneFn SgEventHandler::s_pfnGone = nullptr;

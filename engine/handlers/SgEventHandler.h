#pragma once
// A node that receives window events: the event action calls HandleFunc on
// every active handler it meets, and HandleFunc turns the event's window
// message into one virtual call (OnLButtonDown, OnMouseMove, ...). A non-zero
// answer means the event was handled and ends its handling.
//
// A handler works for the document it is given (SetDocumentHack), not for
// the document of the graph it is inserted in, and it never records undo:
// it is editing state, not scene content.
#include "engine/core/SgNode.h"
#include "engine/core/NodaraExport.h"

class SgDocument;
class SgHandleEventAction;

class NODARA_API SgEventHandler : public SgNode {
    SG_CLASS_HEADER(SgEventHandler, SgFieldMngr)

    // Window message numbers the dispatch knows.
    enum Message : int {
        kKeyDown = 256,
        kKeyUp = 257,
        kTimer = 275,
        kMouseMove = 512,
        kLButtonDown = 513,
        kLButtonUp = 514,
        kLButtonDblClk = 515,
        kRButtonDown = 516,
        kRButtonUp = 517,
        kRButtonDblClk = 518,
        kMButtonDown = 519,
        kMButtonUp = 520,
        kMButtonDblClk = 521,
        kMouseWheel = 522,
    };

    // Reads the window message of the action's current event; the event
    // action installs it. Without one (or without an event) HandleFunc
    // handles nothing.
    using MessageReader = int (*)(SgHandleEventAction *action);
    static void SetMessageReader(MessageReader reader) { s_pfnMessageReader = reader; }
    static MessageReader GetMessageReader() { return s_pfnMessageReader; }
    // The value a reader gives for an action that carries no event.
    static constexpr int kNoMessage = 0;

    SgEventHandler();
    // Called with every handler that goes away; the event action installs it.
    using GoneFn = void (*)(SgEventHandler *handler);
    static void SetGoneHook(GoneFn gone) { s_pfnGone = gone; }

    // A handler keeps the document it was given, whatever graph it joins or leaves.
    void SetDocument(SgDocument *) override {}
    void ReleaseDocument() override {}
    bool FollowsGraphDocument() const override { return false; }
    SgDocument *GetDocumentHack() const { return GetDocument(); }
    void SetDocumentHack(SgDocument *document);

    bool IsActive() const { return m_bActive; }
    void Activate() { m_bActive = true; }
    void Deactivate() { m_bActive = false; }
    // A postponed handler is asked after the other children of its separator.
    bool IsPostponed() const { return m_bPostponed; }
    void SetPostponed(bool postponed) { m_bPostponed = postponed; }

    virtual void Start(SgHandleEventAction *) {}
    virtual void Finish(SgHandleEventAction *) {}
    // Reads the message of the action's event and dispatches it.
    virtual int HandleFunc(SgHandleEventAction *action);
    virtual int OnLButtonDown(SgHandleEventAction *) { return 0; }
    virtual int OnRButtonDown(SgHandleEventAction *) { return 0; }
    virtual int OnLButtonUp(SgHandleEventAction *) { return 0; }
    virtual int OnRButtonUp(SgHandleEventAction *) { return 0; }
    virtual int OnLButtonDblClk(SgHandleEventAction *) { return 0; }
    virtual int OnMButtonDblClk(SgHandleEventAction *) { return 0; }
    virtual int OnRButtonDblClk(SgHandleEventAction *) { return 0; }
    virtual int OnMouseMove(SgHandleEventAction *) { return 0; }
    virtual int OnKeyUp(SgHandleEventAction *) { return 0; }
    virtual int OnKeyDown(SgHandleEventAction *) { return 0; }
    virtual int OnTimer(SgHandleEventAction *) { return 0; }
    virtual int HandleDefault(SgHandleEventAction *) { return 0; }

    // The message table: the one virtual that the message names, or 0 without
    // a call for every other message (the middle button's down and up and the
    // wheel included; handlers that want those override HandleFunc).
    int DispatchMessage(int message, SgHandleEventAction *action);

protected:
    // An event action that still names this handler as the one grabbing
    // the events forgets it.
    ~SgEventHandler() override;

private:
    bool m_bActive = true;
    bool m_bPostponed = false;

    static MessageReader s_pfnMessageReader;
    static GoneFn s_pfnGone;
};

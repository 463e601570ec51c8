#pragma once
// What the facade tells the windows and controls that host it, a command
// family of the facade (facade/CDrevon.h): button states, creation tools
// starting and finishing, clicks on the scene, the document's custom events,
// keys and the docking panes. Every kind reaches any number of listeners,
// each kept while its token is (facade/HostListeners.h).
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/core/SgSubscribers.h"
#include "engine/document/SgDocumentEvents.h"
#include "facade/DrevonExport.h"
#include "facade/HostListeners.h"

class SgDocument;
class SgPath;

namespace drevon {

class CDrevon;

class DREVON_API HostEvents {
public:
    explicit HostEvents(CDrevon &facade);
    HostEvents(const HostEvents &) = delete;
    HostEvents &operator=(const HostEvents &) = delete;

    // Every state change of a button: (button index, state). Any number of
    // listeners (a window and the control attached over its facade); each
    // stays while its token is kept.
    using ButtonStateListener = std::function<void(int button, int state)>;
    [[nodiscard]] HostSubscription SubscribeButtonState(ButtonStateListener listener)
    {
        return m_buttonState.Subscribe(std::move(listener));
    }
    // Creation tools starting (started true) and finishing, with the tool's
    // code and the object it made; heard while the facade is plugged in.
    using ToolListener = std::function<void(bool started, int code, void *object)>;
    [[nodiscard]] HostSubscription SubscribeToolEvents(ToolListener listener)
    {
        return m_tools.Subscribe(std::move(listener));
    }
    // A click reported by the selection handler: (picked path, the picked
    // object's name, 0, data).
    using EventCallback = void (*)(SgPath *picked, char *objectName, unsigned long long value, void *data);
    using CustomEventCallback = void (*)(const char *text, void *data);
    // Kind 3: the host with `data` follows the current viewer's frames (its
    // statistics report) beside the viewer's other listeners; fn is not used
    // and nothing reaches the host. Other kinds: the selection handler
    // reports each click to fn with data. Either lasts as long as the facade
    // (another listener added so takes nothing from this one; the same fn
    // and data twice are one listener). False (nothing changed) without a
    // viewer for kind 3, without a selection handler or a function for the
    // others.
    bool AddEventCallback(int kind, EventCallback fn, void *data);
    // Each frame the current viewer draws reaches the listener with its
    // milliseconds while the token is kept; an inactive token without a
    // viewer (said as a warning) or a listener.
    using FrameListener = std::function<void(std::int64_t renderMs)>;
    [[nodiscard]] SgSubscription SubscribeFrames(FrameListener listener);
    // Clicks reach fn with data while the token is kept (the current
    // document's selection handler); an inactive token without a document
    // or a function.
    [[nodiscard]] SgSubscription SubscribeClicks(EventCallback fn, void *data);
    // The document's custom events (texts from the custom spline dialog and
    // the like) reach fn with data while the token is kept; any number of
    // listeners, and they stay subscribed when another document is installed.
    [[nodiscard]] SgDocumentSubscription SubscribeCustomEvent(CustomEventCallback fn, void *data);
    // The docking panes (H toggles, S shows all): the host's, through this.
    [[nodiscard]] HostSubscription SubscribeDockable(std::function<void(int how)> listener)
    {
        return m_dockable.Subscribe(std::move(listener));
    }
    void ShowAllDocable(int how) { m_dockable.Notify(how); }
    // One pane (slots 0-2 the toolbars, 3 the scene tree; show -1 toggles,
    // 0 hides, else shows); false when no host with panes listens.
    [[nodiscard]] HostSubscription SubscribeDockableSlot(std::function<void(int slot, int show)> listener)
    {
        return m_dockableSlot.Subscribe(std::move(listener));
    }
    bool ShowDockable(int slot, int show);
    // The facade's keys (Esc leaving full screen, the shortcuts): a key
    // reaches these listeners only when no running creation, drag or rubber
    // band takes it first. Each answers whether it used the key; the first
    // that does keeps it from the later ones and the shortcuts.
    using KeyListener = std::function<bool(int virtualKey)>;
    [[nodiscard]] HostSubscription SubscribeKeys(KeyListener listener)
    {
        return m_keys.Subscribe(std::move(listener));
    }

    // ---- What kind of host it is -------------------------------------------------------------
    // Plugged into an embedding control: creation tools are reported.
    void SetPlugedIn() { m_bPlugedIn = true; }
    bool IsPlugedIn() const { return m_bPlugedIn; }
    void SetHtmlEmbeded() { m_bHtmlEmbeded = true; }
    bool IsHtmlEmbeded() const { return m_bHtmlEmbeded; }

    // ---- What the facade tells them ----------------------------------------------------------
    void NotifyButtonState(int button, int state) { m_buttonState.Notify(button, state); }
    // True when a key listener took the key.
    bool NotifyKey(int virtualKey) { return m_keys.NotifyUntilTaken(virtualKey); }
    // Follows the creation tools and the custom events of this document
    // (null: none).
    void ListenTo(SgDocument *document);

private:
    // Creation tools starting and finishing reach the tool listeners while
    // the facade is plugged in.
    static void OnToolEvent(const SgDocumentEvent &event, void *self);
    static void OnCustomEvent(const SgDocumentEvent &event, void *self);

    CDrevon &m_facade;
    bool m_bPlugedIn = false;
    bool m_bHtmlEmbeded = false;
    HostListeners<void(int, int)> m_buttonState;
    HostListeners<void(bool, int, void *)> m_tools;
    HostListeners<bool(int)> m_keys;
    HostListeners<void(int)> m_dockable;
    HostListeners<void(int, int)> m_dockableSlot;
    SgDocumentSubscription m_toolStarted;
    SgDocumentSubscription m_toolFinished;
    // The host's listeners of custom events, fed from whichever document is
    // installed (m_customEvent listens to it).
    SgDocumentEvents m_customEvents;
    SgDocumentSubscription m_customEvent;
    // The click listeners AddEventCallback made, with what they call.
    struct ClickHook {
        EventCallback fn;
        void *data;
        SgSubscription token;
    };
    std::vector<ClickHook> m_clickHooks;
    // The frame listeners AddEventCallback made, by the host's data.
    struct FrameHook {
        void *data;
        SgSubscription token;
    };
    std::vector<FrameHook> m_frameHooks;
};

} // namespace drevon

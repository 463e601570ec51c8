#pragma once
// The embeddable control without its window: it owns one facade from the
// moment its window exists (Create) until the window goes (Destroy), keeps
// the persistent properties and the application parameters, the handles it
// gave to its callers (each holding a reference on its node until the
// control goes) and the list of event subscribers. Every method of the
// dispatch table reaches the facade through here; a call made while there
// is no facade gets an error result.
//
// The wx part (control/wx) puts a window, a canvas and panes around it and
// calls Create with the canvas; headless callers (tests, `fennix --stdio`)
// call Create with none.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "control/FennixDispatch.h"
#include "control/FennixEvents.h"
#include "control/FennixValue.h"
#include "engine/core/SgHandleTable.h"
#include "engine/core/SgSubscribers.h"
#include "engine/document/SgDocumentEvents.h"
#include "facade/HostListeners.h"
#include "control/FennixExport.h"

class SgFieldMngr;
class SgNode;
class SgPath;
class SgPlatformWindow;
class SgViewer;

namespace drevon {
class CDrevon;
}

namespace fennix {

struct FENNIX_API FennixProperties {
    std::string fileName;
    std::int32_t n1 = 0;
    std::uint32_t bgColor = 0xFFFF;
    std::string cookies;
    std::string fileText;
    std::string texturePath;
    std::int16_t clientFrame = -1;
    std::int32_t toolBarConfig = 0;
    std::int16_t cacheLoadedUrl = 1;
    // The name the window's pane sizes are kept under in the user's
    // settings, so that each host (and each control of a host) keeps its
    // own; empty: the program's name, and a number after it for the second
    // and later control of one window. Not a persistent property.
    std::string settingsProfile;
};

class FENNIX_API FennixControl {
public:
    static constexpr int kMaxAppParams = 100;

    FennixControl();
    ~FennixControl();
    FennixControl(const FennixControl &) = delete;
    FennixControl &operator=(const FennixControl &) = delete;

    // The window's creation: facade, document, callbacks, properties, the
    // viewer on the canvas (none headless), the scene named by FileName,
    // the rotate tool. StartSession is the caller's to fire once, about
    // 100 ms later (FireStartSession). False when the facade or its
    // document could not be made.
    bool Create(SgPlatformWindow *canvas);
    // Serves a facade the host owns (the modeller's window) instead of
    // making one: the creation-tool events reach subscribers, and button
    // states reach the host's own listener first, then ChangeButtonState.
    // The facade must outlive the control or be let go with Destroy first.
    void Attach(drevon::CDrevon *facade);
    // The window's destruction: the handles given out let go, the facade and
    // its document go.
    void Destroy();
    drevon::CDrevon *GetFacade() const { return m_pFacade; }

    // How the host runs work later from its own loop (a window's channel
    // gives one): what a request shows a person (the about box) opens after
    // the reply, not inside the request. Without one, Defer runs it at once.
    using Deferrer = std::function<void(std::function<void()> work)>;
    void SetDeferrer(Deferrer deferrer) { m_deferrer = std::move(deferrer); }
    // Work deferred is dropped when the control is gone by then.
    void Defer(std::function<void()> work);

    // ---- dispatch ---------------------------------------------------------------
    DispResult Call(const std::string &name, const DispArgs &args);
    DispResult Call(int dispid, const DispArgs &args);
    DispResult Call(const DispEntry &entry, const DispArgs &args);

    // ---- events -----------------------------------------------------------------
    FennixEventList &Events() { return m_events; }
    void Fire(const char *name, DispArgs params);
    // Fires StartSession once per window; later calls do nothing.
    void FireStartSession(const std::string &text);
    bool IsSessionStarted() const { return m_sessionStarted; }
    // The text StartSession carried (for clients that come later).
    const std::string &GetSessionText() const { return m_sessionText; }
    bool IsClickEventEnabled() const { return m_clickEvents; }
    // The selection handler reports clicks to ClickEvent from now on (the
    // selection's own callback gives way, as the facade's event hook does).
    // False without a facade or a selection handler.
    bool EnableClickEvent();
    bool IsViewerEventEnabled() const { return m_viewerFrames.IsActive(); }
    // The control follows the current viewer's frames from now on (event
    // kind 3): its script hears nothing of them, and the viewer's other
    // listeners keep theirs. False without a facade or a current viewer.
    bool EnableViewerEvent();

    // ---- properties ---------------------------------------------------------------
    FennixProperties &Properties() { return m_props; }
    bool IsModified() const { return m_modified; }
    void SetModified(bool modified = true) { m_modified = modified; }
    // The texture path with its four default folders (each closed by ";").
    static std::string CompleteTexturePath(const std::string &path);
    static std::vector<std::string> DefaultTextureFolders();
    // BGColor as three channels of 0..1 (each byte / 255).
    static void ColorToRgb(std::uint32_t color, float rgb[3]);
    // The persistent properties in the user's settings file, each under
    // "FennixCtrl.<name>". Saving first takes the open scene's file name
    // into FileName; it writes nothing when a value cannot be stored (a line
    // break) and says so. Loading keeps the default of a missing key and of
    // a number that does not parse or fit.
    bool SaveProperties();
    void LoadProperties();

    // ---- application parameters (names compare without case) -------------------
    bool SetAppParam(const std::string &name, const DispValue &value);
    DispValue GetAppParam(const std::string &name) const;
    int GetAppParamCount() const { return static_cast<int>(m_appParams.size()); }

    // ---- handles ----------------------------------------------------------------
    // A handle for the caller, held until the control goes; 0 for null.
    SgHandleTable::Handle HandleFor(SgFieldMngr *container);
    // The handle the control already holds for the container, else a new
    // one as HandleFor makes: lookups repeated by a script hold once.
    SgHandleTable::Handle HeldHandleFor(SgFieldMngr *container);
    // The container of a handle argument (an integer, or a real of a whole
    // number); sets error for anything else, a stale or unknown handle, and
    // a handle this control did not give (or let go). Zero gives null
    // without error.
    SgFieldMngr *ContainerOf(const DispValue &handle, DispResult &error) const;
    // As ContainerOf, and the container must be a node.
    SgNode *NodeOf(const DispValue &handle, DispResult &error) const;
    // Lets go of every hold this control has on the handle: the node goes
    // when nothing else holds it, and the handle is refused from then on.
    // False (and error set) for a handle ContainerOf refuses.
    bool Release(const DispValue &handle, DispResult &error);
    int GetHeldCount() const { return static_cast<int>(m_held.size()); }
    // A viewer's checked 32-bit handle, held until the control goes (the
    // viewer itself lives as long as its window); kNoViewer for null or
    // when no viewer slot is left.
    SgHandleTable::ViewerHandle HoldViewer(SgViewer *viewer);
    int GetHeldViewerCount() const { return static_cast<int>(m_heldViewers.size()); }

private:
    static void OnClick(SgPath *path, char *name, unsigned long long code, void *data);
    // Subscribes this control to its facade's button states, creation tools
    // and custom events.
    void ListenToFacade();
    static void OnCustomEvent(const char *text, void *data);

    std::unique_ptr<drevon::CDrevon> m_ownedFacade;
    drevon::CDrevon *m_pFacade = nullptr;
    bool m_attached = false;
    FennixProperties m_props;
    bool m_modified = false;
    bool m_sessionStarted = false;
    std::string m_sessionText;
    bool m_clickEvents = false;
    // The control's own click listener; other listeners of the selection
    // handler's clicks (a dialog hiding by hit) neither take it nor lose theirs.
    SgSubscription m_clicks;
    // The control's listener of the current viewer's frames (event kind 3).
    SgSubscription m_viewerFrames;
    std::vector<std::pair<std::string, DispValue>> m_appParams;
    // The state each button was last told to be in, by button index.
    std::map<int, int> m_buttonStates;
    std::multiset<SgHandleTable::Handle> m_held;
    std::multiset<SgHandleTable::ViewerHandle> m_heldViewers;
    SgDocumentSubscription m_customEvents;
    drevon::HostSubscription m_buttonStateListener;
    drevon::HostSubscription m_toolEvents;
    FennixEventList m_events;
    Deferrer m_deferrer;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);

    friend struct DispatchAccess;
};

} // namespace fennix

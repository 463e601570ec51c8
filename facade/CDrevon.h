#pragma once
// The engine facade: one object per host window that owns the document and
// through it the viewers, keeps the state the commands share (active tool,
// manipulator kind, navigation, playback) and turns the host's command ids
// into operations with enable and check states.
//
// The facade sees no toolkit: message boxes and file choosers go through the
// Notifier and the file chooser (platform/Notifier.h), timers through the
// timer service (platform/SgTimerService.h), windows of its own through the
// window factory (platform/window/SgWindowFactory.h). A host installs the
// toolkit's versions of those; tests run on the headless defaults.
//
// Commands reach it as the host's command ids: the host registers a button
// entry per operation (SetButtonStateCB, or RegisterControlButtons for every
// facade command of the records in facade/CommandRecord) and then calls
// ApplyButton and ApplyUpdate with its ids. Operations receive the button
// index, never the command id.
//
// The commands themselves live in command families that own their state
// (files, playback, selection editing, creation, annotations, views,
// dialogs, modelling, access by name, the field under edit, and what the
// facade tells its hosts): a caller runs a command on its family,
// `facade.GetFiles().OnSaveFile(0)`, and a command record names its
// operation as `Operation<&SceneFiles::OnFile>` (facade/CommandRecord.h).
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/document/SgDocumentEvents.h"
#include "facade/Annotations.h"
#include "facade/CDrevonDialogs.h"
#include "facade/Creation.h"
#include "facade/CommandRecord.h"
#include "facade/DialogTable.h"
#include "facade/FieldEditing.h"
#include "facade/HostEvents.h"
#include "facade/Modelling.h"
#include "facade/Playback.h"
#include "facade/SceneAccess.h"
#include "facade/SceneFiles.h"
#include "facade/SelectionEditing.h"
#include "facade/Viewing.h"
#include "facade/DrevonExport.h"

class SgDocument;
class SgHandleEventAction;
class SgPlatformWindow;
class SgSelectionHandler;
class SgSeparator;
class SgTextureManager;
class SgViewer;
class SgViewport;

namespace drevon {

class DREVON_API CDrevon {
public:
    // ---- Command table ------------------------------------------------------------
    using ApplyFn = CommandApply;
    using UpdateFn = CommandUpdate;
    // A state change of a button, or (state -1) the request to set a
    // multi-state button up; 0 from an init callback stops postProcessButtons.
    using ButtonStateCallback = int (*)(int state, int commandId, void *data);

    struct ButtonData {
        ButtonStateCallback stateCallback = nullptr;
        ButtonStateCallback initCallback = nullptr;
        void *data = nullptr;
        int commandId = 0;  // 0: an unused entry
        int states = 0;
        int imageBase = 0;
        ApplyFn apply = nullptr;
        UpdateFn update = nullptr;
    };

    static constexpr int kButtonCount = 250;
    static constexpr int kButtonMapSize = 400;
    static constexpr uint16_t kUnmapped = 0xFFFF;
    // The standard table's command ids.
    static constexpr int kFirstCommandId = 32768;
    static constexpr int kLastCommandId = 32958;

    CDrevon();
    ~CDrevon();
    // A copy would destroy the document, the tools and the timer twice.
    CDrevon(const CDrevon &) = delete;
    CDrevon &operator=(const CDrevon &) = delete;

    // ---- Document ---------------------------------------------------------------
    SgDocument *CreateDocument();
    // Installs a document made elsewhere; the facade destroys only documents
    // it made itself (the previous one when it was its own).
    void SetDocument(SgDocument *document);
    void DeleteDocument();
    SgDocument *GetDocument() const { return m_pDocument; }
    SgSeparator *GetRoot() const;
    SgTextureManager *GetTextureMngr() const;
    const std::string &GetPluginDir() const { return m_pluginDir; }
    const std::string &GetWorkingDir() const { return m_workingDir; }
    std::string GetCurrentFile() const;
    // 10 gives the stored string (empty), any other value "".
    std::string GetString(int which) const;
    bool IsExternalDocument() const { return m_bExternalDocument; }

    // ---- Viewers ----------------------------------------------------------------
    // A viewer on the host's window; it becomes the current viewer, grey.
    SgViewer *CreateViewer(SgPlatformWindow *window);
    // The first viewer; null with a message when there is none.
    SgViewer *GetDefaultViewer();
    void DeleteViewer(SgViewer *viewer);
    // A window of its own ("fullscreen", any case, covers the screen);
    // null when the window factory cannot make one.
    SgPlatformWindow *CreateGraphicWindow(const char *name, int width, int height);
    // A viewer in a window of its own; "FullScreen" (any case) takes over
    // the current viewer's view tree and needs a current viewer (else null
    // with a message).
    SgViewer *CreateWinViewer(const char *name, int width, int height);
    // False again once the full-screen viewer's window has closed.
    bool IsFullScreen() const;
    // The first viewport of the current viewer, or null.
    SgViewport *CurrentViewport() const;
    // The current document's selection handler, or null.
    SgSelectionHandler *Selection() const;

    // ---- Host callbacks and flags -----------------------------------------------------
    void SetPlugedIn() { m_bPlugedIn = true; }
    bool IsPlugedIn() const { return m_bPlugedIn; }
    void SetHtmlEmbeded() { m_bHtmlEmbeded = true; }
    bool IsHtmlEmbeded() const { return m_bHtmlEmbeded; }
    int SetTexturePathes(const char *list);
    // A key pressed in a viewer: false when it is left to a running tool or
    // nobody used it.
    bool OnKeyDown(int virtualKey, bool windowCaptured);

    // ---- Command table -----------------------------------------------------------------
    void initButtonMap();
    void SetBaseCommandId(int base) { m_iBaseCommandId = base; }
    int GetBaseCommandId() const { return m_iBaseCommandId; }
    // Fills entry `button` (not its image base) and maps the command id to
    // it when the id is not negative; a later entry with the same id takes
    // the map slot. Indices and ids outside the table are refused (false).
    bool SetButtonStateCB(int button, ButtonStateCallback state, void *data, int commandId, int states,
                          ApplyFn apply, UpdateFn update, ButtonStateCallback init);
    // Registers the facade commands of the records: `check` for the two-state buttons,
    // `image` and `init` for the multi-state image buttons.
    void RegisterControlButtons(ButtonStateCallback check, ButtonStateCallback image, ButtonStateCallback init,
                                void *data);
    ButtonData *GetButtonData(int commandId);
    ButtonData *GetButtonDataByIndex(int button);
    // The button index a command id maps to, or -1.
    int GetButtonIndex(int commandId) const;
    // Ids outside the table and unmapped ids do nothing (false); true when
    // an operation ran.
    bool ApplyButton(int commandId);
    // False for ids outside the table, unmapped ids and entries without an
    // operation; otherwise the entry's predicate (none: true).
    bool ApplyUpdate(int commandId);
    // Re-initialises the multi-state buttons; an init callback that fails
    // is reported and the pass goes on.
    void postProcessButtons();
    void SetButtonState(int state, int button, bool remember);
    // The last state set on a button (0 before any).
    int GetButtonState(int button) const;
    int GetCheckedButton() const { return m_nCheckedButton; }

    // ---- The command families: callers run a command on its family ------------------------------
    HostEvents &GetHostEvents() { return *m_hostEvents; }                    // what the facade tells its hosts
    SceneFiles &GetFiles() { return *m_files; }                              // open, save, import, export
    Playback &GetPlayback() { return *m_playback; }                          // playback and movies
    SelectionEditing &GetSelectionEditing() { return *m_selectionEditing; }  // selection, clipboard, undo
    Creation &GetCreation() { return *m_creation; }                          // tools, manipulators, creation
    Annotations &GetAnnotations() { return *m_annotations; }                 // rubber lines, annotations, tape
    Viewing &GetViewing() { return *m_viewing; }                             // views and navigation
    DialogTable &GetDialogs() { return *m_dialogs; }                         // the open dialogs
    Modelling &GetModelling() { return *m_modelling; }                       // modelling on the selection
    SceneAccess &GetSceneAccess() { return *m_sceneAccess; }                 // fields, nodes, layers by name
    FieldEditing &GetFieldEditing() { return *m_fieldEditing; }              // the numbers of the field under edit

    // ---- Keys ---------------------------------------------------------------------------------------
    // The document's key handler: key presses without Ctrl or Alt run the
    // shortcuts. Always 0: the event goes on to the other handlers.
    static int KeyEvent(SgHandleEventAction *action, void *facade);
    // Keys whose presses the host's menus run themselves (Delete in the
    // modeller): the shortcut leaves them, so that they run once.
    void SetMenuKeys(std::vector<int> keys) { m_menuKeys = std::move(keys); }
    // Runs the shortcut of a key; false when the key has none. The action
    // (may be null) is the one that brought the key.
    bool RunShortcut(int virtualKey, SgHandleEventAction *action);
    // Esc's and B's: leaves full screen (closing the window of the key being
    // handled) or goes to it.
    void ToggleFullScreen();

    // ---- Drawing -------------------------------------------------------------------------------
    // Draws the current view again (`whole`: the viewer's full redraw).
    void RedrawCurrent(bool whole);
    void Redraw();
    void Refresh(int mode);
    int GetRedrawCount() const { return m_iRedraws; }
    SgViewer *GetCurrentViewer() const;

    // ---- Dialogs -----------------------------------------------------------------------------
    // The document's close-dialog callback (facade, closing CCadDlg).
    static void CloseDialog(void *facade, void *dialog);

    // ---- Highlight colour, attached cameras, test menus -------------------------------------
    // Asks for a colour (platform/SgChoosers.h) starting at the highlight's;
    // the chosen one becomes the selection's highlight. Cancel changes nothing.
    void OnChangeSelectionColor();
    // Pops up a menu over the default viewer with two checked items under
    // the next number of a counter that starts at 15; the chosen item's id,
    // 0 for none (and without a viewer).
    int TestPopup();
    int GetPopupCounter() const { return m_iPopupCounter; }
    // Adds a handler named "RightMouseMenu" to the scene root: a right
    // button release picks at the cursor and is consumed; no menu shows.
    void ActivateRightMouseMenu();

private:
    // Entry of a command id, or -1 when the id is outside the table or unmapped.
    int MapCommand(int commandId) const;
    // Takes this facade's hooks off the current document.
    void LeaveDocumentHooks();

    SgDocument *m_pDocument = nullptr;
    bool m_bExternalDocument = false;
    bool m_bFullScreen = false;
    SgViewer *m_pFullScreenPrevious = nullptr;
    SgRef<SgSeparator> m_editorObjects;
    SgTextureManager *m_pTextureMngr = nullptr;
    std::string m_workingDir;
    std::string m_pluginDir;
    std::string m_string;
    int m_nCheckedButton = 0;
    std::vector<int> m_menuKeys;
    // The event action of the key being handled, while it is.
    SgHandleEventAction *m_pKeyAction = nullptr;
    bool m_bPlugedIn = false;
    bool m_bHtmlEmbeded = false;
    int m_iRedraws = 0;

    int m_iBaseCommandId = kFirstCommandId;
    std::array<uint16_t, kButtonMapSize> m_buttonMap{};
    std::array<ButtonData, kButtonCount> m_buttons{};
    std::array<int, kButtonCount> m_buttonStates{};
    // The full-screen viewer; when it goes (its window closed) the view is
    // the previous viewer's again.
    SgViewer *m_pFullScreenViewer = nullptr;
    SgDocumentSubscription m_viewerChanged;
    static void OnViewerEvent(const SgDocumentEvent &event, void *facade);
    int m_iPopupCounter = 15;

    // The families of commands that own their state.
    std::unique_ptr<FieldEditing> m_fieldEditing;
    std::unique_ptr<Playback> m_playback;
    std::unique_ptr<DialogTable> m_dialogs;
    std::unique_ptr<SceneFiles> m_files;
    std::unique_ptr<Annotations> m_annotations;
    std::unique_ptr<Viewing> m_viewing;
    std::unique_ptr<SelectionEditing> m_selectionEditing;
    std::unique_ptr<Creation> m_creation;
    std::unique_ptr<Modelling> m_modelling;
    std::unique_ptr<SceneAccess> m_sceneAccess;
    std::unique_ptr<HostEvents> m_hostEvents;
};

} // namespace drevon
